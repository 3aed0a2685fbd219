// The engine kit as a game built on it sees it: these tests include only the public
// headers and link only the shared library, so a command missing from the library's
// exports fails the link and a wrong wrapper fails here.
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <queue>
#include <random>
#include <sstream>
#include <string>
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

// A solid w x h picture of one colour (RGBA).
bool write_solid_png(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < w * h; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
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
    EXPECT_EQ(zt::pixel_at(64, 0), kBlack);  // outside the frame

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
    EXPECT_NE(error.find("no/such/folder/x"), std::string::npos) << error;

    // A picture packed into an archive loads by its name once the loose file is gone.
    const std::string png = slurp(dir.file("green.png"));
    std::vector<zorby::MediaMember> members{{"Leaf.PNG", {png.begin(), png.end()}},
                                            {"note.txt", {'h', 'i'}}};
    ASSERT_TRUE(zorby::write_media_archive(dir.file("media.pak"), members, error)) << error;
    members.push_back({"NOTE.TXT", {}});
    EXPECT_FALSE(zorby::write_media_archive(dir.file("bad.pak"), members, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir.file("bad.pak")));
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

}  // namespace
