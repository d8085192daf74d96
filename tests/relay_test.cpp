// vexlot-relay, the real program on 127.0.0.1: rooms by code, messages passed on unchanged, each
// limit dropping only the peer (or room) that broke it, and hostile clients while a room plays on.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "relay/relay_client.h"

namespace vexlot::test {
namespace {

using Kind = net::RoomControl::Kind;
using net::RoomRole;

TEST(RelayRooms, CodesAreEasyToReadAndMessagesPassUnchanged) {
    RelayProcess relay({});
    Client host(relay.port()), guest(relay.port()), watcher(relay.port());
    const std::string code = host.create();
    ASSERT_EQ(code.size(), net::kRoomCodeLength);
    for (char c : code) EXPECT_EQ(std::string("0O1lI").find(c), std::string::npos) << code;

    // The code as typed in lower case is the same room.
    std::string lower = code;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(net::normalRoomCode(" " + lower + "\n"), code);
    guest.sendText("join " + net::normalRoomCode(lower));
    net::RoomControl c = guest.control();
    EXPECT_EQ(c.kind, Kind::Room);
    EXPECT_EQ(c.role, RoomRole::Guest);
    c = host.control();
    EXPECT_EQ(c.kind, Kind::PeerJoined);
    EXPECT_EQ(c.role, RoomRole::Guest);
    watcher.sendText("spectate " + code);
    EXPECT_EQ(watcher.control().role, RoomRole::Spectator);
    EXPECT_EQ(host.control().role, RoomRole::Spectator);
    EXPECT_EQ(guest.control().role, RoomRole::Spectator);

    // Every byte value, and bytes that look like the relay's own words: passed on as they are.
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (const std::string& bytes : {all, std::string("create"), std::string(1, '\0'), std::string(3000, 'V')}) {
        ASSERT_TRUE(host.sendBinary(bytes));
        for (Client* to : {&guest, &watcher}) {
            const Client::Message m = to->read();
            EXPECT_TRUE(m.ok && !m.text);
            EXPECT_EQ(m.bytes, bytes);
        }
        ASSERT_TRUE(guest.sendBinary(bytes + "g"));
        for (Client* to : {&host, &watcher}) EXPECT_EQ(to->read().bytes, bytes + "g");
    }
    // A spectator's messages go to nobody: the next thing the host hears is the guest's.
    ASSERT_TRUE(watcher.sendBinary("Vwatching"));
    ASSERT_TRUE(guest.sendBinary("Vafter"));
    EXPECT_EQ(host.read().bytes, "Vafter");
    EXPECT_EQ(watcher.read().bytes, "Vafter");

    const std::string status = httpGet(relay.port(), "/status");
    EXPECT_NE(status.find("200 {\"rooms\": 1, \"peers\": 3"), std::string::npos) << status;
    EXPECT_NE(status.find("\"messages_per_second\""), std::string::npos) << status;
    EXPECT_EQ(httpGet(relay.port(), "/nothing").substr(0, 3), "404");
}

TEST(RelayRooms, WrongCodesAFullRoomAndLeaving) {
    RelayProcess relay({});
    Pair pair(relay.port());
    struct Case {
        std::string ask, reason;
    } cases[] = {
        {"join ABCDE", "no room ABCDE"},
        {"join " + pair.code, "has its two players"},
        {"join abcde", "not a message of the relay's"},  // the client spells the code; the relay takes one spelling
        {"room ABCDE host", "a message only the relay sends"},
        {"hello", "not a message of the relay's"},
    };
    for (const Case& k : cases) {
        Client c(relay.port());
        c.sendText(k.ask);
        const net::RoomControl e = c.control();
        EXPECT_EQ(e.kind, Kind::Error) << k.ask;
        EXPECT_NE(e.reason.find(k.reason), std::string::npos) << k.ask << ": " << e.reason;
        EXPECT_TRUE(c.closedWithin(3000)) << k.ask;
    }
    EXPECT_TRUE(pair.stillPlays());

    // The guest leaves: the host hears it and the room waits for another guest.
    pair.guest.ws().close(websocket::close_code::normal);
    const net::RoomControl left = pair.host.control();
    EXPECT_EQ(left.kind, Kind::PeerLeft);
    EXPECT_EQ(left.role, RoomRole::Guest);
    Client again(relay.port());
    again.sendText("join " + pair.code);
    EXPECT_EQ(again.control().kind, Kind::Room);
    EXPECT_EQ(pair.host.control().kind, Kind::PeerJoined);
    // The host leaves: the room closes and its guest is told so.
    pair.host.ws().close(websocket::close_code::normal);
    EXPECT_EQ(again.until(Kind::PeerLeft), "left");
    EXPECT_NE(again.until(Kind::Error).find("closed: the host left"), std::string::npos);
    EXPECT_TRUE(again.closedWithin(3000));
    const std::string log = relay.output();
    EXPECT_NE(log.find("room " + pair.code + " opened by 127.0.0.1"), std::string::npos) << log;
    EXPECT_NE(log.find("room " + pair.code + " closed after"), std::string::npos) << log;
}

// One limit broken by one peer, in a relay where another room plays: the breaker is dropped with
// the reason, the other room goes on.
struct LimitCase {
    const char* name;
    std::vector<std::string> options;
    std::function<std::string(RelayProcess&)> breakIt;  // what the breaking peer was told
    const char* reason;
};

TEST(RelayLimits, EachDropsOnlyWhoBrokeIt) {
    const LimitCase cases[] = {
        {"message size", {"--max-message", "256"},
         [](RelayProcess& r) {
             Pair p(r.port(), "10.0.0.2");
             EXPECT_TRUE(p.host.sendBinary(std::string(256, 'V')));  // the limit itself passes
             EXPECT_EQ(p.guest.read().bytes.size(), 256u);
             // WebSocket's own answer to an oversized message is its close code; the room hears why.
             p.host.sendBinary(std::string(257, 'V'));
             EXPECT_TRUE(p.host.closedWithin(3000));
             EXPECT_EQ(p.host.ws().reason().code, websocket::close_code::too_big);
             return p.guest.until(Kind::PeerLeft);
         },
         "a message longer than 256 bytes"},
        {"messages a second", {"--rate", "20"},
         [](RelayProcess& r) {
             Pair p(r.port(), "10.0.0.2");
             for (int i = 0; i < 100; ++i) p.host.sendBinary("Vflood");
             return p.host.until(Kind::Error);
         },
         "more than 20 messages a second"},
        {"rooms per address", {"--rooms-per-address", "2"},
         [](RelayProcess& r) {
             Client a(r.port(), "10.0.0.2"), b(r.port(), "10.0.0.2"), c(r.port(), "10.0.0.2");
             a.create();
             b.create();
             c.sendText("create");
             return c.until(Kind::Error);
         },
         "already 2 rooms open from 10.0.0.2"},
        {"rooms", {"--max-rooms", "2"},
         [](RelayProcess& r) {
             Client a(r.port(), "10.0.0.2"), b(r.port(), "10.0.0.3");
             a.create();
             b.sendText("create");
             return b.until(Kind::Error);
         },
         "the relay is full (2 rooms)"},
        {"connections per address", {"--peers-per-address", "3"},
         [](RelayProcess& r) {
             Client a(r.port(), "10.0.0.2"), b(r.port(), "10.0.0.2"), c(r.port(), "10.0.0.2");
             try {
                 Client d(r.port(), "10.0.0.2");
                 return std::string("<accepted>");
             } catch (const std::exception& e) {
                 return std::string("too many connections from 10.0.0.2: ") + e.what();
             }
         },
         "too many connections from 10.0.0.2"},
        {"idle room", {"--idle-seconds", "0.5"},
         [](RelayProcess& r) {
             Client quiet(r.port(), "10.0.0.2");
             quiet.create();
             return quiet.until(Kind::Error);
         },
         "nothing said for 0.5 s"},
        {"room time", {"--room-seconds", "1.5"},
         [](RelayProcess& r) {
             Pair p(r.port(), "10.0.0.2");
             return p.host.until(Kind::Error);
         },
         "open 1.5 s, the longest a room may be"},
        {"lobby", {"--lobby-seconds", "0.3"},
         [](RelayProcess& r) {
             Client idle(r.port(), "10.0.0.2");
             return idle.until(Kind::Error);
         },
         "no room asked for within 0.3 s"},
    };
    for (const LimitCase& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::string> options = k.options;
        options.push_back("--behind-proxy");
        RelayProcess relay(options);
        // The room that keeps playing: from another address, talking every 100 ms (never idle).
        Pair playing(relay.port(), "10.0.0.1");
        std::atomic<bool> stop{false}, allPassed{true};
        std::thread talk([&] {
            for (int i = 0; i < 100 && !stop; ++i) {
                if (!playing.stillPlays(std::to_string(i))) allPassed = false;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        const std::string why = k.breakIt(relay);
        stop = true;
        talk.join();
        EXPECT_NE(why.find(k.reason), std::string::npos) << why;
        if (std::string(k.name) != "room time") {
            EXPECT_TRUE(allPassed);
            EXPECT_TRUE(playing.stillPlays("after"));
        }
    }
}

// A room opened later outlives one opened earlier, each closed at its own room time.
TEST(RelayLimits, RoomTimeIsCountedPerRoom) {
    RelayProcess relay({"--room-seconds", "1.5"});
    Pair first(relay.port());
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    Pair second(relay.port());
    EXPECT_NE(first.host.until(Kind::Error).find("longest a room may be"), std::string::npos);
    EXPECT_TRUE(second.stillPlays());
    EXPECT_NE(second.host.until(Kind::Error).find("longest a room may be"), std::string::npos);
}

}  // namespace
}  // namespace vexlot::test
