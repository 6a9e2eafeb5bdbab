#include "PixDraw.h"

#include "VlmPixTable.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// Design units: a button picture is drawn on a 16-unit square whatever
// its size; at() snaps a coordinate to the nearest pixel boundary.
struct Grid {
    int s;
    double u;
    explicit Grid(int size) : s(size), u(size / 16.0) {}
    double at(double v) const { return std::round(v * u); }
    double f(double v) const { return v * u; }
    // Outline width in pixels: one pixel up to 22, two above.
    double line() const { return std::max(1.0, std::round(u * 0.8)); }
};

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Strokes the outline of a shape twice as wide as `w`; the caller fills the
// shape on top, which leaves an outline of `w` outside it.
void outline(QPainter &p, const QPainterPath &shape, const QColor &c, double w)
{
    QPen pen(c, 2 * w);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(3.0);
    p.strokePath(shape, pen);
}

QLinearGradient vertical(double y0, double y1, const QColor &a, const QColor &b)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// ---- The window icon: a stepped pyramid of boxes ------------------------

void drawBox(QPainter &p, double x, double y, double b, double d)
{
    // front face x..x+b, y..y+b; depth d up and to the right
    const QColor edge(10, 22, 70);
    QPolygonF top({QPointF(x, y), QPointF(x + b, y), QPointF(x + b + d, y - d), QPointF(x + d, y - d)});
    QPolygonF side({QPointF(x + b, y), QPointF(x + b + d, y - d), QPointF(x + b + d, y + b - d), QPointF(x + b, y + b)});
    p.setPen(QPen(QColor(120, 80, 10), 1.0));
    p.setBrush(vertical(y - d, y, QColor(255, 226, 110), QColor(222, 160, 24)));
    p.drawPolygon(top);
    p.setPen(QPen(QColor(90, 14, 8), 1.0));
    QLinearGradient sg(x + b, 0, x + b + d, 0);
    sg.setColorAt(0, QColor(220, 50, 34));
    sg.setColorAt(1, QColor(150, 22, 14));
    p.setBrush(sg);
    p.drawPolygon(side);
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(x, y, b, b), edge);
    QLinearGradient fg(x, y, x + b, y + b);
    fg.setColorAt(0, QColor(96, 150, 255));
    fg.setColorAt(1, QColor(28, 66, 190));
    p.fillRect(QRectF(x + 1, y + 1, b - 2, b - 2), fg);
    // a light edge along the top and left of the front
    p.fillRect(QRectF(x + 1, y + 1, b - 2, 1), QColor(170, 200, 255));
    p.fillRect(QRectF(x + 1, y + 1, 1, b - 2), QColor(140, 180, 255));
}

QImage drawIcon()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    prepare(p);
    const double b = 8, d = 4;
    // rows from the bottom, left to right: 3, 2, 1 boxes, each half a box in
    for (int row = 0; row < 3; ++row) {
        const double y = 31 - b - row * b;
        const double x0 = 1 + row * b / 2;
        for (int i = 0; i < 3 - row; ++i)
            drawBox(p, x0 + i * b, y, b, d);
    }
    return img;
}

// ---- About: a star burst -------------------------------------------------

QPolygonF star(QPointF c, int points, double rOut, double rIn, double turn)
{
    QPolygonF poly;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = turn + M_PI * i / points - M_PI / 2;
        const double r = (i % 2) ? rIn : rOut;
        poly << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return poly;
}

QImage drawAbout(int s)
{
    Grid g(s);
    QImage img = blank(s, s);
    QPainter p(&img);
    prepare(p);
    const QPointF c(s / 2.0, s / 2.0);
    const double w = g.line();
    QPainterPath outer;
    outer.addPolygon(star(c, 8, s / 2.0 - w, g.f(4.0), 0));
    outer.closeSubpath();
    outline(p, outer, QColor(70, 0, 0), w * 0.7);
    QRadialGradient rg(c, s / 2.0);
    rg.setColorAt(0, QColor(255, 120, 60));
    rg.setColorAt(1, QColor(200, 20, 16));
    p.fillPath(outer, rg);
    QPainterPath inner;
    inner.addPolygon(star(c, 8, g.f(5.4), g.f(2.9), M_PI / 8));
    inner.closeSubpath();
    QRadialGradient yg(c, g.f(5.4));
    yg.setColorAt(0, QColor(255, 255, 200));
    yg.setColorAt(1, QColor(255, 206, 0));
    p.fillPath(inner, yg);
    const double r = g.f(2.3);
    QRadialGradient bg(c - QPointF(r * 0.4, r * 0.4), r * 1.4);
    bg.setColorAt(0, QColor(120, 170, 255));
    bg.setColorAt(1, QColor(16, 52, 190));
    p.setPen(QPen(QColor(8, 20, 90), std::max(0.8, w * 0.6)));
    p.setBrush(bg);
    p.drawEllipse(c, r, r);
    return img;
}

// ---- Min and exit: a blue-edged square ----------------------------------

QImage drawFramed(int s, bool cross)
{
    Grid g(s);
    QImage img = blank(s, s);
    QPainter p(&img);
    prepare(p);
    const double m = g.at(1.0);
    const double e = std::max(2.0, g.at(1.5));
    const QRectF outer(m, m, s - 2 * m, s - 2 * m);
    QLinearGradient bg(outer.topLeft(), outer.bottomRight());
    bg.setColorAt(0, QColor(70, 130, 240));
    bg.setColorAt(1, QColor(16, 44, 150));
    p.fillRect(outer, bg);
    const QRectF inner = outer.adjusted(e, e, -e, -e);
    p.fillRect(inner, vertical(inner.top(), inner.bottom(), QColor(250, 250, 255), QColor(196, 206, 224)));
    p.fillRect(QRectF(outer.left(), outer.top(), outer.width(), 1), QColor(150, 190, 255, 200));
    const QColor red(220, 30, 24), dark(110, 0, 0);
    if (!cross) {
        const double x0 = g.at(4.0), x1 = s - g.at(4.0);
        const double y0 = g.at(9.0), y1 = g.at(12.0);
        p.fillRect(QRectF(x0, y0, x1 - x0, y1 - y0), dark);
        p.fillRect(QRectF(x0 + 1, y0, x1 - x0 - 2, y1 - y0 - 1), red);
        p.fillRect(QRectF(x0 + 1, y0, x1 - x0 - 2, 1), QColor(255, 120, 100));
    } else {
        const double a = g.f(4.6), b = s - g.f(4.6);
        const double wide = std::max(2.0, g.f(2.2));
        QPen pen(dark, wide + 1.2, Qt::SolidLine, Qt::FlatCap);
        p.setPen(pen);
        if (s > 19) {   // small crosses stay plain red: an edge would blur them
            p.drawLine(QPointF(a, a), QPointF(b, b));
            p.drawLine(QPointF(b, a), QPointF(a, b));
        }
        pen.setColor(red);
        pen.setWidthF(wide);
        p.setPen(pen);
        const double in = 0.35;
        if (s > 19) {
            p.drawLine(QPointF(a + in, a + in), QPointF(b - in, b - in));
            p.drawLine(QPointF(b - in, a + in), QPointF(a + in, b - in));
        } else {
            // a pixel staircase two pixels wide, symmetric about the centre
            const int lo = int(g.at(4.0)), hi = s - lo;
            const int w = s >= 19 ? 3 : 2;
            for (int y = lo; y < hi; ++y) {
                const int x = lo + (y - lo) * (hi - lo - w) / std::max(1, hi - lo - 1);
                p.fillRect(QRect(x, y, w, 1), red);
                p.fillRect(QRect(s - x - w, y, w, 1), red);
            }
        }
    }
    return img;
}

// ---- Lamps -----------------------------------------------------------------

struct LampColors {
    QColor hi, mid, lo;
    int shine;   // alpha of the highlight
};

QImage drawLamp(int s, const LampColors &lc)
{
    Grid g(s);
    QImage img = blank(s, s);
    QPainter p(&img);
    prepare(p);
    const QRectF outer(0.5, 0.5, s - 1.0, s - 1.0);
    const double rim = std::max(1.5, g.f(1.8));
    QLinearGradient rimg(outer.topLeft(), outer.bottomRight());
    rimg.setColorAt(0, QColor(236, 236, 236));
    rimg.setColorAt(0.5, QColor(150, 150, 150));
    rimg.setColorAt(1, QColor(70, 70, 70));
    p.setPen(QPen(QColor(40, 40, 40), std::min(1.0, g.line())));
    p.setBrush(rimg);
    p.drawEllipse(outer);
    const QRectF glass = outer.adjusted(rim, rim, -rim, -rim);
    const QPointF c = glass.center();
    QRadialGradient rg(c, glass.width() / 2.0, c - QPointF(glass.width() * 0.18, glass.height() * 0.2));
    rg.setColorAt(0, lc.hi);
    rg.setColorAt(0.55, lc.mid);
    rg.setColorAt(1, lc.lo);
    p.setPen(QPen(QColor(50, 50, 50, 180), 0.8));
    p.setBrush(rg);
    p.drawEllipse(glass);
    // gloss: a soft white oval in the upper half
    const QRectF gloss(glass.left() + glass.width() * 0.2, glass.top() + glass.height() * 0.08,
                       glass.width() * 0.6, glass.height() * 0.42);
    QLinearGradient gg(0, gloss.top(), 0, gloss.bottom());
    gg.setColorAt(0, QColor(255, 255, 255, lc.shine));
    gg.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gg);
    p.drawEllipse(gloss);
    return img;
}

const LampColors LampYellow{QColor(255, 255, 210), QColor(255, 226, 20), QColor(196, 130, 0), 230};
const LampColors LampRed{QColor(255, 200, 180), QColor(250, 40, 24), QColor(150, 0, 0), 220};
const LampColors LampGreen{QColor(210, 255, 200), QColor(40, 220, 40), QColor(0, 110, 10), 220};
const LampColors LampBlue{QColor(210, 236, 255), QColor(40, 130, 255), QColor(0, 40, 160), 220};
const LampColors LampOff{QColor(132, 132, 132), QColor(86, 86, 86), QColor(44, 44, 44), 120};

// ---- Arrows ------------------------------------------------------------

// Pictures are drawn pointing left and turned by exact pixel moves.
enum Dir { Left, Right, Up, Down };

QImage transposed(const QImage &src)
{
    QImage out(src.height(), src.width(), src.format());
    for (int y = 0; y < src.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x)
            reinterpret_cast<QRgb *>(out.scanLine(x))[y] = row[x];
    }
    return out;
}

QImage turned(const QImage &left, Dir d)
{
    switch (d) {
    case Left: return left;
    case Right: return left.mirrored(true, false);
    case Up: return transposed(left);
    case Down: return transposed(left.mirrored(true, false));
    }
    return left;
}

struct HeadColors {
    QColor upperLight, upperDark;   // the half above the axis (left of it when turned up or down)
    QColor lowerLight, lowerDark;
};

const HeadColors BoxHead{QColor(255, 110, 90), QColor(176, 18, 12), QColor(96, 150, 255), QColor(16, 40, 170)};
const HeadColors ShapeHead{QColor(90, 226, 214), QColor(0, 120, 116), QColor(240, 214, 170), QColor(170, 126, 70)};

// An arrowhead split along its axis into two shaded halves, on a short
// grey shaft.
QImage drawHeadArrow(int s, const HeadColors &hc)
{
    Grid g(s);
    QImage img = blank(s, s);
    QPainter p(&img);
    prepare(p);
    const double mid = s / 2;   // integer: odd sizes sit half a pixel high
    const double tip = g.at(1.0);
    const double base = g.at(9.0);
    const double half = mid - g.f(1.4);
    const double shaft = std::max(2.0, g.at(2.0));
    const double end = s - g.at(1.5);
    const double w = g.line();

    QPolygonF head({QPointF(tip, mid), QPointF(base, mid - half), QPointF(base, mid + half)});
    QRectF stem(base - 1, mid - shaft, end - base + 1, 2 * shaft);
    QPainterPath all;
    all.addPolygon(head);
    all.closeSubpath();
    all.addRect(stem);
    all = all.simplified();
    outline(p, all, QColor(16, 16, 24), w);

    p.fillRect(stem, vertical(stem.top(), stem.bottom(), QColor(236, 236, 236), QColor(112, 112, 112)));
    p.fillRect(QRectF(end - std::max(1.0, g.at(1.0)), stem.top(), std::max(1.0, g.at(1.0)), stem.height()),
               QColor(90, 90, 90));

    QPainterPath upper;
    upper.addPolygon(QPolygonF({QPointF(tip, mid), QPointF(base, mid - half), QPointF(base, mid)}));
    upper.closeSubpath();
    QPainterPath lower;
    lower.addPolygon(QPolygonF({QPointF(tip, mid), QPointF(base, mid), QPointF(base, mid + half)}));
    lower.closeSubpath();
    p.fillPath(upper, vertical(mid - half, mid, hc.upperDark, hc.upperLight));
    p.fillPath(lower, vertical(mid, mid + half, hc.lowerLight, hc.lowerDark));
    return img;
}

// A plain arrow: head and shaft in one colour.
QImage drawPlainArrow(int s, const QColor &light, const QColor &dark)
{
    Grid g(s);
    QImage img = blank(s, s);
    QPainter p(&img);
    prepare(p);
    const double mid = s / 2;
    const double tip = g.at(1.0);
    const double base = g.at(8.0);
    const double half = mid - g.f(1.6);
    const double shaft = std::max(2.0, g.at(2.5));
    const double end = s - g.at(1.5);
    const double w = g.line();

    QPainterPath arrow;
    arrow.addPolygon(QPolygonF({QPointF(tip, mid), QPointF(base, mid - half), QPointF(base, mid - shaft),
                                QPointF(end, mid - shaft), QPointF(end, mid + shaft), QPointF(base, mid + shaft),
                                QPointF(base, mid + half)}));
    arrow.closeSubpath();
    outline(p, arrow, QColor(12, 12, 20), w);
    p.fillPath(arrow, vertical(mid - half, mid + half, light, dark));
    // a light line along the upper edge of the shaft
    p.fillRect(QRectF(base + 1, mid - shaft, end - base - 2, std::max(1.0, g.at(0.6))),
               QColor(255, 255, 255, 110));
    return img;
}

// ---- Cursors -------------------------------------------------------------

// Arrows out of a centre square on the 32-pixel cursor: centre pixel (16, 16).
QImage drawMove(bool up, bool down, bool left, bool right)
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    prepare(p);
    const double c = 16.5;      // centre of pixel 16
    const double sh = 1.5;      // shaft half width
    const double hw = 5.5;      // head half width
    const double reach = 14.5;  // centre to tip
    const double headLen = 6.0;
    const double hub = 2.5;     // half side of the centre square
    auto arrow = [&](double dx, double dy) {
        // polygon in the direction (dx, dy) from the centre square's edge
        auto P = [&](double along, double across) {
            return QPointF(c + dx * along - dy * across, c + dy * along + dx * across);
        };
        const double b = reach - headLen;
        QPolygonF poly({P(hub, -sh), P(b, -sh), P(b, -hw), P(reach, 0), P(b, hw), P(b, sh), P(hub, sh)});
        QPainterPath path;
        path.addPolygon(poly);
        path.closeSubpath();
        return path;
    };
    struct A {
        bool on;
        double dx, dy;
        QColor light, dark;
    };
    const A arrows[4] = {
        {up, 0, -1, QColor(120, 240, 110), QColor(20, 150, 30)},
        {down, 0, 1, QColor(255, 120, 100), QColor(190, 16, 16)},
        {left, -1, 0, QColor(255, 250, 150), QColor(230, 190, 0)},
        {right, 1, 0, QColor(214, 150, 255), QColor(120, 40, 200)},
    };
    QPainterPath all;
    QRectF centre(c - hub, c - hub, 2 * hub, 2 * hub);
    all.addRect(centre);
    for (const A &a : arrows)
        if (a.on)
            all = all.united(arrow(a.dx, a.dy));
    outline(p, all, Qt::black, 1.0);
    for (const A &a : arrows) {
        if (!a.on)
            continue;
        // light on the left of the arrow's way, dark on its right
        QLinearGradient lg(QPointF(c + a.dy * hw, c - a.dx * hw), QPointF(c - a.dy * hw, c + a.dx * hw));
        lg.setColorAt(0, a.dark);
        lg.setColorAt(0.45, a.light);
        lg.setColorAt(1, a.dark);
        p.fillPath(arrow(a.dx, a.dy), lg);
    }
    p.fillRect(centre, QColor(250, 250, 250));
    p.fillRect(centre.adjusted(1, 1, -1, -1), QColor(60, 60, 60));
    return img;
}

QImage drawNot()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    prepare(p);
    const QPointF c(15.5, 15.5);   // centre of pixel 15
    const double rOut = 14.5, rIn = 8.6;
    const QColor blue(20, 50, 190);
    QPainterPath ring;
    ring.addEllipse(c, rOut, rOut);
    ring.addEllipse(c, rIn, rIn);
    ring.setFillRule(Qt::OddEvenFill);
    // red bar from upper left to lower right across the opening
    const double bw = 3.2;
    QPainterPath bar;
    const double k = M_SQRT1_2;
    const double len = rIn + 1.5;
    bar.addPolygon(QPolygonF({c + QPointF(-len * k + bw * k, -len * k - bw * k), c + QPointF(len * k + bw * k, len * k - bw * k),
                              c + QPointF(len * k - bw * k, len * k + bw * k), c + QPointF(-len * k - bw * k, -len * k + bw * k)}));
    bar.closeSubpath();
    QPainterPath clipIn;
    clipIn.addEllipse(c, rIn + 0.8, rIn + 0.8);
    bar = bar.intersected(clipIn);

    p.fillPath(ring, blue);
    QPainterPath yellow;
    yellow.addEllipse(c, rOut - 1.6, rOut - 1.6);
    yellow.addEllipse(c, rIn + 1.4, rIn + 1.4);
    yellow.setFillRule(Qt::OddEvenFill);
    QRadialGradient yg(c - QPointF(4, 4), rOut * 1.3);
    yg.setColorAt(0, QColor(255, 250, 160));
    yg.setColorAt(1, QColor(240, 190, 0));
    p.fillPath(yellow, yg);
    outline(p, bar, blue, 1.0);
    p.fillPath(bar, vertical(c.y() - len, c.y() + len, QColor(255, 90, 70), QColor(200, 10, 10)));
    return img;
}

// Skin and cuff colours of the hands.
const QColor Skin(255, 226, 196);
const QColor SkinShade(232, 184, 146);
const QColor HandLine(60, 30, 10);

QPainterPath capsule(QPointF a, QPointF b, double r)
{
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    const double ang = std::atan2(d.y(), d.x()) * 180 / M_PI;
    QPainterPath local;
    local.addRoundedRect(QRectF(-r, -r, len + 2 * r, 2 * r), r, r);
    QTransform t;
    t.translate(a.x(), a.y());
    t.rotate(ang);
    return t.map(local);
}

// Vertical rainbow stripes over a rectangle, with a dark frame.
void cuff(QPainter &p, const QRectF &r)
{
    static const QColor bands[6] = {QColor(230, 20, 20), QColor(255, 140, 0), QColor(255, 230, 0),
                                     QColor(30, 180, 40), QColor(30, 90, 230), QColor(150, 40, 200)};
    QPainterPath box;
    box.addRect(r);
    outline(p, box, HandLine, 1.0);
    const double w = r.width() / 6;
    for (int i = 0; i < 6; ++i)
        p.fillRect(QRectF(r.left() + i * w, r.top(), w + 0.01, r.height()), bands[i]);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), QColor(255, 255, 255, 90));
}

QImage drawOpenHand()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    prepare(p);
    // four spread fingers, a thumb to the left, the palm, then the cuff
    QPainterPath hand;
    hand.addRoundedRect(QRectF(9, 12, 14, 13), 4, 4);
    const double r = 1.75;
    const QPointF tips[4] = {QPointF(9.6, 4.4), QPointF(14.3, 2.4), QPointF(18.8, 3.4), QPointF(22.8, 7.0)};
    const QPointF roots[4] = {QPointF(10.9, 15), QPointF(14.6, 14), QPointF(18.0, 14), QPointF(21.1, 15)};
    for (int i = 0; i < 4; ++i)
        hand = hand.united(capsule(roots[i], tips[i], r));
    hand = hand.united(capsule(QPointF(11.5, 20.5), QPointF(4.2, 13.4), 2.0));
    outline(p, hand, HandLine, 1.0);
    QLinearGradient sg(6, 0, 24, 0);
    sg.setColorAt(0, Skin);
    sg.setColorAt(1, SkinShade);
    p.fillPath(hand, sg);
    // gaps between the fingers, down to the palm
    p.setPen(QPen(HandLine, 0.9, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const QPointF a = (tips[i] + tips[i + 1]) / 2 + QPointF(0, 3.6);
        const QPointF b = (roots[i] + roots[i + 1]) / 2 + QPointF(0, -1.6);
        p.drawLine(a, b);
    }
    // the thumb's crease
    p.drawLine(QPointF(10.2, 17.6), QPointF(12.2, 19.8));
    cuff(p, QRectF(10, 25, 12, 6));
    return img;
}

QImage drawPinchHand()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    prepare(p);
    // Drawn upright with the touching finger tips at the origin, then
    // turned so they point up and to the left at pixel (8, 7).
    QTransform t;
    t.translate(8.5, 7.5);
    t.rotate(-36);
    p.setTransform(t);
    // the back of the hand with three curled fingers' knuckles on the right
    QPainterPath fist;
    fist.addRoundedRect(QRectF(-6.5, 10.5, 14.5, 11.5), 4.5, 4.5);
    for (int i = 0; i < 3; ++i)
        fist.addEllipse(QPointF(7.6, 12.8 + i * 3.3), 2.1, 1.9);
    fist = fist.simplified();
    const QPainterPath index = capsule(QPointF(6.0, 11.5), QPointF(1.6, 0.2), 1.8);
    const QPainterPath thumb = capsule(QPointF(-7.0, 13.5), QPointF(-1.6, 0.5), 2.0);
    QPainterPath hand = fist.united(index).united(thumb);
    outline(p, hand, HandLine, 1.0);
    // the gap between thumb and finger stays open below the tips
    outline(p, index, HandLine, 0.5);
    outline(p, thumb, HandLine, 0.5);
    QLinearGradient sg(-6, 0, 10, 0);
    sg.setColorAt(0, Skin);
    sg.setColorAt(1, SkinShade);
    p.fillPath(fist, sg);
    p.fillPath(index, sg);
    p.fillPath(thumb, sg);
    p.setPen(QPen(HandLine, 0.9, Qt::SolidLine, Qt::RoundCap));
    // where finger and thumb leave the hand
    p.drawLine(QPointF(3.6, 9.3), QPointF(5.4, 11.6));
    p.drawLine(QPointF(-4.4, 10.6), QPointF(-5.8, 13.4));
    // creases between the curled fingers
    for (int i = 0; i < 2; ++i)
        p.drawLine(QPointF(5.4, 14.4 + i * 3.3), QPointF(8.4, 14.5 + i * 3.3));
    cuff(p, QRectF(-5.5, 22, 12.5, 5.5));
    return img;
}

// ---- The list ------------------------------------------------------------

QImage drawGroupPicture(int design, int s)
{
    switch (design) {
    case 0: return drawAbout(s);
    case 1: return drawFramed(s, false);
    case 2: return drawFramed(s, true);
    case 3: return drawLamp(s, LampYellow);
    case 4: return drawLamp(s, LampRed);
    case 5: return drawLamp(s, LampOff);
    case 6: return turned(drawHeadArrow(s, BoxHead), Left);
    case 7: return turned(drawHeadArrow(s, BoxHead), Right);
    case 8: return turned(drawHeadArrow(s, BoxHead), Down);
    case 9: return turned(drawHeadArrow(s, BoxHead), Up);
    case 10: return turned(drawHeadArrow(s, ShapeHead), Left);
    case 11: return turned(drawHeadArrow(s, ShapeHead), Right);
    case 12: return turned(drawHeadArrow(s, ShapeHead), Down);
    case 13: return turned(drawHeadArrow(s, ShapeHead), Up);
    case 14: return turned(drawPlainArrow(s, QColor(110, 160, 255), QColor(20, 56, 190)), Left);
    case 15: return turned(drawPlainArrow(s, QColor(110, 160, 255), QColor(20, 56, 190)), Right);
    case 16: return turned(drawPlainArrow(s, QColor(255, 150, 90), QColor(214, 50, 10)), Up);
    case 17: return turned(drawPlainArrow(s, QColor(255, 150, 90), QColor(214, 50, 10)), Down);
    }
    return QImage();
}

} // namespace

QImage DrawPixPicture(int index)
{
    using namespace VlmPixTable;
    if (index < 0 || index >= ImageCount)
        return QImage();
    const Shape sh = ShapeOf(index);
    QImage img;
    if (index == 0) {
        img = drawIcon();
    } else if (index == 31) {
        img = drawLamp(22, LampGreen);
    } else if (index == 32) {
        img = drawLamp(22, LampBlue);
    } else if (index <= 110) {
        img = drawGroupPicture(DesignOf(index), sh.width);
    } else {
        switch (index) {
        case 111: img = drawMove(true, true, true, true); break;
        case 112: img = drawMove(false, false, true, true); break;
        case 113: img = drawMove(true, true, false, false); break;
        case 114: img = drawNot(); break;
        case 116: img = drawOpenHand(); break;
        case 117: img = drawPinchHand(); break;
        default: img = blank(sh.width, sh.height); break;   // emptycur, Trans
        }
    }
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    img.setOffset(QPoint(sh.hotX, sh.hotY));
    return img;
}
