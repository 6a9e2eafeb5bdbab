// Drawing layer: device contexts over 24-bit bottom-up B-G-R pixel memory,
// with the raster operations the game uses (blits, stretching, polygons,
// lines, text). Coordinates are pixels, y downward; an integer point is
// the centre of its pixel; rectangles exclude right and bottom. The raster
// code is exact integer arithmetic: a polygon covers the pixels whose
// centres lie inside it, a centre exactly on an edge only when the edge is
// a top or left one (top-left rule), so two polygons sharing an edge never
// both paint it.
#pragma once

#include "Color.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

class QPainter;

namespace Gdi {

struct POINT { int32_t x = 0, y = 0; };
struct RECT { int32_t left = 0, top = 0, right = 0, bottom = 0; };

// Bitmap header and colour entry of a device-independent bitmap.
struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");

struct RGBQUAD {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
static_assert(sizeof(BITMAPINFO) == 44, "BITMAPINFO must be 44 bytes");

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t DIB_RGB_COLORS = 0;

// Largest pixel count a bitmap may have.
constexpr int64_t MaxBitmapPixels = int64_t(1) << 28;
// Coordinates beyond this magnitude are refused by the shape routines.
constexpr int32_t MaxCoord = 1 << 27;

// Raster operations.
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t WHITENESS = 0x00FF0062;

// Stretch modes. BLACKONWHITE and WHITEONBLACK sample like COLORONCOLOR.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_GUI_FONT = 17;

// Device capabilities.
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int ScreenDpi = 96;

// Font weights and qualities.
constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t DEFAULT_QUALITY = 0;
constexpr uint8_t NONANTIALIASED_QUALITY = 3;
constexpr uint8_t ANTIALIASED_QUALITY = 4;

struct LOGFONTW {
    int32_t lfHeight = 0;  // < 0: character height, > 0: cell height, 0: default
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = DEFAULT_CHARSET;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = DEFAULT_QUALITY;
    uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[32] = {};
};

class DC;

enum class ObjType { Pen, Brush, Font, Bitmap };

// Base of the drawing objects. An object knows the contexts it is selected
// into; deleting it puts the matching stock object back into them.
class GdiObject {
public:
    explicit GdiObject(ObjType t, bool stock = false) : type(t), stock(stock) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;

    const ObjType type;
    const bool stock;  // stock objects are never deleted
    std::vector<DC *> selectedIn;
};

class Brush : public GdiObject {
public:
    Brush(COLORREF c, bool null, bool stock = false) : GdiObject(ObjType::Brush, stock), color(c & 0xFFFFFF), isNull(null) {}
    const COLORREF color;
    const bool isNull;  // paints nothing
};

class Pen : public GdiObject {
public:
    Pen(int style, int width, COLORREF c, bool stock = false)
        : GdiObject(ObjType::Pen, stock), style(style), width(width), color(c & 0xFFFFFF) {}
    const int style;   // PS_SOLID or PS_NULL
    const int width;   // 0 and 1 draw one-pixel lines
    const COLORREF color;
};

class Font : public GdiObject {
public:
    explicit Font(const LOGFONTW &lf, bool stock = false);
    const LOGFONTW logFont;
    QFont qfont;  // the Qt font drawn with
};

// A 24-bit bottom-up DIB section: rows of `stride` bytes, B-G-R pixels,
// the first row in memory is the bottom row. Zero-filled when made.
class Bitmap : public GdiObject {
public:
    Bitmap(int32_t w, int32_t h, int32_t stride, uint8_t *bits)
        : GdiObject(ObjType::Bitmap), width(w), height(h), stride(stride), bits(bits) {}
    ~Bitmap() override;
    const int32_t width, height, stride;
    uint8_t *const bits;

    // First byte of picture row y (counted from the top).
    uint8_t *Row(int y) const { return bits + int64_t(height - 1 - y) * stride; }
};

using HGDIOBJ = GdiObject *;
using HBRUSH = Brush *;
using HPEN = Pen *;
using HFONT = Font *;
using HBITMAP = Bitmap *;
using HDC = DC *;

// A device context: the selected bitmap and drawing state.
class DC {
public:
    DC();
    ~DC();
    DC(const DC &) = delete;
    DC &operator=(const DC &) = delete;

    Bitmap *bitmap = nullptr;  // surface drawn into; none draws nothing
    Pen *pen;                  // never null: stock BLACK_PEN at start
    Brush *brush;              // never null: stock WHITE_BRUSH at start
    Font *font;                // never null: stock DEFAULT_GUI_FONT at start
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    int stretchMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    POINT brushOrg;
    POINT position;  // current position of MoveToEx/LineTo
};

// Contexts and objects.
HDC GetDC(void *window);  // nullptr: the screen context (no surface)
int ReleaseDC(void *window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
bool DeleteDC(HDC dc);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, uint32_t usage, void **bits, void *section, uint32_t offset);
HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontIndirectW(const LOGFONTW *lf);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, uint32_t italic,
                  uint32_t underline, uint32_t strikeOut, uint32_t charSet, uint32_t outPrecision,
                  uint32_t clipPrecision, uint32_t quality, uint32_t pitchAndFamily, const char16_t *face);
HGDIOBJ GetStockObject(int which);
// Deletes a pen, brush, font or bitmap; stock objects are kept. Contexts that
// still hold the object get the stock default (a bitmap is taken out).
bool DeleteObject(HGDIOBJ obj);
// Selects an object and returns the one of the same kind it replaces; a null
// object selects nothing and returns null.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
HPEN SelectObject(HDC dc, HPEN pen);
HBRUSH SelectObject(HDC dc, HBRUSH brush);
HFONT SelectObject(HDC dc, HFONT font);
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
HGDIOBJ SelectObject(HDC dc, std::nullptr_t);
// Copies the LOGFONTW of a font (size sizeof(LOGFONTW)); returns the bytes written, 0 on failure.
int GetObjectW(HGDIOBJ obj, int size, void *out);
bool GdiFlush();
int GetDeviceCaps(HDC dc, int index);

// State.
int SetStretchBltMode(HDC dc, int mode);  // returns the old mode, 0 on failure
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
bool SetBrushOrgEx(HDC dc, int x, int y, POINT *old);
COLORREF SetTextColor(HDC dc, COLORREF color);  // returns the old colour
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

// Blits. BitBlt supports SRCCOPY, PATCOPY, BLACKNESS, WHITENESS and is
// clipped to both bitmaps; overlapping copies within one bitmap are safe.
bool BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, uint32_t rop);
// Fills with the brush (PATCOPY), black or white. Negative sizes extend left/up.
bool PatBlt(HDC dst, int x, int y, int w, int h, uint32_t rop);
// SRCCOPY only. A negative width or height mirrors: the rectangle then runs
// from x down to x + w + 1. HALFTONE averages the covered source area when
// reducing and interpolates bilinearly when enlarging; other modes take the
// nearest pixel. Source areas outside the source bitmap repeat its edge.
bool StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, uint32_t rop);

// Shapes. Polygon fills with the brush by the current fill mode and outlines
// the closed figure with the pen.
bool Polygon(HDC dc, const POINT *points, int count);
bool MoveToEx(HDC dc, int x, int y, POINT *old);
// Draws from the current position to (x, y). One-pixel pens leave out the end
// point; wider pens draw a stroke of the pen's width with round ends.
bool LineTo(HDC dc, int x, int y);

// Exchange with Qt images and painting on screen.
// A copy of a region of the bitmap (clipped) as Format_RGB32.
QImage ToQImage(const Bitmap *bitmap, int x, int y, int w, int h);
QImage ToQImage(const Bitmap *bitmap);
// The whole bitmap as RGB32 into `image`, whose memory is used again when
// it has the bitmap's size and format and is not shared; large bitmaps are
// converted in bands on the pixel pool. False (image null) when there is
// no bitmap or no memory.
bool ToQImage(const Bitmap *bitmap, QImage &image);
// Copies the image into the bitmap with its top left at (x, y), clipped;
// alpha is ignored. Returns false when nothing could be copied.
bool FromQImage(Bitmap *bitmap, const QImage &image, int x = 0, int y = 0);
// Draws a region of a context's bitmap with the painter at (x, y): the
// BitBlt of a bitmap onto a window.
void BlitToPainter(QPainter &painter, int x, int y, HDC src, int sx, int sy, int w, int h);

} // namespace Gdi
