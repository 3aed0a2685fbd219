// The sound system and its slots (minimal start-up version; the sound module
// replaces it).
#pragma once

namespace zorby {

namespace platform {
class AudioDevice;
}

class SoundSystem {
public:
    explicit SoundSystem(platform::AudioDevice& device) : device_(device) {}
    void setup() {}
    // Destroys the slots from the last to the first.
    void destroy_slots() {}

private:
    platform::AudioDevice& device_;
};

}  // namespace zorby
