// Guy movement against the terrain: gravity, tumbling and aim, crawling, walking and jumping,
// wall, floor and ceiling contact, the step-up, and the leg and walking animation.
#include <cstdlib>

#include "guys/guys.h"
#include "guys/probe.h"

namespace vexlot {

void applyGravity(Game& game, int i) {
    if (game.clingRight[i] == 0 && game.clingLeft[i] == 0) {
        Guy& g = game.guyTable[i];
        g.vy = cint(g.vy + 2 * game.speedFactor);
    }
}

namespace {
// The eight angles that turn with a tumbling guy.
void turnPose(Guy& g, int delta) {
    for (int16_t* a : {&g.bodyAngle, &g.armAngle1Upper, &g.armAngle1Lower, &g.armAngle2Upper, &g.armAngle2Lower,
                       &g.legAngleA, &g.legAngleB, &g.aimAngle})
        *a = wrap16(*a + delta);
}
}  // namespace

void spinAndAim(Game& game, int i) {
    Guy& g = game.guyTable[i];
    if (game.spin[i] == facingLeft) {
        if (g.bodyAngle > 360) turnPose(g, -360);
        turnPose(g, 10);
    }
    if (game.spin[i] == facingRight) {
        if (g.bodyAngle < -360) turnPose(g, 360);
        turnPose(g, -10);
    }
    if (game.aimDec[i] == kHeld) g.aimAngle = wrap16(g.aimAngle - 10);
    if (game.aimInc[i] == kHeld) g.aimAngle = wrap16(g.aimAngle + 10);
    // A held aim key would otherwise run the angle out of range; a full turn aims the same way.
    if (g.aimAngle > 360) g.aimAngle = wrap16(g.aimAngle - 360);
    if (g.aimAngle < -360) g.aimAngle = wrap16(g.aimAngle + 360);
    if (game.facing[i] == facingLeft) {
        g.armAngle1Lower = wrap16(180 - g.aimAngle);
        g.armAngle2Lower = wrap16(180 - g.aimAngle);
    } else {
        g.armAngle1Lower = g.aimAngle;
        g.armAngle2Lower = g.aimAngle;
    }
}

namespace {

// One side of crawling: lowering over an edge into a ledge hang, or crawling on.
void crawlSide(Game& game, int i, bool held, float probeDx, float probeDy, ControlTable& cling, int16_t legAngle,
               int dir) {
    Guy& g = game.guyTable[i];
    if (held) {
        if (!solidAt(game, g, probeDx, probeDy) && solidAt(game, g, 0, g.vy + 350.0f)) {
            if (cling[i] == 0) {
                cling[i] = kHeld;
                g.vx = 0;
                g.vy = 0;
                g.legAngleA = g.legAngleB = legAngle;
            }
            g.vx = wrap16(g.vx + 10 * dir);
            g.vy = wrap16(g.vy + 10);
        }
        if (solidAt(game, g, probeDx, probeDy) && g.vx * dir < 25) g.vx = wrap16(g.vx + 2 * dir);
    } else if (g.vx * dir > 0) {
        g.vx = wrap16(g.vx - 4 * dir);
    }
}

}  // namespace

void crawl(Game& game, int i) {
    Guy& g = game.guyTable[i];
    if (!solidAt(game, g, 0, g.vy + 350.0f) && (game.clingRight[i] == kHeld || game.clingLeft[i] == kHeld)) {
        game.clingLeft[i] = 0;
        game.clingRight[i] = 0;
        g.legAngleA = g.legAngleB = 90;
    }
    crawlSide(game, i, game.keyLeft[i] == kHeld, -100, 450, game.clingLeft, 135, -1);
    crawlSide(game, i, game.keyRight[i] == kHeld, 50, 400, game.clingRight, 45, +1);
}

namespace {
// A held arrow speeds the guy up that way to at most 100; without it, speed that way is braked.
// In the air both are gentler than on the ground.
void steer(Guy& g, bool left, bool right, int push, int brake) {
    if (left) {
        if (g.vx > -100) g.vx = wrap16(g.vx - push);
    } else if (g.vx < 0) {
        g.vx = wrap16(g.vx + brake);
    }
    if (right) {
        if (g.vx < 100) g.vx = wrap16(g.vx + push);
    } else if (g.vx > 0) {
        g.vx = wrap16(g.vx - brake);
    }
}
}  // namespace

void walkAndJump(Game& game, int i) {
    Guy& g = game.guyTable[i];
    const bool left = game.keyLeft[i] == kHeld, right = game.keyRight[i] == kHeld;
    if (!solidAt(game, g, 0, g.vy + 350.0f)) {  // in the air
        if (game.clingRight[i] == kHeld || game.clingLeft[i] == kHeld) {
            game.clingRight[i] = 0;
            game.clingLeft[i] = 0;
            g.legAngleA = g.legAngleB = 90;
        }
        steer(g, left, right, 1, 2);
        return;
    }
    if (game.spin[i] != 0) {  // a tumbling guy lands upright; a dead one keeps its pose
        if (g.state != GuyState::Dead) {
            g.bodyAngle = 90;
            g.legAngleA = g.legAngleB = 90;
        }
        game.spin[i] = 0;
    }
    steer(g, left, right, 5, 10);
    if (game.keyUp[i] == kHeld && !solidAt(game, g, 0, -50)) g.vy = -75;
}

namespace {

void legsInTheAir(Guy& g) {
    if (g.vy < 0) {
        if (g.legAngleA < 95) g.legAngleA = wrap16(g.legAngleA + 10);
        if (g.legAngleB > 65) g.legAngleB = wrap16(g.legAngleB - 10);
        return;
    }
    if (g.legAngleA > 90) g.legAngleA = wrap16(g.legAngleA - 10);
    if (g.legAngleB < 90) g.legAngleB = wrap16(g.legAngleB + 10);
    if (g.legAngleA < 90) g.legAngleA = 90;
    if (g.legAngleB > 90) g.legAngleB = 90;
}

// One walking step: legs and arms swing by 20 degrees until the stride ends. `forward` is +1 for the
// phase that opens leg A (+20) and -1 for the phase that closes it.
void stride(Guy& g, int forward) {
    const int d = 20 * forward;
    g.legAngleA = wrap16(g.legAngleA + d);
    g.legAngleB = wrap16(g.legAngleB - d);
    g.armAngle1Upper = wrap16(g.armAngle1Upper - d);
    g.armAngle1Lower = wrap16(g.armAngle1Lower - d);
    g.armAngle2Upper = wrap16(g.armAngle2Upper + d);
    g.armAngle2Lower = wrap16(g.armAngle2Lower + d);
}

void walkingAnimation(Guy& g, bool walkingLeft) {
    // Walking left opens leg A while strideFlag is set; walking right while it is clear.
    const bool opening = walkingLeft ? g.strideFlag != 0 : g.strideFlag == 0;
    if (opening) {
        stride(g, +1);
        if (g.legAngleA > 100) {
            g.strideFlag = walkingLeft ? 0 : 1;
            g.armAngle1Upper = 50;
            g.armAngle2Upper = 110;
        }
    } else {
        stride(g, -1);
        if (g.legAngleA < 80) {
            g.strideFlag = walkingLeft ? 1 : 0;
            g.armAngle1Upper = 110;
            g.armAngle2Upper = 50;
        }
    }
}

// A wall, ceiling or floor stops the guy with a small rebound.
int16_t rebound(int16_t v) { return cint(v * -0.02); }

}  // namespace

void terrainContact(Game& game, int i) {
    Guy& g = game.guyTable[i];
    const bool notClinging = game.clingRight[i] == 0 && game.clingLeft[i] == 0;
    if (std::abs(g.vx) <= 5 && game.keyRight[i] == 0 && game.keyLeft[i] == 0) g.vx = 0;
    if (std::abs(g.vy) <= 1) g.vy = 0;
    if (notClinging) {
        if (g.vx < 0) {
            if (solidAt(game, g, g.vx - 50.0f, 0)) g.vx = rebound(g.vx);
            if (solidAt(game, g, g.vx - 50.0f, 150)) g.vx = rebound(g.vx);
        }
        if (g.vx >= 0) {
            if (solidAt(game, g, g.vx, 0)) g.vx = rebound(g.vx);
            if (solidAt(game, g, g.vx, 150)) g.vx = rebound(g.vx);
        }
        if (solidAt(game, g, 0, g.vy <= 0 ? static_cast<float>(g.vy) : g.vy + 300.0f)) g.vy = rebound(g.vy);
    }
    if (solidAt(game, g, g.vx, g.vy + 300.0f)) {  // climb a step of up to 50 units, else stop
        if (!solidAt(game, g, g.vx, g.vy + 250.0f))
            g.y = g.y - 50;
        else
            g.vx = 0;
    }
    const bool left = game.keyLeft[i] == kHeld, right = game.keyRight[i] == kHeld;
    if (!solidAt(game, g, 0, g.vy + 350.0f)) {
        legsInTheAir(g);
    } else if (notClinging && left != right && (left ? game.keyRight[i] : game.keyLeft[i]) == 0) {
        walkingAnimation(g, left);
    }
    if (right) g.armAngle2Lower = g.aimAngle;
    if (left) g.armAngle1Lower = wrap16(180 - g.aimAngle);
}

}  // namespace vexlot
