// The Targa reader (".tga", reader code 6), on files written here byte by
// byte in every accepted layout, and on the combinations it refuses.
#include "hostile_writers.h"
#include "layouts_tga.h"
#include "memory_cap.h"
#include "reader_fixture.h"


#include <cmath>
#include <cstring>
#include <vector>

using namespace VlmImgUt;
using namespace ReaderTests;
using namespace layouts::tga;

namespace {

class TgaRead : public ReaderTest {
protected:
    void ExpectPicture(const Tga &s)
    {
        ExpectRead(Build(s), "p.tga", s.width, s.height, 0, 0, s.width, s.height,
                   [&](int x, int y) { return Expected(s, x, y); });
        EXPECT_EQ(pic->dpiX, 72);
    }
};

TEST_F(TgaRead, EveryLayoutGivesTheSamePicture)
{
    for (const Layout &c : Layouts)
        for (int d : Descriptors)
            for (int width : {1, 6}) {
                SCOPED_TRACE(testing::Message() << c.name << ", descriptor " << d << ", width " << width);
                ExpectPicture(Spec(c, d, width));
            }
}

TEST_F(TgaRead, SixteenBitWords)
{
    struct Case { uint16_t word; Rgb want; };
    const Case cases[] = {
        {0x7FFF, {255, 255, 255}}, {0x0421, {8, 8, 8}}, {0x8000, {0, 0, 0}},
        {0x7C00, {255, 0, 0}},     {0x03E0, {0, 255, 0}}, {0x001F, {0, 0, 255}},
        {0x4210, {132, 132, 132}},
    };
    Tga s;
    s.bits = 16;
    s.width = int(std::size(cases));
    s.height = 1;
    QByteArray b = Build(s);
    b.truncate(18);
    for (const Case &c : cases)
        PutLE16(b, c.word);
    ASSERT_TRUE(Read(b, "p.tga"));
    for (int x = 0; x < s.width; ++x)
        EXPECT_EQ(RgbAt(*pic, x, 0), cases[x].want) << std::hex << cases[x].word;
}

TEST_F(TgaRead, RepeatPacketCrossesTheRowEnd)
{
    // One packet repeats A over the bottom row and the first pixel of the
    // top row, a raw packet gives B.
    ASSERT_TRUE(Read(RepeatAcrossRowEnd(), "p.tga"));
    const Rgb a{0x30, 0x20, 0x10}, bb{0x60, 0x50, 0x40};
    EXPECT_EQ(RgbAt(*pic, 0, 0), a);
    EXPECT_EQ(RgbAt(*pic, 1, 0), bb);
    EXPECT_EQ(RgbAt(*pic, 0, 1), a);
    EXPECT_EQ(RgbAt(*pic, 1, 1), a);
}

TEST_F(TgaRead, Refusals)
{
    struct Case { const char *name; Tga s; };
    std::vector<Case> cases;
    auto add = [&](const char *name, auto change) {
        Tga s;
        change(s);
        cases.push_back({name, s});
    };
    auto mapped = [](Tga &s) { s.type = 1; s.bits = 8; s.mapType = 1; s.mapLength = 7; };
    add("entry number past a 16-entry map", [&](Tga &s) { mapped(s); s.mapLength = 16; s.indices = 17; s.width = 17; s.height = 1; });
    add("entry number past the map, run-length", [&](Tga &s) { mapped(s); s.type = 9; s.mapLength = 16; s.indices = 17; s.width = 17; s.height = 1; });
    add("greyscale", [](Tga &s) { s.type = 3; s.bits = 8; });
    add("greyscale run-length", [](Tga &s) { s.type = 11; s.bits = 8; });
    add("interleaved (bit 6)", [](Tga &s) { s.descriptor = 0x40; });
    add("interleaved (bit 7)", [](Tga &s) { s.descriptor = 0x80; });
    add("map of 257 entries", [&](Tga &s) { mapped(s); s.mapLength = 257; });
    add("16-bit map entries", [&](Tga &s) { mapped(s); s.mapBits = 16; });
    add("32-bit map entries", [&](Tga &s) { mapped(s); s.mapBits = 32; });
    add("map starting at entry 1", [&](Tga &s) { mapped(s); s.mapFirst = 1; });
    add("map type 1 without entries", [&](Tga &s) { mapped(s); s.mapLength = 0; });
    add("map type 2", [](Tga &s) { s.mapType = 2; });
    add("mapped image without a map", [&](Tga &s) { mapped(s); s.mapType = 0; });
    add("mapped image at 16 bits", [&](Tga &s) { mapped(s); s.bits = 16; });
    add("true colour at 8 bits", [](Tga &s) { s.bits = 8; });
    add("type 0", [](Tga &s) { s.type = 0; });
    add("type 4", [](Tga &s) { s.type = 4; });
    add("type 32", [](Tga &s) { s.type = 32; });
    add("12 bits", [](Tga &s) { s.bits = 12; });
    add("40 bits", [](Tga &s) { s.bits = 40; });
    add("width 0", [](Tga &s) { s.width = 0; });
    add("height 0", [](Tga &s) { s.height = 0; });
    add("header cut", [](Tga &s) { s.cutAt = 17; });
    add("ID field cut", [](Tga &s) { s.idLength = 200; s.cutAt = 100; });
    add("map cut", [&](Tga &s) { mapped(s); s.cutAt = 18 + 20; });
    add("pixels cut", [](Tga &s) { s.cutAt = 18 + 5 * 3 * 3 - 1; });
    add("run-length pixels cut", [](Tga &s) { s.type = 10; s.width = 40; s.height = 8; s.cutAt = 600; });
    for (const Case &c : cases) {
        EXPECT_FALSE(Read(Build(c.s), "p.tga")) << c.name;
        EXPECT_NE(pic, nullptr) << c.name;
    }
}

TEST_F(TgaRead, HostileSizesRefusedBeforeAllocation)
{
    struct Case { const char *name; int width, height, type, bits; };
    const Case cases[] = {
        {"65535 square (12.9 GB)", 65535, 65535, 2, 24},
        {"16000 square raw", 16000, 16000, 2, 24},
        {"16000 square run-length", 16000, 16000, 10, 32},
        {"16000 square mapped", 16000, 16000, 9, 8},
    };
    for (const Case &c : cases) {
        Tga s;
        s.width = c.width;
        s.height = c.height;
        s.type = c.type;
        s.bits = c.bits;
        if ((c.type & 7) == 1) {
            s.mapType = 1;
            s.mapLength = 2;
        }
        ExpectRefusedBeforeAllocation(Build(s) + QByteArray(4096, '\x01'), "big.tga", c.name);
    }
}

TEST_F(TgaRead, ReducedReadTakesTheSampledPixels)
{
    for (int descriptor : {0x00, 0x20}) {
        for (int type : {2, 10}) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", descriptor " << descriptor);
            Tga s;
            s.width = 2000;
            s.height = 1000;
            s.type = type;
            s.descriptor = descriptor;
            ExpectRead(Build(s), "p.tga", 2000, 1000, 500, 500, 500, 250, Colour);
        }
    }
}

// An entry number past the map refuses the file whatever the box: also in
// a row that a reduced read does not take.
TEST_F(TgaRead, EntryPastTheMapRefusedWithAnyBox)
{
    Tga s;
    s.type = 1;
    s.mapType = 1;
    s.mapLength = 16;
    s.bits = 8;
    s.width = 300;
    s.height = 200;
    const QByteArray raw = Build(s);
    const int head = raw.size() - s.width * s.height;
    // Picture row 1 (from the top) is file row 198; the box 100 x 100 takes
    // rows 0 and 3.
    const int at = 198 * s.width;
    struct Case { const char *name; int type; bool wholeRow; };
    const Case cases[] = {
        {"raw", 1, false},
        {"in a raw packet", 9, false},
        {"in a repeat packet", 9, true},
    };
    for (const Case &c : cases) {
        for (const int entry : {15, 16}) {
            SCOPED_TRACE(testing::Message() << c.name << ", entry " << entry);
            QByteArray px = raw.mid(head);
            if (c.wholeRow)
                px.replace(at, s.width, QByteArray(s.width, char(entry)));
            else
                px[at + 5] = char(entry);
            QByteArray file = raw.left(head);
            file[2] = char(c.type);
            file.append(c.type == 9 ? RunLength(px, 1) : px);
            EXPECT_EQ(Read(file, "p.tga"), entry < 16);
            EXPECT_EQ(Read(file, "p.tga", 100, 100), entry < 16);
        }
    }
}

// Rows that a reduced read does not take cost their packets, not their
// pixels: the work of a read of a run-length picture of 8192 x 8192 into
// the preview box (the bytes read and the pixels made) is about that of a
// full read of a raw picture in a file as long; skipped pixel by pixel it
// was some 30 times that.
TEST_F(TgaRead, RunLengthRowsSkippedAPacketAtATime)
{
    const QString runs = tmp.path() + "/runs.tga";
    ASSERT_TRUE(hostile::WriteRunLengthTarga(runs, 8192, 8192));
    Tga s;
    s.type = 1;
    s.mapType = 1;
    s.mapLength = 16;
    s.bits = 8;
    s.width = 1024;
    s.height = 1024;
    const QString real = Put(Build(s), "real.tga");
    ASSERT_NEAR(double(QFileInfo(real).size()), double(QFileInfo(runs).size()), 0.01 * QFileInfo(runs).size());

    ASSERT_TRUE(ctx->ReadImageFile(runs, &pic, 160, 120, false));
    const int64_t reduced = ctx->budget.Spent();
    EXPECT_EQ(pic->width, 120);
    EXPECT_EQ(RgbAt(*pic, 7, 9), (Rgb{0xE0, 0x90, 0x20}));
    ASSERT_TRUE(ctx->ReadImageFile(real, &pic, 0, 0, false));
    const int64_t full = ctx->budget.Spent();
    EXPECT_GE(full, 1024 * 1024); // every pixel read
    EXPECT_LT(reduced, 4 * full) << reduced << " bytes of work against " << full;
    // and within a fixed working set
    EXPECT_EQ(testutil::RunUnderMemoryCap(size_t(16) << 20, [&] {
                  TDib *p = nullptr;
                  return ctx->ReadImageFile(runs, &p, 160, 120, false) ? 1 : 0;
              }),
              1);
}

} // namespace
