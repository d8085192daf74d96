// Where the window picture lands in a window of any size. Whole-number scaling (the default) keeps
// every game pixel the same square; "fill" keeps the aspect ratio and fills as much as it can. A
// window smaller than the picture shows the whole picture shrunk, never a cropped part of it.
// The picture's size comes from the caller (one view, or two side by side), never a constant.
#pragma once
#include <algorithm>

namespace vexlot {

enum class FitMode { Whole, Fill };

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;  // where the picture lands, window pixels
    int pictureWidth = 0, pictureHeight = 0;
    bool whole = true;  // a whole-number scale (each game pixel an exact square)

    // Window pixel to picture pixel; false when the point lies on a bar.
    bool toGame(int wx, int wy, float& gx, float& gy) const {
        if (width <= 0 || height <= 0 || wx < x || wy < y || wx >= x + width || wy >= y + height) return false;
        gx = static_cast<float>(static_cast<long long>(wx - x) * pictureWidth / width);
        gy = static_cast<float>(static_cast<long long>(wy - y) * pictureHeight / height);
        return true;
    }
};

// The picture placed centred in a window of windowWidth x windowHeight.
inline Viewport fitViewport(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight,
                            FitMode mode = FitMode::Whole) {
    Viewport v;
    v.pictureWidth = pictureWidth;
    v.pictureHeight = pictureHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return v;
    const int wholeScale = std::min(windowWidth / pictureWidth, windowHeight / pictureHeight);
    if (mode == FitMode::Whole && wholeScale >= 1) {
        v.width = pictureWidth * wholeScale;
        v.height = pictureHeight * wholeScale;
    } else {
        // The largest size of the picture's shape that fits: compare the two ratios without rounding.
        const long long byWidth = static_cast<long long>(windowWidth) * pictureHeight;
        const long long byHeight = static_cast<long long>(windowHeight) * pictureWidth;
        if (byWidth <= byHeight) {
            v.width = windowWidth;
            v.height = static_cast<int>(byWidth / pictureWidth);
        } else {
            v.height = windowHeight;
            v.width = static_cast<int>(byHeight / pictureHeight);
        }
        v.width = std::max(1, v.width);
        v.height = std::max(1, v.height);
        v.whole = v.width % pictureWidth == 0 && v.height % pictureHeight == 0 &&
                  v.width / pictureWidth == v.height / pictureHeight;
    }
    v.x = (windowWidth - v.width) / 2;
    v.y = (windowHeight - v.height) / 2;
    return v;
}

// How a window of this size shows the picture when the player has not chosen: whole steps, unless
// they leave more than a quarter of the window unused (one step of 796 x 592 on a 1920 x 1080
// screen), then the sharp fill.
inline FitMode autoFit(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight) {
    const Viewport whole = fitViewport(windowWidth, windowHeight, pictureWidth, pictureHeight, FitMode::Whole);
    const long long used = static_cast<long long>(whole.width) * whole.height;
    const long long all = static_cast<long long>(windowWidth) * windowHeight;
    return whole.whole && used * 4 < all * 3 ? FitMode::Fill : FitMode::Whole;
}

// The first window's whole-number scale: the one asked for if it fits, else the largest that fits the
// usable screen once the window's frame (frameWidth x frameHeight: borders and title bar) is added.
inline int initialScale(int asked, int usableWidth, int usableHeight, int pictureWidth, int pictureHeight,
                        int frameWidth = 0, int frameHeight = 0) {
    const int fits = std::max(1, std::min((usableWidth - frameWidth) / pictureWidth,
                                          (usableHeight - frameHeight) / pictureHeight));
    return asked > 0 ? std::min(asked, fits) : fits;
}

// Where a window of outerWidth x outerHeight (frame included) goes: centred in the usable area and
// moved inside it where it fits; a window larger than the area starts at its top-left corner.
inline void placeWindow(int usableX, int usableY, int usableWidth, int usableHeight, int outerWidth,
                        int outerHeight, int& x, int& y) {
    x = usableX + std::max(0, (usableWidth - outerWidth) / 2);
    y = usableY + std::max(0, (usableHeight - outerHeight) / 2);
}

}  // namespace vexlot
