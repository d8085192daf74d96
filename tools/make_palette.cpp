// Writes the colour-picker picture used by the guy-colour menu.
// Rows walk once round the colour circle (row 0 = red), columns run from
// black (left) through the full colour (middle, column 22) to white (right).
// Usage: make_palette <output.png>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 45;
constexpr int kHeight = 96;
constexpr int kMid = 22;

struct Rgb { double r, g, b; };

// Full-saturation, full-value colour for a hue in degrees [0, 360).
Rgb hueColour(double hue) {
    double h = hue / 60.0;
    int sector = static_cast<int>(std::floor(h)) % 6;
    double f = h - std::floor(h);
    double up = 255.0 * f, down = 255.0 * (1.0 - f);
    switch (sector) {
        case 0: return {255, up, 0};
        case 1: return {down, 255, 0};
        case 2: return {0, 255, up};
        case 3: return {0, down, 255};
        case 4: return {up, 0, 255};
        default: return {255, 0, down};
    }
}

uint8_t toByte(double v) {
    long r = std::lround(v);
    return static_cast<uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> img(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        Rgb c = hueColour(360.0 * y / kHeight);
        for (int x = 0; x < kWidth; ++x) {
            Rgb o;
            if (x <= kMid) {
                double t = double(x) / kMid;
                o = {c.r * t, c.g * t, c.b * t};
            } else {
                double t = double(x - kMid) / (kWidth - 1 - kMid);
                o = {c.r + (255 - c.r) * t, c.g + (255 - c.g) * t, c.b + (255 - c.b) * t};
            }
            uint8_t* p = &img[(y * kWidth + x) * 3];
            p[0] = toByte(o.r);
            p[1] = toByte(o.g);
            p[2] = toByte(o.b);
        }
    }

    // Self-check of the anchor colours the menu relies on.
    auto px = [&](int x, int y) { return &img[(y * kWidth + x) * 3]; };
    int fails = 0;
    auto expect = [&](int x, int y, int r, int g, int b, const char* what) {
        const uint8_t* p = px(x, y);
        if (p[0] != r || p[1] != g || p[2] != b) {
            std::fprintf(stderr, "palette check failed: %s at (%d,%d) is (%d,%d,%d)\n", what, x, y,
                         p[0], p[1], p[2]);
            ++fails;
        }
    };
    expect(kMid, 0, 255, 0, 0, "red in the middle of row 0");
    expect(0, 0, 0, 0, 0, "black on the left");
    expect(kWidth - 1, 0, 255, 255, 255, "white on the right");
    expect(kMid, 16, 255, 255, 0, "yellow at 60 degrees");
    expect(kMid, 32, 0, 255, 0, "green at 120 degrees");
    expect(kMid, 48, 0, 255, 255, "cyan at 180 degrees");
    expect(kMid, 64, 0, 0, 255, "blue at 240 degrees");
    expect(kMid, 80, 255, 0, 255, "magenta at 300 degrees");
    for (int y = 0; y < kHeight; ++y) {
        expect(0, y, 0, 0, 0, "black column");
        expect(kWidth - 1, y, 255, 255, 255, "white column");
    }
    if (fails) return 1;

    if (!stbi_write_png(argv[1], kWidth, kHeight, 3, img.data(), kWidth * 3)) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("palette OK: %dx%d written to %s\n", kWidth, kHeight, argv[1]);
    return 0;
}
