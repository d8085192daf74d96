// Every field of the game state, listed once. The state dump, the state hash and the rollback
// snapshot all walk these lists, so what is dumped is what is hashed and what is restored.
//
// A visitor has:
//   field(name, value)                 a scalar, a string or a plain record's field
//   group(name) ... endGroup()         a named object in the dump (nothing for the others)
//   table(name, array, first, last, kept, each)
//                                      a table: the dump shows rows first..last, the hash and the
//                                      snapshot keep rows 0..kept-1 (slots past the count keep what
//                                      the game left there, which a new entry may inherit); `each`
//                                      lists one row's fields
//   surface(name, picback)             the world's pixels (the snapshot keeps them its own way)
// `dumped` false marks fields the dump leaves out where they would change an older dump.
#pragma once
#include <algorithm>

#include "core/game.h"

namespace vexlot {

template <typename V>
void visitRecord(V& v, const Guy& g) {
    v.field("state", g.state);
    v.field("strideFlag", g.strideFlag);
    v.field("x", g.x);
    v.field("y", g.y);
    v.field("vx", g.vx);
    v.field("vy", g.vy);
    v.field("legAngleA", g.legAngleA);
    v.field("legAngleB", g.legAngleB);
    v.field("legLengthA", g.legLengthA);
    v.field("legLengthB", g.legLengthB);
    v.field("headColour", g.headColour);
    v.array("partColour", g.partColour, 1, 9);
    v.field("armAngle1Upper", g.armAngle1Upper);
    v.field("armAngle1Lower", g.armAngle1Lower);
    v.field("armAngle2Upper", g.armAngle2Upper);
    v.field("armAngle2Lower", g.armAngle2Lower);
    v.field("weapon", g.weapon);
    v.field("weaponTimer", g.weaponTimer);
    v.field("bleedFrames", g.bleedFrames);
    v.field("aimAngle", g.aimAngle);
    v.field("bodyAngle", g.bodyAngle);
    v.field("health", g.health);
}

template <typename V>
void visitRecord(V& v, const Rock& r) {
    v.field("kind", r.kind);
    v.field("payload", r.payload);
    v.field("size", r.size);
    v.field("x", r.x);
    v.field("y", r.y);
    v.field("vx", r.vx);
    v.field("vy", r.vy);
    v.field("counter", r.counter);
    v.field("aux", r.aux);
}

template <typename V>
void visitRecord(V& v, const Blast& b) {
    v.field("x", b.x);
    v.field("y", b.y);
    v.field("growth", b.growth);
    v.field("size", b.size);
    v.field("maxSize", b.maxSize);
    v.field("stage", b.stage);
    v.field("colour", b.colour);
}

template <typename V>
void visitRecord(V& v, const Shrapnel& s) {
    v.field("alive", s.alive);
    v.field("generations", s.generations);
    v.field("children", s.children);
    v.field("gravityScale", s.gravityScale);
    v.field("elasticity", s.elasticity);
    v.field("bounces", s.bounces);
    v.field("fuse", s.fuse);
    v.field("childFuse", s.childFuse);
    v.field("trail", s.trail);
    v.field("shape", s.shape);
    v.field("width", s.width);
    v.field("childWidth", s.childWidth);
    v.field("x", s.x);
    v.field("y", s.y);
    v.field("vx", s.vx);
    v.field("vy", s.vy);
    v.field("spreadX", s.spreadX);
    v.field("spreadY", s.spreadY);
    v.field("colour", s.colour);
    v.field("red", s.red);
    v.field("green", s.green);
    v.field("blue", s.blue);
    v.field("randomRed", s.randomRed);
    v.field("randomGreen", s.randomGreen);
    v.field("randomBlue", s.randomBlue);
}

template <typename V>
void visitRecord(V& v, const RocketPart& p) {
    v.field("radius", p.radius);
    v.field("angle", p.angle);
    v.field("fuel", p.fuel);
    v.field("thrust", p.thrust);
    v.field("kind", p.kind);
    v.field("payloadKind", p.payloadKind);
    v.field("timer", p.timer);
    v.field("timerReload", p.timerReload);
    v.field("active", p.active);
    v.field("releaseVx", p.releaseVx);
    v.field("releaseVy", p.releaseVy);
}

// A rocket with its part count (kept in the companion table rocketPartCount).
struct RocketRow {
    const Rocket& rocket;
    int16_t partCount;
};

template <typename V>
void visitRecord(V& v, const RocketRow& row) {
    const Rocket& r = row.rocket;
    v.field("halfLength", r.halfLength);
    v.field("noseDy", r.noseDy);
    v.field("noseDx", r.noseDx);
    v.field("heading", r.heading);
    v.field("x", r.x);
    v.field("y", r.y);
    v.field("vx", r.vx);
    v.field("vy", r.vy);
    v.field("rocketPartCount", row.partCount);
    const int shown = std::clamp<int>(row.partCount, 0, kMaxRocketParts);
    v.table("parts", r.parts, 1, shown, kMaxRocketParts + 1);
}

template <typename V>
void visitRecord(V& v, const Gauge& g) {
    v.field("value", g.value);
    v.field("max", g.max);
    v.field("visible", g.visible);
    v.field("foreColor", g.foreColor);
    v.field("left", g.left);
    v.field("top", g.top);
    v.field("width", g.width);
    v.field("height", g.height);
}

// Rocket slots the game uses: 0 .. max(1, rocketCount); the rest are never written.
inline int usedRocketSlots(const Game& game) { return std::clamp<int>(game.rocketCount, 1, kMaxRockets) + 1; }

// The whole game. `G` is Game or const Game: the snapshot restores through the same list.
template <typename G, typename V>
void visitGame(G& game, V& v) {
    v.field("frame", game.frame);
    v.field("ended", game.ended);
    v.field("lastGuy", game.lastGuy);
    v.field("scrollStage", game.scrollStage);
    v.field("soundOn", game.soundOn);
    v.field("speedFactor", game.speedFactor);
    v.field("pi", game.pi);
    v.constant("facingLeft", facingLeft);
    v.field("picbackLeft", game.picbackLeft);
    const bool two = game.players != 1;  // one-player dumps stay as they were
    v.field("players", game.players, two);
    v.array("secondAmmo", game.secondAmmo, 0, 9, two);
    const bool versus = two && game.versus != 0;  // the first two-player games' dumps stay as they were too
    v.field("versus", game.versus, versus);
    v.field("duel", game.duel, versus);

    v.table("guys", game.guyTable, 0, kControlGuys, kMaxGuys + 1);
    v.group("controls");
    v.array("keyLeft", game.keyLeft);
    v.array("keyRight", game.keyRight);
    v.array("facing", game.facing);
    v.array("keyUp", game.keyUp);
    v.array("keyDown", game.keyDown);
    v.array("clingLeft", game.clingLeft);
    v.array("clingRight", game.clingRight);
    v.array("keyFire", game.keyFire);
    v.array("aimInc", game.aimInc);
    v.array("aimDec", game.aimDec);
    v.array("spin", game.spin);
    v.array("hitCount", game.hitCount);
    v.array("dropDone", game.dropDone);
    v.endGroup();

    v.table("rocks", game.rockTable, 1, game.rockCount, kMaxRocks + 1);
    v.table("blasts", game.blastTable, 1, game.blastCount, kMaxBlasts + 1);
    v.table("shrapnel", game.shrapnelTable, 1, game.shrapnelCount, kMaxShrapnel + 1);
    v.rockets("rockets", game.rocketTable, game.rocketPartCount, game.rocketCount, usedRocketSlots(game));
    v.field("rockCount", game.rockCount, false);
    v.field("blastCount", game.blastCount, false);
    v.field("shrapnelCount", game.shrapnelCount, false);
    v.field("rocketCount", game.rocketCount, false);

    v.group("gauges");
    v.record("life", game.life);
    v.table("ammo", game.ammo, 0, 9, 10);
    v.endGroup();

    v.group("captions");
    v.field("ammolbl", game.ammolbl);
    v.field("Label1", game.Label1);
    v.field("xlbl", game.xlbl);
    v.field("ylbl", game.ylbl);
    v.endGroup();

    v.group("panels");
    v.field("Frame1", game.Frame1Visible);
    v.field("Frame2", game.Frame2Visible);
    v.field("Timer1", game.Timer1Enabled);
    v.field("option", game.selectedOption);
    v.endGroup();

    v.field("picbackTop", game.picbackTop);
    v.field("rng", game.rng.state);
    v.group("pen");
    v.field("backColor", game.picback.backColor);
    v.field("foreColor", game.picback.foreColor);
    v.field("drawWidth", game.picback.drawWidth);
    v.field("currentX", game.picback.currentX);
    v.field("currentY", game.picback.currentY);
    v.endGroup();
    v.surface("surfaceHash", game.picback);
}

// A field added to Game (or to one of its records) changes its size: list it above, then update
// the size here (the game's own size on 64-bit builds). The dump, the hash and the snapshot then
// all have it.
static_assert((sizeof(void*) != 8 || sizeof(Game) == 3151640) && sizeof(Guy) == 136 && sizeof(Rock) == 28 && sizeof(Blast) == 40 &&
                  sizeof(Shrapnel) == 72 && sizeof(RocketPart) == 28 && sizeof(Gauge) == 20,
              "a field was added to the game: list it in visitGame or visitRecord, then update these sizes");

}  // namespace vexlot
