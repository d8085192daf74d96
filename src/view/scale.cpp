#include "view/scale.h"

#include <algorithm>
#include <cstring>

#include "view/wide_vectors.h"

namespace vexlot {

namespace {

// a * w + b * (256 - w) per channel, w in 0..256.
inline uint32_t mixPixels(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t rb = (((a & 0x00FF00FFu) * w + (b & 0x00FF00FFu) * v) >> 8) & 0x00FF00FFu;
    const uint32_t g = (((a & 0x0000FF00u) * w + (b & 0x0000FF00u) * v) >> 8) & 0x0000FF00u;
    return 0xFF000000u | rb | g;
}

// Two rows mixed: w of a and the rest of b.
VEXLOT_WIDE_VECTORS void mixRows(const uint32_t* a, const uint32_t* b, uint32_t* dst, int n, uint32_t w) {
    for (int x = 0; x < n; ++x) dst[x] = mixPixels(a[x], b[x], w);
}

// One row across: every output pixel mixes its two source pixels (a pure one with weight 256), so
// the loop has no branch to mispredict.
VEXLOT_WIDE_VECTORS void mixAcross(const uint32_t* src, const int* index, const uint32_t* weight, uint32_t* dst, int n) {
    for (int x = 0; x < n; ++x) dst[x] = mixPixels(src[index[x]], src[index[x] + 1], weight[x]);
}

}  // namespace

// Output pixel i covers the source span [i * in / out, (i + 1) * in / out), less than one source pixel
// long; it holds one source pixel, or the end of one and the start of the next. Whole numbers only:
// positions are kept in units of 1 / out of a source pixel.
void SharpScaler::build(int in, int out, std::vector<Step>& steps) {
    steps.resize(static_cast<size_t>(out));
    for (int i = 0; i < out; ++i) {
        const long long start = static_cast<long long>(i) * in, end = start + in;  // in 1/out source pixels
        const int first = static_cast<int>(start / out);
        const long long boundary = static_cast<long long>(first + 1) * out;
        if (end <= boundary || first + 1 >= in) {
            steps[i] = {first, 256};
        } else {
            const long long share = boundary - start;  // of `in` units
            steps[i] = {first, static_cast<uint32_t>((share * 256 + in / 2) / in)};
        }
    }
}

void SharpScaler::scaleRow(const uint32_t* src, uint32_t* dst) const {
    mixAcross(src, xIndex_.data(), xWeight_.data(), dst, outW_);
}

void SharpScaler::scale(const FrameBuffer& in, int outWidth, int outHeight, std::vector<uint32_t>& out) {
    outWidth = std::max(outWidth, in.width);
    outHeight = std::max(outHeight, in.height);
    if (in.width != inW_ || in.height != inH_ || outWidth != outW_ || outHeight != outH_) {
        inW_ = in.width, inH_ = in.height, outW_ = outWidth, outH_ = outHeight;
        build(inW_, outW_, xs_);
        build(inH_, outH_, ys_);
        // Across a row: the last source pixel's partner is itself, so index + 1 never leaves the row.
        xIndex_.resize(xs_.size());
        xWeight_.resize(xs_.size());
        for (size_t i = 0; i < xs_.size(); ++i) {
            xIndex_[i] = std::min(xs_[i].index, inW_ - 2);
            xWeight_[i] = xs_[i].index > inW_ - 2 ? 0 : xs_[i].weight;
        }
        rowA_.resize(static_cast<size_t>(outW_));
        rowB_.resize(static_cast<size_t>(outW_));
    }
    out.resize(static_cast<size_t>(outW_) * outH_);
    rowAIndex_ = rowBIndex_ = -1;
    // The scaled source row r, kept in one of the two buffers (rows are visited in order).
    auto row = [&](int r) -> const uint32_t* {
        if (r == rowAIndex_) return rowA_.data();
        if (r == rowBIndex_) return rowB_.data();
        std::swap(rowA_, rowB_);
        std::swap(rowAIndex_, rowBIndex_);
        rowBIndex_ = r;
        scaleRow(&in.argb[static_cast<size_t>(r) * inW_], rowB_.data());
        return rowB_.data();
    };
    for (int y = 0; y < outH_; ++y) {
        const Step s = ys_[static_cast<size_t>(y)];
        uint32_t* dst = &out[static_cast<size_t>(y) * outW_];
        if (s.weight == 256) {
            std::memcpy(dst, row(s.index), sizeof(uint32_t) * outW_);
        } else {
            const uint32_t* a = row(s.index);
            const uint32_t* b = row(s.index + 1);
            mixRows(a, b, dst, outW_, s.weight);
        }
    }
}

}  // namespace vexlot
