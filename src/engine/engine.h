// The engine object: every piece of process-wide engine state lives here, reached
// through the command functions. Tests build a fresh engine on the deterministic
// platform and tear it down again; the game gets one for the whole run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace zorby {

class OpenGLVizovudo;
struct InputState;
class SoundSystem;
class MusicPlayer;
class FileChannels;
class RandomGenerator;
class PackedMediaLookup;

// Start-up settings, filled by the program entry before start-up.
struct ProjectSettings {
    int32_t width = 320;
    int32_t height = 240;
    int32_t full_screen = 0;
    int32_t frame_rate = 60;
    int32_t pointer_hidden = 1;
    int32_t debug_mode = 0;
    int32_t multisample = 0;
};

// The last reported run-time error and the line values.
struct ErrorRecord {
    double error_number = 0.0;
    double error_line = 0.0;
    double current_position = 0.0;
    double current_line = 0.0;
};

// Placeholders for the engine objects that the game never uses but start-up
// creates and clean-up releases: the network object and the 3D scene.
struct NetworkObject {
    int open_connections = 0;
    void close_all() { open_connections = 0; }
};
struct Vizovudo3D {
    OpenGLVizovudo* display = nullptr;
    bool in_shadow_volume_state = false;
    void leave_shadow_state() { in_shadow_volume_state = false; }
    void reset_frame_values() {}
};

// Thrown by end_program when the engine was started with an exit hook that asks for
// it (tests and replays), so a finished run unwinds to its caller instead of ending
// the process.
struct ProgramEnded {
    int exit_status;
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ProjectSettings settings;
    ErrorRecord error;
    std::string error_detail;  // what failed, for the stderr line of an error end

    std::unique_ptr<platform::Platform> platform;
    std::unique_ptr<OpenGLVizovudo> display;
    std::unique_ptr<InputState> input;
    std::unique_ptr<SoundSystem> sound;
    std::unique_ptr<NetworkObject> network;
    std::unique_ptr<Vizovudo3D> scene;
    std::unique_ptr<PackedMediaLookup> media_lookup;
    std::unique_ptr<PackedMediaLookup> music_lookup;
    std::unique_ptr<MusicPlayer> music;
    std::unique_ptr<FileChannels> channels;
    std::unique_ptr<RandomGenerator> random;

    std::string title;
    std::string command_line;
    std::string program_dir;
    bool auto_pause = true;
    bool paused = false;
    bool escape_ends_program = true;
    double current_frame_mark = 0.0;
    double previous_frame_mark = 0.0;
    double clock_base = 0.0;
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
    // Called just before the buffers are swapped, while the finished frame can still
    // be read back (tests look at what a frame shows).
    std::function<void()> before_swap_hook;
};

// The current engine (there is at most one). engine() ends the process with a
// message when there is none: every command needs it.
Engine& engine();
Engine* engine_if_any();
// Makes e the current engine (nullptr: none). Used by start-up and tests.
void set_current_engine(Engine* e);

// ---- the error model ----
// Stores code as the error number, copies the current line into the error line,
// returns code unchanged.
double set_error(double code);
// The same, with a description of what failed for the stderr line at program end.
double set_error(double code, const std::string& what);
void set_current_line(double position, double line);
// Appends one line (CR LF ended) to "ErrorLog.txt" in the temporary directory.
void append_error_log(const char* text);
void append_error_log(const std::string& text);
// Path of the error log: $TMPDIR (or /tmp) + "/ErrorLog.txt".
std::string error_log_path();
// Text for a run-time error number ("index out of range", ...).
const char* error_text(int code);

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

// ---- frame presentation ----
// The quit keys end the program as a normal end: the error number is cleared first.
[[noreturn]] void end_program_by_quit_key();
// Ends the program when Escape (while it ends the program) or Alt+F4 is down in the
// key state of the last keyboard poll; otherwise returns.
void end_program_on_quit_keys();
void present_frame();
// Swaps and waits for the next frame slot; returns the ms spent plus 1.
double swap_and_pace();
// Dispatches every waiting window event; returns true.
bool drain_messages();
double frame_duration_ms();
// The window procedure: reacts to one window event.
void handle_window_event(const platform::WindowEvent& event);

// Raw clock reading in milliseconds (the platform clock).
double clock_ms();

}  // namespace zorby
