#include "platform/sdl_frontend.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "view/compose.h"
#include "platform/pacer.h"
#include "session/session.h"
#include "view/viewport.h"

#ifndef VEXLOT_DATA_DIR
#define VEXLOT_DATA_DIR "/usr/local/share/vexlot"
#endif

namespace vexlot {

namespace fs = std::filesystem;

namespace {

struct SdlTicks : TickSource {
    uint32_t now() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
};

// The user's data folder for replays and screenshots (XDG), created on demand.
fs::path dataDir() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "share";
    else base = fs::temp_directory_path();
    fs::path dir = base / "vexlot";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

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

// A game controller drives guy 0 through the same key codes as the keyboard.
class Gamepad {
public:
    ~Gamepad() { close(); }
    void open(int index) {
        if (!pad_ && SDL_IsGameController(index)) pad_ = SDL_GameControllerOpen(index);
    }
    void closeIfRemoved(SDL_JoystickID id) {
        if (pad_ && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad_)) == id) close();
    }
    // Key-down and key-up events for every change of the pad since the last call.
    void poll(std::vector<InputEvent>& out, int currentWeapon) {
        std::array<bool, kKeys> now{};
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
        static constexpr int codes[kKeys] = {VirtualKey::Left,  VirtualKey::Right,  VirtualKey::Down,
                                             VirtualKey::Up,    VirtualKey::Alt,    VirtualKey::Comma,
                                             VirtualKey::Period, VirtualKey::Slash, 0};
        for (int k = 0; k < kKeys; ++k) {
            if (now[k] == held_[k]) continue;
            if (k == 8) {  // B: next weapon, 1..10 round
                if (now[k]) out.push_back(key(T::Char, CharCode::Digit0 + currentWeapon % 10 + 1));
            } else {
                out.push_back(key(now[k] ? T::KeyDown : T::KeyUp, codes[k]));
            }
        }
        held_ = now;
    }

private:
    static constexpr int kKeys = 9;
    static constexpr int kDeadZone = 16000;
    void close() {
        if (pad_) SDL_GameControllerClose(pad_);
        pad_ = nullptr;
    }
    SDL_GameController* pad_ = nullptr;
    std::array<bool, kKeys> held_{};
};

// What a window press, a key or a button on the frame asks of the front-end itself.
struct Controls {
    bool quit = false;
    bool togglePause = false;
    bool step = false;       // replay: one frame while paused
    int speedChange = 0;     // replay: slower / faster
    bool toggleFullscreen = false;
    bool screenshot = false;
    bool toggleOverlay = false;
    int volumeChange = 0;
};

class Window {
public:
    Window(const RunOptions& options) : options_(options) {}
    ~Window();
    bool open();
    int run();

private:
    void collect(std::vector<InputEvent>& events, Controls& c);
    void present(const FrameBuffer& picture);
    void drawOverlay(double simMs, double composeMs);
    void say(const std::string& text, uint32_t ms = 2000) {
        message_ = text;
        messageUntil_ = SDL_GetTicks() + ms;
    }
    void saveScreenshot();
    bool replaying() const { return !options_.replayPath.empty(); }

    const RunOptions& options_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Viewport viewport_;
    FrameBuffer fb_, shown_;
    Gamepad pad_;
    std::unique_ptr<Session> session_;
    std::string message_;
    uint32_t messageUntil_ = 0;
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
    SDL_Rect usable{0, 0, kClientWidthPx, kClientHeightPx};
    SDL_GetDisplayUsableBounds(0, &usable);
    const int scale = initialScale(options_.scale, usable.w, usable.h);
    window_ = SDL_CreateWindow("Vexlot", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kClientWidthPx * scale,
                               kClientHeightPx * scale, SDL_WINDOW_RESIZABLE);
    renderer_ = window_ ? SDL_CreateRenderer(window_, -1, 0) : nullptr;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // nearest neighbour: sharp pixels
    texture_ = renderer_ ? SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                             kClientWidthPx, kClientHeightPx)
                         : nullptr;
    if (!texture_) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    viewport_ = fitViewport(w, h);
    SDL_StartTextInput();
    return true;
}

void Window::collect(std::vector<InputEvent>& events, Controls& c) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT: c.quit = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                int w = 0, h = 0;
                SDL_GetRendererOutputSize(renderer_, &w, &h);
                viewport_ = fitViewport(w, h);
            }
            break;
        case SDL_KEYDOWN: {
            const SDL_Keycode k = e.key.keysym.sym;
            if (k == SDLK_F11) c.toggleFullscreen = !e.key.repeat;
            else if (k == SDLK_F12) c.screenshot = !e.key.repeat;
            else if (k == SDLK_F3) c.toggleOverlay = !e.key.repeat;
            else if (k == SDLK_PAUSE || k == SDLK_p) c.togglePause = !e.key.repeat;
            else if (k == SDLK_MINUS || k == SDLK_KP_MINUS) c.volumeChange -= 10;
            else if (k == SDLK_PLUS || k == SDLK_EQUALS || k == SDLK_KP_PLUS) c.volumeChange += 10;
            else if (replaying()) {
                if (k == SDLK_ESCAPE) c.quit = true;
                else if (k == SDLK_n || k == SDLK_RIGHT) c.step = true;
                else if (k == SDLK_UP) c.speedChange += 1;
                else if (k == SDLK_DOWN) c.speedChange -= 1;
            } else {
                if (int code = virtualKey(k)) events.push_back(key(T::KeyDown, code));
                if (k == SDLK_ESCAPE) events.push_back(key(T::Char, CharCode::Escape));
            }
            break;
        }
        case SDL_KEYUP:
            if (!replaying())
                if (int code = virtualKey(e.key.keysym.sym)) events.push_back(key(T::KeyUp, code));
            break;
        case SDL_TEXTINPUT:
            if (!replaying())
                for (const char* ch = e.text.text; *ch; ++ch) {
                    const unsigned char u = static_cast<unsigned char>(*ch);
                    if (u < 128 && u != 'p' && u != 'P' && u != '-' && u != '+' && u != '=')
                        events.push_back(key(T::Char, u));
                }
            break;
        case SDL_MOUSEBUTTONDOWN: {
            float gx = 0, gy = 0;
            if (!replaying() && viewport_.toGame(e.button.x, e.button.y, gx, gy)) {
                InputEvent press = key(T::WindowPress, 0);
                press.x = gx;
                press.y = gy;
                events.push_back(press);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED: pad_.open(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: pad_.closeIfRemoved(e.cdevice.which); break;
        default: break;
        }
    }
    if (!replaying()) pad_.poll(events, session_->game().guyTable[0].weapon);
}

void Window::drawOverlay(double simMs, double composeMs) {
    char lines[3][96];
    std::snprintf(lines[0], sizeof lines[0], "%d fps  sim %.2f ms  compose %.2f ms  present %.2f ms", fps_, simMs,
                  composeMs, presentMs_);
    std::snprintf(lines[1], sizeof lines[1], "rocks %d/%d  blasts %d/%d  shrapnel %d/%d", session_->game().rockCount, kMaxRocks,
                  session_->game().blastCount, kMaxBlasts, session_->game().shrapnelCount, kMaxShrapnel);
    std::snprintf(lines[2], sizeof lines[2], "rockets %d/%d  guys %d/%d  frame %d", session_->game().rocketCount, kMaxRockets,
                  session_->game().lastGuy + 1, kControlGuys + 1, session_->game().frame);
    shown_.fill(400, 24, 392, 40, 0xC0000000u);
    for (int i = 0; i < 3; ++i) shown_.text(404, 27 + 12 * i, lines[i], 0xFF80FF80u);
}

void Window::present(const FrameBuffer& picture) {
    const uint32_t t = SDL_GetTicks();
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

void Window::saveScreenshot() {
    const fs::path dir = dataDir() / "screenshots";
    std::error_code ec;
    fs::create_directories(dir, ec);
    char name[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(name, sizeof name, "vexlot-%Y%m%d-%H%M%S.png", std::localtime(&now));
    const std::string path = (dir / name).string();
    if (writePng(path, fb_.argb.data(), fb_.width, fb_.height)) {
        std::printf("screenshot saved: %s\n", path.c_str());
        std::fflush(stdout);
        say("Saved " + path);
    } else {
        say("Could not save a screenshot in " + dir.string());
    }
}

// The replay or a new recording, read and opened before the window's game starts.
struct GameFiles {
    Script replay;
    Level level;
    uint64_t seed = 0;
};

int Window::run() {
    GameFiles files;
    files.seed = options_.seed;
    try {
        if (!options_.levelPath.empty()) files.level = levelFromFile(options_.levelPath);
        if (replaying()) {
            std::ifstream in(options_.replayPath, std::ios::binary);
            if (!in) throw std::runtime_error("cannot read " + options_.replayPath);
            std::stringstream ss;
            ss << in.rdbuf();
            files.replay = parseScript(ss.str());
            if (!files.replay.isReplay) throw std::runtime_error(options_.replayPath + " is not a replay (no header line)");
            files.seed = files.replay.seed;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return 2;
    }

    MixerSound mixer(options_.volume);
    session_ = std::make_unique<Session>(files.seed, std::move(files.level), &mixer);
    try {
        session_->play(std::move(files.replay));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s: %s\n", options_.replayPath.c_str(), e.what());
        return 2;
    }
    std::ofstream recordFile;
    std::optional<StreamLineOutput> recordOut;
    if (!replaying()) {
        const fs::path path = options_.recordPath.empty() ? dataDir() / "latest.replay" : fs::path(options_.recordPath);
        recordFile.open(path, std::ios::binary | std::ios::trunc);
        if (recordFile) session_->record(recordOut.emplace(recordFile));
        else std::fprintf(stderr, "vexlot: cannot record the replay in %s; playing without it\n", path.string().c_str());
    }

    // Replay speeds x1/2, x1, x2, x4, x8: frames run per shown frame, and the period of a shown frame.
    static constexpr int kStepsPerShow[] = {1, 1, 2, 4, 8};
    static constexpr uint32_t kPeriods[] = {32, 16, 16, 16, 16};
    static constexpr const char* kSpeedNames[] = {"1/2", "1", "2", "4", "8"};
    int speed = 1;
    bool paused = false;
    SdlTicks ticks;
    FramePacer pacer(ticks);
    std::vector<InputEvent> events, pending;
    Controls c;
    fpsStart_ = SDL_GetTicks();
    for (;;) {
        c = Controls{};
        events.clear();
        collect(events, c);
        if (c.quit) break;
        if (c.toggleFullscreen) {
            const bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP;
            SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        if (c.toggleOverlay) overlay_ = !overlay_;
        if (c.volumeChange) {
            mixer.setVolume(mixer.volume() + c.volumeChange);
            say("Volume " + std::to_string(mixer.volume()), 1000);
        }
        if (c.togglePause) {
            paused = !paused;
            if (!paused) pacer.restart();
        }
        if (c.speedChange) {
            speed = std::clamp(speed + c.speedChange, 0, 4);
            say(std::string("Replay x") + kSpeedNames[speed], 1000);
            pacer.setPeriod(kPeriods[speed]);
        }
        // Escape or closing the window ends the game even while paused.
        for (const InputEvent& e : events)
            if ((e.type == T::Char && e.code == CharCode::Escape) || e.type == T::Close) paused = false;
        pending.insert(pending.end(), events.begin(), events.end());

        double simMs = 0, composeMs = 0;
        const bool runOne = !paused || (replaying() && c.step);
        if (runOne) {
            const int steps = replaying() && !paused ? kStepsPerShow[speed] : 1;
            bool going = true;
            const uint64_t t0 = SDL_GetPerformanceCounter();
            for (int k = 0; k < steps && going && !(replaying() && session_->scriptDone()); ++k) {
                going = session_->step(pending);
                pending.clear();
            }
            simMs = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
            if (!going) break;
            if (replaying() && session_->scriptDone() && !paused) {
                paused = true;
                say("End of the replay", 100000);
            }
            const uint64_t t1 = SDL_GetPerformanceCounter();
            composeWindow(session_->game(), fb_);
            composeMs = 1000.0 * (SDL_GetPerformanceCounter() - t1) / SDL_GetPerformanceFrequency();
        }
        if (c.screenshot) saveScreenshot();
        const bool decorated = paused || replaying() || overlay_ || !SDL_TICKS_PASSED(SDL_GetTicks(), messageUntil_);
        if (!decorated) {
            present(fb_);
            pacer.wait();
            continue;
        }
        shown_ = fb_;
        if (paused) shown_.text(kClientWidthPx / 2 - 54, 90, "Paused", 0xFFFFFFFFu, 3);
        if (replaying()) shown_.text(8, kClientHeightPx - 12, "Replay: P pause, N step, Up/Down speed, Esc quit",
                                     0xFF808080u);
        if (!SDL_TICKS_PASSED(SDL_GetTicks(), messageUntil_) && !message_.empty())
            shown_.text(8, 40, message_, 0xFFFFFF80u);
        if (overlay_) drawOverlay(simMs, composeMs);
        present(shown_);
        pacer.wait();
    }
    session_->finish();
    if (!options_.screenshotPath.empty()) writePng(options_.screenshotPath, fb_.argb.data(), fb_.width, fb_.height);
    return 0;
}

}  // namespace

int runWindow(const RunOptions& options) {
    Window window(options);
    if (!window.open()) return 1;
    return window.run();
}

}  // namespace vexlot
