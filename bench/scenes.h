// Scenes the benchmarks time: the start-up scene, a scripted minute of fighting and a stress scene
// with every table at its capacity. All deterministic, so two runs time the same work.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/core.h"

namespace vexlot::bench {

constexpr uint64_t kSeed = 12345;
constexpr int kFightFrames = 3600;  // one minute at 60 frames a second

// A game right after start-up.
std::unique_ptr<Game> startedGame(uint64_t seed = kSeed);

// The player's input for frame f (1..kFightFrames) of the fighting minute: walking mostly right with
// jumps and aiming, weapons 1..8 in turn for 450 frames each with fire held, the laser charged and
// released, mines laid.
std::vector<InputEvent> fightInput(int frame);

// Stress scene: the start-up game a second into its run, then 11 guys on the ground (lastGuy 10),
// the rock, shrapnel and blast tables filled to capacity with live objects of many kinds.
std::unique_ptr<Game> stressGame();
// Tops the rock, shrapnel and blast tables up to capacity again; `salt` varies the new objects.
void refillTables(Game& game, uint32_t salt);

}  // namespace vexlot::bench
