// Checks on the committed sounds and music: every effect loads through the engine's
// WAV reader in the plain layout (16-byte fmt chunk, data right after it), is 16-bit
// 44100 Hz, short, unclipped, click-free at both ends and about as loud as the
// others; the music is a clean MPEG-1 Layer III stream of 30 to 90 seconds that the
// audio device decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "asset_support.h"
#include "audio/sound.h"
#include "platform/replay/deterministic.h"

namespace zorby::testing {
namespace {

const char* const kEffects[] = {
    "keyclick.wav", "boing.wav",  "chime.wav",  "zorby.wav",   "buzz.wav",  "zorby2.wav",
    "zorby3.wav",   "buzz2.wav",  "halle.wav",  "applaus.wav", "clock.wav", "fanfare.wav",
    "cheer.wav",    "zorby4.wav", "zorby5.wav", "zorby6.wav",  "beep.wav",  "bloop.wav"};

std::vector<double> samples_of(const WavSound& wav) {
    std::vector<double> out;
    for (size_t i = 0; i + 1 < wav.data.size(); i += 2)
        out.push_back(int16_t(wav.data[i] | wav.data[i + 1] << 8) / 32768.0);
    return out;
}

// RMS of the loudest 50 ms, the loudness measure the effects are matched on.
double loudness(const std::vector<double>& s) {
    const size_t win = 2205;
    double sum = 0, best = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        sum += s[i] * s[i];
        if (i >= win) sum -= s[i - win] * s[i - win];
        best = std::max(best, sum / double(std::min(i + 1, win)));
    }
    return std::sqrt(best);
}

TEST(Sounds, EveryEffectLoadsInThePlainLayoutAndPlaysCleanly) {
    std::vector<double> levels;
    for (const char* name : kEffects) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = read_bytes(asset_path(name));
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(bytes.data() + 12, "fmt ", 4), 0);
        EXPECT_EQ(bytes[16], 16);                                 // a 16-byte fmt chunk
        EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0);  // data right after it
        const auto wav = parse_wav(bytes.data(), bytes.size());
        ASSERT_TRUE(wav.has_value()) << "the engine's WAV reader refuses it";
        EXPECT_EQ(wav->sample_rate, 44100);
        EXPECT_EQ(wav->bits_per_sample, 16);
        EXPECT_EQ(wav->data.size() + 44, bytes.size()) << "nothing may follow the data";
        const std::vector<double> s = samples_of(*wav);
        ASSERT_FALSE(s.empty());
        EXPECT_LE(s.size(), size_t(44100 * 2.5)) << "effects are short";
        double peak = 0;
        for (double v : s) peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 0.95) << "clipped";
        EXPECT_LT(std::abs(s.front()), 0.01) << "starts with a click";
        EXPECT_LT(std::abs(s.back()), 0.01) << "ends with a click";
        levels.push_back(loudness(s));
    }
    const auto [lo, hi] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_GT(*lo, 0.05);
    EXPECT_LT(*hi / *lo, 2.0) << "loudness differs by more than 6 dB";
}

// Walks the MP3 frame by frame: every frame must be MPEG-1 Layer III at 44100 Hz,
// nothing but frames (no tags) in the file. Returns the playing time in seconds.
double mp3_seconds(const std::vector<uint8_t>& d) {
    static const int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                      112, 128, 160, 192, 224, 256, 320, 0};
    size_t pos = 0;
    int frames = 0;
    while (pos + 4 <= d.size()) {
        EXPECT_EQ(d[pos], 0xFF) << "no frame sync at byte " << pos;
        EXPECT_EQ(d[pos + 1] & 0xFE, 0xFA) << "not MPEG-1 Layer III at byte " << pos;
        if (d[pos] != 0xFF || (d[pos + 1] & 0xFE) != 0xFA) return -1;
        const int bitrate = kBitrates[d[pos + 2] >> 4];
        EXPECT_EQ((d[pos + 2] >> 2) & 3, 0) << "not 44100 Hz";
        const int padding = (d[pos + 2] >> 1) & 1;
        if (bitrate == 0) return -1;
        pos += size_t(144000 * bitrate / 44100 + padding);
        ++frames;
    }
    EXPECT_EQ(pos, d.size()) << "the last frame is cut short";
    return frames * 1152 / 44100.0;
}

TEST(Music, IsAPlainMp3LoopOfThirtyToNinetySeconds) {
    const double seconds = mp3_seconds(read_bytes(asset_path("music.mp3")));
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 90.0);
}

// The game's music goes through the platform's audio device; it must open the file
// and know its length (the engine restarts the loop from that length).
TEST(Music, AudioDeviceDecodesItAndKnowsItsLength) {
    platform::DeterministicOptions options;
    options.open_real_window = false;
    options.real_audio = true;
    auto platform = platform::make_deterministic_platform(options);
    platform::AudioDevice& audio = platform->audio();
    if (!audio.available()) GTEST_SKIP() << "no audio device on this machine";
    ASSERT_TRUE(audio.play_music(asset_path("music.mp3")));
    const double ms = audio.music_length_ms();
    EXPECT_GE(ms, 30000.0);
    EXPECT_LE(ms, 90000.0);
    audio.stop_music();
}

}  // namespace
}  // namespace zorby::testing
