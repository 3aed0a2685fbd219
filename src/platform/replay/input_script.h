// Input scripts: the plain-text record of everything a run reads from the outside
// world (keys, mouse, window events, the characters keys type, the random seed), one
// event per line, easy to write by hand:
//
//   # comment
//   seed 12345              random seed used from the start of the game
//   120 key 45 down         at frame 120 key 45 (X) goes down
//   125:3 key 45 up         at frame 125, before its fourth input read, it goes up
//   126 key 45 tap          the next keyboard read sees a press of key 45 that came
//                           and went since the read before (the key stays up)
//   130 mouse 160 120       the pointer moves to (160, 120)
//   130 move -5 2           relative motion (the pointer position follows)
//   130 pointer 10 10       the pointer position is set without motion
//   130 button 1 down       first mouse button down (2 right, 3 middle)
//   131 wheel -1
//   200 focus lost          the window loses (or gains) the focus
//   300 close               the window is closed
//   0 char 21 122           key 21 types character 122 from now on (0: none)
//   400 sync                (written by the recorder; does nothing)
//   410 late 25             the clock moves on 25 ms at once (the recorded run fell
//                           behind real time at this frame's start)
//   500 end                 the replay ends here
//
// A position is FRAME, FRAME:READ or FRAME:READ:POLL. FRAME counts presented frames
// from 0; READ counts the keyboard and mouse reads the program has made since that
// frame began; POLL counts its window-event polls since its last read (both 0 when
// left out). An event takes effect just before the first read (or poll) at or after
// its position, so input that a program waits for without presenting frames replays
// exactly. Keys are the engine's scan codes.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zorby::platform {

struct ScriptPosition {
    uint64_t frame = 0;
    uint64_t read = 0;
    uint64_t poll = 0;
    auto operator<=>(const ScriptPosition&) const = default;
};

struct ScriptEvent {
    enum class Kind {
        Key,      // a = code, b = 1 down / 0 up / 2 tap (pressed and released)
        MouseTo,  // a, b = x, y
        Move,     // a, b = dx, dy
        Pointer,  // a, b = x, y (no motion)
        Button,   // a = 1..3, b = 1 down / 0 up
        Wheel,    // a = -1 or 1
        FocusLost,
        FocusGained,
        Close,
        Char,  // a = code, b = character (0: none)
        Sync,
        End,
        Late,  // a = milliseconds the clock moves on at once (the run fell behind)
    };
    ScriptEvent() = default;
    // An event to apply now or at a frame: {Kind::Key, 45, 1}, {Kind::Close}.
    ScriptEvent(Kind kind_, int a_ = 0, int b_ = 0) : kind(kind_), a(a_), b(b_) {}
    ScriptEvent(ScriptPosition at_, Kind kind_, int a_ = 0, int b_ = 0)
        : at(at_), kind(kind_), a(a_), b(b_) {}

    ScriptPosition at;
    Kind kind = Kind::Sync;
    int a = 0, b = 0;
    bool operator==(const ScriptEvent&) const = default;
};

// A recording the game writes starts with a header of "recording KEY VALUE" lines (the
// format, the game and its data, the date, the starting settings) and ends with a
// "recording result ..." line; hand-written scripts have none. The script reader
// keeps the lines as they are; what they mean is up to the program.
struct RecordingField {
    std::string key;
    std::string value;  // the words after the key, joined by single spaces
    bool operator==(const RecordingField&) const = default;
};

struct InputScript {
    std::vector<RecordingField> header;
    // The first value of the key ("" when absent), and every value of it run together.
    std::string header_value(const std::string& key) const;
    std::string header_values_joined(const std::string& key) const;
    std::optional<uint32_t> seed;
    // In position order, as the file lists them (equal positions keep file order).
    std::vector<ScriptEvent> events;
};

// Parses a script. On failure returns false with "line N: what" in error. Events
// must come in position order; positions are at most 1000000000 in each part and
// lines at most 4096 bytes long.
bool parse_input_script(std::istream& in, InputScript& script, std::string& error);
bool parse_input_script(const std::string& text, InputScript& script, std::string& error);
bool load_input_script(const std::string& path, InputScript& script, std::string& error);
// One event as a script line (without the line end).
std::string format_script_event(const ScriptEvent& event);
std::string format_input_script(const InputScript& script);

// The input as scripted runs present it: key state, characters, the pointer with its
// pending motion, buttons and queued window events. The deterministic platform and
// the replay answer reads from one; the recorder keeps one in step with what it
// writes, so that replaying the written events gives the same reads.
class ScriptedInputState {
public:
    ScriptedInputState();
    void apply(const ScriptEvent& event);
    // Key state as a keyboard read answers it: bit 7 down, bit 6 a tap not yet read.
    const std::array<uint8_t, 256>& keys() const { return keys_; }
    // The key state for one read; the taps it shows are then gone.
    std::array<uint8_t, 256> take_keys();
    int character(int code) const;
    // The mouse sample a read returns now; clears the pending motion and wheel. A
    // button pressed and let go again since the last sample shows down in this one, as
    // a desktop's sample shows a quick click, so a click within one frame is not lost.
    MouseSample take_mouse_sample();
    // What take_mouse_sample would return, without taking it.
    MouseSample peek_mouse_sample() const;
    void warp(int x, int y);
    std::optional<WindowEvent> take_window_event();

private:
    std::array<uint8_t, 256> keys_{};
    std::array<int, 256> chars_{};
    MouseSample mouse_{};
    std::array<bool, 3> pressed_since_sample_{};  // left, right, middle
    std::deque<WindowEvent> window_events_;
};

}  // namespace zorby::platform
