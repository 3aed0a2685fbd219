// Test support implementation.
#include "support/engine_fixture.h"

#include <GL/gl.h>
#include <png.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "platform/gl/frame_gl_work.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"

namespace zorby::testing {

namespace {
// Death tests re-run the test binary instead of forking: the OpenGL driver runs
// threads, and a forked child of a threaded process is not safe to use.
const bool kThreadsafeDeathTests = [] {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return true;
}();
}  // namespace

TestEngine::TestEngine(const platform::DeterministicOptions& options,
                       const ProjectSettings& settings) {
    set_current_engine(&engine_);
    engine_.settings = settings;
    owned_ = platform::make_deterministic_platform(options);
    platform_ = owned_.get();
    engine_.exit_hook = [](int status) { throw ProgramEnded{status}; };
}

TestEngine::~TestEngine() {
    if (engine_.started && !engine_.cleaned_up) engine_cleanup();
    // Destroy the platform (and its window) while this engine is still current.
    engine_.platform.reset();
    owned_.reset();
    set_current_engine(nullptr);
}

bool TestEngine::start(int show_command) {
    return engine_start(std::move(owned_), show_command, "zorby");
}

int TestEngine::run_until_end(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const ProgramEnded& ended) {
        return ended.exit_status;
    }
    return -1;
}

Rgba read_pixel(int x, int y) {
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    int width = 0, height = 0;
    if (auto* e = engine_if_any(); e && e->display) {
        width = 320;
        height = 240;
        if (e->platform) e->platform->window().client_size(width, height);
    }
    uint8_t px[4] = {0, 0, 0, 0};
    platform::frame_gl_work().flush();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2], px[3]};
}

std::vector<uint8_t> read_frame(int width, int height) {
    std::vector<uint8_t> raw(static_cast<size_t>(width) * height * 4);
    platform::frame_gl_work().flush();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    std::vector<uint8_t> out(raw.size());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::copy_n(raw.data() + row * (height - 1 - y), row, out.data() + row * y);
    }
    return out;
}

bool write_png(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}

TempDir::TempDir(const std::string& base) {
    std::string tmpl = (std::filesystem::path(base) / "zorby-test-XXXXXX").string();
    char* p = mkdtemp(tmpl.data());
    path_ = p ? p : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void fill_game_dir(const TempDir& dir) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ZORBY_ASSET_DIR, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "hc.txt") {
            std::filesystem::copy_file(entry.path(), dir.file(name), ec);
        } else {
            link_or_copy(entry.path(), dir.file(name));
        }
    }
}

}  // namespace zorby::testing
