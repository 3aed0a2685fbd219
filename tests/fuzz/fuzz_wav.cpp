// Fuzz target: the WAV reader of the sound slots. Any input must either be refused
// with a reason or give a sound the mixer can take; the samples the mixer gets,
// written as a plain 16-bit WAV, must read back through the same reader unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sound.h"

namespace {

void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The same 44-byte head as `zorby-assets sound` writes.
std::vector<uint8_t> pcm16_wav(const std::vector<int16_t>& samples, int channels, int rate) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    put(out, 36 + data, 4);
    for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<uint8_t>(c));
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, static_cast<uint32_t>(channels), 2);
    put(out, static_cast<uint32_t>(rate), 4);
    put(out, static_cast<uint32_t>(rate * channels * 2), 4);
    put(out, static_cast<uint32_t>(channels * 2), 2);
    put(out, 16, 2);
    for (char c : std::string("data")) out.push_back(static_cast<uint8_t>(c));
    put(out, data, 4);
    for (int16_t s : samples) put(out, static_cast<uint16_t>(s), 2);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string why;
    const std::optional<zorby::WavSound> sound = zorby::parse_wav(data, size, why);
    if (!sound) {
        if (why.empty() || zorby::parse_wav(data, size)) std::abort();
        return 0;
    }
    if (!zorby::parse_wav(data, size)) std::abort();  // both forms agree
    if ((sound->channels != 1 && sound->channels != 2) ||
        (sound->bits_per_sample != 8 && sound->bits_per_sample != 16) ||
        sound->block_align != sound->channels * sound->bits_per_sample / 8 ||
        sound->data.size() < static_cast<size_t>(sound->block_align) || sound->data.size() > size) {
        std::abort();
    }
    const std::vector<int16_t> samples = zorby::mixer_samples(*sound);
    const size_t frames = sound->data.size() / static_cast<size_t>(sound->block_align);
    if (samples.size() != frames * static_cast<size_t>(sound->channels)) std::abort();

    const std::vector<uint8_t> wav = pcm16_wav(samples, sound->channels, sound->sample_rate);
    const std::optional<zorby::WavSound> again = zorby::parse_wav(wav.data(), wav.size(), why);
    if (!again || again->channels != sound->channels || again->sample_rate != sound->sample_rate ||
        zorby::mixer_samples(*again) != samples) {
        std::abort();
    }
    return 0;
}
