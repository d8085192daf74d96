// All game state: one aggregate holding the world surface, the tables and the scalars.
// Integer = int16_t (wraps), Long = int32_t, Single = float, Double = double.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/numeric.h"
#include "core/codes.h"
#include "core/rng.h"
#include "core/surface.h"

namespace vexlot {

// Direction values of `facing` and `spin`; 0 is neither direction.
constexpr int16_t facingLeft = 1;
constexpr int16_t facingRight = 2;

// The game window's outer size in window units (twips, 15 per pixel): the 796 x 592 client area
// with a 4-pixel frame at each side and bottom and a 16-pixel title bar. Fixed so every run is the same.
constexpr float formWidth = 12060.0f;   // 804 px
constexpr float formHeight = 9180.0f;   // 612 px
constexpr int kClientWidthPx = 796;
constexpr int kClientHeightPx = 592;

// World surface size in world units (the level picture is 36000 x 9000 of it).
constexpr int kWorldWidthUnits = 48480;
constexpr int kWorldHeightUnits = 9120;

constexpr int kMaxGuys = 100;      // guyTable 0..100
constexpr int kControlGuys = 10;   // the per-guy control tables 0..10
constexpr int kMaxRocks = 5000;
constexpr int kMaxBlasts = 1000;
constexpr int kMaxShrapnel = 1000;
constexpr int kMaxRockets = 1000;
constexpr int kMaxRocketParts = 100;

struct Guy {
    int16_t state = 0;       // GuyState: normal, hurt (bleeding), dead
    int16_t strideFlag = 0;
    float x = 0, y = 0;      // head dot, world units
    int16_t vx = 0, vy = 0;
    int16_t legAngleA = 0, legAngleB = 0;
    int16_t legLengthA = 0, legLengthB = 0;
    double headColour = 0;
    double partColour[10] = {};  // 1..9: T1, T2, T3, L1, L2, A1a, A1b, A2a, A2b (0 unused)
    int16_t armAngle1Upper = 0, armAngle1Lower = 0;
    int16_t armAngle2Upper = 0, armAngle2Lower = 0;
    int16_t weapon = 0;
    int16_t weaponTimer = 0;
    int16_t bleedFrames = 0;
    int16_t aimAngle = 0;
    int16_t bodyAngle = 0;
    int16_t health = 0;
};

struct Rock {
    int16_t kind = 0;     // RockKind; Dead (0) is removed at the end of the rock phase
    int16_t payload = 0;  // pick-up: weapon refilled; mine: burst kind
    int16_t size = 0;
    float x = 0, y = 0;
    float vx = 0, vy = 0;
    int16_t counter = 0;
    int16_t aux = 0;
};

struct RocketPart {
    int16_t radius = 0;
    float angle = 0;       // degrees, world orientation
    int16_t fuel = 0;
    int16_t thrust = 0;
    int16_t kind = 0;      // RocketPartKind
    int16_t payloadKind = 0;  // a pod's RockKind
    int16_t timer = 0;
    int16_t timerReload = 0;
    int16_t active = 0;
    int16_t releaseVx = 0, releaseVy = 0;
};

struct Rocket {
    int16_t halfLength = 0;
    int16_t noseDy = 0;
    int16_t noseDx = 0;
    float heading = 0;
    double x = 0, y = 0;
    double vx = 0, vy = 0;
    std::array<RocketPart, kMaxRocketParts + 1> parts{};
};

struct Blast {
    double x = 0, y = 0;
    float growth = 0;
    float size = 0;
    float maxSize = 0;
    int16_t stage = 0;    // 0 fire disc, 1 crater disc, 2 finished
    double colour = 0;
};

struct Shrapnel {
    int16_t alive = 0;
    int16_t generations = 0;
    int16_t children = 0;
    int16_t gravityScale = 0;
    float elasticity = 0;
    int16_t bounces = 0;
    int16_t fuse = 0;
    int16_t childFuse = 0;
    int16_t trail = 0;
    int16_t shape = 0;
    int16_t width = 0;
    int16_t childWidth = 0;
    float x = 0, y = 0;
    float vx = 0, vy = 0;
    int16_t spreadX = 0;
    int16_t spreadY = 0;
    double colour = 0;    // exactly -1: use the components
    int16_t red = 0, green = 0, blue = 0;
    int16_t randomRed = 0, randomGreen = 0, randomBlue = 0;
};

// A bar gauge of the head-up display; its value is game state.
struct Gauge {
    int16_t value = 0;
    int16_t max = 0;
    bool visible = false;
    int32_t foreColor = 0;
    int16_t left = 0, top = 0, width = 0, height = 0;  // window units
};

using ControlTable = std::array<int16_t, kControlGuys + 1>;

// Where the simulation hands sounds; the window plays them, the headless runner records them.
struct SoundSink {
    virtual ~SoundSink() = default;
    virtual void play(const std::string& file, int32_t flags) = 0;
};

struct Game {
    Surface picback;
    float picbackLeft = 0, picbackTop = 0;  // window units; Left <= 0 scrolls the world right

    std::array<Guy, kMaxGuys + 1> guyTable{};
    ControlTable keyLeft{}, keyRight{}, facing{}, keyUp{}, keyDown{}, clingLeft{}, clingRight{},
        keyFire{}, aimInc{}, aimDec{}, spin{}, hitCount{}, dropDone{};

    int16_t lastGuy = 0;
    double pi = 0;
    float speedFactor = 0;
    int16_t scrollStage = 0;
    int16_t soundOn = 0;

    std::array<Rock, kMaxRocks + 1> rockTable{};
    int16_t rockCount = 0;
    std::array<Rocket, kMaxRockets + 1> rocketTable{};
    std::array<int16_t, kMaxRockets + 1> rocketPartCount{};
    int16_t rocketCount = 0;
    std::array<Blast, kMaxBlasts + 1> blastTable{};
    int16_t blastCount = 0;
    std::array<Shrapnel, kMaxShrapnel + 1> shrapnelTable{};
    int16_t shrapnelCount = 0;

    // Head-up display and panels.
    Gauge life;
    std::array<Gauge, 10> ammo{};
    std::string ammolbl = "0", Label1 = "0", xlbl = "Label4", ylbl = "Label4";
    bool Frame1Visible = false, Frame2Visible = false;
    bool Timer1Enabled = false;
    int16_t selectedOption = 0;  // 0 none, 1..9 = Option1..Option9

    Rng rng;
    // 2: a second person plays guy 1 with keys of their own instead of the computer (not a rule of
    // the one-player game, which keeps 1).
    int16_t players = 1;
    // Two-player games: the second player's rounds of each weapon (index weapon - 1), as the gauges
    // count the first player's.
    std::array<int16_t, 10> secondAmmo{};
    // Two-player games: 1 plays the versus rules (both players start alike, each collects his own
    // pick-ups and bleeds his own life, computer guys go for the nearer player, no teleporting); 0 is
    // the first two-player game, kept so that its recordings still play.
    int16_t versus = 0;
    int16_t duel = 0;  // -1: a versus game without computer guys
    SoundSink* soundSink = nullptr;
    int32_t frame = 0;   // frames run so far (for logs; the game's rules never read it)
    bool ended = false;  // Esc or closing the window ended the program

    float rnd() { return rng.next(); }
};

// Adding to a table: count + 1 and the new last entry is returned for the creator to fill.
// A full table adds nothing and returns 0 (slot 0 is never used), so the creator writes into a
// scratch slot that no phase reads and the game goes on without that object.
int addRock(Game& game);
int addBlast(Game& game);
int addShrapnel(Game& game);

// The removal pass of a table: every entry `dead` says is gone takes the table's last entry into its
// slot, and that entry is examined in turn (it may be dead too). `moved(i)` runs for each entry moved
// into slot i (rocks erase it there; particles need nothing). Returns the new count.
template <typename Entry, std::size_t N, typename Dead, typename Moved>
int16_t removeDead(std::array<Entry, N>& table, int16_t count, Dead dead, Moved moved) {
    int i = 1;
    while (i <= count) {
        if (!dead(table[i])) {
            ++i;
            continue;
        }
        table[i] = table[count];
        moved(i);
        count = static_cast<int16_t>(count - 1);
    }
    return count;
}

}  // namespace vexlot
