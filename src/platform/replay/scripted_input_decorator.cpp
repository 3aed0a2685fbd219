// The read positions and the shared input calls of the recording and replay
// platforms.
#include "platform/replay/scripted_input_decorator.h"

namespace zorby::platform {

ScriptedInputDecorator::ScriptedInputDecorator(std::unique_ptr<Platform> inner)
    : PlatformDecorator(std::move(inner)), WindowDecorator(inner_->window()) {}

void ScriptedInputDecorator::swap_buffers() {
    before_swap();
    inner_window_.swap_buffers();
    ++frame_;
    reads_ = 0;
    polls_ = 0;
    quiet_ = 0;
    after_swap();
}

std::optional<WindowEvent> ScriptedInputDecorator::poll_window_event() {
    begin_input_call();
    std::optional<WindowEvent> e = answer_poll();
    ++polls_;
    ++quiet_;
    return e;
}

void ScriptedInputDecorator::keyboard_state(std::array<uint8_t, 256>& out) {
    begin_input_call();
    answer_keys(out);
    end_read();
}

MouseSample ScriptedInputDecorator::sample_mouse() {
    begin_input_call();
    const MouseSample s = answer_mouse();
    end_read();
    return s;
}

void ScriptedInputDecorator::warp_pointer(int x, int y) {
    inner_->input().warp_pointer(x, y);
    state_.warp(x, y);
}

void ScriptedInputDecorator::end_read() {
    ++reads_;
    polls_ = 0;
    ++quiet_;
}

}  // namespace zorby::platform
