// Sharp enlargement of the window picture to any size of its shape, in software: each window pixel
// takes the game pixel it lies on, and only a window pixel that straddles the edge between two game
// pixels mixes them, by how much of it each covers. Pixels stay square-edged and evenly sized at
// any fractional scale, without the uneven rows and columns of plain nearest neighbour or the blur
// of plain bilinear filtering, and no graphics driver feature is needed.
#pragma once
#include <cstdint>
#include <vector>

#include "view/compose.h"

namespace vexlot {

class SharpScaler {
public:
    // Enlarges `in` to outWidth x outHeight (each at least the picture's own size) into `out`.
    void scale(const FrameBuffer& in, int outWidth, int outHeight, std::vector<uint32_t>& out);

private:
    struct Step {
        int index;       // the source pixel (or row) the output one starts on
        uint32_t weight; // 0..256: its share; the rest goes to index + 1
    };
    static void build(int in, int out, std::vector<Step>& steps);
    void scaleRow(const uint32_t* src, uint32_t* dst) const;

    int inW_ = 0, inH_ = 0, outW_ = 0, outH_ = 0;
    std::vector<Step> xs_, ys_;
    std::vector<int> xIndex_;        // across: the first of the two source pixels mixed
    std::vector<uint32_t> xWeight_;  // and the first one's share, 0..256
    std::vector<uint32_t> rowA_, rowB_;  // two source rows scaled across, reused down the picture
    int rowAIndex_ = -1, rowBIndex_ = -1;
};

}  // namespace vexlot
