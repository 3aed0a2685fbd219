// Bitmap fonts on read-back pixels: cell positions, grids of 8 and 16 rows, the
// built-in font, font selection and the text vertex array.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/sprite_store.h"
#include "graphics/test_pictures.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::read_pixel;
using testing::Rgba;

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

class FontRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(te_.start());
        glClear(GL_COLOR_BUFFER_BIT);
    }
    SpriteStore& store() { return *te_.engine().display->store; }

    // A font picture whose every cell is filled with a colour naming its code:
    // R = code, G = 100, B = 1 + cell row. Black pixels would be the font's key.
    std::string coded_font(int w, int h) {
        const int rows = w < h ? 16 : 8;
        const int gw = w / 16, gh = h / rows;
        std::vector<uint8_t> rgb;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int code = (y / gh) * 16 + x / gw;
                rgb.insert(rgb.end(), {uint8_t(code), 100, uint8_t(1 + y / gh)});
            }
        }
        const std::string path = dir_.file("font" + std::to_string(w) + "x" + std::to_string(h));
        EXPECT_TRUE(testing::write_png_format(path, w, h, PNG_FORMAT_RGB, rgb));
        return path;
    }

    testing::TestEngine te_;
    testing::TempDir dir_;
};

TEST_F(FontRender, BuiltInFontCellsAndGlyphs) {
    load_font("", 0);
    double gw = 0, gh = 0;
    font_glyph_size(gw, gh);
    EXPECT_EQ(gw, 8);
    EXPECT_EQ(gh, 8);
    const SpriteRecord& r = *store().record(kFontSlotBase);
    EXPECT_EQ(r.width, 128);
    EXPECT_EQ(r.texture_height, 64);

    // "AB" at (10.2, 5): cells at (11, 5) and (19, 5). The glyph of 'A' has its apex
    // at glyph (2, 0) -> cell (3, 1); 'B' starts with a pixel at glyph (1, 0).
    print_text("AB", 10.2, 5);
    EXPECT_EQ(read_pixel(11 + 3, 5 + 1), kWhite);
    EXPECT_EQ(read_pixel(11 + 3, 5 + 0), (Rgba{8, 8, 8, 255})) << "outline above the apex";
    EXPECT_EQ(read_pixel(11 + 2, 5 + 0), kBlack) << "transparent cell pixel";
    EXPECT_EQ(read_pixel(19 + 2, 5 + 1), kWhite);
    EXPECT_EQ(read_pixel(19 + 7, 5 + 1), kBlack) << "column 7 of a cell stays empty";

    // Every glyph pixel of a whole line matches the pattern table.
    glClear(GL_COLOR_BUFFER_BIT);
    const std::string line = "Loading... 0123456789 xyz";
    print_text(line, 0, 100);
    const auto& glyphs = default_font_glyphs();
    for (size_t i = 0; i < line.size(); ++i) {
        const uint32_t bits = glyphs[size_t(line[i] - 32)];
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 5; ++x) {
                const bool set = (bits >> (5 * y + x)) & 1;
                if (set) {
                    EXPECT_EQ(read_pixel(int(i) * 8 + x + 1, 100 + y + 1), kWhite)
                        << line[i] << " " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(FontRender, EightRowGridWrapsHighCodes) {
    // 256 x 256: not higher than wide, so 8 rows of 16 x 32 cells.
    load_font(coded_font(256, 256), 2);
    double gw = 0, gh = 0;
    font_glyph_size(gw, gh);
    EXPECT_EQ(gw, 16);
    EXPECT_EQ(gh, 32);
    print_text("\xC8", 0, 0);  // code 200 -> glyph 72
    EXPECT_EQ(read_pixel(0, 0), (Rgba{72, 100, 5, 255}));
    EXPECT_EQ(read_pixel(15, 31), (Rgba{72, 100, 5, 255}));
    EXPECT_EQ(read_pixel(16, 0), kBlack);
    EXPECT_EQ(read_pixel(0, 32), kBlack);
    print_text("H!", 100.5, 100);
    EXPECT_EQ(read_pixel(101, 100), (Rgba{72, 100, 5, 255}));
    EXPECT_EQ(read_pixel(117, 131), (Rgba{33, 100, 3, 255}));
}

// Every pixel of a printed line, in and around its cells, against the cells the
// coded font names: each glyph fills exactly the cell size font_glyph_size reports,
// on both grids (a glyph drawn at another height than the reported one shows here).
TEST_F(FontRender, PrintedCellsAreExactlyTheReportedGlyphSize) {
    struct Case {
        int width, height, glyph_height;
        std::string text;
        std::vector<int> codes;  // the glyph each byte prints
    };
    const std::vector<Case> cases = {
        {256, 512, 32, "\xC8\x01\xFF", {200, 1, 255}},  // 16 rows: every code its own
        {256, 256, 32, "\xC8\x01\x7F", {72, 1, 127}},   // 8 rows: high codes wrap
        {128, 256, 16, "\x80z", {128, 122}},            // 16 rows of 8 x 16 cells
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        glClear(GL_COLOR_BUFFER_BIT);
        load_font(coded_font(c.width, c.height), 3);
        double gw = 0, gh = 0;
        font_glyph_size(gw, gh);
        EXPECT_EQ(gw, c.width / 16);
        EXPECT_EQ(gh, c.glyph_height);
        const int x0 = 5, y0 = 7, w = c.width / 16;
        print_text(c.text, x0, y0);
        glFinish();
        const std::vector<uint8_t> frame = testing::read_frame(320, 240);
        int wrong = 0;
        for (int y = 0; y < 240 && wrong < 5; ++y) {
            for (int x = 0; x < 320 && wrong < 5; ++x) {
                const int cell = (x - x0) / w;
                const bool inside = x >= x0 && y >= y0 && y < y0 + c.glyph_height &&
                                    cell < static_cast<int>(c.codes.size());
                Rgba want = kBlack;
                if (inside) {
                    const int code = c.codes[size_t(cell)];
                    want = Rgba{uint8_t(code), 100, uint8_t(1 + code / 16), 255};
                }
                const uint8_t* p = &frame[(size_t(y) * 320 + size_t(x)) * 4];
                const Rgba got{p[0], p[1], p[2], p[3]};
                if (!(got == want)) {
                    ++wrong;
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(got.r) << ","
                                  << int(got.g) << "," << int(got.b) << ", not " << int(want.r)
                                  << "," << int(want.g) << "," << int(want.b);
                }
            }
        }
    }
}

TEST_F(FontRender, FontSelectionAndFallback) {
    const std::string font = coded_font(256, 256);
    load_font(font, 40);  // clamped to 31
    EXPECT_EQ(store().current_font, 31);
    EXPECT_EQ(store().record(kFontSlotBase + 31)->width, 256);
    load_font(font, -3);
    EXPECT_EQ(store().current_font, 0);
    set_font(40);
    EXPECT_EQ(store().current_font, 31);
    set_font(-3);
    EXPECT_EQ(store().current_font, 0);
    set_font(5.9);
    EXPECT_EQ(store().current_font, 5);
    // Font 5 was never loaded: printing with it draws nothing.
    print_text("HHHH", 0, 0);
    EXPECT_EQ(read_pixel(3, 3), kBlack);
    // A missing file puts the built-in font into the slot, replacing the old one.
    load_font(dir_.file("missing.png"), 31);
    EXPECT_EQ(store().current_font, 31);
    EXPECT_EQ(store().record(kFontSlotBase + 31)->width, 128);
    double gw = 0, gh = 0;
    font_glyph_size(gw, gh);
    EXPECT_EQ(gw, 8);
    // Numbers print as the string values format them.
    print_number(100, 0, 0);
    print_number(0.5, 0, 20);
    glFinish();
    const auto numbers = testing::read_frame(320, 240);
    glClear(GL_COLOR_BUFFER_BIT);
    print_text("100", 0, 0);
    print_text("0.5", 0, 20);
    EXPECT_EQ(testing::read_frame(320, 240), numbers);
}

TEST_F(FontRender, ColourKeysOfFontsAndSprites) {
    // A BMP font: black everywhere except one yellow pixel in the cell of 'A'.
    testing::BmpLayout layout;
    layout.width = 128;
    layout.height = 64;
    layout.pixels.assign(128 * 64, {0, 0, 0});
    layout.pixels[size_t(8 * 4 + 1) * 128 + 8 * 1 + 1] = {255, 255, 0};
    const std::string path = dir_.file("font.bmp");
    ASSERT_TRUE(testing::write_file(path, testing::make_bmp(layout)));
    // A blue backdrop shows where the font is transparent.
    const std::string blue = dir_.file("blue.png");
    ASSERT_TRUE(testing::write_png_format(blue, 16, 16, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(16, 16, {0, 0, 255})));
    ASSERT_EQ(load_sprite(blue, 0), 1.0);
    auto backdrop = [] { draw_sprite(0, 0, 0); };
    load_font(path, 1);
    backdrop();
    print_text("A", 0, 0);
    EXPECT_EQ(read_pixel(1, 1), (Rgba{255, 255, 0, 255}));
    EXPECT_EQ(read_pixel(0, 0), (Rgba{0, 0, 255, 255})) << "black is the font key";
    // set_colour_key changes both keys: now black stays and yellow goes.
    set_colour_key(255 + 255 * 256);
    load_font(path, 1);
    backdrop();
    print_text("A", 0, 0);
    EXPECT_EQ(read_pixel(0, 0), kBlack);
    EXPECT_EQ(read_pixel(1, 1), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(te_.engine().display->sprite_colour_key, 0xFFFFu);
    set_colour_key(-1);
    EXPECT_EQ(te_.engine().display->font_colour_key, 0xFFFFFFFFu);
}

TEST_F(FontRender, TextVertexArrayGrowth) {
    load_font("", 0);
    TextVertexArray& va = store().text_vertices;
    const int32_t before = va.capacity;
    print_text("", 0, 0);
    EXPECT_EQ(va.capacity, before);
    print_text(std::string(10, 'x'), 0, 0);
    EXPECT_EQ(va.capacity, 512);
    EXPECT_EQ(va.count, 40);
    const float* data = va.data.get();
    print_text(std::string(127, 'x'), 0, 0);  // 508 vertices fit
    EXPECT_EQ(va.capacity, 512);
    EXPECT_EQ(va.data.get(), data) << "no allocation in the steady state";
    print_text(std::string(128, 'x'), 0, 0);  // 512 vertices: still the first size
    EXPECT_EQ(va.capacity, 512);
    print_text(std::string(129, 'x'), 0, 0);  // then steps of 128
    EXPECT_EQ(va.capacity, 640);
    print_text(std::string(300, 'x'), 0, 0);
    EXPECT_EQ(va.capacity, 1280);
    print_text("ab", 0, 0);
    EXPECT_EQ(va.capacity, 1280) << "never shrinks";
    EXPECT_EQ(va.count, 8);
}

}  // namespace
}  // namespace zorby
