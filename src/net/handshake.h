// The handshake before a network game: the joiner says which program and level it has, the host
// answers with the game (its seed, the match length, an input delay from the measured round trip)
// or refuses, and says when frame 1 starts. Both sides check the program version and the level.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/enet_link.h"
#include "net/net_runner.h"

namespace vexlot::net {

struct Agreement {
    uint64_t seed = 0;
    int32_t lastFrame = 0;  // 0: until a player ends the game
    int inputDelay = 0;     // the host's choice for both (each peer may set its own instead)
    int roundTripMs = -1;   // measured by the host; -1 on the joiner
};

// Input delay for a round trip: the frames the one-way trip takes, at most 4 (rollback covers the rest).
int delayForRoundTrip(int roundTripMs);

// Both handshakes end within 10 s of the connection, whatever the other side sends (messages do not
// move the deadline), with NetError; `keepWaiting` is asked every 30 ms and GaveUp is thrown when it
// says no (the window's Esc, a signal). Texts from the other side are quoted and cut short.
//
// Host: waits for the joiner's Hello, refuses a different program or level (NetError with the
// reason, after telling the joiner), measures the round trip, sends the game and the start.
// `inputDelay` < 0: chosen from the round trip. `frames`: the host's match length (0 open).
Agreement hostHandshake(PeerLink& link, uint64_t seed, const std::string& levelTag, uint32_t frames,
                        int inputDelay, const std::function<bool()>& keepWaiting = {});
// Joiner: sends its Hello and waits for the game; NetError with the host's reason when refused.
Agreement joinHandshake(PeerLink& link, const std::string& levelTag, uint32_t frames,
                        const std::function<bool()>& keepWaiting = {});

// A link to the other player and the game agreed with them.
struct Connection {
    std::unique_ptr<PeerLink> link;  // none: the host stopped waiting
    std::string roomCode;            // through a relay: the room's code
    Agreement agreement;
};

// Hosts, waiting for the other player while `keepWaiting(port)` says so (asked every 30 ms, during
// the handshakes too), or joins (asked with port 0); through the relay when options.relay is given (the host's room code
// printed, port 0 given to keepWaiting; the joiner's address is the code); then agrees on the game (the options' input
// delay wins on the joiner). A host whose handshake fails says why on the standard error and waits
// for another player. A connection is none when keepWaiting said no. Says on the standard
// output where it hosts and what is played. `frames`: the match length this peer asks for (0: open).
// Throws NetError with the reason.
Connection connectPeer(const NetRunOptions& options, const std::string& levelTag, uint32_t frames,
                       const std::function<bool(uint16_t port)>& keepWaiting);

// The match length both play: the longer of the two; open when either is open.
uint32_t agreedFrames(uint32_t host, uint32_t joiner);
// Why a peer's program or level does not fit this one's (empty when they fit).
std::string mismatch(uint16_t protocol, const std::string& version, const std::string& level,
                     const std::string& ownLevel);

}  // namespace vexlot::net
