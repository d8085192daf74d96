#include "session/match.h"

#include "figure/figure.h"

namespace vexlot {

bool guyDown(const Game& game, int guy) { return fallen(game, guy); }

RoundResult judgeRound(const Game& game) {
    if (game.players != 2) return RoundResult::Playing;
    const bool firstDown = guyDown(game, 0);
    const bool secondDown = guyDown(game, 1);
    if (firstDown && secondDown) return RoundResult::Draw;
    if (secondDown) return RoundResult::FirstWins;
    if (firstDown) return RoundResult::SecondWins;
    return RoundResult::Playing;
}

RoundResult Match::update(const Game& game) {
    if (last != RoundResult::Playing) return last;  // the round is decided; later frames change nothing
    last = judgeRound(game);
    if (last == RoundResult::FirstWins) ++kills[0];
    if (last == RoundResult::SecondWins) ++kills[1];
    return last;
}

}  // namespace vexlot
