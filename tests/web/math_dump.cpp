// Prints a hash of the bits of the game's Sin, Cos and Atn over the arguments the rules form (every
// Integer degree with the game's pi, random turns from Rnd, ratios of world distances) and far beyond.
// Built natively and for node, the two must print the same: with the system libraries' functions about
// 3% of these results differ in the last bit between the desktop and the browser.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/numeric.h"

namespace {

struct Hash {
    uint64_t h = 1469598103934665603ull;
    long count = 0;
    void add(double v) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        for (int i = 0; i < 8; ++i) {
            h ^= (b >> (8 * i)) & 255u;
            h *= 1099511628211ull;
        }
        ++count;
    }
};

// A small generator of its own, so both builds see the same arguments.
struct Lcg {
    uint64_t s = 12345;
    double unit() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(s >> 11) * 0x1p-53;
    }
};

}  // namespace

int main() {
    using namespace vexlot;
    const double pi = 3.141593;
    Hash sines, cosines, arcs;
    for (int d = -32768; d <= 32767; ++d) {
        const double a = radians(d, pi);
        sines.add(dsin(a));
        cosines.add(dcos(a));
    }
    Lcg rng;
    for (int i = 0; i < 300000; ++i) {
        const float r = static_cast<float>(rng.unit());
        const double turn = 2 * pi * r;
        sines.add(dsin(turn));
        cosines.add(dcos(turn));
        const double far = (rng.unit() - 0.5) * 1e12;
        sines.add(dsin(far));
        cosines.add(dcos(far));
        arcs.add(datan((rng.unit() - 0.5) * 9000.0 / ((rng.unit() - 0.5) * 36000.0)));
        arcs.add(datan((rng.unit() - 0.5) * 1e6));
    }
    std::printf("sin %ld values %016" PRIx64 "\ncos %ld values %016" PRIx64 "\natan %ld values %016" PRIx64 "\n",
                sines.count, sines.h, cosines.count, cosines.h, arcs.count, arcs.h);
    return 0;
}
