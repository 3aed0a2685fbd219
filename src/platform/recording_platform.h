// The recording platform: wraps another platform, passes everything through and
// writes every input the program reads (keys, mouse samples, window events, the
// characters keys type) as an input script, so that a replay on the deterministic
// platform reads exactly the same. Joysticks are not recorded, so a recording
// platform reports none.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "platform/input_script.h"
#include "platform/platform.h"

namespace zorby::platform {

class RecordingPlatform : public Platform {
  public:
    // Writes to out, which must outlive the platform.
    RecordingPlatform(std::unique_ptr<Platform> inner, std::ostream& out);
    // Writes to a stream it owns (a file).
    RecordingPlatform(std::unique_ptr<Platform> inner, std::unique_ptr<std::ostream> out);
    // Writes the end of the recording.
    ~RecordingPlatform() override;

    // Writes the seed line.
    void record_seed(uint32_t seed);
    // Writes the end line now (also done by the destructor); later input is not written.
    void finish();
    Platform& inner() { return *inner_; }
    uint64_t frames() const { return frame_; }
    // Reads at or beyond this many in one frame are marked with a sync line, so the
    // replay's stall rule (ReplayOptions::stall_reads) never moves later events.
    void set_stall_reads(uint64_t reads) { stall_reads_ = reads; }

    // ---- Platform ----
    double now_ms() override { return inner_->now_ms(); }
    void sleep_ms(double ms) override { inner_->sleep_ms(ms); }
    void sleep_until_ms(double deadline_ms) override { inner_->sleep_until_ms(deadline_ms); }
    bool is_virtual() const override { return inner_->is_virtual(); }
    bool create_window(const WindowConfig& config) override {
        return inner_->create_window(config);
    }
    bool multisample_available(int samples) override {
        return inner_->multisample_available(samples);
    }
    void destroy_window() override { inner_->destroy_window(); }
    bool has_window() const override { return inner_->has_window(); }
    void set_title(const std::string& title) override { inner_->set_title(title); }
    std::string title() const override { return inner_->title(); }
    void client_size(int& width, int& height) const override { inner_->client_size(width, height); }
    void swap_buffers() override;
    bool set_fullscreen(bool fullscreen) override { return inner_->set_fullscreen(fullscreen); }
    void show_window(bool shown) override { inner_->show_window(shown); }
    void raise_window() override { inner_->raise_window(); }
    void set_screensaver_enabled(bool enabled) override {
        inner_->set_screensaver_enabled(enabled);
    }
    void* gl_proc_address(const char* name) override { return inner_->gl_proc_address(name); }

    std::optional<WindowEvent> poll_window_event() override;
    void keyboard_state(std::array<uint8_t, 256>& out) override;
    int key_character(int scan_code) override;
    MouseSample sample_mouse() override;
    void set_pointer_visible(bool visible) override { inner_->set_pointer_visible(visible); }
    void warp_pointer(int x, int y) override;
    int joystick_count() override { return 0; }
    std::string joystick_name(int) override { return {}; }
    bool read_joystick(int, JoystickSample&) override { return false; }

    AudioDevice& audio() override { return inner_->audio(); }

  private:
    void write(ScriptEvent::Kind kind, int a = 0, int b = 0);
    ScriptPosition position() const { return {frame_, reads_}; }

    std::unique_ptr<Platform> inner_;
    std::unique_ptr<std::ostream> owned_;
    std::ostream& out_;
    ScriptedInputState model_;
    uint64_t frame_ = 0;
    uint64_t reads_ = 0;
    uint64_t stall_reads_ = 1000000;
    bool finished_ = false;
};

}  // namespace zorby::platform
