// Helpers of the audio tests: WAV file images, environment settings.
#pragma once

#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/posix_compat.h"

namespace zorby::testing {

struct WavLayout {
    int channels = 1;
    int rate = 22050;
    int bits = 16;
    int fmt_size = 16;  // 16 or 30 (the extra bytes are zero)
    bool fact = false;
    uint32_t fact_size = 4;
    std::string extra_chunk;  // a chunk id put between fmt (or fact) and data
};

inline void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
inline void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void put_id(std::vector<uint8_t>& v, const char* id) {
    v.insert(v.end(), id, id + 4);
}

inline std::vector<uint8_t> wav_bytes(const WavLayout& s, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> v;
    put_id(v, "RIFF");
    put32(v, 0);  // patched below
    put_id(v, "WAVE");
    put_id(v, "fmt ");
    put32(v, static_cast<uint32_t>(s.fmt_size));
    const int block = s.channels * s.bits / 8;
    put16(v, 1);
    put16(v, static_cast<uint16_t>(s.channels));
    put32(v, static_cast<uint32_t>(s.rate));
    put32(v, static_cast<uint32_t>(s.rate * block));
    put16(v, static_cast<uint16_t>(block));
    put16(v, static_cast<uint16_t>(s.bits));
    for (int i = 16; i < s.fmt_size; ++i) v.push_back(0);
    if (s.fact) {
        put_id(v, "fact");
        put32(v, s.fact_size);
        for (uint32_t i = 0; i < s.fact_size; ++i) v.push_back(static_cast<uint8_t>(i));
    }
    if (!s.extra_chunk.empty()) {
        put_id(v, s.extra_chunk.c_str());
        put32(v, 4);
        put32(v, 0);
    }
    put_id(v, "data");
    put32(v, static_cast<uint32_t>(data.size()));
    v.insert(v.end(), data.begin(), data.end());
    const uint32_t riff = static_cast<uint32_t>(v.size() - 8);
    std::memcpy(v.data() + 4, &riff, 4);
    return v;
}

// A 16-bit mono tone of the given length and peak amplitude.
inline std::vector<uint8_t> tone16(int rate, double seconds, double amplitude, double hz = 440) {
    std::vector<uint8_t> data;
    const int n = static_cast<int>(rate * seconds);
    for (int i = 0; i < n; ++i) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * hz * i / rate);
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))));
    }
    return data;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_.empty()) {
            unsetenv(name_);
        } else {
            setenv(name_, old_.c_str(), 1);
        }
    }

private:
    const char* name_;
    std::string old_;
};

}  // namespace zorby::testing
