// The "Debug" and "Guy" panels: their layout in the window, their handlers and press routing.
// The layout is part of the game: a press in the window is routed by it inside the frame's event
// step, so replays of presses play back exactly. The window side draws the panels from it.
#pragma once
#include <cstdint>

#include "core/game.h"

namespace vexlot {

// Positions in twips: frames in the window, controls relative to their frame.
struct Rect {
    int left, top, width, height;
    bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

inline constexpr Rect kFrame1{60, 330, 1215, 915};
inline constexpr Rect kFrame2{1380, 330, 1545, 2235};
inline constexpr Rect kCommand1{780, 120, 405, 255};
inline constexpr Rect kCommand3{1050, 1950, 465, 255};
inline constexpr Rect kPalette{810, 90, 735, 1485};
// The palette box's sunken border: the picture lies this far inside its left and top edges.
inline constexpr int kPaletteInset = 30;
inline constexpr Rect kOptions[9] = {{90, 240, 615, 195},  {90, 450, 615, 195},  {90, 660, 615, 195},
                              {90, 870, 615, 195},  {90, 1080, 615, 195}, {90, 1290, 615, 195},
                              {90, 1500, 615, 195}, {90, 1710, 615, 195}, {750, 1710, 615, 195}};
inline const char* const kOptionCaptions[9] = {"T1", "T2", "T3", "L1", "L2", "A1a", "A1b", "A2a", "A2b"};
inline constexpr int32_t kPanelColour = 212 + 256 * 208 + 65536 * 200;  // RGB(212, 208, 200)

// A mouse press in the window at pixel (px, py), routed to the control under it.
void pressWindow(Game& game, float px, float py);

}  // namespace vexlot
