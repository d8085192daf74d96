// The headless runner: frames without a window, sound device or pacing, for tests and tools.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/core.h"
#include "platform/script.h"

namespace vexlot {

struct RunOptions {
    int frames = 0;
    uint64_t seed = 0;
    bool seedGiven = false;
    bool framesGiven = false;
    std::string scriptPath, dumpPath, tracePath, worldPngPath, screenshotPath;
    std::string replayPath, recordPath, levelPath;
    int scale = 0;      // window: whole-number scale, 0 = the largest that fits the screen
    int volume = 100;   // window: sound volume 0..100
};

// Records every sound handed to the player, with its frame.
struct SoundLog : SoundSink {
    struct Entry { int32_t frame; std::string file; };
    const Game* game = nullptr;
    std::vector<Entry> entries;
    void play(const std::string& file, int32_t) override { entries.push_back({game ? game->frame : 0, file}); }
};

std::string dumpJson(const Game& game, const SoundLog& sounds, bool oneLine);
uint64_t clockSeed();
int runHeadless(const RunOptions& options);
bool writePng(const std::string& path, const uint32_t* argb, int width, int height);

}  // namespace vexlot
