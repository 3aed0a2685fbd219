// The deterministic platform: a virtual clock, scripted window events and input.
// Tests, replays and benchmarks run the real engine and game on it, so a run is
// reproducible frame for frame.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/replay/input_script.h"

namespace zorby::platform {

class SdlWindow;

class DeterministicPlatform : public Platform, public Clock, public Window, public Input {
public:
    explicit DeterministicPlatform(const DeterministicOptions& options);
    ~DeterministicPlatform() override;

    // ---- scripting (tests and replays) ----
    // Queues an input script event to take effect at the first input read or poll of
    // the given frame (frames count presented frames from 0; the event's own position
    // is not used). Events for past frames apply at the next read.
    void schedule(uint64_t frame, const ScriptEvent& event);
    // Applies an event right now.
    void apply(const ScriptEvent& event);
    // Convenience: hold or release a key (engine scan code 0..255) now.
    void set_key(int code, bool down);
    // Moves the virtual clock forward (a frame that "took" longer).
    void advance_ms(double ms) { now_ms_ += ms; }
    uint64_t frames_presented() const { return frames_; }
    double frame_period_ms() const { return options_.frame_period_ms; }
    void set_frame_period_ms(double ms) { options_.frame_period_ms = ms; }
    // Number of scheduled events not applied yet.
    size_t pending_actions() const { return pending_.size(); }
    // The last frame on which an event is scheduled (0 when none).
    uint64_t last_scheduled_frame() const;
    // Replaces the null audio with another device (tests).
    void set_audio(std::unique_ptr<AudioDevice> audio) { audio_ = std::move(audio); }
    // Called after every wait with the waited time (tests script events that come
    // while the engine waits, such as regaining focus during a pause).
    std::function<void(double)> sleep_hook;
    // Called at every swap (tests script frames that take longer).
    std::function<void()> swap_hook;
    // Total time spent in sleep_ms (tests check that waits advance the clock).
    double slept_ms() const { return slept_ms_; }

    // ---- Platform: this class is its own clock, window and input ----
    Clock& clock() override { return *this; }
    Window& window() override { return *this; }
    Input& input() override { return *this; }

    double now_ms() override { return now_ms_; }
    void sleep_ms(double ms) override;
    void sleep_until_ms(double deadline_ms) override;
    bool is_virtual() const override { return true; }

    bool create_window(const WindowConfig& config) override;
    bool multisample_available(int samples) override;
    void destroy_window() override;
    bool has_window() const override;
    void set_title(const std::string& title) override { title_ = title; }
    std::string title() const override { return title_; }
    void client_size(int& width, int& height) const override;
    bool set_frame_size(int width, int height) override;
    int window_scale() const override;
    bool is_fullscreen() const override { return fullscreen_; }
    void swap_buffers() override;
    bool frame_retained() const override;
    void frame_not_redrawn() override;
    bool set_fullscreen(bool fullscreen) override;
    void show_window(bool shown) override { shown_ = shown; }
    void raise_window() override {}
    void set_window_icon(const uint8_t*, int width, int height) override {
        icon_width_ = width;
        icon_height_ = height;
    }
    void set_screensaver_enabled(bool enabled) override { screensaver_enabled_ = enabled; }
    void* gl_proc_address(const char* name) override;

    std::optional<WindowEvent> poll_window_event() override;
    void keyboard_state(std::array<uint8_t, 256>& out) override;
    int key_character(int scan_code) override;
    MouseSample sample_mouse() override;
    void set_pointer_visible(bool visible) override { pointer_visible_ = visible; }
    void warp_pointer(int x, int y) override;
    int joystick_count() override { return 0; }
    std::string joystick_name(int) override { return {}; }
    bool read_joystick(int, JoystickReport&) override { return false; }

    AudioDevice& audio() override { return *audio_; }
    // The scripted input the reads are answered from.
    const ScriptedInputState& scripted_input() const { return input_; }

    // Inspection for tests.
    // What the window shows: the frame enlarged into it (RGBA, rows top first); with
    // compose false, what the window's buffer holds since the last swap.
    bool read_window(std::vector<uint8_t>& rgba, int& width, int& height, bool compose = true);
    // Whether the enlarged copy is the textured rectangle (else the blit).
    bool window_copies_as_rectangle() const;
    // The window's own size in pixels, and a new one (as a user's resize).
    void window_pixel_size(int& width, int& height) const;
    void resize_window(int width, int height);
    // Swaps that left the window as it was (their frame was already on show).
    long long unchanged_swaps() const;
    bool window_shown() const { return shown_; }
    bool fullscreen() const { return fullscreen_; }
    bool screensaver_enabled() const { return screensaver_enabled_; }
    bool pointer_visible() const { return pointer_visible_; }
    int icon_width() const { return icon_width_; }
    int icon_height() const { return icon_height_; }
    // Multisample counts asked of multisample_available, in order.
    const std::vector<int>& multisample_requests() const { return multisample_requests_; }
    // The largest sample count the fake multisample query accepts (0: none).
    void set_max_multisample(int samples) { max_samples_ = samples; }

private:
    void apply_due_actions();

    DeterministicOptions options_;
    double now_ms_;
    double real_start_ = 0.0;
    uint64_t frames_ = 0;
    double slept_ms_ = 0.0;
    std::unique_ptr<SdlWindow> window_;
    int width_ = 0, height_ = 0;
    std::string title_;
    bool shown_ = false;
    bool fullscreen_ = false;
    bool screensaver_enabled_ = true;
    bool pointer_visible_ = false;
    ScriptedInputState input_;
    std::deque<std::pair<uint64_t, ScriptEvent>> pending_;
    std::unique_ptr<AudioDevice> audio_;
    std::vector<int> multisample_requests_;
    int max_samples_ = 0;
    int icon_width_ = 0, icon_height_ = 0;
};

}  // namespace zorby::platform
