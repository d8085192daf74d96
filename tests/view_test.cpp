// The window picture's additions: the backdrop only shows where the world is empty and never
// changes the world; the overlays stay off the gauges and follow the picture's size.
#include <gtest/gtest.h>

#include "fixture.h"
#include "view/compose.h"
#include "view/overlay.h"
#include "view/scale.h"
#include "weapons/weapons.h"

#include <algorithm>

using namespace vexlot;

namespace {

uint32_t pixel(const FrameBuffer& fb, int x, int y) { return fb.argb[static_cast<size_t>(y) * fb.width + x]; }

}  // namespace

TEST(Backdrop, FillsOnlyEmptyWorldAndLeavesTheWorldAlone) {
    test::World w;
    // A ground from row 300 over 2200 columns, a crater in it, a red box in the sky.
    w.paint(0, 300, 2199, 607, rgb(0, 99, 49));
    w.paint(100, 300, 139, 359, 0);
    w.paint(50, 100, 59, 109, rgb(255, 0, 0));
    const Backdrop b = backdropFor(w->picback);
    EXPECT_EQ(b.groundRow, 300);
    EXPECT_EQ(b.levelWidth, 2200);
    const uint64_t worldBefore = w->picback.hash();

    FrameBuffer classic, look;
    composeWindow(*w, classic);
    ComposeOptions options;
    options.backdrop = &b;
    composeWindow(*w, look, options);
    EXPECT_EQ(w->picback.hash(), worldBefore);

    // The window shows world rows from the surface's top (picbackTop 0): window y = world row.
    struct Probe { int x, y; const char* what; bool same; } probes[] = {
        {55, 105, "the red box", true},       {500, 400, "the ground", true},
        {55, 150, "empty sky", false},        {120, 320, "the crater (below the ground line)", false},
    };
    for (const Probe& p : probes) {
        if (p.same) EXPECT_EQ(pixel(look, p.x, p.y), pixel(classic, p.x, p.y)) << p.what;
        else EXPECT_NE(pixel(look, p.x, p.y), pixel(classic, p.x, p.y)) << p.what;
    }
    EXPECT_EQ(pixel(classic, 55, 150), 0xFF000000u);
    // Sky and crater differ (earth below the ground line), and the sky is lighter near the horizon.
    EXPECT_NE(pixel(look, 120, 320), pixel(look, 120, 290));
    auto brightness = [](uint32_t c) { return ((c >> 16) & 255) + ((c >> 8) & 255) + (c & 255); };
    EXPECT_GT(brightness(pixel(look, 700, 290)), brightness(pixel(look, 700, 30)));
    // Beyond the level's width there is no earth: empty space below the ground line shows sky.
    w.paint(2170, 340, 2190, 360, 0);
    w->picbackLeft = -2150 * 15.0f;  // the window now starts at world column 2150
    FrameBuffer scrolled;
    composeWindow(*w, scrolled, options);
    EXPECT_EQ(pixel(scrolled, 2180 - 2150, 350), pixel(look, 120, 350)) << "a hole in the level shows earth";
    EXPECT_NE(pixel(scrolled, 2300 - 2150, 350), pixel(look, 120, 350)) << "earth beyond the level";
}

// A network game's window shows one player's view: the same pixels as its half of the two-view window.
TEST(TwoViews, EachViewAloneIsItsHalfOfTheWindow) {
    test::World w;
    w->players = 2;
    w->guyTable[1].health = 17;
    w->guyTable[1].weapon = 3;
    w.paint(0, 300, 2199, 607, rgb(0, 99, 49));
    w.paint(900, 100, 959, 159, rgb(255, 0, 0));
    ComposeOptions options;
    options.labels = true;
    options.secondViewLeft = -800 * 15.0f;
    FrameBuffer both;
    composeWindow(*w, both, options);
    ASSERT_EQ(both.width, 2 * kClientWidthPx);
    for (int view : {0, 1}) {
        options.onlyView = view;
        FrameBuffer alone;
        composeWindow(*w, alone, options);
        ASSERT_EQ(alone.width, kClientWidthPx);
        int differing = 0;
        for (int y = 0; y < kClientHeightPx; ++y)
            for (int x = 0; x < kClientWidthPx; ++x)
                differing += pixel(alone, x, y) != pixel(both, view * kClientWidthPx + x, y);
        EXPECT_EQ(differing, 0) << "view " << view;
    }
}

// The weapon strip beside the count panel: a weapon that fires and has no rounds left shows its key
// dimmed, an empty hand never does; names come from the weapon rows.
TEST(Overlay, WeaponStripDimsOnlyFiringWeaponsWithoutRounds) {
    test::World w;
    w->ammo[Weapon::Shotgun - 1].value = 0;
    w->ammo[Weapon::EmptyHand9 - 1].value = 0;
    w->guyTable[0].weapon = Weapon::Laser;
    FrameBuffer fb(kClientWidthPx, kClientHeightPx);
    composeGaugeLabels(*w, 0, fb, 0);
    // The count of pixels of `colour` in weapon `weapon`'s cell of the strip.
    auto inCell = [&](int weapon, uint32_t colour) {
        const int x0 = twips(4650 + 1005) + 4 + (weapon - 1) * 15, y0 = twips(30);
        int n = 0;
        for (int y = y0; y < y0 + 18; ++y)
            for (int x = x0; x < x0 + 14; ++x) n += pixel(fb, x, y) == colour;
        return n;
    };
    const uint32_t dim = 0xFF606060u, plain = 0xFFC0C0C0u, picked = 0xFFFFFF00u;
    struct Case { int weapon; uint32_t shown, notShown; } cases[] = {
        {Weapon::Shotgun, dim, plain},     {Weapon::EmptyHand9, plain, dim}, {Weapon::Flamethrower, plain, dim},
        {Weapon::Laser, picked, dim},      {Weapon::EmptyHand10, plain, dim},
    };
    for (const Case& c : cases) {
        EXPECT_GT(inCell(c.weapon, c.shown), 0) << c.weapon;
        EXPECT_EQ(inCell(c.weapon, c.notShown), 0) << c.weapon;
    }
    EXPECT_STREQ(weaponName(Weapon::TimeBombThrower), "Time bombs");
    EXPECT_STREQ(weaponName(Weapon::None), "");
    EXPECT_STREQ(weaponName(kWeaponSlots + 1), "");
    EXPECT_EQ(firingWeaponNames(), "pop gun, shotgun, flamethrower, grenades, missiles, time bombs, laser, mines");
}

TEST(Overlay, MessagesAndPanelsKeepOffTheGaugesAtAnyPictureSize) {
    test::World w;
    for (int width : {796, 1592}) {
        FrameBuffer fb;
        fb.width = width;
        fb.argb.assign(static_cast<size_t>(width) * fb.height, 0xFF000000u);
        HelpPanel help;
        help.rows = {{"Left", "walk left", true}, {"F1", "this help", false}};
        WindowOverlay o;
        o.message = "Volume 60";
        o.deathTitle = "You died";
        o.deathKeys = "R: new game     Esc: quit";
        o.hint = "F1: help";
        composeOverlay(fb, o);
        // The gauges' band (rows 0..20 from x 0 to the ammunition count) stays black, the hint at
        // the top right is outside it; the message sits in the bottom band.
        for (int y = 0; y <= 20; ++y)
            for (int x = 0; x < 378; ++x) ASSERT_EQ(pixel(fb, x, y), 0xFF000000u) << width << ": " << x << "," << y;
        int messagePixels = 0;
        for (int y = fb.height - 48; y < fb.height - 26; ++y)
            for (int x = 0; x < width; ++x) messagePixels += pixel(fb, x, y) != 0xFF000000u;
        EXPECT_GT(messagePixels, 40) << width;
        // Centred on the picture, whatever its width.
        int left = width, right = 0;
        for (int x = 0; x < width; ++x)
            if (pixel(fb, x, fb.height / 2 - 100) != 0xFF000000u) left = std::min(left, x), right = std::max(right, x);
        EXPECT_NEAR((left + right) / 2.0, width / 2.0, 2.0) << width;
        o.help = &help;
        composeOverlay(fb, o);
    }
}

TEST(SharpScaler, WholeStepsAreExactAndFractionsMixOnlyAtEdges) {
    FrameBuffer in;
    for (size_t i = 0; i < in.argb.size(); ++i) in.argb[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    SharpScaler scaler;
    std::vector<uint32_t> out;
    // Twice the size: every game pixel becomes exactly a 2 x 2 square.
    scaler.scale(in, 2 * in.width, 2 * in.height, out);
    for (int y = 0; y < 2 * in.height; y += 37)
        for (int x = 0; x < 2 * in.width; ++x)
            ASSERT_EQ(out[static_cast<size_t>(y) * 2 * in.width + x], pixel(in, x / 2, y / 2)) << x << "," << y;
    // 1080 / 592 (a 1920 x 1080 screen): corners are the picture's corners; a pixel inside one game
    // pixel's square is that pixel; rows and columns of game pixels stay 1 or 2 window pixels wide.
    const int w = 1452, h = 1080;
    scaler.scale(in, w, h, out);
    ASSERT_EQ(out.size(), static_cast<size_t>(w) * h);
    EXPECT_EQ(out[0], pixel(in, 0, 0));
    EXPECT_EQ(out[static_cast<size_t>(h) * w - 1], pixel(in, in.width - 1, in.height - 1));
    auto covers = [](int i, int from, int to) {  // the first and last source pixel output pixel i touches
        return std::pair<int, int>(i * from / to, ((i + 1) * from - 1) / to);
    };
    int row = 500;
    while (covers(row, in.height, h).first != covers(row, in.height, h).second) ++row;  // a row of one game row
    const int gy = covers(row, in.height, h).first;
    int pure = 0;
    for (int x = 0; x < w; ++x) {
        const auto [a, b] = covers(x, in.width, w);
        ASSERT_LE(b - a, 1);
        const uint32_t got = out[static_cast<size_t>(row) * w + x];
        if (a == b) {
            ++pure;
            EXPECT_EQ(got, pixel(in, a, gy)) << x;
        } else {
            // A straddling pixel: each channel between those of the two game pixels.
            for (int shift : {0, 8, 16}) {
                const int c = (got >> shift) & 255, p = (pixel(in, a, gy) >> shift) & 255,
                          q = (pixel(in, b, gy) >> shift) & 255;
                EXPECT_GE(c, std::min(p, q) - 1) << x;
                EXPECT_LE(c, std::max(p, q) + 1) << x;
            }
        }
    }
    EXPECT_GT(pure, w / 3);
    // One colour stays that colour everywhere, mixed or not.
    std::fill(in.argb.begin(), in.argb.end(), 0xFF336699u);
    scaler.scale(in, 1000, 744, out);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xFF336699u), 1000 * 744);
}
