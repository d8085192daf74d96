// The runner built for node has no window: the options stay the desktop program's, and asking for
// the window says where it is.
#include <cstdio>

#include "platform/sdl_frontend.h"

namespace vexlot {

int runWindow(const RunOptions&, WindowProbe*) {
    std::fprintf(stderr, "vexlot: this build has no window; use --headless, or play it in the browser page\n");
    return 2;
}

}  // namespace vexlot
