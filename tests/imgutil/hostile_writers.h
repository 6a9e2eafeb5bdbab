// Writers of the hostile files at chosen sizes: the lists of
// hostile_files.h use the sizes of the benchmarks, the readers' tests
// smaller ones that still show the fault.
#pragma once

#include "hostile_files.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostile {

// A 1 x 1 grey PNG carrying `chunks` compressed text chunks (zTXt, or iTXt
// when itxt), each inflating to `inflated` bytes.
bool WritePngTextBomb(const QString &path, int chunks, bool itxt, size_t inflated);

// A 1 x 1 grey PNG, plain or Adam7, whose IDAT stream inflates to
// `inflated` bytes of zeros (the row, then data past it), deflated at that
// zlib level.
bool WritePngIdatBomb(const QString &path, uint64_t inflated, bool adam7, int level);

// A 1 x 1 grey PNG with `copies` chunks of that type and data before its
// image data.
bool WritePngWithChunks(const QString &path, const char *type, const QByteArray &data, int copies);

// The data of a suggested-palette (sPLT) chunk of that many 8-bit entries.
QByteArray SuggestedPalette(int entries);

// A width x height 1-bit grey PNG, all black.
bool WritePngBilevel(const QString &path, uint32_t width, uint32_t height);

// A progressive width x height grey JPEG of `scans` scans with no entropy-
// coded data: the first a DC scan, the others the same AC band again.
bool WriteJpegScans(const QString &path, int width, int height, int scans);

// How the scans of a JPEG without entropy-coded data are laid out:
// progressive, one DC scan of every component; baseline, one scan of all
// of them or one scan for each.
enum class JpegScans { ProgressiveDc, BaselineOne, BaselineEach };

// A width x height JPEG without entropy-coded data: grey (components 1) or
// YCbCr 4:2:0 (3), its scans laid out as asked. Every pixel is the middle
// grey.
bool WriteJpegEmpty(const QString &path, int width, int height, int components, JpegScans scans);

// A progressive grey JPEG of a textured picture, written by libjpeg a row
// at a time.
bool WriteJpegProgressiveGrey(const QString &path, int width, int height);

// A real 24-bit bottom-up BMP of width x height, all black, written as a
// sparse file.
bool WriteBmpBlack(const QString &path, int32_t width, int32_t height);

// A grey JPEG of width x height, all 128 (3 MB at 16000 x 16000), as MJPEG
// frames, 4 a second, through the libavformat muxer ("avi", "mov").
bool WriteGreyMjpeg(const QString &path, const char *muxer, int width, int height, int frames);

// An AVI of grey MJPEG frames, fps a second, of which only the first is
// indexed as a key frame (allKeys: every one). numbered: frame i shows i
// in bars 16 pixels wide across the picture, bit k of i in the bars k, k +
// 16, ... (230 for 1, 25 for 0); otherwise every frame is all 128.
bool WriteMjpegFirstKey(const QString &path, int width, int height, int frames, int fps, bool numbered,
                        bool allKeys = false);

// The video cases with frames of side x side pixels.
std::vector<TCase> VideoCasesOfSide(int side);

// A grey PackBits document of width x 1 at depth 8 or 16 whose one row is
// a run of zeros, coded as the longest repeats.
bool WritePackBitsRow(const QString &path, int64_t width, int depth);

// A 1 x 1 grey Photoshop document whose resource section holds `count`
// empty resources.
bool WritePsdResources(const QString &path, int64_t count);

// A bilevel all-white picture in G4, written by libtiff: in one strip, or
// in square tiles of the side given.
bool WriteWhiteG4Tiff(const QString &path, uint32_t width, uint32_t height, uint32_t tile = 0);

// A width x height 8-bit grey Deflate TIFF of `samples` samples a pixel,
// all zeros, in tiles of tileWidth x tileHeight (0 x 0: one strip); each
// tile or strip is compressed about a thousand to one.
bool WriteZeroDeflateTiff(const QString &path, uint32_t width, uint32_t height, uint32_t tileWidth,
                          uint32_t tileHeight, uint16_t samples);

// An 8-bit colour-mapped run-length Targa of runs of 128 pixels.
bool WriteRunLengthTarga(const QString &path, int width, int height);

// A 32-bit run-length Sun raster of runs of 256 bytes.
bool WriteRunLengthSunRaster(const QString &path, uint32_t width, uint32_t height);

} // namespace hostile
