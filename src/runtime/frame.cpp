// Frame presentation: showing a frame, the window events, the quit keys, the pause
// while the window is inactive and pacing on the 1000 / rate grid.
#include "runtime/frame.h"

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "graphics/display.h"
#include "input/input_state.h"
#include "platform/gl/frame_gl_work.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby {

namespace {

// Pacing sleeps until shortly before the slot and spins the rest: the sleep saves
// the CPU, the short spin keeps the frame start within a fraction of a millisecond
// of its slot. How early to wake follows how late sleeps have been waking up
// (the smoothed lateness plus a little), kept between these bounds.
constexpr double kMinSpinMs = 0.1;
constexpr double kMaxSpinMs = 2.0;

double spin_margin(double oversleep_ms) {
    return std::clamp(oversleep_ms + 0.08, kMinSpinMs, kMaxSpinMs);
}

}  // namespace

void end_program_by_quit_key() {
    Engine& e = engine();
    e.error.error_number = 0.0;
    e.error.error_line = e.error.current_line;
    e.error_detail.clear();
    end_program();
}

bool quit_keys_down(const std::function<bool(int)>& down) {
    // Both halves are always read: a read of the keys can be an input read of a
    // recording, and the number of reads is part of what a replay repeats.
    const bool escape = engine().escape_ends_program && down(1);
    const bool alt_f4 = down(56) && down(62);
    return escape || alt_f4;
}

void end_program_on_quit_keys() {
    Engine& e = engine();
    if (!e.input) return;
    // Each read uses up a quick press of its key (a tapped Escape ends the program).
    if (quit_keys_down([&e](int code) { return read_key(*e.input, code); })) {
        end_program_by_quit_key();
    }
}

void handle_window_event(const platform::WindowEvent& event) {
    Engine& e = engine();
    switch (event.type) {
        case platform::WindowEventType::FocusLost:
            if (e.settings.debug_mode == 0 && e.auto_pause) {
                e.platform->window().set_title(e.title + " <pause>");
                e.paused = true;
            }
            break;
        case platform::WindowEventType::FocusGained:
            if (e.settings.debug_mode == 0 && e.auto_pause) {
                e.platform->window().set_title(e.title);
                e.paused = false;
            }
            break;
        case platform::WindowEventType::Close:
            end_program();
        case platform::WindowEventType::ScreenSaver:
            // Suppressed: the screen saver never starts while the program runs.
            break;
    }
}

bool drain_messages() {
    Engine& e = engine();
    while (auto event = e.platform->input().poll_window_event()) handle_window_event(*event);
    if (e.messages_hook) e.messages_hook();
    return true;
}

double frame_duration_ms() {
    Engine& e = engine();
    double d = e.current_frame_mark - e.previous_frame_mark;
    return d > 0 ? d : 1.0;
}

double swap_and_pace(bool clear_after) {
    Engine& e = engine();
    OpenGLVizovudo& d = *e.display;
    d.set_viewport(0, 0, 0, 0);
    const bool not_redrawn = d.end_frame();
    if (e.before_swap_hook) e.before_swap_hook();
    if (not_redrawn && platform::frame_gl_work().quiet_since_end())
        e.platform->window().frame_not_redrawn();
    e.platform->window().swap_buffers();
    if (clear_after) d.clear_after_swap();
    platform::Clock& p = e.platform->clock();
    const double t0 = p.now_ms();
    double now = t0;
    bool drained = false;
    for (;;) {
        // Window events are handled while waiting, but not on every turn of the final
        // spin, which only watches the clock.
        if (!drained) drain_messages();
        now = p.now_ms();
        if (now > d.next_frame_time) break;
        const double remaining = d.next_frame_time - now;
        if (p.is_virtual()) {
            // The virtual clock only moves when asked to: step just past the slot.
            p.sleep_until_ms(d.next_frame_time + 0.001);
        } else if (const double margin = spin_margin(e.wake_oversleep_ms); remaining > margin) {
            const double wake = d.next_frame_time - margin;
            p.sleep_until_ms(wake);
            const double late = std::max(0.0, p.now_ms() - wake);
            e.wake_oversleep_ms += (std::min(late, 5.0) - e.wake_oversleep_ms) * 0.1;
        } else {
            drained = true;
        }
    }
    d.next_frame_time += d.frame_period;
    if (d.frame_period > 0) {
        while (d.next_frame_time < now) d.next_frame_time += d.frame_period;
    }
    return now - t0 + 1.0;
}

void present_frame(bool prepare_next) {
    Engine& e = engine();
    if (e.settings.debug_mode != 0) {
        e.platform->window().show_window(true);
        e.platform->window().raise_window();
    }
    e.previous_frame_mark = e.current_frame_mark;
    e.current_frame_mark = clock_ms();
    while (e.paused) {
        if (e.music) e.music->keep_alive();
        drain_messages();
        if (!e.paused) break;
        e.platform->clock().sleep_ms(100);
    }
    if (e.input) {
        age_key_taps(*e.input);
        poll_keyboard(*e.input);
        e.input->new_frame = true;
        end_program_on_quit_keys();
    }
    if (e.scene) e.scene->leave_shadow_state();
    if (e.music) e.music->keep_alive();
    drain_messages();
    swap_and_pace(prepare_next);
    if (prepare_next) e.display->begin_next_frame();
    if (e.scene) e.scene->reset_frame_values();
    if (e.frame_hook) e.frame_hook();
}

}  // namespace zorby
