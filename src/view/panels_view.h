// Draws the "Debug" and "Guy" panels into the window picture.
#pragma once
#include "core/game.h"

namespace vexlot {
struct FrameBuffer;
void composePanels(const Game& game, FrameBuffer& out);
}  // namespace vexlot
