#include "soak/random_input.h"

#include <cmath>

#include "figure/panels.h"

namespace vexlot::soak {

namespace {

// A control of a panel in window twips (the panels' layout places controls within their frame).
Rect inWindow(const Rect& frame, const Rect& control) {
    return {frame.left + control.left, frame.top + control.top, control.width, control.height};
}

InputEvent key(InputEvent::Type type, int code) { return {type, code, 0, 0, {}}; }

}  // namespace

uint64_t SoakRng::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SoakRng::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

int SoakRng::below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

RandomPlayer::RandomPlayer(uint64_t seed) : rng_(seed ^ 0x5EED50A4ull) {
    keyRate_ = 0.02 + 0.2 * rng_.unit();
    rightBias_ = rng_.unit();
    fireBias_ = rng_.unit();
    clickRate_ = 0.004 * rng_.unit();
    panelRate_ = 0.01 * rng_.unit();
}

// Presses or releases one of the game's keys; a held key is sometimes pressed again, the way the
// keyboard repeats, and now and then a key the game does not use comes by.
void RandomPlayer::keyEvent(std::vector<InputEvent>& out) {
    using T = InputEvent::Type;
    if (rng_.chance(0.01)) {
        out.push_back(key(rng_.chance(0.5) ? T::KeyDown : T::KeyUp, rng_.below(256)));
        return;
    }
    const double weights[] = {1.0, 1.0 + 4.0 * rightBias_, 1.5, 0.7, 0.5 + 4.0 * fireBias_, 0.6, 0.6, 0.2};
    const int codes[] = {VirtualKey::Left, VirtualKey::Right, VirtualKey::Up, VirtualKey::Down, VirtualKey::Alt, VirtualKey::Comma, VirtualKey::Period, VirtualKey::Slash};
    double total = 0;
    for (double w : weights) total += w;
    double pick = rng_.unit() * total;
    int code = codes[7];
    for (int i = 0; i < 8; ++i) {
        if (pick < weights[i]) {
            code = codes[i];
            break;
        }
        pick -= weights[i];
    }
    const bool down = !held_[code] || rng_.chance(0.2);
    held_[code] = down;
    out.push_back(key(down ? T::KeyDown : T::KeyUp, code));
}

// A world point: mostly in the world, sometimes just outside, sometimes very far away.
InputEvent RandomPlayer::worldClick() {
    InputEvent e{InputEvent::Type::WorldClick, 0, 0, 0, {}};
    const double r = rng_.unit();
    if (r < 0.8) {
        e.x = rng_.between(0, kWorldWidthUnits);
        e.y = rng_.between(0, kWorldHeightUnits);
    } else if (r < 0.95) {
        e.x = rng_.between(-1e5, 1e5);
        e.y = rng_.between(-1e5, 1e5);
    } else {
        const double scale = std::pow(10.0, rng_.between(6, 38));
        e.x = rng_.between(-scale, scale);
        e.y = rng_.between(-scale, scale);
    }
    return e;
}

// A mouse press in the window: on the panels' controls (options, palette, "Rnd", "Cls") or anywhere.
InputEvent RandomPlayer::windowPress() {
    auto inside = [&](const Rect& a) {
        return InputEvent{InputEvent::Type::WindowPress, 0, rng_.between(a.left, a.left + a.width) / 15.0f,
                          rng_.between(a.top, a.top + a.height) / 15.0f, {}};
    };
    const int what = rng_.below(40);
    if (what < 12) {
        return inside(inWindow(kFrame2, kOptions[rng_.below(9)]));
    }
    if (what < 26) return inside(inWindow(kFrame2, kPalette));
    if (what < 30) return inside(inWindow(kFrame2, kCommand3));
    if (what < 31) return inside(inWindow(kFrame1, kCommand1));
    return inside({-750, -750, 13440, 10380});  // the window and a margin round it
}

void RandomPlayer::nextFrame(std::vector<InputEvent>& out) {
    using T = InputEvent::Type;
    if (rng_.chance(keyRate_)) keyEvent(out);
    if (rng_.chance(0.01)) out.push_back(key(T::Char, CharCode::Digit1 + rng_.below(10)));  // "1".."9", ":"
    if (rng_.chance(0.0005)) out.push_back(key(T::Char, CharCode::LetterS));
    if (rng_.chance(0.002)) out.push_back(key(T::Char, CharCode::LetterD));
    if (rng_.chance(clickRate_)) out.push_back(worldClick());
    if (rng_.chance(panelRate_)) out.push_back(windowPress());
    if (rng_.chance(0.0005))
        out.push_back({T::PaletteClick, 0, rng_.between(-100, 800), rng_.between(-100, 1600), {}});
    if (rng_.chance(0.0005)) out.push_back(key(T::Option, 1 + rng_.below(9)));
}

}  // namespace vexlot::soak
