// The portable anymap reader (".ppm", reader code 5), on files written here
// byte by byte and checked against Qt's own PBM/PGM/PPM decoder.
#include "memory_cap.h"
#include "read_cost.h"
#include "reader_fixture.h"

#include <QImage>

#include <cstdlib>
#include <string>
#include <vector>

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

int Sample(int x, int y, int c, int maxval)
{
    return int((int64_t(x) * 37 + int64_t(y) * 101 + c * 53) * 7919 % (int64_t(maxval) + 1));
}
bool Bit(int x, int y)
{
    return (x + 2 * y) % 3 == 0;
}

// A width x height anymap of kind P1..P6 with the pattern above; comments
// in the header when asked.
QByteArray MakePnm(int kind, int w, int h, int maxval, bool comments = false)
{
    std::string s = "P" + std::to_string(kind) + "\n";
    if (comments)
        s += "# written by hand\n";
    s += std::to_string(w) + (comments ? " #width\n" : " ") + std::to_string(h) + "\n";
    const bool bitmap = kind == 1 || kind == 4;
    if (!bitmap)
        s += (comments ? "# maxval next\n" : "") + std::to_string(maxval) + "\n";
    const int comps = kind == 3 || kind == 6 ? 3 : 1;
    QByteArray b(s.data(), int(s.size()));
    for (int y = 0; y < h; ++y) {
        if (kind == 4) {
            for (int x = 0; x < w; x += 8) {
                int byte = 0;
                for (int i = 0; i < 8 && x + i < w; ++i)
                    byte |= Bit(x + i, y) << (7 - i);
                b.append(char(byte));
            }
            continue;
        }
        for (int x = 0; x < w; ++x) {
            if (kind == 1) {
                b.append(Bit(x, y) ? '1' : '0');
                b.append(' ');
                continue;
            }
            for (int c = 0; c < comps; ++c) {
                const int v = Sample(x, y, c, maxval);
                if (kind <= 3) {
                    b.append(QByteArray::number(v));
                    b.append(' ');
                } else if (maxval < 256) {
                    b.append(char(v));
                } else {
                    b.append(char(v >> 8));
                    b.append(char(v & 0xFF));
                }
            }
        }
        if (kind <= 3)
            b.append('\n');
    }
    return b;
}

Rgb FromQt(const QImage &img, int x, int y)
{
    const QRgb p = img.pixel(x, y);
    return {uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))};
}

bool Near(const Rgb &a, const Rgb &b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

class PnmRead : public ReaderTest {};

TEST_F(PnmRead, EveryKindMatchesQtsDecoder)
{
    struct Case { int kind, maxval; bool comments; };
    const Case cases[] = {
        {1, 1, false},   {1, 1, true},      {4, 1, false},     {4, 1, true},
        {2, 255, false}, {2, 15, true},     {2, 1, false},     {2, 1000, false}, {2, 65535, false},
        {5, 255, true},  {5, 100, false},   {5, 65535, false}, {5, 300, false},
        {3, 255, false}, {3, 7, true},      {3, 65535, false},
        {6, 255, false}, {6, 255, true},    {6, 31, false},    {6, 65535, false}, {6, 4095, false},
    };
    for (const Case &c : cases) {
        for (const auto &[w, h] : {std::pair{13, 5}, std::pair{1, 1}, std::pair{9, 3}}) {
            SCOPED_TRACE(testing::Message() << "P" << c.kind << " maxval " << c.maxval << " " << w << "x" << h
                                            << (c.comments ? " with comments" : ""));
            const QByteArray bytes = MakePnm(c.kind, w, h, c.maxval, c.comments);
            const QImage want = QImage::fromData(bytes);
            ASSERT_FALSE(want.isNull());
            ASSERT_TRUE(Read(bytes, "p.ppm"));
            ASSERT_EQ(pic->width, w);
            ASSERT_EQ(pic->height, h);
            EXPECT_EQ(pic->srcWidth, w);
            EXPECT_EQ(pic->srcHeight, h);
            EXPECT_EQ(pic->dpiX, 72);
            // Qt rounds deep samples its own way: one step either side.
            const int tolerance = c.maxval == 1 || c.maxval == 255 ? 0 : 1;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    EXPECT_TRUE(Near(RgbAt(*pic, x, y), FromQt(want, x, y), tolerance))
                        << x << "," << y << " " << RgbAt(*pic, x, y) << " Qt " << FromQt(want, x, y);
        }
    }
}

TEST_F(PnmRead, SmallFilesByHand)
{
    struct Case { const char *name; QByteArray bytes; std::vector<Rgb> row; };
    const Case cases[] = {
        {"bitmap: 1 is black", QByteArray("P1\n3 1\n1 0 1\n"), {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}}},
        {"bitmap digits without separators", QByteArray("P1\n3 1\n011"), {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}}},
        {"raw bitmap", Bytes("P4\n3 1\n\xA0"), {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}}},
        {"grey to all three channels", QByteArray("P2 2 1 255 200 7"), {{200, 200, 200}, {7, 7, 7}}},
        {"maxval 1 grey", Bytes("P5 2 1 1\n\x01\x00"), {{255, 255, 255}, {0, 0, 0}}},
        {"maxval 1000 scaled", QByteArray("P3 1 1 1000 1000 500 2"), {{255, 128, 1}}},
        {"16-bit big-endian", Bytes("P6 1 1 65535\n\xFF\xFF\x80\x00\x00\xFF"), {{255, 128, 1}}},
        {"sample above maxval", QByteArray("P2 1 1 10 11"), {{255, 255, 255}}},
        {"comment ends a number", QByteArray("P2 1#w\n1 255#m\n9"), {{9, 9, 9}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Read(c.bytes, "p.ppm"));
        ASSERT_EQ(pic->width, int(c.row.size()));
        ASSERT_EQ(pic->height, 1);
        for (int x = 0; x < pic->width; ++x)
            EXPECT_EQ(RgbAt(*pic, x, 0), c.row[size_t(x)]) << x;
    }
}

TEST_F(PnmRead, Refusals)
{
    const std::pair<const char *, QByteArray> cases[] = {
        {"P7", Bytes("P7 1 1 255\n\0\0\0")},
        {"P0", Bytes("P0 1 1 255\n\0\0\0")},
        {"width 0", Bytes("P6 0 1 255\n\0\0\0")},
        {"height 0", Bytes("P6 1 0 255\n\0\0\0")},
        {"maxval 0", Bytes("P6 1 1 0\n\0\0\0")},
        {"maxval 65536", Bytes("P6 1 1 65536\n\0\0\0\0\0\0")},
        {"negative width", Bytes("P6 -1 1 255\n\0\0\0")},
        {"raw rows cut short", Bytes("P6 2 2 255\n\1\2\3\4\5\6\7\10\11\12\13")},
        {"16-bit rows cut short", Bytes("P5 2 1 65535\n\1\2\3")},
        {"plain samples cut short", QByteArray("P3 1 1 255 1 2")},
        {"plain bitmap cut short", QByteArray("P1 4 1 101")},
        {"letter among samples", QByteArray("P2 2 1 255 1 x")},
        {"digit 2 in a plain bitmap", QByteArray("P1 2 1 12")},
        {"header cut short", QByteArray("P6 4")},
        {"letter in the header", Bytes("P6 4x 1 255\n\0\0\0\0\0\0\0\0\0\0\0\0")},
        {"empty", QByteArray()},
    };
    for (const auto &[name, bytes] : cases) {
        EXPECT_FALSE(Read(bytes, "p.ppm")) << name;
        EXPECT_NE(pic, nullptr) << name;
    }
}

TEST_F(PnmRead, HostileSizesRefusedBeforeAllocation)
{
    const QByteArray tail(4096, '1');
    const std::pair<const char *, QByteArray> cases[] = {
        // Past the record's cap.
        {"raw 100000 square", "P6\n100000 100000\n255\n" + tail},
        {"width beyond 32 bits", "P5\n99999999999999999999 1\n255\n" + tail},
        {"one row of 2^31", "P4\n2147483648 1\n" + tail},
        // Within the cap, past what the file holds.
        {"raw 5000 square", "P6\n5000 5000\n255\n" + tail},
        {"raw 16-bit 3000 square", "P5\n3000 3000\n65535\n" + tail},
        {"plain 5000 square", "P3\n5000 5000\n255\n" + tail},
        {"plain bitmap 5000 square", "P1\n5000 5000\n" + tail},
        {"raw bitmap 8000 square", "P4\n8000 8000\n" + tail},
    };
    for (const auto &[name, bytes] : cases)
        ExpectRefusedBeforeAllocation(bytes, "big.ppm", name);
}

// A picture of one long column read at full size: the record and a row
// in flight, no table of the rows beside them.
TEST_F(PnmRead, OneLongColumnCostsOnlyItsRecord)
{
    if (testutil::kAddressSanitizer)
        GTEST_SKIP() << "no memory cap under AddressSanitizer";
    constexpr int64_t height = 16000000;
    const QByteArray header = "P5\n1 " + QByteArray::number(height) + "\n255\n";
    const QString path = Put(header, "tall.ppm");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(header.size() + height - 1));
        ASSERT_TRUE(f.putChar('\x80'));   // the bottom pixel; the rest are 0
    }
    const size_t record = size_t(height) * 4;   // rows of 3 bytes padded to 4
    EXPECT_EQ(testutil::RunUnderMemoryCap(record * 3 / 2 + (size_t(16) << 20), [&] {
                  if (!ctx->ReadImageFile(path, &pic, 0, 0, false))
                      return 1;
                  if (pic->width != 1 || pic->height != height)
                      return 2;
                  return RgbAt(*pic, 0, 0) == Rgb{0, 0, 0} && RgbAt(*pic, 0, int(height - 1)) == Rgb{128, 128, 128}
                             ? 0
                             : 3;
              }),
              0);
}

// Raw rows are read a piece of 8192 pixels at a time, and only the pieces
// that hold sampled columns: rows wider than a piece read as Qt reads
// them, at full size and reduced.
TEST_F(PnmRead, RowsWiderThanAPiece)
{
    struct Case { int kind, maxval; };
    for (const Case &c : {Case{6, 255}, Case{6, 65535}, Case{5, 300}, Case{4, 1}, Case{3, 255}, Case{1, 1}}) {
        SCOPED_TRACE(testing::Message() << "P" << c.kind << " maxval " << c.maxval);
        const QByteArray bytes = MakePnm(c.kind, 20003, 3, c.maxval);
        const QImage want = QImage::fromData(bytes);
        ASSERT_FALSE(want.isNull());
        const int tolerance = c.maxval == 1 || c.maxval == 255 ? 0 : 1;
        for (const auto &[boxW, boxH] : {std::pair{0, 0}, std::pair{2001, 2}}) {
            SCOPED_TRACE(testing::Message() << "box " << boxW << " x " << boxH);
            const TReduction r = TReduction::For(20003, 3, boxW, boxH);
            ASSERT_TRUE(Read(bytes, "p.ppm", boxW, boxH));
            ASSERT_EQ(pic->width, r.width);
            ASSERT_EQ(pic->height, r.height);
            const auto cols = TReduction::Sample(20003, r.width, r.stepX);
            const auto rows = TReduction::Sample(3, r.height, r.stepY);
            int bad = 0;
            for (int y = 0; y < r.height; ++y)
                for (int x = 0; x < r.width; ++x)
                    bad += !Near(RgbAt(*pic, x, y), FromQt(want, cols[size_t(x)], rows[size_t(y)]), tolerance);
            EXPECT_EQ(bad, 0);
        }
    }
}

// A wide picture read into a box holds a piece of a row, not the row, and
// reads only the pieces it samples.
TEST_F(PnmRead, WidePictureIntoABoxHoldsAPieceOfARow)
{
    if (testutil::kAddressSanitizer)
        GTEST_SKIP() << "no memory cap under AddressSanitizer";
    constexpr int64_t width = 2000000, height = 200; // rows of 12 MB
    const QByteArray header = "P6\n" + QByteArray::number(width) + " " + QByteArray::number(height) + "\n65535\n";
    const QString path = Put(header, "wide.ppm");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(header.size() + width * height * 6)); // all 0, without its blocks
    }
    EXPECT_EQ(readcost::ReadWithin(*ctx, path, 160, 120, false, size_t(4) << 20), 1);
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 160, 120, false));
    EXPECT_EQ(pic->width, 160);
    EXPECT_EQ(RgbAt(*pic, 159, 0), (Rgb{0, 0, 0}));
    // One row sampled: a piece of 8192 pixels for each of its 160 columns.
    EXPECT_EQ(ctx->budget.Spent(), 160 * 8192 * 6);
}

TEST_F(PnmRead, ReducedReadTakesTheSampledPixels)
{
    for (int kind : {6, 3, 4}) {
        SCOPED_TRACE(testing::Message() << "P" << kind);
        const QByteArray bytes = MakePnm(kind, 300, 200, 255);
        const QImage full = QImage::fromData(bytes);
        ExpectRead(bytes, "p.ppm", 300, 200, 100, 100, 100, 67, [&](int x, int y) { return FromQt(full, x, y); });
    }
}

} // namespace
