// The writers behind the PNG, JPEG and BMP lists of hostile files, at any
// size, so that the readers' tests can use smaller twins of them.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace hostile {

// A 1 x 1 grey PNG carrying `chunks` compressed text chunks (zTXt, or iTXt
// when itxt), each inflating to `inflated` bytes.
bool WritePngTextBomb(const QString &path, int chunks, bool itxt, size_t inflated);

// A width x height 1-bit grey PNG, all black.
bool WritePngBilevel(const QString &path, uint32_t width, uint32_t height);

// A progressive width x height grey JPEG of `scans` scans with no entropy-
// coded data: the first a DC scan, the others the same AC band again.
bool WriteJpegScans(const QString &path, int width, int height, int scans);

// A real 24-bit bottom-up BMP of width x height, all black, written as a
// sparse file.
bool WriteBmpBlack(const QString &path, int32_t width, int32_t height);

} // namespace hostile
