// The rock kinds: one row per kind holding its look, which drawing and erasing both read, and the
// function that moves it each frame. The rows, the looks' colour rules, the drawing and the rock
// phase are in rock_kinds.cpp; the functions that move each kind are in rocks.cpp.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "core/game.h"

namespace vexlot {

// What one stroke of a rock paints, at the rock's position.
enum class Shape : int8_t {
    None,     // no stroke
    Dot,      // a round dot of the pen's diameter
    Tail,     // a line back along the velocity: the streak of a falling bomb or grenade
    Nose,     // a line forward along the velocity: the streak of a missile or laser bolt
    Pointer,  // a line 50 long the way the player faces, so it turns when he turns; erased both ways
    Box,      // the mine's box, 100 wide and 200 high
    Letter,   // the mine's payload letter, in the letter's own colour (no pen)
};

constexpr int16_t kPenFromCounter = -1;  // a pen of the rock's counter + 1 (a spark shrinks as it dies)

// A colour that changes from frame to frame or with the rock (flicker, fuse, charge, gauge); nothing
// when the rock is not to be shown at all.
using ColourRule = std::optional<int32_t> (*)(Game& game, const Rock& r);

struct Stroke {
    Shape shape = Shape::None;
    int16_t pen = 1;  // pen width, or kPenFromCounter
    int32_t colour = 0;
    ColourRule rule = nullptr;  // when set, the colour comes from it
    bool inside = false;        // lies within an earlier stroke, so erasing that one removes it too
};

// Moves rock i one frame: its behaviour.
using RockUpdate = void (*)(Game& game, int i);

struct RockKindInfo {
    // Painted in order, up to a Shape::None; erased in the background colour, all but the strokes
    // that lie inside others. A kind without strokes is never seen (embers and flames show their sparks).
    std::array<Stroke, 2> look{};
    RockUpdate update = nullptr;  // nullptr: no such kind, the rock is left alone
};

// Kinds 0..kRockKinds - 1 (index kind).
extern const std::array<RockKindInfo, kRockKinds> rockKindTable;

// The row of `kind`, or nullptr for a number that is no kind code.
inline const RockKindInfo* rockKindRow(int kind) {
    return kind >= 0 && kind < kRockKinds ? &rockKindTable[kind] : nullptr;
}

// What moves each kind (rocks.cpp).
void updateEmber(Game& game, int i);
void updateSpark(Game& game, int i);
void updateFragment(Game& game, int i);
void updateFirebrand(Game& game, int i);
void updateBomblet(Game& game, int i);
void updateClusterBomb(Game& game, int i);
void updateGrenade(Game& game, int i);
void updateBigGrenade(Game& game, int i);
void updateDirtBomb(Game& game, int i);
void updatePellet(Game& game, int i);
void updateShell(Game& game, int i);
void updateFlame(Game& game, int i);
void updateBounceGrenade(Game& game, int i);
void updateCasing(Game& game, int i);
void updateMissile(Game& game, int i);
void updateHeavyFragment(Game& game, int i);
void updateTimeBomb(Game& game, int i);
void updateLaserBolt(Game& game, int i);
void updatePickup(Game& game, int i);
void updateMine(Game& game, int i);

}  // namespace vexlot
