// The rock table's update: every projectile, pick-up, mine and small effect, one function per kind.
#include <algorithm>
#include <cmath>

#include "core/core.h"
#include "effects/effects.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

// Rocks see the world only through its colours: anything but the background colour is solid.
bool solid(const Game& game, float x, float y) { return game.picback.point(x, y) != game.picback.backColor; }

// A bounce needs a solid point p while the point q is not yellow, so yellow never bounces a rock.
bool contact(const Game& game, float px, float py, float qx, float qy) {
    return solid(game, px, py) && game.picback.point(qx, qy) != kYellow;
}
// The usual contact test: q is the point ahead.
bool contact(const Game& game, const Rock& r, float px, float py) {
    return contact(game, px, py, r.x + r.vx, r.y + r.vy);
}

bool solidAhead(const Game& game, const Rock& r) { return solid(game, r.x + r.vx, r.y + r.vy); }

void gravity(const Game& game, Rock& r) { r.vy = r.vy + game.speedFactor; }

void move(Rock& r) {
    r.x = r.x + r.vx;
    r.y = r.y + r.vy;
}

void countDown(int16_t& counter) {
    if (counter > 0) counter = wrap16(counter - 1);
}

// A new rock of `kind` at (x, y); the caller sets the other fields its kind reads.
Rock& addRockAt(Game& game, int16_t kind, float x, float y) {
    Rock& r = game.rockTable[addRock(game)];
    r.kind = kind;
    r.x = x;
    r.y = y;
    return r;
}

Rock& addSpark(Game& game, float x, float y, int16_t size, int16_t counter, int16_t aux) {
    Rock& s = addRockAt(game, RockKind::Spark, x, y);
    s.size = size;
    s.counter = counter;
    s.aux = aux;
    return s;
}

// Ten rocks of `kind` at (x, y) flying off at random, up to 50 per axis.
void scatter(Game& game, int16_t kind, float x, float y) {
    for (int k = 1; k <= 10; ++k) {
        Rock& n = addRockAt(game, kind, x, y);
        n.vx = game.rnd() * 100 - 50;
        n.vy = game.rnd() * 100 - 50;
    }
}

// Pellets and laser bolts strike every guy whose box holds them (guys with control tables only).
void hitGuys(Game& game, Rock& r) {
    const int last = std::min<int>(game.lastGuy, kControlGuys);
    for (int k = 0; k <= last; ++k) {
        const Guy& g = game.guyTable[k];
        if (g.x - 150 < r.x && r.x < g.x + 150 && g.y - 50 < r.y && r.y < g.y + 350) {
            game.hitCount[k] = wrap16(game.hitCount[k] + 1);
            r.kind = RockKind::Dead;
            Shrapnel& p = game.shrapnelTable[addDrop(game, r.x, r.y, 2)];
            p.red = cint(game.rnd() * 100 + 100);
            p.green = 0;
            p.blue = 0;
        }
    }
}

void updateEmber(Game& game, Rock& r) {
    gravity(game, r);
    if (solid(game, r.x, r.y + r.vy + wrap16(9 * r.size) + 9)) {
        r.vx = 0;
        r.vy = 0;
    }
    move(r);
    Rock& s = addSpark(game, r.x, r.y, r.size, r.size, r.size);
    s.vx = 0;
    s.vy = 0;
}

// A spark sits still for its first frames, then jumps about and upward until its life is out.
void updateSpark(Game& game, int i) {
    Rock& r = game.rockTable[i];
    if (r.counter < wrap16(r.aux - 1)) {
        r.x = r.x + game.rnd() * 200 - 100;
        r.y = r.y - game.rnd() * 200;
    }
    if (r.counter < 1) {
        eraserock(game, i);
        r.kind = RockKind::Dead;
    } else {
        r.counter = wrap16(r.counter - 1);
    }
}

// Fragments end in a blast where they land; a heavy fragment's is twice as big.
void updateFragment(Game& game, int i, float maxSize, float growth) {
    Rock& r = game.rockTable[i];
    gravity(game, r);
    move(r);
    if (!solidAhead(game, r)) return;
    eraserock(game, i);
    r.kind = RockKind::Dead;
    newBlast(game, r.x, r.y, maxSize, growth, rgb(255, cint(game.rnd() * 255), 0));
}

// A firebrand lands as a row of flames from 400 left to 500 right of the impact.
void updateFirebrand(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    if (!solidAhead(game, r)) return;
    r.kind = RockKind::Dead;
    for (int k = 1; k <= 10; ++k) addSpark(game, r.x - 500 + 100 * k, r.y, 10, 25, 25);
}

// Bomblets and cluster bombs break into ten smaller ones thrown upward.
void updateClusterBomb(Game& game, Rock& r, int16_t childKind) {
    gravity(game, r);
    move(r);
    if (!solidAhead(game, r)) return;
    r.kind = RockKind::Dead;
    for (int k = 1; k <= 10; ++k) {
        Rock& n = addRockAt(game, childKind, r.x, r.y);
        n.vx = 50 - 100 * game.rnd();
        n.vy = -100 * game.rnd();
    }
}

// `counter` counts frames of free flight (up to 150) and is spent while terrain is near ahead;
// the grenade goes off once it stops or the count is spent.
void updateGrenade(Game& game, Rock& r, bool big) {
    gravity(game, r);
    move(r);
    if (!solid(game, r.x + 3 * r.vx, r.y + 3 * r.vy)) {
        if (r.counter < 150) r.counter = wrap16(r.counter + 1);
    } else {
        r.vx = static_cast<float>(0.5 * r.vx);
        r.vy = static_cast<float>(0.5 * r.vy);
        r.counter = wrap16(r.counter - 1);
    }
    if ((intDown(r.vx) != 0 || intDown(r.vy) != 0) && r.counter > 0) return;
    r.kind = RockKind::Dead;
    sound(game, big ? "\\explosion.wav" : "\\grenade.wav");
    const float spread = big ? 1000.0f : 500.0f;
    for (int k = 1; k <= 10; ++k) {
        Rock& n = addRockAt(game, big ? RockKind::Firebrand : RockKind::Fragment, r.x, r.y);
        n.counter = 50;
        n.vx = spread / 2 - spread * game.rnd();
        n.vy = spread / 2 - spread * game.rnd();
    }
}

// Each piece takes the colour of the first non-black terrain at or below it. The search ends at
// the bottom of the world surface, and the piece keeps the last colour read there.
void addDirt(Game& game, const Rock& bomb, int k) {
    Shrapnel& p = game.shrapnelTable[addShrapnel(game)];
    p.alive = 1;
    p.generations = 0;
    p.children = 0;
    p.gravityScale = 1;
    p.elasticity = 0;
    p.bounces = -1;
    p.fuse = cint(game.rnd() * 100 + 25);
    p.childFuse = 25;
    p.trail = 1;
    p.shape = 2;
    p.width = 1;
    p.x = bomb.x - 100 + 2 * k;
    p.y = game.rnd() * 50 + bomb.y;
    p.vx = game.rnd() * 100 - 50;
    p.vy = game.rnd() * (-10) - 50;
    const float bottom = static_cast<float>(game.picback.heightPx()) * Surface::kUnitsPerPixel;
    int32_t colour = game.picback.point(p.x, p.y);
    while (!(colour > 0) && p.y < bottom) {
        p.y = p.y + 100;
        colour = game.picback.point(p.x, p.y);
    }
    p.colour = colour;
    p.red = p.green = p.blue = 0;
    p.randomRed = p.randomGreen = p.randomBlue = 0;
}

void updateDirtBomb(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    if (!solidAhead(game, r)) return;
    for (int k = 1; k <= 50; ++k) addDirt(game, r, k);
    r.kind = RockKind::Dead;
}

// Pellets fly straight; terrain outside every hit box slows them to a fifth per axis.
void updatePellet(Game& game, Rock& r) {
    move(r);
    countDown(r.counter);
    if (r.counter == 0) r.kind = RockKind::Dead;
    if (solidAhead(game, r)) hitGuys(game, r);
    if (solid(game, r.x + r.vx, r.y)) r.vx = static_cast<float>(r.vx * 0.2);
    if (solid(game, r.x, r.y + r.vy)) r.vy = static_cast<float>(r.vy * 0.2);
}

// A shotgun shell bursts into ten pellets at once or when it meets something.
void updateShell(Game& game, Rock& r) {
    countDown(r.counter);
    if (solidAhead(game, r) || r.counter == 0) {
        for (int k = 1; k <= 10; ++k) {
            Rock& n = addRockAt(game, RockKind::Pellet, r.x, r.y);
            n.counter = 25;
            n.vx = r.vx + game.rnd() * 100 - 50;
            n.vy = r.vy + game.rnd() * 100 - 50;
        }
        r.kind = RockKind::Dead;
    }
    move(r);
}

// The flame is never drawn: its trail of yellow sparks is what shows and burns.
void updateFlame(Game& game, Rock& r) {
    countDown(r.counter);
    if (r.counter == 0) r.kind = RockKind::Dead;
    move(r);
    const int32_t c = game.picback.point(r.x + r.vx, r.y + r.vy);
    if (c != game.picback.backColor && c != kYellow) r.kind = RockKind::Dead;
    Rock& s = addSpark(game, r.x, r.y, 5, wrap16(r.counter + 1), 4);
    s.vx = 0;
    s.vy = 0;
}

void updateBounceGrenade(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    if (contact(game, r, r.x, r.y + r.vy)) {
        r.vy = -0.5f * r.vy;
        sound(game, "\\gbounce.wav");
        countDown(r.counter);
    }
    if (contact(game, r, r.x + r.vx, r.y)) {
        r.vx = -0.5f * r.vx;
        sound(game, "\\gbounce.wav");
        countDown(r.counter);
    }
    if (r.counter == 0) {
        sound(game, "\\grenade.wav");
        scatter(game, RockKind::Fragment, r.x, r.y);
        r.kind = RockKind::Dead;
    }
}

void updateCasing(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    countDown(r.counter);
    if (contact(game, r, r.x, r.y + r.vy)) r.vy = -0.5f * r.vy;
    if (contact(game, r, r.x + r.vx, r.y)) r.vx = -0.5f * r.vx;
    if (r.counter == 0) r.kind = RockKind::Dead;
}

void updateMissile(Game& game, Rock& r) {
    move(r);
    if (contact(game, r, r.x, r.y + r.vy)) {
        r.vy = -0.5f * r.vy;
        countDown(r.counter);
    }
    if (contact(game, r, r.x + r.vx, r.y)) {
        r.vx = -0.5f * r.vx;
        countDown(r.counter);
    }
    if (r.counter == 0) {
        sound(game, "\\misslex.wav");
        scatter(game, RockKind::Fragment, r.x, r.y);
        r.kind = RockKind::Dead;
    }
}

// `aux` is the fuse; the burst also leaves ten dead records that the removal pass takes away
// in the same frame (kept so the random sequence is the game's own).
void updateTimeBomb(Game& game, Rock& r) {
    gravity(game, r);
    r.aux = wrap16(r.aux - 1);
    if (contact(game, r, r.x, r.y + r.vy + 100)) {
        r.vy = static_cast<float>(-0.1 * r.vy);
        if (std::abs(r.vy) > 2) sound(game, "\\tbounce.wav");
    }
    if (contact(game, r, r.x + r.vx, r.y)) {
        r.vx = static_cast<float>(-0.1 * r.vx);
        if (std::abs(r.vx) > 2) sound(game, "\\tbounce.wav");
    }
    if (r.aux == 0) {
        sound(game, "\\ex2.wav");
        scatter(game, RockKind::Bomblet, r.x, r.y);
        scatter(game, RockKind::Dead, r.x, r.y);
        r.kind = RockKind::Dead;
    }
    move(r);
}

// A bolt goes through terrain; only a guy stops it.
void updateLaserBolt(Game& game, Rock& r) {
    move(r);
    countDown(r.counter);
    if (r.counter <= 0) r.kind = RockKind::Dead;
    if (solidAhead(game, r)) hitGuys(game, r);
}

// Only the player collects pick-ups, even in mid-air; the gauge fills up to its maximum. In a versus
// game either player does, into his own rounds (the first player first when both touch it).
void updatePickup(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    if (contact(game, r, r.x, r.y + r.vy + 100)) {
        r.vy = -0.5f * r.vy;
        r.vx = -0.5f * r.vx;
        if (std::abs(r.vy) < 50) r.vy = r.vy - 10;
    }
    for (int player = 0; player <= (versusRules(game) ? 1 : 0); ++player) {
        const Guy& p = game.guyTable[player];
        if (!(p.x - 50 < r.x && r.x < p.x + 50 && p.y - 50 < r.y && r.y < p.y + 400)) continue;
        r.kind = RockKind::Dead;
        sound(game, "\\getammo.wav");
        const int k = r.payload - 1;
        if (k < 0 || k > 9) return;  // no gauge for that weapon
        const int16_t max = game.ammo[k].max;
        const int16_t have = player == 0 ? game.ammo[k].value : game.secondAmmo[k];
        const int16_t now = max < have + r.counter ? max : wrap16(have + r.counter);
        if (player == 0) setAmmo(game, k, now);
        else game.secondAmmo[k] = now;
        return;
    }
}

// A mine's burst, by payload: sparks, or twenty rocks of the payload's own kind (fragments,
// bouncing grenades or heavy fragments).
void burstMine(Game& game, const Rock& m) {
    switch (m.payload) {
        case MinePayload::Sparks:
            sound(game, "\\explosion.wav");
            for (int k = 1; k <= 10; ++k) {
                const float x = m.x + game.rnd() * 500 - 250;
                const float y = m.y + game.rnd() * 500 - 250;
                Rock& s = addSpark(game, x, y, 20, 20, 20);
                s.vx = 0;
                s.vy = 0;
            }
            break;
        case MinePayload::Fragments:
        case MinePayload::BounceGrenade:
        case MinePayload::HeavyFragments: {
            const bool small = m.payload == MinePayload::Fragments;
            const float place = small ? 100.0f : 200.0f;
            const float speed = small ? 200.0f : 500.0f;
            sound(game, small ? "\\exb.wav" : m.payload == MinePayload::BounceGrenade ? "\\tbounce.wav" : "\\exbb.wav");
            for (int k = 1; k <= 20; ++k) {
                const float x = m.x + game.rnd() * place - place / 2;
                const float y = m.y + game.rnd() * place - place / 2;
                Rock& n = addRockAt(game, m.payload, x, y);
                n.counter = m.payload == MinePayload::BounceGrenade ? 5 : 10;
                n.vy = game.rnd() * speed - speed / 2;
                n.vx = game.rnd() * speed - speed / 2;
            }
            break;
        }
        default:
            break;  // no burst: the mine just vanishes
    }
}

// A resting mine hovers about 150 above the ground and bursts on a warm colour 200 to its left.
void updateMine(Game& game, Rock& r) {
    gravity(game, r);
    move(r);
    const float g = game.speedFactor;
    if (contact(game, r.x + r.vx, r.y + 150, r.x + r.vx, r.y + 150)) {
        r.vx = -0.5f * r.vx;
        if (std::abs(r.vy) < 50) r.vy = -g;
    }
    if (contact(game, r.x, r.y + r.vy + 150, r.x, r.y + r.vy + 150)) {
        r.vy = -0.5f * r.vy;
        if (std::abs(r.vy) < 50) r.vy = -g;
    }
    const int32_t c = game.picback.point(r.x + r.vx - 200, r.y + r.vy);
    if (c > rgb(255, 0, 0) && c <= kYellow) {
        r.kind = RockKind::Dead;
        burstMine(game, r);
    }
}

void updateRock(Game& game, int i) {
    Rock& r = game.rockTable[i];
    switch (r.kind) {
        case RockKind::Ember: updateEmber(game, r); break;
        case RockKind::Spark: updateSpark(game, i); break;
        case RockKind::Fragment: updateFragment(game, i, 25, 5); break;
        case RockKind::Firebrand: updateFirebrand(game, r); break;
        case RockKind::Bomblet: updateClusterBomb(game, r, RockKind::Fragment); break;
        case RockKind::ClusterBomb: updateClusterBomb(game, r, RockKind::Bomblet); break;
        case RockKind::Grenade: updateGrenade(game, r, false); break;
        case RockKind::BigGrenade: updateGrenade(game, r, true); break;
        case RockKind::DirtBomb: updateDirtBomb(game, r); break;
        case RockKind::Pellet: updatePellet(game, r); break;
        case RockKind::Shell: updateShell(game, r); break;
        case RockKind::Flame: updateFlame(game, r); break;
        case RockKind::BounceGrenade: updateBounceGrenade(game, r); break;
        case RockKind::Casing: updateCasing(game, r); break;
        case RockKind::Missile: updateMissile(game, r); break;
        case RockKind::HeavyFragment: updateFragment(game, i, 50, 10); break;
        case RockKind::TimeBomb: updateTimeBomb(game, r); break;
        case RockKind::LaserBolt: updateLaserBolt(game, r); break;
        case RockKind::AmmoPickup: updatePickup(game, r); break;
        case RockKind::Mine: updateMine(game, r); break;
        default: break;  // dead, or not a kind: left alone
    }
}

}  // namespace

int addDrop(Game& game, float x, float y, int16_t width) {
    const int n = addShrapnel(game);
    Shrapnel& p = game.shrapnelTable[n];
    p.alive = 1;
    p.generations = 0;
    p.children = 0;
    p.gravityScale = 1;
    p.elasticity = -0.2f;
    p.bounces = -1;
    p.fuse = 25;
    p.childFuse = 2;
    p.trail = 0;
    p.shape = 0;
    p.width = width;
    p.childWidth = 1;
    p.x = x;
    p.y = y;
    p.vx = game.rnd() * 10 - 5;
    p.vy = -25;
    p.spreadX = 10000;
    p.spreadY = -1;
    p.colour = -1;
    p.randomRed = p.randomGreen = p.randomBlue = 0;
    return n;
}

void rocks(Game& game) {
    const int n = game.rockCount;
    for (int i = 1; i <= n; ++i) {
        eraserock(game, i);
        updateRock(game, i);
        drawrock(game, i);
    }
    // A rock moved into a dead one's slot has its picture erased; the next frame redraws it.
    game.rockCount = removeDead(
        game.rockTable, game.rockCount, [](const Rock& r) { return r.kind == RockKind::Dead; },
        [&](int i) { eraserock(game, i); });
}

}  // namespace vexlot
