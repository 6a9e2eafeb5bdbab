// The TIFF (and DNG) reader on any bytes, in every reading mode. A picture
// of more than 4M pixels is read reduced only: at full size its record alone
// would take the fuzzer's time (a G4 strip of a few bytes claims gigabytes).
#include "fuzz_util.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

namespace {

struct Memory {
    const uint8_t *data;
    size_t size;
    size_t at = 0;
};

tsize_t MemRead(thandle_t h, tdata_t buf, tsize_t n)
{
    Memory &m = *static_cast<Memory *>(h);
    const size_t k = m.at < m.size ? std::min(size_t(n), m.size - m.at) : 0;
    std::memcpy(buf, m.data + m.at, k);
    m.at += k;
    return tsize_t(k);
}

tsize_t MemWrite(thandle_t, tdata_t, tsize_t)
{
    return -1;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence)
{
    Memory &m = *static_cast<Memory *>(h);
    const uint64_t base = whence == SEEK_CUR ? m.at : whence == SEEK_END ? m.size : 0;
    m.at = size_t(base + off);
    return toff_t(m.at);
}

int MemClose(thandle_t)
{
    return 0;
}

toff_t MemSize(thandle_t h)
{
    return toff_t(static_cast<Memory *>(h)->size);
}

int NoMap(thandle_t, tdata_t *, toff_t *)
{
    return 0;
}

void NoUnmap(thandle_t, tdata_t, toff_t) {}

bool LargePicture(const uint8_t *data, size_t size)
{
    Memory m{data, size};
    TIFF *tif = TIFFClientOpen("input.tif", "rm", &m, MemRead, MemWrite, MemSeek, MemClose, MemSize, NoMap, NoUnmap);
    if (!tif)
        return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFClose(tif);
    return uint64_t(w) * h > (uint64_t(1) << 22);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Context(); // its libtiff handlers print nothing
    if (size % 4 == 0 && LargePicture(data, size))
        return 0; // the full-size mode
    return fuzz::ReadPicture(data, size, "input.tif");
}
