// Finding one's guy and knowing what to do: the markers and the edge arrow land where the guy is in
// the composed picture, the death panel's cause comes from the hazard the game's own probes find,
// the goals count what happened, the best goals file survives damage, big screens fill, and none of
// it changes a replayed game.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fixture.h"
#include "program.h"
#include "session/bests.h"
#include "session/files.h"
#include "session/session.h"
#include "view/compose.h"
#include "view/marks.h"
#include "view/overlay.h"
#include "view/viewport.h"
#include "view/watch.h"

using namespace vexlot;
namespace fs = std::filesystem;

namespace {

// The box holding every pixel of `colour` in columns [x0, x1); empty (count 0) when there is none.
struct Found {
    int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Found find(const FrameBuffer& fb, uint32_t colour, int x0 = 0, int x1 = -1) {
    Found f;
    if (x1 < 0) x1 = fb.width;
    for (int y = 0; y < fb.height; ++y)
        for (int x = x0; x < x1; ++x)
            if (fb.argb[static_cast<size_t>(y) * fb.width + x] == colour) {
                ++f.count;
                f.left = std::min(f.left, x), f.right = std::max(f.right, x);
                f.top = std::min(f.top, y), f.bottom = std::max(f.bottom, y);
            }
    return f;
}

// A guy standing with his head at pixel (px, py) of the world.
void placeGuy(Game& g, int guy, int px, int py) {
    g.guyTable[guy].x = px * 15.0f;
    g.guyTable[guy].y = py * 15.0f;
    g.guyTable[guy].state = GuyState::Normal;
    g.guyTable[guy].health = 25;
}

}  // namespace

TEST(Marks, AMarkerOverEachPlayersGuyAndNoneWhenTurnedOff) {
    test::World w;
    w.paint(0, 300, 2199, 607, rgb(128, 128, 128));  // grey ground, as grey as the player's guy
    placeGuy(*w, 0, 300, 260);
    ComposeOptions options;
    options.marks = true;
    FrameBuffer fb;
    composeWindow(*w, fb, options);
    const Found one = find(fb, playerColour(0));
    ASSERT_GT(one.count, 20);
    // Over his head: centred on his column, ending just above the head dot, not far above it.
    EXPECT_NEAR((one.left + one.right) / 2.0, 300, 3);
    EXPECT_LE(one.bottom, 260);
    EXPECT_GE(one.bottom, 252);
    EXPECT_GE(one.top, 260 - 30);
    EXPECT_EQ(find(fb, playerColour(1)).count, 0) << "a game of one has one marker";
    EXPECT_EQ(markLabel(*w, options, 0), "YOU");

    options.marks = false;
    FrameBuffer off;
    composeWindow(*w, off, options);
    EXPECT_EQ(find(off, playerColour(0)).count, 0);

    // Scrolled: the marker follows the view, not the world.
    w->picbackLeft = -100 * 15.0f;
    options.marks = true;
    composeWindow(*w, fb, options);
    EXPECT_NEAR((find(fb, playerColour(0)).left + find(fb, playerColour(0)).right) / 2.0, 200, 3);
}

TEST(Marks, TwoPlayersEachInHisColourInEitherViewAndYouOnline) {
    test::World w;
    w->players = 2;
    placeGuy(*w, 0, 200, 300);
    placeGuy(*w, 1, 1000, 350);  // in the second view only (it starts at world column 800)
    ComposeOptions options;
    options.marks = true;
    options.secondViewLeft = -800 * 15.0f;
    FrameBuffer fb;
    composeWindow(*w, fb, options);
    const Found first = find(fb, playerColour(0), 0, kClientWidthPx);
    const Found second = find(fb, playerColour(1), kClientWidthPx, 2 * kClientWidthPx);
    EXPECT_NEAR((first.left + first.right) / 2.0, 200, 3);
    EXPECT_NEAR((second.left + second.right) / 2.0, kClientWidthPx + 200, 3);
    EXPECT_LE(second.bottom, 350);
    EXPECT_GE(second.bottom, 342);
    EXPECT_EQ(markLabel(*w, options, 1), "2");
    // Player 2's guy walks into the first view: his marker shows there too, in his colour.
    placeGuy(*w, 1, 500, 350);
    composeWindow(*w, fb, options);
    EXPECT_NEAR((find(fb, playerColour(1), 0, kClientWidthPx).left + find(fb, playerColour(1), 0, kClientWidthPx).right) / 2.0,
                500, 3);
    // Over the network the player a view belongs to is "YOU".
    options.onlyView = 1;
    EXPECT_EQ(markLabel(*w, options, 1), "YOU");
    EXPECT_EQ(markLabel(*w, options, 0), "1");
}

TEST(Marks, AnArrowAtTheEdgeTowardsAGuyOutOfView) {
    struct Case {
        const char* what;
        int px, py;       // his head in the world (the view shows columns 0..795, rows 0..591)
        int tipX, tipY;   // where the arrow's tip is expected
        int metres;
    } cases[] = {
        {"fallen past the picture's end", 400, 591 + 80, 400, kClientHeightPx - 1 - kArrowMargin, 10},
        {"thrown off to the right", 796 + 40, 300, kClientWidthPx - 1 - kArrowMargin, 300, 6},
        {"off to the left, high up", -30, 10, kArrowMargin, kArrowTop, 4},
    };
    for (const Case& c : cases) {
        test::World w;
        placeGuy(*w, 0, c.px, c.py);
        const Mark m = markFor(*w, 0, w->picbackLeft, w->picbackTop, kClientWidthPx, kClientHeightPx, "YOU");
        EXPECT_FALSE(m.inView) << c.what;
        EXPECT_EQ(m.x, c.tipX) << c.what;
        EXPECT_EQ(m.y, c.tipY) << c.what;
        EXPECT_EQ(m.distance, c.metres) << c.what;
        ComposeOptions options;
        options.marks = true;
        FrameBuffer fb;
        composeWindow(*w, fb, options);
        // The arrow's tip pixel is drawn, and all of the arrow and its label lie near the tip.
        const uint32_t colour = playerColour(0);
        EXPECT_EQ(fb.argb[static_cast<size_t>(c.tipY) * fb.width + c.tipX], colour) << c.what;
        const Found f = find(fb, colour);
        EXPECT_LE(std::max(std::abs(f.left - c.tipX), std::abs(f.right - c.tipX)), 80) << c.what;
        EXPECT_LE(std::max(std::abs(f.top - c.tipY), std::abs(f.bottom - c.tipY)), 40) << c.what;
    }
}

TEST(Hazards, PatternedOverTheDeadlyYellowAndFireOnlyWhenAsked) {
    test::World w;
    w.paint(100, 100, 139, 139, kYellow);
    w.paint(200, 100, 239, 139, rgb(255, 96, 0));
    w.paint(300, 100, 339, 139, rgb(0, 99, 49));  // a ground colour: no hazard
    FrameBuffer plain, marked;
    composeWindow(*w, plain);
    ComposeOptions options;
    options.hazardPattern = true;
    composeWindow(*w, marked, options);
    auto differing = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += plain.argb[static_cast<size_t>(y) * plain.width + x] != marked.argb[static_cast<size_t>(y) * marked.width + x];
        return n;
    };
    EXPECT_GT(differing(100, 100, 139, 139), 40 * 40 / 4) << "stripes over the yellow";
    EXPECT_LT(differing(100, 100, 139, 139), 40 * 40 / 2) << "the yellow still shows";
    EXPECT_GE(differing(200, 100, 239, 139), 90) << "dots over the fire";
    EXPECT_EQ(differing(300, 100, 339, 139), 0) << "ground untouched";
    EXPECT_EQ(differing(0, 200, 795, 591), 0) << "empty world untouched";
}

TEST(Watch, TheDeathPanelSaysWhatTheGamesProbesFind) {
    struct Case {
        const char* what;
        int32_t colour;  // painted around the guy (0: nothing)
        int headRow;     // his head's pixel row
        HurtBy expected;
        const char* says;
    } cases[] = {
        {"standing in the deadly yellow", kYellow, 300, HurtBy::DeadlyColour, "Touched the deadly yellow"},
        {"standing in fire", rgb(255, 96, 0), 300, HurtBy::Fire, "Burned by fire"},
        {"nothing around him", 0, 300, HurtBy::Blast, "Caught by a blast or a shot"},
        {"below the picture's end", 0, 600, HurtBy::Fall, "Fell past the picture's end"},
    };
    for (const Case& c : cases) {
        test::World w;
        placeGuy(*w, 0, 400, c.headRow);
        if (c.colour) w.paint(380, c.headRow - 10, 420, c.headRow + 30, c.colour);
        PlayWatch watch;
        watch.start(*w);
        watch.afterFrame(*w);
        EXPECT_EQ(watch.hurtBy(0), HurtBy::Nothing) << c.what << ": not hurt yet";
        EXPECT_EQ(watch.deathLine(0), "");
        setLife(*w, w->life.value - 3);
        watch.afterFrame(*w);
        EXPECT_EQ(watch.hurtBy(0), c.expected) << c.what;
        EXPECT_EQ(watch.deathLine(0), std::string(c.says) + ", 50 m into the level") << c.what;
    }
}

// The life lost while bleeding after the deadly colour is still the yellow's; fire long ago is not.
TEST(Watch, BleedingAfterAHazardIsStillTheHazards) {
    struct Case { int32_t colour; int framesAway; HurtBy expected; } cases[] = {
        {kYellow, 60, HurtBy::DeadlyColour},
        {kYellow, 200, HurtBy::Blast},
        {rgb(255, 96, 0), 10, HurtBy::Fire},
        {rgb(255, 96, 0), 100, HurtBy::Blast},
    };
    for (const Case& c : cases) {
        test::World w;
        placeGuy(*w, 0, 400, 300);
        w.paint(380, 290, 420, 330, c.colour);
        PlayWatch watch;
        watch.start(*w);
        watch.afterFrame(*w);
        placeGuy(*w, 0, 600, 300);  // away from it
        for (int f = 0; f < c.framesAway; ++f) watch.afterFrame(*w);
        setLife(*w, w->life.value - 1);
        watch.afterFrame(*w);
        EXPECT_EQ(watch.hurtBy(0), c.expected) << c.framesAway;
    }
}

TEST(Watch, GoalsCountDownedGuysEventsAndTimeOnce) {
    test::World w;
    placeGuy(*w, 0, 100, 300);
    placeGuy(*w, 1, 200, 300);
    w->lastGuy = 1;
    w->scrollStage = -1;
    PlayWatch watch;
    watch.start(*w);
    for (int f = 0; f < 5; ++f) watch.afterFrame(*w);
    EXPECT_EQ(watch.goals(), (Goals{0, 0, 5}));
    w->guyTable[1].health = 0;  // downed: counted once, however long he lies
    w->guyTable[1].state = GuyState::Dead;
    w->scrollStage = 2;
    for (int f = 0; f < 3; ++f) watch.afterFrame(*w);
    EXPECT_EQ(watch.goals(), (Goals{1, 3, 8}));
    // The level sets a guy up again in a used place of the table, and he can be downed again;
    // a new place taken into the table counts when its guy goes down.
    placeGuy(*w, 1, 200, 300);
    placeGuy(*w, 2, 250, 300);
    w->lastGuy = 2;
    watch.afterFrame(*w);
    w->guyTable[1].health = 0;
    w->guyTable[1].state = GuyState::Hurt;  // hurt with no hit points left is down
    w->guyTable[2].state = GuyState::Dead;
    watch.afterFrame(*w);
    EXPECT_EQ(watch.goals().downed, 3);
    // Once the player's guy is down, time stops and guys he did not down are not his.
    setLife(*w, 0);
    w->guyTable[0].state = GuyState::Dead;
    placeGuy(*w, 1, 200, 300);
    watch.afterFrame(*w);
    w->guyTable[1].state = GuyState::Dead;
    watch.afterFrame(*w);
    EXPECT_EQ(watch.goals(), (Goals{3, 3, 10}));
    EXPECT_EQ(timeText(62 * 60 + 63), "1:00");
    EXPECT_EQ(timeText(4063), "1:05");
    EXPECT_EQ(timeText(3600, 1000.0 / 60), "1:00") << "the page's 60 frames a second";
}

TEST(BestGoals, WrittenInOneStepAndDamageIsNamed) {
    test::TempDir t;
    const std::string folder = t.path.string();
    std::string problem, why;
    EXPECT_EQ(loadBests(folder, problem), Bests{});
    EXPECT_EQ(problem, "");
    const Bests b{4, 3, 5000};
    EXPECT_EQ(parseBests(formatBests(b)), b);
    EXPECT_EQ(Bests({4, 1, 9}).merged({2, 5, 3}), (Bests{4, 5, 9}));
    // A symlink planted under the name is replaced, its target left alone; no temporary file stays.
    std::ofstream(t.path / "target") << "mine\n";
    fs::create_symlink(t.path / "target", t.path / kBestsFile);
    ASSERT_TRUE(saveBests(folder, b, why)) << why;
    EXPECT_FALSE(fs::is_symlink(t.path / kBestsFile));
    EXPECT_EQ(test::slurp((t.path / "target").string()), "mine\n");
    EXPECT_EQ(loadBests(folder, problem), b);
    int files = 0;
    for (const auto& e : fs::directory_iterator(t.path)) files += e.is_regular_file() || e.is_symlink();
    EXPECT_EQ(files, 2) << "the best file and the planted target only";

    struct Case { const char* text; const char* says; } damaged[] = {
        {"downed = 3\nevents = 9\n", "line 2"},
        {"downed = -1\n", "line 1"},
        {"downed=3\n", "line 1"},
        {"speed = 3\n", "line 1"},
        {"frames = 12abc\n", "line 1"},
    };
    for (const Case& c : damaged) {
        std::ofstream(t.path / kBestsFile, std::ios::trunc) << c.text;
        problem.clear();
        EXPECT_EQ(loadBests(folder, problem), Bests{}) << c.text;
        EXPECT_NE(problem.find(folder + "/best: " + c.says), std::string::npos) << problem;
    }
    fs::remove(t.path / kBestsFile);
    fs::create_directory(t.path / kBestsFile);
    problem.clear();
    loadBests(folder, problem);
    EXPECT_NE(problem.find("it is a folder"), std::string::npos) << problem;
    EXPECT_FALSE(saveBests(folder, b, why)) << "a folder in the way is not replaced";
    EXPECT_NE(why.find(folder + "/best"), std::string::npos) << why;
}

TEST(BigScreens, WholeStepsThatLeaveMuchUnusedGiveWayToTheFill) {
    struct Case { int w, h; FitMode mode; } cases[] = {
        {1912, 1040, FitMode::Fill},   // 1920 x 1080 less a frame: one step would use a quarter
        {1272, 680, FitMode::Fill},    // 1280 x 720: one step, half of it unused
        {1592, 1184, FitMode::Whole},  // two steps exactly
        {1700, 1200, FitMode::Whole},  // two steps, little left over
        {800, 600, FitMode::Whole},
        {500, 400, FitMode::Whole},    // smaller than the picture: shrunk either way
    };
    for (const Case& c : cases)
        EXPECT_EQ(autoFit(c.w, c.h, kClientWidthPx, kClientHeightPx), c.mode) << c.w << " x " << c.h;
}

// Every recorded scene plays to the same end with each of the view's new settings on and off,
// every frame composed with them and watched.
TEST(Finding, ReplayScenesAreUnchangedWithMarkersPatternsAndGoals) {
    const fs::path dir = fs::path(VEXLOT_SOURCE_DIR) / "tests" / "replays";
    for (const char* name : {"rocket", "weapons", "firepit", "walk", "duel"}) {
        for (bool on : {false, true}) {
            const Script replay = parseScript(test::slurp((dir / (std::string(name) + ".replay")).string()));
            Session session(replay.seed, builtinLevel(), nullptr, replay.players, replay.rules);
            session.play(replay);
            PlayWatch watch;
            watch.start(session.game());
            const Backdrop backdrop = backdropFor(session.game().picback);
            FrameBuffer fb;
            ComposeOptions options;
            options.marks = on;
            options.hazardPattern = on;
            options.backdrop = on ? &backdrop : nullptr;
            options.labels = on;
            while (!session.scriptDone() && session.step()) {
                ASSERT_FALSE(session.mismatch()) << name;
                watch.afterFrame(session.game());
                options.secondViewLeft = session.secondViewLeft();
                if (session.game().frame % 7 == 0) composeWindow(session.game(), fb, options);
            }
            EXPECT_EQ(session.checksPassed(), static_cast<int>(replay.checks.size())) << name << (on ? " on" : " off");
        }
    }
}

// The overlay's letters: every printable character its own picture inside its 6 x 12 cell (two
// rows above the capitals' top), so "w" no longer reads as "u".
TEST(OverlayFont, EveryPrintableCharacterIsItsOwnAndStaysInItsCell) {
    std::vector<std::vector<uint32_t>> seen;
    for (int c = 33; c < 127; ++c) {
        FrameBuffer fb(20, 20);
        fb.text(6, 6, std::string(1, static_cast<char>(c)), 0xFFFFFFFFu);
        int ink = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (fb.argb[y * 20 + x]) {
                    ++ink;
                    EXPECT_TRUE(x >= 6 && x < 12 && y >= 4 && y < 16) << static_cast<char>(c) << " at " << x << "," << y;
                }
        EXPECT_GT(ink, 0) << static_cast<char>(c);
        for (const auto& other : seen) EXPECT_NE(other, fb.argb) << static_cast<char>(c) << " looks like another";
        seen.push_back(fb.argb);
    }
    EXPECT_EQ(textWidth("Down"), 24);
    // Scaled text keeps square pixels: "I" at scale 3 is three times as wide and tall.
    FrameBuffer big(40, 60);
    big.text(3, 9, "I", 0xFFFFFFFFu, 3);
    const Found f = find(big, 0xFFFFFFFFu);
    FrameBuffer small(20, 20);
    small.text(1, 3, "I", 0xFFFFFFFFu);
    const Found g = find(small, 0xFFFFFFFFu);
    EXPECT_EQ(f.count, 9 * g.count);
    EXPECT_EQ(f.bottom - f.top + 1, 3 * (g.bottom - g.top + 1));
}
