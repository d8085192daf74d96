// The window front-end's parts: one class shared by its two files (sdl_frontend.cpp: start-up,
// games, frames and the picture; window_input.cpp: keys, text, mouse, pads and the help panel).
#pragma once
#include <SDL2/SDL.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/enet_link.h"
#include "net/handshake.h"
#include "net/net_runner.h"
#include "net/rollback.h"
#include "platform/gamepad.h"
#include "platform/headless.h"
#include "platform/keys.h"
#include "platform/mixer.h"
#include "platform/pacer.h"
#include "platform/sdl_frontend.h"
#include "platform/settings.h"
#include "session/files.h"
#include "session/match.h"
#include "session/session.h"
#include "view/compose.h"
#include "view/overlay.h"
#include "view/scale.h"
#include "view/viewport.h"

namespace vexlot::frontend {

using T = InputEvent::Type;

struct SdlTicks : TickSource {
    uint32_t now() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
};

inline InputEvent key(T type, int code, int player = 0) {
    InputEvent e;
    e.type = type;
    e.code = code;
    e.player = player;
    return e;
}

inline constexpr uint32_t kRestartHoldMs = 1000;  // R held this long restarts a game the player is still alive in
inline constexpr uint32_t kFlashMs = 350;         // the red edges after a hit

// One game's recording: a new file of its own in the data folder (or the file --record names).
// A failed write is said once, on the standard error and on screen, and the game goes on.
class Recording : public LineOutput {
public:
    void open(const std::string& recordPath, const std::optional<std::string>& folder);
    bool active() const { return file_.ok(); }
    const std::string& path() const { return file_.path(); }
    void writeLine(const std::string& line) override;
    // The failure to say, once.
    std::string takeFailure();
    // Closes the file of a game that has ended; in the data folder it becomes latest.replay.
    void finish();

private:
    LineFile file_;
    std::optional<std::string> folder_;
    std::string failure_;
    bool failureSaid_ = false;
};

// One window for the whole run: it plays one game after another (R), each a Session of its own,
// or one replay, or one network game (its Netplay runs the session); run() is the loop: gather
// input, step the game, compose, present, wait.
class Window {
public:
    Window(const RunOptions& options, LoadedSettings loaded, WindowProbe* probe, const net::NetRunOptions* network);
    ~Window();
    // The files the games need, read and checked before the window opens: false ends the run.
    bool readGameFiles();
    bool open();
    int run();

private:
    // Start-up and new games.
    bool connect();
    bool showWhileConnecting(const std::string& title, const std::string& detail);
    bool startGame(uint64_t seed);
    void endGame();
    // One shown frame: input, the game's frames, the picture.
    void collect(std::vector<InputEvent>& events);
    void onKeyDown(const SDL_KeyboardEvent& k, std::vector<InputEvent>& events);
    void onKeyUp(const SDL_KeyboardEvent& k, std::vector<InputEvent>& events);
    void holdForNewGame(bool r);
    static bool isEnter(SDL_Keycode k) { return k == SDLK_RETURN || k == SDLK_KP_ENTER; }
    // Enter as the second player's half of a new round (unless the settings gave it to a game key).
    bool isAgreeKey(SDL_Keycode k) const { return isEnter(k) && twoPlayers() && !bindings_.action(k, true); }
    void onHelpKey(SDL_Keycode k);
    void onText(const char* text, std::vector<InputEvent>& events);
    void pollPads(std::vector<InputEvent>& events);
    bool advance(std::vector<InputEvent>& events);
    bool advanceNetwork(std::vector<InputEvent>& events);
    void sayRecordingFailure();
    void watchGame();
    void show();
    void present(const FrameBuffer& picture);
    // Window, settings and feedback.
    void fitToWindow();
    void keepOnScreen();
    void toggleFullscreen();
    void openHelp(bool open);
    void buildHelp();
    void saveSettings();
    void saveScreenshot();
    // A message at the bottom for `ms`; a held one (a failure) is not replaced by the ordinary
    // messages that follow it until it has been up that long.
    void say(const std::string& text, uint32_t ms = 2000, bool held = false) {
        const uint32_t now = SDL_GetTicks();
        if (!held && !SDL_TICKS_PASSED(now, heldUntil_)) return;
        message_ = text;
        messageUntil_ = now + ms;
        if (held) heldUntil_ = messageUntil_;
    }
    bool replaying() const { return !options_.replayPath.empty(); }
    // Two players at this machine's keyboard and pads.
    bool twoPlayers() const { return session_ && session_->players() == 2; }
    bool networked() const { return network_ != nullptr; }
    // The player whose view the window shows: guy 1's for the joiner of a network game.
    int viewedPlayer() const { return networked() && !network_->host ? 1 : 0; }
    const Game& game() const { return netplay_ ? netplay_->game() : session_->game(); }
    bool playerDown() const;
    int pictureWidth() const { return players_ == 2 && !networked() ? 2 * kClientWidthPx : kClientWidthPx; }

    const RunOptions& options_;
    WindowProbe* probe_;
    std::optional<std::filesystem::path> settingsPath_;
    Settings saved_, settings_;  // as in the file, and as this run uses them (the command line wins)
    bool firstStart_ = false;
    Bindings bindings_;

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;   // the picture, one texel per game pixel
    int textureW_ = 0, textureH_ = 0;
    SDL_Texture* enlarged_ = nullptr;  // fill mode: the picture enlarged to the window, one texel per pixel
    int enlargedW_ = 0, enlargedH_ = 0;
    SharpScaler sharp_;
    std::vector<uint32_t> enlargedPixels_;
    bool placed_ = false;  // the window manager's frame has been seen and the window kept on the screen
    Viewport viewport_;
    FrameBuffer fb_, shown_;
    std::array<Gamepad, 2> pads_;
    std::unique_ptr<MixerSound> mixer_;

    Script replay_;
    int players_ = 1;
    TwoPlayerRules rules_;  // a game of two: the versus rules, a duel from --duel or the settings
    Level level_;
    std::optional<std::string> dataFolder_;
    std::unique_ptr<Session> session_;
    // A network game: the link to the other peer and the rollback play that runs the game.
    const net::NetRunOptions* network_;
    std::unique_ptr<net::PeerLink> link_;
    net::Agreement agreement_;
    std::unique_ptr<net::Netplay> netplay_;
    bool netOver_ = false;
    Recording recording_;
    Match match_;
    Backdrop backdrop_;
    std::vector<InputEvent> pending_;

    SdlTicks ticks_;
    FramePacer pacer_{ticks_};
    bool quit_ = false, paused_ = false, pausedBeforeHelp_ = false, helpOpen_ = false, stats_ = false;
    bool stepOnce_ = false, newGame_ = false;
    int speed_ = 1;
    int shownFrames_ = 0;
    HelpPanel help_;
    std::vector<int> helpActions_;  // the help panel's bindable rows: indices into keyActions()
    std::string message_, hint_;
    uint32_t messageUntil_ = 0, heldUntil_ = 0, hintUntil_ = 0, rHeldSince_ = 0;
    bool rDown_ = false, enterDown_ = false;  // R and Enter held (a game of two's new round needs both)
    std::array<uint32_t, 2> flashUntil_{};  // each player's view
    std::array<int, 2> lastLife_{};
    int lastSound_ = 0;
    double simMs_ = 0, composeMs_ = 0, presentMs_ = 0;
    uint32_t fpsStart_ = 0;
    int fpsFrames_ = 0, fps_ = 0;
};

}  // namespace vexlot::frontend
