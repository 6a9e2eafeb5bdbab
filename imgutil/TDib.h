// The picture record: a 24-bit bottom-up bitmap selected into its own
// device context, plus source size, resolution, alpha plane and metadata.
#pragma once

#include "Gdi.h"

#include <cstdint>

namespace VlmImgUt {

class TDib {
public:
    int32_t width;      // pixels
    int32_t height;     // pixels
    int32_t stride;     // bytes per row: width * 3 rounded up to a multiple of 4
    int32_t srcWidth;   // size in the file, before any reduction
    int32_t srcHeight;
    Gdi::DC *dc;            // owned memory context, kept across Create
    Gdi::Bitmap *bitmap;    // the pixel surface selected into dc
    Gdi::BITMAPINFO info;   // header describing exactly the pixel layout
    uint8_t *bits;          // first byte of the rows (bottom row first)
    COLORREF brushColor;    // valid while brush is set
    COLORREF penColor;      // valid while pen is set
    Gdi::Brush *brush;
    Gdi::Pen *pen;
    Gdi::Font *font;
    int32_t penWidth;
    int32_t dpiX;
    int32_t dpiY;
    uint8_t *icc;        // metadata blocks, C heap (malloc/free)
    uint8_t *alpha;      // width * height bytes, bottom-up, 255 opaque
    uint8_t *photoshop;
    uint8_t *xmp;
    uint8_t *exif;
    uint8_t *comment;
    uint32_t iccSize;
    uint32_t photoshopSize;
    uint32_t xmpSize;
    uint32_t exifSize;
    uint32_t commentSize;
    uint8_t flag1;
    uint8_t flag2;
    int32_t tag;

    // A 1 x 1 picture at 72 dpi.
    TDib();
    ~TDib();
    TDib(const TDib &) = delete;
    TDib &operator=(const TDib &) = delete;

    // New zero-filled bitmap of the given size; a dpiX of 0 gives 72 for both.
    // Keeps brush, pen, font and metadata; the alpha plane is kept only when
    // the size is unchanged. False for sizes of 0 or less or above
    // Gdi::MaxBitmapPixels, or when no memory is left (bits is then null).
    bool Create(int32_t w, int32_t h, int32_t dpiX = 0, int32_t dpiY = 0);
    // FreeExtras, then bitmap and context.
    void Free();
    // Brush, pen, font, alpha plane, metadata blocks and reserved fields.
    void FreeExtras();
    // Deep copy of src; copying a record onto itself changes nothing.
    bool CopyFrom(const TDib *src);
    void SetBrush(COLORREF color);
    void SetPen(COLORREF color, int32_t width);
};

} // namespace VlmImgUt
