// One frame of the game loop, in its fixed order.
#include <algorithm>

#include "game/play.h"
#include "effects/effects.h"
#include "figure/figure.h"
#include "guys/guys.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

// The per-guy control tables hold guys 0..10, so no loop may go past that.
int lastActiveGuy(const Game& game) { return std::min<int>(game.lastGuy, kControlGuys); }

void updateGuy(Game& game, int i) {
    if (game.clingLeft[i] != kHeld && game.keyDown[i] != 0 && game.clingRight[i] != kHeld)
        eraseguy(game, i);
    else
        drawguy(game, i, 1);
    if (i > 0 && !(i == 1 && game.players == 2)) ai(game, i);  // the second player steers guy 1
    applyGravity(game, i);
    hurtAndDeadStates(game, i);
    spinAndAim(game, i);
    if (game.keyDown[i] != 0) {
        crawl(game, i);
    } else {
        hazardsAndDamage(game, i);
        weaponStep(game, i);
        walkAndJump(game, i);
    }
    terrainContact(game, i);
    if (i == 0) camera(game);
    Guy& g = game.guyTable[i];
    g.x = g.x + g.vx;
    g.y = g.y + g.vy;
}

}  // namespace

bool runFrame(Game& game, std::span<const InputEvent> events) {
    ++game.frame;
    for (const InputEvent& e : events) {
        deliverEvent(game, e);
        if (game.ended) return false;
    }
    if (game.Timer1Enabled) Timer1_Timer(game);

    const int last = lastActiveGuy(game);
    for (int i = 0; i <= last; ++i) updateGuy(game, i);
    const int lastDrawn = lastActiveGuy(game);  // read again: the camera's level events add guys
    for (int i = 0; i <= lastDrawn; ++i) drawguy(game, i, 0);

    rocketPhase(game);
    blastPhase(game);
    rocks(game);
    shrapnelPhase(game);
    return true;
}

}  // namespace vexlot
