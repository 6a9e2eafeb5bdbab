#include "hostile_files.h"
#include "hostile_writers.h"

#include <QFile>
#include <tiffio.h>

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

std::vector<TCase> TiffCases()
{
    auto write = [](const QString &path) { return WriteWhiteG4Tiff(path, 16384, 16384); };
    return {
        {"TIFF 16384 x 16384 bilevel G4, all white", ".tif", 0, 0, false, 16384, 16384, write},
        {"TIFF 16384 x 16384 bilevel G4, all white, into 160 x 120", ".tif", 160, 120, false, 120, 120, write},
    };
}

} // namespace hostile
