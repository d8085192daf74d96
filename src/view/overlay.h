// What the window shows around and over the game's own picture: labels beside the gauges, short
// messages, the red flash of a hit, the death panel, the help panel and the replay line. All of it
// is drawn in software into the frame buffer, so a headless run renders it the same way.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "core/game.h"

namespace vexlot {

struct FrameBuffer;

// The plain name of weapon 1..10 (from its row); "" for a number that is no weapon.
const char* weaponName(int weapon);
// The names of the weapons that fire, in key order and in lower case, for the help.
std::string firingWeaponNames();

// For `player`'s view starting at column x0: a small heart and "Life" under the life gauge, the
// weapon's number and name under the ammunition gauge, and a strip of the ten weapons beside the
// count panel with the selected one framed and the empty ones dimmed. Drawn outside the gauges' own
// rectangles, under the panels.
void composeGaugeLabels(const Game& game, int player, FrameBuffer& out, int x0);

// One row of the help panel: the keys and what they do.
struct HelpRow {
    std::string keys, action;
    bool bindable = false;  // a game key the player can move to another key from the panel
};

struct HelpPanel {
    std::vector<HelpRow> rows;
    int selected = -1;          // the bindable row picked with Up / Down
    bool waitingForKey = false; // Enter pressed: the next key becomes the row's key
    std::string note;           // a line under the rows (what just changed, or why not)
};

struct WindowOverlay {
    std::string message;          // short feedback (sound, volume, pause, screenshot), bottom centre
    std::string hint;             // one quiet line at the top right ("F1: help" on the first start)
    std::array<int, 2> hitFlash{};  // 0..255: strength of the red at each player's view's edges
    bool paused = false;
    std::string deathTitle;       // the player's guy has fallen: the death panel says so ("You died")
    std::string deathKeys;        // and what can be done ("R: new game     Esc: quit")
    std::string deathNote = "(this game's replay is kept in the data folder)";  // small, under the keys
    std::string deathCause;       // how and where he died, when the game shows it ("Burned by fire, 212 m ...")
    std::string deathGoals;       // what was done, and the best so far ("Downed 3 (best 5) ...")
    std::string goals;            // the same, small at the top of the view while playing
    bool softFlash = false;       // the hit flash a third as strong
    std::string score;            // a game of two: the rounds, along the bottom
    const HelpPanel* help = nullptr;
    std::string footer;           // a line of keys along the bottom (replays)
    std::vector<std::string> stats;  // frame times and table counts (F3)
};

// Draws everything in `overlay` over the composed window picture.
void composeOverlay(FrameBuffer& out, const WindowOverlay& overlay);

}  // namespace vexlot
