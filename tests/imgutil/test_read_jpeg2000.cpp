// The reader of codes 5, 7, 8 and 9: JPEG 2000 files and code streams made
// here with OpenJPEG and compared with OpenJPEG's own decode, and the choice
// of reader by the file's content.
#include "reader_fixture.h"

#include <QBuffer>
#include <QImage>
#include <openjpeg.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace hostile {
QByteArray EmptyTileJpeg2000(uint32_t width, uint32_t height, bool jp2);
}

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

// The sample of component c that picture pixel (x, y) takes: the one at or
// before the first component's sample on the reference grid.
int SampleAt(const Decoded &d, size_t c, int x, int y)
{
    const Decoded::Comp &f = d.comps[0], &k = d.comps[c];
    const int64_t cx = std::clamp<int64_t>((f.x0 + x) * f.dx / k.dx - k.x0, 0, k.w - 1);
    const int64_t cy = std::clamp<int64_t>((f.y0 + y) * f.dy / k.dy - k.y0, 0, k.h - 1);
    return k.data[size_t(cy * k.w + cx)];
}

// A sample as 8 bits: signed ones offset by half their range, deeper or
// shallower ones scaled to 0..255, rounded.
uint8_t To8(const Decoded &d, size_t c, int x, int y)
{
    const Decoded::Comp &k = d.comps[c];
    const double max = std::ldexp(1.0, k.prec) - 1;
    const double v = SampleAt(d, c, x, y) + (k.sgnd ? std::ldexp(1.0, k.prec - 1) : 0.0);
    return uint8_t(std::lround(std::clamp(v, 0.0, max) * 255.0 / max));
}

// The picture pixel the library's samples give: three components as red,
// green and blue, fewer as grey from the first.
Rgb Expected(const Decoded &d, int x, int y)
{
    if (d.comps.size() >= 3)
        return {To8(d, 0, x, y), To8(d, 1, x, y), To8(d, 2, x, y)};
    const uint8_t g = To8(d, 0, x, y);
    return {g, g, g};
}

// The encoder's parameters as opj_compress sets them from its flags: -t
// tile size, -T tile origin, -d image origin, -n resolutions, -c precincts
// ("[w,h],[w,h]", the last halved for the lower levels), -b code-block,
// -p progression, -r rates of the layers, -I irreversible, -TP tile parts,
// -SOP, -EPH, -M code-block modes, -mct colour transform. Without -r the
// file is lossless in one layer.
J2k FromFlags(int width, int height, int comps, const std::string &flags)
{
    J2k s;
    s.width = width;
    s.height = height;
    s.comps = comps;
    s.sample = [](int c, int x, int y) { return (x * 37 + y * 59 + c * 71 + (x / 5) * (y / 3)) % 256; };
    struct Tune {
        int tileW = 0, tileH = 0, tileX0 = 0, tileY0 = 0, blockW = 64, blockH = 64, modes = 0, csty = 0;
        char tileParts = 0;
        OPJ_PROG_ORDER order = OPJ_LRCP;
        std::vector<std::pair<int, int>> precincts;
        std::vector<float> rates;
        bool irreversible = false;
    } t;
    std::istringstream in(flags);
    std::string flag, v;
    while (in >> flag) {
        if (flag == "-I") {
            t.irreversible = true;
            continue;
        }
        if (flag == "-SOP" || flag == "-EPH") {
            t.csty |= flag == "-SOP" ? 0x02 : 0x04;
            continue;
        }
        in >> v;
        int a = 0, b = 0;
        const bool pair = std::sscanf(v.c_str(), "%d,%d", &a, &b) == 2;
        if (flag == "-t" && pair) {
            t.tileW = a;
            t.tileH = b;
        } else if (flag == "-T" && pair) {
            t.tileX0 = a;
            t.tileY0 = b;
        } else if (flag == "-d" && pair) {
            s.offsetX = uint32_t(a);
            s.offsetY = uint32_t(b);
        } else if (flag == "-b" && pair) {
            t.blockW = a;
            t.blockH = b;
        } else if (flag == "-n") {
            s.resolutions = std::stoi(v);
        } else if (flag == "-mct") {
            s.colourTransform = std::stoi(v);
        } else if (flag == "-M") {
            t.modes = std::stoi(v);
        } else if (flag == "-TP") {
            t.tileParts = v[0];
        } else if (flag == "-p") {
            const char *names[] = {"LRCP", "RLCP", "RPCL", "PCRL", "CPRL"};
            for (int k = 0; k < 5; ++k)
                if (v == names[k])
                    t.order = OPJ_PROG_ORDER(k);
        } else if (flag == "-c") {
            for (size_t at = 0; (at = v.find('[', at)) != std::string::npos; ++at)
                if (std::sscanf(v.c_str() + at, "[%d,%d]", &a, &b) == 2)
                    t.precincts.push_back({a, b});
        } else if (flag == "-r") {
            std::istringstream r(v);
            for (std::string rate; std::getline(r, rate, ',');)
                t.rates.push_back(std::stof(rate));
        } else {
            ADD_FAILURE() << "unknown flag " << flag;
        }
    }
    s.rate = t.rates.empty() ? 0 : t.rates[0];
    s.tune = [t](opj_cparameters_t &p) {
        if (t.tileW > 0) {
            p.tile_size_on = OPJ_TRUE;
            p.cp_tdx = t.tileW;
            p.cp_tdy = t.tileH;
        }
        p.cp_tx0 = t.tileX0;
        p.cp_ty0 = t.tileY0;
        p.cblockw_init = t.blockW;
        p.cblockh_init = t.blockH;
        p.prog_order = t.order;
        p.mode = t.modes;
        p.csty |= t.csty;
        if (!t.precincts.empty()) {
            p.csty |= 0x01;
            p.res_spec = int(t.precincts.size());
            for (size_t k = 0; k < t.precincts.size(); ++k) {
                p.prcw_init[k] = t.precincts[k].first;
                p.prch_init[k] = t.precincts[k].second;
            }
        }
        if (!t.rates.empty()) {
            p.tcp_numlayers = int(t.rates.size());
            for (size_t k = 0; k < t.rates.size(); ++k)
                p.tcp_rates[k] = t.rates[k];
        }
        p.irreversible = t.irreversible;
        if (t.tileParts) {
            p.tp_on = 1;
            p.tp_flag = t.tileParts;
        }
    };
    return s;
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

TEST_F(Jpeg2000Read, EncoderSettingsReadAsOpenJpegDecodes)
{
    // Files as opj_compress writes them from these flags, each read at full
    // size and compared with the library's own full decode: tiles of any
    // size and origin, image origins, resolutions, precincts halving down
    // to 1 x 1, every progression, layers, code-blocks, tile parts, markers
    // and code-block modes.
    struct Case { int width, height, comps; const char *flags; };
    const Case cases[] = {
        {211, 97, 3, "-t 16,16 -n 2"},
        {211, 97, 1, "-t 32,32 -n 3"},
        {211, 97, 3, "-t 33,17 -n 4"},
        {211, 97, 3, "-t 100,37"},
        {211, 97, 1, "-t 1000,7 -n 3"},
        {211, 97, 3, "-d 5,3 -t 40,40 -T 2,1"},
        {211, 97, 3, "-d 100,50 -t 64,64 -T 64,0"},
        {211, 97, 3, "-c [32,32]"},
        {211, 97, 3, "-c [32,32] -p RLCP"},
        {211, 97, 1, "-c [32,32] -p RPCL"},
        {211, 97, 3, "-c [32,32] -p PCRL"},
        {211, 97, 3, "-c [32,32] -p CPRL"},
        {211, 97, 3, "-c [64,64],[32,32]"},
        {211, 97, 3, "-c [128,128],[64,64],[32,32],[16,16]"},
        {211, 97, 3, "-p RLCP -c [64,64] -r 30,10"},
        {640, 480, 3, "-c [32,32] -p RPCL -t 128,96"},
        {640, 480, 1, "-c [16,16] -n 5 -b 8,8"},
        {300, 200, 3, "-b 16,256 -r 40,20,10 -p PCRL"},
        {300, 200, 3, "-b 128,32 -I -r 12"},
        {300, 200, 3, "-t 64,64 -TP R -p RPCL"},
        {300, 200, 3, "-t 64,64 -TP L -r 20,5"},
        {300, 200, 1, "-t 100,50 -TP C -p CPRL"},
        {300, 200, 3, "-SOP -EPH -M 63"},
        {300, 200, 4, "-t 64,64 -mct 0"},
        {300, 200, 4, "-t 64,64 -c [32,32] -p RPCL"},
        {300, 200, 3, "-d 1000,2000 -T 999,1999 -t 30,70 -n 4"},
        {257, 129, 3, "-d 7,9 -c [64,64],[16,16] -p PCRL -r 50,25,12,6"},
        {1, 1, 1, "-n 1"},
        {2, 1, 3, "-n 1"},
        {1, 5, 1, "-n 1 -t 1,2"},
        {1024, 768, 1, "-c [32,32] -p RPCL"},
        {2048, 1536, 3, "-t 256,256 -r 20,8"},
    };
    int k = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.comps << " " << c.flags);
        J2k s = FromFlags(c.width, c.height, c.comps, c.flags);
        s.format = k++ % 2 ? OPJ_CODEC_J2K : OPJ_CODEC_JP2;
        s.threads = 4;
        ExpectAsOpenJpeg(s, s.format == OPJ_CODEC_JP2 ? "p.jp2" : "p.jpc");
    }
}

TEST_F(Jpeg2000Read, ImageOriginsPast31BitsReadAsTheirTwins)
{
    // The library counts the grid in 32-bit ints and decodes no image whose
    // origin lies at 2^31 or beyond. Each file is its twin, made by the
    // library near the grid's origin, moved out by a multiple of 2^20 (the
    // largest precinct of the lowest level, 2^15, times its 2^5 scale), which
    // keeps every precinct, code-block and transform step in place: its
    // pixels are the twin's as the library decodes it. Read whole and in
    // bands of a small working set, as one tile, tiles in two columns and
    // tiles in many rows.
    struct Case { const char *name; uint32_t twinX, twinY, tileW, tileH; int64_t moveX, moveY; bool bands; };
    const int64_t G = int64_t(1) << 20;
    const Case cases[] = {
        {"one tile, x at 2^31 + 5", 5, 0, 0, 0, int64_t(1) << 31, 0, false},
        {"one tile, x at 2^31 + 5, in bands", 5, 0, 0, 0, int64_t(1) << 31, 0, true},
        {"one tile, both near 2^32", 3, 7, 0, 0, 4095 * G, 4094 * G, true},
        {"two tile columns, y at 3 x 2^30", 100, 3, 200, 512, 0, 3 * (int64_t(1) << 30), false},
        {"tiles of 64 x 64, both past 2^31", 9, 11, 64, 64, 2100 * G, 3000 * G, false},
        {"tiles of 64 x 64, both past 2^31, small working set", 9, 11, 64, 64, 2100 * G, 3000 * G, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        J2k s;
        s.format = OPJ_CODEC_J2K;
        s.width = 256;
        s.height = 1200;
        s.offsetX = c.twinX;
        s.offsetY = c.twinY;
        s.resolutions = 6;
        if (c.tileW)
            s.tune = [&c](opj_cparameters_t &p) {
                p.tile_size_on = OPJ_TRUE;
                p.cp_tdx = int(c.tileW);
                p.cp_tdy = int(c.tileH);
            };
        QByteArray bytes = Encode(tmp.path() + "/twin", s);
        const Decoded d = pictures::DecodeJpeg2000((tmp.path() + "/twin").toStdString(), s.format);
        ASSERT_TRUE(d.ok);
        // Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz, XTOsiz, YTOsiz.
        const int siz = bytes.indexOf(Bytes("\xFF\x4F\xFF\x51")) + 8;
        ASSERT_GE(siz, 8);
        auto move = [&](int field, int64_t by) {
            const uint8_t *p = reinterpret_cast<const uint8_t *>(bytes.constData()) + siz + 4 * field;
            const int64_t v = int64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
            QByteArray b;
            PutBE32(b, uint32_t(v + by));
            bytes.replace(siz + 4 * field, 4, b);
        };
        for (int field : {0, 2, 6})
            move(field, c.moveX);
        for (int field : {1, 3, 7})
            move(field, c.moveY);
        int pieces = 0;
        ctx->budget.onSpend = [&](const TReadBudget &) { ++pieces; };
        ctx->budget.workingSet = c.bands ? int64_t(6) << 20 : TReadBudget::DefaultWorkingSet;
        ExpectRead(bytes, "p.jpc", s.width, s.height, 0, 0, s.width, s.height, [&](int x, int y) { return Expected(d, x, y); });
        EXPECT_EQ(pieces > 1, c.bands) << pieces << " pieces decoded";
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

TEST_F(Jpeg2000Read, LargeSourcePreviewedFromAReducedResolution)
{
    // Beyond 2^22 pixels a preview takes the library's coarsest resolution
    // that still covers the record (here 1 / 8: 300 x 225 for 160 x 120),
    // sampled as a full-size source would be; below, the full resolution
    // (ReducedReadTakesTheSampledPixels).
    J2k s;
    s.format = OPJ_CODEC_J2K;
    s.width = 2400;
    s.height = 1800;
    s.comps = 1;
    s.threads = 4;
    s.sample = [](int, int x, int y) { return (x * 7 + y * 13 + (x / 9) * (y / 11)) % 256; };
    const QByteArray bytes = Encode(tmp.path() + "/made", s);
    const Decoded d = pictures::DecodeJpeg2000((tmp.path() + "/made").toStdString(), s.format, 3);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.comps[0].w, 300);
    ASSERT_EQ(d.comps[0].h, 225);
    ASSERT_TRUE(Read(bytes, "p.jpc", 160, 120));
    ASSERT_EQ(pic->width, 160);
    ASSERT_EQ(pic->height, 120);
    EXPECT_EQ(pic->srcWidth, 2400);
    EXPECT_EQ(pic->srcHeight, 1800);
    const auto cols = TReduction::Sample(300, 160, 300.0f / 160.0f);
    const auto rows = TReduction::Sample(225, 120, 225.0f / 120.0f);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(RgbAt(*pic, x, y), Expected(d, cols[size_t(x)], rows[size_t(y)])) << x << "," << y;
}

TEST_F(Jpeg2000Read, StopEndsTheReadBeforeItsNextPiece)
{
    // Every piece the library decodes (the whole image, a tile, a band of
    // rows) is counted before it starts; a stop raised at the first count
    // ends the read there. Large images come in pieces of a few million
    // samples, so that a stop is noticed soon.
    J2k tiled;
    tiled.format = OPJ_CODEC_J2K;
    tiled.width = 512;
    tiled.height = 384;
    tiled.tune = [](opj_cparameters_t &p) {
        p.tile_size_on = OPJ_TRUE;
        p.cp_tdx = p.cp_tdy = 128;
    };
    J2k small = tiled;
    small.tune = {};
    const struct {
        const char *name;
        QByteArray bytes;
        int64_t samples;
        bool pieces;
    } cases[] = {
        {"one tile of 4096 x 2048 x 3 in bands", hostile::EmptyTileJpeg2000(4096, 2048, false), int64_t(4096) * 2048 * 3, true},
        {"12 tiles of 128 x 128 x 3, each small", Encode(tmp.path() + "/tiled", tiled), 512 * 384 * 3, false},
        {"512 x 384 x 3 whole", Encode(tmp.path() + "/small", small), 512 * 384 * 3, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int64_t> counts;
        ctx->budget.onSpend = [&](const TReadBudget &b) { counts.push_back(b.Spent()); };
        ASSERT_TRUE(Read(c.bytes, "p.jpc"));
        ASSERT_FALSE(counts.empty());
        EXPECT_EQ(counts.back(), c.samples);
        if (c.pieces) {
            EXPECT_GT(counts.size(), 4u);
            EXPECT_LE(counts[0], c.samples / 4);
        }
        counts.clear();
        ctx->budget.onSpend = [&](const TReadBudget &b) {
            counts.push_back(b.Spent());
            ctx->budget.Stop();
        };
        EXPECT_FALSE(Read(c.bytes, "p.jpc"));
        EXPECT_EQ(counts.size(), 1u) << "pieces counted after the stop";
        ctx->budget.Resume();
    }
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
