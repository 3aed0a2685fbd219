// The BMP and PNG decoders on small files: layouts, colour keys and hostile headers.
#include "graphics/image_decode.h"

#include <gtest/gtest.h>

#include <vector>

#include "graphics/test_pictures.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::BmpLayout;
using testing::make_bmp;
using testing::Rgb;
using testing::TempDir;

constexpr uint32_t kKey = 0x8000FF;  // R 255, G 0, B 128

std::vector<uint8_t> rgba_at(const PixelImage& image, int x, int y) {
    const uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

using Px = std::vector<uint8_t>;

TEST(BmpDecode, TrueColourRowsArePaddedAndKeyed) {
    // 3 x 2 at 24 bits: rows of 9 bytes padded to 12; at 32 bits rows of exactly 12.
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.pixels = {{1, 2, 3}, {255, 0, 128}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
    for (int bits : {24, 32}) {
        layout.bits = bits;
        const auto file = make_bmp(layout);
        EXPECT_EQ(file.size(), 54u + 2 * 12) << bits;
        PixelImage image;
        ASSERT_TRUE(decode_bmp_image(image, file.data(), file.size(), kKey)) << bits;
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(rgba_at(image, 0, 0), (Px{1, 2, 3, 255}));
        EXPECT_EQ(rgba_at(image, 1, 0), (Px{0, 0, 0, 0})) << "key colour";
        EXPECT_EQ(rgba_at(image, 2, 1), (Px{16, 17, 18, 255}));
        // Without a key the same pixel stays.
        ASSERT_TRUE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
        EXPECT_EQ(rgba_at(image, 1, 0), (Px{255, 0, 128, 255}));
        // One byte short of the last row fails.
        EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size() - 1, kKey));
    }
}

TEST(BmpDecode, PalettedPicturesWithBothHeaders) {
    BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.bits = 8;
    layout.palette = {{10, 20, 30}, {255, 0, 128}, {40, 50, 60}};
    layout.index = {0, 1, 2, 0};
    PixelImage image;
    auto file = make_bmp(layout);
    ASSERT_TRUE(decode_bmp_image(image, file.data(), file.size(), kKey));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(rgba_at(image, 1, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(rgba_at(image, 0, 1), (Px{40, 50, 60, 255}));

    // A core header carries a full palette of 2^bits three-byte entries.
    layout.core_header = true;
    layout.palette.resize(256, Rgb{0, 0, 0});
    file = make_bmp(layout);
    ASSERT_TRUE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    EXPECT_EQ(rgba_at(image, 1, 0), (Px{255, 0, 128, 255}));
    EXPECT_EQ(rgba_at(image, 0, 1), (Px{40, 50, 60, 255}));
}

TEST(BmpDecode, HostileFilesAreRejected) {
    BmpLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.bits = 8;
    layout.palette = {{1, 1, 1}, {2, 2, 2}};
    layout.index = {1, 2};  // 2 lies beyond the two entries the file holds
    PixelImage image;
    auto file = make_bmp(layout);
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));

    // No palette at all for an 8-bit picture.
    layout.palette.clear();
    layout.index = {0, 0};
    file = make_bmp(layout);
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));

    // A header promising far more rows than the file holds fails before allocating.
    BmpLayout big;
    big.width = 30000;
    big.height = 1;
    big.pixels.assign(30000, Rgb{1, 2, 3});
    file = make_bmp(big);
    file[22] = 0xF4;  // height 500: 45 MB of rows in a 90 kB file
    file[23] = 0x01;
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    // A negative width, a palette offset past the end, a wrong signature.
    file = make_bmp(big);
    file[21] = 0x80;
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    file = make_bmp(big);
    file[13] = 0x7F;
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    file = make_bmp(big);
    file[1] = 'N';
    EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    for (size_t n = 0; n < 60; ++n) {
        EXPECT_FALSE(decode_bmp_image(image, file.data(), n, kNoColourKey)) << n;
    }
}

TEST(BmpDecode, OtherDepthsFailSilentlyAndTopDownRowsShowUpright) {
    BmpLayout layout;
    layout.width = 1;
    layout.height = 2;
    layout.pixels = {{1, 1, 1}, {2, 2, 2}};
    PixelImage image;
    for (int bits : {1, 4, 16}) {
        auto file = make_bmp(layout);
        file[28] = uint8_t(bits);
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey)) << bits;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    }
    layout.height = -2;
    const auto file = make_bmp(layout);
    ASSERT_TRUE(decode_bmp_image(image, file.data(), file.size(), kNoColourKey));
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{1, 1, 1, 255}));
    EXPECT_EQ(rgba_at(image, 0, 1), (Px{2, 2, 2, 255}));
}

TEST(PngDecode, ColourTypesAndTheColourKey) {
    TempDir dir;
    PixelImage image;
    // RGB: key pixels become transparent black.
    const std::string rgb = dir.file("rgb.png");
    ASSERT_TRUE(testing::write_png_format(rgb, 2, 1, PNG_FORMAT_RGB, {255, 0, 128, 9, 8, 7}));
    ASSERT_TRUE(load_png_image(image, rgb, kKey));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(rgba_at(image, 1, 0), (Px{9, 8, 7, 255}));
    // RGBA keeps its own alpha, also on key-coloured pixels.
    const std::string rgba = dir.file("rgba.png");
    ASSERT_TRUE(
        testing::write_png_format(rgba, 2, 1, PNG_FORMAT_RGBA, {255, 0, 128, 200, 1, 2, 3, 0}));
    ASSERT_TRUE(load_png_image(image, rgba, kKey));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{255, 0, 128, 200}));
    EXPECT_EQ(rgba_at(image, 1, 0), (Px{1, 2, 3, 0}));
    // Grey ignores the key (grey 0 would match a black font key).
    const std::string grey = dir.file("grey.png");
    ASSERT_TRUE(testing::write_png_format(grey, 2, 1, PNG_FORMAT_GRAY, {0, 77}));
    ASSERT_TRUE(load_png_image(image, grey, 0));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{0, 0, 0, 255}));
    EXPECT_EQ(rgba_at(image, 1, 0), (Px{77, 77, 77, 255}));
    // Grey with alpha is refused.
    const std::string ga = dir.file("ga.png");
    ASSERT_TRUE(testing::write_png_format(ga, 1, 1, PNG_FORMAT_GA, {5, 255}));
    EXPECT_FALSE(load_png_image(image, ga, kKey));
    // A BMP under a PNG name decodes: the contents choose the decoder.
    BmpLayout layout;
    layout.width = layout.height = 1;
    layout.pixels = {{4, 5, 6}};
    const std::string odd = dir.file("really_a_bmp.png");
    ASSERT_TRUE(testing::write_file(odd, make_bmp(layout)));
    ASSERT_TRUE(load_picture(image, odd, kKey));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{4, 5, 6, 255}));
    ASSERT_TRUE(load_picture(image, rgb, kKey));
    EXPECT_EQ(image.width, 2);
    EXPECT_FALSE(load_picture(image, dir.file("missing.png"), kKey));
    EXPECT_FALSE(load_picture(image, dir.path(), kKey)) << "a directory";
}

TEST(PngDecode, InterlacedPicturesComeOutWhole) {
    TempDir dir;
    const int w = 13, h = 11;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), {uint8_t(x * 19), uint8_t(y * 23), 7});
    }
    rgb[0] = 255, rgb[1] = 0, rgb[2] = 128;  // the key colour at (0, 0)
    const std::string path = dir.file("interlaced.png");
    ASSERT_TRUE(testing::write_interlaced_rgb_png(path, w, h, rgb));
    PixelImage image;
    ASSERT_TRUE(load_picture(image, path, kKey));
    EXPECT_EQ(rgba_at(image, 0, 0), (Px{0, 0, 0, 0}));
    for (int y = 0; y < h; ++y) {
        for (int x = (y == 0 ? 1 : 0); x < w; ++x) {
            ASSERT_EQ(rgba_at(image, x, y), (Px{uint8_t(x * 19), uint8_t(y * 23), 7, 255}))
                << x << "," << y;
        }
    }
}

TEST(PngDecode, DamagedFilesFailCleanly) {
    TempDir dir;
    const std::string path = dir.file("p.png");
    ASSERT_TRUE(testing::write_png_format(path, 16, 16, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(16, 16, {1, 2, 3})));
    const auto bytes = testing::read_file(path);
    PixelImage image;
    ASSERT_TRUE(decode_png_image(image, bytes.data(), bytes.size(), kKey));
    // Every truncation fails, and so does a flipped byte in the image data (CRC).
    for (size_t n = 0; n < bytes.size(); n += 7) {
        EXPECT_FALSE(decode_png_image(image, bytes.data(), n, kKey)) << n;
    }
    auto damaged = bytes;
    damaged[damaged.size() - 20] ^= 0x55;
    EXPECT_FALSE(decode_png_image(image, damaged.data(), damaged.size(), kKey));

    // The quiet load (pictures decoded ahead on a worker thread) prints nothing where
    // load_picture reports libpng's error, says so, and otherwise loads the same.
    const std::string bad = dir.file("damaged.png");
    ASSERT_TRUE(testing::write_file(bad, damaged));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(load_picture(image, bad, kKey));
    EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
    bool would_speak = false;
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(load_picture_quietly(image, bad, kKey, would_speak));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(would_speak);
    EXPECT_EQ(image.pixels, nullptr);
    PixelImage loud;
    ASSERT_TRUE(load_picture(loud, path, kKey));
    ASSERT_TRUE(load_picture_quietly(image, path, kKey, would_speak));
    EXPECT_FALSE(would_speak);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 16);
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.get(), image.pixels.get() + 16 * 16 * 4),
              std::vector<uint8_t>(loud.pixels.get(), loud.pixels.get() + 16 * 16 * 4));
    EXPECT_FALSE(load_picture_quietly(image, dir.file("missing.png"), kKey, would_speak));
    EXPECT_FALSE(would_speak);
}

}  // namespace
}  // namespace zorby
