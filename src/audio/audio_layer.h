// The audio layer's share of the engine object: the sound slots and the music
// player, and the hook the runtime installs to hear when a new piece of music
// starts (it ends a pause and puts the system pointer back where the game has it).
#pragma once

#include <functional>
#include <memory>

namespace zorby {

class SoundSystem;
class MusicPlayer;

class AudioLayer {
public:
    AudioLayer();
    virtual ~AudioLayer();
    AudioLayer(const AudioLayer&) = delete;
    AudioLayer& operator=(const AudioLayer&) = delete;

    std::unique_ptr<SoundSystem> sound;
    std::unique_ptr<MusicPlayer> music;
    // Called after a piece of music was started (may be empty).
    std::function<void()> music_started;
};

// The current audio share. audio_layer() ends the process with a message when there
// is none.
AudioLayer& audio_layer();
AudioLayer* audio_layer_if_any();
void set_current_audio(AudioLayer* a);

}  // namespace zorby
