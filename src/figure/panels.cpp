// The "Debug" and "Guy" panels: their handlers and where a press in the window lands.
#include "figure/panels.h"

#include <algorithm>
#include <string>

#include "core/core.h"
#include "figure/figure.h"

namespace vexlot {

namespace {

// Colour of the palette picture at a point in its own scale (twips); -1 outside it.
int32_t palettePoint(float x, float y) {
    const Picture& p = palettePicture();
    if (!(x >= 0 && y >= 0 && x < p.width * 15.0f && y < p.height * 15.0f)) return -1;
    const int px = static_cast<int>(x) / 15, py = static_cast<int>(y) / 15;
    return p.pixels[static_cast<size_t>(py) * p.width + px];
}

}  // namespace

void gpalette_MouseDown(Game& game, float x, float y) {
    const int32_t colour = palettePoint(x, y);
    if (colour == -1) return;  // off the picture: nothing to pick
    for (int n = 1; n <= 9; ++n)
        if (game.selectedOption == n) game.guyTable[0].partColour[n] = colour;
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

// A press on the world moves the player's guy there; not in a versus game, where it would be a
// way for the first player to jump anywhere.
void picback_MouseDown(Game& game, float x, float y) {
    if (versusRules(game)) return;
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
            // In the picture's own coordinates; a press on the box's border picks nothing.
            const float ix = static_cast<float>(fx - kPalette.left - kPaletteInset);
            const float iy = static_cast<float>(fy - kPalette.top - kPaletteInset);
            gpalette_MouseDown(game, ix, iy);
        } else if (kCommand3.contains(fx, fy)) {
            Command3_Click(game);
        } else {
            for (int n = 0; n < 9; ++n)
                if (kOptions[n].contains(fx, fy)) game.selectedOption = wrap16(n + 1);
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

}  // namespace vexlot
