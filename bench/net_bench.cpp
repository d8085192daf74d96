// Rollback costs: saving a snapshot after every frame, and going back 8 frames and running them
// again, in the fighting minute and in the full-table scene. Figures only; nothing fails on time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "game/play.h"
#include "net/rollback.h"
#include "session/snapshot.h"
#include "scenes.h"
#include "session/dump.h"

namespace vexlot::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRollbackFrames = 8;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The frames of a scene: the fighting minute, or the full-table scene topped up after each frame.
struct Scene {
    bool stress;
    std::unique_ptr<Game> start;
    std::vector<std::vector<InputEvent>> inputs;
    explicit Scene(bool fullTables) : stress(fullTables), start(fullTables ? stressGame() : startedGame()) {
        inputs.resize(kFightFrames + 1);
        if (!stress)
            for (int f = 1; f <= kFightFrames; ++f) inputs[f] = fightInput(f);
    }
    const std::vector<InputEvent>& at(int frame) const { return inputs[static_cast<size_t>(frame) % inputs.size()]; }
    // Runs the next frame; the full-table scene is filled up again (after the frame, so a frame run
    // again after a rollback sees the same tables).
    void step(Game& game, int frame) const {
        runFrame(game, at(frame));
        if (stress) refillTables(game, static_cast<uint32_t>(frame));
    }
};

// Saving the state after every frame (the frame itself is not timed).
void BM_SnapshotSave(benchmark::State& state, bool stress) {
    const Scene scene(stress);
    auto game = std::make_unique<Game>(*scene.start);
    SnapshotRing ring(kRingFrames);
    ring.save(*game);
    int frame = 0;
    double worst = 0, blocks = 0;
    for (auto _ : state) {
        if (frame == kFightFrames) {
            *game = *scene.start;
            ring.clear();
            ring.save(*game);
            frame = 0;
        }
        scene.step(*game, ++frame);
        const auto t0 = Clock::now();
        ring.save(*game);
        const double t = secondsSince(t0);
        state.SetIterationTime(t);
        worst = std::max(worst, t);
        blocks += static_cast<double>(ring.lastSaveBlocks());
    }
    state.counters["worst_ms"] = worst * 1e3;
    state.counters["blocks_per_frame"] = blocks / static_cast<double>(state.iterations());
    state.counters["kb_per_frame"] = blocks * Surface::kBlockPixels * 4 / 1024.0 / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_SnapshotSave, fighting_minute, false)
    ->UseManualTime()->Iterations(kFightFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SnapshotSave, full_tables, true)
    ->UseManualTime()->Iterations(600)->Unit(benchmark::kMicrosecond);

// Going back 8 frames and running them again, each saved again, as after a late input; the next
// frame of the scene in between is not timed.
void BM_Rollback8(benchmark::State& state, bool stress) {
    const Scene scene(stress);
    auto game = std::make_unique<Game>(*scene.start);
    SnapshotRing ring(kRingFrames);
    ring.save(*game);
    int frame = 0;
    double worst = 0;
    for (auto _ : state) {
        if (frame + 1 >= kFightFrames) {
            *game = *scene.start;
            ring.clear();
            ring.save(*game);
            frame = 0;
        }
        while (frame < kRollbackFrames + 1) {
            scene.step(*game, ++frame);
            ring.save(*game);
        }
        scene.step(*game, ++frame);
        ring.save(*game);
        const auto t0 = Clock::now();
        ring.restore(*game, frame - kRollbackFrames);
        for (int f = frame - kRollbackFrames + 1; f <= frame; ++f) {
            scene.step(*game, f);
            ring.save(*game);
        }
        const double t = secondsSince(t0);
        state.SetIterationTime(t);
        worst = std::max(worst, t);
    }
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK_CAPTURE(BM_Rollback8, fighting_minute, false)
    ->UseManualTime()->Iterations(kFightFrames - 20)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Rollback8, full_tables, true)->UseManualTime()->Iterations(120)->Unit(benchmark::kMillisecond);

// The state hash the peers compare every 60 confirmed frames (the replay's checkpoint).
void BM_StateHash(benchmark::State& state) {
    auto game = startedGame();
    for (int f = 1; f <= 600; ++f) runFrame(*game, fightInput(f));
    for (auto _ : state) benchmark::DoNotOptimize(stateHash(*game));
}
BENCHMARK(BM_StateHash)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace vexlot::bench
