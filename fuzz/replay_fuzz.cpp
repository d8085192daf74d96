// libFuzzer target: replays whose checksums are made right again, so that edited events, checkpoints
// and headers reach the replay reader's later checks and the simulation, for a bounded number of frames.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "session/script.h"
#include "session/session.h"

namespace {
constexpr int kMaxFuzzFrames = 240;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vexlot;
    Script script;
    try {
        script = parseScript(resealReplay(std::string(reinterpret_cast<const char*>(data), size)));
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (!script.isReplay) return 0;
    try {
        Session session(script.seed, builtinLevel(), nullptr, script.players);
        session.play(script);
        for (int f = 0; f < kMaxFuzzFrames && !session.scriptDone() && session.step(); ++f) {
        }
    } catch (const std::runtime_error&) {  // another level or number of players: refused
    }
    return 0;
}
