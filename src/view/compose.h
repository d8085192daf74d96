// Composes the whole window (world view, gauges, panels) into one frame buffer in software,
// so that the headless runner renders exactly what the player sees.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"

namespace vexlot {

struct FrameBuffer {
    FrameBuffer() = default;
    FrameBuffer(int w, int h) : width(w), height(h), argb(static_cast<size_t>(w) * h) {}
    int width = kClientWidthPx, height = kClientHeightPx;
    std::vector<uint32_t> argb = std::vector<uint32_t>(static_cast<size_t>(kClientWidthPx) * kClientHeightPx);

    void fill(int x, int y, int w, int h, uint32_t colour);
    void frame(int x, int y, int w, int h, uint32_t colour);  // one-pixel outline
    void text(int x, int y, std::string_view s, uint32_t colour, int scale = 1);
    // Mixes `colour` (0xRRGGBB) over the box with `alpha` 0..255.
    void blend(int x, int y, int w, int h, uint32_t colour, int alpha);
};

// Width in pixels of a line of text at scale 1.
int textWidth(std::string_view s);

// Game colour value (r + 256*g + 65536*b) to 0xAARRGGBB.
inline uint32_t toArgb(int32_t c) {
    return 0xFF000000u | (static_cast<uint32_t>(c & 255) << 16) | (static_cast<uint32_t>(c & 0xFF00)) |
           (static_cast<uint32_t>(c >> 16) & 255);
}

// Window units (twips) to pixels.
constexpr int twips(int t) { return t / 15; }

// The window's optional backdrop: where the world shows its background colour, a sky above the
// level's ground line and dark earth below it (inside the level's width), so craters and tunnels
// read as holes in the ground. Only the window picture changes; the world surface is untouched.
struct Backdrop {
    int groundRow = 449;    // world pixel row where the earth begins
    int levelWidth = 2400;  // world pixel columns with earth below the ground line
};
// The ground line and width of the level now on the surface: the first row that is mostly solid,
// and the last solid column of that row (for a level without one, the built-in level's values).
Backdrop backdropFor(const Surface& surface);

struct ComposeOptions {
    float secondViewLeft = 0;            // a game of two: where the second view is scrolled (world units)
    const Backdrop* backdrop = nullptr;  // null: the classic picture, black where the world is empty
    bool labels = false;                 // the window's gauge labels and weapon strip (view/overlay.h)
    int onlyView = -1;  // 0 or 1 in a game of two: that player's view alone, one view wide (network play)
    bool hazardPattern = false;  // stripes over the deadly yellow and dots over fire, not colour alone
    bool marks = false;  // a marker over each player's guy, an arrow to him when out of view (view/marks.h)
};

// What a player's marker says: "YOU" in a game of one and for the player a view shown alone belongs
// to (network play), else the player's number.
std::string markLabel(const Game& game, const ComposeOptions& options, int player);

// The window's width: one view of 796 pixels, or two side by side in a two-player game.
int windowWidthPx(const Game& game);
// The whole window: the first player's view (world, gauges, panels) and, in a two-player game, the
// second player's view to its right.
void composeWindow(const Game& game, FrameBuffer& out, const ComposeOptions& options = {});

}  // namespace vexlot
