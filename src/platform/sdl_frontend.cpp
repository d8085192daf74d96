#include "platform/sdl_frontend.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <cstdio>
#include <map>
#include <memory>

#include "platform/compose.h"
#include "platform/pacer.h"

namespace vexlot {

namespace {

struct SdlTicks : TickSource {
    uint32_t now() override { return SDL_GetTicks(); }
    void sleep(uint32_t ms) override { SDL_Delay(ms); }
};

// Plays the game's .wav files from the program's folder; each sound cuts off the one before.
// No audio device or a missing file: nothing plays, one warning per run.
class MixerSound : public SoundSink {
public:
    MixerSound() {
        if (char* base = SDL_GetBasePath()) {
            folder_ = base;
            SDL_free(base);
        }
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024) != 0) {
            warn(std::string("no audio device (") + SDL_GetError() + "); playing without sound");
            return;
        }
        Mix_AllocateChannels(1);
        open_ = true;
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
};

// The game's virtual key code for an SDL key; 0 for keys the game has no code for.
int virtualKey(SDL_Keycode k) {
    switch (k) {
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_LALT:
    case SDLK_RALT: return 18;
    case SDLK_COMMA: return 188;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_ESCAPE: return 27;
    case SDLK_RETURN: return 13;
    case SDLK_SPACE: return 32;
    default: break;
    }
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    return 0;
}

void collectEvents(std::vector<InputEvent>& events) {
    using T = InputEvent::Type;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT: events.push_back({T::Close}); break;
        case SDL_KEYDOWN:
            if (int code = virtualKey(e.key.keysym.sym)) events.push_back({T::KeyDown, code});
            if (e.key.keysym.sym == SDLK_ESCAPE) events.push_back({T::Char, 27});
            break;
        case SDL_KEYUP:
            if (int code = virtualKey(e.key.keysym.sym)) events.push_back({T::KeyUp, code});
            break;
        case SDL_TEXTINPUT:
            for (const char* c = e.text.text; *c; ++c)
                if (static_cast<unsigned char>(*c) < 128) events.push_back({T::Char, *c});
            break;
        case SDL_MOUSEBUTTONDOWN:
            events.push_back({T::WindowPress, 0, static_cast<float>(e.button.x), static_cast<float>(e.button.y)});
            break;
        default: break;
        }
    }
}

}  // namespace

int runWindow(const RunOptions& options) {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Vexlot", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          kClientWidthPx, kClientHeightPx, 0);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                                        kClientWidthPx, kClientHeightPx)
                                    : nullptr;
    if (!texture) {
        std::fprintf(stderr, "vexlot: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_StartTextInput();
    {
        MixerSound mixer;
        auto game = std::make_unique<Game>();
        game->soundSink = &mixer;
        startup(*game, options.seed);
        SdlTicks ticks;
        FrameBuffer fb;
        std::vector<InputEvent> events;
        for (;;) {
            const uint32_t t0 = ticks.now();
            events.clear();
            collectEvents(events);
            if (!runFrame(*game, events)) break;
            composeWindow(*game, fb);
            SDL_UpdateTexture(texture, nullptr, fb.argb.data(), fb.width * 4);
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
            SDL_RenderPresent(renderer);
            waitFrameEnd(ticks, t0);
        }
        if (!options.screenshotPath.empty()) writePng(options.screenshotPath, fb.argb.data(), fb.width, fb.height);
    }
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

}  // namespace vexlot
