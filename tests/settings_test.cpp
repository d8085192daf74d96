// The window's settings file: what it writes reads back, damage is named by line, kept aside and
// only the damaged lines replaced, symlinks replaced and never written through, key names are the ones players read (and the ones SDL writes).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/settings.h"

using namespace vexlot;
namespace fs = std::filesystem;

namespace {

std::string& keyOf(Settings& s, const std::string& action) {
    for (int a = 0; a < kKeyActions; ++a)
        if (action == keyActions()[a].setting) return s.keys[a];
    throw std::logic_error("no action " + action);
}

}  // namespace

TEST(Settings, WhatIsWrittenReadsBack) {
    Settings s;
    s.sound = true;
    s.volume = 35;
    s.scale = 2;
    s.fill = true;
    s.fullscreen = true;
    s.backdrop = false;
    s.duel = true;
    keyOf(s, "p1.fire") = "Ctrl";
    keyOf(s, "p1.jump") = "Return";
    keyOf(s, "p2.aimup") = "Page Up";
    EXPECT_EQ(parseSettings(formatSettings(s)), s);
    EXPECT_EQ(parseSettings(formatSettings(Settings{})), Settings{});
    // Missing lines keep the defaults; names and values are read in any case, with spaces around.
    Settings partial = parseSettings("# mine\n\n  SOUND = On \np1.fire=control\np1.aimdown = full stop\n"
                                     "p2.fire = Left Shift\np1.aimup = Right Alt\n");
    EXPECT_TRUE(partial.sound);
    EXPECT_EQ(partial.volume, 100);
    EXPECT_FALSE(partial.duel);
    EXPECT_TRUE(parseSettings("duel = yes\n").duel);
    EXPECT_EQ(keyOf(partial, "p1.fire"), "Ctrl");
    EXPECT_EQ(keyOf(partial, "p1.aimdown"), "Period");
    EXPECT_EQ(keyOf(partial, "p1.left"), "Left");
    EXPECT_EQ(keyOf(partial, "p2.left"), "A");
    EXPECT_EQ(keyOf(partial, "p2.fire"), "Shift");
    EXPECT_EQ(keyOf(partial, "p1.aimup"), "Alt") << "either Alt key is Alt";
}

TEST(Settings, DamageIsNamedByLine) {
    struct Case { const char* text; const char* says; } cases[] = {
        {"sound = on\nvolume = 101\n", "line 2: volume is 0..100, not '101'"},
        {"volume = ten\n", "line 1: volume is 0..100"},
        {"volume =\n", "line 1: volume is 0..100, not ''"},
        {"scale = 0\n", "line 1: scale is auto or 1..16"},
        {"fit = stretch\n", "line 1: fit is whole or fill"},
        {"look = dark\n", "line 1: look is backdrop or classic"},
        {"fullscreen = maybe\n", "line 1: fullscreen is yes or no"},
        {"duel = on\n", "line 1: duel is yes or no, not 'on'"},
        {"\n\np1.fire = Hyper\n", "line 3: 'Hyper' is not a key name"},
        {"colour = red\n", "line 1: unknown setting 'colour'"},
        {"\x01\x02garbage\xff\n", "line 1: '??garbage?' is not"},
        {"p1.fire = Up\n", "p1.jump and p1.fire are both Up"},
        {"p2.left = Left\n", "p1.left and p2.left are both Left"},
        {"p3.fly = Space\n", "line 1: unknown setting 'p3.fly'"},
    };
    for (const Case& c : cases) {
        try {
            parseSettings(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

TEST(Settings, KeyNamesPlayersRead) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"left", "Left"}, {"ALT", "Alt"}, {"comma", "Comma"}, {"Full Stop", "Period"}, {"enter", "Return"},
        {"z", "Z"},       {"7", "7"},     {"keypad 4", "Keypad 4"}, {"page down", "Page Down"},
        {"F1", ""},       {"", ""},       {"Left Alt Gr", ""}};
    for (const Case& c : cases) EXPECT_EQ(canonicalKeyName(c.in), c.out) << c.in;
}

TEST(Settings, ADamagedFileIsKeptAsBadAndOnlyItsBadLinesAreReplaced) {
    const fs::path dir = fs::temp_directory_path() / ("vexlot-settings-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const fs::path file = dir / "vexlot" / "settings";

    LoadedSettings none = loadSettings(file);
    EXPECT_FALSE(none.existed);
    EXPECT_TRUE(none.problem.empty());

    Settings mine;
    mine.volume = 20;
    std::string error;
    ASSERT_TRUE(saveSettings(file, mine, error)) << error;  // makes the folders
    LoadedSettings back = loadSettings(file);
    EXPECT_TRUE(back.existed);
    EXPECT_EQ(back.settings, mine);

    // A bad value and a moved key: the good lines stay, the bad one is its default, and the
    // user's file is kept whole beside the new one.
    const std::string text = "volume = 20\nsound = loud\np1.fire = Ctrl\np2.fire = Ctrl\nfit = fill\n";
    std::ofstream(file, std::ios::trunc) << text;
    LoadedSettings damaged = loadSettings(file);
    Settings expected;
    expected.volume = 20;
    expected.fill = true;
    keyOf(expected, "p1.fire") = "Ctrl";  // p2.fire takes its own key back
    EXPECT_EQ(damaged.settings, expected);
    EXPECT_EQ(damaged.problem.find('\n'), std::string::npos);
    EXPECT_NE(damaged.problem.find("line 2"), std::string::npos) << damaged.problem;
    EXPECT_NE(damaged.problem.find("and 1 more"), std::string::npos) << damaged.problem;
    EXPECT_NE(damaged.problem.find(file.string() + ".bad"), std::string::npos) << damaged.problem;
    std::stringstream now, bad;
    now << std::ifstream(file).rdbuf();
    bad << std::ifstream(file.string() + ".bad").rdbuf();
    EXPECT_EQ(now.str(), formatSettings(expected));
    EXPECT_EQ(bad.str(), text);
    EXPECT_TRUE(loadSettings(file).problem.empty());

    // A file that cannot be read at all (a folder in its place) is kept too; the defaults are used.
    fs::remove(file);
    fs::create_directories(file / "inside");
    LoadedSettings folder = loadSettings(file);
    EXPECT_EQ(folder.settings, Settings{});
    EXPECT_NE(folder.problem.find("folder"), std::string::npos) << folder.problem;
    fs::remove_all(dir);
}

// Links planted where the file or an old temporary name lies are replaced, never written through.
TEST(Settings, SavingReplacesPlantedLinksWithoutWritingThroughThem) {
    const fs::path dir = fs::temp_directory_path() / ("vexlot-settings-links-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "settings", target = dir / "precious";
    std::ofstream(target) << "precious";
    fs::create_symlink(target, dir / "settings.new");
    fs::create_symlink(target, file);
    Settings s;
    s.volume = 7;
    std::string error;
    ASSERT_TRUE(saveSettings(file, s, error)) << error;
    std::stringstream kept;
    kept << std::ifstream(target).rdbuf();
    EXPECT_EQ(kept.str(), "precious");
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(loadSettings(file).settings, s);
    int leftovers = 0;
    for (const auto& e : fs::directory_iterator(dir)) leftovers += e.path().extension() == ".new" && !fs::is_symlink(e.path());
    EXPECT_EQ(leftovers, 0);
    fs::remove_all(dir);
}
