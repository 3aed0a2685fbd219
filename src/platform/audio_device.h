// The audio concern of the platform: the device sounds, music and streams play on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zorby::platform {

// The audio device. Sounds and music are decoded and mixed below this interface;
// the engine's sound slots and music player sit on top of it. Every method is
// safe to call when no device could be opened (available() == false): loads
// return 0 and playing does nothing.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    virtual bool available() const = 0;
    // Number of mixer channels; channels are allocated on demand.
    virtual int allocate_channels(int count) = 0;
    // Turns raw PCM (format as in a WAV fmt chunk) into a mixer chunk. Returns an id > 0
    // or 0 when the data cannot be converted.
    virtual int load_chunk(const uint8_t* pcm, size_t bytes, int channels, int sample_rate,
                           int bits_per_sample) = 0;
    virtual void free_chunk(int chunk) = 0;
    // Plays chunk on channel (restarting it when busy) with left/right gains 0..1.
    virtual bool play_chunk(int channel, int chunk, double left_gain, double right_gain) = 0;
    virtual bool channel_playing(int channel) = 0;
    virtual void halt_channel(int channel) = 0;
    virtual void halt_all() = 0;
    // Music from a file. Returns false when the file cannot be played.
    virtual bool play_music(const std::string& path) = 0;
    // Plays the loaded music again from its start, once, or repeating in the mixer
    // until stopped. False when there is no music to play.
    virtual bool restart_music(bool repeat) {
        (void)repeat;
        return false;
    }
    // Length of the loaded music in milliseconds, or a negative number when unknown.
    virtual double music_length_ms() = 0;
    virtual void set_music_volume(double volume01) = 0;
    virtual void stop_music() = 0;
    virtual bool music_playing() = 0;

    // ---- a sound stream made while it plays (a video's sound track) ----
    // Interleaved signed 16-bit frames, mixed over the sounds and the music. Frames
    // are numbered from 0 in the order pushed; the position is the number of the
    // next frame the device will take. Without a device nothing opens.
    //
    // Opens (or reopens, emptied) the stream; rate and channels receive the format
    // frames must be pushed in. False when there is no device.
    virtual bool open_stream(int& rate, int& channels) {
        (void)rate;
        (void)channels;
        return false;
    }
    virtual void push_stream(const int16_t* samples, size_t frames) {
        (void)samples;
        (void)frames;
    }
    // Less the silence still to play, so skip_stream moves it by exactly its frames.
    virtual int64_t stream_position() { return 0; }
    // Frames the device takes at a time.
    virtual int stream_block_frames() { return 0; }
    // Moves the stream against the device: frames > 0 drops that many frames (those
    // queued first, then the next ones pushed) and advances the position; frames < 0
    // plays that much silence before the next frame.
    virtual void skip_stream(int64_t frames) { (void)frames; }
    // Stops and empties the stream.
    virtual void close_stream() {}
};

}  // namespace zorby::platform
