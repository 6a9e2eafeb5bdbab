// JPEG 2000 code streams and JP2 files whose main header claims far more
// than the file holds: tiles by the ten thousand, components by the
// thousand, or a large picture whose one tile is empty; and real photos of
// that size, each timed beside OpenJPEG's own decode of the same file.
#include "hostile_files.h"
#include "picture_writers.h"

#include <QByteArray>
#include <openjpeg.h>

namespace hostile {

namespace {

void Be16(QByteArray &b, uint32_t v)
{
    b.append(char(v >> 8)).append(char(v));
}
void Be32(QByteArray &b, uint32_t v)
{
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}

struct Stream {
    uint32_t width = 0, height = 0, tileW = 0, tileH = 0;
    int comps = 3;
    int levels = 5;
    int packets = 0; // tile 0's one tile part: this many empty packets
};

// SOC, SIZ (8-bit unsigned components), COD (lossless, 64 x 64 blocks),
// QCD, tile 0's tile part of empty packets (one byte each), and EOC.
QByteArray CodeStream(const Stream &s)
{
    QByteArray b;
    Be16(b, 0xFF4F);
    Be16(b, 0xFF51);
    Be16(b, uint32_t(38 + 3 * s.comps));
    Be16(b, 0); // Rsiz
    for (uint32_t v : {s.width, s.height, 0u, 0u, s.tileW, s.tileH, 0u, 0u})
        Be32(b, v);
    Be16(b, uint32_t(s.comps));
    for (int c = 0; c < s.comps; ++c)
        b.append(char(7)).append(char(1)).append(char(1));
    Be16(b, 0xFF52);
    Be16(b, 12);
    b.append(char(0)).append(char(0)); // Scod, LRCP
    Be16(b, 1);                         // layers
    b.append(char(s.comps >= 3 ? 1 : 0));
    b.append(char(s.levels)).append(char(4)).append(char(4)).append(char(0)).append(char(1));
    Be16(b, 0xFF5C);
    Be16(b, uint32_t(3 + 3 * s.levels + 1));
    b.append(char(0x40)); // no quantization, two guard bits
    for (int band = 0; band < 3 * s.levels + 1; ++band)
        b.append(char(9 << 3));
    Be16(b, 0xFF90);
    Be16(b, 10);
    Be16(b, 0); // tile 0
    Be32(b, uint32_t(14 + s.packets));
    b.append(char(0)).append(char(1));
    Be16(b, 0xFF93);
    b.append(QByteArray(s.packets, '\0'));
    Be16(b, 0xFFD9);
    return b;
}

void Box(QByteArray &b, const char *type, const QByteArray &content)
{
    Be32(b, uint32_t(8 + content.size()));
    b.append(type, 4).append(content);
}

// The code stream in a JP2 file: signature, file type, header (image
// header, sRGB colour) and the code stream box.
QByteArray Jp2(const Stream &s)
{
    QByteArray b;
    Box(b, "jP  ", QByteArray("\x0D\x0A\x87\x0A", 4));
    Box(b, "ftyp", QByteArray("jp2 \0\0\0\0jp2 ", 12));
    QByteArray ihdr, colr, header;
    Be32(ihdr, s.height);
    Be32(ihdr, s.width);
    Be16(ihdr, uint32_t(s.comps));
    ihdr.append(char(7)).append(char(7)).append(char(0)).append(char(0));
    colr.append(char(1)).append(char(0)).append(char(0));
    Be32(colr, s.comps >= 3 ? 16 : 17);
    Box(header, "ihdr", ihdr);
    Box(header, "colr", colr);
    Box(b, "jp2h", header);
    Box(b, "jp2c", CodeStream(s));
    return b;
}

// A real lossy picture of width x height in three components, written by
// OpenJPEG in one tile or in tiles of tile x tile: what a photo of that
// size costs to read.
std::function<bool(const QString &)> RealPicture(int width, int height, bool jp2, int tile = 0)
{
    return [=](const QString &path) {
        pictures::Jpeg2000Spec spec;
        spec.format = jp2 ? 2 : 0;
        spec.width = width;
        spec.height = height;
        spec.rate = 20;
        spec.threads = 8;
        spec.sample = [](int c, int x, int y) { return (x * 13 + y * 29 + c * 71 + (x / 7) * (y / 5)) % 256; };
        if (tile > 0)
            spec.tune = [tile](opj_cparameters_t &p) {
                p.tile_size_on = OPJ_TRUE;
                p.cp_tdx = p.cp_tdy = tile;
            };
        return pictures::WriteJpeg2000(path.toStdString(), spec);
    };
}

// OpenJPEG's own decode of the file, on all threads.
std::function<bool(const QString &)> LibraryRead(bool jp2)
{
    return [=](const QString &path) { return pictures::DecodeJpeg2000Threaded(path.toStdString(), jp2 ? 2 : 0); };
}

std::function<bool(const QString &)> Writer(QByteArray bytes)
{
    return [bytes](const QString &path) { return SaveBytes(path, bytes); };
}

} // namespace

QByteArray EmptyTileJpeg2000(uint32_t width, uint32_t height, bool jp2)
{
    Stream s;
    s.width = s.tileW = width;
    s.height = s.tileH = height;
    s.packets = 3 * (s.levels + 1);
    return jp2 ? Jp2(s) : CodeStream(s);
}

std::vector<TCase> Jpeg2000Cases()
{
    Stream manyTiles;
    manyTiles.width = manyTiles.tileW = 19;
    manyTiles.height = 786445;
    manyTiles.tileH = 13; // 60,496 tiles
    Stream manyComps;
    manyComps.width = 65535;
    manyComps.height = 1;
    manyComps.tileW = manyComps.tileH = 1; // 65,535 tiles
    manyComps.comps = 16384;
    manyComps.levels = 0;
    Stream pixelTiles;
    pixelTiles.width = 255;
    pixelTiles.height = 257;
    pixelTiles.tileW = pixelTiles.tileH = 1; // 65,535 tiles
    pixelTiles.comps = 1;
    pixelTiles.levels = 0;
    const QByteArray big = EmptyTileJpeg2000(8192, 8192, false), bigJp2 = EmptyTileJpeg2000(8192, 8192, true);
    return {
        {"JPEG 2000 code stream 19 x 786445 in 60,496 tiles", ".jpc", 0, 0, true, 0, 0,
         Writer(CodeStream(manyTiles))},
        {"JPEG 2000 main header of 65,535 tiles x 16,384 components", ".jpc", 0, 0, true, 0, 0,
         Writer(CodeStream(manyComps))},
        {"JPEG 2000 255 x 257 in 65,535 tiles of 1 x 1", ".jpc", 0, 0, true, 0, 0, Writer(CodeStream(pixelTiles))},
        {"JPEG 2000 code stream 8192 x 8192 x 3, one empty tile", ".jpc", 0, 0, false, 8192, 8192, Writer(big),
         {}, LibraryRead(false)},
        {"JPEG 2000 code stream 8192 x 8192 x 3, one empty tile, preview", ".jpc", 160, 120, false, 120, 120,
         Writer(big)},
        {"JP2 8192 x 8192 x 3, one empty tile", ".jp2", 0, 0, false, 8192, 8192, Writer(bigJp2), {}, LibraryRead(true)},
        {"JP2 8192 x 8192 x 3, one empty tile, preview", ".jp2", 160, 120, false, 120, 120, Writer(bigJp2)},
        {"JPEG 2000 real 8192 x 8192 x 3 photo, one tile", ".jpc", 0, 0, false, 8192, 8192,
         RealPicture(8192, 8192, false), {}, LibraryRead(false)},
        {"JPEG 2000 real 8192 x 8192 x 3 photo, one tile, preview", ".jpc", 160, 120, false, 120, 120,
         RealPicture(8192, 8192, false)},
        {"JP2 real 8192 x 8192 x 3 photo, tiles of 1024 x 1024", ".jp2", 0, 0, false, 8192, 8192,
         RealPicture(8192, 8192, true, 1024), {}, LibraryRead(true)},
        {"JP2 real 8192 x 8192 x 3 photo, tiles of 1024 x 1024, preview", ".jp2", 160, 120, false, 120, 120,
         RealPicture(8192, 8192, true, 1024)},
    };
}

} // namespace hostile
