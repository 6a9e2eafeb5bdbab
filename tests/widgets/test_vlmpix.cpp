// The compiled image list: names, indexes, sizes, hot spots, what the
// pictures show, lazy decoding and the stored record format.
#include "VlmPix.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include "memory_cap.h"
#include <zlib.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The last block (emptycur, HndThere, HndPinch, Trans) must still be
// undecoded. Other tests of this program use the drag cursors, so when the
// block is already decoded the test runs again alone in a fresh process.
TEST(VlmPix, BlocksAreDecodedOnFirstUseAndKept)
{
    const VlmPix::ImageList &iml = VlmPix::Iml();
    const bool before114 = iml.IsDecoded(114);
    if (iml.IsDecoded(116)) {
        ASSERT_TRUE(qEnvironmentVariableIsEmpty("VLMPIX_FRESH_RUN")) << "decoded before any use";
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VLMPIX_FRESH_RUN"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=VlmPix.BlocksAreDecodedOnFirstUseAndKept")});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QByteArray out = child.readAll();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }
    const QImage hand = iml.Get(116);
    for (int i = 115; i <= 118; ++i)
        EXPECT_TRUE(iml.IsDecoded(i)) << i;
    EXPECT_EQ(iml.IsDecoded(114), before114);
    EXPECT_EQ(iml.Get(116).cacheKey(), hand.cacheKey());
}

TEST(VlmPix, KnownNamesSitAtTheirIndexes)
{
    const std::pair<const char *, int> known[] = {
        {"boxIcon", 0}, {"about", 1}, {"aboutG", 6}, {"Min", 7}, {"exit", 13}, {"onyel", 19},
        {"onred", 25}, {"ongrnJ", 31}, {"onbluJ", 32}, {"off", 33}, {"offG", 38}, {"lfbox", 39},
        {"lfboxG", 44}, {"rtbox", 45}, {"dnbox", 51}, {"upbox", 57}, {"lfshp", 63}, {"rtshp", 69},
        {"dnshp", 75}, {"upshp", 81}, {"lflev", 87}, {"rtlev", 93}, {"uplev", 99}, {"dnlev", 105},
        {"dnlevG", 110}, {"MoveAll", 111}, {"MoveWE", 112}, {"MoveNS", 113}, {"MoveNot", 114},
        {"emptycur", 115}, {"HndThere", 116}, {"HndPinch", 117}, {"Trans", 118},
    };
    EXPECT_EQ(VlmPix::Count(), 119);
    for (const auto &k : known) {
        EXPECT_EQ(VlmPix::Find(k.first), k.second) << k.first;
        EXPECT_EQ(VlmPix::Name(k.second), k.first);
    }
}

TEST(VlmPix, FindIsExactAndCaseSensitive)
{
    for (const char *absent : {"Pop", "lfboxg", "LFBOX", "lfbox ", "", "Trans2", "moveall"})
        EXPECT_EQ(VlmPix::Find(absent), -1) << absent;
    QSet<QString> seen;
    for (int i = 0; i < VlmPix::Count(); ++i) {
        const QString n = VlmPix::Name(i);
        EXPECT_FALSE(n.isEmpty());
        EXPECT_FALSE(seen.contains(n)) << n.toStdString();
        seen.insert(n);
        EXPECT_EQ(VlmPix::Find(n), i);
    }
    EXPECT_TRUE(VlmPix::Name(-1).isEmpty());
    EXPECT_TRUE(VlmPix::Name(119).isEmpty());
}

// Expected side of a picture from its place in the list.
int expectedSide(int index)
{
    if (index == 0 || (index >= 111 && index <= 117))
        return 32;
    if (index == 118)
        return 4;
    const std::string n = VlmPix::Name(index).toStdString();
    switch (n.back()) {
    case 'L': return 19;
    case 'J': return 22;
    case 'H': return 27;
    case 'E': return 33;
    case 'G': return 38;
    }
    return 16;
}

TEST(VlmPix, EveryPictureHasItsSizeAndFormat)
{
    for (int i = 0; i < VlmPix::Count(); ++i) {
        const QImage img = VlmPix::Get(i);
        ASSERT_FALSE(img.isNull()) << i;
        EXPECT_EQ(img.format(), QImage::Format_ARGB32) << i;
        EXPECT_EQ(img.width(), expectedSide(i)) << VlmPix::Name(i).toStdString();
        EXPECT_EQ(img.height(), expectedSide(i)) << VlmPix::Name(i).toStdString();
    }
    EXPECT_TRUE(VlmPix::Get(-1).isNull());
    EXPECT_TRUE(VlmPix::Get(119).isNull());
}

TEST(VlmPix, HotSpotsOfTheCursors)
{
    const std::pair<int, QPoint> spots[] = {
        {111, {16, 16}}, {112, {16, 16}}, {113, {16, 16}}, {114, {15, 15}},
        {115, {15, 14}}, {116, {15, 13}}, {117, {8, 7}}, {118, {1, 1}},
        {0, {0, 0}}, {39, {0, 0}}, {87, {0, 0}},
    };
    for (const auto &s : spots) {
        EXPECT_EQ(VlmPix::HotSpot(s.first), s.second) << s.first;
        EXPECT_EQ(VlmPix::Get(s.first).offset(), s.second) << s.first;
        EXPECT_EQ(VlmPix::Get(s.first).text("spot2x"), "0");
    }
    EXPECT_EQ(VlmPix::HotSpot(500), QPoint());
}

int opaqueCount(const QImage &img, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qAlpha(img.pixel(x, y)) > 128;
    return n;
}

bool fullyTransparent(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != 0)
                return false;
    return true;
}

TEST(VlmPix, TransparentFillers)
{
    EXPECT_TRUE(fullyTransparent(VlmPix::Get(118)));
    EXPECT_TRUE(fullyTransparent(VlmPix::Get(115)));
    // the cursors and buttons are not empty
    for (int i : {0, 1, 19, 39, 87, 111, 114, 116, 117})
        EXPECT_GT(opaqueCount(VlmPix::Get(i), VlmPix::Get(i).rect()), 40) << i;
}

// Mean colour of the clearly opaque pixels in a rectangle.
QColor meanColour(const QImage &img, const QRect &r)
{
    long long red = 0, green = 0, blue = 0, n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qAlpha(c) < 200)
                continue;
            red += qRed(c), green += qGreen(c), blue += qBlue(c), ++n;
        }
    if (n == 0)
        return QColor();
    return QColor(int(red / n), int(green / n), int(blue / n));
}

enum Way { Left, Right, Down, Up };

struct ArrowCase {
    const char *base;
    Way way;
    bool twoTone;   // red and blue halves (box turns)
};

// Opaque pixels in the first `n` lines of the picture's opaque extent
// taken from one end: columns from the left or right, rows from the top or
// bottom.
int endMass(const QImage &img, Way from, int n)
{
    const int s = img.width();
    std::vector<int> line(std::size_t(s), 0);
    const bool horizontal = from == Left || from == Right;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x)
            if (qAlpha(img.pixel(x, y)) > 128)
                ++line[std::size_t(horizontal ? x : y)];
    int first = 0, last = s - 1;
    while (first < s && line[std::size_t(first)] == 0)
        ++first;
    while (last >= 0 && line[std::size_t(last)] == 0)
        --last;
    int sum = 0;
    for (int k = 0; k < n; ++k) {
        const int i = (from == Left || from == Up) ? first + k : last - k;
        if (i >= 0 && i < s)
            sum += line[std::size_t(i)];
    }
    return sum;
}

// An arrow ends in a point on the side it points to and in a square-cut
// shaft on the other. The box arrows are red above (or left of) the axis
// and blue below (or right of) it; the level arrows are blue or orange-red.
TEST(VlmPix, ArrowsPointTheirWayWithTheirColours)
{
    const ArrowCase cases[] = {
        {"lfbox", Left, true}, {"rtbox", Right, true}, {"dnbox", Down, true}, {"upbox", Up, true},
        {"lfshp", Left, false}, {"rtshp", Right, false}, {"dnshp", Down, false}, {"upshp", Up, false},
        {"lflev", Left, false}, {"rtlev", Right, false}, {"uplev", Up, false}, {"dnlev", Down, false},
    };
    for (const ArrowCase &c : cases) {
        const int first = VlmPix::Find(c.base);
        ASSERT_GE(first, 0);
        for (int v = 0; v < 6; ++v) {
            const QImage img = VlmPix::Get(first + v);
            SCOPED_TRACE(VlmPix::Name(first + v).toStdString());
            const int s = img.width(), h = s / 2;
            const int n = std::max(3, s / 8);
            const Way opposite = c.way == Left ? Right : c.way == Right ? Left : c.way == Up ? Down : Up;
            EXPECT_LT(endMass(img, c.way, n) * 5, endMass(img, opposite, n) * 4);
            const QPoint head = c.way == Left ? QPoint(s / 3, h) : c.way == Right ? QPoint(s - 1 - s / 3, h)
                              : c.way == Up   ? QPoint(h, s / 3)
                                              : QPoint(h, s - 1 - s / 3);
            const bool horizontal = c.way == Left || c.way == Right;
            const int q = std::max(2, s / 8);
            // two small probes either side of the axis, inside the head
            const QRect a = horizontal ? QRect(head.x() - 1, head.y() - q - 1, 3, 2) : QRect(head.x() - q - 1, head.y() - 1, 2, 3);
            const QRect b = horizontal ? QRect(head.x() - 1, head.y() + q, 3, 2) : QRect(head.x() + q, head.y() - 1, 2, 3);
            const QColor ca = meanColour(img, a), cb = meanColour(img, b);
            ASSERT_TRUE(ca.isValid() && cb.isValid());
            const std::string base = c.base;
            if (c.twoTone) {
                EXPECT_GT(ca.red(), ca.blue() + 60);
                EXPECT_GT(cb.blue(), cb.red() + 60);
            } else if (base.find("shp") != std::string::npos) {
                EXPECT_GT(ca.green(), ca.red() + 40);   // teal
                EXPECT_GT(cb.red(), cb.blue() + 30);    // tan
            } else if (horizontal) {
                EXPECT_GT(ca.blue(), ca.red() + 60);
                EXPECT_GT(cb.blue(), cb.red() + 60);
            } else {
                EXPECT_GT(ca.red(), ca.blue() + 60);
                EXPECT_GT(cb.red(), cb.blue() + 60);
            }
        }
    }
}

TEST(VlmPix, LampsAreLitOrDark)
{
    struct L {
        const char *name;
        bool r, g, b;   // which channels are strong in the middle
    };
    const L lamps[] = {{"onyel", true, true, false}, {"onyelG", true, true, false}, {"onred", true, false, false},
                       {"onredE", true, false, false}, {"ongrnJ", false, true, false}, {"onbluJ", false, false, true}};
    for (const L &l : lamps) {
        const QImage img = VlmPix::Get(VlmPix::Find(l.name));
        const int s = img.width();
        const QColor c = meanColour(img, QRect(s / 2 - 1, s / 2, 3, 3));
        SCOPED_TRACE(l.name);
        EXPECT_EQ(c.red() > 150, l.r);
        EXPECT_EQ(c.green() > 150, l.g);
        EXPECT_EQ(c.blue() > 150, l.b);
        // grey rim at the left edge
        const QColor rim = meanColour(img, QRect(1, s / 2 - 1, 1, 3));
        EXPECT_LT(std::abs(rim.red() - rim.blue()), 20);
    }
    for (int i = 33; i <= 38; ++i) {
        const QImage img = VlmPix::Get(i);
        const int s = img.width();
        const QColor c = meanColour(img, QRect(s / 2 - 1, s / 2, 3, 3));
        EXPECT_LT(c.value(), 130) << i;
        EXPECT_LT(std::abs(c.red() - c.blue()), 12) << i;
    }
}

TEST(VlmPix, SecondCallReturnsTheSameListWithoutAddingAgain)
{
    const VlmPix::ImageList &a = VlmPix::Iml();
    const VlmPix::ImageList &b = VlmPix::Iml();
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(a.GetBlockCount(), 20);
    EXPECT_EQ(a.GetCount(), 119);
}

TEST(VlmPix, AccessorsReturnTheLevelArrows)
{
    EXPECT_EQ(VlmPix::lflev(), VlmPix::Get(87));
    EXPECT_EQ(VlmPix::rtlev(), VlmPix::Get(93));
    EXPECT_EQ(VlmPix::uplev(), VlmPix::Get(99));
    EXPECT_EQ(VlmPix::dnlev(), VlmPix::Get(105));
    EXPECT_EQ(VlmPix::uplev().cacheKey(), VlmPix::Get(99).cacheKey());   // kept, not decoded again
}

TEST(VlmPix, BlockBoundariesFollowTheImageCounts)
{
    // block sizes 7, 6, 6, 6, 6, 8, then twelve of 6, then 4 and 4
    const VlmPix::ImageList &iml = VlmPix::Iml();
    const int starts[] = {0, 7, 13, 19, 25, 31, 39, 45, 51, 57, 63, 69, 75, 81, 87, 93, 99, 105, 111, 115, 119};
    for (int b = 0; b < 20; ++b) {
        iml.Get(starts[b + 1] - 1);   // the last image decodes its whole block
        EXPECT_TRUE(iml.IsDecoded(starts[b])) << b;
    }
}

TEST(VlmPix, ConcurrentFirstUseGivesTheSamePictures)
{
    std::vector<std::vector<QImage>> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&got, t] {
            for (int i = 0; i < 119; ++i)
                got[std::size_t(t)].push_back(VlmPix::Get((i * 7 + t * 31) % 119));
        });
    for (std::thread &th : threads)
        th.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 119; ++i)
            EXPECT_EQ(got[std::size_t(t)][std::size_t(i)], VlmPix::Get((i * 7 + t * 31) % 119));
}

// ---- The stored record format ----------------------------------------

void put16(std::vector<unsigned char> &v, int x)
{
    v.push_back(static_cast<unsigned char>(x & 0xFF));
    v.push_back(static_cast<unsigned char>(x >> 8));
}

std::vector<unsigned char> record(int w, int h, int hx, int hy, int sx, int sy, std::size_t pixelBytes)
{
    std::vector<unsigned char> v{0};
    put16(v, w), put16(v, h), put16(v, hx), put16(v, hy), put16(v, sx), put16(v, sy);
    for (std::size_t i = 0; i < pixelBytes; ++i)
        v.push_back(static_cast<unsigned char>(i * 37 + 1));
    return v;
}

std::vector<unsigned char> deflate(const std::vector<unsigned char> &raw)
{
    uLongf len = compressBound(uLong(raw.size()));
    std::vector<unsigned char> z(len);
    EXPECT_EQ(compress(z.data(), &len, raw.data(), uLong(raw.size())), Z_OK);
    z.resize(len);
    return z;
}

TEST(VlmPixFormat, RecordsDecodeToRgbaWithSpots)
{
    std::vector<unsigned char> raw = record(2, 1, 1, 0, 3, 4, 8);
    const std::vector<unsigned char> second = record(1, 1, 0, 0, 0, 0, 4);
    raw.insert(raw.end(), second.begin(), second.end());
    const std::vector<unsigned char> z = deflate(raw);
    const std::vector<QImage> imgs = VlmPix::DecodeBlock(z.data(), z.size(), raw.size(), 2);
    ASSERT_EQ(imgs.size(), 2u);
    ASSERT_EQ(imgs[0].size(), QSize(2, 1));
    EXPECT_EQ(imgs[0].pixel(0, 0), qRgba(1, 38, 75, 112));
    EXPECT_EQ(imgs[0].pixel(1, 0), qRgba(149, 186, 223, 4));
    EXPECT_EQ(imgs[0].offset(), QPoint(1, 0));
    EXPECT_EQ(imgs[0].text("spot2x"), "3");
    EXPECT_EQ(imgs[0].text("spot2y"), "4");
    EXPECT_EQ(imgs[1].size(), QSize(1, 1));
}

TEST(VlmPixFormat, BadDataGivesNullImagesNotOverruns)
{
    struct Case {
        const char *what;
        std::vector<unsigned char> raw;
        int count;
        int good;   // leading images that decode
        long sizeDelta;
    };
    std::vector<unsigned char> ok = record(2, 2, 0, 0, 0, 0, 16);
    std::vector<unsigned char> shortPixels = record(2, 2, 0, 0, 0, 0, 15);
    std::vector<unsigned char> huge = record(60000, 60000, 0, 0, 0, 0, 16);
    std::vector<unsigned char> okThenShort = ok;
    okThenShort.insert(okThenShort.end(), shortPixels.begin(), shortPixels.end());
    std::vector<unsigned char> header = record(2, 2, 0, 0, 0, 0, 0);
    header.resize(7);
    const Case cases[] = {
        {"pixels cut short", shortPixels, 1, 0, 0},
        {"side beyond the cap", huge, 1, 0, 0},
        {"second record cut short", okThenShort, 2, 1, 0},
        {"header cut short", header, 1, 0, 0},
        {"more images asked than stored", ok, 3, 1, 0},
        {"wrong inflated size", ok, 1, 0, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<unsigned char> z = deflate(c.raw);
        const std::vector<QImage> imgs =
            VlmPix::DecodeBlock(z.data(), z.size(), std::size_t(long(c.raw.size()) + c.sizeDelta), c.count);
        ASSERT_EQ(int(imgs.size()), c.count);
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(!imgs[std::size_t(i)].isNull(), i < c.good) << i;
    }
    const unsigned char junk[] = {1, 2, 3, 4, 5};
    const std::vector<QImage> none = VlmPix::DecodeBlock(junk, sizeof junk, 100, 2);
    ASSERT_EQ(none.size(), 2u);
    EXPECT_TRUE(none[0].isNull() && none[1].isNull());
    EXPECT_TRUE(VlmPix::DecodeBlock(nullptr, 0, 10, -3).empty());
}

TEST(VlmPixFormat, ClaimedSizeBeyondTheStreamIsNotAllocated)
{
    // 16 bytes of stream claiming 1 GiB inflated: refused in a process
    // that has no room for that much.
    const std::vector<unsigned char> z = deflate(record(2, 2, 0, 0, 0, 0, 16));
    EXPECT_EQ(testutil::RunUnderMemoryCap(size_t(256) << 20, [&] {
                  const std::vector<QImage> imgs = VlmPix::DecodeBlock(z.data(), z.size(), std::size_t(1) << 30, 1);
                  return imgs.size() == 1 && imgs[0].isNull() ? 0 : 1;
              }),
              0);
}

} // namespace
