// The "Debug" and "Guy" panels: their layout, drawing and mouse routing.
#pragma once
#include "core/game.h"

namespace vexlot {
struct FrameBuffer;
void composePanels(const Game& game, FrameBuffer& out);
}  // namespace vexlot
