// The window's settings that stay between runs: a small text file in the user's config folder
// ($XDG_CONFIG_HOME/vexlot/settings, else ~/.config/vexlot/settings), read at start and written
// whenever a setting changes. It holds both players' keys, named as players read them ("Left",
// "Alt", "Comma", "W"). No SDL here: the window turns key names into its own key codes.
#pragma once
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vexlot {

// Not a game key: the window sends the character of the player's next weapon.
constexpr int kNextWeaponKey = -1;

// A key a player can move: which player, and what it sends the game.
struct KeyAction {
    const char* setting;     // its name in the settings file ("p1.fire")
    int player;              // 0 or 1
    int gameKey;             // the game's virtual key code, or kNextWeaponKey
    const char* defaultKey;  // the arrows, Alt, Comma, Period and Slash for player 1; W A S D,
                             // Space, Q, E, F and Tab for player 2
    const char* describe;    // what the help panel says it does
};
constexpr int kKeyActions = 17;
const std::array<KeyAction, kKeyActions>& keyActions();

struct Settings {
    bool sound = false;    // the game starts silent unless the player turned sound on
    int volume = 100;      // 0..100
    int scale = 0;         // first window's whole-number scale, 0 = the largest that fits
    bool fill = false;     // fill the window keeping the shape, instead of whole-number steps
    bool fullscreen = false;
    bool backdrop = true;  // sky and earth behind the world, or the classic black
    bool duel = false;     // games of two without computer guys
    std::array<std::string, kKeyActions> keys;  // key names, one per entry of keyActions()
    std::string relay;     // ws://HOST:PORT of the relay for network games by room code; empty: none

    Settings();
    bool operator==(const Settings&) const = default;
};

// The spelling of a key name as the file writes it ("comma" -> "Comma", "Left Alt" -> "Alt");
// empty if it names no key a player may use.
std::string canonicalKeyName(const std::string& name);

// The file's text for these settings.
std::string formatSettings(const Settings& s);
// Settings from the file's text; a line that cannot be understood throws std::runtime_error
// naming its line number and what is wrong with it, as does one key given to two actions.
// Missing lines keep their defaults. With `problems`, nothing is thrown: each bad line is listed
// there and keeps its default, the good lines are used; of two actions on one key the later gets
// its own default back.
Settings parseSettings(const std::string& text, std::vector<std::string>* problems = nullptr);

// The settings file: $XDG_CONFIG_HOME/vexlot/settings, else $HOME/.config/vexlot/settings;
// none when neither variable names an absolute folder.
std::optional<std::filesystem::path> settingsPath();

struct LoadedSettings {
    Settings settings;
    bool existed = false;  // false on the very first start
    std::string problem;   // one line for the player when the file was damaged
};
// Reads the file. A damaged one is reported in `problem`, renamed to settings.bad, and written
// again with its good lines kept and only the bad ones at their defaults.
LoadedSettings loadSettings(const std::optional<std::filesystem::path>& path);
// Writes the file (its folder made as needed) in one step: a crash never leaves half of it.
// False with a reason in `error` if it cannot.
bool saveSettings(const std::optional<std::filesystem::path>& path, const Settings& s, std::string& error);

}  // namespace vexlot
