// The PNG reader on files that libpng writes at test time, compared with
// libpng's own full decode; text chunks and hostile headers.
#include "layouts_png.h"
#include "picture_files.h"

#include <png.h>
#include <zlib.h>

using namespace VlmImgUt;
using namespace pictures;

namespace {

class PngRead : public PictureTest {};

TEST_F(PngRead, EveryColourTypeAndDepth)
{
    for (const layouts::png::Layout &c : layouts::png::Layouts) {
        for (bool interlace : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (interlace ? " interlaced" : ""));
            const PngSpec s = layouts::png::Spec(c, interlace);
            const QByteArray file = WritePng(s);
            ASSERT_FALSE(file.isEmpty());
            ASSERT_TRUE(Read(file, "a.png"));
            Rgba ref;
            bool refAlpha = false;
            ASSERT_TRUE(DecodePng(file, ref, refAlpha));
            EXPECT_EQ(refAlpha, c.alpha);
            EXPECT_EQ(pic->alpha != nullptr, c.alpha);
            EXPECT_EQ(Mismatches(*pic, ref, c.alpha), 0);
            EXPECT_EQ(pic->dpiX, 72);
        }
    }
}

// The file with the data of its first chunk of that type replaced, the
// chunk's CRC made anew.
QByteArray WithChunk(const QByteArray &file, const char *type, const QByteArray &data)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    for (int at = 8; at + 12 <= file.size();) {
        const int length = int(uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3]);
        if (memcmp(p + at + 4, type, 4) == 0) {
            QByteArray chunk;
            for (int s = 24; s >= 0; s -= 8)
                chunk.append(char(uint32_t(data.size()) >> s));
            chunk.append(type, 4);
            chunk.append(data);
            const uint32_t crc = uint32_t(
                crc32(0, reinterpret_cast<const Bytef *>(chunk.constData() + 4), uInt(data.size() + 4)));
            for (int s = 24; s >= 0; s -= 8)
                chunk.append(char(crc >> s));
            return file.left(at) + chunk + file.mid(at + 12 + length);
        }
        at += 12 + length;
    }
    return file;
}

TEST_F(PngRead, OddTransparencyAndPaletteAsLibpngGivesThem)
{
    // Transparent colours with bits beyond the depth, and palette indices
    // past a short palette, come out as libpng's own expansion gives them.
    struct Case {
        const char *name;
        int type, depth;
        const char *chunk;
        QByteArray data;
    };
    const Case cases[] = {
        {"grey 1, key 3", PNG_COLOR_TYPE_GRAY, 1, "tRNS", QByteArray("\x00\x03", 2)},
        {"grey 2, key 0x0106", PNG_COLOR_TYPE_GRAY, 2, "tRNS", QByteArray("\x01\x06", 2)},
        {"grey 4, key 0x00f7", PNG_COLOR_TYPE_GRAY, 4, "tRNS", QByteArray("\x00\xf7", 2)},
        {"grey 8, key 0x0150", PNG_COLOR_TYPE_GRAY, 8, "tRNS", QByteArray("\x01\x50", 2)},
        {"grey 16, key of a sample", PNG_COLOR_TYPE_GRAY, 16, "tRNS", QByteArray()},
        {"rgb 8, key with high bytes", PNG_COLOR_TYPE_RGB, 8, "tRNS", QByteArray()},
        {"palette 4 of 3 entries", PNG_COLOR_TYPE_PALETTE, 4, "PLTE", QByteArray("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9)},
        {"palette 8, 2 alphas", PNG_COLOR_TYPE_PALETTE, 8, "tRNS", QByteArray("\x00\x80", 2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PngSpec s;
        s.width = 29;
        s.height = 23;
        s.colorType = c.type;
        s.depth = c.depth;
        s.trns = memcmp(c.chunk, "tRNS", 4) == 0;
        QByteArray file = WritePng(s);
        ASSERT_FALSE(file.isEmpty());
        QByteArray data = c.data;
        if (data.isEmpty() && c.type == PNG_COLOR_TYPE_GRAY) {
            // The 16-bit key of pixel (3, 2).
            const uint32_t v = Sample(3, 2, 0, 16);
            data = QByteArray(1, char(v >> 8)) + QByteArray(1, char(v));
        } else if (data.isEmpty()) {
            // Pixel (5, 1)'s colour, with high bytes that the 8 bits do not have.
            for (int ch = 0; ch < 3; ++ch)
                data += QByteArray(1, char(0x7F)) + QByteArray(1, char(Sample(5, 1, ch, 8)));
        }
        file = WithChunk(file, c.chunk, data);
        Rgba ref;
        bool refAlpha = false;
        ASSERT_TRUE(DecodePng(file, ref, refAlpha));
        ASSERT_TRUE(Read(file, "a.png"));
        ASSERT_EQ(pic->alpha != nullptr, refAlpha);
        EXPECT_EQ(Mismatches(*pic, ref, refAlpha), 0);
        // And reduced, through the sampled pixels.
        ASSERT_TRUE(Read(file, "a.png", 10, 10));
        const TReduction r = TReduction::For(29, 23, 10, 10);
        EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(29, r.width, r.stepX),
                             TReduction::Sample(23, r.height, r.stepY), refAlpha),
                  0);
    }
}

TEST_F(PngRead, OneBitGreyIsBlackAndWhite)
{
    PngSpec s;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.depth = 1;
    s.width = 17;
    ASSERT_TRUE(Read(WritePng(s), "a.png"));
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const uint8_t want = Sample(x, y, 0, 1) ? 255 : 0;
            const uint8_t *p = PixelAt(*pic, x, y);
            EXPECT_TRUE(p[0] == want && p[1] == want && p[2] == want) << x << "," << y;
        }
}

TEST_F(PngRead, InterlacedEqualsItsPlainTwin)
{
    struct Case { int w, h, type, depth, boxW, boxH; } cases[] = {
        {1, 1, PNG_COLOR_TYPE_RGB, 8, 0, 0},
        {2, 3, PNG_COLOR_TYPE_RGB_ALPHA, 8, 0, 0},
        {5, 1, PNG_COLOR_TYPE_PALETTE, 2, 0, 0},
        {1, 9, PNG_COLOR_TYPE_GRAY, 16, 0, 0},
        {33, 17, PNG_COLOR_TYPE_RGB, 8, 0, 0},
        {100, 60, PNG_COLOR_TYPE_RGB_ALPHA, 8, 30, 30}, // reduced while read
        {61, 97, PNG_COLOR_TYPE_GRAY, 4, 10, 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " type " << c.type);
        PngSpec s;
        s.width = c.w;
        s.height = c.h;
        s.colorType = c.type;
        s.depth = c.depth;
        ASSERT_TRUE(Read(WritePng(s), "plain.png", c.boxW, c.boxH));
        const TDib *plain = pic;
        pic = nullptr;
        s.interlace = true;
        const bool ok = Read(WritePng(s), "adam7.png", c.boxW, c.boxH);
        std::unique_ptr<const TDib> keep(plain);
        ASSERT_TRUE(ok);
        ASSERT_EQ(pic->width, plain->width);
        ASSERT_EQ(pic->height, plain->height);
        EXPECT_EQ(memcmp(pic->bits, plain->bits, size_t(pic->stride) * size_t(pic->height)), 0);
        ASSERT_EQ(pic->alpha != nullptr, plain->alpha != nullptr);
        if (pic->alpha) {
            EXPECT_EQ(memcmp(pic->alpha, plain->alpha, size_t(pic->width) * size_t(pic->height)), 0);
        }
    }
}

TEST_F(PngRead, ReducedWhileRead)
{
    PngSpec s;
    s.width = 1000;
    s.height = 500;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    const QByteArray file = WritePng(s);
    Rgba ref;
    bool refAlpha = false;
    ASSERT_TRUE(DecodePng(file, ref, refAlpha));
    struct Case { int boxW, boxH, w, h; } cases[] = {
        {400, 400, 400, 200},   // ratio 2 is at least 1
        {1200, 400, 1000, 500}, // the width does not exceed the box
        {0, 0, 1000, 500},
        {300, 100, 200, 100},   // the height binds
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.boxW << "x" << c.boxH);
        ASSERT_TRUE(Read(file, "a.png", c.boxW, c.boxH));
        EXPECT_EQ(pic->width, c.w);
        EXPECT_EQ(pic->height, c.h);
        EXPECT_EQ(pic->srcWidth, 1000);
        EXPECT_EQ(pic->srcHeight, 500);
        const TReduction r = TReduction::For(1000, 500, c.boxW, c.boxH);
        // File rows are taken from the top.
        EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(1000, r.width, r.stepX),
                             TReduction::Sample(500, r.height, r.stepY), true),
                  0);
    }
}

TEST_F(PngRead, ProfileAndModes)
{
    PngSpec s;
    s.icc = IccProfile(300);
    const QByteArray file = WritePng(s);

    ASSERT_TRUE(Read(file, "a.png"));
    ASSERT_NE(pic->icc, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), int(pic->iccSize)), Bytes(s.icc));

    ctx->previewMode = true;
    ASSERT_TRUE(Read(file, "a.png"));
    EXPECT_EQ(pic->icc, nullptr);
    ctx->previewMode = false;

    // Header only: true, the record as made, its source size not set.
    ASSERT_TRUE(Read(file, "a.png", 0, 0, true));
    EXPECT_EQ(pic->width, 1);
    EXPECT_EQ(pic->height, 1);
    EXPECT_EQ(pic->srcWidth, 1);
    EXPECT_EQ(pic->icc, nullptr);
}

// "Raw profile type exif" as dump tools write it: a header line with the
// name and the length, then the bytes in hex, 36 to a line.
std::string HexDump(const QByteArray &bytes)
{
    std::string s = "\nexif\n" + std::to_string(bytes.size()) + "\n";
    const QByteArray hex = bytes.toHex();
    for (int i = 0; i < hex.size(); i += 72)
        s += hex.mid(i, 72).toUpper().toStdString() + "\n";
    return s;
}

TEST_F(PngRead, TextChunksSortedIntoBlocks)
{
    const QByteArray tiff("II\x2a\0\x08\0\0\0\0\0", 10);
    PngSpec s;
    s.texts = {{"Title", "Cat"}, {"Raw profile type exif", HexDump(QByteArray("Exif\0\0", 6) + tiff)}};
    s.endTexts = {{"Author", "Me"}};
    const QByteArray file = WritePng(s);

    // This program keeps none of them.
    ASSERT_TRUE(Read(file, "a.png"));
    EXPECT_EQ(pic->comment, nullptr);
    EXPECT_EQ(pic->exif, nullptr);

    ctx->keepComment = ctx->keepExif = true;
    ASSERT_TRUE(Read(file, "a.png"));
    ASSERT_NE(pic->comment, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->comment), int(pic->commentSize)),
              QByteArray("Title = Cat\nAuthor = Me\n"));
    EXPECT_EQ(pic->commentSize, 24u);
    ASSERT_NE(pic->exif, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->exif), int(pic->exifSize)), tiff);

    // Without keepExif the dump is one more comment line.
    ctx->keepExif = false;
    ASSERT_TRUE(Read(file, "a.png"));
    EXPECT_EQ(pic->exif, nullptr);
    EXPECT_GT(pic->commentSize, 24u);
}

// The file with its image data in IDAT chunks of `piece` bytes.
QByteArray Rechunked(const QByteArray &file, int piece)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    QByteArray before, data, after;
    for (int at = 8; at + 12 <= file.size();) {
        const int length = int(uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3]);
        if (memcmp(p + at + 4, "IDAT", 4) == 0)
            data.append(file.mid(at + 8, length));
        else
            (data.isEmpty() ? before : after).append(file.mid(at, 12 + length));
        at += 12 + length;
    }
    QByteArray out = file.left(8) + before;
    for (int at = 0; at < data.size(); at += piece) {
        const QByteArray body = "IDAT" + data.mid(at, piece);
        const uint32_t n = uint32_t(body.size() - 4);
        out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
        out.append(body);
        const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size())));
        out.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
    }
    return out + after;
}

TEST_F(PngRead, StreamEndInLaterChunksStillReadsTheChunksAfterIt)
{
    // The end of the image data's stream (its last code and checksum) in
    // IDAT chunks of its own, after the last row: the reader lets libpng
    // read it, so the text after the image data is still found.
    PngSpec s;
    s.width = 40;
    s.height = 30;
    s.endTexts = {{"Author", "Me"}};
    const QByteArray file = Rechunked(WritePng(s), 1);
    ctx->keepComment = true;
    ASSERT_TRUE(Read(file, "a.png"));
    Rgba ref;
    bool refAlpha = false;
    ASSERT_TRUE(DecodePng(file, ref, refAlpha));
    EXPECT_EQ(Mismatches(*pic, ref, false), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->comment), pic->comment ? int(pic->commentSize) : 0),
              QByteArray("Author = Me\n"));
}

TEST(PngProfiles, EntriesTable)
{
    TImgUt ctx("Vellamor\\quibo", TRegStore::InFolder(QDir::tempPath() + "/quibo-png-profiles"));
    ctx.optsDirty = false;
    ctx.keepExif = ctx.keepComment = ctx.keepXmp = ctx.keepPhotoshop = true;
    const QByteArray none("(none)");
    struct Case { const char *name; const char *key; const char *text; QByteArray exif; QByteArray comment; } cases[] = {
        {"big-endian dump", "Raw profile type APP1", "app1 12 4d4d002a00000008", QByteArray("MM\0\x2a\0\0\0\x08", 8), ""},
        {"key case ignored", "raw PROFILE type EXIF", "xx 49 49 2A 00 08", QByteArray("II\x2a\0\x08", 5), ""},
        {"odd digit dropped", "Raw profile type exif", "49492a000", QByteArray("II\x2a\0", 4), ""},
        {"no TIFF header", "Raw profile type exif", "exif 12 0123456789", none, ""},
        {"header cut", "Raw profile type exif", "49492a", none, ""},
        {"empty text", "Raw profile type exif", "", none, ""},
        {"iptc recognised", "Raw profile type iptc", "1c02", none, ""},
        {"xmp recognised", "XML:com.adobe.xmp", "<x/>", none, ""},
        {"ordinary text", "Software", "quibo", none, "Software = quibo\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TDib dib;
        ctx.readTarget = &dib;
        const TPngText entry{c.key, c.text, strlen(c.text)};
        ReadPngProfiles(ctx, 1, &entry);
        const QByteArray exif = dib.exif ? QByteArray(reinterpret_cast<const char *>(dib.exif), int(dib.exifSize)) : none;
        EXPECT_EQ(exif, c.exif);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(dib.comment), int(dib.comment ? dib.commentSize : 0)),
                  c.comment);
    }
    ctx.readTarget = nullptr;
}

TEST_F(PngRead, ExifChunkKeptUnderItsFlag)
{
    PngSpec s;
    s.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    const QByteArray file = WritePng(s);
    ASSERT_TRUE(Read(file, "a.png"));
    EXPECT_EQ(pic->exif, nullptr);
    ctx->keepExif = true;
    ASSERT_TRUE(Read(file, "a.png"));
    ASSERT_NE(pic->exif, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->exif), int(pic->exifSize)), Bytes(s.exif));
}

// A PNG of a claimed size whose image data is one small deflate stream.
QByteArray Claimed(uint32_t w, uint32_t h, int type, int depth, int64_t rawBytes)
{
    auto chunk = [](const char *name, const QByteArray &data) {
        QByteArray c;
        const uint32_t n = uint32_t(data.size());
        c.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
        const QByteArray body = QByteArray(name, 4) + data;
        c.append(body);
        const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size())));
        c.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
        return c;
    };
    QByteArray ihdr;
    for (uint32_t v : {w, h})
        ihdr.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    ihdr.append(char(depth)).append(char(type)).append('\0').append('\0').append('\0');
    // rawBytes zero bytes (filter 0, black pixels), deflated piece by piece.
    QByteArray z;
    z_stream zs{};
    deflateInit(&zs, 1);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray out(1 << 16, '\0');
    for (int64_t left = rawBytes;;) {
        const int64_t n = std::min<int64_t>(left, zeros.size());
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
        zs.avail_in = uInt(n);
        left -= n;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int rc;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(out.data());
            zs.avail_out = uInt(out.size());
            rc = deflate(&zs, flush);
            z.append(out.constData(), out.size() - int(zs.avail_out));
        } while (zs.avail_out == 0);
        if (flush == Z_FINISH && rc == Z_STREAM_END)
            break;
    }
    deflateEnd(&zs);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", QByteArray());
}

TEST_F(PngRead, CutShortOtherAndHostileFiles)
{
    PngSpec s;
    s.width = 40;
    s.height = 40;
    const QByteArray whole = WritePng(s);
    EXPECT_FALSE(Read(whole.left(whole.size() - 40), "cut.png"));
    EXPECT_FALSE(Read(whole.left(20), "head.png"));
    EXPECT_FALSE(Read(WriteJpeg(JpegSpec()), "jpeg.png"));
    EXPECT_FALSE(Read(QByteArray(), "empty.png"));
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/dir.png"));
    EXPECT_FALSE(ctx->ReadImageFile(tmp.path() + "/dir.png", &pic, 0, 0, false));

    // Sizes no small file can hold are refused before anything is made; a
    // reduced record stays small, so a large picture is still previewed.
    struct Case { uint32_t w, h; int type, depth, boxW, boxH; } cases[] = {
        {1000000, 1000000, PNG_COLOR_TYPE_RGB, 8, 0, 0},
        {1000000, 1000000, PNG_COLOR_TYPE_RGB, 8, 100, 100},
        {16000, 16000, PNG_COLOR_TYPE_RGB_ALPHA, 16, 0, 0},
        {16000, 16000, PNG_COLOR_TYPE_GRAY, 1, 0, 0},
        {0x7FFFFFFF, 1, PNG_COLOR_TYPE_RGB, 8, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const QString path = Put(Claimed(c.w, c.h, c.type, c.depth, 1000), "big.png");
        // Refused before any row: well within five seconds of processor time.
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, c.boxW, c.boxH, 5), 0);
    }
}

TEST_F(PngRead, LargePictureReducedUnderTheMemoryCap)
{
    // 30000 x 20000 of one grey: a 600 MB record at full size, a small
    // one in a box; only one file row is held while it is read.
    const int w = 30000, h = 20000;
    const QString path = Put(Claimed(w, h, PNG_COLOR_TYPE_GRAY, 8, int64_t(w + 1) * h), "large.png");
    EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, 300, 300), 1);
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 300, 300, false));
    EXPECT_EQ(pic->width, 300);
    EXPECT_EQ(pic->height, 200);
    EXPECT_EQ(pic->srcWidth, w);
}

} // namespace

TEST_F(PngRead, HeaderOnlyReadKeepsTheTextAfterLargeImageData)
{
    // Image data of well over a chunk's worth, then text: a read of the
    // header only still finds the text, as the full read does.
    PngSpec s;
    s.width = 400;
    s.height = 300;
    s.endTexts = {{"Author", "Me"}};
    const QByteArray file = WritePng(s);
    ASSERT_GT(file.size(), 16384);
    ctx->keepComment = true;
    for (const bool headerOnly : {false, true}) {
        SCOPED_TRACE(headerOnly ? "header only" : "full");
        ASSERT_TRUE(Read(file, "a.png", 0, 0, headerOnly));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->comment), pic->comment ? int(pic->commentSize) : 0),
                  QByteArray("Author = Me\n"));
    }
}
