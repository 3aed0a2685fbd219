// zorby-assets sound: decodes a sound exactly as the sound slots load it and writes
// the samples the slot hands to the mixer as a plain 16-bit PCM WAV, so anyone can
// check a file against the engine's own reader.
#include "audio/sound.h"
#include "commands.h"

namespace zorby::assets {

namespace {

// A little larger than the largest sound the slots read, so that the engine, not
// this tool, decides about a file near the limit.
constexpr uint64_t kMaxSoundFile = uint64_t{1} << 29;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put_id(std::vector<uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

}  // namespace

std::vector<uint8_t> encode_pcm16_wav(const std::vector<int16_t>& samples, int channels,
                                      int sample_rate) {
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t block = static_cast<uint32_t>(channels) * 2;
    std::vector<uint8_t> out;
    out.reserve(44 + data_bytes);
    put_id(out, "RIFF");
    put32(out, 36 + data_bytes);
    put_id(out, "WAVE");
    put_id(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, static_cast<uint32_t>(channels));
    put32(out, static_cast<uint32_t>(sample_rate));
    put32(out, static_cast<uint32_t>(sample_rate) * block);
    put16(out, block);
    put16(out, 16);
    put_id(out, "data");
    put32(out, data_bytes);
    for (const int16_t s : samples) put16(out, static_cast<uint16_t>(s));
    return out;
}

int run_sound(const std::vector<std::string>& args) {
    const std::string& path = args[0];
    std::vector<uint8_t> file;
    std::string error;
    if (!read_file(path, kMaxSoundFile, file, error)) return fail(error);
    std::string why;
    const std::optional<WavSound> sound = load_wav_file(path, why);
    if (!sound) return fail(path + ": refused: " + why);
    const std::vector<uint8_t> wav =
        encode_pcm16_wav(mixer_samples(*sound), sound->channels, sound->sample_rate);
    if (!write_file(args[1], wav, error)) return fail(error);
    return 0;
}

}  // namespace zorby::assets
