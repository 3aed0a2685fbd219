// The OpenGL calls the engine makes that a web page's WebGL 1 lacks or takes in
// another form, over the browser's own (emscripten's emscripten_gl* entry points):
//
// - textures: WebGL takes no sized internal formats (GL_RGBA8) and no BGRA data, and
//   cannot read a texture back (glGetTexImage, glGetTexLevelParameteriv). Level 0 of
//   every 2D texture is kept here as uploaded (RGBA), so that the sprites' alpha masks
//   (the collision tests) and mipmaps come from the same texels as on the desktop;
// - pixel storage: only the alignments exist; the row length and skips the engine
//   sets are always 0 (whole rows) outside video, which a page does not play;
// - the buffers: the canvas has one colour buffer, so choosing the draw and read
//   buffer and saving the client and server state (only the window's copy of an
//   off-screen frame uses them, which a page never makes) do nothing.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

extern "C" {
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*);
void emscripten_glTexSubImage2D(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,
                                const void*);
void emscripten_glCopyTexSubImage2D(GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glDeleteTextures(GLsizei, const GLuint*);
void emscripten_glPixelStorei(GLenum, GLint);
void emscripten_glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
}

namespace {

struct TextureCopy {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // level 0, bottom row first as uploaded
};

struct State {
    GLuint bound = 0;
    std::unordered_map<GLuint, TextureCopy> textures;
    GLint pack_alignment = 4, unpack_alignment = 4;
    std::vector<GLint> saved_alignments;
};

State& state() {
    static State s;
    return s;
}

bool is_bgra(GLenum format, GLenum type) {
    return format == GL_BGRA && (type == GL_UNSIGNED_BYTE || type == GL_UNSIGNED_INT_8_8_8_8_REV);
}

GLint unsized(GLint internal_format) {
    switch (internal_format) {
        case GL_RGBA8:
            return GL_RGBA;
        case GL_RGB8:
            return GL_RGB;
        default:
            return internal_format;
    }
}

size_t row_bytes(int width, int channels, GLint alignment) {
    const size_t tight = static_cast<size_t>(width) * channels;
    const size_t a = static_cast<size_t>(std::max(alignment, 1));
    return (tight + a - 1) / a * a;
}

// The pixels as tightly packed RGBA rows (BGRA swapped, RGB given full alpha);
// false for a format the engine does not upload.
bool as_rgba(int width, int height, GLenum format, GLenum type, const void* pixels,
             std::vector<uint8_t>& out) {
    if (type != GL_UNSIGNED_BYTE && !(format == GL_BGRA && type == GL_UNSIGNED_INT_8_8_8_8_REV))
        return false;
    const int channels = format == GL_RGB ? 3 : 4;
    if (format != GL_RGBA && format != GL_BGRA && format != GL_RGB) return false;
    out.assign(static_cast<size_t>(width) * height * 4, 0);
    if (pixels == nullptr) return true;
    const auto* in = static_cast<const uint8_t*>(pixels);
    const size_t stride = row_bytes(width, channels, state().unpack_alignment);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = in + stride * y;
        uint8_t* dst = out.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, src += channels, dst += 4) {
            dst[0] = format == GL_BGRA ? src[2] : src[0];
            dst[1] = src[1];
            dst[2] = format == GL_BGRA ? src[0] : src[2];
            dst[3] = channels == 4 ? src[3] : 255;
        }
    }
    return true;
}

void put_region(TextureCopy& copy, int x0, int y0, int width, int height, const uint8_t* rgba) {
    for (int y = 0; y < height; ++y) {
        const int ty = y0 + y;
        if (ty < 0 || ty >= copy.height) continue;
        for (int x = 0; x < width; ++x) {
            const int tx = x0 + x;
            if (tx < 0 || tx >= copy.width) continue;
            std::memcpy(&copy.rgba[(static_cast<size_t>(ty) * copy.width + tx) * 4],
                        rgba + (static_cast<size_t>(y) * width + x) * 4, 4);
        }
    }
}

}  // namespace

extern "C" {

void glBindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) state().bound = texture;
    emscripten_glBindTexture(target, texture);
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    for (GLsizei i = 0; i < n; ++i) {
        state().textures.erase(textures[i]);
        if (state().bound == textures[i]) state().bound = 0;
    }
    emscripten_glDeleteTextures(n, textures);
}

void glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    std::vector<uint8_t> rgba;
    const bool known =
        target == GL_TEXTURE_2D && as_rgba(width, height, format, type, pixels, rgba);
    if (known && level == 0) {
        TextureCopy& copy = state().textures[state().bound];
        copy.width = width;
        copy.height = height;
        copy.rgba = rgba;
    }
    if (known && format != GL_RGB) {
        const GLint saved = state().unpack_alignment;
        emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        emscripten_glTexImage2D(target, level, GL_RGBA, width, height, border, GL_RGBA,
                                GL_UNSIGNED_BYTE, pixels ? rgba.data() : nullptr);
        emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, saved);
        return;
    }
    emscripten_glTexImage2D(target, level, unsized(internal_format), width, height, border, format,
                            type, pixels);
}

void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const void* pixels) {
    std::vector<uint8_t> rgba;
    if (target != GL_TEXTURE_2D || !as_rgba(width, height, format, type, pixels, rgba) ||
        format == GL_RGB) {
        emscripten_glTexSubImage2D(target, level, x, y, width, height, format, type, pixels);
        return;
    }
    if (level == 0) {
        auto it = state().textures.find(state().bound);
        if (it != state().textures.end()) put_region(it->second, x, y, width, height, rgba.data());
    }
    const GLint saved = state().unpack_alignment;
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glTexSubImage2D(target, level, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                               rgba.data());
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, saved);
}

void glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y,
                         GLsizei width, GLsizei height) {
    emscripten_glCopyTexSubImage2D(target, level, xoffset, yoffset, x, y, width, height);
    if (target != GL_TEXTURE_2D || level != 0 || width <= 0 || height <= 0) return;
    auto it = state().textures.find(state().bound);
    if (it == state().textures.end()) return;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, state().pack_alignment);
    put_region(it->second, xoffset, yoffset, width, height, rgba.data());
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    auto it = state().textures.find(state().bound);
    if (target != GL_TEXTURE_2D || level != 0 || it == state().textures.end()) {
        *params = 0;
        return;
    }
    *params = pname == GL_TEXTURE_WIDTH    ? it->second.width
              : pname == GL_TEXTURE_HEIGHT ? it->second.height
                                           : 0;
}

void glGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, void* pixels) {
    auto it = state().textures.find(state().bound);
    if (target != GL_TEXTURE_2D || level != 0 || type != GL_UNSIGNED_BYTE ||
        it == state().textures.end()) {
        return;
    }
    const TextureCopy& copy = it->second;
    const int channels = format == GL_ALPHA ? 1 : 4;
    if (format != GL_ALPHA && format != GL_RGBA) return;
    const size_t stride = row_bytes(copy.width, channels, state().pack_alignment);
    auto* out = static_cast<uint8_t*>(pixels);
    for (int y = 0; y < copy.height; ++y) {
        const uint8_t* src = &copy.rgba[static_cast<size_t>(y) * copy.width * 4];
        uint8_t* dst = out + stride * y;
        if (channels == 4) {
            std::memcpy(dst, src, static_cast<size_t>(copy.width) * 4);
        } else {
            for (int x = 0; x < copy.width; ++x) dst[x] = src[x * 4 + 3];
        }
    }
}

void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_PACK_ALIGNMENT) {
        state().pack_alignment = param;
    } else if (pname == GL_UNPACK_ALIGNMENT) {
        state().unpack_alignment = param;
    } else {
        return;  // row lengths, skips and byte swapping: always 0 here
    }
    emscripten_glPixelStorei(pname, param);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  void* pixels) {
    if (!is_bgra(format, type)) {
        emscripten_glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, state().pack_alignment);
    auto* out = static_cast<uint8_t*>(pixels);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        out[i] = rgba[i + 2];
        out[i + 1] = rgba[i + 1];
        out[i + 2] = rgba[i];
        out[i + 3] = rgba[i + 3];
    }
}

void glReadBuffer(GLenum) {}
void glDrawBuffer(GLenum) {}
void glPolygonMode(GLenum, GLenum) {}
void glPushAttrib(GLbitfield) {}
void glPopAttrib() {}

void glPushClientAttrib(GLbitfield) {
    state().saved_alignments.push_back(state().pack_alignment);
    state().saved_alignments.push_back(state().unpack_alignment);
}

void glPopClientAttrib() {
    auto& saved = state().saved_alignments;
    if (saved.size() < 2) return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, saved.back());
    saved.pop_back();
    glPixelStorei(GL_PACK_ALIGNMENT, saved.back());
    saved.pop_back();
}

}  // extern "C"
