#include "platform/headless.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "platform/compose.h"
#include "platform/json.h"

namespace vexlot {

namespace {

bool parseInt(const std::string& s, long long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(s.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseFloat(const std::string& s, float& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    return *end == '\0' && std::isfinite(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

Script parseScript(const std::string& text) {
    Script script;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool sawEvent = false;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty() || w[0][0] == '#') continue;
        auto fail = [&](const std::string& why) {
            throw std::runtime_error("script line " + std::to_string(number) + ": " + why + ": \"" + line + "\"");
        };
        long long n = 0;
        if (w[0] == "seed") {
            if (sawEvent || script.hasSeed) fail("a seed line may only come first");
            if (w.size() != 2 || !parseInt(w[1], n) || n < 0) fail("expected 'seed S' with a whole number S >= 0");
            script.hasSeed = true;
            script.seed = static_cast<uint64_t>(n);
            continue;
        }
        sawEvent = true;
        if (!parseInt(w[0], n) || n < 1 || n > 100000000) fail("expected a frame number of 1 or more");
        if (w.size() < 2) fail("missing the event name");
        ScriptEvent e;
        e.frame = static_cast<int>(n);
        using T = InputEvent::Type;
        const std::string& kind = w[1];
        auto wantArgs = [&](size_t count) {
            if (w.size() != count + 2) fail("'" + kind + "' takes " + std::to_string(count) + " argument(s)");
        };
        auto intArg = [&](size_t i, long long lo, long long hi) {
            long long v = 0;
            if (!parseInt(w[i], v) || v < lo || v > hi)
                fail("expected a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
            return static_cast<int>(v);
        };
        auto floatArg = [&](size_t i) {
            float v = 0;
            if (!parseFloat(w[i], v)) fail("expected a number");
            return v;
        };
        if (kind == "down" || kind == "up" || kind == "char") {
            wantArgs(1);
            e.event.type = kind == "down" ? T::KeyDown : kind == "up" ? T::KeyUp : T::Char;
            e.event.code = intArg(2, 0, 255);
        } else if (kind == "click" || kind == "palette") {
            wantArgs(2);
            e.event.type = kind == "click" ? T::WorldClick : T::PaletteClick;
            e.event.x = floatArg(2);
            e.event.y = floatArg(3);
        } else if (kind == "option") {
            wantArgs(1);
            e.event.type = T::Option;
            e.event.code = intArg(2, 1, 9);
        } else if (kind == "button") {
            wantArgs(1);
            if (w[2] != "Command1" && w[2] != "Command3") fail("unknown button (Command1 or Command3)");
            e.event.type = T::Button;
            e.event.name = w[2];
        } else if (kind == "close") {
            wantArgs(0);
            e.event.type = T::Close;
        } else {
            fail("unknown event '" + kind + "'");
        }
        script.events.push_back(e);
    }
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return script;
}

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

}  // namespace

int runHeadless(const RunOptions& options) {
    Script script;
    try {
        if (!options.scriptPath.empty()) script = parseScript(readFile(options.scriptPath));
    } catch (const std::exception& e) {
        std::cerr << "vexlot: " << e.what() << "\n";
        return 2;
    }
    uint64_t seed = options.seed;
    if (!options.seedGiven && script.hasSeed) seed = script.seed;
    if (!options.seedGiven && !script.hasSeed) std::printf("seed %" PRIu64 "\n", seed);

    auto game = std::make_unique<Game>();
    SoundLog sounds;
    sounds.game = game.get();
    game->soundSink = &sounds;
    startup(*game, seed);

    std::ofstream trace;
    if (!options.tracePath.empty()) {
        trace.open(options.tracePath, std::ios::binary);
        if (!trace) {
            std::cerr << "vexlot: cannot write " << options.tracePath << "\n";
            return 2;
        }
    }
    size_t next = 0;
    std::vector<InputEvent> frameEvents;
    for (int f = 1; f <= options.frames && !game->ended; ++f) {
        frameEvents.clear();
        while (next < script.events.size() && script.events[next].frame <= f) frameEvents.push_back(script.events[next++].event);
        runFrame(*game, frameEvents);
        if (trace.is_open()) trace << dumpJson(*game, sounds, true) << "\n";
    }

    bool ok = true;
    if (!options.dumpPath.empty()) ok &= writeText(options.dumpPath, dumpJson(*game, sounds, false));
    if (!options.worldPngPath.empty()) ok &= writeWorldPng(*game, options.worldPngPath);
    if (!options.screenshotPath.empty()) {
        FrameBuffer fb;
        composeWindow(*game, fb);
        ok &= writePng(options.screenshotPath, fb.argb.data(), fb.width, fb.height);
    }
    if (!ok) {
        std::cerr << "vexlot: could not write an output file\n";
        return 2;
    }
    return 0;
}

}  // namespace vexlot
