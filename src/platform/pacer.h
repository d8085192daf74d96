// Frame pacing: every frame lasts at least its period, without burning a core.
#pragma once
#include <cstdint>

namespace vexlot {

struct TickSource {
    virtual ~TickSource() = default;
    virtual uint32_t now() = 0;              // milliseconds
    virtual void sleep(uint32_t ms) = 0;     // may sleep longer than asked
};

// Waits until `deadline` is no longer greater than the tick count: sleeps all but the last
// millisecond of the wait, then polls the ticks for the rest.
inline void waitUntil(TickSource& ticks, uint32_t deadline) {
    for (;;) {
        const int32_t left = static_cast<int32_t>(deadline - ticks.now());  // wrap-safe
        if (left <= 0) return;
        if (left > 1) ticks.sleep(static_cast<uint32_t>(left - 1));
    }
}

// Schedules each frame from an absolute deadline one period after the last, so sleeping late never
// adds up to drift; a frame that runs long is not shortened and later frames are not hurried.
class FramePacer {
public:
    explicit FramePacer(TickSource& ticks, uint32_t period = 16) : ticks_(ticks), period_(period), deadline_(ticks.now()) {}
    void wait() {
        deadline_ += period_;
        const uint32_t now = ticks_.now();
        if (static_cast<int32_t>(deadline_ - now) < 0) deadline_ = now;  // late: start afresh from now
        waitUntil(ticks_, deadline_);
    }
    void restart() { deadline_ = ticks_.now(); }
    void setPeriod(uint32_t period) { period_ = period; }

private:
    TickSource& ticks_;
    uint32_t period_;
    uint32_t deadline_;
};

}  // namespace vexlot
