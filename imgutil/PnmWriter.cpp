// Portable pixmap: binary P6 with 8-bit samples, top row first.
#include "ImageWriters.h"
#include "TDib.h"

namespace VlmImgUt {

bool WritePnm(TImgUt &ctx, const QString &path, const TDib *picture)
{
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;
    const QByteArray header = "P6\n" + QByteArray::number(part.width) + ' ' + QByteArray::number(part.height)
        + "\n255\n";
    return Writer::WriteBlocks(path, header, part.height, int64_t(part.width) * 3,
                               [&](int64_t i, uint8_t *row) { Writer::BgrToRgb(part.Row(int32_t(i)), row, part.width); });
}

} // namespace VlmImgUt
