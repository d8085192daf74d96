// The program: options, then either the window or the headless runner.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "net/net_runner.h"
#include "net/room_protocol.h"
#include "platform/headless.h"
#include "platform/settings.h"
#include "session/script.h"
#include "platform/sdl_frontend.h"

namespace {
const char* const kKeys = R"(Keys:
  Left / Right    walk and turn          Up            jump
  Down            crawl, hang on ledges  Alt           fire (hold the laser, release to shoot)
  , and .         aim up / down          /             aim straight
  1 .. 9, :       weapon 1 .. 10         s or F5       sound on / off
  d or F6         Debug and Guy panels   Esc           quit
  P or Pause      pause                  - and +       volume
  F1 or ?         help, change keys      R             new game (dead; or hold 1 s)
  F7              look: sky or classic   F8            scaling: sharp or fill
  F11             fullscreen             F12           screenshot
  F3              frame times and table counts
  Mouse           a press on the world moves your guy there (a game of one)
Replay window: P pause, N step one frame, Up / Down speed (x1/2 .. x8), Esc quit.
Gamepad: d-pad or left stick walk and crawl, A jump, X or right trigger fire,
  shoulders aim, Y aim straight, B next weapon.
Two players (--players 2): player 2 plays W A S D, Space fires, Q / E / F aim, Tab next weapon;
  --duel plays without computer guys; R and Enter held together start a new round (both agree).
Network (--host [PORT] on one machine, --join HOST[:PORT] on the other): each plays player 1's keys.
  Through a relay, no port to open: --host --relay ws://HOST:PORT shows a room code, the other player
  gives --join CODE --relay ws://HOST:PORT (a "relay = URL" line in the settings file is the default).
Settings (sound, volume, scaling, fullscreen, look, both players' keys) stay in
  $XDG_CONFIG_HOME/vexlot/settings (else ~/.config/vexlot/settings); the command line wins.)";
}

// The settings file's relay line (empty when there is none or the file cannot be read: the window
// says what is wrong with the file, a network game only needs this line).
static std::string settingsRelay() {
    const auto path = vexlot::settingsPath();
    if (!path) return {};
    std::ifstream in(*path, std::ios::binary);
    if (!in) return {};
    std::stringstream text;
    text << in.rdbuf();
    try {
        return vexlot::parseSettings(text.str()).relay;
    } catch (const std::exception&) {
        return {};
    }
}

int main(int argc, char** argv) {
    // Past a file size limit a write fails (and a recording keeps its complete lines, saying so)
    // instead of the program being killed without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"Vexlot: a side-view stick-figure action game"};
    app.footer(kKeys);
    vexlot::RunOptions opt;
    bool headless = false;
    std::string seedText;
    app.set_version_flag("--version", std::string("vexlot ") + vexlot::programVersion());
    app.add_flag("--headless", headless, "Run without a window, sound or pacing, then write what was asked");
    auto* frames = app.add_option("--frames", opt.frames, "Headless: frames to run (0 = the state right after start-up)")
                       ->check(CLI::Range(0, vexlot::kMaxFrames));
    auto* seed = app.add_option("--seed", seedText, "Random seed, 0 <= S < 2^64 (default: from the clock, printed)");
    auto* script = app.add_option("--script", opt.scriptPath, "Headless: input events, one per line (FRAME down|up|char CODE ...)");
    auto* dump = app.add_option("--dump", opt.dumpPath, "Headless: write the final state as JSON");
    auto* trace = app.add_option("--trace", opt.tracePath, "Headless: write the state as one JSON line after every frame");
    auto* world = app.add_option("--world-png", opt.worldPngPath, "Headless: write the whole world surface as PNG");
    app.add_option("--screenshot", opt.screenshotPath, "Write the window as a player sees it (PNG; window: at exit)");
    auto* replay = app.add_option("--replay", opt.replayPath,
                                  "Play a replay in the window, or with --headless verify it and report the first differing frame");
    app.add_option("--record", opt.recordPath, "Record the game into this replay file (window default: a new file in the data folder)");
    app.add_option("--level", opt.levelPath, "Play a 2400 x 600 PNG picture as the level");
    auto* scale = app.add_option("--scale", opt.scale, "Window: whole-number scale (default: the largest that fits)")->check(CLI::Range(1, 16));
    auto* synctest = app.add_option("--synctest", opt.syncDistance,
                                    "Headless: after every frame go back D frames (1..8), run them again and compare")
                         ->check(CLI::Range(1, 8));
    auto* players = app.add_option("--players", opt.players, "1 or 2: with 2 a second person plays guy 1 (keys W A S D ...)")
                        ->check(CLI::Range(1, 2));
    auto* duel = app.add_flag("--duel", opt.duel, "A game of two without computer guys (settings: duel = yes)");
    auto* volume = app.add_option("--volume", opt.volume, "Window: sound volume 0..100")->check(CLI::Range(0, 100));
    auto* fill = app.add_flag("--fill", opt.fill, "Window: fill the window keeping the picture's shape (F8)");
    app.add_option("--look", opt.look, "Sky and earth behind the world, or the classic black (F7); "
                                       "--headless --screenshot writes classic unless asked")
        ->check(CLI::IsMember({"classic", "backdrop"}));
    std::string hostPort, joinAddress;
    int inputDelay = -1;
    auto* host = app.add_option("--host", hostPort, "Host a network game on this UDP port (default 7717; 0: any free port)")
                     ->expected(0, 1);
    auto* join = app.add_option("--join", joinAddress, "Join the network game hosted at HOST[:PORT] (IPv4), or room CODE of the relay");
    std::string bindAddress;
    auto* bind = app.add_option("--bind", bindAddress, "Host only on this address of the machine (default: every one)");
    std::string relayUrl;
    auto* relay = app.add_option("--relay", relayUrl,
                                 "Network game through the relay at ws://HOST:PORT (default: the settings' relay line)");
    app.add_option("--input-delay", inputDelay, "Network game: frames before your keys act (default: from the round trip)")
        ->check(CLI::Range(0, 10));
    CLI11_PARSE(app, argc, argv);

    auto refuse = [](const std::string& why) {
        std::fprintf(stderr, "vexlot: %s\n", why.c_str());
        return 2;
    };
    if (*seed && !vexlot::parseSeed(seedText, opt.seed))
        return refuse("--seed " + seedText + ": a seed is a whole number from 0 to 18446744073709551615");
    if (*seed && *replay) return refuse("--seed cannot be given with --replay: a replay plays its own seed");
    if (*duel && *replay) return refuse("--duel cannot be given with --replay: a replay says whether it is a duel");
    if (*duel && *players && opt.players != 2) return refuse("--duel with --players 1: a duel is a game of two");
    for (const CLI::Option* o : {frames, script, dump, trace, world, synctest})
        if (!headless && *o) return refuse(o->get_name() + " needs --headless (it is an option of the headless runner)");
    for (const CLI::Option* o : {scale, volume, fill})
        if (headless && *o) return refuse(o->get_name() + " is an option of the window; it means nothing with --headless");
    opt.seedGiven = seed->count() > 0;
    opt.framesGiven = frames->count() > 0;
    opt.playersGiven = players->count() > 0;
    opt.volumeGiven = volume->count() > 0;
    if (!opt.seedGiven) opt.seed = vexlot::clockSeed();
    if (*relay && !*host && !*join) return refuse("--relay needs --host or --join");
    if (*host || *join) {
        if (*host && *join) return refuse("--host and --join: one or the other");
        if (*join && *seed) return refuse("--seed with --join: the host's seed is played");
        if (*bind && !*host) return refuse("--bind is an option of --host");
        std::string name, why;
        uint16_t ignored = 0;
        if (*join && vexlot::net::normalRoomCode(joinAddress).empty() &&
            !vexlot::net::parseAddress(joinAddress, name, ignored, &why))
            return refuse("--join " + vexlot::quoteText(joinAddress) + ": " + why);
        if (*bind && (!vexlot::net::parseAddress(bindAddress, name, ignored, &why) || name != bindAddress))
            return refuse("--bind " + vexlot::quoteText(bindAddress) + ": " + (why.empty() ? "an address without a port" : why));
        if (*duel) return refuse("--duel with --host or --join: network games are played with the computer guys for now");
        if (*replay || *players) return refuse(std::string(*replay ? "--replay" : "--players") + " with --host or --join: a network game is a new game of two");
        // Through a relay: asked for, or the settings' relay for a bare --host or a --join by code.
        const bool byCode = *join && !vexlot::net::normalRoomCode(joinAddress).empty();
        if (!*relay && ((*host && hostPort.empty()) || byCode)) relayUrl = settingsRelay();
        if (*relay && relayUrl.empty()) return refuse("--relay: give ws://HOST:PORT");
        if (!relayUrl.empty() && *host && !hostPort.empty())
            return refuse("--host " + hostPort + " with a relay: the relay gives a room code, not a port");
        if (!relayUrl.empty() && *join && !byCode)
            return refuse("--join " + joinAddress + " with --relay: give the room code the host was shown");
        vexlot::net::NetRunOptions net;
        net.relay = relayUrl;
        net.host = host->count() > 0;
        net.port = vexlot::net::kDefaultPort;
        if (*host && !hostPort.empty()) {
            const bool digits = hostPort.size() <= 5 && hostPort.find_first_not_of("0123456789") == std::string::npos;
            if (!digits || std::stol(hostPort) > 65535) return refuse("--host " + hostPort + ": a UDP port is 0..65535");
            net.port = static_cast<uint16_t>(std::stol(hostPort));
        }
        net.address = joinAddress;
        net.bind = bindAddress;
        net.inputDelay = inputDelay;
        net.seed = opt.seed;
        net.scriptPath = opt.scriptPath;
        net.recordPath = opt.recordPath;
        net.levelPath = opt.levelPath;
        net.dumpPath = opt.dumpPath;
        net.worldPngPath = opt.worldPngPath;
        net.screenshotPath = opt.screenshotPath;
        net.look = opt.look;
        if (!opt.tracePath.empty())
            return refuse("--trace with --host or --join: a network game runs frames again after its rollbacks; "
                          "trace its recording with --replay instead");
        net.frames = opt.frames;
        net.framesGiven = opt.framesGiven;
        return headless ? vexlot::net::runNetHeadless(net) : vexlot::runWindow(opt, nullptr, &net);
    }
    if (*bind) return refuse("--bind is an option of --host");
    if (headless) return vexlot::runHeadless(opt);
    return vexlot::runWindow(opt);
}
