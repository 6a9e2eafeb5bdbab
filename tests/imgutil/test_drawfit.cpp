// DrawImageFit and MirrorPad on small pictures.
#include "TDib.h"
#include "TImgUt.h"

#include <gtest/gtest.h>

#include <functional>

using namespace VlmImgUt;

namespace {

const COLORREF Marker = 0x00FFFFFF; // target before drawing
const COLORREF Fill = 0x00FF00FF;   // margin brush
const COLORREF Green = 0x0000FF00;

COLORREF Get(const TDib &d, int x, int y)
{
    const uint8_t *p = d.bits + int64_t(d.height - 1 - y) * d.stride + 3 * x;
    return RGBColor(p[2], p[1], p[0]);
}

void Set(TDib &d, int x, int y, COLORREF c)
{
    uint8_t *p = d.bits + int64_t(d.height - 1 - y) * d.stride + 3 * x;
    p[0] = uint8_t(GetBValue(c));
    p[1] = uint8_t(GetGValue(c));
    p[2] = uint8_t(GetRValue(c));
}

void Paint(TDib &d, const std::function<COLORREF(int, int)> &f)
{
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            Set(d, x, y, f(x, y));
}

std::unique_ptr<TDib> Picture(int w, int h, const std::function<COLORREF(int, int)> &f)
{
    auto d = std::make_unique<TDib>();
    EXPECT_TRUE(d->Create(w, h, 0, 0));
    Paint(*d, f);
    return d;
}

// A 100 x 100 target in the marker colour with the margin brush selected.
std::unique_ptr<TDib> Target(int w = 100, int h = 100)
{
    auto t = Picture(w, h, [](int, int) { return Marker; });
    t->SetBrush(Fill);
    return t;
}

bool Inside(const Gdi::RECT &r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

TEST(DrawImageFit, CoveredRectanglesAndMargins)
{
    struct Case {
        const char *name;
        int w, h;
        bool centre;
        int16_t fit;
        Gdi::RECT covered;
    } cases[] = {
        {"wide fit centred", 200, 100, true, 1, {0, 25, 100, 75}},
        {"wide fit top", 200, 100, false, 1, {0, 0, 100, 50}},
        {"wide fit mode -1", 200, 100, true, -1, {0, 25, 100, 75}},
        {"tall fit centred", 100, 200, true, 1, {25, 0, 75, 100}},
        {"tall fit left", 100, 200, false, 1, {0, 0, 50, 100}},
        {"3:2 fit rounds", 300, 200, true, 1, {0, 16, 100, 83}}, // h' = trunc(66.67 + 0.5) = 67
        {"wide fill", 200, 100, true, 2, {0, 0, 100, 100}},
        {"wide fill 7", 200, 100, false, 7, {0, 0, 100, 100}},
        {"tall fill", 100, 200, true, 2, {0, 0, 100, 100}},
        {"wide natural centred", 200, 100, true, 0, {0, 0, 100, 100}},
        {"small natural centred", 50, 50, true, 0, {25, 25, 75, 75}},
        {"small natural top left", 50, 50, false, 0, {0, 0, 50, 50}},
        {"wide natural top left", 160, 60, false, 0, {0, 0, 100, 60}},
        {"cut natural centred", 160, 60, true, 0, {0, 20, 100, 80}},
        {"exact size fit", 100, 100, true, 1, {0, 0, 100, 100}},
        {"exact size fill", 100, 100, false, 2, {0, 0, 100, 100}},
        {"small fit enlarges", 20, 10, true, 1, {0, 25, 100, 75}},
    };
    for (const Case &c : cases) {
        for (bool fill : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (fill ? " filled" : ""));
            auto pic = Picture(c.w, c.h, [](int, int) { return Green; });
            auto t = Target();
            Gdi::RECT r{0, 0, 100, 100};
            TImgUt::DrawImageFit(t->dc, pic.get(), r, c.centre, c.fit, false, fill, 0);
            EXPECT_EQ(r.left, c.covered.left);
            EXPECT_EQ(r.top, c.covered.top);
            EXPECT_EQ(r.right, c.covered.right);
            EXPECT_EQ(r.bottom, c.covered.bottom);
            int wrong = 0;
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 100; ++x) {
                    const COLORREF want = Inside(c.covered, x, y) ? Green : fill ? Fill : Marker;
                    wrong += Get(*t, x, y) != want;
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(DrawImageFit, SourceWindows)
{
    // Thirds: columns 0-49 red, 50-149 green, 150-199 blue.
    auto thirds = Picture(200, 100, [](int x, int) {
        return x < 50 ? RGBColor(255, 0, 0) : x < 150 ? Green : RGBColor(0, 0, 255);
    });
    struct Case { bool centre; int16_t fit; int firstGreen, lastGreen; } cases[] = {
        {true, 2, 0, 99},  // window from x = 50, 100 wide, full height
        {false, 2, 50, 99},
        {true, 0, 0, 99},  // the picture's middle at natural size
        {false, 0, 50, 99},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "centre " << c.centre << " fit " << c.fit);
        auto t = Target();
        Gdi::RECT r{0, 0, 100, 100};
        TImgUt::DrawImageFit(t->dc, thirds.get(), r, c.centre, c.fit, false, true, 0);
        for (int y : {0, 50, 99})
            for (int x = 0; x < 100; ++x) {
                const bool green = x >= c.firstGreen && x <= c.lastGreen;
                EXPECT_EQ(Get(*t, x, y), green ? Green : RGBColor(255, 0, 0)) << x << "," << y;
            }
    }

    // Natural size centred takes source columns 50..149 exactly.
    auto cols = Picture(200, 100, [](int x, int y) { return RGBColor(y, x, 0); });
    auto t = Target();
    Gdi::RECT r{0, 0, 100, 100};
    TImgUt::DrawImageFit(t->dc, cols.get(), r, true, 0, false, true, 0);
    for (int y = 0; y < 100; y += 9)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Get(*t, x, y), RGBColor(y, x + 50, 0)) << x << "," << y;
}

TEST(DrawImageFit, FillModeWithATinyPictureStillCoversTheRectangle)
{
    // H * N or W / N below a half: the source window must keep one column
    // or row, or the covered rectangle would stay undrawn.
    struct Case { int w, h, rw, rh; } cases[] = {
        {1, 1, 100, 300}, {1, 1, 300, 100}, {2, 1, 10, 100}, {1, 2, 100, 10},
    };
    for (const Case &c : cases) {
        for (bool centre : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.rw << "x" << c.rh);
            auto pic = Picture(c.w, c.h, [](int, int) { return Green; });
            auto t = Target(c.rw, c.rh);
            Gdi::RECT r{0, 0, c.rw, c.rh};
            TImgUt::DrawImageFit(t->dc, pic.get(), r, centre, 2, false, true, 0);
            EXPECT_EQ(r.right, c.rw);
            EXPECT_EQ(r.bottom, c.rh);
            int wrong = 0;
            for (int y = 0; y < c.rh; ++y)
                for (int x = 0; x < c.rw; ++x)
                    wrong += Get(*t, x, y) != Green;
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(DrawImageFit, ExactSizeIsCopiedOneToOne)
{
    auto pic = Picture(100, 100, [](int x, int y) { return RGBColor(x * 2, y * 2, (x ^ y) & 0xFF); });
    for (int16_t fit : {0, 1, 2, 5}) {
        auto t = Target();
        Gdi::SetStretchBltMode(t->dc, Gdi::COLORONCOLOR);
        Gdi::RECT r{0, 0, 100, 100};
        TImgUt::DrawImageFit(t->dc, pic.get(), r, fit != 2, fit, false, true, 0);
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                wrong += Get(*t, x, y) != Get(*pic, x, y);
        EXPECT_EQ(wrong, 0) << fit;
        // A plain copy leaves the target's stretch mode alone.
        EXPECT_EQ(Gdi::GetStretchBltMode(t->dc), Gdi::COLORONCOLOR) << fit;
    }
}

TEST(DrawImageFit, StretchFillsTheWholeRectangleOnly)
{
    auto pic = Picture(50, 30, [](int, int) { return Green; });
    auto t = Target();
    Gdi::SetStretchBltMode(t->dc, Gdi::COLORONCOLOR);
    Gdi::RECT r{0, 0, 80, 60};
    TImgUt::DrawImageFit(t->dc, pic.get(), r, true, 1, true, true, 0);
    EXPECT_EQ(r.right, 80);
    EXPECT_EQ(r.bottom, 60);
    EXPECT_EQ(Gdi::GetStretchBltMode(t->dc), Gdi::HALFTONE);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Get(*t, x, y), x < 80 && y < 60 ? Green : Marker) << x << "," << y;
}

TEST(DrawImageFit, NullAndEmptyPictures)
{
    auto t = Target();
    Gdi::RECT r{0, 0, 60, 40};
    TImgUt::DrawImageFit(t->dc, nullptr, r, true, 1, false, false, 0);
    EXPECT_EQ(Get(*t, 0, 0), Marker);
    TImgUt::DrawImageFit(t->dc, nullptr, r, true, 1, false, true, 0);
    EXPECT_EQ(r.right, 60);
    EXPECT_EQ(r.bottom, 40);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Get(*t, x, y), x < 60 && y < 40 ? Fill : Marker) << x << "," << y;

    // A picture without pixels, or a rectangle without area: nothing happens.
    auto pic = Picture(10, 10, [](int, int) { return Green; });
    auto t2 = Target();
    pic->width = 0;
    Gdi::RECT r2{0, 0, 50, 50};
    TImgUt::DrawImageFit(t2->dc, pic.get(), r2, true, 1, false, true, 0);
    pic->width = 10;
    Gdi::RECT r3{0, 0, 0, 50};
    TImgUt::DrawImageFit(t2->dc, pic.get(), r3, true, 1, false, true, 0);
    EXPECT_EQ(r2.right, 50);
    EXPECT_EQ(r3.right, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(Get(*t2, x, y), Marker);
}

TEST(DrawImageFit, MirrorBits)
{
    // Quadrants of a 200 x 100 picture.
    const COLORREF TL = RGBColor(255, 0, 0), TR = Green, BL = RGBColor(0, 0, 255), BR = RGBColor(255, 255, 0);
    auto pic = Picture(200, 100, [&](int x, int y) { return y < 50 ? (x < 100 ? TL : TR) : (x < 100 ? BL : BR); });
    struct Case { uint8_t mirror; COLORREF tl, tr, bl, br; } cases[] = {
        {0, TL, TR, BL, BR}, {1, TR, TL, BR, BL}, {2, BL, BR, TL, TR}, {3, BR, BL, TR, TL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.mirror));
        auto t = Target();
        Gdi::RECT r{0, 0, 100, 100};
        TImgUt::DrawImageFit(t->dc, pic.get(), r, true, 1, false, true, c.mirror);
        // The same covered rectangle (0, 25, 100, 75) whatever the mirror.
        EXPECT_EQ(r.top, 25);
        EXPECT_EQ(r.bottom, 75);
        EXPECT_EQ(Get(*t, 25, 37), c.tl);
        EXPECT_EQ(Get(*t, 75, 37), c.tr);
        EXPECT_EQ(Get(*t, 25, 62), c.bl);
        EXPECT_EQ(Get(*t, 75, 62), c.br);
        EXPECT_EQ(Get(*t, 50, 10), Fill);
        EXPECT_EQ(Get(*t, 50, 90), Fill);
    }

    // At natural size a mirror bit still draws every pixel, turned round.
    auto cols = Picture(100, 100, [](int x, int y) { return RGBColor(x, y, 7); });
    auto t = Target();
    Gdi::RECT r{0, 0, 100, 100};
    TImgUt::DrawImageFit(t->dc, cols.get(), r, false, 0, false, false, 3);
    for (int y = 0; y < 100; y += 11)
        for (int x = 0; x < 100; x += 3)
            ASSERT_EQ(Get(*t, x, y), RGBColor(99 - x, 99 - y, 7)) << x << "," << y;
}

// ---- MirrorPad ----

std::vector<int> RowValues(const TDib &d, int y)
{
    std::vector<int> v;
    for (int x = 0; x < d.width; ++x)
        v.push_back(int(Get(d, x, y) & 0xFF));
    return v;
}

TEST(MirrorPad, ReflectsAtTheFirstAndBehindTheLastPosition)
{
    struct Case { int x, width; std::vector<int> want; } cases[] = {
        // Values are column numbers; the rectangle holds 3, 4, 5.
        {3, 3, {5, 5, 4, 3, 4, 5, 5, 4, 3, 4}},
        {0, 2, {0, 1, 1, 0, 1, 1, 0, 1, 1, 0}},
        {4, 1, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4}},
        {-2, 3, {0, 1, 2, 2, 1, 0, 1, 2, 2, 1}},  // x below 0 taken as 0
        {8, 5, {9, 9, 8, 9, 9, 8, 9, 9, 8, 9}},   // cut to the picture
        {0, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const Case &c : cases) {
        auto pic = Picture(10, 1, [](int x, int) { return RGBColor(x, 0, 0); });
        TImgUt::MirrorPad(pic.get(), c.x, 0, c.width, 1);
        EXPECT_EQ(RowValues(*pic, 0), c.want) << c.x << " " << c.width;
    }
}

TEST(MirrorPad, RowsAndColumnsTogether)
{
    // 5 x 4 picture, rectangle (1, 1) 2 x 2 holding values 10*y + x.
    auto pic = Picture(5, 4, [](int x, int y) { return RGBColor(10 * y + x, 0, 0); });
    TImgUt::MirrorPad(pic.get(), 1, 1, 2, 2);
    const int fold[] = {2, 1, 2, 2, 1}; // position -> position inside 1..2
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(int(Get(*pic, x, y) & 0xFF), 10 * fold[y] + fold[x]) << x << "," << y;
}

TEST(MirrorPad, NothingToDo)
{
    struct Case { int x, y, w, h; } cases[] = {
        {0, 0, 0, 2}, {0, 0, 2, 0}, {10, 0, 2, 2}, {0, 4, 2, 2}, {0, 0, -3, 2},
    };
    for (const Case &c : cases) {
        auto pic = Picture(10, 4, [](int x, int y) { return RGBColor(x, y, 1); });
        TImgUt::MirrorPad(pic.get(), c.x, c.y, c.w, c.h);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(Get(*pic, x, y), RGBColor(x, y, 1));
    }
    TImgUt::MirrorPad(nullptr, 0, 0, 1, 1);
}

} // namespace
