// The window's keyboard: SDL keys by the names players read in the settings file and the help
// panel, and the bindings from those keys to the players' game keys.
#pragma once
#include <SDL2/SDL_keycode.h>

#include <array>
#include <string>

#include "platform/settings.h"

namespace vexlot {

// The SDL key of a name from the settings ("Alt" is the left Alt; the right one counts too).
SDL_Keycode keycodeForName(const std::string& name);
// The name of an SDL key; empty for keys that cannot be bound.
std::string nameForKeycode(SDL_Keycode key);

// Keys the window keeps for itself and the game's weapon keys, which a binding may not take: a
// reason to tell the player, or empty when the key is free.
std::string reservedKey(SDL_Keycode key);

// Which SDL key plays which of keyActions().
class Bindings {
public:
    explicit Bindings(const Settings& s);
    // The action bound to a key, or null; player 2's only in a game of two.
    const KeyAction* action(SDL_Keycode key, bool twoPlayers) const;

private:
    std::array<SDL_Keycode, kKeyActions> keys_{};
};

}  // namespace vexlot
