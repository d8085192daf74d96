#include <cstdio>

#include "core/core.h"

namespace vexlot {

void sound(Game& game, const std::string& filename, int32_t flags) {
    if (game.soundOn != kHeld) return;
    if (game.soundSink) game.soundSink->play(filename, flags);
}

std::string singleText(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
    std::string s = buf;
    if (auto e = s.find('e'); e != std::string::npos) s[e] = 'E';
    return s;
}

}  // namespace vexlot
