// The headless network peer: `vexlot --headless --host [PORT]` or `--join HOST[:PORT]`, playing a
// script's events as this player's, paced at 60 frames a second like the window.
#pragma once
#include <cstdint>
#include <string>

namespace vexlot::net {

class Netplay;

constexpr uint16_t kDefaultPort = 7717;  // the UDP port a host opens unless told otherwise

struct NetRunOptions {
    bool host = false;               // else join
    uint16_t port = 0;               // host: the UDP port (0: any free one, printed)
    std::string address;             // join: HOST[:PORT]
    std::string bind;                // host: the address to listen on (empty: every one)
    std::string relay;               // ws://HOST:PORT of a vexlot-relay: play through a room of it (join: the address is the room's code)
    int inputDelay = -1;             // -1: from the measured round trip
    uint64_t seed = 0;               // host only
    std::string scriptPath, recordPath, levelPath;
    std::string dumpPath, worldPngPath, screenshotPath, look;  // written at the end, as the headless runner does
    int frames = 0;                  // the match length this peer asks for (default: the script's)
    bool framesGiven = false;
    int waitSeconds = 60;            // host: how long to wait for the other player
};

// "HOST" or "HOST:PORT"; false for anything else, with the reason in `why` when given (an IPv6
// address such as "[::1]:7717" is refused: the network layer speaks IPv4 only).
bool parseAddress(const std::string& text, std::string& host, uint16_t& port, std::string* why = nullptr);

// Plays one match and prints the outcome, the figures and the final state hash. Exit status:
// 0 played to the end, 2 no match (options, files, refused, nobody came), 3 the games differed,
// 4 the other player left or went silent.
int runNetHeadless(const NetRunOptions& options);

// After a match: how it ended, the network figures, where the replay went (when one was written)
// and the final state hash, on the standard output. `roundTripMs` < 0: not measured here.
void reportMatch(const Netplay& play, int roundTripMs, const std::string& replayPath);

}  // namespace vexlot::net
