// Video file decoding for the engine's video playback: opens a media file (or bytes
// in memory), decodes its first picture stream into pictures scaled to a requested
// size and its first sound stream into interleaved signed 16-bit samples at a
// requested rate and channel count. Times are milliseconds from the start of the
// file. Every input is treated as hostile: a damaged file ends decoding, it never
// crashes. This module knows nothing of the engine; the runtime's play_video drives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "video/video_module.h"

namespace zorby::video {

class VideoDecoder final : public Decoder {
public:
    explicit VideoDecoder(const DecoderOptions& options = {});
    ~VideoDecoder() override;
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Opens a file (plain files only: no network or other protocols) and its first
    // picture stream. False, with the reason in `reason`, when the file cannot be
    // opened or holds no picture stream that can be decoded.
    bool open(const std::string& path, std::string& reason) override;
    // The same for a file held in memory (the bytes must outlive the decoder).
    bool open_memory(const uint8_t* data, size_t size, std::string& reason) override;

    // Picture size in pixels and the shape it is meant to be shown at (width /
    // height with the pixel aspect applied).
    int width() const override { return width_; }
    int height() const override { return height_; }
    double display_aspect() const override { return display_aspect_; }
    bool has_sound() const override { return sound_stream_ >= 0; }

    // Turns sound decoding on with this output format (rate in Hz, 1 or 2 channels).
    // False when the file has no sound or the converter cannot be made.
    bool set_sound_output(int rate, int channels) override;

    // Decodes the next picture. True with its time; false at the end of the pictures
    // (also when the file breaks off). The picture stays available for convert_picture
    // until the next call.
    bool next_picture(double& pts_ms) override;
    // Time of the picture that follows the last one (its time plus its duration).
    double picture_end_ms() const override { return picture_end_ms_; }
    // Scales the last decoded picture to w x h and writes it as RGBA bytes (R first in
    // memory, A 255), rows `stride` (at least w * 4) bytes apart, top first or (with
    // bottom_first, as OpenGL keeps them) bottom first. A stride with room for w
    // rounded up to 16 pixels is written straight into (that room may be used: the
    // converter works in blocks); a narrower one costs a copy, and only w pixels of
    // each row are written. False when there is no picture.
    bool convert_picture(int w, int h, uint8_t* out, int stride,
                         bool bottom_first = false) override;

    // Reads on until sound up to until_ms is decoded (or the file ends, or the read
    // ahead reaches its limit).
    void read_sound_until(double until_ms) override;
    // Takes the oldest decoded block of sound. False when none is waiting.
    bool take_sound(SoundBlock& out) override;
    // End time of the sound decoded so far.
    double sound_end_ms() const override { return sound_end_ms_; }

    // Goes back to the start of the file for another pass. False when the file
    // cannot seek.
    bool rewind() override;
    // True once reading stopped because of an error rather than the end of the file.
    bool broke_off() const override { return broke_off_; }

    struct Internals;

private:
    bool finish_open(std::string& reason);
    // Reads one packet and hands it on. False at the end of the file.
    bool read_packet();
    void decode_sound_packet(const void* packet);
    void drain_sound_frames();
    void reset_streams();

    DecoderOptions options_;
    std::unique_ptr<Internals> in_;
    int width_ = 0, height_ = 0;
    double display_aspect_ = 1.0;
    int video_stream_ = -1;
    int sound_stream_ = -1;
    int out_rate_ = 0, out_channels_ = 0;
    bool eof_ = false;
    bool video_flushed_ = false;
    bool broke_off_ = false;
    bool have_picture_ = false;
    double last_pts_ms_ = -1.0;
    double picture_end_ms_ = 0.0;
    double frame_duration_ms_ = 40.0;
    double sound_end_ms_ = 0.0;
    double next_sound_ms_ = -1.0;
    std::deque<SoundBlock> sound_;
    double buffered_sound_ms_ = 0.0;
};

// Silences the media libraries' own logging (the engine reports through its log).
void quiet_media_library_log();

}  // namespace zorby::video
