// What the writers embed: JPEG markers, PNG chunks, TIFF tags and the EXIF
// directory read back with libtiff, the JPEG 2000 options, and EXIF only
// when the options keep it.
#include "ByteOrder.h"
#include "writer_fixture.h"

#include <QColorSpace>
#include <cstring>
#include <random>

#include <png.h>
#include <tiffio.h>
#include <zlib.h>

using namespace VlmImgUt;

namespace {

QByteArray RandomBytes(int n, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray b(n, '\0');
    for (char &c : b)
        c = char(gen());
    return b;
}

// ---- JPEG segments up to the scan ----

struct Segment {
    int marker;
    QByteArray data;
};

std::vector<Segment> JpegSegments(const QByteArray &b)
{
    std::vector<Segment> out;
    const auto *p = reinterpret_cast<const uint8_t *>(b.constData());
    for (int at = 2; at + 4 <= b.size() && p[at] == 0xFF && p[at + 1] != 0xDA;) {
        const int length = Get16BE(p + at + 2);
        out.push_back({p[at + 1], b.mid(at + 4, length - 2)});
        at += 2 + length;
    }
    return out;
}

std::vector<Segment> Only(const std::vector<Segment> &all, int marker)
{
    std::vector<Segment> out;
    for (const Segment &s : all)
        if (s.marker == marker)
            out.push_back(s);
    return out;
}

// ---- PNG chunks ----

struct Chunk {
    QByteArray type;
    QByteArray data;
};

std::vector<Chunk> PngChunks(const QByteArray &b)
{
    std::vector<Chunk> out;
    const auto *p = reinterpret_cast<const uint8_t *>(b.constData());
    for (int at = 8; at + 12 <= b.size();) {
        const int length = int(Get32BE(p + at));
        out.push_back({b.mid(at + 4, 4), b.mid(at + 8, length)});
        at += 12 + length;
    }
    return out;
}

// eXIf chunks libpng finds reading the whole file, before and after the
// image data, kept as unknown chunks so that none is dropped; -1 when
// libpng refuses the file.
struct PngMemory {
    const QByteArray *bytes;
    int at;
};

void ReadPngMemory(png_structp png, png_bytep data, size_t n)
{
    auto *m = static_cast<PngMemory *>(png_get_io_ptr(png));
    if (m->at + qsizetype(n) > m->bytes->size())
        png_error(png, "short");
    memcpy(data, m->bytes->constData() + m->at, n);
    m->at += int(n);
}

int LibpngExifChunks(const QByteArray &file)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png), end = png_create_info_struct(png);
    PngMemory m{&file, 0};
    int count = -1;
    if (!setjmp(png_jmpbuf(png))) {
        const png_byte exif[5] = {'e', 'X', 'I', 'f', 0};
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, exif, 1);
        png_set_read_fn(png, &m, ReadPngMemory);
        png_read_info(png, info);
        std::vector<png_byte> row(png_get_rowbytes(png, info));
        for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
            png_read_row(png, row.data(), nullptr);
        png_read_end(png, end);
        png_unknown_chunkp chunks = nullptr;
        count = png_get_unknown_chunks(png, info, &chunks) + png_get_unknown_chunks(png, end, &chunks);
    }
    png_destroy_read_struct(&png, &info, &end);
    return count;
}

const Chunk *Find(const std::vector<Chunk> &chunks, const char *type)
{
    for (const Chunk &c : chunks)
        if (c.type == type)
            return &c;
    return nullptr;
}

// ---- an EXIF block in either byte order ----

class ExifBlock {
public:
    explicit ExifBlock(bool big) : big(big) {}

    void U16(uint16_t v) { uint8_t p[2]; Put16(v, p, big); b.append(reinterpret_cast<char *>(p), 2); }
    void U32(uint32_t v) { uint8_t p[4]; Put32(v, p, big); b.append(reinterpret_cast<char *>(p), 4); }
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) { U16(tag); U16(type); U32(count); U32(value); }
    // An entry whose one SHORT value sits in the first two value bytes.
    void ShortEntry(uint16_t tag, uint16_t value) { U16(tag); U16(3); U32(1); U16(value); U16(0); }
    void InlineText(uint16_t tag, const char four[4]) { U16(tag); U16(2); U32(4); b.append(four, 4); }

    bool big;
    QByteArray b;
};

constexpr double DoubleValue = 1234.5678;
const char UserComment[] = "ASCII\0\0\0QuiboExifMark01";  // 24 bytes

// First directory: Make (inline), Model (at an offset), Orientation 6,
// Software as UNDEFINED, Artist of a wrong type, the EXIF pointer. EXIF
// directory: ExposureTime 1/250, ISO 200, a user comment, an entry of an
// unknown type, one whose values lie outside the block, one DOUBLE.
QByteArray MakeExif(bool big, bool shortExifDirectory = false)
{
    ExifBlock e(big);
    e.b.append(big ? "MM" : "II");
    e.U16(42);
    e.U32(8);
    const uint32_t ifd0 = 8, n0 = 6;
    const uint32_t model = ifd0 + 2 + 12 * n0 + 4;  // 11 bytes + 1
    const uint32_t software = model + 12;           // 9 bytes + 1
    const uint32_t exifDir = software + 10;
    const uint32_t n1 = 6;
    const uint32_t rational = exifDir + 2 + 12 * n1 + 4;
    const uint32_t comment = rational + 8;
    const uint32_t dbl = comment + 24;

    e.U16(n0);
    e.InlineText(271, "Cam");
    e.Entry(272, 2, 11, model);
    e.ShortEntry(274, 6);
    e.Entry(305, 7, 9, software);
    e.Entry(315, 4, 1, 7);
    e.Entry(34665, 4, 1, exifDir);
    e.U32(0);
    e.b.append("Model X100\0\0", 12);
    e.b.append("Soft-1.2\0\0", 10);
    EXPECT_EQ(uint32_t(e.b.size()), exifDir);
    if (shortExifDirectory) {
        // Claims six entries but the block ends after 20 bytes.
        e.U16(n1);
        e.b.append(18, '\0');
        return e.b;
    }
    e.U16(n1);
    e.Entry(33434, 5, 1, rational);
    e.ShortEntry(34855, 200);
    e.Entry(37510, 7, 24, comment);
    e.Entry(40000, 99, 1, 0x01020304);
    e.Entry(40001, 4, 5, 0x000FFFF0);
    e.Entry(40002, 12, 1, dbl);
    e.U32(0);
    e.U32(1);
    e.U32(250);
    e.b.append(UserComment, 24);
    uint64_t bits;
    std::memcpy(&bits, &DoubleValue, 8);
    for (int i = 0; i < 8; ++i)
        e.b.append(char(bits >> (8 * (big ? 7 - i : i))));
    return e.b;
}

// One entry of a little-endian directory in a file.
struct DirEntry {
    uint16_t type = 0;
    uint32_t count = 0, value = 0;
    bool found = false;
};

DirEntry FindEntry(const QByteArray &file, uint32_t dir, uint16_t tag)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    DirEntry e;
    const int n = Get16(p + dir, false);
    for (int i = 0; i < n; ++i) {
        const uint8_t *at = p + dir + 2 + 12 * i;
        if (Get16(at, false) == tag) {
            e = {Get16(at + 2, false), Get32(at + 4, false), Get32(at + 8, false), true};
            break;
        }
    }
    return e;
}

} // namespace

TEST_F(WriterTest, JpegCarriesDensityExifAndIccChunks)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(16, 8));
    std::unique_ptr<TDib> meta(new TDib);
    const QByteArray icc = RandomBytes(100000, 1);
    PutBlock(meta->icc, meta->iccSize, icc);
    PutBlock(meta->exif, meta->exifSize, RandomBytes(100, 2));
    pic->dpiX = 300;
    pic->dpiY = 150;
    ctx->imgOpts.writeMetadata = 1;
    ASSERT_TRUE(Write("a.jpg", pic.get(), meta.get()));
    const auto segments = JpegSegments(Bytes("a.jpg"));

    const auto app0 = Only(segments, 0xE0);
    ASSERT_EQ(app0.size(), 1u);
    const auto *jfif = reinterpret_cast<const uint8_t *>(app0[0].data.constData());
    EXPECT_EQ(app0[0].data.left(5), QByteArray("JFIF\0", 5));
    EXPECT_EQ(jfif[7], 1); // dots per inch
    EXPECT_EQ(Get16BE(jfif + 8), 300);
    EXPECT_EQ(Get16BE(jfif + 10), 150);

    const auto app1 = Only(segments, 0xE1);
    ASSERT_EQ(app1.size(), 1u);
    EXPECT_EQ(app1[0].data, QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<char *>(meta->exif), 100));

    // 100000 bytes: chunk 1 of 2 with 65519 bytes, chunk 2 of 2 with the rest.
    const auto app2 = Only(segments, 0xE2);
    ASSERT_EQ(app2.size(), 2u);
    QByteArray joined;
    const int sizes[2] = {65519, 34481};
    for (int i = 0; i < 2; ++i) {
        const QByteArray &d = app2[size_t(i)].data;
        EXPECT_EQ(d.left(12), QByteArray("ICC_PROFILE\0", 12));
        EXPECT_EQ(int(uint8_t(d[12])), i + 1);
        EXPECT_EQ(int(uint8_t(d[13])), 2);
        EXPECT_EQ(d.size() - 14, sizes[i]);
        joined += d.mid(14);
    }
    EXPECT_EQ(joined, icc);

    Decode::Rgb out;
    ASSERT_TRUE(Decode::Jpeg(Path("a.jpg"), out));
    EXPECT_LE(Decode::Compare(*pic, 0, 0, 16, 8, out).max, 24);
}

TEST_F(WriterTest, JpegLeavesOutBlocksThatMarkersCannotCarry)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(8, 8));
    struct Case {
        const char *name;
        int exifSize, iccSize, writeMetadata;
        size_t app1, app2;
    };
    const Case cases[] = {
        {"largest EXIF one marker holds", 65527, 0, 1, 1, 0},
        {"one byte more is left out", 65528, 0, 1, 0, 0},
        {"EXIF not kept", 100, 0, 0, 0, 0},
        {"keep flag is the first byte", 100, 0, 0x100, 0, 0},
        {"255 full chunks", 0, 255 * 65519, 1, 0, 255},
        {"a 256th chunk leaves the profile out", 0, 255 * 65519 + 1, 1, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TDib> meta(new TDib);
        if (c.exifSize)
            PutBlock(meta->exif, meta->exifSize, RandomBytes(c.exifSize, 3));
        if (c.iccSize)
            PutBlock(meta->icc, meta->iccSize, RandomBytes(c.iccSize, 4));
        ctx->imgOpts.writeMetadata = c.writeMetadata;
        ASSERT_TRUE(Write("a.jpg", pic.get(), meta.get()));
        const auto segments = JpegSegments(Bytes("a.jpg"));
        EXPECT_EQ(Only(segments, 0xE1).size(), c.app1);
        EXPECT_EQ(Only(segments, 0xE2).size(), c.app2);
        Decode::Rgb out;
        EXPECT_TRUE(Decode::Jpeg(Path("a.jpg"), out));
    }
}

TEST_F(WriterTest, JpegDensityAndQualityStayInRange)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(32, 32));
    pic->dpiX = 100000;
    pic->dpiY = -1;
    ctx->imgOpts.jpegQuality = 92;
    ASSERT_TRUE(Write("q92.jpg", pic.get()));
    const auto app0 = Only(JpegSegments(Bytes("q92.jpg")), 0xE0);
    ASSERT_EQ(app0.size(), 1u);
    const auto *jfif = reinterpret_cast<const uint8_t *>(app0[0].data.constData());
    EXPECT_EQ(Get16BE(jfif + 8), 65535);
    EXPECT_EQ(Get16BE(jfif + 10), 0);

    // A stored quality outside 1..100 writes as the default 92.
    for (int q : {0, -5, 101, 1000}) {
        ctx->imgOpts.jpegQuality = q;
        ASSERT_TRUE(Write("q.jpg", pic.get()));
        EXPECT_EQ(Bytes("q.jpg"), Bytes("q92.jpg")) << q;
    }
    ctx->imgOpts.jpegQuality = 50;
    ASSERT_TRUE(Write("q.jpg", pic.get()));
    EXPECT_NE(Bytes("q.jpg"), Bytes("q92.jpg"));
}

TEST_F(WriterTest, PngChunks)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(4, 3));
    std::unique_ptr<TDib> meta(new TDib);
    const QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    ASSERT_FALSE(profile.isEmpty());
    PutBlock(meta->icc, meta->iccSize, profile);
    PutBlock(meta->exif, meta->exifSize, QByteArray("II*\0\x08\0\0\0\0\0", 10));
    struct Case {
        const char *name;
        bool transparent, metadata;
        int writeMetadata, dpiX, dpiY;
        uint32_t ppmX, ppmY;
    };
    const Case cases[] = {
        {"plain", false, false, 1, 72, 72, 2835, 2835},
        {"transparent colour and profile, EXIF not kept", true, true, 0, 96, 300, 3780, 11811},
        {"EXIF kept", false, true, 1, 72, 72, 2835, 2835},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pic->dpiX = c.dpiX;
        pic->dpiY = c.dpiY;
        ctx->imgOpts.writeMetadata = c.writeMetadata;
        ASSERT_TRUE(Write("a.png", pic.get(), c.metadata ? meta.get() : nullptr, 0, 0, 0, 0, c.transparent,
                          RGBColor(0x11, 0x22, 0x33)));
        const auto chunks = PngChunks(Bytes("a.png"));
        ASSERT_FALSE(chunks.empty());
        EXPECT_EQ(chunks.front().type, "IHDR");
        EXPECT_EQ(chunks.front().data.mid(8, 5).toHex(), "0802000000"); // 8 bits, RGB, no interlace

        const Chunk *trns = Find(chunks, "tRNS");
        ASSERT_EQ(trns != nullptr, c.transparent);
        if (trns) {
            EXPECT_EQ(trns->data.toHex(), "001100220033");
        }

        const Chunk *phys = Find(chunks, "pHYs");
        ASSERT_NE(phys, nullptr);
        const auto *ph = reinterpret_cast<const uint8_t *>(phys->data.constData());
        EXPECT_EQ(Get32BE(ph), c.ppmX);
        EXPECT_EQ(Get32BE(ph + 4), c.ppmY);
        EXPECT_EQ(ph[8], 1);

        const Chunk *iccp = Find(chunks, "iCCP");
        ASSERT_EQ(iccp != nullptr, c.metadata);
        if (iccp) {
            EXPECT_EQ(iccp->data.left(5), QByteArray("ICC\0\0", 5)); // name, compression 0
            std::vector<uint8_t> inflated(size_t(profile.size()) + 16);
            uLongf size = uLongf(inflated.size());
            const QByteArray packed = iccp->data.mid(5);
            ASSERT_EQ(uncompress(inflated.data(), &size, reinterpret_cast<const Bytef *>(packed.constData()),
                                 uLong(packed.size())),
                      Z_OK);
            EXPECT_EQ(QByteArray(reinterpret_cast<char *>(inflated.data()), int(size)), profile);
        }
        const Chunk *exif = Find(chunks, "eXIf");
        ASSERT_EQ(exif != nullptr, c.metadata && c.writeMetadata);
        if (exif) {
            EXPECT_EQ(exif->data, QByteArray("II*\0\x08\0\0\0\0\0", 10));
        }
        // Exactly one eXIf, before the image data, as libpng reads it too.
        const int wanted = c.metadata && c.writeMetadata ? 1 : 0;
        int exifs = 0, exifsAfterData = 0;
        bool data = false;
        for (const Chunk &k : chunks) {
            data = data || k.type == "IDAT";
            exifs += k.type == "eXIf";
            exifsAfterData += data && k.type == "eXIf";
        }
        EXPECT_EQ(exifs, wanted);
        EXPECT_EQ(exifsAfterData, 0);
        EXPECT_EQ(LibpngExifChunks(Bytes("a.png")), wanted);
    }
}

TEST_F(WriterTest, TiffTagsAndCompression)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(20, 19));
    pic->dpiX = 300;
    pic->dpiY = 150;
    struct Case {
        const char *name;
        int option;
        uint16_t compression;
        int maxError;
    };
    const Case cases[] = {
        {"a.tif", 1, COMPRESSION_NONE, 0},
        {"a.tif", 5, COMPRESSION_LZW, 0},
        {"a.tiff", 32946, COMPRESSION_DEFLATE, 0},
        {"a.tif", 32773, COMPRESSION_PACKBITS, 0},
        {"a.tif", 32909, COMPRESSION_PIXARLOG, 2},
        {"a.tif", 7, COMPRESSION_JPEG, 24},
        {"a.tif", 4, COMPRESSION_DEFLATE, 0}, // not a choice: the default
        {"a.DNG", 1, COMPRESSION_JPEG, 24},   // DNG is always JPEG
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.option);
        ctx->imgOpts.tiffCompression = c.option;
        ASSERT_TRUE(Write(c.name, pic.get()));
        TIFF *tif = TIFFOpen(Path(c.name).toLocal8Bit().constData(), "r");
        ASSERT_NE(tif, nullptr);
        uint32_t width = 0, height = 0, rows = 0;
        uint16_t spp = 0, bps = 0, photometric = 0, planar = 0, orientation = 0, unit = 0, compression = 0;
        float xres = 0, yres = 0;
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows));
        TIFFClose(tif);
        EXPECT_EQ(width, 20u);
        EXPECT_EQ(height, 19u);
        EXPECT_EQ(spp, 3);
        EXPECT_EQ(bps, 8);
        EXPECT_EQ(photometric, PHOTOMETRIC_RGB);
        EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
        EXPECT_EQ(orientation, ORIENTATION_TOPLEFT);
        EXPECT_EQ(unit, RESUNIT_INCH);
        EXPECT_EQ(xres, 300.0f);
        EXPECT_EQ(yres, 150.0f);
        EXPECT_EQ(compression, c.compression);
        EXPECT_EQ(rows, 8u);
        EXPECT_EQ(Bytes(c.name).left(4), QByteArray("II*\0", 4)); // little-endian
        Decode::Rgb out;
        ASSERT_TRUE(Decode::Tiff(Path(c.name), out));
        EXPECT_LE(Decode::Compare(*pic, 0, 0, 20, 19, out).max, c.maxError);
    }
}

TEST_F(WriterTest, TiffTakesProfileTagsAndTheExifDirectoryOfEitherByteOrder)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(9, 9));
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        std::unique_ptr<TDib> meta(new TDib);
        PutBlock(meta->icc, meta->iccSize, QByteArray("profile bytes"));
        PutBlock(meta->exif, meta->exifSize, MakeExif(big));
        ctx->imgOpts.writeMetadata = 1;
        ASSERT_TRUE(Write("a.tif", pic.get(), meta.get()));

        TIFF *tif = TIFFOpen(Path("a.tif").toLocal8Bit().constData(), "r");
        ASSERT_NE(tif, nullptr);
        uint32_t iccCount = 0;
        void *iccData = nullptr;
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccCount, &iccData));
        EXPECT_EQ(QByteArray(static_cast<char *>(iccData), int(iccCount)), "profile bytes");
        const char *text = nullptr;
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_MAKE, &text));
        EXPECT_STREQ(text, "Cam");
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_MODEL, &text));
        EXPECT_STREQ(text, "Model X100");
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_SOFTWARE, &text));
        EXPECT_STREQ(text, "Soft-1.2");
        EXPECT_FALSE(TIFFGetField(tif, TIFFTAG_ARTIST, &text)); // not text
        uint16_t orientation = 0;
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation));
        EXPECT_EQ(orientation, 6);

        uint64_t exifOffset = 0;
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_EXIFIFD, &exifOffset));
        ASSERT_TRUE(TIFFReadEXIFDirectory(tif, toff_t(exifOffset)));
        float exposure = 0; // libtiff hands rationals out as float
        ASSERT_TRUE(TIFFGetField(tif, EXIFTAG_EXPOSURETIME, &exposure));
        EXPECT_FLOAT_EQ(exposure, 1.0f / 250);
        uint16_t isoCount = 0;
        uint16_t *iso = nullptr;
        ASSERT_TRUE(TIFFGetField(tif, EXIFTAG_ISOSPEEDRATINGS, &isoCount, &iso));
        ASSERT_EQ(isoCount, 1);
        EXPECT_EQ(iso[0], 200);
        TIFFClose(tif);

        // The rewritten entries, read from the file's bytes.
        const QByteArray file = Bytes("a.tif");
        const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
        EXPECT_EQ(exifOffset % 2, 0u);
        const uint32_t dir = uint32_t(exifOffset);
        const DirEntry unknownType = FindEntry(file, dir, 40000);
        EXPECT_EQ(unknownType.type, 4);
        EXPECT_EQ(unknownType.count, 1u);
        EXPECT_EQ(unknownType.value, 0x01020304u);
        const DirEntry outside = FindEntry(file, dir, 40001);
        EXPECT_EQ(outside.type, 4);
        EXPECT_EQ(outside.count, 1u);
        EXPECT_EQ(outside.value, 0x000FFFF0u);
        const DirEntry dbl = FindEntry(file, dir, 40002);
        ASSERT_EQ(dbl.type, 12);
        ASSERT_LE(dbl.value + 8, uint32_t(file.size()));
        double d;
        std::memcpy(&d, p + dbl.value, 8);
        EXPECT_EQ(d, DoubleValue);
        const DirEntry comment = FindEntry(file, dir, 37510);
        ASSERT_EQ(comment.count, 24u);
        EXPECT_EQ(file.mid(int(comment.value), 24), QByteArray(UserComment, 24));
    }
}

TEST_F(WriterTest, TiffExifBlocksThatAreNotWritten)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(9, 9));
    struct Case {
        const char *name;
        QByteArray exif;
        int writeMetadata;
        bool tags;      // the first directory's tags are set
        int exifCount;  // entries of the appended directory, -1: none appended
    };
    const Case cases[] = {
        {"not kept", MakeExif(false), 0, false, -1},
        {"directory cut short: an empty one", MakeExif(true, true), 1, true, 0},
        {"no TIFF header", QByteArray("II+\0\x08\0\0\0", 8), 1, false, -1},
        {"first directory outside", QByteArray("II*\0\xF0\0\0\0", 8), 1, false, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TDib> meta(new TDib);
        PutBlock(meta->exif, meta->exifSize, c.exif);
        ctx->imgOpts.writeMetadata = c.writeMetadata;
        ASSERT_TRUE(Write("a.tif", pic.get(), meta.get()));
        TIFF *tif = TIFFOpen(Path("a.tif").toLocal8Bit().constData(), "r");
        ASSERT_NE(tif, nullptr);
        const char *text = nullptr;
        EXPECT_EQ(TIFFGetField(tif, TIFFTAG_MAKE, &text) != 0, c.tags);
        uint64_t exifOffset = 0;
        const bool linked = TIFFGetField(tif, TIFFTAG_EXIFIFD, &exifOffset);
        TIFFClose(tif);
        ASSERT_EQ(linked, c.exifCount >= 0);
        if (linked) {
            const QByteArray file = Bytes("a.tif");
            EXPECT_EQ(Get16(reinterpret_cast<const uint8_t *>(file.constData()) + exifOffset, false), c.exifCount);
        }
        Decode::Rgb out;
        EXPECT_TRUE(Decode::Tiff(Path("a.tif"), out));
    }
}

TEST_F(WriterTest, Jpeg2000BoxesRateAndLossless)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(64, 64));
    const int raw = 64 * 64 * 3;
    ASSERT_TRUE(Write("lossless.jp2", pic.get()));
    const QByteArray lossless = Bytes("lossless.jp2");
    const QByteArray jp2Signature("\0\0\0\x0CjP  \r\n\x87\n", 12);
    EXPECT_TRUE(lossless.startsWith(jp2Signature));
    ASSERT_TRUE(Write("a.j2k", pic.get()));
    EXPECT_TRUE(Bytes("a.j2k").startsWith(jp2Signature));
    ASSERT_TRUE(Write("a.jpc", pic.get()));
    EXPECT_TRUE(Bytes("a.jpc").startsWith("\xFF\x4F\xFF\x51")); // a bare code stream

    struct Case {
        const char *name;
        uint8_t losslessFlag;
        int quality;
        bool exact;          // decodes to the source
        double maxFraction;  // of the raw size, 0: no bound
    };
    const Case cases[] = {
        {"quality 100 is lossless", 0, 100, true, 0},
        {"quality 10 keeps a tenth", 0, 10, false, 0.10},
        {"quality 5", 0, 5, false, 0.05},
        {"the lossless flag wins", 1, 5, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ctx->imgOpts.j2kLossless = c.losslessFlag;
        ctx->imgOpts.jpegQuality = c.quality;
        ASSERT_TRUE(Write("a.jp2", pic.get()));
        const QByteArray b = Bytes("a.jp2");
        if (c.exact) {
            EXPECT_EQ(b, lossless);
        }
        if (c.maxFraction > 0) {
            EXPECT_LT(b.size(), lossless.size());
            // The code stream within its share; the boxes and main header
            // come on top.
            EXPECT_LE(b.size(), c.maxFraction * raw + 400);
        }
        Decode::Rgb out;
        ASSERT_TRUE(Decode::OpenJpeg(Path("a.jp2"), out));
        const Decode::Difference d = Decode::Compare(*pic, 0, 0, 64, 64, out);
        EXPECT_LE(d.max, c.exact ? 0 : 255);
        EXPECT_LT(d.mean, c.exact ? 0.001 : 40);
    }
    // A stored quality out of range is the default 92.
    ctx->imgOpts.j2kLossless = 0;
    ctx->imgOpts.jpegQuality = 92;
    ASSERT_TRUE(Write("q92.jp2", pic.get()));
    ctx->imgOpts.jpegQuality = 0;
    ASSERT_TRUE(Write("q0.jp2", pic.get()));
    EXPECT_EQ(Bytes("q0.jp2"), Bytes("q92.jp2"));
}

TEST_F(WriterTest, ExifOnlyWhereKeptAndTheFormatCarriesIt)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(12, 10));
    std::unique_ptr<TDib> meta(new TDib);
    PutBlock(meta->exif, meta->exifSize, MakeExif(false));
    const QByteArray mark("QuiboExifMark01");
    const QStringList carriers = {"jpg", "jpeg", "tif", "tiff", "png", "psd", "dng"};
    for (int keep : {0, 1}) {
        ctx->imgOpts.writeMetadata = keep;
        for (const FormatCase &f : AllFormats()) {
            const QString name = QString("e.") + f.ext;
            ASSERT_TRUE(Write(name, pic.get(), meta.get())) << f.ext;
            EXPECT_EQ(Bytes(name).contains(mark), keep && carriers.contains(f.ext)) << f.ext << " keep " << keep;
        }
    }
}
