// The real program as network peers in the tests: processes with their output in a file, killed
// when the test ends; a folder of the test's own; random players' scripts.
#pragma once
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "session/script.h"
#include "soak/random_input.h"

namespace vexlot::net::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One run of the program, its output in a file; killed when the test ends, whatever happens.
// `cwd`: the folder it runs in (default: the test's).
class Process {
public:
    Process(const std::vector<std::string>& args, fs::path out, const char* env = nullptr, const fs::path& cwd = {})
        : out_(std::move(out)) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (env) ::putenv(const_cast<char*>(env));
            if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
            std::vector<char*> argv{const_cast<char*>(VEXLOT_BINARY)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(VEXLOT_BINARY, argv.data());
            ::_exit(127);
        }
    }
    ~Process() { kill(SIGKILL); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    void kill(int signal) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // Sends a signal and lets it run on (wait() then tells how it ended).
    void signal(int signal) const {
        if (pid_ > 0) ::kill(pid_, signal);
    }
    // The exit status (128 + the signal when killed), or -1 when it has not ended within `seconds`
    // (0: has it ended now?).
    int wait(int seconds) {
        const auto until = Clock::now() + std::chrono::seconds(seconds);
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (Clock::now() >= until) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return pid_ > 0 ? -1 : status_;
    }
    std::string output() const { return slurp(out_); }
    // Waits up to `seconds` for `pattern` in the output; false when it did not come.
    bool waitFor(const std::string& pattern, int seconds) const {
        const std::regex re(pattern);
        for (const auto until = Clock::now() + std::chrono::seconds(seconds); Clock::now() < until;) {
            if (std::regex_search(output(), re)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The UDP port a host printed, waiting for it up to `seconds`; 0 when none came.
    int hostPort(int seconds) const {
        const std::regex line("hosting on UDP port ([0-9]+)");
        for (const auto until = Clock::now() + std::chrono::seconds(seconds); Clock::now() < until;) {
            std::smatch m;
            const std::string out = output();
            if (std::regex_search(out, m, line)) return std::stoi(m[1]);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 0;
    }

private:
    fs::path out_;
    pid_t pid_ = -1;
    int status_ = -1;
};

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vexlot-net-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const char* name) const { return (path / name).string(); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// A player's script file: random fingers for `frames` frames, without Esc or closing the window.
inline void writeScript(const std::string& path, uint64_t seed, int frames, bool secondPlayer = false) {
    std::ofstream out(path);
    soak::RandomPlayer fingers(seed);
    for (int f = 1; f <= frames; ++f) {
        std::vector<InputEvent> events;
        fingers.nextFrame(events);
        for (InputEvent e : events) {
            if (e.type == InputEvent::Type::Close || (e.type == InputEvent::Type::Char && e.code == 27)) continue;
            e.player = secondPlayer ? 1 : 0;
            out << eventLine(f, e) << "\n";
        }
    }
}

inline std::string finalHash(const std::string& output) {
    std::smatch m;
    const std::regex line("final state hash ([0-9a-f]{16}) at frame ([0-9]+)");
    return std::regex_search(output, m, line) ? m[1].str() + " at " + m[2].str() : "none";
}

// The program's verdict on a recording: "STATUS: OUTPUT".
inline std::string verify(const std::string& replay, const fs::path& out) {
    Process p({"--headless", "--replay", replay}, out);
    const int status = p.wait(120);
    return std::to_string(status) + ": " + p.output();
}

}  // namespace vexlot::net::test
