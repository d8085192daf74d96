// The rock kinds' rows; rock drawing and erasing made from them, and the rock phase that erases,
// moves and redraws every rock by its row. Drawing and erasing read the same strokes of the kind's
// look, so what erasing paints over is what drawing painted. The colours are game rules:
// yellow hurts guys and never bounces a rock, fire colours burn guys, and mines burst on colours
// with no blue and some green.
#include <cstdlib>
#include <utility>

#include "core/game.h"
#include "weapons/rock_kinds.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

// The colours that change: each Rnd is a fresh draw at every drawing, so these flicker.
std::optional<int32_t> flicker(Game& game, const Rock&) { return rgb(255, cint(game.rnd() * 255), 0); }
std::optional<int32_t> clusterBombColour(Game& game, const Rock&) {
    const int red = cint(game.rnd() * 255);
    return rgb(red, 0, cint(game.rnd() * 127));
}
std::optional<int32_t> grenadeColour(Game& game, const Rock&) {
    const int green = cint(game.rnd() * 127 + 127);
    return rgb(255, green, cint(game.rnd() * 127 + 127));
}
// The time bomb glows from dark brown to yellow as its fuse runs out.
std::optional<int32_t> timeBombColour(Game&, const Rock& r) {
    const double left = wrap16(r.aux + 1);
    return rgb(cint(255 / (left / 4)), cint(255 / (left / 2)), 0);
}
// A bolt is yellow from a full charge and darkens through orange to red as the burst goes on.
std::optional<int32_t> laserColour(Game&, const Rock& r) {
    return rgb(std::abs(r.aux), cint(std::abs(r.aux / 4.0)), 0);
}
// A pick-up shows its weapon's gauge colour with a brighter centre: the whole colour value times
// 1.5, whose low 24 bits are painted. A pick-up of no weapon is not shown.
[[gnu::always_inline]] inline std::optional<int32_t> pickupColour(Game& game, const Rock& r) {
    if (!weaponRow(r.payload)) return std::nullopt;
    return game.ammo[r.payload - 1].foreColor;
}
[[gnu::always_inline]] inline std::optional<int32_t> pickupCentre(Game& game, const Rock& r) {
    if (!weaponRow(r.payload)) return std::nullopt;
    return clng(game.ammo[r.payload - 1].foreColor * 1.5);
}

constexpr Stroke stroke(Shape shape, int16_t pen, int32_t colour) { return {shape, pen, colour}; }
constexpr Stroke stroke(Shape shape, int16_t pen, ColourRule rule) { return {shape, pen, 0, rule}; }
// A stroke that lies inside an earlier one of the same rock.
constexpr Stroke within(Stroke s) {
    s.inside = true;
    return s;
}

}  // namespace

// One row per kind: how it looks and what moves it. Kinds 3 and 4 are no kinds and keep empty rows.
constexpr std::array<RockKindInfo, kRockKinds> rockKindTable = [] {
    std::array<RockKindInfo, kRockKinds> t{};
    auto row = [&t](int16_t kind, RockUpdate update, Stroke first = {}, Stroke second = {}) {
        t[kind] = {{first, second}, update};
    };
    constexpr int32_t pelletGrey = rgb(200, 200, 200);
    row(RockKind::Ember, updateEmber);  // shows as the sparks it leaves
    row(RockKind::Spark, updateSpark, stroke(Shape::Dot, kPenFromCounter, kYellow));
    row(RockKind::Fragment, updateFragment, stroke(Shape::Dot, 2, rgb(255, 127, 0)));
    row(RockKind::Firebrand, updateFirebrand, stroke(Shape::Dot, 3, flicker));
    row(RockKind::Bomblet, updateBomblet, stroke(Shape::Tail, 2, rgb(255, 0, 127)));
    row(RockKind::ClusterBomb, updateClusterBomb, stroke(Shape::Tail, 2, clusterBombColour));
    row(RockKind::Grenade, updateGrenade, stroke(Shape::Tail, 2, grenadeColour));
    row(RockKind::BigGrenade, updateBigGrenade, stroke(Shape::Tail, 2, flicker));
    row(RockKind::DirtBomb, updateDirtBomb, stroke(Shape::Dot, 1, rgb(255, 124, 23)));
    row(RockKind::Pellet, updatePellet, stroke(Shape::Dot, 1, pelletGrey));
    row(RockKind::Shell, updateShell, stroke(Shape::Dot, 1, pelletGrey));
    row(RockKind::Flame, updateFlame);  // shows as its trail of yellow sparks
    row(RockKind::BounceGrenade, updateBounceGrenade, stroke(Shape::Dot, 2, rgb(0, 127, 255)));
    row(RockKind::Casing, updateCasing, stroke(Shape::Pointer, 1, rgb(100, 100, 0)),
        within(stroke(Shape::Dot, 1, rgb(200, 200, 0))));
    row(RockKind::Missile, updateMissile, stroke(Shape::Nose, 1, rgb(0, 127, 127)), stroke(Shape::Dot, 2, flicker));
    row(RockKind::HeavyFragment, updateHeavyFragment, stroke(Shape::Dot, 2, rgb(255, 0, 0)));
    row(RockKind::TimeBomb, updateTimeBomb, stroke(Shape::Dot, 3, timeBombColour),
        within(stroke(Shape::Dot, 1, rgb(255, 0, 0))));
    row(RockKind::LaserBolt, updateLaserBolt, stroke(Shape::Nose, 1, laserColour));
    row(RockKind::AmmoPickup, updatePickup, stroke(Shape::Dot, 3, pickupColour),
        within(stroke(Shape::Dot, 1, pickupCentre)));
    row(RockKind::Mine, updateMine, stroke(Shape::Box, 1, rgb(100, 100, 127)), within(stroke(Shape::Letter, 1, 0)));
    return t;
}();

namespace {

// Each burst kind shows its letter on the mine.
[[gnu::always_inline]] inline void mineLetter(Surface& s, const Rock& r) {
    const char* letter = nullptr;
    int32_t colour = 0;
    switch (r.payload) {
        case MinePayload::Sparks: letter = "F"; colour = rgb(0, 200, 200); break;
        case MinePayload::Fragments: letter = "b"; colour = rgb(255, 127, 0); break;
        case MinePayload::BounceGrenade: letter = "G"; colour = rgb(0, 127, 255); break;
        case MinePayload::HeavyFragments: letter = "B"; colour = rgb(255, 127, 0); break;
        default: return;
    }
    s.currentX = r.x - 50;
    s.currentY = r.y - 75;
    s.foreColor = colour;
    s.print(letter);
}

int16_t penOf(const Stroke& k, const Rock& r) { return k.pen == kPenFromCounter ? wrap16(r.counter + 1) : k.pen; }

// Paints stroke k of rock r in `colour`. The pen width stays set on the surface afterwards.
[[gnu::always_inline]] inline void paint(Game& game, const Rock& r, const Stroke& k, int32_t colour) {
    Surface& s = game.picback;
    if (k.shape != Shape::Letter) s.drawWidth = penOf(k, r);
    switch (k.shape) {
        case Shape::Dot: s.pset(r.x, r.y, colour); break;
        case Shape::Tail: s.line(r.x, r.y, r.x - r.vx, r.y - r.vy, colour); break;
        case Shape::Nose: s.line(r.x, r.y, r.x + r.vx, r.y + r.vy, colour); break;
        case Shape::Pointer: {
            const float end = game.facing[0] == facingLeft ? r.x - 50 : r.x + 50;
            s.line(r.x, r.y, end, r.y, colour);
            break;
        }
        case Shape::Box: s.filledBox(r.x - 50, r.y - 100, r.x + 50, r.y + 100, colour); break;
        case Shape::Letter: mineLetter(s, r); break;
        case Shape::None: break;
    }
}

// Paints over stroke k in the background colour, wherever drawing may have put it.
[[gnu::always_inline]] inline void unpaint(Game& game, const Rock& r, const Stroke& k, int32_t back) {
    Surface& s = game.picback;
    switch (k.shape) {
        case Shape::Pointer:  // both ways the player may have faced
            s.drawWidth = penOf(k, r);
            s.line(r.x - 50, r.y, r.x + 50, r.y, back);
            break;
        case Shape::Letter: break;  // inside the box
        default: paint(game, r, k, back); break;
    }
}

// Drawing, erasing and the rock phase's step of each kind are made from its row when the program
// is built, so each is as direct as hand-written code for that kind.
constexpr std::size_t kStrokes = std::tuple_size_v<decltype(RockKindInfo::look)>;

// Stroke S of kind K; false when it ends the look (no stroke, or a rock not shown at all).
template <int K, std::size_t S>
[[gnu::always_inline]] inline bool drawStroke(Game& game, const Rock& r) {
    constexpr Stroke k = rockKindTable[K].look[S];
    if constexpr (k.shape == Shape::None) {
        return false;
    } else if constexpr (k.rule != nullptr) {
        const std::optional<int32_t> c = k.rule(game, r);
        if (!c) return false;
        paint(game, r, k, *c);
        return true;
    } else {
        paint(game, r, k, k.colour);
        return true;
    }
}

template <int K, std::size_t S>
[[gnu::always_inline]] inline bool eraseStroke(Game& game, const Rock& r, int32_t back) {
    constexpr Stroke k = rockKindTable[K].look[S];
    if constexpr (k.shape == Shape::None) {
        return false;
    } else {
        if constexpr (!k.inside) unpaint(game, r, k, back);
        return true;
    }
}

// The strokes in order, up to the first that ends the look.
template <int K, std::size_t... S>
[[gnu::always_inline]] inline void drawStrokes(Game& game, const Rock& r, std::index_sequence<S...>) {
    (drawStroke<K, S>(game, r) && ...);
}
template <int K, std::size_t... S>
[[gnu::always_inline]] inline void eraseStrokes(Game& game, const Rock& r, int32_t back, std::index_sequence<S...>) {
    (eraseStroke<K, S>(game, r, back) && ...);
}

template <int K>
[[gnu::always_inline]] inline void drawKind(Game& game, const Rock& r) {
    drawStrokes<K>(game, r, std::make_index_sequence<kStrokes>{});
}

template <int K>
[[gnu::always_inline]] inline void eraseKind(Game& game, const Rock& r) {
    if constexpr (rockKindTable[K].look[0].shape != Shape::None)
        eraseStrokes<K>(game, r, game.picback.backColor, std::make_index_sequence<kStrokes>{});
}

// Erased, moved and drawn again; a rock its update killed is drawn as its new kind (nothing when dead).
template <int K>
void stepKind(Game& game, int i) {
    Rock& r = game.rockTable[i];
    eraseKind<K>(game, r);
    if (rockKindTable[K].update != nullptr) rockKindTable[K].update(game, i);  // folded away: the row is constant
    if (r.kind == K)
        drawKind<K>(game, r);
    else
        drawrock(game, i);
}

template <std::size_t... K>
constexpr std::array<void (*)(Game&, const Rock&), kRockKinds> drawers(std::index_sequence<K...>) {
    return {&drawKind<K>...};
}
template <std::size_t... K>
constexpr std::array<void (*)(Game&, const Rock&), kRockKinds> erasers(std::index_sequence<K...>) {
    return {&eraseKind<K>...};
}
template <std::size_t... K>
constexpr std::array<void (*)(Game&, int), kRockKinds> steppers(std::index_sequence<K...>) {
    return {&stepKind<K>...};
}
constexpr auto kDrawers = drawers(std::make_index_sequence<kRockKinds>{});
constexpr auto kErasers = erasers(std::make_index_sequence<kRockKinds>{});
constexpr auto kSteppers = steppers(std::make_index_sequence<kRockKinds>{});

bool isKind(int16_t kind) { return kind >= 0 && kind < kRockKinds; }

}  // namespace

void drawrock(Game& game, int i) {
    const Rock& r = game.rockTable[i];
    if (isKind(r.kind)) kDrawers[r.kind](game, r);
}

void eraserock(Game& game, int i) {
    const Rock& r = game.rockTable[i];
    if (isKind(r.kind)) kErasers[r.kind](game, r);
}

void rocks(Game& game) {
    const int n = game.rockCount;
    for (int i = 1; i <= n; ++i) {
        const int16_t kind = game.rockTable[i].kind;
        if (isKind(kind)) kSteppers[kind](game, i);
    }
    // A rock moved into a dead one's slot has its picture erased; the next frame redraws it.
    game.rockCount = removeDead(
        game.rockTable, game.rockCount, [](const Rock& r) { return r.kind == RockKind::Dead; },
        [&](int i) { eraserock(game, i); });
}

}  // namespace vexlot
