// Fuzz target: opening and decoding a video file. Each input is opened from memory
// as a media file; up to 64 pictures are decoded and scaled, and the sound decoded
// with them is taken. Nothing may crash, read outside memory or hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "video/video_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        zorby::video::quiet_media_library_log();
        return true;
    }();
    (void)quiet;
    zorby::video::DecoderOptions options;
    options.threads = 1;
    options.max_buffered_sound_ms = 2000.0;
    options.max_queued_packets = 64;
    zorby::video::VideoDecoder decoder(options);
    std::string reason;
    if (!decoder.open_memory(data, size, reason)) return 0;
    decoder.set_sound_output(44100, 2);
    std::vector<uint8_t> pixels(40 * 30 * 4);
    double pts = 0;
    zorby::video::SoundBlock block;
    for (int i = 0; i < 64 && decoder.next_picture(pts); ++i) {
        decoder.convert_picture(40, 30, pixels.data(), 40 * 4);
        decoder.read_sound_until(pts + 150.0);
        while (decoder.take_sound(block)) {
        }
    }
    if (decoder.rewind()) decoder.next_picture(pts);
    return 0;
}
