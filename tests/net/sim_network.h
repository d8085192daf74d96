// A simulated network between two peers for the rollback tests: each message arrives after a delay
// drawn from a range (so messages overtake each other), may be lost or repeated; reliable messages
// are never lost and arrive in order. Time is the test's own; everything is drawn from one seeded
// generator, so a test plays the same way every time.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "net/rollback.h"
#include "soak/random_input.h"

namespace vexlot::net::test {

struct Conditions {
    int minDelayMs = 0, maxDelayMs = 0;  // one way
    double loss = 0, duplicate = 0;      // chances per unreliable message
};

class SimNetwork {
public:
    SimNetwork(Conditions c, uint64_t seed) : conditions_(c), rng_(seed), ends_{End(*this, 0), End(*this, 1)} {}
    SimNetwork(const SimNetwork&) = delete;

    struct End : Link {
        End(SimNetwork& n, int which) : net(&n), side(which) {}
        void send(std::span<const uint8_t> bytes, bool reliable) override { net->post(side, bytes, reliable); }
        bool receive(std::vector<uint8_t>& bytes) override {
            if (inbox.empty()) return false;
            bytes = std::move(inbox.front());
            inbox.pop_front();
            return true;
        }
        bool open() const override { return !left; }
        SimNetwork* net;
        int side;
        std::deque<std::vector<uint8_t>> inbox;
        bool cut = false;   // this side's messages no longer go out
        bool left = false;  // the other side has disconnected (as this side sees it)
    };
    End& end(int side) { return ends_[side]; }

    // Moves every message due by `nowMs` into its receiver's inbox, in order of arrival.
    void deliver(uint64_t nowMs) {
        now_ = nowMs;
        std::stable_sort(inFlight_.begin(), inFlight_.end(),
                         [](const Flight& a, const Flight& b) { return a.due < b.due; });
        size_t k = 0;
        for (; k < inFlight_.size() && inFlight_[k].due <= nowMs; ++k)
            ends_[inFlight_[k].to].inbox.push_back(std::move(inFlight_[k].bytes));
        inFlight_.erase(inFlight_.begin(), inFlight_.begin() + static_cast<std::ptrdiff_t>(k));
    }
    // A message handed straight to a side, as if from the other peer (garbage, replays).
    void inject(int to, std::vector<uint8_t> bytes) { ends_[to].inbox.push_back(std::move(bytes)); }
    const std::vector<std::vector<uint8_t>>& sentBy(int side) const { return sent_[side]; }

private:
    struct Flight {
        uint64_t due;
        int to;
        std::vector<uint8_t> bytes;
    };
    void post(int from, std::span<const uint8_t> bytes, bool reliable) {
        if (ends_[from].cut) return;
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        if (sent_[from].size() < 4096) sent_[from].push_back(copy);
        const int to = 1 - from;
        if (reliable) {
            // In order: never earlier than the last reliable message to the same side.
            lastReliable_[to] = std::max(lastReliable_[to], now_ + static_cast<uint64_t>(conditions_.maxDelayMs));
            inFlight_.push_back({lastReliable_[to], to, std::move(copy)});
            return;
        }
        if (rng_.chance(conditions_.loss)) return;
        const int copies = rng_.chance(conditions_.duplicate) ? 2 : 1;
        for (int c = 0; c < copies; ++c) {
            const int spread = conditions_.maxDelayMs - conditions_.minDelayMs;
            const uint64_t delay = static_cast<uint64_t>(conditions_.minDelayMs + (spread > 0 ? rng_.below(spread + 1) : 0));
            inFlight_.push_back({now_ + delay, to, copy});
        }
    }

    Conditions conditions_;
    soak::SoakRng rng_;
    End ends_[2];
    std::vector<Flight> inFlight_;
    uint64_t now_ = 0;
    uint64_t lastReliable_[2] = {0, 0};
    std::vector<std::vector<uint8_t>> sent_[2];
};

}  // namespace vexlot::net::test
