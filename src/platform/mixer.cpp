#include "platform/mixer.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#ifndef VEXLOT_DATA_DIR
#define VEXLOT_DATA_DIR "/usr/local/share/vexlot"
#endif

namespace vexlot {

namespace fs = std::filesystem;

namespace {

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

}  // namespace

MixerSound::MixerSound(int volume) : folder_(soundFolder()) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024) != 0) {
        warn(std::string("no audio device (") + SDL_GetError() + "); playing without sound");
        return;
    }
    Mix_AllocateChannels(1);
    open_ = true;
    setVolume(volume);
}

MixerSound::~MixerSound() {
    if (!open_) return;
    Mix_HaltChannel(-1);
    for (auto& [name, chunk] : chunks_)
        if (chunk) Mix_FreeChunk(chunk);
    Mix_CloseAudio();
}

void MixerSound::play(const std::string& file, int32_t) {
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

void MixerSound::setVolume(int v) {
    volume_ = std::clamp(v, 0, 100);
    if (open_) Mix_Volume(-1, volume_ * MIX_MAX_VOLUME / 100);
}

void MixerSound::warn(const std::string& what) {
    if (warned_) return;
    warned_ = true;
    std::fprintf(stderr, "vexlot: %s\n", what.c_str());
}

}  // namespace vexlot
