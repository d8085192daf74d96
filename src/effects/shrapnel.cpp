// Shrapnel: particles that fly, bounce or stick, burst into children, turn to blood, and bake into
// the terrain when they come to rest under something.
#include <algorithm>
#include <cmath>

#include "core/core.h"
#include "effects/effects.h"

namespace vexlot {

namespace {

constexpr double kComponentColour = -1;  // `colour` value meaning "use red, green, blue"
constexpr int16_t kLine = 0, kBox = 1, kFilledBox = 2;

bool solid(const Game& game, float x, float y) { return game.picback.point(x, y) != game.picback.backColor; }

// Dot, or a streak back along the velocity; shapes beyond the filled box paint nothing.
void paintFigure(Surface& s, const Shrapnel& p, int32_t colour) {
    s.drawWidth = p.width < 1 ? int16_t{1} : p.width;
    if (p.trail < 1) {
        s.pset(p.x, p.y, colour);
        return;
    }
    float ex = p.x - p.trail * p.vx;
    float ey = p.y - p.trail * p.vy;
    switch (p.shape) {
        case kLine: s.line(p.x, p.y, ex, ey, colour); break;
        case kBox: s.box(p.x, p.y, ex, ey, colour); break;
        case kFilledBox: s.filledBox(p.x, p.y, ex, ey, colour); break;
        default: break;
    }
}

// In a versus game: the player (0 or 1) whose figure the dirt was taken from, told by the colour of
// his head or body at a point of his figure; -1 for anyone else's.
int bleedingPlayer(const Game& game, const Shrapnel& p) {
    const int32_t c = clng(p.colour);
    for (int k = 0; k <= 1; ++k) {
        const Guy& g = game.guyTable[k];
        bool his = c == clng(g.headColour);
        for (int part = 1; part <= 5; ++part) his = his || c == clng(g.partColour[part]);
        if (his && g.x - 150 < p.x && p.x < g.x + 150 && g.y - 100 < p.y && p.y < g.y + 450) return k;
    }
    return -1;
}

// Dirt taken from a guy's head (red byte 254) or the player's body (128, 1) becomes blood and costs
// the player's life. In a versus game it costs the life of the player whose figure it came from.
void bloodRule(Game& game, Shrapnel& p) {
    const int r = clng(p.colour) & 255;
    const bool headOrBody = r == 254 || r == 128 || r == 1;
    const int bleeder = versusRules(game) ? bleedingPlayer(game, p) : headOrBody ? 0 : -1;
    if (!headOrBody && bleeder < 0) return;
    p.colour = rgb(127, 0, 0);
    p.shape = kLine;
    p.trail = 1;
    p.fuse = -1;
    if (bleeder == 0 && game.life.value > 0) setLife(game, game.life.value - 1);
    Guy& second = game.guyTable[1];
    if (bleeder == 1 && second.health > 0) second.health = wrap16(second.health - 1);
}

// Bouncing particles probe below and ahead separately; the others probe one point diagonally ahead.
void terrainContact(const Game& game, Shrapnel& p) {
    const int16_t w = p.width;
    auto spendBounce = [&p] {
        if (p.bounces > 0) p.bounces = wrap16(p.bounces - 1);
    };
    if (p.elasticity < 0) {
        if (solid(game, p.x, p.y + p.vy + w)) {
            p.vy = p.vy * p.elasticity;
            spendBounce();
        }
        if (solid(game, p.x + p.vx + w, p.y)) {
            p.vx = p.vx * p.elasticity;
            spendBounce();
        }
    } else if (solid(game, p.x + p.vx + w, p.y + p.vy + w)) {
        p.vy = p.vy * p.elasticity;
        p.vx = p.vx * p.elasticity;
        spendBounce();
    }
}

// A stuck particle with something non-black above it is painted for good and leaves the table.
bool restRule(Game& game, int i) {
    Shrapnel& p = game.shrapnelTable[i];
    if (intDown(p.vy + p.vx) != 0 || p.elasticity != 0) return false;
    if (game.picback.point(p.x, p.y - 50) == 0 || game.picback.point(p.x, p.y - 100) == 0) return false;
    p.alive = 0;
    drawshrapnel(game, i);
    return true;
}

// Fire-coloured pixels up and behind fling particles that are not fire-coloured themselves.
void fireRule(Game& game, Shrapnel& p) {
    if (p.colour != kComponentColour) return;
    const int16_t w = p.width;
    int32_t c = game.picback.point(p.x - 50 - w, p.y - 50 - w);
    if (redOf(c) != 255 || blueOf(c) != 0) return;
    if (!(p.blue > 0 || p.red < 255)) return;
    double a = 2 * game.pi * game.rnd();
    float s = game.rnd() * 500.0f - 250.0f;
    p.vx = static_cast<float>(dsin(a) * s);
    p.vy = static_cast<float>(dcos(a) * s);
}

void updateParticle(Game& game, int i) {
    Shrapnel& p = game.shrapnelTable[i];
    eraseshrapnel(game, i);
    p.vy = p.vy + p.gravityScale * game.speedFactor;
    bloodRule(game, p);
    terrainContact(game, p);
    if (restRule(game, i)) return;
    fireRule(game, p);
    p.x = p.x + p.vx;
    p.y = p.y + p.vy;
    drawshrapnel(game, i);
    if (p.fuse > 0) {
        p.fuse = wrap16(p.fuse - 1);
    } else if (p.fuse == 0) {
        if (p.generations > 0) burst(game, i, BurstKind::Fuse);
        eraseshrapnel(game, i);
        p.alive = 0;
    }
    if (p.bounces == 0 && p.generations > 0) {
        burst(game, i, BurstKind::Bounce);
        eraseshrapnel(game, i);
        p.alive = 0;
    }
}

// Dead particles leave the table; a particle moved into a gap keeps its picture.
void removeDeadParticles(Game& game) {
    game.shrapnelCount = removeDead(
        game.shrapnelTable, game.shrapnelCount, [](const Shrapnel& p) { return p.alive == 0; }, [](int) {});
}

}  // namespace

void burst(Game& game, int i, BurstKind kind) {
    const int16_t children = game.shrapnelTable[i].children;
    for (int c = 0; c < children; ++c) {
        int k = addShrapnel(game);
        const Shrapnel& parent = game.shrapnelTable[i];
        Shrapnel& child = game.shrapnelTable[k];
        child = parent;
        child.width = parent.childWidth;
        child.generations = wrap16(parent.generations - 1);
        if (parent.spreadY == -1) {
            // Radial: a ring at spreadX for a fuse burst, random speeds across it for a bounce burst.
            float a = static_cast<float>(2 * game.pi * game.rnd());
            float s = kind == BurstKind::Fuse ? static_cast<float>(parent.spreadX)
                                              : game.rnd() * parent.spreadX - parent.spreadX / 2.0f;
            child.vx = static_cast<float>(parent.vx + s * dsin(a));
            child.vy = static_cast<float>(parent.vy + s * dcos(a));
        } else {
            child.vx = parent.spreadX * game.rnd() + parent.vx - parent.spreadX / 2.0f;
            child.vy = parent.spreadY * game.rnd() + parent.vy - parent.spreadY / 2.0f;
        }
        child.fuse = cint(game.rnd() * parent.childFuse);
        child.bounces = kind == BurstKind::Fuse ? int16_t{-1} : wrap16(parent.bounces + 2);
        if (child.fuse > parent.childFuse) child.fuse = parent.childFuse;
        child.childFuse = parent.childFuse;
    }
}

void setUpStartupShrapnel(Game& game) {
    // Five grey discs near the top of the world that rise and bounce.
    for (int j = 1; j <= 5; ++j) {
        Shrapnel& p = game.shrapnelTable[j];
        p = Shrapnel{};
        p.alive = 1;
        p.gravityScale = -1;
        p.elasticity = -0.9f;
        p.bounces = 5;
        p.fuse = -1;
        p.childFuse = 10000;
        p.width = 150;
        p.childWidth = 150;
        p.x = (formWidth - 500) / 15 * j;  // Single all through: a Single minus, over and times Integers
        p.y = 100;
        p.vx = game.rnd() * 30.0f - 15.0f;
        p.vy = game.rnd() * 50.0f;
        p.spreadX = 100;
        p.spreadY = -1;
        p.colour = kComponentColour;
        p.red = p.green = p.blue = 90;
    }
    // A yellow spark that bursts into one very fast child.
    Shrapnel& spark = game.shrapnelTable[6];
    spark = Shrapnel{};
    spark.alive = 1;
    spark.generations = 1;
    spark.children = 1;
    spark.elasticity = 1.0f;
    spark.bounces = -1;
    spark.fuse = 20;
    spark.childFuse = 20;
    spark.trail = 3;
    spark.width = 1;
    spark.childWidth = 2;
    spark.x = 1000;
    spark.y = 100;
    spark.spreadX = 10000;
    spark.spreadY = -1;
    spark.colour = kComponentColour;
    spark.red = 255;
    spark.green = 255;
    // A pale yellow flare that bursts into five streaks; its blue flickers.
    Shrapnel& flare = game.shrapnelTable[7];
    flare = Shrapnel{};
    flare.alive = 1;
    flare.generations = 1;
    flare.children = 5;
    flare.elasticity = 1.0f;
    flare.bounces = -1;
    flare.fuse = 15;
    flare.childFuse = 500;
    flare.trail = 10;
    flare.width = 5;
    flare.childWidth = 1;
    flare.x = 1000;
    flare.y = 2000;
    flare.spreadX = 500;
    flare.spreadY = -1;
    flare.colour = kComponentColour;
    flare.red = 255;
    flare.green = 255;
    flare.blue = 100;
    flare.randomBlue = 1;
    game.shrapnelCount = 7;
}

// Each particle in use at the start is treated once, in index order; children wait for the next frame.
void shrapnelPhase(Game& game) {
    game.shrapnelCount = wrap16(std::clamp<int>(game.shrapnelCount, 0, kMaxShrapnel));
    const int n = game.shrapnelCount;
    for (int i = 1; i <= n; ++i) updateParticle(game, i);
    removeDeadParticles(game);
}

void drawshrapnel(Game& game, int i) {
    Shrapnel& p = game.shrapnelTable[i];
    int r = p.red, g = p.green, b = p.blue;
    if (p.randomRed == 1) r = cint(game.rnd() * p.red);
    if (p.randomGreen == 1) g = cint(game.rnd() * p.green);
    if (p.randomBlue == 1) b = cint(game.rnd() * p.blue);
    int32_t colour = p.colour != kComponentColour ? clng(p.colour) : rgb(r, g, b);
    paintFigure(game.picback, p, colour);
}

void eraseshrapnel(Game& game, int i) {
    paintFigure(game.picback, game.shrapnelTable[i], game.picback.backColor);
}

}  // namespace vexlot
