// Fixtures of the board, painter, pyramid, intro and info card tests: a
// settings record with a render bitmap prepared as the board rendering
// prepares it, six distinct face colours, pixel access and small pictures.
#pragma once

#include "Color.h"
#include "Gdi.h"
#include "TDib.h"
#include "TSettings.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

namespace paintertest {

// Face colours 0x00BBGGRR; none of them is yellow, black or white.
constexpr Color FaceColors[6] = {0x0000C0, 0x00C000, 0xC00000, 0x00A0A0, 0xA000A0, 0xA0A000};

inline COLORREF Pixel(const VlmImgUt::TDib *d, int x, int y)
{
    const uint8_t *p = d->bits + int64_t(d->height - 1 - y) * d->stride + 3 * x;
    return COLORREF(p[2]) | COLORREF(p[1]) << 8 | COLORREF(p[0]) << 16;
}

inline void SetPixel(VlmImgUt::TDib *d, int x, int y, COLORREF c)
{
    uint8_t *p = d->bits + int64_t(d->height - 1 - y) * d->stride + 3 * x;
    p[0] = uint8_t(GetBValue(c));
    p[1] = uint8_t(GetGValue(c));
    p[2] = uint8_t(GetRValue(c));
}

// A picture of w x h filled by f(x, y) -> colour.
template <typename F>
VlmImgUt::TDib *MakePicture(int w, int h, F f)
{
    auto *d = new VlmImgUt::TDib;
    d->Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(d, x, y, f(x, y));
    return d;
}

inline VlmImgUt::TDib *SolidPicture(int w, int h, COLORREF c)
{
    return MakePicture(w, h, [c](int, int) { return c; });
}

inline void FreeDib(VlmImgUt::TDib *d)
{
    if (d) {
        d->Free();
        delete d;
    }
}

// Every pixel of the bitmap, row by row from the top.
inline std::vector<COLORREF> Pixels(const VlmImgUt::TDib *d)
{
    std::vector<COLORREF> out;
    out.reserve(size_t(d->width) * size_t(d->height));
    for (int y = 0; y < d->height; ++y)
        for (int x = 0; x < d->width; ++x)
            out.push_back(Pixel(d, x, y));
    return out;
}

inline int CountColor(const VlmImgUt::TDib *d, COLORREF c)
{
    int n = 0;
    for (COLORREF p : Pixels(d))
        n += p == c;
    return n;
}

// A settings record with a w x h render bitmap filled with the background,
// black brush and pen of width 1 (as the board rendering leaves it), box
// colours on, pictures off, the six face colours above.
struct Board {
    std::unique_ptr<TSettings> st = std::make_unique<TSettings>();
    static constexpr COLORREF Background = 0x202020;

    explicit Board(int w = 400, int h = 400)
    {
        st->renderBuffer = new VlmImgUt::TDib;
        st->renderBuffer->Create(w, h);
        st->bufferWidth = w;
        st->bufferHeight = h;
        Clear();
        for (int f = 0; f < 6; ++f)
            st->faceColor[f] = FaceColors[f];
    }

    void Clear()
    {
        VlmImgUt::TDib *rb = st->renderBuffer;
        rb->SetBrush(Background);
        Gdi::PatBlt(rb->dc, 0, 0, rb->width, rb->height, Gdi::PATCOPY);
        rb->SetBrush(0);
        rb->SetPen(0, 1);
    }

    VlmImgUt::TDib *rb() const { return st->renderBuffer; }
    COLORREF At(int x, int y) const { return Pixel(st->renderBuffer, x, y); }

    void SetGeometry(int s, int d, int e)
    {
        st->boxSize = s;
        st->sideDepth = d;
        st->topDepth = e;
    }

    void PlaceScratch(int x, int y, int front, int left, int top)
    {
        st->scratchBox.id = 100;
        st->scratchBox.x = x;
        st->scratchBox.y = y;
        st->scratchBox.front = front;
        st->scratchBox.left = left;
        st->scratchBox.top = top;
    }

    // Gives every face the same picture (copies).
    void SetPictures(const VlmImgUt::TDib *picture)
    {
        for (int f = 0; f < 6; ++f) {
            FreeDib(st->faceImage[f]);
            st->faceImage[f] = new VlmImgUt::TDib;
            st->faceImage[f]->CopyFrom(picture);
            FreeDib(st->faceImageFit[f]);
            st->faceImageFit[f] = nullptr;
        }
        st->useBoxImages = true;
    }
};

// A 24-bit BMP file of the picture f(x, y), bottom-up rows.
template <typename F>
QByteArray BmpBytes(int w, int h, F f)
{
    const int stride = (w * 3 + 3) & ~3;
    QByteArray b;
    auto u16 = [&b](int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto u32 = [&b, &u16](int v) { u16(v & 0xFFFF); u16((v >> 16) & 0xFFFF); };
    b.append("BM");
    u32(54 + stride * h);
    u32(0);
    u32(54);
    u32(40);
    u32(w);
    u32(h);
    u16(1);
    u16(24);
    u32(0);
    u32(stride * h);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int row = h - 1; row >= 0; --row) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = f(x, row);
            b.append(char(GetBValue(c))).append(char(GetGValue(c))).append(char(GetRValue(c)));
        }
        for (int p = w * 3; p < stride; ++p)
            b.append('\0');
    }
    return b;
}

} // namespace paintertest
