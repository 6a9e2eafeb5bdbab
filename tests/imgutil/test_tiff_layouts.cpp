// The TIFF reader on the layouts it reads in bands or scanlines (strips of
// every height, tiles, separate planes, every orientation, widths past one
// converted piece), each compared with libtiff's own RGBA read (grey ones
// with their raw samples), and on hostile pictures, whose reads must cost
// no more than their record or be refused before they decode.
#include "hostile_files.h"
#include "hostile_writers.h"
#include "layouts_tiff.h"
#include "memory_cap.h"
#include "picture_files.h"
#include "read_cost.h"

#include <QFile>
#include <tiffio.h>

#include <algorithm>
#include <vector>

using namespace VlmImgUt;
using namespace pictures;
using namespace layouts::tiff;

namespace {

// The reference for a layout: libtiff's own RGBA read, or for grey layouts,
// whose partial tiles libtiff's RGBA interface converts wrongly, the raw
// samples.
bool Reference(const QString &path, const Layout &l, Rgba &ref)
{
    if (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE)
        if (l.bits >= 8 && !l.separate && l.orientation == ORIENTATION_TOPLEFT)
            return DecodeGreySamples(path, ref);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && DecodeTiff(f.readAll(), ref);
}

class TiffLayouts : public PictureTest {
protected:
    // The read at full size and into the box gives the reference's pixels,
    // the reduced one (unless the box is 0) sampled from the bottom row up;
    // an alpha plane where the reference's alpha is not opaque.
    void ExpectAsTheReference(const Layout &l, int boxW, int boxH)
    {
        SCOPED_TRACE(l.name);
        const QString path = tmp.path() + "/layout.tif";
        ASSERT_TRUE(WriteLayout(QFile::encodeName(path).constData(), l));
        Rgba ref;
        ASSERT_TRUE(Reference(path, l, ref));
        bool alpha = false; // libtiff gives some layouts' alpha as opaque
        for (size_t i = 3; i < ref.px.size(); i += 4)
            alpha = alpha || ref.px[i] != 255;
        EXPECT_EQ(alpha, l.alpha != 0 && l.bits == 8);
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        EXPECT_EQ(pic->alpha != nullptr, alpha);
        EXPECT_EQ(Mismatches(*pic, ref, alpha), 0);

        if (boxW == 0)
            return;
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, boxW, boxH, false));
        const TReduction r = TReduction::For(l.width, l.height, boxW, boxH);
        ASSERT_TRUE(r.reduced);
        ASSERT_EQ(pic->width, r.width);
        ASSERT_EQ(pic->height, r.height);
        EXPECT_EQ(pic->srcWidth, l.width);
        EXPECT_EQ(pic->srcHeight, l.height);
        const std::vector<int32_t> fromBottom = TReduction::Sample(l.height, r.height, r.stepY);
        std::vector<int32_t> rows(fromBottom.size());
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = l.height - 1 - fromBottom[rows.size() - 1 - y];
        EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(l.width, r.width, r.stepX), rows, alpha), 0);
    }
};

TEST_F(TiffLayouts, StripsTilesPlanesAndOrientationsAsTheLibraryReadsThem)
{
    for (const Layout &l : PieceLayouts)
        ExpectAsTheReference(l, l.width / 3, l.height / 3);
}

// libtiff 4.5's RGBA interface steps over too few bytes of the part of a
// grey tile that the picture's right edge cuts off; the picture must hold
// the file's samples there too.
TEST_F(TiffLayouts, TiledGreyAsItsSamples)
{
    struct Case { int width, height, samples, bits, photometric, alpha, tileW, tileH, compression; };
    const Case cases[] = {
        {1023, 769, 1, 16, PHOTOMETRIC_MINISBLACK, 0, 16, 16, COMPRESSION_NONE},
        {21, 19, 1, 16, PHOTOMETRIC_MINISBLACK, 0, 16, 16, COMPRESSION_ADOBE_DEFLATE},
        {300, 200, 1, 16, PHOTOMETRIC_MINISWHITE, 0, 48, 32, COMPRESSION_LZW},
        {33, 50, 2, 16, PHOTOMETRIC_MINISBLACK, EXTRASAMPLE_UNASSALPHA, 32, 16, COMPRESSION_NONE},
        {21, 19, 2, 8, PHOTOMETRIC_MINISBLACK, EXTRASAMPLE_UNASSALPHA, 16, 16, COMPRESSION_NONE},
        {70, 40, 3, 8, PHOTOMETRIC_MINISWHITE, 0, 64, 16, COMPRESSION_ADOBE_DEFLATE},
        {1, 40, 1, 16, PHOTOMETRIC_MINISBLACK, 0, 16, 16, COMPRESSION_NONE}, // nothing cut but rows
    };
    for (const Case &c : cases)
        for (const bool big : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << ", " << c.samples << " x " << c.bits
                                            << " bits in tiles of " << c.tileW << "x" << c.tileH
                                            << (big ? ", big-endian" : ""));
            Layout l{"grey tiles", c.width, c.height, c.samples, c.bits, c.photometric, c.alpha, false, 0,
                     c.tileW, c.tileH, ORIENTATION_TOPLEFT, c.compression};
            l.bigEndian = big;
            ExpectAsTheReference(l, c.width / 3, c.height / 3);
        }
}

// ---- hostile pictures ----

constexpr size_t WorkingSet = size_t(32) << 20;

// The read of path into the box under a cap of 1.5 x its record and the
// working set: 1 when it made a picture of the record's size all of one
// value (any one when value < 0), 0 when it failed.
int ReadPlainUnderCap(TImgUt &ctx, const QString &path, int boxW, int boxH, int64_t recordW, int64_t recordH,
                      int value = -1)
{
    const int64_t record = (recordW * 3 + 3) / 4 * 4 * recordH;
    return testutil::RunUnderMemoryCap(size_t(record) * 3 / 2 + WorkingSet, [&] {
        TDib *p = nullptr;
        if (!ctx.ReadImageFile(path, &p, boxW, boxH, false))
            return 0;
        if (p->width != recordW || p->height != recordH || p->alpha)
            return 2;
        const int want = value < 0 ? p->bits[0] : value;
        for (int64_t i = 0; i < int64_t(p->stride) * p->height; ++i)
            if (p->bits[i] != want && i % p->stride < 3 * p->width)
                return 5;
        return 1;
    });
}

TEST_F(TiffLayouts, WhiteG4PictureCostsItsRecord)
{
    for (const uint32_t tile : {0u, 4096u, 1024u}) {
        SCOPED_TRACE(tile ? "tiles" : "one strip");
        const QString path = tmp.path() + "/white.tif";
        ASSERT_TRUE(hostile::WriteWhiteG4Tiff(path, 4096, 4096, tile));
        EXPECT_EQ(ReadPlainUnderCap(*ctx, path, 0, 0, 4096, 4096, 255), 1) << "full size";
        EXPECT_EQ(ReadPlainUnderCap(*ctx, path, 160, 120, 120, 120, 255), 1) << "preview";
    }
}

TEST_F(TiffLayouts, HostileCasesWithinTheirRecord)
{
    for (const hostile::TCase &c : hostile::TiffCases()) {
        if (c.recordWidth * c.recordHeight > (int64_t(1) << 22))
            continue; // their record is too large for a test: shrunk above
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/case" + c.ext;
        ASSERT_TRUE(c.write(path));
        EXPECT_EQ(ReadPlainUnderCap(*ctx, path, c.boxWidth, c.boxHeight, c.recordWidth, c.recordHeight),
                  c.refused ? 0 : 1);
    }
}

// A tile decodes only as far as it lies over the picture: a small picture
// in one huge tile costs its picture, not its tile, and where even that
// part is out of proportion to the picture the file is refused before
// anything is decoded. Honest tiles a little larger than the picture read.
TEST_F(TiffLayouts, TilesLargerThanThePictureCostThePicture)
{
    struct Case { const char *name; uint32_t width, height, tileW, tileH; bool reads; };
    const Case cases[] = {
        {"16 x 16 in one tile of 8192 x 8192 (64 MB)", 16, 16, 8192, 8192, true},
        {"16 x 16 in tiles of 256 x 256", 16, 16, 256, 256, true},
        {"300 x 20 in tiles of 256 x 1024", 300, 20, 256, 1024, true},
        {"16 x 16 in one tile of 4194304 x 16 (64 MB)", 16, 16, 4194304, 16, false},
        {"16 x 16 in one tile of 524288 x 64 (32 MB, 8 MB of it over the picture)", 16, 16, 524288, 64, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/tiles.tif";
        ASSERT_TRUE(hostile::WriteZeroDeflateTiff(path, c.width, c.height, c.tileW, c.tileH, 1));
        // Within 16 MB, a refusal too.
        EXPECT_EQ(readcost::ReadWithin(*ctx, path, 0, 0, false, size_t(16) << 20), c.reads ? 1 : 0);
        ctx->budget.onSpend = nullptr;
        EXPECT_EQ(ctx->ReadImageFile(path, &pic, 0, 0, false), c.reads);
        if (c.reads) {
            EXPECT_EQ(PixelAt(*pic, int(c.width) - 1, int(c.height) - 1)[0], 0);
            // The rows over the picture of every tile, and no more.
            const int64_t across = (c.width + c.tileW - 1) / c.tileW;
            EXPECT_EQ(ctx->budget.Spent(), across * c.tileW * c.height);
        } else {
            EXPECT_EQ(ctx->budget.Spent(), 0);
        }
    }
}

// Samples a pixel beyond its colours' and a few more are refused before
// anything is decoded; a few extra samples read as the library reads them.
TEST_F(TiffLayouts, SamplesBeyondAFewExtraRefusedBeforeDecoding)
{
    struct Case { const char *name; int samples, photometric; bool reads; };
    const Case cases[] = {
        {"grey and 8 extra samples", 9, PHOTOMETRIC_MINISBLACK, true},
        {"rgb and 8 extra samples", 11, PHOTOMETRIC_RGB, true},
        {"grey and 9 extra samples", 10, PHOTOMETRIC_MINISBLACK, false},
        {"rgb and 9 extra samples", 12, PHOTOMETRIC_RGB, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/samples.tif";
        const Layout l{c.name, 40, 30, c.samples, 8, c.photometric, 0, false, 7, 0, 0, ORIENTATION_TOPLEFT,
                       COMPRESSION_ADOBE_DEFLATE};
        ASSERT_TRUE(WriteLayout(QFile::encodeName(path).constData(), l));
        ASSERT_EQ(ctx->ReadImageFile(path, &pic, 0, 0, false), c.reads);
        if (c.reads) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            Rgba ref;
            ASSERT_TRUE(DecodeTiff(f.readAll(), ref));
            EXPECT_EQ(Mismatches(*pic, ref, false), 0);
        } else {
            EXPECT_EQ(ctx->budget.Spent(), 0);
        }
    }
    // 4096 samples a pixel: a row of 64 pixels decodes to 256 KB.
    const QString path = tmp.path() + "/4096.tif";
    ASSERT_TRUE(hostile::WriteZeroDeflateTiff(path, 64, 64, 0, 0, 4096));
    EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 16, 16, false));
    EXPECT_EQ(ctx->budget.Spent(), 0);
}

// The read holds libtiff to its budget too: with a small working set a
// sub-sampled strip, which libtiff decodes into a buffer of its own, reads
// at full size (half the record pays for it) and is refused into a
// preview box, before anything is decoded.
TEST_F(TiffLayouts, LibraryBuffersWithinTheReadsMemory)
{
    Layout l = PieceLayouts[13];
    ASSERT_STREQ(l.name, "ycbcr 4:2:0 in one strip taller than a band");
    l.compression = COMPRESSION_ADOBE_DEFLATE; // libtiff cuts an uncompressed strip into small ones
    const QString path = tmp.path() + "/ycbcr.tif";
    ASSERT_TRUE(WriteLayout(QFile::encodeName(path).constData(), l));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Rgba ref;
    ASSERT_TRUE(DecodeTiff(f.readAll(), ref));
    ctx->budget.workingSet = int64_t(1) << 20;
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    EXPECT_EQ(Mismatches(*pic, ref, false), 0);
    EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 160, 120, false));
    EXPECT_EQ(ctx->budget.Spent(), 0);
    ctx->budget.workingSet = TReadBudget::DefaultWorkingSet;
    EXPECT_TRUE(ctx->ReadImageFile(path, &pic, 160, 120, false));
}

// A read stopped at its first count ends there, in every way of reading.
TEST_F(TiffLayouts, StoppedReadEndsAtItsFirstCount)
{
    const char *names[] = {"rgb in strips of 3, turned over", "rgba tiles", "rgb in separate planes",
                           "ycbcr 4:2:0 in strips of 6"};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        const Layout *l = std::find_if(std::begin(PieceLayouts), std::end(PieceLayouts),
                                       [&](const Layout &x) { return QByteArray(x.name) == name; });
        ASSERT_NE(l, std::end(PieceLayouts));
        const QString path = tmp.path() + "/stop.tif";
        ASSERT_TRUE(WriteLayout(QFile::encodeName(path).constData(), *l));
        {
            readcost::StopAtFirstCount stop(ctx->budget);
            EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false));
            EXPECT_EQ(stop.counts, 1);
            EXPECT_EQ(ctx->budget.Spent(), stop.atStop);
        }
        EXPECT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    }
}

} // namespace
