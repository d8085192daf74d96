#include "platform/settings.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "core/codes.h"
#include "session/files.h"

namespace vexlot {

namespace fs = std::filesystem;

namespace {

constexpr std::array<KeyAction, kKeyActions> kKeyActionTable = {{
    {"p1.left", 0, VirtualKey::Left, "Left", "walk left"},
    {"p1.right", 0, VirtualKey::Right, "Right", "walk right"},
    {"p1.jump", 0, VirtualKey::Up, "Up", "jump"},
    {"p1.crawl", 0, VirtualKey::Down, "Down", "crawl, hang on ledges"},
    {"p1.fire", 0, VirtualKey::Alt, "Alt", "fire (hold the laser, release to shoot)"},
    {"p1.aimup", 0, VirtualKey::Comma, "Comma", "aim up (down when facing left)"},
    {"p1.aimdown", 0, VirtualKey::Period, "Period", "aim down (up when facing left)"},
    {"p1.straight", 0, VirtualKey::Slash, "Slash", "aim straight ahead"},
    {"p2.left", 1, VirtualKey::Left, "A", "player 2: walk left"},
    {"p2.right", 1, VirtualKey::Right, "D", "player 2: walk right"},
    {"p2.jump", 1, VirtualKey::Up, "W", "player 2: jump"},
    {"p2.crawl", 1, VirtualKey::Down, "S", "player 2: crawl"},
    {"p2.fire", 1, VirtualKey::Alt, "Space", "player 2: fire"},
    {"p2.aimup", 1, VirtualKey::Comma, "Q", "player 2: aim up"},
    {"p2.aimdown", 1, VirtualKey::Period, "E", "player 2: aim down"},
    {"p2.straight", 1, VirtualKey::Slash, "F", "player 2: aim straight"},
    {"p2.nextweapon", 1, kNextWeaponKey, "Tab", "player 2: next weapon"},
}};

const std::vector<std::string>& keyNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"Left", "Right", "Up", "Down", "Alt", "Ctrl", "Shift", "Space", "Return", "Tab",
                                      "Backspace", "Comma", "Period", "Slash", "Semicolon", "Quote", "Backslash",
                                      "Left Bracket", "Right Bracket", "Backquote", "Insert", "Delete", "Home",
                                      "End", "Page Up", "Page Down"};
        for (char c = 'A'; c <= 'Z'; ++c) n.emplace_back(1, c);
        for (char c = '0'; c <= '9'; ++c) n.emplace_back(1, c);
        for (char c = '0'; c <= '9'; ++c) n.push_back(std::string("Keypad ") + c);
        return n;
    }();
    return names;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// A value as the one-line report shows it: printable, and not too long.
std::string shown(const std::string& s) {
    std::string out;
    for (char c : s.substr(0, 40)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return s.size() > 40 ? out + "..." : out;
}

std::string quoted(const std::string& s) {
    std::string out(1, '\'');
    out += s;
    out += '\'';
    return out;
}

bool parseBool(const std::string& v, const char* yes, const char* no, bool& out) {
    if (lower(v) == yes) out = true;
    else if (lower(v) == no) out = false;
    else return false;
    return true;
}

// A whole number lo..hi, or nothing.
std::optional<int> parseNumber(const std::string& v, int lo, int hi) {
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end || n < lo || n > hi) return std::nullopt;
    return static_cast<int>(n);
}

}  // namespace

const std::array<KeyAction, kKeyActions>& keyActions() { return kKeyActionTable; }

Settings::Settings() {
    for (int i = 0; i < kKeyActions; ++i) keys[i] = kKeyActionTable[i].defaultKey;
}

std::string canonicalKeyName(const std::string& name) {
    std::string n = lower(trim(name));
    // Other spellings players and SDL use; either Alt, Ctrl or Shift key counts as the one.
    static const std::pair<const char*, const char*> aliases[] = {
        {"full stop", "period"}, {"fullstop", "period"}, {"dot", "period"},       {".", "period"},
        {",", "comma"},          {"/", "slash"},         {";", "semicolon"},      {"enter", "return"},
        {"control", "ctrl"},     {"left ctrl", "ctrl"},  {"right ctrl", "ctrl"},  {"left alt", "alt"},
        {"right alt", "alt"},    {"left shift", "shift"}, {"right shift", "shift"}, {"pageup", "page up"},
        {"pagedown", "page down"}, {"spacebar", "space"}};
    for (auto [from, to] : aliases)
        if (n == from) n = to;
    for (const std::string& k : keyNames())
        if (lower(k) == n) return k;
    return "";
}

std::string formatSettings(const Settings& s) {
    std::ostringstream o;
    o << "# Vexlot settings: written by the game when a setting changes; you may edit it.\n"
         "# A key is one of: Left Right Up Down Alt Ctrl Shift Space Return Tab Backspace Comma Period\n"
         "#   Slash Semicolon Quote Backslash, A..Z, 0..9, Keypad 0..9, Insert Delete Home End, Page Up/Down.\n";
    o << "sound = " << (s.sound ? "on" : "off") << "\n";
    o << "volume = " << s.volume << "\n";
    o << "scale = " << (s.scale > 0 ? std::to_string(s.scale) : "auto") << "\n";
    o << "fit = " << (s.fill ? "fill" : "whole") << "\n";
    o << "fullscreen = " << (s.fullscreen ? "yes" : "no") << "\n";
    o << "look = " << (s.backdrop ? "backdrop" : "classic") << "\n";
    o << "duel = " << (s.duel ? "yes" : "no") << "\n";
    for (int i = 0; i < kKeyActions; ++i) o << kKeyActionTable[i].setting << " = " << s.keys[i] << "\n";
    if (!s.relay.empty()) o << "relay = " << s.relay << "\n";
    return o.str();
}

// One line of the file into `s`; `bad` throws naming the line.
template <typename Bad>
void parseLine(Settings& s, const std::string& line, const Bad& bad) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') return;
    const auto eq = t.find('=');
    if (eq == std::string::npos) bad(quoted(shown(t)) + " is not 'name = value'");
    const std::string name = shown(lower(trim(t.substr(0, eq)))), value = shown(trim(t.substr(eq + 1)));
    if (name == "sound") {
        if (!parseBool(value, "on", "off", s.sound)) bad("sound is on or off, not '" + value + "'");
    } else if (name == "volume") {
        const auto v = parseNumber(value, 0, 100);
        if (!v) bad("volume is 0..100, not '" + value + "'");
        s.volume = *v;
    } else if (name == "scale") {
        const auto v = lower(value) == "auto" ? std::optional<int>(0) : parseNumber(value, 1, 16);
        if (!v) bad("scale is auto or 1..16, not '" + value + "'");
        s.scale = *v;
    } else if (name == "fit") {
        if (!parseBool(value, "fill", "whole", s.fill)) bad("fit is whole or fill, not '" + value + "'");
    } else if (name == "fullscreen") {
        if (!parseBool(value, "yes", "no", s.fullscreen)) bad("fullscreen is yes or no, not '" + value + "'");
    } else if (name == "duel") {
        if (!parseBool(value, "yes", "no", s.duel)) bad("duel is yes or no, not '" + value + "'");
    } else if (name == "look") {
        if (!parseBool(value, "backdrop", "classic", s.backdrop)) bad("look is backdrop or classic, not '" + value + "'");
    } else if (name == "relay") {
        // The address only; the network layer checks it when it is used.
        const bool web = value.rfind("ws://", 0) == 0 || value.rfind("wss://", 0) == 0;
        if (!web || value.size() > 200 || value.find_first_of(" \t") != std::string::npos)
            bad("relay is a ws://HOST:PORT address, not '" + value + "'");
        s.relay = value;
    } else {
        int a = 0;
        while (a < kKeyActions && name != kKeyActionTable[a].setting) ++a;
        if (a == kKeyActions) bad("unknown setting '" + name + "'");
        const std::string key = canonicalKeyName(value);
        if (key.empty()) bad("'" + value + "' is not a key name");
        s.keys[a] = key;
    }
}

Settings parseSettings(const std::string& text, std::vector<std::string>* problems) {
    Settings s;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto bad = [&](const std::string& why) {
        throw std::runtime_error("line " + std::to_string(number) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++number;
        try {
            parseLine(s, line, bad);
        } catch (const std::runtime_error& e) {
            if (!problems) throw;
            problems->push_back(e.what());
        }
    }
    // One key for two actions: the later action goes back to its own key; if that clashes again,
    // every key does.
    auto clash = [&](bool reset) {
        bool found = false;
        for (int a = 0; a < kKeyActions; ++a)
            for (int b = a + 1; b < kKeyActions; ++b) {
                if (s.keys[a] != s.keys[b]) continue;
                const std::string why = std::string(kKeyActionTable[a].setting) + " and " + kKeyActionTable[b].setting +
                                        " are both " + s.keys[a];
                if (!problems) throw std::runtime_error(why);
                found = true;
                if (reset) {
                    problems->push_back(why + "; " + kKeyActionTable[b].setting + " is " + kKeyActionTable[b].defaultKey +
                                        " again");
                    s.keys[b] = kKeyActionTable[b].defaultKey;
                }
            }
        return found;
    };
    if (clash(true) && clash(false)) {
        problems->push_back("the keys still clash: every key is its default again");
        s.keys = Settings().keys;
    }
    return s;
}

std::optional<fs::path> settingsPath() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return fs::path(xdg) / "vexlot" / "settings";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return fs::path(home) / ".config" / "vexlot" / "settings";
    return std::nullopt;
}

LoadedSettings loadSettings(const std::optional<fs::path>& path) {
    LoadedSettings r;
    std::error_code ec;
    if (!path || !fs::exists(*path, ec)) return r;
    r.existed = true;
    std::vector<std::string> problems;
    std::string text;
    try {
        text = readInputFile(path->string(), 64 << 10);
        r.settings = parseSettings(text, &problems);
    } catch (const std::exception& e) {
        problems = {e.what()};  // unreadable whole: the defaults
    }
    if (problems.empty()) return r;
    // The user's file is kept as it was beside the new one, which keeps every line that was right.
    const std::string bad = path->string() + ".bad";
    r.problem = "settings file " + path->string() + " is damaged (" + problems.front() +
                (problems.size() > 1 ? " and " + std::to_string(problems.size() - 1) + " more" : "") +
                "); the rest of it is used, the damaged file is kept as " + bad;
    if (std::rename(path->c_str(), bad.c_str()) != 0) {
        r.problem += " (but it could not be: " + std::string(std::strerror(errno)) + "; the file is left as it was)";
        return r;
    }
    std::string error;
    if (!saveSettings(path, r.settings, error)) r.problem += " (" + error + ")";
    return r;
}

bool saveSettings(const std::optional<fs::path>& path, const Settings& s, std::string& error) {
    if (!path) {
        error = "no config folder (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    std::error_code ec;
    fs::create_directories(path->parent_path(), ec);
    // Written into a new file of its own beside it (created exclusively, never through a symlink)
    // and renamed over it, so a crash mid-write never leaves half a file and a planted link is
    // replaced, not written through.
    NewFile temp;
    try {
        temp = createUnique(path->parent_path().string(), "." + path->filename().string(), "new");
        writeNewFile(temp, formatSettings(s));
    } catch (const std::exception& e) {
        if (!temp.path.empty()) ::unlink(temp.path.c_str());
        error = e.what();
        return false;
    }
    if (std::rename(temp.path.c_str(), path->c_str()) != 0) {
        error = "cannot replace " + path->string() + ": " + std::strerror(errno);
        ::unlink(temp.path.c_str());
        return false;
    }
    return true;
}

}  // namespace vexlot
