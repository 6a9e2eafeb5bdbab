// WriteImageFile: the part to write and the dispatch by extension, and what
// the writers share.
#include "ImageWriters.h"
#include "ByteOrder.h"
#include "SaveFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QIODevice>
#include <algorithm>
#include <memory>
#include <new>

namespace VlmImgUt {

bool TImgUt::WriteImageFile(const QString &path, const TDib *picture, const TDib *metadata, int32_t x,
                            int32_t y, int32_t width, int32_t height, bool transparent,
                            COLORREF transparentColour)
{
    if (!picture || !picture->bits)
        return false;
    VlmImgUt::PartOf(picture->width, x, width, cropX, cropWidth);
    VlmImgUt::PartOf(picture->height, y, height, cropY, cropHeight);

    const int code = ReaderCode(FileExtension(path));
    switch (code) {
    case 1:
        return WriteBmp(*this, path, picture);
    case 2:
        return WriteJpeg(*this, path, picture, metadata);
    case 3:
    case 11:
        return WriteTiff(*this, path, picture, metadata);
    case 4:
        return WritePng(*this, path, picture, metadata, transparent, transparentColour);
    case 5:
    case 7:
    case 8:
    case 9:
        return WriteJasper(*this, path, picture, code);
    case 6:
        return WriteTga(*this, path, picture);
    case 10:
        return WritePsd(*this, path, picture, metadata);
    default:
        return false;
    }
}

namespace Writer {

const uint8_t *Part::Row(int32_t r) const
{
    return picture->bits + int64_t(picture->height - 1 - (y + r)) * picture->stride + int64_t(x) * 3;
}

bool PartOf(const TImgUt &ctx, const TDib *picture, Part &part)
{
    if (!picture || !picture->bits)
        return false;
    if (ctx.cropX < 0 || ctx.cropY < 0 || ctx.cropWidth < 1 || ctx.cropHeight < 1
        || int64_t(ctx.cropX) + ctx.cropWidth > picture->width
        || int64_t(ctx.cropY) + ctx.cropHeight > picture->height)
        return false;
    part.picture = picture;
    part.x = ctx.cropX;
    part.y = ctx.cropY;
    part.width = ctx.cropWidth;
    part.height = ctx.cropHeight;
    return true;
}

void BgrToRgb(const uint8_t *bgr, uint8_t *rgb, int32_t count)
{
    for (int32_t i = 0; i < count; ++i, bgr += 3, rgb += 3) {
        rgb[0] = bgr[2];
        rgb[1] = bgr[1];
        rgb[2] = bgr[0];
    }
}

int32_t Dpi(int32_t dpi, int32_t cap)
{
    return std::clamp(dpi, 0, cap);
}

uint32_t PixelsPerMetre(int32_t dpi)
{
    return uint32_t(float(Dpi(dpi)) * 10000.0f / 254.0f + 0.5f);
}

bool WritesExif(const TImgUt &ctx)
{
    return (ctx.imgOpts.writeMetadata & 0xFF) != 0;
}

void Append16(QByteArray &bytes, uint16_t value, bool bigEndian)
{
    uint8_t p[2];
    Put16(value, p, bigEndian);
    bytes.append(reinterpret_cast<const char *>(p), 2);
}

void Append32(QByteArray &bytes, uint32_t value, bool bigEndian)
{
    uint8_t p[4];
    Put32(value, p, bigEndian);
    bytes.append(reinterpret_cast<const char *>(p), 4);
}

bool WriteBlocks(const QString &path, const QByteArray &header, int64_t count, int64_t blockBytes,
                 const std::function<void(int64_t, uint8_t *)> &fill)
{
    return SaveFile::Write(path, [&](QIODevice &file) {
        if (file.write(header) != header.size())
            return false;
        if (count < 1)
            return true;
        std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t(blockBytes)]());
        if (!block)
            return false;
        for (int64_t i = 0; i < count; ++i) {
            fill(i, block.get());
            if (file.write(reinterpret_cast<const char *>(block.get()), blockBytes) != blockBytes)
                return false;
        }
        return true;
    });
}

} // namespace Writer

} // namespace VlmImgUt
