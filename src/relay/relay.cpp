#include "relay/relay.h"

#include <utility>  // before Asio, which uses std::exchange without it

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "net/room_protocol.h"

namespace vexlot::relay {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using net::RoomControl;
using net::RoomRole;
using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

constexpr auto kSweep = std::chrono::milliseconds(100);
constexpr auto kDropGrace = std::chrono::seconds(2);  // a dropped peer's last words, then the socket closes

double secondsSince(Clock::time_point t, Clock::time_point now) {
    return std::chrono::duration<double>(now - t).count();
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", s);
    return text;
}

void log(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class Server;

// One connection: an HTTP request, then (after the upgrade) a WebSocket in at most one room.
class Peer : public std::enable_shared_from_this<Peer> {
public:
    Peer(Server& server, tcp::socket socket);
    ~Peer();
    void start();
    // Queues a message to this peer, to be written at `due` (order kept).
    void send(const Bytes& bytes, bool text, Clock::time_point due);
    void tell(const RoomControl& m);
    // Tells the peer why (an error message) and closes its connection; it leaves its room first.
    void drop(const std::string& reason);

    const std::string& address() const { return address_; }
    std::string roomCode;  // empty: in no room
    RoomRole role = RoomRole::Host;
    Clock::time_point lastDue{};  // when the last queued message is due (tests' delays)

private:
    void onRequest(beast::error_code ec);
    void answerHttp(http::status status, std::string body, const char* type = "text/plain");
    void onAccept(beast::error_code ec);
    void readNext();
    void onRead(beast::error_code ec);
    void handleControl(std::string_view text);
    void writeNext();
    void onWrite(beast::error_code ec);
    void finish(const std::string& reason);
    bool withinRate();

    Server& server_;
    std::optional<beast::tcp_stream> http_;
    std::optional<websocket::stream<beast::tcp_stream>> ws_;
    std::optional<http::request_parser<http::empty_body>> request_;
    std::shared_ptr<http::response<http::string_body>> response_;
    beast::flat_buffer buffer_;
    std::string address_;
    bool counted_ = false;  // in the server's count of its address

    struct Out {
        Bytes bytes;
        bool text = false;
        Clock::time_point due;
    };
    std::deque<Out> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false, waiting_ = false, dropped_ = false, finished_ = false;
    asio::steady_timer dueTimer_, deadline_;
    double tokens_ = 0;
    Clock::time_point refilled_;
};

struct Room {
    std::string code, address;
    std::shared_ptr<Peer> host, guest;
    std::vector<std::shared_ptr<Peer>> spectators;
    Clock::time_point opened, lastMessage;
    uint64_t messages = 0;
};

class Server {
public:
    Server(asio::io_context& io, const Config& config)
        : io_(io), config_(config), limits_(config.limits), acceptor_(io), sweep_(io),
          codes_(std::random_device{}()), stalls_(12345) {}

    bool listen(std::string& error);
    uint16_t port() const { return acceptor_.local_endpoint().port(); }
    asio::io_context& io() { return io_; }
    const Limits& limits() const { return limits_; }
    bool behindProxy() const { return config_.behindProxy; }

    // Counts a peer's address; false (and nothing counted) when that address has too many.
    bool admit(const std::string& address);
    void release(const std::string& address) {
        if (--peersByAddress_[address] <= 0) peersByAddress_.erase(address);
    }
    void connectionEnded() { --connections_; }

    void create(const std::shared_ptr<Peer>& peer);
    void enter(const std::shared_ptr<Peer>& peer, const std::string& code, RoomRole role);
    void forward(Peer& from, const uint8_t* data, size_t size);
    void leave(Peer& peer, const std::string& reason);
    void countDrop() { ++dropped_; }
    std::string status() const;

private:
    void acceptNext();
    void sweep();
    void closeRoom(const std::string& code, const std::string& reason);
    std::string newCode();

    asio::io_context& io_;
    Config config_;
    Limits limits_;
    tcp::acceptor acceptor_;
    asio::steady_timer sweep_;
    std::mt19937_64 codes_, stalls_;
    std::map<std::string, std::unique_ptr<Room>> rooms_;
    std::map<std::string, int> peersByAddress_, roomsByAddress_;
    int connections_ = 0;
    uint64_t messages_ = 0, messagesAtSecond_ = 0, dropped_ = 0, roomsOpened_ = 0;
    double messagesPerSecond_ = 0;
    Clock::time_point started_ = Clock::now(), second_ = Clock::now();
};

// ---- the connection ----

Peer::Peer(Server& server, tcp::socket socket)
    : server_(server), http_(std::in_place, std::move(socket)), dueTimer_(server.io()), deadline_(server.io()) {
    beast::error_code ec;
    const tcp::endpoint remote = http_->socket().remote_endpoint(ec);
    address_ = ec ? "?" : remote.address().to_string();
    refilled_ = Clock::now();
    tokens_ = 2.0 * server_.limits().messagesPerSecond;
}

Peer::~Peer() {
    if (counted_) server_.release(address_);
    server_.connectionEnded();
}

void Peer::start() {
    request_.emplace();
    request_->header_limit(4096);
    request_->body_limit(0);
    http_->expires_after(std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(server_.limits().lobbySeconds)));
    http::async_read(*http_, buffer_, *request_,
                     [self = shared_from_this()](beast::error_code ec, size_t) { self->onRequest(ec); });
}

void Peer::onRequest(beast::error_code ec) {
    if (ec) return;  // closed, timed out or not HTTP: nothing to answer
    auto& req = request_->get();
    if (server_.behindProxy() && (address_ == "127.0.0.1" || address_ == "::1")) {
        // The proxy appends the address it saw last; anything before it came from the client.
        const std::string forwarded(req["X-Forwarded-For"]);
        const size_t comma = forwarded.rfind(',');
        std::string last = forwarded.substr(comma == std::string::npos ? 0 : comma + 1);
        while (!last.empty() && last.front() == ' ') last.erase(0, 1);
        if (!last.empty() && last.size() <= 64) address_ = last;
    }
    if (websocket::is_upgrade(req)) {
        if (!server_.admit(address_)) {
            answerHttp(http::status::too_many_requests, "too many connections from " + address_ + "\n");
            return;
        }
        counted_ = true;
        ws_.emplace(std::move(*http_));
        http_.reset();
        beast::get_lowest_layer(*ws_).expires_never();
        websocket::stream_base::timeout timeouts = websocket::stream_base::timeout::suggested(beast::role_type::server);
        timeouts.idle_timeout = std::chrono::seconds(30);  // a ping at 15 s; no answer by 30 s closes
        ws_->set_option(timeouts);
        ws_->read_message_max(server_.limits().maxMessageBytes);
        ws_->auto_fragment(false);
        ws_->set_option(websocket::stream_base::decorator(
            [](websocket::response_type& res) { res.set(http::field::server, "vexlot-relay"); }));
        ws_->async_accept(req, [self = shared_from_this()](beast::error_code e) { self->onAccept(e); });
        return;
    }
    if (req.method() == http::verb::get && req.target() == "/status") {
        answerHttp(http::status::ok, server_.status(), "application/json");
        return;
    }
    if (req.method() == http::verb::get && req.target() == "/") {
        answerHttp(http::status::ok, "vexlot-relay: rooms for vexlot over WebSocket; see /status\n");
        return;
    }
    answerHttp(http::status::not_found, "not here: ask for a WebSocket or GET /status\n");
}

void Peer::answerHttp(http::status status, std::string body, const char* type) {
    response_ = std::make_shared<http::response<http::string_body>>(status, request_->get().version());
    response_->set(http::field::server, "vexlot-relay");
    response_->set(http::field::content_type, type);
    response_->set(http::field::access_control_allow_origin, "*");
    response_->keep_alive(false);
    response_->body() = std::move(body);
    response_->prepare_payload();
    http_->expires_after(std::chrono::seconds(5));
    http::async_write(*http_, *response_, [self = shared_from_this()](beast::error_code, size_t) {
        beast::error_code ignored;
        self->http_->socket().shutdown(tcp::socket::shutdown_send, ignored);
    });
}

void Peer::onAccept(beast::error_code ec) {
    if (ec) return;
    // The lobby: a room asked for in time, or dropped.
    deadline_.expires_after(std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(server_.limits().lobbySeconds)));
    deadline_.async_wait([self = shared_from_this()](beast::error_code e) {
        if (!e && self->roomCode.empty())
            self->drop("no room asked for within " + seconds(self->server_.limits().lobbySeconds));
    });
    readNext();
}

void Peer::readNext() {
    ws_->async_read(buffer_, [self = shared_from_this()](beast::error_code ec, size_t) { self->onRead(ec); });
}

bool Peer::withinRate() {
    const Clock::time_point now = Clock::now();
    const double rate = server_.limits().messagesPerSecond;
    tokens_ = std::min(2.0 * rate, tokens_ + rate * secondsSince(refilled_, now));
    refilled_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}

void Peer::onRead(beast::error_code ec) {
    if (dropped_) return;  // what a dropped peer still sends is not read
    if (ec == websocket::error::message_too_big) {
        drop("a message longer than " + std::to_string(server_.limits().maxMessageBytes) + " bytes");
        return;
    }
    if (ec) {
        finish(ec == websocket::error::closed ? "left" : "lost the connection");
        return;
    }
    if (!withinRate()) {
        drop("more than " + std::to_string(server_.limits().messagesPerSecond) + " messages a second");
        return;
    }
    const auto data = buffer_.cdata();
    if (ws_->got_text()) {
        handleControl(std::string_view(static_cast<const char*>(data.data()), data.size()));
    } else if (roomCode.empty()) {
        drop("a game message before entering a room");
    } else {
        server_.forward(*this, static_cast<const uint8_t*>(data.data()), data.size());
    }
    buffer_.consume(buffer_.size());
    if (!dropped_) readNext();
}

void Peer::handleControl(std::string_view text) {
    RoomControl m;
    if (!net::parseControl(text, m)) {
        drop("not a message of the relay's");
        return;
    }
    if (!roomCode.empty()) {
        drop("already in room " + roomCode);
        return;
    }
    using Kind = RoomControl::Kind;
    switch (m.kind) {
    case Kind::Create: server_.create(shared_from_this()); break;
    case Kind::Join: server_.enter(shared_from_this(), m.code, RoomRole::Guest); break;
    case Kind::Spectate: server_.enter(shared_from_this(), m.code, RoomRole::Spectator); break;
    default: drop("a message only the relay sends"); break;
    }
    if (!roomCode.empty()) deadline_.cancel();
}

void Peer::send(const Bytes& bytes, bool text, Clock::time_point due) {
    if (dropped_ || finished_ || !ws_) return;
    if (queuedBytes_ + bytes->size() > server_.limits().maxQueuedBytes) {
        drop("too slow: " + std::to_string(queuedBytes_ / 1024) + " KiB sent to it still unread");
        return;
    }
    if (due < lastDue) due = lastDue;
    lastDue = due;
    queue_.push_back({bytes, text, due});
    queuedBytes_ += bytes->size();
    writeNext();
}

void Peer::tell(const RoomControl& m) {
    const std::string text = net::formatControl(m);
    send(std::make_shared<const std::vector<uint8_t>>(text.begin(), text.end()), true, Clock::now());
}

void Peer::writeNext() {
    if (writing_ || waiting_ || queue_.empty() || finished_) return;
    const Out& out = queue_.front();
    if (out.due > Clock::now()) {
        waiting_ = true;
        dueTimer_.expires_at(out.due);
        dueTimer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            self->waiting_ = false;
            if (!ec) self->writeNext();
        });
        return;
    }
    writing_ = true;
    ws_->text(out.text);
    ws_->async_write(asio::buffer(*out.bytes), [self = shared_from_this()](beast::error_code ec, size_t) { self->onWrite(ec); });
}

void Peer::onWrite(beast::error_code ec) {
    writing_ = false;
    queuedBytes_ -= queue_.front().bytes->size();
    queue_.pop_front();
    if (ec) {
        finish("lost the connection");
        return;
    }
    if (dropped_ && queue_.empty()) {
        ws_->async_close(websocket::close_code::policy_error, [self = shared_from_this()](beast::error_code) {
            self->finish("dropped");
        });
        return;
    }
    writeNext();
}

void Peer::drop(const std::string& reason) {
    if (dropped_ || finished_ || !ws_) return;
    server_.countDrop();
    server_.leave(*this, reason);
    // The error goes out after the room's news already queued; the game's messages are not sent.
    for (auto it = queue_.begin() + (writing_ ? 1 : 0); it != queue_.end();) {
        if (it->text) {
            it->due = Clock::now();
            ++it;
            continue;
        }
        queuedBytes_ -= it->bytes->size();
        it = queue_.erase(it);
    }
    RoomControl error;
    error.kind = RoomControl::Kind::Error;
    error.reason = reason;
    const std::string text = net::formatControl(error);
    lastDue = {};
    queue_.push_back({std::make_shared<const std::vector<uint8_t>>(text.begin(), text.end()), true, Clock::now()});
    queuedBytes_ += text.size();
    dropped_ = true;
    waiting_ = false;
    dueTimer_.cancel();
    writeNext();
    // A peer that does not read gets no say in how long this takes.
    deadline_.expires_after(kDropGrace);
    deadline_.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (!ec) self->finish("dropped");
    });
}

void Peer::finish(const std::string& reason) {
    if (finished_) return;
    finished_ = true;
    if (!roomCode.empty()) server_.leave(*this, reason);
    dueTimer_.cancel();
    deadline_.cancel();
    beast::error_code ignored;
    if (ws_) beast::get_lowest_layer(*ws_).socket().close(ignored);
}

// ---- rooms ----

bool Server::listen(std::string& error) {
    beast::error_code ec;
    const auto address = asio::ip::make_address(config_.bind, ec);
    if (ec) {
        error = "--bind " + config_.bind + ": not an IP address";
        return false;
    }
    const tcp::endpoint endpoint(address, config_.port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + config_.bind + ":" + std::to_string(config_.port) + ": " + ec.message();
        return false;
    }
    acceptNext();
    sweep();
    return true;
}

void Server::acceptNext() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (!ec) {
            if (connections_ >= limits_.maxPeers) {
                beast::error_code ignored;
                socket.close(ignored);  // full: refused before a byte is read
            } else {
                ++connections_;
                std::make_shared<Peer>(*this, std::move(socket))->start();
            }
        }
        acceptNext();
    });
}

bool Server::admit(const std::string& address) {
    int& count = peersByAddress_[address];
    if (count >= limits_.peersPerAddress) return false;
    ++count;
    return true;
}

std::string Server::newCode() {
    std::uniform_int_distribution<size_t> pick(0, net::kRoomCodeAlphabet.size() - 1);
    while (true) {
        std::string code;
        for (size_t i = 0; i < net::kRoomCodeLength; ++i) code += net::kRoomCodeAlphabet[pick(codes_)];
        if (!rooms_.count(code)) return code;
    }
}

void Server::create(const std::shared_ptr<Peer>& peer) {
    if (static_cast<int>(rooms_.size()) >= limits_.maxRooms) {
        peer->drop("the relay is full (" + std::to_string(limits_.maxRooms) + " rooms)");
        return;
    }
    int& mine = roomsByAddress_[peer->address()];
    if (mine >= limits_.roomsPerAddress) {
        peer->drop("already " + std::to_string(mine) + " rooms open from " + peer->address());
        return;
    }
    ++mine;
    auto room = std::make_unique<Room>();
    room->code = newCode();
    room->address = peer->address();
    room->host = peer;
    room->opened = room->lastMessage = Clock::now();
    peer->roomCode = room->code;
    peer->role = RoomRole::Host;
    RoomControl answer{RoomControl::Kind::Room, room->code, RoomRole::Host, {}};
    ++roomsOpened_;
    log("room " + room->code + " opened by " + peer->address() + " (" + std::to_string(rooms_.size() + 1) + " open)");
    rooms_.emplace(room->code, std::move(room));
    peer->tell(answer);
}

void Server::enter(const std::shared_ptr<Peer>& peer, const std::string& code, RoomRole role) {
    const auto it = rooms_.find(code);
    if (it == rooms_.end()) {
        peer->drop("no room " + code);
        return;
    }
    Room& room = *it->second;
    if (role == RoomRole::Guest && room.guest) {
        peer->drop("room " + code + " has its two players");
        return;
    }
    if (role == RoomRole::Spectator && static_cast<int>(room.spectators.size()) >= limits_.spectatorsPerRoom) {
        peer->drop("room " + code + " has " + std::to_string(limits_.spectatorsPerRoom) + " spectators already");
        return;
    }
    if (role == RoomRole::Guest) room.guest = peer;
    else room.spectators.push_back(peer);
    peer->roomCode = code;
    peer->role = role;
    room.lastMessage = Clock::now();
    peer->tell({RoomControl::Kind::Room, code, role, {}});
    const RoomControl joined{RoomControl::Kind::PeerJoined, {}, role, {}};
    if (room.host) room.host->tell(joined);
    if (role == RoomRole::Spectator && room.guest) room.guest->tell(joined);
}

void Server::forward(Peer& from, const uint8_t* data, size_t size) {
    const auto it = rooms_.find(from.roomCode);
    if (it == rooms_.end()) return;
    Room& room = *it->second;
    const Clock::time_point now = Clock::now();
    room.lastMessage = now;
    ++room.messages;
    ++messages_;
    if (from.role == RoomRole::Spectator) return;  // onlookers only listen
    const Bytes bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
    auto pass = [&](const std::shared_ptr<Peer>& to) {
        if (!to) return;
        Clock::time_point due = now + std::chrono::milliseconds(config_.delayMs);
        if (config_.stallOneIn > 0 && stalls_() % static_cast<uint64_t>(config_.stallOneIn) == 0)
            due += std::chrono::milliseconds(kStallMs);
        to->send(bytes, false, due);
    };
    // Copies of the list: a slow peer dropped on the way leaves the room while it is walked.
    const std::shared_ptr<Peer> other = from.role == RoomRole::Host ? room.guest : room.host;
    const std::vector<std::shared_ptr<Peer>> watching = room.spectators;
    pass(other);
    for (const auto& s : watching) pass(s);
}

void Server::leave(Peer& peer, const std::string& reason) {
    const std::string code = peer.roomCode;
    peer.roomCode.clear();
    const auto it = rooms_.find(code);
    if (it == rooms_.end()) return;
    Room& room = *it->second;
    const RoomControl left{RoomControl::Kind::PeerLeft, {}, peer.role, reason};
    if (peer.role == RoomRole::Host) {
        room.host.reset();
        if (room.guest) room.guest->tell(left);
        for (const auto& s : room.spectators) s->tell(left);
        closeRoom(code, "the host " + reason);
        return;
    }
    if (peer.role == RoomRole::Guest) room.guest.reset();
    std::erase_if(room.spectators, [&](const std::shared_ptr<Peer>& s) { return s.get() == &peer; });
    if (room.host) room.host->tell(left);
    if (peer.role == RoomRole::Spectator && room.guest) room.guest->tell(left);
}

void Server::closeRoom(const std::string& code, const std::string& reason) {
    const auto it = rooms_.find(code);
    if (it == rooms_.end()) return;
    std::unique_ptr<Room> room = std::move(it->second);
    rooms_.erase(it);
    if (--roomsByAddress_[room->address] <= 0) roomsByAddress_.erase(room->address);
    char line[256];
    std::snprintf(line, sizeof line, "room %s closed after %.1f s, %llu messages: %s (%zu open)", code.c_str(),
                  secondsSince(room->opened, Clock::now()), static_cast<unsigned long long>(room->messages),
                  reason.c_str(), rooms_.size());
    log(line);
    std::vector<std::shared_ptr<Peer>> members = room->spectators;
    if (room->host) members.push_back(room->host);
    if (room->guest) members.push_back(room->guest);
    for (const auto& m : members) {
        m->roomCode.clear();
        m->drop("room " + code + " closed: " + reason);
    }
}

void Server::sweep() {
    const Clock::time_point now = Clock::now();
    if (now - second_ >= std::chrono::seconds(1)) {
        messagesPerSecond_ = static_cast<double>(messages_ - messagesAtSecond_) / secondsSince(second_, now);
        messagesAtSecond_ = messages_;
        second_ = now;
    }
    std::vector<std::pair<std::string, std::string>> closing;
    for (const auto& [code, room] : rooms_) {
        if (secondsSince(room->opened, now) > limits_.roomSeconds)
            closing.emplace_back(code, "open " + seconds(limits_.roomSeconds) + ", the longest a room may be");
        else if (secondsSince(room->lastMessage, now) > limits_.idleSeconds)
            closing.emplace_back(code, "nothing said for " + seconds(limits_.idleSeconds));
    }
    for (const auto& [code, why] : closing) closeRoom(code, why);
    sweep_.expires_after(kSweep);
    sweep_.async_wait([this](beast::error_code ec) {
        if (!ec) sweep();
    });
}

std::string Server::status() const {
    size_t peers = 0;
    for (const auto& [code, room] : rooms_) peers += (room->host ? 1 : 0) + (room->guest ? 1 : 0) + room->spectators.size();
    char json[512];
    std::snprintf(json, sizeof json,
                  "{\"rooms\": %zu, \"peers\": %zu, \"connections\": %d, \"messages_per_second\": %.1f, "
                  "\"messages\": %llu, \"rooms_opened\": %llu, \"dropped\": %llu, \"uptime_seconds\": %.0f}\n",
                  rooms_.size(), peers, connections_, messagesPerSecond_, static_cast<unsigned long long>(messages_),
                  static_cast<unsigned long long>(roomsOpened_), static_cast<unsigned long long>(dropped_),
                  secondsSince(started_, Clock::now()));
    return json;
}

}  // namespace

int runRelay(const Config& config) {
    asio::io_context io(1);
    Server server(io, config);
    std::string error;
    if (!server.listen(error)) {
        std::fprintf(stderr, "vexlot-relay: %s\n", error.c_str());
        return 2;
    }
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](beast::error_code, int) { io.stop(); });
    log("vexlot-relay listening on " + config.bind + ":" + std::to_string(server.port()));
    io.run();
    log("vexlot-relay stopped");
    return 0;
}

}  // namespace vexlot::relay
