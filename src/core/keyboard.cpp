// Keyboard handlers: they only set guy 0's control flags and a few fields.
#include "core/core.h"
#include "figure/figure.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {
enum Key { kAlt = 18, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kComma = 188, kFullStop = 190, kSlash = 191 };

// An arrow pressed (auto-repeats ignored): walk that way, turn with the old figure erased, arms forward.
void turn(Game& game, ControlTable& walk, int16_t facing, int16_t armAngle) {
    if (walk[0] != 0) return;
    walk[0] = -1;
    drawguy(game, 0, 1);
    game.facing[0] = facing;
    drawguy(game, 0, 1);
    game.guyTable[0].armAngle1Lower = game.guyTable[0].armAngle2Lower = armAngle;
}
}

void Form_KeyDown(Game& game, int keyCode) {
    Guy& g = game.guyTable[0];
    switch (keyCode) {
    case kLeft: turn(game, game.keyLeft, facingLeft, 180); break;
    case kRight: turn(game, game.keyRight, facingRight, 0); break;
    case kDown:
        if (game.keyDown[0] == 0) drawguy(game, 0, 1);
        game.keyDown[0] = -1;
        break;
    case kUp: game.keyUp[0] = -1; break;
    case kAlt: game.keyFire[0] = -1; break;
    case kComma:
        if (game.facing[0] == facingLeft) game.aimInc[0] = -1; else game.aimDec[0] = -1;
        break;
    case kFullStop:
        if (game.facing[0] == facingLeft) game.aimDec[0] = -1; else game.aimInc[0] = -1;
        break;
    case kSlash: g.aimAngle = 0; break;
    default: break;
    }
}

void Form_KeyUp(Game& game, int keyCode) {
    switch (keyCode) {
    case kLeft: game.keyLeft[0] = 0; break;
    case kRight: game.keyRight[0] = 0; break;
    case kDown:
        if (game.keyDown[0] == -1) eraseguy(game, 0);
        game.keyDown[0] = 0;
        break;
    case kUp: game.keyUp[0] = 0; break;
    case kAlt: game.keyFire[0] = 0; break;
    case kComma:
    case kFullStop:
        game.aimInc[0] = 0;
        game.aimDec[0] = 0;
        break;
    default: break;
    }
    // Releasing any key lets a crawling player go of a ledge.
    game.clingLeft[0] = 0;
    game.clingRight[0] = 0;
}

void Form_KeyPress(Game& game, int charCode) {
    if (charCode == 27) {
        game.ended = true;
    } else if (charCode >= 49 && charCode <= 58) {
        selectWeapon(game, charCode);
    } else if (charCode == 100) {
        game.Frame1Visible = !game.Frame1Visible;
        game.Frame2Visible = !game.Frame2Visible;
    } else if (charCode == 115) {
        game.soundOn = static_cast<int16_t>(~game.soundOn);
    }
}

void deliverEvent(Game& game, const InputEvent& e) {
    using T = InputEvent::Type;
    if (e.player != 0) return;  // the second player's keys drive guy 1 only in a game of two
    switch (e.type) {
    case T::KeyDown: Form_KeyDown(game, e.code); break;
    case T::KeyUp: Form_KeyUp(game, e.code); break;
    case T::Char: Form_KeyPress(game, e.code); break;
    case T::Close: game.ended = true; break;
    case T::WorldClick: picback_MouseDown(game, e.x, e.y); break;
    case T::PaletteClick: gpalette_MouseDown(game, e.x, e.y); break;
    case T::Option:
        if (e.code >= 1 && e.code <= 9) game.selectedOption = static_cast<int16_t>(e.code);
        break;
    case T::Button:
        if (e.name == "Command1") Command1_Click(game);
        if (e.name == "Command3") Command3_Click(game);
        break;
    case T::WindowPress: pressWindow(game, e.x, e.y); break;
    }
}

}  // namespace vexlot
