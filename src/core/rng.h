// The one random generator of the game: seeded once, same sequence on every platform.
#pragma once
#include <cstdint>

namespace vexlot {

struct Rng {
    uint64_t state = 0;

    void seed(uint64_t s) { state = s ^ 0x9E3779B97F4A7C15ull; }

    // Uniform in [0, 1) with 24 bits, as a Single.
    float next() {
        // splitmix64 step: simple, well mixed, platform independent.
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<float>(z >> 40) * (1.0f / 16777216.0f);
    }
};

}  // namespace vexlot
