// The engine object: every piece of process-wide engine state lives here, reached
// through the command functions. Each layer below owns its share (the floor's error
// record and files, the display, the input state, the sound) and finds it through
// its own accessor; the runtime's Engine brings the shares together and makes them
// current. Tests build a fresh engine on the deterministic platform and tear it down
// again; the game gets one for the whole run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/audio_layer.h"
#include "engine/engine_core.h"
#include "graphics/graphics_layer.h"
#include "input/input_layer.h"
#include "platform/platform.h"

namespace zorby {

// Start-up settings, filled by the program entry before start-up.
struct ProjectSettings {
    // The logical frame: everything the engine and the game draw and read.
    int32_t width = 320;
    int32_t height = 240;
    // Non-zero: start in desktop full screen (--fullscreen).
    int32_t full_screen = 0;
    // The whole factor the window shows the frame at: 1 to 16, or 0 for the largest
    // whose window fits in about 85% of the display (--scale N).
    int32_t window_scale = 0;
    int32_t frame_rate = 60;
    int32_t pointer_hidden = 1;
    int32_t debug_mode = 0;
    int32_t multisample = 0;
    // Where the game's files are (an absolute folder); empty: the program's own
    // folder. Start-up makes it the current directory.
    std::string data_dir;
    // The engine kit's settings: 1 prints neither "Init OK" nor the software-drawing
    // warning (the error log still gets them); 1 makes picture loads print nothing and
    // explain their failures (GraphicsLayer::explain_pictures).
    int32_t quiet_console = 0;
    int32_t explain_loads = 0;
};

// Placeholder for an engine object that the game never uses but start-up creates
// and clean-up releases: the network object.
struct NetworkObject {
    int open_connections = 0;
    void close_all() { open_connections = 0; }
};

// Thrown by end_program when the engine was started with an exit hook that asks for
// it (tests and replays), so a finished run unwinds to its caller instead of ending
// the process.
struct ProgramEnded {
    int exit_status;
};

class Engine : public EngineCore, public GraphicsLayer, public InputLayer, public AudioLayer {
public:
    // Installs the hooks through which the lower layers reach the runtime.
    Engine();
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ProjectSettings settings;
    std::unique_ptr<NetworkObject> network;

    std::string title;
    std::string command_line;
    std::string program_dir;
    bool auto_pause = true;
    bool paused = false;
    bool escape_ends_program = true;
    double current_frame_mark = 0.0;
    double previous_frame_mark = 0.0;
    bool started = false;
    bool cleaned_up = false;
    // How late the platform's sleeps wake up, smoothed (ms). Frame pacing wakes this
    // much (with a margin) before the slot and spins the rest.
    double wake_oversleep_ms = 0.1;

    // Called by end_program with the exit status instead of ending the process.
    // It must not return (throw ProgramEnded); when empty the process exits.
    std::function<void(int)> exit_hook;
    // Called once per present_frame after the buffers were swapped (replays hash
    // frames and count them here).
    std::function<void()> frame_hook;
    // Called once by end_program before anything is cleaned up, however the run ends
    // (the test kit traces the frame that was being drawn).
    std::function<void()> before_end_hook;
    // Why the last video that could not be played failed (the error log's line).
    std::string video_error;
    // Called each time the window's messages have been handled: at least once a
    // frame and once a step of every wait (the program keeps its settings file in
    // step here).
    std::function<void()> messages_hook;
    // Called just before the buffers are swapped, while the finished frame can still
    // be read back (tests look at what a frame shows).
    std::function<void()> before_swap_hook;
};

// The current engine (there is at most one). engine() ends the process with a
// message when there is none: every command needs it.
Engine& engine();
Engine* engine_if_any();
// Makes e the current engine (nullptr: none), and its shares the current ones of
// their layers. Used by start-up and tests.
void set_current_engine(Engine* e);

// ---- start-up and shutdown ----
// Starts the engine on the given platform (the engine object must be current).
// show_command 0 starts with a hidden window. Returns false when the display could
// not be set up; nothing else is created then.
bool engine_start(std::unique_ptr<platform::Platform> platform, int show_command,
                  const std::string& title);
// Releases every engine object in the fixed order; a second call does nothing.
void engine_cleanup();
// Ends the program: clean-up, the debug log block, then exit. Exits with 0 after a
// normal end and with 1 (after one stderr line) when a run-time error is pending.
[[noreturn]] void end_program();
// Clean-up, then runs command_line as a new process, then exits with 0.
[[noreturn]] void end_and_run(const std::string& command_line);
void set_auto_pause(double flag);
void set_escape_ends_program(double flag);
void debug_break(int32_t number);
// The directory of the running executable (no trailing separator).
std::string executable_directory();

// The whole factor the window shows the frame at now, and whether it fills the
// screen (both change when the player resizes the window or presses Alt+Enter / F11);
// 1 and false before start-up.
int current_window_scale();
bool current_fullscreen();

}  // namespace zorby
