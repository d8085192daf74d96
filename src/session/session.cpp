#include "session/session.h"
#include "game/play.h"

#include <cinttypes>
#include <cstdio>
#include <stdexcept>

#include "session/dump.h"
#include "session/files.h"

namespace vexlot {

namespace {

std::string pictureTag(const Picture& p) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint32_t v) {
        for (int b = 0; b < 4; ++b) {
            h ^= (v >> (8 * b)) & 255u;
            h *= 1099511628211ull;
        }
    };
    mix(static_cast<uint32_t>(p.width));
    mix(static_cast<uint32_t>(p.height));
    for (int32_t c : p.pixels) mix(static_cast<uint32_t>(c));
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016" PRIx64, h);
    return buf;
}

std::string describeLevel(const std::string& tag) {
    return tag == kBuiltinLevel ? "the built-in level" : "the level picture " + tag;
}

}  // namespace

Level builtinLevel() { return Level{}; }

Level levelFromFile(const std::string& path) {
    const std::string bytes = readInputFile(path, kLevelLimit);
    Level level;
    try {
        level.picture = decodeLevelPicture(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    } catch (const std::exception& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    level.tag = pictureTag(level.picture);
    return level;
}

Session::Session(uint64_t seed, Level level, SoundSink* sounds, int players, TwoPlayerRules rules)
    : seed_(seed), level_(std::move(level)), game_(std::make_unique<Game>()) {
    game_->soundSink = sounds;
    startup(*game_, seed_, level_.picture.pixels.empty() ? levelPicture() : level_.picture);
    if (players == 2) startTwoPlayerGame(*game_, rules);
}

void Session::play(Script script) {
    // A replay is of one number of players; a script of one player's keys plays in any game.
    if ((script.isReplay || script.players == 2) && script.players != players())
        throw std::runtime_error("it is a game of " + std::to_string(script.players) + " player(s), this game has " +
                                 std::to_string(players()));
    if (script.players == 2 && players() == 2) {
        const TwoPlayerRules mine = rules();
        if (script.rules.versus != mine.versus)
            throw std::runtime_error(std::string(script.rules.versus ? "it is a game of the versus rules" : "it is a game of the first two-player rules") +
                                     ", this game is not (replays say so in their header)");
        if (script.rules.duel != mine.duel)
            throw std::runtime_error(script.rules.duel ? "it is a duel (no computer guys), this game is not (give --duel)"
                                                       : "it is a game with computer guys, this game is a duel");
    }
    if (script.isReplay) {
        if (script.seed != seed_)
            throw std::runtime_error("the replay's seed is " + std::to_string(script.seed) + ", this game's " +
                                     std::to_string(seed_));
        if (script.level != level_.tag)
            throw std::runtime_error("the replay was recorded on " + describeLevel(script.level) + ", this game has " +
                                     describeLevel(level_.tag) +
                                     (script.level == kBuiltinLevel ? "" : " (give the same picture with --level)"));
    }
    script_ = std::move(script);
    nextEvent_ = nextCheck_ = 0;
    checksPassed_ = 0;
    mismatch_.reset();
}

void Session::record(LineOutput& out) { recorder_.emplace(out, seed_, level_.tag, players(), rules()); }

bool Session::step(std::span<const InputEvent> live, FrameRun run) {
    if (game_->ended) return false;
    const int frame = game_->frame + 1;
    events_.clear();
    while (nextEvent_ < script_.events.size() && script_.events[nextEvent_].frame <= frame)
        events_.push_back(script_.events[nextEvent_++].event);
    events_.insert(events_.end(), live.begin(), live.end());
    SoundSink* sounds = game_->soundSink;
    if (run == FrameRun::Again) game_->soundSink = nullptr;
    const bool going = runFrame(*game_, events_);
    game_->soundSink = sounds;
    if (game_->players == 2) {
        const Guy& second = game_->guyTable[1];
        frame_.secondViewLeft = followScroll(frame_.secondViewLeft, second.x, second.vx);
    }
    if (run == FrameRun::Again) return going;  // recorded and checked the first time it ran
    if (recorder_) recorder_->frame(*game_, events_);
    while (nextCheck_ < script_.checks.size() && script_.checks[nextCheck_].frame <= game_->frame) {
        const Checkpoint& c = script_.checks[nextCheck_++];
        const uint64_t got = stateHash(*game_);
        if (got == c.stateHash && c.frame == game_->frame) {
            ++checksPassed_;
            continue;
        }
        if (!mismatch_) {
            const int from = nextCheck_ >= 2 ? script_.checks[nextCheck_ - 2].frame + 1 : 1;
            mismatch_ = Mismatch{c.frame, c.line, std::min(from, game_->frame), c.stateHash, got};
        }
    }
    if (!going) {
        // The game ended before checkpoints the replay still has: it went another way.
        if (nextCheck_ < script_.checks.size() && !mismatch_) {
            const Checkpoint& c = script_.checks[nextCheck_];
            mismatch_ = Mismatch{c.frame, c.line, game_->frame, c.stateHash, stateHash(*game_)};
        }
        finish();
    }
    return going;
}

void Session::finish() {
    if (recorder_) recorder_->end(*game_);
}

}  // namespace vexlot
