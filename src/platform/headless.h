// The headless runner: frames without a window, sound device or pacing, for tests and tools.
#pragma once
#include <cstdint>
#include <string>

#include "session/dump.h"
#include "session/files.h"
#include "session/session.h"

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

// A recording or trace that says once, on the standard error, when its file stopped taking lines;
// the game goes on and every complete line stays readable.
struct WarnedLineFile : LineOutput {
    LineFile file;
    bool warned = false;
    void writeLine(const std::string& line) override;
};

// What a headless run reads before its first frame (the network peer's too): its outputs checked
// against each other and its inputs, the level, and the script or replay with the size and kind
// checks and --players agreeing with it. Throws std::runtime_error naming the file and the reason.
struct RunInputs {
    Script script;
    Level level;
};
RunInputs readRunInputs(const RunOptions& options);
// What it writes after its last frame: --dump, --world-png and --screenshot. False when one could
// not be written (said on the standard error).
bool writeRunOutputs(const RunOptions& options, const Game& game, const SoundLog& sounds, float secondViewLeft);
// Runs the frames the options ask for and writes what they ask; the exit status: 0 done (or a
// replay verified), 2 an input or output that cannot be used, 3 a replay that differs (or the sync
// test found a frame that runs differently the second time), 4 stopped by a signal (SIGINT,
// SIGTERM, SIGHUP) before the last frame, its outputs written as far as it ran.
int runHeadless(const RunOptions& options);
// A picture as PNG bytes.
std::string encodePng(const uint32_t* argb, int width, int height);
// Writes a picture as PNG; throws std::runtime_error naming the file and the reason.
void writePng(const std::string& path, const uint32_t* argb, int width, int height);

}  // namespace vexlot
