// A streamed picture: the texture is made once per picture size and refilled with
// glTexSubImage2D. It is shown with a framebuffer copy (glBlitFramebuffer), which a
// software renderer does as a plain copy when the sizes match, several times cheaper
// than texturing a quad; the quad is the fall-back without framebuffer objects.
#include "graphics/picture_stream.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "graphics/display.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "platform/platform.h"

namespace zorby {

namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC gen = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC del = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC attach = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC status = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blit = nullptr;
    bool usable() const { return gen && del && bind && attach && status && blit; }
};

FramebufferCalls framebuffer_calls() {
    FramebufferCalls f;
    GraphicsLayer* g = graphics_layer_if_any();
    if (!g || !g->display) return f;
    platform::Platform& p = g->display->platform;
    f.gen = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(p.gl_proc_address("glGenFramebuffers"));
    f.del =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(p.gl_proc_address("glDeleteFramebuffers"));
    f.bind = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(p.gl_proc_address("glBindFramebuffer"));
    f.attach = reinterpret_cast<PFNGLFRAMEBUFFERTEXTURE2DPROC>(
        p.gl_proc_address("glFramebufferTexture2D"));
    f.status = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(
        p.gl_proc_address("glCheckFramebufferStatus"));
    f.blit = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(p.gl_proc_address("glBlitFramebuffer"));
    return f;
}

}  // namespace

PictureStream::~PictureStream() {
    GraphicsLayer* g = graphics_layer_if_any();
    if (!g || !g->display || !g->display->context_ready) return;
    if (framebuffer_ != 0) {
        const FramebufferCalls f = framebuffer_calls();
        GLuint name = framebuffer_;
        if (f.del) f.del(1, &name);
    }
    if (texture_ != 0) {
        GLuint name = texture_;
        glDeleteTextures(1, &name);
    }
}

void PictureStream::update(const uint8_t* bgra, int w, int h) {
    if (!bgra || w <= 0 || h <= 0) return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (texture_ == 0 || w != width_ || h != height_) {
        GLuint name = texture_;
        if (name == 0) glGenTextures(1, &name);
        texture_ = name;
        glBindTexture(GL_TEXTURE_2D, name);
        // Whole-factor enlargement keeps the pixels sharp, as everything else drawn.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
        width_ = w;
        height_ = h;
        const FramebufferCalls f = framebuffer_calls();
        if (f.usable()) {
            GLuint fb = framebuffer_;
            if (fb == 0) f.gen(1, &fb);
            f.bind(GL_READ_FRAMEBUFFER, fb);
            f.attach(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
            const bool complete = f.status(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            f.bind(GL_READ_FRAMEBUFFER, 0);
            if (!complete) {
                f.del(1, &fb);
                fb = 0;
            }
            framebuffer_ = fb;
        }
    } else {
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    }
    // The sprite commands bind their own texture again.
    if (GraphicsLayer* g = graphics_layer_if_any(); g && g->display && g->display->store) {
        g->display->store->current_texture_slot = -1;
    }
}

void PictureStream::draw(double x, double y, double w, double h) {
    if (texture_ == 0) return;
    OpenGLVizovudo& d = *graphics_layer().display;
    if (framebuffer_ != 0) {
        const FramebufferCalls f = framebuffer_calls();
        int cw = 0, ch = 0;
        d.platform.client_size(cw, ch);
        double lw = 0, lh = 0;
        d.screen_size(lw, lh);
        if (f.usable() && cw > 0 && ch > 0 && lw > 0 && lh > 0) {
            // Logical pixels to window pixels; window rows count from the bottom.
            const double sx = cw / lw, sy = ch / lh;
            const auto x0 = static_cast<GLint>(x * sx), x1 = static_cast<GLint>((x + w) * sx);
            const auto y0 = static_cast<GLint>(ch - (y + h) * sy);
            const auto y1 = static_cast<GLint>(ch - y * sy);
            f.bind(GL_READ_FRAMEBUFFER, framebuffer_);
            f.bind(GL_DRAW_FRAMEBUFFER, 0);
            f.blit(0, 0, width_, height_, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
            f.bind(GL_READ_FRAMEBUFFER, 0);
            return;
        }
    }
    if (d.active_texture) {
        d.active_texture(GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        d.active_texture(GL_TEXTURE0_ARB);
    }
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    d.store->current_texture_slot = -1;
    glColor4f(1, 1, 1, 1);
    const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
    const float x1 = static_cast<float>(x + w), y1 = static_cast<float>(y + h);
    // The vertex order of every 2D quad (the other winding is culled); texture row 0
    // is the picture's bottom row.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y1);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y1);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y0);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y0);
    glEnd();
    glEnable(GL_ALPHA_TEST);
    glColor4f(1, 1, 1, d.current_alpha);
}

void clear_to_black() {
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace zorby
