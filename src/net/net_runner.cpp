#include "net/net_runner.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "net/enet_link.h"
#include "net/handshake.h"
#include "net/rollback.h"
#include "platform/headless.h"
#include "net/ws_link.h"
#include "session/dump.h"
#include "session/files.h"

namespace vexlot::net {

namespace {

std::atomic<bool> stopRequested{false};
void requestStop(int) { stopRequested = true; }

// The recording a peer makes unless told where: a new file in the current folder, created
// exclusively and never through a symlink (the joiner's name comes from the host's seed), with
// -2, -3 ... when the name is taken.
// Throws std::runtime_error naming the file and the reason.
LineFile createDefaultRecording(const std::string& stem) {
    for (int n = 1; n <= 100; ++n) {
        const std::string path = (n == 1 ? stem : stem + "-" + std::to_string(n)) + ".replay";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) return LineFile::adopt(fd, path);
        if (errno != EEXIST) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    }
    throw std::runtime_error("cannot create " + stem + ".replay: it and a hundred other names are taken");
}


using Clock = std::chrono::steady_clock;

uint64_t msSince(Clock::time_point t0) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

int fail(const std::string& why) {
    std::fprintf(stderr, "vexlot: %s\n", why.c_str());
    return 2;
}

// Tests only: the frame after which this peer flips one pixel of its world (a forced desync).
int32_t desyncTestFrame() {
#ifdef VEXLOT_NET_TEST_HOOKS
    if (const char* v = std::getenv("VEXLOT_NET_TEST_DESYNC_FRAME")) return std::atoi(v);
#endif
    return 0;
}


}  // namespace

void reportMatch(const Netplay& play, int roundTripMs, const std::string& replayPath) {
    std::printf("%s\n", play.message().c_str());
    const NetStats& s = play.stats();
    std::printf("net: %lld rollbacks (longest %d frames), %lld frames run again, %lld waits; input delay %d",
                static_cast<long long>(s.rollbacks), s.longestRollback, static_cast<long long>(s.framesRerun),
                static_cast<long long>(s.waits), play.inputDelay());
    if (roundTripMs >= 0) std::printf(", round trip %d ms", roundTripMs);
    std::printf("; worst tick %.1f ms\n", s.worstTickMs);
    std::printf("net: messages %lld in, %lld out; dropped %lld malformed, %lld stale, %lld conflicting; %lld state "
                "checks agreed\n",
                static_cast<long long>(s.messagesIn), static_cast<long long>(s.messagesOut),
                static_cast<long long>(s.malformed), static_cast<long long>(s.stale),
                static_cast<long long>(s.conflicting), static_cast<long long>(s.checksCompared));
    if (!replayPath.empty())
        std::printf("replay written to %s (frames up to %d)\n", replayPath.c_str(), play.confirmedFrame());
    std::printf("final state hash %016" PRIx64 " at frame %d\n", stateHash(play.game()), play.game().frame);
    std::fflush(stdout);
}

// Where a match is recorded unless --record says: the data folder, as every game's recording.
std::string recordingStem(const std::string& role, uint64_t seed) {
    std::string why;
    const std::optional<std::string> folder = dataFolder(why);
    if (!folder) throw std::runtime_error("no folder for the match's recording (" + why + "): give --record FILE");
    return *folder + "/vexlot-" + role + "-" + std::to_string(seed);
}

// The headless runner's options that a network peer shares: its files, read and written by the
// same rules.
RunOptions runOptionsOf(const NetRunOptions& options) {
    RunOptions run;
    run.scriptPath = options.scriptPath;
    run.recordPath = options.recordPath;
    run.levelPath = options.levelPath;
    run.dumpPath = options.dumpPath;
    run.worldPngPath = options.worldPngPath;
    run.screenshotPath = options.screenshotPath;
    run.look = options.look;
    return run;
}

int runNetHeadless(const NetRunOptions& options) {
    const RunOptions run = runOptionsOf(options);
    Script script;
    Level level;
    try {
        RunInputs in = readRunInputs(run);
        script = std::move(in.script);
        level = std::move(in.level);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (script.isReplay || script.players != 1)
        return fail(options.scriptPath + ": a network peer plays a one-player script (its events are this player's)");
    const int frames = options.framesGiven ? options.frames : script.lastFrame();
    if (frames <= 0) return fail("a headless network peer needs --frames or a --script with events");

    const std::string role = options.host ? "host" : "join";
    // A signal ends the match with its end line, and stops the waiting and the handshake too.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGHUP, requestStop);
    Connection connection;
    try {
        const auto waitStart = Clock::now();
        connection = connectPeer(options, level.tag, static_cast<uint32_t>(frames), [&](uint16_t) {
            return !stopRequested && msSince(waitStart) < static_cast<uint64_t>(options.waitSeconds) * 1000;
        });
    } catch (const NetError& e) {
        return fail(e.what());
    }
    if (!connection.link && stopRequested) return fail("the program was stopped before the match began");
    if (!connection.link) return fail("nobody joined within " + std::to_string(options.waitSeconds) + " s");
    PeerLink& link = *connection.link;
    const Agreement& agreement = connection.agreement;

    WarnedLineFile replayOut;
    try {
        replayOut.file = options.recordPath.empty()
                             ? createDefaultRecording(recordingStem(role, agreement.seed))
                             : LineFile::create(options.recordPath);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (!replayOut.file.ok()) return fail(replayOut.file.error());
    const std::string replayPath = replayOut.file.path();

    SoundLog sounds;
    MatchSetup setup;
    setup.seed = agreement.seed;
    setup.level = std::move(level);
    setup.localPlayer = options.host ? 0 : 1;
    setup.inputDelay = agreement.inputDelay;
    setup.lastFrame = agreement.lastFrame;
    setup.sounds = &sounds;
    setup.record = &replayOut;
    setup.script = std::move(script);
    setup.desyncTestFrame = desyncTestFrame();
    Netplay play(link, std::move(setup));
    sounds.game = &play.game();

    // Paced like the window: one tick every 16 ms, late ticks not made up.
    const auto t0 = Clock::now();
    auto next = t0;
    while (true) {
        if (stopRequested) {
            play.quit("the program was stopped");
            break;
        }
        if (!play.tick({}, msSince(t0))) break;
        next += std::chrono::milliseconds(16);
        const auto now = Clock::now();
        if (next < now) next = now;
        std::this_thread::sleep_until(next);
    }
    link.close(300);

    const bool recorded = replayOut.file.close();
    reportMatch(play, agreement.roundTripMs, recorded ? replayPath : "");
    if (const auto* relayed = dynamic_cast<const WsLink*>(&link); relayed && play.outcome() == Outcome::Disconnected)
        std::printf("%s\n", relayed->closedBecause().c_str());
    if (!recorded) {
        std::fprintf(stderr, "vexlot: %s; its complete lines are kept\n", replayOut.file.error().c_str());
        return 2;
    }
    if (!writeRunOutputs(run, play.game(), sounds, play.secondViewLeft())) return 2;
    switch (play.outcome()) {
    case Outcome::Finished: return 0;
    case Outcome::Desync: return 3;
    default: return 4;
    }
}

}  // namespace vexlot::net
