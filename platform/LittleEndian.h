// Little-endian integers in byte buffers (file headers, saved records).
#pragma once

#include <cstdint>

namespace LittleEndian {

inline uint16_t LoadU16(const uint8_t *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t LoadU32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline int32_t LoadI32(const uint8_t *p)
{
    return int32_t(LoadU32(p));
}

inline void StoreI32(uint8_t *p, int32_t value)
{
    const uint32_t v = uint32_t(value);
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

} // namespace LittleEndian
