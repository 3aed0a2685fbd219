// The null audio device: used when no sound device can be opened. Nothing loads and
// nothing plays; every call is harmless.
#include "platform/platform.h"

namespace zorby::platform {

namespace {
class NullAudio : public AudioDevice {
public:
    bool available() const override { return false; }
    int allocate_channels(int) override { return 0; }
    int load_chunk(const uint8_t*, size_t, int, int, int) override { return 0; }
    void free_chunk(int) override {}
    bool play_chunk(int, int, double, double) override { return false; }
    bool channel_playing(int) override { return false; }
    void halt_channel(int) override {}
    void halt_all() override {}
    bool play_music(const std::string&) override { return false; }
    double music_length_ms() override { return -1.0; }
    void set_music_volume(double) override {}
    void stop_music() override {}
    bool music_playing() override { return false; }
};
}  // namespace

std::unique_ptr<AudioDevice> make_null_audio() {
    return std::make_unique<NullAudio>();
}

// Until the mixer backend lands the SDL platform plays nothing.
std::unique_ptr<AudioDevice> make_sdl_mixer_audio();

}  // namespace zorby::platform
