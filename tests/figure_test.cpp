// Guy figures against pixels, and the two panels' handlers and mouse routing.
#include <gtest/gtest.h>

#include "figure/figure.h"
#include "figure/panels.h"
#include "fixture.h"
#include "game/play.h"

using namespace vexlot;

namespace {

const int32_t kHead = rgb(254, 255, 255);
const int32_t kL1 = rgb(10, 20, 30), kL2 = rgb(40, 50, 60), kA1 = rgb(70, 80, 90), kA2 = rgb(100, 110, 120);
const int32_t kT1 = rgb(1, 2, 3), kT2 = rgb(4, 5, 6), kT3 = rgb(7, 8, 9);

// A guy at (3007, 3007) (a pixel centre) in the standing pose with distinct colours per part.
Guy& placeGuy(test::World& w, int i = 0) {
    Guy& g = w->guyTable[i];
    g.x = 3007;
    g.y = 3007;
    g.bodyAngle = 90;
    g.legAngleA = g.legAngleB = 90;
    g.armAngle1Upper = g.armAngle2Upper = 90;
    g.armAngle1Lower = g.armAngle2Lower = 0;
    g.headColour = kHead;
    const int32_t parts[10] = {0, kT1, kT2, kT3, kL1, kL2, kA1, rgb(1, 1, 1), kA2, rgb(2, 2, 2)};
    for (int p = 1; p <= 9; ++p) g.partColour[p] = parts[p];
    g.health = 5;
    return g;
}

}  // namespace

TEST(Figure, StandingPoseStrokesLieAtTheirOffsets) {
    test::World w;
    placeGuy(w);
    drawguy(*w, 0, 0);
    struct Stroke { float dx, dy; int32_t colour; const char* what; } strokes[] = {
        // Later dots overlap earlier ones: sample each where it shows.
        {0, 0, kHead, "head"},      {0, 55, kT1, "torso 75"},   {0, 85, kT2, "torso 100"},
        {0, 160, kT3, "torso 150"}, {-21, 250, kL2, "leg A"},   {21, 250, kL1, "leg B"},
        {-37, 80, kA1, "arm 1"},    {37, 80, kA2, "arm 2"},     {60, 102, kA2, "forearm 2"},
    };
    for (auto s : strokes) EXPECT_EQ(w.at(3007 + s.dx, 3007 + s.dy), s.colour) << s.what;
    EXPECT_EQ(w->picback.drawWidth, 1);
    // Erasing removes every stroke.
    drawguy(*w, 0, 1);
    for (auto s : strokes) EXPECT_EQ(w.at(3007 + s.dx, 3007 + s.dy), 0) << s.what;
}

TEST(Figure, WeaponsInHandFollowTheAimingArm) {
    struct Case { int16_t weapon; int16_t facing; float px, py; int32_t colour; } cases[] = {
        {1, facingRight, 3007 + 30 + 90, 3007 + 100, rgb(0, 0, 127)},     // barrel past the hand
        {2, 0, 3007 + 30 + 140, 3007 + 100, rgb(127, 127, 0)},            // facing 0 draws right
        {4, facingRight, 3007 + 30 + 10, 3007 + 100, rgb(0, 100, 100)},   // from behind the elbow
        {5, facingRight, 3007 + 30 - 40, 3007 + 50, rgb(200, 200, 200)},  // through the shoulder
    };
    for (auto c : cases) {
        test::World w;
        Guy& g = placeGuy(w);
        g.weapon = c.weapon;
        w->facing[0] = c.facing;
        drawguy(*w, 0, 0);
        EXPECT_EQ(w.at(c.px, c.py), c.colour) << c.weapon;
    }
    for (int16_t none : {0, 6, 10}) {
        test::World w;
        Guy& g = placeGuy(w);
        g.weapon = none;
        drawguy(*w, 0, 0);
        EXPECT_EQ(w.at(3007 + 30 + 90, 3007 + 100), 0) << none;
    }
}

TEST(Figure, BarrelInsideTerrainIsNotDrawnButErasingCutsIt) {
    test::World w;
    Guy& g = placeGuy(w);
    g.weapon = 1;
    const int32_t rock = rgb(90, 90, 90);
    w.paintUnits(3007 + 30 + 100, 3007 + 60, 3007 + 30 + 200, 3007 + 130, rock);  // around the barrel's end
    drawguy(*w, 0, 0);
    EXPECT_EQ(w.at(3007 + 30 + 90, 3007 + 100), 0);
    EXPECT_EQ(w.at(3007 + 30 + 120, 3007 + 100), rock);
    drawguy(*w, 0, 1);
    EXPECT_EQ(w.at(3007 + 30 + 120, 3007 + 100), 0);  // a line cut through the rock
    EXPECT_EQ(w.at(3007 + 30 + 120, 3007 + 70), rock);
}

TEST(Figure, LegsShortenOnTerrainButNeverForACorpse) {
    struct Case { int16_t state; int16_t lengthA; } cases[] = {{0, 100}, {3, 150}};
    for (auto c : cases) {
        test::World w;
        Guy& g = placeGuy(w, 1);
        g.state = c.state;
        // A bump under leg A only: its probe (x - 30, y + 300) is solid, (x - 30, y + 250) is not.
        const float drop = c.state == 3 ? 175.0f : 0.0f;
        w.paintUnits(3007 - 40, 3007 + drop + 270, 3007 - 25, 3007 + drop + 330, kT1);
        drawguy(*w, 1, 0);
        EXPECT_EQ(g.legLengthA, c.lengthA) << c.state;
        EXPECT_EQ(g.legLengthB, 150) << c.state;
        if (c.state == 3) {
            EXPECT_EQ(w.at(3007, 3007 + 175), kHead);  // a corpse lies 175 lower
        }
    }
}

TEST(Figure, LegsOnSolidGroundDownToLengthZeroAndProbesOutsideCountAsSolid) {
    test::World w;
    Guy& g = placeGuy(w);
    g.x = 10;  // leg A's probes fall outside the world, to the left
    drawguy(*w, 0, 0);
    EXPECT_EQ(g.legLengthA, 0);
    EXPECT_EQ(g.legLengthB, 150);
}

TEST(Figure, CrawlAndHangingPoses) {
    {
        test::World w;
        placeGuy(w);
        w->keyDown[0] = -1;
        drawguy(*w, 0, 0);
        EXPECT_EQ(w.at(3007, 3007 + 125), kHead);
        EXPECT_EQ(w.at(3007, 3007 + 175), kT1);
        EXPECT_EQ(w.at(3007, 3007 + 75), 0);  // no T2, T3 while crawling
        EXPECT_EQ(w->guyTable[0].legLengthA, 100);
        EXPECT_EQ(w.at(3007 - 30, 3007 + 240), kL1);  // crawl legs swap L1 and L2
        eraseguy(*w, 0);
        EXPECT_EQ(w.at(3007, 3007 + 125), 0);
        EXPECT_EQ(w.at(3007 - 30, 3007 + 240), 0);
    }
    {
        test::World w;
        placeGuy(w);
        w->keyDown[0] = -1;
        w->clingRight[0] = -1;
        w->guyTable[0].weapon = 1;
        drawguy(*w, 0, 0);
        EXPECT_EQ(w.at(3007, 3007), kHead);
        EXPECT_EQ(w.at(3007, 3007 + 150), kT3);
        EXPECT_EQ(w.at(3007 + 60, 3007 + 102), 0);  // no arms
        EXPECT_EQ(w.at(3007 + 120, 3007 + 100), 0);  // no weapon
    }
}

TEST(Panels, PaletteClickColoursOnlyTheSelectedPartOfGuyZero) {
    test::World w;
    placeGuy(w);
    placeGuy(w, 1);
    const Guy before = w->guyTable[0];
    gpalette_MouseDown(*w, 22 * 15 + 7, 7);  // row 0, middle column: pure red
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(w->guyTable[0].partColour[p], before.partColour[p]);
    w->selectedOption = 7;  // "A1b": stored, though no stroke uses it
    gpalette_MouseDown(*w, 22 * 15 + 7, 7);
    EXPECT_EQ(w->guyTable[0].partColour[7], rgb(255, 0, 0));
    EXPECT_EQ(w->guyTable[1].partColour[7], rgb(1, 1, 1));
    // A scripted press off the 45 x 96 picture picks nothing: the colour stays.
    for (auto [x, y] : {std::pair{-1.0f, 7.0f}, {45.0f * 15, 7.0f}, {7.0f, 96.0f * 15}, {7.0f, -0.5f}}) {
        gpalette_MouseDown(*w, x, y);
        EXPECT_EQ(w->guyTable[0].partColour[7], rgb(255, 0, 0)) << x << ", " << y;
    }
}

// A press on the palette box picks the pixel of the picture under it, in the picture's own
// coordinates; the box's sunken border picks nothing.
TEST(Panels, PalettePressesPickThePixelUnderThemAndTheBorderNothing) {
    const Picture& palette = palettePicture();
    auto pixel = [&](int col, int row) { return palette.pixels[static_cast<size_t>(row) * palette.width + col]; };
    const int boxX = (kFrame2.left + kPalette.left) / 15, boxY = (kFrame2.top + kPalette.top) / 15;
    struct Case {
        int px, py;         // window pixel
        int col, row;       // palette pixel picked; -1: nothing picked
    } cases[] = {
        {boxX + 2, boxY + 2, 0, 0},     {boxX + 46, boxY + 2, 44, 0},  {boxX + 2, boxY + 97, 0, 95},
        {boxX + 46, boxY + 97, 44, 95}, {boxX + 24, boxY + 50, 22, 48},
        {boxX, boxY, -1, -1},           {boxX + 1, boxY + 40, -1, -1}, {boxX + 47, boxY + 40, -1, -1},
        {boxX + 48, boxY + 98, -1, -1}, {boxX + 20, boxY + 98, -1, -1},
    };
    for (const Case& c : cases) {
        test::World w;
        placeGuy(w);
        w->Frame2Visible = true;
        w->selectedOption = 1;
        w->guyTable[0].partColour[1] = 12345;
        pressWindow(*w, static_cast<float>(c.px), static_cast<float>(c.py));
        const double expected = c.col < 0 ? 12345 : pixel(c.col, c.row);
        EXPECT_EQ(w->guyTable[0].partColour[1], expected) << c.px - boxX << "," << c.py - boxY;
    }
}

TEST(Panels, RndTimerRecoloursAllTenColoursOfGuyZeroOnly) {
    test::World w;
    placeGuy(w);
    placeGuy(w, 1);
    Command3_Click(*w);
    Command3_Click(*w);
    EXPECT_FALSE(w->Timer1Enabled);
    Command3_Click(*w);
    runFrame(*w, {});
    const Guy& g = w->guyTable[0];
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(g.partColour[p], g.headColour);
    EXPECT_EQ(w->guyTable[1].partColour[1], kT1);
}

TEST(Panels, WorldClickMovesGuyZeroAndClsRestoresCraters) {
    test::World w;
    Guy& g = placeGuy(w);
    g.vx = 7;
    g.state = 1;
    picback_MouseDown(*w, 12345.5f, 678);
    EXPECT_EQ(g.x, 12345.5f);
    EXPECT_EQ(g.y, 678);
    EXPECT_EQ(g.vx, 7);
    EXPECT_EQ(g.state, 1);
    EXPECT_EQ(w->xlbl, "12345.5");
    EXPECT_EQ(w->ylbl, "678");

    std::vector<int32_t> picture(100 * 100, rgb(0, 99, 49));
    w->picback.create(200, 200, 0, picture, 100, 100);
    w->picback.drawWidth = 20;
    w->picback.pset(750, 750, 0);
    EXPECT_EQ(w.at(750, 750), 0);
    Command1_Click(*w);
    EXPECT_EQ(w.at(750, 750), rgb(0, 99, 49));
}

TEST(Panels, WindowPressesReachTheControlUnderThePointer) {
    test::World w;
    placeGuy(w);
    w->picbackLeft = -3000;
    struct Case { bool panels; float px, py; const char* expect; } cases[] = {
        {false, 400, 300, "world"},   // world: 400 * 15 + 3000 = 9000
        {true, 400, 300, "world"},
        {true, 30, 60, "panel"},  // inside "Debug", on no control
        {true, (1380 + 1050 + 30) / 15.0f, (330 + 1950 + 30) / 15.0f, "rnd"},
        {true, (1380 + 90 + 30) / 15.0f, (330 + 1080 + 30) / 15.0f, "option5"},
        {true, (60 + 780 + 30) / 15.0f, (330 + 120 + 30) / 15.0f, "cls"},
        {false, (1380 + 1050 + 30) / 15.0f, (330 + 1950 + 30) / 15.0f, "world"},
        {false, 50, 10, "gauge"},
        {false, 796, 300, "outside"},  // beyond the window: nothing, however far
        {false, 2e8f, 40, "outside"},
        {false, -1, 40, "outside"},
    };
    for (auto c : cases) {
        test::World t;
        placeGuy(t);
        t->picbackLeft = -3000;
        t->Frame1Visible = t->Frame2Visible = c.panels;
        t->life.left = 90; t->life.top = 30; t->life.width = 2625; t->life.height = 270;
        t->ammo[0] = Gauge{0, 200, true, 0, 2730, 30, 1905, 270};
        pressWindow(*t, c.px, c.py);
        const std::string e = c.expect;
        const bool moved = t->guyTable[0].x != 3007;
        if (e == "world") {
            EXPECT_EQ(t->guyTable[0].x, c.px * 15 + 3000) << c.px;
        } else if (e == "rnd") {
            EXPECT_TRUE(t->Timer1Enabled);
            EXPECT_FALSE(moved);
        } else if (e == "option5") {
            EXPECT_EQ(t->selectedOption, 5);
            EXPECT_FALSE(moved);
        } else {
            EXPECT_FALSE(moved) << e;
        }
    }
}
