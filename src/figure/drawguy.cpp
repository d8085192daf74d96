// Guy figures: drawing (three poses, weapon in hand, legs fitted to the terrain) and crawl erasing.
#include <cmath>

#include "core/core.h"
#include "figure/figure.h"

namespace vexlot {

namespace {

struct Offset {
    int16_t dx, dy;
};

// V(a, L): the rounded vector of angle a degrees and length L.
Offset vec(const Game& game, int16_t angle, int length) {
    const double a = radians(angle, game.pi);
    return {cint(dcos(a) * length), cint(dsin(a) * length)};
}

struct Point {
    float x, y;
    Point operator+(Offset o) const { return {x + o.dx, y + o.dy}; }
};

struct Colours {
    int32_t head;
    int32_t part[10];
    int32_t weapon;
};

const int32_t kWeaponColours[6] = {0, rgb(0, 0, 127), rgb(127, 127, 0), rgb(127, 127, 127), rgb(0, 100, 100),
                                   rgb(200, 200, 200)};

Colours coloursFor(const Game& game, const Guy& g, int eraseMode) {
    Colours c{};
    if (eraseMode == 1) {
        const int32_t back = game.picback.backColor;
        c.head = c.weapon = back;
        for (int32_t& p : c.part) p = back;
        return c;
    }
    c.head = clng(g.headColour);
    for (int p = 1; p <= 9; ++p) c.part[p] = clng(g.partColour[p]);
    c.weapon = (g.weapon >= 1 && g.weapon <= 5) ? kWeaponColours[g.weapon] : 0;
    return c;
}

void dot(Game& game, int width, Point p, int32_t colour) {
    game.picback.drawWidth = wrap16(width);
    game.picback.pset(p.x, p.y, colour);
}

void line(Game& game, Point a, Point b, int32_t colour) { game.picback.line(a.x, a.y, b.x, b.y, colour); }

bool isEmpty(const Game& game, Point p) { return game.picback.point(p.x, p.y) == game.picback.backColor; }

// Shortens a leg step by step until its tip (from base point G) lies in empty space. Erasing fits the
// legs again while last frame's legs are still painted: where the legs cross and one is shortened,
// its probe can land on the other leg's pixels, so the erase may miss a few pixels of a walking guy
// (bench/leg_pixels_bench.cpp counts them; the half-open line raster leaves the fewest).
void fitLeg(Game& game, Point base, int16_t angle, int16_t& length, int step) {
    for (;;) {
        if (isEmpty(game, base + vec(game, angle, length))) return;
        if (length <= 0) return;
        length = wrap16(length - step);
    }
}

void drawWeapon(Game& game, int i, float drop, const Colours& c, int eraseMode) {
    const Guy& g = game.guyTable[i];
    if (g.weapon < 1 || g.weapon > 5) return;
    const bool left = game.facing[i] == facingLeft;
    const Point s = left ? Point{g.x - 40, g.y + drop + 50} : Point{g.x + 30, g.y + drop + 50};
    const Offset u = vec(game, left ? g.armAngle1Upper : g.armAngle2Upper, 50);
    const Offset f = vec(game, left ? g.armAngle1Lower : g.armAngle2Lower, 50);
    auto times = [](Offset o, int k) { return Offset{wrap16(k * o.dx), wrap16(k * o.dy)}; };
    if (g.weapon >= 4) game.picback.drawWidth = 2;
    const Point barrelEnd = s + u + times(f, 3);
    if (eraseMode == 0 && !isEmpty(game, barrelEnd)) return;  // the barrel would end inside terrain
    switch (g.weapon) {
    case 4: line(game, s + u + times(f, -1), barrelEnd, c.weapon); break;
    case 5: line(game, s + times(f, -1), s + times(f, 2), c.weapon); break;
    default: line(game, s + u + f, barrelEnd, c.weapon); break;
    }
}

void drawStanding(Game& game, int i, float drop, const Colours& c, int eraseMode) {
    Guy& g = game.guyTable[i];
    const Point h{g.x, g.y + drop};
    const int16_t b = g.bodyAngle;
    dot(game, 2, h, c.head);
    dot(game, 4, h + vec(game, b, 75), c.part[1]);
    dot(game, 4, h + vec(game, b, 100), c.part[2]);
    dot(game, 4, h + vec(game, b, 150), c.part[3]);
    g.legLengthA = 150;
    g.legLengthB = 150;
    game.picback.drawWidth = 1;
    const Point s1 = h + vec(game, wrap16(b + 35), 64);
    const Point e1 = s1 + vec(game, g.armAngle1Upper, 50);
    line(game, s1, e1, c.part[6]);
    line(game, e1, e1 + vec(game, g.armAngle1Lower, 50), c.part[6]);
    const Point s2 = h + vec(game, wrap16(b - 35), 64);
    const Point e2 = s2 + vec(game, g.armAngle2Upper, 50);
    line(game, s2, e2, c.part[8]);
    line(game, e2, e2 + vec(game, g.armAngle2Lower, 50), c.part[8]);
    drawWeapon(game, i, drop, c, eraseMode);
    fitLeg(game, h + Offset{-30, 150}, g.legAngleA, g.legLengthA, 50);
    fitLeg(game, h + Offset{15, 150}, g.legAngleB, g.legLengthB, 50);
    game.picback.drawWidth = 1;
    if (g.state == GuyState::Dead) {  // a corpse's legs are never shortened
        g.legLengthA = 150;
        g.legLengthB = 150;
    }
    const Point p1 = h + vec(game, wrap16(b + 8), 150);
    line(game, p1, p1 + vec(game, g.legAngleA, g.legLengthA), c.part[5]);
    const Point p2 = h + vec(game, wrap16(b - 8), 150);
    line(game, p2, p2 + vec(game, g.legAngleB, g.legLengthB), c.part[4]);
}

// The crawl pose; with `fitLegs` the legs are shortened to the terrain, otherwise at full length.
void drawCrawling(Game& game, int i, const Colours& c, bool fitLegs) {
    Guy& g = game.guyTable[i];
    dot(game, 2, {g.x, g.y + 125}, c.head);
    dot(game, 4, {g.x, g.y + 175}, c.part[1]);
    game.picback.drawWidth = 1;
    g.legLengthA = 100;
    g.legLengthB = 100;
    const Point s1{g.x - 40, g.y + 175};
    const Point e1 = s1 + vec(game, g.armAngle1Upper, 25);
    line(game, s1, e1, c.part[6]);
    line(game, e1, e1 + vec(game, g.armAngle1Lower, 50), c.part[6]);
    const Point s2{g.x + 30, g.y + 175};
    const Point e2 = s2 + vec(game, g.armAngle2Upper, 25);
    line(game, s2, e2, c.part[8]);
    line(game, e2, e2 + vec(game, g.armAngle2Lower, 50), c.part[8]);
    if (fitLegs) {
        fitLeg(game, {g.x - 30, g.y + 150}, g.legAngleA, g.legLengthA, 25);
        fitLeg(game, {g.x + 15, g.y + 150}, g.legAngleB, g.legLengthB, 25);
    }
    const Point hipA{g.x - 30, g.y + 175}, hipB{g.x + 15, g.y + 175};
    line(game, hipA, hipA + vec(game, g.legAngleA, g.legLengthA), c.part[4]);
    line(game, hipB, hipB + vec(game, g.legAngleB, g.legLengthB), c.part[5]);
}

void drawHanging(Game& game, int i, const Colours& c) {
    Guy& g = game.guyTable[i];
    dot(game, 2, {g.x, g.y}, c.head);
    dot(game, 4, {g.x, g.y + 75}, c.part[1]);
    dot(game, 4, {g.x, g.y + 100}, c.part[2]);
    dot(game, 4, {g.x, g.y + 150}, c.part[3]);
    game.picback.drawWidth = 1;
    g.legLengthA = 100;
    g.legLengthB = 100;
    const Point hipA{g.x - 30, g.y + 175}, hipB{g.x + 15, g.y + 175};
    line(game, hipA, hipA + vec(game, g.legAngleA, 100), c.part[4]);
    line(game, hipB, hipB + vec(game, g.legAngleB, 100), c.part[5]);
}

}  // namespace

bool fallen(const Game& game, int guyIndex) {
    const Guy& g = game.guyTable[guyIndex];
    const bool noHitPoints = guyIndex == 0 ? game.life.value == 0 : g.health == 0;
    return g.state == GuyState::Dead || (g.state == GuyState::Hurt && noHitPoints);
}

void drawguy(Game& game, int guyIndex, int eraseMode) {
    if (guyIndex < 0 || guyIndex > kControlGuys) return;
    Guy& g = game.guyTable[guyIndex];
    const Colours c = coloursFor(game, g, eraseMode);
    const float drop = fallen(game, guyIndex) ? 175.0f : 0.0f;
    if (game.keyDown[guyIndex] == 0)
        drawStanding(game, guyIndex, drop, c, eraseMode);
    else if (game.clingLeft[guyIndex] == kHeld || game.clingRight[guyIndex] == kHeld)
        drawHanging(game, guyIndex, c);
    else
        drawCrawling(game, guyIndex, c, true);
}

// Erases the crawl pose with both legs at full length, whatever length they were drawn with.
void eraseguy(Game& game, int guyIndex) {
    if (guyIndex < 0 || guyIndex > kControlGuys) return;
    drawCrawling(game, guyIndex, coloursFor(game, game.guyTable[guyIndex], 1), false);
}

}  // namespace vexlot
