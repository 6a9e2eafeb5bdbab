// Drawing layer timings: HALFTONE reduction and enlargement against Qt's
// smooth scaling, and many small filled and outlined polygons against
// QPainter.
#include "Gdi.h"
#include "TDib.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using VlmImgUt::TDib;

namespace {

template <class F>
double MedianMs(int runs, F f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        f();
        auto b = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    // HALFTONE against Qt's smooth scaling, side by side: a 12-megapixel
    // photo reduced, reduced to a face picture's fitted size, and
    // enlarged. Photo-like sources: smooth gradients with noise.
    std::mt19937 rng(1);
    struct Case {
        int sw, sh, dw, dh;
        const char *what;
    };
    const Case cases[] = {
        {4000, 3000, 1000, 750, "reduced"},
        {4000, 3000, 784, 588, "reduced to a fitted face"},
        {1000, 750, 2000, 1500, "enlarged"},
        {640, 480, 1920, 1080, "enlarged to a pattern"},
    };
    double worst = 0;
    std::printf("StretchBlt HALFTONE beside QImage::scaled smooth (median of 9; goal: ratio <= 0.9)\n");
    for (const Case &c : cases) {
        TDib src;
        if (!src.Create(c.sw, c.sh)) {
            std::fprintf(stderr, "cannot create the source bitmap\n");
            return 1;
        }
        for (int y = 0; y < src.height; ++y) {
            uint8_t *p = src.bits + size_t(y) * src.stride;
            for (int x = 0; x < src.width; ++x, p += 3) {
                const uint32_t n = rng();
                p[0] = uint8_t(x / 16 + (n & 15));
                p[1] = uint8_t(y / 12 + ((n >> 4) & 15));
                p[2] = uint8_t((x + y) / 28 + ((n >> 8) & 15));
            }
        }
        TDib dst;
        dst.Create(c.dw, c.dh);
        Gdi::SetStretchBltMode(dst.dc, Gdi::HALFTONE);
        const QImage qsrc = Gdi::ToQImage(src.bitmap);
        QImage qdst;
        // Taken in turns, so that both see the same load on the machine.
        std::vector<double> ours, qt;
        for (int i = 0; i < 9; ++i) {
            ours.push_back(MedianMs(1, [&] {
                Gdi::StretchBlt(dst.dc, 0, 0, c.dw, c.dh, src.dc, 0, 0, c.sw, c.sh, Gdi::SRCCOPY);
            }));
            qt.push_back(MedianMs(1, [&] {
                qdst = qsrc.scaled(c.dw, c.dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }));
        }
        std::sort(ours.begin(), ours.end());
        std::sort(qt.begin(), qt.end());
        const double a = ours[ours.size() / 2], b = qt[qt.size() / 2];
        worst = std::max(worst, a / b);
        std::printf("  %4dx%-4d -> %4dx%-4d %-26s StretchBlt %6.2f ms, QImage::scaled %6.2f ms, ratio %.2f\n", c.sw,
                    c.sh, c.dw, c.dh, c.what, a, b, a / b);
    }
    std::printf("  largest ratio StretchBlt / QImage::scaled: %.2f\n", worst);

    // Small polygons: quadrilaterals and triangles up to 40 pixels across,
    // filled with a brush and outlined with a one-pixel pen, as box faces.
    struct Shape {
        int n;
        Gdi::POINT p[4];
        COLORREF color;
    };
    std::vector<Shape> shapes(10000);
    std::uniform_int_distribution<int> px(-20, 1940), py(-20, 1100), d(-20, 20), nc(3, 4);
    for (Shape &s : shapes) {
        s.n = nc(rng);
        const int cx = px(rng), cy = py(rng);
        for (int i = 0; i < s.n; ++i)
            s.p[i] = {cx + d(rng), cy + d(rng)};
        s.color = rng() & 0xFFFFFF;
    }
    TDib board;
    board.Create(1920, 1080);
    board.SetPen(0x000000, 1);
    Gdi::SetPolyFillMode(board.dc, Gdi::WINDING);
    const double fills = MedianMs(7, [&] {
        for (const Shape &s : shapes) {
            board.SetBrush(s.color);
            Gdi::Polygon(board.dc, s.p, s.n);
        }
    });
    QImage qboard(1920, 1080, QImage::Format_RGB32);
    const double qfills = MedianMs(7, [&] {
        QPainter painter(&qboard);
        painter.setPen(QPen(Qt::black, 0));
        for (const Shape &s : shapes) {
            QPolygon poly;
            for (int i = 0; i < s.n; ++i)
                poly << QPoint(s.p[i].x, s.p[i].y);
            painter.setBrush(ToQColor(s.color));
            painter.drawPolygon(poly, Qt::WindingFill);
        }
    });
    std::printf("10000 polygons into 1920x1080 TDib: %.2f ms (%.2f us each)\n", fills, fills * 1000 / 10000);
    std::printf("10000 polygons with QPainter on QImage: %.2f ms\n", qfills);
    std::printf("ratio Polygon / QPainter: %.2f\n", fills / qfills);
    return 0;
}
