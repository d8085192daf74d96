// Sine, cosine and arc tangent from additions, multiplications, divisions and exact bit work only.
// Every step is an IEEE double operation rounded to nearest (no fused multiply-add: the build turns
// contraction off), so every platform computes the same bits.
//
// Sine and cosine: the angle is reduced to r in [-pi/4, pi/4] and a quarter turn count, r carried as
// a pair hi + lo; the Taylor series then needs terms up to r^17 (the first one left out is below
// 1e-19). Small and medium angles (below a million radians) are reduced with a two-part pi/2; the rare
// angle that lands very close to a multiple of pi/2, and every larger angle, is reduced exactly in
// whole numbers against 1,184 bits of 2/pi.
//
// Arc tangent: atan(x) = atan(k/8) + atan((x - k/8) / (1 + x k/8)) with k/8 the nearest eighth, so
// the series runs on |t| <= 1/16; above 1, atan(x) = pi/2 - atan(1/x).
#include "core/detmath.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vexlot {
namespace {

// A value kept as the unevaluated sum hi + lo, lo much smaller than hi.
struct Pair {
    double hi, lo;
};

uint64_t bitsOf(double x) {
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
double fromBits(uint64_t b) {
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}
double absOf(double x) { return fromBits(bitsOf(x) & ~(uint64_t{1} << 63)); }
// 2^k for the normal range -1022 <= k <= 1023.
double pow2(int k) { return fromBits(static_cast<uint64_t>(k + 1023) << 52); }

// Nearest whole number, ties to even, for |x| < 2^51: adding 1.5 * 2^52 leaves no fraction bits.
double nearestWhole(double x) {
    constexpr double kShift = 0x1.8p52;
    return (x + kShift) - kShift;
}

// a + b exactly, when |a| >= |b| or a is 0.
Pair fastTwoSum(double a, double b) {
    double s = a + b;
    return {s, b - (s - a)};
}
// a + b exactly, any order of size.
Pair twoSum(double a, double b) {
    double s = a + b;
    double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}
// a * b exactly (Dekker): each factor split into two halves of 26 bits whose products are exact.
Pair splitHalves(double a) {
    double c = 134217729.0 * a;  // 2^27 + 1
    double hi = c - (c - a);
    return {hi, a - hi};
}
Pair twoProduct(double a, double b) {
    double p = a * b;
    Pair x = splitHalves(a), y = splitHalves(b);
    double e = ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo;
    return {p, e};
}

constexpr double kPiOver2Hi = 0x1.921fb54442d18p+0;  // pi/2 rounded
constexpr double kPiOver2Lo = 0x1.1a62633145c07p-54;  // pi/2 - kPiOver2Hi
constexpr double kPiOver4 = 0x1.921fb54442d18p-1;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kPiOver2Head = 0x1.921fb544p+0;      // the first 33 bits of pi/2: times n < 2^20 is exact
constexpr double kPiOver2Tail = 0x1.0b4611a626331p-34;  // pi/2 - kPiOver2Head rounded
constexpr double kMediumLimit = 1.0e6;

// The binary fraction of 2/pi, 32 bits a word, first word = bits 1..32 after the point.
constexpr uint32_t kTwoOverPiBits[40] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};

// 32 bits of 2/pi starting at bit `pos` (1 = the first bit after the point).
uint32_t twoOverPiWord(int pos) {
    const int k = (pos - 1) / 32, s = (pos - 1) % 32;
    const uint64_t two = (uint64_t{kTwoOverPiBits[k]} << 32) | kTwoOverPiBits[k + 1];
    return static_cast<uint32_t>(two >> (32 - s));
}

// Bits pos .. pos+63 of a 256-bit number held as eight 32-bit limbs, lowest first; bits below 0 read 0.
uint64_t bitsFrom(const uint32_t (&limbs)[8], int pos) {
    uint64_t out = 0;
    for (int l = 0; l < 8; ++l) {
        const int shift = 32 * l - pos;
        if (shift >= 64 || shift <= -32) continue;
        out |= shift >= 0 ? uint64_t{limbs[l]} << shift : uint64_t{limbs[l]} >> -shift;
    }
    return out;
}

// An angle reduced by whole quarter turns: angle = quarter * pi/2 + (hi + lo), |hi| <= pi/4 or a hair more.
struct Reduced {
    int quadrant;  // quarter turns, modulo 4
    double hi, lo;
};

// Exact reduction of any finite a >= pi/4: a = m * 2^e, and a * 2/pi modulo 4 is m times a 192-bit
// window of 2/pi; the bits before the window only add multiples of 4 and the bits after it less than
// 2^-137, far below the closest any double comes to a multiple of pi/2 (about 2^-61).
Reduced reduceExactly(double a) {
    const uint64_t b = bitsOf(a);
    const int e = static_cast<int>(b >> 52) - 1075;
    const uint64_t m = (b & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int first = e - 1 > 1 ? e - 1 : 1;  // first bit of 2/pi that matters
    uint32_t w[6];                            // the window, lowest limb first
    for (int j = 0; j < 6; ++j) w[5 - j] = twoOverPiWord(first + 32 * j);

    uint32_t p[8] = {};  // m * window
    const uint64_t mLimbs[2] = {m & 0xFFFFFFFFu, m >> 32};
    for (int i = 0; i < 2; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < 6; ++j) {
            const uint64_t t = mLimbs[i] * w[j] + p[i + j] + carry;  // cannot overflow 64 bits
            p[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        p[i + 6] = static_cast<uint32_t>(carry);
    }
    const int point = first + 191 - e;  // bit of p worth 1
    int quadrant = static_cast<int>(bitsFrom(p, point) & 3);
    uint64_t f1 = bitsFrom(p, point - 64), f2 = bitsFrom(p, point - 128);  // the fraction, 128 bits
    bool negative = false;
    if (f1 >> 63) {  // fraction >= 1/2: one quarter turn more and a negative remainder
        ++quadrant;
        negative = true;
        f2 = ~f2 + 1;
        f1 = ~f1 + (f2 == 0 ? 1 : 0);
    }
    if (f1 == 0 && f2 == 0) return {quadrant & 3, 0.0, 0.0};
    const int lz = f1 != 0 ? std::countl_zero(f1) : 64 + std::countl_zero(f2);
    if (lz >= 64) {
        f1 = f2 << (lz - 64);
        f2 = 0;
    } else if (lz > 0) {
        f1 = (f1 << lz) | (f2 >> (64 - lz));
        f2 <<= lz;
    }
    // fraction = (f1:f2) / 2^(128 + lz); its first 53 bits and the next 53 as doubles.
    const double fh = static_cast<double>(f1 >> 11) * pow2(-53 - lz);
    const double fl = static_cast<double>(((f1 & 0x7FF) << 42) | (f2 >> 22)) * pow2(-106 - lz);
    const Pair t = twoProduct(fh, kPiOver2Hi);
    const Pair r = fastTwoSum(t.hi, t.lo + (fh * kPiOver2Lo + fl * kPiOver2Hi));
    return negative ? Reduced{quadrant & 3, -r.hi, -r.lo} : Reduced{quadrant & 3, r.hi, r.lo};
}

// Reduction of a >= 0. Below a million radians n * kPiOver2Head is exact and the two-part pi/2 is
// good to 2^-67 absolute, enough unless the remainder is tiny; then the exact reduction takes over.
Reduced reduce(double a) {
    if (a <= kPiOver4) return {0, a, 0.0};
    if (a < kMediumLimit) {
        const double n = nearestWhole(a * kTwoOverPi);
        const double r = a - n * kPiOver2Head;  // exact: both terms are within a factor of two
        const Pair w = twoProduct(n, kPiOver2Tail);
        const double hi = r - w.hi;
        if (absOf(hi) >= 0x1p-8) {
            const double lo = ((r - hi) - w.hi) - w.lo;
            return {static_cast<int>(static_cast<int64_t>(n) & 3), hi, lo};
        }
    }
    return reduceExactly(a);
}

// sin(x + y) for |x| <= pi/4 and y a small correction: x + x^3 S1 + x^5 (S2 + ...) + y (1 - x^2/2).
double sinKernel(double x, double y) {
    constexpr double S1 = -1.0 / 6, S2 = 1.0 / 120, S3 = -1.0 / 5040, S4 = 1.0 / 362880,
                     S5 = -1.0 / 39916800, S6 = 1.0 / 6227020800.0, S7 = -1.0 / 1307674368000.0,
                     S8 = 1.0 / 355687428096000.0;
    const double z = x * x, v = z * x;
    const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * (S6 + z * (S7 + z * S8)))));
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4: 1 - x^2/2 with its rounding error carried, then x^4 (C1 + ...) - x y.
double cosKernel(double x, double y) {
    constexpr double C1 = 1.0 / 24, C2 = -1.0 / 720, C3 = 1.0 / 40320, C4 = -1.0 / 3628800,
                     C5 = 1.0 / 479001600, C6 = -1.0 / 87178291200.0, C7 = 1.0 / 20922789888000.0,
                     C8 = -1.0 / 6402373705728000.0;
    const double z = x * x;
    const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * (C6 + z * (C7 + z * C8)))))));
    const double hz = 0.5 * z, w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// atan(k/8) for k = 1..8, each as a rounded value and the rest.
constexpr Pair kAtanEighths[8] = {
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59}, {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56}, {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58}, {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56}, {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};

// atan(xh + xl) as a pair, for 0 <= xh <= 1 and xl a small correction.
Pair atanPair(double xh, double xl) {
    const int k = static_cast<int>(nearestWhole(xh * 8));
    Pair t{xh, xl};
    if (k > 0) {
        // t = (x - c) / (1 + x c) in pairs: the numerator is exact, the quotient is corrected once.
        const double c = k * 0.125;
        const Pair num = twoSum(xh - c, xl);
        const Pair xc = twoProduct(xh, c);
        const Pair den = fastTwoSum(1.0, xc.hi);
        const double denLo = den.lo + (xc.lo + xl * c);
        const double q = num.hi / den.hi;
        const Pair qd = twoProduct(q, den.hi);
        const double rest = (((num.hi - qd.hi) - qd.lo) + num.lo) - q * denLo;
        t = {q, rest / den.hi};
    }
    // atan t = t + t^3 (-1/3 + t^2/5 - ...), |t| <= 1/16: the first term left out, t^17/17, is below 2^-72.
    constexpr double A1 = -1.0 / 3, A2 = 1.0 / 5, A3 = -1.0 / 7, A4 = 1.0 / 9, A5 = -1.0 / 11,
                     A6 = 1.0 / 13, A7 = -1.0 / 15;
    const double z = t.hi * t.hi;
    const double series = z * (A1 + z * (A2 + z * (A3 + z * (A4 + z * (A5 + z * (A6 + z * A7))))));
    const double tail = t.lo + t.hi * series;
    if (k == 0) return fastTwoSum(t.hi, tail);
    const Pair& base = kAtanEighths[k - 1];
    const Pair s = fastTwoSum(base.hi, t.hi);
    return fastTwoSum(s.hi, s.lo + (base.lo + tail));
}

// The game turns the same few hundred angles (whole degrees, in radians) again and again: the last
// results, kept by the argument's bits, answer most calls without the reduction and the series.
// The values are the functions' own, so the bits are the same with or without it.
struct Memo {
    static constexpr int kBits = 9;
    std::array<uint64_t, 1 << kBits> key;
    std::array<double, 1 << kBits> value{};
    Memo() { key.fill(~uint64_t{0}); }  // a NaN's bits: no finite argument ever matches
    static size_t slot(uint64_t bits) { return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> (64 - kBits)); }
};
thread_local Memo sinMemo, cosMemo;

double sinOf(double x, double a);
double cosOf(double a);

}  // namespace

double detSin(double x) {
    const uint64_t bits = bitsOf(x);
    const size_t k = Memo::slot(bits);
    if (sinMemo.key[k] == bits) return sinMemo.value[k];
    const double s = sinOf(x, absOf(x));
    sinMemo.key[k] = bits;
    sinMemo.value[k] = s;
    return s;
}

double detCos(double x) {
    const uint64_t bits = bitsOf(x);
    const size_t k = Memo::slot(bits);
    if (cosMemo.key[k] == bits) return cosMemo.value[k];
    const double c = cosOf(absOf(x));
    cosMemo.key[k] = bits;
    cosMemo.value[k] = c;
    return c;
}

namespace {

double sinOf(double x, double a) {
    if (!(a <= 0x1.fffffffffffffp+1023)) return x - x;  // NaN for infinities and NaN
    if (a < 0x1p-26) return x;                           // x^3/6 is below half a unit of x
    const Reduced r = reduce(a);
    double s = 0;
    switch (r.quadrant) {
        case 0: s = sinKernel(r.hi, r.lo); break;
        case 1: s = cosKernel(r.hi, r.lo); break;
        case 2: s = -sinKernel(r.hi, r.lo); break;
        default: s = -cosKernel(r.hi, r.lo); break;
    }
    return x < 0 ? -s : s;
}

double cosOf(double a) {
    if (!(a <= 0x1.fffffffffffffp+1023)) return a - a;
    if (a < 0x1p-27) return 1.0;  // x^2/2 is below half a unit of 1
    const Reduced r = reduce(a);
    switch (r.quadrant) {
        case 0: return cosKernel(r.hi, r.lo);
        case 1: return -sinKernel(r.hi, r.lo);
        case 2: return -cosKernel(r.hi, r.lo);
        default: return sinKernel(r.hi, r.lo);
    }
}

}  // namespace

double detAtan(double x) {
    if (x != x) return x + x;
    const double a = absOf(x);
    double r = 0;
    if (a < 0x1p-27) {
        return x;  // x^3/3 is below half a unit of x
    } else if (a <= 1.0) {
        const Pair p = atanPair(a, 0.0);
        r = p.hi + p.lo;
    } else if (a < 0x1p66) {
        // pi/2 - atan(1/a), with 1/a carried as a pair (its rounding error recovered exactly).
        const double uh = 1.0 / a;
        const Pair ua = twoProduct(uh, a);
        const double ul = ((1.0 - ua.hi) - ua.lo) / a;
        const Pair p = atanPair(uh, ul);
        const Pair s = fastTwoSum(kPiOver2Hi, -p.hi);
        r = s.hi + ((s.lo + kPiOver2Lo) - p.lo);
    } else {
        r = kPiOver2Hi + (kPiOver2Lo - 1.0 / a);  // 1/a^3 is far below a unit; infinity gives pi/2
    }
    return x < 0 ? -r : r;
}

}  // namespace vexlot
