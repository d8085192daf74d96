// Sharp scaling: the 796 x 592 picture drawn at a whole-number scale, centred with black bars.
#pragma once
#include <algorithm>

#include "core/game.h"

namespace vexlot {

struct Viewport {
    int scale = 1;
    int x = 0, y = 0, width = kClientWidthPx, height = kClientHeightPx;  // where the picture lands

    // Window pixel to game pixel; false when the point lies on a bar.
    bool toGame(int wx, int wy, float& gx, float& gy) const {
        if (wx < x || wy < y || wx >= x + width || wy >= y + height) return false;
        gx = static_cast<float>((wx - x) / scale);
        gy = static_cast<float>((wy - y) / scale);
        return true;
    }
};

// The largest whole scale at which a picture `pictureWidth` x 592 fits the window (at least 1; a
// smaller window crops the centred picture).
inline Viewport fitViewport(int windowWidth, int windowHeight, int pictureWidth = kClientWidthPx) {
    Viewport v;
    v.scale = std::max(1, std::min(windowWidth / pictureWidth, windowHeight / kClientHeightPx));
    v.width = pictureWidth * v.scale;
    v.height = kClientHeightPx * v.scale;
    v.x = (windowWidth - v.width) / 2;
    v.y = (windowHeight - v.height) / 2;
    return v;
}

// The first window's scale: the one asked for, else the largest that fits the usable screen.
inline int initialScale(int asked, int screenWidth, int screenHeight, int pictureWidth = kClientWidthPx) {
    if (asked > 0) return asked;
    return std::max(1, std::min(screenWidth / pictureWidth, screenHeight / kClientHeightPx));
}

}  // namespace vexlot
