// Music: starting, the keep-alive restart on the engine clock (also while paused and
// in waits), volume, stopping; against a scripted audio device, and the length of a
// real file through SDL_mixer.
#include "audio/music.h"

#include <gtest/gtest.h>

#include "engine/engine_string.h"
#include "engine/numbers.h"
#include "input/input_state.h"
#include "runtime/frame.h"
#include "runtime/wait_commands.h"
#include "support/engine_fixture.h"
#include "wav_bytes.h"

namespace zorby {
namespace {

using Kind = platform::ScriptEvent::Kind;

// An audio device that plays nothing and remembers what it was asked.
class FakeAudio : public platform::AudioDevice {
public:
    double length = 1000;
    bool can_play = true;
    int plays = 0, restarts = 0, repeats = 0, stops = 0;
    double volume = -1;
    std::string path;

    bool available() const override { return true; }
    int allocate_channels(int count) override { return count; }
    int load_chunk(const uint8_t*, size_t, int, int, int) override { return 1; }
    void free_chunk(int) override {}
    bool play_chunk(int, int, double, double) override { return true; }
    bool channel_playing(int) override { return false; }
    void halt_channel(int) override {}
    void halt_all() override {}
    bool play_music(const std::string& p) override {
        ++plays;
        path = p;
        return can_play;
    }
    bool restart_music(bool repeat) override {
        ++(repeat ? repeats : restarts);
        return true;
    }
    double music_length_ms() override { return length; }
    void set_music_volume(double v) override { volume = v; }
    void stop_music() override { ++stops; }
    bool music_playing() override { return plays > 0; }
};

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<FakeAudio>();
        audio = fake.get();
        te.platform().set_audio(std::move(fake));
        ASSERT_TRUE(te.start());
        piece = dir.file("music.mp3");
        testing::write_bytes(piece, {1, 2, 3});
    }
    void frames_for(double ms) {
        const double until = timer_ms() + ms;
        while (timer_ms() < until) present_frame();
    }
    testing::TestEngine te;
    testing::TempDir dir;
    FakeAudio* audio = nullptr;
    std::string piece;
};

TEST_F(MusicTest, RestartsAfterItsLengthOnTheEngineClock) {
    play_music(EngineString(piece));
    EXPECT_EQ(audio->plays, 1);
    EXPECT_EQ(audio->path, piece);
    const double start = timer_ms();
    EXPECT_DOUBLE_EQ(te.engine().music->restart_time(), start + 1000);
    frames_for(980);
    EXPECT_EQ(audio->restarts, 0);
    frames_for(40);
    EXPECT_EQ(audio->restarts, 1);
    frames_for(1000);
    EXPECT_EQ(audio->restarts, 2);
}

TEST_F(MusicTest, KeepsRestartingWhileThePauseHoldsTheGame) {
    play_music(EngineString(piece));
    te.platform().apply({Kind::FocusLost});
    present_frame();  // the event is handled: the next frame waits
    ASSERT_TRUE(te.engine().paused);
    const double base = te.platform().slept_ms();
    te.platform().sleep_hook = [this, base](double) {
        if (te.platform().slept_ms() - base >= 3500) {
            te.platform().apply({Kind::FocusGained});
        }
    };
    present_frame();
    EXPECT_FALSE(te.engine().paused);
    EXPECT_EQ(audio->restarts, 3);
}

TEST_F(MusicTest, TheWaitsKeepTheMusicAlive) {
    play_music(EngineString(piece));
    const double base = te.platform().slept_ms();
    te.platform().sleep_hook = [this, base](double) {
        if (te.platform().slept_ms() - base >= 2500) te.platform().set_key(57, true);
    };
    wait_for_key();
    EXPECT_EQ(audio->restarts, 2);
}

TEST_F(MusicTest, ShortOrUnknownLengths) {
    audio->length = 100;
    play_music(EngineString(piece));
    frames_for(480);
    EXPECT_EQ(audio->restarts, 0);
    frames_for(40);
    EXPECT_EQ(audio->restarts, 1);  // at least 500 ms between restarts
    audio->length = -1;             // the decoder knows no length
    play_music(EngineString(piece));
    EXPECT_TRUE(te.engine().music->repeats_in_mixer());
    EXPECT_EQ(audio->repeats, 1);
    EXPECT_EQ(te.engine().music->restart_time(), 0.0);
    const int restarts = audio->restarts;
    frames_for(3000);
    EXPECT_EQ(audio->restarts, restarts);
}

TEST_F(MusicTest, VolumeIsClampedAndEveryNewPieceStartsAtFullVolume) {
    music_volume(0.5);  // no music yet: nothing happens
    EXPECT_EQ(audio->volume, -1);
    play_music(EngineString(piece));
    EXPECT_EQ(audio->volume, 1.0);
    music_volume(0.4);
    EXPECT_DOUBLE_EQ(audio->volume, 0.4);
    music_volume(0.12345);
    EXPECT_DOUBLE_EQ(audio->volume, 0.123);
    music_volume(2);
    EXPECT_EQ(audio->volume, 1.0);
    music_volume(-1);
    EXPECT_EQ(audio->volume, 0.0);
    play_music(EngineString(piece));  // the same piece again starts over
    EXPECT_EQ(audio->plays, 2);
    EXPECT_GE(audio->stops, 1);
    EXPECT_EQ(audio->volume, 1.0);
}

TEST_F(MusicTest, StartingMusicEndsThePauseAndKeepsAHiddenPointerWhereItIs) {
    te.engine().paused = true;
    te.engine().input->mouse_x = 123;
    te.engine().input->mouse_y = 45;
    play_music(EngineString(piece));
    EXPECT_FALSE(te.engine().paused);
    EXPECT_FALSE(te.platform().pointer_visible());
    EXPECT_FALSE(te.engine().input->pointer_visible);
    const platform::MouseSample s = te.platform().sample_mouse();
    EXPECT_EQ(s.x, 123);
    EXPECT_EQ(s.y, 45);
}

TEST_F(MusicTest, MissingOrUnplayableFilesPlayNothingAndSayNothing) {
    play_music(EngineString(dir.file("none.mp3")));
    EXPECT_EQ(audio->plays, 0);
    EXPECT_FALSE(te.engine().music->open());
    audio->can_play = false;
    play_music(EngineString(piece));
    EXPECT_EQ(audio->plays, 1);
    EXPECT_FALSE(te.engine().music->open());
    EXPECT_EQ(te.engine().music->restart_time(), 0.0);
    frames_for(2000);
    EXPECT_EQ(audio->restarts, 0);
    EXPECT_EQ(te.engine().error.error_number, 0.0);
}

TEST_F(MusicTest, StoppingEndsTheRepetitionAndCleanUpStopsTheMusic) {
    stop_music();  // nothing playing: harmless
    play_music(EngineString(piece));
    stop_music();
    EXPECT_EQ(te.engine().music->restart_time(), 0.0);
    frames_for(2000);
    EXPECT_EQ(audio->restarts, 0);
    play_music(EngineString(piece));
    const int stops = audio->stops;
    engine_cleanup();
    EXPECT_EQ(audio->stops, stops + 1);
}

TEST(MixerMusic, TheLengthComesFromTheDecoder) {
    testing::TempDir dir;
    const std::string piece = dir.file("piece.wav");
    testing::write_bytes(piece, testing::wav_bytes({}, testing::tone16(22050, 0.75, 3000)));
    testing::ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    platform::DeterministicOptions o;
    o.real_audio = true;
    testing::TestEngine te(o);
    ASSERT_TRUE(te.start());
    if (!te.platform().audio().available()) GTEST_SKIP() << "no audio driver";
    play_music(EngineString(piece));
    ASSERT_TRUE(te.engine().music->open());
    EXPECT_NEAR(te.engine().music->restart_time() - timer_ms(), 750.0, 1.0);
    EXPECT_TRUE(te.platform().audio().music_playing());
    stop_music();
    EXPECT_FALSE(te.platform().audio().music_playing());
    // The game's own piece decodes too.
    play_music(EngineString(std::string(ZORBY_ASSET_DIR) + "/music.mp3"));
    ASSERT_TRUE(te.engine().music->open());
    EXPECT_GT(te.engine().music->restart_time() - timer_ms(), 1000.0);
}

}  // namespace
}  // namespace zorby
