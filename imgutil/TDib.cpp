#include "TDib.h"

#include <cstdlib>
#include <cstring>

namespace VlmImgUt {

using namespace Gdi;

namespace {

void FreeBlock(uint8_t *&block, uint32_t *size)
{
    std::free(block);
    block = nullptr;
    if (size)
        *size = 0;
}

// Copies a source block; a failed allocation leaves the block absent.
void CopyBlock(uint8_t *&dst, uint32_t &dstSize, const uint8_t *src, uint32_t srcSize)
{
    if (!src)
        return;
    auto *mem = static_cast<uint8_t *>(std::malloc(srcSize ? srcSize : 1));
    if (!mem)
        return;
    if (srcSize)
        std::memcpy(mem, src, srcSize);
    dst = mem;
    dstSize = srcSize;
}

} // namespace

TDib::TDib()
    : width(0), height(0), stride(0), srcWidth(0), srcHeight(0), dc(nullptr), bitmap(nullptr), info{},
      bits(nullptr), brushColor(0), penColor(0), brush(nullptr), pen(nullptr), font(nullptr), penWidth(0),
      dpiX(0), dpiY(0), icc(nullptr), alpha(nullptr), photoshop(nullptr), xmp(nullptr), exif(nullptr),
      comment(nullptr), iccSize(0), photoshopSize(0), xmpSize(0), exifSize(0), commentSize(0), flag1(0),
      flag2(0), tag(0)
{
    Create(1, 1, 0, 0);
}

TDib::~TDib()
{
    Free();
}

void ReleaseDib(TDib *&dib)
{
    delete dib;
    dib = nullptr;
}

namespace {

void DropBitmap(TDib &d)
{
    // Deleting a selected bitmap also takes it out of the context.
    if (d.bitmap)
        DeleteObject(d.bitmap);
    d.bitmap = nullptr;
    d.bits = nullptr;
}

void MakeContext(TDib &d)
{
    if (!d.dc) {
        HDC screen = GetDC(nullptr);
        d.dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
    }
}

// Makes the section described by d.info and selects it.
bool MakeSection(TDib &d)
{
    void *mem = nullptr;
    HBITMAP bmp = CreateDIBSection(d.dc, &d.info, DIB_RGB_COLORS, &mem, nullptr, 0);
    if (!bmp || !mem) {
        if (bmp)
            DeleteObject(bmp);
        return false;
    }
    d.bitmap = bmp;
    d.bits = static_cast<uint8_t *>(mem);
    SelectObject(d.dc, d.bitmap);
    return true;
}

} // namespace

bool TDib::Create(int32_t w, int32_t h, int32_t dx, int32_t dy)
{
    // The alpha plane only describes the old pixels when the size stays.
    if (alpha && (w != width || h != height))
        FreeBlock(alpha, nullptr);
    DropBitmap(*this);

    width = w;
    height = h;
    const int64_t stride64 = (int64_t(w) * 3 + 3) & ~int64_t(3);
    stride = (w > 0 && stride64 <= INT32_MAX) ? int32_t(stride64) : 0;
    if (dx == 0) {
        dpiX = 72;
        dpiY = 72;
    } else {
        dpiX = dx;
        dpiY = dy;
    }

    const int64_t image = int64_t(stride) * (h > 0 ? h : 0);
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = image <= int64_t(UINT32_MAX) ? uint32_t(image) : 0;

    MakeContext(*this);
    if (w <= 0 || h <= 0 || int64_t(w) * h > MaxBitmapPixels)
        return false;
    if (!MakeSection(*this))
        return false;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    GdiFlush();
    srcWidth = width;
    srcHeight = height;
    return true;
}

void TDib::FreeExtras()
{
    if (brush) {
        DeleteObject(brush);
        brush = nullptr;
    }
    if (pen) {
        DeleteObject(pen);
        pen = nullptr;
    }
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
    FreeBlock(alpha, nullptr);
    FreeBlock(icc, &iccSize);
    FreeBlock(photoshop, &photoshopSize);
    FreeBlock(xmp, &xmpSize);
    FreeBlock(exif, &exifSize);
    FreeBlock(comment, &commentSize);
    flag1 = 0;
    flag2 = 0;
    tag = 0;
}

void TDib::Free()
{
    FreeExtras();
    DropBitmap(*this);
    if (dc) {
        DeleteDC(dc);
        dc = nullptr;
    }
    GdiFlush();
}

bool TDib::CopyFrom(const TDib *src)
{
    if (src == this)
        return bits != nullptr;
    // A source without pixels has nothing to copy.
    if (!src || !src->bits || !src->dc)
        return false;
    FreeExtras();
    if (bitmap && (width != src->width || height != src->height))
        DropBitmap(*this);
    MakeContext(*this);
    if (!bitmap) {
        width = src->width;
        height = src->height;
        stride = src->stride;
        info = src->info;
        dpiX = src->dpiX;
        dpiY = src->dpiY;
        if (width <= 0 || height <= 0 || int64_t(width) * height > MaxBitmapPixels || !MakeSection(*this))
            return false;
    }
    BitBlt(dc, 0, 0, width, height, src->dc, 0, 0, SRCCOPY);
    srcWidth = src->srcWidth;
    srcHeight = src->srcHeight;
    if (src->brush)
        SetBrush(src->brushColor);
    if (src->pen)
        SetPen(src->penColor, src->penWidth);
    if (src->font) {
        LOGFONTW lf;
        if (GetObjectW(src->font, int(sizeof lf), &lf))
            font = CreateFontIndirectW(&lf);
    }
    SetTextColor(dc, GetTextColor(src->dc));
    SetBkColor(dc, GetBkColor(src->dc));
    SetBkMode(dc, GetBkMode(src->dc));
    if (font)
        SelectObject(dc, font);
    GdiFlush();

    if (src->alpha) {
        const size_t n = size_t(width) * size_t(height);
        alpha = static_cast<uint8_t *>(std::malloc(n));
        if (alpha)
            std::memcpy(alpha, src->alpha, n);
    }
    CopyBlock(icc, iccSize, src->icc, src->iccSize);
    CopyBlock(photoshop, photoshopSize, src->photoshop, src->photoshopSize);
    CopyBlock(xmp, xmpSize, src->xmp, src->xmpSize);
    CopyBlock(exif, exifSize, src->exif, src->exifSize);
    CopyBlock(comment, commentSize, src->comment, src->commentSize);
    flag1 = src->flag1;
    flag2 = src->flag2;
    tag = src->tag;
    SetStretchBltMode(dc, HALFTONE);
    return true;
}

void TDib::SetBrush(COLORREF color)
{
    if (brush)
        DeleteObject(brush);
    brushColor = color;
    brush = CreateSolidBrush(color);
    if (dc)
        SelectObject(dc, brush);
}

void TDib::SetPen(COLORREF color, int32_t w)
{
    if (pen)
        DeleteObject(pen);
    penColor = color;
    penWidth = w;
    pen = CreatePen(PS_SOLID, w, color);
    if (pen && dc)
        SelectObject(dc, pen);
}

} // namespace VlmImgUt
