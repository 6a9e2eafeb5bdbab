// Contexts, drawing objects, state and the plain blits.
#include "Gdi.h"
#include "GdiPrivate.h"
#include "PixelKernels.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Gdi {

namespace {

Brush *StockBrush(int which)
{
    static Brush white(0xFFFFFF, false, true);
    static Brush black(0x000000, false, true);
    static Brush null(0, true, true);
    switch (which) {
    case WHITE_BRUSH: return &white;
    case BLACK_BRUSH: return &black;
    case NULL_BRUSH: return &null;
    default: return nullptr;
    }
}

Pen *StockPen(int which)
{
    static Pen white(PS_SOLID, 1, 0xFFFFFF, true);
    static Pen black(PS_SOLID, 1, 0x000000, true);
    static Pen null(PS_NULL, 1, 0, true);
    switch (which) {
    case WHITE_PEN: return &white;
    case BLACK_PEN: return &black;
    case NULL_PEN: return &null;
    default: return nullptr;
    }
}

Font *StockFont()
{
    static Font *font = [] {
        LOGFONTW lf;
        lf.lfHeight = -11;
        lf.lfWeight = FW_NORMAL;
        return new Font(lf, true);
    }();
    return font;
}

void Attach(GdiObject *obj, DC *dc)
{
    if (!obj->stock)
        obj->selectedIn.push_back(dc);
}

void Detach(GdiObject *obj, DC *dc)
{
    if (obj->stock)
        return;
    auto &v = obj->selectedIn;
    auto it = std::find(v.begin(), v.end(), dc);
    if (it != v.end())
        v.erase(it);
}

} // namespace

Font::Font(const LOGFONTW &lf, bool stock) : GdiObject(ObjType::Font, stock), logFont(lf)
{
    QString face = QString::fromUtf16(lf.lfFaceName, int(std::find(lf.lfFaceName, lf.lfFaceName + 32, u'\0') - lf.lfFaceName));
    if (!face.isEmpty())
        qfont.setFamily(face);
    int h = lf.lfHeight;
    if (h < 0) {
        qfont.setPixelSize(-h);
    } else if (h > 0) {
        // A positive height asks for the cell height (ascent + descent).
        QFont probe = qfont;
        probe.setPixelSize(100);
        int cell = QFontMetrics(probe).height();
        int px = cell > 0 ? int((int64_t(h) * 100 + cell / 2) / cell) : h;
        qfont.setPixelSize(std::max(1, px));
    } else {
        qfont.setPixelSize(12);
    }
    if (lf.lfWeight > 0)
        qfont.setWeight(QFont::Weight(std::clamp(lf.lfWeight, 1, 1000)));
    else
        qfont.setWeight(QFont::Normal);
    qfont.setItalic(lf.lfItalic != 0);
    qfont.setUnderline(lf.lfUnderline != 0);
    qfont.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfQuality == NONANTIALIASED_QUALITY)
        qfont.setStyleStrategy(QFont::NoAntialias);
    else if (lf.lfQuality == ANTIALIASED_QUALITY)
        qfont.setStyleStrategy(QFont::PreferAntialias);
}

Bitmap::~Bitmap()
{
    std::free(bits);
}

DC::DC() : pen(StockPen(BLACK_PEN)), brush(StockBrush(WHITE_BRUSH)), font(StockFont()) {}

DC::~DC()
{
    if (bitmap)
        Detach(bitmap, this);
    Detach(pen, this);
    Detach(brush, this);
    Detach(font, this);
}

// ---------------------------------------------------------------- contexts

HDC GetDC(void *window)
{
    (void)window;
    static DC screen;
    return &screen;
}

int ReleaseDC(void *, HDC)
{
    return 1;
}

HDC CreateCompatibleDC(HDC)
{
    return new DC;
}

bool DeleteDC(HDC dc)
{
    if (!dc || dc == GetDC(nullptr))
        return false;
    delete dc;
    return true;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO *info, uint32_t usage, void **bits, void *, uint32_t)
{
    if (bits)
        *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS)
        return nullptr;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biSize < 40 || h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != BI_RGB)
        return nullptr;
    int64_t w = h.biWidth, ht = h.biHeight;
    if (w <= 0 || ht <= 0 || w * ht > MaxBitmapPixels)
        return nullptr;
    int64_t stride = (w * 3 + 3) & ~int64_t(3);
    void *mem = std::calloc(size_t(stride * ht), 1);
    if (!mem)
        return nullptr;
    auto *bmp = new Bitmap(int32_t(w), int32_t(ht), int32_t(stride), static_cast<uint8_t *>(mem));
    if (bits)
        *bits = mem;
    return bmp;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    return new Brush(color, false);
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    if (style != PS_SOLID && style != PS_NULL)
        return nullptr;
    return new Pen(style, std::max(width, 0), color);
}

HFONT CreateFontIndirectW(const LOGFONTW *lf)
{
    if (!lf)
        return nullptr;
    return new Font(*lf);
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, uint32_t italic,
                  uint32_t underline, uint32_t strikeOut, uint32_t charSet, uint32_t outPrecision,
                  uint32_t clipPrecision, uint32_t quality, uint32_t pitchAndFamily, const char16_t *face)
{
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = uint8_t(italic);
    lf.lfUnderline = uint8_t(underline);
    lf.lfStrikeOut = uint8_t(strikeOut);
    lf.lfCharSet = uint8_t(charSet);
    lf.lfOutPrecision = uint8_t(outPrecision);
    lf.lfClipPrecision = uint8_t(clipPrecision);
    lf.lfQuality = uint8_t(quality);
    lf.lfPitchAndFamily = uint8_t(pitchAndFamily);
    if (face)
        for (int i = 0; i < 31 && face[i]; ++i)
            lf.lfFaceName[i] = face[i];
    return new Font(lf);
}

HGDIOBJ GetStockObject(int which)
{
    if (which == DEFAULT_GUI_FONT)
        return StockFont();
    if (Brush *b = StockBrush(which))
        return b;
    return StockPen(which);
}

bool DeleteObject(HGDIOBJ obj)
{
    if (!obj || obj->stock)
        return false;
    // Contexts still holding the object fall back to the stock default.
    std::vector<DC *> holders = obj->selectedIn;
    for (DC *dc : holders) {
        switch (obj->type) {
        case ObjType::Pen: dc->pen = StockPen(BLACK_PEN); break;
        case ObjType::Brush: dc->brush = StockBrush(WHITE_BRUSH); break;
        case ObjType::Font: dc->font = StockFont(); break;
        case ObjType::Bitmap: dc->bitmap = nullptr; break;
        }
    }
    delete obj;
    return true;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj)
{
    if (!dc || !obj)
        return nullptr;
    switch (obj->type) {
    case ObjType::Pen: return SelectObject(dc, static_cast<Pen *>(obj));
    case ObjType::Brush: return SelectObject(dc, static_cast<Brush *>(obj));
    case ObjType::Font: return SelectObject(dc, static_cast<Font *>(obj));
    case ObjType::Bitmap: return SelectObject(dc, static_cast<Bitmap *>(obj));
    }
    return nullptr;
}

namespace {

// Puts obj into the context's slot for its kind; returns the one it replaces.
template <class T>
T *SelectInto(DC *dc, T *&slot, T *obj)
{
    if (!obj)
        return nullptr;
    T *old = slot;
    if (old != obj) {
        Detach(old, dc);
        slot = obj;
        Attach(obj, dc);
    }
    return old;
}

} // namespace

HPEN SelectObject(HDC dc, HPEN pen)
{
    return dc ? SelectInto(dc, dc->pen, pen) : nullptr;
}

HBRUSH SelectObject(HDC dc, HBRUSH brush)
{
    return dc ? SelectInto(dc, dc->brush, brush) : nullptr;
}

HFONT SelectObject(HDC dc, HFONT font)
{
    return dc ? SelectInto(dc, dc->font, font) : nullptr;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap)
{
    if (!dc || !bitmap || dc == GetDC(nullptr))
        return nullptr;
    Bitmap *old = dc->bitmap;
    if (old == bitmap)
        return old;
    // A bitmap lives in one context at a time.
    if (!bitmap->selectedIn.empty())
        return nullptr;
    if (old)
        Detach(old, dc);
    dc->bitmap = bitmap;
    Attach(bitmap, dc);
    return old;
}

HGDIOBJ SelectObject(HDC, std::nullptr_t)
{
    return nullptr;
}

int GetObjectW(HGDIOBJ obj, int size, void *out)
{
    if (!obj || obj->type != ObjType::Font)
        return 0;
    if (!out)
        return int(sizeof(LOGFONTW));
    if (size < int(sizeof(LOGFONTW)))
        return 0;
    std::memcpy(out, &static_cast<Font *>(obj)->logFont, sizeof(LOGFONTW));
    return int(sizeof(LOGFONTW));
}

bool GdiFlush()
{
    return true;
}

int GetDeviceCaps(HDC dc, int index)
{
    if (!dc)
        return 0;
    if (index == LOGPIXELSX || index == LOGPIXELSY)
        return ScreenDpi;
    return 0;
}

// ------------------------------------------------------------------- state

namespace {

template <class T>
T Exchange(T &slot, T value)
{
    T old = slot;
    slot = value;
    return old;
}

} // namespace

int SetStretchBltMode(HDC dc, int mode)
{
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return Exchange(dc->stretchMode, mode);
}

int GetStretchBltMode(HDC dc)
{
    return dc ? dc->stretchMode : 0;
}

int SetPolyFillMode(HDC dc, int mode)
{
    if (!dc || (mode != ALTERNATE && mode != WINDING))
        return 0;
    return Exchange(dc->polyFillMode, mode);
}

bool SetBrushOrgEx(HDC dc, int x, int y, POINT *old)
{
    if (!dc)
        return false;
    if (old)
        *old = dc->brushOrg;
    dc->brushOrg = {x, y};
    return true;
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    if (!dc)
        return 0xFFFFFFFFu;
    return Exchange(dc->textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc)
{
    return dc ? dc->textColor : 0xFFFFFFFFu;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    if (!dc)
        return 0xFFFFFFFFu;
    return Exchange(dc->bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc)
{
    return dc ? dc->bkColor : 0xFFFFFFFFu;
}

int SetBkMode(HDC dc, int mode)
{
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return Exchange(dc->bkMode, mode);
}

int GetBkMode(HDC dc)
{
    return dc ? dc->bkMode : 0;
}

// ------------------------------------------------------------------- blits

void FillSpan(Bitmap *bmp, int y, int x0, int x1, COLORREF color)
{
    uint8_t *p = bmp->Row(y) + 3 * x0;
    const uint8_t b = uint8_t(GetBValue(color)), g = uint8_t(GetGValue(color)), r = uint8_t(GetRValue(color));
    for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
}

void FillRows(Bitmap *bmp, int x0, int y0, int x1, int y1, COLORREF color)
{
    // Caller has clipped: 0 <= x0 < x1 <= width, 0 <= y0 < y1 <= height.
    FillSpan(bmp, y0, x0, x1, color);
    const uint8_t *first = bmp->Row(y0) + 3 * x0;
    for (int y = y0 + 1; y < y1; ++y)
        std::memcpy(bmp->Row(y) + 3 * x0, first, size_t(x1 - x0) * 3);
}

namespace {

// Clips [x, x+w) x [y, y+h) to the bitmap; false when empty.
bool ClipRect(const Bitmap *bmp, int64_t &x0, int64_t &y0, int64_t &x1, int64_t &y1)
{
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, bmp->width);
    y1 = std::min<int64_t>(y1, bmp->height);
    return x0 < x1 && y0 < y1;
}

bool FillRop(DC *dst, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rop)
{
    COLORREF color;
    if (rop == PATCOPY) {
        if (dst->brush->isNull)
            return true;
        color = dst->brush->color;
    } else if (rop == BLACKNESS) {
        color = 0x000000;
    } else if (rop == WHITENESS) {
        color = 0xFFFFFF;
    } else {
        return false;
    }
    if (ClipRect(dst->bitmap, x0, y0, x1, y1))
        FillRows(dst->bitmap, int(x0), int(y0), int(x1), int(y1), color);
    return true;
}

} // namespace

bool PatBlt(HDC dst, int x, int y, int w, int h, uint32_t rop)
{
    if (!dst || !dst->bitmap)
        return false;
    int64_t x0 = x, y0 = y, x1 = int64_t(x) + w, y1 = int64_t(y) + h;
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    return FillRop(dst, x0, y0, x1, y1, rop);
}

bool BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, uint32_t rop)
{
    if (!dst || !dst->bitmap)
        return false;
    if (rop != SRCCOPY) {
        if (w < 0 || h < 0)
            return false;
        return FillRop(dst, x, y, int64_t(x) + w, int64_t(y) + h, rop);
    }
    if (!src || !src->bitmap || w < 0 || h < 0)
        return false;
    const Bitmap *sb = src->bitmap;
    Bitmap *db = dst->bitmap;
    // Clip to the source bitmap, then to the destination, keeping the offset.
    int64_t dx0 = x, dy0 = y, dx1 = int64_t(x) + w, dy1 = int64_t(y) + h;
    const int64_t offX = int64_t(sx) - x, offY = int64_t(sy) - y;
    dx0 = std::max(dx0, -offX);
    dy0 = std::max(dy0, -offY);
    dx1 = std::min(dx1, int64_t(sb->width) - offX);
    dy1 = std::min(dy1, int64_t(sb->height) - offY);
    if (!ClipRect(db, dx0, dy0, dx1, dy1))
        return true;
    const size_t n = size_t(dx1 - dx0) * 3;
    const int rows = int(dy1 - dy0);
    // Picture rows run top-down; memory rows bottom-up. When copying within
    // one bitmap downward, go from the bottom so no source row is overwritten.
    const bool backward = (sb == db) && offY < 0;
    for (int i = 0; i < rows; ++i) {
        int yy = backward ? int(dy1) - 1 - i : int(dy0) + i;
        const uint8_t *s = sb->Row(int(yy + offY)) + 3 * (dx0 + offX);
        uint8_t *d = db->Row(yy) + 3 * dx0;
        std::memmove(d, s, n);
    }
    return true;
}

// ------------------------------------------------------------ Qt exchange

namespace {

// n pixels of B-G-R bytes as opaque RGB32.
void RowToRgb32(const uint8_t *s, uint32_t *d, int n)
{
    for (int c = 0; c < n; ++c, s += 3)
        d[c] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
}

} // namespace

QImage ToQImage(const Bitmap *bmp, int x, int y, int w, int h)
{
    if (!bmp)
        return QImage();
    int64_t x0 = x, y0 = y, x1 = int64_t(x) + w, y1 = int64_t(y) + h;
    if (w <= 0 || h <= 0 || !ClipRect(bmp, x0, y0, x1, y1))
        return QImage();
    const int cw = int(x1 - x0), ch = int(y1 - y0);
    QImage img(cw, ch, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    for (int r = 0; r < ch; ++r)
        RowToRgb32(bmp->Row(int(y0) + r) + 3 * x0, reinterpret_cast<uint32_t *>(img.scanLine(r)), cw);
    return img;
}

QImage ToQImage(const Bitmap *bmp)
{
    return bmp ? ToQImage(bmp, 0, 0, bmp->width, bmp->height) : QImage();
}

bool ToQImage(const Bitmap *bmp, QImage &image)
{
    if (!bmp) {
        image = QImage();
        return false;
    }
    if (image.width() != bmp->width || image.height() != bmp->height || image.format() != QImage::Format_RGB32)
        image = QImage(bmp->width, bmp->height, QImage::Format_RGB32);
    uint8_t *out = image.bits();   // detaches a shared image
    if (!out) {
        image = QImage();
        return false;
    }
    const qsizetype line = image.bytesPerLine();
    const int w = bmp->width;
    auto rows = [&](int64_t first, int64_t last) {
        for (int64_t r = first; r < last; ++r)
            RowToRgb32(bmp->Row(int(r)), reinterpret_cast<uint32_t *>(out + r * line), w);
    };
    const int workers = int(std::min<int64_t>(PixelKernels::PoolThreads(), int64_t(w) * bmp->height / 200000 + 1));
    if (!PixelKernels::RunPieces(bmp->height, workers, std::max(1, bmp->height / (8 * workers)), rows))
        rows(0, bmp->height);
    return true;
}

bool FromQImage(Bitmap *bmp, const QImage &image, int x, int y)
{
    if (!bmp || image.isNull())
        return false;
    QImage src = image;
    if (src.format() != QImage::Format_RGB32 && src.format() != QImage::Format_ARGB32)
        src = src.convertToFormat(QImage::Format_ARGB32);
    int64_t x0 = x, y0 = y, x1 = int64_t(x) + src.width(), y1 = int64_t(y) + src.height();
    if (!ClipRect(bmp, x0, y0, x1, y1))
        return false;
    const int cw = int(x1 - x0);
    for (int64_t yy = y0; yy < y1; ++yy) {
        const auto *s = reinterpret_cast<const uint32_t *>(src.constScanLine(int(yy - y))) + (x0 - x);
        uint8_t *d = bmp->Row(int(yy)) + 3 * x0;
        for (int c = 0; c < cw; ++c, d += 3) {
            uint32_t p = s[c];
            d[0] = uint8_t(p);
            d[1] = uint8_t(p >> 8);
            d[2] = uint8_t(p >> 16);
        }
    }
    return true;
}

void BlitToPainter(QPainter &painter, int x, int y, HDC src, int sx, int sy, int w, int h)
{
    if (!src || !src->bitmap)
        return;
    QImage img = ToQImage(src->bitmap, sx, sy, w, h);
    if (img.isNull())
        return;
    // Clipping at the source's left/top shifts the drawn position.
    painter.drawImage(x + std::max(0, -sx), y + std::max(0, -sy), img);
}

} // namespace Gdi
