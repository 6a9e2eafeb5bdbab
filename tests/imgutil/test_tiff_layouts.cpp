// The TIFF reader on the layouts it reads in bands or scanlines (strips of
// every height, tiles, separate planes, every orientation, widths past one
// converted piece), each compared with libtiff's own RGBA read, and on the
// hostile G4 picture, whose read must cost no more than its record.
#include "hostile_files.h"
#include "hostile_writers.h"
#include "memory_cap.h"
#include "picture_files.h"

#include <QFile>
#include <tiffio.h>

#include <algorithm>
#include <vector>

using namespace VlmImgUt;
using namespace pictures;

namespace {

struct Layout {
    const char *name;
    int width, height;
    int samples = 3, bits = 8, photometric = PHOTOMETRIC_RGB;
    int alpha = 0;            // EXTRASAMPLE_* of the last sample
    bool separate = false;    // one plane a sample
    int rowsPerStrip = 0;     // 0: one strip
    int tileW = 0, tileH = 0; // tiled when set
    int orientation = ORIENTATION_TOPLEFT;
    int compression = COMPRESSION_NONE;
    int chroma = 0; // YCbCr stored with chroma sub-sampled by this in both directions
};

// Sample s of pixel (x, y); 0 outside the picture (the padding of tiles).
uint32_t Value(const Layout &l, int x, int y, int s)
{
    if (x >= l.width || y >= l.height)
        return 0;
    if (l.alpha && s == l.samples - 1)
        return (x + y) % 5 == 0 ? 0 : (1u << l.bits) - 1 - uint32_t((x * y) % 3);
    return Sample(x, y, s, l.bits);
}

// n pixels from x0 of row y, of plane s (or every sample when s < 0), packed
// most significant bits first, 16-bit samples in the machine's order.
std::vector<uint8_t> Pack(const Layout &l, int y, int x0, int n, int s)
{
    const int per = s < 0 ? l.samples : 1;
    std::vector<uint8_t> out((size_t(n) * per * l.bits + 7) / 8);
    size_t bit = 0;
    for (int x = x0; x < x0 + n; ++x)
        for (int c = 0; c < per; ++c) {
            const uint32_t v = Value(l, x, y, s < 0 ? c : s);
            if (l.bits == 8) {
                out[bit / 8] = uint8_t(v);
            } else if (l.bits == 16) {
                const uint16_t w = uint16_t(v);
                memcpy(&out[bit / 8], &w, 2);
            } else {
                for (int b = l.bits - 1; b >= 0; --b)
                    if (v >> b & 1)
                        out[(bit + size_t(l.bits - 1 - b)) / 8] |= uint8_t(0x80 >> ((bit + size_t(l.bits - 1 - b)) % 8));
            }
            bit += size_t(l.bits);
        }
    return out;
}

bool WriteLayout(const QString &path, const Layout &l)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(l.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(l.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(l.samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(l.bits));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(l.photometric));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(l.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(l.orientation));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(l.compression));
    if (l.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB); // RGB rows in, YCbCr stored
    }
    if (l.alpha) {
        const uint16_t extra[1] = {uint16_t(l.alpha)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    std::vector<uint16_t> map(size_t(3) << l.bits);
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        for (size_t i = 0; i < map.size(); ++i)
            map[i] = uint16_t(i * 7919 * 3 + 1);
        const size_t n = size_t(1) << l.bits;
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    const int planes = l.separate ? l.samples : 1;
    bool ok = true;
    if (l.chroma) {
        // Blocks of chroma x chroma luma samples, then Cb and Cr.
        const int c = l.chroma, rps = l.rowsPerStrip ? l.rowsPerStrip : l.height;
        TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, uint16_t(c), uint16_t(c));
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rps));
        for (int y0 = 0, strip = 0; ok && y0 < l.height; y0 += rps, ++strip) {
            std::vector<uint8_t> data;
            for (int by = y0; by < std::min(y0 + rps, l.height); by += c)
                for (int bx = 0; bx < l.width; bx += c) {
                    for (int y = by; y < by + c; ++y)
                        for (int x = bx; x < bx + c; ++x)
                            data.push_back(uint8_t(Value(l, x, y, 0)));
                    data.push_back(uint8_t(Value(l, bx, by, 1)));
                    data.push_back(uint8_t(Value(l, bx, by, 2)));
                }
            ok = TIFFWriteEncodedStrip(tif, uint32_t(strip), data.data(), tmsize_t(data.size())) >= 0;
        }
    } else if (l.tileW) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(l.tileW));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(l.tileH));
        for (int s = 0; s < planes; ++s)
            for (int ty = 0; ok && ty < l.height; ty += l.tileH)
                for (int tx = 0; ok && tx < l.width; tx += l.tileW) {
                    std::vector<uint8_t> tile;
                    for (int y = ty; y < ty + l.tileH; ++y) {
                        const std::vector<uint8_t> row = Pack(l, y, tx, l.tileW, l.separate ? s : -1);
                        tile.insert(tile.end(), row.begin(), row.end());
                    }
                    ok = TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, uint16_t(s)) >= 0;
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(l.rowsPerStrip ? l.rowsPerStrip : l.height));
        for (int s = 0; s < planes; ++s)
            for (int y = 0; ok && y < l.height; ++y) {
                std::vector<uint8_t> row = Pack(l, y, 0, l.width, l.separate ? s : -1);
                ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), uint16_t(s)) == 1;
            }
    }
    TIFFClose(tif);
    return ok;
}

class TiffLayouts : public PictureTest {
protected:
    // The read at full size and into the box gives libtiff's own pixels,
    // the reduced one sampled from the bottom row up; an alpha plane where
    // libtiff's alpha is not opaque.
    void ExpectAsTheLibrary(const Layout &l, int boxW, int boxH)
    {
        SCOPED_TRACE(l.name);
        const QString path = tmp.path() + "/layout.tif";
        ASSERT_TRUE(WriteLayout(path, l));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        Rgba ref;
        ASSERT_TRUE(DecodeTiff(f.readAll(), ref));
        bool alpha = false; // libtiff gives some layouts' alpha as opaque
        for (size_t i = 3; i < ref.px.size(); i += 4)
            alpha = alpha || ref.px[i] != 255;
        EXPECT_EQ(alpha, l.alpha != 0 && l.bits == 8);
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        EXPECT_EQ(pic->alpha != nullptr, alpha);
        EXPECT_EQ(Mismatches(*pic, ref, alpha), 0);

        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, boxW, boxH, false));
        const TReduction r = TReduction::For(l.width, l.height, boxW, boxH);
        ASSERT_TRUE(r.reduced);
        ASSERT_EQ(pic->width, r.width);
        ASSERT_EQ(pic->height, r.height);
        EXPECT_EQ(pic->srcWidth, l.width);
        EXPECT_EQ(pic->srcHeight, l.height);
        const std::vector<int32_t> fromBottom = TReduction::Sample(l.height, r.height, r.stepY);
        std::vector<int32_t> rows(fromBottom.size());
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = l.height - 1 - fromBottom[rows.size() - 1 - y];
        EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(l.width, r.width, r.stepX), rows, alpha), 0);
    }
};

TEST_F(TiffLayouts, StripsTilesPlanesAndOrientationsAsTheLibraryReadsThem)
{
    const Layout layouts[] = {
        {"bilevel wider than a piece, turned right", 5000, 40, 1, 1, PHOTOMETRIC_MINISBLACK, 0, false, 0, 0, 0,
         ORIENTATION_TOPRIGHT, COMPRESSION_CCITTFAX4},
        {"rgb in strips of 3, turned over", 5003, 20, 3, 8, PHOTOMETRIC_RGB, 0, false, 3, 0, 0,
         ORIENTATION_BOTRIGHT, COMPRESSION_PACKBITS},
        {"palette 4 bits, bottom up", 4100, 9, 1, 4, PHOTOMETRIC_PALETTE, 0, false, 2, 0, 0, ORIENTATION_BOTLEFT,
         COMPRESSION_LZW},
        {"grey alpha 16 bits, left top", 300, 200, 2, 16, PHOTOMETRIC_MINISBLACK, EXTRASAMPLE_UNASSALPHA, false, 7,
         0, 0, ORIENTATION_LEFTTOP, COMPRESSION_ADOBE_DEFLATE},
        {"rgba, rows of one strip each", 90, 61, 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_ASSOCALPHA, false, 1, 0, 0,
         ORIENTATION_RIGHTTOP, COMPRESSION_NONE},
        {"jpeg ycbcr", 64, 48, 3, 8, PHOTOMETRIC_YCBCR, 0, false, 16, 0, 0, ORIENTATION_TOPLEFT, COMPRESSION_JPEG},
        {"rgb in separate planes", 70, 50, 3, 8, PHOTOMETRIC_RGB, 0, true, 4, 0, 0, ORIENTATION_RIGHTBOT,
         COMPRESSION_LZW},
        {"rgba tiles", 40, 40, 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, false, 0, 16, 16, ORIENTATION_BOTLEFT,
         COMPRESSION_ADOBE_DEFLATE},
        {"rgb tiles in separate planes", 50, 33, 3, 8, PHOTOMETRIC_RGB, 0, true, 0, 16, 32, ORIENTATION_TOPRIGHT,
         COMPRESSION_NONE},
        // Strips and tiles taller than a band: read a part at a time.
        {"tiles taller than a band", 4112, 1024, 3, 8, PHOTOMETRIC_RGB, 0, false, 0, 16, 1024, ORIENTATION_TOPLEFT,
         COMPRESSION_NONE},
        {"one strip of separate planes taller than a band", 4112, 1030, 3, 8, PHOTOMETRIC_RGB, 0, true, 0, 0, 0,
         ORIENTATION_BOTRIGHT, COMPRESSION_NONE},
        // Read in bands by libtiff: sub-sampled chroma, and edge tiles too
        // large to convert whole.
        {"ycbcr 4:2:0 in strips of 6", 71, 49, 3, 8, PHOTOMETRIC_YCBCR, 0, false, 6, 0, 0, ORIENTATION_TOPRIGHT,
         COMPRESSION_LZW, 2},
        {"ycbcr 4:2:0 in one strip taller than a band", 4112, 1100, 3, 8, PHOTOMETRIC_YCBCR, 0, false, 0, 0, 0,
         ORIENTATION_BOTLEFT, COMPRESSION_NONE, 2},
        {"edge tiles taller than a band", 4100, 1030, 3, 8, PHOTOMETRIC_RGB, 0, false, 0, 8192, 1024,
         ORIENTATION_TOPLEFT, COMPRESSION_ADOBE_DEFLATE},
    };
    for (const Layout &l : layouts)
        ExpectAsTheLibrary(l, l.width / 3, l.height / 3);
}

// ---- the hostile G4 picture ----

constexpr size_t WorkingSet = size_t(32) << 20;

// The read of path into the box under a cap of 1.5 x its record and the
// working set: 1 when it made a white picture of the record's size.
int ReadWhiteUnderCap(TImgUt &ctx, const QString &path, int boxW, int boxH, int64_t recordW, int64_t recordH)
{
    const int64_t record = (recordW * 3 + 3) / 4 * 4 * recordH;
    return testutil::RunUnderMemoryCap(size_t(record) * 3 / 2 + WorkingSet, [&] {
        TDib *p = nullptr;
        if (!ctx.ReadImageFile(path, &p, boxW, boxH, false))
            return 0;
        if (p->width != recordW || p->height != recordH || p->alpha)
            return 2;
        for (int64_t i = 0; i < int64_t(p->stride) * p->height; ++i)
            if (p->bits[i] != 255 && i % p->stride < 3 * p->width)
                return 5;
        return 1;
    });
}

TEST_F(TiffLayouts, WhiteG4PictureCostsItsRecord)
{
    for (const uint32_t tile : {0u, 4096u, 1024u}) {
        SCOPED_TRACE(tile ? "tiles" : "one strip");
        const QString path = tmp.path() + "/white.tif";
        ASSERT_TRUE(hostile::WriteWhiteG4Tiff(path, 4096, 4096, tile));
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, 0, 0, 4096, 4096), 1) << "full size";
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, 160, 120, 120, 120), 1) << "preview";
    }
}

TEST_F(TiffLayouts, HostileCasesWithinTheirRecord)
{
    for (const hostile::TCase &c : hostile::TiffCases()) {
        if (c.recordWidth * c.recordHeight > (int64_t(1) << 22))
            continue; // their record is too large for a test: shrunk above
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/case" + c.ext;
        ASSERT_TRUE(c.write(path));
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, c.boxWidth, c.boxHeight, c.recordWidth, c.recordHeight), 1);
    }
}

} // namespace
