// Photoshop documents built byte by byte, and the modes and channels the
// reader takes: the reader's tests check each picture, the fuzz seeds start
// from each layout.
#pragma once

#include "file_bytes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace layouts::psd {

using ReaderTests::Bytes;
using ReaderTests::Rgb;

struct Resource {
    int id;
    QByteArray data;
    QByteArray name; // Pascal string contents
};

struct Psd {
    QByteArray signature = "8BPS";
    int version = 1;
    int channels = 3;
    uint32_t width = 5, height = 3;
    int depth = 8;
    int mode = 3;                   // 1 grey, 2 indexed, 3 RGB, 4 CMYK, 8 duotone
    QByteArray colourData;          // colour mode data section
    std::vector<Resource> resources;
    int64_t resourceLength = -1;    // header value; -1: what is written
    int64_t colourLength = -1;
    int64_t layerLength = -1;
    QByteArray layers = Bytes("\0\0\0\0layers");
    int compression = 0;            // 0 raw, 1 PackBits
    int channelsWritten = -1;       // -1: channels
    // Sample of channel c at (x, y): 8 bits, or 16 bits.
    std::function<uint32_t(int, int, int)> sample = [](int c, int x, int y) {
        return uint32_t((x * 40 + y * 70 + c * 90) & 255);
    };
    int64_t cutAt = -1;
};

uint32_t Sample16(int c, int x, int y);

// Encodes one row: runs of 3 or more as repeats, the rest as literals.
QByteArray PackBits(const QByteArray &row);

QByteArray ResourceSection(const std::vector<Resource> &list);

QByteArray Build(const Psd &s);

// A colour mode data section of that many entries.
QByteArray Palette(int entries);

// A resolution resource's data.
QByteArray Resolution(int dpiX, int dpiY);

// The byte a sample gives: 16 bits are (v + 127) / 256, at most 255.
int Byte(const Psd &s, int c, int x, int y);

// The picture each document stores.
Rgb Expected(const Psd &s, int x, int y);

// The channel read as the alpha plane, -1 for none.
int AlphaChannel(const Psd &s);

struct Layout {
    const char *name;
    int mode, channels;
    int paletteEntries;
};

inline const Layout Layouts[] = {
    {"RGB", 3, 3, 0},          {"RGB with alpha", 3, 4, 0},  {"grey", 1, 1, 0},
    {"grey with alpha", 1, 2, 0}, {"grey, extra channels", 1, 3, 0},
    {"indexed", 2, 1, 200},    {"indexed, 16 entries", 2, 1, 16},
    {"CMYK", 4, 4, 0},         {"CMYK with alpha", 4, 5, 0}, {"duotone", 8, 1, 0},
    {"duotone, extra channel", 8, 2, 0},
};

// The layout at that depth (8 or 16), compression (0 raw, 1 PackBits) and
// width.
Psd Spec(const Layout &l, int depth, int compression, uint32_t width);

} // namespace layouts::psd
