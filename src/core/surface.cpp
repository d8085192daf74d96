#include "core/surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <type_traits>

#include <stb_easy_font.h>

#include "core/numeric.h"

namespace vexlot {

namespace {
constexpr double kFar = 1e7;  // any pixel index beyond this is outside every surface
constexpr int32_t kColourMask = 0xFFFFFF;  // colour values above 16777215 keep their low 24 bits

// floor(v) for |v| < 2^62, without a call into the maths library (this runs for every dot).
long long floorWhole(double v) {
    const long long t = static_cast<long long>(v);  // toward zero
    return t - (static_cast<double>(t) > v);
}

// The largest k with k * k <= n, for 0 <= n < 2^50.
constexpr long long floorSqrt(long long n) {
    long long k = 0;
    if (!std::is_constant_evaluated()) k = static_cast<long long>(std::sqrt(static_cast<double>(n)));
    while (k * k > n) --k;
    while ((k + 1) * (k + 1) <= n) ++k;
    return k;
}

// How far row i of a dot of diameter 2q + 1 (odd) or 2q (even) reaches either side, measured from its
// centre pixel or corner as in Surface::disc; -1 when the row holds no pixel of the dot.
//   odd, centre pixel:  pixel j is in when j*j + i*i < (q + 1/2)^2, that is j*j <= q*q + q - i*i;
//                       the row runs from -k to k.
//   even, centre corner: pixel j (centre at j + 1/2) is in when (j + 1/2)^2 + (i + 1/2)^2 < q*q,
//                       that is j*(j + 1) <= q*q - i*(i + 1) - 1; the row runs from -1 - k to k.
// Whole numbers make the test exact.
constexpr long long rowReach(long long q, bool odd, long long i) {
    if (odd) {
        const long long room = q * q + q - i * i;
        return room < 0 ? -1 : floorSqrt(room);
    }
    const long long room = q * q - i * (i + 1) - 1;
    return room < 0 ? -1 : (floorSqrt(4 * room + 1) - 1) / 2;  // largest k with k*(k + 1) <= room
}

// The reaches of every row of the dots up to kSmallDot across, worked out while compiling, since
// most dots are small and a wide line sweeps one for every pixel of its length.
constexpr int kSmallDot = 32;
struct SmallDots {
    int8_t reach[kSmallDot + 1][kSmallDot + 1] = {};  // [diameter][row i + q]
};
constexpr SmallDots makeSmallDots() {
    SmallDots t;
    for (int d = 2; d <= kSmallDot; ++d)
        for (int i = -d / 2; i <= d / 2; ++i)
            t.reach[d][i + d / 2] = static_cast<int8_t>(rowReach(d / 2, d % 2 != 0, i));
    return t;
}
constexpr SmallDots kSmallDots = makeSmallDots();
}  // namespace

int toPixel(double units) {
    // Limits tested before rounding down give the same answers as after: NaN and everything at or
    // below -kFar land on -kFar, everything above kFar on kFar.
    const double p = units / Surface::kUnitsPerPixel;
    if (!(p > -kFar)) return -static_cast<int>(kFar);
    if (p > kFar) return static_cast<int>(kFar);
    return static_cast<int>(floorWhole(p));
}

void Surface::create(int w, int h, int32_t background, const std::vector<int32_t>& picture, int pw,
                     int ph) {
    width_ = w;
    height_ = h;
    backColor = background;
    loaded_.assign(static_cast<size_t>(w) * h, background);
    for (int y = 0; y < std::min(h, ph); ++y)
        for (int x = 0; x < std::min(w, pw); ++x)
            loaded_[static_cast<size_t>(y) * w + x] = picture[static_cast<size_t>(y) * pw + x];
    pixels_ = loaded_;
    dirty_.assign(static_cast<size_t>(blocksPerRow()) * h, 0);
    dirtyList_.clear();
    dirtyList_.reserve(dirty_.size());
}

void Surface::markBlocks(long long py, long long left, long long right) {
    const size_t rowStart = static_cast<size_t>(py) * blocksPerRow();
    for (long long b = left >> kBlockShift; b <= right >> kBlockShift; ++b) {
        const size_t i = rowStart + static_cast<size_t>(b);
        if (dirty_[i]) continue;
        dirty_[i] = 1;
        dirtyList_.push_back(static_cast<uint32_t>(i));
    }
}

void Surface::clearDirty() {
    for (uint32_t i : dirtyList_) dirty_[i] = 0;
    dirtyList_.clear();
}

void Surface::trackDirty(bool on) {
    clearDirty();
    tracking_ = on;
}

int Surface::blockLength(uint32_t block) const {
    const int start = static_cast<int>(block % blocksPerRow()) << kBlockShift;
    return std::min(kBlockPixels, width_ - start);
}

size_t Surface::blockOffset(uint32_t block) const {
    const int bpr = blocksPerRow();
    return static_cast<size_t>(block / bpr) * width_ + (static_cast<size_t>(block % bpr) << kBlockShift);
}

int32_t* Surface::blockPixels(uint32_t block) { return pixels_.data() + blockOffset(block); }

const int32_t* Surface::blockPixels(uint32_t block) const { return const_cast<Surface*>(this)->blockPixels(block); }

int32_t Surface::point(double x, double y) const {
    int px = toPixel(x), py = toPixel(y);
    if (px < 0 || py < 0 || px >= width_ || py >= height_) return -1;
    return pixelAt(px, py);
}

void Surface::setPixel(int px, int py, int32_t colour) {
    if (px < 0 || py < 0 || px >= width_ || py >= height_) return;
    pixels_[static_cast<size_t>(py) * width_ + px] = colour & kColourMask;
    markDirty(py, px, px);
}

void Surface::disc(double cx, double cy, int diameter, int32_t colour) {
    if (!(std::abs(cx) < kFar && std::abs(cy) < kFar)) return;
    const int px = static_cast<int>(floorWhole(cx)), py = static_cast<int>(floorWhole(cy));
    if (diameter < 2) {
        setPixel(px, py, colour);
        return;
    }
    // Odd diameters centre on the pixel's centre, even ones on its nearest corner, so that every
    // dot of diameter N is exactly N pixels across and has the same shape wherever it lies. Each row
    // of the dot is one run of pixels (see rowReach), filled at once: testing every pixel of the
    // bounding square took most of a frame with many blasts.
    const long long q = diameter / 2;
    const bool odd = diameter % 2 != 0;
    const long long mx = odd ? px : floorWhole(cx + 0.5);
    const long long my = odd ? py : floorWhole(cy + 0.5);
    const long long firstRow = std::max(-q, -my), lastRow = std::min(q, height_ - 1 - my);
    for (long long i = firstRow; i <= lastRow; ++i) {
        const long long k = diameter <= kSmallDot ? kSmallDots.reach[diameter][i + q] : rowReach(q, odd, i);
        if (k < 0) continue;
        const long long left = std::max(mx - k - (odd ? 0 : 1), 0LL);
        const long long right = std::min(mx + k, static_cast<long long>(width_) - 1);
        if (left > right) continue;
        int32_t* row = pixels_.data() + static_cast<size_t>(my + i) * width_;
        std::fill(row + left, row + right + 1, colour & kColourMask);
        markDirty(my + i, left, right);
    }
}

void Surface::pset(double x, double y, int32_t colour) {
    disc(x / kUnitsPerPixel, y / kUnitsPerPixel, pen(), colour);
}

void Surface::line(double x1, double y1, double x2, double y2, int32_t colour) {
    if (pen() < 2) {
        int ax = toPixel(x1), ay = toPixel(y1), bx = toPixel(x2), by = toPixel(y2);
        // Clip absurdly long lines to the surface's neighbourhood before stepping.
        long long span = std::max(std::llabs(static_cast<long long>(bx) - ax), std::llabs(static_cast<long long>(by) - ay));
        if (span > 4LL * (width_ + height_)) return;
        int dx = std::abs(bx - ax), sx = ax < bx ? 1 : -1;
        int dy = -std::abs(by - ay), sy = ay < by ? 1 : -1;
        int err = dx + dy;
        // Half-open, as window systems draw lines: the end pixel is left for the next stroke, except
        // that a line within one pixel paints that pixel.
        setPixel(ax, ay, colour);
        for (;;) {
            if (ax == bx && ay == by) break;
            int e2 = 2 * err;
            if (e2 >= dy) { err += dy; ax += sx; }
            if (e2 <= dx) { err += dx; ay += sy; }
            if (ax == bx && ay == by) break;
            setPixel(ax, ay, colour);
        }
        return;
    }
    double ax = x1 / kUnitsPerPixel, ay = y1 / kUnitsPerPixel;
    double bx = x2 / kUnitsPerPixel, by = y2 / kUnitsPerPixel;
    double span = std::max(std::abs(bx - ax), std::abs(by - ay));
    if (!(span < 4.0 * (width_ + height_))) return;
    int steps = static_cast<int>(std::ceil(span));
    for (int s = 0; s <= steps; ++s) {
        double t = steps == 0 ? 0.0 : static_cast<double>(s) / steps;
        disc(ax + (bx - ax) * t, ay + (by - ay) * t, pen(), colour);
    }
}

void Surface::box(double x1, double y1, double x2, double y2, int32_t colour) {
    line(x1, y1, x2, y1, colour);
    line(x2, y1, x2, y2, colour);
    line(x2, y2, x1, y2, colour);
    line(x1, y2, x1, y1, colour);
}

void Surface::filledBox(double x1, double y1, double x2, double y2, int32_t colour) {
    int ax = std::max(0, std::min(toPixel(x1), toPixel(x2)));
    int bx = std::min(width_ - 1, std::max(toPixel(x1), toPixel(x2)));
    int ay = std::max(0, std::min(toPixel(y1), toPixel(y2)));
    int by = std::min(height_ - 1, std::max(toPixel(y1), toPixel(y2)));
    for (int py = ay; py <= by; ++py) {
        for (int px = ax; px <= bx; ++px) pixels_[static_cast<size_t>(py) * width_ + px] = colour & kColourMask;
        if (ax <= bx) markDirty(py, ax, bx);
    }
}

void Surface::circleArc(double cx, double cy, double radius, double start, double end, int32_t colour) {
    if (end < start) end += 2 * 3.14159265358979323846;
    double lengthPx = radius * (end - start) / kUnitsPerPixel;
    int steps = std::clamp(static_cast<int>(std::ceil(lengthPx)), 1, 4096);
    double px = cx + radius * dcos(start), py = cy - radius * dsin(start);
    for (int s = 1; s <= steps; ++s) {
        double a = start + (end - start) * s / steps;
        double nx = cx + radius * dcos(a), ny = cy - radius * dsin(a);
        line(px, py, nx, ny, colour);
        px = nx;
        py = ny;
    }
}

void Surface::print(std::string_view text) {
    // stb_easy_font lays text out as quads of 4 vertices (x, y, z, colour) in pixels. Its glyphs
    // start with ink in their first column; like ordinary bitmap fonts ours keep a one-pixel left
    // bearing, so the first column of a text is blank (a mine's left neighbour reads its trigger
    // point exactly there, and the orange letters would set it off).
    std::array<char, 16 * 1024> buffer;
    std::string s(text);
    const int quads = stb_easy_font_print(0, 0, s.data(), nullptr, buffer.data(), static_cast<int>(buffer.size()));
    const int ox = toPixel(currentX) + 1, oy = toPixel(currentY);
    for (int q = 0; q < quads; ++q) {
        const float* v = reinterpret_cast<const float*>(buffer.data() + q * 64);
        int qx0 = static_cast<int>(v[0]), qy0 = static_cast<int>(v[1]);
        int qx1 = static_cast<int>(v[8]), qy1 = static_cast<int>(v[9]);
        for (int y = qy0; y < qy1; ++y)
            for (int x = qx0; x < qx1; ++x) setPixel(ox + x, oy + y, foreColor);
    }
}

void Surface::cls() {
    pixels_ = loaded_;
    for (int py = 0; py < height_; ++py) markDirty(py, 0, width_ - 1);
}

uint64_t Surface::hash() const {
    uint64_t h = 1469598103934665603ull;  // FNV-1a, a pixel at a time
    for (int32_t p : pixels_) {
        h ^= static_cast<uint32_t>(p);
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace vexlot
