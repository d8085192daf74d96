// The program: options, then either the window or the headless runner.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "platform/headless.h"
#include "platform/sdl_frontend.h"

namespace {
const char* const kKeys = R"(Keys:
  Left / Right    walk and turn          Up            jump
  Down            crawl, hang on ledges  Alt           fire (hold the laser, release to shoot)
  , and .         aim up / down          /             aim straight
  1 .. 9, :       weapon 1 .. 10         s             sound on / off
  d               Debug and Guy panels   Esc           quit
  P or Pause      pause                  - and +       volume
  F11             fullscreen             F12           screenshot
  F3              frame times and table counts
  Mouse           a press on the world moves your guy there
Replay window: P pause, N step one frame, Up / Down speed (x1/2 .. x8), Esc quit.
Gamepad: d-pad or left stick walk and crawl, A jump, X or right trigger fire,
  shoulders aim, Y aim straight, B next weapon.)";
}

int main(int argc, char** argv) {
    CLI::App app{"Vexlot: a side-view stick-figure action game"};
    app.footer(kKeys);
    vexlot::RunOptions opt;
    bool headless = false;
    app.set_version_flag("--version", std::string("vexlot ") + vexlot::programVersion());
    app.add_flag("--headless", headless, "Run without a window, sound or pacing, then write what was asked");
    app.add_option("--frames", opt.frames, "Headless: frames to run (0 = the state right after start-up)")
        ->check(CLI::Range(0, 100000000));
    app.add_option("--seed", opt.seed, "Random seed (default: from the clock, printed)");
    app.add_option("--script", opt.scriptPath, "Headless: input events, one per line (FRAME down|up|char CODE ...)");
    app.add_option("--dump", opt.dumpPath, "Headless: write the final state as JSON");
    app.add_option("--trace", opt.tracePath, "Headless: write the state as one JSON line after every frame");
    app.add_option("--world-png", opt.worldPngPath, "Headless: write the whole world surface as PNG");
    app.add_option("--screenshot", opt.screenshotPath, "Write the window as a player sees it (PNG; window: at exit)");
    app.add_option("--replay", opt.replayPath,
                   "Play a replay in the window, or with --headless verify it and report the first differing frame");
    app.add_option("--record", opt.recordPath, "Record the game into this replay file (window default: the data folder's latest.replay)");
    app.add_option("--level", opt.levelPath, "Play a 2400 x 600 PNG picture as the level");
    app.add_option("--scale", opt.scale, "Window: whole-number scale (default: the largest that fits)")->check(CLI::Range(1, 16));
    app.add_option("--volume", opt.volume, "Window: sound volume 0..100")->check(CLI::Range(0, 100));
    CLI11_PARSE(app, argc, argv);
    opt.seedGiven = app.count("--seed") > 0;
    opt.framesGiven = app.count("--frames") > 0;
    if (!opt.seedGiven) opt.seed = vexlot::clockSeed();
    if (headless) return vexlot::runHeadless(opt);
    return vexlot::runWindow(opt);
}
