// The SDL platform: the real clock, the real window and the real devices.
//
// Everything handed to the engine is in the logical frame's pixels: pointer
// positions and motion are mapped from the enlarged window. Alt+Enter and F11
// switch between the window and desktop full screen and never reach the game.
// A key or button that goes down and up between two reads is reported once (the
// tap bit of keyboard_state, a pressed button in the next mouse sample), and
// game controllers show up as the keys they stand for.
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
#include <SDL.h>
#include <time.h>

#include <array>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "platform/monotonic_clock.h"
#include "platform/platform.h"
#include "platform/portable/keys.h"
#include "platform/portable/window_layout.h"
#include "platform/sdl/sdl_gamepads.h"
#include "platform/sdl/sdl_window.h"

namespace zorby::platform {

std::unique_ptr<AudioDevice> make_sdl_mixer_audio();
// An output device was added or removed; a lost device is looked for again now and
// then (sdl_audio.cpp).
void audio_device_event(AudioDevice& audio, bool added);
void audio_device_retry(AudioDevice& audio);

namespace {

class SdlPlatform : public Platform, public Clock, public Window, public Input {
public:
    Clock& clock() override { return *this; }
    Window& window() override { return *this; }
    Input& input() override { return *this; }

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
        pointer_known_ = false;
        refresh_layout();
        gamepads_.start();
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
    bool set_frame_size(int width, int height) override {
        const bool ok = window_.set_frame_size(width, height);
        refresh_layout();
        return ok;
    }
    int window_scale() const override { return window_.layout().scale; }
    bool is_fullscreen() const override { return window_.fullscreen(); }
    void swap_buffers() override {
        window_.swap();
#ifdef __EMSCRIPTEN__
        // The frames shown, for the page's benchmark and tests.
        // clang-format off
        EM_ASM({
            Module.zorbyFrames = (Module.zorbyFrames | 0) + 1;
            if (Module.zorbyFrames === 1) Module.zorbyFirstFrameMs = performance.now();
        });
        // clang-format on
#endif
    }
    bool frame_retained() const override {
        return window_.frame_retained();
    }
    void frame_not_redrawn() override {
        window_.frame_not_redrawn();
    }
    bool set_fullscreen(bool fullscreen) override {
        const bool ok = window_.set_fullscreen(fullscreen);
        refresh_layout();
        return ok;
    }
    void show_window(bool shown) override {
        window_.show(shown);
    }
    void raise_window() override {
        window_.raise();
    }
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
    void* gl_proc_address(const char* name) override {
        return SDL_GL_GetProcAddress(name);
    }

    std::optional<WindowEvent> poll_window_event() override {
        pump();
        if (window_events_.empty()) return std::nullopt;
        WindowEvent e = window_events_.front();
        window_events_.pop_front();
        return e;
    }
    void keyboard_state(std::array<uint8_t, 256>& out) override {
        pump();
        update_held();
        for (int code = 0; code < 256; ++code) {
            out[code] = (held_[code] & 0x80) != 0 ? 0x80 : (pressed_[code] ? 0x40 : 0);
        }
        pressed_.fill(false);
    }
    int key_character(int scan_code) override {
        if (scan_code < 0 || scan_code > 255) return 0;
        // What the key typed when it was last pressed, else what the layout says.
        if (typed_[scan_code] >= 0) return typed_[scan_code];
        const int sdl = sdl_scancode_from_engine_code(scan_code);
        if (sdl == 0) return 0;
        return character_of_key(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(sdl)));
    }
    MouseSample sample_mouse() override {
        pump();
        if (!pointer_known_) find_pointer();
        MouseSample s = mouse_;
        // A press released before this sample still counts once.
        s.left = s.left || (buttons_pressed_ & 1) != 0;
        s.right = s.right || (buttons_pressed_ & 2) != 0;
        s.middle = s.middle || (buttons_pressed_ & 4) != 0;
        buttons_pressed_ = 0;
        mouse_.dx = mouse_.dy = mouse_.wheel = 0;
        return s;
    }
    // The system pointer is hidden while it is over the window, never captured: the
    // engine's motion comes from where the pointer is (see the motion event), which
    // every pointing device reports. SDL's relative mode would read only devices that
    // report motion (not a pen tablet, a touch screen, or the pointer of a virtual
    // machine, a remote desktop or a virtual X server), so it is not used.
    void set_pointer_visible(bool visible) override {
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }
    void warp_pointer(int x, int y) override {
        refresh_layout();
        SDL_Window* w = SDL_GL_GetCurrentWindow();
        int wx = 0, wy = 0;
        mapper_.to_window(x, y, wx, wy);
        if (w) SDL_WarpMouseInWindow(w, wx, wy);
        mouse_.x = x;
        mouse_.y = y;
        pointer_known_ = true;
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
    bool read_joystick(int index, JoystickReport& out) override {
        open_joysticks();
        if (index < 0 || index >= static_cast<int>(joysticks_.size())) return false;
        SDL_Joystick* j = joysticks_[index];
        SDL_JoystickUpdate();
        out = JoystickReport{};
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
    // The byte a key symbol types: printable ASCII and Latin-1 (160..255) as they
    // are, the keypad's digits, point and operators as their characters; 0 for
    // anything else (outside Latin-1 there is no byte for it).
    static int character_of_key(SDL_Keycode k) {
        if ((k >= 32 && k < 127) || (k >= 160 && k <= 255)) return static_cast<int>(k);
        switch (k) {
            case SDLK_KP_0:
                return '0';
            case SDLK_KP_PERIOD:
                return '.';
            case SDLK_KP_DIVIDE:
                return '/';
            case SDLK_KP_MULTIPLY:
                return '*';
            case SDLK_KP_MINUS:
                return '-';
            case SDLK_KP_PLUS:
                return '+';
            default:
                break;
        }
        if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return '1' + static_cast<int>(k - SDLK_KP_1);
        return 0;
    }

    // The first character of UTF-8 text as a Latin-1 byte, 0 when it lies outside.
    static int latin1_of_text(const char* text) {
        const auto* u = reinterpret_cast<const unsigned char*>(text);
        if (u[0] >= 32 && u[0] < 127) return u[0];
        // Two-byte sequences C2 80 .. C3 BF are U+0080 .. U+00FF.
        if ((u[0] == 0xC2 || u[0] == 0xC3) && (u[1] & 0xC0) == 0x80) {
            const int c = ((u[0] & 0x1F) << 6) | (u[1] & 0x3F);
            return c >= 160 ? c : 0;
        }
        return 0;
    }

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

    void refresh_layout() {
        int w = 0, h = 0;
        window_.client_size(w, h);
        mapper_.set_layout(window_.layout(), w, h);
    }

    // Where the system pointer is when the window opens: inside the window it is the
    // first position; elsewhere the pointer starts in the middle of the frame.
    void find_pointer() {
        pointer_known_ = true;
        SDL_Window* w = SDL_GL_GetCurrentWindow();
        int fw = 0, fh = 0;
        window_.client_size(fw, fh);
        mouse_.x = fw / 2;
        mouse_.y = fh / 2;
        if (!w) return;
        int gx = 0, gy = 0, wx = 0, wy = 0, ww = 0, wh = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        SDL_GetWindowPosition(w, &wx, &wy);
        SDL_GetWindowSize(w, &ww, &wh);
        if (gx >= wx && gy >= wy && gx < wx + ww && gy < wy + wh) {
            mapper_.to_logical(gx - wx, gy - wy, mouse_.x, mouse_.y);
        }
    }

    // The keys held now: the keyboard's and the controllers'. A key that goes down
    // is remembered as pressed until the next read.
    void update_held() {
        std::array<uint8_t, 256> now = keyboard_;
        gamepads_.held_keys(now_ms(), now);
        for (int code = 0; code < 256; ++code) {
            if ((now[code] & 0x80) != 0 && (held_[code] & 0x80) == 0) pressed_[code] = true;
        }
        held_ = now;
    }

    void key_event(int code, bool down) {
        if (code == 0) return;
        keyboard_[code] = down ? 0x80 : 0;
        if (down) pressed_[code] = true;
    }

    // Alt+Enter or F11 (no repeats): switches the window mode. The key's press and
    // its release are both kept from the game.
    bool toggle_key(const SDL_KeyboardEvent& key, int code) {
        if (key.type == SDL_KEYUP) {
            if (!swallowed_[code]) return false;
            swallowed_[code] = false;
            return true;
        }
        if (swallowed_[code]) return true;  // a repeat of a toggle key
        const bool alt = (key.keysym.mod & KMOD_ALT) != 0 || (keyboard_[56] & 0x80) != 0 ||
                         (keyboard_[184] & 0x80) != 0;
        const bool toggle = code == 87 || ((code == 28 || code == 156) && alt);
        if (!toggle) return false;
        swallowed_[code] = true;
        if (key.repeat == 0) set_fullscreen(!window_.fullscreen());
        return true;
    }

    // Takes every waiting SDL event: key and mouse events update the state, window
    // events wait in a queue for poll_window_event.
    void pump() {
        if (audio_) audio_device_retry(*audio_);
        SDL_Event ev;
        bool layout_checked = false;
        while (SDL_PollEvent(&ev)) {
            switch (ev.type) {
                case SDL_QUIT:
                    window_events_.push_back({WindowEventType::Close});
                    break;
                case SDL_WINDOWEVENT:
                    if (ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                        window_events_.push_back({WindowEventType::FocusLost});
                    } else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                        // A minimised window is not played even when focused.
                        if (!minimised_) window_events_.push_back({WindowEventType::FocusGained});
                    } else if (ev.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                        // Minimised is inactive, as on focus loss (not every window
                        // manager takes the focus away with it).
                        if (!minimised_) window_events_.push_back({WindowEventType::FocusLost});
                        minimised_ = true;
                    } else if (ev.window.event == SDL_WINDOWEVENT_RESTORED ||
                               ev.window.event == SDL_WINDOWEVENT_MAXIMIZED) {
                        // Back on the screen: play goes on once the window has the
                        // keyboard (now, or at its focus event).
                        if (minimised_ && window_.has_input_focus()) {
                            window_events_.push_back({WindowEventType::FocusGained});
                        }
                        minimised_ = false;
                    } else if (ev.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) {
                        window_.follow_display();
                        refresh_layout();
                    } else if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
                        window_events_.push_back({WindowEventType::Close});
                    } else if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                        refresh_layout();
                    }
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP: {
                    const int code = engine_code_from_sdl_scancode(ev.key.keysym.scancode);
                    if (code == 0 || toggle_key(ev.key, code)) break;
                    key_event(code, ev.type == SDL_KEYDOWN);
                    if (ev.type == SDL_KEYDOWN && ev.key.repeat == 0) {
                        typed_[code] = character_of_key(ev.key.keysym.sym);
                        last_pressed_ = code;
                    }
                    break;
                }
                case SDL_TEXTINPUT:
                    // The text the layout made of the last key press (with Shift,
                    // AltGr and dead keys applied) is what that key types.
                    if (last_pressed_ != 0) {
                        typed_[last_pressed_] = latin1_of_text(ev.text.text);
                        last_pressed_ = 0;
                    }
                    break;
                case SDL_MOUSEMOTION: {
                    if (!layout_checked) {
                        refresh_layout();
                        layout_checked = true;
                    }
                    // The motion is the change of the pointer's logical position, so
                    // the engine's summed motion ends where the pointer is.
                    int x = 0, y = 0;
                    mapper_.to_logical(ev.motion.x, ev.motion.y, x, y);
                    if (pointer_known_) {
                        mouse_.dx += x - mouse_.x;
                        mouse_.dy += y - mouse_.y;
                    }
                    mouse_.x = x;
                    mouse_.y = y;
                    pointer_known_ = true;
                    break;
                }
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP: {
                    const bool down = ev.type == SDL_MOUSEBUTTONDOWN;
                    int bit = 0;
                    if (ev.button.button == SDL_BUTTON_LEFT) mouse_.left = down, bit = 1;
                    if (ev.button.button == SDL_BUTTON_RIGHT) mouse_.right = down, bit = 2;
                    if (ev.button.button == SDL_BUTTON_MIDDLE) mouse_.middle = down, bit = 4;
                    if (down) buttons_pressed_ |= bit;
                    break;
                }
                case SDL_CONTROLLERDEVICEADDED:
                case SDL_CONTROLLERDEVICEREMOVED:
                case SDL_CONTROLLERBUTTONDOWN:
                    if (const int code = gamepads_.handle(ev); code != 0) pressed_[code] = true;
                    break;
                case SDL_DISPLAYEVENT:
                    // A display came, went or turned: the window fits the one it is on.
                    window_.follow_display();
                    refresh_layout();
                    break;
                case SDL_AUDIODEVICEADDED:
                case SDL_AUDIODEVICEREMOVED:
                    // The game goes on silently without a device and takes up the
                    // next one that appears.
                    if (ev.adevice.iscapture == 0 && audio_) {
                        audio_device_event(*audio_, ev.type == SDL_AUDIODEVICEADDED);
                    }
                    break;
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
    std::array<uint8_t, 256> keyboard_{};  // the keyboard's keys, bit 7 down
    std::array<uint8_t, 256> held_{};      // keyboard and controllers at the last read
    std::array<bool, 256> pressed_{};      // went down since the last read
    std::array<bool, 256> swallowed_{};    // toggle keys kept from the game
    SdlGamepads gamepads_;
    PointerMapper mapper_;
    bool pointer_known_ = false;
    bool minimised_ = false;
    int buttons_pressed_ = 0;  // buttons that went down since the last sample (1 2 4)
    // Per key: the character its last press typed (-1: not pressed yet).
    std::array<int, 256> typed_ = [] {
        std::array<int, 256> a{};
        a.fill(-1);
        return a;
    }();
    int last_pressed_ = 0;
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
