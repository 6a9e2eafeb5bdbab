// Drawing layer: exact pixels of fills, lines and blits.
#include "Color.h"
#include "Gdi.h"
#include "StretchRows.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace Gdi;

namespace {

constexpr COLORREF Back = 0x000000;
constexpr COLORREF Fill = 0x0000FF;  // red
constexpr COLORREF Line = 0x00FF00;  // green

// A context with its own bitmap, filled with Back.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    std::vector<HGDIOBJ> objects;

    Surface(int w, int h)
    {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void *bits = nullptr;
        bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        SelectObject(dc, bmp);
    }
    ~Surface()
    {
        DeleteDC(dc);
        DeleteObject(bmp);
        for (HGDIOBJ o : objects)
            DeleteObject(o);
    }
    void Brush(COLORREF c) { Use(CreateSolidBrush(c)); }
    void NoBrush() { SelectObject(dc, GetStockObject(NULL_BRUSH)); }
    void Pen(COLORREF c, int w) { Use(CreatePen(PS_SOLID, w, c)); }
    void NoPen() { SelectObject(dc, GetStockObject(NULL_PEN)); }
    void Use(HGDIOBJ o)
    {
        objects.push_back(o);
        SelectObject(dc, o);
    }
    COLORREF At(int x, int y) const
    {
        const uint8_t *p = bmp->Row(y) + 3 * x;
        return RGBColor(p[2], p[1], p[0]);
    }
    void Set(int x, int y, COLORREF c)
    {
        uint8_t *p = bmp->Row(y) + 3 * x;
        p[0] = uint8_t(GetBValue(c));
        p[1] = uint8_t(GetGValue(c));
        p[2] = uint8_t(GetRValue(c));
    }
    // One character a pixel: '.' Back, '#' Fill, 'o' Line, '?' other.
    std::string Art() const
    {
        std::string s;
        for (int y = 0; y < bmp->height; ++y) {
            for (int x = 0; x < bmp->width; ++x) {
                COLORREF c = At(x, y);
                s += c == Back ? '.' : c == Fill ? '#' : c == Line ? 'o' : '?';
            }
            s += '\n';
        }
        return s;
    }
};

std::string Join(std::initializer_list<const char *> rows)
{
    std::string s;
    for (const char *r : rows)
        s += std::string(r) + "\n";
    return s;
}

// Reference fill: winding number of the pixel centre (px, py) from the
// crossings strictly to its right, an edge spanning [top, bottom) rows. A
// centre on a left or top edge therefore counts as inside, one on a right
// or bottom edge as outside.
bool RefInside(const std::vector<POINT> &pts, int px, int py, bool winding)
{
    const int64_t cx = px, cy = py;
    int wind = 0, odd = 0;
    const size_t n = pts.size();
    for (size_t i = 0; i < n; ++i) {
        int64_t x0 = pts[i].x, y0 = pts[i].y;
        int64_t x1 = pts[(i + 1) % n].x, y1 = pts[(i + 1) % n].y;
        if (y0 == y1)
            continue;
        int dir = 1;
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
            dir = -1;
        }
        if (cy < y0 || cy >= y1)
            continue;
        // Crossing X = x0 + (cy - y0)(x1 - x0)/(y1 - y0); right of cx when X > cx.
        const int64_t lhs = x0 * (y1 - y0) + (cy - y0) * (x1 - x0);
        if (lhs > cx * (y1 - y0)) {
            wind += dir;
            odd ^= 1;
        }
    }
    return winding ? wind != 0 : odd != 0;
}

std::string RefArt(const std::vector<POINT> &pts, int w, int h, bool winding)
{
    std::string s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            s += RefInside(pts, x, y, winding) ? '#' : '.';
        s += '\n';
    }
    return s;
}

std::string FillArt(const std::vector<POINT> &pts, int w, int h, bool winding)
{
    Surface s(w, h);
    s.Brush(Fill);
    s.NoPen();
    SetPolyFillMode(s.dc, winding ? WINDING : ALTERNATE);
    EXPECT_TRUE(Polygon(s.dc, pts.data(), int(pts.size())));
    return s.Art();
}

} // namespace

// ---------------------------------------------------------------- polygons

TEST(GdiPolygon, TriangleKeepsTopLeftEdgesOnly)
{
    // Centres on the top and left edges are in, those on the hypotenuse
    // (a right edge) are out.
    EXPECT_EQ(FillArt({{0, 0}, {8, 0}, {0, 8}}, 9, 9, true),
              Join({"########.", "#######..", "######...", "#####....", "####.....",
                    "###......", "##.......", "#........", "........."}));
    EXPECT_EQ(FillArt({{8, 0}, {8, 8}, {0, 8}}, 9, 9, true),
              Join({".........", ".......#.", "......##.", ".....###.", "....####.",
                    "...#####.", "..######.", ".#######.", "........."}));
}

TEST(GdiPolygon, ConcaveNotch)
{
    EXPECT_EQ(FillArt({{0, 0}, {8, 0}, {8, 8}, {4, 4}, {0, 8}}, 8, 8, true),
              Join({"########", "########", "########", "########",
                    "########", "###..###", "##....##", "#......#"}));
}

TEST(GdiPolygon, AxisAlignedRectangleIsExactlyItsArea)
{
    EXPECT_EQ(FillArt({{1, 1}, {4, 1}, {4, 3}, {1, 3}}, 6, 4, true),
              Join({"......", ".###..", ".###..", "......"}));
}

TEST(GdiPolygon, StarCentreByFillRule)
{
    const std::vector<POINT> star = {{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
    const std::string winding = FillArt(star, 21, 21, true);
    const std::string alternate = FillArt(star, 21, 21, false);
    EXPECT_EQ(winding, RefArt(star, 21, 21, true));
    EXPECT_EQ(alternate, RefArt(star, 21, 21, false));
    auto at = [](const std::string &art, int x, int y) { return art[size_t(y * 22 + x)]; };
    // Centre pentagon: filled by winding, a hole by alternate.
    EXPECT_EQ(at(winding, 10, 11), '#');
    EXPECT_EQ(at(alternate, 10, 11), '.');
    // Tips are filled either way.
    for (const std::string *art : {&winding, &alternate}) {
        EXPECT_EQ(at(*art, 10, 2), '#');
        EXPECT_EQ(at(*art, 2, 7), '#');
        EXPECT_EQ(at(*art, 15, 18), '#');
    }
}

TEST(GdiPolygon, RandomPolygonsMatchReference)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-4, 27);
    std::uniform_int_distribution<int> count(3, 9);
    for (int k = 0; k < 300; ++k) {
        std::vector<POINT> pts(size_t(count(rng)));
        for (POINT &p : pts)
            p = {coord(rng), coord(rng)};
        for (bool winding : {true, false})
            ASSERT_EQ(FillArt(pts, 24, 24, winding), RefArt(pts, 24, 24, winding)) << "polygon " << k;
    }
}

TEST(GdiPolygon, SharedEdgesArePaintedOnce)
{
    // Triangles fanned around a centre tile the square: every pixel of the
    // square belongs to exactly one of them.
    const std::vector<std::vector<POINT>> tris = {
        {{0, 0}, {13, 0}, {6, 5}}, {{13, 0}, {13, 11}, {6, 5}},
        {{13, 11}, {0, 11}, {6, 5}}, {{0, 11}, {0, 0}, {6, 5}}};
    std::vector<int> hits(13 * 11, 0);
    for (const auto &t : tris) {
        Surface s(13, 11);
        s.Brush(Fill);
        s.NoPen();
        Polygon(s.dc, t.data(), 3);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 13; ++x)
                hits[size_t(y * 13 + x)] += s.At(x, y) == Fill;
    }
    for (int h : hits)
        ASSERT_EQ(h, 1);
}

TEST(GdiPolygon, OutlinedWithPenAndClipped)
{
    Surface s(6, 5);
    s.Brush(Fill);
    s.Pen(Line, 1);
    SetPolyFillMode(s.dc, WINDING);
    const POINT sq[] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
    Polygon(s.dc, sq, 4);
    EXPECT_EQ(s.Art(), Join({"......", ".oooo.", ".o##o.", ".oooo.", "......"}));

    Surface c(4, 4);
    c.Brush(Fill);
    c.NoPen();
    const POINT big[] = {{-100, -100}, {100, -100}, {100, 100}, {-100, 100}};
    Polygon(c.dc, big, 4);
    EXPECT_EQ(c.Art(), Join({"####", "####", "####", "####"}));
}

TEST(GdiPolygon, NullBrushAndHugeCoordinates)
{
    Surface s(4, 4);
    s.NoBrush();
    s.NoPen();
    const POINT sq[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    EXPECT_TRUE(Polygon(s.dc, sq, 4));
    EXPECT_EQ(s.Art(), Join({"....", "....", "....", "...."}));
    s.Brush(Fill);
    const POINT huge[] = {{0, 0}, {MaxCoord + 1, 0}, {0, 4}};
    EXPECT_FALSE(Polygon(s.dc, huge, 3));
    EXPECT_FALSE(Polygon(s.dc, sq, 1));
}

// ------------------------------------------------------------------- lines

namespace {

std::string LineArt(int w, int h, int width, std::initializer_list<POINT> path)
{
    Surface s(w, h);
    s.Pen(Line, width);
    auto it = path.begin();
    MoveToEx(s.dc, it->x, it->y, nullptr);
    for (++it; it != path.end(); ++it)
        LineTo(s.dc, it->x, it->y);
    return s.Art();
}

} // namespace

TEST(GdiLine, OnePixelLeavesOutEndPoint)
{
    struct Case {
        std::initializer_list<POINT> path;
        std::string art;
    };
    const Case cases[] = {
        {{{1, 1}, {6, 1}}, Join({".......", ".ooooo.", ".......", "......."})},
        {{{5, 2}, {0, 2}}, Join({".......", ".......", ".ooooo.", "......."})},
        {{{0, 0}, {3, 3}}, Join({"o......", ".o.....", "..o....", "......."})},
        {{{0, 0}, {2, 3}}, Join({"o......", ".o.....", ".o.....", "......."})},
        {{{1, 0}, {1, 0}}, Join({".......", ".......", ".......", "......."})},
        // A closed path paints every corner once.
        {{{1, 0}, {5, 0}, {5, 3}, {1, 3}, {1, 0}}, Join({".ooooo.", ".o...o.", ".o...o.", ".ooooo."})},
        // Partly outside: the visible part only.
        {{{-3, 1}, {3, 1}}, Join({".......", "ooo....", ".......", "......."})},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LineArt(7, 4, 1, c.path), c.art);
}

TEST(GdiLine, SteepLineRoundsToNearest)
{
    // x = 2y/5 rounded: 0, 0, 1, 1, 2.
    EXPECT_EQ(LineArt(3, 6, 1, {{0, 0}, {2, 5}}), Join({"o..", "o..", ".o.", ".o.", "..o", "..."}));
}

TEST(GdiLine, WidePensAreExactlyTheirWidthWithRoundEnds)
{
    EXPECT_EQ(LineArt(11, 9, 3, {{2, 4}, {8, 4}}),
              Join({"...........", "...........", "...........", ".ooooooooo.", ".ooooooooo.",
                    ".ooooooooo.", "...........", "...........", "..........."}));
    EXPECT_EQ(LineArt(11, 8, 2, {{2, 4}, {8, 4}}),
              Join({"...........", "...........", "...........", ".oooooooo..", ".oooooooo..",
                    "...........", "...........", "..........."}));
    // Width 5 upright: round ends cut the corners.
    EXPECT_EQ(LineArt(7, 9, 5, {{3, 3}, {3, 5}}),
              Join({".......", "..ooo..", ".ooooo.", ".ooooo.", ".ooooo.", ".ooooo.", ".ooooo.",
                    "..ooo..", "......."}));
}

TEST(GdiLine, WideDiagonalIsSymmetric)
{
    const std::string a = LineArt(12, 12, 3, {{2, 2}, {9, 9}});
    const std::string b = LineArt(12, 12, 3, {{9, 9}, {2, 2}});
    EXPECT_EQ(a, b);
    // Mirrored about the main diagonal.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(a[size_t(y * 13 + x)], a[size_t(x * 13 + y)]);
    // Each row crosses the stroke in one unbroken run.
    for (int y = 3; y < 9; ++y) {
        const std::string row = a.substr(size_t(y * 13), 12);
        const size_t first = row.find('o'), last = row.rfind('o');
        ASSERT_NE(first, std::string::npos);
        EXPECT_EQ(row.substr(first, last - first + 1).find('.'), std::string::npos);
    }
}

TEST(GdiLine, NullPenDrawsNothingAndPositionMoves)
{
    Surface s(4, 4);
    s.NoPen();
    POINT old;
    MoveToEx(s.dc, 0, 0, nullptr);
    LineTo(s.dc, 3, 3);
    MoveToEx(s.dc, 1, 2, &old);
    EXPECT_EQ(old.x, 3);
    EXPECT_EQ(old.y, 3);
    EXPECT_EQ(s.Art(), Join({"....", "....", "....", "...."}));
}

// ------------------------------------------------------------------- blits

TEST(GdiBlit, PatBltFillsClippedAndNormalised)
{
    struct Case {
        int x, y, w, h;
        std::string art;
    };
    const Case cases[] = {
        {1, 1, 2, 1, Join({"....", ".##.", "...."})},
        {3, 2, -2, -1, Join({"....", ".##.", "...."})},
        {-5, -5, 7, 6, Join({"##..", "....", "...."})},
        {2, 0, 100, 100, Join({"..##", "..##", "..##"})},
        {1, 1, 0, 5, Join({"....", "....", "...."})},
    };
    for (const Case &c : cases) {
        Surface s(4, 3);
        s.Brush(Fill);
        EXPECT_TRUE(PatBlt(s.dc, c.x, c.y, c.w, c.h, PATCOPY));
        EXPECT_EQ(s.Art(), c.art) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
    Surface n(2, 2);
    n.NoBrush();
    PatBlt(n.dc, 0, 0, 2, 2, PATCOPY);
    EXPECT_EQ(n.Art(), Join({"..", ".."}));
    PatBlt(n.dc, 0, 0, 1, 1, WHITENESS);
    EXPECT_EQ(n.At(0, 0), 0xFFFFFFu);
}

TEST(GdiBlit, BitBltClippedToBothBitmaps)
{
    auto code = [](int x, int y) { return RGBColor(10 + x, 20 + y, 77); };
    struct Case {
        int x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {0, 0, 5, 4, 0, 0}, {2, 1, 5, 4, 0, 0}, {-2, -1, 5, 4, 0, 0}, {0, 0, 5, 4, 3, 2},
        {1, 1, 3, 2, -2, -1}, {0, 0, 20, 20, -10, -10}, {6, 0, 2, 2, 0, 0}, {1, 2, 4, 1, 1, 3},
    };
    for (const Case &c : cases) {
        Surface src(5, 4), dst(6, 5);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                src.Set(x, y, code(x, y));
        EXPECT_TRUE(BitBlt(dst.dc, c.x, c.y, c.w, c.h, src.dc, c.sx, c.sy, SRCCOPY));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const int u = x - c.x + c.sx, v = y - c.y + c.sy;
                const bool copied = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h && u >= 0 && u < 5 && v >= 0 && v < 4;
                ASSERT_EQ(dst.At(x, y), copied ? code(u, v) : Back)
                    << "case " << c.x << "," << c.y << " pixel " << x << "," << y;
            }
    }
}

TEST(GdiBlit, OverlappingCopyWithinOneBitmap)
{
    for (int dir = 0; dir < 4; ++dir) {
        Surface s(6, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                s.Set(x, y, RGBColor(x, y, 1));
        const int ox = dir == 0 ? 1 : dir == 1 ? -1 : 0, oy = dir == 2 ? 1 : dir == 3 ? -1 : 0;
        BitBlt(s.dc, 1 + ox, 1 + oy, 4, 4, s.dc, 1, 1, SRCCOPY);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(s.At(1 + ox + x, 1 + oy + y), RGBColor(1 + x, 1 + y, 1)) << dir;
    }
}

TEST(GdiBlit, RefusesMissingSurfaces)
{
    Surface s(2, 2);
    HDC empty = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(BitBlt(s.dc, 0, 0, 2, 2, empty, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(empty, 0, 0, 2, 2, s.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(PatBlt(empty, 0, 0, 2, 2, PATCOPY));
    EXPECT_FALSE(StretchBlt(s.dc, 0, 0, 2, 2, empty, 0, 0, 1, 1, SRCCOPY));
    DeleteDC(empty);
}

// ----------------------------------------------------------------- stretch

TEST(GdiStretch, HalftoneCheckerboardReducedFourTimesIsMidGrey)
{
    Surface src(16, 16), dst(4, 4);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            src.Set(x, y, (x + y) & 1 ? 0xFFFFFF : 0x000000);
    SetStretchBltMode(dst.dc, HALFTONE);
    EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 16, 16, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const COLORREF c = dst.At(x, y);
            ASSERT_TRUE(c == 0x808080u || c == 0x7F7F7Fu) << std::hex << c;
        }
}

TEST(GdiStretch, HalftoneWeighsByAreaOrDistance)
{
    struct Case {
        std::vector<int> src;
        std::vector<int> want;
    };
    const Case cases[] = {
        {{0, 90, 180}, {30, 150}},                 // box: 2/3 + 1/3 and 1/3 + 2/3
        {{0, 200}, {0, 50, 150, 200}},             // bilinear between centres, edges held
        {{10, 20, 30, 40, 50, 60}, {20, 50}},      // three pixels each
        {{0, 255, 0, 255}, {128, 128}},            // halves of 127.5 round up
    };
    for (const Case &c : cases) {
        const int sw = int(c.src.size()), dw = int(c.want.size());
        Surface src(sw, 1), dst(dw, 1);
        for (int x = 0; x < sw; ++x)
            src.Set(x, 0, RGBColor(c.src[size_t(x)], 0, 0));
        SetStretchBltMode(dst.dc, HALFTONE);
        StretchBlt(dst.dc, 0, 0, dw, 1, src.dc, 0, 0, sw, 1, SRCCOPY);
        for (int x = 0; x < dw; ++x)
            EXPECT_EQ(GetRValue(dst.At(x, 0)), c.want[size_t(x)]) << sw << " -> " << dw << " at " << x;
        // The same along the other axis.
        Surface srcV(1, sw), dstV(1, dw);
        for (int y = 0; y < sw; ++y)
            srcV.Set(0, y, RGBColor(0, 0, c.src[size_t(y)]));
        SetStretchBltMode(dstV.dc, HALFTONE);
        StretchBlt(dstV.dc, 0, 0, 1, dw, srcV.dc, 0, 0, 1, sw, SRCCOPY);
        for (int y = 0; y < dw; ++y)
            EXPECT_EQ(GetBValue(dstV.At(0, y)), c.want[size_t(y)]) << "vertical " << sw << " -> " << dw;
    }
}

TEST(GdiStretch, HalftoneKeepsUniformAreasUniform)
{
    const int sizes[][4] = {{7, 5, 3, 2}, {3, 2, 7, 5}, {5, 5, 13, 2}, {9, 1, 4, 11}, {1, 1, 6, 6}};
    for (const auto &sz : sizes) {
        Surface src(sz[0], sz[1]), dst(sz[2], sz[3]);
        src.Brush(RGBColor(201, 37, 99));
        PatBlt(src.dc, 0, 0, sz[0], sz[1], PATCOPY);
        SetStretchBltMode(dst.dc, HALFTONE);
        StretchBlt(dst.dc, 0, 0, sz[2], sz[3], src.dc, 0, 0, sz[0], sz[1], SRCCOPY);
        for (int y = 0; y < sz[3]; ++y)
            for (int x = 0; x < sz[2]; ++x)
                ASSERT_EQ(dst.At(x, y), RGBColor(201, 37, 99)) << sz[0] << "x" << sz[1] << " -> " << sz[2] << "x" << sz[3];
    }
}

TEST(GdiStretch, HalftoneEnlargementHasNoHoles)
{
    Surface src(3, 2), dst(17, 11);
    const COLORREF colours[] = {0x0000FF, 0xFF0000, 0x000000, 0xFF00FF, 0x00007F, 0x7F007F};
    for (int i = 0; i < 6; ++i)
        src.Set(i % 3, i / 3, colours[i]);
    dst.Brush(0x00FF00);  // green never appears in the source
    PatBlt(dst.dc, 0, 0, 17, 11, PATCOPY);
    SetStretchBltMode(dst.dc, HALFTONE);
    StretchBlt(dst.dc, 0, 0, 17, 11, src.dc, 0, 0, 3, 2, SRCCOPY);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(GetGValue(dst.At(x, y)), 0) << x << "," << y;
    // Corners keep the corner pixels; the blend between them is monotonic.
    EXPECT_EQ(dst.At(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.At(16, 10), 0x7F007Fu);
    for (int x = 1; x < 17; ++x)
        EXPECT_LE(GetRValue(dst.At(x, 0)), GetRValue(dst.At(x - 1, 0)));
}

TEST(GdiStretch, NegativeWidthOrHeightMirrors)
{
    Surface src(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            src.Set(x, y, RGBColor(40 * x, 50 * y, 9));
    for (int mode : {HALFTONE, COLORONCOLOR}) {
        Surface dst(4, 3);
        SetStretchBltMode(dst.dc, mode);
        // As the image drawing routine mirrors: start at the last pixel.
        StretchBlt(dst.dc, 3, 2, -4, -3, src.dc, 0, 0, 4, 3, SRCCOPY);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(dst.At(x, y), src.At(3 - x, 2 - y)) << mode;
    }
}

TEST(GdiStretch, ColorOnColorTakesNearestPixel)
{
    Surface src(2, 2), dst(6, 4);
    src.Set(0, 0, 0x0000FF);
    src.Set(1, 0, 0x00FF00);
    src.Set(0, 1, 0xFF0000);
    src.Set(1, 1, 0xFFFFFF);
    SetStretchBltMode(dst.dc, COLORONCOLOR);
    StretchBlt(dst.dc, 0, 0, 6, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(dst.At(x, y), src.At(x / 3, y / 2));
}

TEST(GdiStretch, ClippedDestinationMatchesUnclippedRegion)
{
    Surface src(9, 7), full(12, 10), part(5, 4);
    std::mt19937 rng(3);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            src.Set(x, y, rng() & 0xFFFFFF);
    SetStretchBltMode(full.dc, HALFTONE);
    SetStretchBltMode(part.dc, HALFTONE);
    StretchBlt(full.dc, 0, 0, 12, 10, src.dc, 0, 0, 9, 7, SRCCOPY);
    StretchBlt(part.dc, -4, -3, 12, 10, src.dc, 0, 0, 9, 7, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(part.At(x, y), full.At(x + 4, y + 3));
}

TEST(GdiStretch, LargeReductionMatchesPieceByPiece)
{
    // Big jobs run in bands of rows; small windows of the same mapping run
    // in one piece and must give the same pixels.
    Surface src(1600, 1200), full(700, 500);
    std::mt19937 rng(11);
    for (int y = 0; y < 1200; ++y) {
        uint8_t *p = src.bmp->Row(y);
        for (int x = 0; x < 1600 * 3; ++x)
            p[x] = uint8_t(rng());
    }
    for (int mode : {HALFTONE, COLORONCOLOR}) {
        SetStretchBltMode(full.dc, mode);
        StretchBlt(full.dc, 0, 0, 700, -500, src.dc, 0, 0, 1600, 1200, SRCCOPY);
        for (int oy : {0, 123, 249, 250, 377, 450})
            for (int ox : {0, 311, 650}) {
                Surface part(50, 50);
                SetStretchBltMode(part.dc, mode);
                StretchBlt(part.dc, -ox, -oy, 700, -500, src.dc, 0, 0, 1600, 1200, SRCCOPY);
                for (int y = 0; y < 50; ++y)
                    for (int x = 0; x < 50; ++x)
                        ASSERT_EQ(part.At(x, y), full.At(ox + x, oy + y)) << mode << " " << ox + x << "," << oy + y;
            }
    }
}

TEST(GdiStretch, SameSizeIsACopy)
{
    Surface src(5, 3), dst(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            src.Set(x, y, RGBColor(x * 50, y * 80, 3));
    SetStretchBltMode(dst.dc, HALFTONE);
    StretchBlt(dst.dc, 0, 0, 5, 3, src.dc, 0, 0, 5, 3, SRCCOPY);
    EXPECT_EQ(ToQImage(dst.bmp), ToQImage(src.bmp));
}

// ------------------------------------------------- objects, text, exchange

TEST(GdiObjects, SelectReturnsPreviousAndDeleteFallsBackToStock)
{
    Surface s(2, 2);
    HPEN a = CreatePen(PS_SOLID, 3, 0x123456);
    HPEN stock = SelectObject(s.dc, a);
    EXPECT_EQ(stock, GetStockObject(BLACK_PEN));
    HPEN b = CreatePen(PS_SOLID, 1, 0x654321);
    EXPECT_EQ(SelectObject(s.dc, b), a);
    EXPECT_EQ(SelectObject(s.dc, nullptr), nullptr);
    EXPECT_EQ(s.dc->pen, b);
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(s.dc->pen, GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_FALSE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    // A bitmap deleted while selected leaves the context without a surface.
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HBITMAP bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    SelectObject(dc, bmp);
    DeleteObject(bmp);
    EXPECT_EQ(dc->bitmap, nullptr);
    EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, PATCOPY));
    DeleteDC(dc);
}

TEST(GdiObjects, DibSectionGuards)
{
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case {
        int32_t w, h;
        uint16_t bpp;
        bool ok;
    };
    const Case cases[] = {{1, 1, 24, true}, {0, 5, 24, false}, {5, -5, 24, false}, {16385, 16384, 24, false},
                          {16384, 16384, 24, true}, {4, 4, 32, false}, {INT32_MAX, 1, 24, false}};
    for (const Case &c : cases) {
        BITMAPINFO info{};
        info.bmiHeader = {40, c.w, c.h, 1, c.bpp, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = reinterpret_cast<void *>(1);
        HBITMAP b = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        EXPECT_EQ(b != nullptr, c.ok) << c.w << "x" << c.h;
        EXPECT_EQ(bits != nullptr, c.ok);
        if (b) {
            EXPECT_EQ(b->stride, (c.w * 3 + 3) / 4 * 4);
            if (c.w < 100) {
                const auto *p = static_cast<const uint8_t *>(bits);
                for (int i = 0; i < b->stride * b->height; ++i)
                    ASSERT_EQ(p[i], 0);
            }
            DeleteObject(b);
        }
    }
    DeleteDC(dc);
}

TEST(GdiText, FontRoundTripsThroughLogFont)
{
    HFONT f = CreateFontW(-20, 0, 0, 0, FW_BOLD, 1, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Serif");
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(f, int(sizeof lf), &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(QString::fromUtf16(lf.lfFaceName), "Serif");
    EXPECT_EQ(f->qfont.pixelSize(), 20);
    EXPECT_TRUE(f->qfont.bold());
    EXPECT_TRUE(f->qfont.italic());
    EXPECT_EQ(GetObjectW(GetStockObject(BLACK_PEN), int(sizeof lf), &lf), 0);
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 96);
    DeleteObject(f);
}

TEST(GdiExchange, QImageRoundTripKeepsOrientation)
{
    Surface s(3, 2);
    s.Set(0, 0, RGBColor(255, 0, 0));    // top left red
    s.Set(2, 1, RGBColor(0, 0, 255));    // bottom right blue
    // Picture row 0 is the last row in memory.
    EXPECT_EQ(s.bmp->bits[s.bmp->stride + 2], 255);
    QImage img = ToQImage(s.bmp);
    ASSERT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(2, 1), qRgb(0, 0, 255));
    QImage part = ToQImage(s.bmp, 1, 1, 5, 5);  // clipped to 2 x 1
    EXPECT_EQ(part.size(), QSize(2, 1));
    EXPECT_EQ(part.pixel(1, 0), qRgb(0, 0, 255));

    Surface t(3, 2);
    QImage q(2, 2, QImage::Format_ARGB32);
    q.fill(qRgba(0, 255, 255, 10));
    EXPECT_TRUE(FromQImage(t.bmp, q, 2, -1));
    EXPECT_EQ(t.At(2, 0), RGBColor(0, 255, 255));
    EXPECT_EQ(t.At(1, 0), Back);
    EXPECT_EQ(t.At(2, 1), Back);
    EXPECT_FALSE(FromQImage(t.bmp, q, 5, 5));

    QImage screen(4, 4, QImage::Format_RGB32);
    screen.fill(Qt::black);
    {
        QPainter p(&screen);
        BlitToPainter(p, 1, 1, s.dc, 0, 0, 3, 2);
    }
    EXPECT_EQ(screen.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(3, 2), qRgb(0, 0, 255));
}

// The conversion into a kept image: each pixel as QImage reads it, the
// image's memory used again, a shared copy left alone, bands on the pool
// for a large bitmap.
TEST(GdiExchange, ConversionIntoAKeptImage)
{
    for (const QSize size : {QSize(3, 2), QSize(700, 500)}) {
        Surface s(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                s.Set(x, y, RGBColor(x & 0xFF, y & 0xFF, (x * 7 + y) & 0xFF));
        QImage kept;
        ASSERT_TRUE(ToQImage(s.bmp, kept));
        EXPECT_EQ(kept, ToQImage(s.bmp));
        EXPECT_EQ(kept.pixel(size.width() - 1, 0), qRgb((size.width() - 1) & 0xFF, 0, (7 * (size.width() - 1)) & 0xFF));

        const QImage shown = kept;   // a copy the screen still shows
        s.Set(1, 1, RGBColor(1, 2, 3));
        ASSERT_TRUE(ToQImage(s.bmp, kept));
        EXPECT_EQ(kept.pixel(1, 1), qRgb(1, 2, 3));
        EXPECT_NE(shown.pixel(1, 1), qRgb(1, 2, 3));
        EXPECT_NE(kept.cacheKey(), shown.cacheKey());
        s.Set(1, 1, RGBColor(4, 5, 6));
        const uchar *again = kept.constBits();
        ASSERT_TRUE(ToQImage(s.bmp, kept));
        EXPECT_EQ(kept.constBits(), again);   // not shared any more: used again
        EXPECT_EQ(kept.pixel(1, 1), qRgb(4, 5, 6));
    }
    QImage other(5, 5, QImage::Format_ARGB32);
    Surface small(2, 2);
    ASSERT_TRUE(ToQImage(small.bmp, other));
    EXPECT_EQ(other.size(), QSize(2, 2));
    EXPECT_EQ(other.format(), QImage::Format_RGB32);
    EXPECT_FALSE(ToQImage(nullptr, other));
    EXPECT_TRUE(other.isNull());
}

// The two halves of the HALFTONE resampling: the vector path gives the
// plain path's values, and the plain path the sums of the weighted bytes
// rounded twice (8 fraction bits after the vertical half, none after the
// horizontal one).
TEST(GdiStretch, ResamplingHalvesAgreeWithTheirSums)
{
    std::mt19937 rng(5);
    // n random weights that sum to 2^14.
    auto weightsOf = [&rng](int n) {
        std::vector<int32_t> w(static_cast<size_t>(n));
        int32_t left = 1 << 14;
        for (int k = 0; k + 1 < n; ++k) {
            w[size_t(k)] = int32_t(rng() % uint32_t(left + 1));
            left -= w[size_t(k)];
        }
        w[size_t(n - 1)] = left;
        return w;
    };
    // The largest sums: every byte 255 under weights of large low parts
    // (w mod 64), of none (multiples of 64), and one weight of all of it.
    const std::vector<std::vector<int32_t>> extremes = {
        {4095, 4095, 4095, 4099}, {16383, 1}, {16384}, {1, 1, 1, 16381}, {63, 63, 16258},
        {4096, 4096, 4096, 4096}, {12288, 4096}, {2048, 2048, 2048, 2048, 2048, 2048, 2048, 2048},
        {2047, 2047, 2047, 2047, 2047, 2047, 2047, 2055}, {63, 63, 63, 63, 63, 63, 16006}};
    for (int round = 0; round < 200; ++round) {
        // Now and then more source rows than the vector path keeps at hand.
        const bool extreme = size_t(round) < extremes.size();
        const int span = 1 + int(rng() % 40);
        const int n = extreme ? int(extremes[size_t(round)].size())
                              : (round % 10 == 0 ? 33 + int(rng() % 8) : 1 + int(rng() % 10));
        // Source rows of exactly span pixels: nothing after them to read.
        std::vector<std::vector<uint8_t>> rows(size_t(n), std::vector<uint8_t>(size_t(3 * span)));
        std::vector<const uint8_t *> src;
        for (auto &r : rows) {
            for (uint8_t &b : r)
                b = extreme ? 255 : uint8_t(rng());
            src.push_back(r.data());
        }
        const std::vector<int32_t> w = extreme ? extremes[size_t(round)] : weightsOf(n);
        std::vector<int16_t> row(size_t(StretchRows::Lanes * (span + StretchRows::Slack)), 0), plain(row);
        StretchRows::Vertical(row.data(), src.data(), w.data(), n, size_t(span));
        StretchRows::VerticalPlain(plain.data(), src.data(), w.data(), n, 0, size_t(3 * span));
        ASSERT_EQ(row, plain);
        for (int x = 0; x < span; ++x)
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = 0;
                for (int k = 0; k < n; ++k)
                    sum += uint32_t(w[size_t(k)]) * rows[size_t(k)][size_t(3 * x + c)];
                ASSERT_EQ(row[size_t(3 * x + c)] + 32768, int((sum + 32) >> 6)) << x << " " << c;
            }

        // Columns of 1 to 9 taps over the row; every third time of at most
        // two taps, as an enlargement makes them.
        StretchRows::Columns cols;
        std::vector<std::vector<int32_t>> taps;
        std::vector<int32_t> firsts;
        const int count = 1 + int(rng() % 12), most = round % 3 == 0 ? 2 : 9;
        for (int j = 0; j < count; ++j) {
            const int t = 1 + int(rng() % uint32_t(std::min(span, most)));
            const int first = int(rng() % uint32_t(span - t + 1));
            const std::vector<int32_t> tw = weightsOf(t);
            cols.Add(first, t, tw.data());
            taps.push_back(tw);
            firsts.push_back(first);
        }
        // As StretchBlt has them, every column given the longest's pairs;
        // every other time as added.
        if (round % 2)
            cols.PadPairs();
        std::vector<uint8_t> out(size_t(3 * count) + 1, 0xAB), outPlain(out);
        StretchRows::Row(cols, row.data(), 0, size_t(count), out.data());
        StretchRows::RowPlain(cols, row.data(), 0, size_t(count), outPlain.data());
        ASSERT_EQ(out, outPlain);
        EXPECT_EQ(out.back(), 0xAB) << "nothing written past the last column";
        for (int j = 0; j < count; ++j)
            for (int c = 0; c < 3; ++c) {
                uint64_t sum = 0;
                for (size_t k = 0; k < taps[size_t(j)].size(); ++k)
                    sum += uint64_t(taps[size_t(j)][k]) * uint64_t(row[size_t(3 * (firsts[size_t(j)] + int(k)) + c)] + 32768);
                ASSERT_EQ(out[size_t(3 * j + c)], uint8_t((sum + (1u << 21)) >> 22)) << j << " " << c;
            }
    }
}
