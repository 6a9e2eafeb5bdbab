// Pixel kernels: the blend's two paths agree, the blend matches bilinear
// interpolation worked in doubles, and the pixel pool covers every row once
// and keeps exceptions in.
#include "PixelKernels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

using PixelKernels::Picture;

namespace {

// A picture of random bytes with a padded stride.
struct RandomPicture {
    int w, h, stride;
    std::vector<uint8_t> bytes;
    RandomPicture(int w, int h, unsigned seed) : w(w), h(h), stride((w * 3 + 3) & ~3), bytes(size_t(stride) * h)
    {
        std::mt19937 rng(seed);
        for (uint8_t &b : bytes)
            b = uint8_t(rng());
    }
    Picture View() const { return Picture{bytes.data(), w, h, stride}; }
    // Channel c of the pixel (x, y), y counted from the top.
    int At(int x, int y, int c) const { return bytes[size_t(h - 1 - y) * stride + 3 * x + c]; }
};

// Positions over the whole picture, its edges and beyond them.
std::vector<std::pair<float, float>> Positions(int w, int h)
{
    std::vector<std::pair<float, float>> out;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> fx(-1.5f, float(w) + 0.5f), fy(-1.5f, float(h) + 0.5f);
    for (int i = 0; i < 20000; ++i)
        out.emplace_back(fx(rng), fy(rng));
    for (float x : {-1.0f, -0.999f, -0.5f, 0.0f, 0.25f, float(w) - 1.0f, float(w) - 0.5f, float(w) - 0.001f, float(w)})
        for (float y : {-1.0f, -0.999f, 0.0f, 0.75f, float(h) - 1.0f, float(h) - 0.001f, float(h)})
            out.emplace_back(x, y);
    return out;
}

} // namespace

TEST(PixelKernels, VectorAndPlainBlendGiveTheSamePixels)
{
    if (!PixelKernels::HasVectorPath)
        GTEST_SKIP() << "this build has only the plain path";
#ifdef QUIBO_VECTOR_KERNELS
    const RandomPicture pic(37, 23, 1);
    for (const auto &[x, y] : Positions(pic.w, pic.h)) {
        int plain[4] = {-1, -1, -1, -1}, vector[4] = {-2, -2, -2, -2};
        const bool a = PixelKernels::BlendPlain(pic.View(), x, y, plain);
        const bool b = PixelKernels::BlendVector(pic.View(), x, y, vector);
        ASSERT_EQ(a, b) << x << ", " << y;
        if (!a)
            continue;
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(plain[c], vector[c]) << x << ", " << y << " channel " << c;
    }
#endif
}

TEST(PixelKernels, BlendIsBilinearInterpolationInsideThePicture)
{
    const RandomPicture pic(19, 11, 2);
    int inside = 0;
    for (const auto &[x, y] : Positions(pic.w, pic.h)) {
        int out[4];
        const bool hit = PixelKernels::Blend(pic.View(), x, y, out);
        ASSERT_EQ(hit, x > -1.0f && x < float(pic.w) && y > -1.0f && y < float(pic.h)) << x << ", " << y;
        if (!hit)
            continue;
        ++inside;
        // Clamped corners, weights from the position, in doubles.
        const int x0 = std::max(0, int(x)), y0 = std::max(0, int(y));
        const int x1 = std::min(pic.w - 1, int(x) + 1), y1 = std::min(pic.h - 1, int(y) + 1);
        const double ax = x1 == x0 ? 0.0 : std::clamp(double(x) - int(x), 0.0, 1.0);
        const double ay = y1 == y0 ? 0.0 : std::clamp(double(y) - int(y), 0.0, 1.0);
        for (int c = 0; c < 3; ++c) {
            const double v = (1 - ay) * ((1 - ax) * pic.At(x0, y0, c) + ax * pic.At(x1, y0, c))
                             + ay * ((1 - ax) * pic.At(x0, y1, c) + ax * pic.At(x1, y1, c));
            ASSERT_NEAR(out[c], v, 1.0) << x << ", " << y << " channel " << c;
        }
        EXPECT_EQ(out[3], 0);
    }
    EXPECT_GT(inside, 10000);
}

TEST(PixelKernels, BandsCoverEveryRowOnceWithTheSameResultAsOneRun)
{
    for (int bands : {1, 2, 3, 8, 64}) {
        std::vector<std::atomic<int>> hits(1000);
        const bool ok = PixelKernels::RunBands(1000, bands, [&](int64_t first, int64_t last) {
            for (int64_t r = first; r < last; ++r)
                ++hits[size_t(r)];
        });
        EXPECT_TRUE(ok);
        for (size_t r = 0; r < hits.size(); ++r)
            ASSERT_EQ(hits[r].load(), 1) << "row " << r << " with " << bands << " bands";
    }
    EXPECT_TRUE(PixelKernels::RunBands(0, 4, [](int64_t, int64_t) { FAIL() << "no rows, no call"; }));
}

TEST(PixelKernels, AnExceptionInABandIsCaughtAndReported)
{
    std::atomic<int> calls{0};
    // The band holding row 500 throws, on the pool or on the caller.
    const bool ok = PixelKernels::RunBands(1000, 4, [&](int64_t first, int64_t last) {
        ++calls;
        if (first <= 500 && 500 < last)
            throw std::runtime_error("band");
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls.load(), 4);
    EXPECT_FALSE(PixelKernels::RunBands(10, 1, [](int64_t, int64_t) { throw std::bad_alloc(); }));
}
