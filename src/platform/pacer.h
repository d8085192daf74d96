// Frame pacing: every frame lasts at least its period, without burning a core.
#pragma once
#include <cstdint>

namespace vexlot {

struct TickSource {
    virtual ~TickSource() = default;
    virtual uint32_t now() = 0;              // milliseconds
    virtual void sleep(uint32_t ms) = 0;     // may sleep longer than asked
};

// Waits until t0 + period is no longer greater than the tick count: sleeps all but the last
// millisecond of the wait, then polls the ticks for the rest.
inline void waitFrameEnd(TickSource& ticks, uint32_t t0, uint32_t period = 16) {
    for (;;) {
        const uint32_t now = ticks.now();
        const int32_t left = static_cast<int32_t>(t0 + period - now);  // wrap-safe
        if (left <= 0) return;
        if (left > 1) ticks.sleep(static_cast<uint32_t>(left - 1));
    }
}

}  // namespace vexlot
