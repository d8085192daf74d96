#include "platform/headless.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <cinttypes>
#include <csignal>
#include <string>
#include <vector>
#include <cstdio>
#include <stdexcept>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "session/dump.h"
#include "session/files.h"
#include "session/session.h"
#include "session/synctest.h"
#include "view/compose.h"

namespace vexlot {

uint64_t clockSeed() {
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) & 0x7FFFFFFFFFFFull;
}

std::string encodePng(const uint32_t* argb, int width, int height) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[3 * i] = static_cast<unsigned char>(argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(argb[i]);
    }
    int size = 0;
    unsigned char* png = stbi_write_png_to_mem(rgb.data(), width * 3, width, height, 3, &size);
    if (!png) throw std::runtime_error("the picture could not be encoded");
    std::string bytes(reinterpret_cast<const char*>(png), static_cast<size_t>(size));
    STBIW_FREE(png);
    return bytes;
}

void writePng(const std::string& path, const uint32_t* argb, int width, int height) {
    writeOutputFile(path, encodePng(argb, width, height));
}

namespace {

// SIGINT, SIGTERM or SIGHUP stops the frames; the recording still gets its end line.
std::atomic<bool> gStopped{false};
extern "C" void stopFrames(int) { gStopped = true; }

void writeWorldPng(const Game& game, const std::string& path) {
    const Surface& s = game.picback;
    std::vector<uint32_t> argb(static_cast<size_t>(s.widthPx()) * s.heightPx());
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = toArgb(s.pixels()[i]);
    writePng(path, argb.data(), s.widthPx(), s.heightPx());
}

void reportMismatch(const Mismatch& m) {
    std::fprintf(stderr,
                 "vexlot: the game differs from the recording at the checkpoint of frame %d (line %d): "
                 "it first differs in frames %d..%d (expected %016" PRIx64 ", got %016" PRIx64 ")\n",
                 m.frame, m.line, m.fromFrame, m.frame, m.expected, m.got);
}

// The frame, the field, and both states as dumps beside each other in the current folder.
int reportSyncMismatch(const SyncMismatch& m, int distance) {
    std::fprintf(stderr, "vexlot: sync test: frame %d runs differently when run again from %d frames back: %s differs\n",
                 m.frame, distance, m.field.c_str());
    for (const auto& [which, text] : {std::pair{"first", &m.firstDump}, std::pair{"again", &m.againDump}}) {
        try {
            NewFile f = createUnique(".", std::string("vexlot-synctest-") + which, "json");
            writeNewFile(f, *text);
            std::fprintf(stderr, "vexlot: the state of the %s run: %s\n", which, f.path.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vexlot: %s\n", e.what());
        }
    }
    return 3;
}


}  // namespace

void WarnedLineFile::writeLine(const std::string& line) {
    file.writeLine(line);
    if (!file.ok() && !warned) {
        warned = true;
        std::fprintf(stderr, "vexlot: %s; the game goes on\n", file.error().c_str());
    }
}

RunInputs readRunInputs(const RunOptions& options) {
    RunInputs in;
    const std::string& input = options.replayPath.empty() ? options.scriptPath : options.replayPath;
    checkOutputs({{"--dump", options.dumpPath},
                  {"--trace", options.tracePath},
                  {"--world-png", options.worldPngPath},
                  {"--screenshot", options.screenshotPath},
                  {"--record", options.recordPath}},
                 {{"--script", options.scriptPath}, {"--replay", options.replayPath}, {"--level", options.levelPath}});
    if (!options.levelPath.empty()) in.level = levelFromFile(options.levelPath);
    if (!input.empty()) {
        try {
            in.script = parseScript(readInputFile(input, kScriptLimit),
                                    !options.replayPath.empty() ? 0
                                    : options.playersGiven      ? options.players
                                    : options.duel              ? 2
                                                                : 0);
        } catch (const std::exception& e) {
            throw std::runtime_error(input + ": " + e.what());
        }
        if (!options.replayPath.empty() && !in.script.isReplay)
            throw std::runtime_error(options.replayPath + " is not a replay (no header line)");
    }
    // --players and the script's `players` line agree, or the run is refused naming both.
    if (options.playersGiven && in.script.players == 2 && options.players != 2)
        throw std::runtime_error("--players " + std::to_string(options.players) + ", but " + input +
                                 " is a game of two (its 'players 2' line)");
    return in;
}

bool writeRunOutputs(const RunOptions& options, const Game& game, const SoundLog& sounds, float secondViewLeft) {
    try {
        if (!options.dumpPath.empty()) writeOutputFile(options.dumpPath, dumpJson(game, sounds, false));
        if (!options.worldPngPath.empty()) writeWorldPng(game, options.worldPngPath);
        if (!options.screenshotPath.empty()) {
            // The classic picture unless the window's look is asked for.
            FrameBuffer fb;
            ComposeOptions look;
            look.secondViewLeft = secondViewLeft;
            const Backdrop backdrop = backdropFor(game.picback);
            if (options.look == "backdrop") {
                look.backdrop = &backdrop;
                look.labels = true;
            }
            composeWindow(game, fb, look);
            writePng(options.screenshotPath, fb.argb.data(), fb.width, fb.height);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return false;
    }
    return true;
}

int runHeadless(const RunOptions& options) {
    Script script;
    Level level;
    try {
        RunInputs in = readRunInputs(options);
        script = std::move(in.script);
        level = std::move(in.level);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return 2;
    }
    uint64_t seed = options.seed;
    if (!options.seedGiven && script.hasSeed) seed = script.seed;
    if (!options.seedGiven && !script.hasSeed) std::printf("seed %" PRIu64 "\n", seed);
    const int frames = options.framesGiven || !script.isReplay ? options.frames : script.lastFrame();

    SoundLog sounds;
    const int players = options.playersGiven ? options.players : options.duel ? 2 : script.players;
    TwoPlayerRules rules = script.rules;
    rules.duel = rules.duel || options.duel;
    Session session(seed, std::move(level), &sounds, players, rules);
    sounds.game = &session.game();
    try {
        session.play(std::move(script));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s: %s\n", options.replayPath.c_str(), e.what());
        return 2;
    }
    WarnedLineFile trace, record;
    if (!options.tracePath.empty()) trace.file = LineFile::create(options.tracePath);
    if (!options.recordPath.empty()) {
        record.file = LineFile::create(options.recordPath);
        session.record(record);
    }

    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, stopFrames);
    const Game& game = session.game();
    std::optional<SyncTest> sync;
    if (options.syncDistance > 0) sync.emplace(session, options.syncDistance);
    for (int f = 1; f <= frames && !gStopped && (sync ? sync->step() : session.step()); ++f) {
        if (!options.tracePath.empty()) trace.writeLine(dumpJson(game, sounds, true));
        if (session.mismatch()) break;
    }
    if (sync && sync->mismatch()) return reportSyncMismatch(*sync->mismatch(), options.syncDistance);
    if (sync) std::printf("sync test: %d frames, each run again %d frames back (%lld frames run again): the same game\n",
                          game.frame, options.syncDistance, static_cast<long long>(sync->framesRunAgain()));
    if (!options.tracePath.empty() && game.ended) trace.writeLine(dumpJson(game, sounds, true));
    session.finish();
    if (gStopped) std::fprintf(stderr, "vexlot: stopped by a signal at frame %d\n", game.frame);
    if (const auto& m = session.mismatch()) {
        reportMismatch(*m);
        return 3;
    }
    const Script& played = session.script();
    if (played.isReplay) {
        if (played.endFrame > 0)
            std::printf("replay verified: %d checkpoints, %d frames\n", session.checksPassed(), game.frame);
        else
            std::printf("replay verified: %d checkpoints; the recording was cut short after frame %d; verified up to "
                        "frame %d\n",
                        session.checksPassed(), played.cutAfterFrame, played.lastFrame());
    }

    const bool traceOk = trace.file.close();
    const bool recordOk = record.file.close();
    const bool outputsOk = writeRunOutputs(options, game, sounds, session.secondViewLeft());
    if (!(traceOk && recordOk && outputsOk)) return 2;
    return gStopped ? 4 : 0;
}

}  // namespace vexlot
