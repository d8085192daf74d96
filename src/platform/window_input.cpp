// The window's input: keys (bound to the players' game keys or kept by the window), typed
// characters, mouse presses, the gamepads, and the help panel where keys are moved.
#include <cctype>

#include "platform/window.h"

namespace vexlot::frontend {

namespace {

// The game's virtual key code for a key bound to no player: the game acts on none of these as keys,
// but every key-up lets go of a ledge, and Esc ends the game.
int plainCode(SDL_Keycode k) {
    switch (k) {
    case SDLK_LEFT: return VirtualKey::Left;
    case SDLK_UP: return VirtualKey::Up;
    case SDLK_RIGHT: return VirtualKey::Right;
    case SDLK_DOWN: return VirtualKey::Down;
    case SDLK_LALT:
    case SDLK_RALT: return VirtualKey::Alt;
    case SDLK_COMMA: return VirtualKey::Comma;
    case SDLK_PERIOD: return VirtualKey::Period;
    case SDLK_SLASH: return VirtualKey::Slash;
    case SDLK_ESCAPE: return VirtualKey::Escape;
    case SDLK_RETURN: return VirtualKey::Enter;
    case SDLK_SPACE: return VirtualKey::Space;
    default: break;
    }
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    return 0;
}

}  // namespace

void Window::collect(std::vector<InputEvent>& events) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT: quit_ = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) fitToWindow();
            break;
        case SDL_KEYDOWN: onKeyDown(e.key, events); break;
        case SDL_KEYUP: onKeyUp(e.key, events); break;
        case SDL_TEXTINPUT: onText(e.text.text, events); break;
        case SDL_MOUSEBUTTONDOWN: {
            // A press on the first player's world view moves his guy there.
            float gx = 0, gy = 0;
            if (!replaying() && !helpOpen_ && viewedPlayer() == 0 && viewport_.toGame(e.button.x, e.button.y, gx, gy) && gx < kClientWidthPx) {
                InputEvent press = key(T::WindowPress, 0);
                press.x = gx;
                press.y = gy;
                events.push_back(press);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
            for (Gamepad& pad : pads_)
                if (!pad.isOpen()) {
                    pad.open(e.cdevice.which);
                    break;
                }
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            for (Gamepad& pad : pads_) pad.closeIfRemoved(e.cdevice.which);
            break;
        default: break;
        }
    }
    // R held for a second restarts a game the player is still alive in.
    if (rHeldSince_ && SDL_TICKS_PASSED(SDL_GetTicks(), rHeldSince_ + kRestartHoldMs)) {
        newGame_ = true;
        rHeldSince_ = 0;
    }
    if (!replaying() && !helpOpen_) pollPads(events);
}

// The first pad plays player 1 (over the network, this machine's player); in a game of two the second
// pad plays player 2.
void Window::pollPads(std::vector<InputEvent>& events) {
    const Game& g = game();
    const int second = twoPlayers() ? 1 : 0;
    pads_[0].poll(events, 0, g.guyTable[viewedPlayer()].weapon);
    pads_[1].poll(events, second, g.guyTable[second].weapon);
}

void Window::onKeyDown(const SDL_KeyboardEvent& ke, std::vector<InputEvent>& events) {
    const SDL_Keycode k = ke.keysym.sym;
    const bool first = !ke.repeat;
    if (helpOpen_) {
        if (first) onHelpKey(k);
        return;
    }
    if (k == SDLK_F1 || (k == SDLK_SLASH && (ke.keysym.mod & KMOD_SHIFT))) {
        if (first) openHelp(true);
    } else if (k == SDLK_F3) {
        if (first) stats_ = !stats_;
    } else if (k == SDLK_F5 || k == SDLK_F6) {
        // Sound and panels on keys of their own too: in a game of two, S and D are player 2's.
        if (first && !replaying()) events.push_back(key(T::Char, k == SDLK_F5 ? CharCode::LetterS : CharCode::LetterD));
    } else if (k == SDLK_F7) {
        if (!first) return;
        settings_.backdrop = saved_.backdrop = !settings_.backdrop;
        saveSettings();
        say(settings_.backdrop ? "Look: sky and earth behind the world (F7: classic)" : "Look: classic (F7: sky and earth)");
    } else if (k == SDLK_F8) {
        if (!first) return;
        settings_.fill = saved_.fill = !settings_.fill;
        saveSettings();
        fitToWindow();
        say(settings_.fill ? "Scaling: fill the window (F8: sharp whole steps)" : "Scaling: sharp whole steps (F8: fill)");
    } else if (k == SDLK_F11) {
        if (first) toggleFullscreen();
    } else if (k == SDLK_F12) {
        if (first) saveScreenshot();
    } else if (k == SDLK_PAUSE || k == SDLK_p) {
        if (!first) return;
        if (networked()) {
            say("A network game goes on: it cannot pause", 1500);
            return;
        }
        paused_ = !paused_;
        if (!paused_) pacer_.restart();
        say(paused_ ? "Paused: P goes on" : "Going on", 1200);
    } else if (k == SDLK_MINUS || k == SDLK_KP_MINUS || k == SDLK_PLUS || k == SDLK_EQUALS || k == SDLK_KP_PLUS) {
        mixer_->setVolume(mixer_->volume() + (k == SDLK_MINUS || k == SDLK_KP_MINUS ? -10 : 10));
        settings_.volume = saved_.volume = mixer_->volume();
        saveSettings();
        say("Volume " + std::to_string(mixer_->volume()) + (game().soundOn ? "" : " (sound is off: F5)"), 1200);
    } else if (replaying()) {
        static constexpr const char* kSpeedNames[] = {"1/2", "1", "2", "4", "8"};
        if (k == SDLK_ESCAPE) quit_ = true;
        else if (k == SDLK_n || k == SDLK_RIGHT) stepOnce_ = true;
        else if (k == SDLK_UP || k == SDLK_DOWN) {
            speed_ = std::clamp(speed_ + (k == SDLK_UP ? 1 : -1), 0, 4);
            pacer_.setPeriod(speed_ == 0 ? 32 : 16);
            say(std::string("Replay x") + kSpeedNames[speed_], 1000);
        }
    } else if ((k == SDLK_r || isAgreeKey(k)) && !networked()) {
        if (playerDown()) newGame_ = true;
        else if (first) holdForNewGame(k == SDLK_r);
    } else if (const KeyAction* a = bindings_.action(k, twoPlayers())) {
        if (a->gameKey != kNextWeaponKey) events.push_back(key(T::KeyDown, a->gameKey, a->player));
        else if (first) events.push_back(key(T::Char, nextWeaponChar(game().guyTable[networked() ? viewedPlayer() : a->player].weapon), a->player));
    } else if (const int code = plainCode(k)) {
        events.push_back(key(T::KeyDown, code));
        if (k == SDLK_ESCAPE) events.push_back(key(T::Char, CharCode::Escape));
    }
}

// R held for a second restarts a game the player is still alive in. In a game of two it would let the
// player who is losing cancel the round, so both must agree: R and Enter held together (one player
// each); the score is kept.
void Window::holdForNewGame(bool r) {
    (r ? rDown_ : enterDown_) = true;
    if (!twoPlayers()) {
        rHeldSince_ = SDL_GetTicks() | 1;
        say("Hold R for a new game", kRestartHoldMs);
    } else if (rDown_ && enterDown_) {
        rHeldSince_ = SDL_GetTicks() | 1;
        say("Both players hold: a new round, the score kept", kRestartHoldMs);
    } else {
        say("A new round needs both players: R and Enter held together", 2500);
    }
}

// Key-ups reach the game also under the help panel, so no key stays held.
void Window::onKeyUp(const SDL_KeyboardEvent& ke, std::vector<InputEvent>& events) {
    const SDL_Keycode k = ke.keysym.sym;
    if (k == SDLK_r) rDown_ = false;
    if (isEnter(k)) enterDown_ = false;
    if (k == SDLK_r || isAgreeKey(k)) rHeldSince_ = 0;
    if (replaying()) return;
    if (const KeyAction* a = bindings_.action(k, twoPlayers())) {
        if (a->gameKey != kNextWeaponKey) events.push_back(key(T::KeyUp, a->gameKey, a->player));
    } else if (const int code = plainCode(k)) {
        events.push_back(key(T::KeyUp, code));
    }
}

void Window::onText(const char* text, std::vector<InputEvent>& events) {
    if (replaying() || helpOpen_) return;
    for (const char* ch = text; *ch; ++ch) {
        const unsigned char u = static_cast<unsigned char>(*ch);
        if (u >= 128) continue;
        // Characters the window keeps, and those typed on a player's key: that key's, not the game's.
        const int lowerCase = std::tolower(u);
        if (lowerCase == 'p' || lowerCase == 'r' || u == '-' || u == '+' || u == '=' || u == '?') continue;
        if (bindings_.action(static_cast<SDL_Keycode>(lowerCase), twoPlayers())) continue;
        events.push_back(key(T::Char, u));
    }
}

// --- Help panel and key bindings ---------------------------------------------------------------

void Window::openHelp(bool open) {
    if (open == helpOpen_) return;
    helpOpen_ = open;
    hintUntil_ = 0;
    if (open) {
        pausedBeforeHelp_ = paused_;
        paused_ = true;
        help_.selected = -1;
        help_.waitingForKey = false;
        help_.note.clear();
        buildHelp();
    } else {
        paused_ = pausedBeforeHelp_;
        pacer_.restart();
    }
}

void Window::buildHelp() {
    help_.rows.clear();
    helpActions_.clear();
    // The keys that can be moved: player 1's, and player 2's in a game of two.
    for (int a = 0; a < kKeyActions; ++a) {
        if (keyActions()[a].player == 1 && !twoPlayers()) continue;
        help_.rows.push_back({settings_.keys[a], keyActions()[a].describe, true});
        helpActions_.push_back(a);
    }
    const std::pair<const char*, const char*> fixed[] = {
        {"1 .. 9, :", "weapons: pop gun, shotgun, flames, grenades, missiles, bombs, laser, mines"},
        {"S or F5", "sound on / off (F5 in a game of two)"},
        {"- / +", "volume"},
        {"D or F6", "Debug and Guy panels"},
        {"P or Pause", "pause"},
        {"R", twoPlayers() ? "next round once it is decided (R and Enter held 1 s together: a new round)"
                           : "new game when you are dead (hold it 1 s to restart at any time)"},
        {"Mouse", twoPlayers() ? "the panels only (no moving guys in a game of two)" : "a press on the world moves your guy there"},
        {"F1 or ?", "this help"},
        {"F7   F8", "look: sky and earth or classic;  scaling: sharp whole steps or fill"},
        {"F11   F12", "fullscreen;  screenshot"},
        {"F3", "frame times and table counts"},
        {"Esc", "quit (the replay of the game is kept)"},
        {"Gamepad", "d-pad / left stick walk, A jump, X / RT fire, LB RB aim, Y straight, B weapon"},
        {"Options", "--scale N --fill --look classic --volume N --level PNG --replay FILE (--help)"},
    };
    for (auto [keys, action] : fixed) help_.rows.push_back({keys, action, false});
    if (settingsPath_) help_.rows.push_back({"Settings", settingsPath_->string(), false});
}

void Window::onHelpKey(SDL_Keycode k) {
    const int bindable = static_cast<int>(helpActions_.size());
    if (help_.waitingForKey) {
        help_.waitingForKey = false;
        if (k == SDLK_ESCAPE) {
            help_.note = "Nothing changed.";
            return;
        }
        const std::string name = nameForKeycode(k), why = reservedKey(k);
        if (!why.empty()) {
            help_.note = "Cannot use that key: " + why + ".";
            return;
        }
        const int action = helpActions_[help_.selected];
        std::string& mine = saved_.keys[action];
        // A key already in use swaps with this one, so every action keeps a key.
        for (std::string& other : saved_.keys)
            if (other == name) other = mine;
        mine = name;
        settings_.keys = saved_.keys;
        bindings_ = Bindings(settings_);
        saveSettings();
        help_.note = std::string(keyActions()[action].describe) + ": now " + name + ".";
        buildHelp();
        return;
    }
    if (k == SDLK_F1 || k == SDLK_ESCAPE || k == SDLK_SLASH) openHelp(false);
    else if (k == SDLK_UP) help_.selected = help_.selected <= 0 ? bindable - 1 : help_.selected - 1;
    else if (k == SDLK_DOWN) help_.selected = (help_.selected + 1) % bindable;
    else if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && help_.selected >= 0) help_.waitingForKey = true;
}

}  // namespace vexlot::frontend
