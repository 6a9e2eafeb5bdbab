// Drawing layer timings: HALFTONE reduction against Qt's smooth scaling,
// and many small filled and outlined polygons against QPainter.
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

    // A photo-like source: smooth gradients with noise.
    TDib src;
    if (!src.Create(4000, 3000)) {
        std::fprintf(stderr, "cannot create the source bitmap\n");
        return 1;
    }
    std::mt19937 rng(1);
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
    dst.Create(1000, 750);
    const double ours = MedianMs(9, [&] {
        Gdi::StretchBlt(dst.dc, 0, 0, 1000, 750, src.dc, 0, 0, 4000, 3000, Gdi::SRCCOPY);
    });
    const QImage qsrc = Gdi::ToQImage(src.bitmap);
    QImage qdst;
    const double qt = MedianMs(9, [&] {
        qdst = qsrc.scaled(1000, 750, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
    std::printf("StretchBlt HALFTONE 4000x3000 -> 1000x750: %.2f ms\n", ours);
    std::printf("QImage::scaled smooth 4000x3000 -> 1000x750: %.2f ms\n", qt);
    std::printf("ratio StretchBlt / QImage::scaled: %.2f\n", ours / qt);

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
