// The video-frame reader: the frame covering 1.5 s of the first video stream,
// over clips written at test time with libavformat and the committed clips
// made by scripts/make-video-fixture (H.264 in MP4 and Matroska, VP9 in
// WebM, Theora in Ogg).
#include "hostile_writers.h"
#include "memory_cap.h"
#include "picture_files.h"
#include "video_clip.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace VlmImgUt;
using VideoClip::Rgb;

namespace {

// The three colours of the committed clip and of the banded clips: one for
// each second.
constexpr Rgb kBands[3] = {{30, 60, 200}, {250, 160, 30}, {200, 40, 160}};

Rgb Band(int frame, int fps)
{
    const int second = frame / fps;
    return kBands[second < 2 ? second : 2];
}

// A colour of its own for every frame, far from its neighbours'.
Rgb FrameColour(int frame)
{
    return {uint8_t(30 + (frame * 67) % 200), uint8_t(30 + (frame * 131) % 200), uint8_t(30 + (frame * 29) % 200)};
}

Rgb Pixel(const TDib &d, int x, int y)
{
    const uint8_t *p = d.bits + int64_t(d.height - 1 - y) * d.stride + 3 * x;
    return {p[2], p[1], p[0]};
}

bool Near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string Text(Rgb c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// Empty when every pixel of pic lies within tolerance of want.
std::string OffPixels(const TDib &pic, Rgb want, int tolerance)
{
    int off = 0;
    std::string first;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            if (!Near(Pixel(pic, x, y), want, tolerance) && off++ == 0)
                first = "at " + std::to_string(x) + "," + std::to_string(y) + " " + Text(Pixel(pic, x, y));
    return off ? std::to_string(off) + " pixels off " + Text(want) + ", first " + first : std::string();
}

class VideoFrame : public pictures::PictureTest {
protected:
    QString PathOf(const QString &name) const { return tmp.path() + "/" + name; }

    QString Clip(const VideoClip::Spec &s, const QString &name)
    {
        const QString path = PathOf(name);
        EXPECT_TRUE(VideoClip::Write(path.toStdString(), s)) << name.toStdString();
        return path;
    }

    QString Write(const QByteArray &bytes, const QString &name) { return Put(bytes, name); }

    bool Read(const QString &path, int maxW = 0, int maxH = 0)
    {
        return ctx->ReadImageFile(path, &pic, maxW, maxH, false);
    }
};

TEST_F(VideoFrame, CommittedClipsGiveTheirMiddleColour)
{
    // A single key frame at 0 s (H.264 with B-frames, VP9, Theora): the seek
    // lands on the first colour and the reader must decode forward to 1.5 s.
    // The WebM and Ogg clips have an audio stream first; the Theora clip
    // codes its unchanged frames as empty packets, so the frame covering
    // 1.5 s is the one of 1 s. The width, 70, leaves 6 columns past a
    // multiple of 8.
    for (const char *name : {"three-colours.mp4", "three-colours.mkv", "three-colours.webm", "three-colours.ogv"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Read(QStringLiteral(QUIBO_SOURCE_DIR "/tests/imgutil/data/") + name));
        EXPECT_EQ(pic->width, 70);
        EXPECT_EQ(pic->height, 40);
        EXPECT_EQ(pic->srcWidth, 70);
        EXPECT_EQ(pic->srcHeight, 40);
        EXPECT_EQ(pic->dpiX, 72);
        EXPECT_EQ(pic->dpiY, 72);
        EXPECT_EQ(pic->alpha, nullptr);
        EXPECT_EQ(OffPixels(*pic, kBands[1], 6), "");
    }
}

TEST_F(VideoFrame, ContainersOfTheVideoExtensions)
{
    // Each clip shows the three one-second colours; the frame read is the
    // middle one.
    struct Case {
        const char *name, *muxer, *encoder;
        int fps, gop, bFrames;
    } cases[] = {
        {"c.avi", "avi", "mpeg4", 10, 100, 2},
        {"c.wmv", "asf", "wmv2", 10, 100, 0},
        {"c.asf", "asf", "msmpeg4", 10, 12, 0},
        {"c.mov", "mov", "mpeg4", 10, 100, 2},
        {"c.mp4", "mp4", "mpeg4", 10, 8, 2},
        {"c.3gp", "3gp", "h263", 10, 100, 0},
        {"c.mpg", "mpeg", "mpeg1video", 25, 15, 2},
        {"c.vob", "vob", "mpeg2video", 25, 15, 2},
        {"c.m2ts", "mpegts", "mpeg2video", 25, 15, 2},
        {"c.flv", "flv", "flv", 10, 100, 0},
        {"c.m1v", "mpeg1video", "mpeg1video", 25, 15, 2},
        {"c.mkv", "matroska", "mpeg4", 10, 100, 2},
        {"c.webm", "webm", "libvpx", 10, 100, 0},
        {"c.ogv", "ogg", "libtheora", 10, 100, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VideoClip::Spec s;
        s.muxer = c.muxer;
        s.encoder = c.encoder;
        s.width = c.muxer == std::string("3gp") ? 128 : 48;
        s.height = c.muxer == std::string("3gp") ? 96 : 32;
        s.fps = c.fps;
        s.frames = 3 * c.fps;
        s.gop = c.gop;
        s.bFrames = c.bFrames;
        s.pixel = [&](int f, int, int) { return Band(f, c.fps); };
        ASSERT_TRUE(Read(Clip(s, c.name)));
        EXPECT_EQ(pic->width, s.width);
        EXPECT_EQ(pic->height, s.height);
        EXPECT_EQ(OffPixels(*pic, kBands[1], 8), "");
    }
}

TEST_F(VideoFrame, FrameCoveringTheGrabTime)
{
    // Every frame has its own colour; the expected frame is the one whose
    // time is the last at or before 1.5 s past the stream's start, or the
    // last frame of a shorter clip.
    struct Case {
        const char *name, *muxer, *encoder;
        int fps, frames, gop, bFrames;
        int64_t firstFrame;
        int want;
        int tolerance;
    } cases[] = {
        {"key frame only at 0", "avi", "ffv1", 10, 30, 100, 0, 0, 15, 0},
        {"every frame a key frame", "avi", "ffv1", 10, 30, 1, 0, 0, 15, 0},
        {"a frame at 1.5 s exactly", "avi", "ffv1", 4, 12, 100, 0, 0, 6, 0},
        {"1.5 s between two frames", "avi", "ffv1", 3, 9, 100, 0, 0, 4, 0},
        {"B-frames", "mp4", "mpeg4", 10, 30, 10, 2, 0, 15, 6},
        {"shorter clip", "avi", "ffv1", 10, 8, 100, 0, 0, 7, 0},
        {"shorter clip with B-frames held back", "mp4", "mpeg4", 10, 8, 100, 2, 0, 7, 6},
        {"one frame", "avi", "ffv1", 10, 1, 1, 0, 0, 0, 0},
        {"stream starting at 20 s", "mpegts", "mpeg2video", 25, 60, 12, 2, 500, 37, 8},
        {"stream starting at 20 s, no B-frames", "mov", "mpeg4", 10, 30, 5, 0, 200, 15, 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VideoClip::Spec s;
        s.muxer = c.muxer;
        s.encoder = c.encoder;
        s.pixFmt = c.tolerance ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_BGR0;
        s.fps = c.fps;
        s.frames = c.frames;
        s.gop = c.gop;
        s.bFrames = c.bFrames;
        s.firstFrame = c.firstFrame;
        s.pixel = [](int f, int, int) { return FrameColour(f); };
        ASSERT_TRUE(Read(Clip(s, QString("f.") + (c.muxer == std::string("mpegts") ? "mts" : c.muxer))));
        EXPECT_EQ(OffPixels(*pic, FrameColour(c.want), c.tolerance), "");
    }
}

TEST_F(VideoFrame, AudioFirstThenVideoGivesTheVideoPixelForPixel)
{
    // Stream 0 is audio, stream 1 lossless video of a pattern that differs
    // in every pixel and every second: the frame read is the pattern of the
    // middle second, upright, red, green and blue in their places. The width
    // is not a multiple of 8.
    VideoClip::Spec s;
    s.audio = "pcm_s16le";
    s.encoder = "ffv1";
    s.pixFmt = AV_PIX_FMT_BGR0;
    s.width = 21;
    s.height = 13;
    s.pixel = [](int f, int x, int y) {
        const Rgb b = Band(f, 10);
        return Rgb{uint8_t(b.r - 9 * x), uint8_t(b.g + 3 * y), uint8_t(b.b + x + 2 * y)};
    };
    ASSERT_TRUE(Read(Clip(s, "a.avi")));
    ASSERT_EQ(pic->width, 21);
    ASSERT_EQ(pic->height, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 21; ++x)
            EXPECT_EQ(Text(Pixel(*pic, x, y)), Text(s.pixel(15, x, y))) << x << "," << y;
    // The row padding stays zero.
    for (int y = 0; y < 13; ++y)
        for (int i = 63; i < pic->stride; ++i)
            EXPECT_EQ(pic->bits[y * pic->stride + i], 0) << y;
}

TEST_F(VideoFrame, ColumnsPastAMultipleOfEightAreConverted)
{
    // 4:2:0 frames converted to B-G-R: every column, up to the last of a
    // width that is not a multiple of 8, holds the colour.
    for (int width : {2, 6, 14, 22, 66, 70}) {
        SCOPED_TRACE(width);
        VideoClip::Spec s;
        s.encoder = "ffv1";
        s.width = width;
        s.height = 6;
        s.frames = 20;
        s.pixel = [](int f, int, int) { return Band(f, 10); };
        ASSERT_TRUE(Read(Clip(s, "w.avi")));
        ASSERT_EQ(pic->width, width);
        EXPECT_EQ(OffPixels(*pic, kBands[1], 3), "");
    }
}

TEST_F(VideoFrame, FramesTallerThanABandAreConvertedWhole)
{
    // Frames of several hundred rows are converted a band of rows at a
    // time: every row lands in its place, and 4:2:0 chroma stays with its
    // rows across the bands' edges. Rows of 16 change colour; the four rows
    // either side of a change blend the chroma of both and are not looked
    // at.
    const Rgb stripes[] = {{250, 40, 30}, {20, 230, 40}, {40, 50, 240}, {240, 230, 30}, {30, 200, 220}};
    auto stripe = [&](int y) { return stripes[(y / 16) % 5]; };
    for (const int height : {300, 317}) {
        SCOPED_TRACE(height);
        VideoClip::Spec yuv;
        yuv.encoder = "ffv1";
        yuv.width = 38;
        yuv.height = height;
        yuv.frames = 20;
        yuv.pixel = [&](int, int, int y) { return stripe(y); };
        ASSERT_TRUE(Read(Clip(yuv, "tall.avi")));
        ASSERT_EQ(pic->height, height);
        for (int y = 0; y < height; ++y) {
            if (y % 16 < 4 || y % 16 > 11)
                continue;
            for (int x = 0; x < yuv.width; ++x)
                ASSERT_TRUE(Near(Pixel(*pic, x, y), stripe(y), 6)) << x << "," << y << " " << Text(Pixel(*pic, x, y));
        }

        // Lossless B-G-R: every pixel as drawn.
        VideoClip::Spec rgb = yuv;
        rgb.pixFmt = AV_PIX_FMT_BGR0;
        rgb.pixel = [](int f, int x, int y) { return Rgb{uint8_t(x * 5 + f), uint8_t(y), uint8_t(y >> 8 | x << 3)}; };
        ASSERT_TRUE(Read(Clip(rgb, "tall-rgb.avi")));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < rgb.width; ++x)
                ASSERT_EQ(Text(Pixel(*pic, x, y)), Text(rgb.pixel(15, x, y))) << x << "," << y;
    }
}

TEST_F(VideoFrame, YuvMatrixAndRangeOfTheStream)
{
    // Saturated colours come back as drawn only when the frame is converted
    // with the matrix and range it was coded with.
    struct Case {
        const char *name, *muxer, *encoder, *file;
        AVPixelFormat pixFmt;
        AVColorSpace matrix;
        bool fullRange;
    } cases[] = {
        {"BT.601 unflagged", "mov", "mpeg4", "601.mov", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, false},
        {"BT.709", "mov", "mpeg4", "709.mov", AV_PIX_FMT_YUV420P, AVCOL_SPC_BT709, false},
        {"BT.601 full range", "avi", "mjpeg", "full.avi", AV_PIX_FMT_YUVJ420P, AVCOL_SPC_BT470BG, true},
    };
    const Rgb colours[] = {{250, 40, 30}, {20, 230, 40}, {40, 50, 240}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VideoClip::Spec s;
        s.muxer = c.muxer;
        s.encoder = c.encoder;
        s.pixFmt = c.pixFmt;
        s.matrix = c.matrix;
        s.fullRange = c.fullRange;
        s.width = 48;
        s.height = 16;
        s.frames = 20;
        s.pixel = [&](int, int x, int) { return colours[x / 16]; };
        ASSERT_TRUE(Read(Clip(s, c.file)));
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(Near(Pixel(*pic, 16 * k + 8, 8), colours[k], 5))
                << Text(Pixel(*pic, 16 * k + 8, 8)) << " for " << Text(colours[k]);
    }
}

TEST_F(VideoFrame, FullSizeWhateverTheBox)
{
    VideoClip::Spec s;
    s.encoder = "mpeg4";
    s.width = 640;
    s.height = 480;
    s.frames = 20;
    s.pixel = [](int f, int x, int y) { return x < 320 && y < 240 ? Band(f, 10) : kBands[2]; };
    ASSERT_TRUE(Read(Clip(s, "big.avi"), 160, 120));
    EXPECT_EQ(pic->width, 640);
    EXPECT_EQ(pic->height, 480);
    EXPECT_EQ(pic->srcWidth, 640);
    EXPECT_EQ(pic->srcHeight, 480);
    EXPECT_TRUE(Near(Pixel(*pic, 100, 100), kBands[1], 6));
    EXPECT_TRUE(Near(Pixel(*pic, 500, 400), kBands[2], 6));
}

TEST_F(VideoFrame, LargeFramesCostTheirPictureAndTheDecodersFrame)
{
    // One or six 8000 x 8000 grey MJPEG frames: the read holds the
    // decoder's frame (a byte a pixel), the picture and a band of rows, and
    // fits 1.5 x the picture and a working set, which a full-size
    // conversion buffer beside them does not.
    constexpr int kSide = 8000;
    const size_t record = size_t(kSide) * ((3 * kSide + 3) & ~3);
    bool boxed = false;
    for (const hostile::TCase &c : hostile::VideoCasesOfSide(kSide)) {
        if (c.boxWidth && boxed)
            continue; // the box changes nothing; once is enough
        boxed = boxed || c.boxWidth;
        SCOPED_TRACE(testing::Message() << c.name << ", box " << c.boxWidth << " x " << c.boxHeight);
        ASSERT_FALSE(c.refused);
        ASSERT_EQ(c.recordWidth, kSide);
        const QString path = PathOf(QString("large") + c.ext);
        ASSERT_TRUE(c.write(path));
        const int r = testutil::RunUnderMemoryCap(record / 2 * 3 + (size_t(32) << 20), [&] {
            TDib *p = nullptr;
            if (!ctx->ReadImageFile(path, &p, c.boxWidth, c.boxHeight, false))
                return 1;
            if (p->width != kSide || p->height != kSide)
                return 2;
            for (const int at : {0, 1, kSide / 2, kSide - 2, kSide - 1})
                for (const int x : {0, 3 * kSide / 4, kSide - 1})
                    if (!Near(Pixel(*p, x, at), Rgb{128, 128, 128}, 1))
                        return 3;
            return 0;
        });
        EXPECT_EQ(r, 0) << "1: refused, 2: wrong size, 3: wrong pixels";
        QFile::remove(path);
    }
}

// The number a frame of WriteMjpegFirstKey shows.
int FrameNumber(const TDib &pic)
{
    int n = 0;
    for (int bit = 0; bit < 16; ++bit)
        if (Pixel(pic, 16 * bit + 8, 8).g > 128)
            n |= 1 << bit;
    return n;
}

TEST_F(VideoFrame, IntraOnlyFramesBeforeTheGrabAreNotDecoded)
{
    // 300 numbered MJPEG frames of 512 x 512 at 1000 a second, only the
    // first indexed as a key frame: the seek lands on it and 1.5 s lies
    // after the last frame. Each MJPEG frame decodes on its own, so the
    // read takes the last frame having decoded about one: it costs about
    // what its one-frame twin costs, not 300 decodes, as the read's budget
    // counts the bytes and decoded pixels.
    const QString path = PathOf("keys.avi"), twin = PathOf("one.avi");
    ASSERT_TRUE(hostile::WriteMjpegFirstKey(path, 512, 512, 300, 1000, true, false));
    ASSERT_TRUE(hostile::WriteMjpegFirstKey(twin, 512, 512, 1, 1000, true, false));
    ASSERT_TRUE(Read(twin));
    const int64_t one = ctx->budget.Spent();
    ASSERT_TRUE(Read(path));
    const int64_t many = ctx->budget.Spent();
    ASSERT_EQ(pic->width, 512);
    EXPECT_EQ(FrameNumber(*pic), 299);
    EXPECT_LT(many, 4 * one) << "work " << many << " against " << one << " for the twin";
}

TEST_F(VideoFrame, DecodingCostsAFewRecordsWhereverTheSeekLands)
{
    // 100 numbered MPEG-4 frames of 640 x 640 at 1000 a second with one
    // key frame: 1.5 s lies after the last one, the seek lands on the
    // first, and every frame from there depends on the one before. The
    // frames decoded cost their pixels: a few records' worth and the
    // floor's, after which the best frame so far is taken, short of all
    // 100. With a key frame every frame the seek lands on the last one.
    struct Case {
        const char *name;
        int gop;
        int lowest, highest;
    } cases[] = {
        {"one key frame", 1000, 0, 70},
        {"every frame a key frame", 1, 99, 99},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VideoClip::Spec s;
        s.encoder = "mpeg4";
        s.width = s.height = 640;
        s.fps = 1000;
        s.frames = 100;
        s.gop = c.gop;
        s.pixel = [](int f, int x, int y) {
            const bool on = y < 16 && x < 256 && ((f >> (x / 16)) & 1);
            return Rgb{0, uint8_t(on ? 255 : 0), 0};
        };
        const QString path = Clip(s, "keys.avi");
        ASSERT_TRUE(Read(path));
        ASSERT_EQ(pic->width, 640);
        const int n = FrameNumber(*pic);
        EXPECT_GE(n, c.lowest);
        EXPECT_LE(n, c.highest);
        EXPECT_LE(ctx->budget.Spent(), ctx->budget.WorkAllowance());
    }
}

TEST_F(VideoFrame, AStoppedReadEndsAtItsNextCount)
{
    // The read counts its work as it goes (the bytes FFmpeg reads, each
    // frame decoded, each band converted); a stop raised at any count ends
    // it there, with at most one more count.
    VideoClip::Spec s;
    s.width = 200;
    s.height = 150;
    s.encoder = "mpeg4";
    s.gop = 100;
    s.pixel = [](int f, int, int) { return Band(f, 10); };
    const QString path = Clip(s, "stop.avi");
    int counts = 0, stopAt = 0;
    ctx->budget.onSpend = [&](const TReadBudget &) {
        if (++counts == stopAt)
            ctx->budget.Stop();
    };
    ASSERT_TRUE(Read(path));
    const int whole = counts;
    ASSERT_GE(whole, 3) << "the read counts its work";
    for (const int at : {1, whole / 2, whole - 1}) {
        SCOPED_TRACE(testing::Message() << at << " of " << whole);
        counts = 0;
        stopAt = at;
        ctx->budget.Resume();
        EXPECT_FALSE(Read(path));
        EXPECT_LE(counts, at + 1) << "counts after the stop";
    }
    ctx->budget.Resume();
    ctx->budget.onSpend = nullptr;
}

TEST_F(VideoFrame, Refusals)
{
    // A good clip the lists below point at.
    VideoClip::Spec good;
    good.pixel = [](int f, int, int) { return Band(f, 10); };
    const QString target = Clip(good, "good.avi");
    ASSERT_TRUE(Read(target));

    VideoClip::Spec audioOnly = good;
    audioOnly.video = false;
    audioOnly.audio = "pcm_s16le";
    VideoClip::Spec coverArt = audioOnly;
    coverArt.muxer = "ipod";
    coverArt.audio = "aac";
    coverArt.cover = true;

    // A raw AVI frame of 100000 x 100000 pixels in a file of a few KB.
    VideoClip::Spec raw = good;
    raw.encoder = "rawvideo";
    raw.pixFmt = AV_PIX_FMT_BGR24;
    raw.frames = 2;
    Clip(raw, "raw.avi");
    QFile rawFile(PathOf("raw.avi"));
    ASSERT_TRUE(rawFile.open(QIODevice::ReadOnly));
    QByteArray huge = rawFile.readAll();
    const int strf = huge.indexOf("strf");
    ASSERT_GT(strf, 0);
    for (int at : {strf + 12, strf + 16}) {
        huge[at] = char(0xA0);
        huge[at + 1] = char(0x86);
        huge[at + 2] = char(0x01);
        huge[at + 3] = 0;
    }

    QFile goodFile(target);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = goodFile.readAll();

    // A still picture is no video, whatever its name.
    QImage still(16, 16, QImage::Format_RGB32);
    still.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    ASSERT_TRUE(still.save(&png, "PNG"));

    ASSERT_EQ(mkfifo(PathOf("pipe.avi").toLocal8Bit().constData(), 0600), 0);

    struct Case {
        const char *name;
        QString path;
    } cases[] = {
        {"text named .mov", Write("This is no video at all.\n", "t.mov")},
        {"empty file", Write(QByteArray(), "e.avi")},
        {"HLS playlist of a good clip", Write("#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3,\ngood.avi\n#EXTINF:3,\n"
                                              + target.toUtf8() + "\n#EXT-X-ENDLIST\n", "p.m3u8")},
        {"HLS playlist named .mov", Write("#EXTM3U\n#EXTINF:3,\nfile:" + target.toUtf8() + "\n", "p.mov")},
        {"concat list of a good clip", Write("ffconcat version 1.0\nfile good.avi\nfile '" + target.toUtf8() + "'\n",
                                             "c.mov")},
        {"SDP pointing at the network", Write("v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 127.0.0.1\nt=0 0\n"
                                              "m=video 5004 RTP/AVP 96\na=rtpmap:96 H264/90000\n", "s.avi")},
        {"PNG picture named .mov", Write(png.data(), "still.mov")},
        {"audio only", Clip(audioOnly, "audio.avi")},
        {"audio with cover art", Clip(coverArt, "cover.m4a")},
        {"header of a good clip only", Write(goodBytes.left(goodBytes.indexOf("movi") + 4), "cut.avi")},
        {"frame larger than a picture may be", Write(huge, "huge.avi")},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(Read(c.path)) << c.name;
        EXPECT_NE(pic, nullptr) << c.name;
    }

    // Called directly, the reader itself neither opens nor waits on a FIFO.
    TDib record;
    ctx->readTarget = &record;
    EXPECT_FALSE(ReadVideoFrame(*ctx, PathOf("pipe.avi")));
    EXPECT_EQ(record.width, 1);
    ctx->readTarget = nullptr;
}

} // namespace
