// Picture decoding without OpenGL: BMP (8, 24 and 32 bits) and PNG (through libpng)
// into one RGBA layout, with the colour key that makes one colour transparent.
//
// How the engine chooses a decoder: the file's contents decide, never its name. The
// BMP decoder is tried first; when it fails, the PNG decoder is tried on the same
// file (`load_picture` does exactly this). Every decoder treats the file as hostile:
// sizes, offsets and palette indices are checked before anything is read or
// allocated, and a bad file fails the load instead of crashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zorby {

// A colour key packs R + G * 256 + B * 65536; this value means "no colour key".
constexpr uint32_t kNoColourKey = 0xFFFFFFFFu;

// Largest picture the decoders accept: each side, and the pixel count.
constexpr int32_t kMaxPictureSide = 32768;
constexpr int64_t kMaxPicturePixels = int64_t{1} << 24;  // 64 MB of RGBA

// A decoded picture: RGBA bytes, rows top first, no gaps between rows. The buffer is
// reused by the next decode when it is large enough.
struct PixelImage {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint8_t[]> pixels;
    size_t capacity = 0;  // bytes in pixels

    // Makes room for w x h RGBA pixels (reusing the buffer when it is large enough)
    // and sets the size. Returns false when the size is not sane.
    bool resize(int32_t w, int32_t h);
    void free_pixels();
    uint8_t* pixel(int32_t x, int32_t y) { return pixels.get() + (size_t(y) * width + x) * 4; }
    const uint8_t* pixel(int32_t x, int32_t y) const {
        return pixels.get() + (size_t(y) * width + x) * 4;
    }
};

// Decodes a BMP file (core or info header; 8 bits with palette, 24 or 32 bits).
// Pixels whose colour equals key (unless kNoColourKey) become (0, 0, 0, 0). Rows
// stored top-down (negative height) come out upright too. Fails silently.
bool load_bmp_image(PixelImage& image, const std::string& path, uint32_t key);
bool decode_bmp_image(PixelImage& image, const uint8_t* data, size_t size, uint32_t key);

// Decodes a PNG file into RGBA. Grey and RGB pictures get alpha 255; RGB pixels of the
// key colour become (0, 0, 0, 0); RGBA keeps the file's alpha and ignores the key;
// grey ignores the key; grey with alpha is rejected. Unsupported colour types and
// bit depths print two lines on standard output.
bool load_png_image(PixelImage& image, const std::string& path, uint32_t key);
bool decode_png_image(PixelImage& image, const uint8_t* data, size_t size, uint32_t key);

// BMP first, then PNG, as the sprite store loads. A picture of width or height 0
// counts as a failure. Returns false and leaves no pixels when both fail. While the
// graphics layer asks for explained loads (the engine kit), it loads as
// load_picture_explained and keeps the reason in the layer's picture_error.
bool load_picture(PixelImage& image, const std::string& path, uint32_t key);
// As load_picture, but printing nothing and ignoring libpng's warnings; on failure
// reason says why in words for the game's programmer (not a picture, damaged data,
// too large, an unsupported kind).
bool load_picture_explained(PixelImage& image, const std::string& path, uint32_t key,
                            std::string& reason);
// As load_picture, but printing nothing: would_speak is set when load_picture would
// have printed a message (a libpng warning or error, an unsupported format), and the
// load then counts as failed, so that load_picture can be asked to do it again aloud.
// message (when given) receives the first such message ("libpng error: ...",
// "libpng warning: ...").
bool load_picture_quietly(PixelImage& image, const std::string& path, uint32_t key,
                          bool& would_speak, std::string* message = nullptr);
// As load_picture_quietly, for a file's bytes already read.
bool decode_picture_quietly(PixelImage& image, const uint8_t* data, size_t size, uint32_t key,
                            bool& would_speak);

}  // namespace zorby
