// The TIFF kinds and layouts written with libtiff.
#include "layouts_tiff.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

using pictures::Sample;

namespace layouts::tiff {

pictures::TiffSpec Spec(const Kind &k)
{
    pictures::TiffSpec s;
    s.width = 21;
    s.height = 19;
    s.samples = k.samples;
    s.bits = k.bits;
    s.photometric = k.photometric;
    s.extraAlpha = k.extra;
    s.opaqueAlpha = k.opaque;
    s.compression = k.compression;
    s.tiled = k.tiled;
    s.bigEndian = k.big;
    return s;
}

namespace {

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

} // namespace

bool WriteLayout(const char *path, const Layout &l)
{
    TIFF *tif = TIFFOpen(path, l.bigEndian ? "wb" : "wl");
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
    const int colours = l.photometric == PHOTOMETRIC_RGB || l.photometric == PHOTOMETRIC_YCBCR ? 3 : 1;
    if (l.samples > colours) {
        std::vector<uint16_t> extra(size_t(l.samples - colours), uint16_t(EXTRASAMPLE_UNSPECIFIED));
        extra.back() = uint16_t(l.alpha);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(extra.size()), extra.data());
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

bool DecodeGreySamples(const QString &path, pictures::Rgba &out)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return false;
    uint32_t w = 0, h = 0, tw = 0, th = 0;
    uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    uint16_t extras = 0, *kinds = nullptr;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool tiled = TIFFIsTiled(tif);
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    } else {
        tw = w;
        th = 1;
    }
    const bool alpha = bits == 8 && extras > 0 && kinds[extras - 1] != EXTRASAMPLE_UNSPECIFIED;
    bool ok = (bits == 8 || bits == 16) && planar == PLANARCONFIG_CONTIG && tw > 0 && th > 0 &&
              (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
    out.width = int(w);
    out.height = int(h);
    out.px.assign(size_t(w) * h * 4, 0);
    std::vector<uint8_t> unit(ok ? size_t(tiled ? TIFFTileSize(tif) : TIFFScanlineSize(tif)) : 0);
    const size_t bytes = bits / 8;
    for (uint32_t y0 = 0; ok && y0 < h; y0 += th)
        for (uint32_t x0 = 0; ok && x0 < w; x0 += tw) {
            ok = tiled ? TIFFReadTile(tif, unit.data(), x0, y0, 0, 0) >= 0
                       : TIFFReadScanline(tif, unit.data(), y0, 0) >= 0;
            for (uint32_t y = y0; ok && y < std::min(h, y0 + th); ++y)
                for (uint32_t x = x0; x < std::min(w, x0 + tw); ++x) {
                    const uint8_t *p = unit.data() + ((size_t(y - y0) * tw + (x - x0)) * samples) * bytes;
                    uint16_t v = p[0];
                    if (bits == 16)
                        memcpy(&v, p, 2); // in the machine's order, as libtiff hands it over
                    uint8_t grey = uint8_t(bits == 16 ? v >> 8 : v);
                    if (photometric == PHOTOMETRIC_MINISWHITE)
                        grey = uint8_t(255 - grey);
                    uint8_t *o = out.At(int(x), int(y));
                    o[0] = o[1] = o[2] = grey;
                    o[3] = alpha ? p[(samples - 1) * bytes] : 255;
                }
        }
    TIFFClose(tif);
    return ok;
}

} // namespace layouts::tiff
