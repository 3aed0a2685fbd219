// Video playback. A frame is presented whenever a picture is due: it is converted
// and shown (a picture whose time has passed entirely is dropped unconverted);
// between pictures the loop waits in short steps as the engine's other waits do;
// decoded sound is pushed to the audio device's stream at its place on the time
// line, and the stream is nudged back in step when it drifts from the engine clock.
#include "runtime/video_playback.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/music.h"
#include "engine/error_log.h"
#include "engine/packed_media.h"
#include "graphics/display.h"
#include "graphics/picture_stream.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/video_module_loader.h"

namespace zorby {

namespace {

// Sound decoded ahead of the clock.
constexpr double kSoundLeadMs = 150.0;
// The stream is moved when its smoothed offset from the clock exceeds this.
constexpr double kSyncToleranceMs = 8.0;
// Offsets measured before a correction (they are smoothed over the device's blocks).
constexpr int kSyncSamples = 12;
// Gaps and overlaps between sound blocks up to this are played as they come.
constexpr double kSoundJoinMs = 5.0;
// A turn that comes this much later than the one before was a pause (the window
// lost the focus, or the machine stalled): playback continues where it was.
constexpr double kPauseMs = 250.0;
// Longest wait between two turns while no picture is due (keys, window events and
// the sound are looked after at least this often).
constexpr double kIdleStepMs = 8.0;

struct Rect {
    int x = 0, y = 0, w = 1, h = 1;
};

// The largest rectangle of the given shape inside screen_w x screen_h, centred.
Rect fit_into(double aspect, int screen_w, int screen_h) {
    Rect r;
    if (screen_w <= 0 || screen_h <= 0) return r;
    if (aspect * screen_h >= screen_w) {
        r.w = screen_w;
        r.h = std::clamp(static_cast<int>(std::lround(screen_w / aspect)), 1, screen_h);
    } else {
        r.h = screen_h;
        r.w = std::clamp(static_cast<int>(std::lround(screen_h * aspect)), 1, screen_w);
    }
    r.x = (screen_w - r.w) / 2;
    r.y = (screen_h - r.h) / 2;
    return r;
}

void log_failure(const std::string& name, const std::string& reason) {
    append_error_log("play_video: " + name + ": " + reason);
    engine().video_error = reason;
}

// Keys and mouse buttons, one per key code and 256..258 for the buttons: held, or
// pressed and let go since the last read (a tap counts once, as everywhere).
using PressState = std::array<bool, 259>;

PressState read_presses(InputState& input) {
    PressState s{};
    poll_keyboard(input);
    for (int k = 0; k < 256; ++k) s[k] = read_key(input, k);
    input.new_frame = true;
    MouseReport m;
    poll_mouse(input, m);
    s[256] = m.left != 0;
    s[257] = m.right != 0;
    s[258] = m.middle != 0;
    return s;
}

// The sound track on its way to the device.
class SoundFeed {
public:
    SoundFeed(platform::AudioDevice& device, int rate, int channels)
        : device_(device), rate_(rate), channels_(channels) {}

    // Pushes a block whose first frame belongs at time_ms of the playback's time line.
    void push(const video::SoundBlock& block, double time_ms) {
        const int64_t frames = static_cast<int64_t>(block.samples.size()) / channels_;
        if (frames <= 0) return;
        const int64_t place = std::llround(time_ms * rate_ / 1000.0) - shift_;
        const int64_t join = static_cast<int64_t>(kSoundJoinMs * rate_ / 1000.0);
        int64_t skip = 0;
        if (place > written_ + join) {
            // A hole in the track: silence, at most a second of it.
            int64_t gap = place - written_;
            if (gap > rate_) {
                shift_ += gap - rate_;
                gap = rate_;
            }
            silence_.assign(static_cast<size_t>(gap * channels_), 0);
            device_.push_stream(silence_.data(), static_cast<size_t>(gap));
            written_ += gap;
        } else if (place < written_ - join) {
            skip = std::min(frames, written_ - place);
        }
        device_.push_stream(block.samples.data() + skip * channels_,
                            static_cast<size_t>(frames - skip));
        written_ += frames - skip;
    }

    // Keeps the device's stream in step with elapsed_ms of the playback's time line.
    void align(double elapsed_ms) {
        // The device takes a block at a time, so its position runs half a block
        // ahead on average of the frame that is being played.
        const double target = elapsed_ms * rate_ / 1000.0 - static_cast<double>(shift_) +
                              device_.stream_block_frames() * 0.5;
        const double offset = static_cast<double>(device_.stream_position()) - target;
        smoothed_ = samples_ == 0 ? offset : smoothed_ + (offset - smoothed_) * 0.2;
        if (++samples_ < kSyncSamples) return;
        if (std::abs(smoothed_) > kSyncToleranceMs * rate_ / 1000.0) {
            device_.skip_stream(-std::llround(smoothed_));
            samples_ = 0;
        }
    }

private:
    platform::AudioDevice& device_;
    int rate_, channels_;
    int64_t written_ = 0;  // frames pushed (or dropped ahead) so far
    int64_t shift_ = 0;    // time line frames left out at holes longer than a second
    double smoothed_ = 0.0;
    int samples_ = 0;
    std::vector<int16_t> silence_;
};

}  // namespace

double play_video(const EngineString& file, double repeat) {
    return play_video(file, repeat, nullptr);
}

double play_video(const EngineString& file, double repeat, VideoPlaybackStats* stats) {
    VideoPlaybackStats counts;
    Engine& e = engine();
    const std::string name = file.str();
    if (!e.display || !e.display->window || !e.input) {
        log_failure(name, "no window");
        return 0.0;
    }
    std::string path = name;
    if (!e.music_lookup || !resolve_media_name(*e.music_lookup, name, path)) {
        log_failure(name, "not found");
        return 0.0;
    }
    std::string reason;
    const video::Module* module = video_module(reason);
    if (!module) {
        log_failure(name, reason);
        return 0.0;
    }
    const std::unique_ptr<video::Decoder> opened = module->make_decoder({});
    video::Decoder& decoder = *opened;
    if (!decoder.open(path, reason)) {
        log_failure(name, reason);
        return 0.0;
    }
    platform::AudioDevice& device = e.platform->audio();
    int rate = 0, channels = 0;
    bool sound = false;
    if (decoder.has_sound() && device.open_stream(rate, channels)) {
        sound = decoder.set_sound_output(rate, channels);
        if (!sound) device.close_stream();
    }
    double pending_pts = 0.0;
    if (!decoder.next_picture(pending_pts)) {
        if (sound) device.close_stream();
        log_failure(name, "no picture could be decoded");
        return 0.0;
    }

    double sw = 0, sh = 0;
    e.display->screen_size(sw, sh);
    const Rect fit = fit_into(decoder.display_aspect(), static_cast<int>(sw), static_cast<int>(sh));
    // Rows padded to whole blocks of 16 pixels: the converter's fast colour conversion
    // writes whole blocks of 8, past the end of a row of another width.
    const int row_pixels = (fit.w + 15) / 16 * 16;
    std::vector<uint8_t> pixels(static_cast<size_t>(row_pixels) * fit.h * 4);
    PictureStream picture;
    SoundFeed feed(device, std::max(rate, 1), std::max(channels, 1));

    InputState& input = *e.input;
    PressState previous = read_presses(input);
    PressState ending{};
    bool has_pending = true;
    bool ended_by_press = false;
    int shown_in_pass = 0;
    double shown_end = 0.0;  // end of the last shown picture on the pass's time line
    double start = clock_ms();
    double pass_offset = 0.0;
    double last_turn = start;
    const double period = e.display->frame_period > 0 ? e.display->frame_period : 1.0;
    auto show_frame = [&] {
        e.display->set_viewport(0, 0, 0, 0);
        picture.draw(fit.x, fit.y, fit.w, fit.h);
        present_frame(false);
    };

    for (;;) {
        const double now = clock_ms();
        if (now - last_turn > kPauseMs) start += now - last_turn - period;
        last_turn = now;
        const double t = now - start - pass_offset;

        // Pictures: drop those whose time has passed entirely, show the one due.
        bool due = false;
        while (has_pending && pending_pts <= t) {
            due = true;
            if (decoder.picture_end_ms() > t) break;
            ++counts.pictures_dropped;
            has_pending = decoder.next_picture(pending_pts);
            due = has_pending && pending_pts <= t;
        }
        if (due && has_pending) {
            // Converted straight to the size it is shown at (so showing it is a plain
            // copy), rows bottom first as OpenGL keeps them.
            if (decoder.convert_picture(fit.w, fit.h, pixels.data(), row_pixels * 4, true)) {
                picture.update(pixels.data(), fit.w, fit.h, row_pixels);
            }
            ++shown_in_pass;
            ++counts.pictures_shown;
            shown_end = decoder.picture_end_ms();
            has_pending = decoder.next_picture(pending_pts);
        }

        if (sound) {
            decoder.read_sound_until(t + kSoundLeadMs);
            video::SoundBlock block;
            while (decoder.take_sound(block)) feed.push(block, pass_offset + block.pts_ms);
            feed.align(now - start);
        }

        // The end of a pass: the last picture's time and the sound have run out.
        if (!has_pending) {
            const double pass_end = std::max(shown_end, sound ? decoder.sound_end_ms() : 0.0);
            if (t >= pass_end) {
                if (repeat == 0.0 || shown_in_pass == 0 || decoder.broke_off() ||
                    !decoder.rewind()) {
                    break;
                }
                pass_offset += pass_end;
                shown_in_pass = 0;
                shown_end = 0.0;
                has_pending = decoder.next_picture(pending_pts);
                if (!has_pending) break;
                continue;
            }
        }

        // A frame is presented only when the picture changed (or to hold while the
        // window is inactive); in between the loop waits as the engine's waits do.
        // Every frame is drawn whole (the picture and its bars), so none is cleared
        // or prepared in between.
        if (due || e.paused) {
            show_frame();
            ++counts.frames_presented;
        } else {
            music_keep_alive();
            drain_messages();
            poll_keyboard(input);
            end_program_on_quit_keys();
            const double next =
                start + pass_offset + (has_pending ? pending_pts : std::max(shown_end, t + 1.0));
            // Just past the due time (a clock that only moves when asked must land
            // on the far side of it), and always some way forward.
            const double from = clock_ms();
            e.platform->clock().sleep_until_ms(
                std::clamp(next + 0.001, from + 0.001, from + kIdleStepMs));
        }

        const PressState now_pressed = read_presses(input);
        for (size_t k = 0; k < now_pressed.size(); ++k) {
            ending[k] = now_pressed[k] && !previous[k];
            ended_by_press = ended_by_press || ending[k];
        }
        previous = now_pressed;
        if (ended_by_press) break;
    }
    if (sound) device.close_stream();

    // The press that ended playback is waited out (the last picture stays up), so
    // the caller never sees it as a new press.
    if (ended_by_press) {
        for (;;) {
            const PressState held = read_presses(input);
            bool any = false;
            for (size_t k = 0; k < held.size(); ++k) {
                ending[k] = ending[k] && held[k];
                any = any || ending[k];
            }
            if (!any) break;
            show_frame();
            ++counts.frames_presented;
        }
    }
    // The caller's next frame starts as after any presented frame.
    if (counts.frames_presented > 0) {
        e.display->clear_after_swap();
        e.display->begin_next_frame();
    }
    if (stats) *stats = counts;
    return 1.0;
}

}  // namespace zorby
