// The built-in font: 96 small glyphs (codes 32..127) drawn as white pixels with a
// one-pixel near-black outline, so text stays readable on any background. It takes
// the place of any font picture that cannot be loaded.
#include <array>
#include <cstring>
#include <string_view>

#include "graphics/font.h"
#include "graphics/image_decode.h"

namespace zorby {

namespace {

// Each glyph: up to six rows from the top, separated by blanks; '#' marks a pixel.
// A row of five characters fills the 5-pixel field; shorter rows start one pixel
// in, so the common three-pixel-wide letters sit in the middle of the field.
// Capitals use rows 0..4; row 5 holds descenders.
constexpr std::string_view kGlyphArt[96] = {
    "",                                     // space
    ".#. .#. .#. ... .#.",                  // !
    "#.# #.#",                              // "
    "#.# ### #.# ### #.#",                  // #
    ".#. ### ##. .## ### .#.",              // $
    "#.# ..# .#. #.. #.#",                  // %
    ".#. #.# .#. #.# .##",                  // &
    ".#. .#.",                              // '
    "..# .#. .#. .#. ..#",                  // (
    "#.. .#. .#. .#. #..",                  // )
    "... #.# .#. #.#",                      // *
    "... .#. ### .#.",                      // +
    "... ... ... ... .#. #..",              // ,
    "... ... ###",                          // -
    "... ... ... ... .#.",                  // .
    "..# ..# .#. #.. #..",                  // /
    "### #.# #.# #.# ###",                  // 0
    ".#. ##. .#. .#. ###",                  // 1
    "##. ..# .#. #.. ###",                  // 2
    "##. ..# .#. ..# ##.",                  // 3
    "#.# #.# ### ..# ..#",                  // 4
    "### #.. ##. ..# ##.",                  // 5
    ".## #.. ### #.# ###",                  // 6
    "### ..# ..# .#. .#.",                  // 7
    "### #.# ### #.# ###",                  // 8
    "### #.# ### ..# ##.",                  // 9
    "... .#. ... .#.",                      // :
    "... .#. ... .#. #..",                  // ;
    "..# .#. #.. .#. ..#",                  // <
    "... ### ... ###",                      // =
    "#.. .#. ..# .#. #..",                  // >
    "##. ..# .#. ... .#.",                  // ?
    ".###. #.#.# #.### #.... .###.",        // @
    ".#. #.# ### #.# #.#",                  // A
    "##. #.# ##. #.# ##.",                  // B
    ".## #.. #.. #.. .##",                  // C
    "##. #.# #.# #.# ##.",                  // D
    "### #.. ##. #.. ###",                  // E
    "### #.. ##. #.. #..",                  // F
    ".## #.. #.# #.# .##",                  // G
    "#.# #.# ### #.# #.#",                  // H
    "### .#. .#. .#. ###",                  // I
    "..# ..# ..# #.# .#.",                  // J
    "#.# #.# ##. #.# #.#",                  // K
    "#.. #.. #.. #.. ###",                  // L
    "#...# ##.## #.#.# #...# #...#",        // M
    "#..# ##.# #.## #..# #..#",             // N
    ".#. #.# #.# #.# .#.",                  // O
    "##. #.# ##. #.. #..",                  // P
    ".#. #.# #.# ##. .##",                  // Q
    "##. #.# ##. #.# #.#",                  // R
    ".## #.. .#. ..# ##.",                  // S
    "### .#. .#. .#. .#.",                  // T
    "#.# #.# #.# #.# ###",                  // U
    "#.# #.# #.# #.# .#.",                  // V
    "#...# #...# #.#.# ##.## #...#",        // W
    "#.# #.# .#. #.# #.#",                  // X
    "#.# #.# .#. .#. .#.",                  // Y
    "### ..# .#. #.. ###",                  // Z
    "##. #.. #.. #.. ##.",                  // [
    "#.. #.. .#. ..# ..#",                  // backslash
    ".## ..# ..# ..# .##",                  // ]
    ".#. #.#",                              // ^
    "... ... ... ... ... ###",              // _
    "#.. .#.",                              // `
    "... .## #.# #.# .##",                  // a
    "#.. ##. #.# #.# ##.",                  // b
    "... .## #.. #.. .##",                  // c
    "..# .## #.# #.# .##",                  // d
    "... .#. ### #.. .##",                  // e
    "..# .#. ### .#. .#.",                  // f
    "... .## #.# .## ..# ##.",              // g
    "#.. #.. ##. #.# #.#",                  // h
    ".#. ... .#. .#. .#.",                  // i
    "..# ... ..# ..# #.# .#.",              // j
    "#.. #.# ##. #.# #.#",                  // k
    "##. .#. .#. .#. ###",                  // l
    "..... ##.#. #.#.# #.#.# #.#.#",        // m
    "... ##. #.# #.# #.#",                  // n
    "... .#. #.# #.# .#.",                  // o
    "... ##. #.# #.# ##. #..",              // p
    "... .## #.# #.# .## ..#",              // q
    "... #.# ##. #.. #..",                  // r
    "... .## #.. ..# ##.",                  // s
    ".#. ### .#. .#. ..#",                  // t
    "... #.# #.# #.# .##",                  // u
    "... #.# #.# #.# .#.",                  // v
    "..... #...# #.#.# #.#.# .#.#.",        // w
    "... #.# .#. .#. #.#",                  // x
    "... #.# #.# .## ..# ##.",              // y
    "... ### .## ##. ###",                  // z
    "..# .#. ##. .#. ..#",                  // {
    ".#. .#. .#. .#. .#. .#.",              // |
    "#.. .#. .## .#. #..",                  // }
    "..... .#... #.#.# ...#.",              // ~
    "#.#.# .#.#. #.#.# .#.#. #.#.# .#.#.",  // 127: a checker block
};

// Pixel (x, y) of a glyph is bit 5y + x.
constexpr uint32_t glyph_bits(std::string_view art) {
    uint32_t bits = 0;
    int y = 0;
    size_t pos = 0;
    while (pos < art.size() && y < 6) {
        size_t end = art.find(' ', pos);
        if (end == std::string_view::npos) end = art.size();
        const std::string_view row = art.substr(pos, end - pos);
        const int offset = row.size() >= 5 ? 0 : 1;
        for (size_t i = 0; i < row.size() && offset + i < 5; ++i) {
            if (row[i] == '#') bits |= uint32_t{1} << (5 * y + offset + int(i));
        }
        ++y;
        pos = end + 1;
    }
    return bits;
}

constexpr std::array<uint32_t, 96> make_glyph_table() {
    std::array<uint32_t, 96> table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = glyph_bits(kGlyphArt[i]);
    return table;
}

constexpr std::array<uint32_t, 96> kGlyphs = make_glyph_table();

}  // namespace

const std::array<uint32_t, 96>& default_font_glyphs() {
    return kGlyphs;
}

void build_default_font(PixelImage& image) {
    image.resize(128, 64);
    std::memset(image.pixels.get(), 0, size_t(128) * 64 * 4);
    for (int code = 32; code < 128; ++code) {
        const uint32_t bits = kGlyphs[size_t(code - 32)];
        // Whether cell pixel (cx, cy) shows a set glyph pixel.
        auto shows = [bits](int cx, int cy) {
            const int gx = cx - 1, gy = cy - 1;
            return gx >= 0 && gx < 5 && gy >= 0 && gy < 6 && ((bits >> (5 * gy + gx)) & 1) != 0;
        };
        const int left = 8 * (code % 16), top = 8 * (code / 16);
        for (int cy = 0; cy < 8; ++cy) {
            for (int cx = 0; cx < 7; ++cx) {
                uint8_t* px = image.pixel(left + cx, top + cy);
                if (shows(cx, cy)) {
                    std::memset(px, 255, 4);
                } else if (shows(cx - 1, cy) || shows(cx + 1, cy) || shows(cx, cy - 1) ||
                           shows(cx, cy + 1)) {
                    px[0] = px[1] = px[2] = 8;
                    px[3] = 255;
                }
            }
        }
    }
}

}  // namespace zorby
