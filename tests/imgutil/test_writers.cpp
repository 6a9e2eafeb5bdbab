// The image writers: every format decoded by an independent reader, the
// part rule, and the headers of the formats written by our own code.
#include "ByteOrder.h"
#include "writer_fixture.h"

#include <cstring>

using namespace VlmImgUt;

namespace {

struct Crop {
    int x, y, w, h;             // asked for
    int ex, ey, ew, eh;         // the part written
};

} // namespace

TEST_F(WriterTest, EveryFormatWritesThePartAndDecodesToTheSource)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(100, 100));
    const Crop crops[] = {
        {10, 20, 30, 40, 10, 20, 30, 40},  // rows 20..59 from the top
        {80, 20, 30, 40, 0, 20, 30, 40},   // past the right edge: from column 0
        {0, 0, 0, 0, 0, 0, 100, 100},      // width 0: the whole picture
        {5, 70, 100, 40, 0, 0, 100, 40},   // full width; past the bottom: from row 0
        {-3, 99, 99, 1, 0, 99, 99, 1},     // x below 1 starts at 0; the last row
    };
    for (const FormatCase &f : AllFormats()) {
        for (const Crop &c : crops) {
            const QString name = QString("part.") + f.ext;
            SCOPED_TRACE(testing::Message() << f.ext << " part " << c.x << "," << c.y << " " << c.w << "x" << c.h);
            ASSERT_TRUE(Write(name, pic.get(), nullptr, c.x, c.y, c.w, c.h));
            Decode::Rgb out;
            ASSERT_TRUE(Decode::ByExtension(Path(name), out));
            const Decode::Difference d = Decode::Compare(*pic, c.ex, c.ey, c.ew, c.eh, out);
            EXPECT_LE(d.max, f.maxError);
            EXPECT_LE(d.mean, f.maxError ? 3.0 : 0.0);
        }
    }
}

TEST_F(WriterTest, BmpHeaderAndPaddedRowsBottomFirst)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(5, 2));
    struct Case {
        int dpiX, dpiY;
        uint32_t ppmX, ppmY;
    };
    for (const Case &c : {Case{72, 72, 2835, 2835}, Case{96, 300, 3780, 11811}, Case{100000, -5, 2580118, 0}}) {
        SCOPED_TRACE(c.dpiX);
        pic->dpiX = c.dpiX;
        pic->dpiY = c.dpiY;
        ASSERT_TRUE(Write("a.bmp", pic.get()));
        const QByteArray b = Bytes("a.bmp");
        ASSERT_EQ(b.size(), 86); // 54 + 2 rows of 16 bytes
        const auto *p = reinterpret_cast<const uint8_t *>(b.constData());
        EXPECT_EQ(b.left(2), "BM");
        EXPECT_EQ(Get32(p + 2, false), 86u);
        EXPECT_EQ(Get32(p + 6, false), 0u);
        EXPECT_EQ(Get32(p + 10, false), 54u);
        EXPECT_EQ(Get32(p + 14, false), 40u);
        EXPECT_EQ(Get32(p + 18, false), 5u);
        EXPECT_EQ(Get32(p + 22, false), 2u);
        EXPECT_EQ(Get16(p + 26, false), 1);
        EXPECT_EQ(Get16(p + 28, false), 24);
        EXPECT_EQ(Get32(p + 30, false), 0u);
        EXPECT_EQ(Get32(p + 34, false), 32u);
        EXPECT_EQ(Get32(p + 38, false), c.ppmX);
        EXPECT_EQ(Get32(p + 42, false), c.ppmY);
        EXPECT_EQ(Get32(p + 46, false), 0u);
        EXPECT_EQ(Get32(p + 50, false), 0u);
        // First row in the file is the picture's bottom row, B, G, R, then
        // one zero byte of padding.
        for (int row = 0; row < 2; ++row) {
            const uint8_t *fileRow = p + 54 + 16 * row;
            EXPECT_EQ(std::memcmp(fileRow, pic->bits + row * pic->stride, 15), 0);
            EXPECT_EQ(fileRow[15], 0);
        }
    }
}

TEST_F(WriterTest, TargaHeaderEndsWithDepthAndTopLeftOrigin)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(300, 2));
    ASSERT_TRUE(Write("a.tga", pic.get()));
    const QByteArray b = Bytes("a.tga");
    const QByteArray header("\0\0\x02\0\0\0\0\0\0\0\0\0\x2C\x01\x02\0\x18\x20", 18);
    EXPECT_EQ(b.left(18).toHex(), header.toHex());
    ASSERT_EQ(b.size(), 18 + 300 * 2 * 3);
    // The first row is the top row, without padding.
    EXPECT_EQ(std::memcmp(b.constData() + 18, pic->bits + pic->stride, 900), 0);
    EXPECT_EQ(std::memcmp(b.constData() + 18 + 900, pic->bits, 900), 0);
}

TEST_F(WriterTest, PnmAndSunHeaders)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(5, 2));
    ASSERT_TRUE(Write("a.ppm", pic.get()));
    const QByteArray ppm = Bytes("a.ppm");
    EXPECT_EQ(ppm.left(11), QByteArray("P6\n5 2\n255\n"));
    EXPECT_EQ(ppm.size(), 11 + 30);

    ASSERT_TRUE(Write("a.ras", pic.get()));
    const QByteArray ras = Bytes("a.ras");
    const auto *p = reinterpret_cast<const uint8_t *>(ras.constData());
    ASSERT_EQ(ras.size(), 32 + 2 * 16);
    const uint32_t header[8] = {0x59A66A95, 5, 2, 24, 32, 1, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Get32BE(p + 4 * i), header[i]) << "field " << i;
    // Rows top first as blue, green, red, padded to an even length.
    EXPECT_EQ(std::memcmp(p + 32, pic->bits + pic->stride, 15), 0);
    EXPECT_EQ(p[32 + 15], 0);
    EXPECT_EQ(std::memcmp(p + 48, pic->bits, 15), 0);
}

TEST_F(WriterTest, PhotoshopHeaderAndResources)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(3, 2));
    std::unique_ptr<TDib> meta(new TDib);
    PutBlock(meta->icc, meta->iccSize, "ICC");     // odd: padded
    PutBlock(meta->exif, meta->exifSize, QByteArray("II*\0X", 5)); // odd: padded
    struct Case {
        const char *name;
        bool metadata;
        int writeMetadata;
        int dpiX, dpiY;
        uint32_t sectionLength;
        std::vector<uint16_t> ids;
    };
    const Case cases[] = {
        {"no metadata", false, 1, 72, 96, 28, {1005}},
        {"profile only when EXIF is not kept", true, 0, 300, 300, 28 + 12 + 4, {1005, 1039}},
        {"profile and EXIF", true, 1, 40000, 1, 28 + 12 + 4 + 12 + 6, {1005, 1039, 1058}},
        {"the keep flag is its first byte", true, 0x100, 72, 72, 28 + 12 + 4, {1005, 1039}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pic->dpiX = c.dpiX;
        pic->dpiY = c.dpiY;
        ctx->imgOpts.writeMetadata = c.writeMetadata;
        ASSERT_TRUE(Write("a.psd", pic.get(), c.metadata ? meta.get() : nullptr));
        const QByteArray b = Bytes("a.psd");
        const auto *p = reinterpret_cast<const uint8_t *>(b.constData());
        EXPECT_EQ(b.left(26).toHex(), QByteArray("8BPS\0\x01\0\0\0\0\0\0\0\x03\0\0\0\x02\0\0\0\x03\0\x08\0\x03", 26).toHex());
        EXPECT_EQ(Get32BE(p + 26), 0u); // colour mode data
        ASSERT_EQ(Get32BE(p + 30), c.sectionLength);
        std::vector<uint16_t> ids;
        for (uint32_t at = 34; at < 34 + c.sectionLength;) {
            ASSERT_EQ(b.mid(int(at), 4), "8BIM");
            ids.push_back(Get16BE(p + at + 4));
            EXPECT_EQ(Get16BE(p + at + 6), 0); // empty name
            const uint32_t size = Get32BE(p + at + 8);
            if (ids.back() == 1005) {
                const int dpiX = std::min(c.dpiX, 32767), dpiY = std::min(c.dpiY, 32767);
                EXPECT_EQ(size, 16u);
                EXPECT_EQ(Get32BE(p + at + 12), uint32_t(dpiX) << 16);
                EXPECT_EQ(Get32BE(p + at + 20), uint32_t(dpiY) << 16);
                for (int unit : {4, 6, 12, 14}) // pixels per inch, inches
                    EXPECT_EQ(Get16BE(p + at + 12 + unit), 1);
            } else {
                // The size counts the data; a zero byte pads it to even.
                const QByteArray block = ids.back() == 1039 ? QByteArray("ICC") : QByteArray("II*\0X", 5);
                EXPECT_EQ(size, uint32_t(block.size()));
                EXPECT_EQ(b.mid(int(at) + 12, int(size) + 1).toHex(), (block + '\0').toHex());
            }
            at += 12 + size + (size & 1);
        }
        EXPECT_EQ(ids, c.ids);
        const uint32_t after = 34 + c.sectionLength;
        EXPECT_EQ(Get32BE(p + after), 0u); // layers
        EXPECT_EQ(Get16BE(p + after + 4), 0); // raw
        EXPECT_EQ(b.size(), int(after + 6 + 3 * 6));
        // The red plane first.
        EXPECT_EQ(p[after + 6], pic->bits[pic->stride + 2]);
    }
}
