// The null audio device: used when no sound device can be opened.
#include "platform/sdl/null_audio.h"

namespace zorby::platform {

std::unique_ptr<AudioDevice> make_null_audio() {
    return std::make_unique<NullAudio>();
}

// Until the mixer backend lands the SDL platform plays nothing.
std::unique_ptr<AudioDevice> make_sdl_mixer_audio();

}  // namespace zorby::platform
