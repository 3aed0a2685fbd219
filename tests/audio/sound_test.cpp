// Sound slots on the SDL_mixer device (silent dummy driver, virtual clock), on no
// device at all, and the mix itself captured by the disk driver.
#include "audio/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "audio/music.h"
#include "engine/engine_string.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"
#include "wav_bytes.h"

namespace zorby {
namespace {

using testing::TempDir;

platform::DeterministicOptions with_mixer() {
    platform::DeterministicOptions o;
    o.real_audio = true;
    return o;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(te.start());
        ASSERT_TRUE(te.engine().sound->available()) << "the dummy audio driver did not open";
        one_second = dir.file("one_second.wav");
        testing::write_bytes(one_second, testing::wav_bytes({}, testing::tone16(22050, 1.0, 8000)));
    }
    void advance(double ms) { te.platform().advance_ms(ms); }
    testing::ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};  // a silent device that opens
    testing::TestEngine te{with_mixer()};
    TempDir dir;
    std::string one_second;
};

TEST_F(SoundTest, ASingleCopyIsNotInterruptedWhilePlaying) {
    ASSERT_EQ(load_sound(EngineString(one_second), 5, 1), 1);
    EXPECT_EQ(play_sound(5, 0, 1), 5 * 256.0);
    EXPECT_EQ(sound_playing(5 * 256), 1.0);
    advance(500);
    EXPECT_EQ(play_sound(5, 1, 1), -1.0);
    EXPECT_EQ(sound_playing(5 * 256), 1.0);
    advance(501);  // the sound is one second long
    EXPECT_EQ(sound_playing(5 * 256), 0.0);
    EXPECT_EQ(play_sound(5, 0, 1), 5 * 256.0);  // played at long intervals it keeps copy 0
}

TEST_F(SoundTest, TheFifthQuickPlayOfFourCopiesRestartsTheOldest) {
    ASSERT_EQ(load_sound(EngineString(one_second), 9, 4), 1);
    for (int copy = 0; copy < 4; ++copy) {
        EXPECT_EQ(play_sound(9, 0, 1), 9 * 256.0 + copy);
        advance(100);
    }
    EXPECT_EQ(play_sound(9, 0, 1), 9 * 256.0);   // all four busy: copy 0 starts again
    advance(650);                                // 1050 ms after the first play
    EXPECT_EQ(sound_playing(9 * 256 + 0), 1.0);  // restarted 650 ms ago
    EXPECT_EQ(sound_playing(9 * 256 + 1), 1.0);
    advance(100);
    EXPECT_EQ(sound_playing(9 * 256 + 1), 0.0);
    EXPECT_EQ(sound_playing(9 * 256 + 0), 1.0);
    EXPECT_EQ(sound_playing(9 * 256 + 4), 0.0);  // no such copy
    // Copy 0 busy, copy 1 free: the next play takes copy 1.
    EXPECT_EQ(play_sound(9, 0, 1), 9 * 256.0 + 1);
    stop_all_sounds();
    for (int copy = 0; copy < 4; ++copy) EXPECT_EQ(sound_playing(9 * 256 + copy), 0.0);
}

TEST_F(SoundTest, SlotNumbersAboveTheTableActAsTheLastAndNegativeOnesAsNone) {
    EXPECT_EQ(load_sound(EngineString(one_second), 200, 1), 1);
    EXPECT_EQ(te.engine().sound->copies(127), 1);
    EXPECT_EQ(play_sound(127, 0, 1), 127 * 256.0);
    EXPECT_EQ(play_sound(1000, 0, 1), -1.0);  // slot 127 again, still playing
    EXPECT_EQ(load_sound(EngineString(one_second), -1, 1), 0);
    EXPECT_EQ(play_sound(-1, 0, 1), -1.0);
    EXPECT_EQ(play_sound(NAN, 0, 1), -1.0);
    EXPECT_EQ(load_sound(EngineString(one_second), -0.5, 9), 1);  // truncates to slot 0
    EXPECT_EQ(te.engine().sound->copies(0), 4);                   // copies clamp to 4
    EXPECT_EQ(sound_playing(-1), 0.0);
    EXPECT_EQ(sound_playing(128 * 256), 0.0);
    EXPECT_EQ(play_sound(3, 0, 1), -1.0);  // empty slot
}

TEST_F(SoundTest, LoadingOverAPlayingSoundStopsItAndBadFilesLeaveTheSlotEmpty) {
    ASSERT_EQ(load_sound(EngineString(one_second), 2, 1), 1);
    ASSERT_EQ(play_sound(2, 0, 1), 512.0);
    ASSERT_EQ(load_sound(EngineString(one_second), 2, 1), 1);
    EXPECT_EQ(sound_playing(512), 0.0);
    EXPECT_EQ(play_sound(2, 0, 1), 512.0);
    testing::write_bytes(dir.file("bad.wav"), {'R', 'I', 'F', 'F'});
    EXPECT_EQ(load_sound(EngineString(dir.file("bad.wav")), 2, 1), 0);
    EXPECT_EQ(te.engine().sound->copies(2), 0);
    EXPECT_EQ(play_sound(2, 0, 1), -1.0);
    EXPECT_EQ(load_sound(EngineString(dir.file("missing.wav")), 3, 1), 0);
}

TEST(NoAudioDevice, EveryLoadGivesZeroAndEveryPlayMinusOne) {
    testing::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    TempDir dir;
    testing::write_bytes(dir.file("s.wav"),
                         testing::wav_bytes({}, testing::tone16(22050, 0.1, 100)));
    testing::write_bytes(dir.file("m.wav"),
                         testing::wav_bytes({}, testing::tone16(22050, 0.1, 100)));
    testing::TestEngine te(with_mixer());
    ASSERT_TRUE(te.start());
    EXPECT_FALSE(te.engine().sound->available());
    EXPECT_EQ(load_sound(EngineString(dir.file("s.wav")), 1, 1), 0);
    EXPECT_EQ(play_sound(1, 0, 1), -1.0);
    EXPECT_EQ(sound_playing(256), 0.0);
    stop_all_sounds();
    play_music(EngineString(dir.file("m.wav")));
    music_volume(0.5);
    EXPECT_FALSE(te.engine().music->open());
    for (int i = 0; i < 3; ++i) present_frame();
    stop_music();
}

// The mix as written by SDL's disk driver: 16-bit stereo frames.
struct Capture {
    std::vector<int16_t> left, right;
};

Capture read_capture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Capture c;
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
        int16_t l, r;
        std::memcpy(&l, bytes.data() + i, 2);
        std::memcpy(&r, bytes.data() + i + 2, 2);
        c.left.push_back(l);
        c.right.push_back(r);
    }
    return c;
}

double rms(const std::vector<int16_t>& v, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(v[i]) * v[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

TEST(MixCapture, PanOneIsTheRightChannelOnlyAndHalfVolumeIsFiftyDecibelsDown) {
    TempDir dir;
    const std::string out = dir.file("mix.raw");
    Capture mix;
    {
        testing::ScopedEnv driver("SDL_AUDIODRIVER", "disk");
        testing::ScopedEnv file("SDL_DISKAUDIOFILE", out);
        testing::write_bytes(dir.file("tone.wav"),
                             testing::wav_bytes({}, testing::tone16(22050, 0.3, 16000)));
        testing::TestEngine te(with_mixer());
        ASSERT_TRUE(te.start());
        if (!te.engine().sound->available()) GTEST_SKIP() << "no disk audio driver";
        ASSERT_EQ(load_sound(EngineString(dir.file("tone.wav")), 1, 2), 1);
        EXPECT_EQ(play_sound(1, 1, 1), 256.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        te.platform().advance_ms(1000);
        EXPECT_EQ(play_sound(1, 0, 0.5), 256.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }  // closing the device finishes the file
    mix = read_capture(out);
    ASSERT_GT(mix.left.size(), 44100u / 2);
    // 10 ms windows: the loud part is the first sound, the quiet part the second.
    constexpr size_t kWindow = 441;
    double loud_left = 0, loud_right = 0, quiet_left = 0, quiet_right = 0;
    size_t loud = 0, quiet = 0;
    for (size_t w = 0; w + kWindow <= mix.left.size(); w += kWindow) {
        const double l = rms(mix.left, w, w + kWindow), r = rms(mix.right, w, w + kWindow);
        if (r > 5000) {
            loud_left += l;
            loud_right += r;
            ++loud;
        } else if (l > 20 && r > 20 && l < 100) {
            quiet_left += l;
            quiet_right += r;
            ++quiet;
        }
    }
    ASSERT_GE(loud, 20u);
    ASSERT_GE(quiet, 20u);
    EXPECT_EQ(loud_left, 0.0) << "pan 1 leaves the left channel silent";
    const double full = loud_right / loud;
    EXPECT_NEAR(full, 16000 / std::sqrt(2.0), 600);
    EXPECT_NEAR(20 * std::log10(quiet_left / quiet / full), -50.0, 1.0);
    EXPECT_NEAR(20 * std::log10(quiet_right / quiet / full), -50.0, 1.0);
}

}  // namespace
}  // namespace zorby
