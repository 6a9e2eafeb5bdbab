// Windows bitmap: 24 bits, uncompressed, rows bottom first.
#include "ByteOrder.h"
#include "ImageWriters.h"
#include "TDib.h"

#include <cstring>

namespace VlmImgUt {

bool WriteBmp(TImgUt &ctx, const QString &path, const TDib *picture)
{
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;
    const int64_t rowBytes = (int64_t(part.width) * 3 + 3) & ~int64_t(3);
    const int64_t imageBytes = rowBytes * part.height;
    if (54 + imageBytes > int64_t(UINT32_MAX))
        return false;

    QByteArray header(54, '\0');
    auto *h = reinterpret_cast<uint8_t *>(header.data());
    h[0] = 'B';
    h[1] = 'M';
    Put32(uint32_t(54 + imageBytes), h + 2, false);
    Put32(54, h + 10, false);
    Put32(40, h + 14, false);
    Put32(uint32_t(part.width), h + 18, false);
    Put32(uint32_t(part.height), h + 22, false);
    Put16(1, h + 26, false);
    Put16(24, h + 28, false);
    Put32(uint32_t(imageBytes), h + 34, false);
    Put32(Writer::PixelsPerMetre(picture->dpiX), h + 38, false);
    Put32(Writer::PixelsPerMetre(picture->dpiY), h + 42, false);

    return Writer::WriteBlocks(path, header, part.height, rowBytes, [&](int64_t i, uint8_t *row) {
        std::memcpy(row, part.Row(part.height - 1 - int32_t(i)), size_t(part.width) * 3);
    });
}

} // namespace VlmImgUt
