// The message codec: every message survives the trip, and anything broken is refused whole.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "net/packet.h"

namespace vexlot::net {
namespace {

using T = InputEvent::Type;

InputEvent event(T type, int code = 0, float x = 0, float y = 0, std::string name = {}) {
    InputEvent e;
    e.type = type;
    e.code = code;
    e.x = x;
    e.y = y;
    e.name = std::move(name);
    return e;
}

// One frame of each kind of event, with awkward values.
Inputs sampleInputs() {
    Inputs m;
    m.ack = 4000000;
    m.frame = 123456;
    m.advantage = -7;
    m.first = 99;
    m.frames = {{},
                {event(T::KeyDown, 39), event(T::KeyUp, 255), event(T::Char, 0)},
                {event(T::WorldClick, 0, -0.0f, 1e-40f), event(T::PaletteClick, 0, 3.25f, 96.0f),
                 event(T::WindowPress, 0, 799.5f, -1.0f)},
                {event(T::Option, 9), event(T::Button, 0, 0, 0, "Command3"), event(T::Close)}};
    return m;
}

void expectSameEvents(const std::vector<InputEvent>& a, const std::vector<InputEvent>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].type, b[i].type);
        EXPECT_EQ(a[i].code, b[i].code);
        EXPECT_EQ(std::bit_cast<uint32_t>(a[i].x), std::bit_cast<uint32_t>(b[i].x));  // bits, not values
        EXPECT_EQ(std::bit_cast<uint32_t>(a[i].y), std::bit_cast<uint32_t>(b[i].y));
        EXPECT_EQ(a[i].name, b[i].name);
    }
}

TEST(NetPacket, EveryMessageSurvivesTheTrip) {
    const std::vector<Message> messages = {
        Hello{kProtocol, "0.1.0", "builtin", 3600},
        Welcome{kProtocol, "0.1.0", "00ff00ff00ff00ff", 18446744073709551615ull, 600, 3},
        Refuse{"this program is version 0.1.0, the host runs 0.2.0"},
        Ping{0xDEADBEEF},
        Pong{7},
        Start{},
        sampleInputs(),
        StateCheck{60, 0x0123456789ABCDEFull},
        Desync{120},
        Done{3600},
    };
    for (const Message& m : messages) {
        SCOPED_TRACE(m.index());
        Message back;
        ASSERT_TRUE(decode(encode(m), back));
        ASSERT_EQ(back.index(), m.index());
        EXPECT_EQ(encode(back), encode(m));
    }
    Message back;
    ASSERT_TRUE(decode(encode(sampleInputs()), back));
    const Inputs& in = std::get<Inputs>(back);
    const Inputs sent = sampleInputs();
    EXPECT_EQ(in.ack, sent.ack);
    EXPECT_EQ(in.frame, sent.frame);
    EXPECT_EQ(in.advantage, sent.advantage);
    EXPECT_EQ(in.first, sent.first);
    ASSERT_EQ(in.frames.size(), sent.frames.size());
    for (size_t f = 0; f < in.frames.size(); ++f) expectSameEvents(in.frames[f], sent.frames[f]);
}

TEST(NetPacket, EveryTruncationAndAnyTrailingByteIsRefused) {
    for (const Message& m : std::vector<Message>{sampleInputs(), Welcome{kProtocol, "v", "builtin", 1, 2, 3}}) {
        const auto bytes = encode(m);
        Message out;
        for (size_t n = 0; n < bytes.size(); ++n)
            EXPECT_FALSE(decode(std::span(bytes).first(n), out)) << "cut at " << n;
        auto longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(decode(longer, out));
    }
}

// Hand-made Inputs messages that break one limit each.
TEST(NetPacket, LimitsAreChecked) {
    auto header = [](uint32_t first, uint8_t frames) {
        std::vector<uint8_t> b = {'V', 7, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // kind, ack, frame, advantage
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(first >> (8 * i)));
        b.push_back(frames);
        return b;
    };
    auto withEvent = [&](std::vector<uint8_t> tail) {
        auto b = header(1, 1);
        b.push_back(1);  // one event
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const uint32_t nanBits = std::bit_cast<uint32_t>(nan);
    const uint32_t infBits = std::bit_cast<uint32_t>(std::numeric_limits<float>::infinity());
    auto point = [](uint32_t xBits) {
        std::vector<uint8_t> t = {static_cast<uint8_t>(T::WorldClick)};
        for (int i = 0; i < 4; ++i) t.push_back(static_cast<uint8_t>(xBits >> (8 * i)));
        for (int i = 0; i < 4; ++i) t.push_back(0);
        return t;
    };
    auto button = [](const std::string& name) {
        std::vector<uint8_t> t = {static_cast<uint8_t>(T::Button), static_cast<uint8_t>(name.size())};
        for (char c : name) t.push_back(static_cast<uint8_t>(c));  // (GCC 12 warns falsely on insert here)
        return t;
    };
    auto code = [](T type, int32_t value) {
        std::vector<uint8_t> t = {static_cast<uint8_t>(type)};
        for (int i = 0; i < 4; ++i) t.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
        return t;
    };
    // A Hello or Welcome asking for a match of `frames` frames.
    auto hello = [](uint32_t frames) { return encode(Hello{kProtocol, "v", "builtin", frames}); };
    auto welcome = [](uint32_t frames) {
        auto b = encode(Welcome{kProtocol, "v", "builtin", 1, 0, 2});
        for (int i = 0; i < 4; ++i) b[b.size() - 5 + i] = static_cast<uint8_t>(frames >> (8 * i));
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool ok;
    };
    auto many = header(1, kMaxFramesPerPacket + 1);
    many.resize(many.size() + kMaxFramesPerPacket + 1, 0);
    auto full = header(1, kMaxFramesPerPacket);
    full.resize(full.size() + kMaxFramesPerPacket, 0);
    auto crowded = header(1, 1);
    crowded.push_back(kMaxEventsPerFrame + 1);
    for (int i = 0; i <= kMaxEventsPerFrame; ++i) crowded.push_back(static_cast<uint8_t>(T::Close));
    auto busiest = header(1, 1);
    busiest.push_back(kMaxEventsPerFrame);
    for (int i = 0; i < kMaxEventsPerFrame; ++i) busiest.push_back(static_cast<uint8_t>(T::Close));
    const std::vector<Case> cases = {
        {"a frame of no events", withEvent({static_cast<uint8_t>(T::Close)}), true},
        {"the most frames", full, true},
        {"too many frames", many, false},
        {"too many events in a frame", crowded, false},
        {"the most events in a frame", busiest, true},
        {"frame 0", [&] { auto b = header(0, 1); b.push_back(0); return b; }(), false},
        {"a frame past a day of play", [&] { auto b = header(kMaxFrames + 1, 1); b.push_back(0); return b; }(), false},
        {"an unknown event type", withEvent({9}), false},
        {"a NaN point", withEvent(point(nanBits)), false},
        {"an infinite point", withEvent(point(infBits)), false},
        // Only what the replay grammar reads back: a recorded match must stay readable.
        {"key code 0", withEvent(code(T::KeyDown, 0)), true},
        {"key code 255", withEvent(code(T::KeyUp, 255)), true},
        {"key code 1000", withEvent(code(T::KeyDown, 1000)), false},
        {"key code -5", withEvent(code(T::KeyUp, -5)), false},
        {"char 300", withEvent(code(T::Char, 300)), false},
        {"option 9", withEvent(code(T::Option, 9)), true},
        {"option 0", withEvent(code(T::Option, 0)), false},
        {"option 99", withEvent(code(T::Option, 99)), false},
        {"button Command1", withEvent(button("Command1")), true},
        {"button Foo", withEvent(button("Foo")), false},
        {"a button name of the most bytes", withEvent(button(std::string(kMaxNameBytes, 'a'))), false},
        {"a Hello of a day of play", hello(kMaxFrames), true},
        {"a Hello past a day of play", hello(kMaxFrames + 1), false},
        {"a Hello of frames 0xFFFFFFFF", hello(0xFFFFFFFFu), false},
        {"a Welcome of a day of play", welcome(kMaxFrames), true},
        {"a Welcome of frames 0xFFFFFFFF", welcome(0xFFFFFFFFu), false},
        {"a button name too long", withEvent(button(std::string(kMaxNameBytes + 1, 'a'))), false},
        {"a button name with a space", withEvent(button("Command 1")), false},
        {"a button name with a line end", withEvent(button("Command1\n5 close")), false},
        {"another magic", [&] { auto b = withEvent({6}); b[0] = 'X'; return b; }(), false},
        {"an unknown message kind", std::vector<uint8_t>{'V', 0}, false},
        {"a message kind past the last", std::vector<uint8_t>{'V', 11, 0, 0, 0, 0}, false},
        {"empty", {}, false},
        {"over the size limit", std::vector<uint8_t>(kMaxPacketBytes + 1, 0), false},
    };
    for (const Case& c : cases) {
        Message out;
        EXPECT_EQ(decode(c.bytes, out), c.ok) << c.what;
    }
    // A text longer than its limit.
    std::vector<uint8_t> refuse = {'V', 3, static_cast<uint8_t>(kMaxTextBytes + 1)};
    refuse.resize(refuse.size() + kMaxTextBytes + 1, 'a');
    Message out;
    EXPECT_FALSE(decode(refuse, out));
}

TEST(NetPacket, NormalisedEventsCarryOnlyWhatTheirTypeSends) {
    InputEvent key = event(T::KeyDown, 37, 5.0f, 6.0f, "junk");
    key.player = 1;
    ASSERT_TRUE(normalizeEvent(key));
    EXPECT_EQ(key.x, 0.0f);
    EXPECT_TRUE(key.name.empty());
    EXPECT_EQ(key.code, 37);
    EXPECT_EQ(key.player, 1);

    InputEvent click = event(T::WorldClick, 12, 1.5f, 2.5f);
    ASSERT_TRUE(normalizeEvent(click));
    EXPECT_EQ(click.code, 0);
    EXPECT_EQ(click.y, 2.5f);

    InputEvent spaced = event(T::Button, 0, 0, 0, "Command 3");
    EXPECT_FALSE(normalizeEvent(spaced));
    InputEvent far = event(T::WindowPress, 0, std::numeric_limits<float>::infinity(), 0);
    EXPECT_FALSE(normalizeEvent(far));
}

}  // namespace
}  // namespace vexlot::net

namespace vexlot::net {
namespace {

// The fuzz target's seeds are messages of every kind that decode and encode back unchanged, and
// (named refused-*) what hostile peers sent that must be refused.
TEST(NetPacket, FuzzSeedsAreValidMessages) {
    const std::filesystem::path dir = std::filesystem::path(VEXLOT_SOURCE_DIR) / "fuzz" / "corpus" / "packet";
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        Message m;
        if (file.path().filename().string().starts_with("refused-")) {
            EXPECT_FALSE(decode(bytes, m)) << file.path();
            continue;
        }
        ASSERT_TRUE(decode(bytes, m)) << file.path();
        EXPECT_EQ(encode(m), bytes) << file.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 8);
}

}  // namespace
}  // namespace vexlot::net
