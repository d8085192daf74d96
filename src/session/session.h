// One game as every front-end runs it: start-up from a seed and a level, the frame's events (a
// script's or a replay's, then the live ones), recording, and the replay's checkpoints checked.
// The headless runner, the window, the browser and the tests all drive a game through this.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/core.h"
#include "session/script.h"

namespace vexlot {

// The level a game is played on: the built-in picture or one from a file, with the tag a replay
// records ("builtin", or the hash of the picture's pixels).
struct Level {
    Picture picture;  // empty: the built-in level
    std::string tag = std::string(kBuiltinLevel);
};
Level builtinLevel();
// A 2400 x 600 PNG from a file; throws std::runtime_error naming the file and the reason.
Level levelFromFile(const std::string& path);

// The first checkpoint whose state differs from the replay's.
struct Mismatch {
    int frame = 0;      // the checkpoint's frame
    int line = 0;       // its line in the replay
    int fromFrame = 0;  // the game first differs somewhere in fromFrame..frame
    uint64_t expected = 0, got = 0;
};

// What the session keeps from frame to frame beside the game: rollback saves and restores it with
// the game.
struct SessionFrame {
    // Where the second player's view is scrolled (world units, as picbackLeft): it follows guy 1 with
    // the camera's margins, without moving the world.
    float secondViewLeft = 0;
};

// How a frame is run: the first time, or again after a rollback (its sounds were heard the first
// time, so they are not played again).
enum class FrameRun { First, Again };

class Session {
public:
    // `players` 2: a second person plays guy 1 (events with `player` 1), by `rules`.
    Session(uint64_t seed, Level level, SoundSink* sounds = nullptr, int players = 1, TwoPlayerRules rules = {});

    Game& game() { return *game_; }
    const Game& game() const { return *game_; }
    uint64_t seed() const { return seed_; }
    int players() const { return game_->players; }
    // How a game of two is played (nothing in a game of one).
    TwoPlayerRules rules() const { return {game_->versus, game_->duel != 0}; }
    const Level& level() const { return level_; }

    // Plays a script's or a replay's events in their frames. A replay must be of this session's
    // seed, level, number of players and their rules; throws std::runtime_error saying which differs.
    void play(Script script);
    const Script& script() const { return script_; }
    // True once every frame the script or replay asks for has run.
    bool scriptDone() const { return game_->frame >= script_.lastFrame(); }

    // Records the game from here on into `out` (which must outlive the recording).
    void record(LineOutput& out);

    // One frame: the script's events due now, then `live`; both views' cameras, recorded, and
    // checked against the replay's checkpoint of this frame. Returns false once the game has ended
    // (Esc, close); the recording then has its end line. Every front-end's frames, rollback's
    // re-runs included, go through here.
    bool step(std::span<const InputEvent> live = {}, FrameRun run = FrameRun::First);
    // The events delivered in the last frame.
    std::span<const InputEvent> lastEvents() const { return events_; }

    // Ends the recording with its end line (a window closed, a signal); harmless twice.
    void finish();

    float secondViewLeft() const { return frame_.secondViewLeft; }
    SessionFrame& frameState() { return frame_; }

    const std::optional<Mismatch>& mismatch() const { return mismatch_; }
    int checksPassed() const { return checksPassed_; }

private:
    uint64_t seed_;
    Level level_;
    std::unique_ptr<Game> game_;
    Script script_;
    size_t nextEvent_ = 0, nextCheck_ = 0;
    int checksPassed_ = 0;
    std::optional<Mismatch> mismatch_;
    std::optional<ReplayWriter> recorder_;
    std::vector<InputEvent> events_;
    SessionFrame frame_;
};

}  // namespace vexlot
