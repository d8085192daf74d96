// The window: SDL2 video, input and sound around the game library.
#pragma once
#include "platform/headless.h"

namespace vexlot {
int runWindow(const RunOptions& options);
}
