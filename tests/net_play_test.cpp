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

#include "net/udp_relay.h"
#include "relay/relay_client.h"
#include "session/script.h"
#include "soak/random_input.h"

namespace vexlot::net {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One run of the program, its output in a file; killed when the test ends, whatever happens.
class Process {
public:
    Process(const std::vector<std::string>& args, fs::path out, const char* env = nullptr) : out_(std::move(out)) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (env) ::putenv(const_cast<char*>(env));
            std::vector<char*> argv{const_cast<char*>(VEXLOT_BINARY)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(VEXLOT_BINARY, argv.data());
            ::_exit(127);
        }
    }
    ~Process() { kill(SIGKILL); }
    void kill(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // The exit status, or -1 when it has not ended within `seconds`.
    int wait(int seconds) {
        for (const auto until = Clock::now() + std::chrono::seconds(seconds); pid_ > 0 && Clock::now() < until;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return pid_ > 0 ? -1 : status_;
    }
    std::string output() const { return slurp(out_); }
    // The UDP port a host printed, waiting for it up to `seconds`; 0 when none came.
    int hostPort(int seconds) const {
        const std::regex line("hosting on UDP port ([0-9]+)");
        for (const auto until = Clock::now() + std::chrono::seconds(seconds); Clock::now() < until;) {
            std::smatch m;
            const std::string out = output();
            if (std::regex_search(out, m, line)) return std::stoi(m[1]);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 0;
    }

private:
    fs::path out_;
    pid_t pid_ = -1;
    int status_ = -1;
};

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vexlot-net-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

constexpr int kFrames = 600;
constexpr const char* kSeed = "31337";

// A player's script file: random fingers for kFrames frames, without Esc or closing the window.
void writeScript(const std::string& path, uint64_t seed, bool secondPlayer = false) {
    std::ofstream out(path);
    soak::RandomPlayer fingers(seed);
    for (int f = 1; f <= kFrames; ++f) {
        std::vector<InputEvent> events;
        fingers.nextFrame(events);
        for (InputEvent e : events) {
            if (e.type == InputEvent::Type::Close || (e.type == InputEvent::Type::Char && e.code == 27)) continue;
            e.player = secondPlayer ? 1 : 0;
            out << eventLine(f, e) << "\n";
        }
    }
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

std::string finalHash(const std::string& output) {
    std::smatch m;
    const std::regex line("final state hash ([0-9a-f]{16}) at frame ([0-9]+)");
    return std::regex_search(output, m, line) ? m[1].str() + " at " + m[2].str() : "none";
}

std::string verify(const std::string& replay, const TempDir& dir, const char* name) {
    Process p({"--headless", "--replay", replay}, dir.path / name);
    const int status = p.wait(120);
    return std::to_string(status) + ": " + p.output();
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

TEST(NetPlay, ADifferentLevelIsRefusedOnBothSides) {
    TempDir dir;
    writeScript(dir / "a.txt", 1);
    Process host({"--headless", "--host", "0", "--script", dir / "a.txt", "--level", VEXLOT_SOURCE_DIR "/assets/level.png"},
                 dir.path / "host.out");
    const int port = host.hostPort(60);
    ASSERT_GT(port, 0) << host.output();
    Process joiner({"--headless", "--join", "127.0.0.1:" + std::to_string(port), "--script", dir / "a.txt"},
                   dir.path / "join.out");
    EXPECT_EQ(host.wait(60), 2);
    EXPECT_EQ(joiner.wait(60), 2);
    EXPECT_NE(host.output().find("refused the player at 127.0.0.1"), std::string::npos) << host.output();
    EXPECT_NE(host.output().find("both need the same level"), std::string::npos) << host.output();
    EXPECT_NE(joiner.output().find("the other player refused: this game is on the level picture"), std::string::npos)
        << joiner.output();
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
