// A frame's 2D drawing held back until the frame is shown.
//
// A menu, a high-score table or a pause draws the same frame sixty times a second,
// and on a software renderer drawing it costs more than all the rest of the frame
// loop. From the clear that starts a frame to the swap that shows it, the drawing
// commands hand their OpenGL work to the frame's GL work instead of issuing it. At the swap
// a frame whose work is the same as that of the two frames before it is not drawn
// again: it starts by clearing the whole frame, so its pixels depend only on its own
// work and on the textures, and the frame being drawn into still holds them.
// Otherwise the held-back work is issued then, in its order.
//
// A quad drawn wholly outside the frame (a sprite scrolled away, a page still moving
// off the top) changes no pixel, so it is left out of the recording: a frame whose
// only change is such a quad counts as the same frame. This needs the 2D transform
// (the projection of set_viewport, no other matrix), which the held-back work follows
// through its own matrix calls.
//
// Everything else that uses OpenGL (texture uploads and deletions, read-backs, the
// platform's window work) goes through the gateway (gl_gateway.h), which calls
// flush() or touch() first: the held-back work is issued, and the rest of that frame
// is drawn as it comes. touch() also marks that textures may have changed, so no
// earlier frame counts as equal to a later one across it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zorby::platform {

class FrameGlWork {
public:
    // The recorded calls; while no frame is recorded they go straight to OpenGL.
    void enable(uint32_t cap);
    void disable(uint32_t cap);
    void blend_func(uint32_t source, uint32_t destination);
    void colour(float r, float g, float b, float a);
    void colour_bytes(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    void bind_texture(uint32_t name);
    // The bound 2D texture's magnification and minification filter.
    void texture_filter(int32_t filter);
    void begin(uint32_t mode);
    void end();
    void vertex(float x, float y);
    void textured_vertex(float s, float t, float x, float y);
    void matrix_mode(uint32_t mode);
    void push_matrix();
    void pop_matrix();
    void translate(float x, float y);
    void load_identity();
    // glOrtho(0, width, height, 0, -1, 1): the 2D projection, origin top-left.
    void ortho_top_left(int32_t width, int32_t height);
    void viewport(int32_t x, int32_t y, int32_t width, int32_t height);
    void front_face(uint32_t mode);
    void alpha_func(uint32_t func, float ref);
    void clear_colour(float r, float g, float b, float a);
    void shade_model(uint32_t mode);
    void hint(uint32_t target, uint32_t mode);
    void clear(uint32_t mask);

    // Starts recording a frame (the engine calls it right after a swap, before the
    // clear that starts the next frame).
    void begin_frame();
    // Issues the held-back work; the rest of the frame is drawn as it comes.
    void flush();
    // OpenGL work outside the held-back work that may change textures: flush, and forget
    // the frames before.
    void touch();
    // At the end of a recorded frame: true when the frame was not drawn because the
    // target still holds its pixels (target_retained: the frame being drawn into
    // holds the last frame drawn or shown).
    bool end_frame(bool target_retained);
    // True when nothing was drawn or touched since the last end_frame.
    bool quiet_since_end() const { return quiet_since_end_; }
    // A new or lost context: nothing held back, no earlier frame known.
    void reset();

    // True when the 2D transform set through the held-back work maps one unit to one pixel
    // of the viewport with no other matrix: a quad at whole positions, unscaled,
    // covers whole pixels and samples texel centres. False while unknown.
    bool draws_whole_pixels() const {
        return transform_.projection_2d && transform_.modelview_identity &&
               viewport_width_ == transform_.width && viewport_height_ == transform_.height;
    }

    // Frames not drawn again since the process started (for tests and benchmarks).
    long long skipped_frames() const { return skipped_frames_; }

    // The calls, as Op codes.
    enum Code : uint32_t {
        kEnable = 1,
        kDisable,
        kBlendFunc,
        kColour,
        kColourBytes,
        kBindTexture,
        kTextureFilter,
        kBegin,
        kEnd,
        kVertex,
        kTexturedVertex,
        kMatrixMode,
        kPushMatrix,
        kPopMatrix,
        kTranslate,
        kLoadIdentity,
        kOrthoTopLeft,
        kViewport,
        kFrontFace,
        kAlphaFunc,
        kClearColour,
        kShadeModel,
        kHint,
        kClear,
    };

    // One call: its code and its integer or float arguments, in the order of the call.
    struct Op {
        uint32_t code = 0;
        int32_t i[4] = {0, 0, 0, 0};
        float f[4] = {0, 0, 0, 0};
        bool operator==(const Op&) const = default;
    };

    // Sees every call as it is made, held back or issued (the stage benchmark builds
    // its trace of the drawing work from it).
    std::function<void(const Op&)> observer;

private:
    // Records the call while a frame is recorded, else issues it.
    void put(const Op& op);
    // True when the quads of the block ops_[first..] all lie beyond one edge of the
    // 2D frame.
    bool block_outside(size_t first) const;
    // Drawing outside a recorded frame changes the frame behind behind the held-back work's back:
    // no frame before it counts as the same as one after it.
    void direct() {
        quiet_since_end_ = false;
        forget_frames();
    }
    static void issue(const Op& op);
    // Issues the held-back work in its order and empties it.
    void issue_held();
    // No earlier frame counts as the same as the next one.
    void forget_frames();
    void forget_transform();

    std::vector<Op> ops_, previous_;
    bool recording_ = false;
    // The scissor test was off when the frame began, so its first clear (if it starts
    // with one) covers the whole frame.
    bool whole_frame_ = false;
    // How many frames in a row, ending with the previous one, did the same work.
    int same_in_a_row_ = 0;
    // Where the open glBegin block starts in ops_ (or npos), and its mode.
    size_t block_start_ = static_cast<size_t>(-1);
    uint32_t block_mode_ = 0;
    // The transform as set through the held-back work: the projection is the 2D one of a
    // width x height frame and the modelview the identity. Saved and restored with
    // the matrix stacks; unknown after a new context. OpenGL work outside the
    // held-back work (texture uploads, read-backs, the window's copy) leaves the matrices
    // and the viewport as it found them.
    struct Transform {
        bool projection_2d = false;
        int32_t width = 0, height = 0;
        bool modelview_identity = false;
    };
    Transform transform_;
    // The viewport's size as set through the held-back work (0: unknown).
    int32_t viewport_width_ = 0, viewport_height_ = 0;
    uint32_t matrix_mode_ = 0;
    // The projection is the identity (an ortho call then makes it the 2D one).
    bool projection_identity_ = false;
    std::vector<Transform> projection_stack_, modelview_stack_;
    bool quiet_since_end_ = true;
    long long skipped_frames_ = 0;
};

// The process's held-back GL work (the engine draws through one OpenGL context at a time).
FrameGlWork& frame_gl_work();

}  // namespace zorby::platform
