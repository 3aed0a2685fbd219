// Plays video clips with the engine's video command on the deterministic platform and
// prints what it showed, for the comparison of another system's playback with the
// Linux build's: the web page's video test runs this program in the browser (the
// video layer linked in) and the Linux build's copy on the same files.
//
//   video_trace [--plain-c] CLIP...    the trace of playing each clip in turn
//   video_trace --write-clips DIR      writes the test clips (Linux build only)
//
// The trace names each clip by its file name, then for a clip that plays every 6th
// presented frame's hash and "played NAME: N frames", for one that is refused the
// error-log lines its refusal wrote, and after the clips the run's frame count. A
// "decode" line gives, not to be compared, how fast this system decodes each played
// clip (every picture decoded and converted to RGBA, as playback does, without
// showing it).
//
// --plain-c (Linux build): the media libraries run their plain C code, as they do on
// the page (built without assembly): their SIMD colour conversion rounds some pixels
// a level differently, the plain C one gives the page's pixels exactly.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_string.h"
#include "engine/error_log.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "runtime/video_module_loader.h"
#include "runtime/video_playback.h"
#ifdef ZORBY_VIDEO_TRACE_DESKTOP
extern "C" {
#include <libavutil/cpu.h>
}

#include "support/video_clip.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kHashEvery = 6;

std::vector<std::string> error_log_lines() {
    std::ifstream in(zorby::error_log_path(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Decodes every picture of the clip as playback does, on the system's real clock.
std::string decode_speed(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    std::string reason;
    const zorby::video::Module* module = zorby::video_module(reason);
    if (!module) return "decode " + name + ": " + reason;
    auto decoder = module->make_decoder({});
    if (!decoder->open(path, reason)) return "decode " + name + ": " + reason;
    const int w = decoder->width(), h = decoder->height();
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    int pictures = 0;
    double pts = 0.0;
    const auto start = std::chrono::steady_clock::now();
    while (decoder->next_picture(pts) && decoder->convert_picture(w, h, rgba.data(), w * 4)) {
        ++pictures;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    char text[160];
    std::snprintf(text, sizeof text, "decode %s: %d pictures of %dx%d in %.1f ms, %.0f a second",
                  name.c_str(), pictures, w, h, ms, ms > 0 ? pictures * 1000.0 / ms : 0.0);
    return text;
}

std::string trace(const std::vector<std::string>& clips) {
    std::ostringstream out;
    out << "# video trace: each clip, its frames' hashes and how it ended; then the run\n";
    std::vector<std::string> decode_lines;
    zorby::platform::ReplayPlatform* replay = nullptr;
    size_t hashes_written = 0;
    auto write_hashes = [&] {
        const auto& hashes = replay->frame_hashes();
        for (; hashes_written < hashes.size(); ++hashes_written) {
            const auto& [frame, hash] = hashes[hashes_written];
            out << frame << ": hash " << std::hex << hash << std::dec << '\n';
        }
    };

    zorby::ReplayRunOptions options;
    options.replay.hash_every = kHashEvery;
    options.on_start = [&](zorby::platform::ReplayPlatform& rp) { replay = &rp; };
    zorby::platform::InputScript script;
    script.seed = 1;
    // Long enough for every clip: the program ends by itself.
    script.events.push_back({{1000000, 0, 0}, zorby::platform::ScriptEvent::Kind::End});
    const zorby::ReplayResult result = zorby::run_replay(script, options, [&] {
        for (const std::string& clip : clips) {
            const std::string name = fs::path(clip).filename().string();
            out << "clip " << name << '\n';
            const size_t logged = error_log_lines().size();
            const uint64_t first = replay->frames();
            const double played = zorby::play_video(zorby::EngineString(clip), 0);
            write_hashes();
            const uint64_t shown = replay->frames() - first;
            if (played != 0.0) {
                out << "played " << name << ": " << shown << " frames\n";
                decode_lines.push_back(decode_speed(clip));
                continue;
            }
            const std::vector<std::string> log = error_log_lines();
            out << "refused " << name << ": " << shown << " frames, "
                << log.size() - std::min(logged, log.size()) << " error-log lines\n";
            for (size_t i = logged; i < log.size(); ++i) out << "log: " << log[i] << '\n';
        }
    });
    out << "end: " << result.frames << " frames, exit status " << result.exit_status << '\n';
    for (const std::string& line : decode_lines) out << line << '\n';
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef ZORBY_VIDEO_TRACE_DESKTOP
    if (args.size() == 2 && args[0] == "--write-clips") {
        // The desktop video tests' clip (MPEG-1 and PCM in Matroska); H.264 and AAC in
        // MP4 at the game's size with a busy picture, the decoders' real work; and a
        // codec (HuffYUV) that the web page's decoders lack.
        zorby::test::ClipRecipe colours;
        zorby::test::ClipRecipe texture;
        texture.container = "mp4";
        texture.video_codec = "libx264";
        texture.sound_codec = "aac";
        texture.width = 320;
        texture.height = 240;
        texture.seconds = 2.0;
        texture.textured = true;
        zorby::test::ClipRecipe lacking;
        lacking.video_codec = "huffyuv";
        lacking.seconds = 0.5;
        for (const auto& [name, recipe] :
             {std::pair{"colours.mkv", colours}, std::pair{"texture.mp4", texture},
              std::pair{"lacking.mkv", lacking}}) {
            std::string error;
            if (!zorby::test::write_clip((fs::path(args[1]) / name).string(), recipe, error)) {
                std::fprintf(stderr, "video_trace: %s: %s\n", name, error.c_str());
                return 1;
            }
        }
        return 0;
    }
#endif
    if (!args.empty() && args[0] == "--plain-c") {
#ifdef ZORBY_VIDEO_TRACE_DESKTOP
        av_force_cpu_flags(0);
#endif
        args.erase(args.begin());
    }
    if (args.empty() || args[0].starts_with("--")) {
        std::fputs("usage: video_trace [--plain-c] CLIP...\n", stderr);
        return 2;
    }
    // Start-up makes the program's folder current.
    for (std::string& clip : args) clip = fs::absolute(clip).string();
    const std::string text = trace(args);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
