// Weapons and the rock table: selection, firing, every projectile kind, their drawing.
#pragma once
#include "core/game.h"

namespace vexlot {

struct WeaponInfo {
    int16_t gaugeMax;
    int32_t gaugeColour;
};
// Gauge maximum and bar colour of weapons 1..10 (index weapon - 1).
extern const WeaponInfo weaponTable[10];

void selectWeapon(Game& game, int charCode);  // "1".."9", ":" for guy 0
void weaponStep(Game& game, int i);           // once per frame per guy that is not crawling
void rocks(Game& game);
void drawrock(Game& game, int i);
void eraserock(Game& game, int i);
void addStartupPickups(Game& game);

// A small particle thrown up from (x, y) (blood drop, brass casing) with the fields both share;
// the caller sets its colour components. Returns the particle's index (0 when the table is full).
int addDrop(Game& game, float x, float y, int16_t width);

}  // namespace vexlot
