// The engine kit's sound effects, music and video: the public commands over the
// engine's own.
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/engine_string.h"
#include "runtime/video_playback.h"
#include "zorby/music.h"
#include "zorby/sound.h"
#include "zorby/video.h"

namespace zorby {

bool load_sound(const std::string& file, int slot, int copies) {
    return load_sound(EngineString(file), static_cast<double>(slot), static_cast<double>(copies)) !=
           0;
}

int play_sound(int slot, double pan, double volume) {
    return static_cast<int>(play_sound(static_cast<double>(slot), pan, volume));
}

bool sound_playing(int channel) {
    return sound_playing(static_cast<double>(channel)) != 0.0;
}

void play_music(const std::string& file) {
    play_music(EngineString(file));
}

bool play_video(const std::string& file, bool repeat) {
    return play_video(EngineString(file), repeat ? 1.0 : 0.0) != 0.0;
}

}  // namespace zorby
