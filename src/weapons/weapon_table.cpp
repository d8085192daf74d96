// The weapon table and the player's weapon selection.
#include "core/core.h"
#include "figure/figure.h"
#include "weapons/weapons.h"

namespace vexlot {

// Every fact of a weapon is in its row: the firing code, the figure, the gauges, the pick-ups, the
// window's labels and the help read them from here. In the hand, a barrel continues the forearm from
// the hand, the grenade thrower's tube starts one forearm behind the elbow, and the launcher lies
// along the forearm through the shoulder.
const WeaponInfo weaponTable[kWeaponSlots] = {
    {.name = "Pop gun", .gaugeMax = 200, .gaugeColour = rgb(0, 0, 192),
     .firing = Firing::PopGun, .sound = "\\pop.wav", .timer = 1, .kind = RockKind::Pellet, .counter = 25, .speed = 5,
     .carry = Carry::Sideways, .emptyTimer = 10, .startPickup = true,
     .inHand = {.pen = 1, .colour = rgb(0, 0, 127), .fromFore = 1, .toFore = 3}},
    {.name = "Shotgun", .gaugeMax = 50, .gaugeColour = rgb(128, 64, 0),
     .firing = Firing::Shot, .sound = "\\bang.wav", .timer = 20, .kind = RockKind::Shell, .counter = 1, .speed = 5,
     .carry = Carry::None, .shellDrop = 15, .startPickup = true,  // the shell drops five frames after the shot
     .inHand = {.pen = 1, .colour = rgb(127, 127, 0), .fromFore = 1, .toFore = 3}},
    {.name = "Flamethrower", .gaugeMax = 100, .gaugeColour = rgb(255, 255, 0),
     .firing = Firing::Shot, .sound = "\\flame.wav", .timer = 5, .kind = RockKind::Flame, .counter = 15, .speed = 3,
     .carry = Carry::Sideways, .size = 8, .aux = 5, .startPickup = true,
     .inHand = {.pen = 1, .colour = rgb(127, 127, 127), .fromFore = 1, .toFore = 3}},
    {.name = "Grenades", .gaugeMax = 50, .gaugeColour = rgb(128, 128, 255),
     .firing = Firing::Shot, .sound = "\\bunk.wav", .timer = 15, .kind = RockKind::BounceGrenade, .counter = 3,
     .speed = 2, .carry = Carry::Both, .startPickup = true,
     .inHand = {.pen = 2, .colour = rgb(0, 100, 100), .fromFore = -1, .toFore = 3}},
    {.name = "Missiles", .gaugeMax = 50, .gaugeColour = rgb(0, 128, 128),
     .firing = Firing::Shot, .sound = "\\launch.wav", .timer = 15, .kind = RockKind::Missile, .counter = 1, .speed = 2,
     .carry = Carry::None, .startPickup = true,
     .inHand = {.pen = 2, .colour = rgb(200, 200, 200), .alongShoulder = true, .fromFore = -1, .toFore = 2}},
    {.name = "Time bombs", .gaugeMax = 50, .gaugeColour = rgb(255, 0, 0),
     .firing = Firing::Shot, .sound = nullptr, .timer = 15, .kind = RockKind::TimeBomb, .counter = 10, .speed = 2,
     .carry = Carry::Both, .aux = 50, .startPickup = true},
    {.name = "Laser", .gaugeMax = 50, .gaugeColour = rgb(255, 128, 0),
     .firing = Firing::LaserCharge, .sound = "\\laser.wav", .timer = 1020, .kind = RockKind::LaserBolt, .counter = 50,
     .speed = 5, .carry = Carry::None, .boltCost = 102, .startPickup = true},
    {.name = "Mines", .gaugeMax = 500, .gaugeColour = rgb(128, 128, 255),
     .firing = Firing::Shot, .sound = nullptr, .timer = 1, .kind = RockKind::Mine, .counter = 10, .speed = 0,
     .carry = Carry::None, .aux = 50, .payload = MinePayload::Sparks},
    {.name = "Empty hand", .gaugeMax = 50, .gaugeColour = rgb(128, 128, 255),
     .firing = Firing::Nothing, .sound = nullptr, .timer = 0, .kind = RockKind::Dead, .counter = 0, .speed = 0,
     .carry = Carry::None},
    {.name = "Empty hand", .gaugeMax = 100, .gaugeColour = rgb(0, 0, 192),
     .firing = Firing::Nothing, .sound = nullptr, .timer = 0, .kind = RockKind::Dead, .counter = 0, .speed = 0,
     .carry = Carry::None},
};

void selectWeapon(Game& game, int charCode) {
    const int k = charCode - CharCode::Digit1;
    if (k < 0 || k >= kWeaponSlots) return;
    drawguy(game, 0, 1);
    Guy& g = game.guyTable[0];
    g.weapon = wrap16(charCode - CharCode::Digit0);
    g.weaponTimer = 0;
    for (Gauge& a : game.ammo) a.visible = false;
    game.ammolbl = std::to_string(game.ammo[k].value);
    game.ammo[k].visible = true;
}

void selectSecondWeapon(Game& game, int charCode) {
    if (!weaponRow(charCode - CharCode::Digit0)) return;
    drawguy(game, 1, 1);
    Guy& g = game.guyTable[1];
    g.weapon = wrap16(charCode - CharCode::Digit0);
    g.weaponTimer = 0;
}

// One pick-up of each weapon whose row asks for it, 100 apart in weapon order.
void addStartupPickups(Game& game) {
    for (int w = 1; w <= kWeaponSlots; ++w) {
        if (!weaponTable[w - 1].startPickup) continue;
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
