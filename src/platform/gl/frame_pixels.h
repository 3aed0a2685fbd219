// Reading back the frame a platform's window is about to show: the replay's frame
// hashes and the screenshot tool both take the pixels this way.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace zorby::platform {

// The drawn frame (the back buffer before the swap) as RGBA bytes, rows bottom first,
// as OpenGL hands them out.
struct FramePixels {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    bool empty() const { return rgba.empty(); }
};

// The frame of the platform's current OpenGL context at the window's size; empty
// without a window or without the read-back entry point.
FramePixels read_frame_pixels(Window& window);

}  // namespace zorby::platform
