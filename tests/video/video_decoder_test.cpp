// Picture conversion of the video decoder: every pixel of a converted picture, which
// way up it is, and nothing written outside the rows handed in, at the picture's own
// size (the converter's unscaled path) and scaled (its scaled paths), for widths that
// are not a whole number of the converter's blocks.
#include "video/video_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/engine_fixture.h"
#include "support/video_clip.h"

namespace zorby::video {
namespace {

constexpr uint32_t kUpper = 0x2060E0;  // R + 256 G + 65536 B
constexpr uint32_t kLower = 0xC0A020;

bool near(const uint8_t* px, uint32_t colour) {
    for (int c = 0; c < 3; ++c) {
        if (std::abs(px[c] - static_cast<int>((colour >> (8 * c)) & 0xFF)) > 24) return false;
    }
    return px[3] == 255;
}

TEST(VideoDecoder, ConvertedPicturesAreWholeTheRightWayUpAndStayInsideTheirRows) {
    testing::TempDir dir;
    for (const std::string codec : {"mjpeg", "mpeg1video"}) {
        test::ClipRecipe recipe;
        recipe.video_codec = codec;
        recipe.sound = false;
        recipe.width = 76;  // neither a whole number of 8 nor of 16 pixels
        recipe.height = 48;
        recipe.seconds = 0.2;
        recipe.colour = [](int, double) { return kUpper; };
        recipe.lower_colour = [](int, double) { return kLower; };
        ZORBY_SKIP_WITHOUT_CLIP_WRITER(recipe);
        const std::string path = dir.file("halves_" + codec + ".mkv");
        std::string error;
        ASSERT_TRUE(test::write_clip(path, recipe, error)) << error;

        VideoDecoder decoder;
        std::string reason;
        ASSERT_TRUE(decoder.open(path, reason)) << reason;
        double pts = 0;
        ASSERT_TRUE(decoder.next_picture(pts));
        struct Size {
            int w, h;
        };
        // Own size, enlarged, reduced; rows exactly w pixels apart and with room.
        for (const Size s : {Size{76, 48}, Size{114, 72}, Size{38, 24}}) {
            for (const int stride : {s.w * 4, (s.w + 16) / 16 * 16 * 4 + 8}) {
                for (const bool bottom_first : {false, true}) {
                    constexpr uint8_t kGuard = 0x5A;
                    std::vector<uint8_t> buffer(static_cast<size_t>(stride) * s.h + 128, kGuard);
                    uint8_t* out = buffer.data() + 64;
                    ASSERT_TRUE(decoder.convert_picture(s.w, s.h, out, stride, bottom_first));
                    const std::string where =
                        codec + " " + std::to_string(s.w) + "x" + std::to_string(s.h) + " stride " +
                        std::to_string(stride) + (bottom_first ? " bottom first" : " top first");
                    for (int i = 0; i < 64; ++i) {
                        ASSERT_EQ(buffer[i], kGuard) << where << ": written before the rows";
                        ASSERT_EQ(buffer[buffer.size() - 1 - i], kGuard)
                            << where << ": written after the rows";
                    }
                    for (int row = 0; row < s.h; ++row) {
                        const uint8_t* r = out + static_cast<size_t>(row) * stride;
                        // The room up to a whole block of 16 pixels may be used.
                        for (int x = (s.w + 15) / 16 * 16 * 4; x < stride; ++x) {
                            ASSERT_EQ(r[x], kGuard) << where << ": past row " << row;
                        }
                        // The picture's own row, away from the edge between the halves
                        // (which scaling blends).
                        const int picture_row = bottom_first ? s.h - 1 - row : row;
                        if (std::abs(2 * picture_row + 1 - s.h) < s.h / 4) continue;
                        const uint32_t want = picture_row < s.h / 2 ? kUpper : kLower;
                        for (int x = 0; x < s.w; ++x) {
                            ASSERT_TRUE(near(r + x * 4, want))
                                << where << ": pixel " << x << "," << row << " is " << int(r[x * 4])
                                << "," << int(r[x * 4 + 1]) << "," << int(r[x * 4 + 2]) << ","
                                << int(r[x * 4 + 3]);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace zorby::video
