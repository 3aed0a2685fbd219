// Background music: one file at a time, repeated. The player notes on the engine
// clock when the piece will have ended and, from every frame and every waiting loop,
// restarts it from the beginning at that moment (the keep-alive step), so the virtual
// clock of tests and replays drives the repetition as the real clock does in play.
#pragma once

#include <string>

namespace zorby {

class EngineString;
namespace platform {
class AudioDevice;
}

// Pieces shorter than this (or whose length the decoder reports as shorter) repeat
// every this many milliseconds.
constexpr double kMinimumMusicLengthMs = 500.0;

class MusicPlayer {
public:
    MusicPlayer() = default;
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Stops any music and starts the named (already resolved or not) file.
    void play(const std::string& name);
    void stop();
    void set_volume(double volume);
    // Restarts the music when its time is up (called every frame and in waits).
    void keep_alive();
    // Stops and closes the music (clean-up).
    void cleanup();

    bool open() const { return open_; }
    // Engine time (timer_ms) of the next restart; 0 when none is pending.
    double restart_time() const { return restart_time_; }
    const std::string& file_name() const { return file_name_; }
    // True when the decoder knew no length and the mixer repeats the piece itself.
    bool repeats_in_mixer() const { return mixer_loops_; }

private:
    double piece_length_ms();

    platform::AudioDevice* device_ = nullptr;
    bool open_ = false;
    // The decoder knew no length: the mixer repeats the piece itself.
    bool mixer_loops_ = false;
    double restart_time_ = 0.0;
    std::string file_name_;
};

// ---- engine commands ----
// Stops any music and plays the file (through the music lookup), repeating. A file
// that cannot be found or played plays nothing and reports nothing.
void play_music(const EngineString& file_name);
void stop_music();
// 0.0 silent .. 1.0 full; values outside are clamped. Does nothing without music.
void music_volume(double volume);
// The restart check run by frame presentation and the waiting loops.
void music_keep_alive();

}  // namespace zorby
