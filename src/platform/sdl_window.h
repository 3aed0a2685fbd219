// The SDL window with its OpenGL compatibility context, shared by the SDL and the
// deterministic platforms. Internal to the platform layer.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zorby::platform {

// OpenGL entry point lookup through SDL.
void* sdl_gl_proc_address(const char* name);

// Starts SDL's video (and events) once per process; false when no video driver works.
bool sdl_video_init();

class SdlWindow {
public:
    SdlWindow() = default;
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Double buffer, 24-bit depth, 8-bit stencil, compatibility profile, optional
    // multisampling. Returns false when no window or no context could be made.
    bool create(const WindowConfig& config);
    void destroy();
    bool open() const { return window_ != nullptr; }
    void set_title(const std::string& title);
    void client_size(int& width, int& height) const;
    void swap();
    bool set_fullscreen(bool fullscreen);
    void show(bool shown);
    void raise();
    void set_icon(const uint8_t* rgba, int width, int height);
    // Tries to make a window and context with that many samples (and throws them away).
    static bool probe_multisample(int samples);
    unsigned int window_id() const;

private:
    void* window_ = nullptr;   // SDL_Window*
    void* context_ = nullptr;  // SDL_GLContext
};

}  // namespace zorby::platform
