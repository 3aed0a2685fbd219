// Clip writer: RGB frames converted by libswscale to the encoder's format, a sine
// tone in odd seconds, both encoded and interleaved by time.
#include "support/video_clip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace zorby::test {

uint32_t clip_colour_of_second(int second) {
    constexpr int n = sizeof(kClipColours) / sizeof(kClipColours[0]);
    return kClipColours[((second % n) + n) % n];
}

namespace {

struct Encoder {
    AVCodecContext* ctx = nullptr;
    AVStream* stream = nullptr;
    ~Encoder() { avcodec_free_context(&ctx); }
};

bool drain(AVFormatContext* oc, Encoder& enc, AVPacket* pkt) {
    for (;;) {
        const int rc = avcodec_receive_packet(enc.ctx, pkt);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        av_packet_rescale_ts(pkt, enc.ctx->time_base, enc.stream->time_base);
        pkt->stream_index = enc.stream->index;
        if (av_interleaved_write_frame(oc, pkt) < 0) return false;
    }
}

}  // namespace

std::string clip_writer_gap(const ClipRecipe& recipe) {
    if (!av_guess_format(recipe.container.c_str(), nullptr, nullptr)) {
        return "no muxer " + recipe.container;
    }
    if (recipe.picture && !avcodec_find_encoder_by_name(recipe.video_codec.c_str())) {
        return "no encoder " + recipe.video_codec;
    }
    if (recipe.sound && !avcodec_find_encoder_by_name(recipe.sound_codec.c_str())) {
        return "no encoder " + recipe.sound_codec;
    }
    return {};
}

bool write_clip(const std::string& path, const ClipRecipe& recipe, std::string& error) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* oc = nullptr;
    if (avformat_alloc_output_context2(&oc, nullptr, recipe.container.c_str(), path.c_str()) < 0) {
        error = "no muxer " + recipe.container;
        return false;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> oc_owner(
        oc, [](AVFormatContext* f) {
            if (f->pb) avio_closep(&f->pb);
            avformat_free_context(f);
        });
    Encoder video, sound;
    if (recipe.picture) {
        const AVCodec* codec = avcodec_find_encoder_by_name(recipe.video_codec.c_str());
        if (!codec) {
            error = "no encoder " + recipe.video_codec;
            return false;
        }
        video.stream = avformat_new_stream(oc, nullptr);
        video.ctx = avcodec_alloc_context3(codec);
        AVCodecContext* c = video.ctx;
        c->width = recipe.width;
        c->height = recipe.height;
        c->time_base = AVRational{1, recipe.fps};
        c->framerate = AVRational{recipe.fps, 1};
        c->gop_size = 12;
        c->max_b_frames = 0;
        c->bit_rate = 400000;
        c->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        c->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
        if (recipe.video_codec == "libx264") av_opt_set(c->priv_data, "preset", "veryfast", 0);
        if (oc->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(c, codec, nullptr) < 0 ||
            avcodec_parameters_from_context(video.stream->codecpar, c) < 0) {
            error = "cannot open encoder " + recipe.video_codec;
            return false;
        }
        video.stream->time_base = c->time_base;
    }
    if (recipe.sound) {
        const AVCodec* codec = avcodec_find_encoder_by_name(recipe.sound_codec.c_str());
        if (!codec) {
            error = "no encoder " + recipe.sound_codec;
            return false;
        }
        sound.stream = avformat_new_stream(oc, nullptr);
        sound.ctx = avcodec_alloc_context3(codec);
        AVCodecContext* c = sound.ctx;
        c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        c->sample_rate = recipe.sample_rate;
        av_channel_layout_default(&c->ch_layout, 2);
        c->time_base = AVRational{1, recipe.sample_rate};
        c->bit_rate = 128000;
        if (oc->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(c, codec, nullptr) < 0 ||
            avcodec_parameters_from_context(sound.stream->codecpar, c) < 0) {
            error = "cannot open encoder " + recipe.sound_codec;
            return false;
        }
        sound.stream->time_base = c->time_base;
    }
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(oc, nullptr) < 0) {
        error = "cannot write " + path;
        return false;
    }

    AVPacket* pkt = av_packet_alloc();
    AVFrame* rgb = av_frame_alloc();
    AVFrame* yuv = av_frame_alloc();
    AVFrame* pcm = av_frame_alloc();
    SwsContext* sws = nullptr;
    bool ok = pkt && rgb && yuv && pcm;
    if (ok && recipe.picture) {
        rgb->format = AV_PIX_FMT_RGB24;
        rgb->width = recipe.width;
        rgb->height = recipe.height;
        yuv->format = video.ctx->pix_fmt;
        yuv->width = recipe.width;
        yuv->height = recipe.height;
        ok = av_frame_get_buffer(rgb, 0) >= 0 && av_frame_get_buffer(yuv, 0) >= 0;
        sws = sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_RGB24, recipe.width,
                             recipe.height, video.ctx->pix_fmt, SWS_BILINEAR, nullptr, nullptr,
                             nullptr);
        ok = ok && sws;
    }
    const int frame_count = static_cast<int>(std::lround(recipe.seconds * recipe.fps));
    const int64_t sample_count = std::llround(recipe.seconds * recipe.sample_rate);
    const int pcm_frame = sound.ctx && sound.ctx->frame_size > 0 ? sound.ctx->frame_size : 1024;
    int next_frame = recipe.picture ? 0 : frame_count;
    int64_t next_sample = recipe.sound ? 0 : sample_count;
    double phase = 0.0;
    while (ok && (next_frame < frame_count || next_sample < sample_count)) {
        const double tv = static_cast<double>(next_frame) / recipe.fps;
        const double ta = static_cast<double>(next_sample) / recipe.sample_rate;
        if (next_frame < frame_count && (next_sample >= sample_count || tv <= ta)) {
            const uint32_t colour = recipe.colour ? recipe.colour(next_frame, tv)
                                                  : clip_colour_of_second(static_cast<int>(tv));
            const uint32_t lower =
                recipe.lower_colour ? recipe.lower_colour(next_frame, tv) : colour;
            ok = av_frame_make_writable(rgb) >= 0 && av_frame_make_writable(yuv) >= 0;
            for (int y = 0; ok && y < recipe.height; ++y) {
                uint8_t* row = rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0];
                for (int x = 0; x < recipe.width; ++x) {
                    uint32_t c = y < recipe.height / 2 ? colour : lower;
                    if (recipe.textured) {
                        const uint32_t v = static_cast<uint32_t>((x * 7 + y * 13 + next_frame * 5) ^
                                                                 (x * y + next_frame * 3));
                        c = (v * 2654435761u) & 0xFFFFFF;
                    }
                    row[x * 3] = c & 0xFF;
                    row[x * 3 + 1] = (c >> 8) & 0xFF;
                    row[x * 3 + 2] = (c >> 16) & 0xFF;
                }
            }
            sws_scale(sws, rgb->data, rgb->linesize, 0, recipe.height, yuv->data, yuv->linesize);
            yuv->pts = next_frame + static_cast<int64_t>(recipe.start_ms) * recipe.fps / 1000;
            ok = ok && avcodec_send_frame(video.ctx, yuv) >= 0 && drain(oc, video, pkt);
            ++next_frame;
        } else {
            const int n =
                static_cast<int>(std::min<int64_t>(pcm_frame, sample_count - next_sample));
            av_frame_unref(pcm);
            pcm->format = sound.ctx->sample_fmt;
            pcm->sample_rate = recipe.sample_rate;
            av_channel_layout_default(&pcm->ch_layout, 2);
            pcm->nb_samples = n;
            ok = av_frame_get_buffer(pcm, 0) >= 0;
            for (int i = 0; ok && i < n; ++i) {
                const int64_t s = next_sample + i;
                const bool on = (s / recipe.sample_rate) % 2 == 1;
                phase += 2.0 * M_PI * recipe.tone_hz / recipe.sample_rate;
                const double v = on ? 0.5 * std::sin(phase) : 0.0;
                if (pcm->format == AV_SAMPLE_FMT_S16) {
                    auto* d = reinterpret_cast<int16_t*>(pcm->data[0]);
                    d[2 * i] = d[2 * i + 1] = static_cast<int16_t>(v * 32767);
                } else if (pcm->format == AV_SAMPLE_FMT_FLTP) {
                    reinterpret_cast<float*>(pcm->data[0])[i] = static_cast<float>(v);
                    reinterpret_cast<float*>(pcm->data[1])[i] = static_cast<float>(v);
                } else {
                    ok = false;
                }
            }
            pcm->pts =
                next_sample + static_cast<int64_t>(recipe.start_ms) * recipe.sample_rate / 1000;
            ok = ok && avcodec_send_frame(sound.ctx, pcm) >= 0 && drain(oc, sound, pkt);
            next_sample += n;
        }
    }
    if (ok && video.ctx) ok = avcodec_send_frame(video.ctx, nullptr) >= 0 && drain(oc, video, pkt);
    if (ok && sound.ctx) ok = avcodec_send_frame(sound.ctx, nullptr) >= 0 && drain(oc, sound, pkt);
    if (ok) ok = av_write_trailer(oc) >= 0;
    sws_freeContext(sws);
    av_frame_free(&rgb);
    av_frame_free(&yuv);
    av_frame_free(&pcm);
    av_packet_free(&pkt);
    if (!ok) error = "encoding failed";
    return ok;
}

}  // namespace zorby::test
