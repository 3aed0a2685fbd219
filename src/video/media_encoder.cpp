// The media encoder over libavformat, libavcodec, libswscale and libswresample.
#include "video/media_encoder.h"

#include <algorithm>
#include <cstring>
#include <map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zorby::video {

namespace {

struct Choice {
    const char* muxer;
    std::vector<const char*> video;  // encoder names, first found wins
    std::vector<const char*> sound;  // empty: no sound track
};

bool choice_for(const std::string& name, Choice& out) {
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "mp4") {
        out = {"mp4", {"libx264", "mpeg4"}, {"aac", "libmp3lame"}};
    } else if (ext == "webm") {
        out = {"webm", {"libvpx-vp9", "libvpx"}, {"libopus", "opus", "libvorbis", "vorbis"}};
    } else if (ext == "mkv") {
        out = {"matroska", {"ffv1"}, {"flac"}};
    } else if (ext == "gif") {
        out = {"gif", {"gif"}, {}};
    } else {
        return false;
    }
    return true;
}

const AVCodec* first_encoder(const std::vector<const char*>& names) {
    for (const char* n : names) {
        if (const AVCodec* c = avcodec_find_encoder_by_name(n)) return c;
    }
    return nullptr;
}

std::string av_error(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    return text;
}

std::string codec_label(const AVCodec* c) {
    static const std::map<std::string, std::string> labels = {
        {"libx264", "H.264"}, {"mpeg4", "MPEG-4 Part 2"}, {"libvpx-vp9", "VP9"},
        {"libvpx", "VP8"},    {"ffv1", "FFV1"},           {"gif", "GIF"},
        {"aac", "AAC"},       {"libmp3lame", "MP3"},      {"libopus", "Opus"},
        {"opus", "Opus"},     {"libvorbis", "Vorbis"},    {"vorbis", "Vorbis"},
        {"flac", "FLAC"}};
    const auto it = labels.find(c->name);
    return it == labels.end() ? c->name : it->second;
}

}  // namespace

struct MediaEncoder::Internals {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    AVStream* video_stream = nullptr;
    AVStream* sound_stream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* samples = nullptr;
    AVPacket* packet = nullptr;
    int width = 0, height = 0;
    int64_t next_picture = 0;
    int64_t next_sample = 0;
    bool header_written = false;
    bool file_open = false;

    ~Internals() {
        if (header_written) {
            // Not finished: the caller removes the file.
        }
        if (file_open) avio_closep(&format->pb);
        avformat_free_context(format);
        avcodec_free_context(&video);
        avcodec_free_context(&sound);
        sws_freeContext(scaler);
        swr_free(&resampler);
        if (fifo) av_audio_fifo_free(fifo);
        av_frame_free(&picture);
        av_frame_free(&samples);
        av_packet_free(&packet);
    }

    // Sends a frame (null: flush) and writes every packet that comes out.
    bool encode(AVCodecContext* c, AVStream* s, AVFrame* frame, std::string& error) {
        int r = avcodec_send_frame(c, frame);
        if (r < 0 && r != AVERROR_EOF) {
            error = "encoding failed: " + av_error(r);
            return false;
        }
        for (;;) {
            r = avcodec_receive_packet(c, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                error = "encoding failed: " + av_error(r);
                return false;
            }
            av_packet_rescale_ts(packet, c->time_base, s->time_base);
            packet->stream_index = s->index;
            r = av_interleaved_write_frame(format, packet);
            if (r < 0) {
                error = "writing failed: " + av_error(r);
                return false;
            }
        }
    }

    // Encodes whole codec frames of sound from the FIFO (and the rest when flushing).
    bool drain_sound(bool all, std::string& error) {
        const int size = sound->frame_size > 0 ? sound->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (all && av_audio_fifo_size(fifo) > 0)) {
            const int n = std::min(size, av_audio_fifo_size(fifo));
            av_frame_unref(samples);
            samples->nb_samples = n;
            samples->format = sound->sample_fmt;
            samples->sample_rate = sound->sample_rate;
            av_channel_layout_copy(&samples->ch_layout, &sound->ch_layout);
            if (av_frame_get_buffer(samples, 0) < 0) {
                error = "out of memory";
                return false;
            }
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(samples->data), n);
            samples->pts = next_sample;
            next_sample += n;
            if (!encode(sound, sound_stream, samples, error)) return false;
        }
        return true;
    }
};

MediaEncoder::MediaEncoder() : in_(std::make_unique<Internals>()) {}
MediaEncoder::~MediaEncoder() = default;

std::unique_ptr<MediaEncoder> MediaEncoder::open(const std::string& path, const std::string& name,
                                                 int width, int height, int fps,
                                                 std::string& error) {
    av_log_set_level(AV_LOG_QUIET);
    Choice choice;
    if (!choice_for(name, choice)) {
        error = name + ": unknown extension (.mp4, .webm, .mkv or .gif)";
        return nullptr;
    }
    const AVCodec* vcodec = first_encoder(choice.video);
    const AVCodec* scodec = choice.sound.empty() ? nullptr : first_encoder(choice.sound);
    if (!vcodec || (!choice.sound.empty() && !scodec)) {
        error = name + ": the installed media libraries have no " + (vcodec ? "sound" : "picture") +
                " encoder for " + choice.muxer;
        return nullptr;
    }
    std::unique_ptr<MediaEncoder> enc(new MediaEncoder());
    Internals& in = *enc->in_;
    in.width = width;
    in.height = height;
    if (avformat_alloc_output_context2(&in.format, nullptr, choice.muxer, path.c_str()) < 0) {
        error = name + ": no " + choice.muxer + " writer in the media libraries";
        return nullptr;
    }
    in.packet = av_packet_alloc();
    in.picture = av_frame_alloc();
    in.samples = av_frame_alloc();

    // ---- the picture ----
    in.video = avcodec_alloc_context3(vcodec);
    AVCodecContext* v = in.video;
    v->width = width;
    v->height = height;
    v->time_base = AVRational{1, fps};
    v->framerate = AVRational{fps, 1};
    v->gop_size = fps * 2;
    AVPixelFormat pix = AV_PIX_FMT_YUV420P;
    const std::string vname = vcodec->name;
    if (vname == "ffv1") {
        pix = AV_PIX_FMT_0RGB32;
        v->level = 3;
    } else if (vname == "gif") {
        pix = AV_PIX_FMT_PAL8;
    }
    v->pix_fmt = pix;
    if (vname == "libx264") {
        av_opt_set(v->priv_data, "preset", "veryfast", 0);
        av_opt_set(v->priv_data, "crf", "18", 0);
    } else if (vname == "libvpx-vp9" || vname == "libvpx") {
        av_opt_set(v->priv_data, "deadline", "realtime", 0);
        av_opt_set_int(v->priv_data, "cpu-used", 8, 0);
        av_opt_set_int(v->priv_data, "crf", 20, 0);
        v->bit_rate = 4000000;
        v->thread_count = 2;
        if (vname == "libvpx-vp9") av_opt_set_int(v->priv_data, "row-mt", 1, 0);
    } else if (vname == "mpeg4") {
        v->bit_rate = 4000000;
        v->qmax = 8;
    }
    if (in.format->oformat->flags & AVFMT_GLOBALHEADER) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int r = avcodec_open2(v, vcodec, nullptr); r < 0) {
        error =
            name + ": the " + codec_label(vcodec) + " encoder cannot start (" + av_error(r) + ")";
        return nullptr;
    }
    in.video_stream = avformat_new_stream(in.format, nullptr);
    avcodec_parameters_from_context(in.video_stream->codecpar, v);
    in.video_stream->time_base = v->time_base;
    in.video_stream->avg_frame_rate = v->framerate;
    if (pix != AV_PIX_FMT_PAL8) {
        in.scaler = sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, pix, SWS_POINT,
                                   nullptr, nullptr, nullptr);
        if (!in.scaler) {
            error = name + ": no picture conversion to the encoder's format";
            return nullptr;
        }
    }

    // ---- the sound ----
    if (scodec) {
        in.sound = avcodec_alloc_context3(scodec);
        AVCodecContext* s = in.sound;
        s->sample_fmt = scodec->sample_fmts ? scodec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        s->sample_rate = kEncodedSampleRate;
        if (scodec->supported_samplerates) {
            bool found = false;
            for (const int* r = scodec->supported_samplerates; *r; ++r)
                found |= *r == kEncodedSampleRate;
            if (!found) s->sample_rate = scodec->supported_samplerates[0];
        }
        av_channel_layout_default(&s->ch_layout, 2);
        s->bit_rate = std::string(scodec->name) == "flac" ? 0 : 192000;
        s->time_base = AVRational{1, s->sample_rate};
        if (std::string(scodec->name) == "vorbis" || std::string(scodec->name) == "opus") {
            s->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
        }
        if (in.format->oformat->flags & AVFMT_GLOBALHEADER) s->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (int r = avcodec_open2(s, scodec, nullptr); r < 0) {
            error = name + ": the " + codec_label(scodec) + " encoder cannot start (" +
                    av_error(r) + ")";
            return nullptr;
        }
        in.sound_stream = avformat_new_stream(in.format, nullptr);
        avcodec_parameters_from_context(in.sound_stream->codecpar, s);
        in.sound_stream->time_base = s->time_base;
        AVChannelLayout stereo;
        av_channel_layout_default(&stereo, 2);
        if (swr_alloc_set_opts2(&in.resampler, &s->ch_layout, s->sample_fmt, s->sample_rate,
                                &stereo, AV_SAMPLE_FMT_FLT, kEncodedSampleRate, 0, nullptr) < 0 ||
            swr_init(in.resampler) < 0) {
            error = name + ": no sound conversion to the encoder's format";
            return nullptr;
        }
        in.fifo = av_audio_fifo_alloc(s->sample_fmt, 2, 4096);
    }

    if (int r = avio_open(&in.format->pb, path.c_str(), AVIO_FLAG_WRITE); r < 0) {
        error = path + " cannot be written (" + av_error(r) + ")";
        return nullptr;
    }
    in.file_open = true;
    if (int r = avformat_write_header(in.format, nullptr); r < 0) {
        error = path + ": the file's header cannot be written (" + av_error(r) + ")";
        return nullptr;
    }
    in.header_written = true;
    return enc;
}

bool MediaEncoder::has_sound() const {
    return in_->sound != nullptr;
}

std::string MediaEncoder::codecs() const {
    std::string text = codec_label(in_->video->codec);
    if (in_->sound) text += " + " + codec_label(in_->sound->codec);
    return text;
}

bool MediaEncoder::add_picture(const uint8_t* rgba, std::string& error) {
    Internals& in = *in_;
    AVFrame* f = in.picture;
    av_frame_unref(f);
    f->format = in.video->pix_fmt;
    f->width = in.width;
    f->height = in.height;
    if (av_frame_get_buffer(f, 0) < 0) {
        error = "out of memory";
        return false;
    }
    if (in.scaler) {
        const uint8_t* src[1] = {rgba};
        const int stride[1] = {in.width * 4};
        sws_scale(in.scaler, src, stride, 0, in.height, f->data, f->linesize);
    } else {
        // The GIF's palette: the picture's own colours when there are at most 256 (the
        // game's frames nearly always), else 3-3-2 levels of red, green and blue.
        std::map<uint32_t, uint8_t> colours;
        const size_t count = static_cast<size_t>(in.width) * in.height;
        for (size_t i = 0; i < count && colours.size() <= 256; ++i) {
            uint32_t c;
            std::memcpy(&c, rgba + 4 * i, 4);
            colours.emplace(c & 0x00FFFFFF, 0);
        }
        auto* palette = reinterpret_cast<uint32_t*>(f->data[1]);
        std::fill(palette, palette + 256, 0xFF000000u);
        const bool exact = colours.size() <= 256;
        if (exact) {
            uint8_t n = 0;
            for (auto& [c, index] : colours) {
                index = n;
                const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
                palette[n++] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
        } else {
            for (uint32_t i = 0; i < 256; ++i) {
                const uint32_t r = ((i >> 5) & 7) * 255 / 7, g = ((i >> 2) & 7) * 255 / 7,
                               b = (i & 3) * 255 / 3;
                palette[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
        }
        for (int y = 0; y < in.height; ++y) {
            uint8_t* row = f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0];
            const uint8_t* src = rgba + static_cast<size_t>(y) * in.width * 4;
            for (int x = 0; x < in.width; ++x) {
                const uint8_t* p = src + 4 * x;
                if (exact) {
                    row[x] = colours[static_cast<uint32_t>(p[0]) | (p[1] << 8) | (p[2] << 16)];
                } else {
                    row[x] =
                        static_cast<uint8_t>((p[0] >> 5) << 5 | (p[1] >> 5) << 2 | (p[2] >> 6));
                }
            }
        }
    }
    f->pts = in.next_picture++;
    return in.encode(in.video, in.video_stream, f, error);
}

bool MediaEncoder::add_sound(const float* samples, size_t frames, std::string& error) {
    Internals& in = *in_;
    if (!in.sound || frames == 0) return true;
    const int out_max = swr_get_out_samples(in.resampler, static_cast<int>(frames));
    uint8_t** converted = nullptr;
    int linesize = 0;
    if (av_samples_alloc_array_and_samples(&converted, &linesize, 2, std::max(out_max, 1),
                                           in.sound->sample_fmt, 0) < 0) {
        error = "out of memory";
        return false;
    }
    const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int n = swr_convert(in.resampler, converted, out_max, src, static_cast<int>(frames));
    if (n > 0) av_audio_fifo_write(in.fifo, reinterpret_cast<void**>(converted), n);
    av_freep(&converted[0]);
    av_freep(&converted);
    return n >= 0 && in.drain_sound(false, error);
}

bool MediaEncoder::finish(std::string& error) {
    Internals& in = *in_;
    if (!in.encode(in.video, in.video_stream, nullptr, error)) return false;
    if (in.sound) {
        if (!in.drain_sound(true, error) || !in.encode(in.sound, in.sound_stream, nullptr, error)) {
            return false;
        }
    }
    if (int r = av_write_trailer(in.format); r < 0) {
        error = "writing the file's end failed: " + av_error(r);
        return false;
    }
    if (int r = avio_closep(&in.format->pb); r < 0) {
        in.file_open = false;
        error = "closing the file failed: " + av_error(r);
        return false;
    }
    in.file_open = false;
    return true;
}

bool decode_sound_file(const std::string& path, std::vector<float>& out) {
    out.clear();
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = false;
    AVCodecContext* c = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const AVCodec* codec = nullptr;
    int stream = -1;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    }
    if (stream >= 0 && codec) {
        c = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(c, format->streams[stream]->codecpar);
        AVChannelLayout stereo;
        av_channel_layout_default(&stereo, 2);
        if (avcodec_open2(c, codec, nullptr) >= 0 &&
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kEncodedSampleRate, &c->ch_layout,
                                c->sample_fmt, c->sample_rate, 0, nullptr) >= 0 &&
            swr_init(swr) >= 0) {
            ok = true;
            auto take = [&](AVFrame* f) {
                const int max = swr_get_out_samples(swr, f ? f->nb_samples : 0);
                if (max <= 0) return;
                const size_t at = out.size();
                out.resize(at + static_cast<size_t>(max) * 2);
                uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.data() + at)};
                const int n = swr_convert(
                    swr, dst, max, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                    f ? f->nb_samples : 0);
                out.resize(at + static_cast<size_t>(std::max(n, 0)) * 2);
            };
            auto receive = [&] {
                while (avcodec_receive_frame(c, frame) == 0) take(frame);
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && avcodec_send_packet(c, packet) >= 0)
                    receive();
                av_packet_unref(packet);
            }
            avcodec_send_packet(c, nullptr);
            receive();
            take(nullptr);
        }
    }
    swr_free(&swr);
    avcodec_free_context(&c);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return ok && !out.empty();
}

}  // namespace zorby::video
