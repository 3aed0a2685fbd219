// Video playback cost: CPU time per shown picture of play_video against a plain
// libavcodec decode of the same clip (the decode alone, nothing converted or shown),
// in the same run. Both are CPU time of the whole process (every thread: the
// decoder's and the OpenGL driver's). The clip is 320 x 240 at 30 frames per second
// with a busy picture, H.264 when the encoder is installed (else MPEG-4 Part 2).
// Playback runs on the virtual clock (every picture is due in time) with the
// offscreen OpenGL window at the frame's size, so its figure includes the colour
// conversion, the upload, the copy into the frame, presenting the frame in the
// window and the engine's turns between pictures (the engine runs at 60 a second).
// The last lines show the part presenting alone takes: the same number of frames
// presented as play_video presents them, each a still picture copied into the frame.
//
//   bench_video [SECONDS]      (default 10 s of clip; goal: ratio <= 1.5)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "graphics/picture_stream.h"
#include "platform/monotonic_clock.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/video_playback.h"
#include "support/engine_fixture.h"
#include "support/video_clip.h"

namespace {

using zorby::platform::process_cpu_ms;

// Decodes every picture of the file with libavcodec's defaults; returns the count.
int plain_decode(const std::string& path) {
    AVFormatContext* f = nullptr;
    if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return 0;
    avformat_find_stream_info(f, nullptr);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, f->streams[stream]->codecpar);
    avcodec_open2(c, codec, nullptr);
    AVPacket* p = av_packet_alloc();
    AVFrame* fr = av_frame_alloc();
    int pictures = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(c, fr) >= 0) {
            ++pictures;
            av_frame_unref(fr);
        }
    };
    while (av_read_frame(f, p) >= 0) {
        if (p->stream_index == stream) {
            avcodec_send_packet(c, p);
            drain();
        }
        av_packet_unref(p);
    }
    avcodec_send_packet(c, nullptr);
    drain();
    av_frame_free(&fr);
    av_packet_free(&p);
    avcodec_free_context(&c);
    avformat_close_input(&f);
    return pictures;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    zorby::testing::TempDir dir;
    const std::string path = dir.file("bench.mkv");
    zorby::test::ClipRecipe recipe;
    recipe.width = 320;
    recipe.height = 240;
    recipe.fps = 30;
    recipe.seconds = seconds;
    recipe.textured = true;
    recipe.sound = false;
    recipe.video_codec = "libx264";
    std::string error;
    if (!zorby::test::write_clip(path, recipe, error)) {
        recipe.video_codec = "mpeg4";
        if (!zorby::test::write_clip(path, recipe, error)) {
            std::fprintf(stderr, "bench_video: %s\n", error.c_str());
            return 1;
        }
    }
    av_log_set_level(AV_LOG_QUIET);
    plain_decode(path);  // warm the file cache and the libraries

    double t0 = process_cpu_ms();
    const int decoded = plain_decode(path);
    const double plain_ms = process_cpu_ms() - t0;

    zorby::VideoPlaybackStats stats;
    double play_ms = 0.0, bare_ms = 0.0;
    {
        zorby::testing::TestEngine te;
        if (!te.start()) {
            std::fputs("bench_video: no window\n", stderr);
            return 1;
        }
        t0 = process_cpu_ms();
        zorby::play_video(zorby::EngineString(path), 0, &stats);
        play_ms = process_cpu_ms() - t0;
        // The same number of bare frames, for comparison: what presenting alone costs.
        // Each differs from the one before (a frame equal to the one on show is not
        // presented again), as a playing video's do: two still pictures taking turns,
        // each a plain copy into the frame.
        std::vector<uint8_t> still(static_cast<size_t>(320) * 240 * 4);
        zorby::PictureStream stills[2];
        for (int k = 0; k < 2; ++k) {
            for (size_t i = 0; i < still.size(); ++i) still[i] = static_cast<uint8_t>(i * (k + 3));
            stills[k].update(still.data(), 320, 240, 320);
        }
        t0 = process_cpu_ms();
        for (int i = 0; i < stats.frames_presented; ++i) {
            stills[i % 2].draw(0, 0, 320, 240);
            zorby::present_frame(false);
        }
        bare_ms = process_cpu_ms() - t0;
    }
    if (decoded <= 0 || stats.pictures_shown <= 0) {
        std::fputs("bench_video: nothing decoded\n", stderr);
        return 1;
    }
    const double plain_per = plain_ms / decoded;
    const double play_per = play_ms / stats.pictures_shown;
    std::printf("clip: %s 320x240 30 fps, %.0f s\n", recipe.video_codec.c_str(), seconds);
    std::printf("plain decode: %d pictures, %.3f ms CPU each\n", decoded, plain_per);
    std::printf("play_video:   %d shown (%d dropped), %d frames presented, %.3f ms CPU per shown\n",
                stats.pictures_shown, stats.pictures_dropped, stats.frames_presented, play_per);
    const double bare_per = bare_ms / stats.pictures_shown;
    std::printf("bare frames:  %.3f ms CPU per shown picture's share of presenting\n", bare_per);
    std::printf("cpu ratio play/plain %.2f (goal <= 1.5)\n", play_per / plain_per);
    std::printf("of which presenting %.2f, the rest %.2f\n", bare_per / plain_per,
                (play_per - plain_per - bare_per) / plain_per);
    return 0;
}
