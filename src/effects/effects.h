// Rockets, blasts and shrapnel.
#pragma once
#include "core/game.h"

namespace vexlot {

void setUpStartupRocket(Game& game);
void rocketPhase(Game& game);
void drawrocket(Game& game, int i);
void eraserocket(Game& game, int i);

void blastPhase(Game& game);
// Adds a blast (the same steps for every creator); returns its index, 0 when the table is full.
int newBlast(Game& game, double x, double y, float maxSize, float growth, double colour);

void setUpStartupShrapnel(Game& game);
void shrapnelPhase(Game& game);
void drawshrapnel(Game& game, int i);
void eraseshrapnel(Game& game, int i);
// A fuse burst throws a ring of children; a bounce burst gives them random speeds and more bounces.
enum class BurstKind { Fuse, Bounce };
// Adds particle i's `children` children (copies of it) beyond the end of the table.
void burst(Game& game, int i, BurstKind kind);

}  // namespace vexlot
