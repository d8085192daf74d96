// vexlot-relay: rooms for two players (and onlookers) who cannot reach each other directly.
//
// Each peer holds one WebSocket to the relay. A host asks for a room and gets its code, the other
// player joins by the code, spectators watch by it; the relay passes every binary message of one
// player on unchanged to the other player and the spectators, and never looks inside: the game runs
// on the peers. Everything a peer sends is checked against the limits below; a peer that breaks one
// is told why and dropped, and the rest of the room and every other room go on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexlot::relay {

struct Limits {
    size_t maxMessageBytes = 4096;     // one message (a frame or its fragments together)
    int messagesPerSecond = 240;       // per peer, over any two seconds (a game sends about 60)
    int roomsPerAddress = 4;           // rooms open at once by hosts of one address
    int peersPerAddress = 32;          // connections at once from one address
    int maxRooms = 1000;
    int maxPeers = 4000;
    int spectatorsPerRoom = 8;
    double idleSeconds = 120;          // a room where nobody said anything this long is closed
    double roomSeconds = 4 * 3600;     // no room stays open longer
    double lobbySeconds = 10;          // a connection has this long to open or enter a room
    size_t maxQueuedBytes = 64 * 1024;   // a peer that does not read what is sent to it is dropped
};

struct Config {
    std::string bind = "127.0.0.1";
    uint16_t port = 7718;
    bool behindProxy = false;  // a loopback connection's address is its X-Forwarded-For
    Limits limits;
    // Tests and measurements only: every passed-on message waits this long, and one in
    // `stallOneIn` (0: none) waits kStallMs more with every later message to that peer behind it,
    // as TCP holds a stream behind a lost segment until it is sent again.
    int delayMs = 0;
    int stallOneIn = 0;
};

constexpr int kStallMs = 200;  // Linux's least retransmission time

// Serves until SIGINT or SIGTERM; prints where it listens and a line per room opened and closed.
// Returns the exit status (2: cannot listen).
int runRelay(const Config& config);

}  // namespace vexlot::relay
