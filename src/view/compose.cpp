#include "view/compose.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>
#include <string>

#include "view/marks.h"
#include "view/overlay.h"
#include "view/panels_view.h"
#include "view/wide_vectors.h"
#include "weapons/weapons.h"
#include "core/numeric.h"

extern const unsigned char overlayFontPsf[];
extern const std::size_t overlayFontPsfSize;

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

namespace {

// The overlay's bitmap font, a PSF2 console font built into the program: glyphs of 6 x 12 pixels,
// one byte a row, and a table saying which glyph draws each character.
struct OverlayFont {
    int width = 0, height = 0;
    const unsigned char* glyphs = nullptr;
    std::array<int, 128> glyphOf{};  // -1: none (drawn as '?')
};

const OverlayFont& overlayFont() {
    static const OverlayFont font = [] {
        OverlayFont f;
        f.glyphOf.fill(-1);
        auto word = [](size_t at) {
            return overlayFontPsf[at] | overlayFontPsf[at + 1] << 8 | overlayFontPsf[at + 2] << 16 |
                   static_cast<uint32_t>(overlayFontPsf[at + 3]) << 24;
        };
        const uint32_t header = word(8), flags = word(12), count = word(16), bytes = word(20);
        f.height = static_cast<int>(word(24));
        f.width = static_cast<int>(word(28));
        f.glyphs = overlayFontPsf + header;
        // The table after the glyphs: for each glyph its characters in UTF-8, 0xFE before sequences,
        // 0xFF at the end. ASCII is all the overlay needs.
        size_t at = header + static_cast<size_t>(count) * bytes;
        for (uint32_t g = 0; (flags & 1) && g < count && at < overlayFontPsfSize; ++g) {
            bool sequences = false;
            for (; at < overlayFontPsfSize && overlayFontPsf[at] != 0xFF; ++at) {
                const unsigned char c = overlayFontPsf[at];
                sequences = sequences || c == 0xFE;
                if (!sequences && c < 128 && f.glyphOf[c] < 0) f.glyphOf[c] = static_cast<int>(g);
            }
            ++at;
        }
        return f;
    }();
    return font;
}

}  // namespace

// A character cell is 6 x 12 with two empty rows above the capitals: (x, y) is where the capitals'
// top row goes, as the overlay's layouts expect.
void FrameBuffer::text(int x, int y, std::string_view s, uint32_t colour, int scale) {
    const OverlayFont& f = overlayFont();
    const int top = y - 2 * scale;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int g = c < 128 ? f.glyphOf[c] : -1;
        if (g < 0) g = f.glyphOf['?'];
        if (g < 0 || c == ' ') continue;
        const unsigned char* rows = f.glyphs + static_cast<size_t>(g) * f.height * ((f.width + 7) / 8);
        const int cx = x + static_cast<int>(i) * f.width * scale;
        for (int r = 0; r < f.height; ++r)
            for (int b = 0; b < f.width; ++b)
                if (rows[r * ((f.width + 7) / 8) + b / 8] & (0x80 >> (b % 8)))
                    fill(cx + b * scale, top + r * scale, scale, scale, colour);
    }
}

void FrameBuffer::blend(int x, int y, int w, int h, uint32_t colour, int alpha) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(width, x + w), y1 = std::min(height, y + h);
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255)), na = 255 - a;
    const uint32_t cr = (colour >> 16) & 255, cg = (colour >> 8) & 255, cb = colour & 255;
    for (int py = y0; py < y1; ++py) {
        uint32_t* row = &argb[static_cast<size_t>(py) * width];
        for (int px = x0; px < x1; ++px) {
            const uint32_t p = row[px];
            const uint32_t r = (((p >> 16) & 255) * na + cr * a) / 255, g = (((p >> 8) & 255) * na + cg * a) / 255,
                           b = ((p & 255) * na + cb * a) / 255;
            row[px] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

int textWidth(std::string_view s) { return static_cast<int>(s.size()) * overlayFont().width; }

Backdrop backdropFor(const Surface& surface) {
    Backdrop b;
    const int w = surface.widthPx(), h = surface.heightPx();
    for (int y = 0; y < h; ++y) {
        int solid = 0, last = -1;
        for (int x = 0; x < w; ++x)
            if (surface.pixelAt(x, y) != surface.backColor) {
                ++solid;
                last = x;
            }
        // Mostly solid: three quarters of the level's picture width (the surface is wider than it).
        if (solid * 4 >= std::min(w, 2400) * 3) {
            b.groundRow = y;
            b.levelWidth = last + 1;
            break;
        }
    }
    return b;
}

namespace {

// One stretch of world pixels (game colours) to window pixels.
VEXLOT_WIDE_VECTORS void convertRow(const int32_t* src, uint32_t* dst, int n) {
    for (int i = 0; i < n; ++i) dst[i] = toArgb(src[i]);
}

// The same with the background colour shown as `sky`.
VEXLOT_WIDE_VECTORS void convertRowOver(const int32_t* src, uint32_t* dst, int n, int32_t background, uint32_t sky) {
    for (int i = 0; i < n; ++i) dst[i] = src[i] == background ? sky : toArgb(src[i]);
}

// Backdrop colours: a dusk sky from dark at the top to lighter at the horizon (dark enough that
// the blue computer guys and the grey player stand out), earth in dark browns getting darker.
uint32_t mix(uint32_t a, uint32_t b, int t, int n) {
    auto c = [&](int shift) {
        const int x = static_cast<int>((a >> shift) & 255), y = static_cast<int>((b >> shift) & 255);
        return static_cast<uint32_t>(x + (y - x) * t / n) << shift;
    };
    return 0xFF000000u | c(16) | c(8) | c(0);
}
uint32_t skyAt(int row, int groundRow) {
    return mix(0xFF0C1024u, 0xFF4A4660u, std::clamp(row, 0, groundRow), std::max(1, groundRow));
}
uint32_t earthAt(int row, int groundRow) {
    return mix(0xFF3A2818u, 0xFF1E140Au, std::clamp(row - groundRow, 0, 150), 150);
}

// One row's stretch over the world: the classic colours, or with the backdrop behind them (earth
// below the ground line over the level's width, sky everywhere else).
void convertWorldRow(const int32_t* src, uint32_t* dst, int worldRow, int worldColumn, int n, int32_t background,
                     const Backdrop* backdrop) {
    if (!backdrop) {
        convertRow(src, dst, n);
        return;
    }
    const uint32_t sky = skyAt(worldRow, backdrop->groundRow);
    if (worldRow < backdrop->groundRow) {
        convertRowOver(src, dst, n, background, sky);
        return;
    }
    const int earth = std::clamp(backdrop->levelWidth - worldColumn, 0, n);
    convertRowOver(src, dst, earth, background, earthAt(worldRow, backdrop->groundRow));
    convertRowOver(src + earth, dst + earth, n - earth, background, sky);
}

// Hazards not told by colour alone: dark diagonal stripes over the deadly yellow, and a dark dot
// every fourth pixel over the fire colours (what the game's probes judge hot), both fixed to the
// world so they scroll with it.
void patternHazards(const int32_t* src, uint32_t* dst, int worldRow, int worldColumn, int n) {
    for (int i = 0; i < n; ++i) {
        const int32_t c = src[i];
        const int wx = worldColumn + i;
        if (c == kYellow) {
            if ((wx + worldRow) % 8 < 3) dst[i] = 0xFF202020u;
        } else if (c != 0 && greenOf(c) < 255 && blueOf(c) == 0) {
            if (wx % 4 == 0 && worldRow % 4 == 0) dst[i] = 0xFF300000u;
        }
    }
}

// A world view `width` pixels wide at column x0 of the picture, scrolled to (left, top) in world units:
// the surface's pixels under it, black where it lies off the world. Each row is split into its black
// margins and the stretch over the world, so the inner loop has no bounds tests and becomes vector
// code (a view is 471,000 pixels a frame).
void composeWorld(const Surface& s, float left, float top, FrameBuffer& out, int x0, int width,
                  const Backdrop* backdrop, bool hazardPattern = false) {
    const int offX = static_cast<int>(std::floor(-left / Surface::kUnitsPerPixel));
    const int offY = static_cast<int>(std::floor(-top / Surface::kUnitsPerPixel));
    // Columns [xs, xe) of the view lie over the world; 64-bit so no offset can overflow.
    const long long w = width;
    const int xs = static_cast<int>(std::clamp<long long>(-static_cast<long long>(offX), 0, w));
    const int xe = static_cast<int>(std::clamp<long long>(static_cast<long long>(s.widthPx()) - offX, xs, w));
    for (int y = 0; y < out.height; ++y) {
        const long long wy = static_cast<long long>(y) + offY;
        uint32_t* row = &out.argb[static_cast<size_t>(y) * out.width + x0];
        if (wy < 0 || wy >= s.heightPx()) {
            std::fill(row, row + width, 0xFF000000u);
            continue;
        }
        std::fill(row, row + xs, 0xFF000000u);
        if (xe > xs) {
            const int32_t* src = s.pixels() + static_cast<size_t>(wy) * s.widthPx() + (xs + offX);
            convertWorldRow(src, row + xs, static_cast<int>(wy), xs + offX, xe - xs, s.backColor, backdrop);
            if (hazardPattern) patternHazards(src, row + xs, static_cast<int>(wy), xs + offX, xe - xs);
        }
        std::fill(row + xe, row + width, 0xFF000000u);
    }
}

// A bar gauge: sunken border, light trough, bar in the gauge's colour; x0 is the view's first column.
void composeGauge(const Gauge& g, FrameBuffer& out, int x0 = 0) {
    if (!g.visible) return;
    const int x = x0 + twips(g.left), y = twips(g.top), w = twips(g.width), h = twips(g.height);
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

// Picture1: the dark panel holding the ammunition count in green.
void composeAmmoLabel(const std::string& text, FrameBuffer& out, int x0 = 0) {
    out.fill(x0 + twips(4650), twips(30), twips(1005), twips(270), toArgb(rgb(64, 64, 64)));
    out.text(x0 + twips(4650) + twips(30) + 1, twips(30) + 3, text, toArgb(rgb(0, 255, 0)));
}

// Each player's marker where his guy is in this view (player `viewer`'s, scrolled to left), and the
// arrow to the viewer's own guy when he is out of it.
void composeMarks(const Game& game, FrameBuffer& out, const ComposeOptions& options, int viewer, float left, int x0) {
    for (int p = 0; p < game.players && p < 2; ++p) {
        const Mark m = markFor(game, p, left, game.picbackTop, kClientWidthPx, out.height, markLabel(game, options, p));
        if (m.inView || p == viewer) composeMark(out, m, p, x0, kClientWidthPx);
    }
}

// The second player's view: the world where their guy is, with their hit points and rounds shown
// as the first player's gauges show his.
void composeSecondView(const Game& game, FrameBuffer& out, const ComposeOptions& options, int x0) {
    composeWorld(game.picback, options.secondViewLeft, game.picbackTop, out, x0, kClientWidthPx, options.backdrop,
                 options.hazardPattern);
    if (options.marks) composeMarks(game, out, options, 1, options.secondViewLeft, x0);
    Gauge life = game.life;
    life.value = game.guyTable[1].health;
    composeGauge(life, out, x0);
    const int weapon = game.guyTable[1].weapon;
    if (weaponRow(weapon)) {
        Gauge ammo = game.ammo[weapon - 1];
        ammo.visible = true;
        ammo.left = game.ammo[0].left;
        ammo.top = game.ammo[0].top;
        ammo.value = game.secondAmmo[weapon - 1];
        composeGauge(ammo, out, x0);
        composeAmmoLabel(std::to_string(ammo.value), out, x0);
    }
    if (options.labels) composeGaugeLabels(game, 1, out, x0);
    out.fill(x0, 0, 1, out.height, 0xFF000000u);  // a dark seam between the views (the left edge of a view shown alone)
}

}  // namespace

std::string markLabel(const Game& game, const ComposeOptions& options, int player) {
    if (game.players != 2 || options.onlyView == player) return "YOU";
    return std::to_string(player + 1);
}

int windowWidthPx(const Game& game) { return game.players == 2 ? 2 * kClientWidthPx : kClientWidthPx; }

void composeWindow(const Game& game, FrameBuffer& out, const ComposeOptions& options) {
    const bool alone = game.players == 2 && options.onlyView >= 0;
    const int width = alone ? kClientWidthPx : windowWidthPx(game);
    if (out.width != width) out = FrameBuffer(width, kClientHeightPx);
    if (alone && options.onlyView == 1) {
        composeSecondView(game, out, options, 0);
        return;
    }
    composeWorld(game.picback, game.picbackLeft, game.picbackTop, out, 0, kClientWidthPx, options.backdrop,
                 options.hazardPattern);
    if (options.marks) composeMarks(game, out, options, 0, game.picbackLeft, 0);
    composeGauge(game.life, out);
    for (const Gauge& g : game.ammo) composeGauge(g, out);
    composeAmmoLabel(game.ammolbl, out);
    if (options.labels) composeGaugeLabels(game, 0, out, 0);
    composePanels(game, out);
    if (game.players == 2 && !alone) composeSecondView(game, out, options, kClientWidthPx);
}

}  // namespace vexlot
