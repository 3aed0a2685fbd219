// The engine kit as a game built on it sees it: these tests include only the public
// headers and link only the shared library, so a command missing from the library's
// exports fails the link and a wrong wrapper fails here.
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <queue>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "zorby/engine.h"
#include "zorby/testing.h"
#include "zorby/video.h"

// The OpenGL driver and SDL keep process-lifetime allocations; a sanitizer build
// does not report them as leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

namespace {

namespace fs = std::filesystem;

// run() opens a real window: offscreen and silent unless the environment chose drivers.
const bool kHeadless = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
namespace zt = zorby::testing;

class Folder {
public:
    Folder() {
        std::string tmpl = (fs::temp_directory_path() / "zorby-kit-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : "";
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A w x h picture from opaque colours (R + G * 256 + B * 65536), row by row, with an
// alpha channel or without one.
bool write_png(const std::string& path, int w, int h, const std::vector<uint32_t>& colours,
               bool alpha = true) {
    std::vector<uint8_t> rgba;
    for (const uint32_t c : colours) {
        rgba.insert(rgba.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                 static_cast<uint8_t>(c >> 16)});
        if (alpha) rgba.push_back(255);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// A solid w x h picture of one colour.
bool write_solid_png(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    return write_png(path, w, h,
                     std::vector<uint32_t>(static_cast<size_t>(w * h), zorby::rgb(r, g, b)));
}

// A PCM WAV file: the 44-byte head, then the samples as given.
std::string pcm_wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& samples) {
    std::string wav;
    auto put = [&wav](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>(v >> (8 * i));
    };
    const uint16_t frame_bytes = static_cast<uint16_t>(channels * bits / 8);
    wav += "RIFF";
    put(static_cast<uint32_t>(36 + samples.size()), 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(channels, 2);
    put(rate, 4);
    put(rate * frame_bytes, 4);
    put(frame_bytes, 2);
    put(bits, 2);
    wav += "data";
    put(static_cast<uint32_t>(samples.size()), 4);
    return wav + samples;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

zt::SessionOptions small_frame(const std::string& data_dir) {
    zt::SessionOptions o;
    o.run.width = 64;
    o.run.height = 48;
    o.run.data_dir = data_dir;
    return o;
}

const zt::Pixel kRed{255, 0, 0};
const zt::Pixel kGreen{0, 255, 0};
const zt::Pixel kBlack{0, 0, 0};

// What is drawn is read back where it was drawn, in the frame's own coordinates (y
// down), by every read-back the kit offers: one pixel, the whole frame, a PNG file.
TEST(KitSession, DrawingIsReadBackWhereItWasDrawn) {
    Folder dir;
    ASSERT_TRUE(write_solid_png(dir.file("red.png"), 4, 3, 255, 0, 0));
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    EXPECT_EQ(zorby::frame_size().width, 64);
    EXPECT_EQ(zorby::frame_size().height, 48);

    zorby::clear_screen();
    ASSERT_TRUE(zorby::load_sprite("red.png", 1));
    EXPECT_FALSE(zorby::load_sprite("red.png", zorby::kLastSpriteSlot + 1));
    EXPECT_FALSE(zorby::load_sprite("missing.png", 2));
    EXPECT_EQ(zorby::sprite_size(1).width, 4);
    EXPECT_EQ(zorby::sprite_size(1).height, 3);
    EXPECT_EQ(zorby::sprite_size(2).width, 0);

    const uint64_t empty_hash = zt::frame_hash();
    zorby::draw_sprite(1, 10, 20);
    zorby::draw_line(0, 30, 5, 30, zorby::rgb(0, 255, 0));
    EXPECT_NE(zt::frame_hash(), empty_hash);

    EXPECT_EQ(zt::pixel_at(10, 20), kRed);
    EXPECT_EQ(zt::pixel_at(13, 22), kRed);
    EXPECT_EQ(zt::pixel_at(14, 20), kBlack);
    EXPECT_EQ(zt::pixel_at(10, 23), kBlack);
    EXPECT_EQ(zt::pixel_at(9, 20), kBlack);
    EXPECT_EQ(zt::pixel_at(0, 30), kGreen);
    EXPECT_EQ(zt::pixel_at(5, 30), kGreen);
    EXPECT_EQ(zt::pixel_at(6, 30), kBlack);
    EXPECT_EQ(zt::pixel_at(64, 0), kBlack);                    // outside the frame
    zorby::fill_rect(30.5, 5, 3.9, 2, zorby::rgb(0, 255, 0));  // x 31 to 33, y 5 and 6
    for (int y = 4; y <= 7; ++y) {
        for (int x = 30; x <= 34; ++x) {
            EXPECT_EQ(zt::pixel_at(x, y), x >= 31 && x <= 33 && y >= 5 && y <= 6 ? kGreen : kBlack)
                << x << ", " << y;
        }
    }
    EXPECT_EQ(zorby::text_width("Score"), 5 * zorby::glyph_size().width);

    const std::vector<uint8_t> rgb = zt::frame_pixels();
    ASSERT_EQ(rgb.size(), 64u * 48u * 3u);
    const size_t at = (20u * 64u + 10u) * 3u;
    EXPECT_EQ(rgb[at], 255);
    EXPECT_EQ(rgb[at + 1], 0);

    ASSERT_TRUE(zt::save_frame_png(dir.file("frame.png")));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, dir.file("frame.png").c_str()), 0);
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> saved(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, saved.data(), 0, nullptr), 0);
    EXPECT_EQ(saved, rgb);

    // Slots out of range are refused quietly, never drawn.
    zorby::draw_sprite(-1, 0, 0);
    zorby::free_sprite(1);
    EXPECT_EQ(zorby::sprite_size(1).width, 0);
}

// Every bounded kit command at both ends of its range and one past each: the sprite
// slots (loading, size, drawing, collision, freeing) and the run options.
TEST(KitLimits, BothEndsOfEachRangeWorkAndOnePastIsRefused) {
    Folder dir;
    ASSERT_TRUE(write_solid_png(dir.file("red.png"), 4, 3, 255, 0, 0));
    {
        zt::Session session(small_frame(dir.path()));
        ASSERT_TRUE(session.started());
        for (int slot : {0, zorby::kLastSpriteSlot}) {
            SCOPED_TRACE(slot);
            zorby::clear_screen();
            ASSERT_TRUE(zorby::load_sprite("red.png", slot));
            EXPECT_EQ(zorby::sprite_size(slot).width, 4);
            zorby::draw_sprite(slot, 10, 20);
            EXPECT_EQ(zt::pixel_at(13, 22), kRed);
            EXPECT_TRUE(zorby::sprites_collide(slot, 0, 0, slot, 3, 2));
            zorby::free_sprite(slot);
            EXPECT_EQ(zorby::sprite_size(slot).width, 0);
        }
        // Past either end nothing is loaded, drawn or freed (the text commands' fonts
        // live just above the last slot and must survive).
        zorby::clear_screen();
        const uint64_t empty = zt::frame_hash();
        const zorby::Size glyph = zorby::glyph_size();
        for (int slot : {-1, zorby::kLastSpriteSlot + 1}) {
            SCOPED_TRACE(slot);
            EXPECT_FALSE(zorby::load_sprite("red.png", slot));
            EXPECT_EQ(zorby::sprite_size(slot).width, 0);
            EXPECT_FALSE(zorby::sprites_collide(slot, 0, 0, slot, 0, 0));
            zorby::draw_sprite(slot, 10, 20);
            zorby::free_sprite(slot);
        }
        EXPECT_EQ(zt::frame_hash(), empty);
        EXPECT_EQ(zorby::glyph_size().height, glyph.height);
        zorby::print_text("A", 0, 0);
        EXPECT_NE(zt::frame_hash(), empty) << "the font was freed";

        // The frame's read-back at its four corners, and one pixel past each edge.
        ASSERT_TRUE(zorby::load_sprite("red.png", 1));
        zorby::clear_screen();
        for (const auto& [x, y] : {std::pair{0, 0}, {60, 0}, {0, 45}, {60, 45}})
            zorby::draw_sprite(1, x, y);
        for (const auto& [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}})
            EXPECT_EQ(zt::pixel_at(x, y), kRed) << x << "," << y;
        for (const auto& [x, y] :
             {std::pair{-1, 0}, {0, -1}, {64, 0}, {63, -1}, {-1, 47}, {0, 48}, {64, 47}, {63, 48}})
            EXPECT_EQ(zt::pixel_at(x, y), kBlack) << x << "," << y;

        // Mouse buttons 1 to 3 through a session; 0 and 4 are no buttons.
        session.set_button(0, true);
        session.set_button(4, true);
        zorby::MouseState m = zorby::mouse();
        EXPECT_FALSE(m.left || m.right || m.middle);
        session.set_button(1, true);
        session.set_button(3, true);
        m = zorby::mouse();
        EXPECT_TRUE(m.left && m.middle && !m.right);
    }
    zorby::RunOptions base;
    base.width = base.height = 16;
    base.window_scale = 1;
    base.data_dir = dir.path();
    struct Case {
        int zorby::RunOptions::*field;
        int value;
        bool runs;
    };
    using O = zorby::RunOptions;
    for (const Case& c :
         {Case{&O::width, 15, false}, Case{&O::width, 4096, true}, Case{&O::width, 4097, false},
          Case{&O::height, 15, false}, Case{&O::height, 4096, true}, Case{&O::height, 4097, false},
          Case{&O::frame_rate, 0, false}, Case{&O::frame_rate, 1, true},
          Case{&O::frame_rate, 1000, true}, Case{&O::frame_rate, 1001, false},
          Case{&O::window_scale, -1, false}, Case{&O::window_scale, 0, true},
          Case{&O::window_scale, 16, true}, Case{&O::window_scale, 17, false}}) {
        zorby::RunOptions o = base;
        o.*c.field = c.value;
        bool ran = false;
        EXPECT_EQ(zorby::run(o, [&ran] { ran = true; }),
                  c.runs ? zorby::exit_ok : zorby::exit_error)
            << c.value;
        EXPECT_EQ(ran, c.runs) << c.value;
    }
}

// The colour key the header documents is the one loads use: its pixels let the
// frame show through, a neighbouring colour does not, set_colour_key moves it, and a
// picture with an alpha channel keeps its own.
TEST(KitSession, TheDocumentedColourKeyIsTransparent) {
    Folder dir;
    const uint32_t key = zorby::kStartColourKey;
    ASSERT_EQ(key, zorby::rgb(255, 0, 128));
    const uint32_t near_key = zorby::rgb(255, 0, 129), red = zorby::rgb(255, 0, 0);
    ASSERT_TRUE(write_png(dir.file("keyed.png"), 3, 1, {key, near_key, red}, false));
    ASSERT_TRUE(write_png(dir.file("alpha.png"), 3, 1, {key, near_key, red}, true));
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    auto draw_over_green = [](int slot) {
        zorby::clear_screen();
        for (int x = 0; x < 8; ++x) zorby::draw_line(x, 0, x, 3, zorby::rgb(0, 255, 0));
        zorby::draw_sprite(slot, 2, 1);
    };
    ASSERT_TRUE(zorby::load_sprite("keyed.png", 1));
    draw_over_green(1);
    EXPECT_EQ(zt::pixel_at(2, 1), kGreen) << "the start colour key was drawn";
    EXPECT_EQ(zt::pixel_at(3, 1), (zt::Pixel{255, 0, 129}));
    EXPECT_EQ(zt::pixel_at(4, 1), kRed);

    zorby::set_colour_key(red);  // later loads only
    ASSERT_TRUE(zorby::load_sprite("keyed.png", 2));
    draw_over_green(2);
    EXPECT_EQ(zt::pixel_at(2, 1), (zt::Pixel{255, 0, 128}));
    EXPECT_EQ(zt::pixel_at(4, 1), kGreen);
    draw_over_green(1);
    EXPECT_EQ(zt::pixel_at(2, 1), kGreen);
    ASSERT_TRUE(zorby::load_sprite("alpha.png", 3));
    draw_over_green(3);
    EXPECT_EQ(zt::pixel_at(2, 1), (zt::Pixel{255, 0, 128}));
    EXPECT_EQ(zt::pixel_at(4, 1), kRed);
}

// Input set through a session is what the engine's commands read, and the virtual
// clock moves by one frame of the chosen rate per presented frame.
TEST(KitSession, InputAndClockFollowTheSession) {
    Folder dir;
    zt::SessionOptions options = small_frame(dir.path());
    options.run.frame_rate = 30;
    zt::Session session(options);
    ASSERT_TRUE(session.started());

    session.press_key(zorby::key::z);
    EXPECT_TRUE(zorby::key_down(zorby::key::z));
    session.release_key(zorby::key::z);
    EXPECT_FALSE(zorby::key_down(zorby::key::z));
    session.tap_key(zorby::key::space);
    EXPECT_TRUE(zorby::key_down(zorby::key::space));
    EXPECT_FALSE(zorby::key_down(zorby::key::space));

    session.tap_key(zorby::key::a);
    EXPECT_EQ(zorby::typed_character(), 'a');
    EXPECT_EQ(zorby::typed_character(), 0);

    session.move_mouse(30, 12);
    session.set_button(1, true);
    zorby::MouseState m = zorby::mouse();
    EXPECT_EQ(m.x, 30);
    EXPECT_EQ(m.y, 12);
    EXPECT_TRUE(m.left);
    EXPECT_FALSE(m.right);
    session.move_mouse(500, -3);  // kept inside the frame
    zorby::present_frame();
    m = zorby::mouse();
    EXPECT_EQ(m.x, 63);
    EXPECT_EQ(m.y, 0);

    const uint64_t frames = session.frames();
    const double before = session.clock_ms();
    zorby::present_frame();
    EXPECT_EQ(session.frames(), frames + 1);
    EXPECT_NEAR(session.clock_ms() - before, 1000.0 / 30.0, 1e-6);
    EXPECT_NEAR(zorby::frame_duration_ms(), 1000.0 / 30.0, 1e-6);

    std::string error;
    EXPECT_FALSE(session.schedule("2 key 44 sideways\n", error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    const uint64_t now = session.frames();
    ASSERT_TRUE(session.schedule(std::to_string(now + 2) + " key 44 down\n", error)) << error;
    zorby::present_frame();
    EXPECT_FALSE(zorby::key_down(zorby::key::z));
    zorby::present_frame();
    EXPECT_TRUE(zorby::key_down(zorby::key::z));

    // Escape ends the run as in play; the session reports the status.
    session.press_key(zorby::key::escape);
    EXPECT_EQ(session.run([] { zorby::present_frame(); }), 0);
    EXPECT_FALSE(session.started());
}

// Every press is counted once by key_pressed and mouse_pressed: taps and clicks let go
// before the game reads, presses given by a session or by a replayed script, and a
// held key or button only when it goes down.
TEST(KitInput, EveryPressIsCountedOnce) {
    Folder dir;
    {
        zt::Session session(small_frame(dir.path()));
        ASSERT_TRUE(session.started());
        int keys = 0, clicks = 0, right_clicks = 0;
        for (int i = 0; i < 10; ++i) {
            session.tap_key(zorby::key::space);
            session.set_button(1, true);
            session.set_button(1, false);
            zorby::present_frame();  // the game reads only after the frame
            keys += zorby::key_pressed(zorby::key::space);
            clicks += zorby::mouse_pressed(1);
            right_clicks += zorby::mouse_pressed(2);
        }
        EXPECT_EQ(keys, 10);
        EXPECT_EQ(clicks, 10);
        EXPECT_EQ(right_clicks, 0);

        // A press and release between two reads, and two presses before one read.
        session.press_key(zorby::key::z);
        session.release_key(zorby::key::z);
        session.press_key(zorby::key::x);
        session.release_key(zorby::key::x);
        session.press_key(zorby::key::x);
        EXPECT_TRUE(zorby::key_pressed(zorby::key::z));
        EXPECT_FALSE(zorby::key_pressed(zorby::key::z));
        EXPECT_TRUE(zorby::key_pressed(zorby::key::x));
        EXPECT_TRUE(zorby::key_pressed(zorby::key::x));
        // Held over frames: no more presses, and key_down still sees it held.
        for (int i = 0; i < 3; ++i) {
            zorby::present_frame();
            EXPECT_FALSE(zorby::key_pressed(zorby::key::x));
            EXPECT_TRUE(zorby::key_down(zorby::key::x));
        }
        session.set_button(3, true);
        EXPECT_TRUE(zorby::mouse().middle);
        zorby::present_frame();
        EXPECT_TRUE(zorby::mouse_pressed(3));
        EXPECT_FALSE(zorby::mouse_pressed(3));
        EXPECT_FALSE(zorby::mouse_pressed(0));
        EXPECT_FALSE(zorby::mouse_pressed(4));
    }
    // A script's clicks (down and up a frame later), quick clicks (down and up in one
    // frame) and taps, read once per frame in a replay, while the same game's mouse()
    // sees the buttons too.
    zt::Script script;
    for (uint64_t i = 0; i < 10; ++i) {
        script.button(10 + 3 * i, 2, true).button(11 + 3 * i, 2, false).tap(12 + 3 * i, 30);
        script.button(11 + 3 * i, 1, true).button(11 + 3 * i, 1, false);
    }
    script.end(50);
    int keys = 0, clicks = 0, quick_clicks = 0, frames_down = 0;
    zt::ReplayOptions options;
    options.run = small_frame(dir.path()).run;
    const zt::ReplayResult result = zt::replay(
        script.text(),
        [&] {
            for (;;) {
                frames_down += zorby::mouse().right;
                clicks += zorby::mouse_pressed(2);
                quick_clicks += zorby::mouse_pressed(1);
                keys += zorby::key_pressed(zorby::key::a);
                zorby::present_frame();
            }
        },
        options);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(clicks, 10);
    EXPECT_EQ(quick_clicks, 10);
    EXPECT_EQ(keys, 10);
    EXPECT_EQ(frames_down, 10);
}

// The same script always gives the same run, a frame's hash taken by the game before
// it is shown is the replay's hash of that frame, and the golden comparison finds the
// first differing line.
TEST(KitReplay, AScriptGivesTheSameRunAndItsTraceComparesWithAGoldenFile) {
    Folder dir;
    ASSERT_TRUE(write_solid_png(dir.file("red.png"), 4, 4, 255, 0, 0));
    zt::Script script;
    script.seed(7).mouse(3, 40, 20).tap(5, zorby::key::space).button(6, 1, true).end(12);
    script.key(4, zorby::key::space, true).key(4, zorby::key::space, false);  // out of order
    const std::string text = script.text();
    EXPECT_EQ(text.find("seed 7\n"), 0u);
    EXPECT_LT(text.find("3 mouse 40 20"), text.find("4 key 57 down"));
    EXPECT_LT(text.find("4 key 57 down"), text.find("4 key 57 up"));
    EXPECT_LT(text.find("4 key 57 up"), text.find("5 key 57 tap"));

    zt::ReplayOptions options;
    options.run.width = 64;
    options.run.height = 48;
    options.run.data_dir = dir.path();
    std::vector<std::pair<uint64_t, uint64_t>> seen;  // (frame, hash) the game saw
    // Frames before the game's first are the engine's start-up; the game learns its
    // frame numbers from the first trace call.
    constexpr uint64_t kUnknown = ~uint64_t{0};
    uint64_t presented = kUnknown;
    options.on_frame = [&](uint64_t frame) {
        presented = frame + 1;
        return "mouse " + std::to_string(zorby::mouse().x);
    };
    auto game = [&] {
        zorby::load_sprite("red.png", 1);
        for (;;) {
            zorby::draw_sprite(1, zorby::random_int(60), zorby::random_int(40));
            const zorby::MouseState m = zorby::mouse();
            zorby::draw_line(0, 0, m.x, m.y, zorby::rgb(0, 255, 0));
            if (zorby::key_down(zorby::key::space)) zorby::draw_sprite(1, 30, 30);
            if (presented != kUnknown) seen.emplace_back(presented, zt::frame_hash());
            zorby::present_frame();
        }
    };
    const zt::ReplayResult first = zt::replay(text, game, options);
    ASSERT_TRUE(first.error.empty()) << first.error;
    EXPECT_TRUE(first.started);
    EXPECT_EQ(first.exit_status, 0);
    EXPECT_GE(first.frames, 12u);
    EXPECT_EQ(first.frame_hashes.size(), first.frames);
    EXPECT_NE(first.trace.find("3: hash "), std::string::npos) << first.trace;
    EXPECT_NE(first.trace.find(" mouse 40\n"), std::string::npos) << first.trace;
    EXPECT_NE(first.trace.find("end: " + std::to_string(first.frames) + " frames, exit status 0"),
              std::string::npos);
    // Every frame the game hashed before showing it has the replay's hash.
    size_t compared = 0;
    for (const auto& [frame, hash] : seen) {
        for (const zt::FrameHash& h : first.frame_hashes) {
            if (h.frame != frame) continue;
            EXPECT_EQ(h.hash, hash) << "frame " << frame;
            ++compared;
        }
    }
    EXPECT_GE(compared, 8u);

    seen.clear();
    presented = kUnknown;
    const zt::ReplayResult second = zt::replay(text, game, options);
    EXPECT_EQ(second.trace, first.trace);
    EXPECT_EQ(second.combined_hash, first.combined_hash);
    seen.clear();
    const zt::ReplayResult reseeded = zt::replay(zt::Script(script).seed(8).text(), game, options);
    EXPECT_NE(reseeded.combined_hash, first.combined_hash);

    const zt::ReplayResult refused = zt::replay("5 jump\n", game, options);
    EXPECT_NE(refused.error.find("line 1"), std::string::npos) << refused.error;
    EXPECT_FALSE(refused.started);

    // Golden files: missing, written on request, equal, then one line changed.
    const std::string golden = dir.file("run.trace");
    zt::GoldenComparison c = zt::compare_with_golden(first.trace, golden);
    EXPECT_FALSE(c.same);
    EXPECT_NE(c.message.find("ZORBY_GOLDEN_UPDATE=1"), std::string::npos) << c.message;
    setenv("ZORBY_GOLDEN_UPDATE", "1", 1);
    c = zt::compare_with_golden(first.trace, golden);
    unsetenv("ZORBY_GOLDEN_UPDATE");
    EXPECT_TRUE(c.same) << c.message;
    EXPECT_EQ(slurp(golden), first.trace);
    EXPECT_TRUE(zt::compare_with_golden(second.trace, golden).same);
    c = zt::compare_with_golden(reseeded.trace, golden);
    EXPECT_FALSE(c.same);
    EXPECT_NE(c.message.find("run.trace:"), std::string::npos) << c.message;
    EXPECT_NE(c.message.find("golden: "), std::string::npos) << c.message;
    // A trace one line longer or shorter than its golden file differs at that line;
    // the golden file's line ends (CR LF, none after the last line) do not matter.
    const size_t lines =
        static_cast<size_t>(std::count(first.trace.begin(), first.trace.end(), '\n'));
    c = zt::compare_with_golden(first.trace + "one more\n", golden);
    EXPECT_FALSE(c.same);
    EXPECT_NE(c.message.find(":" + std::to_string(lines + 1) + ": differs"), std::string::npos)
        << c.message;
    EXPECT_NE(c.message.find("(end of file)"), std::string::npos) << c.message;
    const std::string shorter =
        first.trace.substr(0, first.trace.rfind('\n', first.trace.size() - 2) + 1);
    c = zt::compare_with_golden(shorter, golden);
    EXPECT_FALSE(c.same);
    EXPECT_NE(c.message.find("(end of trace)"), std::string::npos) << c.message;
    std::string crlf;
    for (char ch : first.trace) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    for (const std::string& text : {crlf, crlf.substr(0, crlf.size() - 2)}) {
        ASSERT_TRUE(zorby::save_file_atomically(golden, text, c.message)) << c.message;
        EXPECT_TRUE(zt::compare_with_golden(first.trace, golden).same);
        EXPECT_FALSE(zt::compare_with_golden(shorter, golden).same);
    }
}

// on_frame sees the frame it traces (its pixels, before it is shown) and the frame
// being drawn when the run ends; the replay lists the sound and music requests by
// frame; a session's frame callback lets a test play the game from what it shows.
TEST(KitReplay, TracesSeeTheirFrameAndTheRunsSounds) {
    Folder dir;
    int drawn = 0;  // the game's own count of the frames it drew
    auto game = [&] {
        for (;;) {
            zorby::draw_line(drawn % 64, 0, drawn % 64, 0, zorby::rgb(255, 0, 0));
            if (drawn == 5) zorby::play_sound(3, -0.5, 0.75);
            if (drawn == 7) zorby::play_music("tune.ogg");
            ++drawn;
            zorby::present_frame();
        }
    };
    zt::ReplayOptions options;
    options.run = small_frame(dir.path()).run;
    options.hash_every = 0;
    std::vector<uint64_t> frames;
    int red_seen = 0;
    options.on_frame = [&](uint64_t frame) {
        frames.push_back(frame);
        red_seen += zt::pixel_at((drawn - 1) % 64, 0) == kRed;
        return "drawn " + std::to_string(drawn);
    };
    const zt::ReplayResult r = zt::replay(zt::Script().end(12).text(), game, options);
    ASSERT_TRUE(r.error.empty()) << r.error;
    // Frames 0 and 1 are the engine's start-up; the game's first frame is frame 2.
    ASSERT_EQ(frames.size(), r.frames - 2 + 1);
    EXPECT_EQ(frames.front(), 2u);
    EXPECT_EQ(frames.back(), r.frames);  // the frame being drawn at the end
    EXPECT_EQ(red_seen, static_cast<int>(frames.size()));
    EXPECT_NE(r.trace.find("2: drawn 1\n"), std::string::npos) << r.trace;
    EXPECT_NE(r.trace.find(std::to_string(r.frames) + ": drawn " + std::to_string(drawn) +
                           "\nend: " + std::to_string(r.frames) + " frames"),
              std::string::npos)
        << r.trace;
    const std::vector<zt::SoundRequest> sounds{{7, false, 3, -0.5, 0.75, -1, ""},
                                               {9, true, 0, 0.0, 1.0, -1, "tune.ogg"}};
    EXPECT_EQ(r.sounds, sounds);

    // A test that plays: Space whenever the game shows its marker, until it has five.
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    session.on_frame([&](uint64_t frame) {
        if (zt::pixel_at(0, 0) == kRed && frame % 2 == 0) session.tap_key(zorby::key::space);
    });
    int presses = 0, shown = 0;
    const int status = session.run([&] {
        for (;;) {
            presses += zorby::key_pressed(zorby::key::space);
            if (presses == 5 || shown == 100) zorby::end_program();
            zorby::clear_screen();
            if (++shown > 3) zorby::draw_line(0, 0, 0, 0, zorby::rgb(255, 0, 0));
            zorby::present_frame();
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(presses, 5);
    EXPECT_GE(shown, 12);
}

// A WAV is checked as a sound slot would load it, without any audio device.
TEST(KitSound, AWavIsCheckedWithoutADevice) {
    Folder dir;
    const std::string wav = pcm_wav(2, 8000, 16, std::string(800, '\0'));  // 200 frames
    std::ofstream(dir.file("good.wav"), std::ios::binary) << wav;
    std::ofstream(dir.file("cut.wav"), std::ios::binary) << wav.substr(0, 30);
    const zt::WavCheck good = zt::check_wav(dir.file("good.wav"));
    EXPECT_TRUE(good.ok) << good.error;
    EXPECT_EQ(good.channels, 2);
    EXPECT_EQ(good.sample_rate, 8000);
    EXPECT_EQ(good.bits, 16);
    EXPECT_DOUBLE_EQ(good.length_ms, 25.0);
    const zt::WavCheck cut = zt::check_wav(dir.file("cut.wav"));
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(cut.error.empty());
    EXPECT_FALSE(zt::check_wav(dir.file("none.wav")).ok);
}

// run() gives the exit statuses the guide promises and refuses what cannot start.
TEST(KitRun, ExitStatusesOfARun) {
    Folder dir;
    zorby::RunOptions options;
    options.width = 32;
    options.height = 32;
    options.window_scale = 1;
    options.data_dir = dir.path();
    EXPECT_EQ(zorby::run(options, [] {}), zorby::exit_ok);
    EXPECT_EQ(zorby::run(options, [] { zorby::end_program(); }), zorby::exit_ok);
    // A channel number out of range is a run-time error: status 1, error 7.
    int error_seen = -1;
    EXPECT_EQ(zorby::run(options,
                         [&] {
                             zorby::open_channel(0, "x", zorby::ChannelMode::write);
                             zorby::clear_error();
                             error_seen = zorby::error_number();
                             zorby::read_byte(9);
                         }),
              zorby::exit_error);
    EXPECT_EQ(error_seen, 0);
    // An error cleared before the end is no error.
    EXPECT_EQ(zorby::run(options,
                         [] {
                             zorby::open_channel(1, "missing", zorby::ChannelMode::read);
                             zorby::read_byte(1);
                         }),
              zorby::exit_error);
    zorby::RunOptions tiny = options;
    tiny.width = 8;
    EXPECT_EQ(zorby::run(tiny, [] { ADD_FAILURE() << "ran with an 8-pixel frame"; }),
              zorby::exit_error);
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    EXPECT_EQ(zorby::run(options, [] { ADD_FAILURE() << "ran beside a session"; }),
              zorby::exit_error);
}

// The shared objects mapped into this process (their file names).
std::vector<std::string> mapped_libraries() {
    std::vector<std::string> names;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash != std::string::npos) names.push_back(fs::path(line.substr(slash)).filename());
    }
    return names;
}

bool mapped(const std::string& prefix) {
    for (const std::string& name : mapped_libraries()) {
        if (name.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// A game that shows no video never loads the media libraries; its first video opens
// the video module the library finds beside itself, and the libraries under it.
TEST(KitVideo, TheMediaLibrariesAreLoadedByTheFirstVideoOnly) {
    Folder dir;
    fs::copy_file(ZORBY_EXAMPLE_CLIP, dir.file("clip.mp4"));
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    zorby::clear_screen();
    zorby::present_frame();
    ASSERT_TRUE(mapped("libzorby-engine.so")) << "the maps were not read";
    for (const char* media : {"libavcodec.so", "libavformat.so", "libzorby-video.so"}) {
        EXPECT_FALSE(mapped(media)) << media << " is loaded before any video";
    }
    EXPECT_TRUE(zorby::play_video("clip.mp4"));
    EXPECT_TRUE(mapped("libzorby-video.so"));
    EXPECT_TRUE(mapped("libavcodec.so"));
}

// A run recorded by run() replays exactly: the same random draws and clock readings
// at the same frames, at the game's own frame rate; a recording that cannot be written stops
// nothing else.
TEST(KitRun, ARecordedRunReplaysTheSame) {
    Folder dir;
    std::vector<double> draws;  // random draws and clock readings, frame by frame
    auto game = [&draws] {
        for (int frame = 0; frame < 40; ++frame) {
            draws.push_back(zorby::random_int(1000000));
            draws.push_back(zorby::timer_ms());
            zorby::present_frame();
        }
        zorby::end_program();
    };
    zorby::RunOptions options;
    options.frame_rate = 30;
    options.width = 32;
    options.height = 32;
    options.window_scale = 1;
    options.data_dir = dir.path();
    options.record_file = dir.file("run.script");
    ASSERT_EQ(zorby::run(options, game), zorby::exit_ok);
    const std::vector<double> live = draws;
    ASSERT_EQ(live.size(), 80u);

    draws.clear();
    zt::ReplayOptions replay_options;
    replay_options.run = options;
    replay_options.run.record_file.clear();
    const zt::ReplayResult replayed =
        zt::replay(slurp(dir.file("run.script")), game, replay_options);
    ASSERT_TRUE(replayed.error.empty()) << replayed.error;
    EXPECT_EQ(replayed.exit_status, 0);
    EXPECT_EQ(draws, live);

    options.record_file = dir.file("no/such/folder/run.script");
    EXPECT_EQ(zorby::run(options, [] { ADD_FAILURE() << "ran without its recording"; }),
              zorby::exit_error);
}

// What went to stdout or stderr (1 or 2) while the object lived: the engine's own
// lines and any library's.
class OutputCapture {
public:
    OutputCapture(int fd, const std::string& path) : fd_(fd), path_(path) {
        std::fflush(fd == 1 ? stdout : stderr);
        saved_ = dup(fd);
        std::FILE* f = std::fopen(path.c_str(), "w");
        dup2(fileno(f), fd);
        std::fclose(f);
    }
    ~OutputCapture() { finish(); }
    std::string finish() {
        if (saved_ < 0) return said_;
        std::fflush(fd_ == 1 ? stdout : stderr);
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
        said_ = slurp(path_);
        return said_;
    }

private:
    int fd_;
    std::string path_;
    int saved_ = -1;
    std::string said_;
};

// Every public command that takes a time, a coordinate, a size or a factor, given NaN,
// infinities, huge and negative values: each either returns or ends the run with
// status 1 and one line naming the command, as its header says, and none hangs (a
// watchdog ends the test naming the call that did not come back).
TEST(KitArguments, StrangeNumbersEndTheRunOrAreIgnoredAsDocumented) {
    Folder dir;
    ASSERT_TRUE(write_solid_png(dir.file("dot.png"), 2, 2, 255, 0, 0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> values{nan, inf, -inf, 1e12, -1e12, -1.0};
    auto finite_within = [](double limit) {
        return [limit](double v) { return !(std::fabs(v) <= limit); };
    };
    const auto time_error = [](double v) { return std::isnan(v) || v > zorby::kMaxWaitMs; };
    const auto coordinate_error = finite_within(zorby::kMaxCoordinate);
    const auto factor_error = [](double v) { return std::isnan(v); };
    const auto never = [](double) { return false; };
    struct Case {
        std::string name;
        std::function<bool(double)> ends_run;  // the documented outcome for a value
        std::function<void(double)> call;
    };
    const std::vector<Case> cases{
        {"wait_ms", time_error, [](double v) { zorby::wait_ms(v); }},
        {"sleep_ms", [](double v) { return v > zorby::kMaxWaitMs; },
         [](double v) { zorby::sleep_ms(v); }},
        {"draw_sprite", coordinate_error, [](double v) { zorby::draw_sprite(1, v, 0); }},
        {"draw_sprite", coordinate_error, [](double v) { zorby::draw_sprite(1, 0, v); }},
        {"draw_line", coordinate_error, [](double v) { zorby::draw_line(0, 0, v, 5, 255); }},
        {"draw_line", coordinate_error, [](double v) { zorby::draw_line(v, 0, 5, 5, 255); }},
        {"clip_viewport", coordinate_error, [](double v) { zorby::clip_viewport(v, 0, 9, 9); }},
        {"clip_viewport", coordinate_error, [](double v) { zorby::clip_viewport(0, 0, 9, v); }},
        {"fill_rect", coordinate_error, [](double v) { zorby::fill_rect(0, 0, v, 4, 255); }},
        {"sprites_collide", coordinate_error,
         [](double v) { zorby::sprites_collide(1, v, 0, 1, 0, 0); }},
        {"print_text", coordinate_error, [](double v) { zorby::print_text("ab", 0, v); }},
        {"print_number", coordinate_error, [](double v) { zorby::print_number(1, v, 0); }},
        {"print_number", never, [](double v) { zorby::print_number(v, 0, 0); }},
        {"read_typed_text", coordinate_error, [](double v) { zorby::read_typed_text(v, 0); }},
        {"set_alpha_mode", factor_error, [](double v) { zorby::set_alpha_mode(v); }},
        {"play_sound", factor_error, [](double v) { zorby::play_sound(0, v, 1); }},
        {"play_sound", factor_error, [](double v) { zorby::play_sound(0, 0, v); }},
        {"music_volume", factor_error, [](double v) { zorby::music_volume(v); }},
        {"random_int", never, [](double v) { zorby::random_int(v); }},
        {"int_mod", never,
         [](double v) {
             zorby::int_mod(v, 7);
             zorby::int_mod(7, v);
         }},
        {"format_number", never, [](double v) { zorby::format_number(v); }},
        {"find_path", never,
         [](double v) {
             zorby::find_path(zorby::Grid(3, 3), {0, 0}, {2, 2}, v);
         }},
    };

    // The watchdog: a call that has not come back after ten seconds hangs.
    std::atomic<int> running{-1};
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        int last = -2;
        auto since = std::chrono::steady_clock::now();
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int now = running;
            if (now != last) {
                last = now;
                since = std::chrono::steady_clock::now();
            } else if (now >= 0 &&
                       std::chrono::steady_clock::now() - since > std::chrono::seconds(10)) {
                std::fprintf(stderr, "hangs: %s with value %d of the sweep\n",
                             cases[static_cast<size_t>(now) / values.size()].name.c_str(),
                             now % static_cast<int>(values.size()));
                std::_Exit(1);
            }
        }
    });
    std::unique_ptr<zt::Session> session;
    int ended = 0;
    for (size_t c = 0; c < cases.size(); ++c) {
        for (size_t v = 0; v < values.size(); ++v) {
            const double value = values[v];
            const std::string what = cases[c].name + "(" + std::to_string(value) + ")";
            if (!session) {
                session = std::make_unique<zt::Session>(small_frame(dir.path()));
                ASSERT_TRUE(session->started());
                ASSERT_TRUE(zorby::load_sprite("dot.png", 1));
            }
            session->tap_key(zorby::key::enter);  // read_typed_text's end
            running = static_cast<int>(c * values.size() + v);
            OutputCapture capture(2, dir.file("stderr.txt"));
            const int status = session->run([&] { cases[c].call(value); });
            const std::string said = capture.finish();
            running = -1;
            if (cases[c].ends_run(value)) {
                EXPECT_EQ(status, zorby::exit_error) << what;
                EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << what << ": " << said;
                EXPECT_NE(said.find(cases[c].name + ": "), std::string::npos)
                    << what << ": " << said;
                EXPECT_NE(said.find("error 5 (bad argument)"), std::string::npos) << said;
                session.reset();
                ++ended;
            } else {
                EXPECT_EQ(status, -1) << what << " ended the run: " << said;
                EXPECT_EQ(said, "") << what;
                if (status != -1) session.reset();
            }
        }
    }
    done = true;
    watchdog.join();
    EXPECT_GT(ended, 40);
}

// A failed load says why through last_load_error, in the command's and the file's
// words, and nothing reaches the console: damaged, cut short, too large, not a picture,
// missing; a success clears the reason. A data folder that does not exist stops a run.
TEST(KitLoads, EveryFailedLoadSaysWhyAndPrintsNothing) {
    Folder dir;
    std::vector<uint32_t> colours;
    for (uint32_t i = 0; i < 64; ++i) colours.push_back(i * 2654435761u & 0xFFFFFF);
    ASSERT_TRUE(write_png(dir.file("good.png"), 8, 8, colours, false));
    const std::string good = slurp(dir.file("good.png"));
    std::string damaged = good;
    const size_t idat = damaged.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    damaged[idat + 10] = static_cast<char>(damaged[idat + 10] ^ 0x55);
    std::ofstream(dir.file("damaged.png"), std::ios::binary) << damaged;
    std::ofstream(dir.file("cut.png"), std::ios::binary) << good.substr(0, good.size() / 2);
    std::ofstream(dir.file("notes.png"), std::ios::binary) << "not a picture at all\n";
    {
        // 5000 x 5000 grey pixels: small on disk, too large to load.
        std::vector<uint8_t> grey(5000u * 5000u, 77);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = image.height = 5000;
        image.format = PNG_FORMAT_GRAY;
        ASSERT_NE(png_image_write_to_file(&image, dir.file("huge.png").c_str(), 0, grey.data(), 0,
                                          nullptr),
                  0);
    }

    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());
    OutputCapture out(1, dir.file("stdout.txt")), err(2, dir.file("stderr.txt"));
    struct Expected {
        std::string file, words;
    };
    const std::vector<Expected> sprites{
        {"damaged.png", "load_sprite: damaged.png: damaged PNG data ("},
        {"cut.png", "load_sprite: cut.png: the PNG data ends early"},
        {"huge.png", "load_sprite: huge.png: 5000 x 5000 pixels is larger than the engine takes"},
        {"notes.png", "load_sprite: notes.png: not a PNG or BMP picture"},
        {"absent.png", "load_sprite: absent.png: no such file"},
    };
    std::vector<std::string> reasons;
    for (const Expected& e : sprites) {
        EXPECT_FALSE(zorby::load_sprite(e.file, 1)) << e.file;
        reasons.push_back(zorby::last_load_error());
        ASSERT_TRUE(zorby::load_sprite("good.png", 2));
        EXPECT_EQ(zorby::last_load_error(), "");
    }
    EXPECT_FALSE(zorby::load_sprite("good.png", -1));
    reasons.push_back(zorby::last_load_error());
    EXPECT_FALSE(zorby::load_font("damaged.png", 1));
    reasons.push_back(zorby::last_load_error());
    EXPECT_EQ(zorby::glyph_size().width, 8);  // the built-in font took its place
    EXPECT_FALSE(zorby::load_background("cut.png"));
    reasons.push_back(zorby::last_load_error());
    EXPECT_TRUE(zorby::load_background("good.png"));
    EXPECT_FALSE(zorby::load_sound("notes.png", 0));
    reasons.push_back(zorby::last_load_error());
    EXPECT_FALSE(zorby::play_video("absent.mp4"));
    reasons.push_back(zorby::last_load_error());
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(err.finish(), "");

    for (size_t i = 0; i < sprites.size(); ++i) {
        EXPECT_EQ(reasons[i].rfind(sprites[i].words, 0), 0u) << reasons[i];
    }
    EXPECT_EQ(reasons[5], "load_sprite: slot -1 is outside 0 to 65503");
    EXPECT_EQ(reasons[6].rfind("load_font: damaged.png: damaged PNG data (", 0), 0u) << reasons[6];
    EXPECT_EQ(reasons[7].rfind("load_background: cut.png: the PNG data ends early", 0), 0u)
        << reasons[7];
    EXPECT_EQ(reasons[8].rfind("load_sound: notes.png: ", 0), 0u) << reasons[8];
    EXPECT_GT(reasons[8].size(), std::string("load_sound: notes.png: ").size());
    EXPECT_EQ(reasons[9].rfind("play_video: absent.mp4: ", 0), 0u) << reasons[9];
    for (const std::string& r : reasons) EXPECT_EQ(r.find("libpng"), std::string::npos) << r;

    // A good WAV needs a device to load; its reason says the file itself is fine.
    std::ofstream(dir.file("beep.wav"), std::ios::binary)
        << pcm_wav(1, 8000, 8, "\x80\x90\x70\x80");
    EXPECT_FALSE(zorby::load_sound("beep.wav", 0));  // the tests have no audio device
    EXPECT_EQ(zorby::last_load_error(),
              "load_sound: beep.wav: no audio device (the file is a good WAV)");
}

// A data folder that does not exist stops run(), a Session and a replay before
// anything runs, with one line naming it.
TEST(KitRun, AMissingDataFolderIsAnError) {
    Folder dir;
    zorby::RunOptions options;
    options.data_dir = dir.file("no-such-folder");
    OutputCapture err(2, dir.file("stderr.txt"));
    const int status = zorby::run(options, [] { ADD_FAILURE() << "ran without its folder"; });
    zt::Session session({.run = options});
    const std::string said = err.finish();
    EXPECT_EQ(status, zorby::exit_error);
    EXPECT_FALSE(session.started());
    EXPECT_EQ(said, "zorby: run: the data folder " + options.data_dir +
                        " does not exist\nzorby: Session: the data folder " + options.data_dir +
                        " does not exist\n");
    zt::ReplayOptions replay_options;
    replay_options.run = options;
    const zt::ReplayResult r = zt::replay(
        "1 end\n", [] {}, replay_options);
    EXPECT_NE(r.error.find("does not exist"), std::string::npos) << r.error;
}

// A run prints nothing of its own on the console unless asked to; the error log keeps
// the start-up line either way.
TEST(KitRun, ARunIsQuietUnlessAsked) {
    Folder dir;
    zorby::RunOptions options;
    options.width = options.height = 32;
    options.window_scale = 1;
    options.data_dir = dir.path();
    std::string log;
    for (const bool messages : {false, true}) {
        options.console_messages = messages;
        OutputCapture out(1, dir.file("stdout.txt")), err(2, dir.file("stderr.txt"));
        EXPECT_EQ(zorby::run(options, [&] { log = slurp(zorby::error_log_path()); }), 0);
        const std::string said_out = out.finish(), said_err = err.finish();
        if (messages) {
            EXPECT_EQ(said_out, "Init OK\n");
        } else {
            EXPECT_EQ(said_out, "");
            EXPECT_EQ(said_err, "");
            EXPECT_NE(log.find("Init OK\r\n"), std::string::npos) << log;
        }
    }
}

// The cheapest path over random grids, against a plain shortest-path search written
// here with the documented step cost (1 + value / largest value): the same total
// cost, every step to a neighbour, no blocked cell. The grids are wider than high, so
// a path with x and y swapped would leave the grid.
TEST(KitPath, PathsAreTheCheapestOnRandomGrids) {
    std::mt19937 random(2024);
    int paths = 0;
    for (int round = 0; round < 150; ++round) {
        const int w = 7 + static_cast<int>(random() % 6), h = 3 + static_cast<int>(random() % 3);
        zorby::Grid grid(w, h);
        for (double& c : grid.costs) c = random() % 5 == 0 ? 0.0 : 1.0 + random() % 4;
        const zorby::GridCell start{static_cast<int>(random() % w), static_cast<int>(random() % h)};
        const zorby::GridCell goal{static_cast<int>(random() % w), static_cast<int>(random() % h)};
        grid.at(start.x, start.y) = 1;
        grid.at(goal.x, goal.y) = 1;
        double largest = 0;
        for (double c : grid.costs) largest = std::max(largest, c);
        auto step_cost = [&](int x, int y) { return 1.0 + grid.at(x, y) / largest; };

        // Dijkstra over the cost of each step.
        std::vector<double> best(static_cast<size_t>(w * h),
                                 std::numeric_limits<double>::infinity());
        using Item = std::pair<double, int>;
        std::priority_queue<Item, std::vector<Item>, std::greater<>> open;
        best[static_cast<size_t>(start.y * w + start.x)] = 0;
        open.push({0, start.y * w + start.x});
        while (!open.empty()) {
            const auto [d, i] = open.top();
            open.pop();
            if (d > best[static_cast<size_t>(i)]) continue;
            const int x = i % w, y = i / w;
            const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
            for (int k = 0; k < 4; ++k) {
                const int nx = x + dx[k], ny = y + dy[k];
                if (nx < 0 || ny < 0 || nx >= w || ny >= h || grid.at(nx, ny) <= 0) continue;
                const double nd = d + step_cost(nx, ny);
                if (nd < best[static_cast<size_t>(ny * w + nx)]) {
                    best[static_cast<size_t>(ny * w + nx)] = nd;
                    open.push({nd, ny * w + nx});
                }
            }
        }
        const double optimum = best[static_cast<size_t>(goal.y * w + goal.x)];
        const std::vector<zorby::GridCell> path = zorby::find_path(grid, start, goal);
        if (start == goal || optimum == std::numeric_limits<double>::infinity()) {
            EXPECT_TRUE(path.empty()) << "round " << round;
            continue;
        }
        ASSERT_FALSE(path.empty()) << "round " << round;
        EXPECT_EQ(path.front(), start);
        EXPECT_EQ(path.back(), goal);
        double cost = 0;
        for (size_t i = 1; i < path.size(); ++i) {
            const int step =
                std::abs(path[i].x - path[i - 1].x) + std::abs(path[i].y - path[i - 1].y);
            ASSERT_EQ(step, 1) << "round " << round;
            ASSERT_GT(grid.at(path[i].x, path[i].y), 0) << "round " << round;
            cost += step_cost(path[i].x, path[i].y);
        }
        EXPECT_NEAR(cost, optimum, 1e-4) << "round " << round;
        ++paths;
    }
    EXPECT_GT(paths, 80);
    // Unusable input gives no path.
    zorby::Grid bad(4, 4);
    bad.costs.pop_back();
    EXPECT_TRUE(zorby::find_path(bad, {0, 0}, {2, 2}).empty());
    EXPECT_TRUE(zorby::find_path(zorby::Grid(4, 4), {0, 0}, {4, 0}).empty());
}

// Files through channels and packed media, as a game's own files and archives.
TEST(KitFiles, ChannelsAtomicSavesAndPackedMedia) {
    Folder dir;
    ASSERT_TRUE(write_solid_png(dir.file("green.png"), 2, 2, 0, 255, 0));
    zt::Session session(small_frame(dir.path()));
    ASSERT_TRUE(session.started());

    ASSERT_TRUE(zorby::open_channel(2, "scores.dat", zorby::ChannelMode::write));
    zorby::write_long(2, -1);
    zorby::write_double(2, 0.1);
    zorby::write_line(2, "Zoë 120");
    zorby::write_text(2, "tail");
    zorby::close_channel(2);
    EXPECT_EQ(slurp(dir.file("scores.dat")).substr(12), "Zo\xc3\xab 120\r\ntail");
    ASSERT_TRUE(zorby::open_channel(2, "scores.dat", zorby::ChannelMode::read));
    EXPECT_EQ(zorby::read_long(2), 4294967295.0);
    EXPECT_EQ(zorby::read_double(2), 0.1);
    EXPECT_EQ(zorby::read_line(2), "Zo\xc3\xab 120");
    EXPECT_FALSE(zorby::end_of_channel(2));
    EXPECT_EQ(zorby::read_text(2, 4), "tail");
    EXPECT_TRUE(zorby::end_of_channel(2));
    zorby::close_channel(2);
    EXPECT_FALSE(zorby::open_channel(3, "no such file", zorby::ChannelMode::read));

    std::string error;
    ASSERT_TRUE(zorby::save_file_atomically(dir.file("best.txt"), "300\n", error)) << error;
    EXPECT_EQ(slurp(dir.file("best.txt")), "300\n");
    EXPECT_FALSE(zorby::save_file_atomically(dir.file("no/such/folder/x"), "1", error));
    EXPECT_EQ(error, "cannot save " + dir.file("no/such/folder/x") + ": the folder " +
                         dir.file("no/such/folder") + " does not exist (folders are not made)");
    EXPECT_FALSE(zorby::save_file_atomically("", "1", error));
    EXPECT_EQ(error, "cannot save: no file name was given");

    // A picture packed into an archive loads by its name once the loose file is gone.
    const std::string png = slurp(dir.file("green.png"));
    std::vector<zorby::MediaMember> members{{"Leaf.PNG", {png.begin(), png.end()}},
                                            {"note.txt", {'h', 'i'}}};
    ASSERT_TRUE(zorby::write_media_archive(dir.file("media.pak"), members, error)) << error;
    // Archives the header refuses are refused, and nothing is written.
    const std::vector<std::pair<std::vector<zorby::MediaMember>, std::string>> refused{
        {{}, "an archive needs at least one member"},
        {{{"sub/b.png", {'x'}}}, "the member name sub/b.png holds a folder"},
        {{{"note.txt", {'a'}}, {"NOTE.TXT", {}}}, ""},
    };
    for (const auto& [bad_members, words] : refused) {
        EXPECT_FALSE(zorby::write_media_archive(dir.file("bad.pak"), bad_members, error));
        EXPECT_NE(error.find(words), std::string::npos) << error;
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(dir.file("bad.pak")));
    }
    zorby::set_archive_names("media.pak", "");
    EXPECT_EQ(zorby::find_media_file("green.png"), "green.png");
    const std::string unpacked = zorby::find_media_file("leaf.png");
    ASSERT_FALSE(unpacked.empty());
    EXPECT_EQ(slurp(unpacked), png);
    EXPECT_EQ(zorby::find_media_file("absent.png"), "");
    ASSERT_TRUE(zorby::load_sprite("leaf.png", 4));
    zorby::clear_screen();
    zorby::draw_sprite(4, 1, 1);
    EXPECT_EQ(zt::pixel_at(2, 2), kGreen);
}

// A channel used the wrong way round, or closed, says so when it ends the run.
TEST(KitFiles, AChannelUsedTheWrongWaySaysSo) {
    Folder dir;
    std::ofstream(dir.file("r.dat")) << "data";
    const std::vector<std::pair<std::function<void()>, std::string>> misuses{
        {[] {
             zorby::open_channel(1, "w.dat", zorby::ChannelMode::write);
             zorby::read_byte(1);
         },
         "file channel 1 is open for writing: it cannot be read"},
        {[] {
             zorby::open_channel(1, "r.dat", zorby::ChannelMode::read);
             zorby::write_line(1, "x");
         },
         "file channel 1 is open for reading: it cannot be written"},
        {[] { zorby::write_byte(2, 1); }, "file channel 2 is not open"},
        {[] { zorby::read_line(3); }, "file channel 3 is not open"},
    };
    for (const auto& [misuse, words] : misuses) {
        zt::Session s2(small_frame(dir.path()));
        OutputCapture err(2, dir.file("stderr.txt"));
        EXPECT_EQ(s2.run(misuse), zorby::exit_error);
        EXPECT_EQ(err.finish(), "zorby: run-time error 3 (failed file transfer): " + words + "\n");
    }
}

}  // namespace
