// The pixel kernels of the box painter: the bilinear blend of a 24-bit
// bottom-up picture and one step of the adaptive supersampler; and the one
// pool that runs parallel pixel work.
//
// The blend has a plain C++ path that builds everywhere and an SSE2 path
// built where the compiler targets x86; both give the same pixels (the same
// single-precision operations in the same order). The SSE2 path is taken
// unless the environment variable QUIBO_PLAIN_KERNELS is set to anything
// but 0 when the kernels are first used: the tests run the drawing layer
// and the painter both ways in one build.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#define QUIBO_VECTOR_KERNELS 1
#include <emmintrin.h>
#endif

namespace PixelKernels {

#ifdef QUIBO_VECTOR_KERNELS
constexpr bool HasVectorPath = true;
#else
constexpr bool HasVectorPath = false;
#endif

// False when QUIBO_PLAIN_KERNELS asks for the plain path; read from the
// environment once.
bool VectorWanted();

// The path the kernels take: -1 until they are first used, then 1 for the
// vector path or 0 for the plain one. The tests set it back to -1 to see
// which tests reach the kernels.
inline std::atomic<int> chosenPath{-1};

// True when the kernels take their vector path.
inline bool VectorPath()
{
    int path = chosenPath.load(std::memory_order_relaxed);
    if (path < 0) {
        path = HasVectorPath && VectorWanted() ? 1 : 0;
        chosenPath.store(path, std::memory_order_relaxed);
    }
    return path != 0;
}

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

#endif

inline bool Blend(const Picture &src, float fx, float fy, int out[4])
{
#ifdef QUIBO_VECTOR_KERNELS
    if (VectorPath())
        return BlendVector(src, fx, fy, out);
#endif
    return BlendPlain(src, fx, fy, out);
}

// Four blends side by side: lane k is Blend at (fx[k], fy[k]). valid[k] is
// -1 where that position lies inside the picture, else 0, and then the
// lane's channels are 0. c[ch][k] is channel ch of lane k.
struct Blend4Out {
    alignas(16) int32_t c[3][4];
    alignas(16) int32_t valid[4];
};

inline void Blend4Plain(const Picture &src, const float fx[4], const float fy[4], Blend4Out &out)
{
    for (int k = 0; k < 4; ++k) {
        int px[4] = {0, 0, 0, 0};
        const bool inside = BlendPlain(src, fx[k], fy[k], px);
        out.valid[k] = inside ? -1 : 0;
        for (int ch = 0; ch < 3; ++ch)
            out.c[ch][k] = px[ch];
    }
}

#ifdef QUIBO_VECTOR_KERNELS
inline uint32_t Load3(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

// A pixel and its right neighbour as the low six bytes, in stored order.
// The neighbour is read where it is not used too (its weight is then 0,
// and 0 times any channel adds nothing), but never past the picture's
// memory.
inline uint64_t LoadPair(const uint8_t *bits, int64_t at, int64_t size)
{
    if (at + 8 <= size) {
        uint64_t v;
        std::memcpy(&v, bits + at, 8);
        return v;
    }
    const uint8_t *p = bits + at;
    return uint64_t(Load3(p)) | uint64_t(at + 6 <= size ? Load3(p + 3) : 0u) << 24;
}

// Lane by lane a x b of non-negative values whose products fit 31 bits.
inline __m128i MulLanes(__m128i a, __m128i b)
{
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// The pixels at four byte offsets and their right neighbours, each as
// 0x00RRGGBB in a lane.
inline void GatherPairs(const uint8_t *bits, int64_t size, __m128i offsets, __m128i &left, __m128i &right)
{
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(at), offsets);
    const __m128i q01 = _mm_set_epi64x(int64_t(LoadPair(bits, at[1], size)), int64_t(LoadPair(bits, at[0], size)));
    const __m128i q23 = _mm_set_epi64x(int64_t(LoadPair(bits, at[3], size)), int64_t(LoadPair(bits, at[2], size)));
    const __m128i mask = _mm_set1_epi64x(0xFFFFFF);
    left = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(_mm_and_si128(q01, mask)),
                                           _mm_castsi128_ps(_mm_and_si128(q23, mask)), _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(_mm_and_si128(_mm_srli_epi64(q01, 24), mask)),
                                            _mm_castsi128_ps(_mm_and_si128(_mm_srli_epi64(q23, 24), mask)),
                                            _MM_SHUFFLE(2, 0, 2, 0)));
}

// Four blends in vector lanes: the channels (0 in lanes outside the
// picture) and the mask of the lanes inside.
struct BlendLanes {
    __m128i c[3];
    __m128i inside;
};

// Blend4Plain with the four lanes in vectors: the same single-precision
// operations in the same order, lane by lane.
inline BlendLanes Blend4Lanes(const Picture &src, __m128 fx, __m128 fy)
{
    BlendLanes r;
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), minusOne = _mm_set1_ps(-1.0f);
    const __m128 inside = _mm_and_ps(
        _mm_and_ps(_mm_cmpgt_ps(fx, minusOne), _mm_cmplt_ps(fx, _mm_set1_ps(float(src.width)))),
        _mm_and_ps(_mm_cmpgt_ps(fy, minusOne), _mm_cmplt_ps(fy, _mm_set1_ps(float(src.height)))));
    r.inside = _mm_castps_si128(inside);
    if (_mm_movemask_ps(inside) == 0) {
        r.c[0] = r.c[1] = r.c[2] = _mm_setzero_si128();
        return r;
    }
    // Lanes outside read the pixel (0, 0), and their result is dropped.
    fx = _mm_and_ps(fx, inside);
    fy = _mm_and_ps(fy, inside);
    const __m128i ix = _mm_cvttps_epi32(fx), iy = _mm_cvttps_epi32(fy);
    __m128 ax = _mm_min_ps(_mm_max_ps(_mm_sub_ps(fx, _mm_cvtepi32_ps(ix)), zero), one);
    __m128 ay = _mm_min_ps(_mm_max_ps(_mm_sub_ps(fy, _mm_cvtepi32_ps(iy)), zero), one);
    const __m128i ones = _mm_set1_epi32(1);
    const __m128i pastX = _mm_cmpgt_epi32(_mm_add_epi32(ix, ones), _mm_set1_epi32(src.width - 1));
    __m128i iy1 = _mm_add_epi32(iy, ones);
    const __m128i pastY = _mm_cmpgt_epi32(iy1, _mm_set1_epi32(src.height - 1));
    ax = _mm_andnot_ps(_mm_castsi128_ps(pastX), ax);
    ay = _mm_andnot_ps(_mm_castsi128_ps(pastY), ay);
    iy1 = _mm_or_si128(_mm_and_si128(pastY, iy), _mm_andnot_si128(pastY, iy1));
    // Byte offsets of the pixels (ix, iy) and (ix, iy1); rows are stored
    // bottom-up. A picture holds at most 2^28 pixels, so they fit 31 bits.
    const __m128i lastRow = _mm_set1_epi32(src.height - 1), strides = _mm_set1_epi32(src.stride);
    const __m128i across = _mm_add_epi32(ix, _mm_add_epi32(ix, ix));
    const __m128i at0 = _mm_add_epi32(MulLanes(_mm_sub_epi32(lastRow, iy), strides), across);
    const __m128i at1 = _mm_add_epi32(MulLanes(_mm_sub_epi32(lastRow, iy1), strides), across);
    const int64_t size = int64_t(src.stride) * src.height;
    __m128i v00, v10, v01, v11;
    GatherPairs(src.bits, size, at0, v00, v10);
    GatherPairs(src.bits, size, at1, v01, v11);
    const __m128 bx = _mm_sub_ps(one, ax), by = _mm_sub_ps(one, ay);
    // Each channel of a valid lane stays within 0 .. 255 without clamping:
    // the weights lie in 0 .. 1 and each pair sums to at most 1 + 2^-24.
    auto channel = [&](__m128i a00, __m128i a10, __m128i a01, __m128i a11) {
        const __m128 top = _mm_add_ps(_mm_mul_ps(bx, _mm_cvtepi32_ps(a00)), _mm_mul_ps(ax, _mm_cvtepi32_ps(a10)));
        const __m128 bottom = _mm_add_ps(_mm_mul_ps(bx, _mm_cvtepi32_ps(a01)), _mm_mul_ps(ax, _mm_cvtepi32_ps(a11)));
        return _mm_and_si128(_mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(by, top), _mm_mul_ps(ay, bottom))), r.inside);
    };
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    auto byte0 = [&](__m128i v) { return _mm_and_si128(v, byteMask); };
    auto byte1 = [&](__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 8), byteMask); };
    r.c[0] = channel(byte0(v00), byte0(v10), byte0(v01), byte0(v11));
    r.c[1] = channel(byte1(v00), byte1(v10), byte1(v01), byte1(v11));
    r.c[2] = channel(_mm_srli_epi32(v00, 16), _mm_srli_epi32(v10, 16), _mm_srli_epi32(v01, 16),
                     _mm_srli_epi32(v11, 16));
    return r;
}

inline void Blend4Vector(const Picture &src, const float fx[4], const float fy[4], Blend4Out &out)
{
    const BlendLanes r = Blend4Lanes(src, _mm_loadu_ps(fx), _mm_loadu_ps(fy));
    for (int ch = 0; ch < 3; ++ch)
        _mm_store_si128(reinterpret_cast<__m128i *>(out.c[ch]), r.c[ch]);
    _mm_store_si128(reinterpret_cast<__m128i *>(out.valid), r.inside);
}

#endif

inline void Blend4(const Picture &src, const float fx[4], const float fy[4], Blend4Out &out)
{
#ifdef QUIBO_VECTOR_KERNELS
    if (VectorPath()) {
        Blend4Vector(src, fx, fy, out);
        return;
    }
#endif
    Blend4Plain(src, fx, fy, out);
}

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

// Position (X, Y) in the picture of the position (h, v) in a block of
// `size` turned by `rotation` (0, 90, 180 or 270): 0 -> (h, v), 90 -> (v,
// size - h), 180 -> (size - h, size - v), 270 -> (size - v, h). For ints,
// floats and vectors of floats alike.
template <class T>
inline void TurnPosition(T h, T v, T size, int rotation, T &X, T &Y)
{
    switch (rotation) {
    case 90:
        X = v;
        Y = size - h;
        break;
    case 180:
        X = size - h;
        Y = size - v;
        break;
    case 270:
        X = size - v;
        Y = h;
        break;
    default:
        X = h;
        Y = v;
        break;
    }
}

// Where the sub-samples of the pixels along one line of a slanted face (a
// column of the left face, a row of the top face) fall in the picture.
// Sub-sample slot k of the pixel at position a across the line lies at
// t = (a + across[k] - edge[k]) / boxSize x size across the face and at
// along[k] along it: on the left face the block position is (h, v) =
// (along, t), on the top face (t, along). (h, v) is turned by the rotation
// (0 -> (h, v), 90 -> (v, size - h), 180 -> (size - h, size - v),
// 270 -> (size - v, h)) and moved by (sx, sy).
struct SlantLine {
    float along[9];
    float edge[9];
    float across[9];
    float boxSize, size, sx, sy;
    int rotation;
    bool leftFace;
};

inline void SlantPosition(const SlantLine &l, int k, float a, float &fx, float &fy)
{
    const float t = (a + l.across[k] - l.edge[k]) / l.boxSize * l.size;
    const float h = l.leftFace ? l.along[k] : t, v = l.leftFace ? t : l.along[k];
    float X, Y;
    TurnPosition(h, v, l.size, l.rotation, X, Y);
    fx = l.sx + X;
    fy = l.sy + Y;
}

// The supersampler's constants: the weight of a sum by its number of valid
// sub-samples, and how far two probes may differ.
struct SamplerSetup {
    float weight[10];
    int threshold;
};

// One supersampled pixel in the sampler's standard course (at most nine
// sub-samples, the test after four), as a run of SuperSampleStep gives it:
// the four diagonal probes in slots 0..3; when two valid ones differ by
// more than the threshold in |d channel 0| + |d channel 1| + |d channel 2|
// also slots 4..8; the sums of the valid sub-samples times the weight of
// their number, truncated and kept within 0..255, go to out in stored
// channel order. Returns the number of sub-samples taken, 4 or 9.
inline int SupersamplePixel(const Picture &src, const SlantLine &l, const SamplerSetup &s, float a, uint8_t out[3])
{
    alignas(16) float fx[4], fy[4];
    for (int k = 0; k < 4; ++k)
        SlantPosition(l, k, a, fx[k], fy[k]);
    Blend4Out p;
    Blend4(src, fx, fy, p);
    bool more = false;
    for (int i = 0; i < 4 && !more; ++i)
        for (int j = i + 1; j < 4; ++j) {
            if (!(p.valid[i] & p.valid[j]))
                continue;
            const int diff = std::abs(p.c[0][i] - p.c[0][j]) + std::abs(p.c[1][i] - p.c[1][j])
                             + std::abs(p.c[2][i] - p.c[2][j]);
            if (diff > s.threshold) {
                more = true;
                break;
            }
        }
    // Invalid lanes hold 0 in every channel.
    int sum[3], count = -(p.valid[0] + p.valid[1] + p.valid[2] + p.valid[3]);
    for (int ch = 0; ch < 3; ++ch)
        sum[ch] = p.c[ch][0] + p.c[ch][1] + p.c[ch][2] + p.c[ch][3];
    int taken = 4;
    if (more) {
        taken = 9;
        for (int k = 0; k < 4; ++k)
            SlantPosition(l, 4 + k, a, fx[k], fy[k]);
        Blend4(src, fx, fy, p);
        count -= p.valid[0] + p.valid[1] + p.valid[2] + p.valid[3];
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += p.c[ch][0] + p.c[ch][1] + p.c[ch][2] + p.c[ch][3];
        float x8, y8;
        SlantPosition(l, 8, a, x8, y8);
        alignas(16) int c8[4];
        if (Blend(src, x8, y8, c8)) {
            ++count;
            for (int ch = 0; ch < 3; ++ch)
                sum[ch] += c8[ch];
        }
    }
    const float w = s.weight[count];
    for (int ch = 0; ch < 3; ++ch) {
        const int v = int(float(sum[ch]) * w);
        out[ch] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
    return taken;
}

// The pixels at positions a0 .. a0 + n - 1 across one line, each as
// SupersamplePixel gives it: out receives four bytes per pixel, the three
// channels and 1. Returns the index (0 .. n - 1) of the last pixel that
// took nine sub-samples, or -1.
inline int SupersampleRunPlain(const Picture &src, const SlantLine &l, const SamplerSetup &s, int a0, int n,
                               uint8_t *out)
{
    int lastNine = -1;
    for (int i = 0; i < n; ++i, out += 4) {
        if (SupersamplePixel(src, l, s, float(a0 + i), out) == 9)
            lastNine = i;
        out[3] = 1;
    }
    return lastNine;
}

#ifdef QUIBO_VECTOR_KERNELS
// Sub-sample slot k of four neighbouring pixels of a line (SlantPosition
// lane by lane).
inline void SlotLanes(const SlantLine &l, int k, __m128 a, __m128 &fx, __m128 &fy)
{
    const __m128 size = _mm_set1_ps(l.size);
    const __m128 t = _mm_mul_ps(
        _mm_div_ps(_mm_sub_ps(_mm_add_ps(a, _mm_set1_ps(l.across[k])), _mm_set1_ps(l.edge[k])), _mm_set1_ps(l.boxSize)),
        size);
    const __m128 along = _mm_set1_ps(l.along[k]);
    const __m128 h = l.leftFace ? along : t, v = l.leftFace ? t : along;
    __m128 X, Y;
    TurnPosition(h, v, size, l.rotation, X, Y);
    fx = _mm_add_ps(_mm_set1_ps(l.sx), X);
    fy = _mm_add_ps(_mm_set1_ps(l.sy), Y);
}

inline __m128i AbsLanes(__m128i v)
{
    const __m128i sign = _mm_srai_epi32(v, 31);
    return _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
}

// SupersampleRunPlain with four pixels side by side: each sub-sample slot
// is blended for the four at once, and the five further slots are taken
// for the pixels whose probes disagree.
inline int SupersampleRunVector(const Picture &src, const SlantLine &l, const SamplerSetup &s, int a0, int n,
                                uint8_t *out)
{
    int lastNine = -1;
    const __m128i threshold = _mm_set1_epi32(s.threshold);
    for (int i = 0; i < n; i += 4) {
        const __m128 a = _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(a0 + i), _mm_setr_epi32(0, 1, 2, 3)));
        BlendLanes probe[4];
        for (int k = 0; k < 4; ++k) {
            __m128 fx, fy;
            SlotLanes(l, k, a, fx, fy);
            probe[k] = Blend4Lanes(src, fx, fy);
        }
        __m128i more = _mm_setzero_si128();
        for (int p = 0; p < 4; ++p)
            for (int q = p + 1; q < 4; ++q) {
                __m128i diff = AbsLanes(_mm_sub_epi32(probe[p].c[0], probe[q].c[0]));
                diff = _mm_add_epi32(diff, AbsLanes(_mm_sub_epi32(probe[p].c[1], probe[q].c[1])));
                diff = _mm_add_epi32(diff, AbsLanes(_mm_sub_epi32(probe[p].c[2], probe[q].c[2])));
                const __m128i both = _mm_and_si128(probe[p].inside, probe[q].inside);
                more = _mm_or_si128(more, _mm_and_si128(both, _mm_cmpgt_epi32(diff, threshold)));
            }
        // Lanes outside the picture hold 0 in every channel; the masks are -1.
        __m128i sum[3], count = _mm_setzero_si128();
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] = _mm_add_epi32(_mm_add_epi32(probe[0].c[ch], probe[1].c[ch]),
                                    _mm_add_epi32(probe[2].c[ch], probe[3].c[ch]));
        for (int k = 0; k < 4; ++k)
            count = _mm_sub_epi32(count, probe[k].inside);
        const int moreBits = _mm_movemask_ps(_mm_castsi128_ps(more)) & ((1 << std::min(4, n - i)) - 1);
        if (moreBits) {
            for (int k = 4; k < 9; ++k) {
                __m128 fx, fy;
                SlotLanes(l, k, a, fx, fy);
                const BlendLanes b = Blend4Lanes(src, fx, fy);
                for (int ch = 0; ch < 3; ++ch)
                    sum[ch] = _mm_add_epi32(sum[ch], _mm_and_si128(b.c[ch], more));
                count = _mm_sub_epi32(count, _mm_and_si128(b.inside, more));
            }
            for (int lane = 3; lane >= 0; --lane)
                if (moreBits & (1 << lane)) {
                    lastNine = i + lane;
                    break;
                }
        }
        alignas(16) int32_t counts[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(counts), count);
        const __m128 weight = _mm_setr_ps(s.weight[counts[0]], s.weight[counts[1]], s.weight[counts[2]],
                                          s.weight[counts[3]]);
        alignas(16) int32_t c[3][4];
        const __m128i top255 = _mm_set1_epi32(255);
        for (int ch = 0; ch < 3; ++ch) {
            __m128i v = _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum[ch]), weight));
            v = _mm_and_si128(v, _mm_cmpgt_epi32(v, _mm_setzero_si128()));
            const __m128i over = _mm_cmpgt_epi32(v, top255);
            v = _mm_or_si128(_mm_and_si128(over, top255), _mm_andnot_si128(over, v));
            _mm_store_si128(reinterpret_cast<__m128i *>(c[ch]), v);
        }
        const int lanes = std::min(4, n - i);
        for (int lane = 0; lane < lanes; ++lane) {
            uint8_t *o = out + 4 * (i + lane);
            o[0] = uint8_t(c[0][lane]);
            o[1] = uint8_t(c[1][lane]);
            o[2] = uint8_t(c[2][lane]);
            o[3] = 1;
        }
    }
    return lastNine;
}

#endif

inline int SupersampleRun(const Picture &src, const SlantLine &l, const SamplerSetup &s, int a0, int n, uint8_t *out)
{
#ifdef QUIBO_VECTOR_KERNELS
    if (VectorPath())
        return SupersampleRunVector(src, l, s, a0, n, out);
#endif
    return SupersampleRunPlain(src, l, s, a0, n, out);
}

// Runs work(first, last) over the rows [0, total) in pieces of about
// `piece` rows, which up to `workers` workers (as RunWorkers) take in
// order as they come free: a worker held up by other load on the machine
// takes fewer. Returns when every piece is done; false when any threw
// (the other pieces are still done).
bool RunPieces(int64_t total, int workers, int64_t piece, const std::function<void(int64_t, int64_t)> &work);

// Runs work(w) for the workers w = 0 .. workers - 1 side by side: worker 0
// on the calling thread, the others on the shared pixel pool (a worker
// that finds no free pool thread runs on the calling thread, before worker
// 0). Returns when every worker is done. An exception thrown by a worker
// is caught; the result is false when any worker threw.
bool RunWorkers(int workers, const std::function<void(int)> &work);

// Threads of the shared pixel pool: the processor's threads, at most 8.
int PoolThreads();

} // namespace PixelKernels
