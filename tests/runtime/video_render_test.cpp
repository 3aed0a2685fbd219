// Video playback end to end: clips made here with the media libraries' encoders,
// played by play_video on the virtual clock (and once on the real clock with the
// disk audio driver), checked on read-back pixels, the clock and the captured sound.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/error_log.h"
#include "graphics/display.h"
#include "input/input_state.h"
#include "platform/sdl/null_audio.h"
#include "runtime/engine.h"
#include "runtime/video_playback.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"
#include "support/video_clip.h"

namespace zorby {
namespace {

using Kind = platform::ScriptEvent::Kind;
using testing::Rgba;

bool near_colour(const Rgba& p, uint32_t colour, int tolerance = 40) {
    return std::abs(p.r - static_cast<int>(colour & 0xFF)) <= tolerance &&
           std::abs(p.g - static_cast<int>((colour >> 8) & 0xFF)) <= tolerance &&
           std::abs(p.b - static_cast<int>((colour >> 16) & 0xFF)) <= tolerance;
}
bool is_black(const Rgba& p) {
    return p.r < 8 && p.g < 8 && p.b < 8;
}

int error_log_lines() {
    std::ifstream in(error_log_path(), std::ios::binary);
    int n = 0;
    std::string line;
    while (std::getline(in, line)) ++n;
    return n;
}

class VideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZORBY_SKIP_WITHOUT_CLIP_WRITER(test::ClipRecipe{});
        ASSERT_TRUE(te.start());
    }
    platform::DeterministicPlatform& p() { return te.platform(); }
    std::string clip(const std::string& name, const test::ClipRecipe& recipe) {
        const std::string path = dir.file(name);
        std::string error;
        EXPECT_TRUE(test::write_clip(path, recipe, error)) << error;
        return path;
    }
    // One sample per presented frame: the clock at the swap and a read-back pixel.
    struct Shot {
        double t;
        Rgba centre;
    };
    void record() {
        shots.clear();
        te.engine().before_swap_hook = [this] {
            shots.push_back({p().now_ms(), testing::read_pixel(160, 120)});
        };
    }
    testing::TestEngine te;
    testing::TempDir dir;
    std::vector<Shot> shots;
};

TEST_F(VideoTest, PicturesAppearAtTheirTimesNeverEarlyAndPlaybackEndsWithTheClip) {
    // MPEG-1 and PCM in Matroska, 25 fps, 3 s, a colour per second; once with its time
    // line at 0 and once starting at 2 s, as a piece cut from a longer recording, which
    // must play the same.
    for (const int start_ms : {0, 2000}) {
        SCOPED_TRACE("clip starting at " + std::to_string(start_ms) + " ms");
        test::ClipRecipe recipe;
        recipe.start_ms = start_ms;
        const std::string path = clip("colours" + std::to_string(start_ms) + ".mkv", recipe);
        record();
        const double start = p().now_ms();
        EXPECT_EQ(play_video(EngineString(path), 0), 1.0);
        const double took = p().now_ms() - start;
        EXPECT_GE(took, 3000.0);
        EXPECT_LT(took, 3100.0);
        ASSERT_GE(shots.size(), 70u);  // a frame per picture (25 a second)
        // The first picture is on the screen the moment playback starts.
        EXPECT_EQ(shots.front().t, start);
        EXPECT_TRUE(near_colour(shots.front().centre, test::clip_colour_of_second(0)));
        for (const Shot& s : shots) {
            const double t = s.t - start;
            const int second = static_cast<int>(t / 1000.0);
            const double into = t - second * 1000.0;
            // Colour k never shows before second k; within each second, once the
            // first picture of the second is due, it is the one shown.
            for (int k = second + 1; k < 3; ++k) {
                EXPECT_FALSE(near_colour(s.centre, test::clip_colour_of_second(k), 60))
                    << "colour of second " << k << " at " << t << " ms";
            }
            if (into > 17.0 && second < 3) {
                EXPECT_TRUE(near_colour(s.centre, test::clip_colour_of_second(second)))
                    << "at " << t << " ms: " << int(s.centre.r) << "," << int(s.centre.g) << ","
                    << int(s.centre.b);
            }
        }
    }
}

TEST_F(VideoTest, WideClipsAreLetterboxedAndTallOnesPillarboxed) {
    test::ClipRecipe wide;
    wide.container = "matroska";
    wide.video_codec = "mjpeg";
    wide.sound = false;
    wide.width = 128;
    wide.height = 32;
    wide.seconds = 0.5;
    // Green above, red below: the picture must also be the right way up.
    wide.colour = [](int, double) { return 0x00FF00u; };
    wide.lower_colour = [](int, double) { return 0x0000FFu; };
    test::ClipRecipe tall = wide;
    tall.width = 32;
    tall.height = 128;
    enum What { bar, upper, lower };
    struct Probe {
        int x, y;
        What what;
    };
    // 4:1 in 320 x 240: 320 x 80 at y 80; 1:4: 60 x 240 at x 130.
    const std::vector<Probe> wide_probes = {{160, 40, bar},  {160, 78, bar},    {160, 82, upper},
                                            {2, 100, upper}, {317, 140, lower}, {160, 157, lower},
                                            {160, 162, bar}, {160, 230, bar}};
    const std::vector<Probe> tall_probes = {{60, 120, bar},  {127, 120, bar},   {133, 100, upper},
                                            {160, 2, upper}, {160, 237, lower}, {186, 140, lower},
                                            {192, 120, bar}, {300, 120, bar}};
    for (const auto& [file, recipe, probes] :
         {std::tuple{"wide.mkv", wide, wide_probes}, std::tuple{"tall.mkv", tall, tall_probes}}) {
        const std::string path = clip(file, recipe);
        std::vector<std::vector<Rgba>> frames;
        // (clang 14 cannot capture a structured binding.)
        const std::vector<Probe>& where = probes;
        // What the window shows (the frame as the window presents it).
        te.engine().before_swap_hook = [&] {
            std::vector<uint8_t> rgba;
            int w = 0, h = 0;
            ASSERT_TRUE(p().read_window(rgba, w, h));
            ASSERT_EQ(w, 320);
            std::vector<Rgba> f;
            for (const Probe& pr : where) {
                const uint8_t* px = rgba.data() + (static_cast<size_t>(pr.y) * w + pr.x) * 4;
                f.push_back({px[0], px[1], px[2], px[3]});
            }
            frames.push_back(f);
        };
        EXPECT_EQ(play_video(EngineString(path), 0), 1.0);
        ASSERT_GE(frames.size(), 12u);  // 0.5 s at 25 pictures a second
        const std::vector<Rgba>& mid = frames[frames.size() / 2];
        for (size_t i = 0; i < probes.size(); ++i) {
            if (probes[i].what != bar) {
                EXPECT_TRUE(near_colour(mid[i], probes[i].what == upper ? 0x00FF00 : 0x0000FF))
                    << file << " at " << probes[i].x << "," << probes[i].y;
            } else {
                EXPECT_TRUE(is_black(mid[i]))
                    << file << " at " << probes[i].x << "," << probes[i].y;
            }
        }
    }
}

TEST_F(VideoTest, AKeyOrAClickEndsPlaybackAndTheCallerDoesNotSeeThePress) {
    test::ClipRecipe recipe;
    recipe.seconds = 4.0;
    const std::string path = clip("long.mkv", recipe);
    // A key (44) held, the first mouse button held, and a key tapped (down and up
    // between two reads).
    struct Press {
        Kind kind;
        int code;
        bool tap;
    };
    for (const Press& press :
         {Press{Kind::Key, 44, false}, Press{Kind::Button, 1, false}, Press{Kind::Key, 44, true}}) {
        const uint64_t f0 = p().frames_presented();
        if (press.tap) {
            p().schedule(f0 + 25, {press.kind, press.code, 2});
        } else {
            p().schedule(f0 + 25, {press.kind, press.code, 1});
            p().schedule(f0 + 40, {press.kind, press.code, 0});
        }
        const double start = p().now_ms();
        VideoPlaybackStats stats;
        EXPECT_EQ(play_video(EngineString(path), 0, &stats), 1.0);
        // Ended at the press (the 25th picture, about 1 s in), returned once it was
        // let go (frames are presented while waiting for that; none after a tap).
        EXPECT_EQ(stats.pictures_shown, 25);
        const uint64_t released = press.tap ? f0 + 25 : f0 + 40;
        EXPECT_GE(p().frames_presented(), released);
        EXPECT_LT(p().frames_presented(), released + 5);
        EXPECT_LT(p().now_ms() - start, 1400.0);
        EXPECT_EQ(key_down(44), 0.0);
        double x, y, left, right;
        mouse_state(x, y, left, right);
        EXPECT_EQ(left, 0.0);
        EXPECT_EQ(typed_char(*te.engine().input), 0);
    }
}

TEST_F(VideoTest, RepeatStartsOverAtTheEnd) {
    test::ClipRecipe recipe;
    recipe.seconds = 2.0;
    const std::string path = clip("two.mkv", recipe);
    record();
    p().schedule(p().frames_presented() + 85, {Kind::Key, 57, 1});  // at 3.4 s
    p().schedule(p().frames_presented() + 87, {Kind::Key, 57, 0});
    const double start = p().now_ms();
    EXPECT_EQ(play_video(EngineString(path), 1), 1.0);
    EXPECT_GT(p().now_ms() - start, 3300.0);
    int second_pass_first = 0, second_pass_second = 0;
    for (const Shot& s : shots) {
        const double t = s.t - start;
        if (t > 2060 && t < 2940) second_pass_first += near_colour(s.centre, 0x0000FF);
        if (t > 3060 && t < 3300) second_pass_second += near_colour(s.centre, 0x00FF00);
    }
    EXPECT_GT(second_pass_first, 18);
    EXPECT_GT(second_pass_second, 4);
}

TEST_F(VideoTest, BadFilesReturnAtOnceWithOneLogLineAndPartialFilesPlayTheirPart) {
    test::ClipRecipe recipe;
    recipe.seconds = 2.0;
    recipe.container = "avi";
    const std::string good = clip("good.avi", recipe);
    // Cut off half-way.
    std::vector<uint8_t> bytes = testing::read_bytes(good);
    ASSERT_GT(bytes.size(), 1000u);
    const std::string cut = dir.file("cut.avi");
    bytes.resize(bytes.size() / 2);
    testing::write_bytes(cut, bytes);
    const std::string text = dir.file("notes.txt");
    std::ofstream(text) << "these are not the pictures you are looking for\n";
    test::ClipRecipe sound_only = recipe;
    sound_only.picture = false;
    sound_only.container = "matroska";
    const std::string tone = clip("tone.mka", sound_only);
    test::ClipRecipe mute = recipe;
    mute.container = "matroska";
    mute.sound = false;
    mute.seconds = 1.0;
    const std::string silent = clip("silent.mkv", mute);

    record();
    for (const std::string& bad : {dir.file("missing.avi"), text, tone}) {
        const int lines = error_log_lines();
        const uint64_t frames = p().frames_presented();
        EXPECT_EQ(play_video(EngineString(bad), 1), 0.0) << bad;
        EXPECT_EQ(p().frames_presented(), frames) << bad;
        EXPECT_EQ(error_log_lines(), lines + 1) << bad;
    }
    double start = p().now_ms();
    EXPECT_EQ(play_video(EngineString(cut), 0), 1.0);
    EXPECT_GT(p().now_ms() - start, 400.0);
    EXPECT_LT(p().now_ms() - start, 1500.0);
    start = p().now_ms();
    shots.clear();
    EXPECT_EQ(play_video(EngineString(silent), 0), 1.0);
    EXPECT_GE(p().now_ms() - start, 1000.0);
    ASSERT_FALSE(shots.empty());
    EXPECT_TRUE(near_colour(shots[shots.size() / 2].centre, test::clip_colour_of_second(0)));
}

TEST_F(VideoTest, ClosingTheWindowOrEscapeEndsTheProgram) {
    test::ClipRecipe recipe;
    const std::string path = clip("c.mkv", recipe);
    p().schedule(p().frames_presented() + 20, {Kind::Close});
    EXPECT_EQ(te.run_until_end([&] { play_video(EngineString(path), 1); }), 0);
}

// Positions (in frames of the captured sound) where a tone starts or stops: the first
// 2 ms block of a run of at least 100 ms in the new state (a dropout of a loaded
// machine's audio thread is not an edge).
std::vector<int64_t> tone_edges(const std::vector<int16_t>& stereo, int rate) {
    const int block = rate / 500;
    const int64_t frames = static_cast<int64_t>(stereo.size() / 2);
    std::vector<bool> on;
    for (int64_t b = 0; b + block <= frames; b += block) {
        double energy = 0;
        for (int64_t i = b; i < b + block; ++i) energy += std::abs(stereo[2 * i]);
        on.push_back(energy / block > 3000.0);
    }
    std::vector<int64_t> edges;
    bool state = false;
    for (size_t i = 0; i < on.size(); ++i) {
        if (on[i] == state) continue;
        size_t run = i;
        while (run < on.size() && on[run] != state && run - i < 50) ++run;
        if (run - i < 50) continue;
        edges.push_back(static_cast<int64_t>(i) * block);
        state = !state;
    }
    return edges;
}

// A sound device modelled on the virtual clock: it takes the stream a block at a
// time, as the mixer's thread does, at a speed of its own (a device's clock is never
// exactly the machine's) and with a stall of its thread at a given moment; every
// frame it plays is kept with the time it plays at.
class BlockDevice : public platform::NullAudio {
public:
    static constexpr int kRate = 44100, kChannels = 2, kBlock = 1024;
    BlockDevice(platform::DeterministicPlatform& clock, double speed, double stall_at_ms,
                double stall_ms)
        : clock_(clock), speed_(speed), stall_at_(stall_at_ms), stall_(stall_ms) {}
    bool available() const override { return true; }

    bool open_stream(int& rate, int& channels) override {
        rate = kRate;
        channels = kChannels;
        queue_.clear();
        position_ = silence_ = drop_ = 0;
        blocks_ = 0;
        opened_at_ = clock_.now_ms();
        open_ = true;
        return true;
    }
    void push_stream(const int16_t* samples, size_t frames) override {
        catch_up();
        const size_t dropped = std::min(frames, static_cast<size_t>(drop_));
        drop_ -= static_cast<int64_t>(dropped);
        queue_.insert(queue_.end(), samples + dropped * kChannels, samples + frames * kChannels);
    }
    int64_t stream_position() override {
        catch_up();
        return position_ - silence_;
    }
    int stream_block_frames() override { return kBlock; }
    void skip_stream(int64_t frames) override {
        catch_up();
        if (frames < 0) {
            silence_ += -frames;
            return;
        }
        const int64_t from_silence = std::min(frames, silence_);
        silence_ -= from_silence;
        frames -= from_silence;
        position_ += frames;
        const int64_t from_queue = std::min<int64_t>(frames, queue_.size() / kChannels);
        queue_.erase(queue_.begin(), queue_.begin() + from_queue * kChannels);
        drop_ += frames - from_queue;
    }
    void close_stream() override {
        catch_up();
        open_ = false;
    }

    std::vector<int16_t> played;    // interleaved, as heard
    std::vector<double> played_at;  // per frame, the clock's time

private:
    double block_time(int64_t k) const {
        const double t = opened_at_ + static_cast<double>(k) * kBlock * 1000.0 / kRate / speed_;
        return t - opened_at_ >= stall_at_ ? t + stall_ : t;
    }
    // Takes every block due by now, each from the stream as it stood then.
    void catch_up() {
        if (!open_) return;
        for (double t = block_time(blocks_); t <= clock_.now_ms(); t = block_time(++blocks_)) {
            for (int i = 0; i < kBlock; ++i) {
                int16_t frame[kChannels] = {0, 0};
                if (silence_ > 0) {
                    --silence_;
                } else if (queue_.size() >= kChannels) {
                    for (int c = 0; c < kChannels; ++c) {
                        frame[c] = queue_.front();
                        queue_.pop_front();
                    }
                    ++position_;
                }
                played.insert(played.end(), frame, frame + kChannels);
                played_at.push_back(t + i * 1000.0 / kRate / speed_);
            }
        }
    }
    platform::DeterministicPlatform& clock_;
    double speed_, stall_at_, stall_;
    std::deque<int16_t> queue_;
    int64_t position_ = 0, silence_ = 0, drop_ = 0, blocks_ = 0;
    double opened_at_ = 0;
    bool open_ = false;
};

// The sound track's tone starts and stops when the picture changes colour, on a
// device whose clock runs slow or fast and whose thread stalls for a moment: the
// playback keeps moving the stream back into step. On the virtual clock, so what is
// measured is the playback's own keeping in step, whatever the machine is doing.
TEST_F(VideoTest, TheSoundTrackStaysInStepWithThePicture) {
    test::ClipRecipe recipe;
    recipe.seconds = 3.5;
    const std::string path = clip("sync.mkv", recipe);
    struct Device {
        double speed, stall_at_ms, stall_ms;
    };
    for (const Device& d : {Device{1.0, 1e9, 0}, Device{0.985, 1e9, 0}, Device{1.015, 1e9, 0},
                            Device{1.0, 1500, 120}}) {
        SCOPED_TRACE(::testing::Message() << "speed " << d.speed << ", stall " << d.stall_ms);
        auto owned = std::make_unique<BlockDevice>(p(), d.speed, d.stall_at_ms, d.stall_ms);
        BlockDevice& device = *owned;
        p().set_audio(std::move(owned));
        record();
        EXPECT_EQ(play_video(EngineString(path), 0), 1.0);
        te.engine().before_swap_hook = nullptr;
        // When the picture changed: the first frame showing each second's colour.
        std::vector<double> picture_changes;
        for (int k = 1; k <= 3; ++k) {
            for (const Shot& s : shots) {
                if (near_colour(s.centre, test::clip_colour_of_second(k))) {
                    picture_changes.push_back(s.t);
                    break;
                }
            }
        }
        ASSERT_EQ(picture_changes.size(), 3u);
        const std::vector<int64_t> edges = tone_edges(device.played, BlockDevice::kRate);
        ASSERT_GE(edges.size(), 3u);
        // A block plays as a whole once taken, and the stream is moved only when it is
        // more than 8 ms out: together the most an edge may be off, with the edge
        // finder's own 2 ms.
        const double tolerance = BlockDevice::kBlock * 1000.0 / BlockDevice::kRate + 8.0 + 2.0;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(device.played_at[size_t(edges[k])], picture_changes[k], tolerance)
                << "edge " << k;
        }
    }
}

// The real device (the disk audio driver) carries the sound track: the captured
// sound holds the tone's edges. When they play is measured above, on the virtual
// clock; here the machine's load decides it.
TEST(VideoSound, TheSoundTrackReachesTheRealDevice) {
    testing::TempDir dir;
    const std::string wav = dir.file("out.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", wav.c_str(), 1);
    test::ClipRecipe recipe;
    recipe.seconds = 2.5;
    ZORBY_SKIP_WITHOUT_CLIP_WRITER(recipe);
    std::string error;
    const std::string path = dir.file("sync.mkv");
    ASSERT_TRUE(test::write_clip(path, recipe, error)) << error;
    {
        Engine e;
        set_current_engine(&e);
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        ASSERT_TRUE(engine_start(platform::make_sdl_platform(), 0, "sync"));
        ASSERT_TRUE(e.platform->audio().available());
        // Nobody gives the window its focus back here: a lost focus must not pause
        // the playback (under Wine on the virtual X server the window loses it soon
        // after it opens, and the paused engine would wait for it for ever).
        set_auto_pause(0);
        EXPECT_EQ(play_video(EngineString(path), 0), 1.0);
        engine_cleanup();
        set_current_engine(nullptr);
    }
    unsetenv("SDL_DISKAUDIOFILE");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::vector<uint8_t> raw = testing::read_bytes(wav);
    std::vector<int16_t> captured(raw.size() / 2);
    std::memcpy(captured.data(), raw.data(), captured.size() * 2);
    // On at one second, off at two (the stream may have been moved back into step
    // in between, so only roughly a second apart).
    const std::vector<int64_t> edges = tone_edges(captured, 44100);
    ASSERT_GE(edges.size(), 2u);
    EXPECT_GT(double(edges[1] - edges[0]) / 44100, 0.5);
}

}  // namespace
}  // namespace zorby
