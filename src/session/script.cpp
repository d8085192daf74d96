#include "session/script.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "session/dump.h"

namespace vexlot {

#ifndef VEXLOT_VERSION
#define VEXLOT_VERSION "dev"
#endif
const char* programVersion() { return VEXLOT_VERSION; }

namespace {

using T = InputEvent::Type;

// The event grammar: one row per event name, read by the parser and the writer alike.
enum class Args { Code, Point, Option, Button, None };
// `lo`..`hi`: the whole numbers a code or option may be (the network decoder keeps to them too).
struct EventSyntax {
    std::string_view name;
    T type;
    Args args;
    int lo = 0, hi = 0;
};
constexpr EventSyntax kEvents[] = {
    {"down", T::KeyDown, Args::Code, 0, 255},  {"up", T::KeyUp, Args::Code, 0, 255},
    {"char", T::Char, Args::Code, 0, 255},     {"click", T::WorldClick, Args::Point},
    {"palette", T::PaletteClick, Args::Point}, {"press", T::WindowPress, Args::Point},
    {"option", T::Option, Args::Option, 1, 9}, {"button", T::Button, Args::Button},
    {"close", T::Close, Args::None},
};
constexpr std::string_view kButtons[] = {"Command1", "Command3"};
constexpr std::string_view kSecondPlayer = "p2";

const EventSyntax* syntaxOf(std::string_view name) {
    for (const EventSyntax& s : kEvents)
        if (s.name == name) return &s;
    return nullptr;
}
const EventSyntax* findSyntax(T type) {
    for (const EventSyntax& s : kEvents)
        if (s.type == type) return &s;
    return nullptr;
}
const EventSyntax& syntaxOf(T type) {
    const EventSyntax* s = findSyntax(type);
    return s ? *s : kEvents[0];
}
std::string rangeText(const EventSyntax& s) {
    return "expected a whole number from " + std::to_string(s.lo) + " to " + std::to_string(s.hi);
}

bool parseWhole(std::string_view s, long long lo, long long hi, long long& out) {
    if (s.empty() || s.size() > 19) return false;
    long long v = 0;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    out = s[0] == '-' ? -v : v;
    return out >= lo && out <= hi;
}

bool parseFloat(std::string_view s, float& out) {
    if (s.empty() || s.size() > 40) return false;
    const std::string copy(s);
    char* end = nullptr;
    out = std::strtof(copy.c_str(), &end);
    return *end == '\0' && std::isfinite(out);
}

bool parseHex(std::string_view s, uint64_t& out, size_t digits) {
    if (s.size() != digits) return false;
    out = 0;
    for (char c : s) {
        const int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
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

std::string quoted(std::string_view line) { return quoteText(line, 80); }

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) w.push_back(line.substr(start, i - start));
    }
    return w;
}

constexpr uint32_t kLineSumStart = 2166136261u;

// Reads one script or replay, line by line; every rule of the format is checked here.
class Parser {
public:
    Parser(std::string_view text, int players) : text_(text), optionPlayers_(players) {
        if (players == 2) script_.players = 2;
    }

    Script parse() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);  // a byte-order mark, as some editors write
        size_t pos = 0;
        while (pos < text_.size()) {
            const size_t eol = text_.find('\n', pos);
            if (eol == std::string_view::npos) {
                // A last line without its line end: a script's last line, or where a recording was cut.
                if (!startsReplay()) {
                    ++number_;
                    line(text_.substr(pos), text_.substr(pos));
                }
                break;
            }
            ++number_;
            const std::string_view raw = text_.substr(pos, eol + 1 - pos);
            pos = eol + 1;
            line(raw.substr(0, raw.size() - 1), raw);
        }
        finish();
        return std::move(script_);
    }

private:
    bool startsReplay() const { return text_.substr(0, kReplayMagic.size()) == kReplayMagic; }

    [[noreturn]] void fail(std::string_view why) const {
        throw std::runtime_error(std::string(script_.isReplay ? "replay" : "script") + " line " +
                                 std::to_string(number_) + ": " + std::string(why) + ": " + quoted(current_));
    }

    void line(std::string_view text, std::string_view raw) {
        current_ = text;
        const uint32_t sumBefore = sum_;
        sum_ = lineSum(sum_, raw);
        if (!text.empty() && text.back() == '\r') {
            if (script_.isReplay || startsReplay())
                fail("line endings changed (CR LF): the replay was converted as text after it was recorded");
            text.remove_suffix(1);
        }
        if (text.find('\0') != std::string_view::npos) fail("a NUL byte in the line");
        if (script_.endFrame > 0 && !words(text).empty()) fail("a line after the end line");
        if (const size_t hash = text.find('#'); hash != std::string_view::npos) text = text.substr(0, hash);
        const std::vector<std::string_view> w = words(text);
        if (number_ == 1 && !w.empty() && w[0] == "vexlot-replay") return header(w);
        if (script_.isReplay && number_ <= 4) return replayHeader(w);
        if (w.empty()) return;
        if (w[0] == "seed") {
            if (sawEvent_ || script_.hasSeed) fail("a seed line may only come first");
            seedLine(w);
            return;
        }
        if (w[0] == "players") {
            long long n = 0;
            if (sawEvent_ || sawPlayers_) fail("a players line may only come before the events");
            if (w.size() != 2 || !parseWhole(w[1], 1, 2, n)) fail("expected 'players 1' or 'players 2'");
            if (optionPlayers_ != 0 && n != optionPlayers_)
                fail("--players " + std::to_string(optionPlayers_) + " was given, but the script says 'players " +
                     std::to_string(n) + "'");
            script_.players = static_cast<int>(n);
            sawPlayers_ = true;
            return;
        }
        if (w[0] == "versus" || w[0] == "duel") return twoPlayerLine(w);
        event(w, sumBefore, text);
    }

    void header(const std::vector<std::string_view>& w) {
        if (w.size() == 2 && w[1] == kReplayMagic.substr(kReplayMagic.find(' ') + 1)) {
            script_.isReplay = true;
            return;
        }
        fail("a replay format this vexlot cannot read (it reads '" + std::string(kReplayMagic) +
             "'; record the game again with this version)");
    }

    // Lines 2..4 of a replay: version, seed, level, in that order.
    void replayHeader(const std::vector<std::string_view>& w) {
        static constexpr std::string_view kOrder[] = {"version", "seed", "level"};
        const std::string_view want = kOrder[number_ - 2];
        if (w.size() != 2 || w[0] != want) fail("expected '" + std::string(want) + " ...' in the replay's header");
        if (want == "version") {
            script_.version = std::string(w[1]);
            if (script_.version != programVersion())
                fail("recorded by vexlot " + script_.version + ", this is vexlot " + programVersion());
        } else if (want == "seed") {
            seedLine(w);
        } else {
            uint64_t h = 0;
            if (w[1] != kBuiltinLevel && !parseHex(w[1], h, 16)) fail("expected 'level builtin' or 'level HASH'");
            script_.level = std::string(w[1]);
        }
    }

    // `versus N` (the two-player rules: 1 the versus rules, 0 the first ones) and `duel yes|no`: how a
    // game of two is played, after its players line.
    void twoPlayerLine(const std::vector<std::string_view>& w) {
        if (sawEvent_) fail("a " + std::string(w[0]) + " line may only come before the events");
        if (script_.players != 2) fail("a " + std::string(w[0]) + " line belongs to a game of two (after 'players 2')");
        if (w[0] == "versus") {
            long long n = 0;
            if (sawVersus_ || w.size() != 2 || !parseWhole(w[1], 0, 1, n)) fail("expected one 'versus 0' or 'versus 1' line");
            script_.rules.versus = static_cast<int>(n);
            sawVersus_ = true;
            return;
        }
        if (sawDuel_ || w.size() != 2 || (w[1] != "yes" && w[1] != "no")) fail("expected one 'duel yes' or 'duel no' line");
        script_.rules.duel = w[1] == "yes";
        sawDuel_ = true;
    }

    void seedLine(const std::vector<std::string_view>& w) {
        if (w.size() != 2 || !parseSeed(w[1], script_.seed))
            fail("expected 'seed S' with a whole number 0 <= S < 2^64");
        script_.hasSeed = true;
    }

    void event(std::vector<std::string_view> w, uint32_t sumBefore, std::string_view text) {
        long long frame = 0;
        if (!parseWhole(w[0], 1, kMaxFrames, frame))
            fail("expected a frame number from 1 to " + std::to_string(kMaxFrames) + " (a day of play)");
        if (w.size() < 2) fail("missing the event name");
        sawEvent_ = true;
        const int f = static_cast<int>(frame);
        if (script_.isReplay && f < lastFrame_) fail("frames of a replay never go back");
        lastFrame_ = std::max(lastFrame_, f);
        if (script_.isReplay && (w[1] == "check" || w[1] == "end")) return checkLine(w, f, sumBefore, text);
        // `FRAME p2 EVENT ...`: the second player's event, in two-player games.
        const int player = w[1] == kSecondPlayer ? 1 : 0;
        if (player == 1) {
            if (script_.players < 2) fail("a second player's event in a game of one player (it needs a 'players 2' line)");
            w.erase(w.begin() + 1);
            if (w.size() < 2) fail("missing the event name");
        }
        const std::string_view kind = w[1];
        const EventSyntax* syntax = syntaxOf(kind);
        if (!syntax) fail("unknown event '" + std::string(kind) + "'");
        const size_t count = syntax->args == Args::Point ? 2 : syntax->args == Args::None ? 0 : 1;
        if (w.size() != count + 2) fail("'" + std::string(kind) + "' takes " + std::to_string(count) + " argument(s)");
        ScriptEvent e;
        e.frame = f;
        e.event.type = syntax->type;
        e.event.player = player;
        long long v = 0;
        switch (syntax->args) {
        case Args::Code:
        case Args::Option:
            if (!parseWhole(w[2], syntax->lo, syntax->hi, v)) fail(rangeText(*syntax));
            e.event.code = static_cast<int>(v);
            break;
        case Args::Point:
            if (!parseFloat(w[2], e.event.x) || !parseFloat(w[3], e.event.y)) fail("expected a number");
            break;
        case Args::Button:
            if (std::find(std::begin(kButtons), std::end(kButtons), w[2]) == std::end(kButtons))
                fail("unknown button (Command1 or Command3)");
            e.event.name = std::string(w[2]);
            break;
        case Args::None: break;
        }
        script_.events.push_back(std::move(e));
    }

    // The line's SUM covers every byte before it: the lines above and this line up to the SUM itself.
    void checkLine(const std::vector<std::string_view>& w, int frame, uint32_t sumBefore, std::string_view text) {
        uint64_t hash = 0, expectedSum = 0;
        if (w.size() != 4 || !parseHex(w[2], hash, 16) || !parseHex(w[3], expectedSum, 8))
            fail("expected 'FRAME " + std::string(w[1]) + " HASH SUM' with 16 and 8 hex digits");
        const std::string_view head = text.substr(0, static_cast<size_t>(w[3].data() - text.data()));
        if (static_cast<uint32_t>(expectedSum) != lineSum(sumBefore, head))
            fail("checksum mismatch: the replay was changed or damaged before this line");
        script_.checks.push_back({frame, hash, number_});
        if (w[1] == "end") script_.endFrame = frame;
    }

    void finish() {
        // A recording of two players from before the versus rules has no versus line.
        if (script_.isReplay && script_.players == 2 && !sawVersus_) script_.rules.versus = 0;
        if (script_.rules.versus == 0 && script_.rules.duel)
            throw std::runtime_error(std::string(script_.isReplay ? "replay" : "script") +
                                     ": a duel is a game of the versus rules (it needs 'versus 1')");
        if (!script_.isReplay) {
            std::stable_sort(script_.events.begin(), script_.events.end(),
                             [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
            return;
        }
        if (number_ < 4 || script_.level.empty())
            throw std::runtime_error("replay line " + std::to_string(number_ + 1) +
                                     ": the header is incomplete (it needs version, seed and level lines)");
        if (script_.endFrame > 0) return;
        // Cut short: keep what the last checkpoint vouches for; later lines were never verified.
        script_.cutAfterFrame = lastFrame_;
        const int verified = script_.checks.empty() ? 0 : script_.checks.back().frame;
        std::erase_if(script_.events, [&](const ScriptEvent& e) { return e.frame > verified; });
    }

    std::string_view text_;
    std::string_view current_;
    Script script_;
    int number_ = 0;
    int lastFrame_ = 0;
    bool sawEvent_ = false;
    bool sawPlayers_ = false, sawVersus_ = false, sawDuel_ = false;
    int optionPlayers_ = 0;  // --players, when given
    uint32_t sum_ = kLineSumStart;
};

}  // namespace

std::string quoteText(std::string_view text, size_t limit) {
    std::string q = "\"";
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            q += buf;
        } else {
            q += static_cast<char>(c);
        }
    }
    return q + (text.size() > limit ? "\"..." : "\"");
}

bool eventInGrammar(const InputEvent& e) {
    const EventSyntax* s = findSyntax(e.type);
    if (!s || (e.player != 0 && e.player != 1)) return false;
    switch (s->args) {
    case Args::Code:
    case Args::Option: return e.code >= s->lo && e.code <= s->hi;
    case Args::Point: return std::isfinite(e.x) && std::isfinite(e.y);
    case Args::Button: return std::find(std::begin(kButtons), std::end(kButtons), e.name) != std::end(kButtons);
    case Args::None: return true;
    }
    return false;
}

int Script::lastFrame() const {
    if (isReplay) return endFrame > 0 ? endFrame : checks.empty() ? 0 : checks.back().frame;
    return events.empty() ? 0 : events.back().frame;
}

bool parseSeed(std::string_view text, uint64_t& seed) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    seed = v;
    return true;
}

uint32_t lineSum(uint32_t sum, std::string_view bytes) {
    for (unsigned char c : bytes) {
        sum ^= c;
        sum *= 16777619u;
    }
    return sum;
}

Script parseScript(std::string_view text, int players) { return Parser(text, players).parse(); }

std::string resealReplay(std::string_view text) {
    std::string out;
    uint32_t sum = kLineSumStart;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eol = text.find('\n', pos);
        const size_t end = eol == std::string_view::npos ? text.size() : eol + 1;
        std::string line(text.substr(pos, end - pos));
        pos = end;
        const size_t body = line.size() - (!line.empty() && line.back() == '\n' ? 1 : 0);
        const std::vector<std::string_view> w = words(std::string_view(line).substr(0, body));
        if (w.size() == 4 && (w[1] == "check" || w[1] == "end") && w[3].size() == 8) {
            const size_t at = static_cast<size_t>(w[3].data() - line.data());
            line.replace(at, 8, hex(lineSum(sum, std::string_view(line).substr(0, at)), 8));
        }
        sum = lineSum(sum, line);
        out += line;
    }
    return out;
}

std::string eventLine(int frame, const InputEvent& e) {
    const EventSyntax& s = syntaxOf(e.type);
    std::string line = std::to_string(frame) + (e.player == 1 ? " p2 " : " ") + std::string(s.name);
    switch (s.args) {
    case Args::Code:
    case Args::Option: return line + " " + std::to_string(e.code);
    case Args::Point: return line + " " + number(e.x) + " " + number(e.y);
    case Args::Button: return line + " " + e.name;
    case Args::None: return line;
    }
    return line;
}

ReplayWriter::ReplayWriter(LineOutput& out, uint64_t seed, std::string_view level, int players, TwoPlayerRules rules)
    : out_(out), sum_(kLineSumStart) {
    write(std::string(kReplayMagic));
    write(std::string("version ") + programVersion());
    write("seed " + std::to_string(seed));
    write("level " + std::string(level));
    if (players != 1) write("players " + std::to_string(players));
    if (players == 2 && rules.versus != 0) write("versus " + std::to_string(rules.versus));
    if (players == 2 && rules.duel) write("duel yes");
}

void ReplayWriter::write(const std::string& line) {
    out_.writeLine(line);
    sum_ = lineSum(sum_, line);
    sum_ = lineSum(sum_, "\n");
}

void ReplayWriter::frame(const Game& game, std::span<const InputEvent> events) {
    if (ended_) return;
    for (const InputEvent& e : events) {
        write(eventLine(game.frame, e));
        if (game.ended && e.player == 0 && (e.type == T::Close || (e.type == T::Char && e.code == CharCode::Escape)))
            break;  // the game ended here
    }
    if (game.frame % kCheckpointFrames == 0 && !game.ended) write(sealed(game, "check"));
}

std::string ReplayWriter::sealed(const Game& game, std::string_view word) const {
    const std::string head = std::to_string(game.frame) + " " + std::string(word) + " " + hex(stateHash(game), 16) + " ";
    return head + hex(lineSum(sum_, head), 8);
}

void ReplayWriter::end(const Game& game) {
    if (ended_) return;
    write(sealed(game, "end"));
    ended_ = true;
}

}  // namespace vexlot
