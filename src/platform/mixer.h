// Sound through SDL_mixer: the game's .wav files from beside the program or the data folder.
#pragma once
#include <SDL2/SDL_mixer.h>

#include <map>
#include <string>

#include "core/game.h"

namespace vexlot {

// Plays the game's .wav files; each sound cuts off the one before.
// No audio device or a missing file: nothing plays, one warning per run.
class MixerSound : public SoundSink {
public:
    explicit MixerSound(int volume);
    MixerSound(const MixerSound&) = delete;
    MixerSound& operator=(const MixerSound&) = delete;
    ~MixerSound() override;
    void play(const std::string& file, int32_t) override;
    int volume() const { return volume_; }
    void setVolume(int v);

private:
    void warn(const std::string& what);
    std::string folder_;
    std::map<std::string, Mix_Chunk*> chunks_;
    bool open_ = false;
    bool warned_ = false;
    int volume_ = 100;
};

}  // namespace vexlot
