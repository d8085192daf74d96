// Rockets, blasts and shrapnel on small painted worlds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effects.h"
#include "fixture.h"

using namespace vexlot;
using vexlot::test::World;

namespace {

constexpr int32_t kWhite = 255 + 256 * 255 + 65536 * 255;
constexpr int32_t kBlack = 0;

// Length of the run of `colour` through pixel (px, py) along its row; 0 if that pixel is another colour.
int runWidth(const Surface& s, int px, int py, int32_t colour) {
    if (s.pixelAt(px, py) != colour) return 0;
    int a = px, b = px;
    while (a > 0 && s.pixelAt(a - 1, py) == colour) --a;
    while (b < s.widthPx() - 1 && s.pixelAt(b + 1, py) == colour) ++b;
    return b - a + 1;
}

// Row width of a dot of this diameter painted by the surface at a pixel corner, as the oracle.
int dotWidth(int diameter) {
    Surface s;
    s.create(80, 80, 0, {}, 0, 0);
    s.drawWidth = static_cast<int16_t>(diameter);
    s.pset(40 * 15, 40 * 15, 1);
    return runWidth(s, 40, 40, 1);
}

uint64_t emptyWorldHash() {
    static const uint64_t hash = World().game->picback.hash();
    return hash;
}

// A rocket with no parts, upright, at (x, y).
Rocket& bareRocket(Game& g, double x, double y) {
    g.rocketCount = 1;
    g.rocketPartCount[1] = 0;
    Rocket& r = g.rocketTable[1];
    r = Rocket{};
    r.halfLength = 100;
    r.heading = 270;
    r.x = x;
    r.y = y;
    return r;
}

// A particle that floats in place and never bursts, at a pixel centre.
Shrapnel& floater(Game& g, int i, int px, int py) {
    Shrapnel& p = g.shrapnelTable[i];
    p = Shrapnel{};
    p.alive = 1;
    p.elasticity = 1;
    p.bounces = -1;
    p.fuse = -1;
    p.width = 1;
    p.x = px * 15 + 7.5f;
    p.y = py * 15 + 7.5f;
    p.colour = -1;
    p.red = p.green = p.blue = 90;
    if (g.shrapnelCount < i) g.shrapnelCount = static_cast<int16_t>(i);
    return p;
}

float speedOf(float vx, float vy) { return std::hypot(vx, vy); }

}  // namespace

// ---- Blasts ----

TEST(EffectsBlast, FireDiscGrowsThenCraterDiscThenFullCrater) {
    World w;
    Game& g = *w;
    const int32_t fire = rgb(255, 90, 0);
    w.paint(150, 150, 250, 250, kWhite);
    newBlast(g, 200 * 15, 200 * 15, 25, 5, fire);
    struct Frame { int32_t colour; int diameter; } frames[] = {
        {fire, 6}, {fire, 11}, {fire, 16}, {fire, 21}, {kBlack, 1}, {kBlack, 6}, {kBlack, 11}, {kBlack, 16}, {kBlack, 21}};
    int n = 0;
    for (const Frame& f : frames) {
        ++n;
        blastPhase(g);
        EXPECT_EQ(runWidth(g.picback, 200, 200, f.colour), dotWidth(f.diameter)) << "frame " << n;
        EXPECT_EQ(g.blastCount, 1) << "frame " << n;
    }
    blastPhase(g);  // frame 10: finished, and as the last blast it stamps its full-size crater
    EXPECT_EQ(g.blastCount, 0);
    EXPECT_EQ(runWidth(g.picback, 200, 200, kBlack), dotWidth(25));
    EXPECT_EQ(w.at(200 * 15 + 16 * 15, 200 * 15), kWhite);
}

TEST(EffectsBlast, ZeroMaxSizeLeavesOnlyAOnePixelCrater) {
    World w;
    Game& g = *w;
    w.paint(150, 150, 250, 250, kWhite);
    newBlast(g, 200 * 15 + 7, 200 * 15 + 7, 0, 0, rgb(255, 200, 0));
    blastPhase(g);
    EXPECT_EQ(g.blastCount, 1);
    EXPECT_EQ(runWidth(g.picback, 200, 200, kBlack), 1);
    EXPECT_EQ(runWidth(g.picback, 201, 200, kWhite), 50);  // no fire pixel anywhere near
    EXPECT_EQ(runWidth(g.picback, 200, 201, kWhite), 101);
    blastPhase(g);
    EXPECT_EQ(g.blastCount, 0);
    EXPECT_EQ(runWidth(g.picback, 200, 200, kBlack), 1);
}

TEST(EffectsBlast, FireColourIsRoundedTiesToEvenAndKeepsLow24Bits) {
    struct Case { double colour; int32_t painted; } cases[] = {
        {100.5, 100}, {101.5, 102}, {65535.0, rgb(255, 255, 0)}, {16777216.0 + 300.0, 300}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        newBlast(g, 3000, 3000, 25, 5, c.colour);
        blastPhase(g);
        EXPECT_EQ(w.at(3000, 3000), c.painted) << c.colour;
    }
}

TEST(EffectsBlast, FinishedBlastTakesTheLastWhichAdvancesExactlyOnce) {
    World w;
    Game& g = *w;
    Blast& first = g.blastTable[newBlast(g, 1500, 1500, 25, 5, rgb(255, 0, 0))];
    first.stage = 1;
    first.size = 20;  // its crater stage ends this frame
    newBlast(g, 4500, 1500, 25, 5, rgb(255, 1, 0));
    newBlast(g, 7500, 1500, 40, 4, rgb(255, 2, 0));
    blastPhase(g);
    ASSERT_EQ(g.blastCount, 2);
    EXPECT_EQ(g.blastTable[1].x, 7500);
    EXPECT_EQ(g.blastTable[1].size, 4);
    EXPECT_EQ(g.blastTable[1].stage, 0);
    EXPECT_EQ(g.blastTable[2].x, 4500);
    EXPECT_EQ(g.blastTable[2].size, 5);
}

// A finishing blast at index >= count - 1 paints the last blast's full crater at the last blast's centre.
TEST(EffectsBlast, FinalCraterDotGoesToTheLastBlastOnlyNearTheEnd) {
    struct Case { int blasts; bool crater; } cases[] = {{2, true}, {3, false}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        w.paint(0, 50, 700, 150, kWhite);
        Blast& first = g.blastTable[newBlast(g, 100 * 15, 100 * 15, 25, 5, rgb(255, 0, 0))];
        first.stage = 1;
        first.size = 20;
        const double lastX = (c.blasts == 2 ? 300 : 500) * 15;
        newBlast(g, 300 * 15, 100 * 15, 40, 4, rgb(255, 1, 0));
        if (c.blasts == 3) newBlast(g, 500 * 15, 100 * 15, 40, 4, rgb(255, 2, 0));
        blastPhase(g);
        const int32_t expected = c.crater ? kBlack : kWhite;
        EXPECT_EQ(w.at(static_cast<float>(lastX + 15 * 15), 100 * 15), expected) << c.blasts;
        EXPECT_EQ(w.at(static_cast<float>(lastX - 15 * 15), 100 * 15), expected) << c.blasts;
    }
}

TEST(EffectsBlast, FullTableAddsNothing) {
    World w;
    Game& g = *w;
    for (int k = 1; k <= kMaxBlasts; ++k) ASSERT_EQ(newBlast(g, 100.0 * k, 3000, 25, 5, rgb(255, 0, 0)), k);
    EXPECT_EQ(newBlast(g, 5, 5, 25, 5, rgb(255, 0, 0)), 0);
    EXPECT_EQ(g.blastCount, kMaxBlasts);
    for (int f = 0; f < 10; ++f) blastPhase(g);
    EXPECT_EQ(g.blastCount, 0);
}

// ---- Rocket ----

// The start-up rocket over a flat floor, with the blast phase after it as in the frame.
TEST(EffectsRocket, StartupRocketClimbsDropsItsBombsAndLandsUnderItsParachute) {
    World w;
    Game& g = *w;
    w.paint(0, 449, 2399, 599, rgb(0, 99, 49));
    setUpStartupRocket(g);
    const Rocket& r = g.rocketTable[1];
    const double startY = r.y;
    int burnOut[3] = {0, 0, 0}, chuteOpen = 0;
    std::vector<std::pair<int, int16_t>> releases;  // frame, rock kind
    double highest = startY;
    for (int frame = 1; frame <= 900; ++frame) {
        int16_t rocks = g.rockCount;
        rocketPhase(g);
        blastPhase(g);
        ASSERT_EQ(g.rocketCount, 1) << "crashed in frame " << frame;
        for (int e = 1; e <= 2; ++e)
            if (!burnOut[e] && g.rocketTable[1].parts[e].active == 0) burnOut[e] = frame;
        if (g.rockCount != rocks) releases.push_back({frame, g.rockTable[g.rockCount].kind});
        if (!chuteOpen && g.rocketTable[1].parts[5].active == 1) chuteOpen = frame;
        if (frame <= 50) {
            EXPECT_NEAR(r.vy, -2.0 * frame, 1e-6) << frame;  // 4 up from the engines, 2 down from gravity
            EXPECT_EQ(r.heading, 270) << frame;              // the two engines' turns cancel
        }
        highest = std::min(highest, r.y);
    }
    EXPECT_EQ(burnOut[1], 51);
    EXPECT_EQ(burnOut[2], 51);
    EXPECT_EQ(chuteOpen, 101);
    const std::vector<std::pair<int, int16_t>> expected = {{73, 11}, {101, 5}, {121, 9}};
    EXPECT_EQ(releases, expected);
    EXPECT_LT(highest, startY - 4000);
    // Landed softly and at rest: every frame the floor stops it and gravity adds 2 again.
    EXPECT_EQ(r.vx, 0);
    EXPECT_EQ(r.vy, 2);
    const double restY = r.y;
    rocketPhase(g);
    EXPECT_EQ(r.y, restY);
    EXPECT_GT(r.y + r.halfLength, 449 * 15 - 30);
}

TEST(EffectsRocket, PodReleasesItsRockWithItsOwnVelocity) {
    World w;
    Game& g = *w;
    Rocket& r = bareRocket(g, 6000, 3000);
    r.vx = 40;  // the rocket's own motion does not carry over to the rock
    g.rocketPartCount[1] = 1;
    r.parts[1] = RocketPart{250, 30, 0, 0, 5, 11, 0, 0, 0, -80, 50};
    g.rockTable[1].aux = 77;  // a used slot: the new rock starts clean
    rocketPhase(g);
    ASSERT_EQ(g.rockCount, 1);
    const Rock& rock = g.rockTable[1];
    EXPECT_EQ(rock.kind, 11);
    EXPECT_NEAR(rock.x, 6000 + 250 * std::cos(30 * 3.141593 / 180), 1e-2);
    EXPECT_NEAR(rock.y, 3000 + 250 * std::sin(30 * 3.141593 / 180), 1e-2);
    EXPECT_EQ(rock.vx, -80);
    EXPECT_EQ(rock.vy, 50);
    EXPECT_EQ(rock.counter, 150);
    EXPECT_EQ(rock.aux, 0);
    EXPECT_EQ(r.parts[1].kind, 0);  // leaves the part list next frame
    EXPECT_EQ(g.rocketPartCount[1], 1);
    rocketPhase(g);
    EXPECT_EQ(g.rocketPartCount[1], 0);
}

TEST(EffectsRocket, RemovedPartIsReplacedByTheLastWhichIsTreatedOnce) {
    struct Case { std::vector<int> removed; int16_t count; int16_t slot3Timer; } cases[] = {
        {{3}, 5, 59},      // part 6 (timer 60) moves into slot 3
        {{3, 6}, 4, 49}};  // part 6 is removed too, then part 5 (timer 50) moves in
    for (const Case& c : cases) {
        World w;
        Game& g = *w;
        Rocket& r = bareRocket(g, 6000, 3000);
        g.rocketPartCount[1] = 6;
        for (int j = 1; j <= 6; ++j) r.parts[j] = RocketPart{100, 0, 0, 0, 5, 10, int16_t(10 * j), 0, 0, 0, 0};
        for (int j : c.removed) r.parts[j].kind = 0;
        rocketPhase(g);
        EXPECT_EQ(g.rocketPartCount[1], c.count);
        EXPECT_EQ(r.parts[3].kind, 5);
        EXPECT_EQ(r.parts[3].timer, c.slot3Timer);
        EXPECT_EQ(r.parts[4].timer, 39);
        EXPECT_EQ(g.rockCount, 0);
    }
}

TEST(EffectsRocket, TouchdownCrashesWhenFastOrOnFireColours) {
    struct Case { double vx, vy; int32_t ground; bool crash; } cases[] = {
        {18, 24, rgb(128, 128, 128), false},  // exactly 30
        {0, 30.01, rgb(128, 128, 128), true},
        {20, 5, rgb(0, 99, 49), false},
        {20, 5, rgb(255, 255, 0), false},     // pure yellow: soft
        {20, 5, rgb(255, 0, 0), false},       // 255 itself is not in the fire range
        {20, 5, rgb(255, 206, 0), true},
        {20, 5, rgb(128, 128, 0), true}};     // olive has no blue either
    for (auto c : cases) {
        World w;
        Game& g = *w;
        w.paint(0, 400, 1000, 420, c.ground);
        Rocket& r = bareRocket(g, 6000, 400 * 15 - 102 - c.vy + 7);
        r.vx = c.vx;
        r.vy = c.vy;
        const double y0 = r.y;
        rocketPhase(g);
        SCOPED_TRACE(testing::Message() << c.vx << "," << c.vy << " on " << c.ground);
        if (!c.crash) {
            EXPECT_EQ(g.rocketCount, 1);
            EXPECT_EQ(r.x, 6000);
            EXPECT_EQ(r.y, y0);
            EXPECT_EQ(r.vx, 0);
            EXPECT_EQ(r.vy, 2);
            EXPECT_EQ(g.rockCount, 0);
            EXPECT_EQ(g.blastCount, 0);
            continue;
        }
        EXPECT_EQ(g.rocketCount, 0);
        ASSERT_EQ(g.rockCount, 3);
        for (int k = 1; k <= 3; ++k) {
            const Rock& e = g.rockTable[k];
            EXPECT_EQ(e.kind, 1);
            EXPECT_EQ(e.counter, 1000);
            EXPECT_EQ(e.aux, 100);
            EXPECT_EQ(e.size, 6);
            EXPECT_EQ(e.x, 6000);
            EXPECT_FLOAT_EQ(e.y, static_cast<float>(y0));
            EXPECT_GE(e.vx, -100);
            EXPECT_LT(e.vx, 100);
            EXPECT_LE(e.vy, 0);
            EXPECT_GT(e.vy, -200);
        }
        ASSERT_EQ(g.blastCount, 1);
        const Blast& b = g.blastTable[1];
        EXPECT_EQ(b.x, 6000);
        EXPECT_EQ(b.y, y0);
        EXPECT_EQ(b.maxSize, 25);
        EXPECT_EQ(b.growth, 5);
        EXPECT_EQ(b.colour, rgb(255, 128, 0));
        EXPECT_EQ(w.at(6000, static_cast<float>(y0 - 50)), kWhite);  // the wreck stays painted
    }
}

// Its own tail erase clears the ground pixel under the tail every frame; it must not sink into the hole.
TEST(EffectsRocket, RestingRocketStaysWhereItIs) {
    for (int sub = 0; sub < 15; sub += 4) {  // tail at every height within a pixel above the floor
        World w;
        Game& g = *w;
        w.paint(0, 400, 1000, 420, rgb(0, 99, 49));
        Rocket& r = bareRocket(g, 6000, 400 * 15 - 100 - sub);
        r.vy = 2;
        for (int f = 0; f < 100; ++f) rocketPhase(g);
        EXPECT_EQ(r.y, 400 * 15 - 100 - sub) << sub;
        EXPECT_EQ(r.vy, 2) << sub;
        EXPECT_EQ(g.rocketCount, 1);
    }
}

TEST(EffectsRocket, CrashedRocketLeavesItsSlotToTheLastWhichIsStillTreated) {
    World w;
    Game& g = *w;
    w.paint(0, 400, 1000, 420, rgb(128, 128, 128));
    bareRocket(g, 6000, 400 * 15 - 102 - 40 + 7).vy = 40;  // crashes this frame
    g.rocketCount = 2;
    g.rocketTable[2] = g.rocketTable[1];
    g.rocketTable[2].x = 9000;
    g.rocketTable[2].y = 1000;
    g.rocketTable[2].vy = 0;
    g.rocketPartCount[2] = 1;
    g.rocketTable[2].parts[1] = RocketPart{100, 0, 0, 0, 5, 10, 9, 0, 0, 0, 0};
    rocketPhase(g);
    ASSERT_EQ(g.rocketCount, 1);
    EXPECT_EQ(g.rocketTable[1].x, 9000);
    EXPECT_EQ(g.rocketPartCount[1], 1);
    EXPECT_EQ(g.rocketTable[1].parts[1].timer, 8);
    EXPECT_EQ(g.rocketTable[1].vy, 2);
}

// One burning engine 45 degrees off the tail turns the rocket 45 degrees a frame; the heading wraps late.
TEST(EffectsRocket, SingleEngineSpinsTheRocket) {
    World w;
    Game& g = *w;
    Rocket& r = bareRocket(g, 20000, 4000);
    g.rocketPartCount[1] = 1;
    r.parts[1] = RocketPart{100, 135, 10000, 1, 1, 0, 0, 0, 1, 0, 0};
    const float headings[] = {315, 360, 405, 90, 135};
    for (float h : headings) {
        rocketPhase(g);
        EXPECT_EQ(r.heading, h);
        EXPECT_EQ(std::fmod(r.parts[1].angle + 360 * 2 - r.heading, 360.0f), 225);  // stays put on the hull
    }
}

TEST(EffectsRocket, FigureIsErasedExactly) {
    World w;
    Game& g = *w;
    Rocket& r = bareRocket(g, 6000, 3000);
    g.rocketPartCount[1] = 6;
    r.parts[1] = RocketPart{100, 0, 100, 2, 1, 0, 0, 0, 0, 0, 0};  // burnt-out engine, right of the centre
    r.parts[2] = RocketPart{0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0};      // open parachute
    r.parts[3] = RocketPart{100, 180, 0, 0, 5, 5, 50, 0, 0, 0, 0};  // pod with a fragment, left
    r.parts[4] = RocketPart{150, 90, 0, 0, 5, 10, 50, 0, 0, 0, 0};  // pod with a big grenade: invisible
    r.parts[5] = RocketPart{200, 45, 0, 0, 5, 9, 50, 0, 0, 0, 0};   // pod with a grenade
    r.parts[6] = RocketPart{200, 135, 0, 0, 5, 6, 50, 0, 0, 0, 0};  // pod with a firebrand
    drawrocket(g, 1);
    EXPECT_EQ(r.noseDx, 0);
    EXPECT_EQ(r.noseDy, -100);
    EXPECT_EQ(w.at(6000, 2910), kWhite);              // body, vertical at heading 270
    EXPECT_EQ(w.at(6000, 3090), kWhite);
    EXPECT_EQ(w.at(6100, 3000), rgb(255, 0, 0));      // engine dot
    EXPECT_EQ(w.at(6100, 2960), rgb(127, 127, 255));  // fuel gauge along the heading
    EXPECT_EQ(w.at(6000, 2800), kWhite);              // canopy top
    EXPECT_EQ(w.at(5900, 3000), rgb(255, 127, 0));
    EXPECT_EQ(w.at(6000, 3150), kBlack);
    int32_t grenade = w.at(static_cast<float>(6000 + 200 * std::cos(3.141593 / 4)),
                           static_cast<float>(3000 + 200 * std::sin(3.141593 / 4)));
    EXPECT_EQ(redOf(grenade), 255);
    EXPECT_GE(greenOf(grenade), 127);
    EXPECT_GE(blueOf(grenade), 127);
    EXPECT_EQ(g.blastCount, 0);
    eraserocket(g, 1);
    EXPECT_EQ(g.picback.hash(), emptyWorldHash());
}

// Each pod shows as a dot of its own pen width in its rock's colour; a big grenade's pod shows nothing.
TEST(EffectsRocket, PodLooksByPayload) {
    struct Range { int lo, hi; };
    struct Case { int16_t payload; int16_t pen; Range red, green, blue; int draws; } cases[] = {
        {5, 2, {255, 255}, {127, 127}, {0, 0}, 0},   {7, 2, {255, 255}, {0, 0}, {127, 127}, 0},
        {11, 1, {255, 255}, {127, 127}, {0, 0}, 0},  {6, 3, {255, 255}, {0, 255}, {0, 0}, 1},
        {8, 2, {0, 255}, {0, 0}, {0, 127}, 2},       {9, 2, {255, 255}, {127, 254}, {127, 254}, 2},
        {10, 0, {}, {}, {}, 0},                      {12, 0, {}, {}, {}, 0}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        const double x = 6003.75, y = 3003.75;  // off the pixel grid, so pen widths 1, 2 and 3 differ
        Rocket& r = bareRocket(g, x, y);
        g.rocketPartCount[1] = 1;
        r.parts[1] = RocketPart{300, 0, 0, 0, 5, c.payload, 50, 0, 0, 0, 0};  // 300 units right of the centre
        Rng rng = g.rng;
        drawrocket(g, 1);
        for (int k = 0; k < c.draws; ++k) rng.next();
        EXPECT_EQ(g.rng.state, rng.state) << "payload " << c.payload;
        Surface expected;  // the same dot painted directly
        expected.create(g.picback.widthPx(), g.picback.heightPx(), 0, {}, 0, 0);
        if (c.pen > 0) {
            expected.drawWidth = c.pen;
            expected.pset(x + 300, y, 1);
        }
        int mismatches = 0;
        for (int py = 190; py <= 210; ++py)
            for (int px = 410; px <= 430; ++px) {
                bool dot = expected.pixelAt(px, py) == 1;
                int32_t got = g.picback.pixelAt(px, py);
                auto in = [](int v, Range q) { return v >= q.lo && v <= q.hi; };
                if (dot != (got != 0)) ++mismatches;
                if (dot && !(in(redOf(got), c.red) && in(greenOf(got), c.green) && in(blueOf(got), c.blue)))
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0) << "payload " << c.payload;
        eraserocket(g, 1);
        EXPECT_EQ(g.picback.hash(), emptyWorldHash()) << "payload " << c.payload;
    }
}

TEST(EffectsRocket, BurningEngineAddsAFlameAndClearsItsExhaustPath) {
    World w;
    Game& g = *w;
    Rocket& r = bareRocket(g, 6000, 3000);
    g.rocketPartCount[1] = 1;
    r.parts[1] = RocketPart{100, 90, 100, 2, 1, 0, 0, 0, 1, 0, 0};  // below the centre
    drawrocket(g, 1);
    ASSERT_EQ(g.blastCount, 1);
    const Blast& b = g.blastTable[1];
    EXPECT_NEAR(b.x, 6000, 1e-3);
    EXPECT_NEAR(b.y, 3100, 1e-3);
    EXPECT_GE(b.maxSize, 10);
    EXPECT_LT(b.maxSize, 12);
    EXPECT_EQ(b.growth, b.maxSize / 5);
    EXPECT_EQ(b.colour, rgb(255, 255, 0));
    w.paintUnits(5900, 3120, 6100, 3300, kWhite);
    eraserocket(g, 1);
    EXPECT_EQ(g.blastCount, 1);
    EXPECT_EQ(w.at(6000, 3150), kBlack);
    EXPECT_EQ(w.at(6000, 3190), kBlack);
    EXPECT_EQ(w.at(6022, 3150), kBlack);  // the exhaust is 4 pixels wide
    EXPECT_EQ(w.at(5978, 3150), kBlack);
    EXPECT_EQ(w.at(6050, 3150), kWhite);
    EXPECT_EQ(w.at(6000, 3230), kWhite);
}

// ---- Shrapnel ----

TEST(EffectsShrapnel, FuseZeroWithoutGenerationsDiesInItsFrame) {
    World w;
    Game& g = *w;
    Shrapnel& p = floater(g, 1, 100, 100);
    p.fuse = 0;
    p.children = 4;
    p.width = 6;
    shrapnelPhase(g);
    EXPECT_EQ(g.shrapnelCount, 0);
    EXPECT_EQ(g.picback.hash(), emptyWorldHash());
}

TEST(EffectsShrapnel, FuseBurstThrowsARingAtSpreadX) {
    World w;
    Game& g = *w;
    Shrapnel& p = floater(g, 1, 100, 100);
    p.vx = 3;
    p.vy = -2;
    p.fuse = 0;
    p.generations = 2;
    p.children = 8;
    p.childFuse = 30;
    p.childWidth = 4;
    p.spreadX = 500;
    p.spreadY = -1;
    shrapnelPhase(g);
    ASSERT_EQ(g.shrapnelCount, 8);
    for (int k = 1; k <= 8; ++k) {
        const Shrapnel& c = g.shrapnelTable[k];
        EXPECT_NEAR(speedOf(c.vx - 3, c.vy + 2), 500, 1e-2) << k;
        EXPECT_EQ(c.generations, 1);
        EXPECT_EQ(c.width, 4);
        EXPECT_EQ(c.bounces, -1);
        EXPECT_GE(c.fuse, 0);
        EXPECT_LE(c.fuse, 30);
        EXPECT_EQ(c.childFuse, 30);
        EXPECT_EQ(c.alive, 1);
        EXPECT_EQ(c.x, 100 * 15 + 7.5f + 3);  // where the parent moved to
    }
}

// The bounce burst: radial children get speeds across -spreadX/2..spreadX/2, box children a box around
// the parent's velocity; both get the parent's bounces + 2.
TEST(EffectsShrapnel, BounceBurstSpeedsStayWithinTheSpread) {
    struct Case { int16_t spreadY; } cases[] = {{-1}, {60}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        w.paint(90, 101, 110, 110, kWhite);
        Shrapnel& p = floater(g, 1, 100, 100);
        p.elasticity = -0.5f;
        p.vy = 10;  // meets the floor: vy becomes -5, bounces 1 -> 0
        p.bounces = 1;
        p.generations = 1;
        p.children = 60;
        p.childFuse = 30;
        p.spreadX = 200;
        p.spreadY = c.spreadY;
        shrapnelPhase(g);
        ASSERT_EQ(g.shrapnelCount, 60) << c.spreadY;
        float smallest = 1e9f, largest = 0;
        for (int k = 1; k <= 60; ++k) {
            const Shrapnel& ch = g.shrapnelTable[k];
            const float rx = ch.vx, ry = ch.vy + 5;
            EXPECT_EQ(ch.bounces, 2);
            if (c.spreadY == -1) {
                smallest = std::min(smallest, speedOf(rx, ry));
                largest = std::max(largest, speedOf(rx, ry));
                EXPECT_LE(speedOf(rx, ry), 100 + 1e-3);
            } else {
                EXPECT_GE(rx, -100);
                EXPECT_LT(rx, 100);
                EXPECT_GE(ry, -30);
                EXPECT_LT(ry, 30);
            }
        }
        if (c.spreadY == -1) {
            EXPECT_LT(smallest, largest - 30);  // not a ring
        }
    }
}

TEST(EffectsShrapnel, FuseAndBounceBurstInOneFrame) {
    World w;
    Game& g = *w;
    Shrapnel& p = floater(g, 1, 100, 100);
    p.fuse = 0;
    p.bounces = 0;
    p.generations = 1;
    p.children = 3;
    p.spreadX = 100;
    p.spreadY = -1;
    shrapnelPhase(g);
    // The second burst copies the parent after the first one killed it, so its children go with it.
    ASSERT_EQ(g.shrapnelCount, 3);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(g.shrapnelTable[k].bounces, -1);
}

// Gravity by gravityScale; a contact damps only the probed axis of a bouncing particle and counts a bounce.
TEST(EffectsShrapnel, GravityAndTerrainContact) {
    struct Case { int16_t gravity; float elasticity; bool floor, wall; float vx, vy; float wantVx, wantVy; int16_t bounces; } cases[] = {
        {0, -0.9f, true, false, 5, 10, 5, -9, 4},
        {0, -0.9f, false, true, 10, 5, -9, 5, 4},
        {0, -0.9f, true, true, 10, 10, -9, -9, 3},
        {0, 1.0f, true, false, 5, 10, 5, 10, 4},
        {0, 0.0f, true, false, 5, 10, 0, 0, 4},
        {1, 1.0f, false, false, 5, 10, 5, 12, 5},   // gravity is gravityScale x 2 a frame
        {-1, 1.0f, false, false, 5, 10, 5, 8, 5}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        if (c.floor) w.paint(90, 101, 110, 110, kWhite);
        if (c.wall) w.paint(101, 90, 110, 100, kWhite);
        Shrapnel& p = floater(g, 1, 100, 100);
        p.elasticity = c.elasticity;
        p.gravityScale = c.gravity;
        p.bounces = 5;
        p.vx = c.vx;
        p.vy = c.vy;
        shrapnelPhase(g);
        SCOPED_TRACE(testing::Message() << c.elasticity << " floor " << c.floor << " wall " << c.wall);
        ASSERT_EQ(g.shrapnelCount, 1);
        EXPECT_FLOAT_EQ(p.vx, c.wantVx);
        EXPECT_FLOAT_EQ(p.vy, c.wantVy);
        EXPECT_EQ(p.bounces, c.bounces);
    }
}

TEST(EffectsShrapnel, BloodRuleTurnsGuyColoursToBloodAndCostsLifeOnce) {
    struct Case { int32_t colour; int16_t life; bool blood; int16_t lifeAfter; } cases[] = {
        {rgb(254, 255, 255), 100, true, 99}, {rgb(128, 127, 127), 100, true, 99}, {1 + 256 * 50, 50, true, 49},
        {rgb(254, 0, 0), 0, true, 0},        {rgb(127, 0, 0), 100, false, 100},   {-1, 100, false, 100},
        {rgb(0, 128, 0), 100, false, 100}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        setLife(g, c.life);
        Shrapnel& p = floater(g, 1, 100, 100);
        p.colour = c.colour;
        p.shape = 2;
        p.fuse = 40;
        shrapnelPhase(g);
        shrapnelPhase(g);
        SCOPED_TRACE(c.colour);
        EXPECT_EQ(g.life.value, c.lifeAfter);
        EXPECT_EQ(p.colour == rgb(127, 0, 0), c.blood || c.colour == rgb(127, 0, 0));
        if (c.blood) {
            EXPECT_EQ(p.shape, 0);
            EXPECT_EQ(p.trail, 1);
            EXPECT_EQ(p.fuse, -1);
        }
    }
}

// A particle stopped by terrain is baked in once something non-black lies 50 and 100 units above it.
TEST(EffectsShrapnel, RestRuleBakesAStoppedParticleIntoTerrain) {
    // Rows 93 and 97 hold the points 100 and 50 units above the particle.
    struct Case { int coverTop, coverBottom; bool baked; } cases[] = {
        {90, 97, true}, {0, -1, false}, {90, 94, false}, {95, 97, false}};
    const int32_t dirt = rgb(10, 200, 30);
    for (auto c : cases) {
        World w;
        Game& g = *w;
        w.paint(90, 101, 110, 110, kWhite);
        if (c.coverBottom >= 0) w.paint(90, c.coverTop, 110, c.coverBottom, kWhite);
        Shrapnel& p = floater(g, 1, 100, 100);
        p.elasticity = 0;
        p.gravityScale = 1;
        p.vy = 8;
        p.colour = dirt;
        shrapnelPhase(g);
        SCOPED_TRACE(testing::Message() << "cover rows " << c.coverTop << ".." << c.coverBottom);
        EXPECT_EQ(g.shrapnelCount, c.baked ? 0 : 1);
        EXPECT_EQ(w.at(100 * 15 + 7, 100 * 15 + 7), dirt);
        if (!c.baked) {
            EXPECT_EQ(p.vx, 0);
            EXPECT_EQ(p.vy, 0);
        }
    }
}

// Fire-coloured pixels up and behind fling a particle painted from components that is not fire-coloured.
TEST(EffectsShrapnel, FireFlingsOnlyNonFireComponentParticles) {
    struct Case { int32_t colour; int16_t r, gr, b; int32_t pixel; bool flung; } cases[] = {
        {-1, 90, 90, 90, rgb(255, 120, 0), true},      {-1, 255, 255, 100, rgb(255, 255, 0), true},
        {-1, 255, 255, 0, rgb(255, 120, 0), false},    {rgb(90, 90, 90), 90, 90, 90, rgb(255, 120, 0), false},
        {-1, 90, 90, 90, rgb(255, 120, 10), false},    {-1, 90, 90, 90, rgb(250, 120, 0), false}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        Shrapnel& p = floater(g, 1, 100, 100);
        p.colour = c.colour;
        p.red = c.r;
        p.green = c.gr;
        p.blue = c.b;
        const float px = p.x - 51, py = p.y - 51;
        w.paintUnits(px, py, px, py, c.pixel);
        shrapnelPhase(g);
        EXPECT_EQ(speedOf(p.vx, p.vy) > 0, c.flung) << c.colour << " " << c.r << "," << c.gr << "," << c.b;
        EXPECT_LE(speedOf(p.vx, p.vy), 250 + 1e-3);
    }
}

TEST(EffectsShrapnel, FigureByTrailAndShape) {
    struct Case { int16_t trail, shape; bool atHead, atTail, corner, inside; } cases[] = {
        {0, 3, true, false, false, false},  // a dot whatever the shape
        {4, 0, true, false, false, false},  // a line back to the tail, its end pixel left out
        {4, 1, true, true, true, false},    // box outline
        {4, 2, true, true, true, true},     // filled box
        {4, 3, false, false, false, false}};
    for (auto c : cases) {
        World w;
        Game& g = *w;
        Shrapnel& p = floater(g, 1, 100, 100);
        p.colour = rgb(127, 0, 0);  // painted as this whatever the components say
        p.trail = c.trail;
        p.shape = c.shape;
        p.vx = 60;
        p.vy = 30;
        drawshrapnel(g, 1);
        SCOPED_TRACE(testing::Message() << c.trail << "/" << c.shape);
        auto painted = [&](float x, float y) { return w.at(x, y) == rgb(127, 0, 0); };
        EXPECT_EQ(painted(p.x, p.y), c.atHead);
        EXPECT_EQ(painted(p.x - 240, p.y - 120), c.atTail);
        EXPECT_EQ(painted(p.x - 240, p.y), c.corner);
        EXPECT_EQ(painted(p.x - 120, p.y - 30), c.inside);
        eraseshrapnel(g, 1);
        EXPECT_EQ(g.picback.hash(), emptyWorldHash());
    }
}

TEST(EffectsShrapnel, RandomBlueFlickers) {
    World w;
    Game& g = *w;
    Shrapnel& p = floater(g, 1, 100, 100);
    p.red = 255;
    p.green = 255;
    p.blue = 100;
    p.randomBlue = 1;
    int lowest = 255, highest = -1;
    for (int k = 0; k < 40; ++k) {
        drawshrapnel(g, 1);
        int32_t c = w.at(p.x, p.y);
        EXPECT_EQ(redOf(c), 255);
        EXPECT_EQ(greenOf(c), 255);
        lowest = std::min(lowest, blueOf(c));
        highest = std::max(highest, blueOf(c));
    }
    EXPECT_GE(lowest, 0);
    EXPECT_LE(highest, 100);
    EXPECT_LT(lowest, highest);
}

TEST(EffectsShrapnel, StartupFlareBurstsInFrameSixteen) {
    World w;
    Game& g = *w;
    setUpStartupShrapnel(g);
    ASSERT_EQ(g.shrapnelCount, 7);
    for (int f = 1; f <= 15; ++f) shrapnelPhase(g);
    EXPECT_EQ(g.shrapnelCount, 7);
    shrapnelPhase(g);
    ASSERT_EQ(g.shrapnelCount, 11);
    for (int k = 7; k <= 11; ++k) {
        const Shrapnel& c = g.shrapnelTable[k];
        EXPECT_EQ(c.x, 1000);
        EXPECT_EQ(c.y, 2000);
        EXPECT_NEAR(speedOf(c.vx, c.vy), 500, 1e-2);
        EXPECT_EQ(c.width, 1);
        EXPECT_EQ(c.generations, 0);
    }
}

TEST(EffectsShrapnel, FullTableAddsNothing) {
    World w;
    Game& g = *w;
    for (int k = 1; k <= kMaxShrapnel; ++k) floater(g, k, 100 + k % 50, 100 + k / 50);
    Shrapnel& p = g.shrapnelTable[1];
    p.fuse = 0;
    p.generations = 1;
    p.children = 5;
    p.spreadX = 100;
    p.spreadY = -1;
    EXPECT_EQ(addShrapnel(g), 0);
    shrapnelPhase(g);
    EXPECT_EQ(g.shrapnelCount, kMaxShrapnel - 1);
    for (int k = 1; k <= g.shrapnelCount; ++k) EXPECT_EQ(g.shrapnelTable[k].alive, 1);
    shrapnelPhase(g);
    EXPECT_EQ(g.shrapnelCount, kMaxShrapnel - 1);
}
