// The other player through vexlot-relay: one WebSocket (Boost.Beast) to the relay, in a room the
// host asked for and the guest joined by its code. The game's messages travel in binary frames,
// unchanged; the relay's own words (room, peer joined, peer left, error) in text frames.
//
// TCP delivers everything in order, so every message is "reliable" here; a lost segment holds the
// ones behind it until it is sent again, which the rollback engine sees as a late burst.
// A thread of the link's own does the network; the game's thread only queues and takes messages.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/enet_link.h"
#include "net/peer_link.h"
#include "net/room_protocol.h"

namespace vexlot::net {

// ws://HOST[:PORT][/PATH] (port 80 unless given); false for anything else (wss:// included:
// this program speaks no TLS, see docs/relay.md for a tunnel).
bool parseRelayUrl(const std::string& url, std::string& host, uint16_t& port, std::string& path);

class WsLink : public PeerLink {
public:
    ~WsLink() override;
    WsLink(const WsLink&) = delete;
    WsLink& operator=(const WsLink&) = delete;

    // Connects to the relay at `url` within `waitMs`; NetError naming it and why.
    static std::unique_ptr<WsLink> connect(const std::string& url, uint32_t waitMs);
    // Asks for a room as its host; the room's code. NetError with the relay's reason.
    std::string createRoom(uint32_t waitMs);
    // Host: waits up to `waitMs` for the other player to join; false when nobody came yet.
    // NetError when the relay closed the room.
    bool waitForGuest(uint32_t waitMs);
    // Joins the room `code` as its guest; NetError with the relay's reason.
    void joinRoom(const std::string& code, uint32_t waitMs);

    void send(std::span<const uint8_t> bytes, bool reliable) override;
    bool receive(std::vector<uint8_t>& bytes) override;
    bool open() const override;
    bool receiveWithin(std::vector<uint8_t>& bytes, uint32_t waitMs) override;
    void close(uint32_t lingerMs) override;
    std::string peerAddress() const override;
    // Why the link closed, as the relay or the network said it (empty while open).
    std::string closedBecause() const;

private:
    struct State;
    WsLink();
    RoomControl nextControl(uint32_t waitMs, const char* waitingFor);
    std::unique_ptr<State> s_;
};

}  // namespace vexlot::net
