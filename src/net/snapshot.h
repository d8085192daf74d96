// Snapshots of the game for rollback: the state after each of the last few frames, kept cheaply.
//
// The world surface is most of the game (8 MB); a frame paints a small part of it. The ring keeps
// a shadow copy of the surface as it was at the last save and, for each saved frame, the blocks the
// frame painted as they were before it (an undo log). Saving copies only the blocks painted since
// the last save; restoring frame f undoes the later frames' blocks, newest first. The tables are
// small enough to copy whole (their slots past the count keep what the game left there, which a
// new entry may inherit), except the rocket table, whose slots past the first rocket are never used.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/game.h"

namespace vexlot::net {

// Frames a network game keeps: the rollback window (8 frames) and the confirmed frame, with room.
constexpr int kRingFrames = 12;

class SnapshotRing {
public:
    // Keeps the states after the last `capacity` saved frames.
    explicit SnapshotRing(int capacity);
    ~SnapshotRing();

    // Saves the game as it is now, as the state after frame game.frame, and clears the surface's
    // dirty blocks (the ring is the only one that may). Frames are saved one after the other; a
    // frame that does not follow the newest one starts the ring afresh.
    void save(Game& game);
    // True when the state after `frame` can be restored.
    bool has(int32_t frame) const;
    // Puts the game back to the state after `frame` (has(frame) must hold); the newer frames are
    // dropped. The game's sound player is left as it is.
    void restore(Game& game, int32_t frame);
    // Forgets every saved frame (a new game, or one restored some other way).
    void clear();

    int32_t newest() const;  // -1 when empty
    int32_t oldest() const;  // -1 when empty
    // Blocks copied by the last save (a figure for the benchmarks).
    size_t lastSaveBlocks() const { return lastSaveBlocks_; }

private:
    struct Entry;
    Entry& at(int32_t frame);
    void undo(Game& game, const Entry& e);

    std::vector<std::unique_ptr<Entry>> entries_;  // frame f lives at f % capacity
    int32_t oldest_ = -1, newest_ = -1;
    std::vector<int32_t> shadow_;  // the surface as it was at the newest save
    size_t lastSaveBlocks_ = 0;
};

}  // namespace vexlot::net
