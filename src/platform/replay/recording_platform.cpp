// The recording platform: writes what the program reads as input script lines.
// It keeps a ScriptedInputState in step with the lines it writes and writes only
// what that state would answer differently, so a replay answers every read exactly
// as the live platform did.
#include "platform/replay/recording_platform.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "platform/monotonic_clock.h"

namespace zorby::platform {

RecordingPlatform::RecordingPlatform(std::unique_ptr<Platform> inner, std::ostream& out,
                                     const RecordingOptions& options)
    : ScriptedInputDecorator(std::move(inner)),
      out_(out),
      options_(options),
      now_ms_(options.start_ms),
      real_base_ms_(monotonic_ms()) {}

RecordingPlatform::RecordingPlatform(std::unique_ptr<Platform> inner,
                                     std::unique_ptr<std::ostream> out,
                                     const RecordingOptions& options)
    : ScriptedInputDecorator(std::move(inner)),
      owned_(std::move(out)),
      out_(*owned_),
      options_(options),
      now_ms_(options.start_ms),
      real_base_ms_(monotonic_ms()) {}

RecordingPlatform::~RecordingPlatform() {
    finish();
}

void RecordingPlatform::record_seed(uint32_t seed) {
    out_ << "seed " << seed << '\n';
    out_.flush();
}

void RecordingPlatform::finish() {
    if (finished_) return;
    write(ScriptEvent::Kind::End);
    out_.flush();
    finished_ = true;
}

void RecordingPlatform::write(const ScriptPosition& at, ScriptEvent::Kind kind, int a, int b) {
    if (finished_) return;
    ScriptEvent e;
    e.at = at;
    e.kind = kind;
    e.a = a;
    e.b = b;
    out_ << format_script_event(e) << '\n';
    state_.apply(e);
    event_taken();
}

void RecordingPlatform::pace(bool at_frame_start) {
    if (!options_.realtime) return;
    const double target = real_base_ms_ + (now_ms_ - options_.start_ms);
    const double now = monotonic_ms();
    if (now >= target) {
        const double behind = now - target;
        if (at_frame_start && options_.catch_up && !finished_ && behind >= 1.0) {
            // The game's clock keeps up with real time (whole milliseconds, so the
            // replay adds exactly the same); the frames themselves are not hurried.
            const double jump = std::min(std::floor(behind), 1e9);
            now_ms_ += jump;
            write(ScriptEvent::Kind::Late, static_cast<int>(jump));
            real_base_ms_ += behind - jump;
        } else {
            // The schedule restarts from now instead of hurrying to catch up.
            real_base_ms_ += behind;
        }
        // A page shows the frame and takes input only while the browser runs.
        if (sleep_wakes_on_time()) sleep_until_monotonic(now);
        return;
    }
    // Sleep until shortly before the moment and spin the rest: the frame starts within
    // a fraction of a millisecond of its slot, as on the real clock. A sleep that wakes
    // on time by itself goes to the moment.
    const double margin = sleep_wakes_on_time() ? 0.0 : std::clamp(oversleep_ms_ + 0.08, 0.1, 2.0);
    if (target - now > margin) {
        const double wake = target - margin;
        sleep_until_monotonic(wake);
        const double late = std::max(0.0, monotonic_ms() - wake);
        oversleep_ms_ += (std::min(late, 5.0) - oversleep_ms_) * 0.1;
    }
    while (monotonic_ms() < target) {
    }
}

void RecordingPlatform::sleep_ms(double ms) {
    if (ms > 0) now_ms_ += ms;
    pace();
}

void RecordingPlatform::sleep_until_ms(double deadline_ms) {
    if (deadline_ms > now_ms_) now_ms_ = deadline_ms;
    pace();
}

void RecordingPlatform::begin_input_call() {
    // A long quiet run: the sync line keeps the replay from treating the program as
    // stalled while the script's next event is still to come.
    if (quiet() >= options_.stall_reads) write(ScriptEvent::Kind::Sync);
}

void RecordingPlatform::after_swap() {
    now_ms_ += options_.frame_period_ms;
    pace(true);
    if (!finished_) out_.flush();
}

std::optional<WindowEvent> RecordingPlatform::answer_poll() {
    std::optional<WindowEvent> e = inner_->input().poll_window_event();
    if (e && !finished_ && e->type != WindowEventType::ScreenSaver) {
        using K = ScriptEvent::Kind;
        write(e->type == WindowEventType::FocusLost     ? K::FocusLost
              : e->type == WindowEventType::FocusGained ? K::FocusGained
                                                        : K::Close);
        // The written event waits in the model's queue; the live one is handed out.
        state_.take_window_event();
    }
    return e;
}

void RecordingPlatform::answer_keys(std::array<uint8_t, 256>& out) {
    inner_->input().keyboard_state(out);
    if (!finished_) {
        for (int code = 0; code < 256; ++code) {
            const bool down = (out[code] & 0x80) != 0;
            if (down != ((state_.keys()[code] & 0x80) != 0)) {
                write(ScriptEvent::Kind::Key, code, down ? 1 : 0);
            }
            // A press that came and went since the last read.
            if ((out[code] & 0x40) != 0 && (state_.keys()[code] & 0x40) == 0) {
                write(ScriptEvent::Kind::Key, code, 2);
            }
        }
        // Only bits 7 and 6 mean anything; the replay answers with exactly these bytes.
        out = state_.take_keys();
    }
}

int RecordingPlatform::key_character(int scan_code) {
    const int c = inner_->input().key_character(scan_code);
    if (!finished_ && scan_code >= 0 && scan_code < 256 && c >= 0 && c < 256 &&
        c != state_.character(scan_code)) {
        write(ScriptEvent::Kind::Char, scan_code, c);
    }
    return c;
}

MouseSample RecordingPlatform::answer_mouse() {
    MouseSample s = inner_->input().sample_mouse();
    if (!finished_) {
        using K = ScriptEvent::Kind;
        const MouseSample m = state_.peek_mouse_sample();
        if (s.left != m.left) write(K::Button, 1, s.left ? 1 : 0);
        if (s.right != m.right) write(K::Button, 2, s.right ? 1 : 0);
        if (s.middle != m.middle) write(K::Button, 3, s.middle ? 1 : 0);
        const int wheel = s.wheel > 0 ? 1 : (s.wheel < 0 ? -1 : 0);
        if (wheel != m.wheel) write(K::Wheel, wheel);
        // The motion still to add, and where the pointer must end up.
        const int dx = s.dx - m.dx, dy = s.dy - m.dy;
        if ((dx != 0 || dy != 0) && dx == s.x - m.x && dy == s.y - m.y) {
            write(K::MouseTo, s.x, s.y);
        } else {
            if (dx != 0 || dy != 0) write(K::Move, dx, dy);
            const MouseSample after = state_.peek_mouse_sample();
            if (after.x != s.x || after.y != s.y) write(K::Pointer, s.x, s.y);
        }
        s = state_.take_mouse_sample();
    }
    return s;
}

}  // namespace zorby::platform
