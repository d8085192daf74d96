// A game controller plays one player through the same key codes as the keyboard: d-pad or left
// stick walk and crawl, A jumps, X or the right trigger fires, the shoulders aim, Y aims straight
// and B picks the next weapon. Unplugging it releases whatever it held.
#pragma once
#include <SDL2/SDL.h>

#include <array>
#include <vector>

#include "session/script.h"

namespace vexlot {

class Gamepad {
public:
    Gamepad() = default;
    Gamepad(const Gamepad&) = delete;
    Gamepad& operator=(const Gamepad&) = delete;
    ~Gamepad() { close(); }
    bool isOpen() const { return pad_ != nullptr; }
    // Opens the controller at device index `index`; false when it is not a game controller.
    bool open(int index);
    // Closes the pad when it is the joystick that was unplugged.
    void closeIfRemoved(SDL_JoystickID id);
    // Key-down and key-up events for `player` for every change of the pad since the last call.
    void poll(std::vector<InputEvent>& out, int player, int currentWeapon);

private:
    static constexpr int kButtons = 9;
    static constexpr int kDeadZone = 16000;
    void close();
    SDL_GameController* pad_ = nullptr;
    std::array<bool, kButtons> held_{};
};

// The character that picks the weapon after `weapon`: "1".."9", ":", and round again.
int nextWeaponChar(int weapon);

}  // namespace vexlot
