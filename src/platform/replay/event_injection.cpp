// Synthetic SDL events for tests.
#include "platform/replay/event_injection.h"

#include <SDL.h>

#include <map>

#include "platform/portable/keys.h"

namespace zorby::platform {

namespace {
Uint32 focus_window_id() {
    SDL_Window* w = SDL_GL_GetCurrentWindow();
    return w ? SDL_GetWindowID(w) : 0;
}
}  // namespace

bool push_key_event(int engine_code, bool down) {
    const int scancode = sdl_scancode_from_engine_code(engine_code);
    if (scancode == 0) return false;
    return push_key_event(engine_code, down,
                          SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode)));
}

bool push_text_event(const char* utf8) {
    SDL_Event ev{};
    ev.type = SDL_TEXTINPUT;
    ev.text.windowID = focus_window_id();
    SDL_strlcpy(ev.text.text, utf8, sizeof ev.text.text);
    return SDL_PushEvent(&ev) == 1;
}

bool push_key_event(int engine_code, bool down, int symbol) {
    const int scancode = sdl_scancode_from_engine_code(engine_code);
    if (scancode == 0) return false;
    SDL_Event ev{};
    ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    ev.key.windowID = focus_window_id();
    ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    ev.key.keysym.sym = symbol;
    return SDL_PushEvent(&ev) == 1;
}

bool push_mouse_motion(int x, int y) {
    SDL_Event ev{};
    ev.type = SDL_MOUSEMOTION;
    ev.motion.windowID = focus_window_id();
    ev.motion.x = x;
    ev.motion.y = y;
    return SDL_PushEvent(&ev) == 1;
}

bool push_mouse_button(int button, bool down) {
    static const Uint8 kButtons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE};
    if (button < 1 || button > 3) return false;
    SDL_Event ev{};
    ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    ev.button.windowID = focus_window_id();
    ev.button.button = kButtons[button - 1];
    ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    return SDL_PushEvent(&ev) == 1;
}

bool resize_current_window(int width, int height) {
    SDL_Window* w = SDL_GL_GetCurrentWindow();
    if (!w || width <= 0 || height <= 0) return false;
    SDL_SetWindowSize(w, width, height);
    return true;
}

bool push_window_change(WindowChange change) {
    SDL_Event ev{};
    ev.type = SDL_WINDOWEVENT;
    ev.window.windowID = focus_window_id();
    switch (change) {
        case WindowChange::Minimised:
            ev.window.event = SDL_WINDOWEVENT_MINIMIZED;
            break;
        case WindowChange::Restored:
            ev.window.event = SDL_WINDOWEVENT_RESTORED;
            break;
        case WindowChange::FocusLost:
            ev.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
            break;
        case WindowChange::FocusGained:
            ev.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
            break;
        case WindowChange::MovedToDisplay:
            ev.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
            break;
    }
    return SDL_PushEvent(&ev) == 1;
}

bool push_display_change() {
    SDL_Event ev{};
    ev.type = SDL_DISPLAYEVENT;
    ev.display.event = SDL_DISPLAYEVENT_CONNECTED;
    return SDL_PushEvent(&ev) == 1;
}

bool push_audio_device_event(bool added) {
    SDL_Event ev{};
    ev.type = added ? SDL_AUDIODEVICEADDED : SDL_AUDIODEVICEREMOVED;
    ev.adevice.which = added ? 0 : 2;
    ev.adevice.iscapture = 0;
    return SDL_PushEvent(&ev) == 1;
}

namespace {
std::map<int, SDL_Joystick*>& virtual_pads() {
    static std::map<int, SDL_Joystick*> pads;
    return pads;
}
SDL_Joystick* virtual_pad(int pad) {
    auto it = virtual_pads().find(pad);
    return it == virtual_pads().end() ? nullptr : it->second;
}
}  // namespace

int attach_virtual_gamepad() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return -1;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "zorby virtual pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    SDL_Joystick* j = SDL_JoystickOpen(index);
    if (!j) {
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    const int id = SDL_JoystickInstanceID(j);
    virtual_pads()[id] = j;
    return id;
}

bool set_virtual_gamepad_button(int pad, PadButton button, bool down) {
    SDL_Joystick* j = virtual_pad(pad);
    return j && SDL_JoystickSetVirtualButton(j, static_cast<int>(button),
                                             down ? SDL_PRESSED : SDL_RELEASED) == 0;
}

bool set_virtual_gamepad_axis(int pad, PadAxis axis, int value) {
    SDL_Joystick* j = virtual_pad(pad);
    return j && SDL_JoystickSetVirtualAxis(j, static_cast<int>(axis),
                                           static_cast<Sint16>(value < -32768  ? -32768
                                                               : value > 32767 ? 32767
                                                                               : value)) == 0;
}

bool detach_virtual_gamepad(int pad) {
    SDL_Joystick* j = virtual_pad(pad);
    if (!j) return false;
    // The device index of the pad, needed to unplug it.
    int index = -1;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == pad) index = i;
    }
    SDL_JoystickClose(j);
    virtual_pads().erase(pad);
    return index >= 0 && SDL_JoystickDetachVirtual(index) == 0;
}

}  // namespace zorby::platform
