#include "session/synctest.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "session/dump.h"

namespace vexlot {

SyncTest::SyncTest(Session& session, int distance)
    : session_(session), distance_(std::clamp(distance, 1, kMaxSyncDistance)), ring_(kMaxSyncDistance + 2) {
    ring_.save(session_);
    hashes_.push_back(hashNow());
    events_.emplace_back();
}

uint64_t SyncTest::hashNow() {
    const float view = session_.secondViewLeft();
    uint32_t bits = 0;
    std::memcpy(&bits, &view, sizeof bits);
    return stateHash(session_.game()) ^ (bits * 0x9E3779B97F4A7C15ull);
}

bool SyncTest::step(std::span<const InputEvent> live) {
    if (mismatch_ || !session_.step(live)) return false;
    const int32_t now = session_.game().frame;
    const auto delivered = session_.lastEvents();
    events_.emplace_back(delivered.begin(), delivered.end());
    ring_.save(session_);
    hashes_.push_back(hashNow());

    const int32_t from = std::max(0, now - distance_);
    ring_.restore(session_, from);
    if (afterRestore) afterRestore(session_.game());
    for (int32_t f = from + 1; f <= now; ++f) {
        session_.step(events_[static_cast<size_t>(f)], FrameRun::Again);
        ring_.save(session_);
        ++framesAgain_;
    }
    if (session_.game().frame != now || hashNow() != hashes_[static_cast<size_t>(now)]) {
        explain(now);
        return false;
    }
    return true;
}

// The state the first run left at `frame`, made again by a game that never went back, beside the
// state the run again gave.
void SyncTest::explain(int32_t frame) {
    Session straight(session_.seed(), session_.level(), nullptr, session_.players());
    for (int32_t f = 1; f <= frame; ++f) straight.step(events_[static_cast<size_t>(f)]);
    SyncMismatch m;
    m.frame = frame;
    m.field = firstDifference(straight.game(), session_.game());
    if (m.field.empty() && straight.secondViewLeft() != session_.secondViewLeft()) m.field = "secondViewLeft";
    if (m.field.empty() && session_.game().frame != frame) m.field = "frame";
    const SoundLog none;
    m.firstDump = dumpJson(straight.game(), none, false);
    m.againDump = dumpJson(session_.game(), none, false);
    mismatch_ = std::move(m);
}

}  // namespace vexlot
