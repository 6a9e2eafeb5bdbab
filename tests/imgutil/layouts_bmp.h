// Windows bitmaps built byte by byte, and the header sizes, depths and row
// orders the reader takes: the reader's tests check each picture, the fuzz
// seeds start from each layout.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace layouts::bmp {

struct Bmp {
    int headerSize = 40;   // 12: core header
    int width = 4;
    int height = 3;        // negative: top-down
    int bits = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    int32_t ppmX = 2835, ppmY = 2835;
    int paletteEntries = 0; // entries written
    int64_t cutAt = -1;     // file length limit, -1: whole file
    bool pixels = true;     // false: headers and palette only
};

// Colour of picture pixel (x, y), y counted from the top, as B, G, R.
struct BGR { uint8_t b, g, r; };
inline BGR Colour(int x, int y) { return {uint8_t(x), uint8_t(y), uint8_t(0x80 | ((x + y) & 0x7F))}; }
inline BGR PaletteEntry(int i) { return {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)}; }
inline int Index(int x, int y) { return (x + 7 * y) & 0xFF; }

QByteArray Build(const Bmp &s);

struct Layout {
    const char *name;
    int headerSize, bits, height;
    uint32_t coloursUsed;
    int entries;
};

inline const Layout Layouts[] = {
    {"info 24 bottom-up", 40, 24, 3, 0, 0},
    {"info 24 top-down", 40, 24, -3, 0, 0},
    {"info 32 bottom-up", 40, 32, 3, 0, 0},
    {"info 32 top-down", 40, 32, -3, 0, 0},
    {"v4 header 24", 108, 24, 3, 0, 0},
    {"v5 header 24 top-down", 124, 24, -3, 0, 0},
    {"core 24", 12, 24, 3, 0, 0},
    {"info 8 colours used 0", 40, 8, 3, 0, 256},
    {"info 8 colours used 300", 40, 8, 3, 300, 256},
    {"info 8 top-down", 40, 8, -3, 0, 256},
    {"core 8", 12, 8, 3, 0, 256},
};

// The layout at that width.
Bmp Spec(const Layout &l, int width);

} // namespace layouts::bmp
