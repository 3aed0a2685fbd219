// The engine's waiting and typing commands.
#include "runtime/wait_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/music.h"
#include "engine/numbers.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/sprite_store.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby {

namespace {

// Each turn of a waiting loop gives the processor back for this long (on the
// virtual clock the wait moves time on by it).
constexpr double kWaitStepMs = 1.0;
// The typing cursor toggles after more frames than this without a key.
constexpr int kCursorBlinkFrames = 20;
// The longest step of a pause: short enough that closing the window or Escape
// reacts at once, long enough that a pause costs no CPU.
constexpr double kPauseStepMs = 10.0;
// The surface that holds the screen behind a typed line.
constexpr int kTypingSurface = 3;

// One turn of a waiting loop: the music, the window events, and Escape (when it
// ends the program) or Alt+F4 end the program as in frame presentation.
void wait_turn(InputState& input) {
    music_keep_alive();
    drain_messages();
    poll_keyboard(input);
    end_program_on_quit_keys();
}

}  // namespace

void wait_for_key() {
    Engine& e = engine();
    if (!e.input) return;
    for (;;) {
        wait_turn(*e.input);
        if (any_char_pressed(*e.input)) return;
        e.platform->clock().sleep_ms(kWaitStepMs);
    }
}

void wait_for_mouse() {
    Engine& e = engine();
    if (!e.input) return;
    for (;;) {
        wait_turn(*e.input);
        e.input->new_frame = true;  // every turn samples fresh movement
        MouseReport r;
        poll_mouse(*e.input, r);
        if (r.dx != 0 || r.dy != 0 || r.left != 0 || r.right != 0 || r.middle != 0) return;
        e.platform->clock().sleep_ms(kWaitStepMs);
    }
}

EngineString read_typed_line(double x, double y) {
    Engine& e = engine();
    EngineString text;
    if (!e.input) return text;
    int idle_frames = 0;
    bool cursor_shown = true;
    // The picture on screen when the command starts stays behind the text.
    grab_screen(kTypingSurface);
    for (;;) {
        const uint8_t c = typed_char(*e.input);
        if (c == 10) break;
        if (c == 8) {
            if (!text.empty()) text.truncate(text.length() - 1);
        } else if (c >= 32) {
            const char ch = static_cast<char>(c);
            text.append(std::string_view(&ch, 1));
        }
        if (c != 0) {
            idle_frames = 0;
        } else if (++idle_frames > kCursorBlinkFrames) {
            cursor_shown = !cursor_shown;
            idle_frames = 0;
        }
        std::string shown = text.str();
        if (cursor_shown) shown += '_';
        set_alpha_mode(0);
        draw_surface(kTypingSurface);
        print_text(EngineString(shown), x, y);
        present_frame();
    }
    free_surface(kTypingSurface);
    return text;
}

double read_typed_number(double x, double y) {
    const EngineString text = read_typed_line(x, y);
    return std::atof(text.c_str());
}

void wait_ms(double ms) {
    if (std::isnan(ms) || ms > kLongestWaitMs) {
        bad_argument("wait_ms", "ms", ms, "at most 3600000 milliseconds wanted");
    }
    const double until = timer_ms() + ms;
    Engine& e = engine();
    for (;;) {
        drain_messages();
        if (e.input && quit_keys_down([](int code) { return key_down(code) != 0; })) {
            end_program_by_quit_key();
        }
        if (e.music) music_keep_alive();
        const double now = timer_ms();
        if (now >= until) break;
        // Whole milliseconds: a step of a fraction of a microsecond would be lost in
        // the rounding of a virtual clock and never reach the end.
        e.platform->clock().sleep_ms(std::min(kPauseStepMs, std::ceil(until - now)));
    }
}

void set_screen_mode(double width, double height, double full_screen) {
    Engine& e = engine();
    if (e.display) {
        e.display->change_display_mode(truncate_int32(width), truncate_int32(height), 0,
                                       full_screen != 0.0 ? 1 : 0);
    }
    if (e.input) show_pointer(e.input->pointer_visible ? 1.0 : 0.0);
    for (int i = 0; i < 5; ++i) present_frame();
}

}  // namespace zorby
