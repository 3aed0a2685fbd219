// A platform that passes every call on to another one; the recording and replay
// platforms derive from it and take over the calls they change.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace zorby::platform {

class PlatformDecorator : public Platform, public Clock, public Window, public Input {
public:
    explicit PlatformDecorator(std::unique_ptr<Platform> inner) : inner_(std::move(inner)) {}
    Platform& inner() { return *inner_; }

    Clock& clock() override { return *this; }
    Window& window() override { return *this; }
    Input& input() override { return *this; }

    double now_ms() override { return inner_->clock().now_ms(); }
    void sleep_ms(double ms) override { inner_->clock().sleep_ms(ms); }
    void sleep_until_ms(double deadline_ms) override {
        inner_->clock().sleep_until_ms(deadline_ms);
    }
    bool is_virtual() const override { return inner_->clock().is_virtual(); }
    bool create_window(const WindowConfig& c) override { return inner_->window().create_window(c); }
    bool multisample_available(int n) override { return inner_->window().multisample_available(n); }
    void destroy_window() override { inner_->window().destroy_window(); }
    bool has_window() const override { return inner_->window().has_window(); }
    void set_title(const std::string& title) override { inner_->window().set_title(title); }
    std::string title() const override { return inner_->window().title(); }
    void client_size(int& w, int& h) const override { inner_->window().client_size(w, h); }
    bool set_frame_size(int w, int h) override { return inner_->window().set_frame_size(w, h); }
    int window_scale() const override { return inner_->window().window_scale(); }
    bool is_fullscreen() const override { return inner_->window().is_fullscreen(); }
    void swap_buffers() override { inner_->window().swap_buffers(); }
    bool frame_retained() const override { return inner_->window().frame_retained(); }
    void frame_not_redrawn() override { inner_->window().frame_not_redrawn(); }
    bool set_fullscreen(bool on) override { return inner_->window().set_fullscreen(on); }
    void show_window(bool shown) override { inner_->window().show_window(shown); }
    void raise_window() override { inner_->window().raise_window(); }
    void set_window_icon(const uint8_t* rgba, int width, int height) override {
        inner_->window().set_window_icon(rgba, width, height);
    }
    void set_screensaver_enabled(bool on) override { inner_->window().set_screensaver_enabled(on); }
    void* gl_proc_address(const char* name) override {
        return inner_->window().gl_proc_address(name);
    }

    std::optional<WindowEvent> poll_window_event() override {
        return inner_->input().poll_window_event();
    }
    void keyboard_state(std::array<uint8_t, 256>& out) override {
        inner_->input().keyboard_state(out);
    }
    int key_character(int scan_code) override { return inner_->input().key_character(scan_code); }
    MouseSample sample_mouse() override { return inner_->input().sample_mouse(); }
    void set_pointer_visible(bool visible) override {
        inner_->input().set_pointer_visible(visible);
    }
    void warp_pointer(int x, int y) override { inner_->input().warp_pointer(x, y); }
    int joystick_count() override { return inner_->input().joystick_count(); }
    std::string joystick_name(int index) override { return inner_->input().joystick_name(index); }
    bool read_joystick(int index, JoystickReport& out) override {
        return inner_->input().read_joystick(index, out);
    }

    AudioDevice& audio() override { return inner_->audio(); }

protected:
    std::unique_ptr<Platform> inner_;
};

}  // namespace zorby::platform
