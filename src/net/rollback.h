// Rollback play between two peers: each runs the whole game; only inputs cross the network.
//
// Every tick (16 ms) the front-end hands over the local player's events; they are played
// `inputDelay` frames later and sent at once, with every frame the other peer has not acknowledged,
// so a lost message costs nothing. The game runs ahead predicting that the other player does
// nothing new (no events); when their real events for a frame already run arrive, the game goes back
// to the state after the frame before it and runs forward again to the present, within the tick.
// A peer more than `maxAhead` frames ahead of the other's input waits instead.
//
// Confirmed frames (both players' events known) are recorded as a two-player replay, and every
// kCheckpointFrames confirmed frames the peers compare their state hashes. Sounds: a frame plays its
// sounds the first time it runs; a frame run again after a rollback plays none, so sounds already
// heard are not repeated, and a sound that the prediction got wrong is not taken back nor replaced.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/core.h"
#include "net/packet.h"
#include "session/snapshot.h"
#include "session/script.h"
#include "session/session.h"

namespace vexlot::net {

// Where a peer's messages go and come from: ENet, or a simulated network in the tests.
struct Link {
    virtual ~Link() = default;
    // Reliable messages arrive once and in order; the others may be lost, late or repeated.
    virtual void send(std::span<const uint8_t> bytes, bool reliable) = 0;
    // The next message that arrived; false when none is waiting.
    virtual bool receive(std::vector<uint8_t>& bytes) = 0;
    // Sends what was queued (end of a tick).
    virtual void flush() {}
    // False once the other side has gone (disconnected).
    virtual bool open() const { return true; }
};

constexpr int kMaxAhead = 8;           // frames a peer may run past the other's last input
constexpr int kMaxInputDelay = 10;
constexpr uint64_t kSilenceMs = 3000;  // the other peer silent this long ends the match

struct MatchSetup {
    uint64_t seed = 0;
    Level level;
    int localPlayer = 0;      // 0: the host (guy 0), 1: the joiner (guy 1)
    int inputDelay = 0;       // 0..kMaxInputDelay frames before the local player's events play
    int32_t lastFrame = 0;    // the match ends after this frame; 0: when a player ends the game
    SoundSink* sounds = nullptr;
    LineOutput* record = nullptr;  // the replay of the confirmed frames (may be none)
    Script script;            // scripted local events, played in their own frames (headless peers)
    int32_t desyncTestFrame = 0;  // tests: after this frame one pixel of this peer's world is flipped
};

enum class Outcome { Playing, Finished, Desync, Disconnected, Quit };

struct NetStats {
    int64_t rollbacks = 0;        // times the game went back
    int32_t longestRollback = 0;  // frames run again in the longest one
    int64_t framesRerun = 0;
    int64_t waits = 0;            // ticks that ran no frame: too far ahead, or slowing to the other peer
    int64_t messagesIn = 0, messagesOut = 0;
    int64_t malformed = 0;        // dropped: not a message of ours, or breaking a limit
    int64_t stale = 0;            // dropped: nothing new (repeats, frames already known, out of range)
    int64_t conflicting = 0;      // dropped: events that contradict ones already received
    int64_t checksCompared = 0;
    double worstTickMs = 0;       // the longest tick, rollbacks included
};

class Netplay {
public:
    Netplay(Link& link, MatchSetup setup);
    ~Netplay();

    // One tick at time `nowMs` (a millisecond clock): the local player's events since the last
    // tick; receives, rolls back if needed, runs at most one new frame, sends. False once the match
    // is over (outcome() and message() say how).
    bool tick(std::span<const InputEvent> local, uint64_t nowMs);
    // Ends the match from this side (the window closed, a signal): the recording ends at the last
    // confirmed frame and the other peer is told why ("the window was closed").
    void quit(const std::string& why);

    // The game to show: the newest frame, with the other player's latest events predicted.
    const Game& game() const { return session_.game(); }
    // Where the second player's view looks (the window shows the joiner that view).
    float secondViewLeft() const { return session_.secondViewLeft(); }
    int32_t confirmedFrame() const { return confirmed_; }
    Outcome outcome() const { return outcome_; }
    const std::string& message() const { return message_; }
    const NetStats& stats() const { return stats_; }
    int inputDelay() const { return setup_.inputDelay; }

private:
    struct FrameInput {
        int32_t frame = -1;  // which frame the slot holds; -1 none
        std::vector<InputEvent> events;
    };
    struct Check {
        int32_t frame = 0;
        uint64_t hash = 0;
    };
    struct RecordTap;
    FrameInput& localSlot(int32_t frame) { return local_[static_cast<size_t>(frame) % local_.size()]; }
    FrameInput& remoteSlot(int32_t frame) { return remote_[static_cast<size_t>(frame) % remote_.size()]; }
    bool remoteKnown(int32_t frame) { return remoteSlot(frame).frame == frame; }

    void receiveAll(uint64_t nowMs);
    void handle(const Message& m);
    void takeInputs(const Inputs& m);
    void takeCheck(const StateCheck& m);
    void scheduleLocal(int32_t frame, std::span<const InputEvent> live);
    void advance();
    void frameEvents(int32_t frame, std::vector<InputEvent>& out);
    void runFrame(int32_t frame, bool again);
    void afterRun(int32_t frame);
    void settle();
    void rerunFrom(int32_t from, bool wrongPrediction);
    void confirmFrame(int32_t frame);
    void compareChecks();
    void sendInputs();
    void sendReliable(const Message& m);
    void end(Outcome outcome, const std::string& message);
    bool finishMatch();

    Link& link_;
    MatchSetup setup_;
    Session session_;
    SnapshotRing ring_;
    std::unique_ptr<RecordTap> tap_;
    std::unique_ptr<ReplayWriter> writer_;  // always writing: its checkpoint hashes are compared
    size_t nextScriptEvent_ = 0;

    std::vector<FrameInput> local_, remote_;  // rings of frames
    std::vector<InputEvent> pendingLive_;     // live events not yet given a frame (the peer was waiting)
    std::vector<InputEvent> frameEvents_;     // scratch: the events of the frame being run
    int32_t scheduledUpTo_ = 0;    // local events are known up to this frame
    int32_t remoteConfirmed_ = 0;  // every frame up to this of the other player's events has arrived
    int32_t ackedByRemote_ = 0;    // the other peer has every frame up to this of ours
    int32_t confirmed_ = 0;        // frames up to this are final and recorded
    int32_t firstWrong_ = 0;       // the earliest frame run on a wrong prediction (0: none)
    int32_t remoteFrame_ = 0;      // the other peer's current frame, as last reported
    int remoteAdvantage_ = 0;
    bool heardInputs_ = false;
    int32_t lastSkip_ = 0;
    bool remoteDone_ = false;      // the other peer's Done arrived: its last frame and final hash
    int32_t remoteDoneFrame_ = 0;
    uint64_t remoteDoneHash_ = 0;
    bool sentDone_ = false;
    int64_t ownCheckCount_ = 0;  // checkpoints of this peer's own, each to be agreed by the other
    std::vector<Check> ownChecks_, remoteChecks_;  // recent checkpoint hashes, by checkpoint number
    int32_t lastCompared_ = 0;

    uint64_t lastHeardMs_ = 0;     // when the other peer last sent something new
    bool heard_ = false;           // the message being handled brought news
    bool started_ = false;
    Outcome outcome_ = Outcome::Playing;
    std::string message_;
    NetStats stats_;
};

}  // namespace vexlot::net
