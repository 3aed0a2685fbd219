// Graphics benchmarks on the offscreen window:
//  - loading a set of sprite files (decode, texture build, upload) against libpng's
//    simplified read API decoding the same files (alone, and followed by a plain
//    upload of the same texture size), and our decoder alone;
//  - drawing one frame of 100 sprites and a line of text (CPU time of the issuing
//    thread, and of the whole process including the software rasterizer's threads).
// Run: SDL_VIDEODRIVER=offscreen ./bench_graphics
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/image_decode.h"
#include "graphics/sprite_store.h"
#include "graphics/texture_builder.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace {

using namespace zorby;

// A round sprite: a shaded disc on a transparent square, like the game's faces.
std::vector<uint8_t> disc(int w, int h, int seed) {
    std::vector<uint8_t> rgba(size_t(w) * h * 4, 0);
    const double cx = w / 2.0, cy = h / 2.0, r = std::min(w, h) / 2.0 - 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d > r) continue;
            uint8_t* p = rgba.data() + (size_t(y) * w + x) * 4;
            p[0] = uint8_t(255 - d * 100 / r);
            p[1] = uint8_t((x * 7 + seed * 13) & 0xFF);
            p[2] = uint8_t((y * 5 + seed * 31) & 0xFF);
            p[3] = 255;
        }
    }
    return rgba;
}

// The sprite files: 38 pictures of the sizes the game uses, written once per run.
struct SpriteFiles {
    zorby::testing::TempDir dir;
    std::vector<std::string> paths;
    SpriteFiles() {
        // Mostly small sprites; the last three are screen-sized like the intro pictures.
        const int sizes[][2] = {{40, 40}, {48, 48}, {64, 64}, {100, 60}, {32, 32}, {320, 240}};
        for (int i = 0; i < 38; ++i) {
            const int* s = sizes[i >= 35 ? 5 : i % 5];
            const std::string path = dir.file("sprite" + std::to_string(i) + ".png");
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            image.width = png_uint_32(s[0]);
            image.height = png_uint_32(s[1]);
            image.format = PNG_FORMAT_RGBA;
            const auto pixels = disc(s[0], s[1], i);
            if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) {
                std::abort();
            }
            paths.push_back(path);
        }
    }
};

SpriteFiles& sprite_files() {
    static SpriteFiles files;
    return files;
}

// One started engine for the whole run (offscreen window, virtual clock).
zorby::testing::TestEngine& test_engine() {
    static std::unique_ptr<zorby::testing::TestEngine> te = [] {
        auto e = std::make_unique<zorby::testing::TestEngine>();
        if (!e->start()) std::abort();
        return e;
    }();
    return *te;
}

void BM_LoadSprites_Engine(benchmark::State& state) {
    test_engine();
    const auto& paths = sprite_files().paths;
    for (auto _ : state) {
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!load_sprite_file(int64_t(i), paths[i], 0x8000FF, false)) std::abort();
        }
        glFinish();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * paths.size()));
}

void BM_DecodeSprites_Engine(benchmark::State& state) {
    const auto& paths = sprite_files().paths;
    PixelImage image;
    for (auto _ : state) {
        for (const auto& path : paths) {
            if (!load_png_image(image, path, 0x8000FF)) std::abort();
            benchmark::DoNotOptimize(image.pixels.get());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations() * paths.size()));
}

bool simplified_decode(const std::string& path, std::vector<uint8_t>& buffer, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    buffer.resize(PNG_IMAGE_SIZE(image));
    w = int(image.width);
    h = int(image.height);
    return png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr) != 0;
}

void BM_DecodeSprites_Simplified(benchmark::State& state) {
    const auto& paths = sprite_files().paths;
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        for (const auto& path : paths) {
            int w = 0, h = 0;
            if (!simplified_decode(path, buffer, w, h)) std::abort();
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations() * paths.size()));
}

// Simplified decode followed by a plain upload into a power-of-two texture (no flip,
// no bleeding, no mipmapped copy): the least a loader has to do.
void BM_LoadSprites_SimplifiedPlainUpload(benchmark::State& state) {
    test_engine();
    const auto& paths = sprite_files().paths;
    std::vector<uint8_t> buffer;
    std::vector<GLuint> names(paths.size(), 0);
    glGenTextures(GLsizei(names.size()), names.data());
    for (auto _ : state) {
        for (size_t i = 0; i < paths.size(); ++i) {
            int w = 0, h = 0;
            if (!simplified_decode(paths[i], buffer, w, h)) std::abort();
            const int tw = power_of_two_size(w), th = power_of_two_size(h);
            glBindTexture(GL_TEXTURE_2D, names[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
        }
        glFinish();
    }
    glDeleteTextures(GLsizei(names.size()), names.data());
    state.SetItemsProcessed(int64_t(state.iterations() * paths.size()));
}

// One frame as the game draws it: 100 sprites of 40 x 40 spread over the screen,
// some translucent, and one line of text.
void BM_DrawFrame_100SpritesAndText(benchmark::State& state) {
    test_engine();
    const auto& paths = sprite_files().paths;
    for (int i = 0; i < 5; ++i) load_sprite_file(i, paths[size_t(i)], 0x8000FF, false);
    load_font("", 0);
    for (auto _ : state) {
        clear_screen();
        for (int i = 0; i < 100; ++i) {
            if (i == 80) set_alpha_mode(-0.5);
            draw_sprite(i % 5, (i * 37) % 300, (i * 53) % 220);
        }
        set_alpha_mode(0);
        print_text("SCORE 12345  TIME 42  LEVEL 7", 8, 8);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_LoadSprites_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSprites_SimplifiedPlainUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSprites_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSprites_Simplified)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrame_100SpritesAndText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawFrame_100SpritesAndText)
    ->Name("BM_DrawFrame_100SpritesAndText/process_cpu")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
