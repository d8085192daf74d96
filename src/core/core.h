// Core: start-up, the frame loop, keyboard, camera, level events, sound and gauges.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/game.h"

namespace vexlot {

// One input event as the window (or a script) delivers it in the frame's event step.
struct InputEvent {
    enum class Type { KeyDown, KeyUp, Char, WorldClick, PaletteClick, Option, Button, Close, WindowPress };
    Type type = Type::KeyDown;
    int code = 0;          // key code, character code, option number
    float x = 0, y = 0;    // world units (WorldClick), palette units (PaletteClick), window pixels (WindowPress)
    std::string name;      // control name for Button
    int player = 0;        // whose keys: 0 player 1 (guy 0), 1 player 2 (guy 1, two-player games only)
};

// How a game of two is played: `versus` 1 by the versus rules (0: the first two-player game's rules,
// which its recordings keep), `duel` without computer guys.
struct TwoPlayerRules {
    int versus = 1;
    bool duel = false;
};

// A game of two played by the versus rules: every rule that treats both players alike asks this.
inline bool versusRules(const Game& game) { return game.players == 2 && game.versus != 0; }
// A player's guy (0 or 1) in a versus game.
inline bool isVersusPlayer(const Game& game, int guy) { return guy == 0 || (guy == 1 && versusRules(game)); }

// Decodes the level and palette pictures held inside the program (game colour values).
struct Picture {
    int width = 0, height = 0;
    std::vector<int32_t> pixels;
};
const Picture& levelPicture();
const Picture& palettePicture();
constexpr int kLevelWidthPx = 2400, kLevelHeightPx = 600;
constexpr uint32_t kMaxPictureSide = 4096;
// Decodes PNG bytes, of exactly width x height pixels when those are given; throws std::runtime_error
// with a clear message when they are not such a picture. Memory stays within what the header's size
// needs: image data that inflates to more is refused before it is decoded.
Picture decodePng(const unsigned char* bytes, std::size_t size, int width = 0, int height = 0);
// A level picture: a PNG of exactly 2400 x 600.
Picture decodeLevelPicture(const unsigned char* bytes, std::size_t size);

// Camera for guy 0 and the level events it drives.
void camera(Game& game);
// The camera's margins: the scroll `left` (window units) after a guy at x moving by vx, kept
// between a quarter and three quarters of the window; never beyond the world's left edge.
float followScroll(float left, float x, int16_t vx);
void picmove(Game& game);
void setUpComputerGuy(Game& game, int n, float x, float y, int16_t weapon);
// A guy's place, upright pose, colours (torso and legs, arms) and weapon, as start-up and level events set them.
void dressGuy(Guy& g, float x, float y, int32_t bodyColour, int32_t armColour, int16_t weapon);

// Sound: plays "\name.wav" from the program's folder while soundOn is -1.
void sound(Game& game, const std::string& filename, int32_t flags = 1);

// Gauges: every write goes through these and fires the value-changed handler.
void setLife(Game& game, int value);
void setAmmo(Game& game, int k, int value);
void life_Change(Game& game);
void ammo_Change(Game& game, int k);

// Text of a Single the way the window shows numbers: up to seven significant digits.
std::string singleText(float v);

}  // namespace vexlot
