// Guy figures and the two panels.
#pragma once
#include "core/game.h"

namespace vexlot {

void drawguy(Game& game, int guyIndex, int eraseMode);
void eraseguy(Game& game, int guyIndex);
// A guy who has fallen: dead, or hurt with no hit points left (guy 0's are the life gauge's). His
// figure is drawn lower, and the front-ends count him as down.
bool fallen(const Game& game, int guyIndex);

// Colour editor.
void gpalette_MouseDown(Game& game, float x, float y);
void Command3_Click(Game& game);
void Timer1_Timer(Game& game);
// Debug panel.
void picback_MouseDown(Game& game, float x, float y);
void Command1_Click(Game& game);

}  // namespace vexlot
