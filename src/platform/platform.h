// The platform layer: everything the engine needs from the operating system.
//
// The engine never talks to SDL directly; it talks to a Platform. Two kinds exist:
//   - the SDL platform (real window, real clock, real devices) used for playing, and
//   - the deterministic platform (virtual clock, scripted events and input) used by
//     tests, replays and benchmarks. It still opens a real OpenGL window (under
//     SDL_VIDEODRIVER=offscreen in headless runs) so drawing can be read back.
//
// A Platform is the set of its concerns, each its own interface: the Clock, the
// Window (with its OpenGL context), the Input, the AudioDevice and the Files. A decorator or a
// second implementation takes over one concern without repeating the others.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/window.h"

namespace zorby::platform {

class Platform {
public:
    virtual ~Platform() = default;

    virtual Clock& clock() = 0;
    virtual Window& window() = 0;
    virtual Input& input() = 0;
    // The audio device (never null; may be unavailable).
    virtual AudioDevice& audio() = 0;
    // The files and folders (the system's own unless a platform says otherwise).
    virtual Files& files() { return system_files(); }
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
    // When set, makes the audio device instead (a mixer of the program's own: the
    // sound track of an exported video).
    std::function<std::unique_ptr<AudioDevice>()> make_audio;
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
