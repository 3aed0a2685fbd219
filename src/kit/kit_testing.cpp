// The test kit: the engine on the deterministic platform (virtual clock, scripted
// input, a hidden window with a real OpenGL context) for a game's own tests, frame
// read-back and hashes as the replays take them, scripted replays with traces, and
// the comparison with golden trace files.
#include <png.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "audio/sound.h"
#include "engine/numbers.h"
#include "input/input_state.h"
#include "kit/kit_options.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/gl/frame_pixels.h"
#include "platform/paths.h"
#include "platform/replay/deterministic.h"
#include "platform/replay/input_script.h"
#include "platform/replay/replay_platform.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "zorby/files.h"
#include "zorby/testing.h"

namespace zorby::testing {

namespace {

// Tests run without a display or a sound card unless the environment chose drivers.
void choose_headless_drivers() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

platform::DeterministicOptions deterministic_options(const RunOptions& run, double start_ms) {
    platform::DeterministicOptions d;
    d.start_ms = start_ms;
    d.frame_period_ms = 1000.0 / run.frame_rate;
    return d;
}

// The frame the running engine is drawing, rows bottom first (empty without one).
platform::FramePixels current_frame() {
    Engine* e = engine_if_any();
    if (e == nullptr || !e->platform || !e->display || e->cleaned_up) return {};
    // Drawing is batched: what was drawn so far must reach the frame first.
    platform::frame_gl_work().flush();
    return platform::read_frame_pixels(e->platform->window());
}

}  // namespace

// ---- Session ----

struct Session::State {
    Engine engine;
    platform::DeterministicPlatform* platform = nullptr;
    bool current = false;  // this session's engine is the current one
    bool started = false;
    bool ended = false;
};

Session::Session(const SessionOptions& options) : state_(std::make_unique<State>()) {
    choose_headless_drivers();
    State& s = *state_;
    if (engine_if_any() != nullptr) {
        std::fputs("zorby: Session: an engine is already running in this process\n", stderr);
        return;
    }
    if (const std::string problem = run_options_problem(options.run); !problem.empty()) {
        std::fprintf(stderr, "zorby: Session: %s\n", problem.c_str());
        return;
    }
    set_current_engine(&s.engine);
    s.current = true;
    s.engine.settings = project_settings_for(options.run);
    s.engine.exit_hook = [](int status) { throw ProgramEnded{status}; };
    auto p =
        platform::make_deterministic_platform(deterministic_options(options.run, options.start_ms));
    s.platform = p.get();
    try {
        s.started = engine_start(std::move(p), 1, options.run.title);
    } catch (const ProgramEnded&) {
        s.started = false;
    }
    if (!s.started) s.platform = nullptr;
}

Session::~Session() {
    State& s = *state_;
    if (!s.current) return;
    if (s.engine.started && !s.engine.cleaned_up) engine_cleanup();
    s.engine.platform.reset();
    set_current_engine(nullptr);
}

bool Session::started() const {
    return state_->started && !state_->ended;
}

int Session::run(const std::function<void()>& code) {
    if (!started()) return exit_error;
    try {
        code();
    } catch (const ProgramEnded& ended) {
        state_->ended = true;
        return ended.exit_status;
    }
    return -1;
}

// A press or click given here is counted for key_pressed and mouse_pressed at once, so
// letting go before the game reads the input does not lose it.
void Session::press_key(int code) {
    if (!started()) return;
    state_->platform->set_key(code & 255, true);
    if (state_->engine.input) note_key(*state_->engine.input, code, true);
}

void Session::release_key(int code) {
    if (!started()) return;
    state_->platform->set_key(code & 255, false);
    if (state_->engine.input) note_key(*state_->engine.input, code, false);
}

void Session::tap_key(int code) {
    if (started()) state_->platform->apply({platform::ScriptEvent::Kind::Key, code & 255, 2});
}

void Session::move_mouse(int x, int y) {
    if (started()) state_->platform->apply({platform::ScriptEvent::Kind::MouseTo, x, y});
}

void Session::set_button(int button, bool down) {
    if (!started() || button < 1 || button > 3) return;
    state_->platform->apply({platform::ScriptEvent::Kind::Button, button, down ? 1 : 0});
    if (state_->engine.input) note_button(*state_->engine.input, button - 1, down);
}

bool Session::schedule(const std::string& script_text, std::string& error) {
    platform::InputScript script;
    if (!platform::parse_input_script(script_text, script, error)) return false;
    if (!started()) {
        error = "the session has not started or has ended";
        return false;
    }
    if (script.seed) seed_random(*script.seed);
    for (const platform::ScriptEvent& event : script.events) {
        state_->platform->schedule(event.at.frame, event);
    }
    return true;
}

void Session::advance_clock(double ms) {
    if (started() && ms > 0) state_->platform->advance_ms(ms);
}

double Session::clock_ms() const {
    return started() ? state_->platform->now_ms() : 0.0;
}

uint64_t Session::frames() const {
    return started() ? state_->platform->frames_presented() : 0;
}

void Session::on_frame(std::function<void(uint64_t frame)> callback) {
    if (!started()) return;
    if (!callback) {
        state_->engine.before_swap_hook = nullptr;
        return;
    }
    // Before the swap, while the frame can still be read back; input given there is
    // read in the next frame.
    platform::DeterministicPlatform* p = state_->platform;
    state_->engine.before_swap_hook = [p, callback = std::move(callback)] {
        callback(p->frames_presented());
    };
}

// ---- frame read-back ----

Pixel pixel_at(int x, int y) {
    const platform::FramePixels f = current_frame();
    if (f.empty() || x < 0 || y < 0 || x >= f.width || y >= f.height) return {};
    const size_t i = (static_cast<size_t>(f.height - 1 - y) * f.width + x) * 4;
    return {f.rgba[i], f.rgba[i + 1], f.rgba[i + 2]};
}

std::vector<uint8_t> frame_pixels() {
    const platform::FramePixels f = current_frame();
    std::vector<uint8_t> rgb;
    if (f.empty()) return rgb;
    rgb.reserve(static_cast<size_t>(f.width) * f.height * 3);
    for (int y = f.height - 1; y >= 0; --y) {
        const uint8_t* row = f.rgba.data() + static_cast<size_t>(y) * f.width * 4;
        for (int x = 0; x < f.width; ++x) rgb.insert(rgb.end(), row + x * 4, row + x * 4 + 3);
    }
    return rgb;
}

uint64_t frame_hash() {
    const platform::FramePixels f = current_frame();
    if (f.empty()) return 0;
    return fnv1a(f.rgba.data(), f.rgba.size());
}

bool save_frame_png(const std::string& path) {
    const platform::FramePixels f = current_frame();
    if (f.empty()) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(f.width);
    image.height = static_cast<png_uint_32>(f.height);
    image.format = PNG_FORMAT_RGBA;
    // A negative row stride: the rows come bottom first.
    return png_image_write_to_file(&image, path.c_str(), 0, f.rgba.data(), -f.width * 4, nullptr) !=
           0;
}

// ---- scripts ----

Script& Script::seed(uint32_t seed) {
    seed_ = "seed " + std::to_string(seed) + "\n";
    return *this;
}

Script& Script::key(uint64_t frame, int code, bool down) {
    lines_.push_back({frame, "key " + std::to_string(code & 255) + (down ? " down" : " up")});
    return *this;
}

Script& Script::tap(uint64_t frame, int code) {
    lines_.push_back({frame, "key " + std::to_string(code & 255) + " tap"});
    return *this;
}

Script& Script::mouse(uint64_t frame, int x, int y) {
    lines_.push_back({frame, "mouse " + std::to_string(x) + " " + std::to_string(y)});
    return *this;
}

Script& Script::button(uint64_t frame, int button, bool down) {
    lines_.push_back(
        {frame, "button " + std::to_string(std::clamp(button, 1, 3)) + (down ? " down" : " up")});
    return *this;
}

Script& Script::close(uint64_t frame) {
    lines_.push_back({frame, "close"});
    return *this;
}

Script& Script::end(uint64_t frame) {
    lines_.push_back({frame, "end"});
    return *this;
}

std::string Script::text() const {
    std::vector<Line> sorted = lines_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Line& a, const Line& b) { return a.frame < b.frame; });
    std::string out = seed_;
    for (const Line& line : sorted) out += std::to_string(line.frame) + " " + line.event + "\n";
    return out;
}

// ---- replays and traces ----

ReplayResult replay(const std::string& script_text, const std::function<void()>& main_routine,
                    const ReplayOptions& options) {
    ReplayResult result;
    choose_headless_drivers();
    platform::InputScript script;
    if (!platform::parse_input_script(script_text, script, result.error)) return result;
    if (engine_if_any() != nullptr) {
        result.error = "an engine is already running in this process";
        return result;
    }
    if (const std::string problem = run_options_problem(options.run); !problem.empty()) {
        result.error = problem;
        return result;
    }

    ReplayRunOptions run;
    run.settings = project_settings_for(options.run);
    run.platform = deterministic_options(options.run, 1000.0);
    run.replay.hash_every = options.hash_every;

    // One line per frame that has a hash or a text; hashes of frames the hook did
    // not see (none are expected) get lines of their own, in frame order.
    std::ostringstream trace;
    platform::ReplayPlatform* rp = nullptr;
    size_t hashes_written = 0;
    using Hashes = std::vector<std::pair<uint64_t, uint64_t>>;
    auto write_hashes_before = [&](const Hashes& hashes, uint64_t frame) {
        while (hashes_written < hashes.size() && hashes[hashes_written].first < frame) {
            const auto& [f, h] = hashes[hashes_written++];
            trace << f << ": hash " << std::hex << h << std::dec << '\n';
        }
    };
    auto write_line = [&](uint64_t frame, const std::string& text) {
        const Hashes& hashes = rp->frame_hashes();
        write_hashes_before(hashes, frame);
        const bool hashed = hashes_written < hashes.size() && hashes[hashes_written].first == frame;
        if (!hashed && text.empty()) return;
        trace << frame << ':';
        if (hashed) trace << " hash " << std::hex << hashes[hashes_written++].second << std::dec;
        if (!text.empty()) trace << ' ' << text;
        trace << '\n';
    };
    // The game's sound and music requests, by the frame they were made in.
    std::vector<SoundRequest> sounds;
    AudioRequestHooks& hooks = audio_request_hooks();
    struct HooksGone {
        AudioRequestHooks& hooks;
        ~HooksGone() { hooks = AudioRequestHooks{}; }
    } hooks_gone{hooks};
    std::string text;  // what on_frame said of the frame about to be shown
    run.on_start = [&](platform::ReplayPlatform& p) {
        rp = &p;
        Engine& e = engine();
        // The trace text is taken before the swap, while the frame can be read back;
        // its line is written after, when the replay has hashed the frame.
        e.before_swap_hook = [&] {
            text = options.on_frame ? options.on_frame(rp->frames()) : std::string();
        };
        e.frame_hook = [&] {
            write_line(rp->frames() - 1, text);
            text.clear();
        };
        // However the run ends, the frame being drawn is traced too.
        e.before_end_hook = [&] {
            if (options.on_frame) write_line(rp->frames(), options.on_frame(rp->frames()));
        };
        hooks.sound = [&](int slot, double pan, double volume, int channel) {
            sounds.push_back({rp->frames(), false, slot, pan, volume, channel, {}});
        };
        hooks.music = [&](const std::string& file) {
            sounds.push_back({rp->frames(), true, 0, 0.0, 1.0, -1, file});
        };
    };
    const zorby::ReplayResult r = run_replay(script, run, main_routine);
    write_hashes_before(r.frame_hashes, ~uint64_t{0});
    trace << "end: " << r.frames << " frames, exit status " << r.exit_status << '\n';

    result.started = r.started;
    result.exit_status = r.exit_status;
    result.frames = r.frames;
    for (const auto& [frame, hash] : r.frame_hashes) result.frame_hashes.push_back({frame, hash});
    result.combined_hash = r.combined_hash;
    result.sound_hash = r.sound_hash;
    result.sounds = std::move(sounds);
    result.trace = trace.str();
    return result;
}

WavCheck check_wav(const std::string& path) {
    WavCheck c;
    const std::optional<WavSound> wav = load_wav_file(path, c.error);
    if (!wav) return c;
    c.ok = true;
    c.error.clear();
    c.channels = wav->channels;
    c.sample_rate = wav->sample_rate;
    c.bits = wav->bits_per_sample;
    const size_t frames = wav->data.size() / static_cast<size_t>(wav->block_align);
    c.length_ms = static_cast<double>(frames) * 1000.0 / wav->sample_rate;
    return c;
}

namespace {

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

GoldenComparison compare_with_golden(const std::string& actual, const std::string& golden_path) {
    GoldenComparison c;
    const char* update = std::getenv("ZORBY_GOLDEN_UPDATE");
    if (update != nullptr && std::string(update) == "1") {
        std::string error;
        c.same = save_file_atomically(golden_path, actual, error);
        c.message = c.same ? "wrote " + golden_path : error;
        return c;
    }
    std::ifstream in(platform::native_path(golden_path), std::ios::binary);
    if (!in) {
        c.message = "no golden file " + golden_path +
                    " (run with ZORBY_GOLDEN_UPDATE=1 to write it, then review and commit it)";
        return c;
    }
    std::ostringstream golden;
    golden << in.rdbuf();
    const std::vector<std::string> want = split_lines(golden.str());
    const std::vector<std::string> got = split_lines(actual);
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(end of file)";
        const std::string g = i < got.size() ? got[i] : "(end of trace)";
        if (w != g) {
            c.message = golden_path + ":" + std::to_string(i + 1) + ": differs\n  golden: " + w +
                        "\n  actual: " + g;
            return c;
        }
    }
    c.same = true;
    return c;
}

}  // namespace zorby::testing
