#include "platform/compose.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <stb_easy_font.h>

#include "figure/panels.h"
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

void composeWorld(const Game& game, FrameBuffer& out) {
    const Surface& s = game.picback;
    const int offX = static_cast<int>(std::floor(-game.picbackLeft / Surface::kUnitsPerPixel));
    const int offY = static_cast<int>(std::floor(-game.picbackTop / Surface::kUnitsPerPixel));
    for (int y = 0; y < out.height; ++y) {
        const int wy = y + offY;
        uint32_t* row = &out.argb[static_cast<size_t>(y) * out.width];
        for (int x = 0; x < out.width; ++x) {
            const int wx = x + offX;
            row[x] = (wx >= 0 && wy >= 0 && wx < s.widthPx() && wy < s.heightPx()) ? toArgb(s.pixelAt(wx, wy))
                                                                                    : 0xFF000000u;
        }
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
