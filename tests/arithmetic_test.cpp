// Expressions the rules compute in Double (Rnd is a Single; Sin, Cos, Atn and Sqr return Double; a
// Single times a Double is a Double; a store into an Integer or Single rounds once at the end): each
// case with the value the rules give, where single precision gives another.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/effects.h"
#include "fixture.h"
#include "game/play.h"
#include "guys/guys.h"

using namespace vexlot;

namespace {

// Undoes x ^= x >> shift for 64-bit x.
uint64_t unshiftXor(uint64_t y, int shift) {
    uint64_t x = y;
    for (int s = shift; s < 64; s += shift) x = y ^ (x >> shift);
    return x;
}
uint64_t inverseOdd(uint64_t c) {
    uint64_t inv = c;
    for (int k = 0; k < 6; ++k) inv *= 2 - c * inv;
    return inv;
}

// A generator whose next draw is the largest value it can return, 1 - 2^-24 (splitmix64 run backwards).
Rng rngAboutToDrawItsLargest() {
    uint64_t z = ~uint64_t{0};
    z = unshiftXor(z, 31);
    z *= inverseOdd(0x94D049BB133111EBull);
    z = unshiftXor(z, 27);
    z *= inverseOdd(0xBF58476D1CE4E5B9ull);
    z = unshiftXor(z, 30);
    Rng r;
    r.state = z - 0x9E3779B97F4A7C15ull;
    return r;
}

}  // namespace

TEST(DoubleRules, TheLargestRndStillAsksForDeathSoundFour) {
    Rng probe = rngAboutToDrawItsLargest();
    ASSERT_EQ(probe.next(), 1.0f - 1.0f / 16777216.0f);
    test::World w;
    w->rng = rngAboutToDrawItsLargest();
    deathSound(*w);
    ASSERT_EQ(w.sounds.entries.size(), 1u);
    EXPECT_EQ(w.sounds.entries[0].file, "\\death4.wav");
}

TEST(DoubleRules, AComputerGuysAimIsTheDoubleArctangentRounded) {
    test::World w;
    w->lastGuy = 1;
    w->guyTable[0].x = 1000;
    w->guyTable[0].y = 5000;
    Guy& g = w->guyTable[1];
    g.x = 1454;
    g.y = 2287;
    w->facing[1] = facingLeft;
    w->keyLeft[1] = kHeld;
    for (uint64_t seed = 1;; ++seed) {  // a seed whose first draw does not turn the guy round
        w->rng.seed(seed);
        Rng copy = w->rng;
        if (cint(copy.next() * 10.0f) != 1) break;
    }
    ai(*w, 1);
    ASSERT_EQ(w->facing[1], facingLeft);
    EXPECT_EQ(g.aimAngle, 81);  // a float arctangent gives 80
}

TEST(DoubleRules, BurstChildrenMoveBySinAndCosInDouble) {
    test::World w;
    int mismatches = 0;
    for (int draw = 0; draw < 200; ++draw) {
        w->shrapnelCount = 0;
        Shrapnel& p = w->shrapnelTable[addShrapnel(*w)];
        p = Shrapnel{};
        p.alive = 1;
        p.generations = 1;
        p.children = 1;
        p.fuse = 0;
        p.bounces = -1;
        p.spreadX = 9999;
        p.spreadY = -1;
        p.x = 20000;
        p.y = 3000;
        p.vx = 13.25f;
        p.vy = -7.5f;
        p.colour = rgb(100, 100, 100);
        const Rng before = w->rng;
        shrapnelPhase(*w);
        Rng again = before;
        const float a = static_cast<float>(2 * w->pi * again.next());
        const float vx = static_cast<float>(13.25f + 9999.0f * std::sin(static_cast<double>(a)));
        const float vy = static_cast<float>(-7.5f + 9999.0f * std::cos(static_cast<double>(a)));
        const Shrapnel& child = w->shrapnelTable[1];  // the parent left the table; its child took its slot
        ASSERT_EQ(w->shrapnelCount, 1);
        mismatches += child.vx != vx || child.vy != vy;
    }
    EXPECT_EQ(mismatches, 0);
}

// The window's width is a Single; minus, over and times Integers it stays Single all the way.
TEST(SingleRules, TheFifthStartupDiscStandsWhereTheSingleQuotientPutsIt) {
    test::World w;
    startup(*w, 1);
    EXPECT_EQ(w->shrapnelTable[5].x, 3853.33350f);  // in Double it would come out 3853.33325
    EXPECT_NE(w->shrapnelTable[5].x, static_cast<float>((12060.0 - 500) / 15 * 5));
}
