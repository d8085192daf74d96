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

namespace {

// Versus start: both players standing on the flat floor between the domed building and the first
// step (not falling from the sky, where a hurt guy keeps bleeding into his own sparks), at the same
// height, 80 pixels apart, left of the rocket's pad (its exhaust burns the floor around x 6030 in
// the first second) so neither is on the high ground; the computer guy and the seven pick-ups lie
// half-way, 300 units from each.
constexpr float kFirstPlayerX = 3450, kSecondPlayerX = 4650, kStartY = 6400;
constexpr float kHalfWay = (kFirstPlayerX + kSecondPlayerX) / 2;
constexpr float kPickupRowMiddle = 8400;  // the one-player game's row of seven, 8100 to 8700
// The start-up's yellow spark (shrapnel 6) bursts into one child that crosses the world in a random
// direction. A player it touches while standing still goes on bleeding into his own blood sparks
// until he is dead, in about one start of a hundred; a versus start leaves the child out.
constexpr int kStartupSpark = 6;

void startVersus(Game& game, bool duel) {
    game.versus = 1;
    game.duel = duel ? kHeld : int16_t{0};
    game.guyTable[0].x = kFirstPlayerX;
    game.guyTable[0].y = kStartY;
    // The second player: the first's weapon, colours of his own (so the blood of each is his).
    dressGuy(game.guyTable[1], kSecondPlayerX, kStartY, rgb(127, 0, 128), rgb(160, 60, 160), 1);
    game.guyTable[1].headColour = rgb(253, 255, 255);
    game.guyTable[2].x = kHalfWay;
    if (duel) {
        game.guyTable[2] = Guy{};
        game.lastGuy = 1;
    }
    game.shrapnelTable[kStartupSpark].children = 0;
    // The start-up pick-ups keep their row, centred half-way.
    for (int k = 1; k <= game.rockCount; ++k) {
        Rock& r = game.rockTable[k];
        if (r.kind == RockKind::AmmoPickup) r.x = r.x - kPickupRowMiddle + kHalfWay;
    }
}

}  // namespace

// Guy 1 becomes the second player's: the first player's 100 hit points and a full set of
// ammunition. The versus rules also give both the same start; the first two-player rules kept the
// computer guy's place, colours and weapon.
void startTwoPlayerGame(Game& game, TwoPlayerRules rules) {
    game.players = 2;
    game.guyTable[1].health = 100;
    for (int k = 0; k < 10; ++k) game.secondAmmo[k] = weaponTable[k].gaugeMax;
    if (rules.versus != 0) startVersus(game, rules.duel);
}

}  // namespace vexlot
