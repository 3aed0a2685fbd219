// Small video files made on the spot with the media libraries' encoders, for the
// video playback tests and benchmark: a solid colour that changes every second and a
// tone that is on in odd seconds, in any container and codec the libraries have.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zorby::test {

struct ClipRecipe {
    std::string container = "matroska";  // muxer name: matroska, avi, ...
    std::string video_codec = "mpeg1video";
    std::string sound_codec = "pcm_s16le";
    bool picture = true;
    bool sound = true;
    int width = 64, height = 48;
    int fps = 25;
    double seconds = 3.0;
    int sample_rate = 44100;
    int tone_hz = 1000;
    // Colour (R + 256 G + 65536 B) of a frame; default: kClipColours by second.
    std::function<uint32_t(int frame, double t)> colour;
    // When set, the colour of the picture's bottom half (which way up it is shown).
    std::function<uint32_t(int frame, double t)> lower_colour;
    // A busier picture (moving noise-like pattern) instead of solid colours, so the
    // encoder has real work (benchmark).
    bool textured = false;
    // Where the clip's time line starts, as in a piece cut from a longer recording
    // (a whole number of picture periods): every time stamp is shifted by it.
    int start_ms = 0;
};

// The colours of seconds 0, 1, 2, ... (repeating after the last).
constexpr uint32_t kClipColours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00};
uint32_t clip_colour_of_second(int second);

// Writes the clip; false with a reason when an encoder or the muxer is missing.
bool write_clip(const std::string& path, const ClipRecipe& recipe, std::string& error);

// What the media libraries lack to write the clip ("no muxer matroska", "no encoder
// mjpeg"); empty when they have it all.
std::string clip_writer_gap(const ClipRecipe& recipe);

}  // namespace zorby::test

// The Windows build's media libraries are built to decode only: no clip can be written
// there, and a test that needs one is skipped, naming what is missing. Elsewhere the
// test goes on (and fails if the clip cannot be written).
#ifdef _WIN32
#define ZORBY_SKIP_WITHOUT_CLIP_WRITER(recipe)                                                  \
    if (const std::string clip_gap = ::zorby::test::clip_writer_gap(recipe); !clip_gap.empty()) \
    GTEST_SKIP() << "the Windows media libraries only decode, no test clip can be made ("       \
                 << clip_gap << ")"
#else
#define ZORBY_SKIP_WITHOUT_CLIP_WRITER(recipe) static_cast<void>(recipe)
#endif
