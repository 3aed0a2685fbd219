// The held-back OpenGL work of a frame's 2D drawing: see frame_gl_work.h.
#include "platform/gl/frame_gl_work.h"

#include <GL/gl.h>

#include <utility>

namespace zorby::platform {

namespace {

FrameGlWork::Op op_of(uint32_t code, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    FrameGlWork::Op op;
    op.code = code;
    op.i[0] = a;
    op.i[1] = b;
    op.i[2] = c;
    op.i[3] = d;
    return op;
}

FrameGlWork::Op op_of_floats(uint32_t code, float a, float b, float c = 0, float d = 0) {
    FrameGlWork::Op op;
    op.code = code;
    op.f[0] = a;
    op.f[1] = b;
    op.f[2] = c;
    op.f[3] = d;
    return op;
}

}  // namespace

FrameGlWork& frame_gl_work() {
    static FrameGlWork work;
    return work;
}

void FrameGlWork::issue(const Op& op) {
    const auto u = [&op](int k) { return static_cast<GLenum>(op.i[k]); };
    switch (op.code) {
        case kEnable:
            glEnable(u(0));
            break;
        case kDisable:
            glDisable(u(0));
            break;
        case kBlendFunc:
            glBlendFunc(u(0), u(1));
            break;
        case kColour:
            glColor4f(op.f[0], op.f[1], op.f[2], op.f[3]);
            break;
        case kColourBytes:
            glColor4ub(static_cast<GLubyte>(op.i[0]), static_cast<GLubyte>(op.i[1]),
                       static_cast<GLubyte>(op.i[2]), static_cast<GLubyte>(op.i[3]));
            break;
        case kBindTexture:
            glBindTexture(GL_TEXTURE_2D, u(0));
            break;
        case kTextureFilter:
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, op.i[0]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, op.i[0]);
            break;
        case kBegin:
            glBegin(u(0));
            break;
        case kEnd:
            glEnd();
            break;
        case kVertex:
            glVertex2f(op.f[0], op.f[1]);
            break;
        case kTexturedVertex:
            glTexCoord2f(op.f[0], op.f[1]);
            glVertex2f(op.f[2], op.f[3]);
            break;
        case kMatrixMode:
            glMatrixMode(u(0));
            break;
        case kPushMatrix:
            glPushMatrix();
            break;
        case kPopMatrix:
            glPopMatrix();
            break;
        case kTranslate:
            glTranslatef(op.f[0], op.f[1], 0);
            break;
        case kLoadIdentity:
            glLoadIdentity();
            break;
        case kOrthoTopLeft:
            glOrtho(0, op.i[0], op.i[1], 0, -1, 1);
            break;
        case kViewport:
            glViewport(op.i[0], op.i[1], op.i[2], op.i[3]);
            break;
        case kFrontFace:
            glFrontFace(u(0));
            break;
        case kAlphaFunc:
            glAlphaFunc(u(0), op.f[0]);
            break;
        case kClearColour:
            glClearColor(op.f[0], op.f[1], op.f[2], op.f[3]);
            break;
        case kShadeModel:
            glShadeModel(u(0));
            break;
        case kHint:
            glHint(u(0), u(1));
            break;
        case kClear:
            glClear(u(0));
            break;
        default:
            break;
    }
}

void FrameGlWork::put(const Op& op) {
    if (observer) observer(op);
    if (recording_) {
        ops_.push_back(op);
    } else {
        direct();
        issue(op);
    }
}

void FrameGlWork::enable(uint32_t cap) {
    put(op_of(kEnable, static_cast<int32_t>(cap)));
}
void FrameGlWork::disable(uint32_t cap) {
    put(op_of(kDisable, static_cast<int32_t>(cap)));
}
void FrameGlWork::blend_func(uint32_t source, uint32_t destination) {
    put(op_of(kBlendFunc, static_cast<int32_t>(source), static_cast<int32_t>(destination)));
}
void FrameGlWork::colour(float r, float g, float b, float a) {
    put(op_of_floats(kColour, r, g, b, a));
}
void FrameGlWork::colour_bytes(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    put(op_of(kColourBytes, r, g, b, a));
}
void FrameGlWork::bind_texture(uint32_t name) {
    put(op_of(kBindTexture, static_cast<int32_t>(name)));
}
void FrameGlWork::texture_filter(int32_t filter) {
    put(op_of(kTextureFilter, filter));
}
void FrameGlWork::begin(uint32_t mode) {
    put(op_of(kBegin, static_cast<int32_t>(mode)));
    block_start_ = recording_ ? ops_.size() - 1 : static_cast<size_t>(-1);
    block_mode_ = mode;
}
void FrameGlWork::end() {
    const size_t first = std::exchange(block_start_, static_cast<size_t>(-1));
    if (recording_ && first < ops_.size() && block_mode_ == GL_QUADS && block_outside(first)) {
        ops_.resize(first);
        return;
    }
    put(op_of(kEnd));
}

bool FrameGlWork::block_outside(size_t first) const {
    if (!transform_.projection_2d || !transform_.modelview_identity) return false;
    const float w = static_cast<float>(transform_.width);
    const float h = static_cast<float>(transform_.height);
    // Pixel centres lie strictly inside (0, w) x (0, h): a quad with every corner on
    // or beyond one of those edges covers none of them.
    bool left = true, right = true, above = true, below = true, any = false;
    for (size_t k = first + 1; k < ops_.size(); ++k) {
        const Op& op = ops_[k];
        float x = 0, y = 0;
        if (op.code == kVertex) {
            x = op.f[0];
            y = op.f[1];
        } else if (op.code == kTexturedVertex) {
            x = op.f[2];
            y = op.f[3];
        } else {
            return false;
        }
        any = true;
        left = left && x <= 0;
        right = right && x >= w;
        above = above && y <= 0;
        below = below && y >= h;
    }
    return any && (left || right || above || below);
}
void FrameGlWork::vertex(float x, float y) {
    put(op_of_floats(kVertex, x, y));
}
void FrameGlWork::textured_vertex(float s, float t, float x, float y) {
    put(op_of_floats(kTexturedVertex, s, t, x, y));
}
void FrameGlWork::matrix_mode(uint32_t mode) {
    put(op_of(kMatrixMode, static_cast<int32_t>(mode)));
    matrix_mode_ = mode;
}
void FrameGlWork::push_matrix() {
    put(op_of(kPushMatrix));
    if (matrix_mode_ == GL_PROJECTION) {
        projection_stack_.push_back(transform_);
    } else if (matrix_mode_ == GL_MODELVIEW) {
        modelview_stack_.push_back(transform_);
    } else {
        transform_ = {};
    }
}
void FrameGlWork::pop_matrix() {
    put(op_of(kPopMatrix));
    std::vector<Transform>* stack = matrix_mode_ == GL_PROJECTION  ? &projection_stack_
                                    : matrix_mode_ == GL_MODELVIEW ? &modelview_stack_
                                                                   : nullptr;
    if (!stack || stack->empty()) {
        transform_ = {};
        projection_identity_ = false;
        return;
    }
    const Transform saved = stack->back();
    stack->pop_back();
    projection_identity_ = false;
    if (matrix_mode_ == GL_PROJECTION) {
        transform_.projection_2d = saved.projection_2d;
        transform_.width = saved.width;
        transform_.height = saved.height;
    } else {
        transform_.modelview_identity = saved.modelview_identity;
    }
}
void FrameGlWork::translate(float x, float y) {
    put(op_of_floats(kTranslate, x, y));
    if (matrix_mode_ == GL_PROJECTION) {
        transform_.projection_2d = false;
        projection_identity_ = false;
    } else {
        transform_.modelview_identity = false;
    }
}
void FrameGlWork::load_identity() {
    put(op_of(kLoadIdentity));
    if (matrix_mode_ == GL_PROJECTION) {
        // The identity projection is no 2D frame; the ortho call that follows is.
        transform_.projection_2d = false;
        projection_identity_ = true;
    } else if (matrix_mode_ == GL_MODELVIEW) {
        transform_.modelview_identity = true;
    }
}
void FrameGlWork::ortho_top_left(int32_t width, int32_t height) {
    put(op_of(kOrthoTopLeft, width, height));
    if (matrix_mode_ == GL_PROJECTION) {
        // A frame without size is refused by OpenGL, which leaves the matrix as it was.
        transform_.projection_2d = projection_identity_ && width > 0 && height > 0;
        transform_.width = width;
        transform_.height = height;
    } else {
        transform_.modelview_identity = false;
    }
    projection_identity_ = false;
}
void FrameGlWork::viewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    put(op_of(kViewport, x, y, width, height));
    viewport_width_ = width;
    viewport_height_ = height;
}
void FrameGlWork::front_face(uint32_t mode) {
    put(op_of(kFrontFace, static_cast<int32_t>(mode)));
}
void FrameGlWork::alpha_func(uint32_t func, float ref) {
    Op op = op_of(kAlphaFunc, static_cast<int32_t>(func));
    op.f[0] = ref;
    put(op);
}
void FrameGlWork::clear_colour(float r, float g, float b, float a) {
    put(op_of_floats(kClearColour, r, g, b, a));
}
void FrameGlWork::shade_model(uint32_t mode) {
    put(op_of(kShadeModel, static_cast<int32_t>(mode)));
}
void FrameGlWork::hint(uint32_t target, uint32_t mode) {
    put(op_of(kHint, static_cast<int32_t>(target), static_cast<int32_t>(mode)));
}
void FrameGlWork::clear(uint32_t mask) {
    put(op_of(kClear, static_cast<int32_t>(mask)));
}

void FrameGlWork::begin_frame() {
    if (recording_) flush();
    ops_.clear();
    recording_ = true;
    // A clear under a scissor box leaves the rest of the frame as it was: such a
    // frame depends on the one before and is always drawn.
    whole_frame_ = glIsEnabled(GL_SCISSOR_TEST) == GL_FALSE;
}

void FrameGlWork::issue_held() {
    for (const Op& op : ops_) issue(op);
    ops_.clear();
}

void FrameGlWork::forget_frames() {
    previous_.clear();
    same_in_a_row_ = 0;
}

void FrameGlWork::flush() {
    if (!recording_) return;
    recording_ = false;
    issue_held();
    forget_frames();
}

void FrameGlWork::touch() {
    flush();
    direct();
}

bool FrameGlWork::end_frame(bool target_retained) {
    quiet_since_end_ = true;
    if (!recording_) {
        forget_frames();
        return false;
    }
    recording_ = false;
    const bool starts_cleared = whole_frame_ && !ops_.empty() && ops_.front().code == kClear &&
                                (ops_.front().i[0] & GL_COLOR_BUFFER_BIT) != 0;
    if (!starts_cleared) {
        issue_held();
        forget_frames();
        return false;
    }
    // The first frame of a run may start from state the frame before it left behind;
    // from the third on, every frame starts from the state its own work leaves.
    same_in_a_row_ = same_in_a_row_ > 0 && ops_ == previous_ ? same_in_a_row_ + 1 : 1;
    const bool skip = same_in_a_row_ >= 3 && target_retained;
    if (skip) {
        ++skipped_frames_;
    } else {
        for (const Op& op : ops_) issue(op);
    }
    // The work becomes the previous frame's (swapped: no copy, no allocation).
    previous_.swap(ops_);
    ops_.clear();
    return skip;
}

void FrameGlWork::forget_transform() {
    transform_ = {};
    viewport_width_ = viewport_height_ = 0;
    matrix_mode_ = 0;
    projection_identity_ = false;
    projection_stack_.clear();
    modelview_stack_.clear();
}

void FrameGlWork::reset() {
    forget_transform();
    recording_ = false;
    ops_.clear();
    forget_frames();
    quiet_since_end_ = true;
}

}  // namespace zorby::platform
