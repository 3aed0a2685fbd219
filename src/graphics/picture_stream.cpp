// A streamed picture: the texture is made once per picture size and refilled with
// glTexSubImage2D, so a video frame costs one upload and one quad.
#include "graphics/picture_stream.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "engine/engine.h"
#include "graphics/display.h"
#include "graphics/sprite_store.h"

namespace zorby {

PictureStream::~PictureStream() {
    Engine* e = engine_if_any();
    if (texture_ != 0 && e && e->display && e->display->context_ready) {
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
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
        width_ = w;
        height_ = h;
    } else {
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    }
    // The sprite commands bind their own texture again.
    if (Engine* e = engine_if_any(); e && e->display && e->display->store) {
        e->display->store->current_texture_slot = -1;
    }
}

void PictureStream::draw(double x, double y, double w, double h) {
    if (texture_ == 0) return;
    OpenGLVizovudo& d = *engine().display;
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
    // The vertex order of every 2D quad (the other winding is culled).
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glEnd();
    glEnable(GL_ALPHA_TEST);
    glColor4f(1, 1, 1, d.current_alpha);
}

void clear_to_black() {
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace zorby
