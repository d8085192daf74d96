// Recorded scenes played back: every checkpoint hash and a short summary of counts must hold, so a
// change of any game rule shows here (re-record with scripts/record-scenes.sh when it is meant).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fixture.h"
#include "session/match.h"
#include "session/session.h"

using namespace vexlot;
namespace fs = std::filesystem;

namespace {

std::string summary(const Game& g) {
    std::ostringstream s;
    s << "frame " << g.frame << "\nrocks " << g.rockCount << "\nblasts " << g.blastCount << "\nshrapnel "
      << g.shrapnelCount << "\nrockets " << g.rocketCount << "\nlastGuy " << g.lastGuy << "\nscrollStage "
      << g.scrollStage << "\nlife " << g.life.value << "\nguys";
    for (int i = 0; i <= g.lastGuy; ++i) s << " " << g.guyTable[i].state << "/" << g.guyTable[i].health;
    s << "\nammo";
    for (const Gauge& a : g.ammo) s << " " << a.value;
    s << "\n";
    return s.str();
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void playScene(const std::string& name) {
    const fs::path dir = fs::path(VEXLOT_SOURCE_DIR) / "tests" / "replays";
    const Script replay = parseScript(slurp(dir / (name + ".replay")));
    ASSERT_TRUE(replay.isReplay);
    ASSERT_FALSE(replay.checks.empty());
    Session session(replay.seed, builtinLevel(), nullptr, replay.players, replay.rules);
    Match match;
    session.play(replay);
    int decidedAt = 0;
    while (!session.scriptDone() && session.step()) {
        if (const auto& m = session.mismatch()) FAIL() << name << ": first differs in frames " << m->fromFrame << ".." << m->frame;
        if (match.update(session.game()) != RoundResult::Playing && !decidedAt) decidedAt = session.game().frame;
    }
    EXPECT_EQ(session.checksPassed(), static_cast<int>(replay.checks.size()));
    const Game* game = &session.game();
    std::string text = summary(*game);
    if (replay.players == 2)
        text += "round decided at frame " + std::to_string(decidedAt) + ", kills " + std::to_string(match.kills[0]) +
                ":" + std::to_string(match.kills[1]) + "\n";
    const fs::path summaryPath = dir / (name + ".summary");
    if (std::getenv("VEXLOT_WRITE_SUMMARIES")) std::ofstream(summaryPath, std::ios::binary) << text;
    EXPECT_EQ(text, slurp(summaryPath)) << name;
}

}  // namespace

TEST(ReplayScenes, StartupRocketFlightAndLanding) { playScene("rocket"); }
TEST(ReplayScenes, EveryWeaponAtTerrainAndComputerGuys) { playScene("weapons"); }
TEST(ReplayScenes, FirePit) { playScene("firepit"); }
TEST(ReplayScenes, WalkThroughAllSixLevelEvents) { playScene("walk"); }
TEST(ReplayScenes, TwoPlayersDuelUntilTheSecondFalls) { playScene("duel"); }
TEST(ReplayScenes, AVersusDuelWithoutComputerGuys) { playScene("versus"); }
