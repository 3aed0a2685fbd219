// The SDL platform: the real clock, the real window and the real devices.
#include <SDL.h>
#include <time.h>

#include <array>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "platform/monotonic_clock.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

namespace zorby::platform {

std::unique_ptr<AudioDevice> make_sdl_mixer_audio();

namespace {

class SdlPlatform : public Platform {
public:
    SdlPlatform() = default;
    ~SdlPlatform() override {
        for (SDL_Joystick* j : joysticks_) SDL_JoystickClose(j);
        audio_.reset();
        window_.destroy();
    }

    double now_ms() override { return monotonic_ms(); }
    void sleep_ms(double ms) override {
        if (ms > 0) sleep_until_monotonic(monotonic_ms() + ms);
    }
    void sleep_until_ms(double deadline_ms) override {
        if (deadline_ms > monotonic_ms()) sleep_until_monotonic(deadline_ms);
    }
    bool is_virtual() const override { return false; }

    bool create_window(const WindowConfig& config) override {
        if (!window_.create(config)) return false;
        title_ = config.title;
        return true;
    }
    bool multisample_available(int samples) override {
        return SdlWindow::probe_multisample(samples);
    }
    void destroy_window() override { window_.destroy(); }
    bool has_window() const override { return window_.open(); }
    void set_title(const std::string& title) override {
        title_ = title;
        window_.set_title(title);
    }
    std::string title() const override { return title_; }
    void client_size(int& width, int& height) const override { window_.client_size(width, height); }
    void swap_buffers() override { window_.swap(); }
    bool set_fullscreen(bool fullscreen) override { return window_.set_fullscreen(fullscreen); }
    void show_window(bool shown) override { window_.show(shown); }
    void raise_window() override { window_.raise(); }
    void set_window_icon(const uint8_t* rgba, int width, int height) override {
        window_.set_icon(rgba, width, height);
    }
    void set_screensaver_enabled(bool enabled) override {
        if (enabled) {
            SDL_EnableScreenSaver();
        } else {
            SDL_DisableScreenSaver();
        }
    }
    void* gl_proc_address(const char* name) override { return SDL_GL_GetProcAddress(name); }

    std::optional<WindowEvent> poll_window_event() override {
        pump();
        if (window_events_.empty()) return std::nullopt;
        WindowEvent e = window_events_.front();
        window_events_.pop_front();
        return e;
    }
    void keyboard_state(std::array<uint8_t, 256>& out) override {
        pump();
        out = keys_;
    }
    int key_character(int scan_code) override {
        const int sdl = sdl_scancode_from_engine_code(scan_code);
        if (sdl == 0) return 0;
        const SDL_Keycode k = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(sdl));
        if (k >= 32 && k < 127) return static_cast<int>(k);
        return 0;
    }
    MouseSample sample_mouse() override {
        pump();
        MouseSample s = mouse_;
        mouse_.dx = mouse_.dy = mouse_.wheel = 0;
        return s;
    }
    void set_pointer_visible(bool visible) override {
        SDL_SetRelativeMouseMode(visible ? SDL_FALSE : SDL_TRUE);
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }
    void warp_pointer(int x, int y) override {
        SDL_Window* w = SDL_GL_GetCurrentWindow();
        if (w) SDL_WarpMouseInWindow(w, x, y);
        mouse_.x = x;
        mouse_.y = y;
    }
    int joystick_count() override {
        open_joysticks();
        return static_cast<int>(joysticks_.size());
    }
    std::string joystick_name(int index) override {
        open_joysticks();
        if (index < 0 || index >= static_cast<int>(joysticks_.size())) return {};
        const char* n = SDL_JoystickName(joysticks_[index]);
        const std::string name = n ? n : "";
        return name + ", " + name;
    }
    bool read_joystick(int index, JoystickSample& out) override {
        open_joysticks();
        if (index < 0 || index >= static_cast<int>(joysticks_.size())) return false;
        SDL_Joystick* j = joysticks_[index];
        SDL_JoystickUpdate();
        out = JoystickSample{};
        const int axes = std::min(SDL_JoystickNumAxes(j), 6);
        for (int a = 0; a < axes; ++a) out.axes[a] = SDL_JoystickGetAxis(j, a);
        const int hats = std::min(SDL_JoystickNumHats(j), 4);
        for (int h = 0; h < hats; ++h) out.pov[h] = hat_to_pov(SDL_JoystickGetHat(j, h));
        const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
        for (int b = 0; b < buttons; ++b) out.buttons[b] = SDL_JoystickGetButton(j, b) ? 0x80 : 0;
        return true;
    }

    AudioDevice& audio() override {
        if (!audio_) audio_ = make_sdl_mixer_audio();
        return *audio_;
    }

private:
    static int32_t hat_to_pov(Uint8 hat) {
        switch (hat) {
            case SDL_HAT_UP:
                return 0;
            case SDL_HAT_RIGHTUP:
                return 4500;
            case SDL_HAT_RIGHT:
                return 9000;
            case SDL_HAT_RIGHTDOWN:
                return 13500;
            case SDL_HAT_DOWN:
                return 18000;
            case SDL_HAT_LEFTDOWN:
                return 22500;
            case SDL_HAT_LEFT:
                return 27000;
            case SDL_HAT_LEFTUP:
                return 31500;
            default:
                return -1;
        }
    }

    void open_joysticks() {
        if (joysticks_opened_) return;
        joysticks_opened_ = true;
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return;
        const int n = SDL_NumJoysticks();
        for (int i = 0; i < n && joysticks_.size() < 10; ++i) {
            if (SDL_Joystick* j = SDL_JoystickOpen(i)) joysticks_.push_back(j);
        }
    }

    // Takes every waiting SDL event: key and mouse events update the state, window
    // events wait in a queue for poll_window_event.
    void pump() {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            switch (ev.type) {
                case SDL_QUIT:
                    window_events_.push_back({WindowEventType::Close});
                    break;
                case SDL_WINDOWEVENT:
                    if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                        window_events_.push_back({WindowEventType::FocusLost});
                    } else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                        window_events_.push_back({WindowEventType::FocusGained});
                    } else if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
                        window_events_.push_back({WindowEventType::Close});
                    }
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP: {
                    const int code = engine_code_from_sdl_scancode(ev.key.keysym.scancode);
                    if (code != 0) keys_[code] = ev.type == SDL_KEYDOWN ? 0x80 : 0;
                    break;
                }
                case SDL_MOUSEMOTION:
                    mouse_.dx += ev.motion.xrel;
                    mouse_.dy += ev.motion.yrel;
                    mouse_.x = ev.motion.x;
                    mouse_.y = ev.motion.y;
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP: {
                    const bool down = ev.type == SDL_MOUSEBUTTONDOWN;
                    if (ev.button.button == SDL_BUTTON_LEFT) mouse_.left = down;
                    if (ev.button.button == SDL_BUTTON_RIGHT) mouse_.right = down;
                    if (ev.button.button == SDL_BUTTON_MIDDLE) mouse_.middle = down;
                    break;
                }
                case SDL_MOUSEWHEEL:
                    mouse_.wheel = ev.wheel.y > 0 ? 1 : (ev.wheel.y < 0 ? -1 : 0);
                    break;
                default:
                    break;
            }
        }
    }

    SdlWindow window_;
    std::string title_;
    std::array<uint8_t, 256> keys_{};
    MouseSample mouse_{};
    std::deque<WindowEvent> window_events_;
    std::vector<SDL_Joystick*> joysticks_;
    bool joysticks_opened_ = false;
    std::unique_ptr<AudioDevice> audio_;
};

}  // namespace

std::unique_ptr<Platform> make_sdl_platform() {
    return std::make_unique<SdlPlatform>();
}

}  // namespace zorby::platform
