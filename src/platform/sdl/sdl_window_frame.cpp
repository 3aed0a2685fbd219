// The frame's way into the window: the off-screen frame (a framebuffer with a texture)
// the engine draws into when the window is not the frame's size, its copy into the
// window as one textured rectangle (checked once per layout against a test picture,
// else a framebuffer blit), the swap, and read-backs of the frame and the window.
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/gl/gl_gateway.h"
#include "platform/sdl/sdl_window.h"

namespace zorby::platform {

namespace {

gl::FramebufferCalls g_fb;

// The copy of the frame into the window as one textured rectangle: the frame's
// texture, one texel a window pixel block, always opaque. On the software renderer
// one textured rectangle costs about half a framebuffer blit, which runs a general
// blit program. It is drawn with the fixed-function pipeline, as the engine draws:
// a shader would bring the driver's shader compiler into every start (on the
// software renderer 8 MB and more time than opening the window), and the renderer
// compiles the copy's drawing as it compiles the engine's own textured rectangles.
struct PresenterCalls {
    PFNGLUSEPROGRAMPROC use_program = nullptr;  // absent before OpenGL 2.0
    PFNGLACTIVETEXTUREPROC active_texture = nullptr;

    bool load() {
        const auto sdl = SDL_GL_GetProcAddress;
        gl::fetch(sdl, use_program, "glUseProgram");
        return gl::fetch(sdl, active_texture, "glActiveTexture");
    }
};

PresenterCalls g_present;

// Makes (or refills) a texture of one level with nearest sampling and clamped edges,
// leaving the engine's bound texture as it was.
void make_nearest_texture(unsigned int& name, GLint internal_format, int width, int height,
                          GLenum format, GLenum type, const void* pixels) {
    GLint bound_texture = 0;
    gl::use(glGetIntegerv, GL_TEXTURE_BINDING_2D, &bound_texture);
    if (!name) gl::use(glGenTextures, 1, &name);
    gl::use(glBindTexture, GL_TEXTURE_2D, name);
    gl::use(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl::use(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl::use(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl::use(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl::use(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl::use(glTexImage2D, GL_TEXTURE_2D, 0, internal_format, width, height, 0, format, type,
            pixels);
    gl::use(glBindTexture, GL_TEXTURE_2D, static_cast<GLuint>(bound_texture));
}

// Frames keep changing during play: after a few changed frames in a row the
// comparison pauses, for twice as many frames each time (up to kMaxCheckInterval),
// so that a moving picture pays for a read-back on only a few of its frames.
constexpr int kChangesBeforePause = 3;
constexpr int kMaxCheckInterval = 16;

// The test picture the copy into the window is checked with: every pixel differs
// from its neighbours in all three channels, and red never equals blue.
uint32_t check_pixel(int x, int y) {
    const uint32_t r = static_cast<uint32_t>(x * 5 + y * 11 + 1) & 0x7f;
    const uint32_t g = static_cast<uint32_t>(x * 13 + y * 3 + 7) & 0xff;
    const uint32_t b = 0x80 | (static_cast<uint32_t>(x * 7 + y * 5 + 3) & 0x7f);
    return 0xff000000u | (r << 16) | (g << 8) | b;  // BGRA bytes in memory
}

}  // namespace

bool SdlWindow::load_frame_calls() {
    return g_fb.load(SDL_GL_GetProcAddress);
}

bool SdlWindow::make_framebuffer(int width, int height) {
    if (!framebuffer_) gl::use(g_fb.gen_framebuffers, 1, &framebuffer_);
    // The frame's colour is a texture (the window draws it as one rectangle), with
    // or without alpha as the window's own pixels.
    make_nearest_texture(colour_texture_, frame_has_alpha_ ? GL_RGBA8 : GL_RGB8, width, height,
                         GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl::use(g_fb.bind_framebuffer, GL_FRAMEBUFFER, framebuffer_);
    gl::use(g_fb.framebuffer_texture_2d, GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
            colour_texture_, 0);
    if (gl::use(g_fb.check_framebuffer_status, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    gl::use(glDrawBuffer, GL_COLOR_ATTACHMENT0);
    gl::use(glReadBuffer, GL_COLOR_ATTACHMENT0);
    // A new frame starts black, as a new window does.
    GLfloat clear[4];
    gl::use(glGetFloatv, GL_COLOR_CLEAR_VALUE, clear);
    gl::use(glClearColor, 0, 0, 0, 1);
    gl::use(glClear, GL_COLOR_BUFFER_BIT);
    gl::use(glClearColor, clear[0], clear[1], clear[2], clear[3]);
    checked_layout_ = {};
    direct_ = false;
    return true;
}

void SdlWindow::check_presenter(int x, int y, int width, int height) {
    // A driver may take shortcuts for some formats, rectangles or tiles of the window
    // (one software renderer swaps red and blue in some of them): whatever it does,
    // the window must show the frame's pixels. So the rectangle copy is tried with a
    // test picture at the window's present layout, and kept only if the window then
    // shows that picture exactly; otherwise the framebuffer blit does the copy.
    std::vector<uint32_t> picture(static_cast<size_t>(frame_width_) * frame_height_);
    for (int row = 0; row < frame_height_; ++row) {
        for (int col = 0; col < frame_width_; ++col) {
            picture[static_cast<size_t>(row) * frame_width_ + col] = check_pixel(col, row);
        }
    }
    gl::use(glPushClientAttrib, GL_CLIENT_PIXEL_STORE_BIT);
    gl::use(glPixelStorei, GL_UNPACK_ALIGNMENT, 4);
    gl::use(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
    gl::use(glPixelStorei, GL_UNPACK_SKIP_ROWS, 0);
    gl::use(glPixelStorei, GL_UNPACK_SKIP_PIXELS, 0);
    gl::use(glPixelStorei, GL_UNPACK_SWAP_BYTES, GL_FALSE);
    gl::use(glPixelStorei, GL_PACK_ALIGNMENT, 4);
    gl::use(glPixelStorei, GL_PACK_ROW_LENGTH, 0);
    gl::use(glPixelStorei, GL_PACK_SKIP_ROWS, 0);
    gl::use(glPixelStorei, GL_PACK_SKIP_PIXELS, 0);
    gl::use(glPixelStorei, GL_PACK_SWAP_BYTES, GL_FALSE);
    unsigned int texture = 0;
    make_nearest_texture(texture, frame_has_alpha_ ? GL_RGBA8 : GL_RGB8, frame_width_,
                         frame_height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, picture.data());

    const int scale = width / std::max(frame_width_, 1);
    std::vector<uint32_t> shown(static_cast<size_t>(width) * height);
    auto shows_picture = [&] {
        draw_texture(texture, x, y, width, height);
        gl::use(g_fb.bind_framebuffer, GL_READ_FRAMEBUFFER, 0);
        gl::use(glReadBuffer, GL_BACK);
        gl::use(glReadPixels, x, y, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                shown.data());
        gl::use(g_fb.bind_framebuffer, GL_READ_FRAMEBUFFER, framebuffer_);
        gl::use(glReadBuffer, GL_COLOR_ATTACHMENT0);
        for (int row = 0; row < height; ++row) {
            const uint32_t* want = &picture[static_cast<size_t>(row / scale) * frame_width_];
            const uint32_t* got = &shown[static_cast<size_t>(row) * width];
            for (int col = 0; col < width; ++col) {
                if ((got[col] & 0xffffff) != (want[col / scale] & 0xffffff)) return false;
            }
        }
        return true;
    };
    present_as_rectangle_ = g_present.load() && shows_picture();
    gl::use(glPopClientAttrib);
    gl::use(glDeleteTextures, 1, &texture);
}

void SdlWindow::free_framebuffer() {
    if (!framebuffer_) return;
    gl::use(g_fb.bind_framebuffer, GL_FRAMEBUFFER, 0);
    gl::use(g_fb.delete_framebuffers, 1, &framebuffer_);
    gl::use(glDeleteTextures, 1, &colour_texture_);
    framebuffer_ = colour_texture_ = 0;
    present_as_rectangle_ = false;
    checked_layout_ = {};
}

void SdlWindow::bind_frame() {
    if (!framebuffer_) return;
    if (direct_) {
        gl::use(g_fb.bind_framebuffer, GL_FRAMEBUFFER, 0);
        gl::use(glDrawBuffer, GL_BACK);
        gl::use(glReadBuffer, GL_BACK);
    } else {
        gl::use(g_fb.bind_framebuffer, GL_FRAMEBUFFER, framebuffer_);
        gl::use(glDrawBuffer, GL_COLOR_ATTACHMENT0);
        gl::use(glReadBuffer, GL_COLOR_ATTACHMENT0);
    }
}

bool SdlWindow::window_fits_frame() const {
    int ww = 0, wh = 0;
    window_pixel_size(ww, wh);
    return ww == frame_width_ && wh == frame_height_;
}

void SdlWindow::copy_frame(bool into_window) {
    // A 1:1 copy between the framebuffer and the window's bottom-left corner, where
    // the engine draws while it draws into the window.
    const GLboolean scissor = gl::use(glIsEnabled, GL_SCISSOR_TEST);
    if (scissor) gl::use(glDisable, GL_SCISSOR_TEST);
    gl::use(g_fb.bind_framebuffer, GL_READ_FRAMEBUFFER, into_window ? framebuffer_ : 0);
    gl::use(g_fb.bind_framebuffer, GL_DRAW_FRAMEBUFFER, into_window ? 0 : framebuffer_);
    gl::use(glReadBuffer, into_window ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    gl::use(glDrawBuffer, into_window ? GL_BACK : GL_COLOR_ATTACHMENT0);
    gl::use(g_fb.blit_framebuffer, 0, 0, frame_width_, frame_height_, 0, 0, frame_width_,
            frame_height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (scissor) gl::use(glEnable, GL_SCISSOR_TEST);
}

void SdlWindow::compose() {
    if (!framebuffer_ || direct_) return;
    int ww = 0, wh = 0;
    window_pixel_size(ww, wh);
    const WindowLayout l = fit_picture(ww, wh, frame_width_, frame_height_);
    gl::use(g_fb.bind_framebuffer, GL_READ_FRAMEBUFFER, framebuffer_);
    gl::use(g_fb.bind_framebuffer, GL_DRAW_FRAMEBUFFER, 0);
    gl::use(glDrawBuffer, GL_BACK);
    const GLboolean scissor = gl::use(glIsEnabled, GL_SCISSOR_TEST);
    if (scissor) gl::use(glDisable, GL_SCISSOR_TEST);
    if (l.x > 0 || l.y > 0) {
        // The bars: only the parts of the window the picture leaves uncovered.
        GLfloat clear[4];
        GLboolean mask[4];
        gl::use(glGetFloatv, GL_COLOR_CLEAR_VALUE, clear);
        gl::use(glGetBooleanv, GL_COLOR_WRITEMASK, mask);
        gl::use(glClearColor, 0, 0, 0, 1);
        gl::use(glColorMask, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl::use(glEnable, GL_SCISSOR_TEST);
        const int bottom = wh - l.y - l.height;  // rows below the picture (GL counts up)
        const int bars[4][4] = {{0, 0, ww, std::max(bottom, 0)},
                                {0, bottom + l.height, ww, std::max(l.y, 0)},
                                {0, 0, std::max(l.x, 0), wh},
                                {l.x + l.width, 0, std::max(ww - l.x - l.width, 0), wh}};
        for (const auto& b : bars) {
            if (b[2] <= 0 || b[3] <= 0) continue;
            gl::use(glScissor, b[0], b[1], b[2], b[3]);
            gl::use(glClear, GL_COLOR_BUFFER_BIT);
        }
        gl::use(glDisable, GL_SCISSOR_TEST);
        gl::use(glClearColor, clear[0], clear[1], clear[2], clear[3]);
        gl::use(glColorMask, mask[0], mask[1], mask[2], mask[3]);
    }
    const int y0 = wh - l.y - l.height;
    // At the frame's own size the blit is a plain copy and the cheaper of the two.
    const bool enlarged = l.width > frame_width_ || l.height > frame_height_;
    const std::array<int, 4> layout = {l.x, y0, l.width, l.height};
    if (enlarged && layout != checked_layout_) {
        check_presenter(l.x, y0, l.width, l.height);
        checked_layout_ = layout;
    }
    if (enlarged && present_as_rectangle_) {
        draw_texture(colour_texture_, l.x, y0, l.width, l.height);
    } else {
        gl::use(g_fb.blit_framebuffer, 0, 0, frame_width_, frame_height_, l.x, y0, l.x + l.width,
                y0 + l.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    if (scissor) gl::use(glEnable, GL_SCISSOR_TEST);
}

void SdlWindow::draw_texture(unsigned int texture, int x, int y, int width, int height) {
    // Only the copy's own state changes, and all of it is put back: the engine keeps
    // drawing with the state it set.
    gl::use(glPushAttrib, GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT |
                              GL_POLYGON_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    GLint engine_program = 0;
    if (g_present.use_program) {
        gl::use(glGetIntegerv, GL_CURRENT_PROGRAM, &engine_program);
        gl::use(g_present.use_program, 0u);
    }
    for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_CULL_FACE, GL_COLOR_LOGIC_OP,
                       GL_POLYGON_STIPPLE, GL_POLYGON_SMOOTH, GL_DEPTH_TEST, GL_STENCIL_TEST,
                       GL_LIGHTING, GL_FOG, GL_COLOR_SUM}) {
        gl::use(glDisable, cap);
    }
    gl::use(glColorMask, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl::use(glPolygonMode, GL_FRONT_AND_BACK, GL_FILL);
    // The frame's texture alone, on unit 0: the second unit off, no generated
    // coordinates, no other texture target.
    gl::use(g_present.active_texture, GL_TEXTURE1);
    for (GLenum target : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP}) {
        gl::use(glDisable, target);
    }
    gl::use(g_present.active_texture, GL_TEXTURE0);
    for (GLenum cap : {GL_TEXTURE_1D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_GEN_S,
                       GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) {
        gl::use(glDisable, cap);
    }
    gl::use(glEnable, GL_TEXTURE_2D);
    gl::use(glBindTexture, GL_TEXTURE_2D, texture);
    // The texel's colour as it is, alpha 1 (the primary colour's).
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PRIMARY_COLOR);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_RGB_SCALE, 1);
    gl::use(glTexEnvi, GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1);
    gl::use(glColor4f, 1.0f, 1.0f, 1.0f, 1.0f);
    gl::use(glViewport, x, y, width, height);
    // Corners given in the window's normalised coordinates: every matrix identity
    // for the copy, the engine's put back after it.
    const GLenum modes[3] = {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW};
    const GLenum queries[3] = {GL_TEXTURE_MATRIX, GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX};
    GLfloat saved[3][16];
    for (int i = 0; i < 3; ++i) {
        gl::use(glGetFloatv, queries[i], saved[i]);
        gl::use(glMatrixMode, modes[i]);
        gl::use(glLoadIdentity);
    }
    gl::use(glBegin, GL_TRIANGLE_STRIP);
    gl::use(glTexCoord2f, 0, 0);
    gl::use(glVertex2f, -1, -1);
    gl::use(glTexCoord2f, 1, 0);
    gl::use(glVertex2f, 1, -1);
    gl::use(glTexCoord2f, 0, 1);
    gl::use(glVertex2f, -1, 1);
    gl::use(glTexCoord2f, 1, 1);
    gl::use(glVertex2f, 1, 1);
    gl::use(glEnd);
    for (int i = 0; i < 3; ++i) {
        gl::use(glMatrixMode, modes[i]);
        gl::use(glLoadMatrixf, saved[i]);
    }
    if (g_present.use_program) {
        gl::use(g_present.use_program, static_cast<GLuint>(engine_program));
    }
    gl::use(glPopAttrib);
}

void SdlWindow::read_frame(std::vector<uint8_t>& rgba) {
    rgba.resize(static_cast<size_t>(frame_width_) * frame_height_ * 4);
    gl::use(glPushClientAttrib, GL_CLIENT_PIXEL_STORE_BIT);
    gl::use(glPixelStorei, GL_PACK_ALIGNMENT, 1);
    gl::use(glPixelStorei, GL_PACK_ROW_LENGTH, 0);
    gl::use(glPixelStorei, GL_PACK_SKIP_ROWS, 0);
    gl::use(glPixelStorei, GL_PACK_SKIP_PIXELS, 0);
    gl::use(glPixelStorei, GL_PACK_SWAP_BYTES, GL_FALSE);
    bind_frame();
    gl::use(glReadPixels, 0, 0, frame_width_, frame_height_, GL_RGBA, GL_UNSIGNED_BYTE,
            rgba.data());
    gl::use(glPopClientAttrib);
}

bool SdlWindow::frame_on_show(bool not_redrawn) {
    int ww = 0, wh = 0;
    window_pixel_size(ww, wh);
    const bool refresh =
        refresh_needed_.exchange(false) || ww != shown_window_width_ || wh != shown_window_height_;
    shown_window_width_ = ww;
    shown_window_height_ = wh;
    if (!refresh && not_redrawn) {
        // The frame still holds the picture the window shows: nothing to compare.
        ++unchanged_swaps_;
        return true;
    }
    if (!refresh && frames_until_check_ > 0) {
        --frames_until_check_;
        shown_valid_ = false;
        return false;
    }
    read_frame(candidate_);
    if (!refresh && shown_valid_ && candidate_ == shown_) {
        changes_in_a_row_ = 0;
        check_interval_ = 1;
        ++unchanged_swaps_;
        return true;
    }
    // This frame goes on show; the next one is compared with it unless the pictures
    // have been changing.
    if (!refresh && shown_valid_ && ++changes_in_a_row_ >= kChangesBeforePause) {
        check_interval_ = std::min(check_interval_ * 2, kMaxCheckInterval);
        frames_until_check_ = check_interval_ - 1;
    }
    shown_.swap(candidate_);
    shown_valid_ = true;
    return false;
}

void SdlWindow::swap() {
    const bool not_redrawn = std::exchange(not_redrawn_, false) && retained_;
    if (!window_) return;
    // A frame the window already shows stays there: no copy, no swap. The frame being
    // drawn into keeps it.
    if (framebuffer_ && frame_on_show(not_redrawn)) {
        retained_ = true;
        return;
    }
    if (direct_ && !window_fits_frame()) {
        // The window changed size while this frame was drawn into it. Its buffer
        // takes the new size only from the next swap on, so this swap shows the frame
        // as it stands; the frame moves into the framebuffer, and the next swap shows
        // it enlarged (and checks the copy at the new layout).
        copy_frame(false);
        direct_ = false;
        refresh_needed_ = true;
    } else {
        compose();
    }
    // Swapping an off-screen (pbuffer) surface neither flushes nor waits for the
    // drawing: without this the software renderer queues every frame's drawing and
    // its memory grows with every frame. Copying the off-screen frame into the
    // window already waits for the frame's drawing; a frame drawn straight into the
    // window is finished here (a flush alone lets the renderer's memory grow with
    // every texture the frame binds).
    if (direct_) {
        gl::use(glFinish);
    } else {
        gl::use(glFlush);
    }
    gl::use(SDL_GL_SwapWindow, static_cast<SDL_Window*>(window_));
    if (framebuffer_ && !direct_ && window_fits_frame() && !window_multisampled_) {
        // The window is the frame's size: the engine draws straight into it, which
        // spares every frame a copy. The window's next buffer starts with the frame
        // the framebuffer held, as the framebuffer would have.
        copy_frame(true);
        direct_ = true;
        retained_ = true;
    } else {
        // The framebuffer keeps its frame across a swap; the window's new back buffer
        // holds no defined picture.
        retained_ = framebuffer_ && !direct_;
    }
    bind_frame();
}

bool SdlWindow::read_window(std::vector<uint8_t>& rgba, int& width, int& height,
                            bool compose_first) {
    width = height = 0;
    if (!window_) return false;
    window_pixel_size(width, height);
    if (width <= 0 || height <= 0) return false;
    if (compose_first) compose();
    if (framebuffer_) gl::use(g_fb.bind_framebuffer, GL_READ_FRAMEBUFFER, 0);
    gl::use(glReadBuffer, GL_BACK);
    std::vector<uint8_t> up(static_cast<size_t>(width) * height * 4);
    gl::use(glPixelStorei, GL_PACK_ALIGNMENT, 1);
    gl::use(glReadPixels, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, up.data());
    rgba.resize(up.size());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::copy_n(up.data() + (height - 1 - y) * row, row, rgba.data() + y * row);
    }
    bind_frame();
    return true;
}

bool SdlWindow::set_frame_size(int width, int height) {
    if (!window_ || width <= 0 || height <= 0) return false;
    if (width == frame_width_ && height == frame_height_) return true;
    retained_ = false;
    if (framebuffer_) {
        if (!make_framebuffer(width, height)) return false;
    }
    frame_width_ = width;
    frame_height_ = height;
    if (!fullscreen_) {
        SDL_SetWindowSize(static_cast<SDL_Window*>(window_), width * windowed_scale_,
                          height * windowed_scale_);
    }
    return true;
}

}  // namespace zorby::platform
