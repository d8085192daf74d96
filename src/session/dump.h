// The game state as JSON (the headless runner's dump and trace) and its hash (replay checkpoints).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/game.h"

namespace vexlot {

// Records every sound handed to the player, with its frame.
struct SoundLog : SoundSink {
    struct Entry {
        int32_t frame;
        std::string file;
    };
    const Game* game = nullptr;
    std::vector<Entry> entries;
    void play(const std::string& file, int32_t) override { entries.push_back({game ? game->frame : 0, file}); }
};

// Every table and scalar by its name, gauges, captions, panels, the sounds logged, the world's hash.
std::string dumpJson(const Game& game, const SoundLog& sounds, bool oneLine);

// A hash of the whole game state: every table and scalar and the world's pixels.
uint64_t stateHash(const Game& game);

}  // namespace vexlot
