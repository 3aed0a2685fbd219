// The engine kit's sound effects, music and video: the public commands over the
// engine's own.
#include <string>

#include "audio/audio_layer.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "kit/kit_options.h"
#include "runtime/engine.h"
#include "runtime/video_playback.h"
#include "zorby/music.h"
#include "zorby/sound.h"
#include "zorby/video.h"

namespace zorby {

bool load_sound(const std::string& file, int slot, int copies) {
    if (slot < 0) {
        set_load_error("load_sound: slot " + std::to_string(slot) + " is negative");
        return false;
    }
    std::string path, why;
    if (!find_for_load("load_sound", file, false, path)) return false;
    // The file is checked even without an audio device, so a bad one is always named.
    if (!load_wav_file(path, why)) {
        set_load_error("load_sound: " + file + ": " + why);
        return false;
    }
    const AudioLayer& audio = audio_layer();
    if (!audio.sound || !audio.sound->available()) {
        set_load_error("load_sound: " + file + ": no audio device (the file is a good WAV)");
        return false;
    }
    const bool loaded =
        load_sound(EngineString(path), static_cast<double>(slot), static_cast<double>(copies)) != 0;
    set_load_error(loaded ? "" : "load_sound: " + file + ": the audio device refused it");
    return loaded;
}

AudioRequestHooks& audio_request_hooks() {
    static AudioRequestHooks hooks;
    return hooks;
}

int play_sound(int slot, double pan, double volume) {
    check_factor("play_sound", "pan", pan);
    check_factor("play_sound", "volume", volume);
    const int channel = static_cast<int>(play_sound(static_cast<double>(slot), pan, volume));
    if (audio_request_hooks().sound) audio_request_hooks().sound(slot, pan, volume, channel);
    return channel;
}

bool sound_playing(int channel) {
    return sound_playing(static_cast<double>(channel)) != 0.0;
}

void play_music(const std::string& file) {
    if (audio_request_hooks().music) audio_request_hooks().music(file);
    std::string path;
    if (find_for_load("play_music", file, true, path)) set_load_error("");
    play_music(EngineString(file));
}

bool play_video(const std::string& file, bool repeat) {
    engine().video_error.clear();
    const bool played = play_video(EngineString(file), repeat ? 1.0 : 0.0) != 0.0;
    set_load_error(played ? "" : "play_video: " + file + ": " + engine().video_error);
    return played;
}

}  // namespace zorby
