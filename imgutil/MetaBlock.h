// Metadata blocks of a picture record: C-heap copies with their sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace VlmImgUt {

// Makes block a copy of n bytes at src unless it is already set or n is 0
// (or does not fit the 32-bit size). A failed allocation leaves it absent.
inline void KeepBlock(uint8_t *&block, uint32_t &size, const void *src, size_t n)
{
    if (block || n == 0 || n > UINT32_MAX)
        return;
    auto *mem = static_cast<uint8_t *>(std::malloc(n));
    if (!mem)
        return;
    std::memcpy(mem, src, n);
    block = mem;
    size = uint32_t(n);
}

// A resolution from a file as whole dots per inch: trunc(value + 0.5);
// anything that is no number or lies outside int32 gives 0.
inline int32_t RoundDpi(float value)
{
    const float v = value + 0.5f;
    if (!(v > -2.0e9f && v < 2.0e9f))
        return 0;
    return int32_t(v);
}

} // namespace VlmImgUt
