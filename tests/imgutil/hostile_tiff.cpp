#include "hostile_files.h"
#include "hostile_writers.h"

#include <QByteArray>
#include <QFile>
#include <tiffio.h>
#include <zlib.h>

#include <vector>

namespace hostile {

bool WriteWhiteG4Tiff(const QString &path, uint32_t width, uint32_t height, uint32_t tile)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISWHITE));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_CCITTFAX4));
    bool ok = true;
    if (tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
        std::vector<uint8_t> blank(size_t(TIFFTileSize(tif)), 0);
        for (uint32_t y = 0; ok && y < height; y += tile)
            for (uint32_t x = 0; ok && x < width; x += tile)
                ok = TIFFWriteTile(tif, blank.data(), x, y, 0, 0) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
        std::vector<uint8_t> row((width + 7) / 8, 0);
        for (uint32_t y = 0; ok && y < height; ++y)
            ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

namespace {

// A zlib stream of n zero bytes, made without compressing them all: after a
// full flush every further megabyte of zeros compresses to the same bytes.
QByteArray ZeroStream(uint64_t n)
{
    constexpr uInt Piece = 1 << 20;
    std::vector<Bytef> zeros(Piece, 0), out(Piece);
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
        return {};
    auto compress = [&](uInt length, int flush) {
        QByteArray b;
        z.next_in = zeros.data();
        z.avail_in = length;
        do {
            z.next_out = out.data();
            z.avail_out = Piece;
            deflate(&z, flush);
            b.append(reinterpret_cast<const char *>(out.data()), int(Piece - z.avail_out));
        } while (z.avail_out == 0);
        return b;
    };
    const uint64_t pieces = n / Piece;
    QByteArray s;
    if (pieces > 0)
        s = compress(Piece, Z_FULL_FLUSH); // with the stream's header
    if (pieces > 1) {
        const QByteArray again = compress(Piece, Z_FULL_FLUSH);
        s.reserve(s.size() + int(pieces - 1) * again.size() + 64);
        for (uint64_t i = 1; i < pieces; ++i)
            s.append(again);
    }
    s.append(compress(uInt(n % Piece), Z_FINISH));
    deflateEnd(&z);
    // The checksum of the zeros written: adler32 of n zeros.
    const uint32_t adler = uint32_t(n % 65521) << 16 | 1;
    for (int i = 0; i < 4; ++i)
        s[s.size() - 4 + i] = char(adler >> (24 - 8 * i));
    return s;
}

} // namespace

bool WriteZeroDeflateTiff(const QString &path, uint32_t width, uint32_t height, uint32_t tileWidth,
                          uint32_t tileHeight, uint16_t samples)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
    bool ok = true;
    if (tileWidth) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tileHeight);
        const QByteArray data = ZeroStream(uint64_t(TIFFTileSize64(tif)));
        for (uint32_t t = 0; ok && t < TIFFNumberOfTiles(tif); ++t)
            ok = !data.isEmpty() && TIFFWriteRawTile(tif, t, const_cast<char *>(data.constData()), data.size()) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
        const QByteArray data = ZeroStream(uint64_t(TIFFStripSize64(tif)));
        ok = !data.isEmpty() && TIFFWriteRawStrip(tif, 0, const_cast<char *>(data.constData()), data.size()) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

std::vector<TCase> TiffCases()
{
    auto write = [](const QString &path) { return WriteWhiteG4Tiff(path, 16384, 16384); };
    return {
        {"TIFF 16384 x 16384 bilevel G4, all white", ".tif", 0, 0, false, 16384, 16384, write},
        {"TIFF 16384 x 16384 bilevel G4, all white, into 160 x 120", ".tif", 160, 120, false, 120, 120, write},
        {"TIFF 16 x 16 grey in one 32768 x 32768 Deflate tile", ".tif", 0, 0, false, 16, 16,
         [](const QString &path) { return WriteZeroDeflateTiff(path, 16, 16, 32768, 32768, 1); }},
        {"TIFF 1024 x 1024 grey of 4096 samples a pixel, one Deflate strip", ".tif", 0, 0, true, 0, 0,
         [](const QString &path) { return WriteZeroDeflateTiff(path, 1024, 1024, 0, 0, 4096); }},
        {"TIFF 1024 x 1024 grey of 4096 samples a pixel, into 160 x 120", ".tif", 160, 120, true, 0, 0,
         [](const QString &path) { return WriteZeroDeflateTiff(path, 1024, 1024, 0, 0, 4096); }},
    };
}

} // namespace hostile
