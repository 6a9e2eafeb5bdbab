// Pixel kernels: the blend's two paths agree, the blend matches bilinear
// interpolation worked in doubles, four blends side by side equal four
// single ones, the supersampled runs equal the stepwise supersampler, and
// the pixel pool covers every row once and keeps exceptions in.
#include "PixelKernels.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <algorithm>
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

// The tests run once more with QUIBO_PLAIN_KERNELS=1 (as Plain.*): that
// run must really be on the plain path, and the other on the vector one.
TEST(PixelKernels, TheEnvironmentChoosesThePath)
{
    const QByteArray plain = qgetenv("QUIBO_PLAIN_KERNELS");
    const bool wantPlain = !plain.isEmpty() && plain != "0";
    EXPECT_EQ(PixelKernels::VectorPath(), PixelKernels::HasVectorPath && !wantPlain);
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

TEST(PixelKernels, FourBlendsSideBySideEqualFourSingleOnes)
{
    // A width of 8 leaves no padding after a row: the last pixels of the
    // top row end the picture's memory.
    for (const RandomPicture &pic : {RandomPicture(8, 5, 3), RandomPicture(37, 23, 4), RandomPicture(1, 1, 5)}) {
        const auto positions = Positions(pic.w, pic.h);
        for (size_t i = 0; i + 4 <= positions.size(); i += 4) {
            float fx[4], fy[4];
            for (int k = 0; k < 4; ++k) {
                fx[k] = positions[i + size_t(k)].first;
                fy[k] = positions[i + size_t(k)].second;
            }
            PixelKernels::Blend4Out four, plain;
            PixelKernels::Blend4(pic.View(), fx, fy, four);
            PixelKernels::Blend4Plain(pic.View(), fx, fy, plain);
            for (int k = 0; k < 4; ++k) {
                int one[4] = {0, 0, 0, 0};
                const bool inside = PixelKernels::Blend(pic.View(), fx[k], fy[k], one);
                ASSERT_EQ(four.valid[k], inside ? -1 : 0) << fx[k] << ", " << fy[k];
                ASSERT_EQ(plain.valid[k], four.valid[k]);
                for (int ch = 0; ch < 3; ++ch) {
                    ASSERT_EQ(four.c[ch][k], inside ? one[ch] : 0) << fx[k] << ", " << fy[k] << " channel " << ch;
                    ASSERT_EQ(plain.c[ch][k], four.c[ch][k]);
                }
            }
        }
    }
}

namespace {

// The sampler's fields as the stepwise supersampler reads them.
struct SamplerRecord {
    struct Sample {
        int channel[4] = {0, 0, 0, 0};
        bool valid = false, unused = false;
        float dx = 0.0f, dy = 0.0f;
    };
    Sample currentSample, sampleOffset[9];
    float sampleWeight[10] = {1.0f, 1.0f, 1.0f / 2, 1.0f / 3, 1.0f / 4, 1.0f / 5, 1.0f / 6, 1.0f / 7, 1.0f / 8, 1.0f / 9};
    int maxSamples = 9, testAfter = 4, sampleIndex = 0, sampleSlot = 0, validSamples = 0, sampleThreshold = 30;
    float sampleBaseX = 0, sampleBaseY = 0, sampleX = 0, sampleY = 0;
    int sampleSum[3] = {0, 0, 0};

    SamplerRecord()
    {
        const float t = 1.0f / 3.0f;
        const float offsets[9][2] = {{-t, -t}, {t, -t}, {-t, t}, {t, t}, {0, 0}, {0, -t}, {-t, 0}, {t, 0}, {0, t}};
        for (int k = 0; k < 9; ++k) {
            sampleOffset[k].dx = offsets[k][0];
            sampleOffset[k].dy = offsets[k][1];
        }
    }
};

// A picture with smooth areas and hard edges.
RandomPicture EdgedPicture(int w, int h, unsigned seed)
{
    RandomPicture pic(w, h, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                pic.bytes[size_t(h - 1 - y) * pic.stride + 3 * x + c] =
                    uint8_t(((x / 7 + y / 5) % 2 ? 200 : 20) + x + c * y % 30);
    return pic;
}

} // namespace

TEST(PixelKernels, SupersampledRunsEqualTheStepwiseSampler)
{
    const RandomPicture pictures[] = {EdgedPicture(60, 60, 1), EdgedPicture(120, 120, 2), RandomPicture(40, 40, 3)};
    std::mt19937 rng(11);
    for (const RandomPicture &pic : pictures) {
        for (int rotation : {0, 90, 180, 270})
            for (bool left : {true, false}) {
                SamplerRecord rec;
                PixelKernels::SlantLine l;
                // A face of 40 pixels' edge and depth 12, fed one block of
                // the picture, at a place of large coordinates.
                l.boxSize = 40.0f;
                l.size = 40.0f;
                l.sx = float(rng() % uint32_t(pic.w - 39));
                l.sy = float(rng() % uint32_t(pic.h - 39));
                l.rotation = rotation;
                l.leftFace = left;
                const float x = 1500.0f, y = 900.0f, first = left ? x - 11.0f : y - 11.0f;
                for (int line = 0; line < 11; ++line) {
                    for (int k = 0; k < 9; ++k) {
                        const float a = first + float(line) + (left ? rec.sampleOffset[k].dx : rec.sampleOffset[k].dy);
                        l.along[k] = (a - first) * l.size / 11.0f;
                        l.edge[k] = left ? y - (x - a) * 12.0f / 12.0f : x - (y - a) * 12.0f / 12.0f;
                        l.across[k] = left ? rec.sampleOffset[k].dy : rec.sampleOffset[k].dx;
                    }
                    PixelKernels::SamplerSetup setup;
                    std::copy(rec.sampleWeight, rec.sampleWeight + 10, setup.weight);
                    setup.threshold = rec.sampleThreshold;
                    const int a0 = int(left ? y : x) - 12 + line, n = 41;
                    std::vector<uint8_t> run(size_t(n) * 4), plain(size_t(n) * 4);
                    const int lastNine = PixelKernels::SupersampleRun(pic.View(), l, setup, a0, n, run.data());
                    ASSERT_EQ(PixelKernels::SupersampleRunPlain(pic.View(), l, setup, a0, n, plain.data()), lastNine);
                    ASSERT_EQ(run, plain);
                    int stepwiseLastNine = -1;
                    for (int i = 0; i < n; ++i) {
                        rec.sampleSum[0] = rec.sampleSum[1] = rec.sampleSum[2] = 0;
                        rec.sampleIndex = rec.sampleSlot = rec.validSamples = 0;
                        rec.sampleBaseX = rec.sampleBaseY = float(a0 + i);
                        while (PixelKernels::SuperSampleStep(rec)) {
                            float fx, fy;
                            PixelKernels::SlantPosition(l, rec.sampleSlot, float(a0 + i), fx, fy);
                            if (!PixelKernels::Blend(pic.View(), fx, fy, rec.currentSample.channel))
                                rec.currentSample.valid = false;
                        }
                        if (rec.sampleIndex == 9)
                            stepwiseLastNine = i;
                        for (int ch = 0; ch < 3; ++ch)
                            ASSERT_EQ(run[size_t(4 * i + ch)], std::clamp(rec.sampleSum[2 - ch], 0, 255))
                                << "rotation " << rotation << (left ? " left" : " top") << " line " << line
                                << " pixel " << i << " channel " << ch;
                        ASSERT_EQ(run[size_t(4 * i + 3)], 1);
                    }
                    EXPECT_EQ(lastNine, stepwiseLastNine);
                }
            }
    }
}

TEST(PixelKernels, WorkersEachRunOnceAndAnExceptionInOneIsCaughtAndReported)
{
    for (int workers : {1, 2, 3, 8, 64}) {
        std::vector<std::atomic<int>> runs(static_cast<size_t>(workers));
        EXPECT_TRUE(PixelKernels::RunWorkers(workers, [&](int w) { ++runs[size_t(w)]; }));
        for (int w = 0; w < workers; ++w)
            ASSERT_EQ(runs[size_t(w)].load(), 1) << "worker " << w << " of " << workers;
    }
    // The throwing worker is on the pool or on the caller; the others still run.
    for (int thrower : {0, 2}) {
        std::atomic<int> calls{0};
        EXPECT_FALSE(PixelKernels::RunWorkers(4, [&](int w) {
            ++calls;
            if (w == thrower)
                throw std::runtime_error("worker");
        })) << "worker " << thrower;
        EXPECT_EQ(calls.load(), 4);
    }
    EXPECT_FALSE(PixelKernels::RunWorkers(1, [](int) { throw std::bad_alloc(); }));
}

TEST(PixelKernels, PiecesCoverEveryRowOnceAndAThrowingPieceLeavesTheOthers)
{
    for (int workers : {1, 3, 8})
        for (int64_t piece : {1, 7, 1000, 5000}) {
            std::vector<std::atomic<int>> hits(1000);
            EXPECT_TRUE(PixelKernels::RunPieces(1000, workers, piece, [&](int64_t first, int64_t last) {
                EXPECT_LE(last - first, piece);
                for (int64_t r = first; r < last; ++r)
                    ++hits[size_t(r)];
            }));
            for (size_t r = 0; r < hits.size(); ++r)
                ASSERT_EQ(hits[r].load(), 1) << "row " << r << ", " << workers << " workers, pieces of " << piece;
        }
    std::atomic<int> rows{0};
    const bool ok = PixelKernels::RunPieces(100, 4, 10, [&](int64_t first, int64_t last) {
        if (first == 50)
            throw std::runtime_error("piece");
        rows += int(last - first);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(rows.load(), 90);
    EXPECT_TRUE(PixelKernels::RunPieces(0, 4, 10, [](int64_t, int64_t) { FAIL() << "no rows, no call"; }));
}
