// The relay from a test: the real program started on 127.0.0.1 with its port read from its output,
// and a plain WebSocket client (Boost.Beast, blocking, every read bounded by a timeout).
#pragma once
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/room_protocol.h"

namespace vexlot::test {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One vexlot-relay on 127.0.0.1 and a free port; killed when the test ends.
class RelayProcess {
public:
    explicit RelayProcess(const std::vector<std::string>& args)
        : out_(std::filesystem::temp_directory_path() / ("vexlot-relay-" + std::to_string(::getpid()) + "-" +
                                                         std::to_string(counter()++) + ".log")) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<std::string> all{VEXLOT_RELAY_BINARY, "--bind", "127.0.0.1", "--port", "0"};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(VEXLOT_RELAY_BINARY, argv.data());
            ::_exit(127);
        }
        const std::regex line("listening on 127\\.0\\.0\\.1:([0-9]+)");
        for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             port_ == 0 && std::chrono::steady_clock::now() < until;) {
            std::smatch m;
            const std::string text = output();
            if (std::regex_search(text, m, line)) port_ = std::stoi(m[1]);
            else std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_NE(port_, 0) << output();
    }
    ~RelayProcess() {
        stop(SIGKILL);
        std::filesystem::remove(out_);
    }
    void stop(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    std::string output() const { return readFile(out_); }
    std::string url() const { return "ws://127.0.0.1:" + std::to_string(port_); }
    // Resident memory in KiB (VmRSS).
    long residentKiB() const {
        const std::string status = readFile("/proc/" + std::to_string(pid_) + "/status");
        std::smatch m;
        static const std::regex rss("VmRSS:\\s+([0-9]+) kB");
        return std::regex_search(status, m, rss) ? std::stol(m[1]) : -1;
    }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path out_;
    pid_t pid_ = -1;
    int port_ = 0;
};

inline void setReadTimeout(tcp::socket& socket, int ms) {
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

// One WebSocket to the relay. `forwardedFor`: the address a proxy would say the client has.
class Client {
public:
    struct Message {
        bool ok = false;  // false: the connection ended or nothing came in time
        bool text = false;
        std::string bytes;
    };

    explicit Client(int port, const std::string& forwardedFor = "", int readTimeoutMs = 3000) : ws_(io_) {
        tcp::socket& s = ws_.next_layer();
        s.connect({asio::ip::make_address("127.0.0.1"), static_cast<uint16_t>(port)});
        setReadTimeout(s, readTimeoutMs);
        ws_.set_option(websocket::stream_base::decorator([forwardedFor](websocket::request_type& req) {
            if (!forwardedFor.empty()) req.set("X-Forwarded-For", forwardedFor);
        }));
        ws_.handshake("127.0.0.1", "/");
        ws_.read_message_max(1 << 20);
    }
    ~Client() {
        beast::error_code ignored;
        ws_.next_layer().close(ignored);
    }
    websocket::stream<tcp::socket>& ws() { return ws_; }

    bool sendText(const std::string& text) {
        beast::error_code ec;
        ws_.text(true);
        ws_.write(asio::buffer(text), ec);
        return !ec;
    }
    bool sendBinary(const std::string& bytes) {
        beast::error_code ec;
        ws_.binary(true);
        ws_.write(asio::buffer(bytes), ec);
        return !ec;
    }
    Message read() {
        Message m;
        beast::flat_buffer buffer;
        beast::error_code ec;
        ws_.read(buffer, ec);
        if (ec) return m;
        m.ok = true;
        m.text = ws_.got_text();
        m.bytes = beast::buffers_to_string(buffer.data());
        return m;
    }
    // The next text message, parsed; fails the test when it is something else.
    net::RoomControl control() {
        const Message m = read();
        net::RoomControl c;
        EXPECT_TRUE(m.ok && m.text) << "no room message came (" << m.bytes << ")";
        if (m.ok && m.text) {
            EXPECT_TRUE(net::parseControl(m.bytes, c)) << m.bytes;
        }
        if (!m.ok) {
            c.kind = net::RoomControl::Kind::Error;
            c.reason = "<nothing>";
        }
        return c;
    }
    // Reads until a control message of `kind` (skipping game messages); its reason or code.
    std::string until(net::RoomControl::Kind kind) {
        for (int i = 0; i < 10000; ++i) {
            const Message m = read();
            if (!m.ok) return "<connection ended>";
            net::RoomControl c;
            if (m.text && net::parseControl(m.bytes, c) && c.kind == kind)
                return kind == net::RoomControl::Kind::Room ? c.code : c.reason;
        }
        return "<not seen>";
    }
    // Creates a room; its code.
    std::string create() {
        sendText("create");
        const net::RoomControl c = control();
        EXPECT_EQ(c.kind, net::RoomControl::Kind::Room) << c.reason;
        return c.code;
    }
    // Whether the relay has closed this connection (after an error message, read here).
    bool closedWithin(int ms) {
        setReadTimeout(ws_.next_layer(), ms);
        for (int i = 0; i < 100000; ++i)
            if (!read().ok) return true;
        return false;
    }

private:
    asio::io_context io_;
    websocket::stream<tcp::socket> ws_;
};

// A host and a guest in one room.
struct Pair {
    Client host, guest;
    std::string code;
    Pair(int port, const std::string& address = "") : host(port, address), guest(port, address) {
        code = host.create();
        guest.sendText("join " + code);
        EXPECT_EQ(guest.control().kind, net::RoomControl::Kind::Room);
        EXPECT_EQ(host.control().kind, net::RoomControl::Kind::PeerJoined);
    }
    // A message each way arrives unchanged.
    bool stillPlays(const std::string& tag = "still") {
        const std::string a = "V" + tag + "-from-host", b = "V" + tag + "-from-guest";
        if (!host.sendBinary(a) || !guest.sendBinary(b)) return false;
        const Client::Message ga = guest.read(), hb = host.read();
        return ga.ok && !ga.text && ga.bytes == a && hb.ok && !hb.text && hb.bytes == b;
    }
};

// The relay's GET /status body.
inline std::string httpGet(int port, const std::string& target) {
    asio::io_context io;
    tcp::socket s(io);
    s.connect({asio::ip::make_address("127.0.0.1"), static_cast<uint16_t>(port)});
    setReadTimeout(s, 3000);
    namespace http = beast::http;
    http::request<http::empty_body> req(http::verb::get, target, 11);
    req.set(http::field::host, "127.0.0.1");
    http::write(s, req);
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    beast::error_code ec;
    http::read(s, buffer, res, ec);
    return ec ? "<no answer>" : std::to_string(res.result_int()) + " " + res.body();
}

}  // namespace vexlot::test
