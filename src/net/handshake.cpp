#include "net/handshake.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <vector>

#include "net/packet.h"
#include "net/ws_link.h"
#include "session/script.h"

namespace vexlot::net {

namespace {

constexpr uint32_t kHandshakeMs = 10000;  // the whole handshake, from the connection to the start
constexpr uint32_t kConnectMs = 10000;
constexpr int kPings = 5;
constexpr size_t kShownText = 160;       // a peer's text, as this side shows it

uint32_t stampNow() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}
uint64_t nowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// `tag` is quoted when it comes from the other side.
std::string describeLevel(const std::string& tag, bool theirs) {
    return tag == kBuiltinLevel ? "the built-in level"
                                : "the level picture " + (theirs ? quoteText(tag, kShownText) : tag);
}

void send(PeerLink& link, const Message& m) {
    link.send(encode(m), true);
    link.flush();
}

// The handshake's one deadline, which no message moves, and the player's way out.
struct Clock {
    uint64_t until;
    const std::function<bool()>& keepWaiting;
};

// The next message of the handshake, answering pings on the way; NetError at the deadline or when
// the other side leaves, GaveUp when the player stops waiting (asked every 30 ms).
Message next(PeerLink& link, const Clock& clock, const char* waitingFor) {
    std::vector<uint8_t> bytes;
    Message m;
    for (;;) {
        const uint64_t now = nowMs();
        if (now >= clock.until)
            throw NetError("no answer from the other player within " + std::to_string(kHandshakeMs / 1000) +
                           " s while waiting for " + waitingFor);
        if (clock.keepWaiting && !clock.keepWaiting()) throw GaveUp{};
        if (!link.receiveWithin(bytes, static_cast<uint32_t>(std::min<uint64_t>(clock.until - now, 30)))) {
            if (!link.open()) throw NetError(std::string("the other player left while waiting for ") + waitingFor);
            continue;
        }
        if (!decode(bytes, m)) continue;
        if (const auto* ping = std::get_if<Ping>(&m)) {
            send(link, Pong{ping->stamp});
            continue;
        }
        if (const auto* refuse = std::get_if<Refuse>(&m))
            throw NetError("the other player refused: " + quoteText(refuse->reason, kShownText));
        return m;
    }
}

}  // namespace

int delayForRoundTrip(int roundTripMs) {
    if (roundTripMs < 0) return 2;
    return std::clamp(static_cast<int>(std::lround(roundTripMs / 2.0 / (1000.0 / 60.0))), 0, 4);
}

uint32_t agreedFrames(uint32_t host, uint32_t joiner) { return host == 0 || joiner == 0 ? 0 : std::max(host, joiner); }

std::string mismatch(uint16_t protocol, const std::string& version, const std::string& level,
                     const std::string& ownLevel) {
    if (protocol != kProtocol || version != programVersion())
        return "this program is vexlot " + std::string(programVersion()) + ", the other player's is vexlot " +
               quoteText(version, kShownText) +
               (protocol != kProtocol ? " (another network protocol)" : "") + ": both need the same version";
    if (level != ownLevel)
        return "this game is on " + describeLevel(ownLevel, false) + ", the other player's on " + describeLevel(level, true) +
               ": both need the same level (--level)";
    return {};
}

Agreement hostHandshake(PeerLink& link, uint64_t seed, const std::string& levelTag, uint32_t frames, int inputDelay,
                        const std::function<bool()>& keepWaiting) {
    const Clock clock{nowMs() + kHandshakeMs, keepWaiting};
    const Message first = next(link, clock, "its hello");
    const auto* hello = std::get_if<Hello>(&first);
    if (!hello) throw NetError("the other program does not speak this game's protocol");
    if (const std::string why = mismatch(hello->protocol, hello->version, hello->level, levelTag); !why.empty()) {
        send(link, Refuse{why});
        link.close(500);
        throw NetError("refused the player at " + link.peerAddress() + ": " + why);
    }
    // The round trip: the smallest of a few pings, sent reliably so none is lost for good.
    int best = -1;
    for (int i = 0; i < kPings; ++i) {
        send(link, Ping{stampNow()});
        const Message m = next(link, clock, "an answer to a ping");
        if (const auto* pong = std::get_if<Pong>(&m)) {
            const int rtt = static_cast<int>(stampNow() - pong->stamp);
            if (best < 0 || rtt < best) best = rtt;
        }
    }
    Agreement a;
    a.seed = seed;
    a.lastFrame = static_cast<int32_t>(agreedFrames(frames, hello->frames));
    a.inputDelay = inputDelay >= 0 ? inputDelay : delayForRoundTrip(best);
    a.roundTripMs = best;
    send(link, Welcome{kProtocol, programVersion(), levelTag, seed, static_cast<uint32_t>(a.lastFrame),
                       static_cast<uint8_t>(a.inputDelay)});
    send(link, Start{});
    return a;
}

Agreement joinHandshake(PeerLink& link, const std::string& levelTag, uint32_t frames,
                        const std::function<bool()>& keepWaiting) {
    const Clock clock{nowMs() + kHandshakeMs, keepWaiting};
    send(link, Hello{kProtocol, programVersion(), levelTag, frames});
    const Message m = next(link, clock, "the game");
    const auto* welcome = std::get_if<Welcome>(&m);
    if (!welcome) throw NetError("the other program does not speak this game's protocol");
    if (const std::string why = mismatch(welcome->protocol, welcome->version, welcome->level, levelTag); !why.empty()) {
        send(link, Refuse{why});
        link.close(500);
        throw NetError("refused the host: " + why);
    }
    Agreement a;
    a.seed = welcome->seed;
    a.lastFrame = static_cast<int32_t>(std::min<uint32_t>(welcome->frames, kMaxFrames));
    a.inputDelay = std::min<int>(welcome->inputDelay, kMaxInputDelay);
    if (!std::holds_alternative<Start>(next(link, clock, "the start"))) throw NetError("the host did not start the game");
    return a;
}

namespace {

// The relay's room instead of a port: the host asks for one and waits in it, the guest joins by code.
Connection connectThroughRelay(const NetRunOptions& options, const std::string& levelTag, uint32_t frames,
                               const std::function<bool(uint16_t port)>& keepWaiting) {
    Connection c;
    std::string code;
    if (!options.host) {
        code = normalRoomCode(options.address);
        if (code.empty())
            throw NetError("--join " + options.address + ": a room code is " + std::to_string(kRoomCodeLength) +
                           " letters and digits (as the host's program showed it)");
    }
    std::unique_ptr<WsLink> link = WsLink::connect(options.relay, 10000);
    if (options.host) {
        c.roomCode = link->createRoom(10000);
        std::printf("room %s\n", c.roomCode.c_str());
        std::printf("waiting for the other player: vexlot --join %s --relay %s\n", c.roomCode.c_str(),
                    options.relay.c_str());
        std::fflush(stdout);
        while (!link->waitForGuest(30))
            if (!keepWaiting(0)) return {};
        c.link = std::move(link);
        c.agreement = hostHandshake(*c.link, options.seed, levelTag, frames, options.inputDelay);
    } else {
        link->joinRoom(code, 10000);
        c.roomCode = code;
        c.link = std::move(link);
        c.agreement = joinHandshake(*c.link, levelTag, frames);
        if (options.inputDelay >= 0) c.agreement.inputDelay = options.inputDelay;
    }
    return c;
}

}  // namespace

Connection connectPeer(const NetRunOptions& options, const std::string& levelTag, uint32_t frames,
                       const std::function<bool(uint16_t port)>& keepWaiting) {
    Connection c;
    try {
        if (!options.relay.empty()) {
            c = connectThroughRelay(options, levelTag, frames, keepWaiting);
            if (!c.link) return c;
        } else if (options.host) {
            std::unique_ptr<EnetLink> link = EnetLink::listen(options.port, options.bind);
            const uint16_t port = link->port();
            const std::function<bool()> keep = [&] { return keepWaiting(port); };
            std::printf("hosting on UDP port %u; waiting for the other player\n", static_cast<unsigned>(port));
            std::fflush(stdout);
            // A handshake that fails (refused, silent, gone) lets that peer go and waits for another.
            for (;;) {
                while (!link->waitForPeer(30))
                    if (!keepWaiting(port)) return {};
                try {
                    c.agreement = hostHandshake(*link, options.seed, levelTag, frames, options.inputDelay, keep);
                    break;
                } catch (const NetError& e) {
                    std::fprintf(stderr, "vexlot: %s; waiting for another player\n", e.what());
                    link->dropPeer();
                }
            }
            c.link = std::move(link);
        } else {
            std::string hostName, why;
            uint16_t port = 0;
            if (!parseAddress(options.address, hostName, port, &why))
                throw NetError("--join " + quoteText(options.address) + ": " + why);
            const std::function<bool()> keep = [&] { return keepWaiting(0); };
            c.link = EnetLink::join(hostName, port, kConnectMs, keep);
            c.agreement = joinHandshake(*c.link, levelTag, frames, keep);
            if (options.inputDelay >= 0) c.agreement.inputDelay = options.inputDelay;
        }
    } catch (const GaveUp&) {
        return {};
    }
    std::printf("playing as player %d: seed %" PRIu64 ", frames %d, input delay %d\n", options.host ? 1 : 2,
                c.agreement.seed, c.agreement.lastFrame, c.agreement.inputDelay);
    std::fflush(stdout);
    return c;
}

}  // namespace vexlot::net
