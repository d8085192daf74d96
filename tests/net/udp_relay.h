// A small UDP proxy on 127.0.0.1 for the network tests: datagrams between a client and a target
// port are held back 50-150 ms (each its own delay, so they overtake each other), some lost, some
// sent twice. It runs on its own thread until destroyed.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

namespace vexlot::net::test {

struct RelayConditions {
    int minDelayMs = 50, maxDelayMs = 150;
    double loss = 0.05, duplicate = 0.05;
};

class UdpRelay {
public:
    UdpRelay(uint16_t targetPort, RelayConditions conditions, uint64_t seed);
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    uint16_t port() const { return port_; }  // where the client sends
    int64_t forwarded() const { return forwarded_; }
    int64_t lost() const { return lost_; }
    int64_t repeated() const { return repeated_; }

private:
    void run();

    int socket_ = -1;
    uint16_t port_ = 0, target_ = 0;
    RelayConditions conditions_;
    uint64_t seed_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> forwarded_{0}, lost_{0}, repeated_{0};
    std::thread thread_;
};

}  // namespace vexlot::net::test
