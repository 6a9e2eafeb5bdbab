// Targa files built byte by byte, and the image types, depths and pixel
// orders the reader takes: the reader's tests check each picture, the fuzz
// seeds start from each layout.
#pragma once

#include "file_bytes.h"

#include <cmath>
#include <cstdint>

namespace layouts::tga {

using ReaderTests::Rgb;

struct Tga {
    int idLength = 0;
    int mapType = 0;
    int type = 2;           // 1 mapped, 2 true colour, 3 grey; +8 run-length
    int mapFirst = 0;
    int mapLength = 0;
    int mapBits = 24;
    int indices = 0;        // entry numbers used, 0 to indices - 1; 0: mapLength
    int width = 5, height = 3;
    int bits = 24;          // 8, 15, 16, 24, 32
    int descriptor = 0;     // bit 4 right to left, bit 5 top row first
    int64_t cutAt = -1;     // file length limit
};

inline Rgb Colour(int x, int y) { return {uint8_t(40 * x + y), uint8_t(50 * y + 3), uint8_t(200 - 7 * x)}; }
inline Rgb MapEntry(int i) { return {uint8_t(30 * i + 1), uint8_t(255 - 20 * i), uint8_t(i * i)}; }
inline int Index(int x, int y, const Tga &s)
{
    const int n = s.indices ? s.indices : s.mapLength;
    return n > 0 ? (x + 3 * y) % n : 0;
}
// 5 bits each of red (10-14), green (5-9) and blue (0-4); bit 15 set on
// some pixels, where it means nothing.
inline uint16_t Word(int x, int y)
{
    return uint16_t(((x * 5 + y * 3) & 31) << 10 | ((x * 7 + y) & 31) << 5 | ((x + y * 11) & 31) |
                    ((x & 1) << 15));
}
inline uint8_t Scale5(int v) { return uint8_t(std::lround(v * 255.0 / 31.0)); }

// The picture each layout stores.
Rgb Expected(const Tga &s, int x, int y);

// Packets over the whole pixel sequence (px, bpp bytes each), so runs
// cross row ends.
QByteArray RunLength(const QByteArray &px, int bpp);

QByteArray Build(const Tga &s);

// 2 x 2, 24 bits, run-length, bottom row first: one packet repeats
// (0x30, 0x20, 0x10) three times, over the bottom row and the first pixel
// of the top row; a raw packet gives (0x60, 0x50, 0x40).
QByteArray RepeatAcrossRowEnd();

struct Layout {
    const char *name;
    int type, bits, mapLength;
};

inline const Layout Layouts[] = {
    {"mapped", 1, 8, 7},           {"mapped run-length", 9, 8, 7}, {"mapped, 256 entries", 1, 8, 256},
    {"15 bits", 2, 15, 0},         {"16 bits", 2, 16, 0},          {"16 bits run-length", 10, 16, 0},
    {"24 bits", 2, 24, 0},         {"24 bits run-length", 10, 24, 0},
    {"32 bits", 2, 32, 0},         {"32 bits run-length", 10, 32, 0},
    {"24 bits, map not used", 2, 24, 5},
};
// Bottom-up, top-down, right to left each way, alpha bits, an ID field.
inline const int Descriptors[] = {0x00, 0x20, 0x10, 0x30, 0x08, 0x2F};

// The layout with that descriptor (0x08 with an ID field) and width.
Tga Spec(const Layout &l, int descriptor, int width);

} // namespace layouts::tga
