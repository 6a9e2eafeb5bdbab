// Sun raster files built byte by byte, and the depths, types and maps the
// reader takes: the reader's tests check each picture, the fuzz seeds
// start from each layout.
#pragma once

#include "file_bytes.h"

#include <cstdint>

namespace layouts::sunraster {

using ReaderTests::Rgb;

struct Ras {
    uint32_t magic = 0x59A66A95;
    int width = 5, height = 3;
    uint32_t depth = 24;
    uint32_t type = 1;      // 0 old, 1 standard, 2 run-length, 3 RGB
    uint32_t mapType = 0;
    int mapEntries = 0;     // entries written with map type 1
    int64_t mapLength = -1; // header value; -1: 3 * mapEntries
    int64_t cutAt = -1;     // file length limit
};

inline Rgb Colour(int x, int y) { return {uint8_t(40 * x + y), uint8_t(50 * y + 3), uint8_t(200 - 7 * x)}; }
inline Rgb MapEntry(int i) { return {uint8_t(30 * i + 1), uint8_t(255 - 20 * i), uint8_t(i * i)}; }
inline int Index(int x, int y) { return (x + 3 * y) % 7; }
inline bool Bit(int x, int y) { return (x + y) % 3 == 0; }

// The picture each layout stores.
Rgb Expected(const Ras &s, int x, int y);

// 0x80 n v stands for n + 1 bytes v, 0x80 0 for one 0x80.
QByteArray RunLength(const QByteArray &raw);

QByteArray Build(const Ras &s);

// 3 x 2 grey, rows of 4 bytes (one pad). Six bytes 0x10 run from the first
// row over its pad into the second; then one 0x80 and a pad.
QByteArray RunsAcrossRowEnd();

struct Layout {
    const char *name;
    uint32_t depth, type;
    int mapEntries;
};

inline const Layout Layouts[] = {
    {"1 bit, 1 is black", 1, 1, 0},  {"1 bit with a map", 1, 1, 2},     {"1 bit run-length", 1, 2, 0},
    {"8 bits grey", 8, 1, 0},        {"8 bits mapped", 8, 1, 7},        {"8 bits, short map", 8, 1, 4},
    {"8 bits old type", 8, 0, 7},    {"8 bits run-length", 8, 2, 7},
    {"24 bits B-G-R", 24, 1, 0},     {"24 bits old type", 24, 0, 0},    {"24 bits R-G-B", 24, 3, 0},
    {"24 bits run-length", 24, 2, 0}, {"24 bits, map not used", 24, 1, 3},
    {"32 bits B-G-R", 32, 1, 0},     {"32 bits R-G-B", 32, 3, 0},       {"32 bits run-length", 32, 2, 0},
};

// The layout at that width.
Ras Spec(const Layout &l, int width);

} // namespace layouts::sunraster
