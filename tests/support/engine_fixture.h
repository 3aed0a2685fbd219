// Test support: a fresh engine on the deterministic platform (virtual clock,
// scripted input, offscreen OpenGL), torn down after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/replay/deterministic.h"
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
    explicit TempDir(const std::string& base);  // made in base, not the private TMPDIR
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Fills dir with the game's files: links to the assets (copies where links cannot be
// made), and a copy of "hc.txt", which a name entry rewrites.
void fill_game_dir(const TempDir& dir);

// An engine of its own on any platform (the SDL one, a recorder around it), started
// with the given window scale; end_program throws ProgramEnded.
class LiveEngine {
public:
    explicit LiveEngine(std::unique_ptr<platform::Platform> p, int scale = 1) {
        set_current_engine(&e_);
        e_.settings.window_scale = scale;
        e_.exit_hook = [](int status) { throw ProgramEnded{status}; };
        started_ = engine_start(std::move(p), 1, "zorby");
    }
    ~LiveEngine() {
        if (e_.started && !e_.cleaned_up) engine_cleanup();
        e_.platform.reset();
        set_current_engine(nullptr);
    }
    LiveEngine(const LiveEngine&) = delete;
    LiveEngine& operator=(const LiveEngine&) = delete;
    bool started() const { return started_; }
    Engine& engine() { return e_; }

private:
    Engine e_;
    bool started_ = false;
};

}  // namespace zorby::testing
