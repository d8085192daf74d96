// Weapons and the rock table: selection, firing, every projectile kind, their drawing.
#pragma once
#include <cstdint>

#include "core/game.h"

namespace vexlot {

// How a weapon's fire key acts.
enum class Firing : int8_t {
    Nothing,      // weapons 9 and 10 only show in the hand
    PopGun,       // a pellet from anywhere along the barrel and a casing; never runs dry
    Shot,         // one rock at the muzzle, as the row says
    LaserCharge,  // holding fire charges; the release fires the burst, one bolt a frame
};
// Whose speed a shot carries besides its own: none, the guy's sideways speed, or both of the guy's.
enum class Carry : int8_t { None, Sideways, Both };

constexpr int16_t kUnset = INT16_MIN;  // a rock field the shot leaves as the slot held it

// One weapon: its ammunition gauge and the shot it fires.
struct WeaponInfo {
    int16_t gaugeMax;
    int32_t gaugeColour;
    Firing firing;
    const char* sound;   // played at the shot, before the ammunition test; nullptr: silent
    int16_t timer;       // weaponTimer after a shot (frames until the next, less one)
    int16_t kind;        // the rock fired (RockKind)
    int16_t counter;
    int16_t speed;       // start velocity in forearm lengths
    Carry carry;
    int16_t size = kUnset, aux = kUnset, payload = kUnset;
};
// Weapons 1..10 (index weapon - 1).
extern const WeaponInfo weaponTable[10];

void selectWeapon(Game& game, int charCode);        // "1".."9", ":" for guy 0
void selectSecondWeapon(Game& game, int charCode);  // the same for the second player's guy 1
void weaponStep(Game& game, int i);           // once per frame per guy that is not crawling
void rocks(Game& game);
void drawrock(Game& game, int i);
void eraserock(Game& game, int i);
void addStartupPickups(Game& game);

// A small particle thrown up from (x, y) (blood drop, brass casing) with the fields both share;
// the caller sets its colour components. Returns the particle's index (0 when the table is full).
int addDrop(Game& game, float x, float y, int16_t width);

}  // namespace vexlot
