// Hostile peers against the real program on 127.0.0.1: hand-made ENet peers speaking the game's
// messages as they like and raw UDP, against the handshake, the receive loop, signals, recordings
// and the options; and a soak of matches through a lossy relay under a stream of garbage.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <memory>
#include <random>

#include "net/enet_link.h"
#include "net/packet.h"
#include "net/peers.h"
#include "net/udp_relay.h"

namespace vexlot::net {
namespace {

using namespace test;

// A UDP socket of its own on 127.0.0.1 that sends whatever it is given to a port, and can listen.
class RawUdp {
public:
    RawUdp() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
    }
    ~RawUdp() { ::close(fd_); }
    void sendTo(uint16_t port, const std::vector<uint8_t>& bytes) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(port);
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    // Waits up to `ms` for a datagram to arrive here.
    bool heard(int ms) const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

void sendMessage(EnetLink& link, const Message& m) {
    link.send(encode(m), true);
    link.flush();
}

// Services the link for `ms`, handing what arrives to `seen` (when given).
void pump(EnetLink& link, int ms, const std::function<void(const Message&)>& seen = {}) {
    std::vector<uint8_t> bytes;
    for (const auto until = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < until;) {
        if (!link.receiveWithin(bytes, 20)) continue;
        Message m;
        if (seen && decode(bytes, m)) seen(m);
    }
}

// The receive loop of a tick reads past empty datagrams (ENet takes one as "nothing more"): a
// message queued behind two hundred of them is read in the next tick or the one after.
TEST(NetHostile, EmptyDatagramsDoNotHoldBackThePeersMessages) {
    auto host = EnetLink::listen(0, "127.0.0.1");
    std::atomic<bool> accepted{false};
    std::thread accept([&] { accepted = host->waitForPeer(10000); });
    auto peer = EnetLink::join("127.0.0.1", host->port(), 10000);
    // The host sees the connection once the joiner's answer to it goes out.
    for (int i = 0; i < 500 && !accepted; ++i) pump(*peer, 20);
    accept.join();
    ASSERT_TRUE(host->open());
    RawUdp raw;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 200; ++i) raw.sendTo(host->port(), {});
        for (int i = 0; i < 20; ++i) raw.sendTo(host->port(), {'V', 4, 1, 2, 3});
        sendMessage(*peer, Ping{static_cast<uint32_t>(round)});
        int ticks = 0;
        bool got = false;
        std::vector<uint8_t> bytes;
        while (!got && ticks < 500) {
            ++ticks;
            while (host->receive(bytes)) {
                Message m;
                got |= decode(bytes, m) && std::holds_alternative<Ping>(m);
            }
            host->flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(got) << "round " << round;
        EXPECT_LE(ticks, 2) << "round " << round;
    }
}

// A joiner whose Hello is from another program (with terminal escapes and a NUL in its version),
// then one that pings every 2 s and never says Hello: the first is refused with its text escaped,
// the second is let go at the handshake's deadline; the host waits on and plays the real joiner.
TEST(NetHostile, HandshakeDeadlineHoldsAndTheHostWaitsOnForTheRealJoiner) {
    TempDir dir;
    Process host({"--headless", "--host", "0", "--bind", "127.0.0.1", "--seed", "5", "--frames", "60", "--record",
                  dir / "host.replay"},
                 dir.path / "host.out");
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    {
        auto evil = EnetLink::join("127.0.0.1", static_cast<uint16_t>(port), 10000);
        sendMessage(*evil, Hello{kProtocol, std::string("\x1b]0;owned\x07\x1b[2J\0tail", 19), "builtin", 60});
        bool refused = false;
        pump(*evil, 3000, [&](const Message& m) { refused |= std::holds_alternative<Refuse>(m); });
        EXPECT_TRUE(refused);
    }
    ASSERT_TRUE(host.waitFor("refused the player.*waiting for another player", 20)) << host.output();
    const std::string said = host.output();
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << "terminal escapes reached the host's terminal";
    EXPECT_NE(said.find("\\x1b]0;owned\\x07\\x1b[2J\\x00tail"), std::string::npos) << said;
    {
        // Messages every 2 s for up to 20 s: the 10 s deadline must come first.
        auto pinger = EnetLink::join("127.0.0.1", static_cast<uint16_t>(port), 10000);
        bool dropped = false;
        for (int i = 0; i < 10 && !dropped; ++i) {
            sendMessage(*pinger, Ping{static_cast<uint32_t>(i)});
            pump(*pinger, 2000);
            dropped = host.output().find("within 10 s while waiting for its hello; waiting for another player") !=
                      std::string::npos;
        }
        EXPECT_TRUE(dropped) << host.output();
    }
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--frames", "60", "--record",
                    dir / "join.replay"},
                   dir.path / "join.out");
    EXPECT_EQ(joiner.wait(60), 0) << joiner.output();
    EXPECT_EQ(host.wait(60), 0) << host.output();
    EXPECT_EQ(finalHash(host.output()), finalHash(joiner.output()));
    EXPECT_EQ(verify(dir / "host.replay", dir.path / "verify.out").substr(0, 18), "0: replay verified");
}

// A hand-made joiner: connects and goes through the handshake as the program does (answering the
// host's pings); then the test says what it sends.
std::unique_ptr<EnetLink> fakeJoin(int port, uint32_t frames) {
    auto link = EnetLink::join("127.0.0.1", static_cast<uint16_t>(port), 10000);
    sendMessage(*link, Hello{kProtocol, programVersion(), std::string(kBuiltinLevel), frames});
    bool started = false;
    for (int i = 0; i < 500 && !started; ++i)
        pump(*link, 20, [&](const Message& m) {
            if (const auto* ping = std::get_if<Ping>(&m)) sendMessage(*link, Pong{ping->stamp});
            started |= std::holds_alternative<Start>(m);
        });
    EXPECT_TRUE(started);
    return link;
}

Inputs emptyInputs(uint32_t first, uint32_t last) {
    Inputs m;
    m.first = first;
    m.frames.assign(last - first + 1, {});
    return m;
}

// A joiner that says it is done and leaves (or just stops) before the match is: the host ends at
// once, or 3 s after the last news, with its end line.
TEST(NetHostile, AJoinerDoneAndGoneOrRepeatingItselfEndsTheHostsMatch) {
    for (const bool leaves : {true, false}) {
        SCOPED_TRACE(leaves ? "done and gone" : "stale inputs, pings and out-of-range keys");
        TempDir dir;
        Process host({"--headless", "--host", "0", "--frames", "600", "--record", dir / "host.replay"}, dir.path / "host.out");
        const int port = host.hostPort(60);
        ASSERT_GT(port, 0) << host.output();
        auto fake = fakeJoin(port, 600);
        int status = -1;
        for (int t = 0; t < 1000 && status < 0; ++t) {  // 16 s at most
            if (leaves) {
                if (t < 30) fake->send(encode(emptyInputs(1, static_cast<uint32_t>(t + 1))), false);
                if (t == 30) sendMessage(*fake, Done{600, 0});
                if (t == 31) fake->close(300);
            } else {
                fake->send(encode(emptyInputs(1, 20)), false);
                sendMessage(*fake, Ping{static_cast<uint32_t>(t)});
                Inputs bad = emptyInputs(21, 21);
                bad.frames[0].push_back(InputEvent{InputEvent::Type::KeyDown, 1000});
                fake->send(encode(bad), false);
                fake->flush();
            }
            if (t > 31 || !leaves) pump(*fake, 16);
            else std::this_thread::sleep_for(std::chrono::milliseconds(16));
            status = host.wait(0);
        }
        EXPECT_EQ(status, 4) << host.output();
        EXPECT_NE(host.output().find(leaves ? "the other player left" : "silent for 3 s"), std::string::npos)
            << host.output();
        EXPECT_NE(slurp(dir / "host.replay").find(" end "), std::string::npos);
        EXPECT_EQ(slurp(dir / "host.replay").find(" 1000"), std::string::npos);
        EXPECT_EQ(verify(dir / "host.replay", dir.path / "verify.out").substr(0, 18), "0: replay verified");
    }
}

// A fake host that answers with pings only: the joiner gives up at its deadline.
TEST(NetHostile, AJoinerIsNotHeldByAHostThatOnlyPings) {
    TempDir dir;
    auto fake = EnetLink::listen(0, "127.0.0.1");
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(fake->port()), "--frames", "60"},
                   dir.path / "join.out");
    ASSERT_TRUE(fake->waitForPeer(30000));
    int status = -1;
    for (int i = 0; i < 10 && status < 0; ++i) {
        sendMessage(*fake, Ping{static_cast<uint32_t>(i)});
        pump(*fake, 2000);
        status = joiner.wait(0);
    }
    EXPECT_EQ(status, 2) << joiner.output();
    EXPECT_NE(joiner.output().find("within 10 s while waiting for the game"), std::string::npos) << joiner.output();
}

// SIGTERM is answered while the host is in a handshake and while a joiner is still connecting.
TEST(NetHostile, ASignalStopsAPeerAtEveryStageOfConnecting) {
    TempDir dir;
    {
        Process host({"--headless", "--host", "0", "--frames", "60"}, dir.path / "host.out");
        const int port = host.hostPort(60);
        ASSERT_GT(port, 0) << host.output();
        auto fake = EnetLink::join("127.0.0.1", static_cast<uint16_t>(port), 10000);
        // A pong proves the host is in the handshake.
        sendMessage(*fake, Ping{9});
        bool pong = false;
        for (int i = 0; i < 100 && !pong; ++i) pump(*fake, 50, [&](const Message& m) { pong |= std::holds_alternative<Pong>(m); });
        ASSERT_TRUE(pong);
        host.signal(SIGTERM);
        EXPECT_EQ(host.wait(30), 2) << host.output();
        EXPECT_NE(host.output().find("stopped before the match began"), std::string::npos) << host.output();
        EXPECT_EQ(host.output().find("within 10 s"), std::string::npos) << host.output();
    }
    {
        RawUdp silent;  // takes the joiner's connection attempts and never answers
        Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(silent.port()), "--frames", "60"},
                       dir.path / "join.out");
        ASSERT_TRUE(silent.heard(30000));
        joiner.signal(SIGTERM);
        EXPECT_EQ(joiner.wait(30), 2) << joiner.output();
        EXPECT_NE(joiner.output().find("stopped before the match began"), std::string::npos) << joiner.output();
    }
}

// SIGHUP (the terminal closed) ends a network match as Esc does: the recording has its end line and
// verifies, and the other peer is told.
TEST(NetHostile, SighupEndsANetworkMatchWithItsEndLine) {
    TempDir dir;
    Process host({"--headless", "--host", "0", "--frames", "6000", "--record", dir / "host.replay"}, dir.path / "host.out");
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--frames", "6000", "--record",
                    dir / "join.replay"},
                   dir.path / "join.out");
    // Playing, with a checkpoint recorded.
    for (int i = 0; i < 3000 && slurp(dir / "host.replay").find(" check ") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    host.signal(SIGHUP);
    EXPECT_EQ(host.wait(30), 4) << host.output();
    EXPECT_EQ(joiner.wait(30), 4) << joiner.output();
    EXPECT_NE(host.output().find("you left the match: the program was stopped"), std::string::npos) << host.output();
    EXPECT_NE(joiner.output().find("the other player left: \"the program was stopped\""), std::string::npos)
        << joiner.output();
    EXPECT_NE(slurp(dir / "host.replay").find(" end "), std::string::npos);
    EXPECT_EQ(verify(dir / "host.replay", dir.path / "verify.out").substr(0, 18), "0: replay verified");
}

// The same on one machine: SIGHUP (or SIGTERM) stops the headless runner between frames, the
// recording gets its end line and verifies, and the exit status says it was stopped.
TEST(NetHostile, SighupEndsAOneMachineGameWithItsEndLine) {
    TempDir dir;
    for (const int sig : {SIGHUP, SIGTERM}) {
        fs::remove(dir / "game.replay");
        Process game({"--headless", "--seed", "3", "--frames", std::to_string(kMaxFrames), "--record", dir / "game.replay"},
                     dir.path / "game.out");
        for (int i = 0; i < 3000 && slurp(dir / "game.replay").find(" check ") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        game.signal(sig);
        EXPECT_EQ(game.wait(60), 4) << game.output();
        EXPECT_NE(game.output().find("stopped by a signal at frame"), std::string::npos) << game.output();
        EXPECT_NE(slurp(dir / "game.replay").find(" end "), std::string::npos);
        EXPECT_EQ(verify(dir / "game.replay", dir.path / "verify.out").substr(0, 18), "0: replay verified");
    }
}

// Symlinks planted where the default recordings go (the data folder; the joiner's name comes from
// the host's seed) are left alone: each peer records into a new name beside them.
TEST(NetHostile, DefaultRecordingNamesNeverFollowAPlantedLink) {
    TempDir dir;
    const fs::path folder = dir.path / "data" / "vexlot";
    fs::create_directories(folder);
    for (const char* role : {"host", "join"}) {
        std::ofstream(dir / (std::string("precious-") + role)) << "precious";
        fs::create_symlink(dir / (std::string("precious-") + role), folder / (std::string("vexlot-") + role + "-42.replay"));
    }
    const std::string data = "XDG_DATA_HOME=" + (dir / "data");
    Process host({"--headless", "--host", "0", "--seed", "42", "--frames", "60"}, dir.path / "host.out", data.c_str(),
                 dir.path);
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--frames", "60"}, dir.path / "join.out",
                   data.c_str(), dir.path);
    EXPECT_EQ(joiner.wait(60), 0) << joiner.output();
    EXPECT_EQ(host.wait(60), 0) << host.output();
    for (const char* role : {"host", "join"}) {
        EXPECT_EQ(slurp(dir / (std::string("precious-") + role)), "precious") << role;
        const std::string written = (folder / (std::string("vexlot-") + role + "-42-2.replay")).string();
        EXPECT_NE((role[0] == 'h' ? host : joiner).output().find("replay written to " + written), std::string::npos)
            << (role[0] == 'h' ? host : joiner).output();
        EXPECT_EQ(verify(written, dir.path / "verify.out").substr(0, 18), "0: replay verified") << role;
    }
}

// A network recording on a full disk: the host says which file stopped and why, keeps its complete
// lines (which verify as a recording cut short) and does not claim it was written.
TEST(NetHostile, ANetworkRecordingOnAFullDiskKeepsItsCompleteLines) {
    TempDir dir;
    Process host({"--headless", "--host", "0", "--frames", "600", "--record", dir / "host.replay"}, dir.path / "host.out",
                 nullptr, {}, 300);
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--frames", "600", "--record",
                    dir / "join.replay"},
                   dir.path / "join.out");
    EXPECT_EQ(host.wait(60), 2) << host.output();
    EXPECT_EQ(joiner.wait(60), 0) << joiner.output();
    EXPECT_NE(host.output().find("recording to " + dir / "host.replay" + " stopped: File too large"), std::string::npos)
        << host.output();
    EXPECT_EQ(host.output().find("replay written"), std::string::npos) << host.output();
    const std::string text = slurp(dir / "host.replay");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_LE(text.size(), 300u);
    EXPECT_NE(verify(dir / "host.replay", dir.path / "verify.out").find("cut short"), std::string::npos);
}

// Addresses the program cannot use are refused when the options are read, naming the option.
TEST(NetHostile, AddressesAreCheckedWhenTheOptionsAreRead) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--join", "[::1]:7717"}, "--join \"[::1]:7717\": an IPv6 address"},
        {{"--join", "::1"}, "an IPv6 address"},
        {{"--join", "127.0.0.1:"}, "no port after the colon"},
        {{"--join", "127.0.0.1:99999"}, "a port is a whole number 1..65535"},
        {{"--host", "0", "--bind", "[::1]"}, "--bind \"[::1]\": an IPv6 address"},
        {{"--host", "0", "--bind", "127.0.0.1:80"}, "an address without a port"},
        {{"--join", "127.0.0.1", "--bind", "127.0.0.1"}, "--bind is an option of --host"},
        {{"--bind", "127.0.0.1"}, "--bind is an option of --host"},
        {{"--host", "0", "--bind", "192.0.2.1"}, "on 192.0.2.1 (in use, not an address of this machine"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--headless", "--frames", "60"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Process p(args, dir.path / "out");
        EXPECT_EQ(p.wait(30), 2) << c.says;
        EXPECT_NE(p.output().find(c.says), std::string::npos) << p.output();
    }
}

// A third process sending garbage and empty datagrams at the host all along.
class Garbage {
public:
    explicit Garbage(uint16_t port, uint64_t seed) {
        pid_ = ::fork();
        if (pid_ != 0) return;
        RawUdp raw;
        std::mt19937_64 random(seed);
        // At most two minutes; killed long before.
        for (int i = 0; i < 120 * 1000; ++i) {
            for (int k = 0; k < 2; ++k) {
                std::vector<uint8_t> junk(random() % 64);
                for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
                if (!junk.empty() && random() % 2) junk[0] = 'V';
                raw.sendTo(port, junk);
            }
            if (i % 3 == 0) raw.sendTo(port, {});
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::_exit(0);
    }
    ~Garbage() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
};

// Twenty short matches through the lossy relay with the host under garbage: each ends, the peers
// agree, and every recording verifies.
TEST(NetSoak, TwentyMatchesThroughALossyRelayUnderGarbage) {
    TempDir dir;
    constexpr int kMatchFrames = 180;
    writeScript(dir / "a.txt", 11, kMatchFrames);
    writeScript(dir / "b.txt", 12, kMatchFrames);
    for (int match = 0; match < 20; ++match) {
        SCOPED_TRACE("match " + std::to_string(match));
        const std::string hostReplay = dir / ("host-" + std::to_string(match) + ".replay");
        const std::string joinReplay = dir / ("join-" + std::to_string(match) + ".replay");
        Process host({"--headless", "--host", "0", "--seed", std::to_string(100 + match), "--script", dir / "a.txt",
                      "--frames", std::to_string(kMatchFrames), "--record", hostReplay},
                     dir.path / ("host-" + std::to_string(match) + ".out"));  // its own: the port is read from it
        const int port = host.hostPort(60);
        ASSERT_GT(port, 0) << host.output();
        Garbage garbage(static_cast<uint16_t>(port), static_cast<uint64_t>(match));
        UdpRelay relay(static_cast<uint16_t>(port), {20, 60, 0.05, 0.05}, static_cast<uint64_t>(match));
        Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(relay.port()), "--script", dir / "b.txt",
                        "--frames", std::to_string(kMatchFrames), "--record", joinReplay},
                       dir.path / ("join-" + std::to_string(match) + ".out"));
        ASSERT_EQ(host.wait(120), 0) << host.output() << "joiner:\n" << joiner.output();
        ASSERT_EQ(joiner.wait(120), 0) << joiner.output();
        EXPECT_EQ(finalHash(host.output()), finalHash(joiner.output()));
        EXPECT_EQ(finalHash(host.output()).substr(17), "at " + std::to_string(kMatchFrames));
        for (const std::string& replay : {hostReplay, joinReplay})
            EXPECT_EQ(verify(replay, dir.path / "verify.out").substr(0, 18), "0: replay verified") << replay;
        if (match == 19) std::printf("last match: host %s", host.output().substr(host.output().find("net:")).c_str());
    }
}

}  // namespace
}  // namespace vexlot::net
