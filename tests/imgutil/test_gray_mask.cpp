// The grey-level mask: levels from a picture, scaling, copying, and the
// drawing through the cached mask.
#include "GrayMask.h"
#include "TDib.h"
#include "picture_decoders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace VlmImgUt;
using Decode::Filled;
using Decode::Px;

namespace {

// Source pixels carry their position, so a misplaced copy shows.
std::unique_ptr<TDib> Numbered(int w, int h)
{
    auto d = Filled(w, h, 0, 0, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t *p = Px(*d, x, y);
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 200;
        }
    return d;
}

void SetLevels(TGrayMask &m, uint8_t v)
{
    std::memset(m.level, v, size_t(m.width) * m.height);
}

} // namespace

TEST(GrayMask, NewMask)
{
    TGrayMask m;
    EXPECT_EQ(m.width, 1);
    EXPECT_EQ(m.height, 1);
    EXPECT_NE(m.level, nullptr);
    EXPECT_EQ(m.threshold, 128);
    EXPECT_EQ(m.contrast, 100);
    EXPECT_EQ(m.maskBitmap, nullptr);
}

TEST(GrayMask, BuildLevelsAndMean)
{
    struct Case {
        const char *name;
        uint8_t b, g, r;
        bool invert;
        uint8_t contrast;
        int channel;
        int level;
    };
    const Case cases[] = {
        {"invert on white", 255, 255, 255, true, 100, 0, 0},
        {"average", 10, 20, 31, false, 100, 0, 20},
        {"red", 10, 20, 31, false, 100, 1, 31},
        {"green", 10, 20, 31, false, 100, 2, 20},
        {"blue", 10, 20, 31, false, 100, 3, 10},
        {"other channels average", 10, 20, 31, false, 100, 7, 20},
        {"contrast maps red too", 0, 0, 160, false, 200, 1, 192},
        {"contrast before the average", 160, 160, 64, false, 200, 0, (192 + 192 + 0) / 3},
        {"inverted", 10, 20, 31, true, 100, 1, 255 - 31},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto pic = Filled(5, 3, c.b, c.g, c.r);
        TGrayMask m;
        ASSERT_TRUE(m.Build(pic.get(), c.invert, c.contrast, c.channel));
        EXPECT_EQ(m.width, 5);
        EXPECT_EQ(m.height, 3);
        for (int i = 0; i < 15; ++i)
            ASSERT_EQ(m.level[i], c.level);
        EXPECT_EQ(m.mean, c.level);
    }
    // The mean averages the rows' averages: half the rows black, half white.
    auto pic = Filled(3, 4, 0, 0, 0);
    for (int y = 0; y < 2; ++y)
        std::memset(Px(*pic, 0, y), 255, 9);
    TGrayMask m;
    ASSERT_TRUE(m.Build(pic.get(), false, 100, 0));
    EXPECT_EQ(m.mean, 128); // 127.5 rounded
    EXPECT_EQ(m.level[0], 0);  // bottom row first
    EXPECT_EQ(m.level[11], 255);

    EXPECT_FALSE(m.Build(nullptr, false, 100, 0));
    TDib empty;
    empty.Create(0, 0);
    EXPECT_FALSE(m.Build(&empty, false, 100, 0));
}

TEST(GrayMask, ResizeCopyAndScale)
{
    TGrayMask m;
    EXPECT_FALSE(m.Resize(0, 4));
    EXPECT_EQ(m.level, nullptr);
    EXPECT_FALSE(m.Resize(4, -1));
    ASSERT_TRUE(m.Resize(2, 1));
    m.level[0] = 0;
    m.level[1] = 240;
    m.mean = 120;

    TGrayMask copy;
    EXPECT_FALSE(copy.CopyFrom(nullptr));
    ASSERT_TRUE(copy.CopyFrom(&m));
    EXPECT_EQ(copy.width, 2);
    EXPECT_EQ(copy.mean, 120);
    EXPECT_EQ(copy.level[1], 240);
    TGrayMask noLevels;
    noLevels.Reset(true);
    EXPECT_FALSE(copy.CopyFrom(&noLevels));

    // Scaling its own levels 2 x 1 to 8 x 2 keeps the ends and blends between.
    ASSERT_TRUE(m.ScaleLevels(8, 2, nullptr, 0, 0));
    EXPECT_EQ(m.width, 8);
    EXPECT_EQ(m.height, 2);
    for (int r = 0; r < 2; ++r) {
        EXPECT_LT(m.level[r * 8], 40);
        EXPECT_GT(m.level[r * 8 + 7], 200);
        for (int x = 1; x < 8; ++x)
            EXPECT_GE(m.level[r * 8 + x], m.level[r * 8 + x - 1]);
    }
    // Given levels replace the mask's own.
    const uint8_t given[4] = {90, 90, 90, 90};
    ASSERT_TRUE(m.ScaleLevels(3, 3, given, 2, 2));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m.level[i], 90);
    EXPECT_EQ(m.mean, 90);
    EXPECT_FALSE(m.ScaleLevels(0, 3, given, 2, 2));
}

TEST(GrayMask, DrawCopiesWhereTheLevelReachesTheThreshold)
{
    auto source = Numbered(4, 3);
    struct Case {
        const char *name;
        uint8_t level, threshold, contrast;
        bool copies;
    };
    const Case cases[] = {
        {"all below the threshold keep the destination", 127, 128, 100, false},
        {"at the threshold copies", 128, 128, 100, true},
        {"contrast 0 makes every level 127", 200, 128, 0, false},
        {"contrast 200 pushes a dark level below it", 100, 90, 200, false},
        {"contrast 200 lifts a light level over it", 150, 160, 200, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TGrayMask m;
        ASSERT_TRUE(m.Resize(4, 3));
        SetLevels(m, c.level);
        m.threshold = c.threshold;
        m.contrast = c.contrast;
        auto dest = Filled(6, 5, 1, 2, 3);
        m.Draw(source.get(), dest.get(), 1, 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
                const uint8_t *expected = c.copies && inside ? Px(*source, x - 1, y - 1) : Px(*dest, 5, 4);
                ASSERT_EQ(std::memcmp(Px(*dest, x, y), expected, 3), 0) << x << "," << y;
            }
    }
}

TEST(GrayMask, DrawClipsAtEveryEdge)
{
    auto source = Numbered(5, 4);
    TGrayMask m;
    ASSERT_TRUE(m.Resize(5, 4));
    SetLevels(m, 255);
    // The mask picks per pixel: the bottom-left pixel of the mask keeps the
    // destination.
    m.level[0] = 0;
    struct Case {
        int x, y;
    };
    for (const Case &c : {Case{-2, -3}, Case{4, 2}, Case{-1, 3}, Case{3, -2}, Case{-5, 0}, Case{6, 0}, Case{0, 5}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        auto dest = Filled(6, 5, 7, 7, 7);
        m.Draw(source.get(), dest.get(), c.x, c.y);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const int sx = x - c.x, sy = y - c.y;
                const bool copied = sx >= 0 && sx < 5 && sy >= 0 && sy < 4 && !(sx == 0 && sy == 3);
                const uint8_t keep[3] = {7, 7, 7};
                const uint8_t *expected = copied ? Px(*source, sx, sy) : keep;
                ASSERT_EQ(std::memcmp(Px(*dest, x, y), expected, 3), 0) << x << "," << y;
            }
    }
}

TEST(GrayMask, DrawUsesTheCachedMaskUntilReset)
{
    auto source = Numbered(3, 3);
    TGrayMask m;
    ASSERT_TRUE(m.Resize(3, 3));
    SetLevels(m, 100);
    m.threshold = 50; // copies
    auto dest = Filled(3, 3, 9, 9, 9);
    m.Draw(source.get(), dest.get(), 0, 0);
    EXPECT_NE(m.maskBitmap, nullptr);
    EXPECT_EQ(Px(*dest, 1, 1)[0], 1);

    // A new threshold without Reset still draws through the old mask.
    m.threshold = 200;
    dest = Filled(3, 3, 9, 9, 9);
    m.Draw(source.get(), dest.get(), 0, 0);
    EXPECT_EQ(Px(*dest, 1, 1)[0], 1);

    m.Reset(false);
    EXPECT_EQ(m.maskBitmap, nullptr);
    dest = Filled(3, 3, 9, 9, 9);
    m.Draw(source.get(), dest.get(), 0, 0);
    EXPECT_EQ(Px(*dest, 1, 1)[0], 9);

    // A mask larger than the source draws only the source's size.
    TGrayMask big;
    ASSERT_TRUE(big.Resize(8, 8));
    SetLevels(big, 255);
    dest = Filled(8, 8, 9, 9, 9);
    big.Draw(source.get(), dest.get(), 0, 0);
    EXPECT_EQ(Px(*dest, 2, 2)[0], 2);
    EXPECT_EQ(Px(*dest, 3, 3)[0], 9);
}
