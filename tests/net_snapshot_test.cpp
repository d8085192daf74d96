// Rollback snapshots: a restored game is the saved game, bit for bit, and plays on the same.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "game/play.h"
#include "session/snapshot.h"
#include "session/dump.h"
#include "session/session.h"
#include "soak/random_input.h"

namespace vexlot {
namespace {

// A two-player fight driven by random fingers on both sides; the frame's events are drawn once.
struct Fight {
    soak::RandomPlayer one{11}, two{22};
    std::vector<std::vector<InputEvent>> frames;
    const std::vector<InputEvent>& at(int frame) {
        while (static_cast<int>(frames.size()) < frame) {
            std::vector<InputEvent> a, b;
            one.nextFrame(a);
            two.nextFrame(b);
            for (InputEvent& e : b) e.player = 1;
            a.insert(a.end(), b.begin(), b.end());
            // The soak's fingers also press Esc and close the window; a fight goes on.
            std::erase_if(a, [](const InputEvent& e) {
                return e.type == InputEvent::Type::Close || (e.type == InputEvent::Type::Char && e.code == 27);
            });
            frames.push_back(std::move(a));
        }
        return frames[static_cast<size_t>(frame - 1)];
    }
};

uint64_t rngState(const Game& g) { return g.rng.state; }

// Every frame saved; now and then the game goes back a few frames and runs them again, as a peer
// does after a wrong prediction. Each restore must give the state saved (its hash, the random
// generator, every pixel), and at the end the game must equal one that never went back.
TEST(NetSnapshot, RestoredGamesAreTheSavedGamesAndPlayOnTheSame) {
    const int frames = 900;
    Fight fight;
    Session reference(77, builtinLevel(), nullptr, 2);
    for (int f = 1; f <= frames; ++f) runFrame(reference.game(), fight.at(f));

    Session played(77, builtinLevel(), nullptr, 2);
    Game& game = played.game();
    SnapshotRing ring(kRingFrames);
    ring.save(game);
    std::vector<uint64_t> hashes{stateHash(game)}, rngs{rngState(game)};
    std::vector<int32_t> pixelsAt600;
    soak::SoakRng pick(5);
    int rollbacks = 0, furthest = 0;
    while (game.frame < frames) {
        const int f = game.frame + 1;
        runFrame(game, fight.at(f));
        ring.save(game);
        hashes.resize(static_cast<size_t>(f) + 1);
        rngs.resize(static_cast<size_t>(f) + 1);
        hashes[static_cast<size_t>(f)] = stateHash(game);
        rngs[static_cast<size_t>(f)] = rngState(game);
        if (f > furthest && f % 5 == 0 && f > kRingFrames) {
            furthest = f;
            const int back = 1 + pick.below(kRingFrames - 1);
            ASSERT_TRUE(ring.has(f - back));
            // Some paint after the last save too, as a rollback can come in the middle of a tick.
            if (pick.chance(0.5)) game.picback.filledBox(15.0 * 200, 15.0 * 100, 15.0 * 260, 15.0 * 130, 0x00FF00);
            ring.restore(game, f - back);
            ++rollbacks;
            ASSERT_EQ(game.frame, f - back);
            ASSERT_EQ(stateHash(game), hashes[static_cast<size_t>(f - back)]) << "restoring frame " << f - back;
            ASSERT_EQ(rngState(game), rngs[static_cast<size_t>(f - back)]);
            EXPECT_FALSE(ring.has(f));
        }
    }
    EXPECT_GT(rollbacks, 150);
    EXPECT_EQ(stateHash(game), stateHash(reference.game()));
    const Surface& a = game.picback;
    const Surface& b = reference.game().picback;
    EXPECT_TRUE(std::equal(a.pixels(), a.pixels() + a.widthPx() * a.heightPx(), b.pixels()));
}

// Table slots past a table's count keep what the game left there, and a new entry may inherit
// part of it: a restore must bring those back too, or two peers drift apart.
TEST(NetSnapshot, SlotsPastTheCountAreRestored) {
    Session s(3, builtinLevel(), nullptr, 2);
    Game& game = s.game();
    SnapshotRing ring(kRingFrames);
    ring.save(game);
    const int16_t count = game.rockCount;
    game.rockTable[count + 1].vx = 123.0f;  // a stale slot, written in a frame that is rolled back
    game.shrapnelTable[game.shrapnelCount + 2].colour = 5;
    game.blastTable[game.blastCount + 3].size = 9;
    runFrame(game, {});
    ring.save(game);
    ring.restore(game, 0);
    EXPECT_EQ(game.rockTable[count + 1].vx, 0.0f);
    EXPECT_EQ(game.shrapnelTable[game.shrapnelCount + 2].colour, 0.0);
    EXPECT_EQ(game.blastTable[game.blastCount + 3].size, 0.0f);
}

TEST(NetSnapshot, TheRingKeepsTheLastFramesOnly) {
    Session s(9, builtinLevel(), nullptr, 2);
    Game& game = s.game();
    SnapshotRing ring(4);
    EXPECT_FALSE(ring.has(0));
    ring.save(game);
    for (int f = 1; f <= 6; ++f) {
        runFrame(game, {});
        ring.save(game);
    }
    EXPECT_EQ(ring.oldest(), 3);
    EXPECT_EQ(ring.newest(), 6);
    EXPECT_FALSE(ring.has(2));
    EXPECT_TRUE(ring.has(3));
    const uint64_t at3 = [&] {
        Session again(9, builtinLevel(), nullptr, 2);
        for (int f = 1; f <= 3; ++f) runFrame(again.game(), {});
        return stateHash(again.game());
    }();
    ring.restore(game, 3);
    EXPECT_EQ(stateHash(game), at3);
    EXPECT_EQ(ring.newest(), 3);
    // A frame that does not follow the newest starts the ring afresh.
    game.frame = 10;
    ring.save(game);
    EXPECT_EQ(ring.oldest(), 10);
    EXPECT_FALSE(ring.has(3));
}

}  // namespace
}  // namespace vexlot
