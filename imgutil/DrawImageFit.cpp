// Drawing a picture into a rectangle, and padding a picture by reflection.
#include "TImgUt.h"
#include "TDib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace VlmImgUt {

namespace {

// A StretchBlt with the target in HALFTONE mode; mirror bits turn the
// destination round inside the covered rectangle.
void HalftoneBlit(Gdi::DC *dc, const Gdi::RECT &cov, const TDib &pic, int sx, int sy, int sw, int sh,
                  uint8_t mirror)
{
    int x = cov.left, y = cov.top, w = cov.right - cov.left, h = cov.bottom - cov.top;
    if (mirror & 1) {
        x = cov.right - 1;
        w = -w;
    }
    if (mirror & 2) {
        y = cov.bottom - 1;
        h = -h;
    }
    if (Gdi::GetStretchBltMode(dc) != Gdi::HALFTONE)
        Gdi::SetStretchBltMode(dc, Gdi::HALFTONE);
    Gdi::StretchBlt(dc, x, y, w, h, pic.dc, sx, sy, sw, sh, Gdi::SRCCOPY);
}

// Position of p folded into first..last: reflected at the first position
// (first - 1 takes first + 1) and behind the last one (last + 1 takes last).
int32_t Fold(int64_t p, int32_t first, int32_t last)
{
    const int64_t n = int64_t(last) - first + 1;
    const int64_t period = 2 * n - 1;
    int64_t q = (p - first) % period;
    if (q < 0)
        q += period;
    return int32_t(q < n ? first + q : first + period - q);
}

} // namespace

void TImgUt::DrawImageFit(Gdi::DC *dc, const TDib *pic, Gdi::RECT &rect, bool centre, int16_t fitMode,
                          bool stretch, bool fillMargins, uint8_t mirror)
{
    if (!dc)
        return;
    if (!pic) {
        if (fillMargins)
            Gdi::PatBlt(dc, 0, 0, rect.right, rect.bottom, Gdi::PATCOPY);
        return;
    }
    const int W = pic->width, H = pic->height;
    const int RW = rect.right - rect.left, RH = rect.bottom - rect.top;
    // Nothing to draw, or nowhere to draw it.
    if (W <= 0 || H <= 0 || !pic->dc || RW <= 0 || RH <= 0)
        return;

    if (stretch) {
        HalftoneBlit(dc, rect, *pic, 0, 0, W, H, mirror);
        return;
    }

    Gdi::RECT cov;
    if (fitMode == 0 || (W == RW && H == RH)) {
        int x, y, sx = 0, sy = 0, w, h;
        if (centre) {
            x = rect.left + (RW - W) / 2;
            y = rect.top + (RH - H) / 2;
            if (x < 0) {
                sx = -x;
                x = rect.left;
            }
            if (y < 0) {
                sy = -y;
                y = rect.top;
            }
            w = std::min(W, rect.right - x);
            h = std::min(H, rect.bottom - y);
        } else {
            x = rect.left;
            y = rect.top;
            w = std::min(RW, W);
            h = std::min(RH, H);
        }
        w = std::max(w, 0);
        h = std::max(h, 0);
        cov = {x, y, x + w, y + h};
        if (w > 0 && h > 0) {
            if (mirror & 3)
                HalftoneBlit(dc, cov, *pic, sx, sy, w, h, mirror);
            else
                Gdi::BitBlt(dc, x, y, w, h, pic->dc, sx, sy, Gdi::SRCCOPY);
        }
    } else {
        const float M = float(W) / float(H);
        const float N = float(RW) / float(RH);
        int sx = 0, sy = 0, sw = W, sh = H;
        if (M >= N) {
            if (fitMode < 2) {
                const int h = int(float(RW) / M + 0.5f);
                cov = {rect.left, rect.top, rect.right, rect.top + h};
                if (centre) {
                    const int d = (rect.bottom - cov.bottom) / 2;
                    cov.top += d;
                    cov.bottom += d;
                }
            } else {
                cov = rect;
                // A source window of no columns would leave the rectangle
                // undrawn although it counts as covered.
                sw = std::max(1, int(float(H) * N + 0.5f));
                sx = centre ? (W - sw) / 2 : 0;
            }
        } else {
            if (fitMode < 2) {
                const int w = int(float(RH) * M + 0.5f);
                cov = {rect.left, rect.top, rect.left + w, rect.bottom};
                if (centre) {
                    const int d = (rect.right - cov.right) / 2;
                    cov.left += d;
                    cov.right += d;
                }
            } else {
                cov = rect;
                sh = std::max(1, int(float(W) / N + 0.5f));
                sy = centre ? (H - sh) / 2 : 0;
            }
        }
        HalftoneBlit(dc, cov, *pic, sx, sy, sw, sh, mirror);
    }

    if (fillMargins) {
        if (cov.left > 0)
            Gdi::PatBlt(dc, 0, 0, cov.left, rect.bottom, Gdi::PATCOPY);
        if (cov.top > 0)
            Gdi::PatBlt(dc, 0, 0, rect.right, cov.top, Gdi::PATCOPY);
        if (cov.right < rect.right)
            Gdi::PatBlt(dc, cov.right, 0, rect.right - cov.right, rect.bottom, Gdi::PATCOPY);
        if (cov.bottom < rect.bottom)
            Gdi::PatBlt(dc, 0, cov.bottom, rect.right, rect.bottom - cov.bottom, Gdi::PATCOPY);
    }
    rect = cov;
}

void TImgUt::MirrorPad(TDib *pic, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!pic || !pic->bitmap || !pic->bits || pic->width <= 0 || pic->height <= 0)
        return;
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (x >= pic->width || y >= pic->height || width <= 0 || height <= 0)
        return;
    width = int32_t(std::min<int64_t>(width, int64_t(pic->width) - x));
    height = int32_t(std::min<int64_t>(height, int64_t(pic->height) - y));
    const int32_t lastX = x + width - 1, lastY = y + height - 1;

    std::vector<int32_t> fromX(size_t(pic->width));
    for (int32_t c = 0; c < pic->width; ++c)
        fromX[size_t(c)] = Fold(c, x, lastX);

    // Rows top to bottom.
    const Gdi::Bitmap *bmp = pic->bitmap;
    for (int32_t r = 0; r < pic->height; ++r) {
        uint8_t *dst = bmp->Row(r);
        const uint8_t *src = bmp->Row(Fold(r, y, lastY));
        const bool inside = r >= y && r <= lastY;
        for (int32_t c = 0; c < pic->width; ++c) {
            if (inside && c >= x && c <= lastX)
                continue;
            memcpy(dst + 3 * c, src + 3 * fromX[size_t(c)], 3);
        }
    }
}

} // namespace VlmImgUt
