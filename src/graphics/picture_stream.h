// A picture that is replaced every frame (video playback): one texture, refilled
// from RGBA pixels and copied (or drawn, where framebuffer copies are missing) scaled
// into a rectangle of the frame.
#pragma once

#include <cstdint>

namespace zorby {

class PictureStream {
public:
    PictureStream() = default;
    ~PictureStream();
    PictureStream(const PictureStream&) = delete;
    PictureStream& operator=(const PictureStream&) = delete;

    // Replaces the picture with w x h RGBA pixels (R first in memory), rows bottom
    // first (as OpenGL keeps them), row_pixels (at least w) pixels apart.
    void update(const uint8_t* rgba, int w, int h, int row_pixels);
    // Draws the picture opaque with its top-left at (x, y), scaled to w x h logical
    // pixels, and clears the rest of the frame black (the bars around a picture of
    // another shape). Drawn at its own size it is a plain copy. Before the first
    // update the whole frame is cleared black.
    void draw(double x, double y, double w, double h);
    bool empty() const { return texture_ == 0; }

private:
    uint32_t texture_ = 0;
    uint32_t framebuffer_ = 0;  // the texture as a framebuffer to copy from (0: none)
    int width_ = 0, height_ = 0;
};

}  // namespace zorby
