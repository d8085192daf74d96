// Seeded random input for the soak: keys held and released, weapon changes, world clicks and
// presses on the panels. It has its own generator, so the game's random draws never depend on it,
// and the events of a frame depend only on the seed and the frames drawn before it.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "core/core.h"

namespace vexlot::soak {

// SplitMix64: small, fully specified, the same sequence on every machine.
class SoakRng {
public:
    explicit SoakRng(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double unit();             // [0, 1)
    int below(int n);          // 0 .. n-1
    bool chance(double p) { return unit() < p; }
    float between(double lo, double hi) { return static_cast<float>(lo + unit() * (hi - lo)); }

private:
    uint64_t state_;
};

class RandomPlayer {
public:
    explicit RandomPlayer(uint64_t seed);
    // Appends the events of the next frame to `out`.
    void nextFrame(std::vector<InputEvent>& out);

private:
    void keyEvent(std::vector<InputEvent>& out);
    InputEvent worldClick();
    InputEvent windowPress();

    SoakRng rng_;
    std::array<bool, 256> held_{};  // keys this player holds down, by key code
    // This game's leanings, drawn once so that games differ: how busy the fingers are, how much the
    // player pushes right into the level, how much it shoots and clicks.
    double keyRate_ = 0, rightBias_ = 0, fireBias_ = 0, clickRate_ = 0, panelRate_ = 0;
};

}  // namespace vexlot::soak
