// The window: SDL2 video, input and sound around the game library.
#pragma once
#include "platform/headless.h"

namespace vexlot {

namespace net {
struct NetRunOptions;
}

struct Game;

// What a test of the window may do around each shown frame (drive virtual devices, look at the game).
struct WindowProbe {
    virtual ~WindowProbe() = default;
    virtual void beforeFrame(int shownFrame) = 0;  // before the frame's input is gathered
    virtual void afterFrame(const Game& game) = 0;
};

// `network`: host or join a game of two over the network instead of playing on this machine alone.
int runWindow(const RunOptions& options, WindowProbe* probe = nullptr, const net::NetRunOptions* network = nullptr);

}  // namespace vexlot
