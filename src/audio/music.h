// The music player (minimal start-up version; the music module replaces it).
#pragma once

namespace zorby {

class MusicPlayer {
public:
    // Restarts the music when its time is up (called every frame and in waits).
    void keep_alive() {}
    // Stops and closes the music.
    void cleanup() {}
};

}  // namespace zorby
