// Writers of the hostile TIFF, Targa and Sun raster files at any size, for
// the readers' tests (which shrink them) and the hostile list.
#pragma once

#include <QString>

#include <cstdint>

namespace hostile {

// A bilevel all-white picture in G4, written by libtiff: in one strip, or
// in square tiles of the side given.
bool WriteWhiteG4Tiff(const QString &path, uint32_t width, uint32_t height, uint32_t tile = 0);
// An 8-bit colour-mapped run-length Targa of runs of 128 pixels.
bool WriteRunLengthTarga(const QString &path, int width, int height);
// A 32-bit run-length Sun raster of runs of 256 bytes.
bool WriteRunLengthSunRaster(const QString &path, uint32_t width, uint32_t height);

} // namespace hostile
