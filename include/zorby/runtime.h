/// @file runtime.h
/// @brief Starting and ending a run, the window, the frame loop and the error model.
///
/// A game is a main routine that draws a frame, presents it and repeats:
/// @code
/// void game() {
///     zorby::load_sprite("ball.png", 1);
///     for (double x = 0;; x += 1) {
///         zorby::draw_sprite(1, x, 100);
///         zorby::present_frame();
///     }
/// }
/// int main() { return zorby::run({.title = "Ball"}, game); }
/// @endcode
/// run() opens the window and its OpenGL context, the audio device and the input
/// devices, makes the data folder current, runs the routine and cleans everything
/// up. Frames are paced on a grid of 1000 / frame_rate milliseconds; between frames
/// the process sleeps. Escape (while it ends the run) and Alt+F4 end the run, and so
/// does closing the window; a lost focus pauses the game until it comes back.
///
/// Errors: a command that fails in a way the game cannot go on from (a channel number
/// out of range, reading past the end of a file) records an error number and ends
/// the run; run() then returns 1 after one line on stderr. Commands that may fail in
/// normal play (loading a picture or sound, opening a file) return false instead and
/// set no error.
#pragma once

#include <functional>
#include <string>

namespace zorby {

/// The longest wait wait_ms() and sleep_ms() take, in milliseconds (one hour). A
/// longer time (infinity included), and NaN for wait_ms, is a run-time error: error 5
/// ("bad argument"), one line on stderr naming the command, and the run ends; 0,
/// negative times and minus infinity return at once, and so does sleep_ms(NaN).
inline constexpr double kMaxWaitMs = 3600000.0;

/// What a run starts with.
struct RunOptions {
    std::string title = "zorby engine";  ///< the window's title (UTF-8)
    int width = 320;                     ///< logical frame width in pixels, 16 to 4096
    int height = 240;                    ///< logical frame height in pixels, 16 to 4096
    /// The whole factor the window shows the frame at, 1 to 16; 0 picks the largest
    /// whose window fits in about 85 % of the display.
    int window_scale = 0;
    bool full_screen = false;    ///< start in desktop full screen (Alt+Enter and F11 toggle)
    int frame_rate = 60;         ///< frames per second present_frame() paces to, 1 to 1000
    bool pointer_hidden = true;  ///< hide the system pointer over the window
    /// The folder the game's files are read from; it becomes the current folder.
    /// Empty: the folder of the running program.
    std::string data_dir;
    /// When set, the run's input (keys, mouse, window events, the random seed) is
    /// written to this file as an input script, which zorby::testing::replay plays
    /// again to the same frames (see zorby/testing.h). A relative name is taken from
    /// the current folder at the call of run().
    std::string record_file;
    /// Print the engine's start-up lines on the console: "Init OK" on stdout and, on a
    /// machine that draws OpenGL in software, a two-line warning on stderr. Off by
    /// default: a run prints nothing of its own unless something fails; the error log
    /// (see error_log_path()) gets the lines either way.
    bool console_messages = false;
};

/// Exit statuses run() returns.
enum ExitStatus : int {
    exit_ok = 0,     ///< the game ended normally (end_program, Escape, closed window)
    exit_error = 1,  ///< a run-time error ended the game, or no window could be made
};

/// @brief Runs a game: starts the engine, calls the main routine, cleans up.
/// @param options The window and frame settings.
/// @param main_routine The game; it may return or call end_program().
/// @return exit_ok (0) after a normal end; exit_error (1) when a run-time error ended
/// the game (one line on stderr names it), or the engine could not start (no window with
/// an OpenGL context, options out of range, a recording that cannot be written, another
/// run active; one line on stderr).
int run(const RunOptions& options, const std::function<void()>& main_routine);

/// @brief Shows the frame drawn since the last one and prepares the next: handles the
/// window's events, ends the run on the quit keys, pauses while the window has lost
/// the focus, keeps the music going and waits for the frame's slot on the
/// 1000 / frame_rate grid. The next frame starts from the background picture.
void present_frame();
/// @brief Waits without presenting a frame, handling window events, the quit keys and
/// the music on the way.
/// @param ms Milliseconds of the engine clock, up to kMaxWaitMs (a longer or NaN time
/// is error 5 and ends the run); 0 or less returns at once.
void wait_ms(double ms);
/// @brief Ends the run: cleans up and returns from run() (with exit_error when an error
/// is pending, else exit_ok). Never returns to its caller.
[[noreturn]] void end_program();

/// @brief Chooses whether Escape ends the run (Alt+F4 always does).
/// @param ends true (the start value) or false.
void set_escape_ends_program(bool ends);
/// @brief Chooses whether the game pauses while its window has lost the focus.
/// @param pause true (the start value) or false.
void set_auto_pause(bool pause);

/// @brief The whole factor the window shows the frame at now (the player may resize
/// the window or go full screen).
/// @return 1 to 16; 1 before start-up.
int current_window_scale();
/// @brief Whether the window fills the screen now.
/// @return true in full screen; false before start-up.
bool current_fullscreen();
/// @brief The length of one frame.
/// @return 1000 / frame_rate milliseconds.
double frame_duration_ms();

/// @brief The number of the pending run-time error.
/// @return 0 when none; else the error's number (see error_text).
int error_number();
/// @brief Forgets the pending run-time error, so that end_program ends normally.
void clear_error();
/// @brief Where the engine's error log is: ErrorLog.txt in the temporary folder ($TMPDIR,
/// else /tmp). Every start of the engine deletes it and starts it afresh; the engine
/// appends a line for each of its start-up steps and notes (the software-drawing
/// warning, "Init OK"), background loads, and each video that could not be played.
/// Read it after a run to see what the engine noted; nothing in it is an error by
/// itself.
/// @return The log file's path.
std::string error_log_path();
/// @brief The text of a run-time error number.
/// @param code An error number.
/// @return A short English text ("failed file transfer", ...); "run-time error" for a
/// number the engine does not use.
const char* error_text(int code);

}  // namespace zorby
