// The window concern of the platform: the window, its OpenGL context and the frame
// shown in it.
#pragma once

#include <cstdint>
#include <string>

namespace zorby::platform {

// What a window should look like when it is created.
struct WindowConfig {
    int width = 320;
    int height = 240;
    std::string title = "zorby";
    int samples = 0;  // multisample samples to request (0: none)
    bool hidden = false;
    // The whole factor the window shows the frame enlarged by (1 to 16; 0: the
    // largest whose window fits in about 85% of the display's usable area).
    int scale = 1;
    // Start in desktop full screen (the largest whole factor, black bars around).
    bool fullscreen = false;
};

class Window {
public:
    virtual ~Window() = default;

    // Creates the window with an OpenGL compatibility context and makes it current.
    // Returns false when no window or context could be made.
    virtual bool create_window(const WindowConfig& config) = 0;
    // Asks whether a window with the given multisample count can be made. A real
    // implementation tries; the result says whether it succeeded.
    virtual bool multisample_available(int samples) = 0;
    virtual void destroy_window() = 0;
    virtual bool has_window() const = 0;
    virtual void set_title(const std::string& title) = 0;
    virtual std::string title() const = 0;
    // Size of the logical frame the engine draws into and reads back, in pixels (0, 0
    // without a window). The window shows it enlarged by a whole factor.
    virtual void client_size(int& width, int& height) const = 0;
    // Gives the logical frame a new size; the window follows at its factor (or keeps
    // filling the screen). False when there is no window or the size is not possible.
    virtual bool set_frame_size(int width, int height) {
        (void)width;
        (void)height;
        return false;
    }
    // The whole factor the picture is shown at now (1 when nothing is scaled).
    virtual int window_scale() const { return 1; }
    // True while the window is in desktop full screen.
    virtual bool is_fullscreen() const { return false; }
    virtual void swap_buffers() = 0;
    // True when the frame being drawn into still holds the last frame drawn (or the
    // frame on show): drawing the same work again would change no pixel.
    virtual bool frame_retained() const { return false; }
    // Before swap_buffers: the frame was not drawn again because it is the one the
    // window shows, so the swap need not look at it (unless the window needs a
    // refresh).
    virtual void frame_not_redrawn() {}
    virtual bool set_fullscreen(bool fullscreen) = 0;
    virtual void show_window(bool shown) = 0;
    virtual void raise_window() = 0;
    // The window's icon from RGBA pixels, rows top first.
    virtual void set_window_icon(const uint8_t* rgba, int width, int height) = 0;
    virtual void set_screensaver_enabled(bool enabled) = 0;
    // Looks up an OpenGL entry point (null when missing).
    virtual void* gl_proc_address(const char* name) = 0;
};

}  // namespace zorby::platform
