// The players' keys file: actions bound to keys by name, and a damaged file said in one line.
#include <gtest/gtest.h>

#include <set>

#include "platform/keymap.h"

using namespace vexlot;

namespace {

const std::set<std::string> kKeyNames = {"Left", "Right", "Up", "Down", "Left Alt", "Right Alt", ",", ".", "/",
                                         "A", "D", "W", "S", "Space", "Q", "E", "F", "Tab", "Left Ctrl", "J"};
bool known(const std::string& name) { return kKeyNames.count(name) > 0; }

std::string keyOf(const std::vector<KeyBinding>& keys, const std::string& action) {
    for (const KeyBinding& b : keys)
        if (b.action == action) return b.key;
    return "";
}

}  // namespace

TEST(Keys, AKeysFileRebindsActionsAndADamagedOneLeavesTheDefaults) {
    std::string problem;
    const auto keys = readKeys("# mine\n\np2.fire = Left Ctrl\n  p1.left=J  \n", "keys", known, problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(keyOf(keys, "p2.fire"), "Left Ctrl");
    EXPECT_EQ(keyOf(keys, "p1.left"), "J");
    EXPECT_EQ(keyOf(keys, "p2.left"), "A");  // untouched
    struct Case {
        const char* text;
        const char* expect;
    } cases[] = {
        {"p2.fire Left Ctrl\n", "keys line 1: expected 'ACTION = KEY'; using the default keys"},
        {"p1.left = J\np3.fly = Space\n", "keys line 2: no action 'p3.fly'; using the default keys"},
        {"p1.left = Hyperspace\n", "keys line 1: no key named 'Hyperspace'; using the default keys"},
    };
    for (const Case& c : cases) {
        problem.clear();
        const auto fallback = readKeys(c.text, "keys", known, problem);
        EXPECT_EQ(problem, c.expect);
        EXPECT_EQ(keyOf(fallback, "p1.left"), "Left");
    }
}
