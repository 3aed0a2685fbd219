// The deterministic platform: virtual clock, scripted events and input, and a real
// OpenGL window (offscreen in headless runs) so frames can be read back.
#include "platform/replay/deterministic.h"

#include <time.h>

#include <algorithm>
#include <cmath>

#include "platform/monotonic_clock.h"
#include "platform/sdl/sdl_window.h"

namespace zorby::platform {

std::unique_ptr<AudioDevice> make_sdl_mixer_audio();

DeterministicPlatform::DeterministicPlatform(const DeterministicOptions& options)
    : options_(options), now_ms_(options.start_ms), real_start_(monotonic_ms()) {
    audio_ = options.make_audio   ? options.make_audio()
             : options.real_audio ? make_sdl_mixer_audio()
                                  : make_null_audio();
}

DeterministicPlatform::~DeterministicPlatform() {
    audio_.reset();
    if (window_) window_->destroy();
}

std::unique_ptr<DeterministicPlatform> make_deterministic_platform(
    const DeterministicOptions& options) {
    return std::make_unique<DeterministicPlatform>(options);
}

void DeterministicPlatform::sleep_ms(double ms) {
    if (ms > 0) {
        now_ms_ += ms;
        slept_ms_ += ms;
    }
    if (sleep_hook) sleep_hook(ms);
}

void DeterministicPlatform::sleep_until_ms(double deadline_ms) {
    if (deadline_ms > now_ms_) sleep_ms(deadline_ms - now_ms_);
}

bool DeterministicPlatform::create_window(const WindowConfig& config) {
    if (!options_.open_real_window) return false;
    if (!window_) window_ = std::make_unique<SdlWindow>();
    WindowConfig c = config;
    c.hidden = !options_.show_window || config.hidden;  // scripted runs are not watched
    c.samples = 0;  // multisampling is answered by the fake query, not the driver
    if (c.scale == 0) c.scale = options_.window_scale;
    if (!window_->create(c)) return false;
    fullscreen_ = window_->fullscreen();
    width_ = config.width;
    height_ = config.height;
    title_ = config.title;
    shown_ = !config.hidden;
    return true;
}

bool DeterministicPlatform::multisample_available(int samples) {
    multisample_requests_.push_back(samples);
    return max_samples_ > 0 && samples <= max_samples_;
}

void DeterministicPlatform::destroy_window() {
    if (window_) window_->destroy();
    width_ = height_ = 0;
}

bool DeterministicPlatform::has_window() const {
    return window_ && window_->open();
}

void DeterministicPlatform::client_size(int& width, int& height) const {
    if (window_ && window_->open()) {
        window_->client_size(width, height);
    } else {
        width = width_;
        height = height_;
    }
}

bool DeterministicPlatform::frame_retained() const {
    return window_ && window_->frame_retained();
}

void DeterministicPlatform::frame_not_redrawn() {
    if (window_) window_->frame_not_redrawn();
}

void DeterministicPlatform::swap_buffers() {
    if (window_) window_->swap();
    ++frames_;
    now_ms_ += options_.frame_period_ms;
    if (options_.realtime) {
        // Watched replays run at the speed they were recorded.
        sleep_until_monotonic(real_start_ + (now_ms_ - options_.start_ms));
    }
    if (swap_hook) swap_hook();
}

bool DeterministicPlatform::set_fullscreen(bool fullscreen) {
    // A real window really switches (the offscreen driver's screen is its display);
    // without one the request is only remembered.
    if (window_ && window_->open() && !window_->set_fullscreen(fullscreen)) return false;
    fullscreen_ = fullscreen;
    return true;
}

bool DeterministicPlatform::set_frame_size(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (window_ && window_->open() && !window_->set_frame_size(width, height)) return false;
    width_ = width;
    height_ = height;
    return true;
}

int DeterministicPlatform::window_scale() const {
    return window_ && window_->open() ? window_->layout().scale : 1;
}

bool DeterministicPlatform::read_window(std::vector<uint8_t>& rgba, int& width, int& height,
                                        bool compose) {
    return window_ && window_->open() && window_->read_window(rgba, width, height, compose);
}

void DeterministicPlatform::resize_window(int width, int height) {
    if (window_ && window_->open()) window_->resize(width, height);
}

long long DeterministicPlatform::unchanged_swaps() const {
    return window_ ? window_->unchanged_swaps() : 0;
}

bool DeterministicPlatform::window_copies_as_rectangle() const {
    return window_ && window_->open() && window_->copies_as_rectangle();
}

void DeterministicPlatform::window_pixel_size(int& width, int& height) const {
    width = height = 0;
    if (window_ && window_->open()) window_->window_pixel_size(width, height);
}

void* DeterministicPlatform::gl_proc_address(const char* name) {
    return has_window() ? sdl_gl_proc_address(name) : nullptr;
}

void DeterministicPlatform::schedule(uint64_t frame, const ScriptEvent& event) {
    // Keep the queue ordered by frame; equal frames keep their order.
    auto it = std::upper_bound(
        pending_.begin(), pending_.end(), frame,
        [](uint64_t f, const std::pair<uint64_t, ScriptEvent>& p) { return f < p.first; });
    pending_.insert(it, {frame, event});
}

uint64_t DeterministicPlatform::last_scheduled_frame() const {
    return pending_.empty() ? 0 : pending_.back().first;
}

void DeterministicPlatform::set_key(int code, bool down) {
    if (code >= 0 && code < 256) apply({ScriptEvent::Kind::Key, code, down ? 1 : 0});
}

void DeterministicPlatform::apply(const ScriptEvent& event) {
    input_.apply(event);
}

void DeterministicPlatform::apply_due_actions() {
    while (!pending_.empty() && pending_.front().first <= frames_) {
        const auto action = pending_.front().second;
        pending_.pop_front();
        apply(action);
    }
}

std::optional<WindowEvent> DeterministicPlatform::poll_window_event() {
    apply_due_actions();
    return input_.take_window_event();
}

void DeterministicPlatform::keyboard_state(std::array<uint8_t, 256>& out) {
    apply_due_actions();
    out = input_.take_keys();
}

int DeterministicPlatform::key_character(int scan_code) {
    return input_.character(scan_code);
}

MouseSample DeterministicPlatform::sample_mouse() {
    apply_due_actions();
    return input_.take_mouse_sample();
}

void DeterministicPlatform::warp_pointer(int x, int y) {
    input_.warp(x, y);
}

}  // namespace zorby::platform
