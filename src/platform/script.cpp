#include "platform/script.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "platform/headless.h"

namespace vexlot {

#ifndef VEXLOT_VERSION
#define VEXLOT_VERSION "dev"
#endif
const char* programVersion() { return VEXLOT_VERSION; }

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

bool parseHex(const std::string& s, uint64_t& out, size_t digits) {
    if (s.size() != digits) return false;
    out = 0;
    for (char c : s) {
        int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (v < 0) return false;
        out = out * 16 + static_cast<uint64_t>(v);
    }
    return true;
}

std::string hex(uint64_t v, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*" PRIx64, digits, v);
    return buf;
}

std::string number(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

}  // namespace

int Script::lastFrame() const {
    int last = endFrame;
    if (!events.empty()) last = std::max(last, events.back().frame);
    if (!checks.empty()) last = std::max(last, checks.back().frame);
    return last;
}

uint32_t lineSum(uint32_t sum, const std::string& bytes) {
    for (unsigned char c : bytes) {
        sum ^= c;
        sum *= 16777619u;
    }
    return sum;
}
constexpr uint32_t kLineSumStart = 2166136261u;

Script parseScript(const std::string& text) {
    Script script;
    size_t pos = 0;
    int number = 0;
    bool sawEvent = false;
    uint32_t sum = kLineSumStart;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        const bool complete = eol != std::string::npos;
        std::string raw = text.substr(pos, complete ? eol + 1 - pos : std::string::npos);
        pos += raw.size();
        ++number;
        std::string line = raw;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        auto fail = [&](const std::string& why) {
            throw std::runtime_error(std::string(script.isReplay ? "replay" : "script") + " line " +
                                     std::to_string(number) + ": " + why + ": \"" + line + "\"");
        };
        if (script.isReplay && !complete) fail("the line is cut short (the recording was truncated)");
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        const uint32_t sumBefore = sum;
        sum = lineSum(sum, raw);
        if (w.empty() || w[0][0] == '#') continue;
        long long n = 0;
        if (line == kReplayMagic) {
            if (number != 1) fail("the replay header must be the first line");
            script.isReplay = true;
            continue;
        }
        if (w[0] == "version") {
            if (!script.isReplay || sawEvent || w.size() != 2) fail("expected 'version V' right after the replay header");
            script.version = w[1];
            if (script.version != programVersion())
                fail("recorded by vexlot " + script.version + ", this is vexlot " + programVersion());
            continue;
        }
        if (w[0] == "seed") {
            if (sawEvent || script.hasSeed) fail("a seed line may only come first");
            if (w.size() != 2 || !parseInt(w[1], n) || n < 0) fail("expected 'seed S' with a whole number S >= 0");
            script.hasSeed = true;
            script.seed = static_cast<uint64_t>(n);
            continue;
        }
        if (script.isReplay && script.version.empty()) fail("expected 'version V' right after the replay header");
        sawEvent = true;
        if (!parseInt(w[0], n) || n < 1 || n > 100000000) fail("expected a frame number of 1 or more");
        if (w.size() < 2) fail("missing the event name");
        if (n < script.lastFrame() && script.isReplay) fail("frames of a replay never go back");
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
        if (kind == "check") {
            wantArgs(2);
            uint64_t hash = 0, expectedSum = 0;
            if (!parseHex(w[2], hash, 16) || !parseHex(w[3], expectedSum, 8))
                fail("expected 'FRAME check HASH SUM' with 16 and 8 hex digits");
            if (static_cast<uint32_t>(expectedSum) != sumBefore)
                fail("checksum mismatch: the replay was changed or damaged before this line");
            script.checks.push_back({e.frame, hash, number});
            continue;
        }
        if (kind == "end") {
            wantArgs(0);
            script.endFrame = e.frame;
            continue;
        }
        if (kind == "down" || kind == "up" || kind == "char") {
            wantArgs(1);
            e.event.type = kind == "down" ? T::KeyDown : kind == "up" ? T::KeyUp : T::Char;
            e.event.code = intArg(2, 0, 255);
        } else if (kind == "click" || kind == "palette" || kind == "press") {
            wantArgs(2);
            e.event.type = kind == "click" ? T::WorldClick : kind == "palette" ? T::PaletteClick : T::WindowPress;
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
    if (script.isReplay && script.version.empty())
        throw std::runtime_error("replay line " + std::to_string(number + 1) + ": the header is incomplete");
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return script;
}

uint64_t stateHash(const Game& game) {
    SoundLog none;
    const std::string text = dumpJson(game, none, true);
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string eventLine(int frame, const InputEvent& e) {
    using T = InputEvent::Type;
    const std::string f = std::to_string(frame) + " ";
    switch (e.type) {
    case T::KeyDown: return f + "down " + std::to_string(e.code);
    case T::KeyUp: return f + "up " + std::to_string(e.code);
    case T::Char: return f + "char " + std::to_string(e.code);
    case T::WorldClick: return f + "click " + number(e.x) + " " + number(e.y);
    case T::PaletteClick: return f + "palette " + number(e.x) + " " + number(e.y);
    case T::WindowPress: return f + "press " + number(e.x) + " " + number(e.y);
    case T::Option: return f + "option " + std::to_string(e.code);
    case T::Button: return f + "button " + e.name;
    case T::Close: return f + "close";
    }
    return f + "close";
}

ReplayWriter::ReplayWriter(std::ostream& out, uint64_t seed) : out_(out), sum_(kLineSumStart) {
    write(kReplayMagic);
    write(std::string("version ") + programVersion());
    write("seed " + std::to_string(seed));
}

void ReplayWriter::write(const std::string& line) {
    const std::string raw = line + "\n";
    out_ << raw;
    out_.flush();
    sum_ = lineSum(sum_, raw);
}

void ReplayWriter::frame(const Game& game, std::span<const InputEvent> events) {
    for (const InputEvent& e : events) {
        write(eventLine(game.frame, e));
        if (e.type == InputEvent::Type::Close || (e.type == InputEvent::Type::Char && e.code == 27)) break;  // the game ended here
    }
    if (game.frame % kCheckpointFrames == 0 && !game.ended)
        write(std::to_string(game.frame) + " check " + hex(stateHash(game), 16) + " " + hex(sum_, 8));
}

void ReplayWriter::end(const Game& game) { write(std::to_string(game.frame) + " end"); }

}  // namespace vexlot
