#include "platform/keymap.h"

#include <cstdlib>

#include "core/codes.h"

namespace vexlot {

std::vector<KeyBinding> defaultKeys() {
    return {
        {"p1.left", 0, VirtualKey::Left, "Left"},       {"p1.right", 0, VirtualKey::Right, "Right"},
        {"p1.jump", 0, VirtualKey::Up, "Up"},           {"p1.crawl", 0, VirtualKey::Down, "Down"},
        {"p1.fire", 0, VirtualKey::Alt, "Left Alt"},    {"p1.fire2", 0, VirtualKey::Alt, "Right Alt"},
        {"p1.aimup", 0, VirtualKey::Comma, ","},        {"p1.aimdown", 0, VirtualKey::Period, "."},
        {"p1.straight", 0, VirtualKey::Slash, "/"},
        {"p2.left", 1, VirtualKey::Left, "A"},          {"p2.right", 1, VirtualKey::Right, "D"},
        {"p2.jump", 1, VirtualKey::Up, "W"},            {"p2.crawl", 1, VirtualKey::Down, "S"},
        {"p2.fire", 1, VirtualKey::Alt, "Space"},       {"p2.aimup", 1, VirtualKey::Comma, "Q"},
        {"p2.aimdown", 1, VirtualKey::Period, "E"},     {"p2.straight", 1, VirtualKey::Slash, "F"},
        {"p2.nextweapon", 1, kNextWeaponKey, "Tab"},
    };
}

namespace {
std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}
}  // namespace

std::vector<KeyBinding> readKeys(const std::string& text, const std::string& fileName,
                                 const std::function<bool(const std::string&)>& keyExists, std::string& problem) {
    std::vector<KeyBinding> keys = defaultKeys();
    size_t pos = 0;
    for (int number = 1; pos < text.size(); ++number) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        const std::string line = trimmed(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        const std::string action = trimmed(line.substr(0, eq));
        const std::string key = eq == std::string::npos ? "" : trimmed(line.substr(eq + 1));
        auto fail = [&](const std::string& why) {
            problem = fileName + " line " + std::to_string(number) + ": " + why + "; using the default keys";
            return defaultKeys();
        };
        if (eq == std::string::npos) return fail("expected 'ACTION = KEY'");
        KeyBinding* binding = nullptr;
        for (KeyBinding& b : keys)
            if (b.action == action) binding = &b;
        if (!binding) return fail("no action '" + action.substr(0, 40) + "'");
        if (!keyExists(key)) return fail("no key named '" + key.substr(0, 40) + "'");
        binding->key = key;
    }
    return keys;
}

std::string keysFilePath() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/vexlot/keys";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::string(home) + "/.config/vexlot/keys";
    return "";
}

}  // namespace vexlot
