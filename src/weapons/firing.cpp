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
    a.c1 = cint(std::cos(upper) * 50);
    a.s1 = cint(std::sin(upper) * 50);
    a.c2 = cint(std::cos(fore) * 50);
    a.s2 = cint(std::sin(fore) * 50);
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

// The player's round for a shot: an empty gauge refuses the shot and falls back to the pop gun.
// Computer guys carry no ammunition.
bool takeRound(Game& game, int i) {
    if (i != 0) return true;
    const int k = game.guyTable[0].weapon - 1;
    if (game.ammo[k].value > 0) {
        setAmmo(game, k, game.ammo[k].value - 1);
        return true;
    }
    selectWeapon(game, 49);
    return false;
}

// The brass casing the pop gun throws up and back from reach 2.
void addPopCasing(Game& game, const Arm& arm) {
    Shrapnel& p = game.shrapnelTable[addDrop(game, arm.muzzleX(2), arm.muzzleY(2), 1)];
    p.red = 200;
    p.green = 200;
    p.blue = 1;
}

void firePopGun(Game& game, int i, const Arm& arm) {
    Guy& g = game.guyTable[i];
    sound(game, "\\pop.wav");
    if (i != 0) {
        g.weaponTimer = 1;
    } else if (game.ammo[0].value > 0) {
        setAmmo(game, 0, game.ammo[0].value - 1);
        g.weaponTimer = 1;
    } else {
        g.weaponTimer = 10;  // an empty pop gun still fires, only slower
    }
    // The pellet starts anywhere along the barrel, up to reach 3.
    const float r1 = game.rnd();
    const float r2 = game.rnd();
    Rock& r = game.rockTable[addRock(game)];
    r.kind = 12;
    r.counter = 25;
    r.x = arm.pivotX + arm.c1 + arm.c2 * r1 * 3;
    r.y = arm.pivotY + arm.s1 + arm.s2 * r2 * 3;
    r.vx = wrap16(g.vx + 5 * arm.c2);
    r.vy = 5 * arm.s2;
    addPopCasing(game, arm);
}

void fireShotgun(Game& game, int i, const Arm& arm) {
    sound(game, "\\bang.wav");
    if (!takeRound(game, i)) return;
    game.guyTable[i].weaponTimer = 20;
    Rock& r = addShot(game, arm, 13);
    r.counter = 1;
    r.vx = 5 * arm.c2;
    r.vy = 5 * arm.s2;
}

void fireFlamethrower(Game& game, int i, const Arm& arm) {
    sound(game, "\\flame.wav");
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = 5;
    Rock& r = addShot(game, arm, 14);
    r.size = 8;
    r.counter = 15;
    r.aux = 5;
    r.vx = wrap16(g.vx + 3 * arm.c2);
    r.vy = 3 * arm.s2;
}

void fireGrenade(Game& game, int i, const Arm& arm) {
    sound(game, "\\bunk.wav");
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = 15;
    Rock& r = addShot(game, arm, 15);
    r.counter = 3;
    r.vx = wrap16(g.vx + 2 * arm.c2);
    r.vy = wrap16(g.vy + 2 * arm.s2);
}

void fireMissile(Game& game, int i, const Arm& arm) {
    sound(game, "\\launch.wav");
    if (!takeRound(game, i)) return;
    game.guyTable[i].weaponTimer = 15;
    Rock& r = addShot(game, arm, 17);
    r.counter = 1;
    r.vx = 2 * arm.c2;
    r.vy = 2 * arm.s2;
}

void fireTimeBomb(Game& game, int i, const Arm& arm) {
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = 15;
    Rock& r = addShot(game, arm, 19);
    r.counter = 10;
    r.aux = 50;
    r.vx = wrap16(g.vx + 2 * arm.c2);
    r.vy = wrap16(g.vy + 2 * arm.s2);
}

// Holding fire charges the laser; the bolts leave when the key is released.
void chargeLaser(Game& game, int i) {
    if (!takeRound(game, i)) return;
    Guy& g = game.guyTable[i];
    g.weaponTimer = wrap16(g.weaponTimer + 1020);
}

void layMine(Game& game, int i, const Arm& arm) {
    if (!takeRound(game, i)) return;
    game.guyTable[i].weaponTimer = 1;
    Rock& r = addShot(game, arm, 22);
    r.payload = 2;
    r.counter = 10;
    r.aux = 50;
    r.vx = 0;
    r.vy = 0;
}

// One bolt of a laser burst, carrying the charge left; each bolt costs 102 of it.
void releaseLaserBolt(Game& game, int i, const Arm& arm) {
    Guy& g = game.guyTable[i];
    sound(game, "\\laser.wav");
    Rock& r = addShot(game, arm, 20);
    r.counter = 50;
    r.aux = g.weaponTimer;
    r.vx = 5 * arm.c2;
    r.vy = 5 * arm.s2;
    g.weaponTimer = wrap16(g.weaponTimer - 102);
}

// The shotgun's spent shell drops from reach 2 five frames after the shot.
void ejectShell(Game& game, const Arm& arm) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = 16;
    r.counter = 35;
    r.x = arm.muzzleX(2);
    r.y = arm.muzzleY(2);
    r.vx = game.rnd() * 10 - 5;
    r.vy = -25;
}

void fire(Game& game, int i, const Arm& arm) {
    switch (game.guyTable[i].weapon) {
        case 1: firePopGun(game, i, arm); break;
        case 2: fireShotgun(game, i, arm); break;
        case 3: fireFlamethrower(game, i, arm); break;
        case 4: fireGrenade(game, i, arm); break;
        case 5: fireMissile(game, i, arm); break;
        case 6: fireTimeBomb(game, i, arm); break;
        case 7: chargeLaser(game, i); break;
        case 8: layMine(game, i, arm); break;
        default: break;  // weapons 9 and 10 only show in the hand
    }
}

}  // namespace

void weaponStep(Game& game, int i) {
    if (i < 0 || i > kControlGuys) return;  // only guys with control tables can fire
    Guy& g = game.guyTable[i];
    const Arm arm = aimingArm(game, i);
    if (g.weapon == 2 && g.weaponTimer == 15) ejectShell(game, arm);
    if (game.keyFire[i] == 0 && g.weapon == 7 && g.weaponTimer > 0) releaseLaserBolt(game, i, arm);
    if (g.weaponTimer > 0) {
        g.weaponTimer = wrap16(g.weaponTimer - 1);
        return;
    }
    if (game.keyFire[i] == -1) fire(game, i, arm);
}

}  // namespace vexlot
