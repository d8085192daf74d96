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

// A hash of the whole game state: every field of the game's field list, the rows kept past each
// table's count, and the world's pixels.
uint64_t stateHash(const Game& game);
// A hash of the world's pixels alone.
uint64_t surfaceHash(const Surface& s);
// Where two states first differ, in the field list's order ("rocks[12].vx", "surface pixel (3, 4)");
// empty when they are the same.
std::string firstDifference(const Game& a, const Game& b);

}  // namespace vexlot
