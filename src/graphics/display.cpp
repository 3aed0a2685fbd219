// Display set-up: the window and its OpenGL context, windowed and full-screen
// modes, the viewport with the fixed OpenGL state of all 2D drawing, teardown.
#include "graphics/display.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "engine/error_log.h"
#include "graphics/draw.h"
#include "graphics/sprite_store.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/gl/gl_gateway.h"
#include "platform/platform.h"

namespace zorby {

namespace {
// The warning is shown (and logged) once per process, however often the window is
// made again.
bool g_software_warning_shown = false;
}  // namespace

// Two lines of UTF-8, so any terminal shows them as they are.
const char kSoftwareWarningText[] =
    "!!OpenGL Software Emulation!! Please update your GFX adapter's driver so it can "
    "render OpenGL by HARDWARE\n"
    "Bitte aktualisieren Sie Ihren Grafkkartentreiber, damit er OpenGL per HARDWARE "
    "unterst\xc3\xbctzt!\n";

bool is_software_renderer(const std::string& renderer, bool generic_format) {
    if (generic_format) return true;
    if (renderer == "Mesa Windows GDI Driver" || renderer == "Software Rasterizer") return true;
    return renderer.find("llvmpipe") != std::string::npos ||
           renderer.find("softpipe") != std::string::npos;
}

OpenGLVizovudo::OpenGLVizovudo(platform::Platform& p) : platform(p) {
    store = std::make_unique<SpriteStore>();
    next_frame_time = clock_ms();
}

OpenGLVizovudo::~OpenGLVizovudo() {
    display_teardown();
    store.reset();
}

double OpenGLVizovudo::clock_ms() const {
    return platform.clock().now_ms();
}

int OpenGLVizovudo::choose_multisample_format(int samples) {
    for (;;) {
        if (platform.window().multisample_available(samples)) return samples;
        if (samples / 2 == 0) return 0;
        samples /= 2;
    }
}

bool OpenGLVizovudo::display_setup(int w, int h, int depth, int rate, int samples) {
    frame_period = rate > 0 ? 1000.0 / rate : 2.0;
    multisample = samples;
    // Whatever was held back belonged to an earlier context.
    platform::frame_gl_work().reset();
    platform::WindowConfig config;
    config.width = w;
    config.height = h;
    config.title = "Pixmora";
    config.samples = 0;
    config.scale = window_scale;
    if (!platform.window().create_window(config)) return false;
    window = true;
    int cw = 0, ch = 0;
    platform.window().client_size(cw, ch);
    colour_depth = depth != 0 ? depth : 24;
    width = w != 0 ? w : cw;
    height = h != 0 ? h : ch;
    full_screen = false;
    shown_samples = 0;

    if (samples != 0) {
        const int found = choose_multisample_format(samples);
        if (found != 0) {
            // The first window only served to ask; nothing has been loaded yet.
            platform.window().destroy_window();
            config.samples = found;
            if (!platform.window().create_window(config)) {
                window = false;
                return false;
            }
            shown_samples = found;
        } else {
            multisample = 0;
        }
    }

    if (quiet) {
        const GLubyte* r = platform::gl::call(glGetString, GL_RENDERER);
        software_renderer = is_software_renderer(r ? reinterpret_cast<const char*>(r) : "", false);
    } else if (!g_software_warning_shown) {
        const GLubyte* r = platform::gl::call(glGetString, GL_RENDERER);
        const std::string renderer = r ? reinterpret_cast<const char*>(r) : "";
        if (is_software_renderer(renderer, false)) {
            g_software_warning_shown = true;
            // A modal box would block a headless run: the warning goes to stderr.
            std::fputs(kSoftwareWarningText, stderr);
            append_error_log("OpenGL Software Emulation");
        }
    }

    next_frame_time = clock_ms();

    active_texture = reinterpret_cast<void (*)(unsigned int)>(
        has_extension("GL_ARB_multitexture")
            ? platform.window().gl_proc_address("glActiveTextureARB")
            : nullptr);

    platform.window().show_window(true);
    set_viewport(0, 0, 0, 0);
    context_ready = true;
    return true;
}

double OpenGLVizovudo::is_fullscreen() const {
    return (window ? platform.window().is_fullscreen() : full_screen) ? 1.0 : 0.0;
}

int OpenGLVizovudo::set_windowed_mode() {
    if (full_screen || platform.window().is_fullscreen()) platform.window().set_fullscreen(false);
    platform.window().show_window(true);
    set_viewport(0, 0, 0, 0);
    full_screen = false;
    return 1;
}

bool OpenGLVizovudo::set_fullscreen_mode() {
    if (!platform.window().set_fullscreen(true)) {
        std::fputs("\a", stderr);
        append_error_log("No Fullscreen Mode available");
        set_windowed_mode();
        return false;
    }
    // The window is switched in place, so the context and every texture survive.
    // The frame rate is carried over through a whole number of frames per second,
    // as a re-created window would get it.
    const int rate = frame_period > 0 ? static_cast<int>(1000.0 / frame_period) : 5;
    frame_period = rate > 0 ? 1000.0 / rate : 2.0;
    next_frame_time = clock_ms();
    set_viewport(0, 0, 0, 0);
    platform.window().raise_window();
    full_screen = true;
    return true;
}

bool OpenGLVizovudo::change_display_mode(int w, int h, int depth, int fs) {
    const int new_width = w > 0 ? w : width, new_height = h > 0 ? h : height;
    // The logical frame really changes size, and the window with it; a size the
    // window cannot take leaves both as they were.
    if (window && (new_width != width || new_height != height) &&
        platform.window().set_frame_size(new_width, new_height)) {
        width = new_width;
        height = new_height;
    } else if (!window) {
        width = new_width;
        height = new_height;
    }
    if (depth != 0) colour_depth = depth;
    if (fs != 0) return set_fullscreen_mode();
    return set_windowed_mode() != 0;
}

int OpenGLVizovudo::hide_display() {
    if (full_screen || platform.window().is_fullscreen()) platform.window().set_fullscreen(false);
    platform.window().show_window(false);
    full_screen = false;
    return 1;
}

void OpenGLVizovudo::set_viewport(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) {
        w = width;
        h = height;
    }
    viewport_x = x;
    viewport_y = y;
    viewport_w = w;
    viewport_h = h;
    if (!window) return;
    platform::FrameGlWork& gl = platform::frame_gl_work();
    gl.viewport(x, height - h - y, w, h);
    gl.matrix_mode(GL_PROJECTION);
    gl.load_identity();
    gl.ortho_top_left(w, h);
    gl.matrix_mode(GL_MODELVIEW);
    gl.load_identity();
    gl.enable(GL_TEXTURE_2D);
    gl.disable(GL_DEPTH_TEST);
    gl.enable(GL_CULL_FACE);
    gl.front_face(GL_CCW);
    gl.enable(GL_ALPHA_TEST);
    gl.alpha_func(GL_GREATER, 0.05f);
    gl.colour(1, 1, 1, 1);
    gl.clear_colour(0, 0, 0, 1);
    gl.shade_model(GL_FLAT);
    for (GLenum cap :
         {GL_DITHER, GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH, GL_STENCIL_TEST,
          GL_POLYGON_OFFSET_POINT, GL_COLOR_MATERIAL, GL_AUTO_NORMAL, GL_NORMALIZE, GL_LIGHTING}) {
        gl.disable(cap);
    }
    gl.hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    gl.hint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    smoothing = true;
}

void OpenGLVizovudo::screen_size(double& w, double& h) const {
    w = width;
    h = height;
}

bool OpenGLVizovudo::has_extension(const std::string& name) const {
    if (!window || name.empty()) return false;
    const GLubyte* ext = platform::gl::call(glGetString, GL_EXTENSIONS);
    if (!ext) return false;
    const std::string all = reinterpret_cast<const char*>(ext);
    // Whole words only: "GL_ARB_multitexture" must not match "GL_ARB_multitexture_x".
    for (size_t pos = all.find(name); pos != std::string::npos; pos = all.find(name, pos + 1)) {
        const bool starts = pos == 0 || all[pos - 1] == ' ';
        const size_t end = pos + name.size();
        const bool ends = end == all.size() || all[end] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

void OpenGLVizovudo::display_teardown() {
    platform::frame_gl_work().reset();
    if (store) store->free_all(context_ready);
    if (!window) return;
    set_windowed_mode();
    platform.window().destroy_window();
    window = false;
    context_ready = false;
    width = 0;
    height = 0;
}

void OpenGLVizovudo::clear_after_swap() {
    if (!window) return;
    platform::FrameGlWork& gl = platform::frame_gl_work();
    gl.begin_frame();
    gl.clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

bool OpenGLVizovudo::end_frame() {
    return window && platform::frame_gl_work().end_frame(platform.window().frame_retained());
}

void OpenGLVizovudo::begin_next_frame() {
    if (!window) return;
    platform::FrameGlWork& gl = platform::frame_gl_work();
    gl.enable(GL_BLEND);
    gl.disable(GL_BLEND);
    current_alpha = 1.0f;
    gl.colour(1, 1, 1, 1);
    draw_surface(0);
    set_viewport(0, 0, 0, 0);
}

}  // namespace zorby
