// Stage cost: the game's CPU time per frame in each stage (and in the menu), replayed
// from an input recording on the virtual clock with off-screen rendering, drawing
// included (the process CPU time counts the software renderer's threads too),
// against a reference: the same drawing work done with plain OpenGL calls.
//
//   bench_stages [RECORDING] [--frames N] [--keep PATH] [--runs R] [--hash]
//
// A first replay records the drawing work of every frame (the textured quads of
// sprites, text and backgrounds, lines, blending and viewport changes, in order, and
// the textures' pixels). Then, R times (default 3), a bare SDL2 + OpenGL program in
// this process replays that list frame by frame (clear, the plainest calls, flush,
// swap), and the engine replays the recording again; the two alternate so both see
// the same machine. Per stage it reports the median CPU per frame of each side (the
// median over the runs of each run's median) and the ratio. Goal: at most 1.2.
// Both sides wait for the renderer to finish each frame before reading the clock: a
// software renderer draws on threads of its own, and without the wait a frame's
// drawing lands in whichever later frame the threads happen to run in.
// --hash prints a hash of every frame's pixels, to show that drawing is unchanged.
//
// RECORDING is an input script as "zorby --record FILE" writes it. Without one, a bot
// plays N frames (default 30000, about 8 minutes of play) with the mouse, and that
// run is recorded first (--keep PATH keeps the recording). The replay then runs as
// fast as it can; per stage it reports the frames, the CPU time per frame (median,
// mean, 99th percentile) and the frames per second the replay sustained. Frames that
// end in a pause (title cards, stage ends) carry the pause's polling, so the mean
// and the 99th percentile sit above the median. Goal: under 1 ms CPU per frame.
#include <GL/gl.h>
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "draw_trace.h"
#include "engine/numbers.h"
#include "game/bot_player.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "graphics/display.h"
#include "graphics/sprite_store.h"
#include "platform/monotonic_clock.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"

namespace {

using zorby::platform::monotonic_ms;
using zorby::platform::process_cpu_ms;

namespace fs = std::filesystem;
using zorby::game::GameState;

// Plays frames frames with the bot and records the run's input to path.
bool record_bot_run(const std::string& path, const std::string& game_dir, uint64_t frames) {
    zorby::Engine e;
    zorby::set_current_engine(&e);
    e.exit_hook = [](int status) { throw zorby::ProgramEnded{status}; };
    auto inner = zorby::platform::make_deterministic_platform({});
    zorby::platform::DeterministicPlatform& input = *inner;
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) {
        std::fprintf(stderr, "bench_stages: cannot write %s\n", path.c_str());
        zorby::set_current_engine(nullptr);
        return false;
    }
    // Not paced to real time: the bot plays as fast as the machine allows.
    zorby::platform::RecordingOptions recording;
    recording.realtime = false;
    auto recorder = std::make_unique<zorby::platform::RecordingPlatform>(
        std::move(inner), std::move(file), recording);
    const uint32_t seed = 20240601;
    recorder->record_seed(seed);
    bool ok = true;
    try {
        if (!zorby::engine_start(std::move(recorder), 1, "zorby")) throw zorby::ProgramEnded{1};
        zorby::seed_random(seed);
        fs::current_path(game_dir);
        zorby::game::reset_game_state();
        zorby::testing::BotPlayer bot(input, 1234);
        uint64_t presented = 0;
        e.frame_hook = [&] {
            if (++presented == frames) {
                input.apply({zorby::platform::ScriptEvent::Kind::Close});
            } else if (presented < frames) {
                bot.step(zorby::game::game());
            }
        };
        zorby::game::game_main();
        zorby::end_program();
    } catch (const zorby::ProgramEnded& ended) {
        ok = ended.exit_status == 0;
    }
    zorby::set_current_engine(nullptr);
    return ok;
}

// Where a frame's time goes: the stage that runs, or the menu and game-over screens.
const char* bucket_of(const GameState& g) {
    const zorby::game::Stage stage = zorby::game::running_stage(g);
    return stage == zorby::game::Stage::none ? "menu" : zorby::game::stage_name(stage);
}

const char* const kBuckets[] = {"time-attack", "lost-and-found", "labyrinth", "masked-smileys",
                                "menu"};

double median_of(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// What the first replay saw: the drawing work of each frame and the textures it used.
struct Capture {
    zorby::bench::DrawTrace trace;
    struct Frame {
        size_t first_op, end_op;
        std::string bucket;
    };
    std::vector<Frame> frames;
    struct Texture {
        int32_t width = 0, height = 0;
        GLint filter = GL_LINEAR;  // as made (the ops say when drawing changed it)
        std::vector<uint8_t> rgba;
    };
    std::map<uint32_t, Texture> textures;
    int32_t width = 320, height = 240;
};

// The pixels of the textures the ops from `first` on use, read while they exist.
void keep_textures(Capture& c, size_t first) {
    for (size_t i = first; i < c.trace.ops.size(); ++i) {
        const zorby::bench::DrawOp& op = c.trace.ops[i];
        if (op.kind != zorby::bench::DrawOp::Kind::quads || op.texture == 0) continue;
        if (c.textures.count(op.texture) || !glIsTexture(op.texture)) continue;
        Capture::Texture& t = c.textures[op.texture];
        glBindTexture(GL_TEXTURE_2D, op.texture);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &t.filter);
        glBindTexture(GL_TEXTURE_2D, op.texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.height);
        t.rgba.resize(size_t(t.width) * size_t(t.height) * 4);
        GLint alignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.rgba.data());
        glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    }
}

using Buckets = std::map<std::string, std::vector<double>>;

// One replay of the recording by the engine; CPU per frame by stage. With a capture,
// the drawing work is recorded as well (and the times are not used).
zorby::ReplayResult engine_run(const zorby::platform::InputScript& script,
                               const zorby::testing::TempDir& dir, Buckets& buckets,
                               Capture* capture, uint64_t hash_every) {
    std::string current = "menu";
    double last_cpu = 0;
    zorby::ReplayRunOptions options;
    options.replay.hash_every = hash_every;
    options.on_start = [&](zorby::platform::ReplayPlatform&) { fs::current_path(dir.path()); };
    const fs::path start_dir = fs::current_path();
    const zorby::ReplayResult result = zorby::run_replay(script, options, [&] {
        zorby::game::reset_game_state();
        zorby::OpenGLVizovudo& d = *zorby::engine().display;
        size_t first_op = 0;
        if (capture) {
            capture->trace.frame_height = d.height;
            zorby::platform::frame_gl_work().observer =
                [capture](const zorby::platform::FrameGlWork::Op& op) { capture->trace.see(op); };
            capture->width = d.width;
            capture->height = d.height;
        }
        last_cpu = process_cpu_ms();
        zorby::engine().frame_hook = [&] {
            glFinish();
            const double c = process_cpu_ms();
            buckets[current].push_back(c - last_cpu);
            if (capture) {
                keep_textures(*capture, first_op);
                capture->frames.push_back({first_op, capture->trace.ops.size(), current});
                first_op = capture->trace.ops.size();
            }
            current = bucket_of(zorby::game::game());
            last_cpu = process_cpu_ms();
        };
        zorby::game::game_main();
    });
    zorby::platform::frame_gl_work().observer = nullptr;
    fs::current_path(start_dir);
    return result;
}

// The reference: a bare SDL2 + OpenGL program drawing the captured work of every
// frame with the plainest calls, changing state only where the work changes it.
bool reference_run(const Capture& c, Buckets& buckets) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* window = SDL_CreateWindow("reference", 0, 0, c.width, c.height, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    SDL_GL_SetSwapInterval(0);
    std::map<uint32_t, GLuint> names;
    std::map<GLuint, GLint> filters;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const auto& [old_name, t] : c.textures) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     t.rgba.data());
        names[old_name] = name;
        filters[name] = GL_LINEAR;
    }
    auto full_view = [&](const int32_t* v) {
        int32_t x = v[0], y = v[1], w = v[2], h = v[3];
        if (w <= 0 || h <= 0) x = y = 0, w = c.width, h = c.height;
        glViewport(x, c.height - h - y, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, h, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
    };
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glAlphaFunc(GL_GREATER, 0.05f);
    glShadeModel(GL_FLAT);
    glDisable(GL_DITHER);
    const int32_t whole[4] = {0, 0, 0, 0};
    const float* vx = c.trace.vertices.data();
    double last_cpu = process_cpu_ms();
    for (const Capture::Frame& f : c.frames) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        glClear(GL_COLOR_BUFFER_BIT);
        full_view(whole);
        glEnable(GL_ALPHA_TEST);
        bool alpha_test = true, textured = false;
        GLuint bound = 0;
        float alpha = 1.0f;
        glDisable(GL_BLEND);
        glColor4f(1, 1, 1, 1);
        for (size_t i = f.first_op; i < f.end_op; ++i) {
            const zorby::bench::DrawOp& op = c.trace.ops[i];
            switch (op.kind) {
                case zorby::bench::DrawOp::Kind::blend:
                    if (op.blend == 0) {
                        glDisable(GL_BLEND);
                    } else {
                        glEnable(GL_BLEND);
                        glBlendFunc(GL_SRC_ALPHA, op.blend == 1 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
                    }
                    alpha = op.alpha;
                    glColor4f(1, 1, 1, alpha);
                    break;
                case zorby::bench::DrawOp::Kind::viewport:
                    full_view(op.view);
                    break;
                case zorby::bench::DrawOp::Kind::line: {
                    if (textured) glDisable(GL_TEXTURE_2D), textured = false;
                    if (alpha_test) glDisable(GL_ALPHA_TEST), alpha_test = false;
                    glColor4ub(op.colour & 0xFF, (op.colour >> 8) & 0xFF, (op.colour >> 16) & 0xFF,
                               op.colour >> 24);
                    const float* p = vx + size_t(op.first) * 4;
                    glBegin(GL_LINES);
                    glVertex2f(p[0] + 0.375f, p[1] + 0.375f);
                    glVertex2f(p[4] + 0.375f, p[5] + 0.375f);
                    glEnd();
                    glBegin(GL_POINTS);
                    glVertex2f(p[4] + 0.375f, p[5] + 0.375f);
                    glEnd();
                    glColor4f(1, 1, 1, alpha);
                    break;
                }
                case zorby::bench::DrawOp::Kind::quads: {
                    const auto found = names.find(op.texture);
                    const GLuint name = found == names.end() ? 0 : found->second;
                    if (name != 0 && !textured) glEnable(GL_TEXTURE_2D), textured = true;
                    if (name == 0 && textured) glDisable(GL_TEXTURE_2D), textured = false;
                    if (name != bound) glBindTexture(GL_TEXTURE_2D, name), bound = name;
                    const GLint filter = op.filter != 0 ? op.filter
                                         : found == names.end()
                                             ? GL_LINEAR
                                             : c.textures.at(found->first).filter;
                    if (name != 0 && filters[name] != filter) {
                        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
                        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
                        filters[name] = filter;
                    }
                    if (op.alpha_test != alpha_test) {
                        (op.alpha_test ? glEnable : glDisable)(GL_ALPHA_TEST);
                        alpha_test = op.alpha_test;
                    }
                    glBegin(GL_QUADS);
                    const float* p = vx + size_t(op.first) * 4;
                    for (uint32_t k = 0; k < op.count; ++k, p += 4) {
                        glTexCoord2f(p[2], p[3]);
                        glVertex2f(p[0], p[1]);
                    }
                    glEnd();
                    break;
                }
            }
        }
        glFlush();
        SDL_GL_SwapWindow(window);
        glFinish();
        const double now = process_cpu_ms();
        buckets[f.bucket].push_back(now - last_cpu);
        last_cpu = now;
    }
    for (const auto& [old_name, name] : names) glDeleteTextures(1, &name);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string recording;
    std::string keep;
    uint64_t frames = 30000;
    int runs = 3;
    bool hash = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            keep = argv[++i];
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--hash") == 0) {
            hash = true;
        } else {
            recording = argv[i];
        }
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    zorby::testing::TempDir dir;
    zorby::testing::fill_game_dir(dir);
    const fs::path start_dir = fs::current_path();
    if (recording.empty()) {
        recording = keep.empty() ? dir.file("bot.rec") : keep;
        std::printf("recording a bot run of %llu frames...\n",
                    static_cast<unsigned long long>(frames));
        if (!record_bot_run(recording, dir.path(), frames)) {
            std::fprintf(stderr, "bench_stages: the bot run failed\n");
            return 1;
        }
        fs::current_path(start_dir);
    }

    zorby::platform::InputScript script;
    std::string error;
    if (!zorby::platform::load_input_script(recording, script, error)) {
        std::fprintf(stderr, "bench_stages: %s\n", error.c_str());
        return 1;
    }

    Capture capture;
    Buckets ignored;
    const double wall_start = monotonic_ms();
    const zorby::ReplayResult first = engine_run(script, dir, ignored, &capture, hash ? 1 : 0);
    std::printf("replayed %llu frames in %.1f s (recording the drawing work, exit status %d)\n",
                static_cast<unsigned long long>(first.frames),
                (monotonic_ms() - wall_start) / 1000.0, first.exit_status);
    if (hash) {
        std::printf("frame hash %016llx over %zu frames, sound hash %016llx\n",
                    static_cast<unsigned long long>(first.combined_hash), first.frame_hashes.size(),
                    static_cast<unsigned long long>(first.sound_hash));
    }

    std::map<std::string, std::vector<double>> engine_medians, reference_medians;
    std::map<std::string, size_t> frame_counts;
    for (int run = 0; run < runs; ++run) {
        Buckets reference, engine;
        if (!reference_run(capture, reference)) {
            std::fprintf(stderr, "bench_stages: no window for the reference\n");
            return 1;
        }
        const zorby::ReplayResult r = engine_run(script, dir, engine, nullptr, 0);
        if (r.exit_status != first.exit_status || r.frames != first.frames) {
            std::fprintf(stderr, "bench_stages: the replays differ\n");
            return 1;
        }
        for (const char* name : kBuckets) {
            if (engine[name].empty()) continue;
            engine_medians[name].push_back(median_of(engine[name]));
            reference_medians[name].push_back(median_of(reference[name]));
            frame_counts[name] = engine[name].size();
        }
    }

    std::printf("%-15s %8s %11s %11s %7s   %s\n", "stage", "frames", "engine ms", "plain GL ms",
                "ratio", "per run (engine / plain GL)");
    bool met = true;
    for (const char* name : kBuckets) {
        if (engine_medians[name].empty()) continue;
        const double e = median_of(engine_medians[name]);
        const double g = median_of(reference_medians[name]);
        const double ratio = g > 0 ? e / g : 0;
        met = met && ratio <= 1.2;
        std::printf("%-15s %8zu %11.3f %11.3f %7.3f  ", name, frame_counts[name], e, g, ratio);
        for (size_t i = 0; i < engine_medians[name].size(); ++i)
            std::printf(" %.3f/%.3f", engine_medians[name][i], reference_medians[name][i]);
        std::printf("\n");
    }
    std::printf("(median CPU per frame in ms, drawing included; goal: ratio at most 1.2: %s)\n",
                met ? "met" : "NOT met");
    return first.exit_status == 0 ? 0 : 1;
}
