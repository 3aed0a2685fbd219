// Sound effects: the WAV reader, the slot table and the play/copy logic.
#include "audio/sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/audio_layer.h"
#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/packed_media.h"
#include "platform/portable/file_io.h"

namespace zorby {

namespace {

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The mixer refuses buffers outside these bounds (bytes, samples per second).
constexpr uint32_t kMinDataBytes = 4;
constexpr uint32_t kMaxDataBytes = 0x0FFFFFFF;
constexpr int kMinRate = 100;
constexpr int kMaxRate = 200000;
constexpr uint32_t kMaxFactBytes = 1024;

// A whole-number slot from a command argument: -1 for negative or unusable numbers,
// slots above 127 act as 127.
int slot_number(double slot) {
    if (std::isnan(slot) || slot <= -1.0) return -1;
    if (slot >= kReachableSoundSlots) return kReachableSoundSlots - 1;
    return static_cast<int>(slot);
}

// Reads a whole file; false when it cannot be read or is larger than any sound.
bool read_file(const std::string& path, std::vector<uint8_t>& out) {
    return static_cast<bool>(platform::read_whole_file(path, uint64_t{kMaxDataBytes} + 4096, out));
}

}  // namespace

std::optional<WavSound> parse_wav(const uint8_t* bytes, size_t size) {
    std::string why;
    return parse_wav(bytes, size, why);
}

std::optional<WavSound> parse_wav(const uint8_t* bytes, size_t size, std::string& why) {
    auto refuse = [&](const char* reason) -> std::optional<WavSound> {
        why = reason;
        return std::nullopt;
    };
    // The head: RIFF header, fmt chunk header, PCM format; chunk names unchecked.
    if (!bytes || size < 36) return refuse("shorter than the 36-byte WAV head");
    const uint32_t fmt_size = le32(bytes + 16);
    const int file_channels = le16(bytes + 22);
    const uint32_t rate = le32(bytes + 24);
    const int block_align = le16(bytes + 32);
    const int bits = le16(bytes + 34);
    size_t pos = 36;
    if (fmt_size != 16) pos += 14;  // the 30-byte fmt form
    auto header = [&](char id[4], uint32_t& chunk_size) {
        if (size < 8 || pos > size - 8) return false;
        std::memcpy(id, bytes + pos, 4);
        chunk_size = le32(bytes + pos + 4);
        pos += 8;
        return true;
    };
    char id[4];
    uint32_t chunk_size = 0;
    if (!header(id, chunk_size)) return refuse("the file ends before the data chunk");
    if (std::memcmp(id, "fact", 4) == 0) {
        if (chunk_size > kMaxFactBytes || chunk_size > size - pos) {
            return refuse("the fact chunk is longer than 1024 bytes or than the file");
        }
        pos += chunk_size;
        if (!header(id, chunk_size)) return refuse("the file ends before the data chunk");
    }
    if (std::memcmp(id, "data", 4) != 0) {
        return refuse(
            "no data chunk where it must be (after the format and at most one fact "
            "chunk)");
    }
    if (chunk_size > size - pos) return refuse("the data chunk is cut short");
    WavSound w;
    w.channels = file_channels <= 1 ? 1 : 2;
    w.sample_rate = static_cast<int>(std::min<uint32_t>(rate, kMaxRate + 1));
    w.bits_per_sample = bits;
    w.block_align = block_align;
    if (bits != 8 && bits != 16) return refuse("not 8 or 16 bits per sample");
    if (block_align != w.channels * bits / 8) {
        return refuse("the block size does not match the channels and bits per sample");
    }
    if (w.sample_rate < kMinRate || w.sample_rate > kMaxRate) {
        return refuse("the sample rate is outside 100 to 200000 per second");
    }
    if (chunk_size < kMinDataBytes || chunk_size < static_cast<uint32_t>(block_align)) {
        return refuse("fewer than 4 bytes of samples");
    }
    if (chunk_size > kMaxDataBytes) return refuse("256 MiB or more of samples");
    w.data.assign(bytes + pos, bytes + pos + chunk_size);
    return w;
}

std::optional<WavSound> load_wav_file(const std::string& path, std::string& why) {
    std::vector<uint8_t> file;
    if (!read_file(path, file)) {
        why = "cannot be read, or larger than any sound";
        return std::nullopt;
    }
    return parse_wav(file.data(), file.size(), why);
}

std::vector<int16_t> mixer_samples(const WavSound& sound) {
    const size_t frame = static_cast<size_t>(sound.block_align);
    const size_t usable = frame == 0 ? 0 : sound.data.size() - sound.data.size() % frame;
    std::vector<int16_t> out;
    if (sound.bits_per_sample == 8) {
        out.reserve(usable);
        for (size_t i = 0; i < usable; ++i) {
            out.push_back(static_cast<int16_t>((sound.data[i] - 128) * 256));
        }
    } else {
        out.reserve(usable / 2);
        for (size_t i = 0; i + 1 < usable; i += 2) {
            out.push_back(static_cast<int16_t>(le16(sound.data.data() + i)));
        }
    }
    return out;
}

StereoGains sound_gains(double pan, double volume) {
    // Pan and volume in hundredths of a decibel: pan moves the other side down, the
    // volume moves both; 100 dB down is silence.
    if (std::isnan(pan)) pan = 0.0;
    pan = std::max(std::min(pan, 1.0), -1.0);
    const int pan_cb = static_cast<int>(pan * 10000.0);
    double v = std::isnan(volume) ? 0.0 : volume * 100.0;
    v = std::clamp(v, 0.0, 100.0);
    const int volume_cb = static_cast<int>(v) * 100 - 10000;
    auto gain = [](int cb) { return cb <= -10000 ? 0.0 : std::pow(10.0, cb / 2000.0); };
    return {gain(volume_cb + std::min(0, -pan_cb)), gain(volume_cb + std::min(0, pan_cb))};
}

SoundSystem::SoundSystem(platform::AudioDevice& device) : device_(device), slots_(kSoundSlots) {}

SoundSystem::~SoundSystem() {
    destroy_slots();
}

int SoundSystem::setup() {
    available_ = device_.available();
    if (!available_) return 0;
    device_.allocate_channels(kReachableSoundSlots * kMaxCopies);
    return 1;
}

int SoundSystem::copies(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(slots_.size())) return 0;
    return slots_[slot].copies;
}

bool SoundSystem::copy_busy(const Slot& slot, int copy, double now) const {
    return slot.playing_until[copy] > now;
}

void SoundSystem::stop_copy(int slot_index, int copy) {
    Slot& s = slots_[slot_index];
    if (s.playing_until[copy] > 0) device_.halt_channel(mixer_channel(slot_index, copy));
    s.playing_until[copy] = 0;
}

void SoundSystem::release_slot(int slot_index) {
    Slot& s = slots_[slot_index];
    for (int c = 0; c < s.copies; ++c) stop_copy(slot_index, c);
    if (s.chunk != 0) device_.free_chunk(s.chunk);
    s = Slot{};
}

int SoundSystem::load(const std::string& path, int slot, int copies) {
    if (slot < 0 || slot >= kReachableSoundSlots) return 0;
    release_slot(slot);
    if (!available_) return 0;
    std::string why;
    const std::optional<WavSound> wav = load_wav_file(path, why);
    if (!wav) return 0;
    const int chunk = device_.load_chunk(wav->data.data(), wav->data.size(), wav->channels,
                                         wav->sample_rate, wav->bits_per_sample);
    if (chunk == 0) return 0;
    Slot& s = slots_[slot];
    s.chunk = chunk;
    s.copies = std::clamp(copies, 1, kMaxCopies);
    s.next_copy = 0;
    const size_t frames = wav->data.size() / static_cast<size_t>(wav->block_align);
    s.length_ms = static_cast<double>(frames) * 1000.0 / wav->sample_rate;
    return 1;
}

double SoundSystem::play(double slot_arg, double pan, double volume) {
    const int slot = slot_number(slot_arg);
    const StereoGains gains = sound_gains(pan, volume);
    double result = -1.0;
    if (slot >= 0 && available_ && slots_[slot].copies > 0) {
        Slot& s = slots_[slot];
        const double now = clock_ms();
        bool refused = false;
        if (copy_busy(s, s.next_copy, now)) {
            if (s.copies < 2) {
                refused = true;  // a single copy is never interrupted
            } else {
                s.next_copy = (s.next_copy + 1) % s.copies;
                if (copy_busy(s, s.next_copy, now)) stop_copy(slot, s.next_copy);
            }
        }
        if (!refused && device_.play_chunk(mixer_channel(slot, s.next_copy), s.chunk, gains.left,
                                           gains.right)) {
            s.playing_until[s.next_copy] = now + s.length_ms;
            result = slot * 256.0 + s.next_copy;
        }
    }
    if (on_play) on_play(slot_arg, pan, volume, result);
    return result;
}

double SoundSystem::playing(double channel) {
    if (std::isnan(channel) || channel < 0 || channel >= 256.0 * kReachableSoundSlots) return 0.0;
    const int ch = static_cast<int>(channel);
    const int slot = ch / 256, copy = ch % 256;
    const Slot& s = slots_[slot];
    if (copy >= s.copies) return 0.0;
    return copy_busy(s, copy, clock_ms()) ? 1.0 : 0.0;
}

void SoundSystem::stop_all() {
    for (int slot = 0; slot < kReachableSoundSlots; ++slot) {
        for (int c = 0; c < slots_[slot].copies; ++c) stop_copy(slot, c);
    }
}

void SoundSystem::destroy_slots() {
    for (int slot = static_cast<int>(slots_.size()) - 1; slot >= 0; --slot) release_slot(slot);
}

// ---- engine commands ----

int load_sound(const EngineString& file_name, double slot, double copies) {
    AudioLayer& e = audio_layer();
    const int s = slot_number(slot);
    if (!e.sound || s < 0) return 0;
    std::string name = file_name.str();
    EngineCore& core = engine_core();
    if (core.media_lookup) resolve_media_name(*core.media_lookup, name, name);
    const int n = std::isnan(copies) ? 1 : static_cast<int>(std::clamp(copies, 1.0, 4.0));
    return e.sound->load(name, s, n);
}

double play_sound(double slot, double pan, double volume) {
    AudioLayer& e = audio_layer();
    return e.sound ? e.sound->play(slot, pan, volume) : -1.0;
}

double sound_playing(double channel) {
    AudioLayer& e = audio_layer();
    return e.sound ? e.sound->playing(channel) : 0.0;
}

void stop_all_sounds() {
    AudioLayer& e = audio_layer();
    if (e.sound) e.sound->stop_all();
}

}  // namespace zorby
