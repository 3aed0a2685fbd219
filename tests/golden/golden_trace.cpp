// Prints the golden trace (tests/support/golden_trace.h) of one recording, for the
// comparison of another system's run with the committed Linux traces: the web page's
// test runs this program in the browser and, where a frame's hash differs, the Linux
// build's copy of it for the Linux pixels.
//
//   golden_trace SCRIPT GAME_FILES [FRAMES_DIR]
//
// GAME_FILES is copied into a fresh folder first (a run may rewrite hc.txt there).
// With FRAMES_DIR, every hashed frame is also written there as FRAME.rgba: the RGBA
// bytes as read back, rows bottom first. On a desktop the caller chooses the drivers
// (SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy for no window and no sound).
#include "support/golden_trace.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/replay/input_script.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fputs("usage: golden_trace SCRIPT GAME_FILES [FRAMES_DIR]\n", stderr);
        return 2;
    }
    zorby::platform::InputScript script;
    std::string error;
    if (!zorby::platform::load_input_script(argv[1], script, error)) {
        std::fprintf(stderr, "golden_trace: %s\n", error.c_str());
        return 2;
    }
    std::error_code ec;
    std::string name = (fs::temp_directory_path(ec) / "zorby-golden-trace-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) {
        std::fprintf(stderr, "golden_trace: cannot make a folder %s\n", name.c_str());
        return 2;
    }
    const fs::path dir = name;
    fs::copy(argv[2], dir, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "golden_trace: cannot copy %s to %s: %s\n", argv[2],
                     dir.string().c_str(), ec.message().c_str());
        return 2;
    }
    zorby::testing::GoldenTraceOptions options;
    if (argc == 4) {
        const fs::path frames = argv[3];
        fs::create_directories(frames, ec);
        options.on_hashed_frame = [frames](uint64_t frame, const zorby::platform::FramePixels& p) {
            std::ofstream out(frames / (std::to_string(frame) + ".rgba"),
                              std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(p.rgba.data()),
                      static_cast<std::streamsize>(p.rgba.size()));
        };
    }
    const std::string trace = zorby::testing::golden_trace(script, dir.string(), options);
    fs::remove_all(dir, ec);
    std::fwrite(trace.data(), 1, trace.size(), stdout);
    return 0;
}
