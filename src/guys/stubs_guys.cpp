// Placeholder until the guys are built.
#include "guys/guys.h"
namespace vexlot {
void applyGravity(Game&, int) {}
void hurtAndDeadStates(Game&, int) {}
void spinAndAim(Game&, int) {}
void crawl(Game&, int) {}
void hazardsAndDamage(Game&, int) {}
void walkAndJump(Game&, int) {}
void terrainContact(Game&, int) {}
void ai(Game&, int) {}
void deathSound(Game&) {}
}  // namespace vexlot
