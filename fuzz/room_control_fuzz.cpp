// libFuzzer target: a text frame as a client may send it to the relay (or the relay to a game). The
// parser must refuse it or take it whole, and what it takes must write back as the very same text
// (one spelling of each message), and a code it took must be a code the relay could hand out.
#include <cstdlib>
#include <string_view>

#include "net/room_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vexlot::net::RoomControl message;
    if (!vexlot::net::parseControl(text, message)) return 0;
    if (vexlot::net::formatControl(message) != text) std::abort();
    if (!message.code.empty() && vexlot::net::normalRoomCode(message.code) != message.code) std::abort();
    return 0;
}
