#include "net/rollback.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "game/play.h"
#include "session/dump.h"

namespace vexlot::net {

namespace {

constexpr size_t kInputWindow = 128;  // frames of input kept per player; newer ones are refused
constexpr size_t kKeptChecks = 8;      // checkpoint hashes kept per side while waiting for the other's
static_assert(kRingFrames >= kMaxAhead + 2, "the ring holds the confirmed frame and every frame run past it");

bool sameEvent(const InputEvent& a, const InputEvent& b) {
    return a.type == b.type && a.code == b.code && std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y) && a.name == b.name;
}

bool sameEvents(const std::vector<InputEvent>& a, const std::vector<InputEvent>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameEvent);
}

std::string hex16(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016" PRIx64, v);
    return buf;
}

}  // namespace

// Passes the replay's lines on and keeps the state hash of the last checkpoint line, which the
// peers compare (the writer has just worked it out; working it out again would cost as much).
struct Netplay::RecordTap : LineOutput {
    LineOutput* next = nullptr;
    int32_t checkFrame = -1;
    uint64_t checkHash = 0;
    void writeLine(const std::string& line) override {
        int frame = 0;
        unsigned long long hash = 0;
        if (std::sscanf(line.c_str(), "%d check %16llx", &frame, &hash) == 2) {
            checkFrame = frame;
            checkHash = hash;
        }
        if (next) next->writeLine(line);
    }
};

Netplay::Netplay(Link& link, MatchSetup setup)
    : link_(link),
      setup_(std::move(setup)),
      session_(setup_.seed, setup_.level, setup_.sounds, 2),
      ring_(kRingFrames),
      tap_(std::make_unique<RecordTap>()),
      local_(kInputWindow),
      remote_(kInputWindow),
      ownChecks_(kKeptChecks),
      remoteChecks_(kKeptChecks) {
    setup_.inputDelay = std::clamp(setup_.inputDelay, 0, kMaxInputDelay);
    setup_.localPlayer = setup_.localPlayer == 0 ? 0 : 1;
    tap_->next = setup_.record;
    writer_ = std::make_unique<ReplayWriter>(*tap_, setup_.seed, session_.level().tag, 2, session_.rules());
    for (int32_t f = 1; f <= setup_.inputDelay; ++f) scheduleLocal(f, {});
    ring_.save(session_);
}

Netplay::~Netplay() = default;

void Netplay::scheduleLocal(int32_t frame, std::span<const InputEvent> live) {
    FrameInput& slot = localSlot(frame);
    slot.frame = frame;
    slot.events.clear();
    auto add = [&](InputEvent e) {
        e.player = setup_.localPlayer;
        if (slot.events.size() < static_cast<size_t>(kMaxEventsPerFrame) && normalizeEvent(e))
            slot.events.push_back(std::move(e));
    };
    const auto& script = setup_.script.events;
    while (nextScriptEvent_ < script.size() && script[nextScriptEvent_].frame <= frame) {
        if (script[nextScriptEvent_].frame == frame) add(script[nextScriptEvent_].event);
        ++nextScriptEvent_;
    }
    for (const InputEvent& e : live) add(e);
    scheduledUpTo_ = frame;
}

bool Netplay::tick(std::span<const InputEvent> local, uint64_t nowMs) {
    if (outcome_ != Outcome::Playing) return false;
    const auto t0 = std::chrono::steady_clock::now();
    if (!started_) {
        started_ = true;
        lastHeardMs_ = nowMs;
    }
    for (InputEvent e : local) pendingLive_.push_back(std::move(e));

    receiveAll(nowMs);
    if (outcome_ != Outcome::Playing) return false;
    settle();

    Game& game = session_.game();
    const bool over = game.ended || (setup_.lastFrame > 0 && game.frame >= setup_.lastFrame);
    const bool allConfirmed = confirmed_ == game.frame;
    // The end: every frame confirmed here, this peer's Done sent, the other's Done compared.
    if (over && allConfirmed && finishMatch()) return false;
    // Three rules, each on its own: the other peer left, or went silent (nothing new from it: no
    // new input, acknowledgement, check or Done, whatever else it sends), whether or not it said it
    // was done; a peer done but gone before this one could finish is gone all the same.
    const bool silent = nowMs - lastHeardMs_ > kSilenceMs;
    if (!link_.open() || silent) {
        const std::string when = over && allConfirmed ? " before confirming the final state" : "";
        end(Outcome::Disconnected, !link_.open() ? "the other player left" + when + ": the match ends"
                                                 : "the other player has been silent for 3 s" + when + ": the match ends");
        return false;
    }
    if (!over) advance();
    sendInputs();
    link_.flush();
    stats_.worstTickMs = std::max(
        stats_.worstTickMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    return true;
}

// Sends this peer's Done once, and ends the match when the other's has come: the same last frame
// and final state, and every checkpoint of this peer agreed by the other. True once ended.
bool Netplay::finishMatch() {
    const Game& game = session_.game();
    const uint64_t hash = stateHash(game);
    if (!sentDone_) {
        sentDone_ = true;
        sendReliable(Done{static_cast<uint32_t>(game.frame), hash});
        link_.flush();
    }
    if (!remoteDone_) return false;
    if (remoteDoneFrame_ != game.frame || remoteDoneHash_ != hash) {
        end(Outcome::Desync, "the games differ at the end: frame " + std::to_string(game.frame) + " state hash " +
                                 hex16(hash) + " here, the other player's frame " + std::to_string(remoteDoneFrame_) +
                                 " state hash " + hex16(remoteDoneHash_) + ": the match is not vouched for");
        return true;
    }
    if (stats_.checksCompared < ownCheckCount_) {
        end(Outcome::Desync, "the other player's state checks never arrived (" + std::to_string(stats_.checksCompared) +
                                 " of " + std::to_string(ownCheckCount_) + " agreed): the match is not vouched for");
        return true;
    }
    end(Outcome::Finished, "the match is over at frame " + std::to_string(game.frame) + " (final state agreed)");
    return true;
}

void Netplay::advance() {
    Game& game = session_.game();
    const int32_t next = game.frame + 1;
    if (next > remoteConfirmed_ + kMaxAhead) {
        ++stats_.waits;
        return;
    }
    // Slowing down to the other peer: each side sees the other `advantage` frames behind, the
    // network's delay counted on both; half the difference is how far this peer really is ahead.
    if (heardInputs_ && (next - 1 - remoteFrame_) - remoteAdvantage_ >= 3 && next - lastSkip_ > 6) {
        lastSkip_ = next;
        ++stats_.waits;
        return;
    }
    scheduleLocal(next + setup_.inputDelay, pendingLive_);
    pendingLive_.clear();
    runFrame(next, false);
    afterRun(next);
}

void Netplay::frameEvents(int32_t frame, std::vector<InputEvent>& out) {
    out.clear();
    for (int p = 0; p < 2; ++p) {
        FrameInput& slot = p == setup_.localPlayer ? localSlot(frame) : remoteSlot(frame);
        if (slot.frame == frame) out.insert(out.end(), slot.events.begin(), slot.events.end());
    }
}

void Netplay::runFrame(int32_t frame, bool again) {
    Game& game = session_.game();
    frameEvents(frame, frameEvents_);
    session_.step(frameEvents_, again ? FrameRun::Again : FrameRun::First);
    if (frame == setup_.desyncTestFrame) {
        // Tests: this peer's world differs from the other's by one pixel from here on.
        const double x = 100.5 * Surface::kUnitsPerPixel, y = 100.5 * Surface::kUnitsPerPixel;
        game.picback.filledBox(x, y, x, y, game.picback.point(x, y) ^ 0xFFFFFF);
    }
    ring_.save(session_);
}

void Netplay::afterRun(int32_t frame) {
    if (confirmed_ == frame - 1 && remoteKnown(frame)) confirmFrame(frame);
}

void Netplay::settle() {
    Game& game = session_.game();
    int32_t last = confirmed_;
    while (last < game.frame && remoteKnown(last + 1)) ++last;
    // A checkpoint frame older than the newest needs its state to be recorded and compared: the
    // game runs again from it, as after a wrong prediction.
    int32_t from = firstWrong_ ? firstWrong_ : game.frame + 1;
    for (int32_t f = confirmed_ + 1; f <= last && f < from; ++f)
        if (f % kCheckpointFrames == 0 && f < game.frame) from = f;
    // Frames before it ran on the right events: confirmed as they are.
    while (confirmed_ < std::min(last, from - 1)) confirmFrame(confirmed_ + 1);
    if (from <= game.frame) {
        const bool wrong = firstWrong_ != 0;
        firstWrong_ = 0;
        rerunFrom(from, wrong);
    }
    while (confirmed_ < game.frame && remoteKnown(confirmed_ + 1)) confirmFrame(confirmed_ + 1);
}

void Netplay::rerunFrom(int32_t from, bool wrongPrediction) {
    Game& game = session_.game();
    const int32_t present = game.frame;
    ring_.restore(session_, from - 1);
    for (int32_t f = from; f <= present && !game.ended; ++f) {
        runFrame(f, true);
        afterRun(f);
    }
    const int32_t frames = present - from + 1;
    stats_.framesRerun += frames;
    if (wrongPrediction) {
        ++stats_.rollbacks;
        stats_.longestRollback = std::max(stats_.longestRollback, frames);
    }
}

void Netplay::confirmFrame(int32_t frame) {
    Game& game = session_.game();
    frameEvents(frame, frameEvents_);
    if (game.frame == frame) {
        writer_->frame(game, frameEvents_);
    } else {
        // An older frame that is not a checkpoint: the writer reads only its number from the game
        // (settle() runs checkpoint frames again so that they are recorded from their own state).
        const int32_t present = game.frame;
        const bool ended = game.ended;
        game.frame = frame;
        game.ended = false;
        writer_->frame(game, frameEvents_);
        game.frame = present;
        game.ended = ended;
    }
    confirmed_ = frame;
    if (tap_->checkFrame == frame) {
        Check& own = ownChecks_[static_cast<size_t>(frame / kCheckpointFrames) % kKeptChecks];
        own = Check{frame, tap_->checkHash};
        sendReliable(StateCheck{static_cast<uint32_t>(frame), tap_->checkHash});
        ++ownCheckCount_;
        compareChecks();
    }
}

void Netplay::compareChecks() {
    for (size_t k = 0; k < kKeptChecks && outcome_ == Outcome::Playing; ++k) {
        Check& own = ownChecks_[k];
        Check& theirs = remoteChecks_[k];
        if (own.frame == 0 || own.frame != theirs.frame) continue;
        if (own.hash != theirs.hash) {
            sendReliable(Desync{static_cast<uint32_t>(own.frame)});
            end(Outcome::Desync, "the games differ at frame " + std::to_string(own.frame) + " (state hash here " +
                                     hex16(own.hash) + ", the other player's " + hex16(theirs.hash) +
                                     "): the match is stopped");
            return;
        }
        ++stats_.checksCompared;
        lastCompared_ = own.frame;
        heard_ = true;
        own = theirs = Check{};
    }
}

void Netplay::receiveAll(uint64_t nowMs) {
    std::vector<uint8_t> bytes;
    Message m;
    while (outcome_ == Outcome::Playing && link_.receive(bytes)) {
        ++stats_.messagesIn;
        if (!decode(bytes, m)) {
            ++stats_.malformed;
            continue;
        }
        heard_ = false;
        handle(m);
        if (heard_) lastHeardMs_ = nowMs;  // only news counts: repeats and pings do not keep a match going
    }
}

void Netplay::handle(const Message& m) {
    if (const auto* inputs = std::get_if<Inputs>(&m)) {
        takeInputs(*inputs);
    } else if (const auto* check = std::get_if<StateCheck>(&m)) {
        takeCheck(*check);
    } else if (const auto* desync = std::get_if<Desync>(&m)) {
        end(Outcome::Desync, "the other player's game differs from this one at frame " + std::to_string(desync->frame) +
                                 ": the match is stopped");
    } else if (const auto* done = std::get_if<Done>(&m)) {
        if (remoteDone_) {
            ++stats_.stale;
            return;
        }
        remoteDone_ = true;
        remoteDoneFrame_ = static_cast<int32_t>(std::min<uint32_t>(done->frame, kMaxFrames));
        remoteDoneHash_ = done->hash;
        heard_ = true;
    } else if (const auto* refuse = std::get_if<Refuse>(&m)) {
        end(Outcome::Disconnected, "the other player left: " + quoteText(refuse->reason, 100));
    } else {
        ++stats_.stale;  // a handshake message after the start: a repeat, or not for us
    }
}

void Netplay::takeInputs(const Inputs& m) {
    Game& game = session_.game();
    bool news = false;
    const int32_t acked = static_cast<int32_t>(std::min<uint32_t>(m.ack, kMaxFrames));
    const int32_t confirmedBefore = remoteConfirmed_;
    bool ackNews = false;
    if (acked > ackedByRemote_ && acked <= scheduledUpTo_) {
        ackedByRemote_ = acked;
        news = ackNews = true;
    }
    const int32_t theirFrame = static_cast<int32_t>(std::min<uint32_t>(m.frame, kMaxFrames));
    if (theirFrame >= remoteFrame_) {
        news |= theirFrame > remoteFrame_;
        remoteFrame_ = theirFrame;
        remoteAdvantage_ = m.advantage;
        heardInputs_ = true;
    }
    const int remotePlayer = 1 - setup_.localPlayer;
    for (size_t i = 0; i < m.frames.size(); ++i) {
        const int32_t f = static_cast<int32_t>(m.first + i);  // first <= kMaxFrames: no overflow
        if (f <= confirmed_ || f > confirmed_ + static_cast<int32_t>(kInputWindow)) continue;
        FrameInput& slot = remoteSlot(f);
        if (slot.frame == f) {
            if (!sameEvents(slot.events, m.frames[i])) ++stats_.conflicting;
            continue;
        }
        slot.frame = f;
        slot.events = m.frames[i];
        for (InputEvent& e : slot.events) e.player = remotePlayer;
        news = true;
        // The frame ran predicting no events from the other player: wrong if it had some.
        if (f <= game.frame && !slot.events.empty() && (firstWrong_ == 0 || f < firstWrong_)) firstWrong_ = f;
    }
    while (remoteSlot(remoteConfirmed_ + 1).frame == remoteConfirmed_ + 1) ++remoteConfirmed_;
    if (!news) ++stats_.stale;
    // Heard: the other player's input went further, or it has more of ours. A claimed frame or
    // events far ahead are not enough.
    heard_ |= ackNews || remoteConfirmed_ > confirmedBefore;
}

void Netplay::takeCheck(const StateCheck& m) {
    const int32_t f = static_cast<int32_t>(std::min<uint32_t>(m.frame, kMaxFrames));
    if (f <= lastCompared_ || f % kCheckpointFrames != 0 || f > confirmed_ + static_cast<int32_t>(kInputWindow)) {
        ++stats_.stale;
        return;
    }
    remoteChecks_[static_cast<size_t>(f / kCheckpointFrames) % kKeptChecks] = Check{f, m.hash};
    compareChecks();
}

void Netplay::sendInputs() {
    Inputs m;
    const Game& game = session_.game();
    m.ack = static_cast<uint32_t>(remoteConfirmed_);
    m.frame = static_cast<uint32_t>(game.frame);
    m.advantage = static_cast<int8_t>(std::clamp(game.frame - remoteFrame_, -128, 127));
    const int32_t first =
        std::max({ackedByRemote_ + 1, scheduledUpTo_ - static_cast<int32_t>(kInputWindow) + 1, int32_t{1}});
    m.first = static_cast<uint32_t>(first);
    size_t bytes = 24;
    for (int32_t f = first; f <= scheduledUpTo_ && m.frames.size() < static_cast<size_t>(kMaxFramesPerPacket); ++f) {
        const FrameInput& slot = localSlot(f);
        if (slot.frame != f) break;
        bytes += frameBytes(slot.events);
        if (bytes > kPacketBudget && !m.frames.empty()) break;
        m.frames.push_back(slot.events);
    }
    link_.send(encode(m), false);
    ++stats_.messagesOut;
}

void Netplay::sendReliable(const Message& m) {
    link_.send(encode(m), true);
    ++stats_.messagesOut;
}

void Netplay::quit(const std::string& why) {
    if (outcome_ != Outcome::Playing) return;
    sendReliable(Refuse{why});
    end(Outcome::Quit, "you left the match: " + why);
}

void Netplay::end(Outcome outcome, const std::string& message) {
    Game& game = session_.game();
    // The recording holds confirmed frames only: the game goes back to the last one for its end line.
    if (game.frame > confirmed_ && ring_.has(confirmed_)) ring_.restore(session_, confirmed_);
    writer_->end(game);
    link_.flush();
    outcome_ = outcome;
    message_ = message;
}

}  // namespace vexlot::net
