// Small tools on a picture record: the text font, contrast and sharpening,
// and the part rule shared by the clipboard and the writers.
#include "TDib.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace VlmImgUt {

using namespace Gdi;

uint8_t ContrastValue(int value, int percent)
{
    // 0.003921569 lies just above 1/255, so in double precision 100 % gives
    // every value back and 0 % gives 127.5, truncated to 127.
    const double v = ((value * 0.003921569 - 0.5) * percent / 100.0 + 0.5) * 255.0;
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return uint8_t(v);
}

void PartOf(int32_t size, int32_t pos, int32_t length, int32_t &start, int32_t &count)
{
    start = 0;
    count = size;
    if (length >= 1 && length <= size - 1) {
        count = length;
        if (pos >= 1 && int64_t(pos) + length <= size)
            start = pos;
    }
}

bool TDib::SetFont(const QString &face, int16_t pointSize, int16_t weight, uint8_t italic, uint8_t charSet,
                   COLORREF textColor, COLORREF bkColor, bool transparent)
{
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
    const int height = GetDeviceCaps(dc, LOGPIXELSY) * pointSize / -72;
    font = CreateFontW(height, 0, 0, 0, weight, italic, 0, 0, charSet, 0, 0, DEFAULT_QUALITY, 0,
                       reinterpret_cast<const char16_t *>(face.utf16()));
    SetTextColor(dc, textColor);
    SetBkColor(dc, bkColor);
    SetBkMode(dc, transparent ? TRANSPARENT : OPAQUE);
    return font && dc && SelectObject(dc, font) != nullptr;
}

void TDib::Contrast(uint8_t percent)
{
    if (!bits)
        return;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = ContrastValue(v, percent);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t *row = bits + int64_t(y) * stride;
        for (int32_t i = 0; i < width * 3; ++i)
            row[i] = table[row[i]];
    }
}

bool TDib::Sharpen()
{
    if (!bits)
        return false;
    const double s = double(0.09f);
    const double d = s / std::sqrt(2.0);
    auto *above = static_cast<uint8_t *>(std::malloc(size_t(stride)));
    auto *cur = static_cast<uint8_t *>(std::malloc(size_t(stride)));
    if (!above || !cur) {
        std::free(above);
        std::free(cur);
        return false;
    }
    // Rows in memory run bottom-up; the filter is symmetric, so memory order
    // serves. above and cur hold the unsharpened rows r - 1 and r while row
    // r is rewritten in place; row r + 1 is still untouched in the bitmap.
    if (height >= 3 && width >= 3) {
        std::memcpy(above, bits, size_t(stride));
        std::memcpy(cur, bits + stride, size_t(stride));
        for (int32_t r = 1; r < height - 1; ++r) {
            uint8_t *out = bits + int64_t(r) * stride;
            const uint8_t *below = out + stride;
            for (int32_t i = 3; i < (width - 1) * 3; ++i) {
                const int own = cur[i];
                const int cross = above[i] + below[i] + cur[i - 3] + cur[i + 3];
                const int diagonal = above[i - 3] + above[i + 3] + below[i - 3] + below[i + 3];
                // own * C - cross * S - diagonal * D with C = 4 (S + D) + 1,
                // grouped so that a uniform area keeps its value exactly.
                const double v = own + (4 * own - cross) * s + (4 * own - diagonal) * d;
                out[i] = uint8_t(std::clamp(int(v), 0, 255));
            }
            std::swap(above, cur);
            std::memcpy(cur, below, size_t(stride));
        }
    }
    std::free(above);
    std::free(cur);
    return true;
}

} // namespace VlmImgUt
