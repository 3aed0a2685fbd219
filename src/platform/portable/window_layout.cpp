// The window's picture layout and the pointer mapping to logical pixels.
#include "platform/portable/window_layout.h"

#include <algorithm>

namespace zorby::platform {

WindowLayout fit_picture(int window_width, int window_height, int frame_width, int frame_height) {
    WindowLayout l;
    const int fw = std::max(frame_width, 1), fh = std::max(frame_height, 1);
    l.scale = std::clamp(std::min(window_width / fw, window_height / fh), 1, kMaxWindowScale);
    l.width = fw * l.scale;
    l.height = fh * l.scale;
    // Halves rounded toward the top-left, also when the window is the smaller one.
    l.x = (window_width - l.width) / 2;
    l.y = (window_height - l.height) / 2;
    return l;
}

int automatic_scale(int usable_width, int usable_height, int frame_width, int frame_height) {
    if (usable_width <= 0 || usable_height <= 0 || frame_width <= 0 || frame_height <= 0) return 1;
    // 85% of the area, in whole pixels: the factor whose window fits inside it.
    const long long w = static_cast<long long>(usable_width) * 85 / 100;
    const long long h = static_cast<long long>(usable_height) * 85 / 100;
    const long long k = std::min(w / frame_width, h / frame_height);
    return static_cast<int>(std::clamp<long long>(k, 1, kMaxWindowScale));
}

void PointerMapper::set_layout(const WindowLayout& layout, int frame_width, int frame_height) {
    layout_ = layout;
    layout_.scale = std::max(layout_.scale, 1);
    frame_width_ = std::max(frame_width, 1);
    frame_height_ = std::max(frame_height, 1);
}

namespace {
// Division rounding toward minus infinity (a pixel left of the picture is outside).
long long floor_div(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
}  // namespace

void PointerMapper::to_logical(int window_x, int window_y, int& x, int& y) const {
    const int s = layout_.scale;
    x = static_cast<int>(std::clamp<long long>(
        floor_div(static_cast<long long>(window_x) - layout_.x, s), 0, frame_width_ - 1));
    y = static_cast<int>(std::clamp<long long>(
        floor_div(static_cast<long long>(window_y) - layout_.y, s), 0, frame_height_ - 1));
}

void PointerMapper::to_window(int x, int y, int& window_x, int& window_y) const {
    const long long s = layout_.scale;
    window_x =
        static_cast<int>(std::clamp<long long>(layout_.x + x * s + s / 2, -(1LL << 30), 1LL << 30));
    window_y =
        static_cast<int>(std::clamp<long long>(layout_.y + y * s + s / 2, -(1LL << 30), 1LL << 30));
}

}  // namespace zorby::platform
