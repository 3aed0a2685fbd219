// The export: the replay, the frame read-back, the enlargement, the mixer and the
// encoder.
#include "runtime/replay_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "platform/gl/frame_pixels.h"
#include "platform/portable/file_io.h"
#include "platform/portable/private_files.h"
#include "runtime/engine.h"
#include "runtime/video_module_loader.h"

namespace zorby {

namespace {

constexpr int kFps = 60;
constexpr int kRate = video::kEncodedSampleRate;
// A wait longer than this without a frame is cut to it, in the picture and the sound
// alike (a hand-written script that leaves the game waiting for input lets the
// virtual clock run on for hours before the replay moves its events forward).
constexpr double kLongestWaitMs = 10000.0;

// The export's time line: the virtual clock from the start of the run, with long
// waits cut to kLongestWaitMs.
class TimeLine {
public:
    void start(double now_ms) { origin_ = now_ms; }
    double at(double now_ms) {
        double t = now_ms - origin_;
        if (t > last_frame_ + kLongestWaitMs) {
            origin_ += t - (last_frame_ + kLongestWaitMs);
            t = last_frame_ + kLongestWaitMs;
        }
        last_ = std::max(last_, t);
        return t;
    }
    // A frame is shown now.
    double frame(double now_ms) {
        last_frame_ = at(now_ms);
        return last_frame_;
    }
    double last() const { return last_; }

private:
    double origin_ = 0.0;
    double last_ = 0.0;
    double last_frame_ = 0.0;
};

// The game's sounds mixed as the sound device would play them, on the virtual clock:
// before every command the mix is made up to the clock's present moment. Channels play
// a chunk with a left and a right gain; the music plays once or repeating at its
// volume (in the device's 128 steps); the sum is clipped as the device clips it.
class ExportMixer : public platform::AudioDevice {
public:
    // The time line the mix follows, in ms (set once the engine runs; no mixing
    // before).
    std::function<double()> now_ms;

    bool available() const override { return true; }
    int allocate_channels(int count) override {
        channels_ = std::max(count, 0);
        return channels_;
    }
    int load_chunk(const uint8_t* pcm, size_t bytes, int channels, int sample_rate,
                   int bits) override {
        if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || sample_rate <= 0) {
            return 0;
        }
        const size_t frame_bytes = static_cast<size_t>(channels) * (bits / 8);
        const size_t frames = bytes / frame_bytes;
        if (frames == 0) return 0;
        auto sample = [&](size_t frame, int ch) -> float {
            const size_t at = frame * frame_bytes + static_cast<size_t>(ch) * (bits / 8);
            if (bits == 8) return (static_cast<float>(pcm[at]) - 128.0f) / 128.0f;
            const auto v = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
            return static_cast<float>(v) / 32768.0f;
        };
        // Linear interpolation to the mixing rate.
        const double step = static_cast<double>(sample_rate) / kRate;
        const size_t out_frames = static_cast<size_t>(std::floor((frames - 1) / step)) + 1;
        std::vector<float> out(out_frames * 2);
        for (size_t i = 0; i < out_frames; ++i) {
            const double pos = i * step;
            const size_t a = static_cast<size_t>(pos);
            const size_t b = std::min(a + 1, frames - 1);
            const auto f = static_cast<float>(pos - a);
            for (int ch = 0; ch < 2; ++ch) {
                const int src = channels == 2 ? ch : 0;
                out[i * 2 + ch] = sample(a, src) * (1 - f) + sample(b, src) * f;
            }
        }
        chunks_[++last_id_] = std::move(out);
        return last_id_;
    }
    void free_chunk(int chunk) override {
        advance();
        for (auto it = voices_.begin(); it != voices_.end();) {
            it = it->second.chunk == chunk ? voices_.erase(it) : std::next(it);
        }
        chunks_.erase(chunk);
    }
    bool play_chunk(int channel, int chunk, double left, double right) override {
        advance();
        if (channel < 0 || !chunks_.count(chunk)) return false;
        voices_[channel] = Voice{chunk, 0, static_cast<float>(left), static_cast<float>(right)};
        return true;
    }
    bool channel_playing(int channel) override {
        advance();
        return voices_.count(channel) != 0;
    }
    void halt_channel(int channel) override {
        advance();
        voices_.erase(channel);
    }
    void halt_all() override {
        advance();
        voices_.clear();
    }
    bool play_music(const std::string& path) override {
        advance();
        music_playing_ = false;
        auto it = music_files_.find(path);
        if (it == music_files_.end()) {
            std::vector<float> decoded;
            std::string reason;
            const video::Module* module = video_module(reason);
            if (!module || !module->decode_sound_file(path, decoded)) return false;
            it = music_files_.emplace(path, std::move(decoded)).first;
        }
        music_ = &it->second;
        music_pos_ = 0;
        music_repeat_ = false;
        music_playing_ = true;
        return true;
    }
    bool restart_music(bool repeat) override {
        advance();
        if (!music_) return false;
        music_pos_ = 0;
        music_repeat_ = repeat;
        music_playing_ = true;
        return true;
    }
    double music_length_ms() override {
        return music_ ? 1000.0 * static_cast<double>(music_->size() / 2) / kRate : -1.0;
    }
    void set_music_volume(double volume01) override {
        advance();
        music_volume_ = static_cast<float>(std::lround(std::clamp(volume01, 0.0, 1.0) * 128)) / 128;
    }
    void stop_music() override {
        advance();
        music_playing_ = false;
    }
    bool music_playing() override {
        advance();
        return music_playing_;
    }

    // Mixes up to the clock's present moment.
    void advance() {
        if (!now_ms) return;
        const double t = now_ms();
        mix_until(static_cast<int64_t>(std::floor(t * kRate / 1000.0)));
    }
    void mix_until(int64_t frame) {
        if (frame > made_) render(static_cast<size_t>(frame - made_));
    }
    // The mixed frames not yet taken.
    std::vector<float> take() {
        std::vector<float> out;
        out.swap(pending_);
        return out;
    }
    int64_t frames_made() const { return made_; }

private:
    struct Voice {
        int chunk;
        size_t pos;
        float left, right;
    };

    void render(size_t frames) {
        const size_t at = pending_.size();
        pending_.resize(at + frames * 2, 0.0f);
        float* out = pending_.data() + at;
        for (auto it = voices_.begin(); it != voices_.end();) {
            Voice& v = it->second;
            const std::vector<float>& pcm = chunks_[v.chunk];
            const size_t n = std::min(frames, pcm.size() / 2 - v.pos);
            for (size_t i = 0; i < n; ++i) {
                out[i * 2] += pcm[(v.pos + i) * 2] * v.left;
                out[i * 2 + 1] += pcm[(v.pos + i) * 2 + 1] * v.right;
            }
            v.pos += n;
            it = v.pos * 2 >= pcm.size() ? voices_.erase(it) : std::next(it);
        }
        if (music_playing_ && music_ && !music_->empty()) {
            const size_t length = music_->size() / 2;
            for (size_t i = 0; i < frames && music_playing_; ++i) {
                if (music_pos_ >= length) {
                    if (!music_repeat_) {
                        music_playing_ = false;
                        break;
                    }
                    music_pos_ = 0;
                }
                out[i * 2] += (*music_)[music_pos_ * 2] * music_volume_;
                out[i * 2 + 1] += (*music_)[music_pos_ * 2 + 1] * music_volume_;
                ++music_pos_;
            }
        }
        for (size_t i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
        made_ += static_cast<int64_t>(frames);
    }

    int channels_ = 0;
    int last_id_ = 0;
    std::map<int, std::vector<float>> chunks_;
    std::map<int, Voice> voices_;
    std::map<std::string, std::vector<float>> music_files_;
    const std::vector<float>* music_ = nullptr;
    size_t music_pos_ = 0;
    bool music_repeat_ = false;
    bool music_playing_ = false;
    float music_volume_ = 1.0f;
    std::vector<float> pending_;
    int64_t made_ = 0;
};

// The platform's device for the run: the mixer, which the export keeps after the
// platform has gone (the last frame's sound is mixed then).
class MixerHandle : public platform::AudioDevice {
public:
    explicit MixerHandle(ExportMixer& m) : m_(m) {}
    bool available() const override { return m_.available(); }
    int allocate_channels(int n) override { return m_.allocate_channels(n); }
    int load_chunk(const uint8_t* pcm, size_t bytes, int channels, int rate, int bits) override {
        return m_.load_chunk(pcm, bytes, channels, rate, bits);
    }
    void free_chunk(int c) override { m_.free_chunk(c); }
    bool play_chunk(int ch, int c, double l, double r) override {
        return m_.play_chunk(ch, c, l, r);
    }
    bool channel_playing(int ch) override { return m_.channel_playing(ch); }
    void halt_channel(int ch) override { m_.halt_channel(ch); }
    void halt_all() override { m_.halt_all(); }
    bool play_music(const std::string& path) override { return m_.play_music(path); }
    bool restart_music(bool repeat) override { return m_.restart_music(repeat); }
    double music_length_ms() override { return m_.music_length_ms(); }
    void set_music_volume(double v) override { m_.set_music_volume(v); }
    void stop_music() override { m_.stop_music(); }
    bool music_playing() override { return m_.music_playing(); }

private:
    ExportMixer& m_;
};

// The frame read back (RGBA, bottom row first) enlarged scale times, top row first.
void enlarge(const platform::FramePixels& frame, int scale, std::vector<uint8_t>& out) {
    const int w = frame.width * scale, h = frame.height * scale;
    out.resize(static_cast<size_t>(w) * h * 4);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
    for (int y = 0; y < frame.height; ++y) {
        const uint8_t* src =
            frame.rgba.data() + static_cast<size_t>(frame.height - 1 - y) * frame.width * 4;
        for (int x = 0; x < frame.width; ++x) {
            for (int k = 0; k < scale; ++k)
                std::copy(src + x * 4, src + x * 4 + 4, &row[(x * scale + k) * 4]);
        }
        for (int k = 0; k < scale; ++k) {
            std::copy(row.begin(), row.end(),
                      out.begin() + (static_cast<size_t>(y) * scale + k) * w * 4);
        }
    }
}

uint64_t script_length(const platform::InputScript& script) {
    return script.events.empty() ? 0 : script.events.back().at.frame + 1;
}

}  // namespace

ExportResult export_replay(const platform::InputScript& script, ReplayRunOptions run,
                           const std::function<void()>& main_routine,
                           const ExportOptions& options) {
    ExportResult result;
    const int scale = std::clamp(options.scale, 1, 16);
    const int width = 320 * scale, height = 240 * scale;
    const std::string temp = platform::system_files().replacement_name(options.out_path);
    const video::Module* module = video_module(result.error);
    std::unique_ptr<video::Encoder> encoder =
        module ? module->open_encoder(temp, options.out_path, width, height, kFps, result.error)
               : nullptr;
    if (!encoder) {
        // The reason names the file asked for, not its temporary name.
        if (const size_t at = result.error.find(temp); at != std::string::npos) {
            result.error.replace(at, temp.size(), options.out_path);
        }
        platform::remove_file(temp);
        result.exit_status = 2;
        return result;
    }
    result.codecs = encoder->codecs();

    ExportMixer owned_mixer;
    ExportMixer* mixer = &owned_mixer;
    run.platform.open_real_window = true;
    run.platform.show_window = false;
    run.platform.realtime = false;
    run.platform.window_scale = 1;
    run.platform.make_audio = [mixer]() -> std::unique_ptr<platform::AudioDevice> {
        return std::make_unique<MixerHandle>(*mixer);
    };
    std::vector<uint8_t> shown;  // the frame on screen, enlarged
    bool have_shown = false;
    bool failed = false, stopped = false;
    const uint64_t total = script_length(script);
    platform::ReplayPlatform* replay = nullptr;
    TimeLine timeline;

    auto emit_until = [&](int64_t slot) {
        // The frame on screen fills the picture up to the given slot.
        while (have_shown && !failed && static_cast<int64_t>(result.pictures) < slot) {
            if (!encoder->add_picture(shown.data(), result.error)) failed = true;
            ++result.pictures;
        }
    };
    auto take_sound = [&] {
        mixer->advance();
        const std::vector<float> mixed = mixer->take();
        if (!failed && encoder->has_sound() &&
            !encoder->add_sound(mixed.data(), mixed.size() / 2, result.error)) {
            failed = true;
        }
        result.sound_frames += mixed.size() / 2;
    };
    run.on_start = [&](platform::ReplayPlatform& rp) {
        replay = &rp;
        Engine& e = engine();
        platform::Clock& clock = e.platform->clock();
        timeline.start(clock.now_ms());
        mixer->now_ms = [&clock, &timeline] { return timeline.at(clock.now_ms()); };
        e.before_swap_hook = [&] {
            const double t = timeline.frame(e.platform->clock().now_ms());
            const auto slot = static_cast<int64_t>(std::llround(t * kFps / 1000.0));
            emit_until(std::max<int64_t>(
                slot, have_shown ? static_cast<int64_t>(result.pictures) + 1 : 0));
            const platform::FramePixels frame = platform::read_frame_pixels(e.platform->window());
            if (frame.width == 320 && frame.height == 240) {
                enlarge(frame, scale, shown);
                have_shown = true;
            }
            take_sound();
            if (options.progress && replay && replay->frames() % 30 == 0) {
                options.progress(replay->frames(), total);
            }
            if (failed || (options.stop_requested && options.stop_requested())) {
                stopped = !failed;
                end_program();
            }
        };
    };
    const ReplayResult replayed = run_replay(script, run, main_routine);
    // The clock went with the run: the last frame stays one frame, and the sound is
    // mixed to the picture's end.
    mixer->now_ms = nullptr;
    if (!failed && !stopped) {
        // The last frame stays until the run's last moment (at least one frame).
        const auto end = static_cast<int64_t>(std::ceil(timeline.last() * kFps / 1000.0));
        emit_until(std::max<int64_t>(end, static_cast<int64_t>(result.pictures) + 1));
        mixer->mix_until(static_cast<int64_t>(result.pictures) * kRate / kFps);
        take_sound();
    }
    std::string finish_error;
    const bool finished = !failed && !stopped && encoder->finish(finish_error);
    encoder.reset();
    if (!replayed.started) {
        result.error = "no window with an OpenGL context could be made";
        result.exit_status = 1;
    } else if (stopped) {
        result.error = "stopped; nothing was written";
        result.exit_status = 130;
    } else if (failed || !finished) {
        if (result.error.empty()) result.error = finish_error;
        result.error = options.out_path + ": " + result.error;
        result.exit_status = 2;
    } else if (replayed.exit_status != 0) {
        result.error = "the replay stopped with status " + std::to_string(replayed.exit_status);
        result.exit_status = replayed.exit_status;
    } else if (platform::system_file_ops().rename(temp.c_str(), options.out_path.c_str()) != 0) {
        result.error = options.out_path + " cannot be written (renaming the finished file failed)";
        result.exit_status = 2;
    }
    if (result.exit_status != 0) platform::remove_file(temp);
    return result;
}

}  // namespace zorby
