// The level and palette pictures, decoded once from the PNG bytes built into the program.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
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

// The bytes without their empty IDAT chunks: they carry nothing, and the decoder would copy from a
// buffer it has not made yet for a leading one. Anything that is not a sound chunk list passes as it is.
std::vector<unsigned char> withoutEmptyDataChunks(const unsigned char* bytes, std::size_t size) {
    std::vector<unsigned char> out(bytes, bytes + std::min<std::size_t>(size, 8));
    std::size_t at = 8;
    while (size >= 8 && at + 12 <= size) {
        const uint32_t length = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                                (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (length > size - at - 12) break;
        const bool emptyData = length == 0 && std::equal(bytes + at + 4, bytes + at + 8, "IDAT");
        if (!emptyData) out.insert(out.end(), bytes + at, bytes + at + 12 + length);
        at += 12 + length;
    }
    out.insert(out.end(), bytes + std::min(at, size), bytes + size);
    return out;
}

}  // namespace

Picture decodePng(const unsigned char* original, std::size_t originalSize) {
    const std::vector<unsigned char> cleaned = withoutEmptyDataChunks(original, originalSize);
    const unsigned char* bytes = cleaned.data();
    const std::size_t size = cleaned.size();
    int w = 0, h = 0, channels = 0;
    if (size > static_cast<std::size_t>(INT32_MAX)) throw std::runtime_error("cannot decode picture: too large");
    unsigned char* rgb = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &channels, 3);
    if (!rgb) {
        std::string why = stbi_failure_reason();
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

Picture loadLevelFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read level picture " + path);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Check the size from the header first, so a huge picture is refused before it is decoded.
    int w = 0, h = 0, channels = 0;
    if (bytes.size() <= static_cast<std::size_t>(INT32_MAX) &&
        stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels) &&
        (w != 2400 || h != 600))
        throw std::runtime_error(path + ": a level picture must be 2400 x 600 pixels, this one is " +
                                 std::to_string(w) + " x " + std::to_string(h));
    Picture p;
    try {
        p = decodePng(bytes.data(), bytes.size());
    } catch (const std::exception& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    if (p.width != 2400 || p.height != 600)
        throw std::runtime_error(path + ": a level picture must be 2400 x 600 pixels, this one is " +
                                 std::to_string(p.width) + " x " + std::to_string(p.height));
    return p;
}

const Picture& palettePicture() {
    static const Picture picture = decodePng(palettePng, palettePngSize);
    return picture;
}

}  // namespace vexlot
