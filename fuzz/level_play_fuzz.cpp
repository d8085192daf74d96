// libFuzzer target: level pictures that decode, played for a few frames (slow: a game a run).
#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vexlot::fuzz::playLevel(data, size);
    return 0;
}
