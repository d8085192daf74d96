// The "Debug" and "Guy" panels: handlers, layout, drawing and mouse routing.
#include "figure/panels.h"

#include <algorithm>
#include <string>

#include "core/core.h"
#include "figure/figure.h"
#include "platform/compose.h"

namespace vexlot {

namespace {

// Positions in twips: frames in the window, controls relative to their frame.
struct Rect {
    int left, top, width, height;
    bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

constexpr Rect kFrame1{60, 330, 1215, 915};
constexpr Rect kFrame2{1380, 330, 1545, 2235};
constexpr Rect kCommand1{780, 120, 405, 255};
constexpr Rect kCommand3{1050, 1950, 465, 255};
constexpr Rect kPalette{810, 90, 735, 1485};
constexpr Rect kOptions[9] = {{90, 240, 615, 195},  {90, 450, 615, 195},  {90, 660, 615, 195},
                              {90, 870, 615, 195},  {90, 1080, 615, 195}, {90, 1290, 615, 195},
                              {90, 1500, 615, 195}, {90, 1710, 615, 195}, {750, 1710, 615, 195}};
const char* const kOptionCaptions[9] = {"T1", "T2", "T3", "L1", "L2", "A1a", "A1b", "A2a", "A2b"};
const int32_t kPanelColour = rgb(212, 208, 200);

// Colour of the palette box at a point in its own scale (twips); the box's background around the picture.
int32_t palettePoint(float x, float y) {
    if (x < 0 || y < 0 || x >= kPalette.width || y >= kPalette.height) return -1;
    const Picture& p = palettePicture();
    const int px = static_cast<int>(x) / 15, py = static_cast<int>(y) / 15;
    if (px >= p.width || py >= p.height) return kPanelColour;
    return p.pixels[static_cast<size_t>(py) * p.width + px];
}

}  // namespace

void gpalette_MouseDown(Game& game, float x, float y) {
    for (int n = 1; n <= 9; ++n)
        if (game.selectedOption == n) game.guyTable[0].partColour[n] = palettePoint(x, y);
}

void Command3_Click(Game& game) { game.Timer1Enabled = !game.Timer1Enabled; }

void Timer1_Timer(Game& game) {
    const int r = cint(game.rnd() * 255.0f);
    const int g = cint(game.rnd() * 255.0f);
    const int b = cint(game.rnd() * 255.0f);
    Guy& guy = game.guyTable[0];
    guy.headColour = rgb(r, g, b);
    for (int p = 1; p <= 9; ++p) guy.partColour[p] = rgb(r, g, b);
}

void picback_MouseDown(Game& game, float x, float y) {
    drawguy(game, 0, 1);
    game.guyTable[0].x = x;
    game.guyTable[0].y = y;
    game.xlbl = singleText(x);
    game.ylbl = singleText(y);
}

void Command1_Click(Game& game) { game.picback.cls(); }

void pressWindow(Game& game, float px, float py) {
    if (!(px >= 0 && py >= 0 && px < kClientWidthPx && py < kClientHeightPx)) return;  // not in the window
    const int x = static_cast<int>(px) * 15, y = static_cast<int>(py) * 15;  // window twips
    if (game.Frame2Visible && kFrame2.contains(x, y)) {
        const int fx = x - kFrame2.left, fy = y - kFrame2.top;
        if (kPalette.contains(fx, fy)) {
            gpalette_MouseDown(game, static_cast<float>(fx - kPalette.left), static_cast<float>(fy - kPalette.top));
        } else if (kCommand3.contains(fx, fy)) {
            Command3_Click(game);
        } else {
            for (int n = 0; n < 9; ++n)
                if (kOptions[n].contains(fx, fy)) game.selectedOption = static_cast<int16_t>(n + 1);
        }
        return;
    }
    if (game.Frame1Visible && kFrame1.contains(x, y)) {
        if (kCommand1.contains(x - kFrame1.left, y - kFrame1.top)) Command1_Click(game);
        return;
    }
    // The gauges and the ammunition panel lie over the world and take their own presses.
    const Rect hud[] = {{game.life.left, game.life.top, game.life.width, game.life.height},
                        {game.ammo[0].left, game.ammo[0].top, game.ammo[0].width, game.ammo[0].height},
                        {4650, 30, 1005, 270}};
    for (const Rect& r : hud)
        if (r.contains(x, y)) return;
    picback_MouseDown(game, static_cast<float>(x) - game.picbackLeft, static_cast<float>(y) - game.picbackTop);
}

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
        out.fill(ox, oy + 2, 9, 9, 0xFFFFFFFFu);
        out.frame(ox, oy + 2, 9, 9, 0xFF808080u);
        if (game.selectedOption == n + 1) out.fill(ox + 3, oy + 5, 3, 3, 0xFF000000u);
        out.text(ox + 12, oy + 3, kOptionCaptions[n], 0xFF000000u);
    }
    const Picture& p = palettePicture();
    const int px = x + twips(kPalette.left), py = y + twips(kPalette.top);
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
