// The game's own sine, cosine and arc tangent beside the system library's, per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/detmath.h"

namespace {

// 4096 arguments: turns the rules form (degrees up to an Integer's range), or enormous ones.
std::vector<double> arguments(double lo, double hi) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<double> v(4096);
    for (double& x : v) x = u(rng);
    return v;
}

void BM_Function(benchmark::State& state, double (*f)(double), double lo, double hi) {
    const std::vector<double> xs = arguments(lo, hi);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f(xs[i]));
        i = (i + 1) & 4095;
    }
}

double libSin(double x) { return std::sin(x); }
double libAtan(double x) { return std::atan(x); }

}  // namespace

BENCHMARK_CAPTURE(BM_Function, game_sin_turns, vexlot::detSin, -572.0, 572.0)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Function, library_sin_turns, libSin, -572.0, 572.0)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Function, game_sin_huge, vexlot::detSin, 1e10, 1e300)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Function, library_sin_huge, libSin, 1e10, 1e300)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Function, game_atan, vexlot::detAtan, -50.0, 50.0)->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(BM_Function, library_atan, libAtan, -50.0, 50.0)->Unit(benchmark::kNanosecond);
