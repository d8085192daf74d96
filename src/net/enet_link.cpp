#include "net/enet_link.h"

#include <enet/enet.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "net/net_runner.h"
#include "net/packet.h"

namespace vexlot::net {

namespace {

constexpr size_t kChannels = 2;
constexpr uint8_t kReliableChannel = 0, kInputChannel = 1;
// ENet reads at most 256 datagrams a call and stops at an empty one as if none were left: the
// socket is read again while it has more, this many times at most per service.
constexpr int kMaxReadsPerService = 256;
// A host has room for more connections than the one it plays with: a forged or half-made connection
// request (which ENet keeps until it times out) cannot take the only place and keep the real joiner out.
constexpr size_t kHostPlaces = 4;

void initialise() {
    static const bool ready = [] {
        if (enet_initialize() != 0) throw NetError("cannot start the network layer (ENet)");
        std::atexit(enet_deinitialize);
        return true;
    }();
    (void)ready;
}

// No message of ours is larger than kMaxPacketBytes: ENet refuses bigger ones before they are put
// together, so the other peer cannot make this one buffer megabytes of fragments.
void limit(ENetHost* host) {
    host->maximumPacketSize = 4 * kMaxPacketBytes;
    host->maximumWaitingData = 64 * 1024;
}

uint64_t nowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace

bool parseAddress(const std::string& text, std::string& host, uint16_t& port, std::string* why) {
    auto refuse = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    port = kDefaultPort;
    std::string portText;
    if ((!text.empty() && text.front() == '[') || std::count(text.begin(), text.end(), ':') > 1)
        return refuse("an IPv6 address; this program's network layer speaks IPv4 only (give 127.0.0.1 or a name)");
    const size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    if (colon != std::string::npos) {
        portText = text.substr(colon + 1);
        if (portText.empty()) return refuse("no port after the colon");
    }
    if (host.empty()) return refuse("no host name or address");
    for (char c : host)
        if (c <= 0x20 || c >= 0x7F) return refuse("a host name is letters, digits, dots and dashes");
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
            return refuse("a port is a whole number 1..65535");
        const long p = std::strtol(portText.c_str(), nullptr, 10);
        if (p < 1 || p > 65535) return refuse("a port is a whole number 1..65535");
        port = static_cast<uint16_t>(p);
    }
    return true;
}

EnetLink::~EnetLink() {
    if (peer_ && open_) enet_peer_reset(peer_);
    if (host_) enet_host_destroy(host_);
}

std::unique_ptr<EnetLink> EnetLink::listen(uint16_t port, const std::string& bind) {
    initialise();
    std::unique_ptr<EnetLink> link(new EnetLink);
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (!bind.empty() && enet_address_set_host(&address, bind.c_str()) != 0)
        throw NetError("--bind " + bind + ": no such address");
    link->host_ = enet_host_create(&address, kHostPlaces, kChannels, 0, 0);
    if (!link->host_)
        throw NetError("cannot open UDP port " + std::to_string(port) + (bind.empty() ? "" : " on " + bind) +
                       " (in use, not an address of this machine, or not allowed)");
    limit(link->host_);
    ENetAddress bound{};
    if (enet_socket_get_address(link->host_->socket, &bound) == 0) link->port_ = bound.port;
    else link->port_ = port;
    return link;
}

bool EnetLink::waitForPeer(uint32_t waitMs) {
    const uint64_t until = nowMs() + waitMs;
    ENetEvent event;
    while (!open_) {
        const uint64_t now = nowMs();
        if (now >= until) return false;
        if (enet_host_service(host_, &event, static_cast<uint32_t>(std::min<uint64_t>(until - now, 100))) <= 0) continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            peer_ = event.peer;
            open_ = true;
        } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            enet_packet_destroy(event.packet);
        }
    }
    return true;
}

void EnetLink::dropPeer() {
    if (peer_) enet_peer_reset(peer_);
    peer_ = nullptr;
    open_ = false;
    inbox_.clear();
}

std::unique_ptr<EnetLink> EnetLink::join(const std::string& hostName, uint16_t port, uint32_t waitMs,
                                         const std::function<bool()>& keepWaiting) {
    initialise();
    std::unique_ptr<EnetLink> link(new EnetLink);
    link->host_ = enet_host_create(nullptr, 1, kChannels, 0, 0);
    if (!link->host_) throw NetError("cannot open a UDP socket");
    limit(link->host_);
    ENetAddress address{};
    const std::string where = hostName + ":" + std::to_string(port);
    if (enet_address_set_host(&address, hostName.c_str()) != 0) throw NetError("cannot find the host " + hostName);
    address.port = port;
    link->peer_ = enet_host_connect(link->host_, &address, kChannels, 0);
    if (!link->peer_) throw NetError("cannot connect to " + where);
    const uint64_t until = nowMs() + waitMs;
    ENetEvent event;
    while (!link->open_) {
        const uint64_t now = nowMs();
        if (now >= until) throw NetError("no game is hosted at " + where + " (no answer within " +
                                         std::to_string(waitMs / 1000) + " s)");
        if (keepWaiting && !keepWaiting()) throw GaveUp{};
        if (enet_host_service(link->host_, &event, static_cast<uint32_t>(std::min<uint64_t>(until - now, 30))) <= 0)
            continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) link->open_ = true;
        if (event.type == ENET_EVENT_TYPE_DISCONNECT) throw NetError("the host at " + where + " did not accept");
        if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
    }
    return link;
}

std::string EnetLink::peerAddress() const {
    if (!peer_) return "?";
    char name[64] = "?";
    enet_address_get_host_ip(&peer_->address, name, sizeof name);
    return std::string(name) + ":" + std::to_string(peer_->address.port);
}

bool EnetLink::socketReadable() const {
    pollfd p{};
    p.fd = host_->socket;
    p.events = POLLIN;
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void EnetLink::service(uint32_t waitMs) {
    ENetEvent event;
    int got = enet_host_service(host_, &event, waitMs);
    for (int reads = 1;; ++reads) {
        while (got > 0) {
            take(event);
            got = enet_host_check_events(host_, &event);
        }
        // Whatever is still queued (past an empty datagram, or past ENet's 256), up to the bound.
        if (reads >= kMaxReadsPerService || !socketReadable()) break;
        got = enet_host_service(host_, &event, 0);
    }
}

void EnetLink::take(ENetEvent& event) {
    switch (event.type) {
    case ENET_EVENT_TYPE_RECEIVE:
        // Only the peer's own packets, each at most the host's packet limit; the inbox is
        // bounded too, so a flood only costs what the rollback engine then drops.
        if (event.peer == peer_ && inbox_.size() < 4096)
            inbox_.emplace_back(event.packet->data, event.packet->data + event.packet->dataLength);
        enet_packet_destroy(event.packet);
        break;
    case ENET_EVENT_TYPE_DISCONNECT:
        if (event.peer == peer_) open_ = false;
        break;
    case ENET_EVENT_TYPE_CONNECT:
        // A second peer: this game has its two players already.
        if (event.peer != peer_) enet_peer_reset(event.peer);
        break;
    case ENET_EVENT_TYPE_NONE: break;
    }
}

void EnetLink::send(std::span<const uint8_t> bytes, bool reliable) {
    if (!open_) return;
    // Inputs go unsequenced: ENet would drop one that arrives after a newer one, and the rollback
    // engine makes use of every frame a late message carries (it drops what it knows already).
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(),
                                            reliable ? ENET_PACKET_FLAG_RELIABLE : ENET_PACKET_FLAG_UNSEQUENCED);
    if (enet_peer_send(peer_, reliable ? kReliableChannel : kInputChannel, packet) != 0) enet_packet_destroy(packet);
}

bool EnetLink::receive(std::vector<uint8_t>& bytes) {
    // Once a tick: a flood arriving as fast as it is read cannot keep the tick going.
    if (inbox_.empty() && !servicedThisTick_) {
        servicedThisTick_ = true;
        service(0);
    }
    if (inbox_.empty()) return false;
    bytes = std::move(inbox_.front());
    inbox_.pop_front();
    return true;
}

void EnetLink::flush() {
    enet_host_flush(host_);
    servicedThisTick_ = false;
}

bool EnetLink::receiveWithin(std::vector<uint8_t>& bytes, uint32_t waitMs) {
    const uint64_t until = nowMs() + waitMs;
    while (inbox_.empty() && open_) {
        const uint64_t now = nowMs();
        if (now >= until) break;
        service(static_cast<uint32_t>(std::min<uint64_t>(until - now, 50)));
    }
    if (inbox_.empty()) return false;
    bytes = std::move(inbox_.front());
    inbox_.pop_front();
    return true;
}

void EnetLink::close(uint32_t lingerMs) {
    if (!open_) return;
    enet_peer_disconnect_later(peer_, 0);
    const uint64_t until = nowMs() + lingerMs;
    while (open_ && nowMs() < until) service(20);
    if (open_) enet_peer_reset(peer_);
    open_ = false;
}

}  // namespace vexlot::net
