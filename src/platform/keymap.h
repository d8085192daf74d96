// The players' keys: which key of the keyboard plays which of the game's keys for which player. The
// defaults can be changed in a keys file of the user's (`ACTION = KEY` lines, key names as SDL
// spells them: "Left", "Right Alt", "Comma", "W", "Space").
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vexlot {

// Not a game key: the front-end sends the character of the player's next weapon.
constexpr int kNextWeaponKey = -1;

struct KeyBinding {
    std::string action;  // "p1.left", "p2.fire", ...
    int player;          // 0 or 1
    int gameKey;         // the game's virtual key code, or kNextWeaponKey
    std::string key;     // the keyboard key's name
};

// The default keys: the arrows, Alt, comma, full stop and slash for player 1; W A S D, Space, Q, E,
// F and Tab for player 2.
std::vector<KeyBinding> defaultKeys();

// The keys after a keys file's lines. A line that names no action or no key (`keyExists` says which
// names are keys) makes the whole file count as damaged: `problem` says where and why, and the
// defaults are returned. Blank lines and `#` comments are skipped.
std::vector<KeyBinding> readKeys(const std::string& text, const std::string& fileName,
                                 const std::function<bool(const std::string&)>& keyExists, std::string& problem);

// Where the keys file is: $XDG_CONFIG_HOME/vexlot/keys, else ~/.config/vexlot/keys; empty without a home.
std::string keysFilePath();

}  // namespace vexlot
