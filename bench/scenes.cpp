#include "scenes.h"
#include "game/play.h"

#include <algorithm>
#include <iterator>

#include "core/rng.h"
#include "effects/effects.h"

namespace vexlot::bench {

namespace {

using T = InputEvent::Type;
constexpr int kWeaponFrames = kFightFrames / 8;  // each of weapons 1..8 in turn
constexpr int kLaser = 7;
// Where a click puts the player back (world units, in the air above the ground right of the house).
constexpr float kWalkX = 4000, kWalkY = 6000;   // weapons fired walking
constexpr float kStandX = 2500, kStandY = 6000;  // weapons fired standing

// Frames of raising the aim (10 degrees each) for a weapon fired standing; 0 for one fired walking.
// Flames leave yellow sparks, which are deadly, and bombs burst into fire: walking into either
// bleeds the player to death, so these are fired standing, up and over its own head. The places and
// angles are ones with which the player lives through the whole minute, so it fires all along.
int standingAim(int weapon) {
    switch (weapon) {
        case 3: return 6;                  // flamethrower, 60 degrees up
        case 4: case 5: case 6: return 5;  // grenades, missiles, time bombs, 50 degrees up
        default: return 0;
    }
}

// Walking, jumping and aiming in frame t of a weapon's turn.
void walkJumpAim(int weapon, int t, std::vector<InputEvent>& out) {
    // A click puts the player back near the start every 90 frames, so drifting never carries it
    // off the first screen into the fire pit.
    const int raise = standingAim(weapon);
    if (t % 90 == 0) {
        out.push_back({T::WorldClick, 0, raise ? kStandX : kWalkX, raise ? kStandY : kWalkY});
        out.push_back({T::KeyDown, VirtualKey::Slash});  // aim straight ahead
    }
    if (raise) {
        // A tap of Right turns it to face the level.
        if (t == 0) {
            out.push_back({T::KeyUp, VirtualKey::Left});
            out.push_back({T::KeyDown, VirtualKey::Right});
        }
        if (t == 1) out.push_back({T::KeyUp, VirtualKey::Right});
        if (t % 90 == 1) out.push_back({T::KeyDown, VirtualKey::Comma});
        if (t % 90 == 1 + raise) out.push_back({T::KeyUp, VirtualKey::Comma});
        return;
    }
    // 45 frames right and 45 left with a jump a second; the aim rises 30 degrees, then falls 20.
    if (t % 90 == 0) {
        out.push_back({T::KeyUp, VirtualKey::Left});
        out.push_back({T::KeyDown, VirtualKey::Right});
    }
    if (t % 90 == 45) {
        out.push_back({T::KeyUp, VirtualKey::Right});
        out.push_back({T::KeyDown, VirtualKey::Left});
    }
    if (t % 60 == 30) out.push_back({T::KeyDown, VirtualKey::Up});
    if (t % 60 == 36) out.push_back({T::KeyUp, VirtualKey::Up});
    if (t % 90 == 5) out.push_back({T::KeyDown, VirtualKey::Comma});
    if (t % 90 == 8) out.push_back({T::KeyUp, VirtualKey::Comma});
    if (t % 90 == 50) out.push_back({T::KeyDown, VirtualKey::Period});
    if (t % 90 == 52) out.push_back({T::KeyUp, VirtualKey::Period});
}

// The fire key in frame t of a weapon's turn: held from frame 10, once the aim is set.
void fireKey(int weapon, int t, std::vector<InputEvent>& out) {
    if (weapon == kLaser) {
        // Charge for 60 frames, release for 30: a burst of bolts every one and a half seconds.
        if (t % 90 == 0) out.push_back({T::KeyDown, VirtualKey::Alt});
        if (t % 90 == 60) out.push_back({T::KeyUp, VirtualKey::Alt});
        return;
    }
    if (t == 10) out.push_back({T::KeyDown, VirtualKey::Alt});
    if (t == kWeaponFrames - 1) out.push_back({T::KeyUp, VirtualKey::Alt});
}

// Deterministic numbers for the scene's objects, apart from the game's own sequence.
struct Draw {
    Rng rng;
    explicit Draw(uint32_t salt) { rng.seed(0xBE7C4 + salt); }
    float operator()(float lo, float hi) { return lo + (hi - lo) * rng.next(); }
    int pick(int n) { return std::min(n - 1, static_cast<int>(rng.next() * n)); }
};

// The visible part of the world at start-up, in world units.
constexpr float kViewLeft = 300, kViewRight = 11700, kSkyTop = 600, kGroundTop = 6500;

// A live rock of one of the kinds fighting makes, with the fields its kind reads.
void fillRock(Rock& r, Draw& d) {
    using namespace RockKind;
    static constexpr int16_t kinds[] = {Spark,   Spark,     Spark,  Fragment,   Fragment,   Firebrand, Bomblet,
                                        ClusterBomb, Grenade, BigGrenade, DirtBomb, Pellet, Pellet, Pellet,
                                        Shell,   Flame,     BounceGrenade, Casing, Missile, HeavyFragment,
                                        TimeBomb, LaserBolt, LaserBolt, AmmoPickup, Mine,   Mine};
    r = Rock{};
    r.kind = kinds[d.pick(static_cast<int>(std::size(kinds)))];
    r.x = d(kViewLeft, kViewRight);
    r.y = d(kSkyTop, kGroundTop);
    r.vx = d(-60, 60);
    r.vy = d(-60, 30);
    switch (r.kind) {
        case RockKind::Spark:  // spark: sits, then jumps about; its dot is counter + 1 pixels across
            r.size = r.counter = r.aux = static_cast<int16_t>(d(4, 21));
            r.vx = r.vy = 0;
            break;
        case RockKind::Grenade: case RockKind::BigGrenade: r.counter = static_cast<int16_t>(d(20, 150)); break;
        case RockKind::Pellet: r.counter = 25; break;
        case RockKind::Shell: r.counter = 1; break;
        case RockKind::Flame: r.size = 8; r.counter = 15; r.aux = 5; break;
        case RockKind::BounceGrenade: r.counter = 3; break;
        case RockKind::Casing: r.counter = 35; break;
        case RockKind::Missile: r.counter = 1; break;
        case RockKind::TimeBomb: r.counter = 10; r.aux = static_cast<int16_t>(d(10, 50)); break;
        case RockKind::LaserBolt: r.counter = 50; r.aux = static_cast<int16_t>(d(100, 1020)); break;
        case RockKind::AmmoPickup: r.payload = static_cast<int16_t>(1 + d.pick(8)); r.counter = 25; break;
        case RockKind::Mine: {
            static constexpr int16_t payloads[] = {MinePayload::Sparks, MinePayload::Fragments,
                                                    MinePayload::BounceGrenade, MinePayload::HeavyFragments};
            r.payload = payloads[d.pick(4)];
            r.counter = 10;
            r.vx = r.vy = 0;
            break;
        }
        default: break;  // fragments, firebrands, bombs: position and speed are all they read
    }
}

// A live particle: drops, dirt, bouncing streaks and flares that burst into children.
void fillShrapnel(Shrapnel& p, Draw& d) {
    p = Shrapnel{};
    p.alive = 1;
    p.gravityScale = 1;
    p.bounces = -1;
    p.x = d(kViewLeft, kViewRight);
    p.y = d(kSkyTop, kGroundTop);
    p.vx = d(-50, 50);
    p.vy = d(-60, 10);
    p.fuse = static_cast<int16_t>(d(20, 120));
    p.childFuse = 25;
    p.spreadX = 500;
    p.spreadY = -1;
    p.colour = -1;
    p.red = static_cast<int16_t>(d(100, 255));
    p.green = static_cast<int16_t>(d(0, 200));
    p.blue = static_cast<int16_t>(d(0, 100));
    switch (d.pick(4)) {
        case 0:  // blood or a casing: a small dot that splashes
            p.elasticity = -0.2f;
            p.width = 2;
            break;
        case 1:  // dirt: a filled box streak that sticks
            p.elasticity = 0;
            p.trail = 1;
            p.shape = 2;
            p.width = 1;
            break;
        case 2:  // a bouncing line streak
            p.elasticity = -0.5f;
            p.bounces = 3;
            p.trail = 3;
            p.width = 2;
            break;
        default:  // a flare that bursts into five streaks
            p.elasticity = 1.0f;
            p.generations = 1;
            p.children = 5;
            p.trail = 5;
            p.width = 3;
            p.childWidth = 1;
            p.randomBlue = 1;
            break;
    }
}

// A blast somewhere on or above the ground, at any stage of its growth.
void fillBlast(Game& game, Draw& d) {
    const bool heavy = d.pick(2) == 1;
    const int i = newBlast(game, d(kViewLeft, kViewRight), d(3000, 7000), heavy ? 50.0f : 25.0f,
                           heavy ? 10.0f : 5.0f, rgb(255, static_cast<int>(d(0, 255)), 0));
    Blast& b = game.blastTable[i];
    b.size = d(0, b.maxSize - b.growth);
    b.stage = static_cast<int16_t>(d.pick(2));
}

// The first solid point below y in column x, or y when there is none above the bottom.
float groundBelow(const Game& game, float x, float y) {
    for (float probe = y; probe < kWorldHeightUnits; probe += 15)
        if (game.picback.point(x, probe) != game.picback.backColor) return probe;
    return y;
}

}  // namespace

std::unique_ptr<Game> startedGame(uint64_t seed) {
    auto game = std::make_unique<Game>();
    startup(*game, seed);
    return game;
}

std::vector<InputEvent> fightInput(int frame) {
    std::vector<InputEvent> out;
    const int t = (frame - 1) % kWeaponFrames;
    const int weapon = (frame - 1) / kWeaponFrames + 1;
    if (t == 0) out.push_back({T::Char, 48 + weapon});
    walkJumpAim(weapon, t, out);
    fireKey(weapon, t, out);
    return out;
}

std::unique_ptr<Game> stressGame() {
    auto game = startedGame();
    for (int f = 0; f < 60; ++f) runFrame(*game, {});  // the rocket is up and flying
    Game& g = *game;
    // Guys stand 360 units above the ground under them (the feet probe reaches 350 down).
    for (int n = 0; n <= kControlGuys; ++n) {
        const float x = 1000.0f + 900.0f * n;
        const float y = groundBelow(g, x, 4000) - 360;
        if (n == 0) {
            g.guyTable[0].x = x;
            g.guyTable[0].y = y;
        } else {
            setUpComputerGuy(g, n, x, y, static_cast<int16_t>(1 + (n - 1) % 8));
        }
    }
    g.lastGuy = kControlGuys;
    refillTables(g, 0);
    return game;
}

void refillTables(Game& game, uint32_t salt) {
    Draw d(salt);
    while (game.rockCount < kMaxRocks) fillRock(game.rockTable[addRock(game)], d);
    while (game.shrapnelCount < kMaxShrapnel) fillShrapnel(game.shrapnelTable[addShrapnel(game)], d);
    while (game.blastCount < kMaxBlasts) fillBlast(game, d);
}

}  // namespace vexlot::bench
