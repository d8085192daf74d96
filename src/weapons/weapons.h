// Weapons and the rock table: selection, firing, every projectile kind, their drawing.
#pragma once
#include <cstdint>

#include "core/game.h"

namespace vexlot {

// How a weapon's fire key acts.
enum class Firing : int8_t {
    Nothing,      // the empty hands only show in the hand
    PopGun,       // a pellet from anywhere along the barrel and a casing; never runs dry
    Shot,         // one rock at the muzzle, as the row says
    LaserCharge,  // holding fire charges; the release fires the burst, one bolt a frame
};
// Whose speed a shot carries besides its own: none, the guy's sideways speed, or both of the guy's.
enum class Carry : int8_t { None, Sideways, Both };

constexpr int16_t kUnset = INT16_MIN;  // a rock field the shot leaves as the slot held it; a timing the weapon lacks

// How a weapon shows in the hand of a standing guy: one line along the forearm F of the aiming arm,
// from fromFore forearm lengths past its start to toFore past it, where the line starts at the
// elbow, or at the weapon's shoulder point S with `alongShoulder`. Drawn only when the barrel's end,
// three forearms past the elbow, is empty.
struct InHand {
    int16_t pen = 0;  // pen width; 0: nothing in the hand
    int32_t colour = 0;
    bool alongShoulder = false;
    int8_t fromFore = 0, toFore = 0;
};

// One weapon: what it is called, its ammunition gauge, the shot it fires, its timings and its look.
struct WeaponInfo {
    const char* name;  // the plain name the window and the help show
    int16_t gaugeMax;
    int32_t gaugeColour;  // also the colour of its ammunition pick-ups
    Firing firing;
    const char* sound;  // played at the shot, before the ammunition test; nullptr: silent
    int16_t timer;      // weaponTimer after a shot (frames until the next, less one)
    int16_t kind;       // the rock fired (RockKind)
    int16_t counter;
    int16_t speed;  // start velocity in forearm lengths
    Carry carry;
    int16_t size = kUnset, aux = kUnset, payload = kUnset;
    int16_t emptyTimer = kUnset;  // weaponTimer after a shot with the gauge empty (a weapon that never runs dry)
    int16_t shellDrop = kUnset;   // the weaponTimer at which the spent shell drops from the gun
    int16_t boltCost = kUnset;    // charge each bolt of a released burst spends (a charged weapon)
    bool startPickup = false;     // a pick-up of it lies in the world from the start
    InHand inHand = {};
};
// Weapons 1..kWeaponSlots (index weapon - 1).
extern const WeaponInfo weaponTable[kWeaponSlots];

// The row of `weapon`, or nullptr for a number that is no weapon slot.
inline const WeaponInfo* weaponRow(int weapon) {
    return weapon >= 1 && weapon <= kWeaponSlots ? &weaponTable[weapon - 1] : nullptr;
}
// The character that selects `weapon`: "1".."9", then ":" for the tenth.
constexpr int weaponChar(int weapon) { return CharCode::Digit0 + weapon; }

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
