// Placeholder until the rocks and firing are built.
#include "weapons/weapons.h"
namespace vexlot {
void weaponStep(Game&, int) {}
void rocks(Game&) {}
void drawrock(Game&, int) {}
void eraserock(Game&, int) {}
}  // namespace vexlot
