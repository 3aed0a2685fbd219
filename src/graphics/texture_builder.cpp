// The texture builder: region copy with the vertical flip, colour bleeding, the
// mipmap chain of the 3D copy, the normal-map option and the OpenGL uploads.
#include "graphics/texture_builder.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorby {

int32_t power_of_two_size(int32_t n) {
    int32_t size = 2;
    while (size < n && size < (int32_t{1} << 30)) size *= 2;
    return size;
}

std::vector<uint8_t> texels_from_region(const PixelImage& image, int32_t x, int32_t y, int32_t w,
                                        int32_t h, int32_t tw, int32_t th) {
    std::vector<uint8_t> texels(size_t(tw) * size_t(th) * 4, 0);
    const auto x_end =
        static_cast<int32_t>(std::min({int64_t{x} + tw, int64_t{x} + w, int64_t{image.width}}));
    const auto y_end =
        static_cast<int32_t>(std::min({int64_t{y} + th, int64_t{y} + h, int64_t{image.height}}));
    const int32_t x_begin = std::max(x, 0);
    const int32_t y_begin = std::max(y, 0);
    if (x_begin >= x_end) return texels;
    for (int32_t sy = y_begin; sy < y_end; ++sy) {
        // Texture row 0 is the bottom row of the region.
        const int32_t row = y + h - 1 - sy;
        std::memcpy(texels.data() + (size_t(row) * tw + (x_begin - x)) * 4,
                    image.pixel(x_begin, sy), size_t(x_end - x_begin) * 4);
    }
    return texels;
}

void bleed_colours(std::vector<uint8_t>& texels, int32_t tw, int32_t th) {
    for (int32_t row = 0; row < th; ++row) {
        for (int32_t col = 0; col < tw; ++col) {
            uint8_t* t = texels.data() + (size_t(row) * tw + col) * 4;
            if (t[3] != 0) continue;
            int sum[3] = {0, 0, 0};
            int count = 0;
            // Neighbours on the outermost rows and columns do not count: with
            // repeat wrapping they would bleed onto the opposite edge.
            for (int32_t dy = -1; dy <= 1; ++dy) {
                const int32_t ny = row + dy;
                if (ny < 1 || ny > th - 2) continue;
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const int32_t nx = col + dx;
                    if ((dx == 0 && dy == 0) || nx < 1 || nx > tw - 2) continue;
                    const uint8_t* n = texels.data() + (size_t(ny) * tw + nx) * 4;
                    if (n[3] == 0) continue;
                    sum[0] += n[0];
                    sum[1] += n[1];
                    sum[2] += n[2];
                    ++count;
                }
            }
            for (int c = 0; c < 3; ++c) t[c] = uint8_t(count > 0 ? sum[c] / count : 0);
        }
    }
}

void next_mip_level(const std::vector<uint8_t>& level, int32_t w, int32_t h,
                    std::vector<uint8_t>& out, int32_t& out_w, int32_t& out_h) {
    out_w = std::max(1, w / 2);
    out_h = std::max(1, h / 2);
    out.assign(size_t(out_w) * size_t(out_h) * 4, 0);
    auto p = [&](int32_t i, int32_t j, int c) { return int(level[(size_t(j) * w + i) * 4 + c]); };
    for (int32_t j = 0; j < out_h; ++j) {
        const bool last_row = j == out_h - 1;
        for (int32_t i = 0; i < out_w; ++i) {
            const bool last_col = i == out_w - 1;
            uint8_t* o = out.data() + (size_t(j) * out_w + i) * 4;
            for (int c = 0; c < 4; ++c) {
                const int s0 = p(2 * i, 2 * j, c);
                int v = s0;
                if (!last_col && !last_row) {
                    v = (4 * s0 + 2 * p(2 * i + 1, 2 * j, c) + 2 * p(2 * i + 1, 2 * j + 2, c) +
                         p(2 * i, 2 * j + 2, c)) /
                        9;
                } else if (!last_col) {
                    v = (2 * s0 + p(2 * i + 1, 2 * j, c)) / 3;
                } else if (!last_row) {
                    v = (2 * s0 + p(2 * i, 2 * j + 2, c)) / 3;
                }
                o[c] = uint8_t(v);
            }
        }
    }
}

void convert_to_normal_map(std::vector<uint8_t>& texels, int32_t tw, int32_t th) {
    std::vector<float> height(size_t(tw) * th);
    for (size_t i = 0; i < height.size(); ++i) {
        const uint8_t* t = texels.data() + i * 4;
        height[i] = (t[0] + t[1] + t[2]) / (3.0f * 255.0f);
    }
    auto at = [&](int32_t x, int32_t y) {
        // Wrap like the texture does.
        x = (x + tw) % tw;
        y = (y + th) % th;
        return height[size_t(y) * tw + x];
    };
    for (int32_t y = 0; y < th; ++y) {
        for (int32_t x = 0; x < tw; ++x) {
            const float dx = at(x + 1, y) - at(x - 1, y);
            const float dy = at(x, y + 1) - at(x, y - 1);
            float nx = -dx, ny = -dy, nz = 0.5f;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= len;
            ny /= len;
            nz /= len;
            uint8_t* t = texels.data() + (size_t(y) * tw + x) * 4;
            t[0] = uint8_t(std::lround((nx * 0.5f + 0.5f) * 255.0f));
            t[1] = uint8_t(std::lround((ny * 0.5f + 0.5f) * 255.0f));
            t[2] = uint8_t(std::lround((nz * 0.5f + 0.5f) * 255.0f));
        }
    }
}

namespace {

void set_unpack_state() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

}  // namespace

bool make_sprite_texture(const PixelImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                         uint32_t& out, uint32_t* mipmapped_out, bool normal_map, bool font) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size < 1) max_size = 64;
    if (w == 0) w = image.width - x;
    if (h == 0) h = image.height - y;
    if (w < 1 || h < 1 || !image.pixels) return false;
    w = std::min(w, max_size);
    h = std::min(h, max_size);
    const int32_t tw = power_of_two_size(w);
    const int32_t th = power_of_two_size(h);

    std::vector<uint8_t> texels = texels_from_region(image, x, y, w, h, tw, th);
    if (!font) bleed_colours(texels, tw, th);

    set_unpack_state();
    if (out != 0) glDeleteTextures(1, &out);
    GLuint name = 0;
    glGenTextures(1, &name);
    out = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint filter = font ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    if (normal_map) convert_to_normal_map(texels, tw, th);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());

    if (mipmapped_out) {
        set_unpack_state();
        if (*mipmapped_out != 0) glDeleteTextures(1, mipmapped_out);
        GLuint mip = 0;
        glGenTextures(1, &mip);
        *mipmapped_out = mip;
        glBindTexture(GL_TEXTURE_2D, mip);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        std::vector<uint8_t> next;
        int32_t lw = tw, lh = th;
        for (GLint level = 0;; ++level) {
            glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, lw, lh, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         texels.data());
            if (lw == 1 && lh == 1) break;
            int32_t nw = 0, nh = 0;
            next_mip_level(texels, lw, lh, next, nw, nh);
            texels.swap(next);
            lw = nw;
            lh = nh;
        }
    }
    return true;
}

}  // namespace zorby
