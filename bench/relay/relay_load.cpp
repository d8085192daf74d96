// Load on vexlot-relay: N rooms of two fake peers on 127.0.0.1, each sending a 64-byte message 60
// times a second for some seconds, as two game peers do. Reports per N the relay's CPU (of one
// core), its resident memory, and the delay a message takes from one peer through the relay to the
// other (p50, p99), which includes this program's own scheduling: a baseline is N = 1.
//   vexlot_relay_load [--seconds S] N...   (default: 10 s; 1 50 100 200 500)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The relay's CPU seconds (user + system) and resident KiB.
double cpuSeconds(pid_t pid) {
    const std::string stat = slurp("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream in(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
long residentKiB(pid_t pid) {
    std::smatch m;
    const std::string s = slurp("/proc/" + std::to_string(pid) + "/status");
    static const std::regex rss("VmRSS:\\s+([0-9]+) kB");
    return std::regex_search(s, m, rss) ? std::stol(m[1]) : -1;
}

struct FakePeer {
    explicit FakePeer(asio::io_context& io) : ws(io), timer(io) {}
    websocket::stream<tcp::socket> ws;
    asio::steady_timer timer;
    beast::flat_buffer buffer;
    std::array<uint8_t, 64> out{};
    bool writing = false;
    Clock::time_point next;
    std::vector<double>* delays = nullptr;
    int64_t skipped = 0, lost = 0;
    bool stopped = false;

    std::string control() {
        beast::flat_buffer b;
        ws.read(b);
        return beast::buffers_to_string(b.data());
    }
    void tick(Clock::time_point until) {
        if (Clock::now() >= until) {
            stopped = true;
            return;
        }
        if (writing) ++skipped;
        else {
            const int64_t stamp = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
            out[0] = 'V';
            std::memcpy(out.data() + 1, &stamp, sizeof stamp);
            writing = true;
            ws.async_write(asio::buffer(out), [this](beast::error_code ec, size_t) {
                writing = false;
                if (ec) ++lost;
            });
        }
        next += std::chrono::microseconds(16667);
        timer.expires_at(next);
        timer.async_wait([this, until](beast::error_code ec) {
            if (!ec) tick(until);
        });
    }
    void readNext() {
        ws.async_read(buffer, [this](beast::error_code ec, size_t) {
            if (ec) return;
            const auto data = buffer.cdata();
            if (!ws.got_text() && data.size() >= 9) {
                int64_t stamp = 0;
                std::memcpy(&stamp, static_cast<const uint8_t*>(data.data()) + 1, sizeof stamp);
                const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
                delays->push_back(static_cast<double>(now - stamp) / 1e6);
            }
            buffer.consume(buffer.size());
            readNext();
        });
    }
};

double percentile(std::vector<double>& v, double p) {
    if (v.empty()) return -1;
    const size_t k = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

void runOnce(const char* relayBinary, int rooms, int seconds) {
    const std::string log = "/tmp/vexlot-relay-load-" + std::to_string(getpid()) + ".log";
    const pid_t pid = fork();
    if (pid == 0) {
        freopen(log.c_str(), "w", stdout);
        const std::string r = std::to_string(rooms + 10), p = std::to_string(2 * rooms + 20);
        execl(relayBinary, relayBinary, "--port", "0", "--max-rooms", r.c_str(), "--rooms-per-address", r.c_str(),
              "--peers-per-address", p.c_str(), "--max-peers", p.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int port = 0;
    const std::regex line("listening on 127\\.0\\.0\\.1:([0-9]+)");
    for (int i = 0; i < 500 && port == 0; ++i) {
        std::smatch m;
        const std::string text = slurp(log);
        if (std::regex_search(text, m, line)) port = std::stoi(m[1]);
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    asio::io_context io;
    std::vector<std::unique_ptr<FakePeer>> peers;
    std::vector<double> delays;
    delays.reserve(static_cast<size_t>(rooms) * 2 * 60 * seconds);
    const tcp::endpoint at{asio::ip::make_address("127.0.0.1"), static_cast<uint16_t>(port)};
    for (int r = 0; r < rooms; ++r) {
        auto host = std::make_unique<FakePeer>(io), guest = std::make_unique<FakePeer>(io);
        for (FakePeer* f : {host.get(), guest.get()}) {
            f->ws.next_layer().connect(at);
            f->ws.next_layer().set_option(tcp::no_delay(true));
            f->ws.handshake("127.0.0.1", "/");
            f->delays = &delays;
        }
        host->ws.text(true);
        host->ws.write(asio::buffer(std::string("create")));
        const std::string room = host->control();  // "room CODE host"
        guest->ws.text(true);
        guest->ws.write(asio::buffer("join " + room.substr(5, 5)));
        guest->control();
        host->control();  // peer joined
        host->ws.binary(true);
        guest->ws.binary(true);
        peers.push_back(std::move(host));
        peers.push_back(std::move(guest));
    }
    const double cpu0 = cpuSeconds(pid);
    const auto t0 = Clock::now(), until = t0 + std::chrono::seconds(seconds);
    for (size_t i = 0; i < peers.size(); ++i) {
        // Spread over a frame, as real peers are.
        peers[i]->next = t0 + std::chrono::microseconds(16667 * static_cast<long>(i) / static_cast<long>(peers.size()));
        peers[i]->readNext();
        peers[i]->timer.expires_at(peers[i]->next);
        peers[i]->timer.async_wait([p = peers[i].get(), until](beast::error_code ec) {
            if (!ec) p->tick(until);
        });
    }
    io.run_for(std::chrono::seconds(seconds) + std::chrono::milliseconds(500));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds(pid) - cpu0;
    const long rss = residentKiB(pid);
    int64_t skipped = 0;
    for (const auto& p : peers) skipped += p->skipped;
    const size_t expected = static_cast<size_t>(rooms) * 2 * 60 * static_cast<size_t>(seconds);
    const double p50 = percentile(delays, 0.5), p99 = percentile(delays, 0.99);
    std::printf("%5d rooms: relay CPU %5.1f %% of a core, %6.1f MiB resident; %8zu of %8zu messages arrived, "
                "delay p50 %6.2f ms, p99 %7.2f ms (%lld sends skipped: the sender's socket busy)\n",
                rooms, 100.0 * cpu / wall, static_cast<double>(rss) / 1024.0, delays.size(), expected, p50, p99,
                static_cast<long long>(skipped));
    std::fflush(stdout);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::remove(log.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) counts = {1, 50, 100, 200, 500};
    for (int n : counts) runOnce(VEXLOT_RELAY_BINARY, n, seconds);
    return 0;
}
