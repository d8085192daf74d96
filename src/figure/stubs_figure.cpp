// Placeholder until the figures and panels are built.
#include "core/core.h"
#include "figure/figure.h"
namespace vexlot {
void drawguy(Game&, int, int) {}
void eraseguy(Game&, int) {}
void gpalette_MouseDown(Game&, float, float) {}
void Command3_Click(Game&) {}
void Timer1_Timer(Game&) {}
void picback_MouseDown(Game&, float, float) {}
void Command1_Click(Game&) {}
void pressWindow(Game&, float, float) {}
}  // namespace vexlot
#include "figure/panels.h"
namespace vexlot {
void composePanels(const Game&, FrameBuffer&) {}
}  // namespace vexlot
