// Writing a video file with the media libraries: pictures (RGBA, top row first) and
// a stereo sound track (interleaved float at 48000 Hz), encoded by the codecs the
// file name's extension asks for and the installed libraries have:
//   .mp4   H.264 + AAC, else MPEG-4 Part 2 + MP3 (or AAC)
//   .webm  VP9, else VP8, + Opus, else Vorbis
//   .mkv   FFV1 (RGB, lossless) + FLAC
//   .gif   an animated GIF (palette per frame, no sound)
// Also the decoding of a whole sound file into the same sample format (the music of a
// mixer of our own). Knows nothing of the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "video/video_module.h"

namespace zorby::video {

class MediaEncoder final : public Encoder {
public:
    ~MediaEncoder() override;
    MediaEncoder(const MediaEncoder&) = delete;
    MediaEncoder& operator=(const MediaEncoder&) = delete;

    // Opens path for writing, choosing the container and codecs by the extension of
    // name (path may be a temporary name of its own). Null with the one-line reason in
    // error: an unknown extension, a missing encoder, a file that cannot be written.
    static std::unique_ptr<MediaEncoder> open(const std::string& path, const std::string& name,
                                              int width, int height, int fps, std::string& error);

    bool has_sound() const override;
    // "VP9 + Opus" and the like.
    std::string codecs() const override;
    // One picture of width x height RGBA pixels, top row first, shown for one frame.
    bool add_picture(const uint8_t* rgba, std::string& error) override;
    // Stereo frames (interleaved float, -1 to 1) at kEncodedSampleRate.
    bool add_sound(const float* samples, size_t frames, std::string& error) override;
    // Flushes the encoders and finishes the file.
    bool finish(std::string& error) override;

private:
    struct Internals;
    MediaEncoder();
    std::unique_ptr<Internals> in_;
};

// Decodes the sound of a media file to interleaved float stereo at
// kEncodedSampleRate. False when it has no sound that can be decoded.
bool decode_sound_file(const std::string& path, std::vector<float>& out);

}  // namespace zorby::video
