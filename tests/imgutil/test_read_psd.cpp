// The Photoshop reader (".psd", reader code 10) and PackBits rows, on
// documents written here byte by byte.
#include "hostile_writers.h"
#include "memory_cap.h"
#include "reader_fixture.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <cstdio>

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

struct Resource {
    int id;
    QByteArray data;
    QByteArray name; // Pascal string contents
};

struct Psd {
    QByteArray signature = "8BPS";
    int version = 1;
    int channels = 3;
    uint32_t width = 5, height = 3;
    int depth = 8;
    int mode = 3;                   // 1 grey, 2 indexed, 3 RGB, 4 CMYK, 8 duotone
    QByteArray colourData;          // colour mode data section
    std::vector<Resource> resources;
    int64_t resourceLength = -1;    // header value; -1: what is written
    int64_t colourLength = -1;
    int64_t layerLength = -1;
    QByteArray layers = Bytes("\0\0\0\0layers");
    int compression = 0;            // 0 raw, 1 PackBits
    int channelsWritten = -1;       // -1: channels
    // Sample of channel c at (x, y): 8 bits, or 16 bits.
    std::function<uint32_t(int, int, int)> sample = [](int c, int x, int y) {
        return uint32_t((x * 40 + y * 70 + c * 90) & 255);
    };
    int64_t cutAt = -1;
};

uint32_t Sample16(int c, int x, int y)
{
    return uint32_t((x * 4099 + y * 7001 + c * 12007) & 0xFFFF);
}

// Encodes one row: runs of 3 or more as repeats, the rest as literals.
QByteArray PackBits(const QByteArray &row)
{
    QByteArray out;
    int i = 0;
    while (i < row.size()) {
        int n = 1;
        while (i + n < row.size() && row[i + n] == row[i] && n < 128)
            ++n;
        if (n >= 3) {
            out.append(char(1 - n));
            out.append(row[i]);
            i += n;
            continue;
        }
        int k = 0;
        while (i + k < row.size() && k < 128 &&
               !(i + k + 2 < row.size() && row[i + k] == row[i + k + 1] && row[i + k] == row[i + k + 2]))
            ++k;
        out.append(char(k - 1));
        out.append(row.mid(i, k));
        i += k;
    }
    return out;
}

QByteArray ResourceSection(const std::vector<Resource> &list)
{
    QByteArray b;
    for (const Resource &r : list) {
        b.append("8BIM");
        PutBE16(b, uint32_t(r.id));
        b.append(char(r.name.size()));
        b.append(r.name);
        if ((1 + r.name.size()) % 2)
            b.append('\0');
        PutBE32(b, uint32_t(r.data.size()));
        b.append(r.data);
        if (r.data.size() % 2)
            b.append('\x99'); // pad
    }
    return b;
}

QByteArray ChannelRow(const Psd &s, int c, int y)
{
    QByteArray row;
    for (uint32_t x = 0; x < s.width; ++x) {
        const uint32_t v = s.sample(c, int(x), y);
        if (s.depth == 16)
            PutBE16(row, v);
        else
            row.append(char(v));
    }
    return row;
}

QByteArray Build(const Psd &s)
{
    QByteArray b = s.signature;
    PutBE16(b, uint32_t(s.version));
    b.append(QByteArray(6, '\0'));
    PutBE16(b, uint32_t(s.channels));
    PutBE32(b, s.height);
    PutBE32(b, s.width);
    PutBE16(b, uint32_t(s.depth));
    PutBE16(b, uint32_t(s.mode));
    PutBE32(b, uint32_t(s.colourLength >= 0 ? s.colourLength : s.colourData.size()));
    b.append(s.colourData);
    const QByteArray res = ResourceSection(s.resources);
    PutBE32(b, uint32_t(s.resourceLength >= 0 ? s.resourceLength : res.size()));
    b.append(res);
    PutBE32(b, uint32_t(s.layerLength >= 0 ? s.layerLength : s.layers.size()));
    b.append(s.layers);
    PutBE16(b, uint32_t(s.compression));
    const int written = s.channelsWritten >= 0 ? s.channelsWritten : s.channels;
    if (s.width * uint64_t(s.height) <= 4000000) {
        std::vector<QByteArray> rows;
        for (int c = 0; c < written; ++c)
            for (uint32_t y = 0; y < s.height; ++y)
                rows.push_back(s.compression == 1 ? PackBits(ChannelRow(s, c, int(y))) : ChannelRow(s, c, int(y)));
        if (s.compression == 1) {
            for (int c = 0; c < s.channels; ++c)
                for (uint32_t y = 0; y < s.height; ++y) {
                    const size_t i = size_t(c) * s.height + y;
                    PutBE16(b, i < rows.size() ? uint32_t(rows[i].size()) : 0);
                }
        }
        for (const QByteArray &r : rows)
            b.append(r);
    }
    if (s.cutAt >= 0)
        b.truncate(int(s.cutAt));
    return b;
}

QByteArray Palette(int entries)
{
    QByteArray p;
    for (int plane = 0; plane < 3; ++plane)
        for (int i = 0; i < entries; ++i)
            p.append(char(plane == 0 ? 10 * i + 5 : plane == 1 ? 255 - 9 * i : 3 * i));
    return p;
}

QByteArray Resolution(int dpiX, int dpiY)
{
    QByteArray r;
    PutBE32(r, uint32_t(dpiX) << 16 | 0x8000); // 16.16 fixed point
    PutBE16(r, 1);
    PutBE16(r, 1);
    PutBE32(r, uint32_t(dpiY) << 16);
    PutBE16(r, 1);
    PutBE16(r, 1);
    return r;
}

// The byte a sample gives: 16 bits are (v + 127) / 256, at most 255.
int Byte(const Psd &s, int c, int x, int y)
{
    const uint32_t v = s.sample(c, x, y);
    return s.depth == 8 ? int(v) : std::min(255, int((v + 127) / 256));
}

Rgb Expected(const Psd &s, int x, int y)
{
    switch (s.mode) {
    case 3:
        return {uint8_t(Byte(s, 0, x, y)), uint8_t(Byte(s, 1, x, y)), uint8_t(Byte(s, 2, x, y))};
    case 4: {
        const uint32_t v = s.sample(3, x, y);
        const int k = s.depth == 8 ? int(v) : int((v + 127) / 256);
        return {uint8_t(Byte(s, 0, x, y) * k / 256), uint8_t(Byte(s, 1, x, y) * k / 256),
                uint8_t(Byte(s, 2, x, y) * k / 256)};
    }
    case 2: {
        const int n = s.colourData.size() / 3, i = Byte(s, 0, x, y);
        if (i >= n)
            return {0, 0, 0};
        const auto *p = reinterpret_cast<const uint8_t *>(s.colourData.constData());
        return {p[i], p[n + i], p[2 * n + i]};
    }
    default: {
        const uint8_t g = uint8_t(Byte(s, 0, x, y));
        return {g, g, g};
    }
    }
}

int AlphaChannel(const Psd &s)
{
    if (s.mode == 1 && s.channels > 1)
        return 1;
    if (s.mode == 3 && s.channels > 3)
        return 3;
    if (s.mode == 4 && s.channels > 4)
        return 4;
    return -1;
}

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
    struct Case { const char *name; int mode, channels; int paletteEntries; };
    const Case cases[] = {
        {"RGB", 3, 3, 0},          {"RGB with alpha", 3, 4, 0},  {"grey", 1, 1, 0},
        {"grey with alpha", 1, 2, 0}, {"grey, extra channels", 1, 3, 0},
        {"indexed", 2, 1, 200},    {"indexed, 16 entries", 2, 1, 16},
        {"CMYK", 4, 4, 0},         {"CMYK with alpha", 4, 5, 0}, {"duotone", 8, 1, 0},
        {"duotone, extra channel", 8, 2, 0},
    };
    for (const Case &c : cases)
        for (int depth : {8, 16})
            for (int compression : {0, 1})
                for (uint32_t width : {1u, 7u}) {
                    SCOPED_TRACE(testing::Message() << c.name << ", " << depth << " bits, compression "
                                                    << compression << ", width " << width);
                    Psd s;
                    s.mode = c.mode;
                    s.channels = c.channels;
                    s.depth = depth;
                    s.compression = compression;
                    s.width = width;
                    s.colourData = Palette(c.paletteEntries);
                    if (depth == 16)
                        s.sample = Sample16;
                    if (c.mode == 2 && depth == 16) // entry numbers from 16-bit samples
                        s.sample = [](int ch, int x, int y) { return uint32_t(Sample16(ch, x, y) & 0xC7FF); };
                    ExpectPicture(s);
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
        // The peak starts again from here.
        if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
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
    std::vector<hostile::TCase> cases = hostile::PsdCases();
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
