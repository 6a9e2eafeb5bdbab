// The TIFF reader on files that libtiff writes at test time, compared with
// libtiff's own RGBA read (grey ones with their raw samples); the EXIF
// block and hostile files built by hand.
#include "layouts_tiff.h"
#include "picture_files.h"

#include <tiffio.h>

using namespace VlmImgUt;
using namespace pictures;

namespace {

class TiffRead : public PictureTest {};

TEST_F(TiffRead, KindsOfPictureAsTheLibraryReadsThem)
{
    for (const layouts::tiff::Kind &c : layouts::tiff::Kinds) {
        for (const char *ext : {"a.tif", "a.TIFF", "a.dng"}) {
            SCOPED_TRACE(testing::Message() << c.name << " as " << ext);
            const QByteArray file = WriteTiff(layouts::tiff::Spec(c));
            ASSERT_FALSE(file.isEmpty());
            ASSERT_TRUE(Read(file, ext));
            // libtiff's RGBA interface cuts grey tiles wrongly: their
            // reference is the raw samples.
            const bool grey = (c.photometric == PHOTOMETRIC_MINISBLACK || c.photometric == PHOTOMETRIC_MINISWHITE) &&
                              c.bits >= 8;
            Rgba ref;
            ASSERT_TRUE(grey ? layouts::tiff::DecodeGreySamples(Put(file, "ref.tif"), ref) : DecodeTiff(file, ref));
            EXPECT_EQ(pic->alpha != nullptr, c.alpha);
            EXPECT_EQ(Mismatches(*pic, ref, c.alpha), 0);
            EXPECT_EQ(pic->srcWidth, 21);
        }
    }
}

TEST_F(TiffRead, ResolutionByUnit)
{
    struct Case { int unit; float x, y; int dpiX, dpiY; } cases[] = {
        {RESUNIT_INCH, 299.6f, 299.6f, 300, 300},
        {RESUNIT_CENTIMETER, 118.11f, 118.11f, 300, 300}, // 300.4994
        {RESUNIT_NONE, 300, 300, 72, 72},
        {0, 96, 150, 96, 150},      // no unit tag: inches
        {RESUNIT_INCH, 0, 0, 72, 72}, // no resolution tags
        {RESUNIT_INCH, 0, 200, 72, 72},
        {RESUNIT_INCH, 200, 0, 200, 0}, // as the record keeps a lone 0
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.unit << " " << c.x << " " << c.y);
        TiffSpec s;
        s.resUnit = c.unit;
        s.resX = c.x;
        s.resY = c.y;
        ASSERT_TRUE(Read(WriteTiff(s), "a.tif"));
        EXPECT_EQ(pic->dpiX, c.dpiX);
        EXPECT_EQ(pic->dpiY, c.dpiY);
    }
}

TEST_F(TiffRead, ReducedAfterTheRead)
{
    TiffSpec s;
    s.width = 3000;
    s.height = 2000;
    s.compression = COMPRESSION_LZW;
    const QByteArray file = WriteTiff(s);
    Rgba ref;
    ASSERT_TRUE(DecodeTiff(file, ref));
    ASSERT_TRUE(Read(file, "a.tif", 300, 300));
    EXPECT_EQ(pic->width, 300);
    EXPECT_EQ(pic->height, 200);
    EXPECT_EQ(pic->srcWidth, 3000);
    EXPECT_EQ(pic->srcHeight, 2000);
    // The raster's rows are taken from its first (bottom) row upward.
    const TReduction r = TReduction::For(3000, 2000, 300, 300);
    const std::vector<int32_t> fromBottom = TReduction::Sample(2000, r.height, r.stepY);
    std::vector<int32_t> rows(fromBottom.size());
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = 1999 - fromBottom[rows.size() - 1 - y];
    EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(3000, r.width, r.stepX), rows, false), 0);
}

QByteArray BlockBytes(const uint8_t *p, uint32_t n)
{
    return p ? QByteArray(reinterpret_cast<const char *>(p), int(n)) : QByteArray("(none)");
}

TEST_F(TiffRead, ProfileAndBlocksUnderTheirFlags)
{
    const std::vector<uint8_t> icc = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<uint8_t> iptc = {0x1c, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04}; // 7 bytes: no 32-bit units
    const std::vector<uint8_t> psd = {'8', 'B', 'I', 'M', 4, 4};
    const std::vector<uint8_t> xmp = {'<', 'x', '/', '>'};
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        TiffSpec s;
        s.bigEndian = big;
        s.icc = icc;
        s.iptc = iptc;
        s.photoshop = psd;
        s.xmp = xmp;
        const QByteArray file = WriteTiff(s);

        // This program keeps the profile only.
        ASSERT_TRUE(Read(file, "a.tif"));
        EXPECT_EQ(BlockBytes(pic->icc, pic->iccSize), Bytes(icc));
        EXPECT_EQ(pic->photoshop, nullptr);
        EXPECT_EQ(pic->xmp, nullptr);
        EXPECT_EQ(pic->exif, nullptr);

        ctx->keepPhotoshop = ctx->keepXmp = true;
        ASSERT_TRUE(Read(file, "a.tif"));
        EXPECT_EQ(BlockBytes(pic->photoshop, pic->photoshopSize), Bytes(iptc)); // IPTC first, byte for byte
        EXPECT_EQ(BlockBytes(pic->xmp, pic->xmpSize), Bytes(xmp));

        s.iptc.clear();
        ASSERT_TRUE(Read(WriteTiff(s), "a.tif"));
        EXPECT_EQ(BlockBytes(pic->photoshop, pic->photoshopSize), Bytes(psd));

        ctx->previewMode = true;
        ASSERT_TRUE(Read(file, "a.tif"));
        EXPECT_EQ(pic->icc, nullptr);
        EXPECT_EQ(pic->photoshop, nullptr);
        ctx->previewMode = ctx->keepPhotoshop = ctx->keepXmp = false;
    }
}

// ---- the EXIF block ----

// Bytes in one byte order.
struct Out {
    bool big;
    QByteArray b;
    Out &u16(uint32_t v)
    {
        b.append(char(big ? v >> 8 : v)).append(char(big ? v : v >> 8));
        return *this;
    }
    Out &u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b.append(char(v >> (big ? 24 - 8 * i : 8 * i)));
        return *this;
    }
    Out &raw(const QByteArray &d)
    {
        b.append(d);
        return *this;
    }
    Out &entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value)
    {
        return u16(tag).u16(type).u32(count).u32(value);
    }
    Out &entry(uint32_t tag, uint32_t type, uint32_t count, const QByteArray &inline4)
    {
        return u16(tag).u16(type).u32(count).raw(inline4.leftJustified(4, '\0', true));
    }
};

// A TIFF structure with a first directory, an EXIF and an interoperability
// directory; makeAt, exifAt and interopAt can point elsewhere.
struct ExifFile {
    uint32_t makeAt = 80, exifAt = 86, interopAt = 148;
    uint32_t rationalCount = 1;
};

QByteArray BuildExifFile(bool big, const ExifFile &f = ExifFile())
{
    Out o{big, {}};
    o.raw(big ? "MM" : "II").u16(42).u32(8);
    // 8: first directory, 5 entries: 8 + 2 + 60 + 4 = 74
    o.u16(5);
    o.entry(256, 3, 1, QByteArray(big ? "\0\x09" : "\x09\0", 2)); // ImageWidth: not kept
    o.entry(271, 2, 6, f.makeAt);                                  // Make
    o.entry(274, 3, 1, QByteArray(big ? "\0\x01" : "\x01\0", 2)); // Orientation
    o.entry(305, 14, 1, 0x41424344);                               // type 14: not kept
    o.entry(34665, 4, 1, f.exifAt);
    o.u32(0);
    o.raw(QByteArray(6, '.')); // 74..79
    o.raw(QByteArray("Maker\0", 6)); // 80
    // 86: EXIF directory, 4 entries: 86 + 2 + 48 + 4 = 140
    o.u16(4);
    o.entry(33434, 5, f.rationalCount, 140); // ExposureTime
    o.entry(36864, 7, 4, QByteArray("0230"));
    o.entry(50000, 99, 7, QByteArray("ABCD")); // unknown type: one LONG
    o.entry(40965, 4, 1, f.interopAt);
    o.u32(0);
    o.u32(1).u32(250); // 140
    // 148: interoperability directory
    o.u16(1);
    o.entry(1, 2, 4, QByteArray("R98\0", 4));
    o.u32(0);
    return o.b;
}

QByteArray ExpectedBlock(bool big, bool withMake = true, bool withExif = true, bool withRational = true)
{
    Out o{big, {}};
    const uint32_t first = withMake ? 3 : 2;
    const uint32_t exifAt = 8 + 2 + 12 * first + 4 + (withMake ? 6 : 0);
    const uint32_t exifEntries = withRational ? 4 : 3;
    const uint32_t valuesAt = exifAt + 2 + 12 * exifEntries + 4;
    const uint32_t interopAt = valuesAt + (withRational ? 8 : 0);
    o.raw(big ? "MM" : "II").u16(42).u32(8);
    o.u16(withExif ? first : first - 1);
    if (withMake)
        o.entry(271, 2, 6, 8 + 2 + 12 * (withExif ? first : first - 1) + 4);
    o.entry(274, 3, 1, QByteArray(big ? "\0\x01" : "\x01\0", 2));
    if (withExif)
        o.entry(34665, 4, 1, exifAt);
    o.u32(0);
    if (withMake)
        o.raw(QByteArray("Maker\0", 6));
    if (!withExif)
        return o.b;
    o.u16(exifEntries);
    if (withRational)
        o.entry(33434, 5, 1, valuesAt);
    o.entry(36864, 7, 4, QByteArray("0230"));
    o.entry(50000, 4, 1, QByteArray("ABCD"));
    o.entry(40965, 4, 1, interopAt);
    o.u32(0);
    if (withRational)
        o.u32(1).u32(250);
    o.u16(1);
    o.entry(1, 2, 4, QByteArray("R98\0", 4));
    o.u32(0);
    return o.b;
}

TEST_F(TiffRead, ExifBlockBuiltFromTheFile)
{
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        struct Case { const char *name; ExifFile f; QByteArray want; } cases[] = {
            {"whole", ExifFile(), ExpectedBlock(big)},
            {"Make outside the file", {100000, 86, 148, 1}, ExpectedBlock(big, false)},
            {"EXIF directory outside the file", {80, 0xFFFFFFF0u, 148, 1}, ExpectedBlock(big, true, false)},
            {"value longer than the file", {80, 86, 148, 0x20000000}, ExpectedBlock(big, true, true, false)},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            TDib dib;
            ctx->readTarget = &dib;
            ReadTiffExif(*ctx, Put(BuildExifFile(big, c.f), "exif.tif"));
            EXPECT_EQ(BlockBytes(dib.exif, dib.exifSize).toHex(), c.want.toHex());
        }
    }
    ctx->readTarget = nullptr;
}

TEST_F(TiffRead, ExifBlockRefusals)
{
    QByteArray noDir = BuildExifFile(false);
    noDir[4] = char(0xF0); // first directory far outside
    QByteArray cutEntries = BuildExifFile(false).left(30);
    QByteArray notTiff = BuildExifFile(false);
    notTiff[2] = 43;
    Out onlyWidth{false, {}};
    onlyWidth.raw("II").u16(42).u32(8).u16(1).entry(256, 3, 1, 9).u32(0);
    struct Case { const char *name; QByteArray file; } cases[] = {
        {"first directory outside", noDir},
        {"entries cut short", cutEntries},
        {"not 42", notTiff},
        {"nothing kept", onlyWidth.b},
        {"empty", QByteArray()},
    };
    for (const Case &c : cases) {
        TDib dib;
        dib.exif = static_cast<uint8_t *>(std::malloc(4)); // replaced, even by nothing
        dib.exifSize = 4;
        ctx->readTarget = &dib;
        ReadTiffExif(*ctx, Put(c.file, "bad.tif"));
        EXPECT_EQ(dib.exif, nullptr) << c.name;
    }
    ctx->readTarget = nullptr;
}

TEST_F(TiffRead, ExifBlockOfALibraryFileStartsInItsByteOrder)
{
    ctx->keepExif = true;
    for (bool big : {false, true}) {
        TiffSpec s;
        s.bigEndian = big;
        QByteArray file = WriteTiff(s);
        ASSERT_TRUE(Read(file, "a.tif"));
        // The library wrote no descriptive entries: no block.
        EXPECT_EQ(pic->exif, nullptr);
    }
    // With Make set by the library.
    for (bool big : {false, true}) {
        const QString path = tmp.path() + "/make.tif";
        TIFF *tif = TIFFOpen(path.toUtf8().constData(), big ? "wb" : "wl");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
        TIFFSetField(tif, TIFFTAG_MAKE, "Vellamor");
        uint8_t row[2] = {10, 200};
        TIFFWriteScanline(tif, row, 0, 0);
        TIFFClose(tif);
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        ASSERT_NE(pic->exif, nullptr);
        Out want{big, {}};
        want.raw(big ? "MM" : "II").u16(42).u32(8).u16(1).entry(271, 2, 9, 8 + 2 + 12 + 4).u32(0).raw(QByteArray("Vellamor", 9));
        EXPECT_EQ(BlockBytes(pic->exif, pic->exifSize).toHex(), want.b.toHex());
    }
}

TEST(TiffBytes, Get32AndPut32)
{
    const uint8_t b[4] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(Get32(b, true), 0x12345678u);
    EXPECT_EQ(Get32(b, false), 0x78563412u);
    for (bool big : {false, true}) {
        uint8_t out[4];
        Put32(0xA1B2C3D4u, out, big);
        EXPECT_EQ(Get32(out, big), 0xA1B2C3D4u);
        EXPECT_EQ(out[0], big ? 0xA1 : 0xD4);
    }
}

// A minimal stripped RGB TIFF of a claimed size holding dataBytes of pixels.
QByteArray ClaimedTiff(uint32_t w, uint32_t h, int dataBytes)
{
    Out o{false, {}};
    o.raw("II").u16(42).u32(8);
    o.u16(9);
    o.entry(256, 4, 1, w).entry(257, 4, 1, h).entry(258, 3, 1, 8).entry(259, 3, 1, 1).entry(262, 3, 1, 2);
    o.entry(273, 4, 1, 8 + 2 + 9 * 12 + 4).entry(277, 3, 1, 3).entry(278, 4, 1, h).entry(279, 4, 1, uint32_t(dataBytes));
    o.u32(0);
    o.raw(QByteArray(dataBytes, '\x40'));
    return o.b;
}

TEST_F(TiffRead, CutShortOtherAndHostileFiles)
{
    TiffSpec s;
    s.width = 40;
    s.height = 40;
    const QByteArray whole = WriteTiff(s);
    EXPECT_FALSE(Read(whole.left(whole.size() / 2), "cut.tif")); // stops at the read error
    EXPECT_FALSE(Read(whole.left(6), "head.tif"));
    EXPECT_FALSE(Read(WritePng(PngSpec()), "png.tif"));
    EXPECT_FALSE(Read(QByteArray(), "empty.dng"));
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/dir.tif"));
    EXPECT_FALSE(ctx->ReadImageFile(tmp.path() + "/dir.tif", &pic, 0, 0, false));

    // The plain claimed file reads; sizes past the record's cap, or that
    // the file does not hold, fail without the raster and before anything
    // is decoded.
    ASSERT_TRUE(Read(ClaimedTiff(4, 2, 24), "small.tif"));
    EXPECT_EQ(PixelAt(*pic, 3, 1)[0], 0x40);
    EXPECT_EQ(ctx->budget.Spent(), 4 * 2 * 3);
    struct Case { uint32_t w, h; } cases[] = {
        {0xFFFFFFFF, 0xFFFFFFFF}, {0x10000, 0x10000}, {65536, 4097}, {20000, 20000}, {16000, 16000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const QString path = Put(ClaimedTiff(c.w, c.h, 24), "big.tif");
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, 100, 100), 0);
        EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 100, 100, false));
        EXPECT_EQ(pic->width, 1);
        EXPECT_EQ(ctx->budget.Spent(), 0);
    }
    // An uncompressed picture that its file does not hold is refused before
    // the picture is made.
    EXPECT_FALSE(Read(ClaimedTiff(16000, 16000, 24), "big.tif"));
    EXPECT_EQ(pic->width, 1);
}

} // namespace
