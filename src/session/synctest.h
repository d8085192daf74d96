// The sync test: proof that going back and running frames again gives the same game. After every
// frame the session goes back `distance` frames through the snapshot ring, runs those frames again
// with the same events (as a rollback does after a late input) and compares the state with the one
// the first run left. A difference names the frame and the first field that differs.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "session/session.h"
#include "session/snapshot.h"

namespace vexlot {

constexpr int kMaxSyncDistance = 8;

struct SyncMismatch {
    int32_t frame = 0;
    std::string field;           // the first field that differs ("rocks[3].vx", "secondViewLeft")
    std::string firstDump, againDump;  // both states, as the headless runner's dump
};

class SyncTest {
public:
    // `distance` 1..kMaxSyncDistance frames back after every frame.
    SyncTest(Session& session, int distance);

    // The next frame with `live` events, then the check. False once the game has ended or the
    // states differ (mismatch() says where).
    bool step(std::span<const InputEvent> live = {});
    const std::optional<SyncMismatch>& mismatch() const { return mismatch_; }
    int64_t framesRunAgain() const { return framesAgain_; }

    // Tests: called after every restore, to plant a fault the check must find.
    std::function<void(Game&)> afterRestore;

private:
    uint64_t hashNow();
    void explain(int32_t frame);

    Session& session_;
    int distance_;
    SnapshotRing ring_;
    std::vector<std::vector<InputEvent>> events_;  // each frame's events, from frame 1
    std::vector<uint64_t> hashes_;                 // each frame's state after its first run
    std::optional<SyncMismatch> mismatch_;
    int64_t framesAgain_ = 0;
};

}  // namespace vexlot
