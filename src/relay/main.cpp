// vexlot-relay: options, then the relay until it is stopped.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "relay/relay.h"

int main(int argc, char** argv) {
    CLI::App app{"vexlot-relay: rooms for vexlot players who cannot reach each other directly.\n"
                 "A host asks for a room and gets a code, the other player joins by the code; the relay passes\n"
                 "the game's messages between them over WebSocket (ws://ADDR:PORT) and never runs the game.\n"
                 "GET /status answers rooms, peers and messages per second as JSON."};
    vexlot::relay::Config c;
    vexlot::relay::Limits& l = c.limits;
    app.set_version_flag("--version", std::string("vexlot-relay ") + VEXLOT_VERSION);
    app.add_option("--bind", c.bind, "Address to listen on (default 127.0.0.1: this machine and a reverse proxy on it; "
                                     "0.0.0.0 or :: for every address)");
    app.add_option("--port", c.port, "TCP port (default 7718; 0: any free one, printed)");
    app.add_flag("--behind-proxy", c.behindProxy,
                 "Connections from this machine are a reverse proxy's: count them by their X-Forwarded-For address");
    auto* limits = "Limits";
    app.add_option("--max-message", l.maxMessageBytes, "Longest message in bytes")->capture_default_str()->group(limits)
        ->check(CLI::Range(64, 1 << 20));
    app.add_option("--rate", l.messagesPerSecond, "Messages a second one peer may send (bursts of two seconds' worth)")
        ->capture_default_str()->group(limits)->check(CLI::Range(1, 100000));
    app.add_option("--rooms-per-address", l.roomsPerAddress, "Rooms open at once from one address")
        ->capture_default_str()->group(limits)->check(CLI::Range(1, 100000));
    app.add_option("--peers-per-address", l.peersPerAddress, "Connections at once from one address")
        ->capture_default_str()->group(limits)->check(CLI::Range(1, 100000));
    app.add_option("--max-rooms", l.maxRooms, "Rooms open at once")->capture_default_str()->group(limits)
        ->check(CLI::Range(1, 1000000));
    app.add_option("--max-peers", l.maxPeers, "Connections at once")->capture_default_str()->group(limits)
        ->check(CLI::Range(2, 1000000));
    app.add_option("--spectators", l.spectatorsPerRoom, "Spectators in one room")->capture_default_str()->group(limits)
        ->check(CLI::Range(0, 1000));
    app.add_option("--idle-seconds", l.idleSeconds, "A room where nobody sent anything this long is closed")
        ->capture_default_str()->group(limits)->check(CLI::Range(0.1, 1e7));
    app.add_option("--room-seconds", l.roomSeconds, "Longest a room stays open")->capture_default_str()->group(limits)
        ->check(CLI::Range(0.1, 1e8));
    app.add_option("--lobby-seconds", l.lobbySeconds, "A connection has this long to ask for a room")
        ->capture_default_str()->group(limits)->check(CLI::Range(0.1, 3600.0));
    app.add_option("--max-queued", l.maxQueuedBytes, "Bytes waiting for a peer that reads too slowly before it is dropped")
        ->capture_default_str()->group(limits)->check(CLI::Range(1024, 1 << 28));
    auto* tests = "Tests and measurements";
    app.add_option("--test-delay-ms", c.delayMs, "Hold every passed-on message this long")->group(tests)
        ->check(CLI::Range(0, 10000));
    app.add_option("--test-stall-one-in", c.stallOneIn,
                   "Hold one message in N (seeded) 200 ms more, with the later ones to that peer behind it")
        ->group(tests)->check(CLI::Range(0, 1000000));
    CLI11_PARSE(app, argc, argv);
    return vexlot::relay::runRelay(c);
}
