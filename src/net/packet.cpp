#include "net/packet.h"

#include <bit>
#include <cmath>
#include <type_traits>

namespace vexlot::net {

namespace {

constexpr uint8_t kMagic = 'V';
enum class Kind : uint8_t { Hello = 1, Welcome, Refuse, Ping, Pong, Start, Inputs, StateCheck, Desync, Done };
using T = InputEvent::Type;
constexpr uint8_t kLastEventType = static_cast<uint8_t>(T::WindowPress);

// What an event carries besides its type, as the replay grammar writes it.
enum class Args { Code, Point, Name, None };
Args argsOf(T type) {
    switch (type) {
    case T::KeyDown:
    case T::KeyUp:
    case T::Char:
    case T::Option: return Args::Code;
    case T::WorldClick:
    case T::PaletteClick:
    case T::WindowPress: return Args::Point;
    case T::Button: return Args::Name;
    case T::Close: return Args::None;
    }
    return Args::None;
}

// A button name goes into a replay line as one word: visible ASCII only.
bool nameAllowed(const std::string& name) {
    if (name.size() > kMaxNameBytes) return false;
    for (char c : name)
        if (c < 0x21 || c > 0x7E) return false;
    return true;
}

class Writer {
public:
    template <typename U>
    void put(U v) {
        using Bits = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<U>, int32_t, U>>;
        Bits bits;
        if constexpr (std::is_floating_point_v<U>) bits = std::bit_cast<uint32_t>(static_cast<float>(v));
        else bits = static_cast<Bits>(v);
        for (size_t i = 0; i < sizeof bits; ++i) bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    void text(const std::string& s, size_t limit) {
        const size_t n = std::min(s.size(), limit);
        put<uint8_t>(static_cast<uint8_t>(n));
        bytes.insert(bytes.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
    }
    std::vector<uint8_t> bytes;
};

// Reads from a span; any read past the end fails the whole message.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> b) : bytes_(b) {}
    template <typename U>
    bool get(U& v) {
        using Bits = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<U>, int32_t, U>>;
        if (bytes_.size() - pos_ < sizeof(Bits)) return false;
        Bits bits = 0;
        for (size_t i = 0; i < sizeof bits; ++i) bits = static_cast<Bits>(bits | static_cast<Bits>(bytes_[pos_ + i]) << (8 * i));
        pos_ += sizeof bits;
        if constexpr (std::is_floating_point_v<U>) {
            v = std::bit_cast<float>(static_cast<uint32_t>(bits));
            return std::isfinite(v);
        } else {
            v = static_cast<U>(bits);
            return true;
        }
    }
    bool text(std::string& s, size_t limit) {
        uint8_t n = 0;
        if (!get(n) || n > limit || bytes_.size() - pos_ < n) return false;
        s.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    bool done() const { return pos_ == bytes_.size(); }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

void putEvent(Writer& w, const InputEvent& e) {
    w.put<uint8_t>(static_cast<uint8_t>(e.type));
    switch (argsOf(e.type)) {
    case Args::Code: w.put<int32_t>(e.code); break;
    case Args::Point:
        w.put(e.x);
        w.put(e.y);
        break;
    case Args::Name: w.text(e.name, kMaxNameBytes); break;
    case Args::None: break;
    }
}

bool getEvent(Reader& r, InputEvent& e) {
    uint8_t type = 0;
    if (!r.get(type) || type > kLastEventType) return false;
    e = InputEvent{};
    e.type = static_cast<T>(type);
    switch (argsOf(e.type)) {
    case Args::Code:
        if (!r.get(e.code)) return false;
        break;
    case Args::Point:
        if (!r.get(e.x) || !r.get(e.y)) return false;
        break;
    case Args::Name:
        if (!r.text(e.name, kMaxNameBytes) || !nameAllowed(e.name)) return false;
        break;
    case Args::None: break;
    }
    // Only what a replay can hold: a match is recorded as it is played, and its reader must take it.
    return eventInGrammar(e);
}

void putBody(Writer& w, const Hello& m) {
    w.put(m.protocol);
    w.text(m.version, kMaxTextBytes);
    w.text(m.level, kMaxTextBytes);
    w.put(m.frames);
}
void putBody(Writer& w, const Welcome& m) {
    w.put(m.protocol);
    w.text(m.version, kMaxTextBytes);
    w.text(m.level, kMaxTextBytes);
    w.put(m.seed);
    w.put(m.frames);
    w.put(m.inputDelay);
}
void putBody(Writer& w, const Refuse& m) { w.text(m.reason, kMaxTextBytes); }
void putBody(Writer& w, const Ping& m) { w.put(m.stamp); }
void putBody(Writer& w, const Pong& m) { w.put(m.stamp); }
void putBody(Writer&, const Start&) {}
void putBody(Writer& w, const Inputs& m) {
    w.put(m.ack);
    w.put(m.frame);
    w.put(m.advantage);
    w.put(m.first);
    const size_t frames = std::min<size_t>(m.frames.size(), kMaxFramesPerPacket);
    w.put<uint8_t>(static_cast<uint8_t>(frames));
    for (size_t f = 0; f < frames; ++f) {
        const auto& events = m.frames[f];
        const size_t n = std::min<size_t>(events.size(), kMaxEventsPerFrame);
        w.put<uint8_t>(static_cast<uint8_t>(n));
        for (size_t i = 0; i < n; ++i) putEvent(w, events[i]);
    }
}
void putBody(Writer& w, const StateCheck& m) {
    w.put(m.frame);
    w.put(m.hash);
}
void putBody(Writer& w, const Desync& m) { w.put(m.frame); }
void putBody(Writer& w, const Done& m) {
    w.put(m.frame);
    w.put(m.hash);
}

// A match is at most a day of play, as --frames.
bool framesAllowed(uint32_t frames) { return frames <= static_cast<uint32_t>(kMaxFrames); }

bool getBody(Reader& r, Hello& m) {
    return r.get(m.protocol) && r.text(m.version, kMaxTextBytes) && r.text(m.level, kMaxTextBytes) && r.get(m.frames) &&
           framesAllowed(m.frames);
}
bool getBody(Reader& r, Welcome& m) {
    return r.get(m.protocol) && r.text(m.version, kMaxTextBytes) && r.text(m.level, kMaxTextBytes) && r.get(m.seed) &&
           r.get(m.frames) && framesAllowed(m.frames) && r.get(m.inputDelay);
}
bool getBody(Reader& r, Refuse& m) { return r.text(m.reason, kMaxTextBytes); }
bool getBody(Reader& r, Ping& m) { return r.get(m.stamp); }
bool getBody(Reader& r, Pong& m) { return r.get(m.stamp); }
bool getBody(Reader&, Start&) { return true; }
bool getBody(Reader& r, Inputs& m) {
    uint8_t frames = 0;
    if (!r.get(m.ack) || !r.get(m.frame) || !r.get(m.advantage) || !r.get(m.first) || !r.get(frames)) return false;
    if (frames > kMaxFramesPerPacket || m.first == 0 || m.first > static_cast<uint32_t>(kMaxFrames)) return false;
    m.frames.assign(frames, {});
    for (auto& events : m.frames) {
        uint8_t n = 0;
        if (!r.get(n) || n > kMaxEventsPerFrame) return false;
        events.resize(n);
        for (InputEvent& e : events)
            if (!getEvent(r, e)) return false;
    }
    return true;
}
bool getBody(Reader& r, StateCheck& m) { return r.get(m.frame) && r.get(m.hash); }
bool getBody(Reader& r, Desync& m) { return r.get(m.frame); }
bool getBody(Reader& r, Done& m) { return r.get(m.frame) && r.get(m.hash); }

}  // namespace

bool normalizeEvent(InputEvent& event) {
    if (static_cast<uint8_t>(event.type) > kLastEventType) return false;
    if (argsOf(event.type) == Args::Name && !nameAllowed(event.name)) return false;
    Writer w;
    putEvent(w, event);
    Reader r(w.bytes);
    InputEvent back;
    if (!getEvent(r, back)) return false;
    back.player = event.player;
    event = std::move(back);
    return true;
}

size_t frameBytes(const std::vector<InputEvent>& events) {
    Writer w;
    for (size_t i = 0; i < events.size() && i < kMaxEventsPerFrame; ++i) putEvent(w, events[i]);
    return 1 + w.bytes.size();
}

std::vector<uint8_t> encode(const Message& message) {
    Writer w;
    w.put(kMagic);
    w.put<uint8_t>(static_cast<uint8_t>(message.index() + 1));
    std::visit([&](const auto& m) { putBody(w, m); }, message);
    return std::move(w.bytes);
}

bool decode(std::span<const uint8_t> bytes, Message& out) {
    if (bytes.size() > kMaxPacketBytes) return false;
    Reader r(bytes);
    uint8_t magic = 0, kind = 0;
    if (!r.get(magic) || magic != kMagic || !r.get(kind)) return false;
    bool ok = false;
    switch (static_cast<Kind>(kind)) {
    case Kind::Hello: ok = getBody(r, out.emplace<Hello>()); break;
    case Kind::Welcome: ok = getBody(r, out.emplace<Welcome>()); break;
    case Kind::Refuse: ok = getBody(r, out.emplace<Refuse>()); break;
    case Kind::Ping: ok = getBody(r, out.emplace<Ping>()); break;
    case Kind::Pong: ok = getBody(r, out.emplace<Pong>()); break;
    case Kind::Start: ok = getBody(r, out.emplace<Start>()); break;
    case Kind::Inputs: ok = getBody(r, out.emplace<Inputs>()); break;
    case Kind::StateCheck: ok = getBody(r, out.emplace<StateCheck>()); break;
    case Kind::Desync: ok = getBody(r, out.emplace<Desync>()); break;
    case Kind::Done: ok = getBody(r, out.emplace<Done>()); break;
    default: return false;
    }
    return ok && r.done();
}

}  // namespace vexlot::net
