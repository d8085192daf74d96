#include "view/marks.h"

#include <algorithm>
#include <cmath>

#include "view/compose.h"

namespace vexlot {

namespace {

constexpr int kPixelsPerMetre = 8;  // the player's guy stands about 15 pixels tall

// A filled triangle, pixels whose centres lie inside it (either winding).
void triangle(FrameBuffer& out, float ax, float ay, float bx, float by, float cx, float cy, uint32_t colour) {
    const int x0 = static_cast<int>(std::floor(std::min({ax, bx, cx}))), x1 = static_cast<int>(std::ceil(std::max({ax, bx, cx})));
    const int y0 = static_cast<int>(std::floor(std::min({ay, by, cy}))), y1 = static_cast<int>(std::ceil(std::max({ay, by, cy})));
    auto side = [](float px, float py, float qx, float qy, float rx, float ry) {
        return (qx - px) * (ry - py) - (qy - py) * (rx - px);
    };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float d1 = side(ax, ay, bx, by, px, py), d2 = side(bx, by, cx, cy, px, py), d3 = side(cx, cy, ax, ay, px, py);
            const bool neg = d1 < 0 || d2 < 0 || d3 < 0, pos = d1 > 0 || d2 > 0 || d3 > 0;
            if (!(neg && pos)) out.fill(x, y, 1, 1, colour);
        }
}

// A label in the player's colour on a dark box framed in it; (x, y) is the box's top-left corner.
void tag(FrameBuffer& out, int x, int y, const std::string& text, uint32_t colour) {
    const int w = textWidth(text) + 6, h = 12;
    out.blend(x, y, w, h, 0x000000u, 190);
    out.frame(x, y, w, h, colour);
    out.text(x + 3, y + 2, text, colour);
}

}  // namespace

uint32_t playerColour(int player) { return player == 0 ? 0xFF70FF70u : 0xFFFF80FFu; }

ViewPoint guyInView(const Game& game, int guy, float left, float top) {
    const Guy& g = game.guyTable[guy];
    ViewPoint p;
    p.x = static_cast<int>(std::floor((g.x + left) / Surface::kUnitsPerPixel));
    p.y = static_cast<int>(std::floor((g.y + top) / Surface::kUnitsPerPixel));
    return p;
}

Mark markFor(const Game& game, int player, float left, float top, int viewWidth, int viewHeight, std::string label) {
    Mark m;
    m.shown = true;
    m.label = std::move(label);
    const ViewPoint p = guyInView(game, player, left, top);
    m.inView = p.x >= 0 && p.x < viewWidth && p.y >= 0 && p.y < viewHeight;
    if (m.inView) {
        m.x = p.x;
        m.y = p.y - 5;  // just over his head
        return m;
    }
    m.x = std::clamp(p.x, kArrowMargin, viewWidth - 1 - kArrowMargin);
    m.y = std::clamp(p.y, kArrowTop, viewHeight - 1 - kArrowMargin);
    const int beyond = std::max({0, -p.x, p.x - (viewWidth - 1), -p.y, p.y - (viewHeight - 1)});
    m.distance = (beyond + kPixelsPerMetre - 1) / kPixelsPerMetre;
    return m;
}

void composeMark(FrameBuffer& out, const Mark& m, int player, int x0, int viewWidth) {
    if (!m.shown) return;
    const uint32_t colour = playerColour(player);
    const int tx = x0 + m.x, ty = m.y;
    if (m.inView) {
        // A pointer down to his head and the label over it, kept inside the view.
        triangle(out, tx - 4.0f, ty - 5.0f, tx + 5.0f, ty - 5.0f, tx + 0.5f, ty + 0.5f, colour);
        const int w = textWidth(m.label) + 6;
        const int bx = std::clamp(tx - w / 2, x0 + 1, x0 + viewWidth - 1 - w), by = std::max(1, ty - 17);
        tag(out, bx, by, m.label, colour);
        return;
    }
    // The arrow: its tip at the edge, pointing out of the view towards him; the label and the
    // distance beside it on the inside.
    const int dx = m.x <= kArrowMargin ? -1 : m.x >= viewWidth - 1 - kArrowMargin ? 1 : 0;
    const int dy = m.y <= kArrowTop ? -1 : m.y >= out.height - 1 - kArrowMargin ? 1 : 0;
    float ux = static_cast<float>(dx), uy = static_cast<float>(dy);
    const float len = std::sqrt(ux * ux + uy * uy);
    if (len > 0) ux /= len, uy /= len;
    else uy = 1;
    const float bx = tx - ux * 14, by = ty - uy * 14;  // the middle of the arrow's base
    triangle(out, tx + 0.5f, ty + 0.5f, bx - uy * 8 + 0.5f, by + ux * 8 + 0.5f, bx + uy * 8 + 0.5f, by - ux * 8 + 0.5f,
             colour);
    const std::string text = m.label + " " + std::to_string(m.distance) + " m";
    const int w = textWidth(text) + 6;
    int lx = dx < 0 ? static_cast<int>(bx) + 4 : dx > 0 ? static_cast<int>(bx) - 4 - w : tx - w / 2;
    int ly = dy < 0 ? static_cast<int>(by) + 4 : dy > 0 ? static_cast<int>(by) - 16 : ty - 6;
    lx = std::clamp(lx, x0 + 1, x0 + viewWidth - 1 - w);
    ly = std::clamp(ly, 1, out.height - 14);
    tag(out, lx, ly, text, colour);
}

}  // namespace vexlot
