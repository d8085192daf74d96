// Keyboard handlers: they only set a player's control flags and a few fields. The game's own
// handlers act on guy 0; in a two-player game the second player's keys act the same way on guy 1.
#include "game/play.h"
#include "figure/figure.h"
#include "figure/panels.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

// An arrow pressed (auto-repeats ignored): walk that way, turn with the old figure erased, arms forward.
void turn(Game& game, int p, ControlTable& walk, int16_t facing, int16_t armAngle) {
    if (walk[p] != 0) return;
    walk[p] = kHeld;
    drawguy(game, p, 1);
    game.facing[p] = facing;
    drawguy(game, p, 1);
    game.guyTable[p].armAngle1Lower = game.guyTable[p].armAngle2Lower = armAngle;
}

// Key down for the guy of player p (0 or 1).
void playerKeyDown(Game& game, int p, int keyCode) {
    Guy& g = game.guyTable[p];
    switch (keyCode) {
    case VirtualKey::Left: turn(game, p, game.keyLeft, facingLeft, 180); break;
    case VirtualKey::Right: turn(game, p, game.keyRight, facingRight, 0); break;
    case VirtualKey::Down:
        if (game.keyDown[p] == 0) drawguy(game, p, 1);
        game.keyDown[p] = kHeld;
        break;
    case VirtualKey::Up: game.keyUp[p] = kHeld; break;
    case VirtualKey::Alt: game.keyFire[p] = kHeld; break;
    case VirtualKey::Comma:
        if (game.facing[p] == facingLeft) game.aimInc[p] = kHeld; else game.aimDec[p] = kHeld;
        break;
    case VirtualKey::Period:
        if (game.facing[p] == facingLeft) game.aimDec[p] = kHeld; else game.aimInc[p] = kHeld;
        break;
    case VirtualKey::Slash: g.aimAngle = 0; break;
    default: break;
    }
}

void playerKeyUp(Game& game, int p, int keyCode) {
    switch (keyCode) {
    case VirtualKey::Left: game.keyLeft[p] = 0; break;
    case VirtualKey::Right: game.keyRight[p] = 0; break;
    case VirtualKey::Down:
        if (game.keyDown[p] == kHeld) eraseguy(game, p);
        game.keyDown[p] = 0;
        break;
    case VirtualKey::Up: game.keyUp[p] = 0; break;
    case VirtualKey::Alt: game.keyFire[p] = 0; break;
    case VirtualKey::Comma:
    case VirtualKey::Period:
        game.aimInc[p] = 0;
        game.aimDec[p] = 0;
        break;
    default: break;
    }
    // Releasing any key lets a crawling guy go off a ledge.
    game.clingLeft[p] = 0;
    game.clingRight[p] = 0;
}

bool isWeaponKey(int charCode) { return charCode >= CharCode::Digit1 && charCode <= CharCode::Colon; }

// The second player's keys: walking, jumping, crawling, aiming, firing and weapons, for guy 1; and
// Esc or closing his window, which ends the game for both (a network game's other player).
void deliverSecondPlayerEvent(Game& game, const InputEvent& e) {
    using T = InputEvent::Type;
    switch (e.type) {
    case T::KeyDown: playerKeyDown(game, 1, e.code); break;
    case T::KeyUp: playerKeyUp(game, 1, e.code); break;
    case T::Char:
        if (isWeaponKey(e.code)) selectSecondWeapon(game, e.code);
        if (e.code == CharCode::Escape) game.ended = true;
        break;
    case T::Close: game.ended = true; break;
    default: break;  // the mouse, the panels and the game's own keys are player 1's
    }
}

}  // namespace

void Form_KeyDown(Game& game, int keyCode) { playerKeyDown(game, 0, keyCode); }
void Form_KeyUp(Game& game, int keyCode) { playerKeyUp(game, 0, keyCode); }

void Form_KeyPress(Game& game, int charCode) {
    if (charCode == CharCode::Escape) {
        game.ended = true;
    } else if (isWeaponKey(charCode)) {
        selectWeapon(game, charCode);
    } else if (charCode == CharCode::LetterD) {
        game.Frame1Visible = !game.Frame1Visible;
        game.Frame2Visible = !game.Frame2Visible;
    } else if (charCode == CharCode::LetterS) {
        game.soundOn = wrap16(~game.soundOn);
    }
}

void deliverEvent(Game& game, const InputEvent& e) {
    using T = InputEvent::Type;
    if (e.player != 0) {
        if (e.player == 1 && game.players == 2) deliverSecondPlayerEvent(game, e);
        return;
    }
    switch (e.type) {
    case T::KeyDown: Form_KeyDown(game, e.code); break;
    case T::KeyUp: Form_KeyUp(game, e.code); break;
    case T::Char: Form_KeyPress(game, e.code); break;
    case T::Close: game.ended = true; break;
    case T::WorldClick: picback_MouseDown(game, e.x, e.y); break;
    case T::PaletteClick: gpalette_MouseDown(game, e.x, e.y); break;
    case T::Option:
        if (e.code >= 1 && e.code <= 9) game.selectedOption = wrap16(e.code);
        break;
    case T::Button:
        if (e.name == "Command1") Command1_Click(game);
        if (e.name == "Command3") Command3_Click(game);
        break;
    case T::WindowPress: pressWindow(game, e.x, e.y); break;
    }
}

}  // namespace vexlot
