// Two headless peers of the real program on 127.0.0.1, directly and through a relay that delays,
// loses, repeats and reorders datagrams: the same final state as the same inputs played locally,
// a forced desync found, a killed peer noticed, a different level refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "net/peers.h"
#include "net/udp_relay.h"
#include "program.h"
#include "relay/relay_client.h"
#include "session/script.h"
#include "soak/random_input.h"

namespace vexlot::net {
namespace {

using namespace test;

constexpr int kFrames = 600;
constexpr const char* kSeed = "31337";

void writeScript(const std::string& path, uint64_t seed, bool secondPlayer = false) {
    test::writeScript(path, seed, kFrames, secondPlayer);
}

// The final state hash of the same inputs played as a local two-player game (from the end line
// of its recording).
std::string localHash(const TempDir& dir, uint64_t seedA, uint64_t seedB) {
    const std::string merged = dir / "local.txt", replay = dir / "local.replay";
    {
        // Frame by frame: the first player's events, then the second's, as the peers play them.
        const std::string a = dir / "a-p1.txt", b = dir / "b-p2.txt";
        writeScript(a, seedA);
        writeScript(b, seedB, true);
        const Script sa = parseScript(slurp(a)), sb = parseScript("players 2\n" + slurp(b));
        std::ofstream out(merged);
        out << "players 2\n";
        size_t ia = 0, ib = 0;
        for (int f = 1; f <= kFrames; ++f) {
            for (; ia < sa.events.size() && sa.events[ia].frame == f; ++ia) out << eventLine(f, sa.events[ia].event) << "\n";
            for (; ib < sb.events.size() && sb.events[ib].frame == f; ++ib) out << eventLine(f, sb.events[ib].event) << "\n";
        }
    }
    Process local({"--headless", "--seed", kSeed, "--script", merged, "--frames", std::to_string(kFrames), "--record", replay},
                  dir.path / "local.out");
    EXPECT_EQ(local.wait(120), 0) << local.output();
    std::smatch m;
    const std::string text = slurp(replay);
    const std::regex end("\n" + std::to_string(kFrames) + " end ([0-9a-f]{16}) ");
    return std::regex_search(text, m, end) ? m[1].str() : "no end line";
}

std::string verify(const std::string& replay, const TempDir& dir, const char* name) {
    return test::verify(replay, dir.path / name);
}

struct Pair {
    std::unique_ptr<Process> host, joiner;
};

// A host and a joiner, the joiner through `relay` when given (its target is the host's port).
Pair startPair(const TempDir& dir, std::unique_ptr<test::UdpRelay>* relay = nullptr,
               test::RelayConditions conditions = {}, const char* joinerEnv = nullptr) {
    writeScript(dir / "a.txt", 1);
    writeScript(dir / "b.txt", 2);
    Pair p;
    p.host = std::make_unique<Process>(std::vector<std::string>{"--headless", "--host", "0", "--seed", kSeed, "--script",
                                                                dir / "a.txt", "--frames", std::to_string(kFrames),
                                                                "--record", dir / "host.replay"},
                                       dir.path / "host.out");
    int port = p.host->hostPort(60);
    EXPECT_GT(port, 0) << p.host->output();
    if (relay) {
        *relay = std::make_unique<test::UdpRelay>(static_cast<uint16_t>(port), conditions, 5);
        port = (*relay)->port();
    }
    p.joiner = std::make_unique<Process>(
        std::vector<std::string>{"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--script", dir / "b.txt",
                                 "--frames", std::to_string(kFrames), "--record", dir / "join.replay"},
        dir.path / "join.out", joinerEnv);
    return p;
}

void expectLocalGame(const TempDir& dir, Pair& p) {
    ASSERT_EQ(p.host->wait(120), 0) << p.host->output();
    ASSERT_EQ(p.joiner->wait(120), 0) << p.joiner->output();
    const std::string expected = localHash(dir, 1, 2) + " at " + std::to_string(kFrames);
    EXPECT_EQ(finalHash(p.host->output()), expected) << p.host->output();
    EXPECT_EQ(finalHash(p.joiner->output()), expected) << p.joiner->output();
    for (const char* name : {"host.replay", "join.replay"})
        EXPECT_EQ(verify(dir / name, dir, "verify.out"),
                  "0: replay verified: " + std::to_string(kFrames / kCheckpointFrames + 1) + " checkpoints, " +
                      std::to_string(kFrames) + " frames\n");
    std::printf("host:   %s", p.host->output().substr(p.host->output().find("net:")).c_str());
    std::printf("joiner: %s", p.joiner->output().substr(p.joiner->output().find("net:")).c_str());
}

TEST(NetPlay, HeadlessPeersOnLoopbackEndWithTheLocalGame) {
    TempDir dir;
    Pair p = startPair(dir);
    expectLocalGame(dir, p);
}

TEST(NetPlay, ThroughALossyRelayTheHashesStillMatch) {
    TempDir dir;
    std::unique_ptr<test::UdpRelay> relay;
    Pair p = startPair(dir, &relay, {50, 150, 0.05, 0.05});
    expectLocalGame(dir, p);
    EXPECT_GT(relay->lost(), 0);
    EXPECT_GT(relay->repeated(), 0);
    std::printf("relay: %lld datagrams forwarded, %lld lost, %lld sent twice\n", static_cast<long long>(relay->forwarded()),
                static_cast<long long>(relay->lost()), static_cast<long long>(relay->repeated()));
}

TEST(NetPlay, AForcedDesyncStopsBothPeersNamingTheFrame) {
    TempDir dir;
    Pair p = startPair(dir, nullptr, {}, "VEXLOT_NET_TEST_DESYNC_FRAME=100");
    EXPECT_EQ(p.host->wait(120), 3) << p.host->output();
    EXPECT_EQ(p.joiner->wait(120), 3) << p.joiner->output();
    // Whichever peer compares first says so, the other is told: both name the frame.
    const std::regex stopped("differ.* at frame 120[ :].*the match is stopped");
    EXPECT_TRUE(std::regex_search(p.host->output(), stopped)) << p.host->output();
    EXPECT_TRUE(std::regex_search(p.joiner->output(), stopped)) << p.joiner->output();
    // Both recordings are complete; the joiner's, replayed without the flipped pixel, differs there.
    EXPECT_EQ(verify(dir / "host.replay", dir, "verify-host.out").substr(0, 18), "0: replay verified");
    EXPECT_NE(verify(dir / "join.replay", dir, "verify-join.out").find("checkpoint of frame 120"), std::string::npos);
}

TEST(NetPlay, KillingOnePeerEndsTheOtherWithACompleteRecording) {
    TempDir dir;
    Pair p = startPair(dir);
    // Let the match get going, then kill the joiner outright.
    const std::regex playing("playing as player 2");
    for (const auto until = Clock::now() + std::chrono::seconds(60);
         Clock::now() < until && !std::regex_search(p.joiner->output(), playing);)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto killed = Clock::now();
    p.joiner->kill(SIGKILL);
    EXPECT_EQ(p.host->wait(60), 4) << p.host->output();
    const double seconds = std::chrono::duration<double>(Clock::now() - killed).count();
    std::printf("the host ended %.1f s after the joiner was killed\n", seconds);
    EXPECT_NE(p.host->output().find("silent for 3 s"), std::string::npos) << p.host->output();
    EXPECT_EQ(verify(dir / "host.replay", dir, "verify.out").substr(0, 18), "0: replay verified");
    EXPECT_NE(slurp(dir / "host.replay").find(" end "), std::string::npos);
}

// A joiner on another level is refused, and the host waits on for one that fits: one packet does
// not cancel a hosted game.
TEST(NetPlay, ADifferentLevelIsRefusedOnBothSidesAndTheHostWaitsOn) {
    TempDir dir;
    writeScript(dir / "a.txt", 1);
    const std::string level = VEXLOT_SOURCE_DIR "/assets/level.png";
    Process host({"--headless", "--host", "0", "--script", dir / "a.txt", "--frames", "120", "--level", level,
                  "--record", dir / "host.replay"},
                 dir.path / "host.out");
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    const std::string address = "127.0.0.1:" + std::to_string(port);
    Process other({"--headless", "--join", address, "--script", dir / "a.txt"}, dir.path / "other.out");
    EXPECT_EQ(other.wait(60), 2);
    EXPECT_NE(other.output().find("the other player refused: \"this game is on the level picture"), std::string::npos)
        << other.output();
    ASSERT_TRUE(host.waitFor("both need the same level.*; waiting for another player", 30)) << host.output();
    EXPECT_NE(host.output().find("refused the player at 127.0.0.1"), std::string::npos) << host.output();
    Process joiner({"--headless", "--join", address, "--script", dir / "a.txt", "--frames", "120", "--level", level,
                    "--record", dir / "join.replay"},
                   dir.path / "join.out");
    EXPECT_EQ(joiner.wait(60), 0) << joiner.output();
    EXPECT_EQ(host.wait(60), 0) << host.output();
    EXPECT_EQ(finalHash(host.output()), finalHash(joiner.output()));
}

// Through vexlot-relay (the real program, on 127.0.0.1): the host is given a room code and the
// joiner comes in by it. `relayOptions`: the relay's own (a forwarding delay for measurements).
struct RelayedPair {
    std::unique_ptr<vexlot::test::RelayProcess> relay;
    Pair peers;
    std::string code;
};

RelayedPair startRelayedPair(const TempDir& dir, const std::vector<std::string>& relayOptions = {}) {
    writeScript(dir / "a.txt", 1);
    writeScript(dir / "b.txt", 2);
    RelayedPair r;
    r.relay = std::make_unique<vexlot::test::RelayProcess>(relayOptions);
    const std::string url = r.relay->url();
    r.peers.host = std::make_unique<Process>(
        std::vector<std::string>{"--headless", "--host", "--relay", url, "--seed", kSeed, "--script", dir / "a.txt",
                                 "--frames", std::to_string(kFrames), "--record", dir / "host.replay"},
        dir.path / "host.out");
    const std::regex room("\nroom ([A-Z2-9]{5})\n|^room ([A-Z2-9]{5})\n");
    for (const auto until = Clock::now() + std::chrono::seconds(30); r.code.empty() && Clock::now() < until;) {
        std::smatch m;
        const std::string out = r.peers.host->output();
        if (std::regex_search(out, m, room)) r.code = m[1].matched ? m[1].str() : m[2].str();
        else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(r.code.empty()) << r.peers.host->output();
    // The code as a player might type it: lower case.
    std::string typed = r.code;
    for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    r.peers.joiner = std::make_unique<Process>(
        std::vector<std::string>{"--headless", "--join", typed, "--relay", url, "--script", dir / "b.txt", "--frames",
                                 std::to_string(kFrames), "--record", dir / "join.replay"},
        dir.path / "join.out");
    return r;
}

TEST(NetPlay, ThroughTheRelayByRoomCodeTheHashesMatch) {
    TempDir dir;
    RelayedPair r = startRelayedPair(dir);
    expectLocalGame(dir, r.peers);
    const std::string log = r.relay->output();
    EXPECT_NE(log.find("room " + r.code + " opened by 127.0.0.1"), std::string::npos) << log;
}

TEST(NetPlay, TheRelayStoppedMidGameEndsBothPeersWithCompleteRecordings) {
    TempDir dir;
    RelayedPair r = startRelayedPair(dir);
    // Mid-game: both have started, and a match of kFrames paced frames lasts 10 s.
    for (const auto until = Clock::now() + std::chrono::seconds(60);
         Clock::now() < until && r.peers.joiner->output().find("playing as player 2") == std::string::npos;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(r.peers.joiner->output().find("playing as player 2"), std::string::npos) << r.peers.joiner->output();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto stopped = Clock::now();
    r.relay->stop(SIGKILL);
    // Each notices the closed connection at once; the bound is the 3 s a silent peer would take, with room to spare.
    EXPECT_EQ(r.peers.host->wait(6), 4) << r.peers.host->output();
    EXPECT_EQ(r.peers.joiner->wait(6), 4) << r.peers.joiner->output();
    std::printf("both peers ended %.2f s after the relay was stopped\n",
                std::chrono::duration<double>(Clock::now() - stopped).count());
    for (const char* who : {"host", "join"}) {
        const std::string out = slurp(dir.path / (std::string(who) + ".out"));
        EXPECT_NE(out.find("\nlost the connection to the relay"), std::string::npos) << out;
        EXPECT_EQ(verify(dir / (std::string(who) + ".replay").c_str(), dir, "verify.out").substr(0, 18), "0: replay verified")
            << who;
    }
}

}  // namespace
}  // namespace vexlot::net

namespace vexlot::net {
namespace {

using namespace test;
namespace fs = std::filesystem;

// A network peer keeps the headless runner's file rules: an output on an input and --trace are
// refused before any waiting, the recording goes to the data folder unless --record says, and
// --dump and --screenshot are written at the end.
TEST(NetPlay, APeerKeepsTheRunnersFileRules) {
    TempDir dir;
    writeScript(dir / "a.txt", 1);
    writeScript(dir / "b.txt", 2);
    struct Refused {
        std::string args, said;
    } refused[] = {{"--script " + (dir / "a.txt") + " --record " + (dir / "a.txt"), "may not overwrite an input"},
                   {"--script " + (dir / "a.txt") + " --trace " + (dir / "t.json"), "trace its recording"},
                   {"--script " + (dir / "a.txt") + " --dump " + (dir / "a.txt"), "may not overwrite an input"}};
    for (const Refused& r : refused) {
        const vexlot::test::RunResult out = vexlot::test::run("--headless --host 0 --frames 40 " + r.args);
        EXPECT_EQ(out.status, 2) << out.output;
        EXPECT_NE(out.output.find(r.said), std::string::npos) << out.output;
    }
    EXPECT_EQ(slurp(dir / "a.txt").find("vexlot-replay"), std::string::npos);  // the script is still the script

    const std::string data = "XDG_DATA_HOME=" + (dir / "data");
    Process host({"--headless", "--host", "0", "--seed", kSeed, "--script", dir / "a.txt", "--frames", "120", "--dump",
                  dir / "host.json", "--screenshot", dir / "host.png"},
                 dir.path / "host.out", data.c_str());
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--script", dir / "b.txt", "--frames",
                    "120", "--record", dir / "join.replay"},
                   dir.path / "join.out");
    ASSERT_EQ(host.wait(120), 0) << host.output();
    ASSERT_EQ(joiner.wait(120), 0) << joiner.output();
    EXPECT_NE(slurp(dir / "host.json").find("\"frame\":120"), std::string::npos);
    EXPECT_EQ(slurp(dir / "host.png").substr(1, 3), "PNG");
    int recordings = 0;
    for (const auto& f : fs::directory_iterator(dir.path / "data" / "vexlot")) {
        EXPECT_EQ(f.path().filename().string().rfind("vexlot-host-" + std::string(kSeed), 0), 0u) << f.path();
        EXPECT_EQ(verify(f.path().string(), dir, "verify.out").substr(0, 18), "0: replay verified");
        ++recordings;
    }
    EXPECT_EQ(recordings, 1);
}

}  // namespace
}  // namespace vexlot::net
