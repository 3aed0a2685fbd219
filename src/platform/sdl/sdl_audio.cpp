// The SDL_mixer audio device. Sounds are converted once to the mixer's format at
// load time; a channel plays a chunk with a left and a right gain applied by a
// per-channel effect (the mixer's own volume steps are far too coarse for a 50 dB
// range). Music is one decoded file at a time. When the audio system cannot start
// the null device stands in.
//
// Devices come and go: when the device is lost (unplugged, its server gone) the mixer
// closes it and everything goes on silently (nothing plays, loaded sounds are kept);
// when a device appears (or there was none at the start) it is opened in the same
// format, and the music the game has playing starts again from its beginning.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace zorby::platform {

namespace {

constexpr int kRate = 44100;
constexpr Uint16 kFormat = AUDIO_S16SYS;
constexpr int kChannels = 2;
constexpr int kMaxMixerChannels = 1024;
constexpr int kBlockFrames = 1024;

struct ChannelGain {
    std::atomic<float> left{1.0f};
    std::atomic<float> right{1.0f};
};

// Scales interleaved signed 16-bit stereo frames by the channel's gains.
void SDLCALL gain_effect(int, void* stream, int len, void* udata) {
    const auto* gain = static_cast<const ChannelGain*>(udata);
    const float gains[2] = {gain->left.load(std::memory_order_relaxed),
                            gain->right.load(std::memory_order_relaxed)};
    auto* samples = static_cast<Sint16*>(stream);
    const int count = len / static_cast<int>(sizeof(Sint16));
    for (int i = 0; i < count; ++i) {
        const float v = static_cast<float>(samples[i]) * gains[i & 1];
        samples[i] = static_cast<Sint16>(std::clamp(std::lround(v), -32768L, 32767L));
    }
}

// The sound stream, shared with the mixer's thread.
struct SoundStream {
    std::mutex lock;
    std::deque<int16_t> samples;  // interleaved stereo
    int64_t position = 0;         // number of the next frame the device takes
    int64_t silence = 0;          // frames of silence to play before the next frame
    int64_t drop = 0;             // frames still to drop from the next pushes
};

// Adds the stream's frames to the mixed output (after the sounds and the music).
void SDLCALL mix_stream(void* udata, Uint8* out, int len) {
    auto* s = static_cast<SoundStream*>(udata);
    auto* mixed = reinterpret_cast<Sint16*>(out);
    const int frames = len / static_cast<int>(sizeof(Sint16) * kChannels);
    std::lock_guard<std::mutex> guard(s->lock);
    for (int i = 0; i < frames; ++i) {
        if (s->silence > 0) {
            --s->silence;
            continue;
        }
        if (s->samples.size() < kChannels) break;
        for (int c = 0; c < kChannels; ++c) {
            const int v = mixed[i * kChannels + c] + s->samples.front();
            s->samples.pop_front();
            mixed[i * kChannels + c] = static_cast<Sint16>(std::clamp(v, -32768, 32767));
        }
        ++s->position;
    }
}

// Set when the process ends with the audio device: see leave_audio_device_at_exit.
std::atomic<bool> g_leave_device_at_exit{false};

class MixerAudio : public AudioDevice {
public:
    MixerAudio() = default;
    ~MixerAudio() override {
        while (!chunks_.empty()) free_chunk(chunks_.begin()->first);
        if (g_leave_device_at_exit.load() && open_) {
            // Nothing plays and nothing of ours is called any more (the halts and the
            // post-mix change wait for a running mix); the device itself goes with
            // the process.
            silence_device();
            return;
        }
        close_device();
        if (mixer_started_) Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    MixerAudio(const MixerAudio&) = delete;
    MixerAudio& operator=(const MixerAudio&) = delete;

    // Starts the audio system; false when there is none (no driver at all).
    bool start() { return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }

    // Opens the default device in exactly the mixer format (SDL converts to the
    // hardware), so sounds converted for an earlier device play on it unchanged.
    // The channels, music and sound stream the game has going are taken up again.
    bool open_device() {
        if (open_) return true;
        if (Mix_OpenAudioDevice(kRate, kFormat, kChannels, kBlockFrames, nullptr, 0) != 0) {
            return false;
        }
        int rate = 0, channels = 0;
        Uint16 format = 0;
        if (Mix_QuerySpec(&rate, &format, &channels) == 0 || format != kFormat ||
            channels != kChannels || rate != kRate) {
            Mix_CloseAudio();
            return false;
        }
        if (!mixer_started_) {
            // Compressed music needs its decoders; a missing one only means such
            // files do not play.
            Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG);
            mixer_started_ = true;
        }
        open_ = true;
        allocated_ = Mix_AllocateChannels(wanted_channels_ < 0 ? -1 : wanted_channels_);
        Mix_VolumeMusic(music_volume_);
        if (music_wanted_ && !music_path_.empty()) {
            music_ = Mix_LoadMUS(music_path_.c_str());
            if (music_) length_ms_ = length_of(music_);
            if (!music_ || Mix_PlayMusic(music_, music_repeat_ ? -1 : 0) != 0)
                music_wanted_ = false;
        }
        if (stream_open_) Mix_SetPostMix(mix_stream, &stream_);
        lost_ = false;
        return true;
    }

    // Stops every sound, the music and the stream; the device stays open.
    void silence_device() {
        Mix_SetPostMix(nullptr, nullptr);
        Mix_HaltChannel(-1);  // also removes the channels' effects
        Mix_HaltMusic();
        if (music_) Mix_FreeMusic(music_);
        music_ = nullptr;
    }

    // The device is gone: it is closed and the game goes on without sound.
    void close_device() {
        if (!open_) return;
        silence_device();
        Mix_CloseAudio();
        open_ = false;
        allocated_ = 0;
    }

    // An output device was removed or added (SDL reports removal only for the
    // device this program opened): a removed device is closed, an added one opened.
    void device_event(bool added) {
        if (added) {
            open_device();
            return;
        }
        close_device();
        lost_ = true;
        last_try_ms_ = SDL_GetTicks64();
    }

    // After a loss another device may be there without a word (the built-in
    // speakers when a headset goes, a sound server that came back): it is tried
    // once a second.
    void retry() {
        if (open_ || !lost_) return;
        const Uint64 now = SDL_GetTicks64();
        if (now - last_try_ms_ < kRetryMs) return;
        last_try_ms_ = now;
        open_device();
    }

    bool available() const override { return open_; }

    int allocate_channels(int count) override {
        wanted_channels_ = std::clamp(count, 0, kMaxMixerChannels);
        if (!open_) return 0;
        allocated_ = Mix_AllocateChannels(wanted_channels_);
        return allocated_;
    }

    // A sound is kept as loaded and converted into the device's format when first
    // played: a game loads every sound at its start and plays few of them soon, and
    // the converted samples (16-bit stereo at the device's rate) are several times
    // the file's.
    int load_chunk(const uint8_t* pcm, size_t bytes, int channels, int sample_rate,
                   int bits_per_sample) override {
        if (!pcm || (channels != 1 && channels != 2) || sample_rate <= 0 ||
            (bits_per_sample != 8 && bits_per_sample != 16)) {
            return 0;
        }
        const size_t frame = static_cast<size_t>(channels) * (bits_per_sample / 8);
        const size_t usable = bytes - bytes % frame;
        if (usable == 0 || usable > 0x0FFFFFFF) return 0;
        Chunk c;
        c.from = bits_per_sample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        c.channels = static_cast<Uint8>(channels);
        c.rate = sample_rate;
        // A conversion the device's format cannot have fails the load, as it would
        // have done converting here.
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, c.from, c.channels, c.rate, kFormat, kChannels, kRate) < 0) {
            return 0;
        }
        c.samples.assign(pcm, pcm + usable);
        const int id = ++last_id_;
        chunks_[id] = std::move(c);
        return id;
    }

    void free_chunk(int id) override {
        auto it = chunks_.find(id);
        if (it == chunks_.end()) return;
        if (Mix_Chunk* mixed = it->second.mixed) {
            if (open_) {
                Mix_FreeChunk(mixed);  // halts the channels playing it first
            } else {
                SDL_free(mixed->abuf);
                SDL_free(mixed);
            }
        }
        chunks_.erase(it);
    }

    bool play_chunk(int channel, int id, double left_gain, double right_gain) override {
        auto it = chunks_.find(id);
        if (!open_ || it == chunks_.end() || channel < 0 || channel >= allocated_) return false;
        Mix_Chunk* mixed = converted(it->second);
        if (!mixed) return false;
        // Halting also drops the channel's effects; the new gains go in before play.
        Mix_HaltChannel(channel);
        gains_[channel].left.store(static_cast<float>(left_gain), std::memory_order_relaxed);
        gains_[channel].right.store(static_cast<float>(right_gain), std::memory_order_relaxed);
        if (Mix_RegisterEffect(channel, gain_effect, nullptr, &gains_[channel]) == 0) return false;
        return Mix_PlayChannel(channel, mixed, 0) == channel;
    }

    bool channel_playing(int channel) override {
        return channel >= 0 && channel < allocated_ && Mix_Playing(channel) != 0;
    }
    void halt_channel(int channel) override {
        if (channel >= 0 && channel < allocated_) Mix_HaltChannel(channel);
    }
    void halt_all() override {
        if (open_) Mix_HaltChannel(-1);
    }

    // Without a device the piece is taken as playing (silently) and starts when a
    // device comes; stopping it then is as stopping it on a device.
    bool play_music(const std::string& path) override {
        stop_music();
        music_path_ = path;
        music_wanted_ = true;
        music_repeat_ = false;
        length_ms_ = -1.0;
        if (!open_) return true;
        music_ = Mix_LoadMUS(path.c_str());
        if (music_) length_ms_ = length_of(music_);
        if (!music_ || Mix_PlayMusic(music_, 0) != 0) {
            stop_music();
            return false;
        }
        return true;
    }
    bool restart_music(bool repeat) override {
        if (!music_wanted_ || music_path_.empty()) return false;
        music_repeat_ = repeat;
        if (!open_) return true;
        return music_ && Mix_PlayMusic(music_, repeat ? -1 : 0) == 0;
    }
    double music_length_ms() override { return music_wanted_ ? length_ms_ : -1.0; }
    void set_music_volume(double volume01) override {
        music_volume_ =
            static_cast<int>(std::lround(std::clamp(volume01, 0.0, 1.0) * MIX_MAX_VOLUME));
        if (open_) Mix_VolumeMusic(music_volume_);
    }
    void stop_music() override {
        music_wanted_ = false;
        music_path_.clear();
        length_ms_ = -1.0;
        if (!music_) return;
        Mix_HaltMusic();
        Mix_FreeMusic(music_);
        music_ = nullptr;
    }
    bool music_playing() override { return open_ && music_ && Mix_PlayingMusic() != 0; }

    bool open_stream(int& rate, int& channels) override {
        close_stream();
        if (!open_) return false;
        rate = kRate;
        channels = kChannels;
        stream_open_ = true;
        Mix_SetPostMix(mix_stream, &stream_);
        return true;
    }
    void push_stream(const int16_t* samples, size_t frames) override {
        std::lock_guard<std::mutex> guard(stream_.lock);
        if (stream_.drop > 0) {
            const size_t dropped = std::min(frames, static_cast<size_t>(stream_.drop));
            stream_.drop -= static_cast<int64_t>(dropped);
            samples += dropped * kChannels;
            frames -= dropped;
        }
        stream_.samples.insert(stream_.samples.end(), samples, samples + frames * kChannels);
    }
    int64_t stream_position() override {
        std::lock_guard<std::mutex> guard(stream_.lock);
        // Silence still to play counts as frames not yet reached.
        return stream_.position - stream_.silence;
    }
    int stream_block_frames() override { return kBlockFrames; }
    void skip_stream(int64_t frames) override {
        std::lock_guard<std::mutex> guard(stream_.lock);
        if (frames < 0) {
            stream_.silence += -frames;
            return;
        }
        // Silence still to come is cancelled first; it holds no frames.
        const int64_t from_silence = std::min(frames, stream_.silence);
        stream_.silence -= from_silence;
        frames -= from_silence;
        stream_.position += frames;
        const int64_t queued = static_cast<int64_t>(stream_.samples.size() / kChannels);
        const int64_t from_queue = std::min(frames, queued);
        stream_.samples.erase(stream_.samples.begin(),
                              stream_.samples.begin() + from_queue * kChannels);
        stream_.drop += frames - from_queue;
    }
    void close_stream() override {
        stream_open_ = false;
        if (open_) Mix_SetPostMix(nullptr, nullptr);  // waits for a running mix to finish
        std::lock_guard<std::mutex> guard(stream_.lock);
        stream_.samples.clear();
        stream_.position = stream_.silence = stream_.drop = 0;
    }

private:
    static double length_of(Mix_Music* music) {
        const double seconds = Mix_MusicDuration(music);
        return seconds > 0 ? seconds * 1000.0 : -1.0;
    }

    static constexpr Uint64 kRetryMs = 1000;

    bool open_ = false;
    bool lost_ = false;  // a device was open and went away
    Uint64 last_try_ms_ = 0;
    bool mixer_started_ = false;
    int allocated_ = 0;
    int wanted_channels_ = -1;  // as the game asked (-1: the mixer's own number)
    // The music the game has playing, kept to start it again on a new device.
    std::string music_path_;
    bool music_wanted_ = false;
    bool music_repeat_ = false;
    double length_ms_ = -1.0;
    int music_volume_ = MIX_MAX_VOLUME;
    bool stream_open_ = false;
    int last_id_ = 0;
    // A loaded sound: its samples as loaded until the first play converts them.
    struct Chunk {
        std::vector<uint8_t> samples;
        SDL_AudioFormat from = AUDIO_S16LSB;
        Uint8 channels = 1;
        int rate = 0;
        Mix_Chunk* mixed = nullptr;
    };
    // The chunk in the device's format, converted now if it was not yet (nullptr
    // when the conversion fails).
    static Mix_Chunk* converted(Chunk& c) {
        if (c.mixed) return c.mixed;
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, c.from, c.channels, c.rate, kFormat, kChannels, kRate) < 0) {
            return nullptr;
        }
        cvt.len = static_cast<int>(c.samples.size());
        const size_t capacity = c.samples.size() * static_cast<size_t>(std::max(cvt.len_mult, 1));
        cvt.buf = static_cast<Uint8*>(SDL_malloc(capacity));
        if (!cvt.buf) return nullptr;
        std::memcpy(cvt.buf, c.samples.data(), c.samples.size());
        int out_len = cvt.len;
        if (cvt.needed) {
            if (SDL_ConvertAudio(&cvt) != 0) {
                SDL_free(cvt.buf);
                return nullptr;
            }
            out_len = cvt.len_cvt;
        }
        // Made here rather than by the mixer, which refuses while no device is open;
        // the samples are in the one format every device is opened with.
        auto* chunk = static_cast<Mix_Chunk*>(SDL_malloc(sizeof(Mix_Chunk)));
        if (!chunk) {
            SDL_free(cvt.buf);
            return nullptr;
        }
        chunk->allocated = 1;  // Mix_FreeChunk frees the converted samples too
        chunk->abuf = cvt.buf;
        chunk->alen = static_cast<Uint32>(out_len);
        chunk->volume = MIX_MAX_VOLUME;
        c.mixed = chunk;
        std::vector<uint8_t>().swap(c.samples);
        return chunk;
    }
    std::map<int, Chunk> chunks_;
    Mix_Music* music_ = nullptr;
    std::array<ChannelGain, kMaxMixerChannels> gains_;
    SoundStream stream_;
};

}  // namespace

std::unique_ptr<AudioDevice> make_sdl_mixer_audio() {
    auto mixer = std::make_unique<MixerAudio>();
    if (!mixer->start()) return make_null_audio();
    // Without a device now, one plugged in later is opened.
    mixer->open_device();
    return mixer;
}

void leave_audio_device_at_exit() {
    g_leave_device_at_exit.store(true);
}

void audio_device_event(AudioDevice& audio, bool added) {
    if (auto* mixer = dynamic_cast<MixerAudio*>(&audio)) mixer->device_event(added);
}

void audio_device_retry(AudioDevice& audio) {
    if (auto* mixer = dynamic_cast<MixerAudio*>(&audio)) mixer->retry();
}

}  // namespace zorby::platform
