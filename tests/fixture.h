// Small worlds for tests: a game on an empty (black) world of full size that a test paints.
#pragma once
#include <memory>

#include "core/core.h"
#include "game/play.h"
#include "session/dump.h"
#include "session/script.h"

namespace vexlot::test {

// The game's scalars as start-up sets them, an all-black world, no guys, no objects.
// Sounds handed to the player are recorded in `sounds`.
struct World {
    std::unique_ptr<Game> game = std::make_unique<Game>();
    SoundLog sounds;

    explicit World(uint64_t seed = 1) {
        Game& g = *game;
        startup(g, seed);
        // Keep the scalars and gauges start-up set; clear the world, the guys and every object.
        g.picback.create(kWorldWidthUnits / Surface::kUnitsPerPixel, kWorldHeightUnits / Surface::kUnitsPerPixel, 0,
                         {}, 0, 0);
        g.guyTable = {};
        g.lastGuy = 0;
        g.rockCount = g.blastCount = g.shrapnelCount = g.rocketCount = 0;
        g.rng.seed(seed);
        sounds.game = game.get();
        g.soundSink = &sounds;
        g.soundOn = kHeld;
    }
    World(const World&) = delete;  // the game points at this world's sound log
    World& operator=(const World&) = delete;
    Game& operator*() { return *game; }
    Game* operator->() { return game.get(); }

    // Paints a filled box given in pixels (inclusive corners).
    void paint(int px0, int py0, int px1, int py1, int32_t colour) {
        Surface& s = game->picback;
        int16_t w = s.drawWidth;
        s.drawWidth = 1;
        s.filledBox(px0 * 15.0, py0 * 15.0, px1 * 15.0, py1 * 15.0, colour);
        s.drawWidth = w;
    }
    // Paints a box given in world units.
    void paintUnits(float x0, float y0, float x1, float y1, int32_t colour) {
        game->picback.filledBox(x0, y0, x1, y1, colour);
    }
    int32_t at(float x, float y) const { return game->picback.point(x, y); }
    // Number of sounds of that file recorded so far.
    int soundCount(const std::string& file) const {
        int n = 0;
        for (const auto& e : sounds.entries) n += e.file == file;
        return n;
    }
};

}  // namespace vexlot::test
