// StretchBlt. HALFTONE resamples each axis separately with 14-bit fixed
// point weights: a box filter over the covered source area when an axis is
// reduced, bilinear interpolation between pixel centres when it is
// enlarged, a plain copy when its size is kept. Weights of every output
// pixel sum to exactly 1, so a uniform area stays uniform. The other modes
// take the source pixel under each destination pixel centre.
#include "Gdi.h"
#include "GdiPrivate.h"
#include "PixelKernels.h"
#include "StretchRows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace Gdi {

namespace {

constexpr int WBits = 14;
constexpr int32_t WOne = 1 << WBits;

// For each output pixel of one axis: the source pixels it reads and their weights.
struct Taps {
    std::vector<int32_t> first;   // first source index per output pixel
    std::vector<int32_t> count;   // taps per output pixel
    std::vector<int32_t> offset;  // into weights
    std::vector<int32_t> weights;
};

// Output pixels o0..o1-1 of an axis mapping dn outputs onto sn source
// pixels starting at s0; source indices are clamped to [lo, hi). Entry
// j - o0 describes output j.
Taps MakeTaps(int64_t s0, int64_t sn, int64_t dn, int64_t o0, int64_t o1, int64_t lo, int64_t hi, bool halftone)
{
    Taps t;
    const size_t n = size_t(o1 - o0);
    t.first.resize(n);
    t.count.resize(n);
    t.offset.resize(n);
    t.weights.reserve(n * 2);
    auto clampIdx = [&](int64_t i) { return std::clamp(i, lo, hi - 1); };
    std::vector<std::pair<int64_t, int32_t>> raw;
    for (int64_t j = o0; j < o1; ++j) {
        raw.clear();
        if (!halftone) {
            // Source pixel under the centre: floor((j + 0.5) * sn / dn).
            raw.push_back({clampIdx(s0 + FloorDiv((2 * j + 1) * sn, 2 * dn)), WOne});
        } else if (sn == dn) {
            raw.push_back({clampIdx(s0 + j), WOne});
        } else if (sn > dn) {
            // Box: output j covers [j*sn, (j+1)*sn) in units of 1/dn.
            const int64_t a = j * sn, b = (j + 1) * sn;
            int64_t i = a / dn;
            int32_t given = 0;
            for (; i * dn < b; ++i) {
                // Cumulative rounding keeps the sum exact.
                const int64_t upTo = std::min(b, (i + 1) * dn) - a;
                const int32_t w = int32_t((upTo * WOne + sn / 2) / sn) - given;
                given += w;
                if (w)
                    raw.push_back({clampIdx(s0 + i), w});
            }
        } else {
            // Bilinear: centre maps to u = (j + 0.5) * sn / dn - 0.5 = num / (2 dn).
            const int64_t num = (2 * j + 1) * sn - dn;
            const int64_t i0 = FloorDiv(num, 2 * dn);
            const int64_t rem = num - i0 * 2 * dn;  // 0 .. 2dn-1
            const int32_t w1 = int32_t((rem * WOne + dn) / (2 * dn));
            if (w1 < WOne)
                raw.push_back({clampIdx(s0 + i0), WOne - w1});
            if (w1 > 0)
                raw.push_back({clampIdx(s0 + i0 + 1), w1});
        }
        // Merge taps that clamping put on the same index (they are in order).
        const int32_t first = int32_t(raw.front().first);
        int32_t last = first;
        for (auto &p : raw)
            last = std::max(last, int32_t(p.first));
        const int32_t cnt = last - first + 1;
        const size_t e = size_t(j - o0);
        t.first[e] = first;
        t.count[e] = cnt;
        t.offset[e] = int32_t(t.weights.size());
        t.weights.resize(t.weights.size() + size_t(cnt), 0);
        int32_t *w = t.weights.data() + t.offset[e];
        for (auto &p : raw)
            w[p.first - first] += p.second;
    }
    return t;
}

} // namespace

bool StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, uint32_t rop)
{
    if (!dst || !dst->bitmap || !src || !src->bitmap || rop != SRCCOPY)
        return false;
    if (w == 0 || h == 0 || sw == 0 || sh == 0)
        return false;
    bool flipX = false, flipY = false;
    int64_t dx = x, dy = y, dw = w, dh = h, s0x = sx, s0y = sy, snx = sw, sny = sh;
    if (std::llabs(dw) > MaxCoord || std::llabs(dh) > MaxCoord || std::llabs(snx) > MaxCoord || std::llabs(sny) > MaxCoord)
        return false;
    if (dw < 0) { dx = dx + dw + 1; dw = -dw; flipX = !flipX; }
    if (dh < 0) { dy = dy + dh + 1; dh = -dh; flipY = !flipY; }
    if (snx < 0) { s0x = s0x + snx + 1; snx = -snx; flipX = !flipX; }
    if (sny < 0) { s0y = s0y + sny + 1; sny = -sny; flipY = !flipY; }

    Bitmap *db = dst->bitmap;
    const Bitmap *sbOrig = src->bitmap;
    // Source pixels that exist.
    const int64_t loX = std::max<int64_t>(s0x, 0), hiX = std::min<int64_t>(s0x + snx, sbOrig->width);
    const int64_t loY = std::max<int64_t>(s0y, 0), hiY = std::min<int64_t>(s0y + sny, sbOrig->height);
    if (loX >= hiX || loY >= hiY)
        return true;
    // Destination pixels that exist, as output indices.
    const int64_t jx0 = std::max<int64_t>(0, -dx), jx1 = std::min<int64_t>(dw, int64_t(db->width) - dx);
    const int64_t jy0 = std::max<int64_t>(0, -dy), jy1 = std::min<int64_t>(dh, int64_t(db->height) - dy);
    if (jx0 >= jx1 || jy0 >= jy1)
        return true;

    // Reading and writing one bitmap: read from a copy of the source area.
    std::unique_ptr<Bitmap> copy;
    const Bitmap *sb = sbOrig;
    int64_t baseX = 0, baseY = 0;  // source index = stored index + base
    if (sbOrig == db) {
        const int32_t cw = int32_t(hiX - loX), ch = int32_t(hiY - loY);
        const int32_t cs = (cw * 3 + 3) & ~3;
        auto *mem = static_cast<uint8_t *>(std::malloc(size_t(cs) * size_t(ch)));
        if (!mem)
            return false;
        copy.reset(new Bitmap(cw, ch, cs, mem));
        for (int32_t r = 0; r < ch; ++r)
            std::memcpy(copy->Row(r), sbOrig->Row(int(loY + r)) + 3 * loX, size_t(cw) * 3);
        sb = copy.get();
        baseX = loX;
        baseY = loY;
    }

    const bool halftone = dst->stretchMode == HALFTONE;
    // Output indices count along the unmirrored rectangle; a mirrored axis
    // reads output dw - 1 - j at destination column j.
    const int64_t ox0 = flipX ? dw - jx1 : jx0, ox1 = flipX ? dw - jx0 : jx1;
    const int64_t oy0 = flipY ? dh - jy1 : jy0, oy1 = flipY ? dh - jy0 : jy1;
    const Taps tx = MakeTaps(s0x, snx, dw, ox0, ox1, loX, hiX, halftone);
    const Taps ty = MakeTaps(s0y, sny, dh, oy0, oy1, loY, hiY, halftone);
    auto tapX = [&](int64_t j) { return size_t((flipX ? dw - 1 - j : j) - ox0); };
    auto tapY = [&](int64_t j) { return size_t((flipY ? dh - 1 - j : j) - oy0); };

    // Source columns the visible columns read, relative to the stored copy.
    int64_t cLo = INT64_MAX, cHi = INT64_MIN;
    for (size_t e = 0; e < tx.first.size(); ++e) {
        cLo = std::min<int64_t>(cLo, tx.first[e]);
        cHi = std::max<int64_t>(cHi, int64_t(tx.first[e]) + tx.count[e]);
    }
    const int64_t span = cHi - cLo;
    // The visible columns' taps, in destination order, relative to cLo.
    StretchRows::Columns cols;
    for (int64_t j = jx0; j < jx1; ++j) {
        const size_t e = tapX(j);
        cols.Add(int32_t(tx.first[e] - cLo), tx.count[e], tx.weights.data() + tx.offset[e]);
    }
    cols.PadPairs();
    auto rows = [&](int64_t r0, int64_t r1) {
        std::vector<const uint8_t *> src;
        std::vector<int32_t> weights;
        // The values of the pixels, and the slack a column's last pair may read.
        std::vector<int16_t> row(size_t(StretchRows::Lanes * (span + StretchRows::Slack)), 0);
        for (int64_t jr = r0; jr < r1; ++jr) {
            const size_t ey = tapY(jr);
            const int32_t f = ty.first[ey], n = ty.count[ey];
            const int32_t *wy = ty.weights.data() + ty.offset[ey];
            // The source rows with a weight, from the needed columns on.
            src.clear();
            weights.clear();
            for (int32_t k = 0; k < n; ++k)
                if (wy[k]) {
                    src.push_back(sb->Row(int(f + k - baseY)) + 3 * (cLo - baseX));
                    weights.push_back(wy[k]);
                }
            StretchRows::Vertical(row.data(), src.data(), weights.data(), int(src.size()), size_t(span));
            StretchRows::Row(cols, row.data(), 0, size_t(jx1 - jx0), db->Row(int(dy + jr)) + 3 * (dx + jx0));
        }
    };

    // Large jobs are split into pieces of rows on the pixel pool.
    const int64_t work = (jy1 - jy0) * (span + (jx1 - jx0)) * std::max<int64_t>(1, sny / std::max<int64_t>(dh, 1));
    const int workers = int(std::min<int64_t>(PixelKernels::PoolThreads(), work / 250000 + 1));
    const int64_t piece = std::max<int64_t>(1, (jy1 - jy0) / (8 * int64_t(workers)));
    return PixelKernels::RunPieces(jy1 - jy0, workers, piece,
                                   [&](int64_t first, int64_t last) { rows(jy0 + first, jy0 + last); });
}

} // namespace Gdi
