// The headless runner: frames without a window, sound device or pacing, for tests and tools.
#pragma once
#include <cstdint>
#include <string>

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
    bool volumeGiven = false;
    bool fill = false;  // window: fill the window keeping the picture's shape (default: the settings file)
    std::string look;   // "classic", "backdrop" or empty (window: the settings file; headless: classic)
    int players = 1;    // 2: a second person plays guy 1
    bool playersGiven = false;
    int syncDistance = 0;  // headless: 1..8 runs the sync test, going back this many frames after every frame
    bool duel = false;  // a game of two without computer guys (window: also the settings file's duel = yes)
};

uint64_t clockSeed();
// Runs the frames the options ask for and writes what they ask; the exit status: 0 done (or a
// replay verified), 2 an input or output that cannot be used, 3 a replay that differs (or the sync
// test found a frame that runs differently the second time).
int runHeadless(const RunOptions& options);
// A picture as PNG bytes.
std::string encodePng(const uint32_t* argb, int width, int height);
// Writes a picture as PNG; throws std::runtime_error naming the file and the reason.
void writePng(const std::string& path, const uint32_t* argb, int width, int height);

}  // namespace vexlot
