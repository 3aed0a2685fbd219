// The platform layer: everything the engine needs from the operating system.
//
// The engine never talks to SDL directly; it talks to a Platform. Two kinds exist:
//   - the SDL platform (real window, real clock, real devices) used for playing, and
//   - the deterministic platform (virtual clock, scripted events and input) used by
//     tests, replays and benchmarks. It still opens a real OpenGL window (under
//     SDL_VIDEODRIVER=offscreen in headless runs) so drawing can be read back.
//
// Keys are numbered by the engine's scan codes (1 Escape, 28 Enter, 44 Z, 57 Space,
// 200/203/205/208 arrows, ...); the platform translates its own key codes into them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// Events the engine's window procedure reacts to.
enum class WindowEventType { FocusLost, FocusGained, Close, ScreenSaver };

struct WindowEvent {
    WindowEventType type;
};

// One mouse sample: accumulated relative motion since the previous sample, the
// pointer position, buttons and wheel, all in logical pixels (the frame's, whatever
// the window's factor). A button that went down and up again since the previous
// sample reads as down in this one.
struct MouseSample {
    int dx = 0, dy = 0;
    int x = 0, y = 0;
    int wheel = 0;  // -1, 0, 1
    bool left = false, right = false, middle = false;
};

// A joystick report in the engine's 80-byte layout: six axes X, Y, Z, Rx, Ry, Rz
// (-32768..32768), two sliders, four point-of-view values (hundredths of a degree,
// 0 up, 9000 right, 18000 down, 27000 left; -1 centred) and 32 button bytes
// (non-zero = down).
struct JoystickReport {
    std::array<int32_t, 6> axes{};
    std::array<int32_t, 2> sliders{};
    std::array<int32_t, 4> pov{-1, -1, -1, -1};
    std::array<uint8_t, 32> buttons{};
};
static_assert(sizeof(JoystickReport) == 80);

// The audio device. Sounds and music are decoded and mixed below this interface;
// the engine's sound slots and music player sit on top of it. Every method is
// safe to call when no device could be opened (available() == false): loads
// return 0 and playing does nothing.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    virtual bool available() const = 0;
    // Number of mixer channels; channels are allocated on demand.
    virtual int allocate_channels(int count) = 0;
    // Turns raw PCM (format as in a WAV fmt chunk) into a mixer chunk. Returns an id > 0
    // or 0 when the data cannot be converted.
    virtual int load_chunk(const uint8_t* pcm, size_t bytes, int channels, int sample_rate,
                           int bits_per_sample) = 0;
    virtual void free_chunk(int chunk) = 0;
    // Plays chunk on channel (restarting it when busy) with left/right gains 0..1.
    virtual bool play_chunk(int channel, int chunk, double left_gain, double right_gain) = 0;
    virtual bool channel_playing(int channel) = 0;
    virtual void halt_channel(int channel) = 0;
    virtual void halt_all() = 0;
    // Music from a file. Returns false when the file cannot be played.
    virtual bool play_music(const std::string& path) = 0;
    // Plays the loaded music again from its start, once, or repeating in the mixer
    // until stopped. False when there is no music to play.
    virtual bool restart_music(bool repeat) {
        (void)repeat;
        return false;
    }
    // Length of the loaded music in milliseconds, or a negative number when unknown.
    virtual double music_length_ms() = 0;
    virtual void set_music_volume(double volume01) = 0;
    virtual void stop_music() = 0;
    virtual bool music_playing() = 0;

    // ---- a sound stream made while it plays (a video's sound track) ----
    // Interleaved signed 16-bit frames, mixed over the sounds and the music. Frames
    // are numbered from 0 in the order pushed; the position is the number of the
    // next frame the device will take. Without a device nothing opens.
    //
    // Opens (or reopens, emptied) the stream; rate and channels receive the format
    // frames must be pushed in. False when there is no device.
    virtual bool open_stream(int& rate, int& channels) {
        (void)rate;
        (void)channels;
        return false;
    }
    virtual void push_stream(const int16_t* samples, size_t frames) {
        (void)samples;
        (void)frames;
    }
    // Less the silence still to play, so skip_stream moves it by exactly its frames.
    virtual int64_t stream_position() { return 0; }
    // Frames the device takes at a time.
    virtual int stream_block_frames() { return 0; }
    // Moves the stream against the device: frames > 0 drops that many frames (those
    // queued first, then the next ones pushed) and advances the position; frames < 0
    // plays that much silence before the next frame.
    virtual void skip_stream(int64_t frames) { (void)frames; }
    // Stops and empties the stream.
    virtual void close_stream() {}
};

class Platform {
public:
    virtual ~Platform() = default;

    // ---- clock ----
    // Milliseconds on a monotonic clock (fractional).
    virtual double now_ms() = 0;
    // Waits the given time (virtual clocks advance by exactly that much).
    virtual void sleep_ms(double ms) = 0;
    // Waits until the clock reads at least deadline_ms (absolute, so oversleeping in
    // one wait does not push later deadlines back).
    virtual void sleep_until_ms(double deadline_ms) = 0;
    // True for the virtual clock: waits advance time instead of passing it.
    virtual bool is_virtual() const = 0;

    // ---- window and OpenGL context ----
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

    // ---- events and input ----
    // Pumps the platform's queue and returns the next window event, if any. Key and
    // mouse state are updated as a side effect of pumping.
    virtual std::optional<WindowEvent> poll_window_event() = 0;
    // The engine's 256-entry key state: bit 7 set while the key is down; bit 6 set
    // when the key went down and is up again since the previous call (a tap that no
    // read saw). Gamepad input shows here as the keys it stands for.
    virtual void keyboard_state(std::array<uint8_t, 256>& out) = 0;
    // The printable character (ASCII, lower case for letters) the key with the
    // engine scan code produces on the current layout, or 0.
    virtual int key_character(int scan_code) = 0;
    // One mouse sample; relative motion accumulates between samples.
    virtual MouseSample sample_mouse() = 0;
    // Hidden pointer: the mouse is captured and reports relative motion.
    virtual void set_pointer_visible(bool visible) = 0;
    virtual void warp_pointer(int x, int y) = 0;
    virtual int joystick_count() = 0;
    virtual std::string joystick_name(int index) = 0;
    virtual bool read_joystick(int index, JoystickReport& out) = 0;

    // ---- audio ----
    // The audio device (never null; may be unavailable).
    virtual AudioDevice& audio() = 0;
};

// The SDL platform: real clock, real window and devices.
std::unique_ptr<Platform> make_sdl_platform();

// The deterministic platform: the clock starts at start_ms and advances by
// frame_period_ms on every swap_buffers and by the asked time in every sleep.
// With open_real_window the OpenGL window is a real SDL window (use
// SDL_VIDEODRIVER=offscreen for headless runs); otherwise there is no GL context.
// With real_audio the audio device is SDL_mixer (use SDL_AUDIODRIVER=dummy or disk);
// otherwise it is the null device.
struct DeterministicOptions {
    double start_ms = 1000.0;
    double frame_period_ms = 1000.0 / 60.0;
    bool open_real_window = true;
    bool real_audio = false;
    // When set, each swap also waits in real time up to the next frame (replays
    // watched at normal speed).
    bool realtime = false;
    // When set, the window is shown (a watched replay); otherwise it stays hidden.
    bool show_window = false;
    // The window's factor when the engine asks for the automatic one (scripted runs
    // default to the frame's own size; 0 chooses from the display as a real run does).
    int window_scale = 1;
};

class DeterministicPlatform;
std::unique_ptr<DeterministicPlatform> make_deterministic_platform(
    const DeterministicOptions& options);

// The null audio device: nothing loads, nothing plays.
std::unique_ptr<AudioDevice> make_null_audio();
// The SDL_mixer audio device; the null device when no audio device can be opened.
std::unique_ptr<AudioDevice> make_sdl_mixer_audio();
// For a process that ends when its engine does: the SDL_mixer device is then only
// silenced, and closed by the system as the process exits. Closing it waits until
// the device's thread has played out two more buffers of silence (50 to 70 ms at
// every exit). Tests, which open devices one after another, never call this.
void leave_audio_device_at_exit();

}  // namespace zorby::platform
