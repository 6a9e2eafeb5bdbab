// The Sun raster reader (".ras", reader code 9), on files written here byte
// by byte: every depth and type, colour maps, row padding, run-length runs.
#include "hostile_files.h"
#include "hostile_writers.h"
#include "layouts_sunraster.h"
#include "memory_cap.h"
#include "reader_fixture.h"

#include <vector>

using namespace VlmImgUt;
using namespace ReaderTests;
using namespace layouts::sunraster;

namespace {

class SunRasterRead : public ReaderTest {};

TEST_F(SunRasterRead, DepthsTypesAndMaps)
{
    for (const Layout &c : Layouts) {
        // Widths 1, 5 and 6 pad their rows differently at every depth.
        for (int width : {1, 5, 6, 17}) {
            SCOPED_TRACE(testing::Message() << c.name << ", width " << width);
            const Ras s = Spec(c, width);
            ExpectRead(Build(s), "p.ras", width, 3, 0, 0, width, 3, [&](int x, int y) { return Expected(s, x, y); });
            EXPECT_EQ(pic->dpiX, 72);
        }
    }
}

TEST_F(SunRasterRead, RunsCrossRowEndsAndEscapeTheMarker)
{
    ASSERT_TRUE(Read(RunsAcrossRowEnd(), "p.ras"));
    const Rgb g16{16, 16, 16}, g128{128, 128, 128};
    const Rgb want[2][3] = {{g16, g16, g16}, {g16, g16, g128}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(RgbAt(*pic, x, y), want[y][x]) << x << "," << y;
}

TEST_F(SunRasterRead, Refusals)
{
    struct Case { const char *name; Ras s; };
    std::vector<Case> cases;
    auto add = [&](const char *name, auto change) {
        Ras s;
        change(s);
        cases.push_back({name, s});
    };
    add("magic", [](Ras &s) { s.magic = 0x956AA659; });
    add("depth 4", [](Ras &s) { s.depth = 4; });
    add("depth 16", [](Ras &s) { s.depth = 16; });
    add("depth 0", [](Ras &s) { s.depth = 0; });
    add("type 4", [](Ras &s) { s.type = 4; });
    add("type 0xFFFF", [](Ras &s) { s.type = 0xFFFF; });
    add("raw map type", [](Ras &s) { s.mapType = 2; s.mapEntries = 2; });
    add("map of 257 entries", [](Ras &s) { s.depth = 8; s.mapType = 1; s.mapEntries = 257; });
    add("map length not a multiple of 3", [](Ras &s) { s.depth = 8; s.mapType = 1; s.mapEntries = 4; s.mapLength = 10; });
    add("map past the end", [](Ras &s) { s.depth = 8; s.mapType = 1; s.mapEntries = 4; s.mapLength = 300; s.cutAt = 32 + 12; });
    add("width 0", [](Ras &s) { s.width = 0; });
    add("height 0", [](Ras &s) { s.height = 0; });
    add("header cut", [](Ras &s) { s.cutAt = 31; });
    add("rows cut short", [](Ras &s) { s.cutAt = 32 + 3 * 16 - 1; });
    add("run-length rows cut short", [](Ras &s) { s.type = 2; s.width = 40; s.height = 8; s.cutAt = 32 + 600; });
    for (const Case &c : cases) {
        EXPECT_FALSE(Read(Build(c.s), "p.ras")) << c.name;
        EXPECT_NE(pic, nullptr) << c.name;
    }
}

TEST_F(SunRasterRead, HostileSizesRefusedBeforeAllocation)
{
    struct Case { const char *name; uint32_t width, height, depth, type; };
    const Case cases[] = {
        {"4G square", 0xFFFFFFFF, 0xFFFFFFFF, 24, 1},
        {"100000 square", 100000, 100000, 8, 1},
        {"5000 square raw", 5000, 5000, 24, 1},
        {"5000 square run-length", 5000, 5000, 32, 2},
        {"20000 x 10000 bits", 20000, 10000, 1, 1},
    };
    for (const Case &c : cases) {
        QByteArray b;
        for (uint32_t v : {0x59A66A95u, c.width, c.height, c.depth, 0u, c.type, 0u, 0u})
            PutBE32(b, v);
        b.append(QByteArray(4096, '\x42'));
        ExpectRefusedBeforeAllocation(b, "big.ras", c.name);
    }
}

TEST_F(SunRasterRead, ReducedReadTakesTheSampledPixels)
{
    for (uint32_t type : {1u, 2u}) {
        Ras s;
        s.width = 300;
        s.height = 200;
        s.type = type;
        ExpectRead(Build(s), "p.ras", 300, 200, 100, 100, 100, 67, Colour);
    }
}

// Rows wider than the pieces they are decoded in, at every depth, full
// size and reduced.
TEST_F(SunRasterRead, RowsWiderThanAPiece)
{
    struct Case { uint32_t depth; int mapEntries; };
    const Case cases[] = {{1, 0}, {8, 5}, {24, 0}, {32, 0}};
    for (const Case &c : cases) {
        for (uint32_t type : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << c.depth << " bits, type " << type);
            Ras s;
            s.width = 8200 + int(c.depth);
            s.height = 150;
            s.depth = c.depth;
            s.type = type;
            s.mapType = c.mapEntries ? 1 : 0;
            s.mapEntries = c.mapEntries;
            const QByteArray file = Build(s);
            auto expected = [&](int x, int y) { return Expected(s, x, y); };
            ExpectRead(file, "p.ras", s.width, s.height, 0, 0, s.width, s.height, expected);
            const TReduction r = TReduction::For(s.width, s.height, 1000, 100);
            ExpectRead(file, "p.ras", s.width, s.height, 1000, 100, r.width, r.height, expected);
        }
    }
}

// A run-length row of 2^24 pixels of 32 bits (a file of 768 KB) is read
// within 1.5 x its record and a fixed working set: no full-width raw row,
// converted row or column table beside the record.
TEST_F(SunRasterRead, WideRunLengthRowCostsItsRecord)
{
    const QString path = tmp.path() + "/wide.ras";
    const int64_t width = int64_t(1) << 24;
    ASSERT_TRUE(hostile::WriteRunLengthSunRaster(path, uint32_t(width), 1));
    for (const int box : {0, 120}) {
        SCOPED_TRACE(box);
        const int64_t record = (width * 3 + 3) / 4 * 4;
        EXPECT_EQ(testutil::RunUnderMemoryCap(size_t(record) * 3 / 2 + (size_t(32) << 20), [&] {
                      TDib *p = nullptr;
                      if (!ctx->ReadImageFile(path, &p, box * 4 / 3, box, false))
                          return 0;
                      if (p->width != width || p->height != 1)
                          return 2;
                      for (int64_t i = 0; i < 3 * width; ++i)
                          if (p->bits[i] != 0x60)
                              return 5;
                      return 1;
                  }),
                  1);
    }
}

} // namespace
