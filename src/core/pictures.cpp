// The level and palette pictures, decoded once from the PNG bytes built into the program.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <stdexcept>

#include "core/core.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_MAX_DIMENSIONS 16384  // refuse absurd pictures before allocating
#include <stb_image.h>

extern const unsigned char levelPng[];
extern const std::size_t levelPngSize;
extern const unsigned char palettePng[];
extern const std::size_t palettePngSize;

namespace vexlot {

namespace {

uint32_t bigEndian(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// What the PNG's chunks say before any of its data is inflated: the header's size and format, the
// image data (IDAT) of every chunk joined, and the picture's bytes as the decoder is to see them: up to
// its end chunk, without empty IDAT chunks (the decoder would copy from a buffer it has not made yet
// for a leading one).
struct PngLayout {
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    std::vector<unsigned char> data;     // the zlib stream of the image
    std::vector<unsigned char> head;     // the signature and every chunk before the image data
};

PngLayout readLayout(const unsigned char* bytes, std::size_t size) {
    static constexpr unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size < 8 || !std::equal(bytes, bytes + 8, kSignature)) throw std::runtime_error("not a PNG picture");
    PngLayout png;
    png.head.assign(bytes, bytes + 8);
    bool header = false, sawData = false;
    for (std::size_t at = 8;;) {
        if (size - at < 12) throw std::runtime_error("corrupt PNG (it ends inside a chunk)");
        const uint32_t length = bigEndian(bytes + at);
        if (length > size - at - 12) throw std::runtime_error("corrupt PNG (a chunk runs past the end of the file)");
        const unsigned char* type = bytes + at + 4;
        const unsigned char* body = bytes + at + 8;
        if (std::equal(type, type + 4, "IHDR") && length >= 13) {
            png.width = bigEndian(body);
            png.height = bigEndian(body + 4);
            png.bitDepth = body[8];
            png.colourType = body[9];
            png.interlace = body[12];
            header = true;
        }
        const bool data = std::equal(type, type + 4, "IDAT");
        if (data) png.data.insert(png.data.end(), body, body + length);
        sawData = sawData || data;
        if (!sawData) png.head.insert(png.head.end(), bytes + at, body + length + 4);
        if (std::equal(type, type + 4, "IEND")) break;
        at += 12 + std::size_t{length};
    }
    if (!header) throw std::runtime_error("corrupt PNG (no header chunk)");
    return png;
}

// Bytes of filtered scanlines an image of this size and format inflates to: one filter byte a row,
// for each of the seven passes of an interlaced picture.
uint64_t inflatedSize(const PngLayout& png) {
    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    const int channels = png.colourType <= 6 ? kChannels[png.colourType] : 0;
    if (channels == 0 || png.bitDepth == 0) throw std::runtime_error("corrupt PNG (an unknown pixel format)");
    const uint64_t bitsPerPixel = static_cast<uint64_t>(channels) * png.bitDepth;
    auto bytes = [&](uint64_t w, uint64_t h) { return w == 0 || h == 0 ? 0 : h * (1 + (w * bitsPerPixel + 7) / 8); };
    if (png.interlace == 0) return bytes(png.width, png.height);
    static constexpr int kX0[7] = {0, 4, 0, 2, 0, 1, 0}, kY0[7] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr int kDx[7] = {8, 8, 4, 4, 2, 2, 1}, kDy[7] = {8, 8, 8, 4, 4, 2, 2};
    uint64_t total = 0;
    for (int p = 0; p < 7; ++p) {
        const uint64_t w = png.width > static_cast<uint32_t>(kX0[p]) ? (png.width - kX0[p] + kDx[p] - 1) / kDx[p] : 0;
        const uint64_t h = png.height > static_cast<uint32_t>(kY0[p]) ? (png.height - kY0[p] + kDy[p] - 1) / kDy[p] : 0;
        total += bytes(w, h);
    }
    return total;
}

// The picture for the decoder: its chunks before the image data, then the data already inflated,
// wrapped as one stored (uncompressed) zlib stream, so the decoder only copies it instead of
// inflating it a second time. The decoder checks neither the chunks' CRCs nor the stream's Adler-32,
// which are left 0.
std::vector<unsigned char> withStoredData(const PngLayout& png, const std::vector<char>& inflated) {
    std::vector<unsigned char> out;
    out.reserve(png.head.size() + inflated.size() + inflated.size() / 65535 * 5 + 64);
    out = png.head;
    auto put32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
    };
    const size_t blocks = std::max<size_t>(1, (inflated.size() + 65534) / 65535);
    put32(static_cast<uint32_t>(2 + inflated.size() + 5 * blocks + 4));
    out.insert(out.end(), {'I', 'D', 'A', 'T', 0x78, 0x01});
    for (size_t b = 0, at = 0; b < blocks; ++b) {
        const size_t n = std::min<size_t>(65535, inflated.size() - at);
        out.push_back(b + 1 == blocks ? 1 : 0);  // the last block, stored
        out.insert(out.end(), {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                               static_cast<unsigned char>(~n), static_cast<unsigned char>(~n >> 8)});
        const size_t end = out.size();
        out.resize(end + n);
        std::memcpy(out.data() + end, inflated.data() + at, n);
        at += n;
    }
    put32(0);  // the stream's Adler-32
    put32(0);  // the chunk's CRC
    put32(0);
    out.insert(out.end(), {'I', 'E', 'N', 'D', 0, 0, 0, 0});
    return out;
}

}  // namespace

Picture decodePng(const unsigned char* bytes, std::size_t size, int width, int height) {
    stbi__g_failure_reason = nullptr;  // every decode starts afresh: no reason left from the one before
    const PngLayout png = readLayout(bytes, size);
    if (width > 0 && (png.width != static_cast<uint32_t>(width) || png.height != static_cast<uint32_t>(height)))
        throw std::runtime_error("a level picture must be " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels, this one is " + std::to_string(png.width) + " x " +
                                 std::to_string(png.height));
    if (png.width == 0 || png.height == 0 || png.width > kMaxPictureSide || png.height > kMaxPictureSide)
        throw std::runtime_error("a picture of " + std::to_string(png.width) + " x " + std::to_string(png.height) +
                                 " pixels is not one the game can use");
    // Inflate into a buffer of exactly the size the header needs: a stream that makes more is refused
    // before the decoder grows a buffer for it.
    const uint64_t needed = inflatedSize(png);
    if (needed > static_cast<uint64_t>(INT32_MAX) || png.data.size() > static_cast<std::size_t>(INT32_MAX))
        throw std::runtime_error("a picture too large to decode");
    std::vector<char> inflated(static_cast<std::size_t>(needed));
    const int made = stbi_zlib_decode_buffer(inflated.data(), static_cast<int>(needed),
                                             reinterpret_cast<const char*>(png.data.data()),
                                             static_cast<int>(png.data.size()));
    if (made < 0) {
        const bool tooMuch = stbi__g_failure_reason && std::string(stbi__g_failure_reason) == "output buffer limit";
        throw std::runtime_error(tooMuch ? "corrupt PNG (its image data inflates to more than its size needs)"
                                         : "corrupt PNG (its image data cannot be inflated)");
    }
    if (static_cast<uint64_t>(made) != needed) throw std::runtime_error("corrupt PNG (its image data inflates to less than its size needs)");
    const std::vector<unsigned char> stored = withStoredData(png, inflated);
    int w = 0, h = 0, channels = 0;
    unsigned char* rgb = stbi_load_from_memory(stored.data(), static_cast<int>(stored.size()), &w, &h, &channels, 3);
    if (!rgb) {
        std::string why = stbi__g_failure_reason ? stbi__g_failure_reason : "corrupt PNG";
        for (char& c : why)
            if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
        throw std::runtime_error("cannot decode picture: " + why);
    }
    Picture p{w, h, std::vector<int32_t>(static_cast<size_t>(w) * h)};
    for (size_t i = 0; i < p.pixels.size(); ++i)
        p.pixels[i] = rgb[3 * i] + 256 * rgb[3 * i + 1] + 65536 * rgb[3 * i + 2];
    stbi_image_free(rgb);
    return p;
}

const Picture& levelPicture() {
    static const Picture picture = decodePng(levelPng, levelPngSize);
    return picture;
}

Picture decodeLevelPicture(const unsigned char* bytes, std::size_t size) {
    return decodePng(bytes, size, kLevelWidthPx, kLevelHeightPx);
}

const Picture& palettePicture() {
    static const Picture picture = decodePng(palettePng, palettePngSize);
    return picture;
}

}  // namespace vexlot
