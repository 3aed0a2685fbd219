// zorby-assets image: decodes a picture exactly as the sprite store does and writes
// the decoded RGBA picture as a PNG, so an artist sees what the game will show.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "commands.h"
#include "graphics/image_decode.h"

namespace zorby::assets {

namespace {

// The sprite store's colour key, RGB(255, 0, 128).
constexpr uint32_t kSpriteColourKey = 255u + 128u * 65536u;
// Pictures larger than the decoders accept are not worth reading.
constexpr uint64_t kMaxPictureFile = uint64_t{1} << 30;

void append_to_vector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flush_nothing(png_structp) {}

bool encode_png(const PixelImage& image, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, append_to_vector, flush_nothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    for (int32_t y = 0; y < image.height; ++y) {
        rows[static_cast<size_t>(y)] =
            image.pixels.get() + static_cast<size_t>(y) * image.width * 4;
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Names the format the file claims to be, for the rejection line.
std::string rejection_reason(const std::vector<uint8_t>& head) {
    static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') {
        return "BMP rejected: not 8, 24 or 32 bits, a size that does not fit the file, or "
               "damaged data";
    }
    if (head.size() >= 8 && std::memcmp(head.data(), png_signature, 8) == 0) {
        return "PNG rejected: grey with alpha, an unsupported colour type or bit depth, or "
               "damaged data";
    }
    return "neither a BMP nor a PNG picture";
}

}  // namespace

int run_image(const std::vector<std::string>& args) {
    const std::string& path = args[0];
    std::vector<uint8_t> file;
    std::string error;
    if (!read_file(path, kMaxPictureFile, file, error)) return fail(error);
    PixelImage image;
    // Quietly first, so that a rejection is one line of ours with libpng's reason in
    // it. A picture the game takes with a libpng warning is decoded again aloud, as the
    // game does it.
    bool would_speak = false;
    std::string said;
    if (!load_picture_quietly(image, path, kSpriteColourKey, would_speak, &said)) {
        const bool only_warned = said.rfind("libpng warning", 0) == 0;
        if (!only_warned || !load_picture(image, path, kSpriteColourKey)) {
            return fail(path + ": " + rejection_reason(file) +
                        (said.empty() ? "" : " (" + said + ")"));
        }
    }
    std::vector<uint8_t> png;
    if (!encode_png(image, png)) return fail(args[1] + ": cannot encode the PNG");
    if (!write_file(args[1], png, error)) return fail(error);
    return 0;
}

}  // namespace zorby::assets
