// The state dump: one JSON object with every table and scalar by its name.
#include <cinttypes>

#include "session/dump.h"
#include "session/json.h"

namespace vexlot {

namespace {

void writeGuy(JsonWriter& j, const Guy& g) {
    j.beginObject();
    j.value("state", g.state);
    j.value("strideFlag", g.strideFlag);
    j.value("x", g.x);
    j.value("y", g.y);
    j.value("vx", g.vx);
    j.value("vy", g.vy);
    j.value("legAngleA", g.legAngleA);
    j.value("legAngleB", g.legAngleB);
    j.value("legLengthA", g.legLengthA);
    j.value("legLengthB", g.legLengthB);
    j.value("headColour", g.headColour);
    j.beginArray("partColour");
    for (int p = 1; p <= 9; ++p) j.value(nullptr, g.partColour[p]);
    j.endArray();
    j.value("armAngle1Upper", g.armAngle1Upper);
    j.value("armAngle1Lower", g.armAngle1Lower);
    j.value("armAngle2Upper", g.armAngle2Upper);
    j.value("armAngle2Lower", g.armAngle2Lower);
    j.value("weapon", g.weapon);
    j.value("weaponTimer", g.weaponTimer);
    j.value("bleedFrames", g.bleedFrames);
    j.value("aimAngle", g.aimAngle);
    j.value("bodyAngle", g.bodyAngle);
    j.value("health", g.health);
    j.endObject();
}

void writeRock(JsonWriter& j, const Rock& r) {
    j.beginObject();
    j.value("kind", r.kind);
    j.value("payload", r.payload);
    j.value("size", r.size);
    j.value("x", r.x);
    j.value("y", r.y);
    j.value("vx", r.vx);
    j.value("vy", r.vy);
    j.value("counter", r.counter);
    j.value("aux", r.aux);
    j.endObject();
}

void writeBlast(JsonWriter& j, const Blast& b) {
    j.beginObject();
    j.value("x", b.x);
    j.value("y", b.y);
    j.value("growth", b.growth);
    j.value("size", b.size);
    j.value("maxSize", b.maxSize);
    j.value("stage", b.stage);
    j.value("colour", b.colour);
    j.endObject();
}

void writeShrapnel(JsonWriter& j, const Shrapnel& s) {
    j.beginObject();
    j.value("alive", s.alive);
    j.value("generations", s.generations);
    j.value("children", s.children);
    j.value("gravityScale", s.gravityScale);
    j.value("elasticity", s.elasticity);
    j.value("bounces", s.bounces);
    j.value("fuse", s.fuse);
    j.value("childFuse", s.childFuse);
    j.value("trail", s.trail);
    j.value("shape", s.shape);
    j.value("width", s.width);
    j.value("childWidth", s.childWidth);
    j.value("x", s.x);
    j.value("y", s.y);
    j.value("vx", s.vx);
    j.value("vy", s.vy);
    j.value("spreadX", s.spreadX);
    j.value("spreadY", s.spreadY);
    j.value("colour", s.colour);
    j.value("red", s.red);
    j.value("green", s.green);
    j.value("blue", s.blue);
    j.value("randomRed", s.randomRed);
    j.value("randomGreen", s.randomGreen);
    j.value("randomBlue", s.randomBlue);
    j.endObject();
}

void writePart(JsonWriter& j, const RocketPart& p) {
    j.beginObject();
    j.value("radius", p.radius);
    j.value("angle", p.angle);
    j.value("fuel", p.fuel);
    j.value("thrust", p.thrust);
    j.value("kind", p.kind);
    j.value("payloadKind", p.payloadKind);
    j.value("timer", p.timer);
    j.value("timerReload", p.timerReload);
    j.value("active", p.active);
    j.value("releaseVx", p.releaseVx);
    j.value("releaseVy", p.releaseVy);
    j.endObject();
}

void writeRocket(JsonWriter& j, const Rocket& r, int partCount) {
    j.beginObject();
    j.value("halfLength", r.halfLength);
    j.value("noseDy", r.noseDy);
    j.value("noseDx", r.noseDx);
    j.value("heading", r.heading);
    j.value("x", r.x);
    j.value("y", r.y);
    j.value("vx", r.vx);
    j.value("vy", r.vy);
    j.value("rocketPartCount", static_cast<int16_t>(partCount));
    j.beginArray("parts");
    for (int p = 1; p <= std::min(partCount, kMaxRocketParts); ++p) writePart(j, r.parts[p]);
    j.endArray();
    j.endObject();
}

void writeGauge(JsonWriter& j, const char* key, const Gauge& g) {
    j.beginObject(key);
    j.value("value", g.value);
    j.value("max", g.max);
    j.value("visible", g.visible);
    j.value("foreColor", g.foreColor);
    j.endObject();
}

}  // namespace

std::string dumpJson(const Game& game, const SoundLog& sounds, bool oneLine) {
    JsonWriter j(oneLine);
    j.beginObject();
    j.value("frame", game.frame);
    j.value("ended", game.ended);
    j.value("lastGuy", game.lastGuy);
    j.value("scrollStage", game.scrollStage);
    j.value("soundOn", game.soundOn);
    j.value("speedFactor", game.speedFactor);
    j.value("pi", game.pi);
    j.value("facingLeft", facingLeft);
    j.value("picbackLeft", game.picbackLeft);
    if (game.players != 1) {  // one-player dumps stay as they were
        j.value("players", game.players);
        j.beginArray("secondAmmo");
        for (int16_t v : game.secondAmmo) j.value(nullptr, v);
        j.endArray();
        if (game.versus != 0) {  // the first two-player game's dumps stay as they were too
            j.value("versus", game.versus);
            j.value("duel", game.duel);
        }
    }

    j.beginArray("guys");
    for (int i = 0; i <= kControlGuys; ++i) writeGuy(j, game.guyTable[i]);
    j.endArray();

    j.beginObject("controls");
    const std::pair<const char*, const ControlTable*> tables[] = {
        {"keyLeft", &game.keyLeft},     {"keyRight", &game.keyRight}, {"facing", &game.facing},
        {"keyUp", &game.keyUp},         {"keyDown", &game.keyDown},   {"clingLeft", &game.clingLeft},
        {"clingRight", &game.clingRight}, {"keyFire", &game.keyFire}, {"aimInc", &game.aimInc},
        {"aimDec", &game.aimDec},       {"spin", &game.spin},         {"hitCount", &game.hitCount},
        {"dropDone", &game.dropDone}};
    for (const auto& [name, table] : tables) {
        j.beginArray(name);
        for (int16_t v : *table) j.value(nullptr, v);
        j.endArray();
    }
    j.endObject();

    j.beginArray("rocks");
    for (int i = 1; i <= game.rockCount; ++i) writeRock(j, game.rockTable[i]);
    j.endArray();
    j.beginArray("blasts");
    for (int i = 1; i <= game.blastCount; ++i) writeBlast(j, game.blastTable[i]);
    j.endArray();
    j.beginArray("shrapnel");
    for (int i = 1; i <= game.shrapnelCount; ++i) writeShrapnel(j, game.shrapnelTable[i]);
    j.endArray();
    j.beginArray("rockets");
    for (int i = 1; i <= game.rocketCount; ++i) writeRocket(j, game.rocketTable[i], game.rocketPartCount[i]);
    j.endArray();

    j.beginObject("gauges");
    writeGauge(j, "life", game.life);
    j.beginArray("ammo");
    for (const Gauge& g : game.ammo) writeGauge(j, nullptr, g);
    j.endArray();
    j.endObject();

    j.beginObject("captions");
    j.value("ammolbl", game.ammolbl);
    j.value("Label1", game.Label1);
    j.value("xlbl", game.xlbl);
    j.value("ylbl", game.ylbl);
    j.endObject();

    j.beginObject("panels");
    j.value("Frame1", game.Frame1Visible);
    j.value("Frame2", game.Frame2Visible);
    j.value("Timer1", game.Timer1Enabled);
    j.value("option", game.selectedOption);
    j.endObject();

    j.beginArray("sounds");
    for (const auto& s : sounds.entries) {
        j.beginObject();
        j.value("frame", s.frame);
        j.value("file", s.file);
        j.endObject();
    }
    j.endArray();

    char hash[24];
    std::snprintf(hash, sizeof hash, "%016" PRIx64, game.picback.hash());
    j.value("surfaceHash", std::string(hash));
    j.endObject();
    return j.str();
}

}  // namespace vexlot

namespace vexlot {

uint64_t stateHash(const Game& game) {
    SoundLog none;
    const std::string text = dumpJson(game, none, true);
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace vexlot
