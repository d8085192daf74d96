#include "view/compose.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <stb_easy_font.h>

#include "view/panels_view.h"
#include "core/numeric.h"

namespace vexlot {

void FrameBuffer::fill(int x, int y, int w, int h, uint32_t colour) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(width, x + w), y1 = std::min(height, y + h);
    for (int py = y0; py < y1; ++py) std::fill(&argb[py * width + x0], &argb[py * width + x1], colour);
}

void FrameBuffer::frame(int x, int y, int w, int h, uint32_t colour) {
    fill(x, y, w, 1, colour);
    fill(x, y + h - 1, w, 1, colour);
    fill(x, y, 1, h, colour);
    fill(x + w - 1, y, 1, h, colour);
}

void FrameBuffer::text(int x, int y, std::string_view s, uint32_t colour, int scale) {
    static char buffer[32 * 1024];
    std::string str(s);
    int quads = stb_easy_font_print(0, 0, str.data(), nullptr, buffer, sizeof buffer);
    for (int q = 0; q < quads; ++q) {
        const float* v = reinterpret_cast<const float*>(buffer + q * 64);
        fill(x + scale * static_cast<int>(v[0]), y + scale * static_cast<int>(v[1]),
             scale * static_cast<int>(v[8] - v[0]), scale * static_cast<int>(v[9] - v[1]), colour);
    }
}

namespace {

// Where the processor has AVX2 the row conversion runs twice as many pixels per instruction; the
// pixels are the same either way (the plain SSE2 loop is the fallback the loader picks otherwise).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VEXLOT_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define VEXLOT_WIDE_VECTORS
#endif

// One stretch of world pixels (game colours) to window pixels.
VEXLOT_WIDE_VECTORS void convertRow(const int32_t* src, uint32_t* dst, int n) {
    for (int i = 0; i < n; ++i) dst[i] = toArgb(src[i]);
}

// The world view: the surface's pixels under the window, black where the window lies off the world.
// Each row is split into its black margins and the stretch over the world, so the inner loop has no
// bounds tests and becomes vector code (the window is 471,000 pixels a frame).
void composeWorld(const Game& game, FrameBuffer& out) {
    const Surface& s = game.picback;
    const int offX = static_cast<int>(std::floor(-game.picbackLeft / Surface::kUnitsPerPixel));
    const int offY = static_cast<int>(std::floor(-game.picbackTop / Surface::kUnitsPerPixel));
    // Columns [xs, xe) of the window lie over the world; 64-bit so no offset can overflow.
    const long long w = out.width;
    const int xs = static_cast<int>(std::clamp<long long>(-static_cast<long long>(offX), 0, w));
    const int xe = static_cast<int>(std::clamp<long long>(static_cast<long long>(s.widthPx()) - offX, xs, w));
    for (int y = 0; y < out.height; ++y) {
        const long long wy = static_cast<long long>(y) + offY;
        uint32_t* row = &out.argb[static_cast<size_t>(y) * out.width];
        if (wy < 0 || wy >= s.heightPx()) {
            std::fill(row, row + out.width, 0xFF000000u);
            continue;
        }
        std::fill(row, row + xs, 0xFF000000u);
        if (xe > xs) {
            const int32_t* src = s.pixels() + static_cast<size_t>(wy) * s.widthPx() + (xs + offX);
            convertRow(src, row + xs, xe - xs);
        }
        std::fill(row + xe, row + out.width, 0xFF000000u);
    }
}

// A bar gauge: sunken border, light trough, bar in the gauge's colour.
void composeGauge(const Gauge& g, FrameBuffer& out) {
    if (!g.visible) return;
    const int x = twips(g.left), y = twips(g.top), w = twips(g.width), h = twips(g.height);
    out.fill(x, y, w, h, 0xFFE8E8E8u);
    out.fill(x, y, w, 1, 0xFF808080u);
    out.fill(x, y, 1, h, 0xFF808080u);
    out.fill(x, y + h - 1, w, 1, 0xFFFFFFFFu);
    out.fill(x + w - 1, y, 1, h, 0xFFFFFFFFu);
    if (g.max > 0) {
        const int bar = (w - 4) * std::clamp<int>(g.value, 0, g.max) / g.max;
        out.fill(x + 2, y + 2, bar, h - 4, toArgb(g.foreColor));
    }
}

}  // namespace

void composeWindow(const Game& game, FrameBuffer& out) {
    composeWorld(game, out);
    composeGauge(game.life, out);
    for (const Gauge& g : game.ammo) composeGauge(g, out);
    // Picture1: the dark panel holding ammolbl in green.
    out.fill(twips(4650), twips(30), twips(1005), twips(270), toArgb(rgb(64, 64, 64)));
    out.text(twips(4650) + twips(30) + 1, twips(30) + 3, game.ammolbl, toArgb(rgb(0, 255, 0)));
    composePanels(game, out);
}

}  // namespace vexlot
