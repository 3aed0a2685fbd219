// The bare program bench_startup measures the game against, linked with SDL2 and
// OpenGL alone (what a program that opens a window cannot do without):
//
//   bare_sdl_window WIDTH HEIGHT [audio]
//                                     opens a WIDTH x HEIGHT OpenGL window (the game's
//                                     pixel format), presents one cleared frame and
//                                     ends without closing anything;
//                                     with "audio" it opens an audio device first (the
//                                     game's format), a step of the game's start
//   bare_sdl_window --load LIBRARY    opens LIBRARY and calls its video module entry;
//                                     prints the milliseconds that took
#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int load(const char* path) {
    const auto t0 = std::chrono::steady_clock::now();
    void* library = SDL_LoadObject(path);
    if (!library) {
        std::fprintf(stderr, "bare_sdl_window: %s\n", SDL_GetError());
        return 1;
    }
    using Entry = const void* (*)();
    const auto entry = reinterpret_cast<Entry>(SDL_LoadFunction(library, "zorby_video_module"));
    if (!entry || !entry()) return 1;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%.2f\n", ms);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return load(argv[2]);
    if (argc != 3 && argc != 4) return 2;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_AudioDeviceID audio = 0;
    if (argc == 4 && std::strcmp(argv[3], "audio") == 0) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 1;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (audio == 0) return 1;
        SDL_PauseAudioDevice(audio, 0);
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* w = SDL_CreateWindow("bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     std::atoi(argv[1]), std::atoi(argv[2]), SDL_WINDOW_OPENGL);
    if (!w) return 1;
    SDL_GLContext ctx = SDL_GL_CreateContext(w);
    if (!ctx) return 1;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    SDL_GL_SwapWindow(w);
    // Ends with everything still open, as the cheapest end there is, and so the
    // libraries mapped at the end (what bench_startup counts) are all it loaded.
    return 0;
}
