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

TEST(Viewport, WholeScalesFillAndNeverCrop) {
    // Whole-number scaling centres the largest whole scale; a window smaller than the picture
    // shrinks it whole instead of cropping; fill keeps the shape and touches two sides.
    struct Case { int w, h; FitMode mode; int x, y, width, height; bool whole; } cases[] = {
        {796, 592, FitMode::Whole, 0, 0, 796, 592, true},
        {800, 600, FitMode::Whole, 2, 4, 796, 592, true},
        {1592, 1184, FitMode::Whole, 0, 0, 1592, 1184, true},
        {1920, 1080, FitMode::Whole, 562, 244, 796, 592, true},
        {3840, 2160, FitMode::Whole, 726, 192, 2388, 1776, true},
        {600, 400, FitMode::Whole, 31, 0, 537, 400, false},        // smaller: shrunk, not cropped
        {1920, 1080, FitMode::Fill, 234, 0, 1452, 1080, false},
        {1280, 1024, FitMode::Fill, 0, 36, 1280, 951, false},
        {1592, 1184, FitMode::Fill, 0, 0, 1592, 1184, true},
    };
    for (const Case& c : cases) {
        const Viewport v = fitViewport(c.w, c.h, 796, 592, c.mode);
        const std::string at = std::to_string(c.w) + "x" + std::to_string(c.h);
        EXPECT_EQ(v.x, c.x) << at;
        EXPECT_EQ(v.y, c.y) << at;
        EXPECT_EQ(v.width, c.width) << at;
        EXPECT_EQ(v.height, c.height) << at;
        EXPECT_EQ(v.whole, c.whole) << at;
        EXPECT_LE(v.x + v.width, c.w) << at;
        EXPECT_LE(v.y + v.height, c.h) << at;
        // The picture's corners map back to its first and last pixels (shrunk: the last but one or so).
        float gx = -1, gy = -1;
        ASSERT_TRUE(v.toGame(v.x, v.y, gx, gy)) << at;
        EXPECT_EQ(gx, 0);
        EXPECT_EQ(gy, 0);
        ASSERT_TRUE(v.toGame(v.x + v.width - 1, v.y + v.height - 1, gx, gy)) << at;
        EXPECT_GE(gx, v.width >= 796 ? 795 : 793);
        EXPECT_GE(gy, v.height >= 592 ? 591 : 589);
        EXPECT_LE(gx, 795);
        EXPECT_LE(gy, 591);
        EXPECT_FALSE(v.toGame(v.x + v.width, v.y, gx, gy)) << at;
    }
    float gx, gy;
    const Viewport whole = fitViewport(1920, 1080, 796, 592);
    ASSERT_TRUE(whole.toGame(562 + 10, 244 + 20, gx, gy));
    EXPECT_EQ(gx, 10);
    EXPECT_EQ(gy, 20);
    EXPECT_FALSE(whole.toGame(100, 500, gx, gy));  // on the black bar
    // Two views side by side: the picture's own size decides, not the one-view size.
    const Viewport two = fitViewport(1920, 1080, 1592, 592, FitMode::Whole);
    EXPECT_EQ(two.width, 1592);
    EXPECT_EQ(two.x, 164);
}

TEST(Viewport, FirstWindowFitsTheUsableScreenWithItsFrame) {
    struct Case { int asked, w, h, frameW, frameH, scale; } cases[] = {
        {0, 1280, 1024, 8, 40, 1}, {0, 1920, 1040, 8, 40, 1}, {0, 2560, 1400, 8, 40, 2},
        {0, 1600, 1200, 0, 0, 2},  {0, 1600, 1200, 8, 40, 1},  // the title bar decides
        {2, 1920, 1040, 8, 40, 1},  // asked for more than fits: the largest that fits
        {3, 3840, 2100, 8, 40, 3}, {0, 640, 480, 8, 40, 1},   // a tiny screen still gets scale 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(initialScale(c.asked, c.w, c.h, 796, 592, c.frameW, c.frameH), c.scale) << c.w << "x" << c.h;
    int x = 0, y = 0;
    placeWindow(0, 40, 1920, 1040, 804, 632, x, y);
    EXPECT_EQ(x, 558);
    EXPECT_EQ(y, 244);
    placeWindow(0, 0, 800, 600, 1600, 1224, x, y);  // larger than the screen: its top-left corner shows
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
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

