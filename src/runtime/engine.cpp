// Start-up, shutdown and the end of the program: the runtime brings the layers
// together and installs the hooks through which they reach it.
#include "runtime/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/current_share.h"
#include "engine/error_log.h"
#include "engine/file_channels.h"
#include "engine/numbers.h"
#include "engine/packed_media.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/image_decode.h"
#include "graphics/picture_preload.h"
#include "graphics/sprite_store.h"
#include "input/input_state.h"
#include "platform/portable/private_files.h"
#include "platform/process.h"
#include "runtime/frame.h"

namespace zorby {

namespace {
constinit CurrentShare<Engine> g_engine;
// The floor's errors end the program here.
void end_program_from_floor() {
    end_program();
}

}  // namespace

Engine::Engine() {
    end_program_hook = &end_program_from_floor;
    screen_size = [this](double& width, double& height) {
        if (display) display->screen_size(width, height);
    };
    // A new piece of music ends a pause, and the system pointer is shown at the
    // engine's position and hidden again, so a hidden pointer stays where the game
    // has it.
    music_started = [this] {
        paused = false;
        if (input && !input->pointer_visible) {
            show_pointer(1.0);
            show_pointer(0.0);
        }
    };
}

Engine::~Engine() {
    if (g_engine.if_any() == this) {
        if (started && !cleaned_up) engine_cleanup();
        set_current_engine(nullptr);
    }
}

Engine& engine() {
    return g_engine.get();
}

Engine* engine_if_any() {
    return g_engine.if_any();
}

void set_current_engine(Engine* e) {
    g_engine.set(e);
    set_current_core(e);
    set_current_graphics(e);
    set_current_input(e);
    set_current_audio(e);
}

int current_window_scale() {
    Engine* e = engine_if_any();
    return e && e->platform && e->display && e->display->window
               ? e->platform->window().window_scale()
               : 1;
}

bool current_fullscreen() {
    Engine* e = engine_if_any();
    return e && e->platform && e->display && e->display->window &&
           e->platform->window().is_fullscreen();
}

// ---- start-up ----

std::string executable_directory() {
    const std::string name = platform::executable_path();
    // Cut at the last separator, never at index 0 (as the program entry does).
    for (size_t i = name.size(); i-- > 1;) {
        if (name[i] == '/' || name[i] == '\\') return name.substr(0, i);
    }
    return {};
}

bool engine_start(std::unique_ptr<platform::Platform> platform, int show_command,
                  const std::string& title) {
    Engine& e = engine();
    e.platform = std::move(platform);
    e.started = true;
    e.cleaned_up = false;

    // 1-2: the display with its window and context.
    e.auto_pause = true;
    e.explain_pictures = e.settings.explain_loads != 0;
    e.picture_error.clear();
    e.display = std::make_unique<OpenGLVizovudo>(*e.platform);
    e.display->quiet = e.settings.quiet_console != 0;
    e.display->window_scale = std::clamp(e.settings.window_scale, 0, 16);
    if (!e.display->display_setup(e.settings.width, e.settings.height, 0, e.settings.frame_rate,
                                  e.settings.multisample)) {
        return false;
    }
    // 3: the title.
    e.platform->window().set_title(title);
    e.title = title;
    // 4: a stale log from an earlier run goes (never following a link).
    platform::remove_file(error_log_path());
    if (e.display->software_renderer) append_error_log("OpenGL Software Emulation");
    // 5: the other engine objects.
    e.input = std::make_unique<InputState>();
    e.sound = std::make_unique<SoundSystem>(e.platform->audio());
    e.network = std::make_unique<NetworkObject>();
    e.scene = std::make_unique<Vizovudo3D>();
    e.scene->display = e.display.get();
    e.music = std::make_unique<MusicPlayer>();
    e.channels = std::make_unique<FileChannels>();
    e.random = std::make_unique<RandomGenerator>();
    // 6: seed from the clock in whole milliseconds, its low 32 bits.
    seed_random(clock_seed(clock_ms()));
    // 7: window mode.
    if (e.settings.full_screen != 0) {
        e.display->set_fullscreen_mode();
    } else {
        e.display->set_windowed_mode();
    }
    // 8: devices.
    input_setup(*e.input, e.settings.pointer_hidden != 0);
    e.sound->setup();
    // 9: the program's directory (or the data folder the entry found) becomes the
    // current directory.
    e.program_dir = e.settings.data_dir.empty() ? executable_directory() : e.settings.data_dir;
    if (!e.program_dir.empty()) {
        // Left unchanged when it cannot be entered, as when no separator is found.
        platform::change_directory(e.program_dir);
    }
    // 10: the two packed-media lookups.
    e.media_lookup = std::make_unique<PackedMediaLookup>(e.program_dir);
    e.music_lookup = std::make_unique<PackedMediaLookup>(e.program_dir);
    // The window's icon, from the program's directory (the game runs without it).
    {
        PixelImage icon;
        if (load_picture(icon, "icon.png", 0xFFFFFFFFu)) {
            e.platform->window().set_window_icon(icon.pixels.get(), icon.width, icon.height);
        }
    }
    // 11: clear and set the frame marks.
    clear_screen();
    double now = clock_ms();
    e.current_frame_mark = e.previous_frame_mark = e.clock_base = now;
    // 12
    swap_and_pace();
    e.display->set_viewport(0, 0, 0, 0);
    // 13: the start-up font.
    double w = 0, h = 0;
    e.display->screen_size(w, h);
    load_font("", 0);
    load_font("smalfont.bmp", 0);
    double cw = 0, ch = 0;
    font_glyph_size(cw, ch);
    // 14
    print_text("Loading...", (w - 10 * cw) * 0.5, (h - ch) * 0.5);
    present_frame();
    // 15-16
    e.paused = false;
    now = clock_ms();
    e.current_frame_mark = e.previous_frame_mark = e.clock_base = now;
    // 17
    if (show_command == 0) {
        e.display->hide_display();
        e.platform->window().show_window(false);
    }
    // 18: pointer mode.
    show_pointer(e.settings.pointer_hidden == 0 ? 1.0 : 0.0);
    // 19
    if (e.settings.quiet_console != 0) {
        append_error_log("Init OK");
    } else {
        std::fputs("Init OK\n", stdout);
        std::fflush(stdout);
    }
    return true;
}

void engine_cleanup() {
    Engine* ep = engine_if_any();
    if (!ep || ep->cleaned_up) return;
    Engine& e = *ep;
    e.cleaned_up = true;
    drop_preloaded_pictures();
    // Music first: it must stop before the audio device goes.
    if (e.music) {
        e.music->cleanup();
        e.music.reset();
    }
    e.display.reset();
    if (e.input) {
        release_input(*e.input);
        e.input.reset();
    }
    if (e.sound) {
        e.sound->destroy_slots();
        e.sound.reset();
    }
    if (e.network) {
        e.network->close_all();
        e.network.reset();
    }
    e.scene.reset();
    for (auto* lookup : {&e.media_lookup, &e.music_lookup}) {
        if (*lookup) {
            (*lookup)->cleanup();
            lookup->reset();
        }
    }
    if (e.channels) {
        e.channels->close_all();
        e.channels.reset();
    }
    if (e.platform) e.platform->window().destroy_window();
}

void end_program() {
    Engine& e = engine();
    if (e.before_end_hook) {
        const std::function<void()> hook = std::move(e.before_end_hook);
        e.before_end_hook = nullptr;
        hook();
    }
    engine_cleanup();
    if (e.settings.debug_mode != 0) {
        char buf[32];
        append_error_log("-End On Line");
        std::snprintf(buf, sizeof buf, "%d", truncate_int32(e.error.error_number));
        append_error_log(buf);
        std::snprintf(buf, sizeof buf, "%d", truncate_int32(e.error.error_line - 1));
        append_error_log(buf);
        std::snprintf(buf, sizeof buf, "%d", truncate_int32(e.error.current_line));
        append_error_log(buf);
        std::snprintf(buf, sizeof buf, "%d", truncate_int32(e.error.current_position));
        append_error_log(buf);
    }
    int status = 0;
    const int code = truncate_int32(e.error.error_number);
    if (code != 0) {
        // A run-time error is a failure: say what failed and exit non-zero.
        std::fprintf(stderr, "zorby: run-time error %d (%s)%s%s\n", code, error_text(code),
                     e.error_detail.empty() ? "" : ": ", e.error_detail.c_str());
        status = 1;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    if (e.exit_hook) e.exit_hook(status);
    std::exit(status);
}

void end_and_run(const std::string& command_line) {
    engine_cleanup();
    platform::start_shell_command(command_line);
    std::fflush(stdout);
    Engine& e = engine();
    if (e.exit_hook) e.exit_hook(0);
    std::exit(0);
}

void set_auto_pause(double flag) {
    engine().auto_pause = flag != 0.0;
}

void set_escape_ends_program(double flag) {
    engine().escape_ends_program = flag != 0.0;
}

void debug_break(int32_t number) {
    // The debugger's output channel is stderr here; only when a debugger traces us.
    if (!platform::traced_by_debugger()) return;
    Engine& e = engine();
    e.platform->window().show_window(false);
    std::fprintf(stderr, "BP%d", number);
    e.paused = false;
    if (e.input) {
        poll_keyboard(*e.input);
        e.input->new_frame = true;
    }
}

}  // namespace zorby
