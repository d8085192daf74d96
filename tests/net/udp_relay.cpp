#include "net/udp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "soak/random_input.h"

namespace vexlot::net::test {

namespace {
sockaddr_in loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

UdpRelay::UdpRelay(uint16_t targetPort, RelayConditions conditions, uint64_t seed)
    : target_(targetPort), conditions_(conditions), seed_(seed) {
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket_ < 0) throw std::runtime_error("relay: no socket");
    sockaddr_in a = loopback(0);
    socklen_t n = sizeof a;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
        ::close(socket_);
        throw std::runtime_error("relay: cannot bind 127.0.0.1");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

UdpRelay::~UdpRelay() {
    stop_ = true;
    thread_.join();
    ::close(socket_);
}

void UdpRelay::run() {
    struct Held {
        int64_t due;
        sockaddr_in to;
        std::vector<uint8_t> bytes;
    };
    std::vector<Held> held;
    soak::SoakRng rng(seed_);
    sockaddr_in client{};
    bool haveClient = false;
    const sockaddr_in target = loopback(target_);
    std::vector<uint8_t> buffer(65536);
    while (!stop_) {
        const int64_t now = nowMs();
        // Send what is due, in order of due time.
        std::sort(held.begin(), held.end(), [](const Held& x, const Held& y) { return x.due < y.due; });
        size_t k = 0;
        for (; k < held.size() && held[k].due <= now; ++k) {
            ::sendto(socket_, held[k].bytes.data(), held[k].bytes.size(), 0, reinterpret_cast<const sockaddr*>(&held[k].to),
                     sizeof held[k].to);
            ++forwarded_;
        }
        held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(k));
        const int wait = held.empty() ? 10 : static_cast<int>(std::clamp<int64_t>(held.front().due - now, 0, 10));
        pollfd p{socket_, POLLIN, 0};
        if (::poll(&p, 1, wait) <= 0) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t got = ::recvfrom(socket_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (got < 0) continue;
        const bool fromTarget = from.sin_port == target.sin_port && from.sin_addr.s_addr == target.sin_addr.s_addr;
        if (!fromTarget && !haveClient) {
            client = from;
            haveClient = true;
        }
        if (!fromTarget && (from.sin_port != client.sin_port || from.sin_addr.s_addr != client.sin_addr.s_addr)) continue;
        if (rng.chance(conditions_.loss)) {
            ++lost_;
            continue;
        }
        const int copies = rng.chance(conditions_.duplicate) ? 2 : 1;
        repeated_ += copies - 1;
        for (int c = 0; c < copies; ++c) {
            const int spread = conditions_.maxDelayMs - conditions_.minDelayMs;
            const int64_t delay = conditions_.minDelayMs + (spread > 0 ? rng.below(spread + 1) : 0);
            held.push_back({nowMs() + delay, fromTarget ? client : target,
                            std::vector<uint8_t>(buffer.begin(), buffer.begin() + got)});
        }
    }
}

}  // namespace vexlot::net::test
