// SDL window and OpenGL context creation.
#include "platform/sdl_window.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>

namespace zorby::platform {

bool sdl_video_init() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // The X11 class of our windows (WM_CLASS) is read when video starts.
    setenv("SDL_VIDEO_X11_WMCLASS", "Pixmora", 1);
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
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}
}  // namespace

SdlWindow::~SdlWindow() {
    destroy();
}

bool SdlWindow::create(const WindowConfig& config) {
    destroy();
    if (!sdl_video_init()) return false;
    set_gl_attributes(config.samples);
    Uint32 flags = SDL_WINDOW_OPENGL | (config.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
    SDL_Window* w = SDL_CreateWindow(config.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                     SDL_WINDOWPOS_CENTERED, config.width, config.height, flags);
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
    return true;
}

void SdlWindow::destroy() {
    if (context_) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
        window_ = nullptr;
    }
}

void SdlWindow::set_title(const std::string& title) {
    if (window_) SDL_SetWindowTitle(static_cast<SDL_Window*>(window_), title.c_str());
}

void SdlWindow::client_size(int& width, int& height) const {
    width = height = 0;
    if (window_) SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window_), &width, &height);
}

void SdlWindow::swap() {
    if (!window_) return;
    // Swapping an off-screen (pbuffer) surface does not flush: without this the
    // software renderer queues every frame's drawing and its memory grows by
    // tens of kilobytes a frame.
    glFlush();
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(window_));
}

bool SdlWindow::set_fullscreen(bool fullscreen) {
    if (!window_) return false;
    return SDL_SetWindowFullscreen(static_cast<SDL_Window*>(window_),
                                   fullscreen ? SDL_WINDOW_FULLSCREEN : 0) == 0;
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
