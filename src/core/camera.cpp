// Camera for guy 0 and the level events that scrolling right drives.
#include <cmath>

#include "core/core.h"

namespace vexlot {

void camera(Game& game) {
    const Guy& g = game.guyTable[0];
    if (game.picbackLeft + g.x > 0.75f * formWidth) {
        picmove(game);
        if (g.vx > 0) game.picbackLeft = game.picbackLeft - g.vx;
    }
    if (game.picbackLeft <= 1 && 0.25f * formWidth > game.picbackLeft + g.x && g.vx < 0)
        game.picbackLeft = game.picbackLeft - g.vx;
    if (game.picbackLeft > 0) game.picbackLeft = 0;
}

void setUpComputerGuy(Game& game, int n, float x, float y, int16_t weapon) {
    Guy& g = game.guyTable[n];
    dressGuy(g, x, y, rgb(0, 0, 127), rgb(0, 0, 255), weapon);
    g.health = 25;
    g.state = 0;
    game.dropDone[n] = 0;
}

namespace {
void addMine(Game& game, int16_t payload, float x, float y) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = 22;
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
        if (game.lastGuy < kControlGuys) {
            game.lastGuy = static_cast<int16_t>(game.lastGuy + 1);
            setUpComputerGuy(game, game.lastGuy, 18570, 5190, 1);
        }
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
    if (d >= 11000 && game.scrollStage == 0) {
        for (int k = 1; k <= 10; ++k) addMine(game, 2, 150.0f * k + 24500, 6600);
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
    if (d >= 14000 && game.scrollStage == 1) {
        for (int n = 1; n <= 2; ++n) setUpComputerGuy(game, n, 500.0f * n + 28000, 6390, 4);
        game.lastGuy = 2;
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
    if (d > 17000 && game.scrollStage == 2) {
        addMine(game, 15, 30800, 6500);
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
    if (d > 23000 && game.scrollStage == 3) {
        const struct { int16_t payload; float y; } rows[] = {{5, 4000}, {18, 5000}, {5, 3000}, {18, 2000}};
        for (const auto& row : rows)
            for (int k = 1; k <= 5; ++k) addMine(game, row.payload, 150.0f * k + 37400, row.y);
        addMine(game, 2, 37000, 2000);
        addMine(game, 2, 38750, 2000);
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
    if (d > 30000 && game.scrollStage == 4) {
        for (int k = 1; k <= 10; ++k) addMine(game, 18, 150.0f * k + 44400, 5000);
        game.scrollStage = static_cast<int16_t>(game.scrollStage + 1);
    }
}

}  // namespace vexlot
