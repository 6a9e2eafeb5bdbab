// The horizontal half of StretchBlt's resampling. After the vertical half,
// a row holds for each source pixel its three channels as 16-bit values
// with 8 fraction bits; each destination column sums its taps' weights
// (14-bit fixed point) times those values and rounds away the 22 fraction
// bits. A row stores each pixel as four 16-bit lanes (the three channels
// and 0), each value less 32768, so that two taps of a channel make one
// 16-bit multiply-add in the vector path; the column's weight total puts
// the 32768 back. A plain path and an SSE2 path give the same bytes
// (PixelKernels::VectorPath chooses).
#pragma once

#include "PixelKernels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace StretchRows {

// The taps of the destination columns in order: column j reads pairs[j]
// pairs of pixels from pixel start[j], with the weights of each pair (the
// first in the low 16 bits, the second in the high ones; 0 past its taps)
// from offset[j] on; total[j] is the sum of its weights.
struct Columns {
    std::vector<int32_t> start, pairs, offset, total;
    std::vector<uint32_t> weights;

    // Adds a column of `count` taps from pixel `first`.
    void Add(int32_t first, int32_t count, const int32_t *w)
    {
        const int32_t n = std::max<int32_t>(1, (count + 1) / 2);
        start.push_back(first);
        pairs.push_back(n);
        offset.push_back(int32_t(weights.size()));
        int32_t sum = 0;
        for (int32_t k = 0; k < 2 * n; k += 2) {
            const uint32_t a = uint32_t(w[k]) & 0xFFFF, b = k + 1 < count ? uint32_t(w[k + 1]) & 0xFFFF : 0u;
            weights.push_back(a | b << 16);
            sum += w[k] + (k + 1 < count ? w[k + 1] : 0);
        }
        total.push_back(sum);
    }
};

// A 16-bit value with 8 fraction bits as a row stores it.
inline int16_t Biased(uint32_t value)
{
    return int16_t(int32_t(value) - 32768);
}

// Pixels a row needs past the last one a column reads.
constexpr int Slack = 2;

// Bytes of one destination pixel from its three sums over its taps.
inline void Store(uint8_t *d, const int64_t sum[3], int32_t total)
{
    for (int c = 0; c < 3; ++c)
        d[c] = uint8_t((sum[c] + 32768 * int64_t(total) + (int64_t(1) << 21)) >> 22);
}

// Columns first .. last - 1 into out, three bytes each, from a row of
// four lanes per pixel with Slack pixels after the last one read.
inline void RowPlain(const Columns &cols, const int16_t *row, size_t first, size_t last, uint8_t *out)
{
    for (size_t j = first; j < last; ++j, out += 3) {
        const uint32_t *w = cols.weights.data() + cols.offset[j];
        const int16_t *p = row + 4 * cols.start[j];
        int64_t sum[3] = {0, 0, 0};
        for (int32_t k = 0; k < cols.pairs[j]; ++k, p += 8) {
            const int32_t w0 = int16_t(w[k] & 0xFFFF), w1 = int16_t(w[k] >> 16);
            for (int c = 0; c < 3; ++c)
                sum[c] += int64_t(w0) * p[c] + int64_t(w1) * p[4 + c];
        }
        Store(out, sum, cols.total[j]);
    }
}

#ifdef QUIBO_VECTOR_KERNELS
// RowPlain with the three channels in the lanes of one vector: two pixels
// are loaded, their lanes paired channel by channel and multiplied by the
// pair of weights in one multiply-add. The sums fit 32 bits: the weights
// are positive and at most 2^14 in total, the values at most 2^15 in size.
// Four columns are packed and stored together, each as four bytes that the
// next one partly overwrites; the last column of the run takes three.
inline void RowVector(const Columns &cols, const int16_t *row, size_t first, size_t last, uint8_t *out)
{
    const __m128i round = _mm_set1_epi32(1 << 21);
    // Held apart from the vectors: the byte stores may alias anything.
    const int32_t *start = cols.start.data(), *pairs = cols.pairs.data(), *offset = cols.offset.data();
    const int32_t *total = cols.total.data();
    const uint32_t *weights = cols.weights.data();
    auto pair = [](const int16_t *p, uint32_t w) {
        const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        return _mm_madd_epi16(_mm_unpacklo_epi16(two, _mm_srli_si128(two, 8)), _mm_set1_epi32(int32_t(w)));
    };
    // Every column has at least one pair.
    auto column = [&](size_t j) {
        const uint32_t *w = weights + offset[j];
        const int16_t *p = row + 4 * start[j];
        __m128i acc = _mm_add_epi32(_mm_add_epi32(_mm_set1_epi32(32768 * total[j]), round), pair(p, w[0]));
        const int32_t n = pairs[j];
        for (int32_t k = 1; k < n; ++k)
            acc = _mm_add_epi32(acc, pair(p + 8 * k, w[k]));
        return _mm_srai_epi32(acc, 22);
    };
    size_t j = first;
    for (; j + 4 < last; j += 4, out += 12) {
        const __m128i c0 = column(j), c1 = column(j + 1), c2 = column(j + 2), c3 = column(j + 3);
        alignas(16) uint32_t v[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(v),
                        _mm_packus_epi16(_mm_packs_epi32(c0, c1), _mm_packs_epi32(c2, c3)));
        std::memcpy(out, &v[0], 4);
        std::memcpy(out + 3, &v[1], 4);
        std::memcpy(out + 6, &v[2], 4);
        std::memcpy(out + 9, &v[3], 4);
    }
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
    if (PixelKernels::VectorPath())
        return RowVector(cols, row, first, last, out);
#endif
    RowPlain(cols, row, first, last, out);
}

// The vertical half: `span` pixels of the n source rows (three bytes
// each) times their weights, summed and rounded to 8 fraction bits, into a
// row of four lanes per pixel.
inline int16_t VerticalValue(const uint8_t *const *src, const int32_t *w, int n, size_t i)
{
    uint32_t sum = 0;
    for (int k = 0; k < n; ++k)
        sum += uint32_t(w[k]) * src[k][i];
    return Biased((sum + (1u << 5)) >> 6);
}

inline void VerticalPlain(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t first, size_t span)
{
    for (size_t x = first; x < span; ++x) {
        for (int c = 0; c < 3; ++c)
            row[4 * x + c] = VerticalValue(src, w, n, 3 * x + c);
        row[4 * x + 3] = 0;
    }
}

#ifdef QUIBO_VECTOR_KERNELS
// VerticalPlain four pixels at a time: two source rows at once, their
// bytes paired and multiplied by the pair of weights in one multiply-add.
// Each load takes 16 bytes where 12 are used, so the last pixels are left
// to the plain loop.
inline void VerticalVector(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t span)
{
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(1 << 5), bias = _mm_set1_epi32(32768);
    const __m128i lanes3 = _mm_setr_epi32(-1, -1, -1, 0);
    size_t x = 0;
    for (; x + 6 <= span; x += 4) {
        __m128i a0 = zero, a1 = zero, a2 = zero;
        for (int k = 0; k < n; k += 2) {
            const bool pair = k + 1 < n;
            const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src[k] + 3 * x));
            const __m128i r1 = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(src[k + 1] + 3 * x)) : zero;
            const __m128i wk = _mm_set1_epi32(int32_t((uint32_t(w[k]) & 0xFFFF) | (pair ? uint32_t(w[k + 1]) << 16 : 0u)));
            const __m128i lo = _mm_unpacklo_epi8(r0, r1), hi = _mm_unpackhi_epi8(r0, r1);
            a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), wk));
            a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), wk));
            a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), wk));
        }
        auto lanes = [&](__m128i v) { return _mm_sub_epi32(_mm_srli_epi32(_mm_add_epi32(v, round), 6), bias); };
        // a0 = B0 G0 R0 B1, a1 = G1 R1 B2 G2, a2 = R2 B3 G3 R3.
        const __m128i v0 = lanes(a0), v1 = lanes(a1), v2 = lanes(a2);
        const __m128i p0 = _mm_and_si128(v0, lanes3);
        const __m128i t = _mm_castps_si128(
            _mm_shuffle_ps(_mm_castsi128_ps(v0), _mm_castsi128_ps(v1), _MM_SHUFFLE(1, 0, 3, 3)));
        const __m128i p1 = _mm_and_si128(_mm_shuffle_epi32(t, _MM_SHUFFLE(3, 3, 2, 0)), lanes3);
        const __m128i p2 = _mm_and_si128(
            _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(v1), _mm_castsi128_ps(v2), _MM_SHUFFLE(0, 0, 3, 2))),
            lanes3);
        const __m128i p3 = _mm_srli_si128(v2, 4);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + 4 * x), _mm_packs_epi32(p0, p1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + 4 * x + 8), _mm_packs_epi32(p2, p3));
    }
    VerticalPlain(row, src, w, n, x, span);
}

#endif

inline void Vertical(int16_t *row, const uint8_t *const *src, const int32_t *w, int n, size_t span)
{
#ifdef QUIBO_VECTOR_KERNELS
    if (PixelKernels::VectorPath())
        return VerticalVector(row, src, w, n, span);
#endif
    VerticalPlain(row, src, w, n, 0, span);
}

} // namespace StretchRows
