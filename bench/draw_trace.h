// The stage benchmark's list of the drawing work of the 2D commands (textured quads,
// lines, blending and viewport changes), built from the calls the engine hands its
// held-back GL work (frame_gl_work.h). The benchmark replays it with plain OpenGL calls as the
// reference for the engine's own cost per frame.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/gl/frame_gl_work.h"

namespace zorby::bench {

struct DrawOp {
    enum class Kind : uint8_t { quads, line, blend, viewport };
    Kind kind = Kind::quads;
    uint32_t texture = 0;            // quads: OpenGL texture name (0: untextured)
    int32_t filter = 0;              // quads: the texture's filter when drawn (0: as made)
    bool alpha_test = true;          // quads: drawn with the alpha test (surfaces are not)
    uint32_t first = 0;              // quads and line: first vertex (x, y, s, t each)
    uint32_t count = 0;              // quads and line: vertex count
    int32_t blend = 0;               // blend: 0 opaque, 1 additive, 2 translucent
    float alpha = 1.0f;              // blend: the colour's alpha
    uint32_t colour = 0;             // line: R | G << 8 | B << 16 | A << 24
    int32_t view[4] = {0, 0, 0, 0};  // viewport: x, y (from the top), w, h
};

// Turns the held-back GL work's calls into DrawOps: it follows the state the calls set (the
// bound texture and its filter, the alpha test, texturing, blending, the colour) and
// makes one op of each glBegin block of quads or lines, a blend op when the blending
// or its alpha changes, and a viewport op when the viewport changes.
class DrawTrace {
public:
    using Work = platform::FrameGlWork;

    std::vector<DrawOp> ops;
    std::vector<float> vertices;  // x, y, s, t per vertex
    int32_t frame_height = 240;   // to turn the viewport's rows back into the engine's

    void see(const Work::Op& op) {
        switch (op.code) {
            case Work::kEnable:
            case Work::kDisable: {
                const bool on = op.code == Work::kEnable;
                if (op.i[0] == GL_ALPHA_TEST) alpha_test_ = on;
                if (op.i[0] == GL_TEXTURE_2D) textured_ = on;
                if (op.i[0] == GL_BLEND) blend_on_ = on;
                break;
            }
            case Work::kBlendFunc:
                additive_ = op.i[1] == GL_ONE;
                break;
            case Work::kColour:
                alpha_ = op.f[3];
                note_blend();
                break;
            case Work::kColourBytes:
                colour_ = uint32_t(op.i[0] & 0xFF) | uint32_t(op.i[1] & 0xFF) << 8 |
                          uint32_t(op.i[2] & 0xFF) << 16 | uint32_t(op.i[3] & 0xFF) << 24;
                break;
            case Work::kBindTexture:
                texture_ = static_cast<uint32_t>(op.i[0]);
                break;
            case Work::kTextureFilter:
                filters_[texture_] = op.i[0];
                break;
            case Work::kViewport: {
                const int32_t view[4] = {op.i[0], frame_height - op.i[3] - op.i[1], op.i[2],
                                         op.i[3]};
                if (!viewport_known_ || !std::equal(view, view + 4, viewport_)) {
                    std::copy(view, view + 4, viewport_);
                    viewport_known_ = true;
                    DrawOp v;
                    v.kind = DrawOp::Kind::viewport;
                    std::copy(view, view + 4, v.view);
                    ops.push_back(v);
                }
                break;
            }
            case Work::kBegin:
                mode_ = static_cast<uint32_t>(op.i[0]);
                block_first_ = vertex_count();
                break;
            case Work::kVertex:
                vertices.insert(vertices.end(), {op.f[0], op.f[1], 0.0f, 0.0f});
                break;
            case Work::kTexturedVertex:
                vertices.insert(vertices.end(), {op.f[2], op.f[3], op.f[0], op.f[1]});
                break;
            case Work::kEnd:
                end_block();
                break;
            default:
                break;
        }
    }

    uint32_t vertex_count() const { return static_cast<uint32_t>(vertices.size() / 4); }

private:
    void note_blend() {
        const int32_t blend = blend_on_ ? (additive_ ? 1 : 2) : 0;
        if (blend_known_ && blend == last_blend_ && alpha_ == last_alpha_) return;
        blend_known_ = true;
        last_blend_ = blend;
        last_alpha_ = alpha_;
        DrawOp b;
        b.kind = DrawOp::Kind::blend;
        b.blend = blend;
        b.alpha = alpha_;
        ops.push_back(b);
    }
    void end_block() {
        const uint32_t count = vertex_count() - block_first_;
        if (mode_ == GL_QUADS && count > 0) {
            DrawOp q;
            q.kind = DrawOp::Kind::quads;
            q.texture = textured_ ? texture_ : 0;
            const auto f = filters_.find(texture_);
            q.filter = f == filters_.end() ? 0 : f->second;
            q.alpha_test = alpha_test_;
            q.first = block_first_;
            q.count = count;
            ops.push_back(q);
        } else if (mode_ == GL_LINES && count == 2) {
            DrawOp l;
            l.kind = DrawOp::Kind::line;
            l.colour = colour_;
            l.first = block_first_;
            l.count = 2;
            ops.push_back(l);
        } else {
            // The end point of a line is drawn on its own: part of the line op.
            vertices.resize(size_t(block_first_) * 4);
        }
    }

    bool alpha_test_ = true, textured_ = true, blend_on_ = false, additive_ = false;
    float alpha_ = 1.0f;
    uint32_t colour_ = 0, texture_ = 0, mode_ = 0, block_first_ = 0;
    std::map<uint32_t, int32_t> filters_;
    bool blend_known_ = false, viewport_known_ = false;
    int32_t last_blend_ = 0;
    float last_alpha_ = 1.0f;
    int32_t viewport_[4] = {0, 0, 0, 0};
};

}  // namespace zorby::bench
