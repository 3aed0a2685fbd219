// Sound effects: PCM WAV files loaded into numbered slots and played with a pan and a
// volume. A slot holds up to four copies of its sound so the sound can overlap
// itself; the copies share one converted sample buffer and each plays on a mixer
// channel of its own.
//
// Whether a copy is still playing is judged on the engine clock from the sound's
// length, so the choice of copy is the same in a live run, in a test on the virtual
// clock and in a replay. Without an audio device every load returns 0 and every play
// -1; everything else carries on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorby {

namespace platform {
class AudioDevice;
}
class EngineString;

// A WAV file's sound as the loader understands it.
struct WavSound {
    int channels = 0;         // 1 or 2
    int sample_rate = 0;      // samples per second
    int bits_per_sample = 0;  // 8 or 16
    int block_align = 0;      // bytes per sample frame
    std::vector<uint8_t> data;
};

// Reads a WAV file image: the 36-byte head (RIFF header, fmt chunk header and the
// 16-byte PCM format), 14 more bytes when the fmt chunk is not 16 bytes long (the
// 30-byte form), at most one "fact" chunk, then the "data" chunk, all of which must
// be present. Nothing is read past the end of the image; a file that does not follow
// this layout, or whose format cannot be played, gives nothing.
std::optional<WavSound> parse_wav(const uint8_t* bytes, size_t size);
// The same, saying in `why` what makes a refused file unplayable.
std::optional<WavSound> parse_wav(const uint8_t* bytes, size_t size, std::string& why);
// Reads and parses a WAV file as a sound slot loads it; `why` as above, or that the
// file cannot be read.
std::optional<WavSound> load_wav_file(const std::string& path, std::string& why);
// The samples a slot hands to the mixer, as signed 16-bit values interleaved by
// channel: whole sample frames only, 8-bit samples widened ((s - 128) * 256).
std::vector<int16_t> mixer_samples(const WavSound& sound);

constexpr int kSoundSlots = 256;
constexpr int kReachableSoundSlots = 128;
constexpr int kMaxCopies = 4;

class SoundSystem {
public:
    explicit SoundSystem(platform::AudioDevice& device);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Takes the device into use. Returns 1, or 0 when there is no audio device.
    int setup();
    // Loads a resolved file into slot s (already clamped, >= 0) with n copies.
    int load(const std::string& path, int slot, int copies);
    double play(double slot, double pan, double volume);
    double playing(double channel);
    void stop_all();
    // Releases the slots from the last to the first (clean-up).
    void destroy_slots();

    bool available() const { return available_; }
    // Told about every play request and its result (replays hash the sounds).
    std::function<void(double slot, double pan, double volume, double channel)> on_play;
    // The number of copies slot s holds (0 when empty or out of range).
    int copies(int slot) const;

private:
    struct Slot {
        int copies = 0;
        int next_copy = 0;
        int chunk = 0;           // device chunk shared by the copies (0: none)
        double length_ms = 0.0;  // playing time of the sound
        std::array<double, kMaxCopies> playing_until{};  // engine clock; 0: idle
    };

    bool copy_busy(const Slot& slot, int copy, double now) const;
    void stop_copy(int slot_index, int copy);
    void release_slot(int slot_index);
    static int mixer_channel(int slot, int copy) { return slot * kMaxCopies + copy; }

    platform::AudioDevice& device_;
    bool available_ = false;
    std::vector<Slot> slots_;
};

// ---- engine commands ----
// Loads a WAV file into a slot (slots above 127 act as 127; negative slots load
// nothing) with 1 to 4 copies. 1 on success, 0 when nothing was loaded.
int load_sound(const EngineString& file_name, double slot, double copies);
// Plays a slot: pan -1 left .. 1 right, volume 0 .. 1 on a decibel scale (0.5 is
// 50 dB down). Returns the channel slot * 256 + copy, or -1 when nothing played.
double play_sound(double slot, double pan, double volume);
// 1.0 while the copy behind a channel number plays.
double sound_playing(double channel);
// Stops every copy of slots 0 to 127.
void stop_all_sounds();

// Mixer gains for a pan and a volume as play_sound takes them (exposed for tests).
struct StereoGains {
    double left = 0.0, right = 0.0;
};
StereoGains sound_gains(double pan, double volume);

}  // namespace zorby
