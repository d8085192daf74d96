// The program: options, then either the window or the headless runner.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "platform/headless.h"
#include "platform/sdl_frontend.h"

int main(int argc, char** argv) {
    CLI::App app{"Vexlot: a side-view stick-figure action game"};
    vexlot::RunOptions opt;
    bool headless = false;
    app.set_version_flag("--version", std::string("vexlot ") + VEXLOT_VERSION);
    app.add_flag("--headless", headless, "Run without a window, sound or pacing, then write what was asked");
    app.add_option("--frames", opt.frames, "Headless: frames to run (0 = the state right after start-up)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--seed", opt.seed, "Random seed (default: from the clock, printed)");
    app.add_option("--script", opt.scriptPath, "Headless: input events, one per line (FRAME down|up|char CODE ...)");
    app.add_option("--dump", opt.dumpPath, "Headless: write the final state as JSON");
    app.add_option("--trace", opt.tracePath, "Headless: write the state as one JSON line after every frame");
    app.add_option("--world-png", opt.worldPngPath, "Headless: write the whole world surface as PNG");
    app.add_option("--screenshot", opt.screenshotPath, "Write the window as a player sees it (PNG)");
    CLI11_PARSE(app, argc, argv);
    if (!app.count("--seed")) opt.seed = vexlot::clockSeed();
    opt.seedGiven = app.count("--seed") > 0;
    if (headless) return vexlot::runHeadless(opt);
    return vexlot::runWindow(opt);
}
