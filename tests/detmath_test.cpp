// The game's own sine, cosine and arc tangent against the system library: over large samples of each
// range the game uses and far beyond, no result is more than one unit in the last place away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "core/detmath.h"

namespace vexlot {
namespace {

// Distance in units in the last place: doubles mapped onto a line of integers in their order.
int64_t ulpDistance(double a, double b) {
    auto line = [](double x) {
        int64_t i;
        std::memcpy(&i, &x, sizeof i);
        return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
    };
    const int64_t d = line(a) - line(b);
    return d < 0 ? -d : d;
}

struct Worst {
    int64_t ulps = 0;
    double at = 0;
    long differing = 0;
    long count = 0;
};

// Compares fn with ref on x and -x; the odd functions must flip sign exactly, cos must not.
template <typename Fn, typename Ref>
void compare(Worst& w, Fn fn, Ref ref, double x, bool odd) {
    for (double v : {x, -x}) {
        const double got = fn(v), want = ref(v);
        const int64_t d = ulpDistance(got, want);
        ++w.count;
        if (d != 0) ++w.differing;
        if (d > w.ulps) w.ulps = d, w.at = v;
    }
    const double mirrored = fn(-x);
    EXPECT_EQ(ulpDistance(mirrored, odd ? -fn(x) : fn(x)), 0) << x;
}

enum class Spread { Linear, Log2 };
struct Range {
    const char* name;
    double lo, hi;  // a linear range, or exponents of 2
    Spread spread;
};

template <typename Fn, typename Ref>
void sweep(const char* fnName, Fn fn, Ref ref, bool odd, const Range& r, int samples) {
    std::mt19937_64 rng(20261210);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Worst w;
    for (int i = 0; i < samples; ++i) {
        const double t = r.lo + (r.hi - r.lo) * u(rng);
        compare(w, fn, ref, r.spread == Spread::Log2 ? std::exp2(t) : t, odd);
    }
    std::printf("[ detmath ] %-5s %-22s %8ld values: max %lld ulp (at %.17g), %.3f%% not identical\n", fnName,
                r.name, w.count, static_cast<long long>(w.ulps), w.at, 100.0 * w.differing / w.count);
    EXPECT_LE(w.ulps, 1) << fnName << " on " << r.name << " at " << w.at;
}

double libSin(double x) { return std::sin(x); }
double libCos(double x) { return std::cos(x); }
double libAtan(double x) { return std::atan(x); }

const Range kAngleRanges[] = {
    {"one turn", 0.0, 6.2831853071795862, Spread::Linear},
    {"Integer degrees", 0.0, 32768 * 3.141593 / 180, Spread::Linear},
    {"near the 1e6 switch", 9.9e5, 1.01e6, Spread::Linear},
    {"2^-30 .. 2^1023", -30.0, 1023.0, Spread::Log2},
};

TEST(DetMath, SineAndCosineWithinOneUlpOfTheLibrary) {
    for (const Range& r : kAngleRanges) {
        sweep("sin", detSin, libSin, true, r, 400000);
        sweep("cos", detCos, libCos, false, r, 400000);
    }
}

TEST(DetMath, ArcTangentWithinOneUlpOfTheLibrary) {
    const Range ranges[] = {
        {"-2 .. 2", 0.0, 2.0, Spread::Linear},
        {"-1 .. 1", 0.0, 1.0, Spread::Linear},
        {"2^-1074 .. 2^1023", -1074.0, 1023.0, Spread::Log2},
    };
    for (const Range& r : ranges) sweep("atan", detAtan, libAtan, true, r, 400000);
}

// Every angle the rules form from an Integer number of degrees with the game's pi.
TEST(DetMath, EveryIntegerDegreeWithinOneUlp) {
    Worst s, c;
    for (int deg = 0; deg <= 32768; ++deg) {
        const double a = deg * 3.141593 / 180.0;
        compare(s, detSin, libSin, a, true);
        compare(c, detCos, libCos, a, false);
    }
    EXPECT_LE(s.ulps, 1) << s.at;
    EXPECT_LE(c.ulps, 1) << c.at;
}

// Arguments where a careless reduction loses every bit: the doubles nearest to multiples of pi/2
// (the result is the tiny difference), the edge of the kernel, the switch to the exact reduction and
// enormous angles. Expected: the true values rounded to nearest (worked out to 4,000 bits).
TEST(DetMath, HardArgumentsGiveTheTrueValue) {
    struct Case {
        double x, sin, cos, atan;
    };
    const Case cases[] = {
        {0x1.921fb54442d18p+0, 0x1.0000000000000p+0, 0x1.1a62633145c07p-54, 0x1.00fe987ed02ffp+0},    // pi/2
        {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1.0000000000000p+0, 0x1.433b8a322ddd3p+0},   // pi
        {0x1.2d97c7f3321d2p+2, -0x1.0000000000000p+0, -0x1.a79394c9e8a0ap-53, 0x1.5c97d37d98aa4p+0},  // 3 pi/2
        {0x1.921fb54442d18p+2, -0x1.1a62633145c07p-52, 0x1.0000000000000p+0, 0x1.69b8154baf42ep+0},   // 2 pi
        {0x1.921fb54442d18p+10, -0x1.1a62633145c07p-44, 0x1.0000000000000p+0, 0x1.91f6f6e3bf4f6p+0},  // 1024 pi/2
        {0x1.921fb54442d18p-1, 0x1.6a09e667f3bccp-1, 0x1.6a09e667f3bcdp-1, 0x1.54e04c05d06a0p-1},    // pi/4
        {0x1.e847fffffffffp+19, -0x1.6664b2586d247p-2, 0x1.df9df9901399ap-1, 0x1.921fa47d4b30dp+0},   // below 1e6
        {0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1, 0x1.921fb54442d18p+0},   // 1e22
        // The double closest to a multiple of pi/2 (the system library's cosine is 8 units off here).
        {0x1.6ac5b262ca1ffp+849, 0x1.0000000000000p+0, -0x1.14ae72e6ba22fp-61, 0x1.921fb54442d18p+0},
        {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1, 0x1.921fb54442d18p+0},  // largest
    };
    for (const Case& c : cases) {
        EXPECT_LE(ulpDistance(detSin(c.x), c.sin), 1) << "sin " << c.x;
        EXPECT_LE(ulpDistance(detCos(c.x), c.cos), 1) << "cos " << c.x;
        EXPECT_LE(ulpDistance(detAtan(c.x), c.atan), 1) << "atan " << c.x;
    }
    const double tiny[] = {std::numeric_limits<double>::denorm_min(), 0x1p-1022, 0x1p-27};
    for (double x : tiny) {
        EXPECT_EQ(detSin(x), x);
        EXPECT_EQ(detAtan(x), x);
        EXPECT_EQ(detCos(x), 1.0);
    }
}

TEST(DetMath, ZerosInfinitiesAndNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::signbit(detSin(-0.0)) && detSin(-0.0) == 0.0);
    EXPECT_TRUE(std::signbit(detAtan(-0.0)) && detAtan(-0.0) == 0.0);
    EXPECT_EQ(detCos(-0.0), 1.0);
    EXPECT_EQ(detAtan(inf), 0x1.921fb54442d18p+0);
    EXPECT_EQ(detAtan(-inf), -0x1.921fb54442d18p+0);
    for (double x : {inf, -inf, nan}) {
        EXPECT_TRUE(std::isnan(detSin(x))) << x;
        EXPECT_TRUE(std::isnan(detCos(x))) << x;
    }
    EXPECT_TRUE(std::isnan(detAtan(nan)));
}

}  // namespace
}  // namespace vexlot
