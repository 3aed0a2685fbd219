// The texture builder: region copy with the vertical flip, colour bleeding, the
// mipmap chain of the 3D copy, the normal-map option and the OpenGL uploads.
#include "graphics/texture_builder.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/gl/gl_gateway.h"

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
    // Only texels off the outermost rows and columns give colour (with repeat
    // wrapping they would bleed onto the opposite edge). First mark the texels that
    // have such an opaque texel among their eight neighbours (the opaque set grown by
    // one in each direction), so the many transparent texels far from the picture
    // only get their colour cleared.
    const size_t count = size_t(tw) * size_t(th);
    std::vector<uint8_t> opaque(count, 0), close_by(count, 0);
    for (int32_t row = 1; row < th - 1; ++row) {
        const uint8_t* t = texels.data() + size_t(row) * tw * 4;
        uint8_t* o = opaque.data() + size_t(row) * tw;
        for (int32_t col = 1; col < tw - 1; ++col) o[col] = t[col * 4 + 3] != 0;
    }
    // Grown sideways within each row, then up and down across rows.
    std::vector<uint8_t> wide(count, 0);
    for (int32_t row = 1; row < th - 1; ++row) {
        const uint8_t* __restrict o = opaque.data() + size_t(row) * tw;
        uint8_t* __restrict w = wide.data() + size_t(row) * tw;
        for (int32_t col = 1; col < tw - 1; ++col) w[col] = o[col - 1] | o[col] | o[col + 1];
        w[0] = o[1];
        w[tw - 1] = o[tw - 2];
    }
    for (int32_t row = 0; row < th; ++row) {
        uint8_t* __restrict n = close_by.data() + size_t(row) * tw;
        const uint8_t* __restrict above = wide.data() + size_t(std::max(row - 1, 0)) * tw;
        const uint8_t* __restrict here = wide.data() + size_t(row) * tw;
        const uint8_t* __restrict below = wide.data() + size_t(std::min(row + 1, th - 1)) * tw;
        for (int32_t col = 0; col < tw; ++col) n[col] = above[col] | here[col] | below[col];
    }
    for (int32_t row = 0; row < th; ++row) {
        uint8_t* r = texels.data() + size_t(row) * tw * 4;
        const uint8_t* n = close_by.data() + size_t(row) * tw;
        for (int32_t col = 0; col < tw; ++col) {
            uint8_t* t = r + col * 4;
            if (t[3] != 0) continue;
            int sum[3] = {0, 0, 0};
            int found = 0;
            if (n[col]) {
                for (int32_t ny = std::max(row - 1, 1); ny <= std::min(row + 1, th - 2); ++ny) {
                    const uint8_t* nr = texels.data() + size_t(ny) * tw * 4;
                    for (int32_t nx = std::max(col - 1, 1); nx <= std::min(col + 1, tw - 2); ++nx) {
                        const uint8_t* q = nr + nx * 4;
                        if (q[3] == 0) continue;  // also skips the texel itself
                        sum[0] += q[0];
                        sum[1] += q[1];
                        sum[2] += q[2];
                        ++found;
                    }
                }
            }
            for (int c = 0; c < 3; ++c) t[c] = uint8_t(found > 0 ? sum[c] / found : 0);
        }
    }
}

void next_mip_level(const std::vector<uint8_t>& level, int32_t w, int32_t h,
                    std::vector<uint8_t>& out, int32_t& out_w, int32_t& out_h) {
    out_w = std::max(1, w / 2);
    out_h = std::max(1, h / 2);
    out.resize(size_t(out_w) * size_t(out_h) * 4);
    const size_t stride = size_t(w) * 4;
    for (int32_t j = 0; j < out_h; ++j) {
        const bool last_row = j == out_h - 1;
        // Samples come from rows 2j and 2j + 2, columns 2i and 2i + 1.
        const uint8_t* r0 = level.data() + size_t(2 * j) * stride;
        const uint8_t* r2 = last_row ? r0 : r0 + 2 * stride;
        uint8_t* o = out.data() + size_t(j) * out_w * 4;
        for (int32_t i = 0; i < out_w; ++i, o += 4) {
            const bool last_col = i == out_w - 1;
            const uint8_t* s0 = r0 + size_t(i) * 8;
            const uint8_t* s1 = s0 + 4;
            const uint8_t* s3 = r2 + size_t(i) * 8;
            const uint8_t* s2 = s3 + 4;
            if (!last_col && !last_row) {
                for (int c = 0; c < 4; ++c) {
                    o[c] = uint8_t((4 * s0[c] + 2 * s1[c] + 2 * s2[c] + s3[c]) / 9);
                }
            } else if (!last_col) {
                for (int c = 0; c < 4; ++c) o[c] = uint8_t((2 * s0[c] + s1[c]) / 3);
            } else if (!last_row) {
                for (int c = 0; c < 4; ++c) o[c] = uint8_t((2 * s0[c] + s3[c]) / 3);
            } else {
                for (int c = 0; c < 4; ++c) o[c] = s0[c];
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

void replace_texture(uint32_t& name, int32_t mag_filter, int32_t min_filter) {
    platform::gl::call(glPixelStorei, GL_UNPACK_ALIGNMENT, 1);
    platform::gl::call(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
    platform::gl::call(glPixelStorei, GL_UNPACK_SKIP_ROWS, 0);
    platform::gl::call(glPixelStorei, GL_UNPACK_SKIP_PIXELS, 0);
    if (name != 0) platform::gl::call(glDeleteTextures, 1, &name);
    GLuint fresh = 0;
    platform::gl::call(glGenTextures, 1, &fresh);
    name = fresh;
    platform::gl::call(glBindTexture, GL_TEXTURE_2D, fresh);
    platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag_filter);
    platform::gl::call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);
}

RegionTexels region_texels(const PixelImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                           bool font) {
    RegionTexels r{x, y, w, h, font, power_of_two_size(w), power_of_two_size(h), {}};
    r.texels = texels_from_region(image, x, y, w, h, r.tw, r.th);
    if (!font) bleed_colours(r.texels, r.tw, r.th);
    return r;
}

void make_mipmapped_texture(std::vector<uint8_t> texels, int32_t tw, int32_t th, uint32_t& out) {
    replace_texture(out, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR);
    std::vector<uint8_t> next;
    int32_t lw = tw, lh = th;
    for (GLint level = 0;; ++level) {
        platform::gl::call(glTexImage2D, GL_TEXTURE_2D, level, GL_RGBA8, lw, lh, 0, GL_RGBA,
                           GL_UNSIGNED_BYTE, texels.data());
        if (lw == 1 && lh == 1) break;
        int32_t nw = 0, nh = 0;
        next_mip_level(texels, lw, lh, next, nw, nh);
        texels.swap(next);
        lw = nw;
        lh = nh;
    }
}

bool make_sprite_texture(const PixelImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                         uint32_t& out, bool normal_map, bool font, RegionTexels* prepared) {
    GLint max_size = 0;
    platform::gl::call(glGetIntegerv, GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size < 1) max_size = 64;
    if (w == 0) w = image.width - x;
    if (h == 0) h = image.height - y;
    if (w < 1 || h < 1 || !image.pixels) return false;
    w = std::min(w, max_size);
    h = std::min(h, max_size);
    const bool usable = prepared != nullptr && prepared->x == x && prepared->y == y &&
                        prepared->w == w && prepared->h == h && prepared->font == font &&
                        !prepared->texels.empty();
    RegionTexels region =
        usable ? std::exchange(*prepared, RegionTexels{}) : region_texels(image, x, y, w, h, font);
    const int32_t tw = region.tw;
    const int32_t th = region.th;
    std::vector<uint8_t>& texels = region.texels;

    const GLint filter = font ? GL_NEAREST : GL_LINEAR;
    replace_texture(out, filter, filter);
    if (normal_map) convert_to_normal_map(texels, tw, th);
    platform::gl::call(glTexImage2D, GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA,
                       GL_UNSIGNED_BYTE, texels.data());
    return true;
}

}  // namespace zorby
