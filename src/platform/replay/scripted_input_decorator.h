// The common ground of the recording and replay platforms: both wrap a platform,
// answer every input read from a ScriptedInputState and place each read by its
// position in the run (frame, reads in the frame, polls since the read), which they
// count here the same way. They differ only in what they do at a read: the recorder
// asks the live platform and writes what changed, the replay applies the script's
// events that are due.
//
// A frame ends at the window's swap; joysticks are not part of a script, so none
// are reported; the pointer's warps go to the live platform and to the state alike.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/replay/input_script.h"
#include "platform/replay/platform_decorator.h"

namespace zorby::platform {

class ScriptedInputDecorator : public PlatformDecorator, public WindowDecorator, public Input {
public:
    explicit ScriptedInputDecorator(std::unique_ptr<Platform> inner);

    Window& window() override { return *this; }
    Input& input() override { return *this; }

    // Presented frames so far.
    uint64_t frames() const { return frame_; }

    // ---- Window: the swap ends the frame ----
    void swap_buffers() override;

    // ---- Input ----
    std::optional<WindowEvent> poll_window_event() final;
    void keyboard_state(std::array<uint8_t, 256>& out) final;
    MouseSample sample_mouse() final;
    void set_pointer_visible(bool visible) final { inner_->input().set_pointer_visible(visible); }
    void warp_pointer(int x, int y) final;
    int joystick_count() final { return 0; }
    std::string joystick_name(int) final { return {}; }
    bool read_joystick(int, JoystickReport&) final { return false; }

protected:
    // Before every read and poll, at position().
    virtual void begin_input_call() = 0;
    // The answers: the state's, after the recorder wrote or the replay applied what
    // the live platform or the script has for this read.
    virtual std::optional<WindowEvent> answer_poll() = 0;
    virtual void answer_keys(std::array<uint8_t, 256>& out) = 0;
    virtual MouseSample answer_mouse() = 0;
    // Around the live swap (the frame about to be shown, and the next frame begun).
    virtual void before_swap() {}
    virtual void after_swap() {}

    // Where the coming read or poll is: the frame, the reads before it in the frame,
    // the polls since the last read.
    ScriptPosition position() const { return {frame_, reads_, polls_}; }
    // An event took effect: the run of reads without one starts again.
    void event_taken() { quiet_ = 0; }
    // Reads and polls since the frame began or the last event took effect.
    uint64_t quiet() const { return quiet_; }

    ScriptedInputState state_;

private:
    // After each read: the next read window begins.
    void end_read();

    uint64_t frame_ = 0;
    uint64_t reads_ = 0;
    uint64_t polls_ = 0;
    uint64_t quiet_ = 0;
};

}  // namespace zorby::platform
