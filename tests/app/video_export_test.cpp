// Exporting a replay as a video, read back with libavformat: the lossless .mkv of the
// golden mouse game holds every frame the replay shows, enlarged, for as long as the
// virtual clock shows it, and a sound track as long as the picture whose first sound
// starts within a frame of the game's request; .mp4, .webm and .gif decode with the
// right frame count and size; a bad name or folder and a stop request leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "app/game_keeping.h"
#include "audio/sound.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "platform/gl/frame_pixels.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "runtime/replay_export.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

platform::InputScript golden(const std::string& name) {
    platform::InputScript script;
    std::string error;
    EXPECT_TRUE(platform::load_input_script(
        std::string(ZORBY_SOURCE_DIR) + "/tests/golden/" + name + ".script", script, error))
        << error;
    return script;
}

// The game's files in a folder of the test's own, current while the game runs (the
// table is read and written there).
class GameFolder {
public:
    GameFolder() {
        for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
            const std::string name = entry.path().filename().string();
            if (name == "hc.txt") {
                fs::copy_file(entry.path(), dir_.file(name));
            } else {
                link_or_copy(entry.path(), dir_.file(name));
            }
        }
        old_ = fs::current_path().string();
    }
    ~GameFolder() { fs::current_path(old_); }
    std::function<void()> main_routine() const {
        const std::string path = dir_.path();
        return [path] {
            fs::current_path(path);
            game::reset_game_state();
            game::game_main();
        };
    }
    std::string file(const std::string& name) const { return dir_.file(name); }

private:
    TempDir dir_;
    std::string old_;
};

uint64_t hash_bytes(const uint8_t* data, size_t size) {
    return fnv1a(data, size);
}

// What the replay shows, from a plain replay: for every frame, the 60 fps slot of its
// moment on the virtual clock and the hash of its pixels enlarged `scale` times (top
// row first, RGBA), and the moment of the first sound the game asks for.
struct Shown {
    std::vector<std::pair<int64_t, uint64_t>> frames;
    double first_sound_ms = -1;
    double last_ms = 0;  // the run's last moment the game looked at its window
};

Shown what_the_replay_shows(const platform::InputScript& script, const GameFolder& folder,
                            int scale) {
    Shown shown;
    ReplayRunOptions run;
    run.platform.open_real_window = true;
    double origin = 0;
    run.on_start = [&](platform::ReplayPlatform&) {
        Engine& e = engine();
        origin = e.platform->clock().now_ms();
        e.messages_hook = [&] {
            shown.last_ms = std::max(shown.last_ms, engine().platform->clock().now_ms() - origin);
        };
        e.before_swap_hook = [&] {
            Engine& en = engine();
            const double t = en.platform->clock().now_ms() - origin;
            const platform::FramePixels f = platform::read_frame_pixels(en.platform->window());
            const int w = f.width * scale;
            std::vector<uint8_t> big(static_cast<size_t>(w) * f.height * scale * 4);
            for (int y = 0; y < f.height * scale; ++y) {
                for (int x = 0; x < w; ++x) {
                    const uint8_t* p =
                        &f.rgba[(static_cast<size_t>(f.height - 1 - y / scale) * f.width +
                                 x / scale) *
                                4];
                    std::copy(p, p + 4, &big[(static_cast<size_t>(y) * w + x) * 4]);
                }
            }
            shown.frames.emplace_back(std::llround(t * 60 / 1000),
                                      hash_bytes(big.data(), big.size()));
        };
        if (e.sound) {
            e.sound->on_play = [&](double, double, double, double) {
                if (shown.first_sound_ms < 0)
                    shown.first_sound_ms = engine().platform->clock().now_ms() - origin;
            };
        }
    };
    const ReplayResult r = run_replay(script, run, folder.main_routine());
    EXPECT_EQ(r.exit_status, 0);
    return shown;
}

// A file read back with libavformat and libavcodec.
struct Decoded {
    int width = 0, height = 0;
    int64_t pictures = 0;
    double duration_s = 0;
    std::vector<uint64_t> picture_hashes;  // RGBA, when asked for
    std::vector<float> sound;              // the first channel, when asked for
    int sample_rate = 0;
    std::string video_codec, sound_codec;
};

Decoded decode(const std::string& path, bool hash_pictures, bool take_sound) {
    Decoded d;
    AVFormatContext* format = nullptr;
    EXPECT_EQ(avformat_open_input(&format, path.c_str(), nullptr, nullptr), 0) << path;
    if (!format) return d;
    avformat_find_stream_info(format, nullptr);
    d.duration_s = format->duration > 0 ? format->duration / double(AV_TIME_BASE) : 0;
    std::map<int, AVCodecContext*> decoders;
    int video = -1, sound = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* par = format->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) continue;
        AVCodecContext* c = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(c, par);
        c->thread_count = 1;
        EXPECT_EQ(avcodec_open2(c, codec, nullptr), 0);
        decoders[static_cast<int>(i)] = c;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            video = static_cast<int>(i);
            d.video_codec = codec->name;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            sound = static_cast<int>(i);
            d.sound_codec = codec->name;
            d.sample_rate = par->sample_rate;
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* to_rgba = nullptr;
    std::vector<uint8_t> rgba;
    auto receive = [&](int stream) {
        AVCodecContext* c = decoders[stream];
        while (avcodec_receive_frame(c, frame) == 0) {
            if (stream == video) {
                ++d.pictures;
                d.width = frame->width;
                d.height = frame->height;
                if (hash_pictures) {
                    to_rgba = sws_getCachedContext(to_rgba, frame->width, frame->height,
                                                   static_cast<AVPixelFormat>(frame->format),
                                                   frame->width, frame->height, AV_PIX_FMT_RGBA,
                                                   SWS_POINT, nullptr, nullptr, nullptr);
                    rgba.assign(static_cast<size_t>(frame->width) * frame->height * 4, 0);
                    uint8_t* dst[1] = {rgba.data()};
                    const int stride[1] = {frame->width * 4};
                    sws_scale(to_rgba, frame->data, frame->linesize, 0, frame->height, dst, stride);
                    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
                    d.picture_hashes.push_back(hash_bytes(rgba.data(), rgba.size()));
                }
            } else if (stream == sound && take_sound) {
                // The first channel as float, whatever the decoder's sample format.
                for (int i = 0; i < frame->nb_samples; ++i) {
                    float v = 0;
                    switch (frame->format) {
                        case AV_SAMPLE_FMT_S16:
                            v = reinterpret_cast<const int16_t*>(frame->data[0])[i * 2] / 32768.0f;
                            break;
                        case AV_SAMPLE_FMT_S16P:
                            v = reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0f;
                            break;
                        case AV_SAMPLE_FMT_S32:
                            v = reinterpret_cast<const int32_t*>(frame->data[0])[i * 2] /
                                2147483648.0f;
                            break;
                        case AV_SAMPLE_FMT_FLTP:
                            v = reinterpret_cast<const float*>(frame->data[0])[i];
                            break;
                        case AV_SAMPLE_FMT_FLT:
                            v = reinterpret_cast<const float*>(frame->data[0])[i * 2];
                            break;
                        default:
                            ADD_FAILURE() << "sample format " << frame->format;
                    }
                    d.sound.push_back(v);
                }
            }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (decoders.count(packet->stream_index) &&
            avcodec_send_packet(decoders[packet->stream_index], packet) >= 0) {
            receive(packet->stream_index);
        }
        av_packet_unref(packet);
    }
    for (auto& [stream, c] : decoders) {
        avcodec_send_packet(c, nullptr);
        receive(stream);
        avcodec_free_context(&c);
    }
    sws_freeContext(to_rgba);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return d;
}

ExportResult export_golden(const platform::InputScript& script, const GameFolder& folder,
                           const std::string& out, int scale,
                           std::function<bool()> stop = nullptr) {
    ExportOptions options;
    options.out_path = out;
    options.scale = scale;
    options.stop_requested = std::move(stop);
    ReplayRunOptions run;
    return export_replay(script, run, folder.main_routine(), options);
}

// The script's input up to a frame, where it then ends.
platform::InputScript first_frames(platform::InputScript script, uint64_t frames) {
    std::erase_if(script.events,
                  [&](const platform::ScriptEvent& e) { return e.at.frame >= frames; });
    script.events.push_back(
        {platform::ScriptPosition{frames, 0, 0}, platform::ScriptEvent::Kind::End});
    return script;
}

// The whole mouse game (4,900 frames, every stage); under Wine, where that run takes
// over ten minutes, its first 1,200 frames (the greeting, the menu, the first stage
// with strikes and their sounds); the zip's own test compares a lossless export made
// there with one made on Linux.
#ifdef _WIN32
constexpr uint64_t kLosslessFrames = 1200;
#else
constexpr uint64_t kLosslessFrames = 0;  // all
#endif

TEST(VideoExport, TheLosslessFileHoldsEveryFrameEnlargedAndTheSoundInStep) {
    const platform::InputScript script = kLosslessFrames > 0
                                             ? first_frames(golden("mouse_game"), kLosslessFrames)
                                             : golden("mouse_game");
    GameFolder folder;
    const Shown shown = what_the_replay_shows(script, folder, 2);
    ASSERT_GT(shown.frames.size(), kLosslessFrames > 0 ? kLosslessFrames - 10 : 4000u);
    ASSERT_GT(shown.first_sound_ms, 0);
    // The table as shipped again for the export (removed first: MinGW's copy_file
    // refuses to overwrite).
    fs::remove(folder.file("hc.txt"));
    fs::copy_file(ZORBY_ASSET_DIR "/hc.txt", folder.file("hc.txt"));

    TempDir out;
    const ExportResult r = export_golden(script, folder, out.file("game.mkv"), 2);
    ASSERT_EQ(r.exit_status, 0) << r.error;
    EXPECT_EQ(r.codecs, "FFV1 + FLAC");
    const Decoded d = decode(out.file("game.mkv"), true, true);
    EXPECT_EQ(d.video_codec, "ffv1");
    EXPECT_EQ(d.sound_codec, "flac");
    EXPECT_EQ(d.width, 640);
    EXPECT_EQ(d.height, 480);
    // One picture a 60th of a second from the first frame to the end of the run (the
    // last frame stays while the game waits after it), within a picture.
    const int64_t expected_pictures = std::max<int64_t>(
        shown.frames.back().first + 1, std::llround(std::ceil(shown.last_ms * 60 / 1000)));
    EXPECT_NEAR(d.pictures, expected_pictures, 1);
    EXPECT_NEAR(d.duration_s, d.pictures / 60.0, 1.0 / 60);
    // Picture k is the last frame the replay showed at or before slot k.
    size_t next = 0;
    uint64_t on_screen = 0;
    int64_t differing = 0, first_difference = -1;
    for (int64_t k = 0; k < static_cast<int64_t>(d.picture_hashes.size()); ++k) {
        while (next < shown.frames.size() && shown.frames[next].first <= k)
            on_screen = shown.frames[next++].second;
        if (d.picture_hashes[k] != on_screen) {
            if (first_difference < 0) first_difference = k;
            ++differing;
        }
    }
    EXPECT_EQ(differing, 0) << "first at picture " << first_difference;
    // The sound track is as long as the picture, and the first sound (the greeting at
    // the start-up question) begins within a frame of the game's request.
    ASSERT_EQ(d.sample_rate, 48000);
    EXPECT_NEAR(static_cast<double>(d.sound.size()), d.pictures * 800.0, 800.0);
    size_t onset = 0;
    while (onset < d.sound.size() && std::fabs(d.sound[onset]) < 1e-3f) ++onset;
    EXPECT_NEAR(static_cast<double>(onset), shown.first_sound_ms * 48.0, 800.0);
}

TEST(VideoExport, EveryFormatDecodesWithTheRightFrameCountAndSize) {
    const platform::InputScript script = golden("menu_tour");
    for (const char* ext : {"mp4", "webm", "gif"}) {
        SCOPED_TRACE(ext);
        GameFolder folder;
        TempDir out;
        const std::string path = out.file(std::string("tour.") + ext);
        const ExportResult r = export_golden(script, folder, path, 1);
        ASSERT_EQ(r.exit_status, 0) << r.error;
        ASSERT_GT(r.pictures, 300u);
        const Decoded d = decode(path, false, false);
        EXPECT_EQ(d.width, 320);
        EXPECT_EQ(d.height, 240);
        EXPECT_EQ(d.pictures, static_cast<int64_t>(r.pictures)) << r.codecs;
        EXPECT_EQ(d.sound_codec.empty(), std::string(ext) == "gif") << r.codecs;
        EXPECT_FALSE(fs::exists(platform::system_files().replacement_name(path)));
    }
}

TEST(VideoExport, ABadNameAFolderThatCannotBeWrittenAndAStopLeaveNoFile) {
    const platform::InputScript script = golden("menu_tour");
    GameFolder folder;
    TempDir out;
    struct Case {
        std::string path;
        int status;
        const char* says;
    };
    int frames = 0;
    for (const Case& c : {Case{out.file("tour.avi"), 2, "unknown extension"},
                          Case{out.file("no/such/folder/tour.webm"), 2, "cannot be written"},
                          Case{out.file("stopped.webm"), 130, "stopped"}}) {
        SCOPED_TRACE(c.path);
        frames = 0;
        const ExportResult r =
            export_golden(script, folder, c.path, 2, [&frames] { return ++frames > 100; });
        EXPECT_EQ(r.exit_status, c.status);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
        EXPECT_FALSE(fs::exists(c.path));
        EXPECT_FALSE(fs::exists(platform::system_files().replacement_name(c.path)));
    }
    EXPECT_GT(frames, 100);
}

// The golden menu tour exported by the Windows zip's zorby.exe under Wine as
// tour.mkv, .webm, .mp4 and .gif into the folder ZORBY_WINDOWS_EXPORTS names
// (tests/windows/export_test.sh): each decodes here with the codecs of a Linux export,
// as many pictures and a sound track as long, and the lossless file holds the very
// pictures and sound of the same export made here. Skipped unless that script runs it;
// a Linux test only (the Windows build would skip it every time).
#ifndef _WIN32
TEST(ExportedOnWindows, EveryFormatPlaysAndTheLosslessOneEqualsTheExportMadeHere) {
    const char* folder = std::getenv("ZORBY_WINDOWS_EXPORTS");
    if (folder == nullptr) GTEST_SKIP() << "run by tests/windows/export_test.sh";
    const platform::InputScript script = golden("menu_tour");
    GameFolder game;
    TempDir out;
    const ExportResult r = export_golden(script, game, out.file("tour.mkv"), 1);
    ASSERT_EQ(r.exit_status, 0) << r.error;
    const Decoded here = decode(out.file("tour.mkv"), true, true);
    ASSERT_GT(here.pictures, 300);
    const std::string there = std::string(folder) + "/tour.";
    const Decoded lossless = decode(there + "mkv", true, true);
    EXPECT_EQ(lossless.video_codec, "ffv1");
    EXPECT_EQ(lossless.sound_codec, "flac");
    ASSERT_EQ(lossless.picture_hashes.size(), here.picture_hashes.size());
    int64_t differing = 0, first_difference = -1;
    for (size_t k = 0; k < here.picture_hashes.size(); ++k) {
        if (lossless.picture_hashes[k] == here.picture_hashes[k]) continue;
        if (first_difference < 0) first_difference = static_cast<int64_t>(k);
        ++differing;
    }
    EXPECT_EQ(differing, 0) << "first at picture " << first_difference;
    // The mix is made alike; FLAC keeps its 16-bit samples exactly.
    ASSERT_EQ(lossless.sound.size(), here.sound.size());
    float largest = 0;
    for (size_t i = 0; i < here.sound.size(); ++i)
        largest = std::max(largest, std::fabs(lossless.sound[i] - here.sound[i]));
    EXPECT_LE(largest, 1.0f / 32768);

    struct Format {
        const char *ext, *video, *sound;
    };
    for (const Format& f :
         {Format{"webm", "vp9", "opus"}, Format{"mp4", "h264", "aac"}, Format{"gif", "gif", ""}}) {
        SCOPED_TRACE(f.ext);
        const Decoded d = decode(there + f.ext, false, true);
        EXPECT_EQ(d.video_codec, f.video);
        EXPECT_EQ(d.sound_codec, f.sound);
        EXPECT_EQ(d.width, here.width);
        EXPECT_EQ(d.height, here.height);
        EXPECT_EQ(d.pictures, here.pictures);
        if (f.sound[0] != '\0') {
            // Lossy encoders pad the track by up to a codec frame at either end.
            EXPECT_NEAR(static_cast<double>(d.sound.size()) / d.sample_rate,
                        static_cast<double>(here.sound.size()) / here.sample_rate, 0.05);
        }
    }
}

#endif

}  // namespace
}  // namespace zorby::testing
