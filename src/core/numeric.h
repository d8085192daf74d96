// The game's number rules: Integer (int16_t) and Long (int32_t) wrap, conversions from floating values
// round to nearest with ties to even, Int rounds down, colours are r + 256*g + 65536*b.
#pragma once
#include <cmath>
#include <cstdint>

#include "core/detmath.h"

namespace vexlot {

// Rounds to nearest, ties to even, and saturates to [lo, hi]: an out-of-range value must not crash.
template <typename T>
inline T roundSaturate(double v, double lo, double hi) {
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
    if (r < lo) r = lo;
    if (r > hi) r = hi;
    return static_cast<T>(r);
}

// CInt: to a 16-bit Integer.
inline int16_t cint(double v) { return roundSaturate<int16_t>(v, -32768.0, 32767.0); }
// CLng: to a 32-bit Long.
inline int32_t clng(double v) { return roundSaturate<int32_t>(v, -2147483648.0, 2147483647.0); }
// Int: rounds down, keeps the floating type.
inline double intDown(double v) { return std::floor(v); }

// 16-bit wrapping sum, for the places where a sum of Integers is formed outside a field assignment.
inline int16_t wrap16(int v) { return static_cast<int16_t>(v); }

// RGB(r, g, b); arguments above 255 count as 255, below 0 as 0.
constexpr int32_t rgb(int r, int g, int b) {
    auto c = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return c(r) + 256 * c(g) + 65536 * c(b);
}
inline int redOf(int32_t c) { return c & 255; }
inline int greenOf(int32_t c) { return (c & 65280) / 256; }
inline int blueOf(int32_t c) { return (c & 16711680) / 65536; }

constexpr int32_t kYellow = 255 + 256 * 255;  // RGB(255,255,0): deadly to guys

// The rules compute in the types they name: Rnd is a Single, Sin, Cos, Atn and Sqr return Double
// whatever their argument, a Single times a Double is a Double, and a store into an Integer or Single
// field rounds once at the end. These take and return double, so a Single argument is widened first
// and never meets the float overloads of <cmath>. Sin, Cos and Atn are the game's own (core/detmath.h),
// so every platform gets the same last bit.
inline double dsin(double a) { return detSin(a); }
inline double dcos(double a) { return detCos(a); }
inline double datan(double a) { return detAtan(a); }
inline double dsqrt(double a) { return std::sqrt(a); }
// Rnd widened to Double, for expressions the rules compute in Double.
inline double widen(float single) { return single; }

// Degrees to radians with the game's own pi.
inline double radians(double degrees, double pi) { return degrees * pi / 180.0; }

}  // namespace vexlot
