// Start-up time: from exec to the first game frame, against a bare SDL2 + OpenGL
// program that opens the same window and presents one frame.
//
//   bench_startup [--runs N] [--zorby PATH]
//
// The game runs as `zorby --replay SCRIPT`, where the script answers the start-up
// question (the third presented frame) and ends after the first frame of the game
// proper (the sixth: the main menu, its music started), so the 38 sprites, the fonts,
// the 18 sounds and the intro's pictures are all loaded; the
// bare program is this benchmark started again with `--bare`. Both are started
// N times (default 11), alternating, each in a fresh process; printed are the
// medians of the wall time from fork to exit and of the processes' CPU time (user +
// system, all threads), and the ratios. Goal: wall time at most 1.3 times.
#include <GL/gl.h>
#include <SDL.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/portable/window_layout.h"

namespace {

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// The bare program: the window the game opens (320 x 240 times the factor the game
// picks for the display, the same pixel format), one cleared frame presented.
int bare() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) SDL_GetDisplayBounds(0, &usable);
    const int scale = zorby::platform::automatic_scale(usable.w, usable.h, 320, 240);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* w = SDL_CreateWindow("bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     320 * scale, 240 * scale, SDL_WINDOW_OPENGL);
    if (!w) return 1;
    SDL_GLContext ctx = SDL_GL_CreateContext(w);
    if (!ctx) return 1;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    SDL_GL_SwapWindow(w);
    SDL_GL_DeleteContext(ctx);
    SDL_DestroyWindow(w);
    SDL_Quit();
    return 0;
}

struct Sample {
    double wall_ms = 0;
    double cpu_ms = 0;
    int status = -1;
};

Sample run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Sample s;
    const double t0 = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        // The game's "Init OK" and similar lines are not part of the figure.
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return s;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    s.wall_ms = now_ms() - t0;
    s.cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3;
    s.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 11;
    std::string zorby = ZORBY_BINARY_DIR "/src/zorby";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bare") == 0) return bare();
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--zorby") == 0 && i + 1 < argc) {
            zorby = argv[++i];
        }
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    // The game reads its settings (window scale, full screen) from the player's
    // folder: an empty one of its own keeps a player's choices out of the figure.
    char config_dir[] = "/tmp/zorby-startup-config-XXXXXX";
    if (!mkdtemp(config_dir)) return 1;
    setenv("XDG_CONFIG_HOME", config_dir, 1);
    setenv("XDG_DATA_HOME", config_dir, 1);

    char script_path[] = "/tmp/zorby-startup-XXXXXX";
    const int fd = mkstemp(script_path);
    if (fd < 0) return 1;
    close(fd);
    {
        std::ofstream script(script_path);
        // Frames count the presented frames from the program's start: the blank first
        // frame (1), "Loading..." (2), the device question (3), which X answers (the
        // keyboard cursor); the two intro pictures (4, 5) and the first frame of the
        // game proper, the main menu with its music (6), after which the replay ends.
        script << "seed 1\n3 key 45 down\n4 key 45 up\n6 end\n";
    }
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;

    std::vector<double> game_wall, game_cpu, bare_wall, bare_cpu;
    for (int r = 0; r < runs; ++r) {
        const Sample b = run({self, "--bare"});
        const Sample g = run({zorby, "--replay", script_path});
        if (b.status != 0 || g.status != 0) {
            std::fprintf(stderr, "bench_startup: a run failed (bare %d, game %d)\n", b.status,
                         g.status);
            unlink(script_path);
            std::filesystem::remove_all(config_dir);
            return 1;
        }
        bare_wall.push_back(b.wall_ms);
        bare_cpu.push_back(b.cpu_ms);
        game_wall.push_back(g.wall_ms);
        game_cpu.push_back(g.cpu_ms);
    }
    unlink(script_path);
    std::filesystem::remove_all(config_dir);
    const double gw = median(game_wall), bw = median(bare_wall);
    const double gc = median(game_cpu), bc = median(bare_cpu);
    std::printf("%-28s %10s %10s %7s\n", "median of runs", "game ms", "bare ms", "ratio");
    std::printf("%-28s %10.1f %10.1f %7.2f\n", "wall, exec to exit", gw, bw, gw / bw);
    std::printf("%-28s %10.1f %10.1f %7.2f\n", "CPU (user + system)", gc, bc, gc / bc);
    std::printf("wall per run (game/bare):");
    for (int r = 0; r < runs; ++r) std::printf(" %.0f/%.0f", game_wall[r], bare_wall[r]);
    std::printf("\ngoal (wall at most 1.3 times): %s\n", gw <= 1.3 * bw ? "met" : "NOT met");
    return 0;
}
