#include "core/game.h"

namespace vexlot {

namespace {
// count + 1 when there is room; a full table keeps its count and hands out scratch slot 0.
template <typename Count>
int addTo(Count& count, int capacity) {
    if (count >= capacity) return 0;
    ++count;
    return count;
}
}  // namespace

int addRock(Game& game) { return addTo(game.rockCount, kMaxRocks); }
int addBlast(Game& game) { return addTo(game.blastCount, kMaxBlasts); }
int addShrapnel(Game& game) { return addTo(game.shrapnelCount, kMaxShrapnel); }

}  // namespace vexlot
