// Games of two by the versus rules: a fair start, pick-ups and blood that are each player's own,
// computer guys that go for the nearer player, level events that leave player 2 alone, duels,
// and the header lines that let their recordings verify.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "fixture.h"
#include "effects/effects.h"
#include "figure/figure.h"
#include "guys/guys.h"
#include "session/match.h"
#include "session/session.h"
#include "weapons/weapons.h"

using namespace vexlot;

namespace {

// An empty world where guys 0 and 1 are the two players of a versus game.
void makeVersus(test::World& w) {
    Game& g = *w;
    g.players = 2;
    g.versus = 1;
    g.lastGuy = 1;
    g.guyTable[1].health = 100;
}

int lifeOf(const Game& g, int player) { return player == 0 ? g.life.value : g.guyTable[1].health; }

// A guy is hurt when his life has gone down or he is bleeding.
bool hurt(const Game& g, int player) { return lifeOf(g, player) < 100 || g.guyTable[player].state != GuyState::Normal; }

}  // namespace

TEST(Versus, BothPlayersStartAliveAndStandingAlike) {
    for (const bool duel : {false, true}) {
        Session s(1, builtinLevel(), nullptr, 2, {1, duel});
        const Game& g = s.game();
        const Guy &a = g.guyTable[0], &b = g.guyTable[1];
        EXPECT_EQ(a.weapon, b.weapon);
        EXPECT_EQ(lifeOf(g, 0), lifeOf(g, 1));
        for (int k = 0; k < 10; ++k) EXPECT_EQ(g.ammo[k].value, g.secondAmmo[k]) << "weapon " << k + 1;
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(g.lastGuy, duel ? 1 : 2);
        if (!duel) {
            EXPECT_EQ(g.guyTable[2].x - a.x, b.x - g.guyTable[2].x) << "the computer guy half-way";
        }
        // The pick-ups lie half-way too: the nearest is as far from each.
        float nearA = 1e9f, nearB = 1e9f;
        for (int k = 1; k <= g.rockCount; ++k)
            if (g.rockTable[k].kind == RockKind::AmmoPickup) {
                nearA = std::min(nearA, std::abs(g.rockTable[k].x - a.x));
                nearB = std::min(nearB, std::abs(g.rockTable[k].x - b.x));
            }
        EXPECT_EQ(nearA, nearB);
    }
    // Landed, both stand at one height: the floor is flat and the same for both.
    Session s(1, builtinLevel(), nullptr, 2, {1, true});
    for (int f = 0; f < 20; ++f) s.step();
    EXPECT_EQ(s.game().guyTable[0].vy, 0);
    EXPECT_EQ(s.game().guyTable[0].y, s.game().guyTable[1].y);
}

// With no input, no start may hurt a player in a duel; with the computer guy, both are as likely
// to be hurt (it goes for whichever is nearer, and it stands half-way).
TEST(Versus, TenSecondsWithoutInputOverFiftySeeds) {
    int hurtCount[2] = {0, 0}, deadCount[2] = {0, 0};
    for (uint64_t seed = 1; seed <= 50; ++seed) {
        for (const bool duel : {true, false}) {
            Session s(seed, builtinLevel(), nullptr, 2, {1, duel});
            bool was[2] = {false, false};
            for (int f = 0; f < 600; ++f) {
                s.step();
                for (int p = 0; p < 2; ++p) was[p] = was[p] || hurt(s.game(), p);
            }
            for (int p = 0; p < 2; ++p) {
                if (duel) {
                    EXPECT_FALSE(guyDown(s.game(), p)) << "seed " << seed << ": player " << p + 1 << " died in a duel";
                    EXPECT_FALSE(was[p]) << "seed " << seed << ": player " << p + 1 << " was hurt in a duel";
                } else {
                    hurtCount[p] += was[p];
                    deadCount[p] += guyDown(s.game(), p);
                }
            }
        }
    }
    std::printf("with the computer guy, over 50 seeds: player 1 hurt in %d (dead in %d), player 2 hurt in %d (dead in %d)\n",
                hurtCount[0], deadCount[0], hurtCount[1], deadCount[1]);
    EXPECT_LE(std::abs(hurtCount[0] - hurtCount[1]), 5);
}

TEST(Versus, EachPlayerCollectsPickupsIntoHisOwnRounds) {
    struct Case {
        bool versus;
        int toucher;                 // the guy standing on the pick-up
        int firstLeft, secondLeft;   // shotgun rounds of each player afterwards
    } cases[] = {{true, 0, 45, 10}, {true, 1, 20, 35}, {false, 1, 20, 10}};
    for (const Case& c : cases) {
        test::World w;
        makeVersus(w);
        w->versus = c.versus ? 1 : 0;
        setAmmo(*w, 1, 20);
        w->secondAmmo[1] = 10;
        w->guyTable[0].x = 2000;
        w->guyTable[1].x = 6000;
        w->guyTable[0].y = w->guyTable[1].y = 3000;
        Rock& r = w->rockTable[addRock(*w)];
        r.kind = RockKind::AmmoPickup;
        r.payload = 2;
        r.counter = 25;
        r.x = w->guyTable[c.toucher].x;
        r.y = 3100;
        rocks(*w);
        EXPECT_EQ(w->ammo[1].value, c.firstLeft);
        EXPECT_EQ(w->secondAmmo[1], c.secondLeft);
        EXPECT_EQ(w->rockCount, c.secondLeft == 10 && c.firstLeft == 20 ? 1 : 0);
    }
}

TEST(Versus, DirtFromAPlayersFigureCostsHisOwnLife) {
    const int32_t firstHead = rgb(254, 255, 255), secondHead = rgb(253, 255, 255), secondBody = rgb(127, 0, 128);
    struct Case {
        bool versus;
        int32_t colour;
        int atGuy;             // the dirt lies on this guy's figure
        int firstLife, secondLife;
    } cases[] = {
        {true, firstHead, 0, 99, 100},   {true, secondHead, 1, 100, 99}, {true, secondBody, 1, 100, 99},
        {true, firstHead, 2, 100, 100},  // a computer guy's head: nobody's life
        {true, secondHead, 0, 100, 100}, // the second player's colour on the first player's figure: neither
        {false, firstHead, 2, 99, 100},  // the first two-player rules: every head is the first player's
    };
    for (const Case& c : cases) {
        test::World w;
        makeVersus(w);
        w->versus = c.versus ? 1 : 0;
        w->lastGuy = 2;
        const float xs[] = {2000, 4000, 6000};
        for (int k = 0; k < 3; ++k) {
            w->guyTable[k].x = xs[k];
            w->guyTable[k].y = 3000;
            w->guyTable[k].headColour = firstHead;
            for (int p = 1; p <= 9; ++p) w->guyTable[k].partColour[p] = rgb(0, 0, 127);
        }
        w->guyTable[1].headColour = secondHead;
        for (int p = 1; p <= 5; ++p) w->guyTable[1].partColour[p] = secondBody;
        Shrapnel& d = w->shrapnelTable[addShrapnel(*w)];
        d.alive = 1;
        d.fuse = -1;
        d.bounces = -1;
        d.width = 1;
        d.colour = c.colour;
        d.x = xs[c.atGuy];
        d.y = 3000;
        shrapnelPhase(*w);
        EXPECT_EQ(lifeOf(*w, 0), c.firstLife) << "colour " << c.colour << " at guy " << c.atGuy;
        EXPECT_EQ(lifeOf(*w, 1), c.secondLife) << "colour " << c.colour << " at guy " << c.atGuy;
    }
}

TEST(Versus, ComputerGuysGoForTheNearerStandingPlayer) {
    struct Case {
        float firstX, secondX;
        bool firstDead;
        bool fires;  // the computer guy faces right: only a player to its right draws fire
    } cases[] = {{1000, 5000, false, true}, {3500, 5000, false, false}, {3500, 5000, true, true}};
    for (const Case& c : cases) {
        test::World w;
        makeVersus(w);
        w->lastGuy = 2;
        w->guyTable[0].x = c.firstX;
        w->guyTable[1].x = c.secondX;
        w->guyTable[2].x = 4000;  // player 1 is behind it, player 2 in front
        for (int k = 0; k < 3; ++k) w->guyTable[k].y = 3000;
        if (c.firstDead) {
            w->guyTable[0].state = GuyState::Dead;
            setLife(*w, 0);
        }
        w->facing[2] = facingRight;
        w->keyRight[2] = kHeld;
        bool fired = false;
        for (int f = 0; f < 20 && !fired; ++f) {
            w->facing[2] = facingRight;
            ai(*w, 2);
            fired = w->keyFire[2] == kHeld && w->facing[2] == facingRight;
        }
        EXPECT_EQ(fired, c.fires) << c.firstX << " " << c.secondX << (c.firstDead ? " (player 1 dead)" : "");
    }
}

TEST(Versus, LevelEventsLeavePlayerTwoAloneAndADuelHasNoComputerGuys) {
    for (const bool duel : {false, true}) {
        Session s(3, builtinLevel(), nullptr, 2, {1, duel});
        Game& g = s.game();
        g.guyTable[1].health = 40;
        g.guyTable[1].weapon = 5;
        const float x1 = g.guyTable[1].x;
        // Scroll through every event.
        for (float d = 4000; d <= 31000; d += 500) {
            g.picbackLeft = -d;
            picmove(g);
        }
        EXPECT_EQ(g.scrollStage, 5);
        EXPECT_EQ(g.guyTable[1].health, 40);
        EXPECT_EQ(g.guyTable[1].weapon, 5);
        EXPECT_EQ(g.guyTable[1].x, x1);
        EXPECT_EQ(g.lastGuy, duel ? 1 : 2);
        if (!duel) {
            EXPECT_EQ(g.guyTable[2].health, 25);  // the third event set the computer guy up again
        }
    }
}

TEST(Versus, NoTeleportingInAGameOfTwo) {
    for (const int versus : {0, 1}) {
        test::World w;
        makeVersus(w);
        w->versus = static_cast<int16_t>(versus);
        w->guyTable[0].x = 2000;
        deliverEvent(*w, InputEvent{InputEvent::Type::WorldClick, 0, 9000, 1000});
        EXPECT_EQ(w->guyTable[0].x, versus ? 2000 : 9000);
    }
}

TEST(Versus, TheHeaderSaysTheRulesAndAReplayOfOtherRulesIsRefused) {
    struct StringOut : LineOutput {
        std::string text;
        void writeLine(const std::string& line) override { text += line + "\n"; }
    };
    StringOut out;
    {
        Session s(4, builtinLevel(), nullptr, 2, {1, true});
        s.record(out);
        for (int f = 0; f < 120; ++f) s.step();
        s.finish();
    }
    EXPECT_NE(out.text.find("\nplayers 2\nversus 1\nduel yes\n"), std::string::npos) << out.text;
    const Script replay = parseScript(out.text);
    EXPECT_EQ(replay.rules.versus, 1);
    EXPECT_TRUE(replay.rules.duel);
    Session same(4, builtinLevel(), nullptr, 2, replay.rules);
    same.play(replay);
    while (!same.scriptDone() && same.step()) {
    }
    EXPECT_FALSE(same.mismatch().has_value());
    Session withGuys(4, builtinLevel(), nullptr, 2);
    EXPECT_THROW(withGuys.play(replay), std::runtime_error);

    // A recording of two without a versus line is of the first two-player rules.
    std::ifstream old(std::string(VEXLOT_SOURCE_DIR) + "/tests/replays/duel.replay", std::ios::binary);
    const std::string oldText((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    EXPECT_EQ(parseScript(oldText).rules.versus, 0);
    struct Bad {
        const char* text;
        const char* expect;
    } bad[] = {
        {"duel yes\n", "belongs to a game of two"},
        {"players 2\n1 down 39\nduel yes\n", "before the events"},
        {"players 2\nduel maybe\n", "'duel yes' or 'duel no'"},
        {"players 2\nversus 2\n", "'versus 0' or 'versus 1'"},
        {"players 2\nversus 0\nduel yes\n", "a duel is a game of the versus rules"},
    };
    for (const Bad& b : bad) {
        try {
            parseScript(b.text);
            ADD_FAILURE() << b.text << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(b.expect), std::string::npos) << e.what();
        }
    }
    const Script script = parseScript("players 2\nduel yes\n");
    EXPECT_EQ(script.rules.versus, 1);
    EXPECT_TRUE(script.rules.duel);
}
