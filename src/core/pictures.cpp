// The level and palette pictures, decoded once from the PNG bytes built into the program.
#include <cstddef>
#include <stdexcept>

#include "core/core.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

extern const unsigned char levelPng[];
extern const std::size_t levelPngSize;
extern const unsigned char palettePng[];
extern const std::size_t palettePngSize;

namespace vexlot {

Picture decodePng(const unsigned char* bytes, std::size_t size) {
    int w = 0, h = 0, channels = 0;
    unsigned char* rgb = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &channels, 3);
    if (!rgb) throw std::runtime_error(std::string("cannot decode picture: ") + stbi_failure_reason());
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

const Picture& palettePicture() {
    static const Picture picture = decodePng(palettePng, palettePngSize);
    return picture;
}

}  // namespace vexlot
