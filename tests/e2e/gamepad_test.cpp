// The window's game controllers, driven by two of SDL's virtual controllers in a game of two: the
// first pad plays player 1 and the second player 2; the d-pad walks, A jumps, X fires, B changes
// weapon, and unplugging a pad mid-game is harmless. Runs the real window front-end on SDL's dummy
// video and audio drivers, so it needs no display.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/game.h"
#include "platform/headless.h"
#include "platform/sdl_frontend.h"

namespace {

using namespace vexlot;

struct Pad {
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = -1;
    bool attach(const char* name) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0) return false;
        joystick = SDL_JoystickOpen(index);
        id = joystick ? SDL_JoystickInstanceID(joystick) : -1;
        return joystick != nullptr;
    }
    void press(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0); }
    void unplug() {
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        SDL_JoystickClose(joystick);
        joystick = nullptr;
    }
};

// Frames of the script: both walk towards the middle, player 1 jumps, both fire, both change weapon,
// then pad 1 is unplugged and the game goes on.
struct PadScript : WindowProbe {
    Pad one, two;
    bool attached = false;
    float startX0 = 0, startX1 = 0, walkedX0 = 0, walkedX1 = 0;
    int jumpVy = 0, rocksBeforeFire = 0, rocksAfterFire = 0, weapon0 = 0, weapon1 = 0, frames = 0;
    int weapon0Before = 0, weapon1Before = 0;

    void both(SDL_GameControllerButton b, bool down) {
        one.press(b, down);
        two.press(b, down);
    }
    void beforeFrame(int f) override {
        if (f == 2) attached = one.attach("Test pad 1") && two.attach("Test pad 2");
        if (!attached) return;
        if (f == 10) {
            one.press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
            two.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
        }
        if (f == 50) {
            one.press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
            two.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
        }
        if (f == 70) one.press(SDL_CONTROLLER_BUTTON_A, true);
        if (f == 72) one.press(SDL_CONTROLLER_BUTTON_A, false);
        if (f == 100) both(SDL_CONTROLLER_BUTTON_X, true);
        if (f == 130) {
            both(SDL_CONTROLLER_BUTTON_X, false);
            both(SDL_CONTROLLER_BUTTON_B, true);
        }
        if (f == 133) both(SDL_CONTROLLER_BUTTON_B, false);
        if (f == 140) one.unplug();
        if (f == 180) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    }
    void afterFrame(const Game& g) override {
        frames = g.frame;
        if (g.frame == 9) {
            startX0 = g.guyTable[0].x;
            startX1 = g.guyTable[1].x;
            weapon0Before = g.guyTable[0].weapon;
            weapon1Before = g.guyTable[1].weapon;
        }
        if (g.frame == 50) {
            walkedX0 = g.guyTable[0].x;
            walkedX1 = g.guyTable[1].x;
        }
        if (g.frame >= 70 && g.frame <= 76) jumpVy = std::min<int>(jumpVy, g.guyTable[0].vy);
        if (g.frame == 99) rocksBeforeFire = g.rockCount;
        if (g.frame == 129) rocksAfterFire = g.rockCount;
        if (g.frame == 139) {
            weapon0 = g.guyTable[0].weapon;
            weapon1 = g.guyTable[1].weapon;
        }
    }
};

int failures = 0;
void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    failures += !ok;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);  // the dummy window never has the focus
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    setenv("XDG_CONFIG_HOME", (folder + "/gamepad-config").c_str(), 1);  // the user's settings stay as they are
    RunOptions options;
    options.players = 2;
    options.seed = 7;
    options.recordPath = folder + "/gamepads.replay";
    PadScript script;
    const int status = runWindow(options, &script);
    check(status == 0, "the window ran and closed (status " + std::to_string(status) + ")");
    check(script.attached, std::string("two virtual controllers attached") + (script.attached ? "" : SDL_GetError()));
    check(script.frames >= 170, "the game went on after a pad was unplugged (" + std::to_string(script.frames) + " frames)");
    check(script.walkedX0 > script.startX0 + 200, "pad 1's d-pad walks guy 0 right (" + std::to_string(script.startX0) +
                                                       " -> " + std::to_string(script.walkedX0) + ")");
    check(script.walkedX1 < script.startX1 - 200, "pad 2's d-pad walks guy 1 left (" + std::to_string(script.startX1) +
                                                       " -> " + std::to_string(script.walkedX1) + ")");
    check(script.jumpVy < 0, "pad 1's A jumps (vy " + std::to_string(script.jumpVy) + ")");
    check(script.rocksAfterFire > script.rocksBeforeFire + 10, "X fires (rocks " + std::to_string(script.rocksBeforeFire) +
                                                                   " -> " + std::to_string(script.rocksAfterFire) + ")");
    check(script.weapon0 == script.weapon0Before % 10 + 1 && script.weapon1 == script.weapon1Before % 10 + 1,
          "B picks each player's next weapon (" + std::to_string(script.weapon0Before) + "->" +
              std::to_string(script.weapon0) + ", " + std::to_string(script.weapon1Before) + "->" +
              std::to_string(script.weapon1) + ")");
    std::printf("%s\n", failures ? "FAIL" : "PASS");
    return failures ? 1 : 0;
}
