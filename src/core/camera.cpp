// Camera for guy 0: it keeps the player between a quarter and three quarters of the window.
#include "core/core.h"

namespace vexlot {

void camera(Game& game) {
    const Guy& g = game.guyTable[0];
    if (game.picbackLeft + g.x > 0.75f * formWidth) picmove(game);
    game.picbackLeft = followScroll(game.picbackLeft, g.x, g.vx);
}

float followScroll(float left, float x, int16_t vx) {
    if (left + x > 0.75f * formWidth && vx > 0) left = left - vx;
    if (left <= 1 && 0.25f * formWidth > left + x && vx < 0) left = left - vx;
    if (left > 0) left = 0;
    return left;
}

}  // namespace vexlot
