// Sun raster: standard type, 24 bits as blue, green, red, rows padded to an
// even length, top row first.
#include "ByteOrder.h"
#include "ImageWriters.h"
#include "TDib.h"

#include <cstring>

namespace VlmImgUt {

bool WriteSun(TImgUt &ctx, const QString &path, const TDib *picture)
{
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;
    const int64_t rowBytes = (int64_t(part.width) * 3 + 1) & ~int64_t(1);
    const int64_t length = rowBytes * part.height;
    if (length > int64_t(UINT32_MAX))
        return false;
    QByteArray header(32, '\0');
    auto *h = reinterpret_cast<uint8_t *>(header.data());
    Put32(0x59A66A95, h, true);
    Put32(uint32_t(part.width), h + 4, true);
    Put32(uint32_t(part.height), h + 8, true);
    Put32(24, h + 12, true);
    Put32(uint32_t(length), h + 16, true);
    Put32(1, h + 20, true); // standard type
    // Colour map type and length stay 0.
    return Writer::WriteBlocks(path, header, part.height, rowBytes, [&](int64_t i, uint8_t *row) {
        std::memcpy(row, part.Row(int32_t(i)), size_t(part.width) * 3);
    });
}

} // namespace VlmImgUt
