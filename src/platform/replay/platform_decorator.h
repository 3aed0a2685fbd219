// Decorators: a platform, or one of its concerns, that passes every call on to
// another one. A decorating platform takes over only the concerns it changes (the
// recording and replay platforms: the input reads and the frame's swap, and the
// recorder also the clock); every other concern is the inner platform's own.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace zorby::platform {

class PlatformDecorator : public Platform {
public:
    explicit PlatformDecorator(std::unique_ptr<Platform> inner) : inner_(std::move(inner)) {}
    Platform& inner() { return *inner_; }

    Clock& clock() override { return inner_->clock(); }
    Window& window() override { return inner_->window(); }
    Input& input() override { return inner_->input(); }
    AudioDevice& audio() override { return inner_->audio(); }

protected:
    std::unique_ptr<Platform> inner_;
};

// A window that passes every call on to another one; derived classes take over the
// calls they change.
class WindowDecorator : public Window {
public:
    explicit WindowDecorator(Window& inner) : inner_window_(inner) {}

    bool create_window(const WindowConfig& c) override { return inner_window_.create_window(c); }
    bool multisample_available(int n) override { return inner_window_.multisample_available(n); }
    void destroy_window() override { inner_window_.destroy_window(); }
    bool has_window() const override { return inner_window_.has_window(); }
    void set_title(const std::string& title) override { inner_window_.set_title(title); }
    std::string title() const override { return inner_window_.title(); }
    void client_size(int& w, int& h) const override { inner_window_.client_size(w, h); }
    bool set_frame_size(int w, int h) override { return inner_window_.set_frame_size(w, h); }
    int window_scale() const override { return inner_window_.window_scale(); }
    bool is_fullscreen() const override { return inner_window_.is_fullscreen(); }
    void swap_buffers() override { inner_window_.swap_buffers(); }
    bool frame_retained() const override { return inner_window_.frame_retained(); }
    void frame_not_redrawn() override { inner_window_.frame_not_redrawn(); }
    bool set_fullscreen(bool on) override { return inner_window_.set_fullscreen(on); }
    void show_window(bool shown) override { inner_window_.show_window(shown); }
    void raise_window() override { inner_window_.raise_window(); }
    void set_window_icon(const uint8_t* rgba, int width, int height) override {
        inner_window_.set_window_icon(rgba, width, height);
    }
    void set_screensaver_enabled(bool on) override { inner_window_.set_screensaver_enabled(on); }
    void* gl_proc_address(const char* name) override { return inner_window_.gl_proc_address(name); }

protected:
    Window& inner_window_;
};

}  // namespace zorby::platform
