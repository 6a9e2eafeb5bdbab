// The kinds of TIFF picture the reader takes, written by libtiff: the
// reader's tests compare each with libtiff's own RGBA read, the fuzz seeds
// start from each.
#pragma once

#include "picture_writers.h"

#include <tiffio.h>

namespace layouts::tiff {

// Colour, grey, bilevel, palette and alpha kinds, in one strip or tiles,
// through pictures::WriteTiff.
struct Kind {
    const char *name;
    int samples, bits, photometric, extra;
    bool opaque;
    int compression;
    bool tiled, big;
    bool alpha; // an alpha plane is made
};

inline const Kind Kinds[] = {
    {"rgb", 3, 8, PHOTOMETRIC_RGB, 0, false, COMPRESSION_NONE, false, false, false},
    {"rgb big-endian 16", 3, 16, PHOTOMETRIC_RGB, 0, false, COMPRESSION_NONE, false, true, false},
    {"rgb big-endian 16 lzw", 3, 16, PHOTOMETRIC_RGB, 0, false, COMPRESSION_LZW, false, true, false},
    {"rgb lzw", 3, 8, PHOTOMETRIC_RGB, 0, false, COMPRESSION_LZW, false, false, false},
    {"rgb deflate tiled", 3, 8, PHOTOMETRIC_RGB, 0, false, COMPRESSION_ADOBE_DEFLATE, true, false, false},
    {"rgb packbits big-endian", 3, 8, PHOTOMETRIC_RGB, 0, false, COMPRESSION_PACKBITS, false, true, false},
    {"grey", 1, 8, PHOTOMETRIC_MINISBLACK, 0, false, COMPRESSION_NONE, false, false, false},
    {"grey packbits", 1, 8, PHOTOMETRIC_MINISBLACK, 0, false, COMPRESSION_PACKBITS, false, false, false},
    {"grey white is zero", 1, 8, PHOTOMETRIC_MINISWHITE, 0, false, COMPRESSION_NONE, false, false, false},
    {"grey 16", 1, 16, PHOTOMETRIC_MINISBLACK, 0, false, COMPRESSION_NONE, false, false, false},
    {"bilevel", 1, 1, PHOTOMETRIC_MINISBLACK, 0, false, COMPRESSION_NONE, false, false, false},
    {"bilevel white is zero", 1, 1, PHOTOMETRIC_MINISWHITE, 0, false, COMPRESSION_NONE, false, false, false},
    {"palette 8", 1, 8, PHOTOMETRIC_PALETTE, 0, false, COMPRESSION_NONE, false, false, false},
    {"palette 4 big-endian", 1, 4, PHOTOMETRIC_PALETTE, 0, false, COMPRESSION_NONE, false, true, false},
    {"rgba", 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, false, COMPRESSION_NONE, false, false, true},
    {"rgba premultiplied", 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_ASSOCALPHA, false, COMPRESSION_NONE, false, false, true},
    {"rgba opaque", 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, true, COMPRESSION_LZW, false, false, false},
    {"grey alpha", 2, 8, PHOTOMETRIC_MINISBLACK, EXTRASAMPLE_UNASSALPHA, false, COMPRESSION_NONE, true, false, true},
    {"grey alpha opaque", 2, 8, PHOTOMETRIC_MINISBLACK, EXTRASAMPLE_UNASSALPHA, true, COMPRESSION_NONE, false, false, false},
};

// A 21 x 19 picture of the kind.
pictures::TiffSpec Spec(const Kind &k);

// The layouts the reader takes a scanline or a band at a time: strips of
// every height, tiles, separate planes, every orientation, widths past one
// converted piece.
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
    bool bigEndian = false;
};

inline const Layout PieceLayouts[] = {
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
    {"rgba tiles in separate planes, bottom left", 40, 24, 4, 8, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA, true, 0,
     16, 16, ORIENTATION_LEFTBOT, COMPRESSION_NONE},
    // Strips and tiles taller than a band: read a part at a time.
    {"tiles taller than a band", 4112, 1024, 3, 8, PHOTOMETRIC_RGB, 0, false, 0, 16, 1024, ORIENTATION_TOPLEFT,
     COMPRESSION_NONE},
    {"one strip of separate planes taller than a band", 4112, 1030, 3, 8, PHOTOMETRIC_RGB, 0, true, 0, 0, 0,
     ORIENTATION_BOTRIGHT, COMPRESSION_NONE},
    // Read in bands by libtiff: sub-sampled chroma.
    {"ycbcr 4:2:0 in strips of 6", 71, 49, 3, 8, PHOTOMETRIC_YCBCR, 0, false, 6, 0, 0, ORIENTATION_TOPRIGHT,
     COMPRESSION_LZW, 2},
    {"ycbcr 4:2:0 in one strip taller than a band", 4112, 1100, 3, 8, PHOTOMETRIC_YCBCR, 0, false, 0, 0, 0,
     ORIENTATION_BOTLEFT, COMPRESSION_NONE, 2},
    // Tiles far wider than the picture's edge cuts them.
    {"edge tiles taller than a band", 4100, 1030, 3, 8, PHOTOMETRIC_RGB, 0, false, 0, 8192, 1024,
     ORIENTATION_TOPLEFT, COMPRESSION_ADOBE_DEFLATE},
};

// Writes the layout with libtiff: the samples of pictures::Sample, alpha
// with some clear pixels; samples beyond the colours' are extra samples,
// the last of the kind of `alpha`.
bool WriteLayout(const char *path, const Layout &l);

// A grey picture of contiguous 8 or 16-bit samples, top row first, read
// from libtiff's raw samples (TIFFReadTile, TIFFReadScanline) without its
// RGBA interface: the first sample's high byte, inverted where white is 0;
// at 8 bits with an alpha sample its value as alpha, else opaque (as the
// RGBA interface gives 16-bit grey).
bool DecodeGreySamples(const QString &path, pictures::Rgba &out);

} // namespace layouts::tiff
