// An audio device that is not there: nothing loads, nothing plays. The game runs
// silently on it; tests derive from it for devices of their own.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zorby::platform {

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

}  // namespace zorby::platform
