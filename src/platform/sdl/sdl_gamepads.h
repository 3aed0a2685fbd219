// Game controllers through SDL's controller mapping database, turned into the keys
// the game already reads: the d-pad and the left stick are the arrow keys, A is Z,
// B is X, the shoulder buttons are Page Down / Page Up, Start is Enter, and Back
// held for a second is Escape. Controllers may come and go during a run.
// Internal to the platform layer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

union SDL_Event;
struct _SDL_GameController;

namespace zorby::platform {

class SdlGamepads {
public:
    SdlGamepads() = default;
    ~SdlGamepads();
    SdlGamepads(const SdlGamepads&) = delete;
    SdlGamepads& operator=(const SdlGamepads&) = delete;

    // Starts the controller subsystem (once); the controllers already plugged in
    // arrive as events.
    void start();
    // Takes a controller event (plugging, unplugging, buttons). Returns the engine
    // key code a button press stands for (0: none), so a press that is released
    // before the next read is still seen.
    int handle(const SDL_Event& event);
    // Sets bit 7 of keys[code] for every key the controllers hold now. now_ms times
    // how long Back has been held.
    void held_keys(double now_ms, std::array<uint8_t, 256>& keys);
    int count() const { return static_cast<int>(pads_.size()); }

    // How long Back must be held to quit, in milliseconds.
    static constexpr double kQuitHoldMs = 1000.0;

private:
    void open(int device_index);
    void close(int instance_id);

    std::vector<_SDL_GameController*> pads_;
    bool started_ = false;
    double back_since_ms_ = -1.0;
    // Stick directions with hysteresis: left, right, up, down.
    std::array<bool, 4> stick_{};
};

}  // namespace zorby::platform
