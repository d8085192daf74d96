// A link to the other player that a handshake can run over: ENet directly, or a WebSocket through
// the relay. The rollback engine needs only the Link part.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "net/rollback.h"

namespace vexlot::net {

struct PeerLink : Link {
    // Waits up to `waitMs` for the next message; false when none came or the peer left.
    virtual bool receiveWithin(std::vector<uint8_t>& bytes, uint32_t waitMs) = 0;
    // Says goodbye: delivers what is queued for up to `lingerMs`, then disconnects.
    virtual void close(uint32_t lingerMs) = 0;
    // Where the other player is, for messages.
    virtual std::string peerAddress() const = 0;
};

}  // namespace vexlot::net
