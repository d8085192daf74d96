// Stray leg pixels: how many pixels of the player's leg colour a random walk leaves in the world.
// Erasing a guy fits his legs again while last frame's legs are still painted; when the legs cross
// and one is shortened, its probe, about a pixel from the other leg's centre line, can land on that
// leg's pixels and the erase then misses a few. The rules' order allows it; the line raster decides
// how often, so this reports the count for the raster we keep (figures only, nothing fails).
#include <benchmark/benchmark.h>

#include "core/codes.h"
#include "core/core.h"
#include "game/play.h"
#include "figure/figure.h"
#include "scenes.h"

namespace vexlot::bench {

namespace {

constexpr int kWalkFrames = 3000;  // 50 seconds
const int32_t kLegColour = rgb(128, 127, 127);  // the player's legs (and torso); the level has none of it

// A seeded walk: arrows pressed and released at random, jumps and crawls now and then.
int strayLegPixels(uint64_t seed) {
    auto game = startedGame(seed);
    Rng input;
    input.seed(seed * 7919 + 1);
    using T = InputEvent::Type;
    const int keys[] = {VirtualKey::Left, VirtualKey::Right, VirtualKey::Up, VirtualKey::Down};
    bool held[4] = {};
    std::vector<InputEvent> events;
    for (int f = 1; f <= kWalkFrames; ++f) {
        events.clear();
        if (input.next() < 0.05f) {
            const int k = static_cast<int>(input.next() * 4);
            held[k] = !held[k];
            events.push_back({held[k] ? T::KeyDown : T::KeyUp, keys[k]});
        }
        runFrame(*game, events);
    }
    drawguy(*game, 0, 1);  // the guy himself goes; what is left of his colour is stray
    if (game->keyDown[0] != 0) eraseguy(*game, 0);
    const Surface& s = game->picback;
    int n = 0;
    for (int i = 0; i < s.widthPx() * s.heightPx(); ++i) n += s.pixels()[i] == kLegColour;
    return n;
}

void BM_StrayLegPixels(benchmark::State& state) {
    int pixels = 0;
    for (auto _ : state) pixels = strayLegPixels(static_cast<uint64_t>(state.range(0)));
    state.counters["stray_pixels"] = pixels;
}
BENCHMARK(BM_StrayLegPixels)->DenseRange(1, 8)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace vexlot::bench
