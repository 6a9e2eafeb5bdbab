// Byte-order readers and writers for file headers, metadata blocks and
// stored options.
#pragma once

#include <cstdint>

namespace VlmImgUt {

inline uint16_t Get16(const uint8_t *p, bool bigEndian)
{
    return bigEndian ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
}

inline void Put16(uint16_t value, uint8_t *p, bool bigEndian)
{
    if (bigEndian) {
        p[0] = uint8_t(value >> 8);
        p[1] = uint8_t(value);
    } else {
        p[0] = uint8_t(value);
        p[1] = uint8_t(value >> 8);
    }
}

inline uint32_t Get32(const uint8_t *p, bool bigEndian)
{
    if (bigEndian)
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void Put32(uint32_t value, uint8_t *p, bool bigEndian)
{
    for (int i = 0; i < 4; ++i)
        p[bigEndian ? 3 - i : i] = uint8_t(value >> (8 * i));
}

inline uint16_t Get16BE(const uint8_t *p)
{
    return Get16(p, true);
}

inline uint32_t Get32BE(const uint8_t *p)
{
    return Get32(p, true);
}

inline uint16_t Get16LE(const uint8_t *p)
{
    return Get16(p, false);
}

inline uint32_t Get32LE(const uint8_t *p)
{
    return Get32(p, false);
}

} // namespace VlmImgUt
