// Scripts and replays: input events with the frame they are delivered in.
//
// A script is one event per line: `FRAME down|up|char CODE`, `FRAME click X Y` (world units),
// `FRAME palette X Y`, `FRAME option N`, `FRAME button NAME`, `FRAME press X Y` (window pixels),
// `FRAME close`; blank lines and `#` comments are ignored; an optional first line `seed S`.
// A replay is a script with a header (`vexlot-replay 1`, `version V`, `seed S`), a checkpoint
// `FRAME check STATEHASH LINESUM` every 60 frames (LINESUM: FNV-1a of every byte before that line)
// and, when the game ended normally, `FRAME end`.
#pragma once
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "core/core.h"

namespace vexlot {

constexpr const char* kReplayMagic = "vexlot-replay 1";
constexpr int kCheckpointFrames = 60;
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
    std::vector<ScriptEvent> events;  // in frame order, file order within a frame
    // Replays only.
    bool isReplay = false;
    std::string version;
    std::vector<Checkpoint> checks;
    int endFrame = 0;  // the frame of the `end` line, or 0 when the recording was cut short
    int lastFrame() const;
};

// Parses a script or a replay; throws std::runtime_error naming the first bad line.
Script parseScript(const std::string& text);

// A hash of the whole game state: every table and scalar and the world's pixels.
uint64_t stateHash(const Game& game);
uint32_t lineSum(uint32_t sum, const std::string& bytes);

// Writes a replay as the game goes, one line at a time and flushed, so a crash leaves it on disk.
class ReplayWriter {
public:
    ReplayWriter(std::ostream& out, uint64_t seed);
    // After each frame: the events delivered in it, and a checkpoint on every 60th frame.
    void frame(const Game& game, std::span<const InputEvent> events);
    void end(const Game& game);

private:
    void write(const std::string& line);
    std::ostream& out_;
    uint32_t sum_;
};

std::string eventLine(int frame, const InputEvent& event);

}  // namespace vexlot
