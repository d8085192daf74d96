#include "platform/keys.h"

#include <utility>

namespace vexlot {

namespace {

const std::pair<const char*, SDL_Keycode> kNamed[] = {
    {"Left", SDLK_LEFT},       {"Right", SDLK_RIGHT},        {"Up", SDLK_UP},
    {"Down", SDLK_DOWN},       {"Alt", SDLK_LALT},           {"Ctrl", SDLK_LCTRL},
    {"Shift", SDLK_LSHIFT},    {"Space", SDLK_SPACE},        {"Return", SDLK_RETURN},
    {"Tab", SDLK_TAB},         {"Backspace", SDLK_BACKSPACE}, {"Comma", SDLK_COMMA},
    {"Period", SDLK_PERIOD},   {"Slash", SDLK_SLASH},        {"Semicolon", SDLK_SEMICOLON},
    {"Quote", SDLK_QUOTE},     {"Backslash", SDLK_BACKSLASH}, {"Left Bracket", SDLK_LEFTBRACKET},
    {"Right Bracket", SDLK_RIGHTBRACKET}, {"Backquote", SDLK_BACKQUOTE}, {"Insert", SDLK_INSERT},
    {"Delete", SDLK_DELETE},   {"Home", SDLK_HOME},          {"End", SDLK_END},
    {"Page Up", SDLK_PAGEUP},  {"Page Down", SDLK_PAGEDOWN},
};

// Both Alt, Ctrl and Shift keys act as one.
SDL_Keycode leftHand(SDL_Keycode k) {
    if (k == SDLK_RALT) return SDLK_LALT;
    if (k == SDLK_RCTRL) return SDLK_LCTRL;
    if (k == SDLK_RSHIFT) return SDLK_LSHIFT;
    return k;
}

}  // namespace

SDL_Keycode keycodeForName(const std::string& name) {
    const std::string n = canonicalKeyName(name);
    for (auto [text, key] : kNamed)
        if (n == text) return key;
    if (n.size() == 1 && n[0] >= 'A' && n[0] <= 'Z') return SDLK_a + (n[0] - 'A');
    if (n.size() == 1 && n[0] >= '0' && n[0] <= '9') return SDLK_0 + (n[0] - '0');
    if (n.size() == 8 && n.rfind("Keypad ", 0) == 0) return n[7] == '0' ? SDLK_KP_0 : SDLK_KP_1 + (n[7] - '1');
    return SDLK_UNKNOWN;
}

std::string nameForKeycode(SDL_Keycode key) {
    key = leftHand(key);
    for (auto [text, k] : kNamed)
        if (key == k) return text;
    if (key >= SDLK_a && key <= SDLK_z) return std::string(1, static_cast<char>('A' + (key - SDLK_a)));
    if (key >= SDLK_0 && key <= SDLK_9) return std::string(1, static_cast<char>('0' + (key - SDLK_0)));
    if (key == SDLK_KP_0) return "Keypad 0";
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return std::string("Keypad ") + static_cast<char>('1' + (key - SDLK_KP_1));
    return "";
}

std::string reservedKey(SDL_Keycode key) {
    switch (key) {
    case SDLK_ESCAPE: return "Esc quits";
    case SDLK_p: return "P pauses";
    case SDLK_r: return "R starts a new game";
    case SDLK_MINUS:
    case SDLK_EQUALS: return "- and + set the volume";
    default: break;
    }
    if (key >= SDLK_1 && key <= SDLK_9) return "1 .. 9 choose the weapon";
    if (key >= SDLK_F1 && key <= SDLK_F12) return "the F keys belong to the window";
    if (nameForKeycode(key).empty()) return "that key cannot be used";
    return "";
}

Bindings::Bindings(const Settings& s) {
    for (int a = 0; a < kKeyActions; ++a) keys_[a] = keycodeForName(s.keys[a]);
}

const KeyAction* Bindings::action(SDL_Keycode key, bool twoPlayers) const {
    key = leftHand(key);
    if (key == SDLK_UNKNOWN) return nullptr;
    for (int a = 0; a < kKeyActions; ++a) {
        const KeyAction& act = keyActions()[a];
        if (keys_[a] == key && (act.player == 0 || twoPlayers)) return &act;
    }
    return nullptr;
}

}  // namespace vexlot
