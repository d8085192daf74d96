// The rocket ship: engines that push and turn it, a parachute, bomb pods, landing and crashing,
// and its figure in the world picture.
#include <algorithm>
#include <cmath>

#include "effects/effects.h"

namespace vexlot {

namespace {

constexpr float kCrashSpeed = 30;        // faster contact than this is a crash
constexpr double kChuteBrakeSpeed = 10;  // an open parachute brakes above this speed
constexpr double kChuteRadius = 200;
constexpr double kTailReach = 2 * Surface::kUnitsPerPixel;  // beyond the pixel the tail's erase clears

// Parts in use, kept inside the inline part array (1..100).
int partCount(const Game& game, int i) {
    return std::clamp<int>(game.rocketPartCount[i], 0, kMaxRocketParts);
}

// A part's offset from the rocket's centre.
struct Offset {
    double x, y;
};
Offset partOffset(const Game& game, const RocketPart& p) {
    double a = radians(p.angle, game.pi);
    return {dcos(a) * p.radius, dsin(a) * p.radius};
}

// Pen width of a pod's dot by the rock it carries; 0 = the pod is not shown.
int16_t podPen(int16_t payloadKind) {
    switch (payloadKind) {
        case RockKind::Fragment:
        case RockKind::Bomblet:
        case RockKind::ClusterBomb:
        case RockKind::Grenade: return 2;
        case RockKind::Firebrand: return 3;
        case RockKind::DirtBomb: return 1;
        default: return 0;
    }
}

// The pod's colour, drawing the random numbers its look needs.
int32_t podColour(Game& game, int16_t payloadKind) {
    switch (payloadKind) {
        case RockKind::Firebrand: return rgb(255, cint(game.rnd() * 255.0f), 0);
        case RockKind::Bomblet: return rgb(255, 0, 127);
        case RockKind::ClusterBomb: {
            float r1 = game.rnd();
            float r2 = game.rnd();
            return rgb(cint(r1 * 255.0f), 0, cint(r2 * 127.0f));
        }
        case RockKind::Grenade: {
            float r1 = game.rnd();
            float r2 = game.rnd();
            return rgb(255, cint(r1 * 127.0f + 127.0f), cint(r2 * 127.0f + 127.0f));
        }
        default: return rgb(255, 127, 0);  // fragments and dirt bombs
    }
}

void refreshNose(Game& game, Rocket& r) {
    double h = radians(r.heading, game.pi);
    r.noseDx = cint(dcos(h) * r.halfLength);
    r.noseDy = cint(dsin(h) * r.halfLength);
}

void paintBody(Surface& s, const Rocket& r, int32_t colour) {
    s.drawWidth = 2;
    s.line(static_cast<float>(r.x + r.noseDx), static_cast<float>(r.y + r.noseDy),
           static_cast<float>(r.x - r.noseDx), static_cast<float>(r.y - r.noseDy), colour);
}

// The fuel gauge points along the heading from the engine and shrinks as the fuel burns.
void paintEngine(Game& game, const Rocket& r, const RocketPart& p, int32_t gaugeColour, int32_t dotColour) {
    Surface& s = game.picback;
    Offset o = partOffset(game, p);
    double h = radians(r.heading, game.pi);
    double ex = r.x + o.x, ey = r.y + o.y;
    s.drawWidth = 2;
    s.line(static_cast<float>(ex), static_cast<float>(ey), static_cast<float>(ex + dcos(h) * p.fuel / 2),
           static_cast<float>(ey + dsin(h) * p.fuel / 2), gaugeColour);
    s.pset(static_cast<float>(ex), static_cast<float>(ey), dotColour);
}

// The open canopy: the top of a circle above the point the rocket came from.
void paintChute(Game& game, const Rocket& r, const RocketPart& p, int32_t colour) {
    Surface& s = game.picback;
    s.drawWidth = 1;
    if (p.active != 1) return;
    s.circleArc(static_cast<float>(r.x - r.vx), static_cast<float>(r.y - r.vy), kChuteRadius,
                radians(55, game.pi), radians(125, game.pi), colour);
}

// Heading and part angles come back into 0..360 one step per frame.
float wrapDegrees(float a) {
    if (a > 360) a = a - 360;
    if (a < 0) a = a + 360;
    return a;
}

// Each burning engine turns the whole rocket by the gap between the tail and its own direction.
void applyTorque(Game& game, int i) {
    Rocket& r = game.rocketTable[i];
    const int n = partCount(game, i);
    for (int j = 1; j <= n; ++j) {
        RocketPart& p = r.parts[j];
        p.angle = wrapDegrees(p.angle);
        if (p.kind != RocketPartKind::Engine || p.active != 1) continue;
        float back = r.heading + 180 <= 360 ? r.heading + 180 : r.heading - 180;
        int16_t d = cint(back - p.angle);
        r.heading = r.heading - d;
        for (int k = 1; k <= n; ++k) r.parts[k].angle = r.parts[k].angle - d;
    }
}

// A pod lets go of its rock; the rock's velocity is the pod's own, not the rocket's.
void releasePod(Game& game, const Rocket& r, RocketPart& p) {
    p.kind = RocketPartKind::Removed;
    int k = addRock(game);
    Offset o = partOffset(game, p);
    Rock& rock = game.rockTable[k];
    rock = Rock{};  // a fresh rock, not whatever the slot held before
    rock.kind = p.payloadKind;
    rock.x = static_cast<float>(r.x + o.x);
    rock.y = static_cast<float>(r.y + o.y);
    rock.vx = p.releaseVx;
    rock.vy = p.releaseVy;
    rock.counter = 150;
}

void updatePart(Game& game, Rocket& r, RocketPart& p) {
    switch (p.kind) {
        case RocketPartKind::Engine:
            if (p.active != 1) break;
            if (p.fuel > 0) {
                double h = radians(r.heading, game.pi);
                r.vx = r.vx + dcos(h) * p.thrust;
                r.vy = r.vy + dsin(h) * p.thrust;
                p.fuel = wrap16(p.fuel - p.thrust);
            } else {
                p.active = 0;  // burnt out for good
            }
            break;
        case RocketPartKind::Parachute:
            if (p.timer > 0) {
                p.timer = wrap16(p.timer - 1);
            } else if (p.timer == 0) {
                p.timer = p.timerReload;
                p.active = 1;
            }
            if (p.active == 1 && dsqrt(r.vx * r.vx + r.vy * r.vy) > kChuteBrakeSpeed) {
                r.vx = r.vx * 0.7;
                r.vy = r.vy * 0.7;
            }
            break;
        case RocketPartKind::Pod:
            if (p.timer < 1)
                releasePod(game, r, p);
            else
                p.timer = wrap16(p.timer - 1);
            break;
        default: break;
    }
}

// Removed parts leave the list (the last part moves in and is still treated); the rest act.
void updateParts(Game& game, int i) {
    Rocket& r = game.rocketTable[i];
    int16_t& count = game.rocketPartCount[i];
    count = wrap16(partCount(game, i));
    int j = 1;
    while (j <= count) {
        RocketPart& p = r.parts[j];
        if (p.kind == RocketPartKind::Removed) {
            p = r.parts[count];
            count = wrap16(count - 1);
            continue;
        }
        updatePart(game, r, p);
        ++j;
    }
}

// The crash: three embers thrown up, a fire disc at the centre.
void crash(Game& game, Rocket& r) {
    for (int e = 0; e < 3; ++e) {
        Rock& ember = game.rockTable[addRock(game)];
        ember = Rock{};
        ember.kind = RockKind::Ember;
        ember.counter = 1000;
        ember.aux = 100;
        ember.size = 6;
        ember.x = static_cast<float>(r.x);
        ember.y = static_cast<float>(r.y);
        ember.vx = game.rnd() * 200.0f - 100.0f;
        ember.vy = game.rnd() * -200.0f;
    }
    newBlast(game, r.x, r.y, 25, 5, rgb(255, 128, 0));  // the crash fire is orange
}

// Looks where the bottom of an upright rocket will be after the move; returns true on a crash.
// The body's pen reaches a pixel past the tail, so the erase at the start of the frame clears the
// ground the tail stood on. A rocket that stood on ground last frame (soft contact left it at vx 0,
// vy = gravity) would read that hole and sink a little every frame; it also feels the ground just
// beyond its tail's reach, so it stays where it landed.
bool contact(Game& game, Rocket& r) {
    const Surface& s = game.picback;
    const double below = r.y + r.vy + r.halfLength + 2;
    int32_t p = s.point(static_cast<float>(r.x + r.vx), static_cast<float>(below));
    const bool stoodOnGround = r.vx == 0 && r.vy == game.speedFactor;
    if (p == s.backColor && stoodOnGround)
        p = s.point(static_cast<float>(r.x + r.vx), static_cast<float>(below + kTailReach));
    if (p == s.backColor) return false;
    bool crashed = dsqrt(r.vx * r.vx + r.vy * r.vy) > kCrashSpeed || (p > 255 && p < 65535);
    if (crashed) crash(game, r);
    r.vx = 0;
    r.vy = 0;
    return crashed;
}

// One rocket's frame; returns true when it crashed and is to leave the table.
bool updateRocket(Game& game, int i) {
    Rocket& r = game.rocketTable[i];
    eraserocket(game, i);
    r.heading = wrapDegrees(r.heading);
    applyTorque(game, i);
    updateParts(game, i);
    bool crashed = contact(game, r);
    r.x = r.x + r.vx;
    r.y = r.y + r.vy;
    r.vy = r.vy + game.speedFactor;
    drawrocket(game, i);
    return crashed;
}

}  // namespace

void setUpStartupRocket(Game& game) {
    game.rocketCount = 1;
    game.rocketPartCount[1] = 6;
    Rocket& r = game.rocketTable[1];
    r = Rocket{};
    r.halfLength = 100;
    r.x = formWidth / 2;
    r.y = formHeight * 0.75 - 255;
    r.heading = 270;

    // radius, angle, fuel, thrust, kind, payloadKind, timer, timerReload, active, releaseVx, releaseVy
    r.parts[1] = RocketPart{100, 135, 100, cint(1.5), RocketPartKind::Engine, 0, 0, 1000, 1, 0, 0};
    r.parts[2] = RocketPart{100, 45, 100, cint(1.5), RocketPartKind::Engine, 0, 0, 1000, 1, 0, 0};
    r.parts[3] = RocketPart{100, 270, 0, 0, RocketPartKind::Pod, RockKind::Fragment, 100, 0, 0, -105, 50};
    r.parts[4] = RocketPart{100, 270, 0, 0, RocketPartKind::Pod, RockKind::Grenade, 120, 0, 0, -50, 10};
    r.parts[5] = RocketPart{0, 0, 0, 0, RocketPartKind::Parachute, 0, 100, 0, 0, 0, 0};
    r.parts[6] = RocketPart{250, 30, 0, 0, RocketPartKind::Pod, RockKind::DirtBomb, 72, 0, 0, -80, 50};
}

void rocketPhase(Game& game) {
    game.rocketCount = wrap16(std::clamp<int>(game.rocketCount, 0, kMaxRockets));
    int i = 1;
    while (i <= game.rocketCount) {
        if (!updateRocket(game, i)) {
            ++i;
            continue;
        }
        // The wreck stays painted; the last rocket moves into the slot and is treated next.
        const int last = game.rocketCount;
        game.rocketTable[i] = game.rocketTable[last];
        game.rocketPartCount[i] = game.rocketPartCount[last];
        game.rocketCount = wrap16(last - 1);
    }
}

void drawrocket(Game& game, int i) {
    Rocket& r = game.rocketTable[i];
    Surface& s = game.picback;
    refreshNose(game, r);
    paintBody(s, r, rgb(255, 255, 255));
    const int n = partCount(game, i);
    for (int j = 1; j <= n; ++j) {
        const RocketPart& p = r.parts[j];
        switch (p.kind) {
            case RocketPartKind::Engine:
                paintEngine(game, r, p, rgb(127, 127, 255), rgb(255, 0, 0));
                if (p.active == 1) {
                    // The flame is a small yellow blast added each frame at the engine.
                    Offset o = partOffset(game, p);
                    float maxSize = game.rnd() * p.thrust + 10.0f;
                    newBlast(game, r.x + o.x, r.y + o.y, maxSize, maxSize / 5.0f, rgb(255, 255, 0));
                }
                break;
            case RocketPartKind::Parachute:
                paintChute(game, r, p, rgb(255, 255, 255));
                break;
            case RocketPartKind::Pod: {
                int16_t pen = podPen(p.payloadKind);
                if (pen == 0) break;
                int32_t colour = podColour(game, p.payloadKind);
                Offset o = partOffset(game, p);
                s.drawWidth = pen;
                s.pset(static_cast<float>(r.x + o.x), static_cast<float>(r.y + o.y), colour);
                break;
            }
            default: break;
        }
    }
}

void eraserocket(Game& game, int i) {
    Rocket& r = game.rocketTable[i];
    Surface& s = game.picback;
    refreshNose(game, r);
    paintBody(s, r, s.backColor);
    const int n = partCount(game, i);
    for (int j = 1; j <= n; ++j) {
        const RocketPart& p = r.parts[j];
        switch (p.kind) {
            case RocketPartKind::Engine:
                paintEngine(game, r, p, s.backColor, s.backColor);
                if (p.active == 1) {
                    // A burning engine clears its exhaust path, scorching terrain close below it.
                    Offset o = partOffset(game, p);
                    s.drawWidth = 4;
                    s.line(static_cast<float>(r.x + o.x), static_cast<float>(r.y + o.y),
                           static_cast<float>(r.x + p.thrust * o.x), static_cast<float>(r.y + p.thrust * o.y),
                           s.backColor);
                }
                break;
            case RocketPartKind::Parachute:
                paintChute(game, r, p, s.backColor);
                break;
            case RocketPartKind::Pod: {
                int16_t pen = podPen(p.payloadKind);
                if (pen == 0) break;
                Offset o = partOffset(game, p);
                s.drawWidth = pen;
                s.pset(static_cast<float>(r.x + o.x), static_cast<float>(r.y + o.y), s.backColor);
                break;
            }
            default: break;
        }
    }
}

}  // namespace vexlot
