// SDL window and OpenGL context creation, full screen, display changes and the icon;
// the frame's way into the window is in sdl_window_frame.cpp.
#include "platform/sdl/sdl_window.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/gl/gl_gateway.h"
#include "platform/process.h"

namespace zorby::platform {

bool sdl_video_init() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // The class of our windows (X11's WM_CLASS, Wayland's application id) is read
    // when video starts. It is the desktop entry's name and StartupWMClass, so task
    // bars and docks match the running window to its entry and icon.
    set_environment("SDL_VIDEO_X11_WMCLASS", "zorby");
    set_environment("SDL_VIDEO_WAYLAND_WMCLASS", "zorby");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "zorby: no video: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

namespace {

void set_gl_attributes(int samples) {
    SDL_GL_ResetAttributes();
#ifndef __EMSCRIPTEN__
    // (A web page keeps SDL's default there, OpenGL ES 2, i.e. WebGL 1, over which
    // emscripten emulates the OpenGL 1.x drawing the engine does.)
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
#endif
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // No depth or stencil buffer, for the window or for the frame the engine draws
    // into: 2D drawing never tests either (the display turns both tests off).
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

// The window events after which the window must be drawn again.
int watch_window_events(void* self, SDL_Event* ev) {
    auto* window = static_cast<SdlWindow*>(self);
    if (ev->type != SDL_WINDOWEVENT || ev->window.windowID != window->window_id()) return 0;
    switch (ev->window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            window->contents_lost();
            break;
        default:
            break;
    }
    return 0;
}

// The usable area of the display that holds the window's centre (or display 0).
void usable_area(SDL_Window* w, int& width, int& height) {
    width = height = 0;
    int display = w ? SDL_GetWindowDisplayIndex(w) : 0;
    if (display < 0) display = 0;
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(display, &r) == 0 || SDL_GetDisplayBounds(display, &r) == 0) {
        width = r.w;
        height = r.h;
    }
}

}  // namespace

SdlWindow::~SdlWindow() {
    destroy();
}

bool SdlWindow::create(const WindowConfig& config) {
    destroy();
    if (!sdl_video_init()) return false;
    set_gl_attributes(config.samples);
    frame_width_ = std::max(config.width, 1);
    frame_height_ = std::max(config.height, 1);
    windowed_scale_ = std::clamp(config.scale, 0, kMaxWindowScale);
    automatic_scale_ = windowed_scale_ == 0;
    if (windowed_scale_ == 0) {
        int uw = 0, uh = 0;
        usable_area(nullptr, uw, uh);
        windowed_scale_ = automatic_scale(uw, uh, frame_width_, frame_height_);
    }
#ifdef __EMSCRIPTEN__
    // A web page's canvas is the frame's size and the page enlarges it (sharp
    // pixels): the engine draws straight into it, with no off-screen frame, and the
    // canvas never takes the size the page shows it at.
    constexpr bool kWebPage = true;
    windowed_scale_ = 1;
#else
    constexpr bool kWebPage = false;
#endif
    Uint32 flags = SDL_WINDOW_OPENGL | (kWebPage ? 0 : SDL_WINDOW_RESIZABLE) |
                   (config.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
    SDL_Window* w =
        SDL_CreateWindow(config.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         frame_width_ * windowed_scale_, frame_height_ * windowed_scale_, flags);
    if (!w) return false;
    SDL_GLContext ctx = SDL_GL_CreateContext(w);
    if (!ctx) {
        SDL_DestroyWindow(w);
        return false;
    }
    if (SDL_GL_MakeCurrent(w, ctx) != 0) {
        SDL_GL_DeleteContext(ctx);
        ctx = SDL_GL_CreateContext(w);
        if (!ctx || SDL_GL_MakeCurrent(w, ctx) != 0) {
            if (ctx) SDL_GL_DeleteContext(ctx);
            SDL_DestroyWindow(w);
            return false;
        }
    }
    // Pacing is the engine's own (sleep to a deadline): no vertical sync wait.
    SDL_GL_SetSwapInterval(0);
    SDL_DisableScreenSaver();
    window_ = w;
    context_ = ctx;
    SDL_AddEventWatch(watch_window_events, this);
    watching_ = true;
    shown_valid_ = false;
    refresh_needed_ = true;
    // The frame keeps the window's pixel format: with or without an alpha channel.
    GLint alpha_bits = 0;
    gl::use(glGetIntegerv, GL_ALPHA_BITS, &alpha_bits);
    frame_has_alpha_ = alpha_bits > 0;
    GLint sample_buffers = 0;
    gl::use(glGetIntegerv, GL_SAMPLE_BUFFERS, &sample_buffers);
    window_multisampled_ = sample_buffers > 0;
    if (kWebPage || !load_frame_calls() || !make_framebuffer(frame_width_, frame_height_)) {
        // Drawing goes to the window itself, which keeps the frame's size.
        free_framebuffer();
        windowed_scale_ = 1;
        SDL_SetWindowResizable(w, SDL_FALSE);
        SDL_SetWindowSize(w, frame_width_, frame_height_);
    }
    if (config.fullscreen) set_fullscreen(true);
    return true;
}

void SdlWindow::destroy() {
    if (watching_) {
        SDL_DelEventWatch(watch_window_events, this);
        watching_ = false;
    }
    if (context_) {
        free_framebuffer();
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
        window_ = nullptr;
    }
    fullscreen_ = false;
    fullscreen_by_hand_ = false;
    retained_ = false;
    not_redrawn_ = false;
}

void SdlWindow::set_title(const std::string& title) {
    if (window_) SDL_SetWindowTitle(static_cast<SDL_Window*>(window_), title.c_str());
}

void SdlWindow::client_size(int& width, int& height) const {
    width = height = 0;
    if (!window_) return;
    if (framebuffer_) {
        width = frame_width_;
        height = frame_height_;
    } else {
        SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window_), &width, &height);
    }
}

void SdlWindow::window_pixel_size(int& width, int& height) const {
    width = height = 0;
    if (window_) SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window_), &width, &height);
}

WindowLayout SdlWindow::layout() const {
    int w = 0, h = 0;
    window_pixel_size(w, h);
    if (!framebuffer_) return fit_picture(frame_width_, frame_height_, frame_width_, frame_height_);
    return fit_picture(w, h, frame_width_, frame_height_);
}

bool SdlWindow::set_fullscreen(bool fullscreen) {
    if (!window_) return false;
    SDL_Window* w = static_cast<SDL_Window*>(window_);
    if (fullscreen == fullscreen_) return true;
    // On X11 the full-screen state is a request to the window manager, and without
    // one (a bare X server) nothing would change: there the window itself becomes a
    // borderless one covering its display, which works with or without a manager.
    // Windows' SDL makes a hidden window (a scripted run's) full screen only once it is
    // shown, so until then it keeps its size; such a window covers its display by hand
    // too, and has the full-screen size at once as it has on X11.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool hidden = (SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN) != 0;
    const bool by_hand =
        driver && (std::string(driver) == "x11" || (std::string(driver) == "windows" && hidden));
    if (fullscreen) {
        if (by_hand) {
            int display = SDL_GetWindowDisplayIndex(w);
            SDL_Rect r;
            if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &r) != 0) return false;
            SDL_SetWindowBordered(w, SDL_FALSE);
            SDL_SetWindowPosition(w, r.x, r.y);
            SDL_SetWindowSize(w, r.w, r.h);
            SDL_RaiseWindow(w);
        } else if (SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            return false;
        }
        fullscreen_by_hand_ = by_hand;
    } else {
        if (fullscreen_by_hand_) {
            SDL_SetWindowBordered(w, SDL_TRUE);
        } else if (SDL_SetWindowFullscreen(w, 0) != 0) {
            return false;
        }
        // Back to the window's own size, centred on its display.
        const int display = std::max(SDL_GetWindowDisplayIndex(w), 0);
        SDL_SetWindowSize(w, frame_width_ * windowed_scale_, frame_height_ * windowed_scale_);
        SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                              SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        fullscreen_by_hand_ = false;
    }
    fullscreen_ = fullscreen;
    return true;
}

void SdlWindow::resize(int width, int height) {
    if (window_ && width > 0 && height > 0) {
        SDL_SetWindowSize(static_cast<SDL_Window*>(window_), width, height);
    }
}

void SdlWindow::follow_display() {
    auto* w = static_cast<SDL_Window*>(window_);
    if (!w) return;
    const int display = std::max(SDL_GetWindowDisplayIndex(w), 0);
    if (fullscreen_by_hand_) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(display, &r) != 0) return;
        SDL_SetWindowPosition(w, r.x, r.y);
        SDL_SetWindowSize(w, r.w, r.h);
        return;
    }
    if (fullscreen_ || !automatic_scale_) return;
    int uw = 0, uh = 0;
    usable_area(w, uw, uh);
    const int scale = automatic_scale(uw, uh, frame_width_, frame_height_);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(w, &ww, &wh);
    if (scale == windowed_scale_ && ww == frame_width_ * scale && wh == frame_height_ * scale) {
        return;
    }
    windowed_scale_ = scale;
    SDL_SetWindowSize(w, frame_width_ * scale, frame_height_ * scale);
    SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
}

void SdlWindow::show(bool shown) {
    if (!window_) return;
    if (shown) {
        SDL_ShowWindow(static_cast<SDL_Window*>(window_));
    } else {
        SDL_HideWindow(static_cast<SDL_Window*>(window_));
    }
}

void SdlWindow::raise() {
    if (window_) SDL_RaiseWindow(static_cast<SDL_Window*>(window_));
}

void SdlWindow::set_icon(const uint8_t* rgba, int width, int height) {
    if (!window_ || !rgba || width <= 0 || height <= 0) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height,
                                                        32, width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s) return;
    SDL_SetWindowIcon(static_cast<SDL_Window*>(window_), s);
    SDL_FreeSurface(s);
}

unsigned int SdlWindow::window_id() const {
    return window_ ? SDL_GetWindowID(static_cast<SDL_Window*>(window_)) : 0;
}

bool SdlWindow::has_input_focus() const {
    return window_ &&
           (SDL_GetWindowFlags(static_cast<SDL_Window*>(window_)) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

bool SdlWindow::probe_multisample(int samples) {
    if (!sdl_video_init()) return false;
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
    set_gl_attributes(samples);
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    bool ok = false;
    if (w) {
        SDL_GLContext ctx = SDL_GL_CreateContext(w);
        if (ctx) {
            int buffers = 0, got = 0;
            SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers);
            SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &got);
            ok = buffers == 1 && got >= 1;
            SDL_GL_DeleteContext(ctx);
        }
        SDL_DestroyWindow(w);
    }
    if (previous && previous_window) SDL_GL_MakeCurrent(previous_window, previous);
    return ok;
}

}  // namespace zorby::platform

namespace zorby::platform {
void* sdl_gl_proc_address(const char* name) {
    return SDL_GL_GetProcAddress(name);
}
}  // namespace zorby::platform
