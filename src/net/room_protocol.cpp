#include "net/room_protocol.h"

#include <array>

namespace vexlot::net {

namespace {

bool printable(char c) { return c >= 0x20 && c < 0x7f; }

// The next word up to a space (or the end); false when the word is empty.
bool word(std::string_view& rest, std::string_view& out) {
    const size_t space = rest.find(' ');
    out = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    return !out.empty();
}

bool exactCode(std::string_view text, std::string& out) {
    if (text.size() != kRoomCodeLength) return false;
    for (char c : text)
        if (kRoomCodeAlphabet.find(c) == std::string_view::npos) return false;
    out = std::string(text);
    return true;
}

bool role(std::string_view text, RoomRole& out) {
    constexpr std::array<RoomRole, 3> roles{RoomRole::Host, RoomRole::Guest, RoomRole::Spectator};
    for (RoomRole r : roles)
        if (text == roleName(r)) {
            out = r;
            return true;
        }
    return false;
}

bool reasonText(std::string_view text, std::string& out) {
    if (text.size() > kMaxReasonBytes) return false;
    for (char c : text)
        if (!printable(c)) return false;
    out = std::string(text);
    return true;
}

}  // namespace

const char* roleName(RoomRole r) {
    switch (r) {
    case RoomRole::Host: return "host";
    case RoomRole::Guest: return "guest";
    case RoomRole::Spectator: return "spectator";
    }
    return "?";
}

std::string normalRoomCode(std::string_view typed) {
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t' || typed.back() == '\n' || typed.back() == '\r'))
        typed.remove_suffix(1);
    std::string code(typed);
    for (char& c : code)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string out;
    return exactCode(code, out) ? out : std::string{};
}

bool parseControl(std::string_view text, RoomControl& out) {
    if (text.empty() || text.size() > kMaxControlBytes) return false;
    out = RoomControl{};
    std::string_view rest = text, first, second, third;
    if (!word(rest, first)) return false;
    using Kind = RoomControl::Kind;
    if (first == "create") {
        out.kind = Kind::Create;
        return text.size() == first.size();
    }
    if (first == "join" || first == "spectate") {
        out.kind = first == "join" ? Kind::Join : Kind::Spectate;
        return word(rest, second) && rest.empty() && exactCode(second, out.code) &&
               text.size() == first.size() + 1 + second.size();
    }
    if (first == "room") {
        out.kind = Kind::Room;
        return word(rest, second) && exactCode(second, out.code) && word(rest, third) && role(third, out.role) &&
               text.size() == first.size() + second.size() + third.size() + 2;
    }
    if (first == "peer") {
        if (!word(rest, second) || !word(rest, third) || !role(third, out.role)) return false;
        if (second == "joined") {
            out.kind = Kind::PeerJoined;
            return out.role != RoomRole::Host && text.size() == first.size() + second.size() + third.size() + 2;
        }
        if (second != "left") return false;
        out.kind = Kind::PeerLeft;
        // "peer left ROLE" or "peer left ROLE REASON"; the words were cut at single spaces, so a
        // doubled or trailing space shows up as a word of nothing and is refused here.
        const size_t head = first.size() + second.size() + third.size() + 2;
        if (text.size() == head) return true;
        return text[head] == ' ' && head + 1 < text.size() && reasonText(text.substr(head + 1), out.reason);
    }
    if (first == "error") {
        out.kind = Kind::Error;
        return text.size() > first.size() + 1 && reasonText(text.substr(first.size() + 1), out.reason);
    }
    return false;
}

std::string formatControl(const RoomControl& m) {
    using Kind = RoomControl::Kind;
    auto clean = [](std::string reason) {
        if (reason.size() > kMaxReasonBytes) reason.resize(kMaxReasonBytes);
        for (char& c : reason)
            if (!printable(c)) c = '?';
        return reason;
    };
    switch (m.kind) {
    case Kind::Create: return "create";
    case Kind::Join: return "join " + m.code;
    case Kind::Spectate: return "spectate " + m.code;
    case Kind::Room: return "room " + m.code + " " + roleName(m.role);
    case Kind::PeerJoined: return std::string("peer joined ") + roleName(m.role);
    case Kind::PeerLeft: {
        std::string text = std::string("peer left ") + roleName(m.role);
        const std::string why = clean(m.reason);
        return why.empty() ? text : text + " " + why;
    }
    case Kind::Error: {
        const std::string why = clean(m.reason);
        return "error " + (why.empty() ? std::string("unknown") : why);
    }
    }
    return {};
}

}  // namespace vexlot::net
