// The display object: the engine window, its OpenGL context and everything that
// lives in that context (sprite table, tiled surfaces, text vertex array), plus the
// frame clock values used by frame presentation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorby {

namespace platform {
class Platform;
}
class SpriteStore;

// The colour keys of sprite and font loads until the program sets others.
constexpr uint32_t kStartSpriteColourKey = 0x8000FF;
constexpr uint32_t kStartFontColourKey = 0;

class OpenGLVizovudo {
public:
    explicit OpenGLVizovudo(platform::Platform& platform);
    virtual ~OpenGLVizovudo();
    OpenGLVizovudo(const OpenGLVizovudo&) = delete;
    OpenGLVizovudo& operator=(const OpenGLVizovudo&) = delete;

    // Set before display_setup: the software-drawing warning is not printed (the
    // engine kit's quiet start); software_renderer then tells the runtime to log it.
    bool quiet = false;
    bool software_renderer = false;

    // Creates the window and context. Returns false when no window could be made.
    bool display_setup(int width, int height, int depth, int rate, int samples);
    int set_windowed_mode();
    bool set_fullscreen_mode();
    bool change_display_mode(int width, int height, int depth, int full_screen);
    int hide_display();
    // The one place where the fixed OpenGL state for 2D drawing is set.
    void set_viewport(int x, int y, int w, int h);
    void screen_size(double& w, double& h) const;
    // Also true after the player switched with Alt+Enter or F11.
    double is_fullscreen() const;
    bool has_extension(const std::string& name) const;
    void display_teardown();
    // Multisample formats are asked for with halving counts: 8, 4, 2, 1. Returns the
    // sample count that was found, or 0.
    int choose_multisample_format(int samples);

    // After a swap: clears colour and depth for the next frame.
    void clear_after_swap();
    // Before the swap: draws the frame's held-back work, or leaves it undrawn when the
    // frame being drawn into already holds its pixels (returns true then).
    bool end_frame();
    // Resets the drawing state at the start of a frame: blending off, alpha 1, white
    // colour, the background surface, the full-window viewport.
    void begin_next_frame();

    // Clock reading in ms (the platform clock).
    double clock_ms() const;

    platform::Platform& platform;

    bool window = false;
    // The logical frame: what drawing, viewports and read-backs see. The window shows
    // it enlarged by a whole factor.
    int width = 0, height = 0;
    // The factor display_setup asks the window for (0: chosen from the display).
    int window_scale = 1;
    int colour_depth = 0;
    bool full_screen = false;
    int multisample = 0;
    int viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
    bool context_ready = false;
    // Linear (true) or nearest filtering of sprites drawn scaled, rotated or between
    // pixels (at whole pixels, unscaled, both pick the same texel).
    bool smoothing = true;
    float current_alpha = 0.0f;
    int current_render_target = -1;
    uint32_t sprite_colour_key = kStartSpriteColourKey;
    uint32_t font_colour_key = kStartFontColourKey;
    int high_resolution_clock = 1;
    double next_frame_time = 0.0;
    double frame_period = 1000.0 / 60.0;
    int shown_samples = 0;  // sample count of the format actually in use (0: none)

    // The sprite table, tiled surfaces and fonts (graphics/sprite_store.h).
    std::unique_ptr<SpriteStore> store;

    // Entry point used by 2D drawing to switch the second texture unit off.
    void (*active_texture)(unsigned int) = nullptr;
};

// Renderer names that mean drawing happens in software.
bool is_software_renderer(const std::string& renderer, bool generic_format);

// The warning text shown once per process when rendering happens in software.
extern const char kSoftwareWarningText[];

}  // namespace zorby
