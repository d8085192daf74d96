// Messages between two peers of a network game, and their byte layout.
//
// Every message starts with the byte 'V' and a type byte; numbers are little-endian, floats are sent
// as their bits so a replayed event is the same event. The decoder checks every length, count, index
// and range against the limits below before it stores anything: a message that breaks one is
// dropped whole (decode returns false), so a peer cannot make the other allocate without bound or
// read outside a table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/core.h"
#include "session/script.h"

namespace vexlot::net {

constexpr uint16_t kProtocol = 2;  // 2: Done carries the final state hash
constexpr size_t kMaxPacketBytes = 1400;   // anything longer is dropped unread
constexpr size_t kPacketBudget = 1100;     // an input message stops adding frames here
constexpr int kMaxFramesPerPacket = 32;
// A player's events past this in one frame are not played (nor taken from the other peer): more
// than a player's hands make in 16 ms, and a recording's growth stays bounded.
constexpr int kMaxEventsPerFrame = 8;
constexpr size_t kMaxNameBytes = 24;       // a button's name
constexpr size_t kMaxTextBytes = 200;      // versions, level tags, refusal reasons

// The joiner's first message.
struct Hello {
    uint16_t protocol = kProtocol;
    std::string version;
    std::string level;      // the level's tag: "builtin" or its picture's hash
    uint32_t frames = 0;    // frames the joiner wants to play (a headless script's length); 0 = open
};
// The host's answer: the game both will play.
struct Welcome {
    uint16_t protocol = kProtocol;
    std::string version;
    std::string level;
    uint64_t seed = 0;
    uint32_t frames = 0;    // the match's last frame; 0 = until a player quits
    uint8_t inputDelay = 0; // the host's choice, from the measured round trip (each peer may override its own)
};
// Either side: the game cannot be played, and why (shown to the player).
struct Refuse {
    std::string reason;
};
struct Ping {
    uint32_t stamp = 0;
};
struct Pong {
    uint32_t stamp = 0;
};
// The host's signal that frame 1 starts now.
struct Start {};

// The sender's events for frames first .. first + frames.size() - 1, sent every frame and repeated
// until acknowledged, so a lost message costs nothing.
struct Inputs {
    uint32_t ack = 0;        // every frame up to this of the receiver's input has arrived
    uint32_t frame = 0;      // the sender's current frame (time synchronisation)
    int8_t advantage = 0;    // how many frames the sender sees itself ahead of the receiver
    uint32_t first = 0;      // the first frame carried (1 or more)
    std::vector<std::vector<InputEvent>> frames;  // events of each frame; `player` is not sent
};
// The state hash of a confirmed frame, every kCheckpointFrames frames.
struct StateCheck {
    uint32_t frame = 0;
    uint64_t hash = 0;
};
// The sender found the games differ at `frame` and stopped.
struct Desync {
    uint32_t frame = 0;
};
// The sender has every frame of the match confirmed, up to its last, `frame`, whose state hash is
// `hash`; the other peer compares it with its own.
struct Done {
    uint32_t frame = 0;
    uint64_t hash = 0;
};

using Message = std::variant<Hello, Welcome, Refuse, Ping, Pong, Start, Inputs, StateCheck, Desync, Done>;

// The bytes of a message (an Inputs message past kMaxFramesPerPacket frames or kMaxEventsPerFrame
// events in a frame is cut there; the sender keeps within kPacketBudget with frameBytes).
std::vector<uint8_t> encode(const Message& message);
// Parses one message; false (and `out` unspecified) for anything malformed, truncated, oversized,
// out of range or with bytes left over. An event must be one the replay grammar holds
// (eventInGrammar) and a match length at most kMaxFrames.
bool decode(std::span<const uint8_t> bytes, Message& out);

// The encoded size of one frame's events inside an Inputs message.
size_t frameBytes(const std::vector<InputEvent>& events);

// An event as the other peer will decode it: only what its type carries, `player` kept. False for
// an event that cannot be sent (a button name that is not one visible word, a point not finite);
// the sender drops those, so both games see the same events.
bool normalizeEvent(InputEvent& event);

}  // namespace vexlot::net
