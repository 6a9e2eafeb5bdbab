// Photoshop document: RGB, 8 bits, raw planes red, green, blue; resources
// for the resolution and, when given, the ICC profile and EXIF block.
#include "ByteOrder.h"
#include "ImageWriters.h"
#include "TDib.h"
#include "TImgUt.h"

namespace VlmImgUt {

namespace {

void Append16(QByteArray &b, uint16_t v)
{
    Writer::Append16(b, v, true);
}

void Append32(QByteArray &b, uint32_t v)
{
    Writer::Append32(b, v, true);
}

// One image resource: signature, id, empty name, the data's own size, the
// data padded to even. (The padding is not counted in the size, so a
// profile or EXIF block of odd size reads back without a stray byte.)
void AppendResource(QByteArray &b, uint16_t id, const uint8_t *data, uint32_t size)
{
    b.append("8BIM", 4);
    Append16(b, id);
    Append16(b, 0);
    Append32(b, size);
    b.append(reinterpret_cast<const char *>(data), size);
    if (size & 1)
        b.append('\0');
}

} // namespace

bool WritePsd(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata)
{
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;

    // The optional blocks, each left out when the section length would not
    // fit its 32-bit field.
    uint64_t sectionLength = 28;
    auto fits = [&](const uint8_t *block, uint32_t size) {
        if (!block)
            return false;
        const uint64_t next = sectionLength + 12 + size + (size & 1);
        if (next > UINT32_MAX)
            return false;
        sectionLength = next;
        return true;
    };
    const bool icc = metadata && fits(metadata->icc, metadata->iccSize);
    const bool exif = metadata && Writer::WritesExif(ctx) && fits(metadata->exif, metadata->exifSize);

    QByteArray h;
    h.append("8BPS", 4);
    Append16(h, 1);
    h.append(6, '\0');
    Append16(h, 3);
    Append32(h, uint32_t(part.height));
    Append32(h, uint32_t(part.width));
    Append16(h, 8);
    Append16(h, 3);
    Append32(h, 0); // colour mode data

    Append32(h, uint32_t(sectionLength));
    uint8_t resolution[16] = {};
    // 16.16 fixed values: the resolution stays within their signed range.
    Put32(uint32_t(Writer::Dpi(picture->dpiX, 32767)) << 16, resolution, true);
    Put16(1, resolution + 4, true);
    Put16(1, resolution + 6, true);
    Put32(uint32_t(Writer::Dpi(picture->dpiY, 32767)) << 16, resolution + 8, true);
    Put16(1, resolution + 12, true);
    Put16(1, resolution + 14, true);
    AppendResource(h, 1005, resolution, sizeof resolution);
    if (icc)
        AppendResource(h, 1039, metadata->icc, metadata->iccSize);
    if (exif)
        AppendResource(h, 1058, metadata->exif, metadata->exifSize);

    Append32(h, 0); // layer and mask information
    Append16(h, 0); // raw image data

    return Writer::WriteBlocks(path, h, int64_t(part.height) * 3, part.width, [&](int64_t i, uint8_t *row) {
        const int channel = 2 - int(i / part.height); // red, green, blue planes of B, G, R pixels
        const uint8_t *p = part.Row(int32_t(i % part.height)) + channel;
        for (int32_t c = 0; c < part.width; ++c, p += 3)
            row[c] = *p;
    });
}

} // namespace VlmImgUt
