// A match of two players: rounds, each a game of its own, and the kills that decide them.
// The rule is the simple one: a round ends when a player's guy dies (whoever or whatever killed him),
// and the other player scores; both falling in the same frame is a draw.
#pragma once
#include <array>

#include "core/game.h"

namespace vexlot {

enum class RoundResult { Playing, FirstWins, SecondWins, Draw };

// A guy is down once dead. A corpse on the deadly colour bleeds again (its state goes back to hurt
// between frames), so a spent life counts as down too.
bool guyDown(const Game& game, int guy);

// The round's result as the game stands: a dead guy 0 or guy 1 ends it.
RoundResult judgeRound(const Game& game);

struct Match {
    std::array<int, 2> kills{};  // the first player's and the second player's
    int round = 1;
    RoundResult last = RoundResult::Playing;

    // After each frame of the current round: counts the round's kill once, the frame it is decided.
    RoundResult update(const Game& game);
    // The next round: a new game, the same score.
    void nextRound() {
        ++round;
        last = RoundResult::Playing;
    }
};

}  // namespace vexlot
