// The headless runner as tools use it: options, dumps, pictures, script errors, determinism.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "program.h"

namespace fs = std::filesystem;
using vexlot::test::run;
using vexlot::test::RunResult;
using vexlot::test::slurp;
using vexlot::test::TempDir;

TEST(Runner, SameSeedAndScriptGiveByteIdenticalDumps) {
    TempDir t;
    std::ofstream(t / "s.txt") << "5 down 39\n40 up 39\n45 char 52\n46 down 18\n80 up 18\n90 char 115\n"
                                  "95 down 18\n120 up 18\n";
    for (const char* name : {"a.json", "b.json"}) {
        RunResult r = run("--headless --frames 150 --seed 3 --script " + t / "s.txt" + " --dump " +
                    (t / name));
        ASSERT_EQ(r.status, 0) << r.output;
    }
    const std::string a = slurp(t / "a.json");
    EXPECT_EQ(a, slurp(t / "b.json"));
    EXPECT_NE(a.find("\"frame\":150"), std::string::npos);
    RunResult other = run("--headless --frames 150 --seed 4 --script " + t / "s.txt" + " --dump " +
                    t / "c.json");
    ASSERT_EQ(other.status, 0);
    EXPECT_NE(a, slurp(t / "c.json"));
}

TEST(Runner, FrameZeroDumpHoldsTheStartState) {
    TempDir t;
    RunResult r = run("--headless --frames 0 --seed 1 --dump " + t / "d.json");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string d = slurp(t / "d.json");
    for (const char* needle : {"\"frame\":0", "\"lastGuy\":2", "\"scrollStage\":-1", "\"soundOn\":0",
                               "\"facingLeft\":1", "\"ammolbl\":\"200\"", "\"surfaceHash\":", "\"rocketPartCount\":6"})
        EXPECT_NE(d.find(needle), std::string::npos) << needle;
}

TEST(Runner, WritesTheWindowAndTheWorldAsPictures) {
    TempDir t;
    RunResult r = run("--headless --frames 3 --seed 1 --screenshot " + t / "s.png" + " --world-png " +
                t / "w.png");
    ASSERT_EQ(r.status, 0) << r.output;
    // PNG width and height sit at bytes 16..23 of the header.
    auto size = [](const std::string& png) {
        auto be = [&](int at) {
            return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
                   (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
        };
        return std::pair<int, int>(be(16), be(20));
    };
    EXPECT_EQ(size(slurp(t / "s.png")), std::make_pair(796, 592));
    EXPECT_EQ(size(slurp(t / "w.png")), std::make_pair(3232, 608));
}

TEST(Runner, EscapeEndsTheRunAndTheDumpSaysWhen) {
    TempDir t;
    std::ofstream(t / "s.txt") << "seed 9\n12 char 27\n";
    RunResult r = run("--headless --frames 50 --script " + t / "s.txt" + " --dump " + t / "d.json");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string d = slurp(t / "d.json");
    EXPECT_NE(d.find("\"frame\":12"), std::string::npos);
    EXPECT_NE(d.find("\"ended\":true"), std::string::npos);
    EXPECT_EQ(r.output.find("seed "), std::string::npos);  // the script's seed is used, not printed
}

TEST(Runner, MalformedScriptIsRejectedWithItsLineBeforeAnyFrame) {
    TempDir t;
    std::ofstream(t / "s.txt") << "5 down 39\n\n7 walk 3\n";
    RunResult r = run("--headless --frames 10 --seed 1 --script " + t / "s.txt" + " --dump " +
                t / "d.json");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("line 3"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(t / "d.json"));
    RunResult missing = run("--headless --frames 1 --script " + t / "nope.txt");
    EXPECT_NE(missing.status, 0);
}

TEST(Runner, WithoutASeedOneComesFromTheClockAndIsPrinted) {
    RunResult r = run("--headless --frames 0");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("seed ", 0), 0u) << r.output;
}

TEST(Runner, WindowWithoutADisplaySaysSoAndExitsAtOnce) {
    // No X11 or Wayland to talk to: SDL would fall back to an invisible off-screen window.
    // A program that runs on invisibly is killed after 10 s (status -1) instead of hanging the test.
    const RunResult r = run("--seed 1", "unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER; export XDG_RUNTIME_DIR=/nonexistent "
                                        "XDG_CONFIG_HOME=/nonexistent-config; ( sleep 10; kill -9 $$ ) >/dev/null 2>&1 & ");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("vexlot: no usable display"), std::string::npos) << r.output;
}

TEST(Runner, ScreenshotIsClassicUnlessTheBackdropIsAsked) {
    TempDir t;
    for (const char* name : {"plain", "classic", "backdrop"}) {
        const std::string look = std::string(name) == "plain" ? "" : std::string(" --look ") + name;
        const RunResult r = run("--headless --frames 30 --seed 4 --screenshot " + t / (std::string(name) + ".png") + look);
        ASSERT_EQ(r.status, 0) << r.output;
    }
    EXPECT_EQ(slurp(t / "plain.png"), slurp(t / "classic.png"));
    EXPECT_NE(slurp(t / "plain.png"), slurp(t / "backdrop.png"));
    EXPECT_NE(run("--headless --frames 1 --look dark").status, 0) << "an unknown look is refused";
    EXPECT_NE(run("--headless --frames 1 --fill").status, 0) << "--fill is the window's";
}

TEST(Runner, DuelIsAGameOfTwoTheRecordingSays) {
    TempDir t;
    const RunResult r = run("--headless --duel --frames 120 --seed 6 --record " + t / "duel.replay" + " --dump " + t / "duel.json");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string replay = slurp(t / "duel.replay");
    EXPECT_NE(replay.find("\nplayers 2\nversus 1\nduel yes\n"), std::string::npos) << replay;
    EXPECT_NE(slurp(t / "duel.json").find("\"lastGuy\":1"), std::string::npos) << "no computer guys";
    EXPECT_EQ(run("--headless --replay " + t / "duel.replay").status, 0) << "the replay plays its own duel";
    const struct {
        const char* args;
        const char* says;
    } refused[] = {{"--headless --duel --players 1 --frames 1", "a duel is a game of two"},
                   {"--headless --duel --replay x.replay", "a replay says whether it is a duel"},
                   {"--headless --duel --host 0", "network games"}};
    for (const auto& c : refused) {
        const RunResult bad = run(c.args);
        EXPECT_EQ(bad.status, 2) << c.args;
        EXPECT_NE(bad.output.find(c.says), std::string::npos) << bad.output;
    }
}
