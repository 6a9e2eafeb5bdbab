#include "GrayMask.h"
#include "TDib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VlmImgUt {

using namespace Gdi;

TGrayMask::TGrayMask()
{
    level = static_cast<uint8_t *>(std::calloc(1, 1));
}

TGrayMask::~TGrayMask()
{
    Reset(true);
}

void TGrayMask::Reset(bool freeLevels)
{
    std::free(maskBitmap);
    maskBitmap = nullptr;
    if (freeLevels) {
        std::free(level);
        level = nullptr;
    }
}

bool TGrayMask::Resize(int32_t w, int32_t h)
{
    Reset(true);
    width = w;
    height = h;
    if (w < 1 || h < 1 || int64_t(w) * h > MaxBitmapPixels)
        return false;
    level = static_cast<uint8_t *>(std::malloc(size_t(w) * size_t(h)));
    return level != nullptr;
}

bool TGrayMask::Build(const TDib *picture, bool invert, uint8_t contrastPercent, int32_t channel)
{
    if (!picture || !picture->bits)
        return false;
    if ((picture->width != width || picture->height != height || !level)
        && !Resize(picture->width, picture->height))
        return false;

    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = contrastPercent == 100 ? uint8_t(v) : ContrastValue(v, contrastPercent);
    const uint8_t flip = invert ? 0xFF : 0x00;

    float sum = 0.0f;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t *p = picture->bits + int64_t(r) * picture->stride;
        uint8_t *out = level + int64_t(r) * width;
        int64_t rowSum = 0;
        for (int32_t c = 0; c < width; ++c, p += 3) {
            const int b = table[p[0]], g = table[p[1]], red = table[p[2]];
            int v;
            switch (channel) {
            case 1: v = red; break;
            case 2: v = g; break;
            case 3: v = b; break;
            default: v = (b + g + red) / 3; break;
            }
            out[c] = uint8_t(v) ^ flip;
            rowSum += out[c];
        }
        sum += float(rowSum) / float(width);
    }
    mean = int32_t(sum / float(height) + 0.5f);
    return true;
}

bool TGrayMask::ScaleLevels(int32_t newWidth, int32_t newHeight, const uint8_t *levels, int32_t w, int32_t h)
{
    if (!levels || w < 1 || h < 1) {
        levels = level;
        w = width;
        h = height;
    }
    if (!levels || w < 1 || h < 1)
        return false;
    TDib grey;
    if (!grey.Create(w, h))
        return false;
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t *in = levels + int64_t(r) * w;
        uint8_t *p = grey.bits + int64_t(r) * grey.stride;
        for (int32_t c = 0; c < w; ++c, p += 3)
            p[0] = p[1] = p[2] = in[c];
    }
    TDib stretched;
    if (!stretched.Create(newWidth, newHeight))
        return false;
    StretchBlt(stretched.dc, 0, 0, newWidth, newHeight, grey.dc, 0, 0, w, h, SRCCOPY);
    if ((newWidth != width || newHeight != height) && !Resize(newWidth, newHeight))
        return false;
    return Build(&stretched, false, 100, 0);
}

bool TGrayMask::CopyFrom(const TGrayMask *other)
{
    if (!other || !other->level)
        return false;
    if (other == this)
        return true;
    mean = other->mean;
    if ((other->width != width || other->height != height || !level) && !Resize(other->width, other->height))
        return false;
    std::memcpy(level, other->level, size_t(width) * size_t(height));
    return true;
}

void TGrayMask::Draw(const TDib *source, TDib *destination, int32_t x, int32_t y)
{
    if (!source || !destination || !source->bits || !destination->bits)
        return;
    const int64_t w = std::min(width, source->width);
    const int64_t h = std::min(height, source->height);
    // Columns and rows of the source (and mask) that land inside the
    // destination.
    const int64_t c0 = std::max<int64_t>(0, -int64_t(x));
    const int64_t c1 = std::min<int64_t>(w, int64_t(destination->width) - x);
    const int64_t r0 = std::max<int64_t>(0, -int64_t(y));
    const int64_t r1 = std::min<int64_t>(h, int64_t(destination->height) - y);
    if (c0 >= c1 || r0 >= r1)
        return;

    if (!maskBitmap) {
        if (!level)
            return;
        const size_t n = size_t(width) * size_t(height);
        maskBitmap = static_cast<uint8_t *>(std::malloc(n));
        if (!maskBitmap)
            return;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t v = contrast == 100 ? level[i] : ContrastValue(level[i], contrast);
            maskBitmap[i] = v < threshold ? 1 : 0;
        }
    }

    for (int64_t r = r0; r < r1; ++r) {
        const uint8_t *mask = maskBitmap + (height - 1 - r) * width;
        const uint8_t *s = source->bits + (source->height - 1 - r) * int64_t(source->stride);
        uint8_t *d = destination->bits + (destination->height - 1 - (y + r)) * int64_t(destination->stride);
        for (int64_t c = c0; c < c1; ++c)
            if (!mask[c])
                std::memcpy(d + 3 * (x + c), s + 3 * c, 3);
    }
}

} // namespace VlmImgUt
