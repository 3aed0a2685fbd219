/// @file testing.h
/// @brief The test kit: run a game's code on a virtual clock with scripted input, read
/// back what it drew, and compare whole runs with golden traces.
///
/// Everything here runs the real engine on the deterministic platform: a hidden
/// window with a real OpenGL context, a clock that moves only as frames are presented
/// and waits are made, input from a script, no audio device. The same script always
/// gives the same run: the same frames, the same sounds, the same result. Unless they
/// are set already, the kit sets SDL_VIDEODRIVER=offscreen and SDL_AUDIODRIVER=dummy,
/// so tests need no display.
///
/// Input scripts are plain text, one event per line, positioned by frame:
/// @verbatim
/// seed 12345              the random generator's seed
/// 120 key 45 down         at frame 120 key 45 (X) goes down
/// 125 key 45 up
/// 126 key 57 tap          a press that comes and goes before the next read
/// 130 mouse 160 120       the pointer moves to (160, 120)
/// 130 button 1 down       left button (2 right, 3 middle)
/// 300 close               the window is closed
/// 500 end                 the replay ends here (exit status 0)
/// @endverbatim
/// Script builds such text; a recording made by a game also is one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zorby/runtime.h"

namespace zorby::testing {

/// How a Session starts.
struct SessionOptions {
    /// Frame size, frame rate, data folder and title (window_scale 0 counts as 1).
    RunOptions run;
    double start_ms = 1000.0;  ///< the virtual clock's reading at start, milliseconds
};

/// A running engine on the deterministic platform, current while the object lives:
/// call engine commands directly, or run parts of a game with run(). Only one engine
/// (a Session, a replay or zorby::run) may be active at a time.
class Session {
public:
    /// @brief Starts the engine (the data folder becomes the current folder).
    /// @param options Frame and clock settings.
    explicit Session(const SessionOptions& options = {});
    /// @brief Cleans the engine up.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// @brief Whether the engine started (a window with an OpenGL context was made).
    /// @return true when commands may be used.
    bool started() const;
    /// @brief Runs code that may end the run (end_program, Escape, a run-time error).
    /// @param code The code to run.
    /// @return -1 when the code returned; else the exit status the run ended with (the
    /// session has ended then: commands may no longer be used).
    int run(const std::function<void()>& code);

    /// @brief Holds a key down from now on; key_pressed() sees the press even when
    /// release_key() comes before the game reads the keyboard.
    /// @param code Scan code, 0 to 255 (zorby::key).
    void press_key(int code);
    /// @brief Lets a key go.
    /// @param code Scan code, 0 to 255.
    void release_key(int code);
    /// @brief A press that comes and goes before the next read (read once as down).
    /// @param code Scan code, 0 to 255.
    void tap_key(int code);
    /// @brief Moves the pointer.
    /// @param x Frame pixels from the left.
    /// @param y Frame pixels from the top.
    void move_mouse(int x, int y);
    /// @brief Presses or releases a mouse button; mouse_pressed() sees a press even when
    /// the release comes before the game reads the mouse.
    /// @param button 1 left, 2 right, 3 middle.
    /// @param down true to press, false to release.
    void set_button(int button, bool down);
    /// @brief Queues the events of an input script, each for its frame (counted from
    /// this session's first frame).
    /// @param script_text Script lines (see the file's description).
    /// @param error Set to "line N: what" when the result is false.
    /// @return true when every line was understood (nothing is queued otherwise).
    bool schedule(const std::string& script_text, std::string& error);

    /// @brief Moves the virtual clock on, as a frame that took longer would.
    /// @param ms Milliseconds, 0 or more.
    void advance_clock(double ms);
    /// @brief The virtual clock.
    /// @return Its reading in milliseconds.
    double clock_ms() const;
    /// @brief Frames presented so far (the engine's start-up presents two of them).
    /// @return The count, from 0.
    uint64_t frames() const;
    /// @brief Calls a function for every frame the game presents from now on, just
    /// before it is shown (pixel_at() sees it), with the frame's number (frames() before
    /// it is presented): the place for a test to react to the game, giving the input for
    /// the next frame from what this frame showed (with press_key, move_mouse, ...
    /// inside it), so the game needs no autopilot of its own.
    /// @param callback The function; an empty one stops the calls.
    void on_frame(std::function<void(uint64_t frame)> callback);

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// A pixel as read back.
struct Pixel {
    uint8_t r = 0;  ///< red, 0 to 255
    uint8_t g = 0;  ///< green, 0 to 255
    uint8_t b = 0;  ///< blue, 0 to 255
    /// @brief Pixels are equal when their colours are.
    /// @param other The other pixel.
    /// @return true when equal.
    bool operator==(const Pixel& other) const = default;
};

/// @brief One pixel of the frame being drawn (before present_frame shows it).
/// @param x Frame pixels from the left, 0 to width - 1.
/// @param y Frame pixels from the top, 0 to height - 1.
/// @return Its colour; black outside the frame or without a running engine.
Pixel pixel_at(int x, int y);
/// @brief The whole frame being drawn.
/// @return RGB bytes, rows top first, frame_size() large; empty without an engine.
std::vector<uint8_t> frame_pixels();
/// @brief A hash of the frame being drawn, as replays take them.
/// @return A 64-bit FNV-1a hash of its pixels; 0 without a running engine.
uint64_t frame_hash();
/// @brief Writes the frame being drawn as a PNG picture (to look at a failing test).
/// @param path The file to write.
/// @return true when written.
bool save_frame_png(const std::string& path);

/// Builds an input script; events may be added in any order.
class Script {
public:
    /// @brief Sets the random seed the run starts with.
    /// @param seed Any value.
    /// @return This script.
    Script& seed(uint32_t seed);
    /// @brief A key goes down or up at a frame.
    /// @param frame The frame, counted from 0.
    /// @param code Scan code, 0 to 255.
    /// @param down true for down.
    /// @return This script.
    Script& key(uint64_t frame, int code, bool down);
    /// @brief A key is pressed and let go between two reads at a frame.
    /// @param frame The frame.
    /// @param code Scan code, 0 to 255.
    /// @return This script.
    Script& tap(uint64_t frame, int code);
    /// @brief The pointer moves at a frame.
    /// @param frame The frame.
    /// @param x Frame pixels from the left.
    /// @param y Frame pixels from the top.
    /// @return This script.
    Script& mouse(uint64_t frame, int x, int y);
    /// @brief A mouse button goes down or up at a frame.
    /// @param frame The frame.
    /// @param button 1 left, 2 right, 3 middle.
    /// @param down true for down.
    /// @return This script.
    Script& button(uint64_t frame, int button, bool down);
    /// @brief The window is closed at a frame (the run ends as the player closed it).
    /// @param frame The frame.
    /// @return This script.
    Script& close(uint64_t frame);
    /// @brief The replay ends at a frame with exit status 0.
    /// @param frame The frame.
    /// @return This script.
    Script& end(uint64_t frame);
    /// @brief The script as text, events in frame order (equal frames in the order added).
    /// @return Script lines.
    std::string text() const;

private:
    struct Line {
        uint64_t frame;
        std::string event;
    };
    std::vector<Line> lines_;
    std::string seed_;
};

/// The hash of one frame of a replay.
struct FrameHash {
    uint64_t frame = 0;  ///< the frame, counted from 0
    uint64_t hash = 0;   ///< FNV-1a over its pixels, as frame_hash() gives it
};

/// How a replay runs.
struct ReplayOptions {
    RunOptions run;           ///< frame size, frame rate, data folder
    uint64_t hash_every = 1;  ///< hash every this many frames (0: none)
    /// Called for every frame the game presents, just before it is shown, with its
    /// number: pixel_at() and frame_hash() see that frame. What it returns joins the
    /// frame's trace line ("" adds nothing); use it to trace the game's own state. It is
    /// called once more when the run ends, however it ends, for the frame that was being
    /// drawn then (its number is the count of presented frames; it has no hash).
    ///
    /// Frame numbers count every presented frame from the engine's start, and the
    /// engine's start-up presents two (0 and 1): the first frame a game presents is
    /// frame 2, as in input scripts.
    std::function<std::string(uint64_t frame)> on_frame;
};

/// A play_sound or play_music request the game made.
struct SoundRequest {
    uint64_t frame = 0;  ///< the frame it was made in
    bool music = false;  ///< play_music (file) rather than play_sound (slot, pan, volume)
    int slot = 0;        ///< the sound's slot
    double pan = 0;      ///< the pan asked for
    double volume = 1;   ///< the volume asked for
    int channel = -1;    ///< what play_sound returned (-1 without an audio device)
    std::string file;    ///< the music file asked for
    /// @brief Requests are equal when every field is.
    /// @param other The other request.
    /// @return true when equal.
    bool operator==(const SoundRequest& other) const = default;
};

/// What a replay did.
struct ReplayResult {
    std::string error;     ///< why the script was refused ("line N: what"); "" when it ran
    bool started = false;  ///< the engine started
    int exit_status = -1;  ///< 0 when the script ended or the game ended normally
    uint64_t frames = 0;   ///< frames presented
    std::vector<FrameHash> frame_hashes;  ///< in frame order
    uint64_t combined_hash = 0;           ///< one hash over all frame hashes
    uint64_t sound_hash = 0;              ///< one hash over every play_sound request
    std::vector<SoundRequest> sounds;     ///< every play_sound and play_music, in order
    /// One line per traced frame, "FRAME: hash HASH TEXT" (either part may be missing),
    /// then "end: N frames, exit status S".
    std::string trace;
};

/// @brief Runs a game's main routine on a fresh engine with a script's input.
/// @param script_text An input script (Script::text() or a recording).
/// @param main_routine The game.
/// @param options Frame settings, hashing and tracing.
/// @return What happened; result.error names a bad script line (then nothing ran).
ReplayResult replay(const std::string& script_text, const std::function<void()>& main_routine,
                    const ReplayOptions& options = {});

/// What a WAV file holds, as a sound slot would load it.
struct WavCheck {
    bool ok = false;         ///< the file decodes as load_sound takes it
    std::string error;       ///< why not, when ok is false
    int channels = 0;        ///< 1 mono, 2 stereo
    int sample_rate = 0;     ///< samples per second
    int bits = 0;            ///< 8 or 16
    double length_ms = 0.0;  ///< how long it plays
};

/// @brief Decodes a WAV file as load_sound would, without an engine or an audio device
/// (tests have none, and load_sound then only says so).
/// @param path The file.
/// @return What it holds, or why it cannot be played.
WavCheck check_wav(const std::string& path);

/// The outcome of a golden comparison.
struct GoldenComparison {
    bool same = false;    ///< the trace matches (or was written)
    std::string message;  ///< the first differing line of both, or why it failed
};

/// @brief Compares a trace with the golden file committed with the tests. When the
/// environment has ZORBY_GOLDEN_UPDATE=1, writes the trace into the file instead (for
/// an intended change: review the difference and commit it).
/// @param actual The trace of this run (ReplayResult::trace or any text).
/// @param golden_path The golden file.
/// @return same is true when they match line for line, or the file was written;
/// message then names the first differing line, a missing file or a failed write.
GoldenComparison compare_with_golden(const std::string& actual, const std::string& golden_path);

}  // namespace zorby::testing
