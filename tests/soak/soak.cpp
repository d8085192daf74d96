// Soak: plays random games frame by frame (built with the sanitizers) and checks after every frame
// that each table stays within its capacity, life within its gauge and no frame hangs.
// On a failure it prints how to replay it: game G of seed S is game 0 of seed S + G.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cinttypes>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/core.h"
#include "game/play.h"
#include "soak/random_input.h"

// A sanitizer report ends in abort(), so the SIGABRT handler below can name the seed and frame.
extern "C" const char* __asan_default_options() { return "abort_on_error=1"; }
extern "C" const char* __ubsan_default_options() { return "abort_on_error=1:print_stacktrace=1"; }

namespace vexlot::soak {

namespace {

// Where the run is, for the failure message (also read by the watchdog and the abort handler).
std::atomic<uint64_t> currentSeed{0};
std::atomic<int> currentFrame{0};
// The options that shape a game, when not the defaults, for the replay command (set before the run).
std::string shapingOptions;

// Appends a number to `out` without the C library, so that a signal handler may use it.
char* putNumber(char* out, uint64_t v) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) *out++ = digits[--n];
    return out;
}

char* putText(char* out, const char* text, const char* end) {
    while (*text && out < end) *out++ = *text++;
    return out;
}

// Prints what went wrong and the command that replays it (async-signal-safe).
void printReplay(const char* what) {
    const uint64_t seed = currentSeed.load();
    const int frame = currentFrame.load();
    char buf[1024];
    char* const end = buf + sizeof buf - 100;
    char* p = putText(buf, "soak: ", end);
    p = putText(p, what, end);
    p = putText(p, " at seed ", end);
    p = putNumber(p, seed);
    p = putText(p, " frame ", end);
    p = putNumber(p, static_cast<uint64_t>(frame));
    p = putText(p, "\nsoak: replay with vexlot_soak --seed ", end);
    p = putNumber(p, seed);
    p = putText(p, " --frames ", end);
    p = putNumber(p, static_cast<uint64_t>(std::max(frame, 1)));
    p = putText(p, shapingOptions.c_str(), end);
    *p++ = '\n';
    [[maybe_unused]] auto written = ::write(2, buf, static_cast<size_t>(p - buf));
}

void onAbort(int) {
    printReplay("abort (sanitizer report, failed assertion or uncaught exception above)");
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

// Stops the program when one frame (or a start-up) runs longer than the bound: a hang.
class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds bound) : bound_(bound), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void begin() { started_.store(Clock::now().time_since_epoch().count()); }
    void end() { started_.store(kIdle); }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::rep kIdle = -1;
    void watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
            const Clock::rep start = started_.load();
            if (start != kIdle && Clock::now() - Clock::time_point(Clock::duration(start)) > bound_) {
                printReplay("a frame ran longer than the hang bound");
                std::_Exit(3);
            }
        }
    }
    std::chrono::milliseconds bound_;
    std::atomic<Clock::rep> started_{kIdle};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

// What is wrong with the game's state, or an empty string.
std::string brokenInvariant(const Game& game) {
    auto outside = [](const char* name, int value, int lo, int hi) {
        if (value >= lo && value <= hi) return std::string();
        return std::string(name) + " is " + std::to_string(value) + ", outside " + std::to_string(lo) + ".." +
               std::to_string(hi);
    };
    for (std::string broken : {outside("rockCount", game.rockCount, 0, kMaxRocks),
                               outside("blastCount", game.blastCount, 0, kMaxBlasts),
                               outside("shrapnelCount", game.shrapnelCount, 0, kMaxShrapnel),
                               outside("rocketCount", game.rocketCount, 0, kMaxRockets),
                               outside("lastGuy", game.lastGuy, 0, kControlGuys),
                               outside("life", game.life.value, 0, 100)})
        if (!broken.empty()) return broken;
    for (int i = 0; i <= kMaxRockets; ++i) {
        std::string broken = outside("rocketPartCount", game.rocketPartCount[i], 0, kMaxRocketParts);
        if (!broken.empty()) return broken + " (rocket " + std::to_string(i) + ")";
    }
    return {};
}

// Sounds are only counted: the soak keeps no growing log.
struct SoundCount : SoundSink {
    long count = 0;
    void play(const std::string&, int32_t) override { ++count; }
};

struct Settings {
    int gameFrames = 20000;  // frames before a new game starts
    int afterDeath = 3000;   // frames a game goes on once the player is dead
    bool verbose = false;
};

// The most a game reached, to see what the random play covers (--verbose).
struct Peaks {
    int rocks = 0, blasts = 0, shrapnel = 0, rockets = 0, guys = 0, lowestLife = 100;
    float furthestScroll = 0;  // window units the camera moved right
    int deathFrame = 0;
    void see(const Game& game) {
        rocks = std::max<int>(rocks, game.rockCount);
        blasts = std::max<int>(blasts, game.blastCount);
        shrapnel = std::max<int>(shrapnel, game.shrapnelCount);
        rockets = std::max<int>(rockets, game.rocketCount);
        guys = std::max<int>(guys, game.lastGuy);
        lowestLife = std::min<int>(lowestLife, game.life.value);
        furthestScroll = std::max(furthestScroll, -game.picbackLeft);
        if (game.guyTable[0].state == 3 && deathFrame == 0) deathFrame = game.frame;
    }
};

// Plays one game of up to `frames` frames, ending it a while after the player died (a dead
// player's input does little). Returns the frames played, or -1 after printing a failure.
long playGame(uint64_t seed, int frames, const Settings& settings, Watchdog& watchdog) {
    currentSeed.store(seed);
    currentFrame.store(0);
    auto game = std::make_unique<Game>();
    SoundCount sounds;
    game->soundSink = &sounds;
    RandomPlayer player(seed);
    std::vector<InputEvent> events;
    Peaks peaks;
    try {
        watchdog.begin();
        startup(*game, seed);
        watchdog.end();
        for (int f = 0; f <= frames; ++f) {
            if (f > 0) {
                currentFrame.store(f);
                events.clear();
                player.nextFrame(events);
                watchdog.begin();
                const bool goesOn = runFrame(*game, events);
                watchdog.end();
                if (!goesOn) break;
            }
            if (std::string broken = brokenInvariant(*game); !broken.empty()) {
                printReplay(broken.c_str());
                return -1;
            }
            peaks.see(*game);
            if (peaks.deathFrame > 0 && game->frame - peaks.deathFrame >= settings.afterDeath) break;
        }
    } catch (const std::exception& e) {
        printReplay((std::string("exception: ") + e.what()).c_str());
        return -1;
    }
    if (settings.verbose)
        std::printf("soak: seed %" PRIu64 ": %d frames; most rocks %d, blasts %d, shrapnel %d, rockets %d, "
                    "lastGuy %d; lowest life %d; furthest scroll %.0f; dead at %d; %ld sounds\n",
                    seed, game->frame, peaks.rocks, peaks.blasts, peaks.shrapnel, peaks.rockets, peaks.guys,
                    peaks.lowestLife, peaks.furthestScroll, peaks.deathFrame, sounds.count);
    return game->frame;
}

}  // namespace

}  // namespace vexlot::soak

namespace {

constexpr const char* kUsage =
    "usage: vexlot_soak [--frames N] [--seed S] [--game-frames N] [--after-death N] [--hang-ms N] [--verbose]\n"
    "  --frames N       frames to play in all (default 100000)\n"
    "  --seed S         seed of the first game; game G uses S + G (default 1)\n"
    "  --game-frames N  frames before a new game starts (default 20000)\n"
    "  --after-death N  frames a game goes on once the player is dead (default 3000)\n"
    "  --hang-ms N      longest a frame may run (default 2000)\n"
    "  --verbose        a line per game with the most it reached\n";

// A whole number from the command line, or exit with the usage.
uint64_t wholeNumber(const char* text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || end == text || *end || text[0] == '-') {
        std::fprintf(stderr, "vexlot_soak: not a whole number: %s\n%s", text, kUsage);
        std::exit(2);
    }
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vexlot::soak;
    uint64_t frames = 100000, seed = 1, hangMs = 2000;
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--verbose") {
            settings.verbose = true;
            continue;
        }
        if (arg == "--frames") {
            frames = wholeNumber(value);
        } else if (arg == "--seed") {
            seed = wholeNumber(value);
        } else if (arg == "--game-frames") {
            settings.gameFrames = static_cast<int>(std::clamp<uint64_t>(wholeNumber(value), 1, 100000000));
        } else if (arg == "--after-death") {
            settings.afterDeath = static_cast<int>(std::min<uint64_t>(wholeNumber(value), 100000000));
        } else if (arg == "--hang-ms") {
            hangMs = std::max<uint64_t>(wholeNumber(value), 1);
        } else {
            std::fputs(kUsage, arg == "--help" || arg == "-h" ? stdout : stderr);
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
        ++i;
    }

    const Settings defaults;
    if (settings.gameFrames != defaults.gameFrames)
        shapingOptions += " --game-frames " + std::to_string(settings.gameFrames);
    if (settings.afterDeath != defaults.afterDeath)
        shapingOptions += " --after-death " + std::to_string(settings.afterDeath);
    std::signal(SIGABRT, onAbort);
    Watchdog watchdog{std::chrono::milliseconds(hangMs)};
    uint64_t played = 0;
    int games = 0;
    for (uint64_t g = 0; played < frames; ++g, ++games) {
        const auto length = static_cast<int>(std::min<uint64_t>(settings.gameFrames, frames - played));
        const long got = playGame(seed + g, length, settings, watchdog);
        if (got < 0) return 1;
        played += static_cast<uint64_t>(got);
    }
    std::printf("soak: %" PRIu64 " frames, %d games, no report\n", played, games);
    return 0;
}
