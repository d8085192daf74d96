#include "platform/sdl_frontend.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>

#include "platform/keymap.h"
#include "platform/pacer.h"
#include "session/files.h"
#include "session/match.h"
#include "session/session.h"
#include "view/compose.h"
#include "view/viewport.h"

#ifndef VEXLOT_DATA_DIR
#define VEXLOT_DATA_DIR "/usr/local/share/vexlot"
#endif

namespace vexlot {

namespace fs = std::filesystem;

namespace {

// SIGTERM or SIGINT asks the window to end the game as closing it does: the recording gets its end.
volatile std::sig_atomic_t gStopAsked = 0;
extern "C" void askToStop(int) { gStopAsked = 1; }

struct SdlTicks : TickSource {
    uint32_t now() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
};

// The folder holding the sounds: beside the program, else the installed data folder.
std::string soundFolder() {
    std::string beside;
    if (char* base = SDL_GetBasePath()) {
        beside = base;
        SDL_free(base);
    }
    if (!beside.empty() && fs::exists(fs::path(beside) / "pop.wav")) return beside;
    return std::string(VEXLOT_DATA_DIR) + "/";
}

// Plays the game's .wav files; each sound cuts off the one before.
// No audio device or a missing file: nothing plays, one warning per run.
class MixerSound : public SoundSink {
public:
    explicit MixerSound(int volume) : folder_(soundFolder()) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024) != 0) {
            warn(std::string("no audio device (") + SDL_GetError() + "); playing without sound");
            return;
        }
        Mix_AllocateChannels(1);
        open_ = true;
        setVolume(volume);
    }
    ~MixerSound() override {
        if (!open_) return;
        Mix_HaltChannel(-1);
        for (auto& [name, chunk] : chunks_)
            if (chunk) Mix_FreeChunk(chunk);
        Mix_CloseAudio();
    }
    void play(const std::string& file, int32_t) override {
        if (!open_) return;
        auto it = chunks_.find(file);
        if (it == chunks_.end()) {
            std::string name = file;
            if (!name.empty() && (name[0] == '\\' || name[0] == '/')) name.erase(0, 1);
            Mix_Chunk* chunk = Mix_LoadWAV((folder_ + name).c_str());
            if (!chunk) warn("cannot play " + folder_ + name + ": " + Mix_GetError());
            it = chunks_.emplace(file, chunk).first;
        }
        if (it->second) Mix_PlayChannel(0, it->second, 0);
    }
    int volume() const { return volume_; }
    void setVolume(int v) {
        volume_ = std::clamp(v, 0, 100);
        if (open_) Mix_Volume(-1, volume_ * MIX_MAX_VOLUME / 100);
    }

private:
    void warn(const std::string& what) {
        if (warned_) return;
        warned_ = true;
        std::fprintf(stderr, "vexlot: %s\n", what.c_str());
    }
    std::string folder_;
    std::map<std::string, Mix_Chunk*> chunks_;
    bool open_ = false;
    bool warned_ = false;
    int volume_ = 100;
};

// The game's virtual key code for an SDL key; 0 for keys the game has no code for.
int virtualKey(SDL_Keycode k) {
    switch (k) {
    case SDLK_LEFT: return VirtualKey::Left;
    case SDLK_UP: return VirtualKey::Up;
    case SDLK_RIGHT: return VirtualKey::Right;
    case SDLK_DOWN: return VirtualKey::Down;
    case SDLK_LALT:
    case SDLK_RALT: return VirtualKey::Alt;
    case SDLK_COMMA: return VirtualKey::Comma;
    case SDLK_PERIOD: return VirtualKey::Period;
    case SDLK_SLASH: return VirtualKey::Slash;
    case SDLK_ESCAPE: return VirtualKey::Escape;
    case SDLK_RETURN: return VirtualKey::Enter;
    case SDLK_SPACE: return VirtualKey::Space;
    default: break;
    }
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    return 0;
}

using T = InputEvent::Type;
InputEvent key(T type, int code) {
    InputEvent e;
    e.type = type;
    e.code = code;
    return e;
}

// The character that picks the weapon after `weapon`: "1".."9", ":", and round again.
int nextWeaponChar(int weapon) { return CharCode::Digit0 + weapon % 10 + 1; }

// One game controller, driving one player through the same key codes as the keyboard.
class Gamepad {
public:
    Gamepad() = default;
    Gamepad(const Gamepad&) = delete;
    Gamepad& operator=(const Gamepad&) = delete;
    ~Gamepad() { close(); }
    bool isOpen() const { return pad_ != nullptr; }
    bool open(int index) {
        if (!pad_ && SDL_IsGameController(index)) pad_ = SDL_GameControllerOpen(index);
        return pad_ != nullptr;
    }
    void closeIfRemoved(SDL_JoystickID id) {
        if (pad_ && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad_)) == id) close();
    }
    // Key-down and key-up events for every change of the pad since the last call.
    void poll(std::vector<InputEvent>& out, int player, int currentWeapon) {
        std::array<bool, kButtons> now{};
        if (pad_) {
            auto button = [&](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(pad_, b) != 0; };
            auto axis = [&](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(pad_, a); };
            const int lx = axis(SDL_CONTROLLER_AXIS_LEFTX), ly = axis(SDL_CONTROLLER_AXIS_LEFTY);
            now[0] = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || lx < -kDeadZone;
            now[1] = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || lx > kDeadZone;
            now[2] = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) || ly > kDeadZone;
            now[3] = button(SDL_CONTROLLER_BUTTON_A);
            now[4] = button(SDL_CONTROLLER_BUTTON_X) || axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > kDeadZone;
            now[5] = button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
            now[6] = button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
            now[7] = button(SDL_CONTROLLER_BUTTON_Y);
            now[8] = button(SDL_CONTROLLER_BUTTON_B);
        }
        static constexpr int codes[kButtons] = {VirtualKey::Left,   VirtualKey::Right, VirtualKey::Down,
                                                VirtualKey::Up,     VirtualKey::Alt,   VirtualKey::Comma,
                                                VirtualKey::Period, VirtualKey::Slash, 0};
        for (int k = 0; k < kButtons; ++k) {
            if (now[k] == held_[k]) continue;
            InputEvent e;
            if (k == 8) {  // B: next weapon
                if (!now[k]) continue;
                e = key(T::Char, nextWeaponChar(currentWeapon));
            } else {
                e = key(now[k] ? T::KeyDown : T::KeyUp, codes[k]);
            }
            e.player = player;
            out.push_back(e);
        }
        held_ = now;
    }

private:
    static constexpr int kButtons = 9;
    static constexpr int kDeadZone = 16000;
    void close() {
        if (pad_) SDL_GameControllerClose(pad_);
        pad_ = nullptr;
    }
    SDL_GameController* pad_ = nullptr;
    std::array<bool, kButtons> held_{};
};

// What a key or a button of the frame asks of the front-end itself.
struct Controls {
    bool quit = false;
    bool togglePause = false;
    bool step = false;       // replay: one frame while paused
    int speedChange = 0;     // replay: slower / faster
    bool toggleFullscreen = false;
    bool screenshot = false;
    bool toggleOverlay = false;
    int volumeChange = 0;
    bool newGame = false;    // R on the death overlay, or R held for a second
};

// One game's recording: a new file of its own in the data folder (or the file --record names).
// A failed write is said once, on the standard error and on screen, and the game goes on.
class Recording : public LineOutput {
public:
    void open(const std::string& recordPath, const std::optional<std::string>& folder) {
        folder_ = recordPath.empty() ? folder : std::nullopt;
        if (!recordPath.empty()) {
            file_ = LineFile::create(recordPath);
        } else if (folder) {
            try {
                const NewFile f = createUnique(*folder, "vexlot", "replay");
                file_ = LineFile::adopt(f.fd, f.path);
            } catch (const std::exception& e) {
                file_ = LineFile();
                failure_ = e.what();
            }
        }
        if (!file_.error().empty()) failure_ = file_.error();
    }
    bool active() const { return file_.ok(); }
    void writeLine(const std::string& line) override {
        file_.writeLine(line);
        if (!file_.ok() && failure_.empty()) failure_ = file_.error();
    }
    // The failure to say, once.
    std::string takeFailure() {
        std::string f;
        if (!failureSaid_) f = failure_;
        failureSaid_ = failureSaid_ || !f.empty();
        return f;
    }
    // Closes the file of a game that has ended; in the data folder it becomes latest.replay.
    void finish() {
        const std::string path = file_.path();
        const bool ok = file_.close();
        std::string why;
        if (ok && folder_ && !path.empty() && !publishLatest(*folder_, path, why))
            std::fprintf(stderr, "vexlot: %s\n", why.c_str());
    }

private:
    LineFile file_;
    std::optional<std::string> folder_;
    std::string failure_;
    bool failureSaid_ = false;
};

class Window {
public:
    Window(const RunOptions& options, WindowProbe* probe) : options_(options), probe_(probe) {}
    ~Window();
    bool open();
    int run();

private:
    bool startGame(uint64_t seed, Script replay);
    void endGame();
    bool frame(Controls& c);
    void collect(std::vector<InputEvent>& events, Controls& c);
    void keyDown(const SDL_KeyboardEvent& key, std::vector<InputEvent>& events, Controls& c);
    const KeyBinding* boundKey(SDL_Keycode k) const;
    void loadKeys();
    void present(const FrameBuffer& picture);
    void decorate(double simMs, double composeMs);
    void drawOverlay(double simMs, double composeMs);
    void say(const std::string& text, uint32_t ms = 2000) {
        message_ = text;
        messageUntil_ = SDL_GetTicks() + ms;
    }
    void saveScreenshot();
    bool replaying() const { return !options_.replayPath.empty(); }
    bool twoPlayers() const { return session_ && session_->players() == 2; }
    bool playerDown() const;
    void fitPicture(int width);

    const RunOptions& options_;
    WindowProbe* probe_;
    int shownFrames_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    Viewport viewport_;
    FrameBuffer fb_, shown_;
    std::array<Gamepad, 2> pads_;
    std::map<SDL_Keycode, KeyBinding> keys_;
    std::unique_ptr<MixerSound> mixer_;
    Level level_;
    std::optional<std::string> dataFolder_;
    std::unique_ptr<Session> session_;
    Recording recording_;
    Match match_;
    std::string message_;
    uint32_t messageUntil_ = 0;
    uint32_t restartHeldSince_ = 0;  // when R went down, 0 while it is up
    bool paused_ = false;
    int speed_ = 1;
    std::unique_ptr<FramePacer> pacer_;
    SdlTicks ticks_;
    std::vector<InputEvent> pending_;
    bool overlay_ = false;
    double presentMs_ = 0;
    uint32_t fpsStart_ = 0;
    int fpsFrames_ = 0, fps_ = 0;
};

Window::~Window() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
}

bool Window::open() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    const int pictureWidth = options_.players == 2 ? 2 * kClientWidthPx : kClientWidthPx;
    SDL_Rect usable{0, 0, pictureWidth, kClientHeightPx};
    SDL_GetDisplayUsableBounds(0, &usable);
    const int fits = initialScale(0, usable.w, usable.h, pictureWidth);
    int scale = initialScale(options_.scale, usable.w, usable.h, pictureWidth);
    if (scale > fits) {
        std::fprintf(stderr, "vexlot: --scale %d does not fit the screen (%d x %d); using %d\n", scale, usable.w,
                     usable.h, fits);
        scale = fits;
    }
    window_ = SDL_CreateWindow("Vexlot", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, pictureWidth * scale,
                               kClientHeightPx * scale, SDL_WINDOW_RESIZABLE);
    renderer_ = window_ ? SDL_CreateRenderer(window_, -1, 0) : nullptr;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // nearest neighbour: sharp pixels
    if (!renderer_) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    fitPicture(pictureWidth);
    SDL_StartTextInput();
    return texture_ != nullptr;
}

// A texture for a picture `width` pixels wide, and where it lands in the window.
void Window::fitPicture(int width) {
    if (width != textureWidth_) {
        if (texture_) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width,
                                     kClientHeightPx);
        if (!texture_) std::fprintf(stderr, "vexlot: cannot make the window's picture: %s\n", SDL_GetError());
        textureWidth_ = width;
    }
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    viewport_ = fitViewport(w, h, width);
}

void Window::keyDown(const SDL_KeyboardEvent& key, std::vector<InputEvent>& events, Controls& c) {
    const SDL_Keycode k = key.keysym.sym;
    if (k == SDLK_F11) c.toggleFullscreen = !key.repeat;
    else if (k == SDLK_F12) c.screenshot = !key.repeat;
    else if (k == SDLK_F3) c.toggleOverlay = !key.repeat;
    else if (k == SDLK_PAUSE || k == SDLK_p) c.togglePause = !key.repeat;
    else if (k == SDLK_MINUS || k == SDLK_KP_MINUS) c.volumeChange -= 10;
    else if (k == SDLK_PLUS || k == SDLK_EQUALS || k == SDLK_KP_PLUS) c.volumeChange += 10;
    else if (replaying()) {
        if (k == SDLK_ESCAPE) c.quit = true;
        else if (k == SDLK_n || k == SDLK_RIGHT) c.step = true;
        else if (k == SDLK_UP) c.speedChange += 1;
        else if (k == SDLK_DOWN) c.speedChange -= 1;
    } else if (k == SDLK_r) {
        if (playerDown()) c.newGame = true;
        else if (!key.repeat) restartHeldSince_ = SDL_GetTicks() | 1;
    } else if (const KeyBinding* b = boundKey(k)) {
        if (b->gameKey == kNextWeaponKey) {
            if (key.repeat) return;
            InputEvent e = vexlot::key(T::Char, nextWeaponChar(session_->game().guyTable[b->player].weapon));
            e.player = b->player;
            events.push_back(e);
        } else {
            InputEvent e = vexlot::key(T::KeyDown, b->gameKey);
            e.player = b->player;
            events.push_back(e);
        }
    } else if (k == SDLK_F5 || k == SDLK_F6) {
        // Sound and panels also on keys of their own: in a game of two, S and D are player 2's.
        events.push_back(vexlot::key(T::Char, k == SDLK_F5 ? CharCode::LetterS : CharCode::LetterD));
    } else {
        if (int code = virtualKey(k)) events.push_back(vexlot::key(T::KeyDown, code));
        if (k == SDLK_ESCAPE) events.push_back(vexlot::key(T::Char, CharCode::Escape));
    }
}

// The player's key bound to keyboard key k; player 2's only in a game of two.
const KeyBinding* Window::boundKey(SDL_Keycode k) const {
    const auto it = keys_.find(k);
    if (it == keys_.end() || (it->second.player == 1 && !twoPlayers())) return nullptr;
    return &it->second;
}

// The keys file of the user's, when there is one; a damaged one is said in one line and left unused.
void Window::loadKeys() {
    std::vector<KeyBinding> bindings = defaultKeys();
    const std::string path = keysFilePath();
    std::error_code ec;
    if (!path.empty() && fs::exists(path, ec)) {
        try {
            std::string problem;
            bindings = readKeys(readInputFile(path, 64 << 10), path,
                                [](const std::string& name) { return SDL_GetKeyFromName(name.c_str()) != SDLK_UNKNOWN; },
                                problem);
            if (!problem.empty()) std::fprintf(stderr, "vexlot: %s\n", problem.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vexlot: %s; using the default keys\n", e.what());
        }
    }
    keys_.clear();
    for (const KeyBinding& b : bindings) keys_[SDL_GetKeyFromName(b.key.c_str())] = b;
}

void Window::collect(std::vector<InputEvent>& events, Controls& c) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT: c.quit = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) fitPicture(textureWidth_);
            break;
        case SDL_KEYDOWN: keyDown(e.key, events, c); break;
        case SDL_KEYUP: {
            const SDL_Keycode k = e.key.keysym.sym;
            if (k == SDLK_r) restartHeldSince_ = 0;
            if (replaying()) break;
            if (const KeyBinding* b = boundKey(k)) {
                if (b->gameKey == kNextWeaponKey) break;
                InputEvent up = key(T::KeyUp, b->gameKey);
                up.player = b->player;
                events.push_back(up);
            } else if (int code = virtualKey(k)) {
                events.push_back(key(T::KeyUp, code));
            }
            break;
        }
        case SDL_TEXTINPUT:
            if (!replaying())
                for (const char* ch = e.text.text; *ch; ++ch) {
                    const unsigned char u = static_cast<unsigned char>(*ch);
                    const bool frontEnd = u == 'p' || u == 'P' || u == '-' || u == '+' || u == '=' || u == 'r' || u == 'R';
                    // A character typed on a player's key is that key's, not the game's character.
                    const bool bound = u < 128 && boundKey(static_cast<SDL_Keycode>(u >= 'A' && u <= 'Z' ? u | 0x20 : u));
                    if (u < 128 && !frontEnd && !bound) events.push_back(key(T::Char, u));
                }
            break;
        case SDL_MOUSEBUTTONDOWN: {
            float gx = 0, gy = 0;
            if (!replaying() && viewport_.toGame(e.button.x, e.button.y, gx, gy) && gx < kClientWidthPx) {
                InputEvent press = key(T::WindowPress, 0);
                press.x = gx;
                press.y = gy;
                events.push_back(press);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
            for (Gamepad& pad : pads_)
                if (!pad.isOpen()) {
                    pad.open(e.cdevice.which);
                    break;
                }
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            for (Gamepad& pad : pads_) pad.closeIfRemoved(e.cdevice.which);
            break;
        default: break;
        }
    }
    if (gStopAsked) c.quit = true;
    if (restartHeldSince_ && SDL_GetTicks() - restartHeldSince_ >= 1000) {
        c.newGame = true;
        restartHeldSince_ = 0;
    }
    if (replaying()) return;
    // The first pad plays player 1; in a game of two the second pad plays player 2.
    const Game& g = session_->game();
    pads_[0].poll(events, 0, g.guyTable[0].weapon);
    pads_[1].poll(events, twoPlayers() ? 1 : 0, g.guyTable[twoPlayers() ? 1 : 0].weapon);
}

// The player's guy has fallen: in a game of one guy 0, in a game of two the round is decided.
bool Window::playerDown() const {
    if (!session_ || replaying()) return false;
    if (twoPlayers()) return match_.last != RoundResult::Playing;
    return session_->game().guyTable[0].state == GuyState::Dead;
}

void Window::drawOverlay(double simMs, double composeMs) {
    const Game& g = session_->game();
    char lines[3][96];
    std::snprintf(lines[0], sizeof lines[0], "%d fps  sim %.2f ms  compose %.2f ms  present %.2f ms", fps_, simMs,
                  composeMs, presentMs_);
    std::snprintf(lines[1], sizeof lines[1], "rocks %d/%d  blasts %d/%d  shrapnel %d/%d", g.rockCount, kMaxRocks,
                  g.blastCount, kMaxBlasts, g.shrapnelCount, kMaxShrapnel);
    std::snprintf(lines[2], sizeof lines[2], "rockets %d/%d  guys %d/%d  frame %d", g.rocketCount, kMaxRockets,
                  g.lastGuy + 1, kControlGuys + 1, g.frame);
    shown_.fill(400, 24, 392, 40, 0xC0000000u);
    for (int i = 0; i < 3; ++i) shown_.text(404, 27 + 12 * i, lines[i], 0xFF80FF80u);
}

// What the window shows over the game's own picture: pause, replay help, messages, the score and the
// death overlay.
void Window::decorate(double simMs, double composeMs) {
    const int centre = shown_.width / 2;
    if (paused_) shown_.text(centre - 54, 90, "Paused", 0xFFFFFFFFu, 3);
    if (replaying())
        shown_.text(8, kClientHeightPx - 12, "Replay: P pause, N step, Up/Down speed, Esc quit", 0xFF808080u);
    if (!SDL_TICKS_PASSED(SDL_GetTicks(), messageUntil_) && !message_.empty())
        shown_.text(8, 40, message_, 0xFFFFFF80u);
    if (twoPlayers()) {
        const std::string score = "Round " + std::to_string(match_.round) + "   Player 1  " +
                                  std::to_string(match_.kills[0]) + " : " + std::to_string(match_.kills[1]) +
                                  "  Player 2";
        shown_.fill(centre - 120, kClientHeightPx - 18, 240, 14, 0xC0000000u);
        shown_.text(centre - 114, kClientHeightPx - 15, score, 0xFFFFFFFFu);
    }
    if (playerDown()) {
        std::string title = "You are dead";
        if (twoPlayers())
            title = match_.last == RoundResult::Draw         ? "Both fall: a draw"
                    : match_.last == RoundResult::FirstWins ? "Player 1 wins the round"
                                                            : "Player 2 wins the round";
        shown_.fill(centre - 200, 200, 400, 90, 0xC0000000u);
        shown_.text(centre - 6 * static_cast<int>(title.size()), 215, title, 0xFFFF6060u, 2);
        shown_.text(centre - 96, 255, twoPlayers() ? "R: next round    Esc: quit" : "R: new game    Esc: quit",
                    0xFFFFFFFFu);
    }
    if (overlay_) drawOverlay(simMs, composeMs);
}

void Window::present(const FrameBuffer& picture) {
    const uint32_t t = SDL_GetTicks();
    if (picture.width != textureWidth_) fitPicture(picture.width);
    SDL_UpdateTexture(texture_, nullptr, picture.argb.data(), picture.width * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect dst{viewport_.x, viewport_.y, viewport_.width, viewport_.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
    SDL_RenderPresent(renderer_);
    presentMs_ = SDL_GetTicks() - t;
    ++fpsFrames_;
    if (SDL_GetTicks() - fpsStart_ >= 1000) {
        fps_ = fpsFrames_;
        fpsFrames_ = 0;
        fpsStart_ = SDL_GetTicks();
    }
}

// F12: a new PNG in the data folder's screenshots, never over an older one.
void Window::saveScreenshot() {
    try {
        if (!dataFolder_) throw std::runtime_error("there is no data folder to keep it in");
        const std::string folder = *dataFolder_ + "/screenshots";
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create " + folder + ": " + std::strerror(errno));
        NewFile file = createUnique(folder, "vexlot", "png");
        writeNewFile(file, encodePng(fb_.argb.data(), fb_.width, fb_.height));
        std::printf("screenshot saved: %s\n", file.path.c_str());
        std::fflush(stdout);
        say("Saved " + file.path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: screenshot not saved: %s\n", e.what());
        say(std::string("Screenshot not saved: ") + e.what(), 4000);
    }
}

// A new game (or the replay) from its start-up, and its recording.
bool Window::startGame(uint64_t seed, Script replay) {
    session_ = std::make_unique<Session>(seed, level_, mixer_.get(), replaying() ? replay.players : options_.players);
    try {
        session_->play(std::move(replay));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s: %s\n", options_.replayPath.c_str(), e.what());
        return false;
    }
    if (!replaying()) {
        recording_ = Recording();
        recording_.open(options_.recordPath, dataFolder_);
        if (recording_.active()) session_->record(recording_);
    }
    match_.last = RoundResult::Playing;
    paused_ = false;
    return true;
}

// Ends the game in play: its recording gets its end line and, when it is the data folder's, becomes
// the latest replay.
void Window::endGame() {
    if (!session_) return;
    session_->finish();
    if (!replaying()) recording_.finish();
}

// One shown frame: input, the game's frames, composition, presentation. False when the window closes.
bool Window::frame(Controls& c) {
    static constexpr int kStepsPerShow[] = {1, 1, 2, 4, 8};  // replay speeds x1/2 .. x8
    static constexpr uint32_t kPeriods[] = {32, 16, 16, 16, 16};
    static constexpr const char* kSpeedNames[] = {"1/2", "1", "2", "4", "8"};
    std::vector<InputEvent> events;
    if (probe_) probe_->beforeFrame(++shownFrames_);
    collect(events, c);
    if (c.quit) return false;
    if (c.toggleFullscreen) {
        const bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (c.toggleOverlay) overlay_ = !overlay_;
    if (c.volumeChange) {
        mixer_->setVolume(mixer_->volume() + c.volumeChange);
        say("Volume " + std::to_string(mixer_->volume()), 1000);
    }
    if (c.togglePause) {
        paused_ = !paused_;
        if (!paused_) pacer_->restart();
    }
    if (c.speedChange) {
        speed_ = std::clamp(speed_ + c.speedChange, 0, 4);
        say(std::string("Replay x") + kSpeedNames[speed_], 1000);
        pacer_->setPeriod(kPeriods[speed_]);
    }
    if (c.newGame) {
        endGame();
        if (twoPlayers()) match_.nextRound();
        if (!startGame(clockSeed(), Script())) return false;
        say(twoPlayers() ? "Round " + std::to_string(match_.round) : "New game", 1500);
    }
    // Escape or closing the window ends the game even while paused.
    for (const InputEvent& e : events)
        if ((e.type == T::Char && e.code == CharCode::Escape) || e.type == T::Close) paused_ = false;
    pending_.insert(pending_.end(), events.begin(), events.end());

    double simMs = 0, composeMs = 0;
    if (!paused_ || (replaying() && c.step)) {
        const int steps = replaying() && !paused_ ? kStepsPerShow[speed_] : 1;
        bool going = true;
        const uint64_t t0 = SDL_GetPerformanceCounter();
        for (int k = 0; k < steps && going && !(replaying() && session_->scriptDone()); ++k) {
            going = session_->step(pending_);
            pending_.clear();
            if (twoPlayers()) match_.update(session_->game());
            if (probe_) probe_->afterFrame(session_->game());
        }
        simMs = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
        if (!going) return false;
        if (replaying() && session_->scriptDone() && !paused_) {
            paused_ = true;
            say("End of the replay", 100000);
        }
        const uint64_t t1 = SDL_GetPerformanceCounter();
        composeWindow(session_->game(), fb_, session_->secondViewLeft());
        composeMs = 1000.0 * (SDL_GetPerformanceCounter() - t1) / SDL_GetPerformanceFrequency();
    }
    if (const std::string failure = recording_.takeFailure(); !failure.empty()) {
        std::fprintf(stderr, "vexlot: %s; the game goes on\n", failure.c_str());
        say(failure, 6000);
    }
    if (c.screenshot) saveScreenshot();
    const bool decorated = paused_ || replaying() || overlay_ || twoPlayers() || playerDown() ||
                           !SDL_TICKS_PASSED(SDL_GetTicks(), messageUntil_);
    if (decorated) {
        shown_ = fb_;
        decorate(simMs, composeMs);
    }
    present(decorated ? shown_ : fb_);
    pacer_->wait();
    return true;
}

int Window::run() {
    Script replay;
    uint64_t seed = options_.seed;
    try {
        checkOutputs({{"--screenshot", options_.screenshotPath}, {"--record", options_.recordPath}},
                     {{"--replay", options_.replayPath}, {"--level", options_.levelPath}});
        if (!options_.levelPath.empty()) level_ = levelFromFile(options_.levelPath);
        if (replaying()) {
            replay = parseScript(readInputFile(options_.replayPath, kScriptLimit));
            if (!replay.isReplay) throw std::runtime_error(options_.replayPath + " is not a replay (no header line)");
            seed = replay.seed;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return 2;
    }
    std::string why;
    dataFolder_ = dataFolder(why);
    if (!dataFolder_) std::fprintf(stderr, "vexlot: screenshots and the data folder's recordings are off: %s\n", why.c_str());
    loadKeys();
    std::signal(SIGTERM, askToStop);
    std::signal(SIGINT, askToStop);

    mixer_ = std::make_unique<MixerSound>(options_.volume);
    pacer_ = std::make_unique<FramePacer>(ticks_);
    if (!startGame(seed, std::move(replay))) return 2;
    fpsStart_ = SDL_GetTicks();
    for (Controls c; frame(c); c = Controls{}) {
    }
    endGame();
    if (!options_.screenshotPath.empty()) {
        try {
            writePng(options_.screenshotPath, fb_.argb.data(), fb_.width, fb_.height);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vexlot: %s\n", e.what());
            return 2;
        }
    }
    return 0;
}

}  // namespace

int runWindow(const RunOptions& options, WindowProbe* probe) {
    Window window(options, probe);
    if (!window.open()) return 1;
    return window.run();
}

}  // namespace vexlot
