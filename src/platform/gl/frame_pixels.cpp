// Frame read-back through the platform's OpenGL entry points.
#include "platform/gl/frame_pixels.h"

#include <GL/gl.h>

#include "platform/gl/gl_gateway.h"

namespace zorby::platform {

FramePixels read_frame_pixels(Window& window) {
    using ReadPixelsFn = void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
    FramePixels frame;
    auto read_pixels = reinterpret_cast<ReadPixelsFn>(window.gl_proc_address("glReadPixels"));
    int w = 0, h = 0;
    window.client_size(w, h);
    if (!read_pixels || w <= 0 || h <= 0) return frame;
    frame.width = w;
    frame.height = h;
    frame.rgba.resize(static_cast<size_t>(w) * h * 4);
    gl::use(read_pixels, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    // What the window shows is opaque. A frame buffer with alpha bits (the drivers
    // give one on some systems and not on others) holds what the blending left
    // there, which nobody sees: the read frame is the same everywhere without it.
    for (size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 255;
    return frame;
}

}  // namespace zorby::platform
