// Start-up: the window's fixed contents and every value set before the first frame.
#include "game/play.h"
#include "effects/effects.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

void setUpGauges(Game& game) {
    game.life = Gauge{0, 100, true, rgb(0, 0, 255), 90, 30, 2625, 270};
    for (int k = 0; k < 10; ++k)
        game.ammo[k] = Gauge{0, weaponTable[k].gaugeMax, k == 0, weaponTable[k].gaugeColour, 2730, 30, 1905, 270};
}

}  // namespace

void dressGuy(Guy& g, float x, float y, int32_t bodyColour, int32_t armColour, int16_t weapon) {
    g.x = x;
    g.y = y;
    g.legAngleA = g.legAngleB = 90;
    g.headColour = rgb(254, 255, 255);
    for (int p = 1; p <= 5; ++p) g.partColour[p] = bodyColour;
    for (int p = 6; p <= 9; ++p) g.partColour[p] = armColour;
    g.armAngle1Upper = 90;
    g.armAngle1Lower = 0;
    g.armAngle2Upper = 90;
    g.armAngle2Lower = 0;
    g.weapon = weapon;
    g.bodyAngle = 90;
}

void startup(Game& game, uint64_t seed, const Picture& level) {
    setUpGauges(game);
    setLife(game, 100);
    setAmmo(game, 0, 200);
    game.pi = 3.141593;
    game.speedFactor = 2.0f;
    game.rng.seed(seed);

    game.picback.create(kWorldWidthUnits / Surface::kUnitsPerPixel, kWorldHeightUnits / Surface::kUnitsPerPixel,
                        0, level.pixels, level.width, level.height);
    game.picbackLeft = 0;
    game.picbackTop = 0;

    game.scrollStage = -1;
    for (int i = 1; i <= 9; ++i) {
        game.ammo[i].left = game.ammo[0].left;
        game.ammo[i].top = game.ammo[0].top;
        setAmmo(game, i, game.ammo[i].max);
    }
    setUpStartupRocket(game);
    setUpStartupShrapnel(game);

    dressGuy(game.guyTable[0], 1000, 3000, rgb(128, 127, 127), rgb(150, 150, 150), 1);
    for (int n = 1; n <= 2; ++n) {
        dressGuy(game.guyTable[n], 500.0f * n + 2000, 3000, rgb(0, 0, 127), rgb(0, 0, 255), 2);
        game.guyTable[n].health = 5;
    }
    game.lastGuy = 2;
    addStartupPickups(game);
}

}  // namespace vexlot

namespace vexlot {

// Guy 1 becomes the second player's: a fair duel gives it the first player's 100 hit points and a
// full set of ammunition; it keeps the computer guys' place, colours, weapon and rules otherwise.
void startTwoPlayerGame(Game& game) {
    game.players = 2;
    game.guyTable[1].health = 100;
    for (int k = 0; k < 10; ++k) game.secondAmmo[k] = weaponTable[k].gaugeMax;
}

}  // namespace vexlot
