// libFuzzer target: PNG bytes as a user may hand over for a level picture, decoded only (thousands of
// runs a second); fuzz/level_play_fuzz.cpp plays the pictures that decode.
#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vexlot::fuzz::decodePicture(data, size);
    return 0;
}
