// The image writers behind TImgUt::WriteImageFile. Each writes the part of
// the picture that the context's crop fields name (rows from the top) to
// path through a temporary file, and reports success only when every
// write, the flush and the commit succeeded; an existing file is replaced
// only then.
#pragma once

#include "Color.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace VlmImgUt {

class TDib;
class TImgUt;

bool WriteBmp(TImgUt &ctx, const QString &path, const TDib *picture);
bool WriteJpeg(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata);
// TIFF; a ".dng" path is always JPEG-compressed.
bool WriteTiff(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata);
bool WritePng(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata, bool transparent,
              COLORREF transparentColour);
// Code 7 JP2, 8 a JPEG 2000 code stream, 5 PNM (P6), 9 Sun raster.
bool WriteJasper(TImgUt &ctx, const QString &path, const TDib *picture, int code);
bool WriteTga(TImgUt &ctx, const QString &path, const TDib *picture);
bool WritePsd(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata);
bool WritePnm(TImgUt &ctx, const QString &path, const TDib *picture);
bool WriteSun(TImgUt &ctx, const QString &path, const TDib *picture);

namespace Writer {

// The part of a picture a writer takes.
struct Part {
    const TDib *picture = nullptr;
    int32_t x = 0, y = 0, width = 0, height = 0;

    // First B, G, R pixel of part row r, counted from the top.
    const uint8_t *Row(int32_t r) const;
};

// The context's crop of picture; false when the picture has no pixels or
// the crop does not lie inside it.
bool PartOf(const TImgUt &ctx, const TDib *picture, Part &part);

void BgrToRgb(const uint8_t *bgr, uint8_t *rgb, int32_t count);

// A resolution bounded to 0..cap (negative values give 0).
int32_t Dpi(int32_t dpi, int32_t cap = 65535);

// dpi as pixels per metre, trunc(dpi * 10000 / 254 + 0.5) in float.
uint32_t PixelsPerMetre(int32_t dpi);

// True when the options ask for the EXIF block to be written (the first
// byte of the write-metadata field).
bool WritesExif(const TImgUt &ctx);

// Appends a 16- or 32-bit value in the given byte order.
void Append16(QByteArray &bytes, uint16_t value, bool bigEndian);
void Append32(QByteArray &bytes, uint32_t value, bool bigEndian);

// Writes header, then count blocks of blockBytes bytes that fill(i, buffer)
// makes, to path through a temporary file.
bool WriteBlocks(const QString &path, const QByteArray &header, int64_t count, int64_t blockBytes,
                 const std::function<void(int64_t, uint8_t *)> &fill);

} // namespace Writer

} // namespace VlmImgUt
