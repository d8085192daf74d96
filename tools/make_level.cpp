// Draws the level picture. The picture is both what the player sees and the
// collision map: every pixel that is not pure black is solid terrain.
//
// Colour rules the game reads from the picture:
//   RGB(0,0,0)              sky / empty
//   RGB(255,255,0)          deadly (only in the fire-pit flames)
//   blue == 0, green < 255  hot: burns guys, sets off mines, crashes rockets
//                           (only in the fire pit, the golden treasure and the
//                           bottom rows 593..599)
//   anything else           plain solid terrain (every such colour has blue >= 1)
//
// Usage: make_level <output.png>
// The output is fully deterministic (fixed-seed noise, no clock).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int W = 2400;
constexpr int H = 600;

// Landmarks (the game and its tests refer to these numbers).
constexpr int kGroundTop = 449;       // top row of the ground everywhere
constexpr int kGroundGradEnd = 592;   // last row of the green gradient
constexpr int kBedrockTop = 593;      // rows 593..599 are hot bedrock

constexpr int kPitX0 = 716, kPitX1 = 859;      // fire pit columns
constexpr int kCrustBottom = 450;               // crust rows 449..450
constexpr int kCavityBottom = 546;              // empty rows 451..546
constexpr int kFlameTop = 547;                  // flames rows 547..599

constexpr int kBuildingX1 = 205;       // building spans x 0..205
constexpr int kMainRoof = 385;         // flat roof of the main block (x 0..150)
constexpr int kMainX1 = 150;
constexpr int kDomeCx = 65, kDomeHalfW = 60, kDomeTop = 335;
constexpr int kAnnexEave = 410;        // low end of the lean-to roof (x 196..205)
constexpr int kAnnexSlopeEnd = 196;

constexpr int kLedgeTop = 369;         // the platform a guy is dropped onto at x 1238
constexpr int kLedgeX0 = 1196, kLedgeX1 = 1284;

constexpr int kTrayTop = 330;          // shelf the seven pick-ups land on
constexpr int kTrayX0 = 530, kTrayX1 = 604;

constexpr int kPlinthX0 = 1595, kPlinthX1 = 1745;  // dark plinth under the gold
constexpr int kPlinthTop = 407, kPlinthBottom = 412;
constexpr int kGoldX0 = 1622, kGoldX1 = 1717;

struct C {
    uint8_t r, g, b;
    bool operator==(const C& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator<(const C& o) const {
        return r != o.r ? r < o.r : (g != o.g ? g < o.g : b < o.b);
    }
};

constexpr C kBlack{0, 0, 0};
constexpr C kYellow{255, 255, 0};
constexpr C kFlameGold{255, 206, 0};
constexpr C kFlameOrange{255, 156, 0};
constexpr C kFlameRed{255, 99, 0};
constexpr C kBedrock{49, 49, 0};

C grey(int v) { return C{uint8_t(v), uint8_t(v), uint8_t(v)}; }

// Grey shades for the steel structures.
const C kGHi = grey(222), kGLight = grey(184), kGFace = grey(150), kGMid = grey(122),
        kGShadow = grey(92), kGDark = grey(66);

// Small fixed-seed generator for texture.
struct XorShift {
    uint32_t s;
    explicit XorShift(uint32_t seed) : s(seed) {}
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    double unit() { return (next() & 0xFFFFFF) / double(0x1000000); }
};

// Deterministic hash noise for a pixel position.
uint32_t hash2(int x, int y, uint32_t salt) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + salt * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

struct Image {
    std::vector<C> px = std::vector<C>(W * H, kBlack);
    C& at(int x, int y) { return px[y * W + x]; }
    const C& at(int x, int y) const { return px[y * W + x]; }
    bool in(int x, int y) const { return x >= 0 && x < W && y >= 0 && y < H; }
    void set(int x, int y, C c) {
        if (in(x, y)) at(x, y) = c;
    }
    bool solid(int x, int y) const { return !(at(x, y) == kBlack); }
};

bool isHot(C c) { return !(c == kBlack) && c.b == 0 && c.g < 255; }
bool isGrey(C c) { return c.r == c.g && c.g == c.b && c.r > 0; }

// ---------------------------------------------------------------- ground

C groundColour(int y) {
    y = std::clamp(y, kGroundTop, kGroundGradEnd);
    double t = double(y - kGroundTop) / (kGroundGradEnd - kGroundTop);
    return C{uint8_t(std::lround(0 + 41 * t)), uint8_t(std::lround(99 - 42 * t)),
             uint8_t(std::lround(49 - 41 * t))};
}

void drawGround(Image& img) {
    for (int x = 0; x < W; ++x) {
        for (int y = kGroundTop; y <= kGroundGradEnd; ++y) img.at(x, y) = groundColour(y);
        for (int y = kBedrockTop; y < H; ++y) img.at(x, y) = kBedrock;
    }
    // Texture below the top few rows. Only gradient colours are reused, so the
    // colour count stays small and every texture colour keeps blue > 0.
    for (int x = 0; x < W; ++x) {
        // Two wavy strata lines.
        int s1 = 492 + int(std::lround(5 * std::sin(x / 97.0) + 3 * std::sin(x / 23.0 + 1.3)));
        int s2 = 541 + int(std::lround(6 * std::sin(x / 131.0 + 2.1) + 2 * std::sin(x / 17.0)));
        for (int y : {s1, s1 + 1}) img.at(x, y) = groundColour(y + 22);
        img.at(x, s1 + 2) = groundColour(s1 - 10);
        for (int y : {s2, s2 + 1, s2 + 2}) img.at(x, y) = groundColour(y + 26);
        img.at(x, s2 + 3) = groundColour(s2 - 12);
        // Speckles and small pebbles.
        for (int y = 456; y <= kGroundGradEnd - 1; ++y) {
            uint32_t h = hash2(x, y, 7);
            if (h % 1000 < 22) {
                int shift = int((h >> 10) % 2) ? 14 : -11;
                img.at(x, y) = groundColour(y + shift);
            } else if (h % 1000 < 24 && y < kGroundGradEnd - 3 && x + 3 < W) {
                // pebble: a 3x2 blob with a light top
                for (int dx = 0; dx < 3; ++dx) {
                    img.at(x + dx, y) = groundColour(y - 18);
                    img.at(x + dx, y + 1) = groundColour(y + 24);
                }
            }
        }
    }
    // Row 449 stays the exact gradient start; restore the top rows after texture.
    for (int x = 0; x < W; ++x)
        for (int y = kGroundTop; y < 456; ++y) img.at(x, y) = groundColour(y);
}

// ---------------------------------------------------------------- fire pit

void drawFirePit(Image& img) {
    // Scorched walls: darker ground colours just around the pit.
    for (int y = kCrustBottom + 1; y <= kGroundGradEnd; ++y) {
        for (int d = 0; d < 4; ++d) {
            img.at(kPitX0 - 1 - d, y) = groundColour(y + 40 - 8 * d);
            img.at(kPitX1 + 1 + d, y) = groundColour(y + 40 - 8 * d);
        }
    }
    // Crust (rows 449..450) keeps ground colours; cavity is emptied.
    for (int x = kPitX0; x <= kPitX1; ++x) {
        img.at(x, kGroundTop) = groundColour(kGroundTop);
        img.at(x, kCrustBottom) = groundColour(kCrustBottom + 30);
        for (int y = kCrustBottom + 1; y < H; ++y) img.at(x, y) = kBlack;
    }

    // Flame tongues: curved, tapering shapes rising from a burning bed.
    struct Tongue { double cx, height, halfW, sway, phase; };
    std::vector<Tongue> tongues;
    XorShift rng(0x5EED1234u);
    for (double cx = kPitX0 + 5; cx <= kPitX1 - 3; cx += 6 + 6 * rng.unit()) {
        double edge = std::min(cx - kPitX0, kPitX1 - cx);
        double tall = 14 + 26 * rng.unit();
        if (edge < 24) tall *= 0.5 + 0.5 * edge / 24.0;
        tongues.push_back({cx, tall, 5 + 6 * rng.unit(), (rng.unit() - 0.5) * 14,
                           rng.unit() * 6.28});
    }
    // The tallest tongues lick right up to the top of the flame zone.
    const double root = 588;
    tongues[tongues.size() / 3].height = root - kFlameTop + 1;
    tongues[(2 * tongues.size()) / 3].height = root - kFlameTop;
    for (int x = kPitX0; x <= kPitX1; ++x) {
        // Wavy top of the glowing bed.
        double bedTop = 572 + 4 * std::sin(x / 7.0) + 3 * std::sin(x / 3.1 + 1.0);
        for (int y = kFlameTop; y < H; ++y) {
            double inten = (y - bedTop) / 20.0 + 0.2;
            for (const Tongue& t : tongues) {
                double k = (root - y) / t.height;
                if (k < 0) k = 0;
                if (k >= 1) continue;
                double cx = t.cx + t.sway * std::sin(k * 3.3 + t.phase) * k;
                double hw = t.halfW * std::pow(1 - k, 0.7) + 0.7;
                double d = std::fabs(x + 0.5 - cx) / hw;
                if (d >= 1) continue;
                double v = (1 - d * d) * (1.0 - 0.8 * k) + 0.17;
                inten = std::max(inten, v);
            }
            // A little flicker inside the flames.
            inten += ((hash2(x, y, 99) % 100) / 100.0 - 0.5) * 0.1;
            // Cooler along the pit walls.
            double wall = std::min(x - kPitX0, kPitX1 - x);
            if (wall < 8) inten = std::min(inten, 0.2 + wall * 0.07);
            C c = kBlack;
            if (inten >= 0.72) c = kYellow;
            else if (inten >= 0.52) c = kFlameGold;
            else if (inten >= 0.34) c = kFlameOrange;
            else if (inten >= 0.17) c = kFlameRed;
            if (y > 588 && c == kBlack) c = kFlameRed;  // the bed is never empty
            img.at(x, y) = c;
        }
    }
}

// ---------------------------------------------------------------- building

// Top row of the building roof at column x (dome, flat roof, lean-to).
std::vector<int> buildingRoof() {
    std::vector<int> top(kBuildingX1 + 1, kMainRoof);
    for (int x = 0; x <= kMainX1; ++x) {
        double dx = double(x - kDomeCx) / kDomeHalfW;
        if (std::fabs(dx) < 1) {
            double t = kMainRoof - (kMainRoof - kDomeTop) * std::sqrt(1 - dx * dx);
            top[x] = std::min(top[x], int(std::lround(t)));
        }
    }
    // Flare the dome's base so no step on the roof is steeper than 3 px.
    for (int pass = 0; pass < 2; ++pass) {
        for (int x = 1; x <= kMainX1; ++x) top[x] = std::min(top[x], top[x - 1] + 3);
        for (int x = kMainX1 - 1; x >= 0; --x) top[x] = std::min(top[x], top[x + 1] + 3);
    }
    for (int x = kMainX1 + 1; x <= kBuildingX1; ++x) {
        if (x <= kAnnexSlopeEnd)
            top[x] = kMainRoof + int(std::lround(double(x - kMainX1) * (kAnnexEave - kMainRoof) /
                                                 (kAnnexSlopeEnd - kMainX1)));
        else
            top[x] = kAnnexEave;
    }
    return top;
}

void drawBuilding(Image& img) {
    const C wallLight{196, 188, 176}, wall{170, 162, 150}, wallShade{136, 128, 122},
        mortar{118, 110, 108}, cornice{214, 208, 196}, corniceShade{150, 142, 136};
    const C glass{38, 58, 112}, glassLit{92, 120, 170}, frame{232, 226, 212};
    const C door{92, 62, 46}, doorDark{62, 42, 34};
    const C tile{158, 74, 52}, tileDark{120, 52, 40}, tileLight{186, 100, 72};
    const C domeBase{22, 40, 118};
    const std::array<C, 6> domeShades{C{18, 34, 104}, C{26, 52, 146}, C{36, 72, 182},
                                      C{52, 98, 212}, C{84, 136, 232}, C{150, 190, 246}};
    const C rib{20, 38, 112};

    std::vector<int> top = buildingRoof();

    // Main block and annex walls (ashlar with mortar lines).
    for (int x = 0; x <= kBuildingX1; ++x) {
        int wallTop = x <= kMainX1 ? kMainRoof : top[x];
        for (int y = wallTop; y < kGroundTop; ++y) {
            int row = (y - kMainRoof) / 8;
            int off = (row % 2) ? 9 : 0;
            C c = ((x + off) % 18 == 0 || (y - kMainRoof) % 8 == 0) ? mortar : wall;
            if (x == 0 || x == kMainX1 + 1) c = wallLight;
            if (x == kBuildingX1 || x == kMainX1) c = wallShade;
            img.at(x, y) = c;
        }
    }
    // Cornice along the main roof.
    for (int x = 0; x <= kMainX1; ++x) {
        img.at(x, kMainRoof) = cornice;
        img.at(x, kMainRoof + 1) = cornice;
        img.at(x, kMainRoof + 2) = corniceShade;
        img.at(x, kMainRoof + 3) = wallShade;
    }
    // Plinth course at the foot of the walls.
    for (int x = 0; x <= kBuildingX1; ++x)
        for (int y = 441; y < kGroundTop; ++y) img.at(x, y) = (y == 441) ? cornice : wallShade;

    // Arched windows.
    auto window = [&](int x0, int x1, int y0, int y1) {
        double cx = (x0 + x1) / 2.0, r = (x1 - x0) / 2.0;
        for (int y = y0 - int(r) - 1; y <= y1 + 1; ++y) {
            for (int x = x0 - 1; x <= x1 + 1; ++x) {
                bool inside, inFrame;
                if (y < y0) {
                    double d = std::hypot(x - cx, y - y0);
                    inside = d <= r;
                    inFrame = d <= r + 1.5;
                } else {
                    inside = x >= x0 && x <= x1 && y <= y1;
                    inFrame = true;
                }
                if (!inFrame) continue;
                C c = frame;
                if (inside) {
                    c = ((x + y) % 7 == 0 || x == int(cx) || y == (y0 + y1) / 2) ? frame : glass;
                    if (!(c == frame) && (x - x0) + (y - y0) < 6) c = glassLit;
                }
                img.set(x, y, c);
            }
        }
    };
    for (int x0 : {12, 38, 100, 126}) window(x0, x0 + 13, 404, 424);
    window(166, 180, 420, 432);

    // Door with an arched top.
    for (int y = 410; y < 441; ++y)
        for (int x = 63; x <= 87; ++x) {
            double d = std::hypot(x - 75, y - 422);
            if (y < 422 && d > 12.5) continue;
            C c = (y < 422 && d > 10.5) || x <= 64 || x >= 86 ? frame : door;
            if ((x == 75 || (x - 63) % 6 == 0) && c == door) c = doorDark;
            img.at(x, y) = c;
        }

    // Lean-to roof tiles.
    for (int x = kMainX1 + 1; x <= kBuildingX1; ++x) {
        for (int k = 0; k < 5; ++k) {
            C c = k == 0 ? tileLight : (k == 4 ? tileDark : tile);
            if (k > 0 && k < 4 && (x % 6) == 0) c = tileDark;
            img.at(x, top[x] + k) = c;
        }
    }

    // Dome: shaded as a sphere lit from the upper left, with ribs.
    for (int x = 0; x <= kMainX1; ++x) {
        for (int y = top[x]; y < kMainRoof; ++y) {
            double nx = double(x - kDomeCx) / kDomeHalfW;
            double ny = double(y - kMainRoof) / (kMainRoof - kDomeTop);
            double rr = nx * nx + ny * ny;
            C c = domeBase;
            if (rr <= 1.0) {
                double nz = std::sqrt(std::max(0.0, 1 - rr));
                double light = -0.55 * nx + -0.6 * ny + 0.58 * nz;
                int idx = std::clamp(int((light + 0.25) * 4.2), 0, 5);
                c = domeShades[idx];
                // Meridian ribs.
                double ang = std::asin(std::clamp(nx / std::sqrt(std::max(1e-9, 1 - ny * ny)),
                                                  -1.0, 1.0));
                double ribPhase = std::fmod(ang / 0.3927 + 100.5, 1.0);
                if (std::fabs(ribPhase - 0.5) < 0.06 && rr < 0.97) c = rib;
                if (rr > 0.93) c = domeShades[0];
            }
            img.at(x, y) = c;
        }
    }
}

// ---------------------------------------------------------------- steel structures

// Bevelled solid rectangle, inclusive bounds.
void bevelRect(Image& img, int x0, int y0, int x1, int y1, bool rivets = true) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            C c = kGFace;
            if (y == y0) c = kGHi;
            else if (y == y0 + 1) c = kGLight;
            else if (y == y1) c = kGDark;
            else if (x == x0) c = kGLight;
            else if (x == x1 || y == y1 - 1) c = kGShadow;
            img.at(x, y) = c;
        }
    if (rivets && y1 - y0 >= 7) {
        int ry = (y0 + y1) / 2 + 1;
        for (int x = x0 + 4; x <= x1 - 4; x += 10) {
            img.at(x, ry) = kGHi;
            img.at(x + 1, ry) = kGDark;
        }
    }
}

// Crate-like block with a recessed panel (flat top, walkable).
void panelBlock(Image& img, int x0, int y0, int x1, int y1, int inset) {
    bevelRect(img, x0, y0, x1, y1, false);
    for (int y = y0 + inset; y <= y1 - inset; ++y)
        for (int x = x0 + inset; x <= x1 - inset; ++x) {
            C c = kGMid;
            if (y == y0 + inset || x == x0 + inset) c = kGShadow;
            if (y == y1 - inset || x == x1 - inset) c = kGLight;
            img.at(x, y) = c;
        }
}

// Small square block with a recessed panel.
void squareBlock(Image& img, int x0, int y0, int size) {
    panelBlock(img, x0, y0, x0 + size - 1, y0 + size - 1, 5);
}

double segDist(double px, double py, double ax, double ay, double bx, double by) {
    double vx = bx - ax, vy = by - ay;
    double t = std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(px - (ax + t * vx), py - (ay + t * vy));
}

// A girder along a segment, drawn as a thick stroke with a lit top edge.
void strut(Image& img, double ax, double ay, double bx, double by, double halfT) {
    int x0 = int(std::min(ax, bx) - halfT - 1), x1 = int(std::max(ax, bx) + halfT + 1);
    int y0 = int(std::min(ay, by) - halfT - 1), y1 = int(std::max(ay, by) + halfT + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double d = segDist(x + 0.5, y + 0.5, ax, ay, bx, by);
            if (d > halfT) continue;
            // Which side of the centre line? Light above, shadow below.
            double side = (bx - ax) * (y + 0.5 - ay) - (by - ay) * (x + 0.5 - ax);
            if (bx < ax) side = -side;
            C c = kGMid;
            if (d > halfT - 1.2) c = side < 0 ? kGLight : kGDark;
            img.set(x, y, c);
        }
}

// Truss ramp from (xa, topA) up to (xb, topB) over a flat bottom chord.
void rampTruss(Image& img, int xa, int topA, int xb, int topB, int chordY) {
    auto topAt = [&](int x) {
        return int(std::lround(topA + double(x - xa) * (topB - topA) / (xb - xa)));
    };
    // Web: alternating diagonals and verticals between the chords.
    for (int x = xa; x <= xb; x += 20) {
        strut(img, x + 1.5, topAt(x) + 4, x + 1.5, chordY, 1.6);
        int xn = std::min(x + 20, xb);
        strut(img, x + 2, chordY, xn, topAt(xn) + 5, 1.4);
    }
    strut(img, xb - 1.5, topAt(xb) + 4, xb - 1.5, chordY, 1.6);
    // Bottom chord.
    for (int x = xa; x <= xb; ++x)
        for (int y = chordY; y <= chordY + 5; ++y)
            img.at(x, y) = y == chordY ? kGLight : (y == chordY + 5 ? kGDark : kGMid);
    // Top chord: the walkable slope.
    for (int x = xa; x <= xb; ++x) {
        int t = topAt(x);
        for (int k = 0; k < 7; ++k) {
            C c = k == 0 ? kGHi : (k == 1 ? kGLight : (k >= 5 ? kGShadow : kGFace));
            img.at(x, t + k) = c;
        }
    }
}

// Square frame with an X brace; its top beam is walkable.
void xFrame(Image& img, int x0, int y0, int x1, int y1) {
    const int t = 7;
    strut(img, x0 + 4, y0 + 4, x1 - 4, y1 - 4, 3.2);
    strut(img, x0 + 4, y1 - 4, x1 - 4, y0 + 4, 3.2);
    // Hub plate where the braces cross.
    int cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    squareBlock(img, cx - 8, cy - 8, 17);
    bevelRect(img, x0, y0, x1, y0 + t, true);           // top beam
    bevelRect(img, x0, y1 - t, x1, y1, true);           // bottom beam
    bevelRect(img, x0, y0 + t + 1, x0 + t, y1 - t - 1, false);  // left post
    bevelRect(img, x1 - t, y0 + t + 1, x1, y1 - t - 1, false);  // right post
    // Corner gussets.
    for (int k = 0; k < 6; ++k)
        for (int j = 0; j < 6 - k; ++j) {
            img.at(x0 + t + 1 + j, y0 + t + 1 + k) = kGMid;
            img.at(x1 - t - 1 - j, y0 + t + 1 + k) = kGMid;
            img.at(x0 + t + 1 + j, y1 - t - 1 - k) = kGMid;
            img.at(x1 - t - 1 - j, y1 - t - 1 - k) = kGMid;
        }
}

// Stone-like half ring (upper half), voussoirs in greys.
void arch(Image& img, int cx, int cy, double rOut, double rIn) {
    for (int y = int(cy - rOut - 1); y <= cy; ++y)
        for (int x = int(cx - rOut - 1); x <= int(cx + rOut + 1); ++x) {
            double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (r > rOut || r < rIn) continue;
            double ang = std::atan2(cy - (y + 0.5), x + 0.5 - cx);  // 0..pi
            double seg = std::fmod(ang / (3.14159265 / 15) + 0.5, 1.0);
            C c = kGFace;
            if (r > rOut - 1.5) c = kGHi;
            else if (r > rOut - 3) c = kGLight;
            else if (r < rIn + 1.5) c = kGDark;
            else if (r < rIn + 3) c = kGShadow;
            else if (seg < 0.07) c = kGShadow;
            else if (int(std::lround(ang * 15 / 3.14159265)) == 7) c = kGLight;  // keystone
            img.at(x, y) = c;
        }
    // Springer blocks at the feet.
    bevelRect(img, int(cx - rOut) - 2, cy + 1, int(cx - rIn) + 2, cy + 8, false);
    bevelRect(img, int(cx + rIn) - 2, cy + 1, int(cx + rOut) + 2, cy + 8, false);
}

void drawStructures(Image& img) {
    // Step block on the ground (37 px tall) leading up to the first ledge.
    panelBlock(img, 444, 412, 482, kGroundTop - 1, 6);
    // Floating step.
    bevelRect(img, 488, 372, 529, 379);
    // Tray the pick-ups land on, with a lip hanging under it.
    bevelRect(img, kTrayX0, kTrayTop, kTrayX1, kTrayTop + 9);
    for (int x = kTrayX0 + 6; x <= kTrayX1 - 6; x += 12) squareBlock(img, x, kTrayTop + 10, 7);
    // Truss ramp rising from the tray to the X frame.
    rampTruss(img, kTrayX1 + 1, kTrayTop, 706, 270, 372);
    // X frame hanging over the fire pit.
    xFrame(img, 707, 270, 830, 380);
    // Stone arch.
    arch(img, 960, 322, 88, 74);
    // High girder above the arch.
    bevelRect(img, 990, 172, 1100, 180);
    for (int x = 1000; x <= 1090; x += 30) squareBlock(img, x, 181, 9);
    // Stepping squares between the high girder and the ledge.
    squareBlock(img, 1120, 212, 22);
    squareBlock(img, 1160, 252, 22);
    squareBlock(img, 1126, 292, 22);
    squareBlock(img, 1160, 332, 22);
    // The ledge at row 369.
    bevelRect(img, kLedgeX0, kLedgeTop, kLedgeX1, kLedgeTop + 9);
    for (int x = kLedgeX0 + 8; x <= kLedgeX1 - 14; x += 22) squareBlock(img, x, kLedgeTop + 10, 9);
    // Step block on the ground below the ledge.
    panelBlock(img, 1140, 412, 1176, kGroundTop - 1, 6);
}

// ---------------------------------------------------------------- gold

C olive(int v) {
    v = std::clamp(v, 16, 239);
    return C{uint8_t(v), uint8_t(v), 0};
}

void drawGold(Image& img) {
    // Dark plinth floating above the walkway.
    const C plinth{40, 40, 56}, plinthLight{72, 72, 96}, plinthDark{26, 26, 38};
    for (int x = kPlinthX0; x <= kPlinthX1; ++x)
        for (int y = kPlinthTop; y <= kPlinthBottom; ++y) {
            C c = plinth;
            if (y == kPlinthTop) c = plinthLight;
            else if (y == kPlinthBottom || x == kPlinthX1) c = plinthDark;
            else if (x == kPlinthX0) c = plinthLight;
            img.at(x, y) = c;
        }
    // Hanging trim under the plinth.
    for (int x = kPlinthX0 + 4; x <= kPlinthX1 - 4; ++x)
        if ((x - kPlinthX0) % 12 < 6) img.at(x, kPlinthBottom + 1) = plinthDark;

    // A stack of gold ingots: 4, 3, 2, 1 bars, each 24 wide and 7 high.
    const int barW = 24, barH = 7;
    int base = kPlinthTop - 1;
    for (int level = 0; level < 4; ++level) {
        int count = 4 - level;
        int rowX0 = kGoldX0 + level * barW / 2;
        int y1 = base - level * barH, y0 = y1 - barH + 1;
        for (int b = 0; b < count; ++b) {
            int bx0 = rowX0 + b * barW, bx1 = bx0 + barW - 1;
            for (int y = y0; y <= y1; ++y) {
                int inset = (y1 - y) / 3;  // trapezoid: narrower at the top
                for (int x = bx0 + inset; x <= bx1 - inset; ++x) {
                    int v;
                    if (y == y0) v = 239;
                    else if (y <= y0 + 2) v = 206;
                    else if (y == y1) v = 72;
                    else v = 164 - (x - bx0) * 2;
                    if (x == bx0 + inset) v = std::min(v, 120);
                    if (x == bx1 - inset) v = 48;
                    img.at(x, y) = olive(v);
                }
            }
            img.at(bx0 + 5, y0 + 3) = olive(239);  // glint
        }
    }
    // A gold nugget on top of the stack.
    int ncx = (kGoldX0 + kGoldX1) / 2, ny = base - 4 * barH;
    for (int y = ny - 4; y <= ny; ++y)
        for (int x = ncx - 5; x <= ncx + 5; ++x)
            if (std::hypot((x - ncx) / 5.5, (y - ny) / 4.5) <= 1.0)
                img.at(x, y) = olive(y == ny - 4 || x < ncx - 2 ? 239 : 150 - (x - ncx) * 12);
    // A few coins spilled on the plinth.
    for (int cx : {kGoldX0 - 12, kGoldX1 + 8}) {
        for (int x = cx; x < cx + 5; ++x) {
            img.at(x, base) = olive(100);
            img.at(x, base - 1) = olive(x == cx ? 239 : 190);
        }
    }
}

// ---------------------------------------------------------------- self-check

struct Checker {
    const Image& img;
    int fails = 0;
    void fail(const std::string& msg) {
        if (fails < 40) std::fprintf(stderr, "level check failed: %s\n", msg.c_str());
        ++fails;
    }
    int firstSolidBelow(int x, int y) const {
        for (; y < H; ++y)
            if (img.solid(x, y)) return y;
        return H;
    }
};

bool inFlames(int x, int y) { return x >= kPitX0 && x <= kPitX1 && y >= kFlameTop; }
bool inGold(int x, int y) {
    return x >= kPlinthX0 && x <= kPlinthX1 && y >= 360 && y < kPlinthTop;
}

int selfCheck(const Image& img) {
    Checker ck{img};
    char buf[256];
    auto msg = [&](const char* fmt, auto... a) {
        std::snprintf(buf, sizeof buf, fmt, a...);
        return std::string(buf);
    };

    // Colour classes per region.
    std::set<C> colours;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            C c = img.at(x, y);
            colours.insert(c);
            if (c == kBlack) continue;
            if (c == kYellow) {
                if (!inFlames(x, y)) ck.fail(msg("deadly yellow outside the flames at (%d,%d)", x, y));
                continue;
            }
            if (isHot(c) && !inFlames(x, y) && !inGold(x, y) && y < kBedrockTop)
                ck.fail(msg("hot colour (%d,%d,%d) outside allowed regions at (%d,%d)", c.r, c.g,
                            c.b, x, y));
            if (inFlames(x, y) && !(c == kFlameGold || c == kFlameOrange || c == kFlameRed))
                ck.fail(msg("non-flame colour in the flames at (%d,%d)", x, y));
            if (inGold(x, y) && isHot(c) && !(c.r == c.g && c.r >= 16 && c.r <= 239))
                ck.fail(msg("gold pixel not an olive shade at (%d,%d)", x, y));
        }
    if (colours.size() > 256) ck.fail(msg("%zu distinct colours (max 256)", colours.size()));

    // Ground: solid from row 449 down everywhere except the pit cavity; sky above
    // only where structures are allowed.
    for (int x = 0; x < W; ++x) {
        bool pit = x >= kPitX0 && x <= kPitX1;
        for (int y = kGroundTop; y < H; ++y) {
            bool wantSolid = !pit || y <= kCrustBottom || y >= 590;
            if (wantSolid && !img.solid(x, y)) ck.fail(msg("ground hole at (%d,%d)", x, y));
            if (pit && y > kCrustBottom && y <= kCavityBottom && img.solid(x, y))
                ck.fail(msg("pit cavity not empty at (%d,%d)", x, y));
            C c = img.at(x, y);
            bool groundPart = !pit || y <= kCrustBottom;
            if (groundPart && y < kBedrockTop && (c.b == 0 || isHot(c)))
                ck.fail(msg("ground colour with blue 0 at (%d,%d)", x, y));
            if (groundPart && y >= kBedrockTop && !(c == kBedrock))
                ck.fail(msg("bedrock colour wrong at (%d,%d)", x, y));
        }
        if (!(img.at(x, kGroundTop) == groundColour(kGroundTop)))
            ck.fail(msg("ground top row colour wrong at x=%d", x));
    }
    // Pit walls are ground down to the bottom.
    for (int y = kGroundTop; y < H; ++y)
        for (int x : {kPitX0 - 1, kPitX1 + 1})
            if (!img.solid(x, y) || isHot(img.at(x, y)) != (y >= kBedrockTop))
                ck.fail(msg("pit wall wrong at (%d,%d)", x, y));
    // Flames reach up to about row 547 and contain plenty of deadly yellow.
    {
        int highest = H, yellow = 0;
        for (int x = kPitX0; x <= kPitX1; ++x)
            for (int y = kFlameTop; y < H; ++y)
                if (img.solid(x, y)) {
                    highest = std::min(highest, y);
                    yellow += img.at(x, y) == kYellow;
                }
        if (highest > kFlameTop + 3) ck.fail(msg("flames only reach row %d", highest));
        if (yellow < 1000) ck.fail(msg("too little yellow in the flames (%d)", yellow));
    }

    // Guys dropped on the building land on something that is not hot.
    for (int gx : {67, 167, 200}) {
        int y = ck.firstSolidBelow(gx, 0);
        if (y >= kGroundTop || isHot(img.at(gx, y)))
            ck.fail(msg("guy dropped at x=%d lands on row %d (not a safe roof)", gx, y));
    }
    // Roof from x 60 to 205 can be walked rightwards (climbs of at most 3 px),
    // and the dome's top is about row 335.
    {
        std::vector<int> top(W);
        for (int x = 0; x < W; ++x) top[x] = ck.firstSolidBelow(x, 0);
        for (int x = 60; x < kBuildingX1; ++x)
            if (top[x + 1] < top[x] - 3)
                ck.fail(msg("roof step too tall between x=%d and x=%d", x, x + 1));
        for (int x = 55; x <= kBuildingX1; ++x)
            if (std::abs(top[x + 1] - top[x]) > 3 && x != kBuildingX1)
                ck.fail(msg("roof not gentle between x=%d and x=%d", x, x + 1));
        int domeTop = *std::min_element(top.begin(), top.begin() + kBuildingX1 + 1);
        if (domeTop < 330 || domeTop > 340) ck.fail(msg("dome top at row %d", domeTop));
        C dome = img.at(kDomeCx, domeTop);
        if (dome.b <= dome.r || dome.b <= dome.g) ck.fail("dome is not blue");
    }
    // Pick-ups at x 538..582 land on grey between rows 168 and 371.
    for (int x = 538; x <= 582; ++x) {
        int y = ck.firstSolidBelow(x, 67);
        if (y < 168 || y > 371 || !isGrey(img.at(x, y)))
            ck.fail(msg("pick-up at x=%d lands on row %d", x, y));
    }
    // The ledge at row 369 under x 1225..1250 with clear sky above it.
    for (int x = 1225; x <= 1250; ++x) {
        if (!isGrey(img.at(x, kLedgeTop))) ck.fail(msg("ledge row 369 not grey at x=%d", x));
        if (ck.firstSolidBelow(x, 0) != kLedgeTop) ck.fail(msg("something above the ledge at x=%d", x));
    }
    // Golden object rests on a dark, non-hot plinth.
    {
        int goldPixels = 0;
        for (int y = 360; y < kPlinthTop; ++y)
            for (int x = kPlinthX0; x <= kPlinthX1; ++x) goldPixels += isHot(img.at(x, y));
        if (goldPixels < 800) ck.fail(msg("golden object too small (%d px)", goldPixels));
        for (int x = kPlinthX0; x <= kPlinthX1; ++x) {
            C c = img.at(x, kPlinthTop);
            if (c.b == 0 || isGrey(c) || c.r > 100) ck.fail(msg("plinth top wrong at x=%d", x));
        }
        for (int x = kGoldX0; x <= kGoldX1; ++x)
            if (!isHot(img.at(x, kPlinthTop - 1)))
                ck.fail(msg("gold does not rest on the plinth at x=%d", x));
    }
    // Mines dropped at row 440 for x 1643..1733 fall to the ground.
    for (int x = 1643; x <= 1733; ++x)
        if (ck.firstSolidBelow(x, 440) != kGroundTop) ck.fail(msg("mine at x=%d does not reach the ground", x));
    // Rocket pad and the open ground on the right are clear sky.
    for (int x = 380; x <= 425; ++x)
        if (ck.firstSolidBelow(x, 0) != kGroundTop) ck.fail(msg("rocket pad not clear at x=%d", x));
    for (int x = 1860; x < W; ++x)
        if (ck.firstSolidBelow(x, 0) != kGroundTop) ck.fail(msg("open ground not clear at x=%d", x));
    // Walkway x 200..2399: things standing on the ground are at most 40 px tall
    // with 35 px headroom above; floating things leave a 35 px gap.
    for (int x = 200; x < W; ++x) {
        int y = kGroundTop - 1;
        while (y >= 0 && img.solid(x, y)) --y;
        int standing = kGroundTop - 1 - y;  // height of what stands on the ground here
        if (standing > 40) ck.fail(msg("walkway blocked at x=%d (%d px tall)", x, standing));
        int surface = kGroundTop - standing;
        for (int k = 1; k <= 35; ++k)
            if (surface - k >= 0 && img.solid(x, surface - k)) {
                ck.fail(msg("walkway headroom only %d px at x=%d", k - 1, x));
                break;
            }
    }
    // Flat tops on the ground step blocks (and on the building's eave).
    for (int x = 200; x < W - 1; ++x) {
        int a = ck.firstSolidBelow(x, 300), b = ck.firstSolidBelow(x + 1, 300);
        if (a < kGroundTop && b < kGroundTop && a > 405 && b > 405 && a != b)
            ck.fail(msg("uneven top of a ground block at x=%d", x));
    }
    // Computer guys' drop points.
    for (int gx : {1900, 1933})
        if (ck.firstSolidBelow(gx, 0) != kGroundTop) ck.fail(msg("drop point x=%d not open", gx));

    if (ck.fails) {
        std::fprintf(stderr, "level check: %d failure(s)\n", ck.fails);
        return 1;
    }
    std::printf("level check OK: %dx%d, %zu colours, all rules hold\n", W, H, colours.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    Image img;
    drawGround(img);
    drawFirePit(img);
    drawBuilding(img);
    drawStructures(img);
    drawGold(img);

    std::vector<uint8_t> bytes(W * H * 3);
    for (int i = 0; i < W * H; ++i) {
        bytes[i * 3] = img.px[i].r;
        bytes[i * 3 + 1] = img.px[i].g;
        bytes[i * 3 + 2] = img.px[i].b;
    }
    int rc = selfCheck(img);
    if (!stbi_write_png(argv[1], W, H, 3, bytes.data(), W * 3)) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s\n", argv[1]);
    return rc;
}
