// What a game says to the relay and the relay to it, besides the game's own messages.
//
// A peer of a relayed game talks to the relay over one WebSocket: the game's own messages go in
// binary frames and are passed on unchanged to the others in the room; the few words below go in
// text frames, one message a frame, words separated by one space:
//
//   peer to relay       create | join CODE | spectate CODE
//   relay to peer       room CODE host|guest|spectator     (the answer: the room, and who you are)
//                       peer joined guest|spectator
//                       peer left host|guest|spectator REASON...
//                       error REASON...                   (the relay closes the connection after it)
//
// A room code is kRoomCodeLength characters of kRoomCodeAlphabet, which leaves out the ones read
// aloud or written down as others (0 and O, 1, I and l); a code typed in lower case is the same code.
// The parser takes one frame's text and refuses anything that is not exactly one of these messages.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace vexlot::net {

constexpr std::string_view kRoomCodeAlphabet = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
constexpr size_t kRoomCodeLength = 5;
constexpr size_t kMaxControlBytes = 240;  // a longer text frame is not a control message
constexpr size_t kMaxReasonBytes = 200;

enum class RoomRole { Host, Guest, Spectator };

struct RoomControl {
    enum class Kind { Create, Join, Spectate, Room, PeerJoined, PeerLeft, Error };
    Kind kind = Kind::Create;
    std::string code;        // Join, Spectate, Room: upper case
    RoomRole role = RoomRole::Host;  // Room: yours; PeerJoined, PeerLeft: theirs
    std::string reason;      // PeerLeft, Error: printable ASCII, at most kMaxReasonBytes, may be empty for PeerLeft
};

// One text frame's message; false (and `out` unspecified) for anything else.
bool parseControl(std::string_view text, RoomControl& out);
// The text of a message (a reason is cut to kMaxReasonBytes and anything unprintable in it made '?').
std::string formatControl(const RoomControl& message);

// A room code as typed (any case, surrounding blanks) in its one spelling; empty when it is none.
std::string normalRoomCode(std::string_view typed);
const char* roleName(RoomRole role);

}  // namespace vexlot::net
