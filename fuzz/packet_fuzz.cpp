// libFuzzer target: a datagram as the other peer of a network game may send it. The decoder must
// refuse it or accept it whole, and what it accepts must encode back to the very same bytes (one
// way of writing each message, so nothing is read that was not checked).
#include <cstdlib>
#include <span>

#include "net/packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    vexlot::net::Message message;
    if (!vexlot::net::decode(bytes, message)) return 0;
    const std::vector<uint8_t> again = vexlot::net::encode(message);
    if (again.size() != size || !std::equal(again.begin(), again.end(), bytes.begin())) std::abort();
    return 0;
}
