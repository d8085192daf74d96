#include "platform/gamepad.h"

#include "core/codes.h"

namespace vexlot {

int nextWeaponChar(int weapon) { return CharCode::Digit0 + weapon % kWeaponSlots + 1; }

bool Gamepad::open(int index) {
    if (!pad_ && SDL_IsGameController(index)) pad_ = SDL_GameControllerOpen(index);
    return pad_ != nullptr;
}

void Gamepad::closeIfRemoved(SDL_JoystickID id) {
    if (pad_ && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad_)) == id) close();
}

void Gamepad::close() {
    if (pad_) SDL_GameControllerClose(pad_);
    pad_ = nullptr;
}

void Gamepad::poll(std::vector<InputEvent>& out, int player, int currentWeapon) {
    std::array<bool, kButtons> now{};
    if (pad_) {
        auto button = [&](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(pad_, b) != 0; };
        auto axis = [&](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(pad_, a); };
        const int lx = axis(SDL_CONTROLLER_AXIS_LEFTX), ly = axis(SDL_CONTROLLER_AXIS_LEFTY);
        now[0] = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || lx < -kDeadZone;
        now[1] = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || lx > kDeadZone;
        now[2] = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) || ly > kDeadZone;
        now[3] = button(SDL_CONTROLLER_BUTTON_A);
        now[4] = button(SDL_CONTROLLER_BUTTON_X) || axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > kDeadZone;
        now[5] = button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
        now[6] = button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
        now[7] = button(SDL_CONTROLLER_BUTTON_Y);
        now[8] = button(SDL_CONTROLLER_BUTTON_B);
    }
    static constexpr int codes[kButtons] = {VirtualKey::Left,   VirtualKey::Right, VirtualKey::Down,
                                            VirtualKey::Up,     VirtualKey::Alt,   VirtualKey::Comma,
                                            VirtualKey::Period, VirtualKey::Slash, 0};
    for (int k = 0; k < kButtons; ++k) {
        if (now[k] == held_[k]) continue;
        InputEvent e;
        if (k == 8) {  // B: next weapon
            if (!now[k]) continue;
            e.type = InputEvent::Type::Char;
            e.code = nextWeaponChar(currentWeapon);
        } else {
            e.type = now[k] ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
            e.code = codes[k];
        }
        e.player = player;
        out.push_back(e);
    }
    held_ = now;
}

}  // namespace vexlot
