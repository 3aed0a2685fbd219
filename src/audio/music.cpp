// Background music: starting, repeating on the engine clock, volume and stopping.
#include "audio/music.h"

#include <algorithm>
#include <cmath>

#include "audio/audio_layer.h"
#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/numbers.h"
#include "engine/packed_media.h"

namespace zorby {

MusicPlayer::~MusicPlayer() {
    if (open_ && device_) device_->stop_music();
}

double MusicPlayer::piece_length_ms() {
    const double length = device_ ? device_->music_length_ms() : -1.0;
    return std::max(length, kMinimumMusicLengthMs);
}

void MusicPlayer::play(const std::string& name) {
    EngineCore& e = engine_core();
    stop();
    file_name_ = name;
    std::string resolved = name;
    if (!e.music_lookup || resolve_media_name(*e.music_lookup, resolved, resolved) == 0) return;
    device_ = &e.platform->audio();
    open_ = device_->play_music(resolved);
    if (open_) {
        if (device_->music_length_ms() > 0) {
            restart_time_ = timer_ms() + piece_length_ms();
        } else {
            // No length to count down: the mixer repeats the piece by itself.
            mixer_loops_ = true;
            device_->restart_music(true);
        }
        device_->set_music_volume(1.0);  // every new piece starts at full volume
    }
    // The runtime ends a pause and puts the system pointer back in its place.
    if (AudioLayer* a = audio_layer_if_any(); a && a->music_started) a->music_started();
}

void MusicPlayer::stop() {
    restart_time_ = 0.0;
    mixer_loops_ = false;
    if (open_ && device_) device_->stop_music();
    open_ = false;
}

void MusicPlayer::set_volume(double volume) {
    if (!open_ || !device_) return;
    const double level =
        std::isnan(volume) ? 0.0 : std::trunc(std::clamp(volume, 0.0, 1.0) * 1000.0);
    device_->set_music_volume(level / 1000.0);
}

void MusicPlayer::keep_alive() {
    if (restart_time_ <= 0.0 || !open_ || timer_ms() < restart_time_) return;
    restart_time_ = timer_ms() + piece_length_ms();
    device_->restart_music(false);
}

void MusicPlayer::cleanup() {
    stop();
}

// ---- engine commands ----

void play_music(const EngineString& file_name) {
    AudioLayer& e = audio_layer();
    if (e.music) e.music->play(file_name.str());
}

void stop_music() {
    AudioLayer& e = audio_layer();
    if (e.music) e.music->stop();
}

void music_volume(double volume) {
    check_factor("music_volume", "volume", volume);
    AudioLayer& e = audio_layer();
    if (e.music) e.music->set_volume(volume);
}

void music_keep_alive() {
    AudioLayer* e = audio_layer_if_any();
    if (e && e->music) e->music->keep_alive();
}

}  // namespace zorby
