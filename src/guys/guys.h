// Guys: movement against the terrain, damage and death, computer guys.
#pragma once
#include "core/game.h"

namespace vexlot {

void applyGravity(Game& game, int i);
void hurtAndDeadStates(Game& game, int i);
void spinAndAim(Game& game, int i);
void crawl(Game& game, int i);
void hazardsAndDamage(Game& game, int i);
void walkAndJump(Game& game, int i);
void terrainContact(Game& game, int i);
void ai(Game& game, int c);
void deathSound(Game& game);

}  // namespace vexlot
