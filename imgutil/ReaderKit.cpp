#include "ReaderKit.h"
#include "RegularFile.h"
#include "TDib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/stat.h>

namespace VlmImgUt {

TFilePtr OpenForRead(const TImgUt &ctx, const QString &path)
{
    return TFilePtr(ctx.readTarget ? RegularFile::Open(path) : nullptr);
}

bool WithinRecordCap(int64_t width, int64_t height)
{
    return width >= 1 && height >= 1 && width <= Gdi::MaxBitmapPixels && height <= Gdi::MaxBitmapPixels / width;
}

bool WithinSourceCap(int64_t width, int64_t height)
{
    constexpr int64_t MaxSourcePixels = int64_t(1) << 40;
    return width >= 1 && height >= 1 && width <= INT32_MAX && height <= INT32_MAX && height <= MaxSourcePixels / width;
}

int64_t BytesLeft(FILE *f)
{
    struct stat st;
    const off_t at = ftello(f);
    if (at < 0 || fstat(fileno(f), &st) != 0)
        return -1;
    return st.st_size > at ? int64_t(st.st_size - at) : 0;
}

bool ReadAt(FILE *f, int64_t at, void *dst, size_t n)
{
    return fseeko(f, off_t(at), SEEK_SET) == 0 && fread(dst, 1, n, f) == n;
}

bool TReaderRows::Start(TImgUt &ctx, int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight,
                        int32_t dpiX, int32_t dpiY)
{
    dib = ctx.readTarget;
    if (!dib || !WithinSourceCap(width, height) || ctx.budget.Stopped())
        return false;
    const TReduction red = TReduction::For(width, height, maxWidth, maxHeight);
    if (!WithinRecordCap(red.width, red.height))
        return false;
    ctx.budget.SetPicture(width, height, red.width, red.height);
    if (red.reduced) {
        try {
            cols = TSampled::Of(TReduction::Sample(width, red.width, red.stepX));
            rows = TSampled::Of(TReduction::Sample(height, red.height, red.stepY));
        } catch (const std::bad_alloc &) {
            return false;
        }
    } else {
        cols = TSampled::Every(red.width);
        rows = TSampled::Every(red.height);
    }
    if (!dib->Create(red.width, red.height, dpiX, dpiY))
        return false;
    dib->srcWidth = int32_t(width);
    dib->srcHeight = int32_t(height);
    return true;
}

std::pair<int32_t, int32_t> TSampled::Find(int64_t v) const
{
    if (table.empty()) {
        if (v < 0 || v >= count)
            return {0, 0};
        return {int32_t(v), int32_t(v) + 1};
    }
    const auto range = std::equal_range(table.begin(), table.end(), v,
                                        [](const auto &a, const auto &b) { return int64_t(a) < int64_t(b); });
    return {int32_t(range.first - table.begin()), int32_t(range.second - table.begin())};
}

int32_t TSampled::From(int64_t v) const
{
    if (table.empty())
        return int32_t(std::clamp<int64_t>(v, 0, count));
    return int32_t(std::lower_bound(table.begin(), table.end(), v,
                                    [](int32_t a, int64_t b) { return int64_t(a) < b; }) -
                   table.begin());
}

std::pair<int32_t, int32_t> TReaderRows::Targets(int64_t y) const
{
    return rows.Find(y);
}

uint8_t *TReaderRows::Row(int32_t k) const
{
    return dib->bits + int64_t(dib->height - 1 - k) * dib->stride;
}

void TReaderRows::Repeat(int32_t first, int32_t last) const
{
    for (int32_t k = first + 1; k < last; ++k)
        memcpy(Row(k), Row(first), size_t(3) * size_t(Width()));
}

void TReaderRows::PutBgr(int64_t y, const uint8_t *bgr) const
{
    const auto [first, last] = Targets(y);
    if (first >= last)
        return;
    uint8_t *dst = Row(first);
    for (const int32_t x : cols) {
        const uint8_t *src = bgr + 3 * int64_t(x);
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst += 3;
    }
    Repeat(first, last);
}

} // namespace VlmImgUt
