// Every test process runs headless: offscreen OpenGL and a silent audio device,
// unless the environment already chose a driver (a test may capture audio with the
// disk driver, or a developer may want to watch under a real display).
#include <stdlib.h>

namespace {
const bool kHeadless = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
}  // namespace

// The OpenGL driver and SDL keep process-lifetime allocations; leak reports on them
// would drown real ones, so sanitizer builds of the tests do not check for leaks.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
