// Frame, start-up and stress timings. They report figures only; nothing here passes or fails on time.
// Frame benchmarks time each frame by hand, so resetting a scene from its saved copy is not counted.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "view/compose.h"
#include "scenes.h"
#include "game/play.h"

namespace vexlot::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSceneFrames = 600;  // frames 1..600 of the start-up scene (ten seconds)
constexpr int kSceneCycles = 5;
constexpr int kKeptFullFrames = 60;  // frames a stress scene runs before it is restored from its copy

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Runs one frame (and composes the window when asked), records its time, and returns it.
double timeFrame(benchmark::State& state, Game& game, std::span<const InputEvent> events, bool window,
                 FrameBuffer& fb) {
    const auto t0 = Clock::now();
    runFrame(game, events);
    if (window) composeWindow(game, fb);
    const double t = secondsSince(t0);
    state.SetIterationTime(t);
    return t;
}

// (a) Frames 1..600 after start-up with no input, over and over.
void BM_StartupScene(benchmark::State& state, bool window, int players) {
    const auto start = startedGame();
    if (players == 2) startTwoPlayerGame(*start);
    auto game = std::make_unique<Game>(*start);
    FrameBuffer fb;
    int frame = 0;
    double worst = 0;
    for (auto _ : state) {
        if (frame == kSceneFrames) {
            *game = *start;
            frame = 0;
        }
        worst = std::max(worst, timeFrame(state, *game, {}, window, fb));
        ++frame;
    }
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK_CAPTURE(BM_StartupScene, simulation, false, 1)
    ->UseManualTime()->Iterations(kSceneFrames * kSceneCycles)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StartupScene, simulation_and_window, true, 1)
    ->UseManualTime()->Iterations(kSceneFrames * kSceneCycles)->Unit(benchmark::kMicrosecond);
// The same scene as a game of two: two views side by side.
BENCHMARK_CAPTURE(BM_StartupScene, two_players_simulation_and_window, true, 2)
    ->UseManualTime()->Iterations(kSceneFrames * kSceneCycles)->Unit(benchmark::kMicrosecond);

// The window composition alone, on the start-up scene.
void BM_ComposeWindow(benchmark::State& state) {
    auto game = startedGame();
    for (int f = 0; f < 60; ++f) runFrame(*game, {});
    FrameBuffer fb;
    for (auto _ : state) {
        composeWindow(*game, fb);
        benchmark::DoNotOptimize(fb.argb.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ComposeWindow)->Unit(benchmark::kMicrosecond);

// (b) A minute of scripted fighting, frame by frame; the reported time is the mean frame.
void BM_FightingMinute(benchmark::State& state, bool window) {
    std::vector<std::vector<InputEvent>> inputs(kFightFrames + 1);
    for (int f = 1; f <= kFightFrames; ++f) inputs[f] = fightInput(f);
    const auto start = startedGame();
    auto game = std::make_unique<Game>(*start);
    FrameBuffer fb;
    int frame = 0;
    double worst = 0;
    int peakRocks = 0, peakShrapnel = 0, peakBlasts = 0;
    for (auto _ : state) {
        if (frame == kFightFrames) {
            *game = *start;
            frame = 0;
        }
        ++frame;
        worst = std::max(worst, timeFrame(state, *game, inputs[frame], window, fb));
        peakRocks = std::max<int>(peakRocks, game->rockCount);
        peakShrapnel = std::max<int>(peakShrapnel, game->shrapnelCount);
        peakBlasts = std::max<int>(peakBlasts, game->blastCount);
    }
    state.counters["worst_ms"] = worst * 1e3;
    state.counters["peak_rocks"] = peakRocks;
    state.counters["peak_shrapnel"] = peakShrapnel;
    state.counters["peak_blasts"] = peakBlasts;
    state.counters["player_life"] = game->life.value;  // above 0: the player fought to the end
}
BENCHMARK_CAPTURE(BM_FightingMinute, simulation, false)
    ->UseManualTime()->Iterations(kFightFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FightingMinute, simulation_and_window, true)
    ->UseManualTime()->Iterations(kFightFrames)->Unit(benchmark::kMicrosecond);

void stressCounters(benchmark::State& state, const Game& game) {
    state.counters["rocks"] = game.rockCount;
    state.counters["shrapnel"] = game.shrapnelCount;
    state.counters["blasts"] = game.blastCount;
    state.counters["guys"] = game.lastGuy + 1;
}

// (c) One frame of the full-table scene, always from the same saved copy.
void BM_StressFrame(benchmark::State& state, bool window, int players) {
    const auto saved = stressGame();
    if (players == 2) startTwoPlayerGame(*saved);
    stressCounters(state, *saved);
    auto game = std::make_unique<Game>(*saved);
    FrameBuffer fb;
    for (auto _ : state) {
        *game = *saved;
        timeFrame(state, *game, {}, window, fb);
    }
}
BENCHMARK_CAPTURE(BM_StressFrame, simulation, false, 1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StressFrame, simulation_and_window, true, 1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StressFrame, two_players_simulation_and_window, true, 2)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

// (c) The full-table scene run on, its tables topped up to capacity again after every frame
// (not timed), restored from its copy every 60 frames so the terrain does not wear away.
void BM_StressKeptFull(benchmark::State& state) {
    const auto saved = stressGame();
    stressCounters(state, *saved);
    auto game = std::make_unique<Game>(*saved);
    FrameBuffer fb;
    uint32_t frame = 0;
    double worst = 0;
    for (auto _ : state) {
        if (frame % kKeptFullFrames == 0) *game = *saved;
        worst = std::max(worst, timeFrame(state, *game, {}, true, fb));
        refillTables(*game, ++frame);
    }
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK(BM_StressKeptFull)->UseManualTime()->Unit(benchmark::kMillisecond);

// Start-up to the first frame on screen: the game allocated and started, one frame run and composed.
double startupToFirstFrame() {
    const auto t0 = Clock::now();
    auto game = std::make_unique<Game>();
    startup(*game, kSeed);
    runFrame(*game, {});
    FrameBuffer fb;
    composeWindow(*game, fb);
    benchmark::DoNotOptimize(fb.argb.data());
    const double t = secondsSince(t0);
    game.reset();  // freeing is after the first frame, so it is not counted
    return t;
}

// (d) Warm: the level picture is already decoded (the first start-up in a process decodes it).
void BM_StartupToFirstFrame(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(startupToFirstFrame());
}
BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace vexlot::bench

int main(int argc, char** argv) {
    // The first start-up in the process also decodes the built-in level picture: timed once, here,
    // before any benchmark decodes it.
    char cold[32];
    std::snprintf(cold, sizeof cold, "%.2f", vexlot::bench::startupToFirstFrame() * 1e3);
    benchmark::AddCustomContext("first_startup_to_first_frame_ms", cold);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
