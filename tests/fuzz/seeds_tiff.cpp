// Seeds: small TIFF files written by libtiff (colour, grey, bilevel,
// palette, alpha, compressions, tiles, both byte orders, metadata blocks),
// and one first directory with EXIF and interoperability directories laid
// out by hand, the structure the EXIF block is built from.
#include "picture_writers.h"
#include "seed_util.h"

#include <tiffio.h>

using namespace pictures;

namespace {

struct Out {
    QByteArray b;
    Out &u16(uint32_t v) { b.append(char(v)).append(char(v >> 8)); return *this; }
    Out &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Out &entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) { return u16(tag).u16(type).u32(count).u32(value); }
};

// 2 x 1 grey, with Make, DateTime and an EXIF directory pointing to an
// interoperability directory.
QByteArray ExifStructure()
{
    Out o;
    o.b = "II";
    o.u16(42).u32(8);
    o.u16(11); // 8 .. 8 + 2 + 132 + 4 = 146
    o.entry(256, 3, 1, 2).entry(257, 3, 1, 1).entry(258, 3, 1, 8).entry(259, 3, 1, 1).entry(262, 3, 1, 1);
    o.entry(271, 2, 6, 146).entry(273, 4, 1, 152).entry(277, 3, 1, 1).entry(278, 3, 1, 1).entry(279, 4, 1, 2);
    o.entry(34665, 4, 1, 154);
    o.u32(0);
    o.b.append("Maker\0", 6); // 146
    o.b.append("\x10\xF0", 2); // 152: the pixels
    o.u16(3);                  // 154 .. 154 + 2 + 36 + 4 = 196
    o.entry(33434, 5, 1, 196).entry(36864, 7, 4, 0x30333230).entry(40965, 4, 1, 204);
    o.u32(0);
    o.u32(1).u32(250);         // 196
    o.u16(1).entry(1, 2, 4, 0x00383952).u32(0); // 204
    return o.b;
}

// A 24 x 20 picture in a layout the reader takes a scanline or a band at a
// time: one strip, separate planes, tiles, any orientation.
bool WriteLayout(const char *dir, const char *name, uint16_t samples, uint16_t bits, uint16_t photometric,
                 bool separate, uint16_t compression, uint16_t orientation, bool tiled)
{
    const std::string path = std::string(dir) + "/" + name;
    TIFF *tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return false;
    const uint32_t w = 24, h = 20;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    const int planes = separate ? samples : 1;
    const uint32_t perRow = (w * (separate ? 1 : samples) * bits + 7) / 8;
    bool ok = true;
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        const QByteArray tile = fuzz::Ramp(int(TIFFTileSize(tif)), 7);
        for (int s = 0; s < planes; ++s)
            for (uint32_t y = 0; y < h; y += 16)
                for (uint32_t x = 0; x < w; x += 16)
                    ok = ok && TIFFWriteTile(tif, const_cast<char *>(tile.constData()), x, y, 0, uint16_t(s)) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
        for (int s = 0; s < planes; ++s)
            for (uint32_t y = 0; y < h; ++y) {
                QByteArray row = fuzz::Ramp(int(perRow), int(3 + y + 5 * uint32_t(s)));
                ok = ok && TIFFWriteScanline(tif, row.data(), y, uint16_t(s)) == 1;
            }
    }
    TIFFClose(tif);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    struct { const char *name; int samples, bits, photometric, extra, compression; bool tiled, big; } kinds[] = {
        {"rgb", 3, 8, PHOTOMETRIC_RGB, 0, COMPRESSION_NONE, false, false},
        {"rgb16mm", 3, 16, PHOTOMETRIC_RGB, 0, COMPRESSION_LZW, false, true},
        {"rgbtiled", 3, 8, PHOTOMETRIC_RGB, 0, COMPRESSION_ADOBE_DEFLATE, true, false},
        {"grey", 1, 8, PHOTOMETRIC_MINISBLACK, 0, COMPRESSION_PACKBITS, false, false},
        {"bilevel", 1, 1, PHOTOMETRIC_MINISWHITE, 0, COMPRESSION_NONE, false, false},
        {"palette", 1, 4, PHOTOMETRIC_PALETTE, 0, COMPRESSION_NONE, false, true},
        {"rgba", 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, COMPRESSION_NONE, false, false},
    };
    bool ok = true;
    for (const auto &k : kinds) {
        TiffSpec s;
        s.width = 19;
        s.height = 10;
        s.samples = k.samples;
        s.bits = k.bits;
        s.photometric = k.photometric;
        s.extraAlpha = k.extra;
        s.compression = k.compression;
        s.tiled = k.tiled;
        s.bigEndian = k.big;
        ok = fuzz::WriteSeed(argv[1], std::string(k.name) + ".tif", WriteTiff(s)) && ok;
    }
    TiffSpec m;
    m.resUnit = RESUNIT_CENTIMETER;
    m.resX = m.resY = 118.11f;
    m.icc = IccProfile(160);
    m.iptc = {0x1c, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04};
    m.photoshop = {'8', 'B', 'I', 'M', 4, 4, 0, 0};
    m.xmp = {'<', 'x', '/', '>'};
    ok = fuzz::WriteSeed(argv[1], "metadata.tif", WriteTiff(m)) && ok;
    ok = fuzz::WriteSeed(argv[1], "exif.tif", ExifStructure()) && ok;
    ok = WriteLayout(argv[1], "g4strip.tif", 1, 1, PHOTOMETRIC_MINISWHITE, false, COMPRESSION_CCITTFAX4,
                     ORIENTATION_TOPRIGHT, false) && ok;
    ok = WriteLayout(argv[1], "planes.tif", 3, 8, PHOTOMETRIC_RGB, true, COMPRESSION_LZW, ORIENTATION_BOTRIGHT,
                     false) && ok;
    ok = WriteLayout(argv[1], "planetiles.tif", 4, 8, PHOTOMETRIC_RGB, true, COMPRESSION_NONE, ORIENTATION_LEFTBOT,
                     true) && ok;
    return ok ? 0 : 1;
}
