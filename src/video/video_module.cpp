// The module's one exported function: the table the runtime's loader reads
// (video_module.h). Everything else in the module stays hidden.
#include "video/video_module.h"

#include "video/media_encoder.h"
#include "video/video_decoder.h"

#ifdef _WIN32
#define ZORBY_VIDEO_EXPORT __declspec(dllexport)
#else
#define ZORBY_VIDEO_EXPORT __attribute__((visibility("default")))
#endif

namespace {

std::unique_ptr<zorby::video::Decoder> make_decoder(const zorby::video::DecoderOptions& options) {
    return std::make_unique<zorby::video::VideoDecoder>(options);
}

std::unique_ptr<zorby::video::Encoder> open_encoder(const std::string& path,
                                                    const std::string& name, int width, int height,
                                                    int fps, std::string& error) {
    return zorby::video::MediaEncoder::open(path, name, width, height, fps, error);
}

}  // namespace

extern "C" ZORBY_VIDEO_EXPORT const zorby::video::Module* zorby_video_module() {
    static const zorby::video::Module module = [] {
        // The engine reports through its own log; the media libraries stay quiet.
        zorby::video::quiet_media_library_log();
        zorby::video::Module m;
        m.version = zorby::video::kModuleVersion;
        m.make_decoder = make_decoder;
        m.open_encoder = open_encoder;
        m.decode_sound_file = zorby::video::decode_sound_file;
        return m;
    }();
    return &module;
}
