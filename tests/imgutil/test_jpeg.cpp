// The JPEG reader on files that libjpeg writes at test time, compared with
// libjpeg's own decode; markers and hostile headers built by hand.
#include "layouts_jpeg.h"
#include "picture_files.h"

#include <jpeglib.h>

using namespace VlmImgUt;
using namespace pictures;

namespace {

class JpegRead : public PictureTest {};

// Sets the size in the frame header (SOF0 or SOF2).
QByteArray WithSize(QByteArray b, int w, int h)
{
    for (int i = 0; i + 9 < b.size(); ++i)
        if (uchar(b[i]) == 0xFF && (uchar(b[i + 1]) == 0xC0 || uchar(b[i + 1]) == 0xC2)) {
            b[i + 5] = char(h >> 8);
            b[i + 6] = char(h);
            b[i + 7] = char(w >> 8);
            b[i + 8] = char(w);
            return b;
        }
    ADD_FAILURE() << "no frame header";
    return b;
}

TEST_F(JpegRead, ScaleTowardTheBox)
{
    struct Case { int w, h, boxW, boxH, scale; } cases[] = {
        {4000, 3000, 160, 120, 1}, // 1000 and 500 >= 160: 1/8, 500 x 375
        {1000, 750, 400, 300, 4},  // 250 < 400, 500 >= 400: 1/2
        {1000, 750, 0, 0, 8},      // the game's calls: full size
        {1000, 750, 300, 0, 8},
        {1000, 750, 200, 300, 2},  // the width binds: 250 >= 200 > 125: 1/4
        {1000, 750, 600, 300, 4},  // the height binds: 187 < 300 <= 375: 1/2
        {100, 75, 400, 300, 8},    // smaller than the box
        {750, 1000, 120, 160, 2},  // equal ratios: the width binds, 187 >= 120 > 93
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " into " << c.boxW << "x" << c.boxH);
        JpegSpec s;
        s.width = c.w;
        s.height = c.h;
        s.quality = 50;
        const QByteArray file = WriteJpeg(s);
        ASSERT_TRUE(Read(file, "a.jpg", c.boxW, c.boxH));
        Rgba ref;
        ASSERT_TRUE(DecodeJpeg(file, c.scale, ref));
        EXPECT_EQ(pic->width, (c.w * c.scale + 7) / 8);
        EXPECT_EQ(pic->height, (c.h * c.scale + 7) / 8);
        EXPECT_EQ(pic->srcWidth, c.w);
        EXPECT_EQ(pic->srcHeight, c.h);
        EXPECT_EQ(Mismatches(*pic, ref, false), 0);
        EXPECT_EQ(pic->alpha, nullptr);
    }
}

TEST_F(JpegRead, ColourSpacesAndProgression)
{
    for (const layouts::jpeg::Layout &c : layouts::jpeg::Layouts) {
        SCOPED_TRACE(c.name);
        const QByteArray file = WriteJpeg(layouts::jpeg::Spec(c));
        ASSERT_FALSE(file.isEmpty());
        EXPECT_EQ(Read(file, "a.jpeg"), c.ok);
        if (!c.ok)
            continue;
        Rgba ref;
        ASSERT_TRUE(DecodeJpeg(file, 8, ref));
        EXPECT_EQ(Mismatches(*pic, ref, false), 0);
        if (c.components == 1) {
            const uint8_t *p = PixelAt(*pic, 5, 7);
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        }
    }
}

TEST_F(JpegRead, ResolutionFromDensity)
{
    struct Case { int unit, x, y, dpiX, dpiY; } cases[] = {
        {2, 28, 28, 71, 71},     // 28 * 2.54 + 0.5 = 71.62
        {2, 118, 40, 300, 102},
        {1, 300, 300, 300, 300},
        {1, 300, 150, 300, 150},
        {0, 1, 1, 1, 1},         // no unit: the values as they are
        {0, 0, 0, 72, 72},
    };
    for (const Case &c : cases) {
        JpegSpec s;
        s.densityUnit = c.unit;
        s.densityX = c.x;
        s.densityY = c.y;
        ASSERT_TRUE(Read(WriteJpeg(s), "a.jpg"));
        EXPECT_EQ(pic->dpiX, c.dpiX) << c.unit << " " << c.x;
        EXPECT_EQ(pic->dpiY, c.dpiY) << c.unit << " " << c.y;
    }
}

QByteArray Profile(int size)
{
    QByteArray p(size, 0);
    for (int i = 0; i < size; ++i)
        p[i] = char(i * 7 + i / 251);
    return p;
}

TEST_F(JpegRead, IccProfileFromChunks)
{
    const QByteArray profile = Profile(1000);
    auto shuffled = [&](std::vector<int> order) {
        std::vector<JpegMarker> chunks = IccChunks(profile, 3), out;
        for (int i : order)
            out.push_back(chunks[size_t(i)]);
        return out;
    };
    std::vector<JpegMarker> badCount = IccChunks(profile, 3);
    badCount[1].data[13] = 4;
    std::vector<JpegMarker> seqZero = IccChunks(profile, 3);
    seqZero[2].data[12] = 0;
    std::vector<JpegMarker> gap = IccChunks(profile, 3);
    gap.erase(gap.begin() + 1);
    // A repeated sequence number with a longer chunk first: the later,
    // shorter one sets the size and the longer one is not copied over its
    // neighbour.
    std::vector<JpegMarker> repeated = IccChunks(profile, 3);
    JpegMarker longer = repeated[0];
    longer.data.append(QByteArray(500, 'x'));
    repeated.insert(repeated.begin(), longer);

    struct Case { const char *name; std::vector<JpegMarker> markers; bool preview; QByteArray want; } cases[] = {
        {"three chunks", IccChunks(profile, 3), false, profile},
        {"one chunk", IccChunks(profile, 1), false, profile},
        {"out of order", shuffled({2, 0, 1}), false, profile},
        {"count mismatch", badCount, false, QByteArray()},
        {"sequence 0", seqZero, false, QByteArray()},
        {"missing chunk joined", gap, false, profile.left(334) + profile.mid(668)},
        {"repeated sequence", repeated, false, profile},
        {"preview mode", IccChunks(profile, 3), true, QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JpegSpec s;
        s.markers = c.markers;
        ctx->previewMode = c.preview;
        ASSERT_TRUE(Read(WriteJpeg(s), "a.jpg"));
        if (c.want.isEmpty()) {
            EXPECT_EQ(pic->icc, nullptr);
        } else {
            ASSERT_NE(pic->icc, nullptr);
            EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), int(pic->iccSize)), c.want);
        }
    }
}

QByteArray Block(const uint8_t *p, uint32_t n)
{
    return p ? QByteArray(reinterpret_cast<const char *>(p), int(n)) : QByteArray("(none)");
}

TEST_F(JpegRead, MarkersKeptUnderTheirFlags)
{
    const QByteArray tiff("MM\0\x2a\0\0\0\x08", 8);
    const QByteArray xmp = QByteArray("http://ns.adobe.com/xap/1.0/", 29) + "<x:xmpmeta/>";
    const QByteArray psd = QByteArray("Photoshop 3.0", 14) + "8BIM resources";
    std::vector<JpegMarker> markers = {
        {JPEG_COM, "first comment"},
        {JPEG_COM, "second comment"},
        {JPEG_APP0 + 1, QByteArray("Exif\0\0", 6) + tiff},
        {JPEG_APP0 + 1, xmp},
        {JPEG_APP0 + 13, psd},
        {JPEG_APP0 + 1, QByteArray("Exif\0\0", 6) + "later"},
    };
    JpegSpec s;
    s.markers = markers;
    const QByteArray file = WriteJpeg(s);

    // This program keeps none of them.
    ASSERT_TRUE(Read(file, "a.jpg"));
    EXPECT_EQ(pic->comment, nullptr);
    EXPECT_EQ(pic->exif, nullptr);
    EXPECT_EQ(pic->xmp, nullptr);
    EXPECT_EQ(pic->photoshop, nullptr);

    ctx->keepComment = ctx->keepExif = ctx->keepXmp = ctx->keepPhotoshop = true;
    ASSERT_TRUE(Read(file, "a.jpg"));
    EXPECT_EQ(Block(pic->comment, pic->commentSize), "first comment");
    EXPECT_EQ(Block(pic->exif, pic->exifSize), tiff);
    EXPECT_EQ(Block(pic->xmp, pic->xmpSize), "<x:xmpmeta/>");
    EXPECT_EQ(Block(pic->photoshop, pic->photoshopSize), "8BIM resources");

    // Preview mode keeps nothing.
    ctx->previewMode = true;
    ASSERT_TRUE(Read(file, "a.jpg"));
    EXPECT_EQ(pic->comment, nullptr);
    EXPECT_EQ(pic->exif, nullptr);
}

TEST_F(JpegRead, ShortSegmentsGiveNoBlock)
{
    ctx->keepExif = ctx->keepPhotoshop = ctx->keepXmp = true;
    struct Case { const char *name; int code; QByteArray data; bool kept; } cases[] = {
        {"APP1 Exif, 5 bytes", JPEG_APP0 + 1, QByteArray("Exif\0", 5), false},
        {"APP1 Exif, 6 bytes", JPEG_APP0 + 1, QByteArray("Exif\0\0", 6), false},
        {"APP1 Exif, 7 bytes", JPEG_APP0 + 1, QByteArray("Exif\0\0M", 7), true},
        {"APP13, 12 bytes", JPEG_APP0 + 13, QByteArray("Photoshop 3.", 12), false},
        {"APP13, 13 bytes", JPEG_APP0 + 13, QByteArray("Photoshop 3.0", 13), false},
        {"APP13, 14 bytes", JPEG_APP0 + 13, QByteArray("Photoshop 3.0", 14), false},
        {"APP13, 15 bytes", JPEG_APP0 + 13, QByteArray("Photoshop 3.0\0R", 15), true},
        {"APP2 ICC, 14 bytes", JPEG_APP0 + 2, QByteArray("ICC_PROFILE\0\1\1", 14), false},
        {"APP1 XMP, 29 bytes", JPEG_APP0 + 1, QByteArray("http://ns.adobe.com/xap/1.0/", 29), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JpegSpec s;
        s.markers = {{c.code, c.data}};
        ASSERT_TRUE(Read(WriteJpeg(s), "a.jpg"));
        const bool any = pic->exif || pic->photoshop || pic->icc || pic->xmp;
        EXPECT_EQ(any, c.kept);
        if (pic->exif) {
            EXPECT_EQ(Block(pic->exif, pic->exifSize), "M");
        }
        if (pic->photoshop) {
            EXPECT_EQ(Block(pic->photoshop, pic->photoshopSize), "R");
        }
    }
}

TEST_F(JpegRead, HeaderOnlyLeavesTheFreshRecord)
{
    JpegSpec s;
    s.markers = IccChunks(Profile(100), 1);
    ASSERT_TRUE(Read(WriteJpeg(s), "a.jpg", 0, 0, true));
    EXPECT_EQ(pic->width, 1);
    EXPECT_EQ(pic->height, 1);
    EXPECT_EQ(pic->srcWidth, 1);
    EXPECT_EQ(pic->srcHeight, 1);
    EXPECT_NE(pic->icc, nullptr); // the markers are read with the header
}

TEST_F(JpegRead, CutShortFileGivesWhatTheLibraryFills)
{
    JpegSpec s;
    s.width = 64;
    s.height = 64;
    const QByteArray whole = WriteJpeg(s);
    const QByteArray cut = whole.left(whole.size() / 2);
    ASSERT_TRUE(Read(cut, "a.jpg"));
    Rgba ref;
    ASSERT_TRUE(DecodeJpeg(cut, 8, ref));
    EXPECT_EQ(Mismatches(*pic, ref, false), 0);
    Rgba full;
    ASSERT_TRUE(DecodeJpeg(whole, 8, full));
    EXPECT_EQ(PixelAt(*pic, 3, 2)[2], full.At(3, 2)[0]); // the top rows are there

    // Cut inside the header: no picture.
    EXPECT_FALSE(Read(whole.left(100), "b.jpg"));
}

TEST_F(JpegRead, OtherFilesAndHostileSizes)
{
    // Not a JPEG at all, an empty file, a folder.
    EXPECT_FALSE(Read(WritePng(PngSpec()), "png.jpg"));
    EXPECT_FALSE(Read(QByteArray(), "empty.jpg"));
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/dir.jpg"));
    EXPECT_FALSE(ctx->ReadImageFile(tmp.path() + "/dir.jpg", &pic, 0, 0, false));

    JpegSpec s;
    s.width = 16;
    s.height = 16;
    const QByteArray small = WriteJpeg(s);
    struct Case { int w, h, boxW, boxH, read; } cases[] = {
        {65500, 65500, 0, 0, 0},
        {65500, 5000, 0, 0, 0},
        {20000, 20000, 0, 0, 0},     // over the record's cap at full size
        {30000, 20000, 300, 300, 1}, // 1/8 in a box: 3750 x 2500 fits the cap
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " into " << c.boxW << "x" << c.boxH);
        const QString path = Put(WithSize(small, c.w, c.h), "big.jpg");
        // Refused, or read at 1/8, within five seconds of processor time.
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, c.boxW, c.boxH, 5), c.read);
        if (c.read) {
            ASSERT_TRUE(ctx->ReadImageFile(path, &pic, c.boxW, c.boxH, false));
            EXPECT_EQ(pic->width, c.w / 8);
            EXPECT_EQ(pic->height, c.h / 8);
            EXPECT_EQ(pic->srcWidth, c.w);
        }
    }
}

} // namespace
