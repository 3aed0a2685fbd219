// The SDL_mixer audio device (minimal start-up version: no device yet).
#include "platform/platform.h"

namespace zorby::platform {

std::unique_ptr<AudioDevice> make_sdl_mixer_audio() { return make_null_audio(); }

}  // namespace zorby::platform
