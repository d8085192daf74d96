// Sharp scaling, calm pacing and custom levels: the parts of the front-end that need no window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fixture.h"
#include "platform/headless.h"
#include "platform/pacer.h"
#include "view/viewport.h"

using namespace vexlot;

TEST(Viewport, WholeScalesWithBlackBarsAndMouseMapping) {
    struct Case { int w, h, scale, x, y; } cases[] = {
        {796, 592, 1, 0, 0},     {800, 600, 1, 2, 4},     {1592, 1184, 2, 0, 0}, {1920, 1080, 1, 562, 244},
        {2560, 1440, 2, 484, 128}, {3840, 2160, 3, 726, 192}, {600, 400, 1, -98, -96}};
    for (auto c : cases) {
        const Viewport v = fitViewport(c.w, c.h);
        EXPECT_EQ(v.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_EQ(v.x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(v.y, c.y) << c.w << "x" << c.h;
        EXPECT_EQ(v.width, 796 * c.scale);
        float gx = -1, gy = -1;
        ASSERT_TRUE(v.toGame(v.x + 10 * v.scale + v.scale - 1, v.y + 20 * v.scale, gx, gy) || v.x + 10 < 0);
        if (v.x >= 0) {
            EXPECT_EQ(gx, 10);
            EXPECT_EQ(gy, 20);
        }
    }
    float gx, gy;
    EXPECT_FALSE(fitViewport(1920, 1080).toGame(100, 500, gx, gy));  // on the black bar
    EXPECT_EQ(initialScale(0, 1920, 1040), 1);
    EXPECT_EQ(initialScale(0, 2560, 1400), 2);
    EXPECT_EQ(initialScale(3, 800, 600), 3);
}

TEST(Pacing, AbsoluteDeadlinesDoNotDriftAndLongFramesAreNotHurried) {
    struct FakeTicks : TickSource {
        uint64_t us = 0;
        uint64_t longestSpinUs = 0, spinStart = 0;
        bool spinning = false;
        uint32_t now() override {
            us += 50;
            return static_cast<uint32_t>(us / 1000);
        }
        void sleep(uint32_t ms) override { us += ms * 1000ull + 700; }  // the system oversleeps
    };
    FakeTicks ticks;
    FramePacer pacer(ticks);
    const uint64_t start = ticks.us;
    for (int f = 0; f < 1000; ++f) {
        ticks.us += 3000;  // a frame's work
        const uint64_t before = ticks.us;
        pacer.wait();
        EXPECT_LE(ticks.us - before, 14000u);
    }
    // 1000 frames of 16 ms: no drift beyond a millisecond, however the sleeps overshoot.
    EXPECT_NEAR(static_cast<double>(ticks.us - start), 16000.0 * 1000, 1500.0);

    FakeTicks slow;
    FramePacer late(slow);
    slow.us += 40000;  // a frame that ran long
    const uint64_t before = slow.us;
    late.wait();
    EXPECT_LT(slow.us - before, 1000u);  // no waiting, and the next frame gets its full period
    slow.us += 3000;
    const uint64_t next = slow.us;
    late.wait();
    EXPECT_GE(slow.us - next, 12000u);
}

