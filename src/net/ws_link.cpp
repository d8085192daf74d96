#include "net/ws_link.h"

#include <utility>  // before Asio, which uses std::exchange without it

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace vexlot::net {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr size_t kMaxInbox = 4096;     // messages waiting for the game (as the ENet link keeps)
constexpr size_t kMaxOutbox = 4096;    // messages the relay has not taken yet: past this the link is dead
constexpr size_t kMaxControls = 64;
constexpr size_t kMaxIncoming = 64 * 1024;

}  // namespace

bool parseRelayUrl(const std::string& url, std::string& host, uint16_t& port, std::string& path) {
    const std::string scheme = "ws://";
    if (url.compare(0, scheme.size(), scheme) != 0) return false;
    const std::string rest = url.substr(scheme.size());
    const size_t slash = rest.find('/');
    path = slash == std::string::npos ? "/" : rest.substr(slash);
    const std::string authority = rest.substr(0, slash);
    if (!parseAddress(authority, host, port)) return false;
    // parseAddress fills in the game's own port when none is given; a URL means the web's.
    const size_t bracket = authority.find(']');
    const bool portGiven = authority.find(':', bracket == std::string::npos ? 0 : bracket) != std::string::npos;
    if (!portGiven) port = 80;
    for (char c : path)
        if (c <= ' ' || c > '~') return false;
    return true;
}

struct WsLink::State {
    asio::io_context io;
    websocket::stream<beast::tcp_stream> ws{io};
    beast::flat_buffer buffer;
    std::thread thread;
    std::string url;
    std::string code;
    RoomRole role = RoomRole::Host;

    // Shared with the game's thread.
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> inbox;
    std::deque<RoomControl> controls;
    bool open = true;
    bool done = false;  // the socket is finished with: closed both ways, or failed
    std::string why;

    // The network thread's own.
    struct Out {
        std::vector<uint8_t> bytes;
        bool text = false;
    };
    std::deque<Out> outbox;
    bool writing = false, closing = false, closeSent = false;

    void end(const std::string& reason) {
        std::lock_guard lock(mutex);
        if (open) why = reason;
        open = false;
        changed.notify_all();
    }
    bool isOpen() {
        std::lock_guard lock(mutex);
        return open;
    }

    void readNext() {
        ws.async_read(buffer, [this](beast::error_code ec, size_t) { onRead(ec); });
    }
    void finished() {
        std::lock_guard lock(mutex);
        done = true;
        changed.notify_all();
    }
    void onRead(beast::error_code ec) {
        if (ec) {
            finished();
            end(ec == websocket::error::closed ? "the relay closed the connection"
                                               : "lost the connection to the relay (" + ec.message() + ")");
            return;
        }
        const auto data = buffer.cdata();
        const auto* bytes = static_cast<const uint8_t*>(data.data());
        if (ws.got_text()) {
            RoomControl m;
            if (parseControl(std::string_view(reinterpret_cast<const char*>(bytes), data.size()), m)) take(m);
        } else {
            std::lock_guard lock(mutex);
            if (inbox.size() < kMaxInbox) inbox.emplace_back(bytes, bytes + data.size());
            changed.notify_all();
        }
        buffer.consume(buffer.size());
        readNext();
    }
    void take(const RoomControl& m) {
        using Kind = RoomControl::Kind;
        if (m.kind == Kind::Error) {
            end("the relay: " + m.reason);
            return;
        }
        // The other player gone (not an onlooker): for the game the link is closed.
        if (m.kind == Kind::PeerLeft && m.role != RoomRole::Spectator && m.role != role) {
            end("the other player left the room" + (m.reason.empty() ? std::string() : " (" + m.reason + ")"));
            return;
        }
        std::lock_guard lock(mutex);
        if (controls.size() >= kMaxControls) controls.pop_front();
        controls.push_back(m);
        changed.notify_all();
    }

    // The network thread: queues a message and writes the next.
    void queue(std::vector<uint8_t> bytes, bool text) {
        if (closing) return;
        if (outbox.size() >= kMaxOutbox) {
            end("the relay has not taken " + std::to_string(kMaxOutbox) + " messages: the connection is stuck");
            beast::error_code ignored;
            beast::get_lowest_layer(ws).socket().close(ignored);
            return;
        }
        outbox.push_back({std::move(bytes), text});
        writeNext();
    }
    void writeNext() {
        if (writing) return;
        if (outbox.empty()) {
            if (closing && !closeSent) {
                closeSent = true;
                ws.async_close(websocket::close_code::normal, [this](beast::error_code) {
                    end("closed");
                    finished();
                });
            }
            return;
        }
        writing = true;
        ws.text(outbox.front().text);
        ws.async_write(asio::buffer(outbox.front().bytes), [this](beast::error_code ec, size_t) {
            writing = false;
            outbox.pop_front();
            if (ec) {
                end("lost the connection to the relay (" + ec.message() + ")");
                return;
            }
            writeNext();
        });
    }
};

WsLink::WsLink() : s_(std::make_unique<State>()) {}

WsLink::~WsLink() {
    s_->io.stop();
    if (s_->thread.joinable()) s_->thread.join();
}

std::unique_ptr<WsLink> WsLink::connect(const std::string& url, uint32_t waitMs) {
    std::string host, path;
    uint16_t port = 0;
    if (!parseRelayUrl(url, host, port, path))
        throw NetError("--relay " + url + ": give ws://HOST[:PORT][/PATH] (wss:// goes through a tunnel, see docs/relay.md)");
    std::unique_ptr<WsLink> link(new WsLink);
    State& s = *link->s_;
    s.url = url;
    beast::error_code result = asio::error::timed_out;
    bool done = false;
    tcp::resolver resolver(s.io);
    auto& stream = beast::get_lowest_layer(s.ws);
    stream.expires_after(std::chrono::milliseconds(waitMs));
    resolver.async_resolve(host, std::to_string(port), [&](beast::error_code ec, tcp::resolver::results_type found) {
        if (ec) {
            result = ec;
            done = true;
            return;
        }
        stream.async_connect(found, [&](beast::error_code e, const tcp::endpoint&) {
            if (e) {
                result = e;
                done = true;
                return;
            }
            stream.socket().set_option(tcp::no_delay(true));
            s.ws.async_handshake(host + ":" + std::to_string(port), path, [&](beast::error_code h) {
                result = h;
                done = true;
            });
        });
    });
    s.io.run_for(std::chrono::milliseconds(waitMs) + std::chrono::milliseconds(100));
    if (!done || result)
        throw NetError("cannot reach the relay at " + url + ": " +
                       (done ? result.message() : "no answer within " + std::to_string(waitMs / 1000) + " s"));
    s.io.restart();
    stream.expires_never();
    s.ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
    s.ws.read_message_max(kMaxIncoming);
    s.ws.auto_fragment(false);
    s.readNext();
    s.thread = std::thread([&s] {
        auto work = asio::make_work_guard(s.io);
        s.io.run();
    });
    return link;
}

RoomControl WsLink::nextControl(uint32_t waitMs, const char* waitingFor) {
    std::unique_lock lock(s_->mutex);
    if (!s_->changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [&] { return !s_->controls.empty() || !s_->open; }))
        throw NetError(std::string("the relay at ") + s_->url + " did not answer while waiting for " + waitingFor);
    if (s_->controls.empty()) throw NetError(s_->why);
    RoomControl m = s_->controls.front();
    s_->controls.pop_front();
    return m;
}

std::string WsLink::createRoom(uint32_t waitMs) {
    s_->role = RoomRole::Host;
    const std::string text = formatControl({RoomControl::Kind::Create, {}, RoomRole::Host, {}});
    asio::post(s_->io, [this, text] { s_->queue({text.begin(), text.end()}, true); });
    const RoomControl m = nextControl(waitMs, "a room");
    if (m.kind != RoomControl::Kind::Room || m.role != RoomRole::Host)
        throw NetError("the relay at " + s_->url + " answered something else than a room");
    s_->code = m.code;
    return m.code;
}

bool WsLink::waitForGuest(uint32_t waitMs) {
    const auto until = Clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        {
            std::unique_lock lock(s_->mutex);
            if (!s_->changed.wait_until(lock, until, [&] { return !s_->controls.empty() || !s_->open; })) return false;
        }
        const RoomControl m = nextControl(0, "the other player");
        if (m.kind == RoomControl::Kind::PeerJoined && m.role == RoomRole::Guest) return true;
    }
}

void WsLink::joinRoom(const std::string& code, uint32_t waitMs) {
    s_->role = RoomRole::Guest;
    const std::string text = formatControl({RoomControl::Kind::Join, code, RoomRole::Guest, {}});
    asio::post(s_->io, [this, text] { s_->queue({text.begin(), text.end()}, true); });
    RoomControl m;
    try {
        m = nextControl(waitMs, "the room");
    } catch (const NetError& e) {
        throw NetError("cannot join room " + code + ": " + e.what());
    }
    if (m.kind != RoomControl::Kind::Room || m.role != RoomRole::Guest)
        throw NetError("the relay at " + s_->url + " answered something else than the room");
    s_->code = code;
}

void WsLink::send(std::span<const uint8_t> bytes, bool) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    asio::post(s_->io, [this, copy = std::move(copy)]() mutable { s_->queue(std::move(copy), false); });
}

bool WsLink::receive(std::vector<uint8_t>& bytes) {
    std::lock_guard lock(s_->mutex);
    if (s_->inbox.empty()) return false;
    bytes = std::move(s_->inbox.front());
    s_->inbox.pop_front();
    return true;
}

// What the other player sent before leaving is still read: open until the inbox is empty.
bool WsLink::open() const {
    std::lock_guard lock(s_->mutex);
    return s_->open || !s_->inbox.empty();
}

bool WsLink::receiveWithin(std::vector<uint8_t>& bytes, uint32_t waitMs) {
    {
        std::unique_lock lock(s_->mutex);
        s_->changed.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return !s_->inbox.empty() || !s_->open; });
    }
    return receive(bytes);
}

void WsLink::close(uint32_t lingerMs) {
    asio::post(s_->io, [this] {
        s_->closing = true;
        s_->writeNext();
    });
    {
        std::unique_lock lock(s_->mutex);
        s_->changed.wait_for(lock, std::chrono::milliseconds(lingerMs), [&] { return s_->done; });
    }
    s_->io.stop();
    if (s_->thread.joinable()) s_->thread.join();
    s_->end("closed");
}

std::string WsLink::peerAddress() const { return "room " + s_->code + " of the relay at " + s_->url; }

std::string WsLink::closedBecause() const {
    std::lock_guard lock(s_->mutex);
    return s_->open ? std::string() : s_->why;
}

}  // namespace vexlot::net
