// The runner built for node has no window and no network: the options stay the desktop program's, and
// asking for either says so.
#include <cstdio>

#include "net/net_runner.h"
#include "net/room_protocol.h"
#include "platform/sdl_frontend.h"

namespace vexlot {

int runWindow(const RunOptions&, WindowProbe*, const net::NetRunOptions*) {
    std::fprintf(stderr, "vexlot: this build has no window; use --headless, or play it in the browser page\n");
    return 2;
}

}  // namespace vexlot

namespace vexlot::net {

bool parseAddress(const std::string&, std::string&, uint16_t&, std::string* why) {
    if (why) *why = "this build has no network play; use the desktop program";
    return false;
}

std::string normalRoomCode(std::string_view) { return {}; }

int runNetHeadless(const NetRunOptions&) {
    std::fprintf(stderr, "vexlot: this build has no network play; use the desktop program\n");
    return 2;
}

}  // namespace vexlot::net
