// Firing: each frame turns a guy's weapon, cool-down and fire key into rocks at the aiming arm.
#include <cmath>

#include "core/core.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

// The aiming arm: upper arm (c1, s1) and forearm (c2, s2), 50 units each, hung from the shoulder
// pivot. Shot speeds are whole multiples of the forearm.
struct Arm {
    int16_t c1 = 0, s1 = 0, c2 = 0, s2 = 0;
    float pivotX = 0, pivotY = 0;

    // The point `reach` forearms out along the arm.
    float muzzleX(int reach) const { return pivotX + c1 + reach * c2; }
    float muzzleY(int reach) const { return pivotY + s1 + reach * s2; }
};

// A guy facing left aims with arm 1, any other facing with arm 2.
Arm aimingArm(const Game& game, int i) {
    const Guy& g = game.guyTable[i];
    const bool left = game.facing[i] == facingLeft;
    const double toRadians = game.pi / 180;
    const double upper = (left ? g.armAngle1Upper : g.armAngle2Upper) * toRadians;
    const double fore = (left ? g.armAngle1Lower : g.armAngle2Lower) * toRadians;
    Arm a;
    a.c1 = cint(dcos(upper) * 50);
    a.s1 = cint(dsin(upper) * 50);
    a.c2 = cint(dcos(fore) * 50);
    a.s2 = cint(dsin(fore) * 50);
    a.pivotX = g.x - 40;
    a.pivotY = g.y + 50;
    return a;
}

// A new rock of `kind` at reach 3 of the arm (where every projectile leaves the gun).
Rock& addShot(Game& game, const Arm& arm, int16_t kind) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = kind;
    r.x = arm.muzzleX(3);
    r.y = arm.muzzleY(3);
    return r;
}

bool isSecondPlayer(const Game& game, int i) { return i == 1 && game.players == 2; }

// Spends one of the guy's rounds of his weapon: false when its gauge is empty. Computer guys carry
// no ammunition and always have one; a second player counts rounds as the first does.
bool spendRound(Game& game, int i) {
    const int k = game.guyTable[i].weapon - 1;
    if (i == 0) {
        if (game.ammo[k].value <= 0) return false;
        setAmmo(game, k, game.ammo[k].value - 1);
        return true;
    }
    if (!isSecondPlayer(game, i)) return true;
    if (game.secondAmmo[k] <= 0) return false;
    game.secondAmmo[k] = wrap16(game.secondAmmo[k] - 1);
    return true;
}

// The player's round for a shot: an empty gauge refuses the shot and falls back to the pop gun.
bool takeRound(Game& game, int i) {
    if (spendRound(game, i)) return true;
    if (i == 0)
        selectWeapon(game, weaponChar(Weapon::PopGun));
    else
        selectSecondWeapon(game, weaponChar(Weapon::PopGun));
    return false;
}

// The brass casing the pop gun throws up and back from reach 2.
void addPopCasing(Game& game, const Arm& arm) {
    Shrapnel& p = game.shrapnelTable[addDrop(game, arm.muzzleX(2), arm.muzzleY(2), 1)];
    p.red = 200;
    p.green = 200;
    p.blue = 1;
}

void firePopGun(Game& game, int i, const Arm& arm, const WeaponInfo& w) {
    Guy& g = game.guyTable[i];
    sound(game, w.sound);
    g.weaponTimer = spendRound(game, i) ? w.timer : w.emptyTimer;  // an empty pop gun still fires, only slower
    // The pellet starts anywhere along the barrel, up to reach 3.
    const float r1 = game.rnd();
    const float r2 = game.rnd();
    Rock& r = game.rockTable[addRock(game)];
    r.kind = w.kind;
    r.counter = w.counter;
    r.x = arm.pivotX + arm.c1 + arm.c2 * r1 * 3;
    r.y = arm.pivotY + arm.s1 + arm.s2 * r2 * 3;
    r.vx = wrap16(g.vx + w.speed * arm.c2);
    r.vy = w.speed * arm.s2;
    addPopCasing(game, arm);
}

// One rock at the muzzle, as the weapon's row says.
void fireShot(Game& game, int i, const Arm& arm, const WeaponInfo& w) {
    if (w.sound) sound(game, w.sound);
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = w.timer;
    Rock& r = addShot(game, arm, w.kind);
    r.counter = w.counter;
    if (w.size != kUnset) r.size = w.size;
    if (w.aux != kUnset) r.aux = w.aux;
    if (w.payload != kUnset) r.payload = w.payload;
    r.vx = wrap16((w.carry != Carry::None ? g.vx : 0) + w.speed * arm.c2);
    r.vy = wrap16((w.carry == Carry::Both ? g.vy : 0) + w.speed * arm.s2);
}

// Holding fire charges the laser; the bolts leave when the key is released.
void chargeLaser(Game& game, int i, const WeaponInfo& w) {
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = wrap16(g.weaponTimer + w.timer);
}

// One bolt of a laser burst, carrying the charge left; each bolt costs the row's share of it.
void releaseLaserBolt(Game& game, int i, const Arm& arm, const WeaponInfo& w) {
    Guy& g = game.guyTable[i];
    sound(game, w.sound);
    Rock& r = addShot(game, arm, w.kind);
    r.counter = w.counter;
    r.aux = g.weaponTimer;
    r.vx = w.speed * arm.c2;
    r.vy = w.speed * arm.s2;
    g.weaponTimer = wrap16(g.weaponTimer - w.boltCost);
}

// The shotgun's spent shell drops from reach 2 (when the weapon's row says).
void ejectShell(Game& game, const Arm& arm) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = RockKind::Casing;
    r.counter = 35;
    r.x = arm.muzzleX(2);
    r.y = arm.muzzleY(2);
    r.vx = game.rnd() * 10 - 5;
    r.vy = -25;
}

void fire(Game& game, int i, const Arm& arm, const WeaponInfo& w) {
    switch (w.firing) {
        case Firing::PopGun: firePopGun(game, i, arm, w); break;
        case Firing::Shot: fireShot(game, i, arm, w); break;
        case Firing::LaserCharge: chargeLaser(game, i, w); break;
        case Firing::Nothing: break;
    }
}

}  // namespace

void weaponStep(Game& game, int i) {
    if (i < 0 || i > kControlGuys) return;  // only guys with control tables can fire
    Guy& g = game.guyTable[i];
    const Arm arm = aimingArm(game, i);
    const WeaponInfo* w = weaponRow(g.weapon);  // nullptr: no weapon, only the cool-down runs
    if (w && w->shellDrop != kUnset && g.weaponTimer == w->shellDrop) ejectShell(game, arm);
    if (w && w->firing == Firing::LaserCharge && game.keyFire[i] == 0 && g.weaponTimer > 0)
        releaseLaserBolt(game, i, arm, *w);  // the fire key let go of a charge
    if (g.weaponTimer > 0) {
        g.weaponTimer = wrap16(g.weaponTimer - 1);
        return;
    }
    if (w && game.keyFire[i] == kHeld) fire(game, i, arm, *w);
}

}  // namespace vexlot
