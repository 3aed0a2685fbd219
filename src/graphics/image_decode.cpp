// Picture decoders: BMP read field by field, PNG through libpng's read interface with
// our own read callback. Both read from a byte source (a file or a memory block) that
// knows how many bytes are left, so every size taken from the file is checked against
// what the file really holds before anything is allocated.
#include "graphics/image_decode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/graphics_layer.h"
#include "platform/paths.h"
#include "platform/portable/file_io.h"

namespace zorby {

bool PixelImage::resize(int32_t w, int32_t h) {
    if (w < 0 || h < 0 || w > kMaxPictureSide || h > kMaxPictureSide ||
        int64_t{w} * h > kMaxPicturePixels) {
        return false;
    }
    const size_t bytes = size_t(w) * size_t(h) * 4;
    if (bytes > capacity || !pixels) {
        pixels.reset();
        capacity = 0;
        pixels.reset(new uint8_t[bytes > 0 ? bytes : 4]);
        capacity = bytes;
    }
    width = w;
    height = h;
    return true;
}

void PixelImage::free_pixels() {
    pixels.reset();
    capacity = 0;
    width = 0;
    height = 0;
}

namespace {

// Where the decoders read from. remaining() is exact for both kinds.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads exactly n bytes; false (nothing promised about dst) on a short read.
    virtual bool read(void* dst, size_t n) = 0;
    virtual uint64_t remaining() const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool read(void* dst, size_t n) override {
        if (n > size_ - pos_) return false;
        if (n > 0) std::memcpy(dst, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    uint64_t remaining() const override { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path) {
        // Names may use either separator; this system's file calls want '/'.
        std::string native = path;
        std::replace(native.begin(), native.end(), '\\', '/');
        file_ = platform::open_stdio_file(native, "rb");
        if (file_ && !platform::regular_file_size(file_, remaining_)) {
            std::fclose(file_);
            file_ = nullptr;
        }
    }
    ~FileSource() override {
        if (file_) std::fclose(file_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool is_open() const { return file_ != nullptr; }
    bool read(void* dst, size_t n) override {
        if (!file_ || n > remaining_) return false;
        if (n > 0 && std::fread(dst, 1, n, file_) != n) {
            remaining_ = 0;
            return false;
        }
        remaining_ -= n;
        return true;
    }
    uint64_t remaining() const override { return remaining_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t remaining_ = 0;
};

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t pack_rgb(const uint8_t* px) {
    return px[0] | (px[1] << 8) | (uint32_t(px[2]) << 16);
}

// Clears pixels of the key colour to transparent black.
void apply_colour_key(uint8_t* px, uint32_t key) {
    if (key != kNoColourKey && pack_rgb(px) == key) std::memset(px, 0, 4);
}

bool decode_bmp(PixelImage& image, ByteSource& src, uint32_t key) {
    uint8_t file_header[14];
    if (!src.read(file_header, sizeof file_header)) return false;
    if (file_header[0] != 'B' || file_header[1] != 'M') return false;
    const int64_t data_offset = le32(file_header + 10);

    uint8_t size_field[4];
    if (!src.read(size_field, 4)) return false;
    const uint32_t header_size = le32(size_field);
    int64_t width = 0, height = 0;
    int bits = 0;
    if (header_size == 12) {
        uint8_t core[8];
        if (!src.read(core, sizeof core)) return false;
        width = le16(core);
        height = le16(core + 2);
        bits = le16(core + 6);
    } else if (header_size == 40) {
        uint8_t info[36];
        if (!src.read(info, sizeof info)) return false;
        width = static_cast<int32_t>(le32(info));
        height = static_cast<int32_t>(le32(info + 4));
        bits = le16(info + 10);
    } else {
        return false;
    }

    // The palette: B, G, R entries (three bytes each after a core header, four after
    // an info header). The pixel rows follow it directly.
    std::vector<uint8_t> palette;
    size_t entry_size = 0;
    size_t entries = 0;
    if (data_offset - 14 > 40) {
        uint64_t palette_bytes = 0;
        if (header_size == 12) {
            if (bits > 8) return false;  // 2^bits entries would not be a palette
            entry_size = 3;
            entries = size_t{1} << bits;
            palette_bytes = entries * 3;
        } else {
            entry_size = 4;
            palette_bytes = static_cast<uint64_t>(data_offset - 54);
            entries = palette_bytes / 4;
        }
        if (palette_bytes > src.remaining()) return false;
        palette.resize(palette_bytes);
        if (!src.read(palette.data(), palette.size())) return false;
    }

    const bool top_down = height < 0;
    if (top_down) height = -height;
    if (bits != 8 && bits != 24 && bits != 32) return false;
    if (bits == 8 && entries == 0) return false;
    if (width < 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height > kMaxPicturePixels) {
        return false;
    }
    const uint64_t row_bytes = (uint64_t(width) * bits / 8 + 3) / 4 * 4;
    const uint64_t data_bytes = row_bytes * uint64_t(height);
    if (data_bytes > src.remaining()) return false;
    std::vector<uint8_t> rows(data_bytes);
    if (!src.read(rows.data(), rows.size())) return false;

    if (!image.resize(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;
    const int bytes_per_pixel = bits / 8;
    for (int64_t r = 0; r < height; ++r) {
        // Rows are stored bottom row first unless the height was negative.
        const int64_t file_row = top_down ? r : height - 1 - r;
        const uint8_t* in = rows.data() + file_row * row_bytes;
        uint8_t* out = image.pixel(0, static_cast<int32_t>(r));
        for (int64_t x = 0; x < width; ++x, out += 4) {
            if (bits == 8) {
                const size_t index = in[x];
                if (index >= entries) {
                    image.free_pixels();
                    return false;
                }
                const uint8_t* e = palette.data() + index * entry_size;
                out[0] = e[2];
                out[1] = e[1];
                out[2] = e[0];
            } else {
                const uint8_t* p = in + x * bytes_per_pixel;
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            }
            out[3] = 255;
            apply_colour_key(out, key);
        }
    }
    return true;
}

// Everything the libpng pass touches lives here, in the caller's frame, so a
// longjmp out of libpng skips no destructor.
struct PngJob {
    ByteSource* source = nullptr;
    const char* name = "";
    // Quiet: nothing is printed; spoke tells whether a message would have been.
    bool quiet = false;
    bool spoke = false;
    // The first message a quiet decode kept back.
    std::string said;
    // Warnings neither speak nor fail the decode (an explained load).
    bool ignore_warnings = false;
    png_structp png = nullptr;
    png_infop info = nullptr;
    PixelImage* image = nullptr;
    std::vector<png_bytep> row_pointers;
    png_uint_32 width = 0, height = 0;
    size_t row_bytes = 0;
    int channels = 0;
};

void png_read_callback(png_structp png, png_bytep dst, png_size_t n) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (!source->read(dst, n)) png_error(png, "Read Error");
}

// Runs libpng over the file. Only trivially destructible locals: libpng errors come
// back here through longjmp.
bool run_png(PngJob& job) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_set_read_fn(job.png, job.source, png_read_callback);
    png_set_user_limits(job.png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(job.png, job.info);

    const int colour_type = png_get_color_type(job.png, job.info);
    const int bit_depth = png_get_bit_depth(job.png, job.info);
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(job.png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand(job.png);
    if (png_get_valid(job.png, job.info, PNG_INFO_tRNS)) png_set_expand(job.png);
    if (bit_depth == 16) png_set_strip_16(job.png);
    if (bit_depth < 8) png_set_packing(job.png);
    png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);

    job.width = png_get_image_width(job.png, job.info);
    job.height = png_get_image_height(job.png, job.info);
    job.channels = png_get_channels(job.png, job.info);
    const int out_type = png_get_color_type(job.png, job.info);
    const int out_depth = png_get_bit_depth(job.png, job.info);
    if (job.channels != 1 && job.channels != 3 && job.channels != 4) return false;
    if (job.quiet &&
        (out_depth != 8 || (out_type != PNG_COLOR_TYPE_GRAY && out_type != PNG_COLOR_TYPE_RGB &&
                            out_type != PNG_COLOR_TYPE_RGB_ALPHA))) {
        job.spoke = true;
        job.said = "unsupported colour type or bit depth";
        return false;
    }
    if (out_depth == 8 && out_type != PNG_COLOR_TYPE_GRAY && out_type != PNG_COLOR_TYPE_RGB &&
        out_type != PNG_COLOR_TYPE_RGB_ALPHA) {
        std::printf("File %s has unsupported color type.\n", job.name);
        std::printf("Types GRAY, RGB and RGB_ALPHA are supported.\n");
        return false;
    }
    if (out_depth != 8) {
        std::printf("File %s has bit depth %d.\n", job.name, out_depth);
        std::printf("Only bit depth of 8 is supported.\n");
        return false;
    }
    if (uint64_t(job.width) * job.height > uint64_t(kMaxPicturePixels)) return false;
    job.row_bytes = png_get_rowbytes(job.png, job.info);
    if (job.row_bytes != size_t(job.width) * job.channels) return false;

    // Rows are decoded straight into the picture, each at the start of its RGBA row;
    // pixels with fewer channels are spread out afterwards.
    if (!job.image->resize(static_cast<int32_t>(job.width), static_cast<int32_t>(job.height))) {
        return false;
    }
    job.row_pointers.resize(job.height);
    for (png_uint_32 y = 0; y < job.height; ++y) {
        job.row_pointers[y] = job.image->pixel(0, static_cast<int32_t>(y));
    }
    png_read_image(job.png, job.row_pointers.data());
    png_read_end(job.png, nullptr);
    return true;
}

// The quiet decode's libpng handlers: a message only marks the job.
void quiet_png_error(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    job->spoke = true;
    if (job->said.empty()) job->said = std::string("libpng error: ") + message;
    png_longjmp(png, 1);
}
void quiet_png_warning(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    if (job->ignore_warnings) return;
    job->spoke = true;
    if (job->said.empty()) job->said = std::string("libpng warning: ") + message;
}

bool decode_png(PixelImage& image, ByteSource& src, uint32_t key, const char* name,
                bool quiet = false, bool* spoke = nullptr, std::string* said = nullptr,
                bool ignore_warnings = false) {
    PngJob job;
    job.source = &src;
    job.name = name;
    job.image = &image;
    job.quiet = quiet;
    job.ignore_warnings = ignore_warnings;
    // No handlers of our own unless quiet: libpng reports on stderr and jumps back to
    // run_png.
    job.png = quiet ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, quiet_png_error,
                                             quiet_png_warning)
                    : png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!job.png) return false;
    job.info = png_create_info_struct(job.png);
    bool ok = job.info != nullptr && run_png(job);
    png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr);
    if (spoke) *spoke = job.spoke;
    if (said) *said = job.said;
    if (!ok || job.spoke) return false;

    if (job.channels == 4) return true;  // the file's alpha stays, no colour key
    for (png_uint_32 y = 0; y < job.height; ++y) {
        uint8_t* row = image.pixel(0, static_cast<int32_t>(y));
        // Right to left: pixel x moves from x * channels to x * 4, never over a pixel
        // that is still to be read.
        for (png_uint_32 x = job.width; x-- > 0;) {
            uint8_t* out = row + size_t(x) * 4;
            const uint8_t* in = row + size_t(x) * job.channels;
            if (job.channels == 3) {
                const uint8_t r = in[0], g = in[1], b = in[2];
                out[0] = r;
                out[1] = g;
                out[2] = b;
                out[3] = 255;
                apply_colour_key(out, key);
            } else {
                out[0] = out[1] = out[2] = in[0];
                out[3] = 255;
            }
        }
    }
    return true;
}

// The decoders load_picture tries, in its order (BMP, then PNG), printing nothing:
// bmp and png each read the same bytes from their start.
bool decode_quietly(PixelImage& image, ByteSource& bmp, ByteSource& png, uint32_t key,
                    const char* name, bool& would_speak, std::string* message) {
    if ((decode_bmp(image, bmp, key) ||
         decode_png(image, png, key, name, true, &would_speak, message)) &&
        image.width > 0 && image.height > 0) {
        return true;
    }
    image.free_pixels();
    return false;
}

}  // namespace

bool decode_bmp_image(PixelImage& image, const uint8_t* data, size_t size, uint32_t key) {
    MemorySource src(data, size);
    return decode_bmp(image, src, key);
}

bool load_bmp_image(PixelImage& image, const std::string& path, uint32_t key) {
    FileSource src(path);
    return src.is_open() && decode_bmp(image, src, key);
}

bool decode_png_image(PixelImage& image, const uint8_t* data, size_t size, uint32_t key) {
    MemorySource src(data, size);
    return decode_png(image, src, key, "<memory>");
}

bool load_png_image(PixelImage& image, const std::string& path, uint32_t key) {
    FileSource src(path);
    return src.is_open() && decode_png(image, src, key, path.c_str());
}

bool decode_picture_quietly(PixelImage& image, const uint8_t* data, size_t size, uint32_t key,
                            bool& would_speak) {
    would_speak = false;
    MemorySource bmp(data, size);
    MemorySource png(data, size);
    return decode_quietly(image, bmp, png, key, "<memory>", would_speak, nullptr);
}

bool load_picture_quietly(PixelImage& image, const std::string& path, uint32_t key,
                          bool& would_speak, std::string* message) {
    would_speak = false;
    if (message) message->clear();
    FileSource bmp(path);
    FileSource png(path);
    if (!bmp.is_open() || !png.is_open()) {
        image.free_pixels();
        return false;
    }
    return decode_quietly(image, bmp, png, key, path.c_str(), would_speak, message);
}

namespace {

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Why an explained PNG load failed, from its header and libpng's first message.
std::string png_failure(const uint8_t* head, bool whole_header, const std::string& said) {
    if (!whole_header) return "the file ends inside the PNG header (cut short)";
    const uint32_t w = be32(head + 16), h = be32(head + 20);
    if (w > uint32_t(kMaxPictureSide) || h > uint32_t(kMaxPictureSide) ||
        uint64_t(w) * h > uint64_t(kMaxPicturePixels)) {
        return std::to_string(w) + " x " + std::to_string(h) +
               " pixels is larger than the engine takes (at most 16777216 pixels, such as 4096 "
               "x 4096, and 32768 on a side)";
    }
    if (head[25] == PNG_COLOR_TYPE_GRAY_ALPHA) {
        return "grey PNG pictures with an alpha channel are not supported (save it as RGBA)";
    }
    if (said == "libpng error: Read Error")
        return "the PNG data ends early (the file is cut short)";
    const std::string prefix = "libpng error: ";
    if (said.rfind(prefix, 0) == 0) return "damaged PNG data (" + said.substr(prefix.size()) + ")";
    if (!said.empty()) return "unsupported PNG (" + said + ")";
    return "the PNG cannot be decoded";
}

}  // namespace

bool load_picture_explained(PixelImage& image, const std::string& path, uint32_t key,
                            std::string& reason) {
    reason.clear();
    image.free_pixels();
    uint8_t head[26] = {};
    bool whole_header = false;
    {
        FileSource src(path);
        if (!src.is_open()) {
            reason = "cannot be opened as a file";
            return false;
        }
        whole_header = src.remaining() >= sizeof head;
        src.read(head, whole_header ? sizeof head : size_t(src.remaining()));
    }
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head[0] == 'B' && head[1] == 'M') {
        if (load_bmp_image(image, path, key) && image.width > 0 && image.height > 0) return true;
        reason = "not a BMP picture the engine reads (8 bits with a palette, 24 or 32 bits)";
    } else if (std::memcmp(head, kPngSignature, sizeof kPngSignature) == 0) {
        FileSource src(path);
        bool spoke = false;
        std::string said;
        if (decode_png(image, src, key, path.c_str(), true, &spoke, &said, true) &&
            image.width > 0 && image.height > 0) {
            return true;
        }
        reason = png_failure(head, whole_header, said);
    } else {
        reason = "not a PNG or BMP picture";
    }
    image.free_pixels();
    return false;
}

bool load_picture(PixelImage& image, const std::string& path, uint32_t key) {
    // Under the engine kit loads print nothing and keep their reason for the game.
    GraphicsLayer* g = graphics_layer_if_any();
    if (g != nullptr && g->explain_pictures) {
        std::string reason;
        if (load_picture_explained(image, path, key, reason)) return true;
        g->picture_error = reason;
        return false;
    }
    if ((load_bmp_image(image, path, key) || load_png_image(image, path, key)) && image.width > 0 &&
        image.height > 0) {
        return true;
    }
    image.free_pixels();
    return false;
}

}  // namespace zorby
