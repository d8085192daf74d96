// Guy damage: the hurt and dead states, hazard probes, applying the frame's hits, death cries.
#include <string>

#include "core/core.h"
#include "guys/guys.h"
#include "guys/probe.h"

namespace vexlot {

void deathSound(Game& game) {
    // In Double: in Single the largest Rnd would round up to 5 and ask for a sound that is not there.
    const int n = static_cast<int>(intDown(widen(game.rnd()) * 4 + 1));
    sound(game, "\\death" + std::to_string(n) + ".wav", 1);
}

namespace {

void addBloodSpark(Game& game, const Guy& g) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = RockKind::Spark;
    r.x = g.x;
    r.y = g.y + 100;
    r.vx = 0;
    r.vy = 0;
    r.size = g.bleedFrames;
    r.counter = g.bleedFrames;
    r.aux = g.bleedFrames;
}

}  // namespace

void hurtAndDeadStates(Game& game, int i) {
    Guy& g = game.guyTable[i];
    if (g.state == GuyState::Hurt) {
        if (i == 0) {
            if (game.life.value < 1) g.state = GuyState::Dead;
        } else if (g.health == 0) {
            g.state = GuyState::Dead;
            for (int p = 1; p <= 9; ++p) {
                const int v = cint(game.rnd() * 127.0f);
                g.partColour[p] = rgb(v, v, v);
            }
        }
        addBloodSpark(game, g);
        if (g.bleedFrames > 0) {
            g.bleedFrames = wrap16(g.bleedFrames - 1);
            game.hitCount[i] = wrap16(game.hitCount[i] + 1);
        } else {
            g.state = GuyState::Normal;
        }
    } else if (g.state == GuyState::Dead) {
        g.bodyAngle = 0;
        g.aimAngle = 0;
        g.legAngleA = g.legAngleB = 0;
        game.keyDown[i] = 0;
        game.keyFire[i] = 0;
        game.keyLeft[i] = 0;
        game.keyRight[i] = 0;
        game.spin[i] = 0;
    }
}

namespace {

struct HazardProbe {
    float dx, dy;
    int16_t pushVx;   // added to vx when hot
    int16_t spin;     // spin when hot (0: the feet probe throws at random instead)
};

void applyDamage(Game& game, int i) {
    Guy& g = game.guyTable[i];
    const int16_t hits = game.hitCount[i];
    if (hits > 0) {
        if (i > 0) {
            const int16_t h = wrap16(g.health - hits);
            if (h < 1) {
                g.health = 0;
                if (g.state == GuyState::Normal) deathSound(game);
                g.state = GuyState::Dead;
            } else {
                g.health = h;
            }
        } else if (game.life.value - hits > 0) {
            setLife(game, game.life.value - hits);
        } else {
            setLife(game, 0);
            if (g.state == GuyState::Normal) deathSound(game);
            g.state = GuyState::Dead;
        }
    }
    game.hitCount[i] = 0;
}

}  // namespace

void hazardsAndDamage(Game& game, int i) {
    Guy& g = game.guyTable[i];
    // Head, feet, right side, left side, in this order.
    const HazardProbe probes[] = {{0, -50, 0, 0}, {0, 350, 0, 0}, {50, 150, 20, facingRight}, {-75, 150, -20, facingLeft}};
    for (int p = 0; p < 4; ++p) {
        const int32_t c = probe(game, g, probes[p].dx, probes[p].dy);
        if (isDeadly(c)) {
            g.state = GuyState::Hurt;
            g.bleedFrames = 10;
        } else if (isHot(c)) {
            if (p == 1) {
                g.vy = wrap16(g.vy - 20);
                g.vx = cint(game.rnd() * 400.0f - 200.0f);
                game.spin[i] = facingLeft;
            } else if (p >= 2) {
                g.vx = wrap16(g.vx + probes[p].pushVx);
                g.vy = wrap16(g.vy - 20);
                game.spin[i] = probes[p].spin;
            }
            game.hitCount[i] = wrap16(game.hitCount[i] + 1);
        }
    }
    applyDamage(game, i);
}

}  // namespace vexlot
