// The bare SDL2 + OpenGL window the frame benchmarks compare the engine with: 320 x
// 240, the same pixel format as the engine's window, no swap interval, a projection
// in window pixels with the origin at the top left.
#pragma once

#include <GL/gl.h>
#include <SDL.h>

struct BareGlWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

inline BareGlWindow open_bare_gl_window() {
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    BareGlWindow b;
    b.window = SDL_CreateWindow("bare", 0, 0, 320, 240, SDL_WINDOW_OPENGL);
    b.context = SDL_GL_CreateContext(b.window);
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, 320, 240);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 320, 240, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return b;
}

inline void close_bare_gl_window(BareGlWindow& b) {
    SDL_GL_DeleteContext(b.context);
    SDL_DestroyWindow(b.window);
    SDL_Quit();
}
