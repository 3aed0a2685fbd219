// A streamed picture: the texture is made once per picture size and refilled with
// glTexSubImage2D. It is shown with a framebuffer copy (glBlitFramebuffer) into the
// frame being drawn, which a software renderer does as a plain copy when the sizes
// match and the formats agree, several times cheaper than texturing a quad; the quad
// is the fall-back without framebuffer objects. The texture is RGBA8 filled from RGBA
// bytes: a software renderer keeps it in that byte order, so the upload is a copy
// too, and it matches the frame's own RGB(A)8 storage (BGRA bytes would be swizzled
// on every upload, a BGRA texture on every copy).
#include "graphics/picture_stream.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "graphics/display.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/gl/gl_gateway.h"
#include "platform/platform.h"

namespace zorby {

namespace {

using FramebufferCalls = platform::gl::FramebufferCalls;

// The entry points through the display's platform; all null without one, or when
// the driver lacks any of them.
FramebufferCalls framebuffer_calls() {
    FramebufferCalls f;
    GraphicsLayer* g = graphics_layer_if_any();
    if (!g || !g->display) return f;
    platform::Window& p = g->display->platform.window();
    if (!f.load([&p](const char* name) { return p.gl_proc_address(name); })) return {};
    return f;
}

}  // namespace

PictureStream::~PictureStream() {
    GraphicsLayer* g = graphics_layer_if_any();
    if (!g || !g->display || !g->display->context_ready) return;
    if (framebuffer_ != 0) {
        const FramebufferCalls f = framebuffer_calls();
        GLuint name = framebuffer_;
        if (f.delete_framebuffers) platform::gl::call(f.delete_framebuffers, 1, &name);
    }
    if (texture_ != 0) {
        GLuint name = texture_;
        platform::gl::call(glDeleteTextures, 1, &name);
    }
}

void PictureStream::update(const uint8_t* rgba, int w, int h, int row_pixels) {
    if (!rgba || w <= 0 || h <= 0 || row_pixels < w) return;
    platform::gl::call(glPixelStorei, GL_UNPACK_ALIGNMENT, 4);
    platform::gl::call(glPixelStorei, GL_UNPACK_ROW_LENGTH, row_pixels);
    if (texture_ == 0 || w != width_ || h != height_) {
        GLuint name = texture_;
        if (name == 0) platform::gl::call(glGenTextures, 1, &name);
        texture_ = name;
        platform::gl::call(glBindTexture, GL_TEXTURE_2D, name);
        // Whole-factor enlargement keeps the pixels sharp, as everything else drawn.
        platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        platform::gl::call(glTexImage2D, GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA,
                           GL_UNSIGNED_BYTE, rgba);
        width_ = w;
        height_ = h;
        const FramebufferCalls f = framebuffer_calls();
        if (f.blit_framebuffer) {
            GLuint fb = framebuffer_;
            if (fb == 0) platform::gl::call(f.gen_framebuffers, 1, &fb);
            platform::gl::call(f.bind_framebuffer, GL_READ_FRAMEBUFFER, fb);
            platform::gl::call(f.framebuffer_texture_2d, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                               GL_TEXTURE_2D, name, 0);
            const bool complete =
                platform::gl::call(f.check_framebuffer_status, GL_READ_FRAMEBUFFER) ==
                GL_FRAMEBUFFER_COMPLETE;
            platform::gl::call(f.bind_framebuffer, GL_READ_FRAMEBUFFER, 0);
            if (!complete) {
                platform::gl::call(f.delete_framebuffers, 1, &fb);
                fb = 0;
            }
            framebuffer_ = fb;
        }
    } else {
        platform::gl::call(glBindTexture, GL_TEXTURE_2D, texture_);
        platform::gl::call(glTexSubImage2D, GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                           rgba);
    }
    platform::gl::call(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
    // The sprite commands bind their own texture again.
    if (GraphicsLayer* g = graphics_layer_if_any(); g && g->display && g->display->store) {
        g->display->store->current_texture_slot = -1;
    }
}

namespace {

// Clears the frame black outside the rectangle (framebuffer pixels, rows from the
// bottom), leaving the clear colour and the scissor as they were.
void clear_around(int x0, int y0, int x1, int y1, int fw, int fh) {
    const int bars[4][4] = {
        {0, 0, fw, y0}, {0, y1, fw, fh - y1}, {0, y0, x0, y1 - y0}, {x1, y0, fw - x1, y1 - y0}};
    bool any = false;
    for (const auto& b : bars) any = any || (b[2] > 0 && b[3] > 0);
    if (!any) return;
    GLfloat colour[4];
    GLint box[4];
    platform::gl::call(glGetFloatv, GL_COLOR_CLEAR_VALUE, colour);
    platform::gl::call(glGetIntegerv, GL_SCISSOR_BOX, box);
    const GLboolean scissor = platform::gl::call(glIsEnabled, GL_SCISSOR_TEST);
    platform::gl::call(glClearColor, 0, 0, 0, 1);
    platform::gl::call(glEnable, GL_SCISSOR_TEST);
    for (const auto& b : bars) {
        if (b[2] <= 0 || b[3] <= 0) continue;
        platform::gl::call(glScissor, b[0], b[1], b[2], b[3]);
        platform::gl::call(glClear, GL_COLOR_BUFFER_BIT);
    }
    platform::gl::call(glScissor, box[0], box[1], box[2], box[3]);
    if (!scissor) platform::gl::call(glDisable, GL_SCISSOR_TEST);
    platform::gl::call(glClearColor, colour[0], colour[1], colour[2], colour[3]);
}

}  // namespace

void PictureStream::draw(double x, double y, double w, double h) {
    OpenGLVizovudo& d = *graphics_layer().display;
    int cw = 0, ch = 0;
    d.platform.window().client_size(cw, ch);
    double lw = 0, lh = 0;
    d.screen_size(lw, lh);
    if (cw <= 0 || ch <= 0 || lw <= 0 || lh <= 0) return;
    // Logical pixels to framebuffer pixels; framebuffer rows count from the bottom.
    const double sx = cw / lw, sy = ch / lh;
    const auto x0 = static_cast<GLint>(x * sx), x1 = static_cast<GLint>((x + w) * sx);
    const auto y0 = static_cast<GLint>(ch - (y + h) * sy);
    const auto y1 = static_cast<GLint>(ch - y * sy);
    if (texture_ == 0) {
        clear_around(0, 0, 0, 0, cw, ch);
        return;
    }
    clear_around(x0, y0, x1, y1, cw, ch);
    if (framebuffer_ != 0) {
        const FramebufferCalls f = framebuffer_calls();
        if (f.blit_framebuffer) {
            // Into the frame being drawn (the window's own buffer or the frame the
            // window shows enlarged), whichever is bound for drawing.
            GLint read = 0;
            platform::gl::call(glGetIntegerv, GL_READ_FRAMEBUFFER_BINDING, &read);
            platform::gl::call(f.bind_framebuffer, GL_READ_FRAMEBUFFER, framebuffer_);
            platform::gl::call(f.blit_framebuffer, 0, 0, width_, height_, x0, y0, x1, y1,
                               GL_COLOR_BUFFER_BIT, GL_NEAREST);
            platform::gl::call(f.bind_framebuffer, GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
            return;
        }
    }
    if (d.active_texture) {
        platform::gl::call(d.active_texture, GL_TEXTURE1_ARB);
        platform::gl::call(glDisable, GL_TEXTURE_2D);
        platform::gl::call(d.active_texture, GL_TEXTURE0_ARB);
    }
    platform::gl::call(glDisable, GL_ALPHA_TEST);
    platform::gl::call(glDisable, GL_BLEND);
    platform::gl::call(glEnable, GL_TEXTURE_2D);
    platform::gl::call(glBindTexture, GL_TEXTURE_2D, texture_);
    d.store->current_texture_slot = -1;
    platform::gl::call(glColor4f, 1, 1, 1, 1);
    const float qx0 = static_cast<float>(x), qy0 = static_cast<float>(y);
    const float qx1 = static_cast<float>(x + w), qy1 = static_cast<float>(y + h);
    // The vertex order of every 2D quad (the other winding is culled); texture row 0
    // is the picture's bottom row.
    platform::gl::call(glBegin, GL_QUADS);
    platform::gl::call(glTexCoord2f, 0, 0);
    platform::gl::call(glVertex2f, qx0, qy1);
    platform::gl::call(glTexCoord2f, 1, 0);
    platform::gl::call(glVertex2f, qx1, qy1);
    platform::gl::call(glTexCoord2f, 1, 1);
    platform::gl::call(glVertex2f, qx1, qy0);
    platform::gl::call(glTexCoord2f, 0, 1);
    platform::gl::call(glVertex2f, qx0, qy0);
    platform::gl::call(glEnd);
    platform::gl::call(glEnable, GL_ALPHA_TEST);
    platform::gl::call(glColor4f, 1, 1, 1, d.current_alpha);
}

}  // namespace zorby
