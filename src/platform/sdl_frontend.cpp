// The window: gathers SDL input, hands the frame's events to the session, composes the picture in
// software (src/view) and presents it scaled to the window. Settings stay in platform/settings.
#include "platform/sdl_frontend.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/window.h"

namespace vexlot {

namespace frontend {

namespace {

// SIGTERM, SIGINT or SIGHUP asks the window to end the game as closing it does: the recording gets its end.
volatile std::sig_atomic_t gStopAsked = 0;
extern "C" void askToStop(int) { gStopAsked = 1; }

}  // namespace

// --- Recording ---------------------------------------------------------------------------------

void Recording::open(const std::string& recordPath, const std::optional<std::string>& folder) {
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

void Recording::writeLine(const std::string& line) {
    file_.writeLine(line);
    if (!file_.ok() && failure_.empty()) failure_ = file_.error();
}

std::string Recording::takeFailure() {
    std::string f;
    if (!failureSaid_) f = failure_;
    failureSaid_ = failureSaid_ || !f.empty();
    return f;
}

void Recording::finish() {
    const std::string path = file_.path();
    const bool ok = file_.close();
    std::string why;
    if (ok && folder_ && !path.empty() && !publishLatest(*folder_, path, why))
        std::fprintf(stderr, "vexlot: %s\n", why.c_str());
}

// --- The window --------------------------------------------------------------------------------

Window::Window(const RunOptions& options, LoadedSettings loaded, WindowProbe* probe,
               const net::NetRunOptions* network)
    : options_(options), probe_(probe), settingsPath_(settingsPath()), saved_(loaded.settings),
      settings_(loaded.settings), firstStart_(!loaded.existed), bindings_(loaded.settings),
      players_(network ? 2 : options.duel ? 2 : options.players), network_(network) {
    rules_.duel = !network && (options.duel || loaded.settings.duel);
    if (options.scale > 0) settings_.scale = options.scale;
    if (options.volumeGiven) settings_.volume = options.volume;
    if (options.fill) settings_.fill = true;
    if (!options.look.empty()) settings_.backdrop = options.look == "backdrop";
}

Window::~Window() {
    if (enlarged_) SDL_DestroyTexture(enlarged_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    session_.reset();
    netplay_.reset();
    link_.reset();
    mixer_.reset();
    SDL_Quit();
}

bool Window::open() {
    const bool video = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER) == 0;
    const char* driver = video ? SDL_GetCurrentVideoDriver() : nullptr;
    const std::string name = driver ? driver : "";
    // Without a desktop SDL may fall back to a driver that shows nothing, and the game would run
    // unseen; such a driver is used only when asked for by name (as tests do).
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const bool unseen = (name == "offscreen" || name == "dummy" || name == "evdev") && !(asked && name == asked);
    if (!video || unseen || SDL_GetNumVideoDisplays() < 1) {
        std::fprintf(stderr, "vexlot: no usable display (%s); the window needs an X11 or Wayland desktop. "
                             "--headless runs without one.\n",
                     video ? ("video driver " + name).c_str() : SDL_GetError());
        return false;
    }
    const int picW = pictureWidth(), picH = kClientHeightPx;
    SDL_Rect usable{0, 0, picW, picH};
    SDL_GetDisplayUsableBounds(0, &usable);
    // Until the window is shown its frame is unknown: leave room for a usual title bar.
    constexpr int kFrameW = 8, kFrameH = 40;
    const int scale = initialScale(settings_.scale, usable.w, usable.h, picW, picH, kFrameW, kFrameH);
    if (settings_.scale > scale)
        std::fprintf(stderr, "vexlot: scale %d does not fit the %d x %d screen; using %d\n", settings_.scale, usable.w,
                     usable.h, scale);
    int w = picW * scale, h = picH * scale;
    // Fill mode: the largest window of the picture's shape that fits, unless a scale was asked. A
    // picture wider than the screen (two views on a small one) starts shrunk to fit.
    const Viewport filled = fitViewport(usable.w - kFrameW, usable.h - kFrameH, picW, picH, FitMode::Fill);
    const bool tooBig = w > filled.width || h > filled.height;
    if (tooBig || (settings_.fill && settings_.scale == 0 && filled.width > w)) {
        w = filled.width;
        h = filled.height;
    }
    // Whole steps that leave the screen mostly unused: the first start's hint says how to fill it.
    hint_ = !settings_.fill && filled.width * 4 >= w * 5 ? "F1: help   F8: bigger picture" : "F1: help";
    int x = 0, y = 0;
    placeWindow(usable.x, usable.y, usable.w, usable.h, w + kFrameW, h + kFrameH, x, y);
    window_ = SDL_CreateWindow("Vexlot", x + kFrameW / 2, y + kFrameH - kFrameW / 2, w, h, SDL_WINDOW_RESIZABLE);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // nearest neighbour: sharp pixels
    renderer_ = window_ ? SDL_CreateRenderer(window_, -1, 0) : nullptr;
    if (!renderer_) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    // The smallest window still shows the whole picture, gauges included, at its own size (or as
    // large as the screen allows).
    SDL_SetWindowMinimumSize(window_, std::min(picW, w), std::min(picH, h));
    if (settings_.fullscreen) SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    fitToWindow();
    SDL_StartTextInput();
    return true;
}

// Once the window manager has framed the window, its frame is known: the whole window, title bar
// included, is moved (and if need be shrunk) to lie on the screen's usable area. Until then, and
// without a window manager, nothing to do.
void Window::keepOnScreen() {
    int top = 0, left = 0, bottom = 0, right = 0;
    // No frame yet reads as no borders at all: wait for the window manager's.
    if (placed_ || SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0 ||
        top + left + bottom + right == 0)
        return;
    placed_ = true;
    if (SDL_GetWindowFlags(window_) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED)) return;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &usable) != 0) return;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    const int roomW = usable.w - left - right, roomH = usable.h - top - bottom;
    if (w > roomW || h > roomH) {
        const Viewport v = fitViewport(roomW, roomH, pictureWidth(), kClientHeightPx,
                                       settings_.fill ? FitMode::Fill : FitMode::Whole);
        w = v.width;
        h = v.height;
        SDL_SetWindowSize(window_, w, h);
    }
    const bool inside = x - left >= usable.x && y - top >= usable.y && x + w + right <= usable.x + usable.w &&
                        y + h + bottom <= usable.y + usable.h;
    if (inside) return;
    placeWindow(usable.x, usable.y, usable.w, usable.h, w + left + right, h + top + bottom, x, y);
    SDL_SetWindowPosition(window_, x + left, y + top);
}

void Window::fitToWindow() {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    viewport_ = fitViewport(w, h, pictureWidth(), kClientHeightPx, settings_.fill ? FitMode::Fill : FitMode::Whole);
}

void Window::toggleFullscreen() {
    settings_.fullscreen = !(SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_SetWindowFullscreen(window_, settings_.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    saved_.fullscreen = settings_.fullscreen;
    saveSettings();
    // Whole steps on a screen that allows only one (1920 x 1080) leave wide bars: say how to fill it.
    SDL_Rect screen{0, 0, 0, 0};
    SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &screen);
    const int whole = fitViewport(screen.w, screen.h, pictureWidth(), kClientHeightPx, FitMode::Whole).width;
    const int fill = fitViewport(screen.w, screen.h, pictureWidth(), kClientHeightPx, FitMode::Fill).width;
    const bool bars = !settings_.fill && fill * 4 >= whole * 5;
    say(!settings_.fullscreen ? "Window (F11 for fullscreen)"
        : bars                ? "Fullscreen (F8 fills the screen, F11 for a window)"
                              : "Fullscreen (F11 for a window)");
}

void Window::saveSettings() {
    std::string error;
    if (!vexlot::saveSettings(settingsPath_, saved_, error)) {
        std::fprintf(stderr, "vexlot: settings not saved: %s\n", error.c_str());
        say("Settings not saved: " + error, 6000, true);
    }
}

// --- Games -------------------------------------------------------------------------------------

bool Window::readGameFiles() {
    try {
        checkOutputs({{"--screenshot", options_.screenshotPath}, {"--record", options_.recordPath}},
                     {{"--replay", options_.replayPath}, {"--level", options_.levelPath}});
        if (!options_.levelPath.empty()) level_ = levelFromFile(options_.levelPath);
        if (replaying()) {
            replay_ = parseScript(readInputFile(options_.replayPath, kScriptLimit));
            if (!replay_.isReplay) throw std::runtime_error(options_.replayPath + " is not a replay (no header line)");
            players_ = replay_.players;
            rules_ = replay_.rules;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return false;
    }
    return true;
}

// A network game: host it (the window waits for the other player) or join it, then agree on the
// game with the other peer. Esc or closing the window gives up.
bool Window::connect() {
    SDL_SetWindowTitle(window_, network_->host ? "Vexlot: network game, player 1" : "Vexlot: network game, player 2");
    if (!network_->host) showWhileConnecting("Joining " + network_->address, "");
    try {
        net::Connection c = net::connectPeer(*network_, level_.tag, 0, [this](uint16_t port) {
            return showWhileConnecting("Waiting for the other player", "UDP port " + std::to_string(port) + "     Esc: give up");
        });
        if (!c.link) return false;
        link_ = std::move(c.link);
        agreement_ = c.agreement;
    } catch (const net::NetError& e) {
        std::fprintf(stderr, "vexlot: %s\n", e.what());
        return false;
    }
    return true;
}

// One picture while the network game is being set up; false when the player gives up.
bool Window::showWhileConnecting(const std::string& title, const std::string& detail) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) || gStopAsked) return false;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) fitToWindow();
    }
    if (gStopAsked) return false;
    keepOnScreen();
    fb_ = FrameBuffer(pictureWidth(), kClientHeightPx);
    WindowOverlay o;
    o.deathTitle = title;
    o.deathKeys = detail;
    o.deathNote = "";
    composeOverlay(fb_, o);
    present(fb_);
    return true;
}

// A new game (or the replay, or the network game) from the game's own start-up, and its recording.
bool Window::startGame(uint64_t seed) {
    pending_.clear();
    if (networked()) {
        recording_ = Recording();
        recording_.open(options_.recordPath, dataFolder_);
        net::MatchSetup setup;
        setup.seed = agreement_.seed;
        setup.level = level_;
        setup.localPlayer = viewedPlayer();
        setup.inputDelay = agreement_.inputDelay;
        setup.lastFrame = agreement_.lastFrame;
        setup.sounds = mixer_.get();
        setup.record = recording_.active() ? &recording_ : nullptr;
        netplay_ = std::make_unique<net::Netplay>(*link_, std::move(setup));
    } else if (replaying()) {
        session_ = std::make_unique<Session>(seed, level_, mixer_.get(), players_, rules_);
        try {
            session_->play(std::move(replay_));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vexlot: %s: %s\n", options_.replayPath.c_str(), e.what());
            return false;
        }
    } else {
        session_ = std::make_unique<Session>(seed, level_, mixer_.get(), players_, rules_);
        recording_ = Recording();
        recording_.open(options_.recordPath, dataFolder_);
        if (recording_.active()) session_->record(recording_);
        // Sound stays as the player left it: the game starts silent, so "s" turns it on in frame 1
        // (recorded like any key, so the replay plays the same). A network game's sound is the
        // shared game's: either player's F5 switches it.
        if (settings_.sound) pending_.push_back(key(T::Char, CharCode::LetterS));
    }
    backdrop_ = backdropFor(game().picback);
    lastLife_ = {game().life.value, game().guyTable[1].health};
    lastSound_ = settings_.sound && !replaying() && !networked() ? -1 : 0;
    match_.last = RoundResult::Playing;
    paused_ = false;
    rHeldSince_ = 0;
    pacer_.restart();
    return true;
}

// Ends the game in play: its recording gets its end line and, when it is the data folder's, becomes
// the latest replay.
void Window::endGame() {
    if (netplay_) {
        if (!netOver_) netplay_->quit("the window was closed");
        link_->close(300);
        net::reportMatch(*netplay_, agreement_.roundTripMs, recording_.active() ? recording_.path() : "");
        recording_.finish();
        return;
    }
    if (!session_) return;
    session_->finish();
    if (!replaying()) recording_.finish();
}

// The player's guy has fallen: in a game of one guy 0, in a game of two the round is decided.
bool Window::playerDown() const {
    if (netplay_) return match_.last != RoundResult::Playing;
    if (!session_ || replaying()) return false;
    if (twoPlayers()) return match_.last != RoundResult::Playing;
    return guyDown(session_->game(), 0);
}

// --- Frames --------------------------------------------------------------------------------------

// Runs the game's frames for this shown frame; false once the game has ended (Esc, close).
bool Window::advance(std::vector<InputEvent>& events) {
    if (networked()) return advanceNetwork(events);
    if (newGame_ && !replaying()) {
        endGame();
        if (twoPlayers()) match_.nextRound();
        const uint64_t seed = clockSeed();
        if (!startGame(seed)) return false;
        say(twoPlayers() ? "Round " + std::to_string(match_.round) : "New game (seed " + std::to_string(seed) + ")",
            2500);
    }
    newGame_ = false;
    // Escape or closing the window ends the game even while paused.
    for (const InputEvent& e : events)
        if ((e.type == T::Char && e.code == CharCode::Escape) || e.type == T::Close) paused_ = false;
    pending_.insert(pending_.end(), events.begin(), events.end());
    if (paused_ && !(replaying() && stepOnce_)) return true;
    stepOnce_ = false;
    // Replay speeds x1/2, x1, x2, x4, x8: game frames per shown frame.
    static constexpr int kStepsPerShow[] = {1, 1, 2, 4, 8};
    const int steps = replaying() && !paused_ ? kStepsPerShow[speed_] : 1;
    const uint64_t t0 = SDL_GetPerformanceCounter();
    for (int s = 0; s < steps && !(replaying() && session_->scriptDone()); ++s) {
        if (!session_->step(pending_)) return false;
        pending_.clear();
        if (twoPlayers()) match_.update(session_->game());
        if (probe_) probe_->afterFrame(session_->game());
        watchGame();
    }
    simMs_ = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
    if (replaying() && session_->scriptDone() && !paused_) {
        paused_ = true;
        say("End of the replay", 100000);
    }
    sayRecordingFailure();
    return true;
}

// A network game: this player's events go to the rollback play, which runs the frames the other
// peer's inputs allow. Esc ends the game for both, as in any game; when the other player leaves or
// the games differ, the window says so and stays until Esc.
bool Window::advanceNetwork(std::vector<InputEvent>& events) {
    if (netOver_) {
        for (const InputEvent& e : events)
            if (e.type == T::Char && e.code == CharCode::Escape) return false;
        return true;
    }
    const uint64_t t0 = SDL_GetPerformanceCounter();
    const bool playing = netplay_->tick(events, SDL_GetTicks64());
    simMs_ = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
    match_.update(game());
    if (probe_) probe_->afterFrame(game());
    watchGame();
    if (!playing) {
        netOver_ = true;
        if (game().ended && netplay_->outcome() == net::Outcome::Finished) return false;
        std::fprintf(stderr, "vexlot: %s\n", netplay_->message().c_str());
        say(netplay_->message() + "   Esc: quit", 24 * 3600 * 1000);
    }
    sayRecordingFailure();
    return true;
}

// A recording that could not be written is said once; the game goes on.
void Window::sayRecordingFailure() {
    if (const std::string failure = recording_.takeFailure(); !failure.empty()) {
        std::fprintf(stderr, "vexlot: %s; the game goes on\n", failure.c_str());
        say(failure, 6000);
    }
}

// What the player should feel or read after a frame: a hit, the sound switched.
void Window::watchGame() {
    const Game& g = game();
    // A hit flashes the edges of the player's view; steady bleeding pulses them (a new flash once the
    // last has half faded).
    const uint32_t now = SDL_GetTicks();
    const std::array<int, 2> life = {g.life.value, g.guyTable[1].health};
    for (int p = 0; p < players_; ++p) {
        if (life[p] < lastLife_[p] && !(static_cast<int32_t>(flashUntil_[p] - now) > static_cast<int32_t>(kFlashMs / 2)))
            flashUntil_[p] = now + kFlashMs;
    }
    lastLife_ = life;
    const int sound = g.soundOn != 0 ? 1 : 0;
    if (lastSound_ == -1) {  // the sound this game was started with has just been switched on
        lastSound_ = sound;
    } else if (sound != lastSound_) {
        lastSound_ = sound;
        say(sound ? "Sound on (F5: off)" : "Sound off (F5: on)", 1500);
        if (!replaying()) {
            settings_.sound = saved_.sound = sound != 0;
            saveSettings();
        }
    }
}

void Window::show() {
    const uint64_t t0 = SDL_GetPerformanceCounter();
    ComposeOptions look;
    look.secondViewLeft = netplay_ ? netplay_->secondViewLeft() : session_->secondViewLeft();
    look.backdrop = settings_.backdrop ? &backdrop_ : nullptr;
    look.labels = true;
    if (networked()) look.onlyView = viewedPlayer();
    composeWindow(game(), fb_, look);

    const uint32_t now = SDL_GetTicks();
    WindowOverlay o;
    if (!SDL_TICKS_PASSED(now, messageUntil_)) o.message = message_;
    if (!SDL_TICKS_PASSED(now, hintUntil_)) o.hint = hint_;
    for (int p = 0; p < players_; ++p) {
        // Over the network the window has one view, this player's.
        const int view = networked() ? (p == viewedPlayer() ? 0 : -1) : p;
        if (view >= 0 && !SDL_TICKS_PASSED(now, flashUntil_[p]))
            o.hitFlash[view] = static_cast<int>(255 * (flashUntil_[p] - now) / kFlashMs);
    }
    o.paused = paused_ && !networked() && !(replaying() && session_->scriptDone());
    if (playerDown()) {
        o.deathTitle = players_ == 1                           ? "You died"
                       : match_.last == RoundResult::Draw      ? "Both fall: a draw"
                       : match_.last == RoundResult::FirstWins ? "Player 1 wins the round"
                                                               : "Player 2 wins the round";
        o.deathKeys = networked() ? "Esc: quit" : twoPlayers() ? "R: next round     Esc: quit" : "R: new game     Esc: quit";
    }
    if (players_ == 2) {
        // Over the network one game is played, and each window says whose player it is.
        const std::string you = " (you)";
        o.score = (networked() ? "" : "Round " + std::to_string(match_.round) + "   ") + "Player 1" +
                  (networked() && viewedPlayer() == 0 ? you : "") + "  " + std::to_string(match_.kills[0]) + " : " +
                  std::to_string(match_.kills[1]) + "  Player 2" + (networked() && viewedPlayer() == 1 ? you : "");
    }
    o.help = helpOpen_ ? &help_ : nullptr;
    if (replaying()) o.footer = "Replay: P pause, N step, Up/Down speed, Esc quit";
    if (stats_) {
        const Game& g = game();
        char line[3][112];
        std::snprintf(line[0], sizeof line[0], "%d fps  sim %.2f ms  compose %.2f ms  present %.2f ms", fps_, simMs_,
                      composeMs_, presentMs_);
        std::snprintf(line[1], sizeof line[1], "rocks %d/%d  blasts %d/%d  shrapnel %d/%d", g.rockCount, kMaxRocks,
                      g.blastCount, kMaxBlasts, g.shrapnelCount, kMaxShrapnel);
        std::snprintf(line[2], sizeof line[2], "rockets %d/%d  guys %d/%d  frame %d", g.rocketCount, kMaxRockets,
                      g.lastGuy + 1, kControlGuys + 1, g.frame);
        o.stats = {line[0], line[1], line[2]};
    }
    const bool plain = o.message.empty() && o.hint.empty() && !o.hitFlash[0] && !o.hitFlash[1] && !o.paused &&
                       o.deathTitle.empty() && o.score.empty() && !o.help && o.footer.empty() && o.stats.empty();
    if (!plain) {
        shown_ = fb_;
        composeOverlay(shown_, o);
    }
    composeMs_ = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
    present(plain ? fb_ : shown_);
}

void Window::present(const FrameBuffer& picture) {
    const uint64_t t0 = SDL_GetPerformanceCounter();
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect dst{viewport_.x, viewport_.y, viewport_.width, viewport_.height};
    if (!viewport_.whole && viewport_.width >= picture.width) {
        // Fill: enlarged in software (sharp edges, only straddling pixels mixed), shown one to one.
        if (!enlarged_ || enlargedW_ != dst.w || enlargedH_ != dst.h) {
            if (enlarged_) SDL_DestroyTexture(enlarged_);
            enlarged_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, dst.w, dst.h);
            enlargedW_ = dst.w;
            enlargedH_ = dst.h;
        }
        sharp_.scale(picture, dst.w, dst.h, enlargedPixels_);
        SDL_UpdateTexture(enlarged_, nullptr, enlargedPixels_.data(), dst.w * 4);
        SDL_RenderCopy(renderer_, enlarged_, nullptr, &dst);
    } else {
        if (!texture_ || textureW_ != picture.width || textureH_ != picture.height) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                         picture.width, picture.height);
            textureW_ = picture.width;
            textureH_ = picture.height;
        }
        SDL_UpdateTexture(texture_, nullptr, picture.argb.data(), picture.width * 4);
        // Whole steps stay sharp; a window smaller than the picture shrinks it smoothly.
        const SDL_ScaleMode mode = viewport_.whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
        SDL_ScaleMode now = mode;
        if (SDL_GetTextureScaleMode(texture_, &now) != 0 || now != mode) SDL_SetTextureScaleMode(texture_, mode);
        SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
    }
    SDL_RenderPresent(renderer_);
    presentMs_ = 1000.0 * (SDL_GetPerformanceCounter() - t0) / SDL_GetPerformanceFrequency();
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
        say("Screenshot saved: " + file.path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexlot: screenshot not saved: %s\n", e.what());
        say(std::string("Screenshot not saved: ") + e.what(), 4000);
    }
}

int Window::run() {
    std::string why;
    dataFolder_ = dataFolder(why);
    if (!dataFolder_) std::fprintf(stderr, "vexlot: screenshots and the data folder's recordings are off: %s\n", why.c_str());
    std::signal(SIGTERM, askToStop);
    std::signal(SIGINT, askToStop);
    std::signal(SIGHUP, askToStop);
    mixer_ = std::make_unique<MixerSound>(settings_.volume);
    if (networked() && !connect()) return 2;
    if (!startGame(replaying() ? replay_.seed : options_.seed)) return 2;
    if (firstStart_) {
        hintUntil_ = SDL_GetTicks() + 10000;
        saveSettings();  // the next start is not the first
    }
    fpsStart_ = SDL_GetTicks();
    std::vector<InputEvent> events;
    const uint32_t started = SDL_GetTicks();
    while (!quit_) {
        // The window manager frames the window some time after it opens (never, without one).
        if (!placed_ && !SDL_TICKS_PASSED(SDL_GetTicks(), started + 3000)) keepOnScreen();
        if (probe_) probe_->beforeFrame(++shownFrames_);
        events.clear();
        collect(events);
        if (gStopAsked) quit_ = true;
        if (quit_ || !advance(events)) break;
        show();
        pacer_.wait();
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

}  // namespace frontend

int runWindow(const RunOptions& options, WindowProbe* probe, const net::NetRunOptions* network) {
    LoadedSettings loaded = loadSettings(settingsPath());
    if (!loaded.problem.empty()) std::fprintf(stderr, "vexlot: %s\n", loaded.problem.c_str());
    frontend::Window window(options, std::move(loaded), probe, network);
    if (!window.readGameFiles()) return 2;
    if (!window.open()) return 1;
    return window.run();
}

}  // namespace vexlot
