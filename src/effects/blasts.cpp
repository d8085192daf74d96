// Blasts: a disc that grows in its fire colour, then again in the background colour, carving a crater.
#include <algorithm>

#include "effects/effects.h"

namespace vexlot {

namespace {

constexpr int16_t kFireDisc = 0;
constexpr int16_t kCraterDisc = 1;
constexpr int16_t kFinished = 2;

// Grows the disc and paints this frame's dot; returns true when the blast has finished.
bool advanceBlast(Game& game, Blast& b) {
    if (b.size < b.maxSize) b.size = b.size + b.growth;
    if (b.size >= b.maxSize) {
        b.size = 0;
        b.stage = wrap16(b.stage + 1);
    }
    Surface& s = game.picback;
    if (b.stage == kFireDisc) {
        s.drawWidth = cint(b.size + 1.0f);
        s.pset(static_cast<float>(b.x), static_cast<float>(b.y), clng(b.colour));
    }
    if (b.stage == kCraterDisc) {
        s.drawWidth = cint(b.size + 1.0f);
        s.pset(static_cast<float>(b.x), static_cast<float>(b.y), s.backColor);
    }
    return b.stage == kFinished;
}

// A finishing blast at the end of the table stamps the last blast's full-size crater.
void finalCraterDot(Game& game, int i) {
    if (i < game.blastCount - 1) return;
    const Blast& last = game.blastTable[game.blastCount];
    Surface& s = game.picback;
    s.drawWidth = cint(last.maxSize);
    s.pset(static_cast<float>(last.x), static_cast<float>(last.y), s.backColor);
}

}  // namespace

int newBlast(Game& game, double x, double y, float maxSize, float growth, double colour) {
    int i = addBlast(game);
    Blast& b = game.blastTable[i];
    b.x = x;
    b.y = y;
    b.size = 0;
    b.stage = kFireDisc;
    b.maxSize = maxSize;
    b.growth = growth;
    b.colour = colour;
    return i;
}

// Every blast in use is advanced once, in index order; a finished blast's slot takes the last blast,
// which has not been advanced yet and is advanced next.
void blastPhase(Game& game) {
    game.blastCount = wrap16(std::clamp<int>(game.blastCount, 0, kMaxBlasts));
    int i = 1;
    while (i <= game.blastCount) {
        if (!advanceBlast(game, game.blastTable[i])) {
            ++i;
            continue;
        }
        finalCraterDot(game, i);
        game.blastTable[i] = game.blastTable[game.blastCount];
        game.blastCount = wrap16(game.blastCount - 1);
    }
}

}  // namespace vexlot
