// Rock drawing and erasing. The colours are game rules: yellow hurts guys and never bounces a
// rock, fire colours burn guys, and mines burst on colours with no blue and some green.
#include <cstdlib>

#include "core/game.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

void dot(Surface& s, const Rock& r, int16_t width, int32_t colour) {
    s.drawWidth = width;
    s.pset(r.x, r.y, colour);
}

// The streak of a falling bomb or grenade, back along its velocity.
void tail(Surface& s, const Rock& r, int32_t colour) {
    s.drawWidth = 2;
    s.line(r.x, r.y, r.x - r.vx, r.y - r.vy, colour);
}

// The streak of a missile or laser bolt, forward along its velocity.
void nose(Surface& s, const Rock& r, int32_t colour) {
    s.drawWidth = 1;
    s.line(r.x, r.y, r.x + r.vx, r.y + r.vy, colour);
}

void mineBox(Surface& s, const Rock& r, int32_t colour) {
    s.drawWidth = 1;
    s.filledBox(r.x - 50, r.y - 100, r.x + 50, r.y + 100, colour);
}

// Each burst kind shows its letter on the mine.
void mineLetter(Surface& s, const Rock& r) {
    const char* letter = nullptr;
    int32_t colour = 0;
    switch (r.payload) {
        case MinePayload::Sparks: letter = "F"; colour = rgb(0, 200, 200); break;
        case MinePayload::Fragments: letter = "b"; colour = rgb(255, 127, 0); break;
        case MinePayload::BounceGrenade: letter = "G"; colour = rgb(0, 127, 255); break;
        case MinePayload::HeavyFragments: letter = "B"; colour = rgb(255, 127, 0); break;
        default: return;
    }
    s.currentX = r.x - 50;
    s.currentY = r.y - 75;
    s.foreColor = colour;
    s.print(letter);
}

// The time bomb glows from dark brown to yellow as its fuse runs out.
int32_t timeBombColour(int16_t aux) {
    const double left = wrap16(aux + 1);
    return rgb(cint(255 / (left / 4)), cint(255 / (left / 2)), 0);
}

// A pick-up shows its weapon's gauge colour with a brighter centre: the whole colour value times
// 1.5, whose low 24 bits are painted.
void drawPickup(Game& game, const Rock& r) {
    const int k = r.payload - 1;
    if (k < 0 || k > 9) return;  // no gauge for that weapon: nothing to show
    const int32_t f = game.ammo[k].foreColor;
    dot(game.picback, r, 3, f);
    dot(game.picback, r, 1, clng(f * 1.5));
}

}  // namespace

void drawrock(Game& game, int i) {
    Surface& s = game.picback;
    const Rock& r = game.rockTable[i];
    switch (r.kind) {
        case RockKind::Spark: dot(s, r, wrap16(r.counter + 1), kYellow); break;
        case RockKind::Fragment: dot(s, r, 2, rgb(255, 127, 0)); break;
        case RockKind::Firebrand: dot(s, r, 3, rgb(255, cint(game.rnd() * 255), 0)); break;
        case RockKind::Bomblet: tail(s, r, rgb(255, 0, 127)); break;
        case RockKind::ClusterBomb: {
            const int red = cint(game.rnd() * 255);
            tail(s, r, rgb(red, 0, cint(game.rnd() * 127)));
            break;
        }
        case RockKind::Grenade: {
            const int green = cint(game.rnd() * 127 + 127);
            tail(s, r, rgb(255, green, cint(game.rnd() * 127 + 127)));
            break;
        }
        case RockKind::BigGrenade: tail(s, r, rgb(255, cint(game.rnd() * 255), 0)); break;
        case RockKind::DirtBomb: dot(s, r, 1, rgb(255, 124, 23)); break;
        case RockKind::Pellet:
        case RockKind::Shell: dot(s, r, 1, rgb(200, 200, 200)); break;
        case RockKind::BounceGrenade: dot(s, r, 2, rgb(0, 127, 255)); break;
        case RockKind::Casing: {
            // Points the way the player faces, so it turns when the player does.
            const float end = game.facing[0] == facingLeft ? r.x - 50 : r.x + 50;
            s.drawWidth = 1;
            s.line(r.x, r.y, end, r.y, rgb(100, 100, 0));
            s.pset(r.x, r.y, rgb(200, 200, 0));
            break;
        }
        case RockKind::Missile:
            nose(s, r, rgb(0, 127, 127));
            dot(s, r, 2, rgb(255, cint(game.rnd() * 255), 0));
            break;
        case RockKind::HeavyFragment: dot(s, r, 2, rgb(255, 0, 0)); break;
        case RockKind::TimeBomb:
            dot(s, r, 3, timeBombColour(r.aux));
            dot(s, r, 1, rgb(255, 0, 0));
            break;
        case RockKind::LaserBolt: nose(s, r, rgb(std::abs(r.aux), cint(std::abs(r.aux / 4.0)), 0)); break;
        case RockKind::AmmoPickup: drawPickup(game, r); break;
        case RockKind::Mine:
            mineBox(s, r, rgb(100, 100, 127));
            mineLetter(s, r);
            break;
        default: break;  // dead, never drawn (embers, flames), or not a kind
    }
}

void eraserock(Game& game, int i) {
    Surface& s = game.picback;
    const Rock& r = game.rockTable[i];
    const int32_t back = s.backColor;
    switch (r.kind) {
        case RockKind::Spark: dot(s, r, wrap16(r.counter + 1), back); break;
        case RockKind::Fragment:
        case RockKind::BounceGrenade:
        case RockKind::HeavyFragment: dot(s, r, 2, back); break;
        case RockKind::Firebrand:
        case RockKind::TimeBomb:
        case RockKind::AmmoPickup: dot(s, r, 3, back); break;
        case RockKind::Bomblet:
        case RockKind::ClusterBomb:
        case RockKind::Grenade:
        case RockKind::BigGrenade: tail(s, r, back); break;
        case RockKind::DirtBomb:
        case RockKind::Pellet:
        case RockKind::Shell: dot(s, r, 1, back); break;
        case RockKind::Casing:
            // Both ways the casing may have been drawn.
            s.drawWidth = 1;
            s.line(r.x - 50, r.y, r.x + 50, r.y, back);
            break;
        case RockKind::Missile:
            nose(s, r, back);
            dot(s, r, 2, back);
            break;
        case RockKind::LaserBolt: nose(s, r, back); break;
        case RockKind::Mine: mineBox(s, r, back); break;
        default: break;
    }
}

}  // namespace vexlot
