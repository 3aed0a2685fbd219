// Opening libraries through SDL's loader, which speaks each system's own.
#include <SDL.h>

#include "platform/loadable_library.h"

namespace zorby::platform {

void* open_library(const std::string& path, std::string& error) {
    void* library = SDL_LoadObject(path.c_str());
    if (!library) error = SDL_GetError();
    return library;
}

void* library_function(void* library, const char* name) {
    return library ? SDL_LoadFunction(library, name) : nullptr;
}

}  // namespace zorby::platform
