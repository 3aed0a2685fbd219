// Synthetic SDL events for tests.
#include "platform/event_injection.h"

#include <SDL.h>

#include "platform/keys.h"

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
    SDL_Event ev{};
    ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    ev.key.windowID = focus_window_id();
    ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    ev.key.keysym.sym = SDL_GetKeyFromScancode(ev.key.keysym.scancode);
    return SDL_PushEvent(&ev) == 1;
}

bool push_mouse_motion(int x, int y, int dx, int dy) {
    SDL_Event ev{};
    ev.type = SDL_MOUSEMOTION;
    ev.motion.windowID = focus_window_id();
    ev.motion.x = x;
    ev.motion.y = y;
    ev.motion.xrel = dx;
    ev.motion.yrel = dy;
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

}  // namespace zorby::platform
