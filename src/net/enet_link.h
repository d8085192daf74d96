// ENet between the two peers: channel 0 reliable and in order (the handshake, state checks, the
// end), channel 1 unreliable (inputs, repeated every frame until acknowledged).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/peer_link.h"

typedef struct _ENetHost ENetHost;
typedef struct _ENetPeer ENetPeer;
typedef struct _ENetEvent ENetEvent;

namespace vexlot::net {

// A network failure with a message for the player.
struct NetError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class EnetLink : public PeerLink {
public:
    ~EnetLink() override;
    EnetLink(const EnetLink&) = delete;
    EnetLink& operator=(const EnetLink&) = delete;

    // A host on UDP `port` (0: a free port, see port()) of the address `bind` (empty: every
    // address); throws NetError.
    static std::unique_ptr<EnetLink> listen(uint16_t port, const std::string& bind = {});
    // Waits up to `waitMs` for one peer to connect; false when none came.
    bool waitForPeer(uint32_t waitMs);
    // Lets the peer go (a failed handshake) so that another can connect.
    void dropPeer();
    // Connects to `host`:`port` within `waitMs`, asking `keepWaiting` every 30 ms (false: GaveUp);
    // throws NetError naming the address.
    static std::unique_ptr<EnetLink> join(const std::string& host, uint16_t port, uint32_t waitMs,
                                          const std::function<bool()>& keepWaiting = {});

    uint16_t port() const { return port_; }
    std::string peerAddress() const override;

    void send(std::span<const uint8_t> bytes, bool reliable) override;
    bool receive(std::vector<uint8_t>& bytes) override;
    void flush() override;
    bool open() const override { return open_; }
    // Waits up to `waitMs` for the next message; false when none came or the peer left.
    bool receiveWithin(std::vector<uint8_t>& bytes, uint32_t waitMs) override;
    // Says goodbye: delivers what is queued for up to `lingerMs`, then disconnects.
    void close(uint32_t lingerMs) override;

private:
    EnetLink() = default;
    void service(uint32_t waitMs);
    void take(ENetEvent& event);
    bool socketReadable() const;

    ENetHost* host_ = nullptr;
    ENetPeer* peer_ = nullptr;
    uint16_t port_ = 0;
    bool open_ = false;
    bool servicedThisTick_ = false;  // receive() reads the socket once between two flushes
    std::deque<std::vector<uint8_t>> inbox_;
};

// The player gave up while a connection was being made (Esc, a signal).
struct GaveUp {};

// "HOST" or "HOST:PORT"; false for anything else, with the reason in `why` when given (an IPv6
// address such as "[::1]:7717" is refused: the network layer speaks IPv4 only).
bool parseAddress(const std::string& text, std::string& host, uint16_t& port, std::string* why = nullptr);

}  // namespace vexlot::net
