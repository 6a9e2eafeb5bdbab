// Video files whose one frame is a large grey picture in a small file:
// MJPEG in AVI and QuickTime, the JPEG written by libjpeg a row at a time.
#include "hostile_writers.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace hostile {

namespace {

// A grey 128 JPEG of width x height; empty when it could not be made.
std::vector<uint8_t> GreyJpeg(int width, int height)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width), 128);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

} // namespace

bool WriteGreyMjpeg(const QString &path, const char *muxer, int width, int height, int frames)
{
    std::vector<uint8_t> jpeg = GreyJpeg(width, height);
    const QByteArray name = path.toUtf8();
    AVFormatContext *out = nullptr;
    if (jpeg.empty() || avformat_alloc_output_context2(&out, nullptr, muxer, name.constData()) < 0 || !out)
        return false;
    bool ok = false;
    AVStream *st = avformat_new_stream(out, nullptr);
    AVPacket *pkt = av_packet_alloc();
    if (st && pkt && avio_open(&out->pb, name.constData(), AVIO_FLAG_WRITE) >= 0) {
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->codecpar->codec_id = AV_CODEC_ID_MJPEG;
        st->codecpar->width = width;
        st->codecpar->height = height;
        st->time_base = AVRational{1, 4};
        out->flags |= AVFMT_FLAG_BITEXACT;
        ok = avformat_write_header(out, nullptr) >= 0;
        for (int i = 0; ok && i < frames; ++i) {
            pkt->data = jpeg.data();
            pkt->size = int(jpeg.size());
            pkt->pts = pkt->dts = av_rescale_q(i, AVRational{1, 4}, st->time_base);
            pkt->duration = av_rescale_q(1, AVRational{1, 4}, st->time_base);
            pkt->flags = AV_PKT_FLAG_KEY;
            pkt->stream_index = st->index;
            ok = av_write_frame(out, pkt) >= 0;
        }
        ok = ok && av_write_trailer(out) >= 0;
        avio_closep(&out->pb);
    }
    av_packet_free(&pkt);
    avformat_free_context(out);
    return ok;
}

std::vector<TCase> VideoCasesOfSide(int side)
{
    auto mjpeg = [side](const char *muxer, int frames) {
        return [=](const QString &path) { return WriteGreyMjpeg(path, muxer, side, side, frames); };
    };
    std::vector<TCase> cases;
    auto add = [&](const char *name, const char *ext, const char *muxer, int frames) {
        TCase c;
        c.name = name;
        c.ext = ext;
        c.recordWidth = c.recordHeight = side;
        c.write = mjpeg(muxer, frames);
        cases.push_back(c);
        c.boxWidth = 160;
        c.boxHeight = 120;
        cases.push_back(c);
    };
    add("AVI, one grey MJPEG frame", ".avi", "avi", 1);
    add("AVI, six grey MJPEG frames", ".avi", "avi", 6);
    add("QuickTime, six grey MJPEG frames", ".mov", "mov", 6);
    return cases;
}

std::vector<TCase> VideoCases()
{
    return VideoCasesOfSide(16000);
}

} // namespace hostile
