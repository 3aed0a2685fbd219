// Frame loop cost: the engine's present_frame loop against a bare SDL2 + OpenGL
// loop that draws the same frame and sleeps to an absolute deadline, both at 60
// frames per second, in the same run. Reports CPU time per second of running, and
// how late each frame starts against its slot (median, 99th percentile, worst) and
// how many slots were dropped.
//
//   bench_frame_loop [SECONDS]      (default 10 per loop; SDL_VIDEODRIVER as you like)
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bare_gl_window.h"
#include "graphics/display.h"
#include "platform/monotonic_clock.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace {

using zorby::platform::monotonic_ms;
using zorby::platform::process_cpu_ms;
using zorby::platform::sleep_until_monotonic;

// The frame both loops draw: a background, 100 small quads and a bar.
void draw_frame(int frame) {
    glDisable(GL_TEXTURE_2D);
    glClearColor(0.1f, 0.1f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    for (int i = 0; i < 100; ++i) {
        const float x = static_cast<float>((i * 37 + frame) % 300);
        const float y = static_cast<float>((i * 53) % 220);
        glColor3ub(static_cast<GLubyte>(i * 2), 200, static_cast<GLubyte>(255 - i));
        glVertex2f(x + 18, y);
        glVertex2f(x, y);
        glVertex2f(x, y + 18);
        glVertex2f(x + 18, y + 18);
    }
    glEnd();
    glColor4f(1, 1, 1, 1);
}

struct Result {
    double cpu_per_second = 0;
    double median = 0, p99 = 0, worst = 0;
    int dropped = 0;
    int frames = 0;
};

Result summarise(std::vector<double> lateness, double cpu, double seconds, int dropped) {
    Result r;
    r.frames = static_cast<int>(lateness.size());
    r.cpu_per_second = cpu / seconds;
    std::sort(lateness.begin(), lateness.end());
    if (!lateness.empty()) {
        r.median = lateness[lateness.size() / 2];
        r.p99 = lateness[std::min(lateness.size() - 1, lateness.size() * 99 / 100)];
        r.worst = lateness.back();
    }
    r.dropped = dropped;
    return r;
}

Result bare_loop(double seconds) {
    BareGlWindow bare = open_bare_gl_window();
    SDL_Window* w = bare.window;
    const double period = 1000.0 / 60.0;
    const int frames = static_cast<int>(seconds * 60);
    std::vector<double> lateness;
    int dropped = 0;
    double next = monotonic_ms() + period;
    const double cpu0 = process_cpu_ms();
    const double t0 = monotonic_ms();
    for (int f = 0; f < frames; ++f) {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
        draw_frame(f);
        // Offscreen surfaces do not flush on swap; without this the frame would never
        // be drawn at all (the engine's window flushes before every swap too).
        glFlush();
        SDL_GL_SwapWindow(w);
        sleep_until_monotonic(next);
        const double now = monotonic_ms();
        lateness.push_back(now - next);
        next += period;
        while (next < now) {
            next += period;
            ++dropped;
        }
    }
    const double cpu = process_cpu_ms() - cpu0;
    const double wall = (monotonic_ms() - t0) / 1000.0;
    close_bare_gl_window(bare);
    return summarise(lateness, cpu, wall, dropped);
}

Result engine_loop(double seconds) {
    using namespace zorby;
    static Engine e;
    set_current_engine(&e);
    if (!engine_start(platform::make_sdl_platform(), 1, "zorby")) {
        std::fputs("engine did not start\n", stderr);
        std::exit(1);
    }
    const int frames = static_cast<int>(seconds * 60);
    std::vector<double> lateness;
    int dropped = 0;
    auto& d = *e.display;
    const double cpu0 = process_cpu_ms();
    const double t0 = monotonic_ms();
    for (int f = 0; f < frames; ++f) {
        draw_frame(f);
        d.set_viewport(0, 0, 0, 0);
        const double slot = d.next_frame_time;
        present_frame();
        // present_frame returns once the slot has passed: how far past it are we?
        const double now = clock_ms();
        lateness.push_back(now - slot);
        const double advanced = d.next_frame_time - slot;
        if (advanced > d.frame_period * 1.5)
            dropped += static_cast<int>(advanced / d.frame_period + 0.5) - 1;
    }
    const double cpu = process_cpu_ms() - cpu0;
    const double wall = (monotonic_ms() - t0) / 1000.0;
    engine_cleanup();
    return summarise(lateness, cpu, wall, dropped);
}

void print(const char* name, const Result& r) {
    std::printf(
        "%-8s frames %5d  cpu %6.1f ms/s  lateness median %.3f ms  p99 %.3f ms  worst %.3f ms  "
        "dropped %d\n",
        name, r.frames, r.cpu_per_second, r.median, r.p99, r.worst, r.dropped);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    // ZORBY_BENCH_ENGINE_FIRST=1 runs the engine loop first (to rule out order effects).
    const bool engine_first = std::getenv("ZORBY_BENCH_ENGINE_FIRST") != nullptr;
    Result bare, eng;
    if (engine_first) {
        eng = engine_loop(seconds);
        bare = bare_loop(seconds);
    } else {
        bare = bare_loop(seconds);
        eng = engine_loop(seconds);
    }
    print("bare", bare);
    print("engine", eng);
    std::printf(
        "cpu ratio engine/bare %.2f (goal <= 1.5); engine p99 lateness %.3f ms (goal <= 0.2)\n",
        eng.cpu_per_second / bare.cpu_per_second, eng.p99);
    return 0;
}
