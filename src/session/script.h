// Scripts and replays: input events with the frame they are delivered in.
//
// A script is one event per line: `FRAME down|up|char CODE`, `FRAME click X Y` (world units),
// `FRAME palette X Y`, `FRAME option N`, `FRAME button NAME`, `FRAME press X Y` (window pixels),
// `FRAME close`; blank lines and `#` comments (whole lines or the end of a line) are ignored; an
// optional first line `seed S`. In a two-player game (a line `players 2` before the events) the
// second player's events say so: `FRAME p2 down 39`.
// A replay is a script with a header (`vexlot-replay 2`, `version V`, `seed S`, `level L`, and for
// two players `players 2`, `versus 1` and for a duel `duel yes`), a
// checkpoint `FRAME check STATEHASH LINESUM` every 60 frames and, once the game is over,
// `FRAME end STATEHASH LINESUM` with the final state. LINESUM is an FNV-1a checksum of every byte
// before it (the lines above and its own line up to LINESUM), so any edit is found before a frame runs.
#pragma once
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/core.h"

namespace vexlot {

constexpr std::string_view kReplayMagic = "vexlot-replay 2";
constexpr int kCheckpointFrames = 60;
constexpr int kMaxFrames = 60 * 60 * 60 * 24;  // a day of play at 60 frames a second
constexpr std::string_view kBuiltinLevel = "builtin";
const char* programVersion();

struct ScriptEvent {
    int frame = 0;
    InputEvent event;
};
struct Checkpoint {
    int frame = 0;
    uint64_t stateHash = 0;
    int line = 0;
};
struct Script {
    bool hasSeed = false;
    uint64_t seed = 0;
    int players = 1;                  // `players 2`: a two-player game (events of player 2 say `p2`)
    // Games of two: `versus 1` (a replay without the line is of the first two-player rules) and
    // `duel yes` (no computer guys), after the players line.
    TwoPlayerRules rules;
    std::vector<ScriptEvent> events;  // in frame order, file order within a frame
    // Replays only.
    bool isReplay = false;
    std::string version;
    std::string level;                // "builtin" or the level picture's hash
    std::vector<Checkpoint> checks;   // every `check` line, then the `end` line's final state
    int endFrame = 0;                 // the frame of the `end` line; 0 when the recording was cut short
    int cutAfterFrame = 0;            // cut short: the frame of its last complete line
    // The last frame to run: a script's last event, a replay's end, or for a replay cut short its
    // last checkpoint (nothing after it can be verified).
    int lastFrame() const;
};

// Parses a script or a replay; throws std::runtime_error naming the first bad line and why. A replay
// is checked whole (header, checksums, frame order) before anything runs. `players` is the number the
// command line gave (0: none): 2 makes a script a game of two, and a `players` line must agree.
Script parseScript(std::string_view text, int players = 0);

// The same text with the checksum of every check and end line made right again: for tests and fuzzing,
// so that an edited replay reaches the simulation instead of being refused.
std::string resealReplay(std::string_view text);

// Whether an event can be written as a line the parser reads back: a known type, a code or option
// in its range, a known button, a finite point. The network decoder refuses the others, so a
// finished match never records what its reader would refuse.
bool eventInGrammar(const InputEvent& event);

// A text from outside (a file line, a network peer's words) as a message quotes it: in double
// quotes, at most `limit` bytes, control bytes, quotes, backslashes and bytes past ASCII shown as \xNN,
// "..." after a text cut short.
std::string quoteText(std::string_view text, size_t limit = 80);

// The text of one event line, as the grammar writes it.
std::string eventLine(int frame, const InputEvent& event);

// A seed: a whole number 0 <= S < 2^64 in decimal digits; false for anything else.
bool parseSeed(std::string_view text, uint64_t& seed);

uint32_t lineSum(uint32_t sum, std::string_view bytes);

// Where a replay's lines go (without their line end); the writer owns flushing and error reports.
struct LineOutput {
    virtual ~LineOutput() = default;
    virtual void writeLine(const std::string& line) = 0;
};
// Lines into a stream, flushed one by one; after the first failed write (a full disk) nothing more
// is written and ok() says so.
struct StreamLineOutput : LineOutput {
    explicit StreamLineOutput(std::ostream& stream) : out(stream) {}
    void writeLine(const std::string& line) override {
        if (!out) return;
        out << line << '\n' << std::flush;
    }
    bool ok() const { return static_cast<bool>(out); }
    std::ostream& out;
};

// Writes a replay as the game goes, one whole line at a time.
class ReplayWriter {
public:
    ReplayWriter(LineOutput& out, uint64_t seed, std::string_view level, int players = 1, TwoPlayerRules rules = {});
    // After each frame: the events delivered in it, and a checkpoint on every 60th frame.
    void frame(const Game& game, std::span<const InputEvent> events);
    // The `end` line with the final state; once.
    void end(const Game& game);
    bool ended() const { return ended_; }

private:
    void write(const std::string& line);
    // A check or end line: the state hash and the checksum of every byte before the checksum.
    std::string sealed(const Game& game, std::string_view word) const;
    LineOutput& out_;
    uint32_t sum_;
    bool ended_ = false;
};

}  // namespace vexlot
