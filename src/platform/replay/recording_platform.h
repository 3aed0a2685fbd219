// The recording platform: wraps another platform, passes the window, the events and
// the audio through and writes every input the program reads (keys, mouse samples,
// window events, the characters keys type) as an input script.
//
// The program runs on a virtual clock here, exactly as on the deterministic platform
// that replays the script: one frame period per presented frame and the asked time in
// every wait, paced to real time so the game plays at its normal speed. Time-driven
// loops therefore make the same reads in the recorded run and in its replay, and the
// script's read positions line up exactly. A frame that starts late moves the
// virtual clock on by the whole milliseconds it is behind, written as a "late" line
// the replay applies at the same frame start: the clock the game sees stays with
// real time (the music restarts on time, as on the real clock), also on a machine
// too slow for the frame rate.
// Joysticks are not recorded, so a recording platform reports none.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/replay/input_script.h"
#include "platform/replay/scripted_input_decorator.h"

namespace zorby::platform {

struct RecordingOptions {
    // The virtual clock, as the deterministic platform's (DeterministicOptions).
    double start_ms = DeterministicOptions{}.start_ms;
    double frame_period_ms = DeterministicOptions{}.frame_period_ms;
    // Keep the virtual clock in step with real time (off for tests).
    bool realtime = true;
    // With realtime: a late frame start moves the virtual clock on (a "late" line)
    // instead of only restarting the pacing from now.
    bool catch_up = true;
    // After this many reads and polls in a row without an event a sync line is
    // written, so the replay's stall rule (ReplayOptions::stall_reads, which must be
    // the same) never moves later events.
    uint64_t stall_reads = 1000000;
};

// The recorder takes over the clock (virtual time), and from ScriptedInputDecorator
// the input reads and the swap; the rest of the window and the audio pass through.
class RecordingPlatform : public ScriptedInputDecorator, public Clock {
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

    Clock& clock() override { return *this; }

    // ---- Clock: virtual, paced to real time ----
    double now_ms() override { return now_ms_; }
    void sleep_ms(double ms) override;
    void sleep_until_ms(double deadline_ms) override;
    bool is_virtual() const override { return true; }

    int key_character(int scan_code) override;

private:
    // ---- ScriptedInputDecorator: each read asks the live platform and writes ----
    void begin_input_call() override;
    std::optional<WindowEvent> answer_poll() override;
    void answer_keys(std::array<uint8_t, 256>& out) override;
    MouseSample answer_mouse() override;
    void after_swap() override;

    void write(const ScriptPosition& at, ScriptEvent::Kind kind, int a = 0, int b = 0);
    // At the current position: before the coming read, after the polls so far.
    void write(ScriptEvent::Kind kind, int a = 0, int b = 0) { write(position(), kind, a, b); }
    // Waits in real time until the virtual clock's moment; at_frame_start: a late
    // start moves the clock on (see RecordingOptions::catch_up).
    void pace(bool at_frame_start = false);

    std::unique_ptr<std::ostream> owned_;
    std::ostream& out_;
    RecordingOptions options_;
    double now_ms_;
    double real_base_ms_ = 0.0;  // real time at which the virtual clock read start_ms
    // How late sleeps wake up, smoothed (ms): pacing wakes this much (with a margin)
    // before the moment and spins the rest, as frame pacing on the real clock does.
    double oversleep_ms_ = 0.1;
    bool finished_ = false;
};

}  // namespace zorby::platform
