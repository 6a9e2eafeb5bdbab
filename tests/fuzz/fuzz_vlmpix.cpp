// The image list's block decoder on any bytes: one byte of image count,
// the inflated size (32 bits, little-endian), then the zlib stream.
#include "VlmPix.h"

#include <cstdint>

namespace {
volatile unsigned sink = 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const int count = data[0];
    const size_t rawSize = size_t(data[1]) | size_t(data[2]) << 8 | size_t(data[3]) << 16 | size_t(data[4]) << 24;
    const std::vector<QImage> images = VlmPix::DecodeBlock(data + 5, size - 5, rawSize, count);
    unsigned sum = 0;
    for (const QImage &img : images)
        if (!img.isNull())
            sum += img.pixel(img.width() - 1, img.height() - 1);
    sink = sum;
    return 0;
}
