// The files the game reads and writes, as a hostile or unlucky user hands them over: each case with
// the message and exit status the program gives, run through the real binary where it matters.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/core.h"
#include "program.h"
#include "session/files.h"
#include "session/script.h"

// The deflate of the PNG writer the program links (stb_image_write, C linkage).
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int size, int* outSize, int quality);

namespace fs = std::filesystem;
using namespace vexlot;

namespace {

using test::slurp;
using Temp = test::TempDir;

void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A PNG of the given header and image data (zlib stream); chunk checksums are not read by the game.
std::string png(uint32_t width, uint32_t height, const std::string& zlibData, uint32_t dataLength) {
    auto be = [](uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    std::string out = "\x89PNG\r\n\x1a\n";
    out += be(13) + "IHDR" + be(width) + be(height) + std::string("\x08\x02\x00\x00\x00", 5) + be(0);
    out += be(dataLength) + "IDAT" + zlibData + be(0);
    out += be(0) + "IEND" + be(0);
    return out;
}
std::string zlib(const std::string& raw) {
    int size = 0;
    unsigned char* z = stbi_zlib_compress(reinterpret_cast<unsigned char*>(const_cast<char*>(raw.data())),
                                          static_cast<int>(raw.size()), &size, 8);
    std::string out(reinterpret_cast<char*>(z), static_cast<size_t>(size));
    std::free(z);
    return out;
}

}  // namespace

TEST(Files, InputsAreReadWithLimitsAndClearErrors) {
    Temp t;
    put(t / "script.txt", "1 down 39\n");
    fs::create_directories(t / "folder");
    // Image data that inflates to a megabyte more than 2400 x 600 pixels need.
    const std::string bomb = zlib(std::string(600 * (1 + 2400 * 3) + (1 << 20), '\0'));
    put(t / "bomb.png", png(2400, 600, bomb, static_cast<uint32_t>(bomb.size())));
    // An IDAT length with its top bit set (the decoder used to fail without a reason).
    put(t / "top-bit.png", png(2400, 600, std::string(60, 'x'), 0x80000010u));
    const std::string small = zlib(std::string(96 * (1 + 45 * 3), '\0'));
    put(t / "small.png", png(45, 96, small, static_cast<uint32_t>(small.size())));
    put(t / "junk.png", "not a picture");
    struct Case {
        std::string args;
        int status;
        const char* expect;
    } cases[] = {
        {"--headless --frames 1 --script " + t / "folder", 2, "it is a folder, not a file"},
        {"--headless --frames 1 --script /dev/zero", 2, "/dev/zero: it is not a regular file"},
        {"--headless --frames 1 --replay " + t / "missing.replay", 2, "No such file or directory"},
        {"--headless --frames 1 --level /dev/zero", 2, "not a regular file"},
        {"--headless --frames 1 --level " + t / "bomb.png", 2, "inflates to more than its size needs"},
        {"--headless --frames 1 --level " + t / "top-bit.png", 2, "corrupt PNG"},
        {"--headless --frames 1 --level " + t / "small.png", 2, "must be 2400 x 600 pixels, this one is 45 x 96"},
        {"--headless --frames 1 --level " + t / "junk.png", 2, "junk.png: not a PNG picture"},
        {"--headless --frames 1 --seed -5", 2, "a seed is a whole number from 0 to 18446744073709551615"},
        {"--headless --frames 1 --seed 18446744073709551616", 2, "a seed is a whole number"},
        {"--headless --replay " + t / "script.txt" + " --seed 3", 2, "--seed cannot be given with --replay"},
        {"--frames 10", 2, "--frames needs --headless"},
        {"--script " + t / "script.txt", 2, "--script needs --headless"},
    };
    for (const Case& c : cases) {
        const test::RunResult r = test::run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.output;
        EXPECT_NE(r.output.find(c.expect), std::string::npos) << c.args << ": " << r.output;
        EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << "one line: " << r.output;
    }
    EXPECT_THROW(readInputFile(t / "script.txt", 5), std::runtime_error);  // over a stated limit
    EXPECT_EQ(readInputFile(t / "script.txt", 10), "1 down 39\n");
}

TEST(Files, OutputsAreCheckedBeforeTheFirstFrame) {
    Temp t;
    put(t / "script.txt", "1 down 39\n");
    put(t / "keep.json", "precious");
    fs::create_directories(t / "locked");
    ::chmod((t / "locked").c_str(), 0500);
    fs::create_symlink(t / "keep.json", t / "link.json");
    const bool root = ::geteuid() == 0;  // root writes into a read-only folder: that case needs a user
    struct Case {
        std::string args;
        const char* expect;
    } cases[] = {
        {"--dump " + t / "a.json" + " --trace " + t / "a.json", "two outputs may not share a file"},
        {"--record " + t / "r" + " --trace " + t / "r", "two outputs may not share a file"},
        {"--dump " + t / "w.png" + " --world-png " + t / "w.png", "two outputs may not share a file"},
        {"--script " + t / "script.txt" + " --dump " + t / "script.txt", "an output may not overwrite an input"},
        {"--dump " + t / "link.json" + " --trace " + t / "keep.json", "two outputs may not share a file"},
        {"--dump " + t / "nofolder/d.json", "--dump: cannot write"},
    };
    for (const Case& c : cases) {
        const test::RunResult r = test::run("--headless --frames 600 --seed 1 " + c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.output.find(c.expect), std::string::npos) << c.args << ": " << r.output;
    }
    EXPECT_EQ(slurp(t / "keep.json"), "precious");
    EXPECT_FALSE(fs::exists(t / "a.json"));
    if (!root) {
        const test::RunResult r = test::run("--headless --frames 1 --dump " + t / "locked/d.json");
        EXPECT_NE(r.output.find("Permission denied"), std::string::npos) << r.output;
    }
    ::chmod((t / "locked").c_str(), 0700);
}

// A full disk, made by a file size limit (the program is not shielded from SIGXFSZ): the recording
// keeps every complete line, the runner says which file stopped and why, and the replay reader verifies what is there.
TEST(Files, ARecordingOnAFullDiskKeepsItsCompleteLines) {
    Temp t;
    const test::RunResult r = test::run("--headless --frames 3000 --seed 4 --record " + t / "full.replay", "ulimit -f 1;");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("recording to " + t / "full.replay" + " stopped: File too large"), std::string::npos) << r.output;
    const std::string text = slurp(t / "full.replay");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_LE(text.size(), 1024u);
    const Script s = parseScript(text);
    EXPECT_EQ(s.endFrame, 0);
    const test::RunResult verify = test::run("--headless --replay " + t / "full.replay");
    EXPECT_EQ(verify.status, 0) << verify.output;
}

TEST(Files, NewFilesNeverOverwriteOrFollowWhatIsThere) {
    Temp t;
    std::vector<std::string> names;
    for (int k = 0; k < 3; ++k) {
        NewFile f = createUnique(t.path.string(), "vexlot", "png");
        writeNewFile(f, "picture " + std::to_string(k));
        names.push_back(f.path);
    }
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);
    EXPECT_EQ(slurp(names[0]), "picture 0");

    // latest.replay planted as a symlink to a file of the user's: replaced, the target untouched.
    put(t / "target", "the user's own file");
    fs::create_symlink(t / "target", t / "latest.replay");
    put(t / "game.replay", "vexlot-replay 2\n");
    std::string why;
    ASSERT_TRUE(publishLatest(t.path.string(), t / "game.replay", why)) << why;
    EXPECT_EQ(slurp(t / "target"), "the user's own file");
    EXPECT_FALSE(fs::is_symlink(t / "latest.replay"));
    EXPECT_EQ(slurp(t / "latest.replay"), "vexlot-replay 2\n");
}

TEST(Files, WithoutAHomeThereIsNoDataFolder) {
    const char* home = std::getenv("HOME");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string savedHome = home ? home : "", savedXdg = xdg ? xdg : "";
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    std::string why;
    EXPECT_FALSE(dataFolder(why));
    EXPECT_NE(why.find("no home folder"), std::string::npos) << why;
    if (home) ::setenv("HOME", savedHome.c_str(), 1);
    if (xdg) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
}
