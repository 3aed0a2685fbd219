// Recording and replay: a recorded run replayed twice giving the same frames, reads
// and times, and hand-written scripts (stalls, ends, seeds).
#include "runtime/replay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "graphics/draw.h"
#include "input/input_state.h"
#include "platform/replay/event_injection.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"
#include "support/posix_compat.h"

namespace zorby {
namespace {

using platform::InputScript;
using platform::ScriptEvent;
using K = ScriptEvent::Kind;

// ---- a small program that reads every kind of input ----

// The live side of a recorded run: a deterministic platform with a German layout
// whose window regains the focus after a number of polls.
class LiveHost : public platform::DeterministicPlatform {
public:
    LiveHost() : DeterministicPlatform(platform::DeterministicOptions{}) {}
    int key_character(int code) override {
        if (code == 21) return 'z';
        if (code == 44) return 'y';
        return DeterministicPlatform::key_character(code);
    }
    std::optional<platform::WindowEvent> poll_window_event() override {
        if (focus_back_after > 0 && --focus_back_after == 0) {
            return platform::WindowEvent{platform::WindowEventType::FocusGained};
        }
        return DeterministicPlatform::poll_window_event();
    }
    int focus_back_after = 0;
};

struct MiniGame {
    LiveHost* live = nullptr;  // set while recording: the program's own input
    int frames = 90;
    // What the run saw.
    int wait_reads = 0;
    std::vector<uint64_t> frame_hashes;
    std::vector<double> times, draws;
    std::string typed;
    double score = 0;

    void operator()() {
        Engine& e = engine();
        // A key waited for without presenting frames; it comes after 777 reads.
        while (key_down(45) == 0) {
            if (live && ++wait_reads == 777) live->set_key(45, true);
            if (!live) ++wait_reads;
        }
        for (int f = 0; f < frames; ++f) {
            if (live) {
                if (f == 0) live->set_key(45, false);
                if (f == 5) live->set_key(200, true);
                if (f == 9) live->set_key(200, false);
                if (f == 12) live->apply({K::MouseTo, 100, 50});
                if (f == 20) live->apply({K::Move, -30, 4});
                if (f == 24) live->apply({K::Button, 1, 1});
                if (f == 26) live->apply({K::Button, 1, 0});
                if (f == 30) live->set_key(21, true);
                if (f == 31) live->set_key(21, false);
                if (f == 32) live->set_key(42, true);
                if (f == 33) live->set_key(30, true);
                if (f == 35) live->set_key(30, false), live->set_key(42, false);
                if (f == 40) {
                    live->apply({K::FocusLost});
                    live->focus_back_after = 40;
                }
            }
            double x, y, l, r;
            mouse_state(x, y, l, r);
            if (key_down(200) != 0) score += 1;
            if (l != 0) score += 100;
            if (const uint8_t c = typed_char(*e.input)) typed += static_cast<char>(c);
            const double rx = random_int(319), ry = random_int(239);
            draws.push_back(rx);
            draw_line(x, y, rx, ry, 255 + 65536 * (f % 200));
            if (f % 30 == 29) {
                // A pause that reads keys while time runs.
                const double until = timer_ms() + 55;
                while (timer_ms() < until) {
                    key_down(1);
                    sleep_ms(7);
                }
            }
            play_sound(1, 0, 1);
            times.push_back(timer_ms());
            const auto pixels = testing::read_frame(320, 240);
            frame_hashes.push_back(fnv1a(pixels.data(), pixels.size()));
            present_frame();
        }
    }
};

// Records game on a live host; returns the script text.
std::string record(MiniGame& game, uint32_t seed, uint64_t stall_reads = 1000000) {
    std::ostringstream out;
    {
        Engine e;
        set_current_engine(&e);
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        auto host = std::make_unique<LiveHost>();
        game.live = host.get();
        platform::RecordingOptions ro;
        ro.realtime = false;
        ro.stall_reads = stall_reads;
        auto recorder = std::make_unique<platform::RecordingPlatform>(std::move(host), out, ro);
        recorder->record_seed(seed);
        EXPECT_TRUE(engine_start(std::move(recorder), 1, "zorby"));
        apply_recorded_seed(seed);
        try {
            game();
            end_program();
        } catch (const ProgramEnded&) {
        }
        game.live = nullptr;
    }
    set_current_engine(nullptr);
    return out.str();
}

InputScript parse(const std::string& text) {
    InputScript s;
    std::string error;
    EXPECT_TRUE(platform::parse_input_script(text, s, error)) << error;
    return s;
}

ReplayResult replay(const InputScript& script, const std::function<void()>& program,
                    uint64_t stall_reads = 1000000) {
    ReplayRunOptions o;
    o.replay.hash_every = 10;
    o.replay.stall_reads = stall_reads;
    return run_replay(script, o, program);
}

TEST(RecordAndReplay, ARecordedRunReplaysIdenticallyTwice) {
    MiniGame live;
    const std::string text = record(live, 77);
    EXPECT_NE(text.find("seed 77"), std::string::npos);
    EXPECT_NE(text.find("char 21 122"), std::string::npos) << "the live layout is recorded";
    EXPECT_NE(text.find("focus gained"), std::string::npos);
    EXPECT_NE(text.find(" end"), std::string::npos);
    ASSERT_EQ(live.wait_reads, 777);
    EXPECT_EQ(live.typed, "zA");
    EXPECT_GT(live.score, 100);

    const InputScript script = parse(text);
    MiniGame first, second;
    const ReplayResult a = replay(script, std::ref(first));
    const ReplayResult b = replay(script, std::ref(second));
    EXPECT_EQ(a.exit_status, 0);
    EXPECT_EQ(b.exit_status, 0);
    for (const MiniGame* run : {&first, &second}) {
        EXPECT_EQ(run->wait_reads, 777);
        EXPECT_EQ(run->typed, live.typed);
        EXPECT_EQ(run->score, live.score);
        EXPECT_EQ(run->draws, live.draws);
        EXPECT_EQ(run->times, live.times) << "the clock runs the same, pauses included";
        EXPECT_EQ(run->frame_hashes, live.frame_hashes);
    }
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.frame_hashes.size(), (a.frames + 9) / 10);
    EXPECT_EQ(a.combined_hash, b.combined_hash);
    EXPECT_EQ(a.sound_hash, b.sound_hash);
}

TEST(RecordAndReplay, ALiveRunOnTheSdlPlatformReplaysExactly) {
    // Events arrive from another thread at real-time moments the program cannot
    // foresee.
    MiniGame live;
    live.frames = 50;
    std::ostringstream out;
    {
        Engine e;
        set_current_engine(&e);
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        auto recorder =
            std::make_unique<platform::RecordingPlatform>(platform::make_sdl_platform(), out);
        recorder->record_seed(3);
        ASSERT_TRUE(engine_start(std::move(recorder), 1, "zorby"));
        apply_recorded_seed(3);
        std::atomic<bool> stop{false};
        std::thread user([&stop] {
            using namespace std::chrono_literals;
            platform::push_key_event(45, true);  // the key the program waits for
            std::this_thread::sleep_for(30ms);
            platform::push_key_event(45, false);
            for (int i = 0; !stop; ++i) {
                platform::push_mouse_motion((i * 37) % 320, 7 + i % 5);
                if (i % 9 == 0) platform::push_mouse_button(1 + i % 2, i % 18 == 0);
                if (i % 11 == 0) platform::push_key_event(200, i % 22 == 0);
                if (i % 13 == 0) platform::push_key_event(16 + i % 10, true);
                if (i % 13 == 6) platform::push_key_event(16 + (i - 6) % 10, false);
                std::this_thread::sleep_for(7ms);
            }
        });
        try {
            live();
            stop = true;
            user.join();
            end_program();
        } catch (const ProgramEnded&) {
        }
        if (user.joinable()) {
            stop = true;
            user.join();
        }
    }
    set_current_engine(nullptr);
    EXPECT_NE(out.str().find(" mouse "), std::string::npos);
    MiniGame replayed;
    replayed.frames = 50;
    EXPECT_EQ(replay(parse(out.str()), std::ref(replayed)).exit_status, 0);
    EXPECT_EQ(replayed.wait_reads, live.wait_reads);
    EXPECT_EQ(replayed.typed, live.typed);
    EXPECT_EQ(replayed.score, live.score);
    EXPECT_EQ(replayed.draws, live.draws);
    EXPECT_EQ(replayed.times, live.times);
    EXPECT_EQ(replayed.frame_hashes, live.frame_hashes);
}

TEST(RecordAndReplay, AReplayWithAnotherSeedDrawsOtherNumbers) {
    MiniGame live;
    const std::string text = record(live, 5);
    InputScript script = parse(text);
    script.seed = 6;
    MiniGame other;
    replay(script, std::ref(other));
    EXPECT_NE(other.draws, live.draws);
    EXPECT_EQ(other.typed, live.typed);
}

TEST(RecordAndReplay, LongRunsOfReadsAreMarkedSoLaterInputStaysLater) {
    // Frame 0 of the program reads 500 times with nothing pressed; the key comes in
    // the next frame. With a stall limit of 100 the replay would otherwise move it.
    struct Program {
        LiveHost* live = nullptr;
        bool early = false, seen = false;
        void operator()() {
            for (int i = 0; i < 500; ++i) early = early || key_down(45) != 0;
            present_frame();
            if (live) live->set_key(45, true);
            seen = key_down(45) != 0;
        }
    };
    Program live_run;
    std::ostringstream out;
    {
        Engine e;
        set_current_engine(&e);
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        auto host = std::make_unique<LiveHost>();
        live_run.live = host.get();
        platform::RecordingOptions ro;
        ro.realtime = false;
        ro.stall_reads = 100;
        ASSERT_TRUE(engine_start(
            std::make_unique<platform::RecordingPlatform>(std::move(host), out, ro), 1, "zorby"));
        try {
            live_run();
            end_program();
        } catch (const ProgramEnded&) {
        }
    }
    set_current_engine(nullptr);
    EXPECT_NE(out.str().find("sync"), std::string::npos);
    Program replayed;
    replay(parse(out.str()), std::ref(replayed), 100);
    EXPECT_FALSE(replayed.early);
    EXPECT_TRUE(replayed.seen);
}

TEST(RecordAndReplay, ACutRecordingEndsAfterItsLastEvent) {
    MiniGame live;
    InputScript script = parse(record(live, 9));
    // Keep the events up to the second button event (the mouse release).
    while (!script.events.empty() &&
           !(script.events.back().kind == K::Button && script.events.back().b == 0)) {
        script.events.pop_back();
    }
    ASSERT_FALSE(script.events.empty());
    MiniGame cut;
    const ReplayResult r = replay(script, std::ref(cut));
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.frames, script.events.back().at.frame + 1);
}

// ---- hand-written scripts ----

// Presents frames forever, counting them.
struct Frames {
    uint64_t presented = 0;
    void operator()() {
        for (;;) {
            present_frame();
            ++presented;
        }
    }
};

TEST(HandWrittenScripts, EndLineOrLastEventEndsTheReplay) {
    Frames a;
    ReplayResult r = replay(parse("10 end\n"), std::ref(a));
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.frames, 10u);
    Frames b;
    r = replay(parse("7 key 30 down\n"), std::ref(b));
    EXPECT_EQ(r.frames, 8u);
    Frames c;
    r = replay(parse("4 close\n9 end\n"), std::ref(c));
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_LT(r.frames, 6u);  // closing the window ended the program first
}

TEST(HandWrittenScripts, AWaitingProgramGetsTheNextEventEarlierOrTheReplayEnds) {
    struct Waiter {
        uint64_t reads = 0, later_key_frame = 0;
        void operator()() {
            present_frame();
            while (key_down(45) == 0) ++reads;
            for (int i = 0; i < 20; ++i) {
                if (key_down(30) != 0 && later_key_frame == 0) later_key_frame = i + 1;
                present_frame();
            }
            while (key_down(46) == 0) {
            }
        }
    };
    // The key the program waits for in frame 3 comes at frame 50 in the script: it is
    // moved forward, and the events after it with it (the A key stays 5 frames later).
    Waiter w;
    const ReplayResult r =
        replay(parse("50 key 45 down\n55 key 30 down\n100 end\n"), std::ref(w), 1000);
    EXPECT_GE(w.reads, 990u);  // the window polls of the frame count too
    EXPECT_LE(w.reads, 1000u);
    EXPECT_EQ(w.later_key_frame, 6u);  // the key wait ran in frame 3, A comes at frame 8
    // Nothing but the end left for the last wait: the replay ends there with status 0.
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.frames, 23u);
}

TEST(HandWrittenScripts, TheSeedSetsTheRandomNumbers) {
    auto draws = [](const std::string& text) {
        std::vector<double> v;
        replay(parse(text), [&v] {
            for (int i = 0; i < 8; ++i) v.push_back(random_int(1000000));
        });
        return v;
    };
    EXPECT_EQ(draws("seed 1\n"), draws("seed 1\n"));
    EXPECT_NE(draws("seed 1\n"), draws("seed 2\n"));
}

// ---- the game itself ----

// Answers the intro with the mouse, starts a game, strikes around the board for ten
// seconds, goes back to the menu and leaves through Exit.
std::string game_script() {
    std::ostringstream s;
    s << "seed 20240601\n0 key 45 down\n10 key 45 up\n";
    s << "60 mouse 40 220\n61 button 1 down\n63 button 1 up\n";
    for (int f = 100; f < 690; f += 7) {
        s << f << " mouse " << 15 + (f * 37) % 290 << ' ' << 90 + (f * 13) % 80 << '\n';
        s << f << " button 1 down\n" << f + 2 << " button 1 up\n";
    }
    s << "700 mouse 40 197\n701 button 1 down\n703 button 1 up\n";
    s << "760 mouse 260 215\n761 button 1 down\n763 button 1 up\n";
    s << "5000 end\n";
    return s.str();
}

TEST(GameReplay, TheGamePlaysTheSameFramesAndSoundsTwiceAndEndsThroughExit) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR, ec)) {
        fs::copy(entry.path(), dir.path() / entry.path().filename(), ec);
    }
    const InputScript script = parse(game_script());
    setenv("SDL_AUDIODRIVER", "dummy", 1);  // sounds load and play, silently
    auto run = [&] {
        ReplayRunOptions o;
        o.platform.real_audio = true;
        o.replay.hash_every = 10;
        const fs::path old_cwd = fs::current_path();
        // The game's files: start-up has made the test's directory current.
        o.on_start = [&](platform::ReplayPlatform&) { fs::current_path(dir.path()); };
        const ReplayResult r = run_replay(script, o, [] {
            game::reset_game_state();  // the game's record is process-wide
            game::game_main();
        });
        fs::current_path(old_cwd);
        return r;
    };
    const ReplayResult a = run();
    const ReplayResult b = run();
    EXPECT_EQ(a.exit_status, 0);
    EXPECT_GT(a.frames, 760u);
    EXPECT_LT(a.frames, 1000u) << "Exit ended the game, not the end of the script";
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.frame_hashes, b.frame_hashes);
    EXPECT_EQ(a.sound_hash, b.sound_hash);
    EXPECT_NE(a.sound_hash, fnv1a(nullptr, 0)) << "the game played sounds";
}

TEST(Recording, StartingAFileRecording) {
    testing::TempDir dir;
    uint32_t seed = 0;
    std::string error;
    {
        auto rec = start_recording(platform::make_deterministic_platform({}), dir.file("r.txt"),
                                   seed, error);
        ASSERT_TRUE(rec) << error;
    }
    InputScript s;
    ASSERT_TRUE(platform::load_input_script(dir.file("r.txt"), s, error)) << error;
    EXPECT_EQ(s.seed, seed);
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].kind, K::End);
    EXPECT_FALSE(start_recording(platform::make_deterministic_platform({}),
                                 dir.file("no/such/dir/r.txt"), seed, error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace zorby
