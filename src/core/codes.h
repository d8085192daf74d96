// The game's codes by name: weapons, rock kinds, guy states, mine payloads, key and character codes.
// Each is a plain enum in its own namespace, so the names read `RockKind::Pellet` and still compare
// with and store into the records' Integer fields as the numbers they are.
#pragma once
#include <cstdint>

namespace vexlot {

// What a guy holds (Guy::weapon). Ten slots, chosen with "1".."9" and ":"; a weapon's facts are
// its row of the weapon table.
namespace Weapon {
enum Code : int16_t {
    None = 0,  // no slot: nothing to fire, show or refill
    PopGun = 1,
    Shotgun = 2,
    Flamethrower = 3,
    GrenadeThrower = 4,
    MissileLauncher = 5,
    TimeBombThrower = 6,
    Laser = 7,
    MineLayer = 8,
    EmptyHand9 = 9,
    EmptyHand10 = 10,
};
}  // namespace Weapon
constexpr int kWeaponSlots = 10;  // weapons 1..kWeaponSlots, each with its ammunition gauge

// Behaviour of a rock (Rock::kind). 3 and 4 are no kinds: such a rock is only drawn and erased.
namespace RockKind {
enum Code : int16_t {
    Dead = 0,  // removed at the end of the rock phase
    Ember = 1,
    Spark = 2,
    Fragment = 5,
    Firebrand = 6,
    Bomblet = 7,
    ClusterBomb = 8,
    Grenade = 9,
    BigGrenade = 10,
    DirtBomb = 11,
    Pellet = 12,
    Shell = 13,
    Flame = 14,
    BounceGrenade = 15,
    Casing = 16,
    Missile = 17,
    HeavyFragment = 18,
    TimeBomb = 19,
    LaserBolt = 20,
    AmmoPickup = 21,
    Mine = 22,
};
}  // namespace RockKind
constexpr int kRockKinds = RockKind::Mine + 1;  // codes 0..22, each with its row of the rock kind table

// What a mine bursts into (Rock::payload of a mine): the kind of rock its burst is made of.
namespace MinePayload {
enum Code : int16_t {
    Sparks = RockKind::Spark,
    Fragments = RockKind::Fragment,
    BounceGrenade = RockKind::BounceGrenade,
    HeavyFragments = RockKind::HeavyFragment,
};
}  // namespace MinePayload

// RocketPart::kind.
namespace RocketPartKind {
enum Code : int16_t {
    Removed = 0,
    Engine = 1,
    Parachute = 4,
    Pod = 5,  // drops the rock kind it carries (RocketPart::payloadKind)
};
}  // namespace RocketPartKind

// Guy::state.
namespace GuyState {
enum Code : int16_t {
    Normal = 0,
    Hurt = 1,  // bleeding
    Dead = 3,
};
}  // namespace GuyState

// The game's flags: Integers that are -1 for true (a held key, a done drop) and 0 for false.
constexpr int16_t kHeld = -1;

// Virtual key codes of the key-down and key-up events.
namespace VirtualKey {
enum Code : int16_t {
    Enter = 13,
    Alt = 18,
    Escape = 27,
    Space = 32,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Comma = 188,
    Period = 190,
    Slash = 191,
};
}  // namespace VirtualKey

// Character codes of the character-typed events.
namespace CharCode {
enum Code : int16_t {
    Escape = 27,
    Digit0 = '0',
    Digit1 = '1',  // "1".."9" and ":" choose weapons 1..10
    Colon = ':',
    LetterD = 'd',  // the Debug and Guy panels
    LetterS = 's',  // sound on and off
};
}  // namespace CharCode

}  // namespace vexlot
