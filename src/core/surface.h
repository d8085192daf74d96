// The world surface: a software raster that keeps its pixels, addressed in world units.
//
// Mapping: a world point (x, y) lies in pixel (floor(x / 15), floor(y / 15)); that pixel is what
// Point reads and what a pen of width 1 paints. A dot of diameter N (N >= 2) covers every pixel whose
// centre lies closer than N / 2 pixels to the centre (odd N) or nearest corner (even N) of the pixel
// holding the point, so it is exactly N pixels across.
// Lines of width 1 run from the start pixel towards the end pixel with Bresenham's algorithm and leave
// the end pixel out (a line within one pixel paints it); wider lines are round dots swept along the
// whole segment, both ends included. Pixels hold the game's colour values r + 256*g + 65536*b.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vexlot {

class Surface {
public:
    static constexpr int kUnitsPerPixel = 15;

    // A surface of w x h pixels in the background colour with `picture` (pw x ph, game colours)
    // at its top-left corner; the picture is kept so that cls() can restore it.
    void create(int w, int h, int32_t background, const std::vector<int32_t>& picture, int pw, int ph);

    int widthPx() const { return width_; }
    int heightPx() const { return height_; }
    const int32_t* pixels() const { return pixels_.data(); }
    int32_t pixelAt(int px, int py) const { return pixels_[static_cast<size_t>(py) * width_ + px]; }

    // Colour at a world point; -1 outside the surface.
    int32_t point(double x, double y) const;

    int32_t backColor = 0;
    int16_t drawWidth = 1;
    float currentX = 0, currentY = 0;
    int32_t foreColor = 0;

    void pset(double x, double y, int32_t colour);
    void line(double x1, double y1, double x2, double y2, int32_t colour);
    void box(double x1, double y1, double x2, double y2, int32_t colour);
    void filledBox(double x1, double y1, double x2, double y2, int32_t colour);
    // Arc of a circle: angles in radians, counter-clockwise on screen from +x.
    void circleArc(double cx, double cy, double radius, double start, double end, int32_t colour);
    // Prints text at (currentX, currentY) in foreColor.
    void print(std::string_view text);
    // Back to the picture as loaded.
    void cls();

    uint64_t hash() const;

    // Dirty blocks: the surface is cut into blocks of kBlockPixels pixels along each row, and while
    // tracking is on every block painted since the last clearDirty() is listed once (index
    // row * blocksPerRow() + column), so rollback snapshots save only what changed. Off (as it starts),
    // painting pays one test for it.
    static constexpr int kBlockShift = 6;
    static constexpr int kBlockPixels = 1 << kBlockShift;
    int blocksPerRow() const { return (width_ + kBlockPixels - 1) >> kBlockShift; }
    int blockLength(uint32_t block) const;  // pixels in the block (the last one of a row may be short)
    size_t blockOffset(uint32_t block) const;  // the index of the block's first pixel
    int32_t* blockPixels(uint32_t block);   // writing here is not tracked (restoring a snapshot)
    const int32_t* blockPixels(uint32_t block) const;
    std::span<const uint32_t> dirtyBlocks() const { return dirtyList_; }
    void clearDirty();
    void trackDirty(bool on);
    bool tracksDirty() const { return tracking_; }

private:
    // Pixels left..right of row py were painted.
    void markDirty(long long py, long long left, long long right) {
        if (tracking_) markBlocks(py, left, right);
    }
    void markBlocks(long long py, long long left, long long right);
    void setPixel(int px, int py, int32_t colour);
    void disc(double cx, double cy, int diameter, int32_t colour);  // pixel coordinates
    int pen() const { return drawWidth < 1 ? 1 : drawWidth; }

    int width_ = 0, height_ = 0;
    std::vector<int32_t> pixels_;
    std::vector<int32_t> loaded_;
    bool tracking_ = false;
    std::vector<uint8_t> dirty_;       // one flag per block
    std::vector<uint32_t> dirtyList_;  // the flagged blocks, in the order first painted
};

// World unit -> pixel index, safe for any value (huge or NaN coordinates land far outside).
int toPixel(double units);

}  // namespace vexlot
