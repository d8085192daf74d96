// libFuzzer target: PNG bytes as a user may hand over for a level picture.
#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vexlot::fuzz::decodeLevelPicture(data, size);
    return 0;
}
