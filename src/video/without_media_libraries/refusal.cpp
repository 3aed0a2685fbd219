// The video module of a build without the media libraries (the web page): every file
// is refused with one reason, which the engine's video command logs as it logs a
// codec that a desktop build lacks, and the game goes on. Built instead of
// video/*.cpp (see src/CMakeLists.txt).
#include "video/media_encoder.h"
#include "video/video_decoder.h"

namespace zorby::video {

namespace {
constexpr const char* kNoDecoders = "no video decoders in this build";
}

struct VideoDecoder::Internals {};

void quiet_media_library_log() {}

VideoDecoder::VideoDecoder(const DecoderOptions& options) : options_(options) {}
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::open(const std::string&, std::string& reason) {
    reason = kNoDecoders;
    return false;
}

bool VideoDecoder::open_memory(const uint8_t*, size_t, std::string& reason) {
    reason = kNoDecoders;
    return false;
}

// Never reached: no file opens.
bool VideoDecoder::set_sound_output(int, int) {
    return false;
}
bool VideoDecoder::next_picture(double&) {
    return false;
}
bool VideoDecoder::convert_picture(int, int, uint8_t*, int, bool) {
    return false;
}
void VideoDecoder::read_sound_until(double) {}
bool VideoDecoder::take_sound(SoundBlock&) {
    return false;
}
bool VideoDecoder::rewind() {
    return false;
}

struct MediaEncoder::Internals {};

MediaEncoder::MediaEncoder() = default;
MediaEncoder::~MediaEncoder() = default;

std::unique_ptr<MediaEncoder> MediaEncoder::open(const std::string&, const std::string& name, int,
                                                 int, int, std::string& error) {
    error = name + ": no video encoders in this build";
    return nullptr;
}

bool MediaEncoder::has_sound() const {
    return false;
}
std::string MediaEncoder::codecs() const {
    return {};
}
bool MediaEncoder::add_picture(const uint8_t*, std::string&) {
    return false;
}
bool MediaEncoder::add_sound(const float*, size_t, std::string&) {
    return false;
}
bool MediaEncoder::finish(std::string&) {
    return false;
}

bool decode_sound_file(const std::string&, std::vector<float>&) {
    return false;
}

}  // namespace zorby::video
