// The recording and replay platforms as decorators of a platform's concerns: what
// each takes over (the recorder's virtual clock, the input reads, the frame counted
// at the swap) and what each leaves to the platform it wraps (the window's other
// calls, the audio, the replay's clock).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/replay/deterministic.h"
#include "platform/replay/input_script.h"
#include "platform/replay/recording_platform.h"
#include "platform/replay/replay_platform.h"

namespace zorby {
namespace {

using platform::DeterministicOptions;
using platform::DeterministicPlatform;
using platform::ScriptEvent;
using K = ScriptEvent::Kind;

DeterministicOptions windowless() {
    DeterministicOptions o;
    o.open_real_window = false;
    return o;
}

TEST(PlatformDecorators, TheRecorderRunsItsOwnVirtualClockAndPassesTheWindowAndAudioThrough) {
    auto owned = std::make_unique<DeterministicPlatform>(windowless());
    DeterministicPlatform& live = *owned;
    std::ostringstream out;
    platform::RecordingOptions ro;
    ro.realtime = false;
    ro.start_ms = 500;
    ro.frame_period_ms = 10;
    platform::RecordingPlatform rec(std::move(owned), out, ro);
    platform::Clock& clock = rec.clock();
    EXPECT_TRUE(clock.is_virtual());
    EXPECT_EQ(clock.now_ms(), 500);
    clock.sleep_ms(25);
    EXPECT_EQ(clock.now_ms(), 525);
    clock.sleep_until_ms(600);
    clock.sleep_until_ms(100);  // past: no wait
    EXPECT_EQ(clock.now_ms(), 600);
    EXPECT_EQ(live.slept_ms(), 0);  // the live clock is not asked to wait
    rec.window().set_title("recorded");
    rec.window().swap_buffers();
    EXPECT_EQ(clock.now_ms(), 610);
    EXPECT_EQ(rec.frames(), 1u);
    EXPECT_EQ(live.frames_presented(), 1u);
    EXPECT_EQ(live.title(), "recorded");
    EXPECT_EQ(&rec.audio(), &live.audio());
}

// One run of reads over a few frames; every answer is logged so the recorded run and
// its replay can be compared read for read. apply feeds the live platform (and does
// nothing for the replay, whose script holds the same events).
std::vector<std::string> run_reads(platform::Platform& p,
                                   const std::function<void(const ScriptEvent&)>& apply) {
    std::vector<std::string> log;
    platform::Input& in = p.input();
    std::array<uint8_t, 256> keys{};
    auto read_keys = [&] {
        in.keyboard_state(keys);
        log.push_back("keys " + std::to_string(keys[44]) + " " + std::to_string(keys[57]));
    };
    auto read_mouse = [&] {
        const platform::MouseSample m = in.sample_mouse();
        log.push_back("mouse " + std::to_string(m.x) + " " + std::to_string(m.y) + " " +
                      std::to_string(m.dx) + " " + std::to_string(m.dy) + " " +
                      std::to_string(m.left) + std::to_string(m.wheel));
    };
    auto poll = [&] {
        const auto e = in.poll_window_event();
        log.push_back(e ? "event " + std::to_string(static_cast<int>(e->type)) : "no event");
    };
    // A character asked before any read: the replay answers it from the script too.
    apply({{}, K::Char, 57, 'q'});
    log.push_back("char " + std::to_string(in.key_character(57)));
    apply({{}, K::FocusLost});
    apply({{}, K::Key, 44, 1});
    apply({{}, K::MouseTo, 10, 20});
    apply({{}, K::Char, 44, 'z'});
    poll();
    poll();
    read_keys();
    read_mouse();
    log.push_back("char " + std::to_string(in.key_character(44)));
    p.window().swap_buffers();
    // A long quiet run of polls, then changes within the same frame.
    for (int i = 0; i < 7; ++i) poll();
    apply({{}, K::Key, 44, 0});
    apply({{}, K::Key, 57, 2});  // a tap between two reads
    apply({{}, K::Button, 1, 1});
    apply({{}, K::Wheel, -1});
    read_keys();
    read_mouse();
    in.warp_pointer(5, 6);
    apply({{}, K::Move, 3, -2});
    read_mouse();
    read_keys();
    log.push_back("joysticks " + std::to_string(in.joystick_count()));
    p.window().swap_buffers();
    return log;
}

TEST(PlatformDecorators, WhatTheRecorderWritesTheReplayAnswersReadForRead) {
    std::ostringstream out;
    std::vector<std::string> recorded;
    {
        auto owned = std::make_unique<DeterministicPlatform>(windowless());
        DeterministicPlatform& live = *owned;
        platform::RecordingOptions ro;
        ro.realtime = false;
        ro.stall_reads = 3;
        platform::RecordingPlatform rec(std::move(owned), out, ro);
        recorded = run_reads(rec, [&](const ScriptEvent& e) { live.apply(e); });
        EXPECT_EQ(rec.frames(), 2u);
    }
    const std::string text = out.str();
    EXPECT_NE(text.find("sync"), std::string::npos) << text;

    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(text, script, error)) << error;
    auto owned = std::make_unique<DeterministicPlatform>(windowless());
    DeterministicPlatform& inner = *owned;
    platform::ReplayOptions opts;
    opts.stall_reads = 3;
    platform::ReplayPlatform replay(std::move(owned), script, opts);
    int ends = 0;
    replay.on_end = [&ends] { ++ends; };
    const std::vector<std::string> replayed = run_reads(replay, [](const ScriptEvent&) {});
    EXPECT_EQ(replayed, recorded) << text;
    // The end line after the second frame ends the replay there, once.
    EXPECT_EQ(replay.frames(), 2u);
    EXPECT_TRUE(replay.ended());
    EXPECT_EQ(ends, 1);
    // The replay keeps the inner platform's clock, which only its swaps moved.
    EXPECT_EQ(&replay.clock(), &inner.clock());
    EXPECT_EQ(inner.frames_presented(), 2u);
    EXPECT_EQ(replay.clock().now_ms(), 1000.0 + 2 * inner.frame_period_ms());
}

// A recorded run whose frames start late (the machine fell behind): the game's clock
// moves on with real time, and the replay's clock reads the same at every frame.
TEST(PlatformDecorators, ALateFrameMovesTheClockOnAndTheReplayAlike) {
    std::ostringstream out;
    std::vector<double> recorded;
    double real_ms = 0.0;
    {
        platform::RecordingOptions ro;  // in step with real time, catching up
        platform::RecordingPlatform rec(std::make_unique<DeterministicPlatform>(windowless()), out,
                                        ro);
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = rec.clock().now_ms();
        for (int frame = 0; frame < 8; ++frame) {
            // Frames 2 and 5 take 40 ms to draw (two and a half frame periods).
            if (frame == 2 || frame == 5)
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
            rec.window().swap_buffers();
            recorded.push_back(rec.clock().now_ms());
        }
        real_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                      .count();
        // The game's clock kept up with real time (within a frame), not 8 periods.
        EXPECT_NEAR(rec.clock().now_ms() - c0, real_ms, 17.0);
        EXPECT_GT(rec.clock().now_ms() - c0, 8 * 1000.0 / 60 + 40);
    }
    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(out.str(), script, error)) << error;
    ASSERT_GE(std::count_if(script.events.begin(), script.events.end(),
                            [](const ScriptEvent& e) { return e.kind == K::Late; }),
              2)
        << out.str();
    platform::ReplayPlatform replay(std::make_unique<DeterministicPlatform>(windowless()), script);
    std::vector<double> replayed;
    for (int frame = 0; frame < 8; ++frame) {
        replay.window().swap_buffers();
        replayed.push_back(replay.clock().now_ms());
    }
    EXPECT_EQ(replayed, recorded) << out.str();
}

}  // namespace
}  // namespace zorby
