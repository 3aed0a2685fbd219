// A list of the drawing work of the 2D commands (textured quads, lines, blending
// and viewport changes), kept while a trace is attached to the sprite store. The
// stage benchmark replays it with plain OpenGL calls as the reference for the
// engine's own cost per frame.
#pragma once

#include <cstdint>
#include <vector>

namespace zorby {

struct DrawOp {
    enum class Kind : uint8_t { quads, line, blend, viewport };
    Kind kind = Kind::quads;
    uint32_t texture = 0;            // quads: OpenGL texture name
    int32_t filter = 0;              // quads: the texture's filter when drawn
    bool alpha_test = true;          // quads: drawn with the alpha test (surfaces are not)
    uint32_t first = 0;              // quads and line: first vertex (x, y, s, t each)
    uint32_t count = 0;              // quads and line: vertex count
    int32_t blend = 0;               // blend: 0 opaque, 1 additive, 2 translucent
    float alpha = 1.0f;              // blend: the colour's alpha
    uint32_t colour = 0;             // line: R | G << 8 | B << 16 | A << 24
    int32_t view[4] = {0, 0, 0, 0};  // viewport: x, y, w, h (w or h <= 0: the window)
};

struct DrawTrace {
    std::vector<DrawOp> ops;
    std::vector<float> vertices;  // x, y, s, t per vertex

    void add_vertex(float x, float y, float s, float t) {
        vertices.insert(vertices.end(), {x, y, s, t});
    }
    uint32_t vertex_count() const { return static_cast<uint32_t>(vertices.size() / 4); }
};

}  // namespace zorby
