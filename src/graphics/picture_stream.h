// A picture that is replaced every frame (video playback): one texture, refilled
// from BGRA pixels and copied (or drawn, where framebuffer copies are missing) scaled
// into a rectangle of the window.
#pragma once

#include <cstdint>

namespace zorby {

class PictureStream {
public:
    PictureStream() = default;
    ~PictureStream();
    PictureStream(const PictureStream&) = delete;
    PictureStream& operator=(const PictureStream&) = delete;

    // Replaces the picture with w x h BGRA pixels, rows bottom first (as OpenGL keeps
    // them) and tightly packed.
    void update(const uint8_t* bgra, int w, int h);
    // Draws the picture opaque with its top-left at (x, y), scaled to w x h pixels of
    // the viewport. Nothing before the first update.
    void draw(double x, double y, double w, double h);
    bool empty() const { return texture_ == 0; }

private:
    uint32_t texture_ = 0;
    uint32_t framebuffer_ = 0;  // the texture as a framebuffer to copy from (0: none)
    int width_ = 0, height_ = 0;
};

// Clears the whole frame to black (the bars around a picture of another shape).
void clear_to_black();

}  // namespace zorby
