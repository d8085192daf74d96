// Rollback play between two peers over a simulated network: whatever the network does, both games
// end with the hash of the same inputs played locally, and both recordings verify.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "game/play.h"
#include "net/rollback.h"
#include "net/sim_network.h"
#include "session/dump.h"
#include "session/session.h"
#include "soak/random_input.h"

namespace vexlot::net {
namespace {

using test::Conditions;
using test::SimNetwork;

constexpr uint64_t kSeed = 4242;
constexpr int kTickMs = 16;

// A player's script: random fingers (no Esc, no closing), and sound switched on at frame 1 so
// that the sound rule is exercised.
Script randomScript(uint64_t seed, int frames, bool soundOn) {
    Script s;
    soak::RandomPlayer fingers(seed);
    if (soundOn) s.events.push_back({1, InputEvent{InputEvent::Type::Char, 's'}});
    for (int f = 1; f <= frames; ++f) {
        std::vector<InputEvent> events;
        fingers.nextFrame(events);
        for (const InputEvent& e : events) {
            if (e.type == InputEvent::Type::Close || (e.type == InputEvent::Type::Char && e.code == 27)) continue;
            s.events.push_back({f, e});
        }
    }
    return s;
}

// The same inputs as a local two-player game: each frame the first player's events, then the second's.
// `secondView`: where the second player's view ends up.
uint64_t localHash(const Script& a, const Script& b, int frames, float* secondView = nullptr, float* secondX = nullptr) {
    Session s(kSeed, builtinLevel(), nullptr, 2);
    size_t ia = 0, ib = 0;
    std::vector<InputEvent> events;
    for (int f = 1; f <= frames; ++f) {
        events.clear();
        for (; ia < a.events.size() && a.events[ia].frame == f; ++ia) events.push_back(a.events[ia].event);
        for (; ib < b.events.size() && b.events[ib].frame == f; ++ib) {
            events.push_back(b.events[ib].event);
            events.back().player = 1;
        }
        for (InputEvent& e : events) net::normalizeEvent(e);
        s.step(events);
    }
    if (secondView) *secondView = s.secondViewLeft();
    if (secondX) *secondX = s.game().guyTable[1].x;
    return stateHash(s.game());
}

// Plays a replay text through a session: empty when it verifies, else why not.
std::string verify(const std::string& replay, uint64_t* finalHash = nullptr) {
    Session s(kSeed, builtinLevel(), nullptr, 2);
    try {
        s.play(parseScript(replay));
    } catch (const std::exception& e) {
        return e.what();
    }
    while (!s.scriptDone() && s.step()) {
    }
    if (s.mismatch()) return "differs at frame " + std::to_string(s.mismatch()->frame);
    if (finalHash) *finalHash = stateHash(s.game());
    return {};
}

struct Peer {
    std::ostringstream replay;
    StreamLineOutput out{replay};
    SoundLog sounds;
    std::unique_ptr<Netplay> play;
    Peer(Link& link, int player, Script script, int frames, int delay, int desyncFrame = 0) {
        MatchSetup setup;
        setup.seed = kSeed;
        setup.localPlayer = player;
        setup.inputDelay = delay;
        setup.lastFrame = frames;
        setup.sounds = &sounds;
        setup.record = &out;
        setup.script = std::move(script);
        setup.desyncTestFrame = desyncFrame;
        play = std::make_unique<Netplay>(link, std::move(setup));
        sounds.game = &play->game();
    }
};

// Ticks both peers every 16 ms of simulated time (the joiner starting `lateMs` later) until both
// are over or the bound is reached; `stopB` > 0 stops the second peer from that tick on.
void playOut(SimNetwork& net, Peer& a, Peer& b, int lateMs = 0, int stopB = 0) {
    bool goingA = true, goingB = true;
    for (int t = 0; (goingA || goingB) && t < 20000; ++t) {
        const uint64_t now = static_cast<uint64_t>(t) * kTickMs;
        net.deliver(now);
        if (goingA) goingA = a.play->tick({}, now);
        if (stopB > 0 && t == stopB) {
            net.end(1).cut = true;
            goingB = false;
        }
        if (goingB && now >= static_cast<uint64_t>(lateMs)) goingB = b.play->tick({}, now);
    }
}

struct NetCase {
    const char* name;
    Conditions network;
    int delayA, delayB;
    int lateMs;
};

TEST(NetRollback, BothPeersEndWithTheLocalGameWhateverTheNetworkDoes) {
    const int frames = 900;
    const Script a = randomScript(1, frames, true), b = randomScript(2, frames, false);
    const uint64_t expected = localHash(a, b, frames);
    const NetCase cases[] = {
        {"a perfect network", {0, 0, 0, 0}, 0, 0, 0},
        {"50-150 ms, 5 % loss, repeats", {50, 150, 0.05, 0.05}, 2, 2, 100},
        {"slow and lossy, no input delay", {120, 200, 0.2, 0.1}, 0, 0, 30},
        {"uneven input delays", {20, 60, 0.05, 0}, 0, 6, 0},
    };
    for (const NetCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimNetwork net(c.network, 99);
        Peer host(net.end(0), 0, a, frames, c.delayA), joiner(net.end(1), 1, b, frames, c.delayB);
        playOut(net, host, joiner, c.lateMs);
        for (Peer* p : {&host, &joiner}) {
            EXPECT_EQ(p->play->outcome(), Outcome::Finished) << p->play->message();
            EXPECT_EQ(p->play->game().frame, frames);
            EXPECT_EQ(stateHash(p->play->game()), expected);
            uint64_t replayed = 0;
            EXPECT_EQ(verify(p->replay.str(), &replayed), "");
            EXPECT_EQ(replayed, expected);
            // Sounds: each frame's sounds are heard the first time it runs, never again.
            const auto& log = p->sounds.entries;
            EXPECT_TRUE(std::is_sorted(log.begin(), log.end(), [](auto& x, auto& y) { return x.frame < y.frame; }));
        }
        const NetStats& s = host.play->stats();
        EXPECT_EQ(s.malformed, 0);
        EXPECT_EQ(s.conflicting, 0);
        EXPECT_GE(s.checksCompared, frames / kCheckpointFrames - 1);
        if (c.network.maxDelayMs > 0) {
            EXPECT_GT(s.rollbacks + joiner.play->stats().rollbacks, 0);
        }
        EXPECT_LE(s.longestRollback, kMaxAhead);
        std::printf("[ %s ] host: %lld rollbacks (longest %d), %lld waits; joiner: %lld rollbacks (longest %d)\n", c.name,
                    static_cast<long long>(s.rollbacks), s.longestRollback, static_cast<long long>(s.waits),
                    static_cast<long long>(joiner.play->stats().rollbacks), joiner.play->stats().longestRollback);
    }
}

// The joiner walks right for the whole match, jumping now and then over what is in his way: his view
// scrolls after his guy on both peers, rollbacks and all, exactly as in the same game played on one
// machine.
TEST(NetRollback, TheJoinersViewFollowsHisGuyAsInALocalGame) {
    const int frames = 1500;
    Script a, b;
    b.events.push_back({1, InputEvent{InputEvent::Type::KeyDown, VirtualKey::Right}});
    for (int f = 30; f < frames; f += 40) {
        b.events.push_back({f, InputEvent{InputEvent::Type::KeyDown, VirtualKey::Up}});
        b.events.push_back({f + 5, InputEvent{InputEvent::Type::KeyUp, VirtualKey::Up}});
    }
    float expectedView = 0, expectedX = 0;
    const uint64_t expected = localHash(a, b, frames, &expectedView, &expectedX);
    EXPECT_LT(expectedView, -2000.0f) << "guy 1 walked to " << expectedX;  // scrolled well to the right
    SimNetwork net({50, 150, 0.05, 0.05}, 7);
    Peer host(net.end(0), 0, a, frames, 2), joiner(net.end(1), 1, b, frames, 2);
    playOut(net, host, joiner);
    for (Peer* p : {&host, &joiner}) {
        EXPECT_EQ(stateHash(p->play->game()), expected);
        EXPECT_EQ(p->play->secondViewLeft(), expectedView);
    }
    EXPECT_GT(host.play->stats().rollbacks, 0);
}

// A peer whose world differs by one pixel: both stop at the next checkpoint with the frame named,
// and both recordings end there.
TEST(NetRollback, ADesyncStopsBothPeersAtTheNextCheckpoint) {
    const int frames = 600;
    const Script a = randomScript(3, frames, false), b = randomScript(4, frames, false);
    SimNetwork net({30, 60, 0.05, 0}, 7);
    Peer host(net.end(0), 0, a, frames, 1), joiner(net.end(1), 1, b, frames, 1, /*desyncFrame=*/200);
    playOut(net, host, joiner);
    for (Peer* p : {&host, &joiner}) {
        EXPECT_EQ(p->play->outcome(), Outcome::Desync);
        EXPECT_NE(p->play->message().find("frame 240"), std::string::npos) << p->play->message();
        EXPECT_NE(p->replay.str().find(" end "), std::string::npos);
        EXPECT_GE(p->play->confirmedFrame(), 240);
        EXPECT_LT(p->play->confirmedFrame(), 300);
    }
    EXPECT_EQ(verify(host.replay.str()), "");
    // The flipped pixel is not in the inputs: replaying the joiner's recording finds the frame.
    EXPECT_EQ(verify(joiner.replay.str()), "differs at frame 240");
}

// The other peer goes silent: the match ends 3 s later with a complete recording of the confirmed
// frames, which verifies.
TEST(NetRollback, ASilentPeerEndsTheMatchWithACompleteRecording) {
    const int frames = 900;
    const Script a = randomScript(5, frames, false), b = randomScript(6, frames, false);
    SimNetwork net({10, 30, 0, 0}, 8);
    Peer host(net.end(0), 0, a, frames, 1), joiner(net.end(1), 1, b, frames, 1);
    const int stopTick = 300;
    int endTick = 0;
    bool goingA = true;
    for (int t = 0; goingA && t < 2000; ++t) {
        const uint64_t now = static_cast<uint64_t>(t) * kTickMs;
        net.deliver(now);
        goingA = host.play->tick({}, now);
        if (t < stopTick) joiner.play->tick({}, now);
        endTick = t;
    }
    EXPECT_EQ(host.play->outcome(), Outcome::Disconnected);
    EXPECT_NE(host.play->message().find("silent"), std::string::npos);
    const int silentMs = (endTick - stopTick) * kTickMs;
    EXPECT_GE(silentMs, 3000);
    EXPECT_LE(silentMs, 3100);
    const int confirmed = host.play->confirmedFrame();
    EXPECT_GT(confirmed, 250);
    uint64_t replayed = 0;
    EXPECT_EQ(verify(host.replay.str(), &replayed), "");
    EXPECT_EQ(replayed, stateHash(host.play->game()));
    EXPECT_EQ(host.play->game().frame, confirmed);
}

// Garbage, cut messages, repeats of old ones and events for frames far away are dropped and counted;
// the game is not disturbed.
TEST(NetRollback, HostileMessagesAreDroppedAndCounted) {
    const int frames = 400;
    const Script a = randomScript(7, frames, false), b = randomScript(8, frames, false);
    const uint64_t expected = localHash(a, b, frames);
    SimNetwork net({10, 40, 0.02, 0.02}, 9);
    Peer host(net.end(0), 0, a, frames, 1), joiner(net.end(1), 1, b, frames, 1);
    soak::SoakRng rng(10);
    int injected = 0;
    bool goingA = true, goingB = true;
    for (int t = 0; (goingA || goingB) && t < 5000; ++t) {
        const uint64_t now = static_cast<uint64_t>(t) * kTickMs;
        net.deliver(now);
        if (t > 20 && t % 5 == 0 && !net.sentBy(1).empty()) {
            const auto& old = net.sentBy(1)[static_cast<size_t>(rng.below(static_cast<int>(net.sentBy(1).size())))];
            std::vector<uint8_t> garbage(static_cast<size_t>(rng.below(64)));
            for (auto& byte : garbage) byte = static_cast<uint8_t>(rng.below(256));
            auto cut = old;
            cut.resize(cut.size() / 2);
            Inputs far;
            far.first = 100000;
            far.frames = {{InputEvent{InputEvent::Type::KeyDown, 39}}};
            Inputs lie;  // events for frames already confirmed, different from the real ones
            lie.first = 1;
            lie.frames = {{InputEvent{InputEvent::Type::KeyDown, 40}}};
            net.inject(0, old);
            net.inject(0, garbage);
            net.inject(0, cut);
            net.inject(0, encode(far));
            net.inject(0, encode(lie));
            injected += 5;
        }
        if (goingA) goingA = host.play->tick({}, now);
        if (goingB) goingB = joiner.play->tick({}, now);
    }
    const NetStats& s = host.play->stats();
    EXPECT_EQ(host.play->outcome(), Outcome::Finished) << host.play->message();
    EXPECT_EQ(stateHash(host.play->game()), expected);
    EXPECT_EQ(stateHash(joiner.play->game()), expected);
    EXPECT_GT(injected, 100);
    EXPECT_GT(s.malformed, injected / 5);  // the garbage and the cut messages at least
    EXPECT_GT(s.stale, injected / 5);
}

// A peer played by the test: what it sends is written by hand, straight into the host's inbox.
struct FakePeer {
    SimNetwork& net;
    // Inputs for frames first..last (no events), acknowledging `ack` of the host's.
    void inputs(uint32_t first, uint32_t last, uint32_t ack, uint32_t frame) const {
        Inputs m;
        m.ack = ack;
        m.frame = frame;
        m.first = first;
        m.frames.assign(last - first + 1, {});
        net.inject(0, encode(m));
    }
    void send(const Message& m) const { net.inject(0, encode(m)); }
};

// Ticks the host alone until it ends; `peer` is called before each tick with its number. The tick
// the host ended at, or -1.
int tickHost(SimNetwork& net, Peer& host, const std::function<void(int)>& peer, int ticks = 3000) {
    for (int t = 0; t < ticks; ++t) {
        peer(t);
        net.deliver(static_cast<uint64_t>(t) * kTickMs);
        if (!host.play->tick({}, static_cast<uint64_t>(t) * kTickMs)) return t;
    }
    return -1;
}

// Done, silence and leaving are separate rules: a peer that says it is done and then stops
// sending, or leaves, or keeps sending only what the host knows already (repeats, pings, a
// claimed frame running ahead, events far past its confirmed input), ends the match 3 s after its
// last news, with a complete recording that verifies.
TEST(NetRollback, APeerThatIsDoneSilentGoneOrRepeatingItselfEndsTheMatch) {
    const int frames = 600;
    struct Case {
        const char* what;
        std::function<void(FakePeer&, SimNetwork&, int)> peer;
        const char* says;
    } cases[] = {
        {"done, then silent",
         [](FakePeer& p, SimNetwork&, int t) {
             if (t < 50) p.inputs(1, static_cast<uint32_t>(t + 1), static_cast<uint32_t>(t), static_cast<uint32_t>(t));
             if (t == 50) p.send(Done{600, 0});
         },
         "silent for 3 s"},
        {"done, then gone",
         [](FakePeer& p, SimNetwork& n, int t) {
             if (t < 50) p.inputs(1, static_cast<uint32_t>(t + 1), static_cast<uint32_t>(t), static_cast<uint32_t>(t));
             if (t == 50) p.send(Done{600, 0});
             if (t == 51) n.end(0).left = true;
         },
         "the other player left"},
        {"stale inputs, pings, a frame claimed ahead and events far ahead",
         [](FakePeer& p, SimNetwork&, int t) {
             p.inputs(1, static_cast<uint32_t>(std::min(t + 1, 40)), 0, static_cast<uint32_t>(t));
             p.send(Ping{static_cast<uint32_t>(t)});
             if (t > 40) p.inputs(static_cast<uint32_t>(60 + t), static_cast<uint32_t>(60 + t), 0, static_cast<uint32_t>(t));
         },
         "silent for 3 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimNetwork net({0, 0, 0, 0}, 3);
        Peer host(net.end(0), 0, randomScript(21, frames, false), frames, 0);
        FakePeer fake{net};
        int lastNews = 0;
        const int ended = tickHost(net, host, [&](int t) {
            c.peer(fake, net, t);
            if (t <= 51) lastNews = t;
        });
        ASSERT_GE(ended, 0) << "the host never ended";
        EXPECT_EQ(host.play->outcome(), Outcome::Disconnected);
        EXPECT_NE(host.play->message().find(c.says), std::string::npos) << host.play->message();
        EXPECT_LT((ended - lastNews) * kTickMs, 3000 + 20 * kTickMs);
        EXPECT_EQ(verify(host.replay.str()), "");
        EXPECT_NE(host.replay.str().find(" end "), std::string::npos);
    }
}

// A link that never passes on this peer's state checks (an old or dishonest program).
struct WithoutChecks : Link {
    Link& inner;
    explicit WithoutChecks(Link& l) : inner(l) {}
    void send(std::span<const uint8_t> bytes, bool reliable) override {
        Message m;
        if (decode(bytes, m) && std::holds_alternative<StateCheck>(m)) return;
        inner.send(bytes, reliable);
    }
    bool receive(std::vector<uint8_t>& bytes) override { return inner.receive(bytes); }
};

// The end is checked as the checkpoints are: games that part after the last checkpoint differ at
// the end on both sides, and a peer whose checks never arrive does not leave "0 agreed".
TEST(NetRollback, TheFinalStateIsComparedAndMissingChecksAreAnError) {
    const int frames = 590;  // the last checkpoint at 540
    const Script a = randomScript(31, frames, false), b = randomScript(32, frames, false);
    {
        SimNetwork net({10, 30, 0.05, 0}, 4);
        Peer host(net.end(0), 0, a, frames, 1), joiner(net.end(1), 1, b, frames, 1, /*desyncFrame=*/frames - 5);
        playOut(net, host, joiner);
        for (Peer* p : {&host, &joiner}) {
            EXPECT_EQ(p->play->outcome(), Outcome::Desync) << p->play->message();
            EXPECT_NE(p->play->message().find("the games differ at the end: frame 590"), std::string::npos)
                << p->play->message();
            EXPECT_NE(p->replay.str().find("\n590 end "), std::string::npos);
        }
    }
    {
        SimNetwork net({10, 30, 0.05, 0}, 5);
        WithoutChecks quiet(net.end(1));
        Peer host(net.end(0), 0, a, frames, 1), joiner(quiet, 1, b, frames, 1);
        playOut(net, host, joiner);
        EXPECT_EQ(host.play->outcome(), Outcome::Desync) << host.play->message();
        EXPECT_NE(host.play->message().find("state checks never arrived (0 of 9 agreed)"), std::string::npos)
            << host.play->message();
    }
}

}  // namespace
}  // namespace vexlot::net
