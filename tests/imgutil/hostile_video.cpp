// Video files whose frames are large grey pictures in a small file: MJPEG
// in AVI and QuickTime, the JPEG written by libjpeg a row at a time; and a
// clip whose index sends the seek back to its first frame.
#include "hostile_writers.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace hostile {

namespace {

// A JPEG of width x height whose every row is row; empty when it could not
// be made.
std::vector<uint8_t> RowsJpeg(int width, int height, const std::vector<JSAMPLE> &row)
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
    JSAMPROW rows[1] = {const_cast<JSAMPLE *>(row.data())};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Frames of MJPEG through the libavformat muxer, fps a second; every frame
// marked a key frame, or only the first. jpegOf(i) gives frame i.
bool MuxMjpeg(const QString &path, const char *muxer, int width, int height, int frames, int fps, bool allKeys,
              const std::function<const std::vector<uint8_t> &(int)> &jpegOf)
{
    const QByteArray name = path.toUtf8();
    AVFormatContext *out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, muxer, name.constData()) < 0 || !out)
        return false;
    bool ok = false;
    AVStream *st = avformat_new_stream(out, nullptr);
    AVPacket *pkt = av_packet_alloc();
    if (st && pkt && avio_open(&out->pb, name.constData(), AVIO_FLAG_WRITE) >= 0) {
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->codecpar->codec_id = AV_CODEC_ID_MJPEG;
        st->codecpar->width = width;
        st->codecpar->height = height;
        st->time_base = AVRational{1, fps};
        out->flags |= AVFMT_FLAG_BITEXACT;
        ok = avformat_write_header(out, nullptr) >= 0;
        for (int i = 0; ok && i < frames; ++i) {
            const std::vector<uint8_t> &jpeg = jpegOf(i);
            ok = !jpeg.empty();
            pkt->data = const_cast<uint8_t *>(jpeg.data());
            pkt->size = int(jpeg.size());
            pkt->pts = pkt->dts = av_rescale_q(i, AVRational{1, fps}, st->time_base);
            pkt->duration = av_rescale_q(1, AVRational{1, fps}, st->time_base);
            pkt->flags = allKeys || i == 0 ? AV_PKT_FLAG_KEY : 0;
            pkt->stream_index = st->index;
            ok = ok && av_write_frame(out, pkt) >= 0;
        }
        ok = ok && av_write_trailer(out) >= 0;
        avio_closep(&out->pb);
    }
    av_packet_free(&pkt);
    avformat_free_context(out);
    return ok;
}

} // namespace

bool WriteGreyMjpeg(const QString &path, const char *muxer, int width, int height, int frames)
{
    const std::vector<uint8_t> jpeg = RowsJpeg(width, height, std::vector<JSAMPLE>(size_t(width), 128));
    return MuxMjpeg(path, muxer, width, height, frames, 4, true, [&](int) -> const std::vector<uint8_t> & { return jpeg; });
}

bool WriteMjpegFirstKey(const QString &path, int width, int height, int frames, int fps, bool numbered, bool allKeys)
{
    std::vector<uint8_t> jpeg;
    int made = -1;
    auto jpegOf = [&](int i) -> const std::vector<uint8_t> & {
        if (made < 0 || (numbered && made != i)) {
            std::vector<JSAMPLE> row(size_t(width), 128);
            if (numbered)
                for (int x = 0; x < width; ++x)
                    row[size_t(x)] = (i >> (x / 16 % 16) & 1) ? 230 : 25;
            jpeg = RowsJpeg(width, height, row);
            made = i;
        }
        return jpeg;
    };
    if (!MuxMjpeg(path, "avi", width, height, frames, fps, true, jpegOf))
        return false;
    if (allKeys)
        return true;
    // libavformat marks every frame of an intra-only codec a key frame; the
    // index (idx1: four-byte chunk id, flags, offset, size) is rewritten so
    // that only the first one is.
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray avi = f.readAll();
    const int idx = avi.lastIndexOf("idx1");
    if (idx < 0)
        return false;
    constexpr char KeyFrame = 0x10;
    for (int at = idx + 8 + 16; at + 16 <= avi.size(); at += 16)
        avi[at + 4] = char(avi[at + 4] & ~KeyFrame);
    return f.seek(0) && f.write(avi) == avi.size() && f.flush();
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
    std::vector<TCase> cases = VideoCasesOfSide(16000);
    // The frame at 1.5 s lies after all 1024 frames, and the index makes
    // the seek land on the first: each frame decoded costs its pixels.
    TCase c;
    c.name = "AVI, 1024 grey MJPEG frames of 4096 x 4096 at 1000 a second, one key";
    c.ext = ".avi";
    c.recordWidth = c.recordHeight = 4096;
    c.write = [](const QString &path) { return WriteMjpegFirstKey(path, 4096, 4096, 1024, 1000, false, false); };
    cases.push_back(c);
    c.name = "AVI, one grey MJPEG frame of 4096 x 4096 (the twin of the one above)";
    c.write = [](const QString &path) { return WriteGreyMjpeg(path, "avi", 4096, 4096, 1); };
    cases.push_back(c);
    return cases;
}

} // namespace hostile
