// ReadImageFile, the reduction rule and the BMP reader, on bitmap files
// built byte by byte; a stopped read of each reader of rows.
#include "layouts_bmp.h"
#include "layouts_psd.h"
#include "picture_files.h"
#include "picture_writers.h"
#include "test_fifo_util.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "memory_cap.h"

#include <array>
#include <cstdint>
#include <cstdio>

using namespace VlmImgUt;
using namespace layouts::bmp;

namespace {

BGR Pixel(const TDib &d, int x, int y)
{
    const uint8_t *p = static_cast<const uint8_t *>(d.bits) + int64_t(d.height - 1 - y) * d.stride + 3 * x;
    return {p[0], p[1], p[2]};
}

bool Same(BGR a, BGR b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

class ReadImage : public pictures::PictureTest {
protected:
    QString Write(const QByteArray &bytes, const QString &name = "p.bmp") { return Put(bytes, name); }

    bool Read(const Bmp &s, int maxW = 0, int maxH = 0)
    {
        return ctx->ReadImageFile(Write(Build(s)), &pic, maxW, maxH, false);
    }
};

// ---- the BMP reader ----

TEST_F(ReadImage, BmpLayoutsGiveTheSamePicture)
{
    for (const Layout &c : Layouts) {
        for (int width : {1, 4, 5, 7}) {
            SCOPED_TRACE(testing::Message() << c.name << " width " << width);
            ASSERT_TRUE(Read(Spec(c, width)));
            ASSERT_NE(pic, nullptr);
            EXPECT_EQ(pic->width, width);
            EXPECT_EQ(pic->height, 3);
            EXPECT_EQ(pic->srcWidth, width);
            EXPECT_EQ(pic->srcHeight, 3);
            EXPECT_EQ(pic->alpha, nullptr);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < width; ++x) {
                    const BGR want = c.bits == 8 ? PaletteEntry(Index(x, y)) : Colour(x, y);
                    EXPECT_TRUE(Same(Pixel(*pic, x, y), want)) << x << "," << y;
                }
        }
    }
}

TEST_F(ReadImage, BmpColoursUsedLimitsThePalette)
{
    // 16 entries: numbers 16 and up take entry 0.
    Bmp s;
    s.bits = 8;
    s.width = 8;
    s.coloursUsed = 16;
    s.paletteEntries = 16;
    ASSERT_TRUE(Read(s));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) {
            const int i = Index(x, y);
            EXPECT_TRUE(Same(Pixel(*pic, x, y), PaletteEntry(i < 16 ? i : 0))) << x << "," << y;
        }
}

TEST_F(ReadImage, BmpResolutionFromPixelsPerMetre)
{
    struct Case { int32_t ppmX, ppmY; int dpiX, dpiY; } cases[] = {
        {2835, 2835, 72, 72}, {3780, 3780, 96, 96}, {3780, 2835, 96, 72},
        {0, 3780, 72, 72},    {3780, 0, 96, 0},     {11811, 11811, 300, 300},
    };
    for (const Case &c : cases) {
        Bmp s;
        s.ppmX = c.ppmX;
        s.ppmY = c.ppmY;
        ASSERT_TRUE(Read(s));
        EXPECT_EQ(pic->dpiX, c.dpiX) << c.ppmX;
        EXPECT_EQ(pic->dpiY, c.dpiY) << c.ppmY;
    }
    Bmp core;
    core.headerSize = 12;
    ASSERT_TRUE(Read(core));
    EXPECT_EQ(pic->dpiX, 72);
    EXPECT_EQ(pic->dpiY, 72);
}

TEST_F(ReadImage, BmpRefusals)
{
    struct Case { const char *name; Bmp s; };
    std::vector<Case> cases;
    auto add = [&](const char *name, auto change) {
        Bmp s;
        change(s);
        cases.push_back({name, s});
    };
    add("1 bit", [](Bmp &s) { s.bits = 1; s.paletteEntries = 2; });
    add("4 bits", [](Bmp &s) { s.bits = 4; s.paletteEntries = 16; });
    add("16 bits", [](Bmp &s) { s.bits = 16; });
    add("bit fields", [](Bmp &s) { s.bits = 32; s.compression = 3; });
    add("run-length 8", [](Bmp &s) { s.bits = 8; s.compression = 1; s.paletteEntries = 256; });
    add("header size 20", [](Bmp &s) { s.headerSize = 20; });
    add("header size 39", [](Bmp &s) { s.headerSize = 39; });
    add("header size 0", [](Bmp &s) { s.headerSize = 0; });
    add("width 0", [](Bmp &s) { s.width = 0; });
    add("negative width", [](Bmp &s) { s.width = -4; });
    add("height 0", [](Bmp &s) { s.height = 0; });
    add("file header cut", [](Bmp &s) { s.cutAt = 13; });
    add("info header cut", [](Bmp &s) { s.cutAt = 14 + 39; });
    add("core header cut", [](Bmp &s) { s.headerSize = 12; s.cutAt = 14 + 11; });
    for (const Case &c : cases) {
        EXPECT_FALSE(Read(c.s)) << c.name;
        // The file exists, so a record is left for the caller to delete.
        EXPECT_NE(pic, nullptr) << c.name;
    }
    QByteArray notBm = Build(Bmp());
    notBm[0] = 'M';
    notBm[1] = 'B';
    EXPECT_FALSE(ctx->ReadImageFile(Write(notBm), &pic, 0, 0, false));
    EXPECT_FALSE(ctx->ReadImageFile(Write(QByteArray()), &pic, 0, 0, false));
}

TEST_F(ReadImage, BmpHostileSizesRefusedWithoutLargeAllocation)
{
    struct Case { int32_t width, height; int bits; int boxW, boxH; } cases[] = {
        {0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0},
        {0x7FFFFFFF, 1, 32, 0, 0},
        {1, 0x7FFFFFFF, 8, 0, 0},
        {100000, -100000, 24, 0, 0},
        {int32_t(0x80000000), int32_t(0x80000000), 24, 0, 0},
        {1, int32_t(0x80000000), 24, 0, 0},
        {200000, 200000, 24, 100, 100}, // a reduction box does not help
        // 54-byte files claiming what once took minutes or gigabytes.
        {1, 268435456, 8, 0, 0},
        {1, 268435456, 24, 100, 100},
        {268435456, 1, 24, 0, 0},
        {268435456, 1, 32, 100, 100},
        {16384, 16384, 24, 0, 0},
        {16384, -16384, 8, 64, 64},
    };
    for (const Case &c : cases) {
        Bmp s;
        s.width = c.width;
        s.height = c.height;
        s.bits = c.bits;
        s.paletteEntries = c.bits == 8 ? 256 : 0;
        s.pixels = false;
        const QString path = Write(Build(s));
        EXPECT_EQ(pictures::ReadUnderMemoryCap(*ctx, path, c.boxW, c.boxH), 0) << c.width << " x " << c.height;
        EXPECT_FALSE(ctx->ReadImageFile(path, &pic, c.boxW, c.boxH, false));
    }
}

namespace {

// A bitmap of width x height (8 bits: with the palette of PaletteEntry)
// whose pixel bytes are all 0 but the ones given, written as a sparse file:
// the file has its full length without taking the disk space.
QString SparseBitmap(const QString &path, int32_t width, int32_t height,
                     const std::vector<std::array<int64_t, 3>> &pixels, // file row, byte in the row, value
                     int bits = 8)
{
    Bmp s;
    s.width = width;
    s.height = height;
    s.bits = bits;
    s.paletteEntries = bits == 8 ? 256 : 0;
    s.pixels = false;
    QByteArray head = Build(s);
    const int64_t offset = 14 + 40 + s.paletteEntries * 4;
    head.truncate(int(offset));
    const int64_t rowLen = (int64_t(width) * (bits / 8) + 3) / 4 * 4;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(head) != head.size()
        || !f.resize(offset + rowLen * height))
        return QString();
    for (const auto &p : pixels) {
        const char index = char(p[2]);
        if (!f.seek(offset + p[0] * rowLen + p[1]) || f.write(&index, 1) != 1)
            return QString();
    }
    return path;
}

} // namespace

TEST_F(ReadImage, BmpOfOneLongRowCostsOnlyItsRecord)
{
    // 10 million x 1, 32 bits, all there: the bitmap (30 MB) and the
    // working set fit under the cap, the file's row (40 MB) beside them
    // would not. 25 million x 1 makes a bitmap past the cap: that read
    // fails, and no exception leaves it.
    if (testutil::kAddressSanitizer)
        GTEST_SKIP() << "no memory cap under AddressSanitizer";
    const size_t headroom = size_t(30000000) * 3 / 2 + (size_t(16) << 20);
    for (const int32_t width : {10000000, 25000000}) {
        const QString path = SparseBitmap(tmp.path() + "/long.bmp", width, 1, {{0, 4 * int64_t(width) - 4, 7}}, 32);
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(testutil::RunUnderMemoryCap(headroom, [&] {
                      TDib *p = nullptr;
                      if (!ctx->ReadImageFile(path, &p, 0, 0, false))
                          return 0;
                      // The last pixel's blue byte, from the row's last piece.
                      return p->width == width && p->bits[3 * int64_t(width - 1)] == 7 ? 1 : 2;
                  }),
                  width == 10000000 ? 1 : 0)
            << width;
    }
}

TEST_F(ReadImage, BmpRowsLongerThanAPieceReducedTakeTheirSampledColumns)
{
    // 3 million x 300 at 8 bits, into 100 x 100: every 30000th column of
    // every third row, spread over many pieces of each row.
    const int32_t w = 3000000, h = 300;
    const TReduction r = TReduction::For(w, h, 100, 100);
    const auto cols = TReduction::Sample(w, r.width, r.stepX);
    const auto rows = TReduction::Sample(h, r.height, r.stepY);
    std::vector<std::array<int64_t, 3>> pixels;
    for (int k = 0; k < r.height; k += 7)
        for (int x = 0; x < r.width; x += 3)
            pixels.push_back({rows[size_t(k)], cols[size_t(x)], 1 + (k + x) % 5});
    const QString path = SparseBitmap(tmp.path() + "/wide.bmp", w, h, pixels);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 100, 100, false));
    ASSERT_EQ(pic->width, r.width);
    ASSERT_EQ(pic->height, r.height);
    // Bottom-up: file row rows[k] is picture row height - 1 - k.
    for (int k = 0; k < r.height; ++k)
        for (int x = 0; x < r.width; ++x) {
            const int want = k % 7 == 0 && x % 3 == 0 ? 1 + (k + x) % 5 : 0;
            ASSERT_TRUE(Same(Pixel(*pic, x, r.height - 1 - k), PaletteEntry(want))) << x << "," << k;
        }
}

TEST_F(ReadImage, BmpLargerThanTheCapReadsWhenTheRecordFits)
{
    // 20000 x 20000 is more than 2^28 pixels; reduced to 100 x 100 every
    // 200th column and row is taken.
    const QString path = SparseBitmap(tmp.path() + "/huge.bmp", 20000, 20000,
                                      {{0, 0, 1}, {50 * 200, 30 * 200, 2}, {99 * 200, 99 * 200, 3}, {1, 1, 4}});
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 100, 100, false));
    EXPECT_EQ(pic->width, 100);
    EXPECT_EQ(pic->height, 100);
    EXPECT_EQ(pic->srcWidth, 20000);
    EXPECT_EQ(pic->srcHeight, 20000);
    // Bottom-up: file row r is picture row 99 - r / 200.
    EXPECT_TRUE(Same(Pixel(*pic, 0, 99), PaletteEntry(1)));
    EXPECT_TRUE(Same(Pixel(*pic, 30, 49), PaletteEntry(2)));
    EXPECT_TRUE(Same(Pixel(*pic, 99, 0), PaletteEntry(3)));
    EXPECT_TRUE(Same(Pixel(*pic, 1, 98), PaletteEntry(0)));
    // At full size the record itself would pass the cap.
    EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false));
}

TEST_F(ReadImage, BmpWiderThanAFloatCountsReadsEveryColumn)
{
    // Past 2^24 a running float sum of 1 stops counting; the last columns
    // must still be their own.
    const int32_t width = (1 << 24) + 2;
    const QString path = SparseBitmap(tmp.path() + "/wide.bmp", width, 1,
                                      {{0, width - 2, 6}, {0, width - 1, 5}});
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    ASSERT_EQ(pic->width, width);
    EXPECT_TRUE(Same(Pixel(*pic, width - 2, 0), PaletteEntry(6)));
    EXPECT_TRUE(Same(Pixel(*pic, width - 1, 0), PaletteEntry(5)));
}

TEST_F(ReadImage, BmpClaimingFarMoreThanItHoldsIsRefused)
{
    // 1000 x 1000, 24 bits: 3,000,000 bytes of pixel data claimed.
    struct Case {
        const char *what;
        int64_t pixelBytes;  // held after the header
        bool read;
    } cases[] = {
        {"all of it", 3000000, true},
        {"half of it", 1500000, true},
        {"less than half, short by more than 1 MiB", 1400000, false},
        {"none", 0, false},
    };
    for (const Case &c : cases) {
        Bmp s;
        s.width = 1000;
        s.height = 1000;
        s.cutAt = 14 + 40 + c.pixelBytes;
        EXPECT_EQ(Read(s), c.read) << c.what;
        if (c.read) {
            EXPECT_TRUE(Same(Pixel(*pic, 7, 999), Colour(7, 999))) << c.what;
            EXPECT_TRUE(Same(Pixel(*pic, 7, 0), c.pixelBytes == 3000000 ? Colour(7, 0) : BGR{0, 0, 0})) << c.what;
        }
    }
}

TEST_F(ReadImage, BmpCutShortGivesBlackRows)
{
    // 4 x 4, 24 bits, bottom-up: 12-byte rows; the file keeps the first row
    // and half of the second (the picture's bottom row and two pixels of the
    // row above it).
    Bmp s;
    s.width = 4;
    s.height = 4;
    s.cutAt = 14 + 40 + 12 + 6;
    ASSERT_TRUE(Read(s));
    for (int x = 0; x < 4; ++x)
        EXPECT_TRUE(Same(Pixel(*pic, x, 3), Colour(x, 3))) << x;
    for (int x = 0; x < 4; ++x)
        EXPECT_TRUE(Same(Pixel(*pic, x, 2), x < 2 ? Colour(x, 2) : BGR{0, 0, 0})) << x;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(Same(Pixel(*pic, x, y), BGR{0, 0, 0})) << x << "," << y;

    // Pixel data offset past the end: all black, same size.
    Bmp far;
    far.cutAt = 14 + 40;
    ASSERT_TRUE(Read(far));
    EXPECT_EQ(pic->width, 4);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(Same(Pixel(*pic, x, y), BGR{0, 0, 0}));
}

// ---- the reduction rule ----

TEST(Reduction, SizesTable)
{
    struct Case { int w, h, boxW, boxH, outW, outH; bool reduced; } cases[] = {
        {300, 200, 100, 100, 100, 67, true},
        {200, 300, 100, 100, 67, 100, true},
        {300, 200, 400, 100, 300, 200, false}, // only the height exceeds
        {300, 200, 100, 400, 300, 200, false},
        {300, 200, 0, 100, 300, 200, false},
        {300, 200, 100, 0, 300, 200, false},
        {300, 200, 300, 200, 300, 200, false},
        {300, 200, 150, 100, 150, 100, true},  // equal ratios: width branch
        {1000, 2, 10, 1, 10, 1, true},         // 10 / 500 + 0.5 would be 0
        {2, 1000, 1, 10, 1, 10, true},
    };
    for (const Case &c : cases) {
        const TReduction r = TReduction::For(c.w, c.h, c.boxW, c.boxH);
        EXPECT_EQ(r.width, c.outW) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
        EXPECT_EQ(r.height, c.outH) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
        EXPECT_EQ(r.reduced, c.reduced);
    }
}

TEST(Reduction, RunningSumOfSteps)
{
    // 101 into 20: step 5.05 in floats. Column 10 is 50 by the running sum
    // (10 * step would give 51).
    const std::vector<int32_t> want = {0, 5, 10, 15, 20, 25, 30, 35, 40, 45,
                                       50, 56, 61, 66, 71, 76, 81, 86, 91, 96};
    const TReduction r = TReduction::For(101, 101, 20, 20);
    ASSERT_EQ(r.width, 20);
    EXPECT_EQ(TReduction::Sample(101, 20, r.stepX), want);
    // Positions past the end stay on the last one.
    EXPECT_EQ(TReduction::Sample(3, 5, 1.0f), (std::vector<int32_t>{0, 1, 2, 2, 2}));
}

TEST_F(ReadImage, ReducedBmpSamplesColumnsAndRows)
{
    Bmp s;
    s.width = 101;
    s.height = 101;
    ASSERT_TRUE(Read(s, 20, 20));
    EXPECT_EQ(pic->width, 20);
    EXPECT_EQ(pic->height, 20);
    EXPECT_EQ(pic->srcWidth, 101);
    EXPECT_EQ(pic->srcHeight, 101);
    const std::vector<int32_t> pos = TReduction::Sample(101, 20, 101.0f / 20.0f);
    // Stored rows are sampled from the file's first (bottom) row upward.
    for (int k = 0; k < 20; ++k)
        for (int x = 0; x < 20; ++x)
            EXPECT_TRUE(Same(Pixel(*pic, x, 19 - k), Colour(pos[size_t(x)], 100 - pos[size_t(k)])))
                << x << "," << k;
    EXPECT_EQ(Pixel(*pic, 10, 0).b, 50);

    Bmp big;
    big.width = 300;
    big.height = 200;
    ASSERT_TRUE(Read(big, 100, 100));
    EXPECT_EQ(pic->width, 100);
    EXPECT_EQ(pic->height, 67);
    EXPECT_EQ(pic->srcWidth, 300);
    EXPECT_EQ(pic->srcHeight, 200);
    ASSERT_TRUE(Read(big, 400, 100));
    EXPECT_EQ(pic->width, 300);
    EXPECT_EQ(pic->height, 200);

    Bmp top = big;
    top.height = -200;
    ASSERT_TRUE(Read(top, 100, 100));
    EXPECT_EQ(pic->height, 67);
    EXPECT_TRUE(Same(Pixel(*pic, 0, 0), Colour(0, 0))); // upright
}

// ---- ReadImageFile ----

TEST_F(ReadImage, MissingFilesAndFoldersFailWithoutARecord)
{
    ASSERT_TRUE(Read(Bmp()));
    ASSERT_NE(pic, nullptr);
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/folder.bmp"));
    const QString paths[] = {tmp.path() + "/none.bmp", tmp.path() + "/folder.bmp", tmp.path(), QString()};
    for (const QString &p : paths) {
        delete pic;
        pic = new TDib;
        EXPECT_FALSE(ctx->ReadImageFile(p, &pic, 0, 0, false)) << p.toStdString();
        EXPECT_EQ(pic, nullptr) << p.toStdString(); // the old record is gone too
    }
    // The reader itself refuses a folder, and a context without a target.
    TDib dib;
    ctx->readTarget = &dib;
    EXPECT_FALSE(ReadBmp(*ctx, tmp.path() + "/folder.bmp", 0, 0));
    ctx->readTarget = nullptr;
    EXPECT_FALSE(ReadBmp(*ctx, Write(Build(Bmp())), 0, 0));
}

TEST_F(ReadImage, AFifoNamedAsAPictureFailsAtOnce)
{
    // Every extension the library knows, a video one and none: whichever
    // reader the name picks, a FIFO is no picture and nothing waits on it.
    QStringList names;
    for (const QString &ext : ctx->imageExts)
        names << "x" + ext;
    names << "clip.avi" << "plain";
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        TFifo fifo(tmp.path() + "/" + name);
        ASSERT_TRUE(fifo.Made());
        bool ok = true;
        EXPECT_TRUE(fifo.ReturnsAtOnce([&] { ok = ctx->ReadImageFile(tmp.path() + "/" + name, &pic, 0, 0, false); }));
        EXPECT_FALSE(ok);
        EXPECT_EQ(pic, nullptr);
        TDib dib;
        ctx->readTarget = &dib;
        EXPECT_TRUE(fifo.ReturnsAtOnce([&] { ok = ReadBmp(*ctx, tmp.path() + "/" + name, 0, 0); }));
        EXPECT_FALSE(ok);
        ctx->readTarget = nullptr;
    }
}

// Picture rows that hold a pixel other than black.
int FilledRows(const TDib &d)
{
    int n = 0;
    for (int y = 0; y < d.height; ++y) {
        const uint8_t *row = d.bits + int64_t(y) * d.stride;
        n += std::any_of(row, row + 3 * int64_t(d.width), [](uint8_t v) { return v != 0; }) ? 1 : 0;
    }
    return n;
}

TEST_F(ReadImage, AStoppedReadEndsWithinARow)
{
    // 64 x 300 pictures of the readers that fill rows themselves. The stop
    // comes at the read's first count, or at its first count once a row is
    // in the picture; the read then fails, having filled at most one row
    // more.
    pictures::PngSpec png;
    png.width = 64;
    png.height = 300;
    pictures::PngSpec adam7 = png;
    adam7.interlace = true;
    layouts::psd::Psd psd;
    psd.width = 64;
    psd.height = 300;
    psd.mode = 1;
    psd.channels = 1;
    layouts::psd::Psd packed = psd;
    packed.compression = 1;
    Bmp bmp;
    bmp.width = 64;
    bmp.height = 300;
    Bmp indexed = bmp;
    indexed.bits = 8;
    indexed.paletteEntries = 256;
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"a.png", pictures::WritePng(png)},          {"adam7.png", pictures::WritePng(adam7)},
        {"raw.psd", layouts::psd::Build(psd)},       {"packbits.psd", layouts::psd::Build(packed)},
        {"b24.bmp", Build(bmp)},                     {"b8.bmp", Build(indexed)},
    };
    for (const Case &c : cases) {
        const QString path = Write(c.bytes, c.name);
        for (const int rowsFirst : {0, 1}) {
            SCOPED_TRACE(testing::Message() << c.name << ", stopped once " << rowsFirst << " rows are in");
            ctx->budget.Resume();
            int atStop = -1;
            ctx->budget.onSpend = [&](const TReadBudget &) {
                if (atStop >= 0 || !ctx->readTarget)
                    return;
                const int rows = FilledRows(*ctx->readTarget);
                if (rows >= rowsFirst) {
                    atStop = rows;
                    ctx->budget.Stop();
                }
            };
            EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false));
            EXPECT_GE(atStop, 0) << "never counted";
            ASSERT_NE(pic, nullptr);
            if (atStop >= 0) {
                EXPECT_LE(FilledRows(*pic) - atStop, 1);
            }
        }
        // Resumed, the same file reads whole, counting at least once for
        // each row it fills.
        ctx->budget.Resume();
        int last = 0, gap = 0;
        ctx->budget.onSpend = [&](const TReadBudget &) {
            const int rows = ctx->readTarget ? FilledRows(*ctx->readTarget) : 0;
            gap = std::max(gap, rows - last);
            last = rows;
        };
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false)) << c.name;
        ctx->budget.onSpend = nullptr;
        EXPECT_EQ(FilledRows(*pic), 300) << c.name;
        EXPECT_LE(std::max(gap, FilledRows(*pic) - last), 1) << c.name;
    }
}

TEST_F(ReadImage, DispatchByExtension)
{
    const QByteArray bmp = Build(Bmp());
    struct Case { const char *name; bool ok; } cases[] = {
        {"a.bmp", true},  {"b.BMP", true},  {"c.Bmp", true},   {"d.bmp.jpg", false},
        {"e.jpg", false}, {"f.png", false}, {"g.tif", false},  {"h.psd", false},
        {"i.avi", false}, {"j", false},     {"k.xyz", false},  {"l.tga", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const bool ok = ctx->ReadImageFile(Write(bmp, c.name), &pic, 0, 0, true);
        EXPECT_EQ(ok, c.ok);
        EXPECT_TRUE(ctx->headerOnly);
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(ctx->readTarget, pic);
        if (!ok) {
            EXPECT_EQ(pic->width, 1); // left as a fresh record
        }
    }
    // The extension is that of the file name, not of a folder.
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/dir.bmp"));
    QFile::copy(tmp.path() + "/a.bmp", tmp.path() + "/dir.bmp/plain");
    EXPECT_FALSE(ctx->ReadImageFile(tmp.path() + "/dir.bmp/plain", &pic, 0, 0, false));
    EXPECT_FALSE(ctx->headerOnly);
}

} // namespace
