// Game controllers as keys.
#include "platform/sdl/sdl_gamepads.h"

#include <SDL.h>

#include <algorithm>

namespace zorby::platform {

namespace {

// Engine key codes.
constexpr int kEscape = 1, kEnter = 28, kZ = 44, kX = 45;
constexpr int kUp = 200, kLeft = 203, kRight = 205, kDown = 208;
constexpr int kPageUp = 201, kPageDown = 209;

// A stick direction turns on past this deflection and off again below the lower one,
// so a stick resting near the threshold does not flicker.
constexpr int kStickOn = 16000;
constexpr int kStickOff = 10000;

// The key a button stands for (0: none; Back is timed separately).
int button_key(int button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return kZ;
        case SDL_CONTROLLER_BUTTON_B:
            return kX;
        case SDL_CONTROLLER_BUTTON_START:
            return kEnter;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return kPageDown;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return kPageUp;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return kUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return kDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return kLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return kRight;
        default:
            return 0;
    }
}

bool stick_direction(bool was_on, int deflection) {
    return was_on ? deflection > kStickOff : deflection > kStickOn;
}

}  // namespace

SdlGamepads::~SdlGamepads() {
    for (SDL_GameController* p : pads_) SDL_GameControllerClose(p);
}

void SdlGamepads::start() {
    if (started_) return;
    started_ = true;
    // The game pauses itself while the window is inactive; the pads must still be
    // heard while no window has the keyboard (a hidden or unfocused test window).
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void SdlGamepads::open(int device_index) {
    if (!SDL_IsGameController(device_index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device_index);
    for (SDL_GameController* p : pads_) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(p)) == id) return;
    }
    if (SDL_GameController* p = SDL_GameControllerOpen(device_index)) pads_.push_back(p);
}

void SdlGamepads::close(int instance_id) {
    for (size_t i = 0; i < pads_.size(); ++i) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads_[i])) == instance_id) {
            SDL_GameControllerClose(pads_[i]);
            pads_.erase(pads_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    if (pads_.empty()) {
        stick_ = {};
        back_since_ms_ = -1.0;
    }
}

int SdlGamepads::handle(const SDL_Event& ev) {
    switch (ev.type) {
        case SDL_CONTROLLERDEVICEADDED:
            open(ev.cdevice.which);
            return 0;
        case SDL_CONTROLLERDEVICEREMOVED:
            close(ev.cdevice.which);
            return 0;
        case SDL_CONTROLLERBUTTONDOWN:
            return button_key(ev.cbutton.button);
        default:
            return 0;
    }
}

void SdlGamepads::held_keys(double now_ms, std::array<uint8_t, 256>& keys) {
    bool back = false;
    int x = 0, y = 0;
    for (SDL_GameController* p : pads_) {
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            const int key = button_key(b);
            if (key != 0 &&
                SDL_GameControllerGetButton(p, static_cast<SDL_GameControllerButton>(b))) {
                keys[key] |= 0x80;
            }
        }
        back = back || SDL_GameControllerGetButton(p, SDL_CONTROLLER_BUTTON_BACK) != 0;
        // The strongest deflection of any pad.
        const int px = SDL_GameControllerGetAxis(p, SDL_CONTROLLER_AXIS_LEFTX);
        const int py = SDL_GameControllerGetAxis(p, SDL_CONTROLLER_AXIS_LEFTY);
        if (std::abs(px) > std::abs(x)) x = px;
        if (std::abs(py) > std::abs(y)) y = py;
    }
    stick_[0] = stick_direction(stick_[0], -x);
    stick_[1] = stick_direction(stick_[1], x);
    stick_[2] = stick_direction(stick_[2], -y);
    stick_[3] = stick_direction(stick_[3], y);
    static constexpr int kStickKeys[4] = {kLeft, kRight, kUp, kDown};
    for (int d = 0; d < 4; ++d) {
        if (stick_[d]) keys[kStickKeys[d]] |= 0x80;
    }
    // Quitting from the pad is deliberate: Back held for a second is Escape.
    if (!back) {
        back_since_ms_ = -1.0;
    } else if (back_since_ms_ < 0) {
        back_since_ms_ = now_ms;
    } else if (now_ms - back_since_ms_ >= kQuitHoldMs) {
        keys[kEscape] |= 0x80;
    }
}

}  // namespace zorby::platform
