// Level events: scrolling right brings new computer guys and rows of mines at fixed distances.
// A duel has the mines only.
#include <cmath>

#include "core/core.h"

namespace vexlot {

void setUpComputerGuy(Game& game, int n, float x, float y, int16_t weapon) {
    Guy& g = game.guyTable[n];
    dressGuy(g, x, y, rgb(0, 0, 127), rgb(0, 0, 255), weapon);
    g.health = 25;
    g.state = GuyState::Normal;
    game.dropDone[n] = 0;
}

namespace {
void addMine(Game& game, int16_t payload, float x, float y) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = RockKind::Mine;
    r.payload = payload;
    r.counter = 10;
    r.x = x;
    r.y = y;
    r.vx = 0;
    r.vy = 0;
}
}  // namespace

void picmove(Game& game) {
    const float d = std::fabs(game.picbackLeft);
    game.Label1 = singleText(d);
    if (d >= 5000 && game.scrollStage == -1) {
        if (game.lastGuy < kControlGuys && !game.duel) {
            game.lastGuy = wrap16(game.lastGuy + 1);
            setUpComputerGuy(game, game.lastGuy, 18570, 5190, 1);
        }
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
    if (d >= 11000 && game.scrollStage == 0) {
        for (int k = 1; k <= 10; ++k) addMine(game, MinePayload::Sparks, 150.0f * k + 24500, 6600);
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
    if (d >= 14000 && game.scrollStage == 1) {
        // Guys 1 and 2 are set up again, dead or alive; in a versus game guy 1 is a player's and
        // stays his, and a duel has no computer guys.
        if (!game.duel) {
            for (int n = versusRules(game) ? 2 : 1; n <= 2; ++n) setUpComputerGuy(game, n, 500.0f * n + 28000, 6390, 4);
            game.lastGuy = 2;
        }
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
    if (d > 17000 && game.scrollStage == 2) {
        addMine(game, MinePayload::BounceGrenade, 30800, 6500);
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
    if (d > 23000 && game.scrollStage == 3) {
        const struct { int16_t payload; float y; } rows[] = {{MinePayload::Fragments, 4000},
                                                                 {MinePayload::HeavyFragments, 5000},
                                                                 {MinePayload::Fragments, 3000},
                                                                 {MinePayload::HeavyFragments, 2000}};
        for (const auto& row : rows)
            for (int k = 1; k <= 5; ++k) addMine(game, row.payload, 150.0f * k + 37400, row.y);
        addMine(game, MinePayload::Sparks, 37000, 2000);
        addMine(game, MinePayload::Sparks, 38750, 2000);
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
    if (d > 30000 && game.scrollStage == 4) {
        for (int k = 1; k <= 10; ++k) addMine(game, MinePayload::HeavyFragments, 150.0f * k + 44400, 5000);
        game.scrollStage = wrap16(game.scrollStage + 1);
    }
}

}  // namespace vexlot
