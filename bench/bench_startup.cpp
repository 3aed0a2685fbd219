// Start-up: from exec to the first game frame, against a bare SDL2 + OpenGL program
// that opens the same window and presents one frame.
//
//   bench_startup [--runs N] [--zorby PATH]
//
// The game runs as `zorby --replay SCRIPT`, where the script answers the start-up
// question (the third presented frame) and ends after the first frame of the game
// proper (the sixth: the main menu, its music started), so the 38 sprites, the fonts,
// the 18 sounds and the intro's pictures are all loaded; the bare program
// (bare_sdl_window.cpp) links SDL2 and OpenGL alone. Both are started N times
// (default 11), alternating, each in a fresh process; printed are the medians of the
// wall time from fork to exit, of the processes' CPU time (user + system, all
// threads) and of their peak resident memory, the shared objects each has mapped when
// it ends (one more traced run of each), and the ratios. Goals: wall time at most 1.15
// times, peak memory at most 1.25 times, libraries at most 1.3 times. Last, the cost
// the first video or export pays once: opening the video module and the media
// libraries it brings, in the bare program (median of five).
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
#include "support/traced_run.h"

extern char** environ;

namespace {

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

struct Sample {
    double wall_ms = 0;
    double cpu_ms = 0;
    double peak_kb = 0;
    int status = -1;
};

// Runs args with `env` ("NAME=value") added to this process's environment.
Sample run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    envp.push_back(nullptr);
    Sample s;
    const double t0 = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        // The game's "Init OK" and similar lines are not part of the figure.
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) return s;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    s.wall_ms = now_ms() - t0;
    s.cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3;
    s.peak_kb = static_cast<double>(usage.ru_maxrss);
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
    // The bare window is the one the game opens: 320 x 240 times the factor the game
    // picks for the display.
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) SDL_GetDisplayBounds(0, &usable);
    const int scale = zorby::platform::automatic_scale(usable.w, usable.h, 320, 240);
    SDL_Quit();
    const std::vector<std::string> bare = {ZORBY_BARE_WINDOW, std::to_string(320 * scale),
                                           std::to_string(240 * scale)};
    const std::vector<std::string> game = {zorby, "--replay", script_path};

    // The libraries each has mapped at its end; the bare program is also run with
    // those it lacks loaded first (the cost of the game's libraries), and with them and
    // an audio device opened, steps on the way to the game's start.
    const zorby::test::TracedRun game_maps = zorby::test::run_traced(game, {});
    const zorby::test::TracedRun bare_maps = zorby::test::run_traced(bare, {});
    std::string preload = "LD_PRELOAD=";
    for (const std::string& path : game_maps.library_paths) {
        if (!bare_maps.library_paths.count(path)) preload += path + " ";
    }
    std::vector<std::string> bare_audio = bare;
    bare_audio.push_back("audio");
    std::vector<std::string> bare_picture = bare;
    bare_picture.push_back("picture");

    std::vector<double> game_wall, game_cpu, game_peak, bare_wall, bare_cpu, bare_peak;
    std::vector<double> libs_wall, audio_wall, picture_wall, picture_peak;
    for (int r = 0; r < runs; ++r) {
        libs_wall.push_back(run(bare, {preload}).wall_ms);
        audio_wall.push_back(run(bare_audio, {preload}).wall_ms);
        const Sample p = run(bare_picture);
        picture_wall.push_back(p.wall_ms);
        picture_peak.push_back(p.peak_kb);
        const Sample b = run(bare);
        const Sample g = run(game);
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
        bare_peak.push_back(b.peak_kb);
        game_peak.push_back(g.peak_kb);
    }
    unlink(script_path);
    std::filesystem::remove_all(config_dir);

    // The first video's or export's load, in a process that has none of it yet.
    std::vector<double> load_ms;
    for (int r = 0; r < 5; ++r) {
        const std::string command =
            std::string(ZORBY_BARE_WINDOW) + " --load " + ZORBY_VIDEO_MODULE_FILE;
        if (FILE* out = popen(command.c_str(), "r")) {
            double ms = 0;
            if (std::fscanf(out, "%lf", &ms) == 1) load_ms.push_back(ms);
            pclose(out);
        }
    }

    const double gw = median(game_wall), bw = median(bare_wall);
    const double gc = median(game_cpu), bc = median(bare_cpu);
    const double gp = median(game_peak) / 1024, bp = median(bare_peak) / 1024;
    const double gl = static_cast<double>(game_maps.libraries.size());
    const double bl = static_cast<double>(bare_maps.libraries.size());
    std::printf("%-28s %10s %10s %7s %6s\n", "median of runs", "game", "bare", "ratio", "goal");
    std::printf("%-28s %10.1f %10.1f %7.2f %6s\n", "wall ms, exec to exit", gw, bw, gw / bw,
                gw <= 1.15 * bw ? "met" : "NOT");
    std::printf("%-28s %10.1f %10.1f %7.2f\n", "CPU ms (user + system)", gc, bc, gc / bc);
    std::printf("%-28s %10.1f %10.1f %7.2f %6s\n", "peak resident MB", gp, bp, gp / bp,
                gp <= 1.25 * bp ? "met" : "NOT");
    std::printf("%-28s %10.0f %10.0f %7.2f %6s\n", "shared objects mapped", gl, bl, gl / bl,
                gl <= 1.3 * bl ? "met" : "NOT");
    const double lw = median(libs_wall), aw = median(audio_wall);
    std::printf(
        "steps (median wall ms): bare %.1f; + the game's libraries %.1f (+%.1f); + an "
        "audio device %.1f (+%.1f); the game %.1f (+%.1f: pictures, fonts, sounds, "
        "music, its frames)\n",
        bw, lw, lw - bw, aw, aw - lw, gw, gw - aw);
    // The renderer's own part: a software renderer compiles its drawing at the first
    // textured rectangle, which a program that only clears never pays.
    const double pw = median(picture_wall), pp = median(picture_peak) / 1024;
    std::printf(
        "bare drawing one enlarged picture (the renderer's first drawing): wall %.1f ms, peak "
        "%.1f MB; the game against it: wall %.2f, peak %.2f\n",
        pw, pp, gw / pw, gp / pp);
    std::printf("wall per run (game/bare):");
    for (int r = 0; r < runs; ++r) std::printf(" %.0f/%.0f", game_wall[r], bare_wall[r]);
    std::printf("\nfirst video or export, loading the video module: %.1f ms (median of %zu)\n",
                median(load_ms), load_ms.size());
    if (game_maps.status != 0 || bare_maps.status != 0) {
        std::fprintf(stderr, "bench_startup: a traced run failed\n");
        return 1;
    }
    return 0;
}
