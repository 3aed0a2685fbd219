// Start-up, shutdown, the error model and the error log.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "engine/error_log.h"
#include "graphics/display.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"

namespace zorby {
namespace {

using testing::file_text;
using testing::TempDir;
using testing::TestEngine;

// Points TMPDIR (where the error log lives) at a private directory for one test. A
// death test's child may run the test again from the start (on Windows it always
// does): given shared_variable, the first maker names its directory there and a
// child that finds it set uses that directory instead of making its own.
class ScopedTmpDir {
public:
    explicit ScopedTmpDir(const char* shared_variable = nullptr)
        : shared_variable_(shared_variable) {
        const char* old = std::getenv("TMPDIR");
        had_old_ = old != nullptr;
        if (old) old_ = old;
        const char* shared = shared_variable ? std::getenv(shared_variable) : nullptr;
        if (shared != nullptr) {
            path_ = shared;
            shared_variable_ = nullptr;  // the maker removes the name
        } else {
            dir_.emplace();
            path_ = dir_->path();
            if (shared_variable_) setenv(shared_variable_, path_.c_str(), 1);
        }
        setenv("TMPDIR", path_.c_str(), 1);
    }
    ~ScopedTmpDir() {
        if (shared_variable_) unsetenv(shared_variable_);
        if (had_old_) {
            setenv("TMPDIR", old_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    std::string log() const { return path_ + "/ErrorLog.txt"; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    const char* shared_variable_;
    std::optional<TempDir> dir_;
    std::string path_;
    std::string old_;
    bool had_old_ = false;
};

TEST(Startup, OpensTheGameWindowAndSaysInitOk) {
    TestEngine te;
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(te.start());
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Init OK\n"), std::string::npos);
    Engine& e = te.engine();
    EXPECT_EQ(e.platform->window().title(), "zorby");
    int w = 0, h = 0;
    e.platform->window().client_size(w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_DOUBLE_EQ(e.display->frame_period, 1000.0 / 60.0);
    EXPECT_TRUE(e.input && e.sound && e.network && e.scene && e.media_lookup && e.music_lookup);
    EXPECT_FALSE(e.paused);
    // The millisecond clock starts at the end of start-up.
    EXPECT_DOUBLE_EQ(e.clock_base, e.platform->clock().now_ms());
    EXPECT_EQ(e.program_dir, executable_directory());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), e.program_dir);
}

TEST(Startup, ShowCommandZeroHidesTheWindow) {
    TestEngine te;
    ASSERT_TRUE(te.start(0));
    EXPECT_FALSE(te.platform().window_shown());
}

TEST(Startup, FailsCleanlyWithoutAWindow) {
    platform::DeterministicOptions options;
    options.open_real_window = false;
    TestEngine te(options);
    EXPECT_FALSE(te.start());
    EXPECT_FALSE(te.engine().input);
    EXPECT_FALSE(te.engine().sound);
}

TEST(Startup, DeletesAStaleErrorLog) {
    ScopedTmpDir tmp;
    { std::ofstream(tmp.log()) << "left over from the last run\r\n"; }
    TestEngine te;
    ASSERT_TRUE(te.start());
    // Only lines of this run may be in the log (the software-renderer line may be,
    // but not the stale one).
    EXPECT_EQ(file_text(tmp.log()).find("left over"), std::string::npos);
}

TEST(Shutdown, CleanupTwiceDoesNothing) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    engine_cleanup();
    EXPECT_FALSE(te.engine().display);
    EXPECT_FALSE(te.engine().input);
    EXPECT_FALSE(te.engine().media_lookup);
    engine_cleanup();
    EXPECT_TRUE(te.engine().cleaned_up);
}

TEST(ErrorModel, SetErrorStoresAndReturnsTheCode) {
    TestEngine te;
    set_current_line(4, 17);
    EXPECT_DOUBLE_EQ(set_error(7), 7.0);
    EXPECT_DOUBLE_EQ(te.engine().error.error_number, 7.0);
    EXPECT_DOUBLE_EQ(te.engine().error.error_line, 17.0);
    EXPECT_DOUBLE_EQ(te.engine().error.current_position, 4.0);
}

TEST(ErrorLog, AppendsCrLfLinesAndWritesNullForNoText) {
    ScopedTmpDir tmp;
    append_error_log("Loadbmp");
    append_error_log(static_cast<const char*>(nullptr));
    append_error_log(std::string("OK?"));
    EXPECT_EQ(file_text(tmp.log()), "Loadbmp\r\nnull\r\nOK?\r\n");
}

TEST(ErrorLog, NeverWritesThroughALink) {
#ifdef _WIN32
    GTEST_SKIP() << "links need a privilege a Windows player does not have";
#else
    ScopedTmpDir tmp;
    const std::string target = tmp.file("victim.txt");
    { std::ofstream(target) << "precious"; }
    ASSERT_EQ(symlink(target.c_str(), tmp.log().c_str()), 0);
    append_error_log("attack");
    EXPECT_EQ(file_text(target), "precious");
#endif
}

// ---- the current engine and the shares of its layers ----

TEST(CurrentEngineDeathTest, EveryLayerEndsACommandCalledBeforeTheEngineStarted) {
    set_current_engine(nullptr);
    const char* message = "zorby: an engine command was called before the engine started";
    EXPECT_DEATH((void)engine_core(), message);
    EXPECT_DEATH((void)graphics_layer(), message);
    EXPECT_DEATH((void)input_layer(), message);
    EXPECT_DEATH((void)audio_layer(), message);
    EXPECT_DEATH((void)engine(), message);
    EXPECT_DEATH(set_error(9), message) << "a command of the floor";
}

TEST(CurrentEngine, AShareStaysCurrentUntilItGoesAndAnotherGoingLeavesItCurrent) {
    {
        EngineCore core;
        GraphicsLayer graphics;
        InputLayer input;
        AudioLayer audio;
        set_current_core(&core);
        set_current_graphics(&graphics);
        set_current_input(&input);
        set_current_audio(&audio);
        {
            EngineCore other_core;
            GraphicsLayer other_graphics;
            InputLayer other_input;
            AudioLayer other_audio;
        }
        EXPECT_EQ(engine_core_if_any(), &core);
        EXPECT_EQ(graphics_layer_if_any(), &graphics);
        EXPECT_EQ(input_layer_if_any(), &input);
        EXPECT_EQ(audio_layer_if_any(), &audio);
        EXPECT_EQ(&audio_layer(), &audio);
    }
    EXPECT_EQ(engine_core_if_any(), nullptr);
    EXPECT_EQ(graphics_layer_if_any(), nullptr);
    EXPECT_EQ(input_layer_if_any(), nullptr);
    EXPECT_EQ(audio_layer_if_any(), nullptr);

    // The engine makes all its shares current, and takes them along when it goes.
    auto e = std::make_unique<Engine>();
    set_current_engine(e.get());
    EXPECT_EQ(&engine_core(), static_cast<EngineCore*>(e.get()));
    EXPECT_EQ(&graphics_layer(), static_cast<GraphicsLayer*>(e.get()));
    EXPECT_EQ(&input_layer(), static_cast<InputLayer*>(e.get()));
    EXPECT_EQ(&audio_layer(), static_cast<AudioLayer*>(e.get()));
    e.reset();
    EXPECT_EQ(engine_if_any(), nullptr);
    EXPECT_EQ(engine_core_if_any(), nullptr);
    EXPECT_EQ(graphics_layer_if_any(), nullptr);
    EXPECT_EQ(input_layer_if_any(), nullptr);
    EXPECT_EQ(audio_layer_if_any(), nullptr);
}

// ---- how the program ends (in child processes: the real exit path) ----

void start_real_exit_engine(int debug_mode) {
    static Engine e;
    set_current_engine(&e);
    e.settings.debug_mode = debug_mode;
    auto p = platform::make_deterministic_platform({});
    if (!engine_start(std::move(p), 1, "zorby")) std::exit(70);
}

TEST(EndProgramDeathTest, NormalEndExitsWithZero) {
    EXPECT_EXIT(
        {
            start_real_exit_engine(0);
            end_program();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(EndProgramDeathTest, RunTimeErrorExitsNonZeroWithOneLine) {
    EXPECT_EXIT(
        {
            start_real_exit_engine(0);
            set_error(9, "board index 30 of 30");
            end_program();
        },
        ::testing::ExitedWithCode(1),
        "zorby: run-time error 9 \\(index out of range\\): board index 30 of 30");
}

TEST(EndProgramDeathTest, DebugModeWritesTheEndBlockByteForByte) {
    ScopedTmpDir tmp("ZORBY_END_BLOCK_TMPDIR");
    EXPECT_EXIT(
        {
            start_real_exit_engine(1);
            // Only the end block should be compared: start from an empty log.
            unlink(error_log_path().c_str());
            set_error(9);
            end_program();
        },
        ::testing::ExitedWithCode(1), "run-time error 9");
    EXPECT_EQ(file_text(tmp.log()), "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n");
}

TEST(EndProgramDeathTest, EscapeEndsWithZeroEvenAfterAnError) {
    EXPECT_EXIT(
        {
            start_real_exit_engine(0);
            set_error(3);
            auto& p = static_cast<platform::DeterministicPlatform&>(*engine().platform);
            p.set_key(1, true);
            present_frame();
            std::exit(71);  // not reached
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(QuitPaths, EscapeAltF4AndCloseEndTheProgram) {
    {
        TestEngine te;
        ASSERT_TRUE(te.start());
        set_error(8);
        te.platform().set_key(1, true);
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), 0);
        EXPECT_DOUBLE_EQ(te.engine().error.error_number, 0.0);
    }
    {
        TestEngine te;
        ASSERT_TRUE(te.start());
        te.platform().set_key(62, true);
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), -1);  // F4 alone: nothing
        te.platform().set_key(184, true);  // right Alt + F4: not the quit keys
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), -1);
        te.platform().set_key(62, false);
        te.platform().set_key(56, true);
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), -1);  // left Alt alone: nothing
        te.platform().set_key(62, true);
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), 0);
    }
    {
        TestEngine te;
        ASSERT_TRUE(te.start());
        te.platform().apply({platform::ScriptEvent::Kind::Close});
        EXPECT_EQ(te.run_until_end([] { present_frame(); }), 0);
        EXPECT_TRUE(te.engine().cleaned_up);
    }
}

TEST(QuitPaths, EscapeIgnoredWhenItMustNotEndTheProgram) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    set_escape_ends_program(0);
    te.platform().set_key(1, true);
    EXPECT_EQ(te.run_until_end([] { present_frame(); }), -1);
}

}  // namespace
}  // namespace zorby
