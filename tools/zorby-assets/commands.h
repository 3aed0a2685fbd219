// The subcommands of zorby-assets and the file helpers they share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorby::assets {

// Each subcommand takes its own arguments (after the subcommand name) and returns
// the exit status: 0 done, 1 failed (one line on standard error says why).
int run_pack(const std::vector<std::string>& args);
int run_list(const std::vector<std::string>& args);
int run_extract(const std::vector<std::string>& args);
int run_image(const std::vector<std::string>& args);
int run_sound(const std::vector<std::string>& args);

// A plain PCM WAV file (44-byte head) of signed 16-bit samples interleaved by channel.
std::vector<uint8_t> encode_pcm16_wav(const std::vector<int16_t>& samples, int channels,
                                      int sample_rate);

// Prints "zorby-assets: <message>" on standard error and returns 1.
int fail(const std::string& message);

// Reads a whole regular file of at most max_size bytes.
bool read_file(const std::string& path, uint64_t max_size, std::vector<uint8_t>& data,
               std::string& error);
// Replaces path with data: written to a new file beside it, then renamed over it, so
// a failure never leaves a half-written file and an input may be the output.
bool write_file(const std::string& path, const std::vector<uint8_t>& data, std::string& error);

}  // namespace zorby::assets
