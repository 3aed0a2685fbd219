// The WAV reader: the layouts it accepts and the files it turns down.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "wav_bytes.h"

namespace zorby {
namespace {

using testing::wav_bytes;
using testing::WavLayout;

std::optional<WavSound> parse(const std::vector<uint8_t>& v) {
    return parse_wav(v.data(), v.size());
}

const std::vector<uint8_t> kData = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(WavReader, ReadsTheFormatAndDataOfTheAcceptedLayouts) {
    WavLayout plain;
    WavLayout long_fmt;
    long_fmt.fmt_size = 30;
    WavLayout with_fact;
    with_fact.fact = true;
    WavLayout long_fmt_and_fact = long_fmt;
    long_fmt_and_fact.fact = true;
    for (const WavLayout& layout : {plain, long_fmt, with_fact, long_fmt_and_fact}) {
        const auto w = parse(wav_bytes(layout, kData));
        ASSERT_TRUE(w) << "fmt " << layout.fmt_size << " fact " << layout.fact;
        EXPECT_EQ(w->channels, 1);
        EXPECT_EQ(w->sample_rate, 22050);
        EXPECT_EQ(w->bits_per_sample, 16);
        EXPECT_EQ(w->block_align, 2);
        EXPECT_EQ(w->data, kData);
    }
    WavLayout stereo8;
    stereo8.channels = 2;
    stereo8.bits = 8;
    stereo8.rate = 11025;
    const auto w = parse(wav_bytes(stereo8, kData));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->channels, 2);
    EXPECT_EQ(w->block_align, 2);
}

TEST(WavReader, TurnsDownChunksOutOfPlace) {
    WavLayout list;
    list.extra_chunk = "LIST";  // only a fact chunk may stand before the data
    EXPECT_FALSE(parse(wav_bytes(list, kData)));
    WavLayout two_facts;
    two_facts.fact = true;
    two_facts.extra_chunk = "fact";
    EXPECT_FALSE(parse(wav_bytes(two_facts, kData)));
    WavLayout huge_fact;
    huge_fact.fact = true;
    huge_fact.fact_size = 1025;
    EXPECT_FALSE(parse(wav_bytes(huge_fact, kData)));
    huge_fact.fact_size = 1024;
    EXPECT_TRUE(parse(wav_bytes(huge_fact, kData)));
    WavLayout fmt18;
    fmt18.fmt_size = 18;  // any size but 16 is read as the 30-byte form
    EXPECT_FALSE(parse(wav_bytes(fmt18, kData)));
}

TEST(WavReader, TurnsDownShortAndTruncatedFiles) {
    const auto whole = wav_bytes(WavLayout{}, kData);
    for (size_t cut : {0, 20, 35, 36, 43}) {
        std::vector<uint8_t> v(whole.begin(), whole.begin() + cut);
        EXPECT_FALSE(parse(v)) << cut;
    }
    std::vector<uint8_t> truncated(whole.begin(), whole.end() - 1);
    EXPECT_FALSE(parse(truncated));
    // A data size that would run past the end of the file (and past 4 GB).
    std::vector<uint8_t> lying = whole;
    lying[40] = lying[41] = lying[42] = lying[43] = 0xFF;
    EXPECT_FALSE(parse(lying));
    EXPECT_FALSE(parse_wav(nullptr, 100));
}

TEST(WavReader, TurnsDownFormatsTheMixerCannotTake) {
    auto with = [](auto change) {
        WavLayout s;
        change(s);
        return wav_bytes(s, kData);
    };
    EXPECT_FALSE(parse(with([](WavLayout& s) { s.bits = 24; })));
    EXPECT_FALSE(parse(with([](WavLayout& s) { s.bits = 0; })));
    EXPECT_FALSE(parse(with([](WavLayout& s) { s.rate = 50; })));
    EXPECT_FALSE(parse(with([](WavLayout& s) { s.channels = 6; })));  // block align of 6
    EXPECT_FALSE(parse(wav_bytes(WavLayout{}, {1, 2})));              // fewer than 4 bytes
    // No channels at all is taken as mono.
    auto zero = with([](WavLayout&) {});
    zero[22] = 0;
    const auto w = parse(zero);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->channels, 1);
}

TEST(SoundGains, PanAndVolumeOnTheDecibelScale) {
    const StereoGains right = sound_gains(1, 1);
    EXPECT_EQ(right.left, 0.0);
    EXPECT_DOUBLE_EQ(right.right, 1.0);
    const StereoGains centre = sound_gains(0, 0.5);  // 50 dB down on both sides
    EXPECT_NEAR(centre.left, std::pow(10.0, -2.5), 1e-12);
    EXPECT_DOUBLE_EQ(centre.left, centre.right);
    const StereoGains half_left = sound_gains(-0.5, 1);  // the right side 50 dB down
    EXPECT_DOUBLE_EQ(half_left.left, 1.0);
    EXPECT_NEAR(half_left.right, std::pow(10.0, -2.5), 1e-12);
    EXPECT_DOUBLE_EQ(sound_gains(-3, 2).left, 1.0);  // clamped to hard left, full level
    EXPECT_EQ(sound_gains(-3, 2).right, 0.0);
    EXPECT_EQ(sound_gains(0, 0).left, 0.0);  // 100 dB down is silence
    EXPECT_EQ(sound_gains(0, -1).right, 0.0);
    EXPECT_EQ(sound_gains(NAN, NAN).left, 0.0);
    // Volume steps are whole percent: 0.999 is 0.99.
    EXPECT_NEAR(sound_gains(0, 0.999).left, std::pow(10.0, -0.05), 1e-12);
}

}  // namespace
}  // namespace zorby
