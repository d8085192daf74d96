// Computer guys: walk, turn at random, aim at the player, fire when it is in front within range.
// In a versus game the player is the nearer of the two.
#include <cmath>

#include "core/core.h"
#include "figure/figure.h"
#include "guys/guys.h"

namespace vexlot {

namespace {

// The guy a computer guy goes for: the player; in a versus game the nearer player still standing.
int target(const Game& game, const Guy& g) {
    if (!versusRules(game)) return 0;
    auto distance = [&](int k) {
        const double dx = widen(game.guyTable[k].x) - g.x, dy = widen(game.guyTable[k].y) - g.y;
        return dx * dx + dy * dy;
    };
    if (fallen(game, 0) != fallen(game, 1)) return fallen(game, 0) ? 1 : 0;
    return distance(1) < distance(0) ? 1 : 0;
}

}  // namespace

void ai(Game& game, int c) {
    Guy& g = game.guyTable[c];
    const int16_t r = cint(game.rnd() * 10.0f);
    if (game.keyLeft[c] == 0 && game.keyRight[c] == 0) game.keyLeft[c] = kHeld;
    if (r == 1) {
        if (game.keyRight[c] == kHeld) {
            game.facing[c] = facingLeft;
            game.keyRight[c] = 0;
            game.keyLeft[c] = kHeld;
        } else if (game.keyLeft[c] == kHeld) {
            game.facing[c] = facingRight;
            game.keyLeft[c] = 0;
            game.keyRight[c] = kHeld;
        }
    }
    game.rnd();  // drawn and discarded: it advances the sequence
    game.keyDown[c] = (g.state == GuyState::Hurt && g.weapon == 3) ? kHeld : 0;
    game.keyFire[c] = 0;

    const Guy& player = game.guyTable[target(game, g)];
    const float x0 = player.x, y0 = player.y, xc = g.x, yc = g.y;
    if (game.spin[c] == 0 && g.state == GuyState::Normal) {
        const float dx = xc - x0;
        if (game.facing[c] == facingLeft) {
            g.aimAngle = dx == 0 ? int16_t{90} : cint(datan((y0 - yc) / dx) * 180.0 / game.pi);
            if (xc > x0 && dx < 2000) game.keyFire[c] = kHeld;
        } else if (game.facing[c] == facingRight) {
            g.aimAngle = dx == 0 ? int16_t{90} : cint(datan((yc - y0) / dx) * 180.0 / game.pi);
            if (xc < x0 && dx > -2000) game.keyFire[c] = kHeld;
        }
    }

    if (game.dropDone[c] == 0 && g.state == GuyState::Dead) {
        Rock& rock = game.rockTable[addRock(game)];
        rock.kind = RockKind::AmmoPickup;
        rock.payload = g.weapon;
        rock.counter = 25;
        rock.x = xc;
        rock.y = yc;
        rock.vx = game.rnd() * 50.0f - 25.0f;
        rock.vy = game.rnd() * 50.0f;
        game.dropDone[c] = kHeld;
    }
}

}  // namespace vexlot
