// The reader of codes 5, 7, 8 and 9: JPEG 2000 files and code streams made
// here with OpenJPEG and compared with OpenJPEG's own decode, and the choice
// of reader by the file's content.
#include "reader_fixture.h"

#include <QBuffer>
#include <QImage>
#include <openjpeg.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

using J2k = pictures::Jpeg2000Spec;

using Decoded = pictures::Jpeg2000Samples;

// The file made by OpenJPEG, stored at path.
QByteArray Encode(const QString &path, const J2k &s)
{
    EXPECT_TRUE(pictures::WriteJpeg2000(path.toStdString(), s));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// A sample as 8 bits: signed ones offset by half their range, deeper or
// shallower ones scaled to 0..255, rounded.
uint8_t To8(const Decoded::Comp &c, int x, int y)
{
    const int i = std::min(y / c.dy, c.h - 1) * c.w + std::min(x / c.dx, c.w - 1);
    const double max = std::ldexp(1.0, c.prec) - 1;
    const double v = c.data[size_t(i)] + (c.sgnd ? std::ldexp(1.0, c.prec - 1) : 0.0);
    return uint8_t(std::lround(std::clamp(v, 0.0, max) * 255.0 / max));
}

// The picture pixel the library's samples give: three components as red,
// green and blue, fewer as grey from the first.
Rgb Expected(const Decoded &d, int x, int y)
{
    if (d.comps.size() >= 3)
        return {To8(d.comps[0], x, y), To8(d.comps[1], x, y), To8(d.comps[2], x, y)};
    const uint8_t g = To8(d.comps[0], x, y);
    return {g, g, g};
}

class Jpeg2000Read : public ReaderTest {
protected:
    // Encodes s, reads it back under name and compares every pixel with
    // OpenJPEG's decode.
    void ExpectAsOpenJpeg(const J2k &s, const QString &name)
    {
        const QByteArray bytes = Encode(tmp.path() + "/made", s);
        const Decoded d = pictures::DecodeJpeg2000((tmp.path() + "/made").toStdString(), s.format);
        ASSERT_TRUE(d.ok);
        ExpectRead(bytes, name, s.width, s.height, 0, 0, s.width, s.height,
                   [&](int x, int y) { return Expected(d, x, y); });
        EXPECT_EQ(pic->dpiX, 72);
    }
};

TEST_F(Jpeg2000Read, ComponentsAndPrecisionsAsOpenJpegDecodes)
{
    struct Case { const char *name; J2k s; };
    std::vector<Case> cases;
    auto add = [&](const char *name, auto change) {
        J2k s;
        change(s);
        cases.push_back({name, s});
    };
    add("RGB", [](J2k &) {});
    add("RGB code stream", [](J2k &s) { s.format = OPJ_CODEC_J2K; });
    add("grey to all three channels", [](J2k &s) { s.comps = 1; });
    add("two components: grey from the first", [](J2k &s) { s.comps = 2; });
    add("four components: the fourth not read", [](J2k &s) { s.comps = 4; });
    add("12 bits scaled", [](J2k &s) { s.prec = 12; s.sample = [](int c, int x, int y) { return (x * 577 + y * 911 + c * 1301) % 4096; }; });
    add("16 bits signed offset", [](J2k &s) {
        s.prec = 16;
        s.sgnd = true;
        s.sample = [](int c, int x, int y) { return (x * 9001 + y * 7919 + c * 4099) % 65536 - 32768; };
    });
    add("4 bits scaled up", [](J2k &s) { s.prec = 4; s.comps = 1; s.sample = [](int, int x, int y) { return (x + 3 * y) % 16; }; });
    add("1 bit", [](J2k &s) { s.prec = 1; s.comps = 1; s.sample = [](int, int x, int y) { return (x + y) % 2; }; });
    add("colour sub-sampled by 2", [](J2k &s) { s.subsample = 2; s.width = 9; s.height = 7; });
    add("lossy with the colour transform", [](J2k &s) { s.rate = 8; s.width = 40; s.height = 33; });
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ExpectAsOpenJpeg(c.s, c.s.format == OPJ_CODEC_JP2 ? "p.jp2" : "p.jpc");
    }
}

TEST_F(Jpeg2000Read, ContentDecidesForEveryCodeButJp2)
{
    J2k rgb;
    const QByteArray jp2 = Encode(tmp.path() + "/jp2", rgb);
    rgb.format = OPJ_CODEC_J2K;
    const QByteArray j2k = Encode(tmp.path() + "/j2k", rgb);
    const Decoded want = pictures::DecodeJpeg2000((tmp.path() + "/jp2").toStdString(), OPJ_CODEC_JP2);
    ASSERT_TRUE(want.ok);

    QByteArray pnm = "P6\n7 5\n255\n";
    QByteArray ras;
    for (uint32_t v : {0x59A66A95u, 7u, 5u, 24u, 0u, 1u, 0u, 0u})
        PutBE32(ras, v);
    QImage picture(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const Rgb c = Expected(want, x, y);
            picture.setPixel(x, y, qRgb(c.r, c.g, c.b));
            pnm.append(char(c.r)).append(char(c.g)).append(char(c.b));
            ras.append(char(c.b)).append(char(c.g)).append(char(c.r));
        }
        ras.append('\0'); // 21 bytes padded to 22
    }
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "BMP"));

    struct Case { const char *what; QByteArray bytes; const char *name; bool ok; };
    const Case cases[] = {
        {"JP2", jp2, "p.jp2", true},       {"JP2", jp2, "p.j2k", true},       {"JP2", jp2, "p.jpc", true},
        {"JP2", jp2, "p.ppm", true},       {"JP2", jp2, "p.ras", true},
        {"code stream", j2k, "p.jpc", true}, {"code stream", j2k, "p.ppm", true},
        {"code stream", j2k, "p.ras", true}, {"code stream", j2k, "p.J2K", false},
        {"code stream", j2k, "p.jp2", false},
        {"PNM", pnm, "p.ppm", true},       {"PNM", pnm, "p.jpc", true},       {"PNM", pnm, "p.ras", true},
        {"PNM", pnm, "p.j2k", false},
        {"Sun raster", ras, "p.ras", true}, {"Sun raster", ras, "p.ppm", true}, {"Sun raster", ras, "p.jpc", true},
        {"Sun raster", ras, "p.jp2", false},
        {"BMP", bmp, "p.ppm", true},       {"BMP", bmp, "p.jpc", true},       {"BMP", bmp, "p.ras", true},
        {"BMP", bmp, "p.j2k", false},
        {"MIF", QByteArray("MIF\nncmpts 1\ncomponent tlx=0 tly=0 sampperx=1 samppery=1 width=7 height=5 prec=8 sgnd=0 data=x\nend\n"), "p.jpc", false},
        {"PGX", Bytes("PG ML + 8 7 5\n") + QByteArray(35, '\x10'), "p.j2k", false},
        {"text", QByteArray("just some text"), "p.ras", false},
        {"nothing", QByteArray(), "p.jpc", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << " named " << c.name);
        ASSERT_EQ(Read(c.bytes, c.name), c.ok);
        if (!c.ok)
            continue;
        ASSERT_EQ(pic->width, 7);
        ASSERT_EQ(pic->height, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(RgbAt(*pic, x, y), Expected(want, x, y)) << x << "," << y;
    }
}

TEST_F(Jpeg2000Read, JpegContentGoesToTheJpegReader)
{
    pictures::JpegSpec spec;
    spec.width = 13;
    spec.height = 9;
    const QByteArray jpeg = pictures::WriteJpeg(spec);
    pictures::Rgba want;
    ASSERT_TRUE(pictures::DecodeJpeg(jpeg, 8, want));
    for (const char *name : {"p.jpc", "p.ppm", "p.ras"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Read(jpeg, name));
        EXPECT_EQ(pictures::Mismatches(*pic, want, false), 0);
    }
    EXPECT_FALSE(Read(jpeg, "p.j2k"));
}

TEST_F(Jpeg2000Read, ReducedReadTakesTheSampledPixels)
{
    J2k s;
    s.width = 2000;
    s.height = 1000;
    s.comps = 1;
    s.sample = [](int, int x, int y) { return (x * 7 + y * 13) % 256; };
    const QByteArray bytes = Encode(tmp.path() + "/made", s);
    const Decoded d = pictures::DecodeJpeg2000((tmp.path() + "/made").toStdString(), OPJ_CODEC_JP2);
    ASSERT_TRUE(d.ok);

    ExpectRead(bytes, "p.jp2", 2000, 1000, 400, 400, 400, 200, [&](int x, int y) { return Expected(d, x, y); });

    ASSERT_TRUE(Read(bytes, "p.jp2", 400, 1200));
    EXPECT_EQ(pic->width, 2000);
    EXPECT_EQ(pic->height, 1000);
}

TEST_F(Jpeg2000Read, ManyComponentsReadInBandsAsOpenJpegDecodes)
{
    // With a colour transform every component is decoded: forty of them
    // are more than the library may hold whole, so it decodes bands of
    // rows, lossy; at full size and reduced. Only the first three carry a
    // picture, so that it codes quickly.
    J2k s;
    s.format = OPJ_CODEC_J2K;
    s.width = 2048;
    s.height = 301;
    s.comps = 40;
    s.colourTransform = 1;
    s.rate = 20;
    s.resolutions = 4;
    s.sample = [](int c, int x, int y) { return c < 3 ? (x * 13 + y * 29 + c * 71 + (x / 7) * (y / 5)) % 256 : 0; };
    const QByteArray bytes = Encode(tmp.path() + "/made", s);
    const Decoded d = pictures::DecodeJpeg2000((tmp.path() + "/made").toStdString(), s.format);
    ASSERT_TRUE(d.ok);
    auto expected = [&](int x, int y) { return Expected(d, x, y); };
    ExpectRead(bytes, "p.jpc", s.width, s.height, 0, 0, s.width, s.height, expected);
    ExpectRead(bytes, "p.jpc", s.width, s.height, 1000, 100, 680, 100, expected);
}

TEST_F(Jpeg2000Read, DamagedFilesFail)
{
    J2k s;
    s.width = 40;
    s.height = 30;
    const QByteArray jp2 = Encode(tmp.path() + "/jp2", s);
    s.format = OPJ_CODEC_J2K;
    const QByteArray j2k = Encode(tmp.path() + "/j2k", s);
    const std::pair<const char *, QByteArray> cases[] = {
        {"JP2 cut in its code stream", jp2.left(jp2.size() * 2 / 3)},
        {"JP2 cut after its header boxes", jp2.left(jp2.indexOf("jp2c") + 20)},
        {"code stream cut in half", j2k.left(j2k.size() / 2)},
        {"code stream without its end marker", j2k.left(j2k.size() - 2)},
    };
    for (const auto &[name, bytes] : cases)
        EXPECT_FALSE(Read(bytes, name[0] == 'J' ? "p.jp2" : "p.jpc")) << name;
}

TEST_F(Jpeg2000Read, HostileSizesRefusedBeforeDecoding)
{
    // A small code stream whose size marker claims a larger image, as one
    // tile of that size: the header alone decides.
    J2k s;
    s.format = OPJ_CODEC_J2K;
    const QByteArray small = Encode(tmp.path() + "/small", s);
    auto claim = [&](uint32_t width, uint32_t height) {
        QByteArray b = small;
        const int siz = b.indexOf(Bytes("\xFF\x51"));
        QByteArray v;
        PutBE32(v, width);
        PutBE32(v, height);
        b.replace(siz + 6, 8, v);  // Xsiz, Ysiz
        b.replace(siz + 22, 8, v); // XTsiz, YTsiz
        return b;
    };
    const std::pair<const char *, QByteArray> cases[] = {
        {"60000 square", claim(60000, 60000)},
        {"past the record's cap", claim(20000, 20000)},
        {"12000 square in three components", claim(12000, 12000)},
    };
    for (const auto &[name, bytes] : cases)
        ExpectRefusedBeforeAllocation(bytes, "big.jpc", name);
}

} // namespace
