// Snapshots of the game for rollback: the state after each of the last few frames, kept cheaply.
//
// The world surface is most of the game (8 MB); a frame paints a small part of it. The ring keeps
// a shadow copy of the surface as it was at the last save and, for each saved frame, the blocks the
// frame painted as they were before it (an undo log). Saving copies only the blocks painted since
// the last save; restoring frame f undoes the later frames' blocks, newest first. Everything else
// is copied through the game's field list (core/fields.h), the same list the dump and the hash
// walk: tables by the rows they keep, with the session's own state of the frame (the second view).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"
#include "session/session.h"

namespace vexlot {

// Frames a network game keeps: the rollback window (8 frames) and the confirmed frame, with room.
constexpr int kRingFrames = 12;

class SnapshotRing {
public:
    // Keeps the states after the last `capacity` saved frames.
    explicit SnapshotRing(int capacity);
    ~SnapshotRing();

    // Saves the session's game as it is now, as the state after frame game.frame, and clears the
    // surface's dirty blocks (the ring is the only one that may; it asks the surface to keep them).
    // Frames are saved one after the other; a frame that does not follow the newest one starts the
    // ring afresh.
    void save(Game& game, SessionFrame& frame);
    void save(Session& session) { save(session.game(), session.frameState()); }
    void save(Game& game) { save(game, scratch_); }  // a game without a session (tests, benchmarks)
    // True when the state after `frame` can be restored.
    bool has(int32_t frame) const;
    // Puts the session back to the state after `frame` (has(frame) must hold); the newer frames are
    // dropped. The game's sound player is left as it is.
    void restore(Game& game, SessionFrame& state, int32_t frame);
    void restore(Session& session, int32_t frame) { restore(session.game(), session.frameState(), frame); }
    void restore(Game& game, int32_t frame) { restore(game, scratch_, frame); }
    // Forgets every saved frame (a new game, or one restored some other way).
    void clear();

    int32_t newest() const;  // -1 when empty
    int32_t oldest() const;  // -1 when empty
    // Blocks copied by the last save (a figure for the benchmarks).
    size_t lastSaveBlocks() const { return lastSaveBlocks_; }

private:
    struct Entry;
    Entry& at(int32_t frame);
    void undo(Surface& s, const Entry& e);

    std::vector<std::unique_ptr<Entry>> entries_;  // frame f lives at f % capacity
    int32_t oldest_ = -1, newest_ = -1;
    std::vector<int32_t> shadow_;  // the surface as it was at the newest save
    size_t lastSaveBlocks_ = 0;
    SessionFrame scratch_;
};

}  // namespace vexlot
