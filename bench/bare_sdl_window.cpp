// The bare program bench_startup measures the game against, linked with SDL2 and
// OpenGL alone (what a program that opens a window cannot do without):
//
//   bare_sdl_window WIDTH HEIGHT [audio]
//                                     opens a WIDTH x HEIGHT OpenGL window (the game's
//                                     pixel format), presents one cleared frame and
//                                     ends without closing anything;
//                                     with "audio" it opens an audio device first (the
//                                     game's format), a step of the game's start;
//                                     with "picture" the frame it presents is a 320 x
//                                     240 picture drawn enlarged to the window (a
//                                     texture, one textured rectangle): the least a
//                                     program showing the game's picture does
//   bare_sdl_window --load LIBRARY    opens LIBRARY and calls its video module entry;
//                                     prints the milliseconds that took
#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    if (argc < 3 || argc > 5) return 2;
    bool with_audio = false, with_picture = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "audio") == 0) {
            with_audio = true;
        } else if (std::strcmp(argv[i], "picture") == 0) {
            with_picture = true;
        } else {
            return 2;
        }
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_AudioDeviceID audio = 0;
    if (with_audio) {
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
    if (with_picture) {
        std::vector<uint8_t> texels(320 * 240 * 4);
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 7);
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 320, 240, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glEnd();
    }
    glFlush();
    SDL_GL_SwapWindow(w);
    // Ends with everything still open, as the cheapest end there is, and so the
    // libraries mapped at the end (what bench_startup counts) are all it loaded.
    return 0;
}
