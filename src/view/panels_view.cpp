// Draws the "Debug" and "Guy" panels into the window picture from their layout and the game's captions.
#include "view/panels_view.h"

#include <string>

#include "core/core.h"
#include "figure/panels.h"
#include "view/compose.h"

namespace vexlot {

namespace {

void composeButton(FrameBuffer& out, int x, int y, const Rect& r, const char* caption) {
    const int bx = x + twips(r.left), by = y + twips(r.top), w = twips(r.width), h = twips(r.height);
    out.fill(bx, by, w, h, toArgb(kPanelColour));
    out.fill(bx, by, w, 1, 0xFFFFFFFFu);
    out.fill(bx, by, 1, h, 0xFFFFFFFFu);
    out.fill(bx, by + h - 1, w, 1, 0xFF404040u);
    out.fill(bx + w - 1, by, 1, h, 0xFF404040u);
    const int textWidth = static_cast<int>(std::string(caption).size()) * 6;
    out.text(bx + (w - textWidth) / 2, by + (h - 7) / 2, caption, 0xFF000000u);
}

// A round option button, 9 pixels across: white inside a grey ring, a black dot when selected.
void composeOptionButton(FrameBuffer& out, int x, int y, bool selected) {
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) {
            const int d2 = (row - 4) * (row - 4) + (col - 4) * (col - 4);  // squared distance from the centre
            if (d2 > 17) continue;
            const uint32_t colour = d2 >= 10 ? 0xFF808080u : selected && d2 <= 2 ? 0xFF000000u : 0xFFFFFFFFu;
            out.fill(x + col, y + row, 1, 1, colour);
        }
}

void composeFrame(FrameBuffer& out, const Rect& r, const char* caption) {
    const int x = twips(r.left), y = twips(r.top), w = twips(r.width), h = twips(r.height);
    out.fill(x, y, w, h, toArgb(kPanelColour));
    out.frame(x + 1, y + 4, w - 2, h - 5, 0xFF808080u);
    out.frame(x + 2, y + 5, w - 2, h - 5, 0xFFFFFFFFu);
    const int captionWidth = static_cast<int>(std::string(caption).size()) * 6 + 4;
    out.fill(x + 6, y, captionWidth, 9, toArgb(kPanelColour));
    out.text(x + 8, y + 1, caption, 0xFF000000u);
}

void composeDebug(const Game& game, FrameBuffer& out) {
    composeFrame(out, kFrame1, "Debug");
    const int x = twips(kFrame1.left), y = twips(kFrame1.top);
    composeButton(out, x, y, kCommand1, "Cls");
    out.text(x + twips(30), y + twips(240), "x", 0xFF000000u);
    out.text(x + twips(180), y + twips(240), game.xlbl, 0xFF000000u);
    out.text(x + twips(30), y + twips(420), "y", 0xFF000000u);
    out.text(x + twips(180), y + twips(450), game.ylbl, 0xFF000000u);
    out.text(x + twips(0) + 2, y + twips(660), game.Label1, 0xFF000000u);
}

void composeEditor(const Game& game, FrameBuffer& out) {
    composeFrame(out, kFrame2, "Guy");
    const int x = twips(kFrame2.left), y = twips(kFrame2.top);
    for (int n = 0; n < 9; ++n) {
        const int ox = x + twips(kOptions[n].left), oy = y + twips(kOptions[n].top);
        composeOptionButton(out, ox, oy + 2, game.selectedOption == n + 1);
        out.text(ox + 12, oy + 3, kOptionCaptions[n], 0xFF000000u);
    }
    // The palette box: a sunken border with the picture filling its inside.
    const Picture& p = palettePicture();
    const int bx = x + twips(kPalette.left), by = y + twips(kPalette.top);
    const int bw = twips(kPalette.width), bh = twips(kPalette.height);
    out.fill(bx, by, bw, bh, toArgb(kPanelColour));
    out.fill(bx, by, bw, 1, 0xFF808080u);
    out.fill(bx, by, 1, bh, 0xFF808080u);
    out.fill(bx + 1, by + 1, bw - 2, 1, 0xFF404040u);
    out.fill(bx + 1, by + 1, 1, bh - 2, 0xFF404040u);
    out.fill(bx, by + bh - 1, bw, 1, 0xFFFFFFFFu);
    out.fill(bx + bw - 1, by, 1, bh, 0xFFFFFFFFu);
    const int px = bx + twips(kPaletteInset), py = by + twips(kPaletteInset);
    for (int row = 0; row < p.height; ++row)
        for (int col = 0; col < p.width; ++col)
            out.fill(px + col, py + row, 1, 1, toArgb(p.pixels[static_cast<size_t>(row) * p.width + col]));
    composeButton(out, x, y, kCommand3, "Rnd");
}

}  // namespace

void composePanels(const Game& game, FrameBuffer& out) {
    if (game.Frame1Visible) composeDebug(game, out);
    if (game.Frame2Visible) composeEditor(game, out);
}

}  // namespace vexlot
