// Polygons and lines, in exact integer arithmetic.
//
// Coordinates name pixel centres: pixel (px, py) is centred on the point
// (px, py), as lines are drawn. A polygon fills the pixels whose centres lie
// inside it; a centre exactly on the boundary belongs to it only on a top or
// left edge (top-left rule), so polygons sharing an edge paint it once and
// a fill never reaches past its own outline.
//
// Lines: one-pixel pens step from pixel to pixel (Bresenham) and leave out
// the end point. Wider pens paint every pixel whose centre lies closer than
// width / 2 to the segment (a stroke with round ends); odd widths are
// centred on the pixel centres, even widths half a pixel up and left, so a
// stroke of width w is exactly w pixels across.
#include "Gdi.h"
#include "GdiPrivate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Gdi {

namespace {

int64_t CeilDiv(int64_t a, int64_t b)  // b > 0
{
    return -FloorDiv(-a, b);
}

bool InRange(int64_t v)
{
    return v >= -MaxCoord && v <= MaxCoord;
}

struct Edge {
    int32_t xa, ya, xb, yb;  // ya < yb
    int dir;                 // +1 downward in the original order, -1 upward
};

struct Crossing {
    int64_t x;  // first pixel whose centre is at or right of the crossing
    int dir;
};

void FillPolygon(Bitmap *bmp, const POINT *pts, int n, bool winding, COLORREF color)
{
    // Reused between calls: many small polygons are drawn per frame.
    thread_local std::vector<Edge> edges;
    thread_local std::vector<const Edge *> active;
    thread_local std::vector<Crossing> cross;
    edges.clear();
    active.clear();
    int32_t ymin = INT32_MAX, ymax = INT32_MIN;
    for (int i = 0; i < n; ++i) {
        const POINT &p = pts[i], &q = pts[(i + 1) % n];
        if (p.y == q.y)
            continue;
        Edge e = p.y < q.y ? Edge{p.x, p.y, q.x, q.y, 1} : Edge{q.x, q.y, p.x, p.y, -1};
        edges.push_back(e);
        ymin = std::min(ymin, e.ya);
        ymax = std::max(ymax, e.yb);
    }
    if (edges.empty())
        return;
    std::sort(edges.begin(), edges.end(), [](const Edge &a, const Edge &b) { return a.ya < b.ya; });
    const int y0 = std::max<int32_t>(ymin, 0);
    const int y1 = std::min<int32_t>(ymax, bmp->height);
    size_t next = 0;
    for (int py = y0; py < y1; ++py) {
        // Edge covers rows ya .. yb-1 (a vertex at the top counts, at the bottom not).
        while (next < edges.size() && edges[next].ya <= py)
            active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [py](const Edge *e) { return e->yb <= py; }),
                     active.end());
        cross.clear();
        for (const Edge *e : active) {
            // Crossing x on row py: xa + (py - ya)(xb - xa) / (yb - ya); the
            // span from it starts at the first centre at or right of it.
            const int64_t dy = int64_t(e->yb) - e->ya;
            const int64_t num = int64_t(e->xa) * dy + (int64_t(py) - e->ya) * (int64_t(e->xb) - e->xa);
            cross.push_back({CeilDiv(num, dy), e->dir});
        }
        std::sort(cross.begin(), cross.end(), [](const Crossing &a, const Crossing &b) { return a.x < b.x; });
        int wind = 0;
        for (size_t i = 0; i + 1 < cross.size(); ++i) {
            wind += winding ? cross[i].dir : 1;
            const bool inside = winding ? wind != 0 : (wind & 1) != 0;
            if (!inside)
                continue;
            int64_t xs = std::max<int64_t>(cross[i].x, 0);
            int64_t xe = std::min<int64_t>(cross[i + 1].x, bmp->width);
            if (xs < xe)
                FillSpan(bmp, py, int(xs), int(xe), color);
        }
    }
}

void PutPixel(Bitmap *bmp, int64_t x, int64_t y, COLORREF color)
{
    if (x >= 0 && y >= 0 && x < bmp->width && y < bmp->height)
        FillSpan(bmp, int(y), int(x), int(x) + 1, color);
}

// One-pixel line from (x0, y0) to (x1, y1), end point left out. The minor
// coordinate is the exact one rounded, halves rounding away from the start.
void ThinLine(Bitmap *bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, COLORREF color)
{
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t adx = std::llabs(dx), ady = std::llabs(dy);
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    if (adx == 0 && ady == 0)
        return;
    const bool xMajor = adx >= ady;
    const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    // Steps whose major coordinate lies inside the bitmap.
    int64_t lo = 0, hi = major - 1;
    {
        const int64_t start = xMajor ? x0 : y0;
        const int s = xMajor ? sx : sy;
        const int64_t limit = xMajor ? bmp->width : bmp->height;
        // start + s*i in [0, limit)
        int64_t a, b;
        if (s > 0) {
            a = -start;
            b = limit - 1 - start;
        } else {
            a = start - (limit - 1);
            b = start;
        }
        lo = std::max(lo, a);
        hi = std::min(hi, b);
    }
    for (int64_t i = lo; i <= hi; ++i) {
        const int64_t m = (2 * i * minor + major) / (2 * major);
        if (xMajor)
            PutPixel(bmp, x0 + sx * i, y0 + sy * m, color);
        else
            PutPixel(bmp, x0 + sx * m, y0 + sy * i, color);
    }
}

// Stroke of the given width with round ends (see the file comment). All
// arithmetic in doubled coordinates shifted by half a pixel: a pixel centre
// is (2px+1, 2py+1), an end point (2x+1, 2y+1) for odd widths, (2x, 2y) for even.
void WideLine(Bitmap *bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, COLORREF color)
{
    const int64_t off = (width & 1) ? 1 : 0;
    const int64_t ax = 2 * x0 + off, ay = 2 * y0 + off, bx = 2 * x1 + off, by = 2 * y1 + off;
    const int64_t dx = bx - ax, dy = by - ay;
    const int64_t len2 = dx * dx + dy * dy;
    const int64_t r = width;  // radius in doubled units
    const int64_t r2 = r * r;
    if (len2 == 0)
        return;
    auto inside = [&](int64_t px, int64_t py) {
        const int64_t cx = 2 * px + 1, cy = 2 * py + 1;
        const int64_t vx = cx - ax, vy = cy - ay;
        const int64_t t = vx * dx + vy * dy;
        if (t <= 0)
            return vx * vx + vy * vy < r2;
        if (t >= len2) {
            const int64_t wx = cx - bx, wy = cy - by;
            return wx * wx + wy * wy < r2;
        }
        const __int128 c = __int128(vx) * dy - __int128(vy) * dx;
        return c * c < __int128(r2) * len2;
    };
    // Rows the stroke can reach.
    const int64_t top = std::min(ay, by) - r, bottom = std::max(ay, by) + r;
    int64_t rowLo = std::max<int64_t>(FloorDiv(top - 1, 2), 0);
    int64_t rowHi = std::min<int64_t>(CeilDiv(bottom - 1, 2), int64_t(bmp->height) - 1);
    const double fdx = double(dx), fdy = double(dy), flen = std::sqrt(double(len2)), fr = double(r);
    for (int64_t py = rowLo; py <= rowHi; ++py) {
        // Approximate span of the stroke on this row, then settle it exactly.
        const double cy = double(2 * py + 1);
        double lo = 1e300, hi = -1e300;
        auto addCircle = [&](double ox, double oy) {
            const double h = fr * fr - (cy - oy) * (cy - oy);
            if (h >= 0) {
                const double s = std::sqrt(h);
                lo = std::min(lo, ox - s);
                hi = std::max(hi, ox + s);
            }
        };
        addCircle(double(ax), double(ay));
        addCircle(double(bx), double(by));
        if (dy != 0) {
            // The band |cross| < r * len between the two end normals.
            const double half = fr * flen / std::fabs(fdy);
            const double xc = double(ax) + (cy - double(ay)) * fdx / fdy;
            double bl = xc - half, bh = xc + half;
            // Limit to the parameter range 0..1 along the segment.
            // Points on the row with t in [0, len2]: t = (x-ax)dx + (cy-ay)dy.
            if (dx != 0) {
                double ta = (0 - (cy - double(ay)) * fdy) / fdx + double(ax);
                double tb = (double(len2) - (cy - double(ay)) * fdy) / fdx + double(ax);
                if (ta > tb)
                    std::swap(ta, tb);
                bl = std::max(bl, ta);
                bh = std::min(bh, tb);
            } else {
                const double t = (cy - double(ay)) * fdy;
                if (t < 0 || t > double(len2))
                    bh = bl - 1;
            }
            if (bl <= bh) {
                lo = std::min(lo, bl);
                hi = std::max(hi, bh);
            }
        } else if (std::fabs(cy - double(ay)) < fr) {
            lo = std::min(lo, double(std::min(ax, bx)));
            hi = std::max(hi, double(std::max(ax, bx)));
        }
        if (lo > hi)
            continue;
        // Doubled x to pixel: centre 2px+1.
        int64_t xl = int64_t(std::floor((lo - 1) / 2)) - 1;
        int64_t xr = int64_t(std::ceil((hi - 1) / 2)) + 1;
        xl = std::max<int64_t>(xl, -1);
        xr = std::min<int64_t>(xr, bmp->width);
        while (xl <= xr && !inside(xl, py))
            ++xl;
        if (xl > xr)
            continue;
        while (xr >= xl && !inside(xr, py))
            --xr;
        const int64_t s = std::max<int64_t>(xl, 0), e = std::min<int64_t>(xr + 1, bmp->width);
        if (s < e)
            FillSpan(bmp, int(py), int(s), int(e), color);
    }
}

void StrokeLine(DC *dc, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    const Pen *pen = dc->pen;
    if (pen->style == PS_NULL || !dc->bitmap)
        return;
    if (pen->width <= 1)
        ThinLine(dc->bitmap, x0, y0, x1, y1, pen->color);
    else
        WideLine(dc->bitmap, x0, y0, x1, y1, pen->width, pen->color);
}

} // namespace

bool Polygon(HDC dc, const POINT *points, int count)
{
    if (!dc || !points || count < 2)
        return false;
    for (int i = 0; i < count; ++i)
        if (!InRange(points[i].x) || !InRange(points[i].y))
            return false;
    if (!dc->bitmap)
        return true;
    if (!dc->brush->isNull && count >= 3)
        FillPolygon(dc->bitmap, points, count, dc->polyFillMode == WINDING, dc->brush->color);
    for (int i = 0; i < count; ++i) {
        const POINT &p = points[i], &q = points[(i + 1) % count];
        StrokeLine(dc, p.x, p.y, q.x, q.y);
    }
    return true;
}

bool MoveToEx(HDC dc, int x, int y, POINT *old)
{
    if (!dc)
        return false;
    if (old)
        *old = dc->position;
    dc->position = {x, y};
    return true;
}

bool LineTo(HDC dc, int x, int y)
{
    if (!dc || !InRange(x) || !InRange(y))
        return false;
    const POINT from = dc->position;
    if (InRange(from.x) && InRange(from.y))
        StrokeLine(dc, from.x, from.y, x, y);
    dc->position = {x, y};
    return true;
}

} // namespace Gdi
