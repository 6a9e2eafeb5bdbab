// Small video clips written with libavformat and libavcodec, for the
// video-frame tests and the fuzzing seeds: frames drawn by a function of
// (frame, x, y), optionally a silent audio stream before the video and a
// cover picture.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace VideoClip {

struct Rgb {
    uint8_t r, g, b;
};

struct Spec {
    const char *muxer = "avi";      // libavformat output format
    const char *encoder = "ffv1";   // video encoder
    AVPixelFormat pixFmt = AV_PIX_FMT_YUV420P;
    int width = 32, height = 24;
    int fps = 10;
    int frames = 30;
    int gop = 12;                   // frames from one key frame to the next
    int bFrames = 0;
    int64_t firstFrame = 0;         // time of the first frame, in frames
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED; // YUV matrix used and stored (unspecified: BT.601)
    bool fullRange = false;         // YUV samples 0..255 rather than 16..235
    const char *audio = nullptr;    // audio encoder of a silent stream written first
    int audioRate = 44100;
    bool video = true;
    bool cover = false;             // a PNG cover picture stream after the others
    std::function<Rgb(int frame, int x, int y)> pixel = [](int, int, int) { return Rgb{128, 128, 128}; };
};

namespace detail {

struct Writer {
    AVFormatContext *out = nullptr;
    AVCodecContext *venc = nullptr, *aenc = nullptr;
    AVStream *vst = nullptr, *ast = nullptr, *cst = nullptr;
    AVFrame *rgb = nullptr, *frame = nullptr, *samples = nullptr;
    AVPacket *pkt = nullptr;
    SwsContext *sws = nullptr;

    ~Writer()
    {
        sws_freeContext(sws);
        av_packet_free(&pkt);
        av_frame_free(&samples);
        av_frame_free(&frame);
        av_frame_free(&rgb);
        avcodec_free_context(&aenc);
        avcodec_free_context(&venc);
        if (out) {
            if (out->pb)
                avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }

    // Sends one frame (null: flush) and writes what comes out.
    bool Encode(AVCodecContext *enc, AVStream *st, AVFrame *f)
    {
        if (avcodec_send_frame(enc, f) < 0)
            return false;
        for (;;) {
            const int r = avcodec_receive_packet(enc, pkt);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            // One frame long, so that MP4 keeps the last frame.
            if (pkt->duration <= 0 && enc->codec_type == AVMEDIA_TYPE_VIDEO)
                pkt->duration = 1;
            av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            if (av_interleaved_write_frame(out, pkt) < 0)
                return false;
        }
    }

    bool AddAudio(const char *name, int rate)
    {
        const AVCodec *codec = avcodec_find_encoder_by_name(name);
        if (!codec || !(ast = avformat_new_stream(out, nullptr)) || !(aenc = avcodec_alloc_context3(codec)))
            return false;
        aenc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        aenc->sample_rate = rate;
        av_channel_layout_default(&aenc->ch_layout, 1);
        aenc->time_base = AVRational{1, aenc->sample_rate};
        aenc->bit_rate = 32000;
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        return avcodec_open2(aenc, codec, nullptr) >= 0 && avcodec_parameters_from_context(ast->codecpar, aenc) >= 0;
    }

    bool AddVideo(const Spec &s)
    {
        const AVCodec *codec = avcodec_find_encoder_by_name(s.encoder);
        if (!codec || !(vst = avformat_new_stream(out, nullptr)) || !(venc = avcodec_alloc_context3(codec)))
            return false;
        venc->width = s.width;
        venc->height = s.height;
        venc->pix_fmt = s.pixFmt;
        venc->time_base = AVRational{1, s.fps};
        venc->framerate = AVRational{s.fps, 1};
        venc->gop_size = s.gop;
        venc->max_b_frames = s.bFrames;
        venc->thread_count = 1;
        venc->colorspace = s.matrix;
        if (s.matrix == AVCOL_SPC_BT709) { // MP4 stores the matrix only with the rest of the description
            venc->color_primaries = AVCOL_PRI_BT709;
            venc->color_trc = AVCOL_TRC_BT709;
        }
        venc->color_range = s.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
        venc->flags |= AV_CODEC_FLAG_QSCALE;
        venc->global_quality = FF_QP2LAMBDA * 2;
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        vst->time_base = venc->time_base;
        return avcodec_open2(venc, codec, nullptr) >= 0 && avcodec_parameters_from_context(vst->codecpar, venc) >= 0;
    }

    // A 16 x 16 PNG of the first frame's colours, as an attached picture.
    bool AddCover(const Spec &s)
    {
        const AVCodec *codec = avcodec_find_encoder_by_name("png");
        AVCodecContext *enc = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!enc)
            return false;
        enc->width = 16;
        enc->height = 16;
        enc->pix_fmt = AV_PIX_FMT_RGB24;
        enc->time_base = AVRational{1, 1};
        AVFrame *pic = av_frame_alloc();
        bool ok = pic && avcodec_open2(enc, codec, nullptr) >= 0;
        if (ok) {
            pic->width = 16;
            pic->height = 16;
            pic->format = AV_PIX_FMT_RGB24;
            ok = av_frame_get_buffer(pic, 0) >= 0;
        }
        for (int y = 0; ok && y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const Rgb c = s.pixel(0, x, y);
                uint8_t *p = pic->data[0] + y * pic->linesize[0] + 3 * x;
                p[0] = c.r;
                p[1] = c.g;
                p[2] = c.b;
            }
        ok = ok && avcodec_send_frame(enc, pic) >= 0 && avcodec_receive_packet(enc, pkt) >= 0;
        if (ok) {
            cst = avformat_new_stream(out, nullptr);
            ok = cst != nullptr;
        }
        if (ok) {
            cst->disposition |= AV_DISPOSITION_ATTACHED_PIC;
            ok = avcodec_parameters_from_context(cst->codecpar, enc) >= 0;
            ok = ok && av_packet_ref(&cst->attached_pic, pkt) >= 0;
            cst->attached_pic.stream_index = cst->index;
            cst->attached_pic.flags |= AV_PKT_FLAG_KEY;
        }
        av_packet_unref(pkt);
        av_frame_free(&pic);
        avcodec_free_context(&enc);
        return ok;
    }

    bool WriteVideo(const Spec &s)
    {
        rgb = av_frame_alloc();
        frame = av_frame_alloc();
        if (!rgb || !frame)
            return false;
        rgb->width = frame->width = s.width;
        rgb->height = frame->height = s.height;
        rgb->format = AV_PIX_FMT_RGB24;
        frame->format = s.pixFmt;
        if (av_frame_get_buffer(rgb, 0) < 0 || av_frame_get_buffer(frame, 0) < 0)
            return false;
        sws = sws_getContext(s.width, s.height, AV_PIX_FMT_RGB24, s.width, s.height, s.pixFmt,
                             SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        if (!sws)
            return false;
        const int matrix = s.matrix == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(s.matrix);
        sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(matrix), s.fullRange,
                                 0, 1 << 16, 1 << 16);
        for (int i = 0; i < s.frames; ++i) {
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) {
                    const Rgb c = s.pixel(i, x, y);
                    uint8_t *p = rgb->data[0] + y * rgb->linesize[0] + 3 * x;
                    p[0] = c.r;
                    p[1] = c.g;
                    p[2] = c.b;
                }
            if (av_frame_make_writable(frame) < 0)
                return false;
            sws_scale(sws, rgb->data, rgb->linesize, 0, s.height, frame->data, frame->linesize);
            frame->pts = s.firstFrame + i;
            if (!Encode(venc, vst, frame))
                return false;
        }
        return Encode(venc, vst, nullptr);
    }

    // Silence as long as the video.
    bool WriteAudio(const Spec &s)
    {
        samples = av_frame_alloc();
        if (!samples)
            return false;
        const int per = aenc->frame_size > 0 ? aenc->frame_size : 1024;
        const int64_t first = s.firstFrame * aenc->sample_rate / s.fps;
        const int64_t total = int64_t(s.frames > 0 ? s.frames : 10) * aenc->sample_rate / s.fps;
        for (int64_t n = 0; n < total; n += per) {
            samples->nb_samples = per;
            samples->format = aenc->sample_fmt;
            samples->sample_rate = aenc->sample_rate;
            if (av_channel_layout_copy(&samples->ch_layout, &aenc->ch_layout) < 0 ||
                av_frame_get_buffer(samples, 0) < 0)
                return false;
            for (int c = 0; c < AV_NUM_DATA_POINTERS && samples->buf[c]; ++c)
                std::memset(samples->buf[c]->data, 0, samples->buf[c]->size);
            samples->pts = first + n;
            if (!Encode(aenc, ast, samples))
                return false;
            av_frame_unref(samples);
        }
        return Encode(aenc, ast, nullptr);
    }
};

} // namespace detail

// Writes the clip to path; false when any step fails.
inline bool Write(const std::string &path, const Spec &s)
{
    detail::Writer w;
    w.pkt = av_packet_alloc();
    if (!w.pkt || avformat_alloc_output_context2(&w.out, nullptr, s.muxer, path.c_str()) < 0 || !w.out)
        return false;
    if (s.audio && !w.AddAudio(s.audio, s.audioRate))
        return false;
    if (s.video && !w.AddVideo(s))
        return false;
    if (s.cover && !w.AddCover(s))
        return false;
    if (avio_open(&w.out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    w.out->flags |= AVFMT_FLAG_BITEXACT;
    if (avformat_write_header(w.out, nullptr) < 0)
        return false;
    if (w.cst) {
        AVPacket *p = av_packet_clone(&w.cst->attached_pic);
        const bool ok = p && av_interleaved_write_frame(w.out, p) >= 0;
        av_packet_free(&p);
        if (!ok)
            return false;
    }
    if (s.audio && !w.WriteAudio(s))
        return false;
    if (s.video && !w.WriteVideo(s))
        return false;
    return av_write_trailer(w.out) >= 0;
}

} // namespace VideoClip
