// The video layer as the rest of the program sees it: a module of its own
// (libzorby-video.so, zorby-video.dll) that the runtime opens the first time a video
// plays or an export runs, so a start that does neither never loads the media
// libraries underneath. This header holds only the interfaces and the one entry point
// the module exports; it includes nothing of the media libraries.
//
// The module and the program that opens it are built together from one tree, with
// one compiler and one standard library: the interfaces are plain C++ classes, and a
// module from another build is refused by its version number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorby::video {

// Decoded sound: interleaved signed 16-bit frames in the output format, starting at
// pts_ms.
struct SoundBlock {
    double pts_ms = 0.0;
    std::vector<int16_t> samples;
};

struct DecoderOptions {
    // Decoder threads (0: one for pictures up to 640 x 480, which one core decodes
    // many times faster than they play, where more threads would only add their own
    // work; as many as the decoder likes for larger ones).
    int threads = 0;
    // Sound decoded ahead of the pictures is kept up to this long; more is dropped
    // (a file whose sound lies far ahead of its pictures cannot fill the memory).
    double max_buffered_sound_ms = 10000.0;
    // Compressed picture packets read ahead while looking for sound, at most.
    size_t max_queued_packets = 512;
};

// Reading a video file: its first picture stream and its first sound stream. The
// meaning of each call is given with its implementation, VideoDecoder
// (video_decoder.h).
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual bool open(const std::string& path, std::string& reason) = 0;
    virtual bool open_memory(const uint8_t* data, size_t size, std::string& reason) = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual double display_aspect() const = 0;
    virtual bool has_sound() const = 0;
    virtual bool set_sound_output(int rate, int channels) = 0;
    virtual bool next_picture(double& pts_ms) = 0;
    virtual double picture_end_ms() const = 0;
    virtual bool convert_picture(int w, int h, uint8_t* out, int stride,
                                 bool bottom_first = false) = 0;
    virtual void read_sound_until(double until_ms) = 0;
    virtual bool take_sound(SoundBlock& out) = 0;
    virtual double sound_end_ms() const = 0;
    virtual bool rewind() = 0;
    virtual bool broke_off() const = 0;
};

// Sample rate of an encoded sound track, and of decode_sound_file's output.
inline constexpr int kEncodedSampleRate = 48000;

// Writing a video file; the meaning of each call is given with its implementation,
// MediaEncoder (media_encoder.h).
class Encoder {
public:
    virtual ~Encoder() = default;
    virtual bool has_sound() const = 0;
    virtual std::string codecs() const = 0;
    virtual bool add_picture(const uint8_t* rgba, std::string& error) = 0;
    virtual bool add_sound(const float* samples, size_t frames, std::string& error) = 0;
    virtual bool finish(std::string& error) = 0;
};

// What the module hands the program: its version and one function per way in.
struct Module {
    int version = 0;
    // A decoder that has opened nothing yet.
    std::unique_ptr<Decoder> (*make_decoder)(const DecoderOptions& options) = nullptr;
    // MediaEncoder::open (media_encoder.h).
    std::unique_ptr<Encoder> (*open_encoder)(const std::string& path, const std::string& name,
                                             int width, int height, int fps,
                                             std::string& error) = nullptr;
    // decode_sound_file (media_encoder.h).
    bool (*decode_sound_file)(const std::string& path, std::vector<float>& out) = nullptr;
};

// Changes whenever Module, Decoder, Encoder or the structures above change.
inline constexpr int kModuleVersion = 1;

// The name of the module's one exported function: `const Module* NAME()`.
inline constexpr const char* kModuleEntry = "zorby_video_module";

}  // namespace zorby::video
