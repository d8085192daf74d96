// What the window tells the player about his game beyond the game's own picture, worked out from
// the game's state after each frame without touching it: what last hurt each player's guy (so the
// death panel can say how he died) and the game's goals (computer guys downed, level events passed,
// time survived).
#pragma once
#include <array>
#include <string>

#include "core/game.h"

namespace vexlot {

enum class HurtBy { Nothing, Fire, DeadlyColour, Fall, Blast };

struct Goals {
    int downed = 0;   // computer guys downed in this game
    int events = 0;   // level events passed, 0..6 (the farthest scroll reached)
    int frames = 0;   // frames the player's guy has lived
    bool operator==(const Goals&) const = default;
};
constexpr int kLevelEvents = 6;
constexpr double kFrameMs = 16;  // the window's frame period (the page's: 1000 / 60)

// "1:23" for a number of frames of `frameMs` each.
std::string timeText(int frames, double frameMs = kFrameMs);

struct WindowOverlay;
// The goals as the HUD line and the death panel's line say them, beside the best before this game
// (the window's from the data folder; none in the page).
void describeGoals(const Goals& now, const Goals* best, WindowOverlay& o, double frameMs = kFrameMs);

class PlayWatch {
public:
    // A new game: nothing counted yet.
    void start(const Game& game);
    // After each of the game's frames.
    void afterFrame(const Game& game);

    const Goals& goals() const { return goals_; }
    HurtBy hurtBy(int player) const { return hurtBy_[player]; }
    // World pixel column where the player's guy was last hurt.
    int hurtAtColumn(int player) const { return hurtAt_[player]; }
    // The death panel's line: how and where the guy died ("Burned by fire 212 m into the level"),
    // empty when nothing says so.
    std::string deathLine(int player) const;

    // Down as the figure and the rounds judge it.
    static bool down(const Game& game, int guy);

private:
    HurtBy classify(const Game& game, int guy) const;
    // What the game's probes find around the guy now: the deadly colour, fire, or neither.
    static HurtBy touching(const Game& game, int guy);

    Goals goals_;
    std::array<HurtBy, 2> hurtBy_{};
    std::array<int, 2> hurtAt_{}, lastLife_{};
    // The frame each player's guy last touched the deadly colour and fire: he bleeds for a while
    // after either, and the life he loses then is still theirs.
    std::array<int, 2> deadlyAt_{}, fireAt_{};
    int frames_ = 0;
    std::array<bool, kMaxGuys + 1> wasDown_{};  // places of the guy table not yet set up read as down
};

}  // namespace vexlot
