// The weapon table and the player's weapon selection.
#include "core/core.h"
#include "figure/figure.h"
#include "weapons/weapons.h"

namespace vexlot {

const WeaponInfo weaponTable[10] = {
    // gauge max, colour, firing, sound, timer, rock kind, counter, speed, carry, [size, aux, payload]
    {200, rgb(0, 0, 192), Firing::PopGun, "\\pop.wav", 1, RockKind::Pellet, 25, 5, Carry::Sideways},
    {50, rgb(128, 64, 0), Firing::Shot, "\\bang.wav", 20, RockKind::Shell, 1, 5, Carry::None},
    {100, rgb(255, 255, 0), Firing::Shot, "\\flame.wav", 5, RockKind::Flame, 15, 3, Carry::Sideways, 8, 5},
    {50, rgb(128, 128, 255), Firing::Shot, "\\bunk.wav", 15, RockKind::BounceGrenade, 3, 2, Carry::Both},
    {50, rgb(0, 128, 128), Firing::Shot, "\\launch.wav", 15, RockKind::Missile, 1, 2, Carry::None},
    {50, rgb(255, 0, 0), Firing::Shot, nullptr, 15, RockKind::TimeBomb, 10, 2, Carry::Both, kUnset, 50},
    {50, rgb(255, 128, 0), Firing::LaserCharge, "\\laser.wav", 1020, RockKind::LaserBolt, 50, 5, Carry::None},
    {500, rgb(128, 128, 255), Firing::Shot, nullptr, 1, RockKind::Mine, 10, 0, Carry::None, kUnset, 50,
     MinePayload::Sparks},
    {50, rgb(128, 128, 255), Firing::Nothing, nullptr, 0, RockKind::Dead, 0, 0, Carry::None},
    {100, rgb(0, 0, 192), Firing::Nothing, nullptr, 0, RockKind::Dead, 0, 0, Carry::None},
};

void selectWeapon(Game& game, int charCode) {
    const int k = charCode - 49;
    if (k < 0 || k > 9) return;
    drawguy(game, 0, 1);
    Guy& g = game.guyTable[0];
    g.weapon = wrap16(charCode - 48);
    g.weaponTimer = 0;
    for (Gauge& a : game.ammo) a.visible = false;
    game.ammolbl = std::to_string(game.ammo[k].value);
    game.ammo[k].visible = true;
}

void selectSecondWeapon(Game& game, int charCode) {
    if (charCode < CharCode::Digit1 || charCode > CharCode::Colon) return;
    drawguy(game, 1, 1);
    Guy& g = game.guyTable[1];
    g.weapon = wrap16(charCode - CharCode::Digit0);
    g.weaponTimer = 0;
}

void addStartupPickups(Game& game) {
    for (int w = 1; w <= 7; ++w) {
        Rock& r = game.rockTable[addRock(game)];
        r.kind = RockKind::AmmoPickup;
        r.payload = wrap16(w);
        r.counter = 100;
        r.x = 100.0f * w + 8000;
        r.y = 1000;
        r.vx = 0;
        r.vy = 0;
    }
}

}  // namespace vexlot
