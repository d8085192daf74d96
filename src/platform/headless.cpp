#include "platform/headless.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "session/dump.h"
#include "session/session.h"
#include "view/compose.h"

namespace vexlot {

namespace {
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

uint64_t clockSeed() {
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) & 0x7FFFFFFFFFFFull;
}

bool writePng(const std::string& path, const uint32_t* argb, int width, int height) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[3 * i] = static_cast<unsigned char>(argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(argb[i]);
    }
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

namespace {

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool writeWorldPng(const Game& game, const std::string& path) {
    const Surface& s = game.picback;
    std::vector<uint32_t> argb(static_cast<size_t>(s.widthPx()) * s.heightPx());
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = toArgb(s.pixels()[i]);
    return writePng(path, argb.data(), s.widthPx(), s.heightPx());
}

void reportMismatch(const Mismatch& m) {
    std::fprintf(stderr,
                 "vexlot: the game differs from the recording at the checkpoint of frame %d (line %d): "
                 "it first differs in frames %d..%d (expected %016" PRIx64 ", got %016" PRIx64 ")\n",
                 m.frame, m.line, m.fromFrame, m.frame, m.expected, m.got);
}

}  // namespace

int runHeadless(const RunOptions& options) {
    Script script;
    Level level;
    try {
        if (!options.levelPath.empty()) level = levelFromFile(options.levelPath);
        if (!options.replayPath.empty()) {
            script = parseScript(readFile(options.replayPath));
            if (!script.isReplay) throw std::runtime_error(options.replayPath + " is not a replay (no header line)");
        } else if (!options.scriptPath.empty()) {
            script = parseScript(readFile(options.scriptPath));
        }
    } catch (const std::exception& e) {
        std::cerr << "vexlot: " << e.what() << "\n";
        return 2;
    }
    uint64_t seed = options.seed;
    if (!options.seedGiven && script.hasSeed) seed = script.seed;
    if (!options.seedGiven && !script.hasSeed) std::printf("seed %" PRIu64 "\n", seed);
    const int frames = options.framesGiven || !script.isReplay ? options.frames : script.lastFrame();

    SoundLog sounds;
    const int players = options.playersGiven ? options.players : script.players;
    Session session(seed, std::move(level), &sounds, players);
    sounds.game = &session.game();
    try {
        session.play(std::move(script));
    } catch (const std::exception& e) {
        std::cerr << "vexlot: " << options.replayPath << ": " << e.what() << "\n";
        return 2;
    }

    std::ofstream trace;
    if (!options.tracePath.empty()) {
        trace.open(options.tracePath, std::ios::binary);
        if (!trace) {
            std::cerr << "vexlot: cannot write " << options.tracePath << "\n";
            return 2;
        }
    }
    std::ofstream recordFile;
    std::optional<StreamLineOutput> recordOut;
    if (!options.recordPath.empty()) {
        recordFile.open(options.recordPath, std::ios::binary | std::ios::trunc);
        if (!recordFile) {
            std::cerr << "vexlot: cannot write " << options.recordPath << "\n";
            return 2;
        }
        session.record(recordOut.emplace(recordFile));
    }

    const Game& game = session.game();
    for (int f = 1; f <= frames && session.step(); ++f) {
        if (trace.is_open()) trace << dumpJson(game, sounds, true) << "\n";
        if (session.mismatch()) break;
    }
    if (trace.is_open() && game.ended) trace << dumpJson(game, sounds, true) << "\n";
    session.finish();
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

    bool ok = true;
    if (!options.dumpPath.empty()) ok &= writeText(options.dumpPath, dumpJson(game, sounds, false));
    if (!options.worldPngPath.empty()) ok &= writeWorldPng(game, options.worldPngPath);
    if (!options.screenshotPath.empty()) {
        FrameBuffer fb;
        composeWindow(game, fb, session.secondViewLeft());
        ok &= writePng(options.screenshotPath, fb.argb.data(), fb.width, fb.height);
    }
    if (!ok) {
        std::cerr << "vexlot: could not write an output file\n";
        return 2;
    }
    return 0;
}

}  // namespace vexlot
