// The weapon table and the player's weapon selection.
#include "core/core.h"
#include "figure/figure.h"
#include "weapons/weapons.h"

namespace vexlot {

const WeaponInfo weaponTable[10] = {
    {200, rgb(0, 0, 192)},     {50, rgb(128, 64, 0)},     {100, rgb(255, 255, 0)}, {50, rgb(128, 128, 255)},
    {50, rgb(0, 128, 128)},    {50, rgb(255, 0, 0)},      {50, rgb(255, 128, 0)},  {500, rgb(128, 128, 255)},
    {50, rgb(128, 128, 255)},  {100, rgb(0, 0, 192)},
};

void selectWeapon(Game& game, int charCode) {
    const int k = charCode - 49;
    if (k < 0 || k > 9) return;
    drawguy(game, 0, 1);
    Guy& g = game.guyTable[0];
    g.weapon = static_cast<int16_t>(charCode - 48);
    g.weaponTimer = 0;
    for (Gauge& a : game.ammo) a.visible = false;
    game.ammolbl = std::to_string(game.ammo[k].value);
    game.ammo[k].visible = true;
}

void addStartupPickups(Game& game) {
    for (int w = 1; w <= 7; ++w) {
        Rock& r = game.rockTable[addRock(game)];
        r.kind = 21;
        r.payload = static_cast<int16_t>(w);
        r.counter = 100;
        r.x = 100.0f * w + 8000;
        r.y = 1000;
        r.vx = 0;
        r.vy = 0;
    }
}

}  // namespace vexlot
