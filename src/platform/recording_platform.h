// The recording platform: wraps another platform, passes the window, the events and
// the audio through and writes every input the program reads (keys, mouse samples,
// window events, the characters keys type) as an input script.
//
// The program runs on a virtual clock here, exactly as on the deterministic platform
// that replays the script: one frame period per presented frame and the asked time in
// every wait, paced to real time so the game plays at its normal speed (a late frame
// is not caught up). Time-driven loops therefore make the same reads in the recorded
// run and in its replay, and the script's read positions line up exactly.
// Joysticks are not recorded, so a recording platform reports none.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "platform/input_script.h"
#include "platform/platform.h"
#include "platform/platform_decorator.h"

namespace zorby::platform {

struct RecordingOptions {
    // The virtual clock, as the deterministic platform's (DeterministicOptions).
    double start_ms = DeterministicOptions{}.start_ms;
    double frame_period_ms = DeterministicOptions{}.frame_period_ms;
    // Keep the virtual clock in step with real time (off for tests).
    bool realtime = true;
    // After this many reads and polls in a row without an event a sync line is
    // written, so the replay's stall rule (ReplayOptions::stall_reads, which must be
    // the same) never moves later events.
    uint64_t stall_reads = 1000000;
};

class RecordingPlatform : public PlatformDecorator {
public:
    // Writes to out, which must outlive the platform.
    RecordingPlatform(std::unique_ptr<Platform> inner, std::ostream& out,
                      const RecordingOptions& options = {});
    // Writes to a stream it owns (a file).
    RecordingPlatform(std::unique_ptr<Platform> inner, std::unique_ptr<std::ostream> out,
                      const RecordingOptions& options = {});
    // Writes the end of the recording.
    ~RecordingPlatform() override;

    // Writes the seed line.
    void record_seed(uint32_t seed);
    // Writes the end line now (also done by the destructor); later input is not written.
    void finish();
    uint64_t frames() const { return frame_; }

    // ---- Platform (the rest passes through) ----
    double now_ms() override { return now_ms_; }
    void sleep_ms(double ms) override;
    void sleep_until_ms(double deadline_ms) override;
    bool is_virtual() const override { return true; }
    void swap_buffers() override;

    std::optional<WindowEvent> poll_window_event() override;
    void keyboard_state(std::array<uint8_t, 256>& out) override;
    int key_character(int scan_code) override;
    MouseSample sample_mouse() override;
    void warp_pointer(int x, int y) override;
    int joystick_count() override { return 0; }
    std::string joystick_name(int) override { return {}; }
    bool read_joystick(int, JoystickReport&) override { return false; }

private:
    void write(const ScriptPosition& at, ScriptEvent::Kind kind, int a = 0, int b = 0);
    // At the current position: before the coming read, after the polls so far.
    void write(ScriptEvent::Kind kind, int a = 0, int b = 0) {
        write({frame_, reads_, polls_}, kind, a, b);
    }
    // Before each read or poll: marks a long run of them without events.
    void note_input_call();
    // After each read: the next read window begins.
    void end_read();
    // Waits in real time until the virtual clock's moment.
    void pace();

    std::unique_ptr<std::ostream> owned_;
    std::ostream& out_;
    RecordingOptions options_;
    ScriptedInputState model_;
    double now_ms_;
    double real_base_ms_ = 0.0;  // real time at which the virtual clock read start_ms
    uint64_t frame_ = 0;
    uint64_t reads_ = 0;
    uint64_t polls_ = 0;
    uint64_t quiet_ = 0;  // reads and polls since the frame began or the last event
    bool finished_ = false;
};

}  // namespace zorby::platform
