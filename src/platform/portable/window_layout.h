// Where the logical frame sits in the window: the whole factor it is enlarged by,
// the picture's place (centred, black bars around it), and the mapping of pointer
// positions and motion from window pixels back to logical pixels.
#pragma once

namespace zorby::platform {

constexpr int kMaxWindowScale = 16;

// The picture in a window: logical frame enlarged by scale, its top-left corner at
// (x, y) in window pixels (y down). Negative x or y: the window is smaller than the
// frame at 1x and the picture is cropped evenly on both sides.
struct WindowLayout {
    int scale = 1;
    int x = 0, y = 0;
    int width = 0, height = 0;  // of the picture, in window pixels
};

// The largest whole factor (at least 1) at which the frame fits the window, centred.
WindowLayout fit_picture(int window_width, int window_height, int frame_width, int frame_height);

// The factor a new window gets: the largest whole one whose window fits in 85% of the
// usable area of its display, between 1 and kMaxWindowScale (1 when the area is
// unknown, that is not positive).
int automatic_scale(int usable_width, int usable_height, int frame_width, int frame_height);

// Maps pointer positions between window pixels and logical pixels.
class PointerMapper {
public:
    void set_layout(const WindowLayout& layout, int frame_width, int frame_height);
    const WindowLayout& layout() const { return layout_; }
    // A window position as a logical one; over a bar it reads as the nearest edge.
    void to_logical(int window_x, int window_y, int& x, int& y) const;
    // The centre of logical pixel (x, y) in window pixels.
    void to_window(int x, int y, int& window_x, int& window_y) const;

private:
    WindowLayout layout_{};
    int frame_width_ = 1, frame_height_ = 1;
};

}  // namespace zorby::platform
