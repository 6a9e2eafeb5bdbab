// The two halves of StretchBlt's resampling. The vertical half sums the
// weighted bytes of the source rows (14-bit fixed point weights) and keeps
// 8 fraction bits: a row of 16-bit values, one a byte, so three a pixel in
// the picture's channel order, each value less 32768. The horizontal half
// sums for each destination column its taps' weights times those values
// and rounds away the 22 fraction bits; the column's weight total puts the
// 32768 back. Biased values let two taps of a channel make one 16-bit
// multiply-add in the vector path. A plain path and an SSE2 path give the
// same bytes (PixelKernels::VectorPath chooses).
#pragma once

#include "PixelKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace StretchRows {

// Values a row holds for each pixel.
constexpr int Lanes = 3;

// The taps of the destination columns in order: column j reads pairs[j]
// pairs of pixels from pixel start[j], with the weights of each pair (the
// first in the low 16 bits, the second in the high ones; 0 past its taps)
// from offset[j] on; total[j] is the sum of its weights. The vector path
// reads the same from one record a column, with each pair of weights four
// times over in `lanes`.
struct Columns {
    std::vector<int32_t> start, pairs, offset, total;
    std::vector<uint32_t> weights;
    // A column: its first value's index in the row, its pairs, where its
    // weights start in `lanes`, and the term that puts the bias back and
    // rounds.
    struct alignas(16) Record {
        int32_t at;
        int32_t pairs;
        int32_t lanes;
        int32_t add;
    };
    std::vector<Record> records;
    std::vector<uint32_t> lanes;
    // True while every column has one pair (an enlarged or a kept size).
    bool onePair = true;
    // The pairs every column has in `lanes`, once PadPairs gave them the
    // longest column's; 0 otherwise.
    int32_t padded = 0;

    // Adds a column of `count` taps from pixel `first`.
    void Add(int32_t first, int32_t count, const int32_t *w)
    {
        const int32_t n = std::max<int32_t>(1, (count + 1) / 2);
        start.push_back(first);
        pairs.push_back(n);
        offset.push_back(int32_t(weights.size()));
        records.push_back(Record{Lanes * first, n, int32_t(lanes.size()), 0});
        int32_t sum = 0;
        for (int32_t k = 0; k < 2 * n; k += 2) {
            const uint32_t a = uint32_t(w[k]) & 0xFFFF, b = k + 1 < count ? uint32_t(w[k + 1]) & 0xFFFF : 0u;
            weights.push_back(a | b << 16);
            lanes.insert(lanes.end(), 4, a | b << 16);
            sum += w[k] + (k + 1 < count ? w[k + 1] : 0);
        }
        total.push_back(sum);
        records.back().add = 32768 * sum + (1 << 21);
        onePair = onePair && n == 1;
        padded = 0;
    }

    // Gives every column in `lanes` as many pairs as the longest one has,
    // when that is two to four; the pairs added have weight 0 and read what
    // follows the column's pixels in the row (Slack covers them). The
    // vector path then takes every column in one loop of a fixed length.
    void PadPairs()
    {
        int32_t most = 0;
        for (const Record &r : records)
            most = std::max(most, r.pairs);
        if (most < 2 || most > 4)
            return;
        std::vector<uint32_t> even(records.size() * size_t(4 * most), 0);
        for (size_t j = 0; j < records.size(); ++j) {
            Record &r = records[j];
            std::copy_n(lanes.begin() + r.lanes, 4 * r.pairs, even.begin() + ptrdiff_t(j) * 4 * most);
            r.lanes = int32_t(j) * 4 * most;
        }
        lanes.swap(even);
        padded = most;
    }
};

// A 16-bit value with 8 fraction bits as a row stores it.
inline int16_t Biased(uint32_t value)
{
    return int16_t(int32_t(value) - 32768);
}

// Pixels a row needs past the last one a column reads: a pair's second
// pixel past its taps and the pairs PadPairs adds (weight 0), and what the
// vector path's loads take beyond a pair. They hold any values.
constexpr int Slack = 8;

// Bytes of one destination pixel from its three sums over its taps.
inline void Store(uint8_t *d, const int64_t sum[3], int32_t total)
{
    for (int c = 0; c < 3; ++c)
        d[c] = uint8_t((sum[c] + 32768 * int64_t(total) + (int64_t(1) << 21)) >> 22);
}

// Columns first .. last - 1 into out, three bytes each, from a row with
// Slack pixels after the last one read.
inline void RowPlain(const Columns &cols, const int16_t *row, size_t first, size_t last, uint8_t *out)
{
    for (size_t j = first; j < last; ++j, out += 3) {
        const uint32_t *w = cols.weights.data() + cols.offset[j];
        const int16_t *p = row + Lanes * cols.start[j];
        int64_t sum[3] = {0, 0, 0};
        for (int32_t k = 0; k < cols.pairs[j]; ++k, p += 2 * Lanes) {
            const int32_t w0 = int16_t(w[k] & 0xFFFF), w1 = int16_t(w[k] >> 16);
            for (int c = 0; c < 3; ++c)
                sum[c] += int64_t(w0) * p[c] + int64_t(w1) * p[Lanes + c];
        }
        Store(out, sum, cols.total[j]);
    }
}

#ifdef QUIBO_VECTOR_KERNELS
// The channels of a pixel and its right neighbour, side by side, from the
// eight values at p: B0 B1 G0 G1 R0 R1 and two that are not used.
inline __m128i PairLanes(const int16_t *p)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    return _mm_unpacklo_epi16(v, _mm_srli_si128(v, 2 * Lanes));
}

// Four columns' lanes as 3 bytes each at o; each column's lanes pack to
// four bytes that the next one partly overwrites, the fourth's into o[12].
inline void Store4(uint8_t *o, __m128i c0, __m128i c1, __m128i c2, __m128i c3)
{
    alignas(16) uint32_t v[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(v), _mm_packus_epi16(_mm_packs_epi32(c0, c1), _mm_packs_epi32(c2, c3)));
    std::memcpy(o, &v[0], 4);
    std::memcpy(o + 3, &v[1], 4);
    std::memcpy(o + 6, &v[2], 4);
    std::memcpy(o + 9, &v[3], 4);
}

// A column's sums over its first `pairs` pairs of taps in the lanes of the
// three channels, shifted back to bytes (the fourth lane is not used).
inline __m128i ColumnLanes(const Columns::Record &c, const uint32_t *lanes, const int16_t *row, int32_t pairs)
{
    const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i *>(&c));
    __m128i acc = _mm_shuffle_epi32(m, 0xFF);
    const int16_t *p = row + c.at;
    const uint32_t *w = lanes + c.lanes;
    for (int32_t k = 0; k < pairs; ++k)
        acc = _mm_add_epi32(acc, _mm_madd_epi16(PairLanes(p + 2 * Lanes * k),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i *>(w + 4 * k))));
    return _mm_srai_epi32(acc, 22);
}

// Columns j .. while four more and one after them remain, every one of
// `pairs` pairs; j and out move on past them.
template <int32_t pairs>
inline void RowOfPairs(const Columns &cols, const int16_t *row, size_t &j, size_t last, uint8_t *&out)
{
    const Columns::Record *records = cols.records.data();
    const uint32_t *lanes = cols.lanes.data();
    for (; j + 4 < last; j += 4, out += 12)
        Store4(out, ColumnLanes(records[j], lanes, row, pairs), ColumnLanes(records[j + 1], lanes, row, pairs),
               ColumnLanes(records[j + 2], lanes, row, pairs), ColumnLanes(records[j + 3], lanes, row, pairs));
}

// RowPlain with the three channels in the lanes of one vector: a pixel and
// its neighbour are paired channel by channel and multiplied by the pair
// of weights in one multiply-add. The sums fit 32 bits: the weights are
// positive and at most 2^14 in total, the values at most 2^15 in size.
// Columns of one pair, or padded to the same pairs, take a loop of that
// many; the others, and the last column of the run, count their own.
inline void RowVector(const Columns &cols, const int16_t *row, size_t first, size_t last, uint8_t *out)
{
    // Held apart from the vectors: the byte stores may alias anything.
    const Columns::Record *records = cols.records.data();
    const uint32_t *lanes = cols.lanes.data();
    size_t j = first;
    switch (cols.onePair ? 1 : cols.padded) {
    case 1:
        RowOfPairs<1>(cols, row, j, last, out);
        break;
    case 2:
        RowOfPairs<2>(cols, row, j, last, out);
        break;
    case 3:
        RowOfPairs<3>(cols, row, j, last, out);
        break;
    case 4:
        RowOfPairs<4>(cols, row, j, last, out);
        break;
    default:
        break;
    }
    auto column = [&](size_t j) { return ColumnLanes(records[j], lanes, row, records[j].pairs); };
    for (; j + 4 < last; j += 4, out += 12)
        Store4(out, column(j), column(j + 1), column(j + 2), column(j + 3));
    for (; j < last; ++j, out += 3) {
        const __m128i c = column(j);
        const uint32_t v = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(c, c), c)));
        out[0] = uint8_t(v);
        out[1] = uint8_t(v >> 8);
        out[2] = uint8_t(v >> 16);
    }
}
#endif

inline void Row(const Columns &cols, const int16_t *row, size_t first, size_t last, uint8_t *out)
{
#ifdef QUIBO_VECTOR_KERNELS
    if (PixelKernels::VectorPath()) {
        RowVector(cols, row, first, last, out);
        return;
    }
#endif
    RowPlain(cols, row, first, last, out);
}

// The vertical half: the values first .. count - 1 of a row from the same
// bytes of the n source rows times their weights, summed and rounded to 8
// fraction bits.
inline void VerticalPlain(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t first, size_t count)
{
    for (size_t i = first; i < count; ++i) {
        uint32_t sum = 0;
        for (int k = 0; k < n; ++k)
            sum += uint32_t(w[k]) * src[k][i];
        row[i] = Biased((sum + (1u << 5)) >> 6);
    }
}

#ifdef QUIBO_VECTOR_KERNELS
// VerticalPlain sixteen bytes at a time for at most eight source rows, in
// 16-bit lanes. The weights sum to 2^14; each is split as 64 h + l with
// l < 64, so that sum = 64 H + La + Lb with H = sum of h x byte (at most
// 256 x 255), La the sum of l x byte over the first four rows and Lb over
// the others (each at most 4 x 63 x 255): all three fit 16 bits unsigned.
// The value rounded to 8 fraction bits is H + ((La + Lb + 32) >> 6), and
// (La + Lb + 32) >> 1 is the rounded average of La and Lb + 31, exactly.
// Weights that are multiples of 64 (an exact ratio, a doubled size) have
// no low parts to sum.
template <int n, bool low>
inline void VerticalFew(int16_t *row, const uint8_t *const *src, const int32_t *w, size_t count)
{
    static_assert(n >= 1 && n <= 8, "four rows a partial sum, two partial sums");
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi16(31), bias = _mm_set1_epi16(-32768);
    __m128i high[n], lows[n];
    const uint8_t *rows[n];
    for (int k = 0; k < n; ++k) {
        rows[k] = src[k];
        high[k] = _mm_set1_epi16(int16_t(w[k] >> 6));
        lows[k] = _mm_set1_epi16(int16_t(w[k] & 63));
    }
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i h0 = zero, h1 = zero, la0 = zero, la1 = zero, lb0 = round, lb1 = round;
        for (int k = 0; k < n; ++k) {
            const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k] + i));
            const __m128i lo = _mm_unpacklo_epi8(r, zero), hi = _mm_unpackhi_epi8(r, zero);
            h0 = _mm_add_epi16(h0, _mm_mullo_epi16(lo, high[k]));
            h1 = _mm_add_epi16(h1, _mm_mullo_epi16(hi, high[k]));
            if (!low) {
            } else if (k < 4) {
                la0 = _mm_add_epi16(la0, _mm_mullo_epi16(lo, lows[k]));
                la1 = _mm_add_epi16(la1, _mm_mullo_epi16(hi, lows[k]));
            } else {
                lb0 = _mm_add_epi16(lb0, _mm_mullo_epi16(lo, lows[k]));
                lb1 = _mm_add_epi16(lb1, _mm_mullo_epi16(hi, lows[k]));
            }
        }
        // v - 32768 in 16 bits is v with its top bit flipped.
        const __m128i v0 = _mm_add_epi16(h0, _mm_srli_epi16(_mm_avg_epu16(la0, lb0), 5));
        const __m128i v1 = _mm_add_epi16(h1, _mm_srli_epi16(_mm_avg_epu16(la1, lb1), 5));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i), _mm_xor_si128(v0, bias));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i + 8), _mm_xor_si128(v1, bias));
    }
    VerticalPlain(row, src, w, n, i, count);
}

// VerticalPlain sixteen bytes at a time, for weights that sum to 2^14:
// up to eight rows in 16-bit lanes, more two source rows at once, their
// bytes paired and multiplied by the pair of weights in one multiply-add.
// The last bytes short of sixteen are left to the plain loop.
inline void VerticalVector(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t count)
{
    if (n <= 8) {
        using Few = void (*)(int16_t *, const uint8_t *const *, const int32_t *, size_t);
        static constexpr Few few[2][8] = {
            {VerticalFew<1, false>, VerticalFew<2, false>, VerticalFew<3, false>, VerticalFew<4, false>,
             VerticalFew<5, false>, VerticalFew<6, false>, VerticalFew<7, false>, VerticalFew<8, false>},
            {VerticalFew<1, true>, VerticalFew<2, true>, VerticalFew<3, true>, VerticalFew<4, true>,
             VerticalFew<5, true>, VerticalFew<6, true>, VerticalFew<7, true>, VerticalFew<8, true>}};
        bool low = false;
        for (int k = 0; k < n; ++k)
            low = low || (w[k] & 63) != 0;
        few[low][n - 1](row, src, w, count);
        return;
    }
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(1 << 5), bias = _mm_set1_epi32(32768);
    // The weights of each pair of rows, made once for the row; a lone last
    // row is paired with itself at weight 0.
    constexpr int MostRows = 32;
    alignas(16) int32_t weightsHere[2 * MostRows];
    const uint8_t *rowsHere[MostRows];
    std::vector<int32_t> weightsMore;
    std::vector<const uint8_t *> rowsMore;
    int32_t *weights = weightsHere;
    const uint8_t **rows = rowsHere;
    if (n > MostRows) {
        weightsMore.resize(2 * size_t(n) + 2);
        rowsMore.resize(size_t(n) + 1);
        weights = weightsMore.data();
        rows = rowsMore.data();
    }
    for (int k = 0; k < n; k += 2) {
        const bool pair = k + 1 < n;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(weights + 2 * k),
                         _mm_set1_epi32(int32_t((uint32_t(w[k]) & 0xFFFF) | (pair ? uint32_t(w[k + 1]) << 16 : 0u))));
        rows[k] = src[k];
        rows[k + 1] = src[pair ? k + 1 : k];
    }
    auto lanes = [&](__m128i v) { return _mm_sub_epi32(_mm_srli_epi32(_mm_add_epi32(v, round), 6), bias); };
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < n; k += 2) {
            const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k] + i));
            const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k + 1] + i));
            const __m128i wk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(weights + 2 * k));
            const __m128i lo = _mm_unpacklo_epi8(r0, r1), hi = _mm_unpackhi_epi8(r0, r1);
            a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), wk));
            a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), wk));
            a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), wk));
            a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), wk));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i), _mm_packs_epi32(lanes(a0), lanes(a1)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i + 8), _mm_packs_epi32(lanes(a2), lanes(a3)));
    }
    VerticalPlain(row, src, w, n, i, count);
}
#endif

// The values of `span` pixels.
inline void Vertical(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t span)
{
#ifdef QUIBO_VECTOR_KERNELS
    if (PixelKernels::VectorPath()) {
        VerticalVector(row, src, w, n, Lanes * span);
        return;
    }
#endif
    VerticalPlain(row, src, w, n, 0, Lanes * span);
}

} // namespace StretchRows
