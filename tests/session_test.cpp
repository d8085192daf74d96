// The session every front-end drives a game through: recording, replaying, and what the replay
// reader accepts and refuses.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "fixture.h"
#include "session/match.h"
#include "session/session.h"
#include "session/synctest.h"

using namespace vexlot;

namespace {

using T = InputEvent::Type;

// A seeded mix of the inputs a player gives: walking, jumping, weapons, fire, aim, clicks, panels.
std::vector<std::vector<InputEvent>> randomInputs(int frames, uint32_t seed) {
    std::vector<std::vector<InputEvent>> perFrame(frames + 1);
    uint32_t s = seed;
    auto next = [&] { s = s * 1664525u + 1013904223u; return s >> 8; };
    const int keys[] = {37, 38, 39, 40, 18, 188, 190, 191};
    for (int f = 1; f <= frames; ++f) {
        if (next() % 4) continue;
        InputEvent e;
        switch (next() % 6) {
        case 0: e.type = T::KeyDown; e.code = keys[next() % 8]; break;
        case 1: e.type = T::KeyUp; e.code = keys[next() % 8]; break;
        case 2: e.type = T::Char; e.code = 49 + static_cast<int>(next() % 10); break;
        case 3: e.type = T::WindowPress; e.x = static_cast<float>(next() % 796); e.y = static_cast<float>(next() % 592); break;
        case 4: e.type = T::Char; e.code = next() % 2 ? 100 : 115; break;
        default: e.type = T::WorldClick; e.x = static_cast<float>(next() % 36000); e.y = static_cast<float>(next() % 9000); break;
        }
        perFrame[f].push_back(e);
    }
    return perFrame;
}

// Plays `frames` frames of live input and records them; returns the replay's text.
std::string record(uint64_t seed, int frames, const std::vector<std::vector<InputEvent>>& inputs, bool end = true,
                   uint64_t* finalHash = nullptr) {
    std::ostringstream text;
    StreamLineOutput out(text);
    Session session(seed, builtinLevel());
    session.record(out);
    for (int f = 1; f <= frames; ++f) session.step(inputs.empty() ? std::span<const InputEvent>() : inputs[f]);
    if (end) session.finish();
    if (finalHash) *finalHash = stateHash(session.game());
    return text.str();
}

// Verifies a replay as the headless runner does; returns the checkpoints passed, -1 on a mismatch.
int verify(const std::string& text, Level level = builtinLevel()) {
    Script script = parseScript(text);
    Session session(script.seed, std::move(level));
    session.play(std::move(script));
    while (!session.scriptDone() && session.step()) {
    }
    return session.mismatch() ? -1 : session.checksPassed();
}

std::string errorOf(const std::string& text) {
    try {
        parseScript(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "accepted";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace

TEST(Session, RecordingPlaysBackBitForBit) {
    const int frames = 400;
    uint64_t live = 0;
    const std::string text = record(1234, frames, randomInputs(frames, 77), true, &live);
    const Script s = parseScript(text);
    EXPECT_TRUE(s.isReplay);
    EXPECT_EQ(s.seed, 1234u);
    EXPECT_EQ(s.level, "builtin");
    EXPECT_EQ(s.endFrame, frames);
    EXPECT_EQ(s.checks.size(), static_cast<size_t>(frames / kCheckpointFrames + 1));  // and the end line
    EXPECT_EQ(s.checks.back().stateHash, live);
    EXPECT_EQ(verify(text), frames / kCheckpointFrames + 1);
}

TEST(Session, SeedsAreWholeUnsigned64BitNumbers) {
    for (uint64_t seed : {uint64_t{0}, uint64_t{1} << 63, ~uint64_t{0}}) {
        const std::string text = record(seed, 61, {});
        EXPECT_EQ(parseScript(text).seed, seed);
        EXPECT_EQ(verify(text), 2) << seed;
    }
    uint64_t s = 0;
    for (const char* bad : {"-5", "18446744073709551616", "1e3", "+1", "", "12a", "99999999999999999999"})
        EXPECT_FALSE(parseSeed(bad, s)) << bad;
    EXPECT_TRUE(parseSeed("18446744073709551615", s));
    EXPECT_EQ(s, ~uint64_t{0});
}

TEST(Session, EditedOrDamagedReplaysAreRefusedBeforeAnyFrameRuns) {
    std::vector<std::vector<InputEvent>> walk(121);
    walk[5].push_back({T::KeyDown, 39});
    const std::string good = record(9, 120, walk);
    // header (4 lines), "5 down 39", "60 check", "120 check", "120 end"
    ASSERT_EQ(errorOf(good), "accepted");
    const std::string end = good.substr(good.find("120 end"));
    const std::string checks = good.substr(good.find("60 check"), good.find("120 end") - good.find("60 check"));
    struct Case {
        std::string text;
        const char* expect;
    } cases[] = {
        {replaced(good, "5 down 39", "5 down 37"), "line 6: checksum mismatch"},
        {replaced(good, "120 end", "1000 end"), "line 8: checksum mismatch"},
        {replaced(good, "60 check", "61 check"), "line 6: checksum mismatch"},
        {replaced(good, checks, ""), "line 6: checksum mismatch"},                   // checkpoints removed
        {replaced(good, "5 down 39\n", "5 down 39\n3 up 39\n"), "line 6: frames of a replay never go back"},
        {good + "121 down 37\n", "line 9: a line after the end line"},
        {replaced(good, "version " + std::string(programVersion()), "version 0.0.1"), "line 2: recorded by vexlot 0.0.1"},
        {replaced(good, "vexlot-replay 2", "vexlot-replay 1"), "line 1: a replay format this vexlot cannot read"},
        {replaced(good, "5 down 39", "5 dance 39"), "line 5: unknown event"},
        {replaced(good, " end ", " end zz"), "line 8: expected 'FRAME end HASH SUM'"},
        {good.substr(0, good.find("seed")), "the header is incomplete"},
        {replaced(good, "level builtin\n", ""), "expected 'level ...'"},
        {replaced(good, "5 down 39\n", "5 down 39\r\n"), "line 5: line endings changed"},
        {replaced(good, "5 down 39", std::string("5 down 3\0", 9)), "line 5: a NUL byte"},
        {replaced(good, "seed 9", "seed -9"), "line 3: expected 'seed S' with a whole number 0 <= S < 2^64"},
        {replaced(good, "5 down", "5184001 down"), "from 1 to 5184000 (a day of play)"},
    };
    for (const Case& c : cases) EXPECT_NE(errorOf(c.text).find(c.expect), std::string::npos) << errorOf(c.text);
}

TEST(Session, ACutShortReplayVerifiesUpToItsLastCheckpoint) {
    const std::string full = record(3, 200, randomInputs(200, 5), false);  // no end line: the game was cut
    const Script whole = parseScript(full);
    EXPECT_EQ(whole.endFrame, 0);
    EXPECT_EQ(whole.lastFrame(), 180);
    EXPECT_EQ(verify(full), 3);
    // Cut anywhere, mid-line included: every complete line is kept, nothing after the last
    // checkpoint runs.
    const size_t second = full.find(" check ", full.find(" check ") + 1);
    for (size_t cut : {second - 2, second + 5, full.find('\n', second) + 1, full.size() - 3}) {
        const Script s = parseScript(full.substr(0, cut));
        EXPECT_LE(s.lastFrame(), s.cutAfterFrame);
        EXPECT_TRUE(s.events.empty() || s.events.back().frame <= s.lastFrame());
        EXPECT_EQ(verify(full.substr(0, cut)), static_cast<int>(s.checks.size())) << cut;
    }
}

TEST(Session, AReplayIsPlayedOnlyOnItsOwnLevelAndSeed) {
    const std::string text = record(4, 60, {});
    Level other;
    other.picture = levelPicture();
    other.tag = "0123456789abcdef";
    try {
        verify(text, other);
        ADD_FAILURE() << "played on another level";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("recorded on the built-in level, this game has the level picture 0123456789abcdef"),
                  std::string::npos)
            << e.what();
    }
    Session session(5, builtinLevel());
    EXPECT_THROW(session.play(parseScript(text)), std::runtime_error);
}

TEST(Session, AGameThatGoesAnotherWayIsReportedAtItsFirstCheckpoint) {
    std::vector<std::vector<InputEvent>> walk(130);
    walk[3].push_back({T::KeyDown, 39});
    std::string text = record(9, 129, walk);
    // The same events under a header that says seed 10 (checksums sealed again): differs at once.
    Script script = parseScript(text);
    script.seed = 10;
    Session session(10, builtinLevel());
    session.play(script);
    while (!session.scriptDone() && session.step()) {
    }
    ASSERT_TRUE(session.mismatch());
    EXPECT_EQ(session.mismatch()->frame, 60);
    EXPECT_EQ(session.mismatch()->fromFrame, 1);
}

TEST(Script, ReadsWhatEditorsWriteAndQuotesLinesSafely) {
    const Script s = parseScript("\xEF\xBB\xBFseed 7\r\n5 down 39   # walk right\r\n# a comment\n9 click 100.5 200");
    EXPECT_EQ(s.seed, 7u);
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[1].event.x, 100.5f);
    struct Case {
        std::string text;
        const char* expect;
    } cases[] = {
        {"5 down 39\n6 hop\x1b[31m\n", "script line 2: unknown event 'hop\x1b[31m'"},
        {std::string("10\0garbage down 39\n", 19), "line 1: a NUL byte"},
        {"1 up " + std::string(100000, '9') + "\n", "\"1 up 99999"},
    };
    for (const Case& c : cases) EXPECT_NE(errorOf(c.text).find(c.expect), std::string::npos) << errorOf(c.text);
    const std::string escaped = errorOf("6 hop\x1b[31m\n");
    EXPECT_EQ(escaped.find('\x1b', escaped.find('"')), std::string::npos) << "control bytes reach the terminal";
    EXPECT_NE(escaped.find("\\x1b"), std::string::npos);
    EXPECT_LT(errorOf("1 up " + std::string(100000, '9') + "\n").size(), 200u);
}

// The table the network decoder checks against is the one the parser reads by: an event it allows
// is written as a line the parser takes back, and one it refuses the parser refuses too.
TEST(Script, EventsInTheGrammarAreExactlyTheLinesTheParserReads) {
    auto ev = [](T type, int code, std::string name = {}) {
        InputEvent e;
        e.type = type;
        e.code = code;
        e.name = std::move(name);
        return e;
    };
    const InputEvent cases[] = {ev(T::KeyDown, 0),        ev(T::KeyDown, 255),    ev(T::KeyDown, 256),
                                ev(T::KeyUp, -1),         ev(T::KeyUp, 1000),     ev(T::Char, 300),
                                ev(T::Char, 27),          ev(T::Option, 0),       ev(T::Option, 1),
                                ev(T::Option, 9),         ev(T::Option, 99),      ev(T::Button, 0, "Command1"),
                                ev(T::Button, 0, "Command3"), ev(T::Button, 0, "Foo"), ev(T::Close, 0)};
    for (const InputEvent& e : cases) {
        const std::string line = eventLine(7, e);
        bool parsed = true;
        try {
            parseScript(line + "\n");
        } catch (const std::exception&) {
            parsed = false;
        }
        EXPECT_EQ(eventInGrammar(e), parsed) << line;
    }
    EXPECT_EQ(quoteText(std::string("ok\x1b]0;\"\0x", 8), 6), "\"ok\\x1b]0;\"...");
}

TEST(Match, ARoundEndsWhenAPlayerFallsAndCountsTheKillOnce) {
    struct Case {
        int16_t first, second;
        RoundResult result;
    } cases[] = {
        {GuyState::Normal, GuyState::Normal, RoundResult::Playing}, {GuyState::Hurt, GuyState::Normal, RoundResult::Playing},
        {GuyState::Normal, GuyState::Dead, RoundResult::FirstWins}, {GuyState::Dead, GuyState::Hurt, RoundResult::SecondWins},
        {GuyState::Dead, GuyState::Dead, RoundResult::Draw},
    };
    for (const Case& c : cases) {
        Session session(1, builtinLevel(), nullptr, 2);
        Game& g = session.game();
        g.guyTable[0].state = c.first;
        g.guyTable[1].state = c.second;
        Match match;
        EXPECT_EQ(match.update(g), c.result);
        if (c.result != RoundResult::Playing) {
            g.guyTable[0].state = g.guyTable[1].state = GuyState::Dead;  // a decided round stays decided
            EXPECT_EQ(match.update(g), c.result);
        }
        EXPECT_EQ(match.kills[0], c.result == RoundResult::FirstWins ? 1 : 0);
        EXPECT_EQ(match.kills[1], c.result == RoundResult::SecondWins ? 1 : 0);
    }
    Session one(1, builtinLevel());
    one.game().guyTable[0].state = GuyState::Dead;
    EXPECT_EQ(judgeRound(one.game()), RoundResult::Playing);  // a game of one has no rounds

    // A corpse on deadly ground is hurt again between frames: its spent life still has it down.
    Session two(1, builtinLevel(), nullptr, 2);
    Game& g = two.game();
    g.guyTable[1].state = GuyState::Hurt;
    g.guyTable[1].health = 0;
    EXPECT_EQ(judgeRound(g), RoundResult::FirstWins);
    g.guyTable[0].state = GuyState::Hurt;
    g.life.value = 0;
    EXPECT_EQ(judgeRound(g), RoundResult::Draw);
    g.life.value = 1;
    EXPECT_FALSE(guyDown(g, 0));
    // The figure's own rule: at 0 life but still on his feet (not hurt) a guy is not down.
    g.life.value = 0;
    g.guyTable[0].state = GuyState::Normal;
    EXPECT_FALSE(guyDown(g, 0));
}

TEST(Session, AReplayResealedAfterAnEditReachesTheGame) {
    std::vector<std::vector<InputEvent>> walk(121);
    walk[5].push_back({T::KeyDown, 39});
    const std::string good = record(9, 120, walk);
    const std::string edited = replaced(good, "5 down 39", "5 down 37");
    EXPECT_NE(errorOf(edited), "accepted");
    EXPECT_EQ(errorOf(resealReplay(edited)), "accepted");
    EXPECT_EQ(resealReplay(good), good);
    EXPECT_EQ(verify(resealReplay(edited)), -1);  // the edit changes the game: the first checkpoint differs
}

// The sync test finds a field that a restore leaves wrong and names it; a game restored well
// passes, and so does the second view's camera (restored with the game).
TEST(SyncTest, AFieldTheRestoreMissesIsNamedWithItsFrame) {
    std::vector<InputEvent> walk{{T::KeyDown, 39, 0, 0, {}, 0}, {T::KeyDown, 39, 0, 0, {}, 1}};
    Session good(5, builtinLevel(), nullptr, 2);
    SyncTest clean(good, 4);
    for (int f = 1; f <= 120; ++f) ASSERT_TRUE(clean.step(f == 3 ? walk : std::vector<InputEvent>{})) << f;

    struct Plant {
        const char* field;
        std::function<void(Game&)> plant;
    } plants[] = {{"captions.xlbl", [](Game& g) { g.xlbl = "planted"; }},
                  {"rocks[4000].aux", [](Game& g) { g.rockTable[4000].aux = 7; }}};
    for (const Plant& p : plants) {
        Session s(5, builtinLevel(), nullptr, 2);
        SyncTest sync(s, 2);
        int frame = 0;
        sync.afterRestore = [&](Game& g) {
            if (g.frame >= 30) p.plant(g);
        };
        while (sync.step()) ASSERT_LT(++frame, 200);
        ASSERT_TRUE(sync.mismatch());
        EXPECT_EQ(sync.mismatch()->frame, 32);
        EXPECT_EQ(sync.mismatch()->field.substr(0, std::string(p.field).size()), p.field) << sync.mismatch()->field;
    }
}
