// Checks on the committed pictures, fonts and high-score file: every file the game
// loads decodes through the engine, has the size and glyph grid the game draws it
// with, and carries its buttons and keys under the game's hotspots.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "asset_support.h"
#include "game/hotspots.h"

namespace zorby::testing {
namespace {

struct Size {
    const char* file;
    int min_w, max_w, min_h, max_h;
};

// Sizes the game's drawing positions require (exact where the layout is exact).
const Size kPictureSizes[] = {
    {"screen.png", 320, 320, 240, 240},
    {"logo.png", 320, 320, 240, 240},
    {"combo.png", 320, 320, 240, 240},
    {"device.png", 320, 320, 240, 240},
    {"smilie.png", 18, 18, 18, 18},
    {"smilie2.png", 18, 18, 18, 18},
    {"smilie3.png", 18, 18, 18, 18},
    {"smilie4.png", 18, 18, 18, 18},
    {"smilie5.png", 18, 18, 18, 18},
    {"smilie6.png", 18, 18, 18, 18},
    {"smilie7.png", 18, 18, 18, 18},
    {"smilie8.png", 18, 18, 18, 18},
    {"block.png", 32, 32, 32, 32},
    {"keyboard.png", 308, 308, 93, 93},
    {"gameover.png", 280, 300, 80, 92},
    {"timeattack.png", 280, 300, 80, 92},
    {"lostfound.png", 280, 300, 80, 92},
    {"labyrinth.png", 280, 300, 80, 92},
    {"daboom.png", 280, 300, 80, 92},
    {"tellme.png", 280, 300, 80, 92},
    {"buttons.png", 280, 300, 80, 88},
    {"options.png", 290, 300, 80, 94},
    {"highscore.png", 150, 250, 20, 32},
    {"newhighscore.png", 850, 950, 80, 94},
    {"labyrinth1.png", 250, 300, 80, 92},
    {"labyrinth2.png", 250, 300, 80, 92},
    {"labyrinth3.png", 250, 300, 80, 92},
    {"minismilie.png", 6, 10, 6, 10},
    {"star.png", 5, 9, 5, 9},
    {"pointer.png", 9, 14, 9, 14},
    {"credits.png", 200, 294, 1350, 1400},
    {"tellmetime.png", 200, 294, 470, 490},
    {"tellmelost.png", 200, 294, 420, 440},
    {"tellmelaby.png", 200, 294, 350, 370},
    {"tellmemasq.png", 200, 294, 370, 390},
    {"text.png", 1, 128, 1, 64},
    {"howtoplay.png", 1, 128, 1, 64},
    {"dummy.png", 1, 64, 1, 64},
};

TEST(Pictures, EveryPictureDecodesAtTheSizeTheGameDrawsIt) {
    for (const Size& s : kPictureSizes) {
        PixelImage image = load_asset(s.file);
        EXPECT_GE(image.width, s.min_w) << s.file;
        EXPECT_LE(image.width, s.max_w) << s.file;
        EXPECT_GE(image.height, s.min_h) << s.file;
        EXPECT_LE(image.height, s.max_h) << s.file;
    }
}

// The scrolling pages are drawn from screen x 20; anything opaque beyond x 314 would
// paint over the frame's right edge.
TEST(Pictures, ScrollingPagesStayInsideTheContentWindow) {
    for (const char* name :
         {"credits.png", "tellmetime.png", "tellmelost.png", "tellmelaby.png", "tellmemasq.png"}) {
        PixelImage image = load_asset(name);
        for (int y = 0; y < image.height; ++y)
            for (int x = 294; x < image.width; ++x)
                ASSERT_EQ(alpha_at(image, x, y), 0) << name << " at " << x << "," << y;
    }
}

TEST(Pictures, FacesAreRoundWithClearCornersAndDifferFromEachOther) {
    std::vector<std::vector<uint8_t>> seen;
    for (const char* name : {"smilie.png", "smilie2.png", "smilie3.png", "smilie4.png",
                             "smilie5.png", "smilie6.png", "smilie7.png", "smilie8.png"}) {
        PixelImage face = load_asset(name);
        ASSERT_EQ(face.width, 18);
        EXPECT_EQ(alpha_at(face, 9, 9), 255) << name;
        EXPECT_EQ(alpha_at(face, 1, 17), 0) << name;
        EXPECT_EQ(alpha_at(face, 17, 17), 0) << name;
        std::vector<uint8_t> bytes(face.pixels.get(), face.pixels.get() + 18 * 18 * 4);
        for (const auto& other : seen) EXPECT_NE(bytes, other) << name << " repeats a face";
        seen.push_back(bytes);
    }
}

// The frame: the play area floor fills x 6..314, y 83..177 (pages and mazes show
// it through their clear pixels) and the energy bar's trough lies under y 182..185.
TEST(Pictures, FrameKeepsTheContentWindowAndBarTroughClear) {
    PixelImage frame = load_asset("screen.png");
    const uint8_t* floor = frame.pixel(6, 83);
    for (auto [x, y] :
         std::vector<std::pair<int, int>>{{314, 83}, {6, 177}, {314, 177}, {160, 130}}) {
        const uint8_t* p = frame.pixel(x, y);
        EXPECT_TRUE(p[0] == floor[0] && p[1] == floor[1] && p[2] == floor[2]) << x << "," << y;
    }
    const uint8_t* trough = frame.pixel(5, 182);
    for (int x = 5; x <= 300; x += 5)
        for (int y = 182; y <= 185; ++y) {
            const uint8_t* p = frame.pixel(x, y);
            ASSERT_TRUE(p[0] == trough[0] && p[1] == trough[1] && p[2] == trough[2])
                << x << "," << y;
        }
}

struct Hotspot {
    int x1, x2, y1, y2;
};

// A button under a hotspot: opaque at the centre and at the corners just inside.
void expect_box_under(const PixelImage& image, const Hotspot& h, const std::string& what) {
    const int cx = (h.x1 + h.x2) / 2, cy = (h.y1 + h.y2) / 2;
    EXPECT_EQ(alpha_at(image, cx, cy), 255) << what << " centre";
    for (auto [x, y] : {std::pair{h.x1 + 3, h.y1 + 3},
                        {h.x2 - 3, h.y1 + 3},
                        {h.x1 + 3, h.y2 - 3},
                        {h.x2 - 3, h.y2 - 3}})
        EXPECT_EQ(alpha_at(image, x, y), 255) << what << " at " << x << "," << y;
}

// The pictures under the hotspots of the game's own table (game/hotspots.h).
void expect_boxes_under(const PixelImage& image, std::span<const game::Hotspot> spots, int drawn_x,
                        int drawn_y, const std::string& what) {
    for (const game::Hotspot& h : spots) {
        const Hotspot box{static_cast<int>(h.x1) - drawn_x, static_cast<int>(h.x2) - drawn_x,
                          static_cast<int>(h.y1) - drawn_y, static_cast<int>(h.y2) - drawn_y};
        expect_box_under(image, box, what);
    }
}

TEST(Pictures, MenuItemsKeysAndBoxesSitUnderTheirHotspots) {
    // Each picture at the position the game draws it (or its viewport's corner).
    expect_boxes_under(load_asset("buttons.png"), game::hotspot::kMainMenu, 10, 87, "main menu");
    expect_boxes_under(load_asset("tellme.png"), game::hotspot::kHowToPlayIndex, 10, 85,
                       "how-to-play index");
    expect_boxes_under(load_asset("options.png"), game::hotspot::kOptions, 15, 83, "options");
    expect_boxes_under(load_asset("keyboard.png"), game::hotspot::kNameEntry, 6, 84,
                       "name-entry key");
}

TEST(Pictures, OptionMarkerLandsOnItsBoxes) {
    PixelImage marker = load_asset("pointer.png");
    PixelImage options = load_asset("options.png");
    // Each marker position must cover some opaque pixel of the box it marks.
    const std::tuple<int, int, Hotspot> uses[] = {{220, 60, {219, 232, 60, 73}},
                                                  {240, 60, {243, 255, 60, 73}},
                                                  {270, 60, {269, 281, 60, 73}},
                                                  {6, 55, {0, 18, 58, 72}},
                                                  {35, 55, {29, 51, 58, 72}}};
    for (const auto& [mx, my, box] : uses) {
        int overlap = 0;
        for (int y = 0; y < marker.height; ++y)
            for (int x = 0; x < marker.width; ++x) {
                const int px = mx + x, py = my + y;
                if (alpha_at(marker, x, y) && px > box.x1 && px < box.x2 && py > box.y1 &&
                    py < box.y2 && alpha_at(options, px, py))
                    ++overlap;
            }
        EXPECT_GT(overlap, 4) << "marker at " << mx << "," << my;
    }
}

struct FontCase {
    const char* file;
    int width, height, cell_w, cell_h;
    uint32_t key;
};

// Glyph grids: 16 cells a row; width >= height means 8 rows (codes 0..127).
TEST(Fonts, GridsHaveTheirCellSizesAndAGlyphForEveryPrintableCode) {
    const FontCase fonts[] = {{"font.png", 192, 128, 12, 16, 0},
                              {"font2.png", 192, 128, 12, 16, 0},
                              {"font3.png", 128, 80, 8, 10, 0},
                              {"smalfont.bmp", 128, 64, 8, 8, 0}};
    for (const FontCase& f : fonts) {
        PixelImage image = load_asset(f.file, f.key);
        ASSERT_EQ(image.width, f.width) << f.file;
        ASSERT_EQ(image.height, f.height) << f.file;
        ASSERT_GE(image.width, image.height) << f.file << " must have 8 rows";
        for (int code = 33; code < 127; ++code) {
            const int x0 = (code % 16) * f.cell_w, y0 = (code / 16) * f.cell_h;
            int lit = 0;
            for (int y = y0; y < y0 + f.cell_h; ++y)
                for (int x = x0; x < x0 + f.cell_w; ++x) lit += alpha_at(image, x, y) != 0;
            EXPECT_GT(lit, 0) << f.file << " has no glyph for code " << code;
        }
        for (int x = 0; x < f.cell_w * 16; ++x)  // codes 0..15 stay empty
            for (int y = 0; y < f.cell_h; ++y) ASSERT_EQ(alpha_at(image, x, y), 0) << f.file;
    }
}

// The smalfont start-up font is a BMP: the engine decodes 24-bit BMPs only through
// the BMP reader, and black must be the only transparent colour.
TEST(Fonts, StartupFontIsATwentyFourBitBmpOnBlack) {
    const std::vector<uint8_t> bmp = read_bytes(asset_path("smalfont.bmp"));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[14], 40);  // info header
    EXPECT_EQ(bmp[28], 24);  // bits per pixel
    PixelImage image;
    ASSERT_TRUE(decode_bmp_image(image, bmp.data(), bmp.size(), 0));
    EXPECT_EQ(alpha_at(image, 0, 0), 0);
}

// The pointer glyph "X" of font 2 is drawn at mouse - 4: its ink must centre on cell
// pixel (4, 4). The cursor glyph "x" is drawn at the cursor, whose hot spot for the
// holes is cursor + 10: its centre must lie close to it.
TEST(Fonts, PointerGlyphsCentreOnTheirHotSpots) {
    PixelImage font = load_asset("font2.png", 0);
    auto centre = [&](int code) {
        const int x0 = (code % 16) * 12, y0 = (code / 16) * 16;
        int minx = 99, maxx = -1, miny = 99, maxy = -1;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 12; ++x)
                if (alpha_at(font, x0 + x, y0 + y)) {
                    minx = std::min(minx, x), maxx = std::max(maxx, x);
                    miny = std::min(miny, y), maxy = std::max(maxy, y);
                }
        return std::pair<double, double>{(minx + maxx) / 2.0, (miny + maxy) / 2.0};
    };
    auto [px, py] = centre('X');
    EXPECT_DOUBLE_EQ(px, 4.0);
    EXPECT_DOUBLE_EQ(py, 4.0);
    auto [cx, cy] = centre('x');
    EXPECT_NEAR(cx, 10.0, 2.5);
    EXPECT_NEAR(cy, 10.0, 2.5);
}

// hc.txt: three records, lowest score first, each a little-endian 32-bit score and
// a name ended by one LF. Names of 1 to 9 letters show in the table.
TEST(HighScores, DefaultTableHasThreeAscendingRecordsWithShowableNames) {
    const std::vector<uint8_t> data = read_bytes(asset_path("hc.txt"));
    size_t pos = 0, name_bytes = 0;
    uint32_t previous = 0;
    for (int record = 0; record < 3; ++record) {
        ASSERT_LE(pos + 4, data.size());
        const uint32_t score =
            data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 | uint32_t(data[pos + 3]) << 24;
        pos += 4;
        size_t end = pos;
        while (end < data.size() && data[end] != '\n') ++end;
        ASSERT_LT(end, data.size()) << "record " << record << " has no line end";
        const std::string name(data.begin() + pos, data.begin() + end);
        EXPECT_GE(name.size(), 1u);
        EXPECT_LE(name.size(), 9u);
        for (char ch : name) EXPECT_TRUE(ch >= 'A' && ch <= 'Z') << name;
        EXPECT_GE(score, previous) << "scores must ascend";
        EXPECT_GT(score, 0u);
        previous = score;
        name_bytes += name.size();
        pos = end + 1;
    }
    EXPECT_EQ(data.size(), 15 + name_bytes);
}

}  // namespace
}  // namespace zorby::testing
