#include "view/watch.h"

#include <algorithm>
#include <cmath>

#include "figure/figure.h"
#include "guys/probe.h"
#include "view/overlay.h"

namespace vexlot {

std::string timeText(int frames, double frameMs) {
    const int seconds = static_cast<int>(frames * frameMs / 1000 + 1e-6);  // 3600 frames of 1000 / 60 ms are 60 s
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

void describeGoals(const Goals& g, const Goals* best, WindowOverlay& o, double frameMs) {
    const std::string downed = std::to_string(g.downed), events = std::to_string(g.events) + "/6",
                      time = timeText(g.frames, frameMs);
    o.goals = "Downed " + downed + "   Events " + events + "   " + time;
    o.deathGoals = "Downed " + downed + "   Events " + events + "   Time " + time;
    if (!best) return;
    const Goals& b = *best;
    o.goals += "     best " + std::to_string(std::max(b.downed, g.downed)) + "  " +
               std::to_string(std::max(b.events, g.events)) + "/6  " + timeText(std::max(b.frames, g.frames), frameMs);
    auto part = [](const std::string& what, int now, int before, const std::string& shown, const std::string& bestShown) {
        return what + " " + shown + (now > before ? " (new best)" : " (best " + bestShown + ")");
    };
    o.deathGoals = part("Downed", g.downed, b.downed, downed, std::to_string(b.downed)) + "   " +
                   part("Events", g.events, b.events, events, std::to_string(b.events) + "/6") + "   " +
                   part("Time", g.frames, b.frames, time, timeText(b.frames, frameMs));
}

bool PlayWatch::down(const Game& game, int guy) { return fallen(game, guy); }

void PlayWatch::start(const Game& game) {
    goals_ = Goals();
    hurtBy_ = {};
    hurtAt_ = {};
    deadlyAt_ = fireAt_ = {};
    frames_ = 0;
    lastLife_ = {game.life.value, game.guyTable[1].health};
    for (int i = 0; i <= kMaxGuys; ++i) wasDown_[i] = down(game, i);
    goals_.events = std::clamp<int>(game.scrollStage + 1, 0, kLevelEvents);
}

HurtBy PlayWatch::touching(const Game& game, int guy) {
    const Guy& g = game.guyTable[guy];
    static constexpr float probes[4][2] = {{0, -50}, {0, 350}, {50, 150}, {-75, 150}};  // head, feet, sides
    bool hot = false;
    for (const auto& p : probes) {
        const int32_t c = probe(game, g, p[0], p[1]);
        if (isDeadly(c)) return HurtBy::DeadlyColour;
        hot = hot || isHot(c);
    }
    return hot ? HurtBy::Fire : HurtBy::Nothing;
}

// The picture's end below him, the deadly colour or fire touched lately (the game's own probes), or
// else what flies: shrapnel, shots and blasts.
HurtBy PlayWatch::classify(const Game& game, int guy) const {
    constexpr int kBleeding = 90, kBurning = 30;  // frames
    const Guy& g = game.guyTable[guy];
    if ((g.y + game.picbackTop) / Surface::kUnitsPerPixel >= kClientHeightPx) return HurtBy::Fall;
    if (deadlyAt_[guy] > 0 && frames_ - deadlyAt_[guy] <= kBleeding) return HurtBy::DeadlyColour;
    if (fireAt_[guy] > 0 && frames_ - fireAt_[guy] <= kBurning) return HurtBy::Fire;
    return HurtBy::Blast;
}

void PlayWatch::afterFrame(const Game& game) {
    const int players = game.players == 2 ? 2 : 1;
    const std::array<int, 2> life = {game.life.value, game.guyTable[1].health};
    ++frames_;
    for (int p = 0; p < players; ++p) {
        const HurtBy now = touching(game, p);
        if (now == HurtBy::DeadlyColour) deadlyAt_[p] = frames_;
        if (now == HurtBy::Fire) fireAt_[p] = frames_;
        if (life[p] < lastLife_[p] && !(lastLife_[p] < 1)) {
            hurtBy_[p] = classify(game, p);
            hurtAt_[p] = static_cast<int>(std::floor(game.guyTable[p].x / Surface::kUnitsPerPixel));
        }
        lastLife_[p] = life[p];
    }
    // Computer guys: a guy of the table counts once each time he goes down; one set up again (the
    // level brings guys back into used places) can be downed again.
    const int first = players == 2 ? 2 : 1;
    const int last = std::clamp<int>(game.lastGuy, 0, kMaxGuys);
    for (int i = first; i <= last; ++i) {
        const bool d = down(game, i);
        if (d && !wasDown_[i] && !down(game, 0)) ++goals_.downed;
        wasDown_[i] = d;
    }
    goals_.events = std::max(goals_.events, std::clamp<int>(game.scrollStage + 1, 0, kLevelEvents));
    if (!down(game, 0)) ++goals_.frames;
}

std::string PlayWatch::deathLine(int player) const {
    const char* how = nullptr;
    switch (hurtBy_[player]) {
        case HurtBy::Fire: how = "Burned by fire"; break;
        case HurtBy::DeadlyColour: how = "Touched the deadly yellow"; break;
        case HurtBy::Fall: how = "Fell past the picture's end"; break;
        case HurtBy::Blast: how = "Caught by a blast or a shot"; break;
        case HurtBy::Nothing: return "";
    }
    return std::string(how) + ", " + std::to_string(std::max(0, hurtAt_[player]) / 8) + " m into the level";
}

}  // namespace vexlot
