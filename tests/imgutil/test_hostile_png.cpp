// PNG files that cost far more than their picture: compressed text chunks
// that inflate a thousandfold, image data that inflates far past the
// picture, chunks held beside the picture, and a huge bilevel picture read
// into a preview box.
#include "hostile_writers.h"
#include "picture_files.h"
#include "read_cost.h"

#include <QFile>
#include <QFileInfo>

#include <vector>
#include <zlib.h>

using namespace VlmImgUt;

namespace {

class HostilePng : public pictures::PictureTest {};

constexpr size_t MB = size_t(1) << 20;

TEST_F(HostilePng, TextChunksCostNothingUnlessKeptAndThenLittle)
{
    // A 1 x 1 record: its working set is all a read may take, text kept or
    // not. Kept text is bounded, but text within the bound is all there.
    struct Case {
        const char *name;
        int chunks;
        bool itxt;
        size_t inflated;
        bool keep;
        int boxW, boxH;
        bool headerOnly;
        size_t commentAtLeast; // with keep
    };
    const Case cases[] = {
        {"16 zTXt of 7.9 MB", 16, false, 7900000, false, 0, 0, false, 0},
        {"16 zTXt of 7.9 MB, preview box", 16, false, 7900000, false, 160, 120, false, 0},
        {"16 zTXt of 7.9 MB, header only", 16, false, 7900000, false, 0, 0, true, 0},
        {"16 zTXt of 7.9 MB, kept", 16, false, 7900000, true, 0, 0, false, 0},
        {"16 iTXt of 7.9 MB", 16, true, 7900000, false, 0, 0, false, 0},
        {"16 iTXt of 7.9 MB, kept, header only", 16, true, 7900000, true, 0, 0, true, 0},
        {"8 zTXt of 256 KB, kept", 8, false, 256 << 10, true, 0, 0, false, 8 * (256 << 10)},
        {"1 iTXt of 3 MB, kept", 1, true, 3 * MB, true, 0, 0, false, 3 * MB},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/text.png";
        ASSERT_TRUE(hostile::WritePngTextBomb(path, c.chunks, c.itxt, c.inflated));
        ctx->keepComment = c.keep;
        // Kept text may take about three times its bound (libpng's buffer,
        // its copy, the comment); otherwise only the fixed working set.
        const size_t bound = c.keep ? 24 * MB : 8 * MB;
        EXPECT_EQ(readcost::ReadWithin(*ctx, path, c.boxW, c.boxH, c.headerOnly, bound), 1);
        if (c.commentAtLeast > 0) {
            ASSERT_TRUE(ctx->ReadImageFile(path, &pic, c.boxW, c.boxH, c.headerOnly));
            EXPECT_GE(size_t(pic->commentSize), c.commentAtLeast);
        }
    }
}

TEST_F(HostilePng, ImageDataPastTheLastRowIsNotFedToTheDecoder)
{
    // A 1 x 1 picture whose image data inflates to 64 MB (290 KB at zlib
    // level 1): its one row is in the first bytes. Past the last row libpng
    // would inflate all the rest to find the stream's end; it gets at most
    // a few pieces more (each inflating a thousandfold at most), and the
    // picture is read, in every mode.
    struct Case {
        const char *name;
        bool adam7;
        int boxW, boxH;
        bool headerOnly, keep;
    };
    const Case cases[] = {
        {"full", false, 0, 0, false, false},
        {"Adam7", true, 0, 0, false, false},
        {"preview box", false, 160, 120, false, false},
        {"text kept", false, 0, 0, false, true},
        {"header only, text kept", false, 0, 0, true, true},
    };
    const QString path = tmp.path() + "/idat.png";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(hostile::WritePngIdatBomb(path, uint64_t(64) << 20, c.adam7, 1));
        ASSERT_GT(QFileInfo(path).size(), 256 << 10);
        ctx->keepComment = c.keep;
        const readcost::TReads before = readcost::Reads();
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, c.boxW, c.boxH, c.headerOnly));
        const readcost::TReads after = readcost::Reads();
        EXPECT_LT(after.bytes - before.bytes, uint64_t(64) << 10);
        if (!c.headerOnly) {
            ASSERT_EQ(pic->width, 1);
            EXPECT_EQ(pictures::PixelAt(*pic, 0, 0)[0], 0);
        }
    }
}

TEST_F(HostilePng, ChunksTheReaderDoesNotUseAreNotHeld)
{
    // A 1 x 1 record: a read holds nothing of the chunks it does not use
    // (suggested palettes, in every mode), only the first of those it
    // keeps one of (eXIf), and a bounded amount of kept text.
    struct Case {
        const char *name;
        const char *type;
        QByteArray data;
        int copies;
        int boxW, boxH;
        bool headerOnly, keepExif, keepComment;
    };
    const QByteArray palette = hostile::SuggestedPalette(1333000); // 8 MB
    const QByteArray text = QByteArray("Comment", 8) + QByteArray(1 << 20, 'a');
    const QByteArray exif = QByteArray("MM\0*\0\0\0\x08", 8) + QByteArray(3 << 20, '\0');
    const Case cases[] = {
        {"3 sPLT of 8 MB", "sPLT", palette, 3, 0, 0, false, false, false},
        {"3 sPLT of 8 MB, preview box", "sPLT", palette, 3, 160, 120, false, false, false},
        {"3 sPLT of 8 MB, header only", "sPLT", palette, 3, 0, 0, true, false, false},
        {"3 sPLT of 8 MB, metadata kept", "sPLT", palette, 3, 0, 0, false, true, true},
        {"12 eXIf of 3 MB, EXIF kept", "eXIf", exif, 12, 0, 0, false, true, false},
        {"24 tEXt of 1 MB, comment kept", "tEXt", text, 24, 0, 0, false, false, true},
    };
    const QString path = tmp.path() + "/chunks.png";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(hostile::WritePngWithChunks(path, c.type, c.data, c.copies));
        ctx->keepExif = c.keepExif;
        ctx->keepComment = c.keepComment;
        // What is kept is held about three times (libpng's buffer, its copy,
        // the picture's block).
        const size_t bound = c.keepExif || c.keepComment ? 24 * MB : 8 * MB;
        EXPECT_EQ(readcost::ReadWithin(*ctx, path, c.boxW, c.boxH, c.headerOnly, bound), 1);
    }
    // The one eXIf kept is whole.
    ctx->keepExif = true;
    ctx->keepComment = false;
    ASSERT_TRUE(hostile::WritePngWithChunks(path, "eXIf", exif, 3));
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    ASSERT_NE(pic->exif, nullptr);
    EXPECT_EQ(pic->exifSize, uint32_t(exif.size()));
}

// The pixel rows of a PNG file as they are inflated: the least any reader
// of the file must do. Returns the bytes inflated.
uint64_t InflateRows(const QByteArray &file)
{
    QByteArray idat;
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    for (int at = 8; at + 12 <= file.size();) {
        const int length = int(uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3]);
        if (memcmp(p + at + 4, "IDAT", 4) == 0)
            idat.append(file.mid(at + 8, length));
        at += 12 + length;
    }
    z_stream z{};
    inflateInit(&z);
    std::vector<unsigned char> row(64 << 10);
    z.next_in = reinterpret_cast<Bytef *>(idat.data());
    z.avail_in = uInt(idat.size());
    int ret = Z_OK;
    while (ret == Z_OK) {
        z.next_out = row.data();
        z.avail_out = uInt(row.size());
        ret = inflate(&z, Z_NO_FLUSH);
    }
    const uint64_t n = z.total_out;
    inflateEnd(&z);
    return n;
}

TEST_F(HostilePng, PreviewOfAHugeBilevelPictureConvertsOnlyItsSamples)
{
    // 20000 x 20000 at one bit a pixel, into a 160 x 120 box: 120 of the
    // rows are sampled, 120 pixels each. The read's work, as its budget
    // counts the rows libpng gives, is the inflated rows, which every read
    // must make, and the file; rows expanded to 24 bits would be 24 times
    // that.
    const QString path = tmp.path() + "/bilevel.png";
    ASSERT_TRUE(hostile::WritePngBilevel(path, 20000, 20000));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray file = f.readAll();
    const uint64_t inflated = InflateRows(file);
    EXPECT_EQ(inflated, uint64_t(20000 / 8 + 1) * 20000);
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 160, 120, false));
    EXPECT_EQ(pic->width, 120);
    EXPECT_EQ(pic->height, 120);
    EXPECT_EQ(pic->srcWidth, 20000);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(pictures::PixelAt(*pic, x, y)[0], 0);
    EXPECT_LE(uint64_t(ctx->budget.Spent()), inflated + uint64_t(file.size()))
        << "work " << ctx->budget.Spent() << ", inflated rows " << inflated;
}

} // namespace
