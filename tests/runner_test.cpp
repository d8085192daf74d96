// The headless runner as tools use it: options, dumps, pictures, script errors, determinism.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string output;
};

RunResult run(const std::string& args) {
    std::string cmd = std::string(VEXLOT_BINARY) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int status = pclose(p);
    return {WEXITSTATUS(status), out};
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vexlot-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    fs::path operator/(const char* name) const { return path / name; }
};

}  // namespace

TEST(Runner, SameSeedAndScriptGiveByteIdenticalDumps) {
    TempDir t;
    std::ofstream(t / "s.txt") << "5 down 39\n40 up 39\n45 char 52\n46 down 18\n80 up 18\n90 char 115\n"
                                  "95 down 18\n120 up 18\n";
    for (const char* name : {"a.json", "b.json"}) {
        RunResult r = run("--headless --frames 150 --seed 3 --script " + (t / "s.txt").string() + " --dump " +
                    (t / name).string());
        ASSERT_EQ(r.status, 0) << r.output;
    }
    const std::string a = slurp(t / "a.json");
    EXPECT_EQ(a, slurp(t / "b.json"));
    EXPECT_NE(a.find("\"frame\":150"), std::string::npos);
    RunResult other = run("--headless --frames 150 --seed 4 --script " + (t / "s.txt").string() + " --dump " +
                    (t / "c.json").string());
    ASSERT_EQ(other.status, 0);
    EXPECT_NE(a, slurp(t / "c.json"));
}

TEST(Runner, FrameZeroDumpHoldsTheStartState) {
    TempDir t;
    RunResult r = run("--headless --frames 0 --seed 1 --dump " + (t / "d.json").string());
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string d = slurp(t / "d.json");
    for (const char* needle : {"\"frame\":0", "\"lastGuy\":2", "\"scrollStage\":-1", "\"soundOn\":0",
                               "\"facingLeft\":1", "\"ammolbl\":\"200\"", "\"surfaceHash\":", "\"rocketPartCount\":6"})
        EXPECT_NE(d.find(needle), std::string::npos) << needle;
}

TEST(Runner, WritesTheWindowAndTheWorldAsPictures) {
    TempDir t;
    RunResult r = run("--headless --frames 3 --seed 1 --screenshot " + (t / "s.png").string() + " --world-png " +
                (t / "w.png").string());
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
    RunResult r = run("--headless --frames 50 --script " + (t / "s.txt").string() + " --dump " + (t / "d.json").string());
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string d = slurp(t / "d.json");
    EXPECT_NE(d.find("\"frame\":12"), std::string::npos);
    EXPECT_NE(d.find("\"ended\":true"), std::string::npos);
    EXPECT_EQ(r.output.find("seed "), std::string::npos);  // the script's seed is used, not printed
}

TEST(Runner, MalformedScriptIsRejectedWithItsLineBeforeAnyFrame) {
    TempDir t;
    std::ofstream(t / "s.txt") << "5 down 39\n\n7 walk 3\n";
    RunResult r = run("--headless --frames 10 --seed 1 --script " + (t / "s.txt").string() + " --dump " +
                (t / "d.json").string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("line 3"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(t / "d.json"));
    RunResult missing = run("--headless --frames 1 --script " + (t / "nope.txt").string());
    EXPECT_NE(missing.status, 0);
}

TEST(Runner, WithoutASeedOneComesFromTheClockAndIsPrinted) {
    RunResult r = run("--headless --frames 0");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("seed ", 0), 0u) << r.output;
}
