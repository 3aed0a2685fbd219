// The replay platform: wraps the deterministic platform (virtual clock, window,
// audio) and answers every input read from an input script, so a recorded run is
// read back exactly, read for read.
//
// The script ends at its "end" line, or after the frame of its last event when it
// has none; on_end is then called (the replay driver ends the program there). When
// the program keeps reading input within one frame (stall_reads reads and polls in a
// row with no event taking effect) while the script's next event lies in a later
// frame, as with a hand-written script that presses a key later than the program
// starts waiting for it, the rest of the script moves forward to now; with nothing
// left in the script the replay ends instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gl/frame_pixels.h"
#include "platform/platform.h"
#include "platform/replay/input_script.h"
#include "platform/replay/scripted_input_decorator.h"

namespace zorby::platform {

struct ReplayOptions {
    // Reads and polls in a row within one frame, without an event taking effect,
    // after which the stall rule applies.
    uint64_t stall_reads = 1000000;
    // Hash the frame about to be shown every this many frames (0: never).
    uint64_t hash_every = 0;
    // Called with each hashed frame's number and pixels (the comparison of two
    // systems' frames looks at the pixels where the hashes differ; may be empty).
    std::function<void(uint64_t, const FramePixels&)> on_hashed_frame;
    // Keep the host's window responsive (a watched replay): its close ends the replay.
    bool watch = false;
};

// The replay takes over the input reads and the swap (ScriptedInputDecorator); the
// clock, the rest of the window and the audio are the inner platform's.
class ReplayPlatform : public ScriptedInputDecorator {
public:
    ReplayPlatform(std::unique_ptr<Platform> inner, InputScript script,
                   const ReplayOptions& options = {});
    ~ReplayPlatform() override;

    // Called once when the script has ended (normally it ends the program).
    std::function<void()> on_end;
    bool ended() const { return ended_; }
    // Script events not applied yet.
    size_t pending_events() const { return script_.events.size() - next_; }
    // (frame number, hash of the frame's pixels) for every hashed frame.
    const std::vector<std::pair<uint64_t, uint64_t>>& frame_hashes() const { return hashes_; }

    int key_character(int scan_code) override;

private:
    // ---- ScriptedInputDecorator: each read applies the script's due events ----
    // The events due at the current position, the stall rule, the end of the script.
    void begin_input_call() override;
    std::optional<WindowEvent> answer_poll() override { return state_.take_window_event(); }
    void answer_keys(std::array<uint8_t, 256>& out) override { out = state_.take_keys(); }
    MouseSample answer_mouse() override { return state_.take_mouse_sample(); }
    void before_swap() override { hash_frame(); }
    void after_swap() override;

    // Applies the events due at the current position.
    void apply_due();
    void apply_event(const ScriptEvent& e);
    void end_script();
    void hash_frame();
    void pump_host_window();

    InputScript script_;
    ReplayOptions options_;
    size_t next_ = 0;
    ScriptPosition end_at_;
    bool ended_ = false;
    std::vector<std::pair<uint64_t, uint64_t>> hashes_;
};

}  // namespace zorby::platform
