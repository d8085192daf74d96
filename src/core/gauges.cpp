// The life and ammunition gauges: their values are game state, and every write notifies.
#include <algorithm>

#include "core/core.h"

namespace vexlot {

void setLife(Game& game, int value) {
    game.life.value = wrap16(std::clamp(value, 0, static_cast<int>(game.life.max)));
    life_Change(game);
}

void setAmmo(Game& game, int k, int value) {
    if (k < 0 || k > 9) return;
    Gauge& g = game.ammo[k];
    g.value = wrap16(std::clamp(value, 0, static_cast<int>(g.max)));
    ammo_Change(game, k);
}

void ammo_Change(Game& game, int k) {
    if (game.ammo[k].visible) game.ammolbl = std::to_string(game.ammo[k].value);
}

// Four tests one after the other; at exactly 75 none holds and the colour stays.
void life_Change(Game& game) {
    int v = game.life.value;
    if (v > 75) game.life.foreColor = rgb(0, 0, 255);
    if (v < 75) game.life.foreColor = rgb(0, 255, 0);
    if (v < 50) game.life.foreColor = rgb(255, 255, 0);
    if (v < 25) game.life.foreColor = rgb(255, 0, 0);
}

}  // namespace vexlot
