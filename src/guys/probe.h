// Colour probes relative to a guy's reference point, judged by the terrain rule.
#pragma once
#include "core/game.h"

namespace vexlot {

inline int32_t probe(const Game& game, const Guy& g, float dx, float dy) { return game.picback.point(g.x + dx, g.y + dy); }
inline bool solidAt(const Game& game, const Guy& g, float dx, float dy) {
    return probe(game, g, dx, dy) != game.picback.backColor;
}
inline bool isDeadly(int32_t c) { return c == kYellow; }
// Fire and dark-yellow colours: no blue, green below 255.
inline bool isHot(int32_t c) { return c != 0 && greenOf(c) < 255 && blueOf(c) == 0; }

}  // namespace vexlot
