// What the fuzz targets feed their bytes into, shared with tests/fuzz_regression_test.cpp so that a
// saved crash is replayed through exactly the same path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/core.h"
#include "game/play.h"
#include "session/dump.h"
#include "session/script.h"

namespace vexlot::fuzz {

// Script text: parsing returns a script or throws std::runtime_error; anything else escapes to the
// fuzzer as a finding.
inline void parseScriptText(const uint8_t* data, std::size_t size) {
    try {
        parseScript(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const std::runtime_error&) {
    }
}

// PNG bytes through the picture decoder: a picture or a std::runtime_error. Any size the decoder
// takes, so small pictures keep a run well under a millisecond; fuzz/level_play_fuzz.cpp plays
// level-sized ones.
inline void decodePicture(const uint8_t* data, std::size_t size) {
    try {
        decodePng(data, size);
    } catch (const std::runtime_error&) {
    }
}

// Frames played on a fuzzed level picture: start-up, the player walking right and firing.
constexpr int kLevelFrames = 30;

// PNG bytes that decode to a level picture become the level of a short game.
inline void playLevel(const uint8_t* data, std::size_t size) {
    Picture picture;
    try {
        picture = decodeLevelPicture(data, size);
    } catch (const std::runtime_error&) {
        return;
    }
    auto game = std::make_unique<Game>();
    startup(*game, 1, picture);
    using T = InputEvent::Type;
    const std::vector<InputEvent> first = {{T::KeyDown, VirtualKey::Right}, {T::KeyDown, VirtualKey::Alt}};
    for (int f = 1; f <= kLevelFrames; ++f) runFrame(*game, f == 1 ? std::span(first) : std::span<const InputEvent>());
}

}  // namespace vexlot::fuzz
