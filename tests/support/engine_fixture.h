// Test support: a fresh engine on the deterministic platform (virtual clock,
// scripted input, offscreen OpenGL), torn down after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/deterministic.h"
#include "runtime/engine.h"

namespace zorby::testing {

// Owns an Engine that is current while the object lives. end_program inside it
// throws ProgramEnded instead of ending the test process.
class TestEngine {
public:
    explicit TestEngine(const platform::DeterministicOptions& options = {},
                        const ProjectSettings& settings = {});
    ~TestEngine();
    TestEngine(const TestEngine&) = delete;
    TestEngine& operator=(const TestEngine&) = delete;

    // Runs engine_start; returns its result.
    bool start(int show_command = 1);
    Engine& engine() { return engine_; }
    platform::DeterministicPlatform& platform() { return *platform_; }

    // Runs fn and returns the exit status when it ends the program (-1 when it
    // returned normally).
    int run_until_end(const std::function<void()>& fn);

private:
    Engine engine_;
    platform::DeterministicPlatform* platform_ = nullptr;
    std::unique_ptr<platform::DeterministicPlatform> owned_;
};

// Reads back the RGBA pixel at window coordinates (x, y), y counted from the top.
struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b; }
};
Rgba read_pixel(int x, int y);
// Reads back the whole back buffer, rows top first, RGBA.
std::vector<uint8_t> read_frame(int width, int height);
// Writes an RGBA picture as PNG (for failing rendering tests to show what they saw).
bool write_png(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

// A temporary directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace zorby::testing
