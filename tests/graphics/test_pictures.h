// Small picture files for the graphics tests: BMP files written byte by byte (so
// every header field can be bent) and PNG files written through libpng.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace zorby::testing {

struct Rgb {
    uint8_t r, g, b;
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A BMP with an info header. pixels are rows top first; 8-bit pictures take palette
// indices in the red channel. height < 0 writes the rows top-down.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 24;
    std::vector<Rgb> pixels;
    std::vector<Rgb> palette;    // written for 8-bit pictures
    std::vector<uint8_t> index;  // 8-bit pixel indices, rows top first
    bool core_header = false;    // 12-byte header, 3-byte palette entries
};

inline std::vector<uint8_t> make_bmp(const BmpLayout& layout) {
    const int32_t rows = layout.height < 0 ? -layout.height : layout.height;
    const int entry = layout.core_header ? 3 : 4;
    const uint32_t header = layout.core_header ? 12 : 40;
    const uint32_t palette_bytes = uint32_t(layout.palette.size()) * entry;
    const uint32_t offset = 14 + header + palette_bytes;
    const uint32_t row_bytes = (uint32_t(layout.width) * layout.bits / 8 + 3) / 4 * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + row_bytes * rows);
    put32(out, 0);
    put32(out, offset);
    put32(out, header);
    if (layout.core_header) {
        put16(out, uint32_t(layout.width));
        put16(out, uint32_t(layout.height));
        put16(out, 1);
        put16(out, uint32_t(layout.bits));
    } else {
        put32(out, uint32_t(layout.width));
        put32(out, uint32_t(layout.height));
        put16(out, 1);
        put16(out, uint32_t(layout.bits));
        for (int i = 0; i < 6; ++i) put32(out, 0);
    }
    for (const Rgb& c : layout.palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        if (entry == 4) out.push_back(0);
    }
    for (int32_t i = 0; i < rows; ++i) {
        // Bottom row first unless the height is negative.
        const int32_t r = layout.height < 0 ? i : rows - 1 - i;
        const size_t start = out.size();
        for (int32_t x = 0; x < layout.width; ++x) {
            const size_t at = size_t(r) * layout.width + x;
            if (layout.bits == 8) {
                out.push_back(layout.index[at]);
            } else {
                const Rgb& c = layout.pixels[at];
                out.push_back(c.b);
                out.push_back(c.g);
                out.push_back(c.r);
                if (layout.bits == 32) out.push_back(0x5A);  // ignored fourth byte
            }
        }
        while (out.size() - start < row_bytes) out.push_back(0);
    }
    return out;
}

inline bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

// A PNG in the given layout: PNG_FORMAT_GRAY, _GA, _RGB or _RGBA; data holds the
// channels of each pixel, rows top first.
inline bool write_png_format(const std::string& path, int width, int height, uint32_t format,
                             const std::vector<uint8_t>& data) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = format;
    return png_image_write_to_file(&image, path.c_str(), 0, data.data(), 0, nullptr) != 0;
}

// An interlaced 8-bit RGB PNG through libpng's full write interface.
inline bool write_interlaced_rgb_png(const std::string& path, int width, int height,
                                     const std::vector<uint8_t>& rgb) {
    // Filled before setjmp: a longjmp must not skip a destructor.
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[size_t(y)] = const_cast<png_bytep>(rgb.data()) + size_t(y) * width * 3;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// An RGBA picture filled with one colour, with optional transparent pixels.
inline std::vector<uint8_t> solid_rgba(int w, int h, Rgb c, uint8_t alpha = 255) {
    std::vector<uint8_t> data;
    for (int i = 0; i < w * h; ++i) {
        data.insert(data.end(), {c.r, c.g, c.b, alpha});
    }
    return data;
}

}  // namespace zorby::testing
