// The world surface: dots, lines, boxes, arcs, text, Point and Cls, in world units.
#include <gtest/gtest.h>

#include "fixture.h"
#include "guys/probe.h"

using namespace vexlot;

namespace {
// Counts painted pixels of a colour along a pixel row between two columns.
int runLength(const Surface& s, int row, int from, int to, int32_t colour) {
    int n = 0;
    for (int x = from; x <= to; ++x) n += s.pixelAt(x, row) == colour;
    return n;
}
}  // namespace

TEST(Surface, PointMapsWorldUnitsToPixelsAndReadsMinusOneOutside) {
    test::World w;
    Surface& s = w->picback;
    s.drawWidth = 1;
    s.pset(14.9, 15.0, 77);
    EXPECT_EQ(s.pixelAt(0, 1), 77);
    EXPECT_EQ(s.point(0, 29.99), 77);
    EXPECT_EQ(s.point(15, 15), 0);
    struct { double x, y; } outside[] = {{-0.01, 10}, {10, -1}, {48480, 10}, {10, 9120}, {1e30, 0}, {std::nan(""), 0}};
    for (auto p : outside) EXPECT_EQ(s.point(p.x, p.y), -1) << p.x << "," << p.y;
    EXPECT_EQ(s.point(48479, 9119), 0);
}

TEST(Surface, DotDiameterIsPenWidthInPixels) {
    for (int width : {1, 2, 4, 6, 21, 50}) {
        test::World w;
        Surface& s = w->picback;
        s.drawWidth = static_cast<int16_t>(width);
        const double cx = 300 * 15 + 7.5, cy = 100 * 15 + 7.5;  // a pixel centre
        s.pset(cx, cy, 5);
        int widest = 0, rows = 0;
        for (int y = 40; y < 160; ++y) {
            int across = runLength(s, y, 200, 400, 5);
            widest = std::max(widest, across);
            rows += across > 0;
        }
        EXPECT_EQ(widest, width);
        EXPECT_EQ(rows, width);
        EXPECT_EQ(s.point(cx, cy), 5);
    }
}

TEST(Surface, LinesJoinTheirEndsWithThePenWidth) {
    test::World w;
    Surface& s = w->picback;
    s.drawWidth = 1;
    s.line(100 * 15, 50 * 15, 110 * 15, 50 * 15, 9);
    EXPECT_EQ(runLength(s, 50, 90, 120, 9), 10);  // the end pixel is left out
    EXPECT_EQ(s.pixelAt(110, 50), 0);
    s.line(100 * 15, 60 * 15, 100 * 15, 60 * 15, 8);  // zero length: one pixel
    EXPECT_EQ(s.pixelAt(100, 60), 8);
    s.drawWidth = 4;
    s.line(200 * 15 + 7.5, 80 * 15 + 7.5, 220 * 15 + 7.5, 80 * 15 + 7.5, 3);
    int thickness = 0;
    for (int y = 70; y <= 90; ++y) thickness += s.pixelAt(210, y) == 3;
    EXPECT_EQ(thickness, 4);
}

TEST(Surface, BoxesFilledAndOutlined) {
    test::World w;
    Surface& s = w->picback;
    s.drawWidth = 1;
    s.filledBox(10 * 15, 10 * 15, 19 * 15 + 14, 14 * 15, 4);
    for (int y = 10; y <= 14; ++y) EXPECT_EQ(runLength(s, y, 0, 40, 4), 10);
    s.box(50 * 15, 10 * 15, 59 * 15, 19 * 15, 6);
    EXPECT_EQ(s.pixelAt(50, 15), 6);
    EXPECT_EQ(s.pixelAt(59, 15), 6);
    EXPECT_EQ(s.pixelAt(55, 15), 0);  // hollow
}

TEST(Surface, ArcIsTheTopOfTheCircleForFiftyFiveToHundredTwentyFiveDegrees) {
    test::World w;
    Surface& s = w->picback;
    s.drawWidth = 1;
    const double pi = 3.141593;
    s.circleArc(3000, 3000, 200, 55 * pi / 180, 125 * pi / 180, 7);
    EXPECT_EQ(s.point(3000, 2800), 7);      // straight above the centre
    EXPECT_EQ(s.point(3000, 3200), 0);      // nothing below
    EXPECT_EQ(s.point(3000 + 200, 3000), 0);
}

TEST(Surface, PrintPaintsTextAtTheCurrentPositionAndClsRestoresThePicture) {
    test::World w;
    Surface& s = w->picback;
    std::vector<int32_t> picture(4 * 4, rgb(0, 99, 49));
    s.create(100, 50, 0, picture, 4, 4);
    s.currentX = 20 * 15;
    s.currentY = 20 * 15;
    s.foreColor = rgb(0, 200, 200);
    s.print("F");
    int painted = 0;
    for (int y = 18; y < 32; ++y) painted += runLength(s, y, 18, 30, rgb(0, 200, 200));
    EXPECT_GT(painted, 5);
    s.drawWidth = 10;
    s.pset(30, 30, 0);  // a crater in the picture
    EXPECT_EQ(s.point(30, 30), 0);
    s.cls();
    EXPECT_EQ(s.point(30, 30), rgb(0, 99, 49));
    EXPECT_EQ(s.point(20 * 15, 20 * 15), 0);
}

TEST(Surface, ColoursAboveTwentyFourBitsKeepTheirLowBits) {
    test::World w;
    w->picback.pset(100, 100, clng(rgb(128, 128, 255) * 1.5));
    EXPECT_EQ(w->picback.point(100, 100), clng(rgb(128, 128, 255) * 1.5) & 0xFFFFFF);
}

TEST(Surface, TerrainClasses) {
    // Pure yellow is deadly; no blue with green below 255 is hot; the rest is merely solid.
    struct Case { int32_t c; bool hot, deadly; } cases[] = {
        {rgb(255, 255, 0), false, true}, {rgb(247, 247, 0), true, false}, {rgb(255, 206, 0), true, false},
        {rgb(49, 49, 0), true, false},   {rgb(255, 255, 255), false, false}, {rgb(0, 99, 49), false, false},
        {rgb(41, 57, 8), false, false},  {-1, false, false}, {0, false, false}};
    for (auto c : cases) {
        EXPECT_EQ(isHot(c.c), c.hot) << c.c;
        EXPECT_EQ(isDeadly(c.c), c.deadly) << c.c;
    }
}
