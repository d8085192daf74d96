// libFuzzer target: script and replay text as a user may hand to --script.
#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vexlot::fuzz::parseScriptText(data, size);
    return 0;
}
