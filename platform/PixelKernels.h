// The pixel kernels of the box painter: the bilinear blend of a 24-bit
// bottom-up picture and one step of the adaptive supersampler; and the one
// pool that runs parallel pixel work.
//
// The blend has a plain C++ path that builds everywhere and an SSE2 path
// used where the compiler targets x86; both give the same pixels (the same
// single-precision operations in the same order). Configuring with
// -DQUIBO_PLAIN_KERNELS=ON uses the plain path on every processor.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>

#if defined(__SSE2__) && !defined(QUIBO_PLAIN_KERNELS)
#define QUIBO_VECTOR_KERNELS 1
#include <emmintrin.h>
#endif

namespace PixelKernels {

// A picture as the kernels read it: B-G-R bytes, rows bottom-up.
struct Picture {
    const uint8_t *bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Where the blend reads: the pixel (ix, iy) and its right and lower
// neighbours with their weights ax and ay. False when (fx, fy) lies outside
// the picture. Positions just before the first row or column read it
// unweighted, and the last row or column is its own neighbour, so no weight
// is ever negative and every channel stays within 0..255.
struct BlendTaps {
    const uint8_t *p00, *p10, *p01, *p11;
    float ax, ay;
};

inline bool TapsAt(const Picture &src, float fx, float fy, BlendTaps &t)
{
    const int pw = src.width, ph = src.height;
    if (!(fx > -1.0f && fx < float(pw) && fy > -1.0f && fy < float(ph)))
        return false;
    const int ix = int(fx), iy = int(fy);
    float ax = fx - float(ix), ay = fy - float(iy);
    ax = ax < 0.0f ? 0.0f : (ax > 1.0f ? 1.0f : ax);
    ay = ay < 0.0f ? 0.0f : (ay > 1.0f ? 1.0f : ay);
    int ix1 = ix + 1, iy1 = iy + 1;
    if (ix1 >= pw) {
        ax = 0.0f;
        ix1 = ix;
    }
    if (iy1 >= ph) {
        ay = 0.0f;
        iy1 = iy;
    }
    const uint8_t *row0 = src.bits + int64_t(ph - 1 - iy) * src.stride;
    const uint8_t *row1 = src.bits + int64_t(ph - 1 - iy1) * src.stride;
    t = BlendTaps{row0 + 3 * ix, row0 + 3 * ix1, row1 + 3 * ix, row1 + 3 * ix1, ax, ay};
    return true;
}

// Bilinear blend of the picture at (fx, fy) into out[0..2] in the stored
// channel order; out has room for four and the fourth is set to 0. Each
// channel is (1 - ay) x ((1 - ax) x P00 + ax x P10) + ay x ((1 - ax) x P01
// + ax x P11) in 32-bit floats, truncated and kept within 0..255.
inline bool BlendPlain(const Picture &src, float fx, float fy, int out[4])
{
    BlendTaps t;
    if (!TapsAt(src, fx, fy, t))
        return false;
    const float bx = 1.0f - t.ax, by = 1.0f - t.ay;
    for (int c = 0; c < 3; ++c) {
        const float top = bx * float(t.p00[c]) + t.ax * float(t.p10[c]);
        const float bottom = bx * float(t.p01[c]) + t.ax * float(t.p11[c]);
        const int v = int(by * top + t.ay * bottom);
        out[c] = v < 0 ? 0 : (v > 255 ? 255 : v);
    }
    out[3] = 0;
    return true;
}

#ifdef QUIBO_VECTOR_KERNELS
constexpr bool HasVectorPath = true;

// The three stored channels of a pixel as four float lanes (the fourth 0).
inline __m128 PixelLanes(const uint8_t *p)
{
    const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(int(v));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
}

// BlendPlain with the three channels side by side in one vector.
inline bool BlendVector(const Picture &src, float fx, float fy, int out[4])
{
    BlendTaps t;
    if (!TapsAt(src, fx, fy, t))
        return false;
    const __m128 vax = _mm_set1_ps(t.ax), vbx = _mm_set1_ps(1.0f - t.ax);
    const __m128 vay = _mm_set1_ps(t.ay), vby = _mm_set1_ps(1.0f - t.ay);
    const __m128 top = _mm_add_ps(_mm_mul_ps(vbx, PixelLanes(t.p00)), _mm_mul_ps(vax, PixelLanes(t.p10)));
    const __m128 bottom = _mm_add_ps(_mm_mul_ps(vbx, PixelLanes(t.p01)), _mm_mul_ps(vax, PixelLanes(t.p11)));
    __m128i c = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(vby, top), _mm_mul_ps(vay, bottom)));
    const __m128i top255 = _mm_set1_epi32(255);
    c = _mm_and_si128(c, _mm_cmpgt_epi32(c, _mm_setzero_si128()));
    const __m128i over = _mm_cmpgt_epi32(c, top255);
    c = _mm_or_si128(_mm_and_si128(over, top255), _mm_andnot_si128(over, c));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), c);
    return true;
}

inline bool Blend(const Picture &src, float fx, float fy, int out[4])
{
    return BlendVector(src, fx, fy, out);
}
#else
constexpr bool HasVectorPath = false;

inline bool Blend(const Picture &src, float fx, float fy, int out[4])
{
    return BlendPlain(src, fx, fy, out);
}
#endif

// One step of the adaptive supersampler on any record holding the sampler
// fields (currentSample, sampleOffset[9], sampleWeight[10], maxSamples,
// testAfter, sampleIndex, sampleSlot, validSamples, sampleThreshold,
// sampleBaseX/Y, sampleX/Y, sampleSum[3]). True while another sub-sample
// is wanted: its position is then in sampleX, sampleY and the caller fills
// currentSample.channel (and clears valid when it lies outside the
// picture). False when the pixel is done: sampleSum holds the weighted
// average in the order red, green, blue.
template <typename S>
inline bool SuperSampleStep(S &st)
{
    const int most = std::min(std::max(st.maxSamples, 1), 9);
    if (st.sampleIndex != 0) {
        auto &slot = st.sampleOffset[st.sampleSlot];
        slot.channel[0] = st.currentSample.channel[0];
        slot.channel[1] = st.currentSample.channel[1];
        slot.channel[2] = st.currentSample.channel[2];
        slot.valid = st.currentSample.valid;
        slot.unused = st.currentSample.unused;
        slot.dx = st.currentSample.dx;
        slot.dy = st.currentSample.dy;
        if (st.currentSample.valid) {
            st.sampleSum[0] += st.currentSample.channel[2];
            st.sampleSum[1] += st.currentSample.channel[1];
            st.sampleSum[2] += st.currentSample.channel[0];
            ++st.validSamples;
        }
        bool more = true;
        if (st.sampleIndex >= most) {
            more = false;
        } else if (st.sampleIndex == st.testAfter) {
            // Any two valid diagonal probes further apart than the threshold
            // ask for more.
            more = false;
            const int probes = std::min(st.testAfter, 4);
            for (int a = 0; a < probes && !more; ++a) {
                if (!st.sampleOffset[a].valid)
                    continue;
                for (int b = a + 1; b < probes; ++b) {
                    if (!st.sampleOffset[b].valid)
                        continue;
                    const int *p = st.sampleOffset[a].channel, *q = st.sampleOffset[b].channel;
                    const int diff = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
                    if (diff > st.sampleThreshold) {
                        more = true;
                        break;
                    }
                }
            }
        }
        if (!more) {
            const float w = st.sampleWeight[std::min(std::max(st.validSamples, 0), 9)];
            for (int c = 0; c < 3; ++c)
                st.sampleSum[c] = int(float(st.sampleSum[c]) * w);
            return false;
        }
    }
    st.sampleSlot = st.sampleIndex;
    ++st.sampleIndex;
    st.currentSample = st.sampleOffset[st.sampleSlot];
    st.sampleX = st.sampleBaseX + st.currentSample.dx;
    st.sampleY = st.sampleBaseY + st.currentSample.dy;
    st.currentSample.channel[0] = st.currentSample.channel[1] = st.currentSample.channel[2] = 0;
    st.currentSample.valid = true;
    return true;
}

// Runs work(first, last) over the rows [0, total) in up to `bands` bands of
// about equal height: the first band on the calling thread, the others on
// the one shared pixel pool (a band that finds no free pool thread runs on
// the calling thread too). Returns when every band is done. The bands must
// write disjoint pixels; the result is then the same as one call over the
// whole range. An exception thrown by a band is caught; the result is false
// when any band threw.
bool RunBands(int64_t total, int bands, const std::function<void(int64_t, int64_t)> &work);

// Threads of the shared pixel pool: the processor's threads, at most 8.
int PoolThreads();

} // namespace PixelKernels
