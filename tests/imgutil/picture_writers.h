// Picture files written by libjpeg, libpng, libtiff and OpenJPEG
// themselves, and the same libraries decoding them on their own: the
// readers' tests take their fixtures and expected pixels from here, the
// fuzz targets their seeds, the benchmarks their JPEG 2000 faces.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct opj_cparameters;

namespace pictures {

// An 8-bit RGBA picture, rows from the top.
struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> px; // 4 bytes a pixel
    const uint8_t *At(int x, int y) const { return &px[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    uint8_t *At(int x, int y) { return &px[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

// Samples: value of channel c (0..3) at (x, y) for a picture of a given
// depth (its maximum is (1 << depth) - 1): smooth gradients with some
// detail, so scaling and placement errors show.
uint32_t Sample(int x, int y, int c, int depth);

// ---- PNG ----
struct PngSpec {
    int width = 7, height = 5;
    int colorType = 2;  // PNG_COLOR_TYPE_*
    int depth = 8;
    bool interlace = false;
    bool trns = false;  // a tRNS chunk (palette: entries below 255; grey/RGB: one colour)
    std::vector<uint8_t> icc;
    std::vector<std::pair<std::string, std::string>> texts; // before the image data
    std::vector<std::pair<std::string, std::string>> endTexts; // after it
    std::vector<uint8_t> exif; // an eXIf chunk
};
// Writes the PNG; empty on failure.
QByteArray WritePng(const PngSpec &spec);
// libpng's own full decode with expand, strip 16, packing and grey to RGB
// (the high-level interface, which also de-interlaces); alpha is 255 where
// the file has none. hasAlpha tells whether the result has an alpha channel.
bool DecodePng(const QByteArray &file, Rgba &out, bool &hasAlpha);

// ---- JPEG ----
struct JpegMarker {
    int code;          // JPEG_APP0 + n or JPEG_COM
    QByteArray data;
};
struct JpegSpec {
    int width = 16, height = 12;
    int components = 3; // 1 grey, 3 RGB (stored YCbCr), 4 CMYK
    int quality = 90;
    bool progressive = false;
    int densityUnit = 1, densityX = 72, densityY = 72;
    std::vector<JpegMarker> markers;
};
QByteArray WriteJpeg(const JpegSpec &spec);
// libjpeg's own decode of a file to RGB at scaleNum / 8.
bool DecodeJpeg(const QByteArray &file, int scaleNum, Rgba &out);
// The APP2 chunks of an ICC profile: "ICC_PROFILE", 0, sequence, count.
std::vector<JpegMarker> IccChunks(const QByteArray &profile, int pieces);

// ---- TIFF ----
struct TiffSpec {
    int width = 9, height = 6;
    bool bigEndian = false;
    int samples = 3;          // per pixel
    int bits = 8;             // per sample
    int photometric = 2;      // PHOTOMETRIC_*
    int extraAlpha = 0;       // EXTRASAMPLE_* of a fourth (or second) sample, 0 none
    bool opaqueAlpha = false; // the alpha sample 255 (or its maximum) everywhere
    int compression = 1;
    bool tiled = false;
    int resUnit = 0;          // 0: no ResolutionUnit tag
    float resX = 0, resY = 0; // 0: tag absent
    std::vector<uint8_t> icc, iptc, photoshop, xmp;
};
QByteArray WriteTiff(const TiffSpec &spec);
// libtiff's own RGBA read, rows from the top.
bool DecodeTiff(const QByteArray &file, Rgba &out);

// ---- JPEG 2000 ----
struct Jpeg2000Spec {
    int format = 2;           // OPJ_CODEC_JP2, or OPJ_CODEC_J2K (0) for a bare code stream
    int width = 7, height = 5, comps = 3, prec = 8;
    uint32_t offsetX = 0, offsetY = 0; // the image's origin on the reference grid
    bool sgnd = false;
    int subsample = 1;        // dx = dy of the components after the first
    float rate = 0;           // irreversible 9/7 at this ratio; 0: lossless 5/3
    int colourTransform = -1; // tcp_mct; -1: on for three or more full-size components
    int resolutions = 0;      // 0: one more for each halving of the smaller side, up to 6
    // Sample (c, x, y) of component c, at its own (sub-sampled) position.
    std::function<int(int, int, int)> sample = [](int c, int x, int y) {
        return (x * 37 + y * 59 + c * 71) % 256;
    };
    // Changes the encoder's parameters last (tiles, precincts, layers).
    std::function<void(::opj_cparameters &)> tune;
    int threads = 0; // the encoder's threads; 0: the library's default
};
// Writes the file with OpenJPEG; false on failure.
bool WriteJpeg2000(const std::string &path, const Jpeg2000Spec &spec);
// OpenJPEG's own decode of a file of that format, at full resolution or
// reduced by 2^reduce: each component's samples and where they start (in
// the component's own samples of the reference grid).
struct Jpeg2000Samples {
    struct Comp {
        int w, h, dx, dy, prec;
        int64_t x0, y0;
        bool sgnd;
        std::vector<int> data;
    };
    std::vector<Comp> comps;
    bool ok = false;
};
Jpeg2000Samples DecodeJpeg2000(const std::string &path, int format, int reduce = 0);
// OpenJPEG's own full decode of a file on all its threads, as its own
// decompressor does it; the samples are dropped.
bool DecodeJpeg2000Threaded(const std::string &path, int format);

QByteArray Bytes(const std::vector<uint8_t> &v);
// An ICC profile of size bytes (at least 132) that libpng accepts for an
// RGB picture: a monitor RGB header, no tags, pattern bytes after them.
std::vector<uint8_t> IccProfile(int size);

} // namespace pictures
