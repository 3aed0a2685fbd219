// The SDL window with its OpenGL compatibility context, shared by the SDL and the
// deterministic platforms. Internal to the platform layer.
//
// The engine draws into an offscreen framebuffer of the logical frame's size (320 x
// 240 for the game); every draw, viewport and read-back of the engine sees only that
// frame. Showing a frame copies it into the window enlarged by a whole factor with
// nearest-neighbour sampling, centred, with black bars where the window's shape
// differs. While the window is exactly the frame's size the engine draws into the
// window's back buffer instead (the copy would change nothing and costs as much as a
// third of a frame on a software renderer); the switch between the two happens at a
// swap and carries the frame over. Without framebuffer objects the engine draws into
// the window directly and the window keeps the frame's size.
//
// On a software renderer the enlarged copy costs far more than the frame itself, so
// a frame whose pixels are the same as the picture the window already shows is not
// copied or swapped again (a still menu, a pause): the window keeps showing it. The
// window is always refreshed after it was uncovered, shown or resized.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/window_layout.h"

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

    // Double buffer, no depth or stencil buffer, compatibility profile, optional
    // multisampling. The window is the frame's size times config.scale (0: the
    // automatic factor for the display it opens on), or full screen. Returns false
    // when no window or no context could be made.
    bool create(const WindowConfig& config);
    void destroy();
    bool open() const { return window_ != nullptr; }
    void set_title(const std::string& title);
    // The logical frame's size (what the engine draws into and reads back).
    void client_size(int& width, int& height) const;
    // The window's drawable size in pixels.
    void window_pixel_size(int& width, int& height) const;
    // Where the picture sits in the window now.
    WindowLayout layout() const;
    // Shows the frame (enlarged into the window) and makes the framebuffer current
    // again for the next one. A frame identical to the one on show is left there.
    void swap();
    // True when the last check chose the textured rectangle for the enlarged copy
    // (false: the framebuffer blit). For tests.
    bool copies_as_rectangle() const { return present_as_rectangle_; }
    // True when the frame being drawn into holds the last frame drawn or shown: the
    // framebuffer always keeps it, the window's back buffer only while no swap has
    // taken place since.
    bool frame_retained() const { return retained_; }
    // The next swap's frame was not drawn again: it is the picture on show.
    void frame_not_redrawn() { not_redrawn_ = true; }
    // How many swaps found the window already showing their frame (for tests).
    long long unchanged_swaps() const { return unchanged_swaps_; }
    // The window's contents may be gone (uncovered, shown, resized): the next swap
    // shows its frame whatever it holds.
    void contents_lost() { refresh_needed_ = true; }
    // Desktop full screen (no video-mode change) or back to the window.
    bool set_fullscreen(bool fullscreen);
    bool fullscreen() const { return fullscreen_; }
    // A new logical frame size; the window follows at the current factor.
    bool set_frame_size(int width, int height);
    // Copies the frame into the window as swap does, reads back the window's pixels
    // (RGBA, rows top first) and leaves the frame current. For tests.
    // With compose false, reads what the window's buffer holds since the last swap
    // (while the frame is drawn off-screen, the picture last shown).
    bool read_window(std::vector<uint8_t>& rgba, int& width, int& height, bool compose = true);
    // Gives the window another size, as a user dragging its border would.
    void resize(int width, int height);
    // The display the window is on changed (its size, or the window moved to another
    // one): a window at the automatic factor takes the one for that display, and a
    // full screen made by hand covers the display again.
    void follow_display();
    void show(bool shown);
    void raise();
    void set_icon(const uint8_t* rgba, int width, int height);
    // Tries to make a window and context with that many samples (and throws them away).
    static bool probe_multisample(int samples);
    unsigned int window_id() const;
    // True while the window has the keyboard focus.
    bool has_input_focus() const;

private:
    // Fetches the framebuffer entry points; false when the driver has none.
    bool load_frame_calls();
    bool make_framebuffer(int width, int height);
    void free_framebuffer();
    void compose();
    void draw_texture(unsigned int texture, int x, int y, int width, int height);
    void check_presenter(int x, int y, int width, int height);
    // Makes the frame being drawn current for drawing and reading: the framebuffer,
    // or the window's back buffer while the engine draws straight into the window.
    void bind_frame();
    bool window_fits_frame() const;
    // Copies the frame between the framebuffer and the window's bottom-left corner.
    void copy_frame(bool into_window);
    bool frame_on_show(bool not_redrawn);
    void read_frame(std::vector<uint8_t>& rgba);

    void* window_ = nullptr;   // SDL_Window*
    void* context_ = nullptr;  // SDL_GLContext
    int frame_width_ = 0, frame_height_ = 0;
    int windowed_scale_ = 1;        // factor of the window's size when not full screen
    bool automatic_scale_ = false;  // windowed_scale_ chosen from the display
    bool fullscreen_ = false;
    bool fullscreen_by_hand_ = false;  // a borderless window covering the display
    unsigned int framebuffer_ = 0, colour_texture_ = 0;
    // The frame goes into the window as a textured rectangle (false: a framebuffer
    // blit), chosen by checking what the window shows at each new layout.
    bool present_as_rectangle_ = false;
    // The layout (x, y, width, height) the copy was last checked at; all 0: not yet.
    std::array<int, 4> checked_layout_{};
    bool frame_has_alpha_ = false;
    // While the window is exactly the frame's size (and not multisampled, which the
    // framebuffer is not either) the engine draws straight into the window's back
    // buffer; otherwise into the framebuffer, whose frame is copied enlarged.
    bool direct_ = false;
    bool window_multisampled_ = false;

    // The picture on show (RGBA of the frame at its last swap) and what decides
    // whether the next frame is compared with it.
    std::vector<uint8_t> shown_, candidate_;
    bool shown_valid_ = false;
    int shown_window_width_ = -1, shown_window_height_ = -1;
    int check_interval_ = 1, frames_until_check_ = 0, changes_in_a_row_ = 0;
    long long unchanged_swaps_ = 0;
    bool retained_ = false, not_redrawn_ = false;
    // Set from SDL's event watch when the window's contents may have been lost.
    std::atomic<bool> refresh_needed_{true};
    bool watching_ = false;
};

}  // namespace zorby::platform
