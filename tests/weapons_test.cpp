// Firing, the rock update and rock drawing, on small painted worlds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fixture.h"
#include "weapons/rock_kinds.h"
#include "weapons/weapons.h"

using namespace vexlot;
using vexlot::test::World;

namespace {

constexpr int32_t kGrey = 128 + 256 * 128 + 65536 * 128;

// The ammunition gauges as start-up leaves them: full, gauge 0 shown.
void fillGauges(Game& g) {
    for (int k = 0; k < kWeaponSlots; ++k)
        g.ammo[k] = Gauge{weaponTable[k].gaugeMax, weaponTable[k].gaugeMax, k == 0, weaponTable[k].gaugeColour,
                          2730, 30, 1905, 270};
}

Rock& put(Game& g, int16_t kind, float x, float y, float vx = 0, float vy = 0, int16_t counter = 0,
          int16_t aux = 0) {
    Rock& r = g.rockTable[addRock(g)];
    r = Rock{};
    r.kind = kind;
    r.x = x;
    r.y = y;
    r.vx = vx;
    r.vy = vy;
    r.counter = counter;
    r.aux = aux;
    return r;
}

int countKind(const Game& g, int kind) {
    int n = 0;
    for (int i = 1; i <= g.rockCount; ++i) n += g.rockTable[i].kind == kind;
    return n;
}

// A guy at (1000, 2000) holding `weapon`, arms straight out the way he faces.
void armGuy(Game& g, int i, int16_t weapon, int16_t facing) {
    Guy& guy = g.guyTable[i];
    guy.x = 1000;
    guy.y = 2000;
    guy.weapon = weapon;
    guy.armAngle1Upper = 90;
    guy.armAngle1Lower = 180;
    guy.armAngle2Upper = 90;
    guy.armAngle2Lower = 0;
    g.facing[i] = facing;
    if (i > g.lastGuy) g.lastGuy = static_cast<int16_t>(i);
}

// The centre of pixel p in world units, so that dots land on whole pixels.
float centre(int p) { return p * 15 + 7.5f; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Firing

TEST(Firing, ShellStartsAtTheMuzzleOfTheAimingArm) {
    struct Case { int16_t facing; int16_t upper, lower; float x, y, vx, vy; } cases[] = {
        {facingRight, 90, 0, 1110, 2100, 250, 0},
        {facingLeft, 90, 180, 810, 2100, -250, 0},
        {0, 90, 0, 1110, 2100, 250, 0},      // never turned: the right arm
        {facingRight, 90, 45, 1065, 2205, 175, 175},
        {facingRight, 90, 270, 960, 1950, 0, -250},  // cos 270 rounds to exactly 0
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        armGuy(g, 1, 2, c.facing);
        if (c.facing == facingLeft) g.guyTable[1].armAngle1Lower = c.lower;
        else g.guyTable[1].armAngle2Lower = c.lower;
        g.keyFire[1] = -1;
        weaponStep(g, 1);
        ASSERT_EQ(g.rockCount, 1);
        const Rock& r = g.rockTable[1];
        EXPECT_EQ(r.kind, 13);
        EXPECT_EQ(r.counter, 1);
        EXPECT_EQ(r.x, c.x) << c.lower;
        EXPECT_EQ(r.y, c.y) << c.lower;
        EXPECT_EQ(r.vx, c.vx) << c.lower;
        EXPECT_EQ(r.vy, c.vy) << c.lower;
        EXPECT_EQ(g.guyTable[1].weaponTimer, 20);
        EXPECT_EQ(w.soundCount("\\bang.wav"), 1);
    }
}

// The casing comes when the cool-down reads 15 at the start of a weapon step: the shot sets 20
// after that frame's count-down, so that is six frames after the shot.
TEST(Firing, ShotgunHeldFiresEvery21FramesAndDropsACasingSixFramesLater) {
    World w;
    Game& g = *w;
    armGuy(g, 1, 2, facingRight);
    g.guyTable[1].vx = 7;  // the shell ignores the guy's speed
    g.keyFire[1] = -1;
    std::vector<int> shells, casings;
    for (int frame = 0; frame < 50; ++frame) {
        const int before = g.rockCount;
        weaponStep(g, 1);
        for (int i = before + 1; i <= g.rockCount; ++i) {
            const Rock& r = g.rockTable[i];
            if (r.kind == 13) shells.push_back(frame);
            if (r.kind == 16) {
                casings.push_back(frame);
                EXPECT_EQ(r.counter, 35);
                EXPECT_EQ(r.x, 1060);
                EXPECT_EQ(r.y, 2100);
                EXPECT_EQ(r.vy, -25);
                EXPECT_GE(r.vx, -5);
                EXPECT_LT(r.vx, 5);
            }
        }
    }
    EXPECT_EQ(shells, (std::vector<int>{0, 21, 42}));
    EXPECT_EQ(casings, (std::vector<int>{6, 27, 48}));
    EXPECT_EQ(g.rockTable[1].vx, 250);
}

TEST(Firing, WeaponsSetTheirRateSpeedAndSound) {
    // Guy speed (7, -3); arm straight right: forearm (50, 0).
    struct Case { int16_t weapon; int16_t kind; int16_t timer; float vx, vy; const char* file; } cases[] = {
        {3, 14, 5, 157, 0, "\\flame.wav"},
        {4, 15, 15, 107, -3, "\\bunk.wav"},
        {5, 17, 15, 100, 0, "\\launch.wav"},
        {6, 19, 15, 107, -3, nullptr},
        {8, 22, 1, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        armGuy(g, 1, c.weapon, facingRight);
        g.guyTable[1].vx = 7;
        g.guyTable[1].vy = -3;
        g.keyFire[1] = -1;
        weaponStep(g, 1);
        ASSERT_EQ(g.rockCount, 1) << c.weapon;
        const Rock& r = g.rockTable[1];
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.x, 1110);
        EXPECT_EQ(r.y, 2100);
        EXPECT_EQ(r.vx, c.vx) << c.weapon;
        EXPECT_EQ(r.vy, c.vy) << c.weapon;
        EXPECT_EQ(g.guyTable[1].weaponTimer, c.timer);
        EXPECT_EQ(static_cast<int>(w.sounds.entries.size()), c.file ? 1 : 0);
        if (c.file) {
            EXPECT_EQ(w.soundCount(c.file), 1);
        }
    }
}

TEST(Firing, PopGunFiresAlongTheBarrelAndThrowsACasing) {
    struct Case { int16_t rounds; int16_t roundsAfter; int16_t timer; } cases[] = {{5, 4, 1}, {0, 0, 10}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        fillGauges(g);
        g.ammo[0].value = c.rounds;
        armGuy(g, 0, 1, facingRight);
        g.guyTable[0].vx = 7;
        g.keyFire[0] = -1;
        weaponStep(g, 0);
        EXPECT_EQ(g.ammo[0].value, c.roundsAfter);
        EXPECT_EQ(g.guyTable[0].weaponTimer, c.timer);
        EXPECT_EQ(g.guyTable[0].weapon, 1);  // the pop gun never falls back
        ASSERT_EQ(g.rockCount, 1);
        const Rock& r = g.rockTable[1];
        EXPECT_EQ(r.kind, 12);
        EXPECT_EQ(r.counter, 25);
        EXPECT_GE(r.x, 960);  // from the elbow (960, 2100) out to reach 3
        EXPECT_LT(r.x, 1110);
        EXPECT_EQ(r.y, 2100);
        EXPECT_EQ(r.vx, 257);
        EXPECT_EQ(r.vy, 0);
        ASSERT_EQ(g.shrapnelCount, 1);
        const Shrapnel& p = g.shrapnelTable[1];
        EXPECT_EQ(p.x, 1060);
        EXPECT_EQ(p.y, 2100);
        EXPECT_EQ(p.vy, -25);
        EXPECT_EQ(p.colour, -1);
        EXPECT_EQ(rgb(p.red, p.green, p.blue), rgb(200, 200, 1));
        EXPECT_EQ(p.width, 1);
        EXPECT_EQ(p.fuse, 25);
        EXPECT_EQ(w.soundCount("\\pop.wav"), 1);
    }
}

TEST(Firing, EmptyGaugeRefusesTheShotAndFallsBackToThePopGun) {
    for (int16_t weapon = 2; weapon <= 8; ++weapon) {
        World w;
        Game& g = *w;
        fillGauges(g);
        g.ammo[weapon - 1].value = 0;
        armGuy(g, 0, weapon, facingRight);
        g.keyFire[0] = -1;
        weaponStep(g, 0);
        EXPECT_EQ(g.rockCount, 0) << weapon;
        EXPECT_EQ(g.shrapnelCount, 0);
        EXPECT_EQ(g.guyTable[0].weapon, 1) << weapon;
        EXPECT_EQ(g.guyTable[0].weaponTimer, 0);
        EXPECT_TRUE(g.ammo[0].visible);
        EXPECT_EQ(g.ammolbl, "200");
        // Weapons 2..5 have already sounded the shot when the gauge is found empty.
        EXPECT_EQ(static_cast<int>(w.sounds.entries.size()), weapon <= 5 ? 1 : 0) << weapon;
    }
}

TEST(Firing, ComputerGuysNeverSpendOrRunOut) {
    World w;
    Game& g = *w;
    fillGauges(g);
    g.ammo[1].value = 0;
    armGuy(g, 1, 2, facingRight);
    g.keyFire[1] = -1;
    weaponStep(g, 1);
    EXPECT_EQ(g.rockCount, 1);
    EXPECT_EQ(g.guyTable[1].weapon, 2);
    EXPECT_EQ(g.ammo[1].value, 0);
}

TEST(Firing, MineLayerHeldTenFramesLaysFiveMines) {
    World w;
    Game& g = *w;
    fillGauges(g);
    armGuy(g, 0, 8, facingRight);
    g.keyFire[0] = -1;
    for (int frame = 0; frame < 10; ++frame) weaponStep(g, 0);
    EXPECT_EQ(countKind(g, 22), 5);
    EXPECT_EQ(g.ammo[7].value, 495);
    EXPECT_EQ(g.rockTable[1].payload, 2);
    EXPECT_EQ(g.rockTable[1].vy, 0);
}

TEST(Firing, LaserChargeReleasesABurstOfTenBolts) {
    World w;
    Game& g = *w;
    fillGauges(g);
    armGuy(g, 0, 7, facingRight);
    g.keyFire[0] = -1;
    weaponStep(g, 0);  // charge
    EXPECT_EQ(g.guyTable[0].weaponTimer, 1020);
    EXPECT_EQ(g.ammo[6].value, 49);
    EXPECT_EQ(g.rockCount, 0);

    g.keyFire[0] = 0;
    for (int frame = 1; frame <= 12; ++frame) weaponStep(g, 0);
    std::vector<int> aux;
    for (int i = 1; i <= g.rockCount; ++i) {
        EXPECT_EQ(g.rockTable[i].kind, 20);
        EXPECT_EQ(g.rockTable[i].counter, 50);
        EXPECT_EQ(g.rockTable[i].vx, 250);
        aux.push_back(g.rockTable[i].aux);
    }
    EXPECT_EQ(aux, (std::vector<int>{1020, 917, 814, 711, 608, 505, 402, 299, 196, 93}));
    EXPECT_EQ(g.guyTable[0].weaponTimer, -9);
    EXPECT_EQ(w.soundCount("\\laser.wav"), 10);

    g.keyFire[0] = -1;  // the next charge is short by what the burst overspent
    weaponStep(g, 0);
    EXPECT_EQ(g.guyTable[0].weaponTimer, 1011);
    EXPECT_EQ(g.ammo[6].value, 48);
}

TEST(Firing, OnlyExactFireKeyValuesFireOrRelease) {
    World w;
    Game& g = *w;
    armGuy(g, 1, 7, facingRight);
    g.keyFire[1] = 1;
    weaponStep(g, 1);
    EXPECT_EQ(g.guyTable[1].weaponTimer, 0);  // not charged
    g.guyTable[1].weaponTimer = 500;
    weaponStep(g, 1);
    EXPECT_EQ(g.rockCount, 0);  // not released
    EXPECT_EQ(g.guyTable[1].weaponTimer, 499);
}

// Numbers that are no weapon, and the empty hands: fire held, nothing is fired, spent or heard, and
// the cool-down still runs out (also past the shotgun's shell-drop time).
TEST(Firing, NoWeaponFiresNothingAndOnlyCoolsDown) {
    for (int16_t weapon : {0, -1, kWeaponSlots + 1, 300, int(Weapon::EmptyHand9), int(Weapon::EmptyHand10)}) {
        World w;
        Game& g = *w;
        fillGauges(g);
        armGuy(g, 0, weapon, facingRight);
        g.keyFire[0] = kHeld;
        g.guyTable[0].weaponTimer = 20;
        for (int frame = 0; frame < 30; ++frame) weaponStep(g, 0);
        EXPECT_EQ(g.rockCount, 0) << weapon;
        EXPECT_EQ(g.shrapnelCount, 0) << weapon;
        EXPECT_EQ(g.guyTable[0].weaponTimer, 0) << weapon;
        EXPECT_EQ(g.guyTable[0].weapon, weapon);
        EXPECT_TRUE(w.sounds.entries.empty()) << weapon;
        for (int k = 0; k < kWeaponSlots; ++k) EXPECT_EQ(g.ammo[k].value, weaponTable[k].gaugeMax) << weapon;
    }
}

// ---------------------------------------------------------------------------------------------
// The rock update

// Kinds 3 and 4 and numbers past the last kind have no row to move or show them: such a rock stays
// as it is, painted nowhere, and is not removed.
TEST(Rocks, ARockOfNoKindIsLeftAlone) {
    for (int16_t kind : {3, 4, kRockKinds, -1, 300}) {
        World w;
        Game& g = *w;
        const uint64_t blank = g.picback.hash();
        put(g, kind, 5000, 3000, 40, -30, 5, 20);
        for (int frame = 0; frame < 3; ++frame) rocks(g);
        ASSERT_EQ(g.rockCount, 1) << kind;
        const Rock& r = g.rockTable[1];
        EXPECT_EQ(r.kind, kind);
        EXPECT_EQ(r.x, 5000) << kind;
        EXPECT_EQ(r.vy, -30) << kind;
        EXPECT_EQ(r.counter, 5) << kind;
        EXPECT_EQ(g.picback.hash(), blank) << kind;
    }
}

TEST(Rocks, RemovalPassMovesTheLastRockInAndLooksAgain) {
    struct Case { std::vector<int> dead; std::vector<int> after; } cases[] = {
        {{3, 10}, {1, 2, 9, 4, 5, 6, 7, 8}},
        {{1, 9, 10}, {8, 2, 3, 4, 5, 6, 7}},
        {{}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        for (int i = 1; i <= 10; ++i) put(g, 3, 1000.0f * i, 1000).payload = static_cast<int16_t>(i);
        for (int i : c.dead) g.rockTable[i].kind = 0;
        rocks(g);
        std::vector<int> after;
        for (int i = 1; i <= g.rockCount; ++i) after.push_back(g.rockTable[i].payload);
        EXPECT_EQ(after, c.after);
    }
}

TEST(Rocks, FullTableAddsNothingAndTheGameGoesOn) {
    World w;
    Game& g = *w;
    for (int i = 1; i < kMaxRocks; ++i) put(g, 3, 5000, 3000);
    put(g, 13, 5000, 3000, 250, 0, 1);  // a shell that bursts into ten pellets
    ASSERT_EQ(g.rockCount, kMaxRocks);
    rocks(g);
    EXPECT_EQ(g.rockCount, kMaxRocks - 1);
    EXPECT_EQ(countKind(g, 12), 0);

    put(g, 3, 5000, 3000);
    armGuy(g, 1, 2, facingRight);
    g.keyFire[1] = -1;
    weaponStep(g, 1);
    EXPECT_EQ(g.rockCount, kMaxRocks);
    EXPECT_EQ(g.rockTable[kMaxRocks].kind, 3);
    EXPECT_EQ(g.guyTable[1].weaponTimer, 20);  // the shot still counts
}

TEST(Rocks, ShellFiredPointBlankIntoAWallBurstsIntoTenPellets) {
    World w;
    Game& g = *w;
    w.paint(80, 100, 100, 160, kGrey);  // wall from x 1200
    armGuy(g, 1, 2, facingRight);
    g.keyFire[1] = -1;
    weaponStep(g, 1);
    rocks(g);
    ASSERT_EQ(g.rockCount, 10);
    for (int i = 1; i <= 10; ++i) {
        const Rock& r = g.rockTable[i];
        EXPECT_EQ(r.kind, 12);
        EXPECT_EQ(r.counter, 25);
        EXPECT_EQ(r.x, 1110);
        EXPECT_EQ(r.y, 2100);
        EXPECT_GE(r.vx, 200);
        EXPECT_LT(r.vx, 300);
        EXPECT_GE(r.vy, -50);
        EXPECT_LT(r.vy, 50);
    }
}

TEST(Rocks, PelletHitBoxIsStrict) {
    // Guy offsets from the pellet's point after its move (5030, 3000); something solid lies ahead.
    struct Case { float dx, dy; bool hit; } cases[] = {
        {0, 0, true},    {149, 0, true},  {150, 0, false}, {-150, 0, false},
        {0, -49, true},  {0, -50, false}, {0, 349, true},  {0, 350, false},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(337, 200, 337, 200, kGrey);  // at (5060, 3000)
        g.guyTable[0].x = 5030 - c.dx;
        g.guyTable[0].y = 3000 - c.dy;
        put(g, 12, 5000, 3000, 30, 0, 25);
        rocks(g);
        EXPECT_EQ(g.hitCount[0], c.hit ? 1 : 0) << c.dx << "," << c.dy;
        EXPECT_EQ(g.rockCount, c.hit ? 0 : 1);
        EXPECT_EQ(g.shrapnelCount, c.hit ? 1 : 0);
    }
}

TEST(Rocks, OnePelletCanHitTwoGuysAndBleedsForEach) {
    World w;
    Game& g = *w;
    w.paint(337, 200, 337, 200, kGrey);
    g.lastGuy = 2;
    g.guyTable[0].x = 4900;
    g.guyTable[1].x = 5150;
    g.guyTable[2].x = 5300;  // 270 away: outside its box
    for (int k = 0; k <= 2; ++k) g.guyTable[k].y = 2900;
    put(g, 12, 5000, 3000, 30, 0, 25);
    rocks(g);
    EXPECT_EQ(g.hitCount[0], 1);
    EXPECT_EQ(g.hitCount[1], 1);
    EXPECT_EQ(g.hitCount[2], 0);
    EXPECT_EQ(g.rockCount, 0);
    ASSERT_EQ(g.shrapnelCount, 2);
    for (int k = 1; k <= 2; ++k) {
        const Shrapnel& p = g.shrapnelTable[k];
        EXPECT_EQ(p.x, 5030);
        EXPECT_EQ(p.width, 2);
        EXPECT_EQ(p.colour, -1);
        EXPECT_GE(p.red, 100);
        EXPECT_LE(p.red, 200);
        EXPECT_EQ(p.green, 0);
        EXPECT_EQ(p.vy, -25);
    }
}

TEST(Rocks, PelletInTerrainAwayFromGuysSlowsToAFifthAndFliesOn) {
    World w;
    Game& g = *w;
    w.paint(337, 200, 337, 200, kGrey);
    put(g, 12, 5000, 3000, 30, 0, 25);
    rocks(g);
    ASSERT_EQ(g.rockCount, 1);
    EXPECT_FLOAT_EQ(g.rockTable[1].vx, 6);
    EXPECT_EQ(g.rockTable[1].vy, 0);
    EXPECT_EQ(g.rockTable[1].counter, 24);
    for (int frame = 0; frame < 23; ++frame) rocks(g);
    EXPECT_EQ(g.rockCount, 1);
    rocks(g);
    EXPECT_EQ(g.rockCount, 0);  // its 25 frames are over
}

TEST(Rocks, BounceGrenadeBouncesOnGreyButNotOnYellow) {
    for (int32_t floor : {kGrey, kYellow}) {
        World w;
        Game& g = *w;
        w.paint(190, 135, 210, 150, floor);  // top at y 2025
        put(g, 15, 3000, 1995, 0, 20, 3);
        rocks(g);
        const Rock& r = g.rockTable[1];
        const bool bounced = floor == kGrey;
        EXPECT_EQ(r.vy, bounced ? -11 : 22);
        EXPECT_EQ(r.counter, bounced ? 2 : 3);
        EXPECT_EQ(w.soundCount("\\gbounce.wav"), bounced ? 1 : 0);
    }
}

TEST(Rocks, BounceGrenadeAndMissileBurstIntoFragmentsWhenContactsRunOut) {
    struct Case { int16_t kind; const char* file; } cases[] = {{15, "\\grenade.wav"}, {17, "\\misslex.wav"}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(337, 190, 340, 210, kGrey);  // wall from x 5055
        put(g, c.kind, 5000, 3000, 30, 0, 1);
        rocks(g);
        EXPECT_EQ(g.rockCount, 10);
        EXPECT_EQ(countKind(g, 5), 10);
        EXPECT_EQ(w.soundCount(c.file), 1);
    }
}

TEST(Rocks, GrenadeGoesOffWhenStoppedOrItsCountIsSpent) {
    // Free cases fly at y 6000; near cases have a wall three steps ahead.
    struct Case { int16_t kind; bool nearWall; float vx, vy; int16_t counter; bool off; int16_t counterAfter; } cases[] = {
        {9, false, 40, 0, 5, false, 6},
        {9, false, 40, 0, 150, false, 150},
        {9, true, 40, 0, 5, false, 4},
        {9, true, 40, 0, 1, true, 0},
        {9, false, 0.5f, -2, 5, true, 6},     // at the top of its flight: both speeds in [0, 1)
        {9, false, -0.5f, -2, 5, false, 6},   // Int(-0.5) is -1: still moving
        {10, true, 40, 0, 1, true, 0},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(340, 160, 400, 240, kGrey);  // from x 5100, y 2400..3600
        put(g, c.kind, 5000, c.nearWall ? 3000 : 6000, c.vx, c.vy, c.counter);
        rocks(g);
        if (!c.off) {
            ASSERT_EQ(g.rockCount, 1);
            EXPECT_EQ(g.rockTable[1].counter, c.counterAfter) << c.vx << " " << c.counter;
            continue;
        }
        const bool big = c.kind == 10;
        ASSERT_EQ(g.rockCount, 10) << c.vx << " " << c.counter;
        EXPECT_EQ(countKind(g, big ? 6 : 5), 10);
        EXPECT_EQ(w.soundCount(big ? "\\explosion.wav" : "\\grenade.wav"), 1);
        const float reach = big ? 500 : 250;
        for (int i = 1; i <= 10; ++i) {
            EXPECT_EQ(g.rockTable[i].counter, 50);
            EXPECT_LE(std::abs(g.rockTable[i].vx), reach);
            EXPECT_LE(std::abs(g.rockTable[i].vy), reach);
        }
    }
}

TEST(Rocks, FlameStopsOnTerrainButNotOnYellowAndLeavesASpark) {
    struct Case { int32_t ahead; bool lives; } cases[] = {{0, true}, {kYellow, true}, {kGrey, false}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(337, 200, 337, 200, c.ahead);  // at (5060, 3000)
        put(g, 14, 5000, 3000, 30, 0, 15).size = 8;
        rocks(g);
        EXPECT_EQ(countKind(g, 14), c.lives ? 1 : 0);
        ASSERT_EQ(countKind(g, 2), 1);
        const Rock& s = g.rockTable[g.rockCount];
        EXPECT_EQ(s.x, 5030);
        EXPECT_EQ(s.size, 5);
        EXPECT_EQ(s.counter, 15);
        EXPECT_EQ(s.aux, 4);
    }
}

TEST(Rocks, TimeBombBurstsInItsFiftiethUpdateIntoTenBomblets) {
    World w;
    Game& g = *w;
    put(g, 19, 5000, 2000, 0, 0, 10, 50);
    for (int frame = 1; frame < 50; ++frame) rocks(g);
    ASSERT_EQ(g.rockCount, 1);
    EXPECT_EQ(g.rockTable[1].aux, 1);
    rocks(g);
    EXPECT_EQ(g.rockCount, 10);  // the burst's ten dead records go in the same frame
    EXPECT_EQ(countKind(g, 7), 10);
    EXPECT_EQ(w.soundCount("\\ex2.wav"), 1);
}

TEST(Rocks, MineBurstsOnAWarmColourToItsLeft) {
    // The mine at rest in mid-air reads (4800, 3004) after its move.
    struct Case { int32_t colour; bool bursts; } cases[] = {
        {kYellow, true}, {rgb(255, 100, 0), true}, {rgb(0, 1, 0), true},
        {rgb(255, 0, 0), false}, {rgb(255, 255, 1), false}, {kGrey, false}, {0, false},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(320, 200, 320, 200, c.colour);
        put(g, 22, 5000, 3000).payload = 2;
        rocks(g);
        EXPECT_EQ(countKind(g, 22), c.bursts ? 0 : 1) << c.colour;
    }
}

TEST(Rocks, MinePayloadDecidesItsBurst) {
    struct Case { int16_t payload; const char* file; int16_t kind; int count; int16_t counter; float spread; } cases[] = {
        {2, "\\explosion.wav", 2, 10, 20, 250},
        {5, "\\exb.wav", 5, 20, 10, 50},
        {15, "\\tbounce.wav", 15, 20, 5, 100},
        {18, "\\exbb.wav", 18, 20, 10, 100},
        {7, nullptr, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(320, 200, 320, 200, kYellow);
        put(g, 22, 5000, 3000).payload = c.payload;
        rocks(g);
        ASSERT_EQ(g.rockCount, c.count) << c.payload;
        EXPECT_EQ(static_cast<int>(w.sounds.entries.size()), c.file ? 1 : 0);
        if (c.file) {
            EXPECT_EQ(w.soundCount(c.file), 1);
        }
        for (int i = 1; i <= g.rockCount; ++i) {
            const Rock& r = g.rockTable[i];
            EXPECT_EQ(r.kind, c.kind);
            EXPECT_EQ(r.counter, c.counter);
            EXPECT_LE(std::abs(r.x - 5000), c.spread);
            EXPECT_LE(std::abs(r.y - 3002), c.spread);
            if (c.kind == 2) {
                EXPECT_EQ(r.size, 20);
            }
        }
    }
}

TEST(Rocks, MineRestsHoveringAboveTheGround) {
    World w;
    Game& g = *w;
    w.paint(300, 250, 360, 300, kGrey);  // ground top at y 3750
    put(g, 22, 5000, 3000).payload = 2;
    for (int frame = 0; frame < 200; ++frame) rocks(g);
    ASSERT_EQ(g.rockCount, 1);
    const Rock& r = g.rockTable[1];
    EXPECT_NEAR(r.y, 3750 - 150, 30);
    const float y = r.y;
    rocks(g);
    EXPECT_EQ(g.rockTable[1].y, y);
}

TEST(Rocks, PickupRefillsUpToTheGaugeMaximum) {
    // Player at (5000, 3000); the pick-up's point after its first fall of 2.
    struct Case { int16_t payload, value, rounds; float dx, dy; bool taken; int16_t after; } cases[] = {
        {7, 30, 100, 0, 100, true, 50},
        {2, 10, 25, 0, 100, true, 35},
        {2, 50, 25, 0, 100, true, 50},
        {2, 10, 25, 49, 0, true, 35},
        {2, 10, 25, 50, 0, false, 10},
        {2, 10, 25, 0, -51, true, 35},
        {2, 10, 25, 0, -53, false, 10},
        {2, 10, 25, 0, 397, true, 35},
        {2, 10, 25, 0, 398, false, 10},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        fillGauges(g);
        g.ammo[c.payload - 1].value = c.value;
        g.guyTable[0].x = 5000;
        g.guyTable[0].y = 3000;
        Rock& r = put(g, 21, 5000 + c.dx, 3000 + c.dy, 0, 0, c.rounds);
        r.payload = c.payload;
        rocks(g);
        EXPECT_EQ(g.rockCount, c.taken ? 0 : 1) << c.dx << "," << c.dy;
        EXPECT_EQ(g.ammo[c.payload - 1].value, c.after);
        EXPECT_EQ(w.soundCount("\\getammo.wav"), c.taken ? 1 : 0);
    }
}

TEST(Rocks, PickupBouncesOffTheGround) {
    World w;
    Game& g = *w;
    w.paint(300, 205, 360, 260, kGrey);  // top at y 3075
    put(g, 21, 5000, 2950, 8, 20, 100).payload = 2;
    rocks(g);
    EXPECT_EQ(g.rockTable[1].vy, -21);  // -0.5 x 22, then 10 more up
    EXPECT_EQ(g.rockTable[1].vx, -4);
}

TEST(Rocks, SparkStaysTwoUpdatesThenJumpsUntilItsLifeIsOut) {
    World w;
    Game& g = *w;
    put(g, 2, 5000, 3000, 0, 0, 20, 20).size = 20;
    for (int update = 1; update <= 2; ++update) {
        rocks(g);
        EXPECT_EQ(g.rockTable[1].x, 5000);
        EXPECT_EQ(g.rockTable[1].y, 3000);
    }
    rocks(g);
    EXPECT_LT(g.rockTable[1].y, 3000);
    for (int update = 4; update <= 20; ++update) rocks(g);
    ASSERT_EQ(g.rockCount, 1);
    EXPECT_EQ(g.rockTable[1].counter, 0);
    rocks(g);
    EXPECT_EQ(g.rockCount, 0);
}

TEST(Rocks, FragmentsLeaveBlastsWhereTheyLand) {
    struct Case { int16_t kind; float maxSize, growth; } cases[] = {{5, 25, 5}, {18, 50, 10}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(330, 198, 336, 205, kGrey);  // top at y 2970
        put(g, c.kind, 5000, 2950, 0, 10);
        rocks(g);
        EXPECT_EQ(g.rockCount, 0);
        ASSERT_EQ(g.blastCount, 1);
        const Blast& b = g.blastTable[1];
        EXPECT_EQ(b.x, 5000);
        EXPECT_EQ(b.y, 2962);
        EXPECT_EQ(b.maxSize, c.maxSize);
        EXPECT_EQ(b.growth, c.growth);
        EXPECT_EQ(b.stage, 0);
        const int32_t colour = static_cast<int32_t>(b.colour);
        EXPECT_EQ(redOf(colour), 255);
        EXPECT_EQ(blueOf(colour), 0);
    }
}

TEST(Rocks, BombsBreakIntoSmallerOnesOnImpact) {
    // Bomblets give fragments, cluster bombs bomblets, firebrands a row of sparks.
    struct Case { int16_t kind, childKind; } cases[] = {{7, 5}, {8, 7}, {6, 2}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        w.paint(330, 198, 336, 205, kGrey);
        put(g, c.kind, 5000, 2950, 0, 10);
        rocks(g);
        ASSERT_EQ(g.rockCount, 10) << c.kind;
        EXPECT_EQ(countKind(g, c.childKind), 10);
        for (int i = 1; i <= 10; ++i) {
            if (c.childKind == 2) {
                EXPECT_EQ(g.rockTable[i].counter, 25);
                EXPECT_EQ(g.rockTable[i].y, 2962);
            } else {
                EXPECT_LE(g.rockTable[i].vy, 0);  // thrown upward
            }
        }
    }
}

TEST(Rocks, DirtBombThrowsPiecesInTheColourBelowThem) {
    const int32_t green = rgb(0, 99, 49);
    {
        World w;
        Game& g = *w;
        w.paint(300, 300, 360, 320, green);  // ground top at y 4500
        put(g, 11, 5000, 4400, 0, 50);
        rocks(g);
        EXPECT_EQ(g.rockCount, 0);
        ASSERT_EQ(g.shrapnelCount, 50);
        for (int k = 1; k <= 50; ++k) {
            const Shrapnel& p = g.shrapnelTable[k];
            EXPECT_EQ(p.colour, green);
            EXPECT_EQ(p.x, 5000 - 100 + 2 * k);
            EXPECT_EQ(p.elasticity, 0);
            EXPECT_EQ(p.trail, 1);
            EXPECT_EQ(p.shape, 2);
            EXPECT_GE(p.fuse, 25);
            EXPECT_LE(p.fuse, 125);
        }
    }
    {
        // Nothing below the pieces: the search ends past the bottom of the world.
        World w;
        Game& g = *w;
        w.paint(337, 533, 337, 533, kGrey);  // ahead of the bomb, right of every piece
        put(g, 11, 5000, 8000, 30, 0);
        rocks(g);
        ASSERT_EQ(g.shrapnelCount, 50);
        for (int k = 1; k <= 50; ++k) {
            EXPECT_EQ(g.shrapnelTable[k].colour, -1);
            EXPECT_GE(g.shrapnelTable[k].y, kWorldHeightUnits);
        }
    }
}

TEST(Rocks, EmberComesToRestAndBurnsForever) {
    World w;
    Game& g = *w;
    w.paint(300, 220, 360, 260, kGrey);  // ground top at y 3300
    Rock& e = put(g, 1, 5000, 2000, 0, 0, 1000, 100);
    e.size = 6;
    for (int frame = 0; frame < 200; ++frame) rocks(g);
    ASSERT_EQ(g.rockTable[1].kind, 1);
    const float y = g.rockTable[1].y;
    EXPECT_GT(y, 3300 - 63 - 20);
    EXPECT_LT(y, 3300 - 63);
    const int before = g.rockCount;
    rocks(g);
    EXPECT_EQ(g.rockTable[1].y, y);
    EXPECT_EQ(g.rockCount, before);  // one spark born, one spark gone each frame
    const Rock& s = g.rockTable[g.rockCount];
    EXPECT_EQ(s.kind, 2);
    EXPECT_EQ(s.size, 6);
}

// ---------------------------------------------------------------------------------------------
// Drawing

TEST(RockDraw, ColoursAreTheGameRules) {
    // Rock at the centre of pixel (300, 200); the colour is read `dx` pixels to the right.
    struct Case { int16_t kind, aux, payload, counter; int16_t playerFacing; int dx; int32_t colour; } cases[] = {
        {20, 400, 0, 50, 0, 0, rgb(255, 100, 0)},
        {20, -400, 0, 50, 0, 0, rgb(255, 100, 0)},
        {20, 93, 0, 50, 0, 0, rgb(93, 23, 0)},
        {19, 9, 0, 10, 0, 1, rgb(102, 51, 0)},
        {19, 49, 0, 10, 0, 1, rgb(20, 10, 0)},
        {19, 9, 0, 10, 0, 0, rgb(255, 0, 0)},
        {21, 0, 2, 100, 0, 1, rgb(128, 64, 0)},
        {21, 0, 2, 100, 0, 0, rgb(192, 96, 0)},
        {21, 0, 1, 100, 0, 0, rgb(0, 0, 32)},  // 1.5 x RGB(0,0,192) keeps its low 24 bits
        {2, 0, 0, 0, 0, 0, kYellow},
        {2, 0, 0, 0, 0, 1, 0},                 // a spark with no life left is one pixel
        {2, 0, 0, 2, 0, 1, kYellow},
        {16, 0, 0, 10, facingLeft, 0, rgb(200, 200, 0)},
        {16, 0, 0, 10, facingLeft, -2, rgb(100, 100, 0)},  // 50 units is 3 pixels, the last left out
        {16, 0, 0, 10, facingLeft, 2, 0},
        {16, 0, 0, 10, facingRight, 2, rgb(100, 100, 0)},
        {16, 0, 0, 10, facingRight, -2, 0},
        {15, 0, 0, 3, 0, 0, rgb(0, 127, 255)},
        {5, 0, 0, 0, 0, 0, rgb(255, 127, 0)},
        {18, 0, 0, 0, 0, 0, rgb(255, 0, 0)},
        {12, 0, 0, 0, 0, 0, rgb(200, 200, 200)},
    };
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        fillGauges(g);
        g.facing[0] = c.playerFacing;
        Rock& r = put(g, c.kind, centre(300), centre(200), 0, 0, c.counter, c.aux);
        r.payload = c.payload;
        drawrock(g, 1);
        EXPECT_EQ(w.at(centre(300 + c.dx), centre(200)), c.colour) << c.kind << " aux " << c.aux << " dx " << c.dx;
    }
}

TEST(RockDraw, MineShowsItsPayloadLetter) {
    struct Case { int16_t payload; int32_t letter; } cases[] = {
        {2, rgb(0, 200, 200)}, {5, rgb(255, 127, 0)}, {15, rgb(0, 127, 255)}, {18, rgb(255, 127, 0)}, {7, -1}};
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        put(g, 22, centre(300), centre(200)).payload = c.payload;
        drawrock(g, 1);
        int box = 0, letter = 0;
        for (int py = 190; py <= 210; ++py)
            for (int px = 290; px <= 310; ++px) {
                const int32_t p = w.at(centre(px), centre(py));
                box += p == rgb(100, 100, 127);
                letter += p == c.letter;
            }
        // The box covers 7 x 15 pixels; the letter lies inside it.
        EXPECT_EQ(box + (c.letter == -1 ? 0 : letter), 7 * 15) << c.payload;
        if (c.letter != -1) {
            EXPECT_GT(letter, 0) << c.payload;
        }
    }
}

// Every kind code and a few numbers that are none: a kind whose row has strokes paints something,
// one without paints nothing, and erasing leaves the world as it was, in several states of the rock
// and both ways the player may face.
TEST(RockDraw, EraseCoversWhatDrawingPainted) {
    World w;
    Game& g = *w;
    fillGauges(g);
    const uint64_t blank = g.picback.hash();
    // payload 3 is a weapon for pick-ups and no burst for mines; 18 bursts and is no weapon, nor is 0.
    struct State { int16_t counter, aux, payload; } states[] = {{5, 20, 3}, {0, 1, 18}, {30, -400, 0}};
    for (int kind = -1; kind <= kRockKinds; ++kind) {
        const RockKindInfo* row = rockKindRow(kind);
        for (const State& st : states) {
            // A pick-up of no weapon is not shown.
            const bool shown = row && row->look[0].shape != Shape::None &&
                               !(kind == RockKind::AmmoPickup && !weaponRow(st.payload));
            for (int16_t facing : {facingLeft, facingRight}) {
                g.facing[0] = facing;
                Rock& r = put(g, static_cast<int16_t>(kind), 5000, 3000, 40, -30, st.counter, st.aux);
                r.payload = st.payload;
                drawrock(g, g.rockCount);
                EXPECT_EQ(g.picback.hash() != blank, shown) << "kind " << kind << " payload " << st.payload;
                eraserock(g, g.rockCount);
                EXPECT_EQ(g.picback.hash(), blank) << "kind " << kind << " counter " << st.counter;
            }
        }
    }
}
