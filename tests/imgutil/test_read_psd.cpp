// The Photoshop reader (".psd", reader code 10) and PackBits rows, on
// documents written here byte by byte.
#include "hostile_writers.h"
#include "layouts_psd.h"
#include "memory_cap.h"
#include "read_cost.h"
#include "reader_fixture.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <cstdio>

using namespace VlmImgUt;
using namespace ReaderTests;
using namespace layouts::psd;

namespace {

class PsdRead : public ReaderTest {
protected:
    void ExpectPicture(const Psd &s)
    {
        const int w = int(s.width), h = int(s.height), a = AlphaChannel(s);
        std::function<int(int, int)> alpha;
        if (a >= 0)
            alpha = [&](int x, int y) { return Byte(s, a, x, y); };
        ExpectRead(Build(s), "p.psd", w, h, 0, 0, w, h, [&](int x, int y) { return Expected(s, x, y); }, alpha);
    }
};

TEST_F(PsdRead, ModesDepthsAndCompression)
{
    for (const Layout &c : Layouts)
        for (int depth : {8, 16})
            for (int compression : {0, 1})
                for (uint32_t width : {1u, 7u}) {
                    SCOPED_TRACE(testing::Message() << c.name << ", " << depth << " bits, compression "
                                                    << compression << ", width " << width);
                    ExpectPicture(Spec(c, depth, compression, width));
                }
}

TEST_F(PsdRead, SampleValuesByHand)
{
    struct Case {
        const char *name;
        int mode, channels, depth;
        QByteArray colourData;
        std::vector<uint32_t> samples; // one pixel, channel by channel
        Rgb want;
    };
    const Case cases[] = {
        {"16-bit white", 1, 1, 16, {}, {65535}, {255, 255, 255}},
        {"16-bit middle grey", 1, 1, 16, {}, {32768}, {128, 128, 128}},
        {"16-bit 127 is 0", 1, 1, 16, {}, {128}, {0, 0, 0}},
        {"48-byte palette: 16 entries, sample 20 black", 2, 1, 8, Palette(16), {20}, {0, 0, 0}},
        {"48-byte palette: sample 15", 2, 1, 8, Palette(16), {15}, {155, 120, 45}},
        {"CMYK as stored, black channel 255", 4, 4, 8, {}, {255, 0, 0, 255}, {254, 0, 0}},
        {"CMYK 16-bit black channel 65535 keeps 255", 4, 4, 16, {}, {65535, 65535, 0, 65535}, {255, 255, 0}},
        {"CMYK black channel 128 halves", 4, 4, 8, {}, {200, 100, 10, 128}, {100, 50, 5}},
        {"duotone ramp", 8, 1, 8, {}, {77}, {77, 77, 77}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Psd s;
        s.mode = c.mode;
        s.channels = c.channels;
        s.depth = c.depth;
        s.width = s.height = 1;
        s.colourData = c.colourData;
        const std::vector<uint32_t> samples = c.samples;
        s.sample = [samples](int ch, int, int) { return samples[size_t(ch)]; };
        ASSERT_TRUE(Read(Build(s), "p.psd"));
        EXPECT_EQ(RgbAt(*pic, 0, 0), c.want);
    }
}

TEST_F(PsdRead, AlphaChannels)
{
    // RGB with 5 channels: the fourth is the alpha plane, the fifth is never
    // read (the file ends before it).
    Psd five;
    five.channels = 5;
    five.channelsWritten = 4;
    ExpectPicture(five);

    // An alpha channel that is opaque everywhere leaves no plane.
    Psd opaque;
    opaque.channels = 4;
    opaque.sample = [](int c, int x, int y) { return c == 3 ? 255u : uint32_t(x + y); };
    ASSERT_TRUE(Read(Build(opaque), "p.psd"));
    EXPECT_EQ(pic->alpha, nullptr);
}

TEST_F(PsdRead, Resources)
{
    struct Case {
        const char *name;
        std::vector<Resource> resources;
        int dpiX, dpiY;
        QByteArray icc;
    };
    const QByteArray odd = Bytes("\1\2\3\4\5");
    const Case cases[] = {
        {"none: 72 dpi", {}, 72, 72, {}},
        {"300 dpi", {{1005, Resolution(300, 300), {}}}, 300, 300, {}},
        {"150 by 300 dpi", {{1005, Resolution(150, 300), {}}}, 150, 300, {}},
        {"resolution of 10 bytes not taken", {{1005, Resolution(300, 300).left(10), {}}}, 72, 72, {}},
        {"resolution after an odd name and odd data",
         {{1000, odd, "abcd"}, {1005, Resolution(96, 96), "x"}}, 96, 96, {}},
        {"ICC with its pad byte", {{1039, odd, {}}}, 72, 72, odd + '\x99'},
        {"first ICC wins", {{1039, Bytes("ab"), {}}, {1039, Bytes("cd"), {}}}, 72, 72, Bytes("ab")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Psd s;
        s.resources = c.resources;
        ASSERT_TRUE(Read(Build(s), "p.psd"));
        EXPECT_EQ(pic->dpiX, c.dpiX);
        EXPECT_EQ(pic->dpiY, c.dpiY);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), pic->icc ? int(pic->iccSize) : 0), c.icc);
    }

    // A resource whose padded data passes the section is not taken, and
    // the walk ends there; the document is still read.
    Psd past;
    past.resources = {{1005, Resolution(300, 300), {}}};
    past.resourceLength = ResourceSection(past.resources).size() - 1;
    QByteArray bytes = Build(past);
    bytes.remove(26 + 4 + 4 + int(past.resourceLength), 1);
    ASSERT_TRUE(Read(bytes, "p.psd"));
    EXPECT_EQ(pic->dpiX, 72);

    // An unknown signature ends the walk before a later resolution.
    Psd other;
    other.resources = {{1000, Bytes("ab"), {}}, {1005, Resolution(300, 300), {}}};
    QByteArray b2 = Build(other);
    b2.replace(b2.indexOf("8BIM"), 4, "MIB8");
    ASSERT_TRUE(Read(b2, "p.psd"));
    EXPECT_EQ(pic->dpiX, 72);
}

TEST_F(PsdRead, ManyResourcesWalkedABufferAtATime)
{
    // 100,000 empty resources (1.2 MB), then a profile longer than any
    // buffer and a resolution: the walk reads the section in a few large
    // reads, not with a seek and a read or two for each resource, and
    // still finds what lies past them.
    Psd s;
    s.width = s.height = 1;
    s.resources.assign(100000, Resource{1000, {}, {}});
    QByteArray icc(300000, '\0');
    for (int i = 0; i < icc.size(); ++i)
        icc[i] = char(i * 7);
    s.resources.push_back({1039, icc, "profile"});
    s.resources.push_back({1005, Resolution(150, 300), {}});
    const QString path = Put(Build(s), "many.psd");
    int read = -1;
    const int64_t calls = readcost::SystemCallsOf(
        [&] {
            TDib *p = nullptr;
            return ctx->ReadImageFile(path, &p, 0, 0, false) ? 1 : 0;
        },
        &read);
    if (calls == -2)
        GTEST_SKIP() << "this machine does not let a test trace its child";
    EXPECT_EQ(read, 1);
    EXPECT_GE(calls, 0) << "the read died";
    EXPECT_LT(calls, 500);
    ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
    EXPECT_EQ(pic->dpiX, 150);
    EXPECT_EQ(pic->dpiY, 300);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), pic->icc ? int(pic->iccSize) : 0), icc);
    EXPECT_EQ(RgbAt(*pic, 0, 0), Expected(s, 0, 0));
}

TEST_F(PsdRead, BlocksKeptOnlyWithinTheReadsMemory)
{
    // A profile is held beside the picture: one that does not fit what the
    // read may hold is left out, and the document is still read.
    ctx->budget.workingSet = 64 << 10;
    for (const int size : {1000, 100 << 10}) {
        SCOPED_TRACE(size);
        Psd s;
        s.resources = {{1039, QByteArray(size, 'p'), {}}, {1005, Resolution(300, 300), {}}};
        ASSERT_TRUE(Read(Build(s), "p.psd"));
        EXPECT_EQ(pic->icc != nullptr, size == 1000);
        EXPECT_EQ(pic->dpiX, 300);
    }
}

TEST_F(PsdRead, MetadataBlocksFollowTheKeepFlagsAndPreview)
{
    Psd s;
    s.resources = {{1028, Bytes("iptc"), {}}, {1039, Bytes("icc!"), {}}, {1058, Bytes("MM\0*x"), {}},
                   {1060, Bytes("<xmp/>"), {}}};
    const QByteArray file = Build(s);
    struct Case { bool keep, preview; };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message() << "keep " << c.keep << ", preview " << c.preview);
        ctx->keepPhotoshop = ctx->keepExif = ctx->keepXmp = c.keep;
        ctx->previewMode = c.preview;
        ASSERT_TRUE(Read(file, "p.psd"));
        auto block = [](const uint8_t *p, uint32_t n) {
            return p ? QByteArray(reinterpret_cast<const char *>(p), int(n)) : QByteArray("none");
        };
        const bool kept = c.keep && !c.preview;
        EXPECT_EQ(block(pic->icc, pic->iccSize), c.preview ? QByteArray("none") : Bytes("icc!"));
        EXPECT_EQ(block(pic->photoshop, pic->photoshopSize), kept ? Bytes("iptc") : QByteArray("none"));
        EXPECT_EQ(block(pic->exif, pic->exifSize), kept ? Bytes("MM\0*x\x99") : QByteArray("none"));
        EXPECT_EQ(block(pic->xmp, pic->xmpSize), kept ? Bytes("<xmp/>") : QByteArray("none"));
    }
}

TEST_F(PsdRead, HeaderOnly)
{
    Psd s;
    s.resources = {{1005, Resolution(300, 300), {}}, {1039, Bytes("icc!"), {}}};
    s.cutAt = Build(s).size() - 10; // pixels are not read
    EXPECT_TRUE(Read(Build(s), "p.psd", 0, 0, true));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), int(pic->iccSize)), Bytes("icc!"));
    EXPECT_EQ(pic->width, 1);

    EXPECT_FALSE(Read(Bytes("GIF89a\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"), "p.psd", 0, 0, true));
    Psd lab;
    lab.mode = 9;
    EXPECT_FALSE(Read(Build(lab), "p.psd", 0, 0, true));
}

TEST_F(PsdRead, Refusals)
{
    struct Case { const char *name; Psd s; };
    std::vector<Case> cases;
    auto add = [&](const char *name, auto change) {
        Psd s;
        change(s);
        cases.push_back({name, s});
    };
    add("Lab", [](Psd &s) { s.mode = 9; });
    add("bitmap mode", [](Psd &s) { s.mode = 0; s.channels = 1; });
    add("multichannel", [](Psd &s) { s.mode = 7; });
    add("RGB with 2 channels", [](Psd &s) { s.channels = 2; });
    add("CMYK with 3 channels", [](Psd &s) { s.mode = 4; s.channels = 3; });
    add("no channels", [](Psd &s) { s.channels = 0; });
    add("25 channels", [](Psd &s) { s.channels = 25; });
    add("1 bit", [](Psd &s) { s.depth = 1; });
    add("32 bits", [](Psd &s) { s.depth = 32; });
    add("width 0", [](Psd &s) { s.width = 0; });
    add("height 0", [](Psd &s) { s.height = 0; });
    add("large document (version 2)", [](Psd &s) { s.version = 2; });
    add("signature", [](Psd &s) { s.signature = "8BPX"; });
    add("zip compression", [](Psd &s) { s.compression = 2; });
    add("zip with prediction", [](Psd &s) { s.compression = 3; });
    add("indexed without a palette", [](Psd &s) { s.mode = 2; s.channels = 1; });
    add("palette of 771 bytes", [](Psd &s) { s.mode = 2; s.channels = 1; s.colourData = Palette(257); });
    add("palette not a multiple of 3", [](Psd &s) { s.mode = 2; s.channels = 1; s.colourData = Palette(16).left(47); });
    add("colour data past the end", [](Psd &s) { s.colourLength = 1 << 20; });
    add("resources past the end", [](Psd &s) { s.resourceLength = 0xFFFFFFFF; });
    add("layers past the end", [](Psd &s) { s.layerLength = 1 << 20; });
    add("header cut", [](Psd &s) { s.cutAt = 25; });
    add("raw rows cut short", [](Psd &s) { s.cutAt = Build(s).size() - 1; });
    add("PackBits rows cut short", [](Psd &s) { s.compression = 1; s.cutAt = Build(s).size() - 1; });
    add("PackBits table cut short", [](Psd &s) { s.compression = 1; s.cutAt = Build(s).size() - 9 * 7 - 1; });
    for (const Case &c : cases) {
        EXPECT_FALSE(Read(Build(c.s), "p.psd")) << c.name;
        EXPECT_NE(pic, nullptr) << c.name;
    }
}

TEST_F(PsdRead, CorruptPackBitsRowsFail)
{
    // 4 x 1 grey, PackBits: one row, its byte count and its bytes.
    auto file = [](const QByteArray &count, const QByteArray &row) {
        Psd s;
        s.mode = 1;
        s.channels = 1;
        s.width = 4;
        s.height = 1;
        s.compression = 0;
        s.channelsWritten = 0;
        QByteArray b = Build(s);
        b[b.size() - 1] = 1; // PackBits
        return b + count + row;
    };
    struct Case { const char *name; QByteArray count, row; bool ok; };
    const Case cases[] = {
        {"literal", Bytes("\0\5"), Bytes("\3abcd"), true},
        {"repeat and literal", Bytes("\0\4"), Bytes("\xFEx\0y"), true},
        {"-128 is skipped", Bytes("\0\6"), Bytes("\x80\3abcd"), true},
        {"run past the row end", Bytes("\0\2"), Bytes("\xFBx"), false},
        {"literal past the row end", Bytes("\0\6"), Bytes("\4abcde"), false},
        {"row count shorter than its data", Bytes("\0\3"), Bytes("\3abcd"), false},
        {"row count past the file", Bytes("\1\0"), Bytes("\3abcd"), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Read(file(c.count, c.row), "p.psd"), c.ok) << c.name;
}

TEST_F(PsdRead, HostileSizesRefusedBeforeAllocation)
{
    struct Case { const char *name; uint32_t width, height; int compression; };
    const Case cases[] = {
        {"4G square", 0xFFFFFFFF, 0xFFFFFFFF, 0},
        {"2^31 x 1", 0x80000000, 1, 0},
        {"16000 square raw", 16000, 16000, 0},
        {"16000 square PackBits", 16000, 16000, 1},
        {"PackBits row of 20 million", 20000000, 1, 1},
    };
    for (const Case &c : cases) {
        Psd s;
        s.width = c.width;
        s.height = c.height;
        s.compression = c.compression;
        ExpectRefusedBeforeAllocation(Build(s) + QByteArray(4096, '\x01'), "big.psd", c.name);
    }
}

TEST_F(PsdRead, ReducedReadTakesTheSampledPixels)
{
    for (int compression : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "compression " << compression);
        Psd s;
        s.mode = 1;
        s.channels = 2;
        s.width = 3000;
        s.height = 1000;
        s.compression = compression;
        ExpectRead(
            Build(s), "p.psd", 3000, 1000, 600, 600, 600, 200, [&](int x, int y) { return Expected(s, x, y); },
            [&](int x, int y) { return Byte(s, 1, x, y); });
    }
}

// Reads path in a child process whose data may grow by cap bytes, and
// gives the growth of its resident memory during the read in MB (at most
// 200), or 255 when the read did not fail and 254 when it left more than
// the 1 x 1 picture.
int PeakMbOfRefusedRead(VlmImgUt::TImgUt &ctx, const QString &path, int boxW, int boxH, size_t cap)
{
    return testutil::RunUnderMemoryCap(cap, [&] {
        readcost::ResetPeak();
        const size_t before = testutil::StatusBytes("VmRSS:");
        TDib *p = nullptr;
        if (ctx.ReadImageFile(path, &p, boxW, boxH, false))
            return 255;
        if (!p || p->width != 1 || p->height != 1)
            return 254;
        const size_t peak = testutil::StatusBytes("VmHWM:");
        return int(std::min<size_t>(200, (peak > before ? peak - before : 0) >> 20));
    });
}

TEST_F(PsdRead, RowsWiderThanAPictureRefusedWithoutAllocating)
{
    // The listed files (a 1 GiB row of 8 bits, a 4 GiB row of 16) and
    // smaller ones whose row would still fit the cap: each is refused with
    // no more memory than a few windows.
    std::vector<hostile::TCase> cases;
    for (hostile::TCase &c : hostile::PsdCases())
        if (c.refused)
            cases.push_back(std::move(c));
    for (const auto &[width, depth] : {std::pair<int64_t, int>{(int64_t(1) << 28) + (1 << 20), 8},
                                       std::pair<int64_t, int>{(int64_t(1) << 27) + (1 << 19), 16}}) {
        hostile::TCase c;
        c.name = depth == 8 ? "8 bits, a 257 MB row" : "16 bits, a 257 MB row";
        c.refused = true;
        c.write = [width = width, depth = depth](const QString &path) {
            return hostile::WritePackBitsRow(path, width, depth);
        };
        cases.push_back(c);
    }
    for (const hostile::TCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << ", box " << c.boxWidth << " x " << c.boxHeight);
        ASSERT_TRUE(c.refused);
        const QString path = tmp.path() + "/hostile.psd";
        ASSERT_TRUE(c.write(path));
        const int mb = PeakMbOfRefusedRead(*ctx, path, c.boxWidth, c.boxHeight, size_t(600) << 20);
        EXPECT_LT(mb, 16) << "255: read, 254: picture made, else MB";
        QFile::remove(path);
    }
}

TEST_F(PsdRead, RowsLongerThanAWindow)
{
    // 16-bit grey with alpha, 40000 samples a row (80000 bytes), raw and
    // PackBits (runs between the literals keep a row within its 16-bit byte
    // count), read whole and into a box.
    for (int compression : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "compression " << compression);
        Psd s;
        s.mode = 1;
        s.channels = 2;
        s.depth = 16;
        s.width = 40000;
        s.height = 3;
        s.compression = compression;
        s.sample = [](int c, int x, int y) { return uint32_t(x / 300 % 2 ? Sample16(c, x, y) : 0x4040u * uint32_t(c + 1)); };
        ExpectRead(
            Build(s), "p.psd", 40000, 3, 0, 0, 40000, 3, [&](int x, int y) { return Expected(s, x, y); },
            [&](int x, int y) { return Byte(s, 1, x, y); });
        s.height = 100;
        ExpectRead(
            Build(s), "p.psd", 40000, 100, 500, 50, 500, 1, [&](int x, int y) { return Expected(s, x, y); },
            [&](int x, int y) { return Byte(s, 1, x, y); });
    }
}

TEST(UnpackBits, Rows)
{
    struct Case { const char *name; QByteArray src; int count; bool ok; QByteArray want; };
    const Case cases[] = {
        {"literal", Bytes("\2abc"), 3, true, "abc"},
        {"repeat", Bytes("\xFDz"), 4, true, "zzzz"},
        {"longest repeat", Bytes("\x81q"), 128, true, QByteArray(128, 'q')},
        {"-128 skipped", Bytes("\x80\x80\0a"), 1, true, "a"},
        {"mixed", Bytes("\1ab\xFF" "c"), 4, true, "abcc"},
        {"extra input left", Bytes("\0a\0b"), 1, true, "a"},
        {"repeat past the end", Bytes("\xFDz"), 3, false, {}},
        {"literal past the end", Bytes("\2abc"), 2, false, {}},
        {"input runs out", Bytes("\2ab"), 3, false, {}},
        {"no value after a repeat", Bytes("\xFD"), 4, false, {}},
        {"empty input", QByteArray(), 1, false, {}},
    };
    for (const Case &c : cases) {
        QByteArray dst(c.count, '\0');
        const bool ok = UnpackBits(reinterpret_cast<const uint8_t *>(c.src.constData()), size_t(c.src.size()),
                                   reinterpret_cast<uint8_t *>(dst.data()), c.count);
        EXPECT_EQ(ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(dst, c.want) << c.name;
        }
    }
}

} // namespace
