// The picture record: a 24-bit bottom-up bitmap selected into its own
// device context, plus source size, resolution, alpha plane and metadata.
#pragma once

#include "Gdi.h"

#include <QString>
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

    // Replaces the font by face at pointSize (the context's 96 dpi, so text
    // drawn into the record is the same on every machine) and sets the text
    // colours and background mode. True when the new font was selected.
    bool SetFont(const QString &face, int16_t pointSize, int16_t weight, uint8_t italic, uint8_t charSet,
                 COLORREF textColor, COLORREF bkColor, bool transparent);
    // Takes the clipboard's picture at 72 dpi; false when there is none or
    // no application object.
    bool PasteClipboard();
    // Puts the part (x, y, w, h) on the clipboard, y counted from the top;
    // a width or height outside 1..size - 1 takes the whole picture in that
    // direction, and a part that does not fit starts at 0.
    bool CopyClipboard(int32_t x, int32_t y, int32_t w, int32_t h);
    // Every channel through ContrastValue.
    void Contrast(uint8_t percent);
    // Sharpens the inner pixels from the unsharpened neighbours; borders
    // stay. False when the picture has no pixels or no row memory is left.
    bool Sharpen();
};

// Frees, deletes and clears a record that is set; an owner's release.
void ReleaseDib(TDib *&dib);

// One byte value through the contrast formula at percent: 100 leaves it,
// 0 gives 127, 200 doubles its distance from the middle grey.
uint8_t ContrastValue(int value, int percent);

// The part of a picture (size along one direction) that a position and
// length select: a length of 1..size - 1 is used, at pos when the part
// fits with pos >= 1, else at 0; any other length takes the whole size.
void PartOf(int32_t size, int32_t pos, int32_t length, int32_t &start, int32_t &count);

} // namespace VlmImgUt
