// zorby-shots: plays the game on the virtual clock with the input of a script (the
// record-and-replay format) and saves the frames that the script's "# shot FRAME
// NAME" comment lines name as NAME.png. With --trace it prints, for every frame, the
// screen state and menu page, which helps to place shots and input in a script.
// With --hotspots every shot is enlarged (to at least three times the game's 320 x
// 240) and the hotspots live on its screen are outlined from the game's own table
// (game/hotspots.h): red where the mouse acts, blue where the keyboard cursor acts
// when its range differs, and the keyboard forms of the buttons.
//
//   zorby-shots [--trace] [--hotspots] [--dir DIR] SCRIPT OUTDIR
//
// DIR is the directory the game runs in (its pictures, sounds and "hc.txt"); the
// default is the directory the program was started from.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/hotspots.h"
#include "platform/gl/frame_pixels.h"
#include "platform/replay/deterministic.h"
#include "platform/replay/input_script.h"
#include "platform/replay/replay_platform.h"
#include "runtime/engine.h"

namespace {

using namespace zorby;

bool write_png(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const auto stride = static_cast<png_int_32>(width * 4);
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), stride, nullptr) != 0;
}

// An RGBA picture, rows top first.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// The picture enlarged n times, each pixel an n x n block.
Picture enlarged(const Picture& in, int n) {
    Picture out{in.width * n, in.height * n, {}};
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* from = &in.rgba[(static_cast<size_t>(y / n) * in.width + x / n) * 4];
            std::copy(from, from + 4, &out.rgba[(static_cast<size_t>(y) * out.width + x) * 4]);
        }
    }
    return out;
}

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb kMouseColour{255, 0, 0};
constexpr Rgb kCursorColour{0, 90, 255};

// Outlines the pixels strictly inside the open box (game pixels, `scale` picture
// pixels each).
void outline(Picture& pic, const game::Box& box, double scale, Rgb colour) {
    const int left = static_cast<int>((box.x1 + 1) * scale);
    const int top = static_cast<int>((box.y1 + 1) * scale);
    const int right = static_cast<int>(box.x2 * scale) - 1;
    const int bottom = static_cast<int>(box.y2 * scale) - 1;
    auto plot = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= pic.width || y >= pic.height) return;
        uint8_t* p = &pic.rgba[(static_cast<size_t>(y) * pic.width + x) * 4];
        p[0] = colour.r, p[1] = colour.g, p[2] = colour.b, p[3] = 255;
    };
    for (int x = left; x <= right; ++x) plot(x, top), plot(x, bottom);
    for (int y = top; y <= bottom; ++y) plot(left, y), plot(right, y);
}

// Outlines the hotspots that act on the screen the game shows now.
void outline_hotspots(Picture& pic, const game::GameState& g) {
    const double scale = pic.width / 320.0;
    auto both = [&](const game::Hotspot& spot) {
        outline(pic, spot.mouse(), scale, kMouseColour);
        if (spot.c1 != spot.y1 || spot.c2 != spot.y2) {
            outline(pic, spot.cursor(), scale, kCursorColour);
        }
    };
    const bool playing = g.game_state == game::Screen::playing;
    if (!playing && g.game_state != game::Screen::menu) return;  // the intro
    if (g.game_state == game::Screen::menu) {
        for (const game::Hotspot& spot : game::menu_page_hotspots(g.menu_page)) both(spot);
    }
    // Exit, Start and Menu with their keyboard forms; Exit is refused while playing.
    for (size_t i = playing ? 1 : 0; i < game::hotspot::kButtons.size(); ++i) {
        both(game::hotspot::kButtons[i]);
        outline(pic, game::hotspot::kKeyboardButtons[i], scale, kCursorColour);
    }
}

// The replay platform, saving the named frames just before they are shown.
class ShotPlatform : public platform::ReplayPlatform {
public:
    ShotPlatform(std::unique_ptr<platform::Platform> inner, platform::InputScript script,
                 std::map<uint64_t, std::string> shots, std::string out_dir, bool trace,
                 bool hotspots)
        : ReplayPlatform(std::move(inner), std::move(script)),
          shots_(std::move(shots)),
          out_dir_(std::move(out_dir)),
          trace_(trace),
          hotspots_(hotspots) {}

    void swap_buffers() override {
        const uint64_t frame = frames();
        if (trace_ && engine_if_any() != nullptr) {
            const game::GameState& g = game::game();
            std::printf("frame %llu: state %g page %g energy %g score %g\n",
                        static_cast<unsigned long long>(frame), static_cast<double>(g.game_state),
                        static_cast<double>(g.menu_page), static_cast<double>(g.energy),
                        static_cast<double>(g.score));
        }
        if (auto it = shots_.find(frame); it != shots_.end()) save(it->second);
        ReplayPlatform::swap_buffers();
    }
    size_t saved() const { return saved_; }

private:
    void save(const std::string& name) {
        const platform::FramePixels frame = platform::read_frame_pixels(*this);
        if (frame.empty()) return;
        const int w = frame.width, h = frame.height;
        // The rows come bottom first from OpenGL.
        Picture pic{w, h, std::vector<uint8_t>(frame.rgba.size())};
        const size_t row = static_cast<size_t>(w) * 4;
        for (int y = 0; y < h; ++y) {
            std::copy_n(&frame.rgba[static_cast<size_t>(h - 1 - y) * row], row, &pic.rgba[y * row]);
        }
        for (size_t i = 3; i < pic.rgba.size(); i += 4) pic.rgba[i] = 255;
        if (hotspots_ && engine_if_any() != nullptr) {
            const int factor = std::max(1, (3 * 320 + w - 1) / w);
            pic = enlarged(pic, factor);
            outline_hotspots(pic, game::game());
        }
        const std::string path = out_dir_ + "/" + name + ".png";
        if (write_png(path, pic.rgba, pic.width, pic.height)) {
            ++saved_;
            std::printf("%s\n", path.c_str());
        } else {
            std::fprintf(stderr, "zorby-shots: cannot write %s\n", path.c_str());
        }
    }

    std::map<uint64_t, std::string> shots_;
    std::string out_dir_;
    bool trace_;
    bool hotspots_;
    size_t saved_ = 0;
};

// The "# shot FRAME NAME" lines of a script file.
std::map<uint64_t, std::string> shots_in(const std::string& path) {
    std::map<uint64_t, std::string> shots;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string hash, word, name;
        unsigned long long frame = 0;
        if (words >> hash >> word >> frame >> name && hash == "#" && word == "shot") {
            shots[frame] = name;
        }
    }
    return shots;
}

int usage() {
    std::fputs("usage: zorby-shots [--trace] [--hotspots] [--dir DIR] SCRIPT OUTDIR\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool trace = false;
    bool hotspots = false;
    std::string dir = std::filesystem::current_path().string();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--trace") {
            trace = true;
        } else if (a == "--hotspots") {
            hotspots = true;
        } else if (a == "--dir" && i + 1 < argc) {
            dir = std::filesystem::absolute(argv[++i]).string();
        } else {
            args.push_back(a);
        }
    }
    if (args.size() != 2) return usage();
    platform::InputScript script;
    std::string error;
    if (!platform::load_input_script(args[0], script, error)) {
        std::fprintf(stderr, "zorby-shots: %s\n", error.c_str());
        return 1;
    }
    const std::string out_dir = std::filesystem::absolute(args[1]).string();
    std::filesystem::create_directories(out_dir);

    Engine e;
    set_current_engine(&e);
    e.exit_hook = [](int status) { throw ProgramEnded{status}; };
    platform::DeterministicOptions options;
    auto shot_platform =
        std::make_unique<ShotPlatform>(platform::make_deterministic_platform(options), script,
                                       shots_in(args[0]), out_dir, trace, hotspots);
    ShotPlatform& shots = *shot_platform;
    shots.on_end = [] {
        engine().error = ErrorRecord{};
        end_program();
    };
    int status = 0;
    try {
        if (!engine_start(std::move(shot_platform), 1, "zorby")) {
            std::fputs("zorby-shots: no window with an OpenGL context could be made\n", stderr);
            return 1;
        }
        if (script.seed) seed_random(*script.seed);
        // Start-up makes the program's directory current; the game runs in DIR.
        std::filesystem::current_path(dir);
        game::game_main();
        end_program();
    } catch (const ProgramEnded& ended) {
        status = ended.exit_status;
    }
    std::printf("%zu frames saved\n", shots.saved());
    set_current_engine(nullptr);
    return status;
}
