// The browser front-end: the page's canvas, keyboard and gamepads around one game session.
//
// The loop runs on requestAnimationFrame (emscripten_set_main_loop at the display's rate) and steps
// the game at its fixed 60 frames a second from an accumulator, so a 120 or 144 Hz screen does not
// hurry it and a slow one skips drawing rather than frames. Keys and gamepads come in through
// html5.h; the page (web/vexlot.js) shows the frames, plays the sounds and owns the buttons, the
// overlays and the settings, calling the small C API at the end of this file.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/codes.h"
#include "session/dump.h"
#include "session/match.h"
#include "session/session.h"
#include "view/compose.h"

namespace vexlot {
namespace {

using T = InputEvent::Type;

constexpr double kStepMs = 1000.0 / 60.0;
constexpr int kMaxStepsPerShow = 4;  // after a stall the game does not race to catch up

InputEvent key(T type, int code) {
    InputEvent e;
    e.type = type;
    e.code = code;
    return e;
}

// Hands each sound to the page, which plays it with Web Audio (each sound cuts off the one before).
struct PageSound : SoundSink {
    void play(const std::string& file, int32_t) override {
        EM_ASM({ Module["vexlotSound"](UTF8ToString($0)); }, file.c_str());
    }
};

// A replay kept in memory, line by line, for the page's download button.
struct MemoryLines : LineOutput {
    std::string text;
    void writeLine(const std::string& line) override { text += line + '\n'; }
};

// The game's virtual key code for a browser key (KeyboardEvent.code); 0 for keys it has none for.
int virtualKey(const char* code) {
    struct Named {
        const char* code;
        int vk;
    };
    static constexpr Named kNamed[] = {
        {"ArrowLeft", VirtualKey::Left}, {"ArrowUp", VirtualKey::Up},       {"ArrowRight", VirtualKey::Right},
        {"ArrowDown", VirtualKey::Down}, {"AltLeft", VirtualKey::Alt},      {"AltRight", VirtualKey::Alt},
        {"Comma", VirtualKey::Comma},    {"Period", VirtualKey::Period},    {"Slash", VirtualKey::Slash},
        {"Escape", VirtualKey::Escape},  {"Enter", VirtualKey::Enter},      {"Space", VirtualKey::Space},
    };
    for (const Named& n : kNamed)
        if (std::strcmp(code, n.code) == 0) return n.vk;
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == 0) return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == 0) return code[5];
    return 0;
}

// The pad as the desktop reads it (standard mapping): d-pad or left stick walk and crawl, A jumps,
// X or the right trigger fires, the shoulders aim, Y aims straight, B picks the next weapon.
class Gamepads {
public:
    void poll(std::vector<InputEvent>& out, int currentWeapon) {
        std::array<bool, kKeys> now{};
        if (emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS) {
            const int count = emscripten_get_num_gamepads();
            for (int i = 0; i < count; ++i) {
                EmscriptenGamepadEvent pad;
                if (emscripten_get_gamepad_status(i, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected) continue;
                auto button = [&](int b) { return b < pad.numButtons && (pad.digitalButton[b] || pad.analogButton[b] > 0.5); };
                auto axis = [&](int a) { return a < pad.numAxes ? pad.axis[a] : 0.0; };
                now[0] |= button(14) || axis(0) < -kDeadZone;
                now[1] |= button(15) || axis(0) > kDeadZone;
                now[2] |= button(13) || axis(1) > kDeadZone;
                now[3] |= button(0);
                now[4] |= button(2) || button(7);
                now[5] |= button(4);
                now[6] |= button(5);
                now[7] |= button(3);
                now[8] |= button(1);
            }
        }
        static constexpr int kCodes[kKeys] = {VirtualKey::Left, VirtualKey::Right,  VirtualKey::Down,
                                              VirtualKey::Up,   VirtualKey::Alt,    VirtualKey::Comma,
                                              VirtualKey::Period, VirtualKey::Slash, 0};
        for (int k = 0; k < kKeys; ++k) {
            if (now[k] == held_[k]) continue;
            if (k == 8) {
                if (now[k]) out.push_back(key(T::Char, CharCode::Digit0 + currentWeapon % 10 + 1));
            } else {
                out.push_back(key(now[k] ? T::KeyDown : T::KeyUp, kCodes[k]));
            }
        }
        held_ = now;
    }

private:
    static constexpr int kKeys = 9;
    static constexpr double kDeadZone = 0.5;
    std::array<bool, kKeys> held_{};
};

// Running averages of what a shown frame costs, in milliseconds, over the last second.
struct FrameCost {
    double simMs = 0, composeMs = 0, presentMs = 0;
    int steps = 0, shows = 0, passes = 0;
    double windowStart = 0;
    // Last full second.
    double simPerStep = 0, composePerShow = 0, presentPerShow = 0;
    int stepsPerSecond = 0, showsPerSecond = 0, passesPerSecond = 0;
    void roll(double now) {
        if (now - windowStart < 1000.0) return;
        const double seconds = (now - windowStart) / 1000.0;
        simPerStep = steps ? simMs / steps : 0;
        composePerShow = shows ? composeMs / shows : 0;
        presentPerShow = shows ? presentMs / shows : 0;
        stepsPerSecond = static_cast<int>(steps / seconds + 0.5);
        showsPerSecond = static_cast<int>(shows / seconds + 0.5);
        passesPerSecond = static_cast<int>(passes / seconds + 0.5);
        simMs = composeMs = presentMs = 0;
        steps = shows = passes = 0;
        windowStart = now;
    }
};

// One game in the page: its session, its recording, the frame shown and the input not yet delivered.
struct WebGame {
    PageSound sound;
    std::unique_ptr<Session> session;
    MemoryLines recording;
    bool replaying = false;
    bool paused = false;
    bool replayDone = false;
    std::vector<InputEvent> pending;
    Gamepads pads;
    FrameBuffer fb;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(static_cast<size_t>(kClientWidthPx) * kClientHeightPx * 4);
    double clock = 0, backlog = 0;
    FrameCost cost;
    std::string error;
};
WebGame web;

// The chosen level picture (from the page's file button), empty for the built-in one.
std::optional<Level> chosenLevel;

bool gameKeysLive() { return web.session && !web.replaying && !web.paused; }

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* e, void*) {
    if (!web.session) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    // Keys of the page itself (help, pause, volume, fullscreen, stats) are the page's: let them through.
    if (std::strcmp(e->key, "?") == 0 || std::strcmp(e->key, "p") == 0 || std::strcmp(e->key, "P") == 0 ||
        std::strcmp(e->key, "-") == 0 || std::strcmp(e->key, "+") == 0 || std::strcmp(e->key, "=") == 0 ||
        (e->key[0] == 'F' && e->key[1] >= '0' && e->key[1] <= '9') || e->ctrlKey || e->metaKey)
        return EM_FALSE;
    // While paused (or the help is up) only releases get through, so no key stays held in the game.
    const bool releaseWhilePaused = !down && web.paused && !web.replaying;
    if (!gameKeysLive() && !releaseWhilePaused) return EM_FALSE;
    if (const int vk = virtualKey(e->code)) web.pending.push_back(key(down ? T::KeyDown : T::KeyUp, vk));
    if (down) {
        const unsigned char c = static_cast<unsigned char>(e->key[0]);
        if (std::strcmp(e->key, "Escape") == 0) web.pending.push_back(key(T::Char, CharCode::Escape));
        else if (e->key[1] == 0 && c >= 32 && c < 127) web.pending.push_back(key(T::Char, c));
    }
    return EM_TRUE;  // the game's keys do not scroll the page or open the browser's menu (Alt)
}

// A press on the canvas, in game pixels (the page passes them already scaled).
void press(float gx, float gy) {
    if (!gameKeysLive()) return;
    InputEvent e = key(T::WindowPress, 0);
    e.x = gx;
    e.y = gy;
    web.pending.push_back(e);
}

void present() {
    const double t0 = emscripten_get_now();
    const FrameBuffer& fb = web.fb;
    const size_t n = static_cast<size_t>(fb.width) * fb.height;
    if (web.rgba.size() != n * 4) web.rgba.resize(n * 4);
    uint8_t* out = web.rgba.data();
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = fb.argb[i];
        out[4 * i] = static_cast<uint8_t>(p >> 16);
        out[4 * i + 1] = static_cast<uint8_t>(p >> 8);
        out[4 * i + 2] = static_cast<uint8_t>(p);
        out[4 * i + 3] = 255;
    }
    EM_ASM({ Module["vexlotPresent"](HEAPU8.subarray($0, $0 + $1 * $2 * 4), $1, $2); }, out, fb.width, fb.height);
    web.cost.presentMs += emscripten_get_now() - t0;
    ++web.cost.shows;
}

// One pass of the page's loop: gather input, hand the frame's events to the session, step as many
// 60 Hz frames as are due, compose, present.
void loop() {
    const double now = emscripten_get_now();
    web.cost.roll(now);
    ++web.cost.passes;
    if (!web.session) return;
    web.backlog += now - web.clock;
    web.clock = now;
    if (web.paused || web.replayDone) {
        web.backlog = 0;
        return;
    }
    if (!web.replaying) web.pads.poll(web.pending, web.session->game().guyTable[0].weapon);
    int steps = 0;
    const double t0 = emscripten_get_now();
    while (web.backlog >= kStepMs && steps < kMaxStepsPerShow) {
        web.backlog -= kStepMs;
        ++steps;
        const bool going = web.session->step(web.pending);
        web.pending.clear();
        if (!going) break;
        if (web.replaying && web.session->scriptDone()) {
            web.replayDone = true;
            break;
        }
    }
    if (web.backlog >= kStepMs) web.backlog = 0;  // too far behind: drop the backlog, never hurry
    if (steps == 0) return;
    const double t1 = emscripten_get_now();
    composeWindow(web.session->game(), web.fb);
    const double t2 = emscripten_get_now();
    web.cost.simMs += t1 - t0;
    web.cost.steps += steps;
    web.cost.composeMs += t2 - t1;
    present();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A new session; for a replay, the replay's own seed and its events instead of live input.
bool begin(uint64_t seed, Script replay) {
    web.error.clear();
    Level level = chosenLevel ? *chosenLevel : builtinLevel();
    const bool replaying = replay.isReplay;
    if (replaying) seed = replay.seed;
    auto session = std::make_unique<Session>(seed, std::move(level), &web.sound);
    try {
        session->play(std::move(replay));
    } catch (const std::exception& e) {
        web.error = e.what();
        return false;
    }
    web.session = std::move(session);
    web.replaying = replaying;
    web.paused = web.replayDone = false;
    web.pending.clear();
    web.recording.text.clear();
    if (!replaying) web.session->record(web.recording);
    web.clock = emscripten_get_now();
    web.backlog = 0;
    composeWindow(web.session->game(), web.fb);
    present();
    return true;
}

}  // namespace
}  // namespace vexlot

using namespace vexlot;

// The C API of the page (web/vexlot.js). Strings returned stay valid until the next call.
extern "C" {

// A new game: seed from two 32-bit halves.
EMSCRIPTEN_KEEPALIVE int vx_new_game(uint32_t seedLow, uint32_t seedHigh) {
    return begin((uint64_t{seedHigh} << 32) | seedLow, Script{}) ? 1 : 0;
}

// Plays a replay file (written into the page's memory file system); 0 and vx_error() when refused.
EMSCRIPTEN_KEEPALIVE int vx_play_replay(const char* path) {
    try {
        Script s = parseScript(readFile(path));
        if (!s.isReplay) throw std::runtime_error("this is not a replay (no header line)");
        return begin(0, std::move(s)) ? 1 : 0;
    } catch (const std::exception& e) {
        web.error = e.what();
        return 0;
    }
}

// Chooses the level picture for the next game ("" = the built-in level); 0 and vx_error() when refused.
EMSCRIPTEN_KEEPALIVE int vx_choose_level(const char* path) {
    try {
        chosenLevel.reset();
        if (*path) chosenLevel = levelFromFile(path);
        return 1;
    } catch (const std::exception& e) {
        web.error = e.what();
        return 0;
    }
}

EMSCRIPTEN_KEEPALIVE const char* vx_error() { return web.error.c_str(); }

// The game so far as a replay file: the recording with an end line sealing the current state.
EMSCRIPTEN_KEEPALIVE const char* vx_replay_text() {
    static std::string text;
    if (!web.session || web.replaying) return "";
    const Game& g = web.session->game();
    text = web.recording.text;
    if (!g.ended) {  // an ended game's recording has its end line already
        // resealReplay fills in the end line's checksum; the lines before are sealed already.
        char line[64];
        std::snprintf(line, sizeof line, "%d end %016llx 00000000", g.frame,
                      static_cast<unsigned long long>(stateHash(g)));
        text = resealReplay(text + line) + "\n";
    }
    return text.c_str();
}

EMSCRIPTEN_KEEPALIVE void vx_press(float x, float y) { press(x, y); }
EMSCRIPTEN_KEEPALIVE void vx_set_paused(int paused) {
    if (web.session) web.paused = paused != 0;
}
// The page lets go of every key when the tab loses the focus (the key-ups would never come).
EMSCRIPTEN_KEEPALIVE void vx_release_keys() {
    if (!gameKeysLive()) return;
    for (int vk : {VirtualKey::Left, VirtualKey::Right, VirtualKey::Up, VirtualKey::Down, VirtualKey::Alt,
                   VirtualKey::Comma, VirtualKey::Period})
        web.pending.push_back(key(T::KeyUp, vk));
}

// Bits: 1 playing, 2 the player's guy is dead, 4 the game ended (Esc), 8 a replay, 16 the replay is
// over, 32 paused, 64 a replay differs from its recording. Dead is the window's "down" rule.
EMSCRIPTEN_KEEPALIVE int vx_status() {
    if (!web.session) return 0;
    const Game& g = web.session->game();
    return 1 | (guyDown(g, 0) ? 2 : 0) | (g.ended ? 4 : 0) | (web.replaying ? 8 : 0) |
           (web.replayDone ? 16 : 0) | (web.paused ? 32 : 0) | (web.session->mismatch() ? 64 : 0);
}
// The game's state as the headless runner's dump (one JSON line), for the browser test and the curious.
EMSCRIPTEN_KEEPALIVE const char* vx_dump() {
    static std::string text;
    const SoundLog none;
    text = web.session ? dumpJson(web.session->game(), none, true) : "";
    return text.c_str();
}
EMSCRIPTEN_KEEPALIVE int vx_frame() { return web.session ? web.session->game().frame : 0; }
EMSCRIPTEN_KEEPALIVE int vx_checks_passed() { return web.session ? web.session->checksPassed() : 0; }

// The frame cost of the last second, as text: "steps shows sim-ms-per-step compose-ms present-ms
// loop-passes" (steps: game frames run; shows: frames drawn; passes: animation frames of the page).
EMSCRIPTEN_KEEPALIVE const char* vx_cost() {
    static char text[128];
    const FrameCost& c = web.cost;
    std::snprintf(text, sizeof text, "%d %d %.4f %.4f %.4f %d", c.stepsPerSecond, c.showsPerSecond, c.simPerStep,
                  c.composePerShow, c.presentPerShow, c.passesPerSecond);
    return text;
}

}  // extern "C"

int main() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    web.cost.windowStart = emscripten_get_now();
    emscripten_set_main_loop(loop, 0, false);  // requestAnimationFrame
    return 0;
}
