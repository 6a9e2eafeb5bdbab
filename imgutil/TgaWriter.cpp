// Targa: uncompressed true colour, 24 bits, top row first.
#include "ImageWriters.h"
#include "TDib.h"

#include <cstring>

namespace VlmImgUt {

bool WriteTga(TImgUt &ctx, const QString &path, const TDib *picture)
{
    Writer::Part part;
    // The header holds 16-bit sizes.
    if (!Writer::PartOf(ctx, picture, part) || part.width > 0xFFFF || part.height > 0xFFFF)
        return false;
    QByteArray header(18, '\0');
    header[2] = 2;
    header[12] = char(part.width & 0xFF);
    header[13] = char(part.width >> 8);
    header[14] = char(part.height & 0xFF);
    header[15] = char(part.height >> 8);
    header[16] = 24;
    header[17] = 0x20; // top-left origin
    const int64_t rowBytes = int64_t(part.width) * 3;
    return Writer::WriteBlocks(path, header, part.height, rowBytes, [&](int64_t i, uint8_t *row) {
        std::memcpy(row, part.Row(int32_t(i)), size_t(rowBytes));
    });
}

} // namespace VlmImgUt
