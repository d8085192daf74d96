// The game's top: start-up and the frame loop, which call every part of the game in its fixed order,
// and the window's input handlers that hand keys to the players' guys.
#pragma once
#include <cstdint>
#include <span>

#include "core/core.h"

namespace vexlot {

// Start-up: everything the window's load event sets before the first frame, on the built-in level
// picture or the one given.
void startup(Game& game, uint64_t seed, const Picture& level = levelPicture());
// Makes a started game one of two players: a second person plays guy 1 with keys of their own.
void startTwoPlayerGame(Game& game, TwoPlayerRules rules = {});

// One frame: events, guys, drawing, rockets, blasts, rocks, shrapnel. Pacing is the caller's.
// Returns false when an event ended the program (the frame stops right after the event step).
bool runFrame(Game& game, std::span<const InputEvent> events);
void deliverEvent(Game& game, const InputEvent& event);

// Keyboard handlers (virtual key codes and character codes).
void Form_KeyDown(Game& game, int keyCode);
void Form_KeyUp(Game& game, int keyCode);
void Form_KeyPress(Game& game, int charCode);

}  // namespace vexlot
