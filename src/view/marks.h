// Finding one's own guy: a marker over each player's guy in the player's colour ("1", "2", or "YOU"),
// and, when a player's guy is out of his view (fallen past the picture's end, thrown off it), an
// arrow at the view's edge pointing to him with how far he is. Drawn in the view only.
#pragma once
#include <cstdint>
#include <string>

#include "core/game.h"

namespace vexlot {

struct FrameBuffer;

// The marker colours of player 1 and player 2 (0xAARRGGBB): a light green and a light magenta, far
// from the grey of the player's guy, the blue of the computer's and the fire colours.
uint32_t playerColour(int player);

// Where guy `guy`'s head is in a view scrolled to (left, top) in window units: window pixels from
// the view's top-left corner (outside the view when he is out of it).
struct ViewPoint {
    int x = 0, y = 0;
};
ViewPoint guyInView(const Game& game, int guy, float left, float top);

// The view's box an out-of-view arrow keeps inside: clear of the gauges along the top.
constexpr int kArrowTop = 48, kArrowMargin = 10;

// What composeMarks draws for one guy in one view, worked out so tests can find it.
struct Mark {
    bool shown = false;   // a marker over him, or an arrow to him
    bool inView = false;  // true: the marker over his head; false: the arrow at the edge
    int x = 0, y = 0;     // view pixels: the tip of the marker's pointer, or the arrow's tip
    int distance = 0;     // out of view: metres from the view's edge to him (8 world pixels a metre)
    std::string label;
};
// `player` 0 or 1 plays guy `player`; `label` is what his marker says.
Mark markFor(const Game& game, int player, float left, float top, int viewWidth, int viewHeight, std::string label);

// Draws `mark` for `player` into the view whose first column is x0.
void composeMark(FrameBuffer& out, const Mark& mark, int player, int x0, int viewWidth);

}  // namespace vexlot
