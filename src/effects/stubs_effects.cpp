// Placeholder until the effects are built.
#include "effects/effects.h"
namespace vexlot {
void setUpStartupRocket(Game&) {}
void rocketPhase(Game&) {}
void drawrocket(Game&, int) {}
void eraserocket(Game&, int) {}
void blastPhase(Game&) {}
int newBlast(Game&, double, double, float, float, double) { return 0; }
void setUpStartupShrapnel(Game&) {}
void shrapnelPhase(Game&) {}
void drawshrapnel(Game&, int) {}
void eraseshrapnel(Game&, int) {}
}  // namespace vexlot
