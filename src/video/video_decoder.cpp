// Video file decoding over the FFmpeg libraries (libavformat reads the file,
// libavcodec decodes, libswscale scales pictures, libswresample converts sound).
#include "video/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace zorby::video {

namespace {

// A time stamp further than this past the previous picture is taken as damage, not
// as a picture to wait for.
constexpr double kMaxPictureGapMs = 60000.0;
// Decoding errors in a row after which the file counts as broken off.
constexpr int kMaxErrorsInARow = 1000;
constexpr int kIoBufferSize = 16384;
// Largest picture side the player scales.
constexpr int kMaxSide = 16384;
// Pictures up to this many pixels are decoded on one thread (DecoderOptions::threads).
constexpr int64_t kOneThreadPixels = 640 * 480;

struct MemoryFile {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

int memory_read(void* opaque, uint8_t* buf, int buf_size) {
    auto* m = static_cast<MemoryFile*>(opaque);
    if (buf_size <= 0) return 0;
    const size_t left = m->size - m->pos;
    if (left == 0) return AVERROR_EOF;
    const size_t n = std::min(left, static_cast<size_t>(buf_size));
    std::memcpy(buf, m->data + m->pos, n);
    m->pos += n;
    return static_cast<int>(n);
}

int64_t memory_seek(void* opaque, int64_t offset, int whence) {
    auto* m = static_cast<MemoryFile*>(opaque);
    if (whence & AVSEEK_SIZE) return static_cast<int64_t>(m->size);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<int64_t>(m->pos);
            break;
        case SEEK_END:
            base = static_cast<int64_t>(m->size);
            break;
        default:
            return -1;
    }
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(m->size)) return -1;
    m->pos = static_cast<size_t>(target);
    return target;
}

double to_ms(int64_t ts, AVRational tb) {
    if (ts == AV_NOPTS_VALUE || tb.num <= 0 || tb.den <= 0) return NAN;
    return static_cast<double>(ts) * 1000.0 * tb.num / tb.den;
}

}  // namespace

struct VideoDecoder::Internals {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    MemoryFile memory;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    AVFrame* frame = nullptr;        // the last decoded picture
    AVFrame* sound_frame = nullptr;  // scratch for sound
    AVPacket* packet = nullptr;
    std::deque<AVPacket*> video_packets;
    SwsContext* scaler = nullptr;
    // Scaling in the picture's own planes first (see convert_picture).
    SwsContext* resizer = nullptr;
    AVFrame* resized = nullptr;
    // Converted rows when the caller's have no room for the converter's last block.
    std::vector<uint8_t> padded;
    SwrContext* resampler = nullptr;
    // The resampler's input, to notice a change of format mid-stream.
    int in_format = -1, in_rate = 0;
    AVChannelLayout in_layout{};
    double origin_ms = 0.0;

    ~Internals() {
        clear_packets();
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&sound_frame);
        avcodec_free_context(&video);
        avcodec_free_context(&sound);
        sws_freeContext(scaler);
        sws_freeContext(resizer);
        av_frame_free(&resized);
        swr_free(&resampler);
        av_channel_layout_uninit(&in_layout);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
    void clear_packets() {
        for (AVPacket* p : video_packets) av_packet_free(&p);
        video_packets.clear();
    }
};

void quiet_media_library_log() {
    av_log_set_level(AV_LOG_QUIET);
}

VideoDecoder::VideoDecoder(const DecoderOptions& options)
    : options_(options), in_(std::make_unique<Internals>()) {}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::open(const std::string& path, std::string& reason) {
    AVDictionary* opts = nullptr;
    // Only plain files: a playlist inside a file must not reach the network or
    // other files through another protocol.
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + path;
    const int rc = avformat_open_input(&in_->format, url.c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        in_->format = nullptr;
        reason = rc == AVERROR(ENOENT) ? "not found" : "not a media file";
        return false;
    }
    return finish_open(reason);
}

bool VideoDecoder::open_memory(const uint8_t* data, size_t size, std::string& reason) {
    in_->memory = MemoryFile{data, size, 0};
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer) {
        reason = "out of memory";
        return false;
    }
    in_->io = avio_alloc_context(buffer, kIoBufferSize, 0, &in_->memory, memory_read, nullptr,
                                 memory_seek);
    if (!in_->io) {
        av_free(buffer);
        reason = "out of memory";
        return false;
    }
    in_->format = avformat_alloc_context();
    if (!in_->format) {
        reason = "out of memory";
        return false;
    }
    in_->format->pb = in_->io;
    in_->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&in_->format, nullptr, nullptr, nullptr) < 0) {
        in_->format = nullptr;  // freed by the failed open
        reason = "not a media file";
        return false;
    }
    return finish_open(reason);
}

bool VideoDecoder::finish_open(std::string& reason) {
    AVFormatContext* f = in_->format;
    if (avformat_find_stream_info(f, nullptr) < 0) {
        reason = "no readable streams";
        return false;
    }
    // The first picture stream with a decoder (cover pictures of sound files do not
    // count), and the first sound stream with one.
    const AVCodec* video_codec = nullptr;
    const AVCodec* sound_codec = nullptr;
    // A picture stream whose codec this build cannot decode (named in the refusal).
    const char* undecodable = nullptr;
    for (unsigned i = 0; i < f->nb_streams; ++i) {
        AVStream* s = f->streams[i];
        s->discard = AVDISCARD_ALL;
        const AVCodec* c = avcodec_find_decoder(s->codecpar->codec_id);
        if (!c) {
            if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !undecodable) {
                undecodable = avcodec_get_name(s->codecpar->codec_id);
            }
            continue;
        }
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && video_stream_ < 0 &&
            !(s->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            video_stream_ = static_cast<int>(i);
            video_codec = c;
        } else if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && sound_stream_ < 0) {
            sound_stream_ = static_cast<int>(i);
            sound_codec = c;
        }
    }
    if (video_stream_ < 0) {
        reason = undecodable ? std::string("no decoder for its pictures (") + undecodable + ")"
                             : "no picture";
        return false;
    }
    AVStream* vs = f->streams[video_stream_];
    vs->discard = AVDISCARD_DEFAULT;
    in_->video = avcodec_alloc_context3(video_codec);
    if (!in_->video || avcodec_parameters_to_context(in_->video, vs->codecpar) < 0) {
        reason = "picture decoder failed";
        return false;
    }
    const int64_t pixels = static_cast<int64_t>(vs->codecpar->width) * vs->codecpar->height;
    in_->video->thread_count =
        options_.threads > 0 ? options_.threads : (pixels <= kOneThreadPixels ? 1 : 0);
    in_->video->pkt_timebase = vs->time_base;
    if (avcodec_open2(in_->video, video_codec, nullptr) < 0) {
        reason = "picture decoder failed";
        return false;
    }
    width_ = vs->codecpar->width;
    height_ = vs->codecpar->height;
    if (width_ <= 0 || height_ <= 0 || width_ > kMaxSide || height_ > kMaxSide) {
        reason = "bad picture size";
        return false;
    }
    display_aspect_ = static_cast<double>(width_) / height_;
    const AVRational sar = av_guess_sample_aspect_ratio(f, vs, nullptr);
    if (sar.num > 0 && sar.den > 0) display_aspect_ *= static_cast<double>(sar.num) / sar.den;
    display_aspect_ = std::clamp(display_aspect_, 1.0 / 64.0, 64.0);
    const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        frame_duration_ms_ = std::clamp(1000.0 * rate.den / rate.num, 1.0, 1000.0);
    }
    if (sound_stream_ >= 0) {
        AVStream* as = f->streams[sound_stream_];
        in_->sound = avcodec_alloc_context3(sound_codec);
        bool ok = in_->sound && avcodec_parameters_to_context(in_->sound, as->codecpar) >= 0;
        if (ok) {
            in_->sound->pkt_timebase = as->time_base;
            in_->sound->thread_count = 1;
            ok = avcodec_open2(in_->sound, sound_codec, nullptr) >= 0;
        }
        if (!ok) {
            avcodec_free_context(&in_->sound);
            sound_stream_ = -1;  // the picture plays without its sound
        }
    }
    in_->origin_ms = f->start_time != AV_NOPTS_VALUE ? f->start_time / 1000.0 : 0.0;
    if (!std::isfinite(in_->origin_ms)) in_->origin_ms = 0.0;
    in_->frame = av_frame_alloc();
    in_->sound_frame = av_frame_alloc();
    in_->packet = av_packet_alloc();
    if (!in_->frame || !in_->sound_frame || !in_->packet) {
        reason = "out of memory";
        return false;
    }
    return true;
}

bool VideoDecoder::set_sound_output(int rate, int channels) {
    if (sound_stream_ < 0 || rate <= 0 || (channels != 1 && channels != 2)) return false;
    out_rate_ = rate;
    out_channels_ = channels;
    in_->format->streams[sound_stream_]->discard = AVDISCARD_DEFAULT;
    return true;
}

bool VideoDecoder::read_packet() {
    if (eof_) return false;
    AVPacket* p = in_->packet;
    const int rc = av_read_frame(in_->format, p);
    if (rc < 0) {
        eof_ = true;
        if (rc != AVERROR_EOF) broke_off_ = true;
        return false;
    }
    if (p->stream_index == video_stream_) {
        AVPacket* kept = av_packet_alloc();
        if (kept) {
            av_packet_move_ref(kept, p);
            in_->video_packets.push_back(kept);
        }
    } else if (p->stream_index == sound_stream_ && out_rate_ > 0) {
        decode_sound_packet(p);
    }
    av_packet_unref(p);
    return true;
}

void VideoDecoder::decode_sound_packet(const void* packet) {
    const auto* p = static_cast<const AVPacket*>(packet);
    if (avcodec_send_packet(in_->sound, p) == AVERROR(EAGAIN)) {
        drain_sound_frames();
        avcodec_send_packet(in_->sound, p);
    }
    drain_sound_frames();
}

void VideoDecoder::drain_sound_frames() {
    AVFrame* fr = in_->sound_frame;
    Internals& in = *in_;
    while (avcodec_receive_frame(in.sound, fr) >= 0) {
        const int channels = fr->ch_layout.nb_channels;
        if (fr->nb_samples <= 0 || fr->sample_rate <= 0 || channels <= 0 || channels > 64) {
            av_frame_unref(fr);
            continue;
        }
        if (!in.resampler || fr->format != in.in_format || fr->sample_rate != in.in_rate ||
            av_channel_layout_compare(&fr->ch_layout, &in.in_layout) != 0) {
            swr_free(&in.resampler);
            av_channel_layout_uninit(&in.in_layout);
            AVChannelLayout src{};
            if (fr->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
                av_channel_layout_default(&src, channels);
            } else if (av_channel_layout_copy(&src, &fr->ch_layout) < 0) {
                av_frame_unref(fr);
                continue;
            }
            AVChannelLayout dst{};
            av_channel_layout_default(&dst, out_channels_);
            SwrContext* s = nullptr;
            if (swr_alloc_set_opts2(&s, &dst, AV_SAMPLE_FMT_S16, out_rate_, &src,
                                    static_cast<AVSampleFormat>(fr->format), fr->sample_rate, 0,
                                    nullptr) < 0 ||
                swr_init(s) < 0) {
                swr_free(&s);
            }
            av_channel_layout_uninit(&src);
            av_channel_layout_uninit(&dst);
            in.resampler = s;
            in.in_format = fr->format;
            in.in_rate = fr->sample_rate;
            av_channel_layout_copy(&in.in_layout, &fr->ch_layout);
            if (!s) {
                av_frame_unref(fr);
                continue;
            }
        }
        double pts =
            to_ms(fr->best_effort_timestamp, in.format->streams[sound_stream_]->time_base) -
            in.origin_ms;
        if (!std::isfinite(pts)) pts = next_sound_ms_ >= 0 ? next_sound_ms_ : 0.0;
        const int capacity = swr_get_out_samples(in.resampler, fr->nb_samples);
        if (capacity <= 0 || capacity > (1 << 22)) {
            av_frame_unref(fr);
            continue;
        }
        SoundBlock block;
        block.samples.resize(static_cast<size_t>(capacity) * out_channels_);
        uint8_t* out = reinterpret_cast<uint8_t*>(block.samples.data());
        const int got = swr_convert(in.resampler, &out, capacity,
                                    const_cast<const uint8_t**>(fr->extended_data), fr->nb_samples);
        const double length_ms = 1000.0 * fr->nb_samples / fr->sample_rate;
        av_frame_unref(fr);
        if (got <= 0) continue;
        block.samples.resize(static_cast<size_t>(got) * out_channels_);
        block.pts_ms = pts;
        next_sound_ms_ = pts + length_ms;
        sound_end_ms_ = std::max(sound_end_ms_, next_sound_ms_);
        const double block_ms = 1000.0 * got / out_rate_;
        if (buffered_sound_ms_ + block_ms > options_.max_buffered_sound_ms) continue;
        buffered_sound_ms_ += block_ms;
        sound_.push_back(std::move(block));
    }
}

void VideoDecoder::read_sound_until(double until_ms) {
    if (out_rate_ <= 0) return;
    while (!eof_ && sound_end_ms_ < until_ms &&
           in_->video_packets.size() < options_.max_queued_packets) {
        read_packet();
    }
}

bool VideoDecoder::take_sound(SoundBlock& out) {
    if (sound_.empty()) return false;
    out = std::move(sound_.front());
    sound_.pop_front();
    buffered_sound_ms_ -= 1000.0 * (out.samples.size() / out_channels_) / out_rate_;
    if (buffered_sound_ms_ < 0 || sound_.empty()) buffered_sound_ms_ = 0;
    return true;
}

bool VideoDecoder::next_picture(double& pts_ms) {
    Internals& in = *in_;
    int errors = 0;
    for (;;) {
        const int rc = avcodec_receive_frame(in.video, in.frame);
        if (rc >= 0) {
            if (in.frame->width <= 0 || in.frame->height <= 0 || in.frame->width > kMaxSide ||
                in.frame->height > kMaxSide || in.frame->format < 0) {
                av_frame_unref(in.frame);
                continue;
            }
            double pts = to_ms(in.frame->best_effort_timestamp,
                               in.format->streams[video_stream_]->time_base) -
                         in.origin_ms;
            if (last_pts_ms_ >= 0) {
                // Pictures never go back in time, and a wild jump is damage.
                if (!std::isfinite(pts) || pts > picture_end_ms_ + kMaxPictureGapMs) {
                    pts = picture_end_ms_;
                }
                if (pts < last_pts_ms_) pts = last_pts_ms_;
                if (pts > last_pts_ms_) {
                    frame_duration_ms_ = std::clamp(pts - last_pts_ms_, 1.0, 1000.0);
                }
            } else if (!std::isfinite(pts) || pts < 0 || pts > kMaxPictureGapMs) {
                pts = 0.0;
            }
            last_pts_ms_ = pts;
            picture_end_ms_ = pts + frame_duration_ms_;
            have_picture_ = true;
            pts_ms = pts;
            return true;
        }
        if (rc == AVERROR_EOF) return false;
        if (rc != AVERROR(EAGAIN)) {
            if (++errors > kMaxErrorsInARow) {
                broke_off_ = true;
                return false;
            }
            continue;
        }
        // The decoder wants input.
        if (!in.video_packets.empty()) {
            AVPacket* p = in.video_packets.front();
            const int sent = avcodec_send_packet(in.video, p);
            if (sent == AVERROR(EAGAIN)) continue;  // frames first, the packet stays
            in.video_packets.pop_front();
            av_packet_free(&p);
            if (sent < 0 && ++errors > kMaxErrorsInARow) {
                broke_off_ = true;
                return false;
            }
        } else if (!eof_) {
            read_packet();
        } else if (!video_flushed_) {
            video_flushed_ = true;
            avcodec_send_packet(in.video, nullptr);
        } else {
            return false;
        }
    }
}

bool VideoDecoder::convert_picture(int w, int h, uint8_t* out, int stride, bool bottom_first) {
    Internals& in = *in_;
    if (!have_picture_ || w <= 0 || h <= 0 || !out || stride < w * 4) return false;
    const AVFrame* src = in.frame;
    const auto format = static_cast<AVPixelFormat>(src->format);
    if ((w != src->width || h != src->height) &&
        (format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P)) {
        // Scaling straight into RGBA has no fast path in the converter (it costs two
        // to three times as much): the planes are scaled first, in their own format,
        // and converted at the final size.
        AVFrame*& mid = in.resized;
        if (mid && (mid->width != w || mid->height != h || mid->format != src->format)) {
            av_frame_free(&mid);
        }
        if (!mid) {
            mid = av_frame_alloc();
            if (!mid) return false;
            mid->format = src->format;
            mid->width = w;
            mid->height = h;
            if (av_frame_get_buffer(mid, 0) < 0) {
                av_frame_free(&mid);
                return false;
            }
        }
        in.resizer = sws_getCachedContext(in.resizer, src->width, src->height, format, w, h, format,
                                          SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!in.resizer || sws_scale(in.resizer, src->data, src->linesize, 0, src->height,
                                     mid->data, mid->linesize) <= 0) {
            return false;
        }
        src = mid;
    }
    // At the same size the converter takes its unscaled path (a plain colour
    // conversion); otherwise it scales bilinearly.
    in.scaler = sws_getCachedContext(in.scaler, src->width, src->height,
                                     static_cast<AVPixelFormat>(src->format), w, h, AV_PIX_FMT_RGBA,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!in.scaler) return false;
    // The unscaled conversion writes whole blocks of pixels, past the end of a row
    // whose width is not a whole number of them: without room for that, the rows go
    // through a buffer that has it.
    const int room = (w + 15) / 16 * 16 * 4;
    uint8_t* target = out;
    int target_stride = stride;
    if (stride < room) {
        in.padded.resize(static_cast<size_t>(room) * h);
        target = in.padded.data();
        target_stride = room;
    }
    // Bottom first: the rows are written upwards from the last one.
    uint8_t* first = bottom_first ? target + static_cast<ptrdiff_t>(h - 1) * target_stride : target;
    uint8_t* planes[4] = {first, nullptr, nullptr, nullptr};
    int strides[4] = {bottom_first ? -target_stride : target_stride, 0, 0, 0};
    if (sws_scale(in.scaler, src->data, src->linesize, 0, src->height, planes, strides) <= 0) {
        return false;
    }
    if (target != out) {
        for (int row = 0; row < h; ++row) {
            std::memcpy(out + static_cast<ptrdiff_t>(row) * stride,
                        target + static_cast<ptrdiff_t>(row) * target_stride,
                        static_cast<size_t>(w) * 4);
        }
    }
    return true;
}

void VideoDecoder::reset_streams() {
    Internals& in = *in_;
    in.clear_packets();
    avcodec_flush_buffers(in.video);
    if (in.sound) avcodec_flush_buffers(in.sound);
    swr_free(&in.resampler);
    in.in_format = -1;
    eof_ = false;
    video_flushed_ = false;
    broke_off_ = false;
    have_picture_ = false;
    last_pts_ms_ = -1.0;
    picture_end_ms_ = 0.0;
    sound_end_ms_ = 0.0;
    next_sound_ms_ = -1.0;
    sound_.clear();
    buffered_sound_ms_ = 0.0;
}

bool VideoDecoder::rewind() {
    AVFormatContext* f = in_->format;
    const int64_t start = f->start_time != AV_NOPTS_VALUE ? f->start_time : 0;
    if (avformat_seek_file(f, -1, std::numeric_limits<int64_t>::min(), start, start, 0) < 0 &&
        av_seek_frame(f, video_stream_, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0) {
        return false;
    }
    reset_streams();
    return true;
}

}  // namespace zorby::video
