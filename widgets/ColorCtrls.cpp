#include "ColorCtrls.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

int Channel(double f)
{
    return std::clamp(int(std::lround(f * 255.0)), 0, 255);
}

} // namespace

// ---- HsvColor ----------------------------------------------------------------

COLORREF HsvColor::Rgb() const
{
    const double c = v * s;
    double hp = std::fmod(h, 360.0);
    if (hp < 0)
        hp += 360.0;
    hp /= 60.0;
    const double x = c * (1.0 - std::fabs(std::fmod(hp, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (int(hp)) {
    case 0: r = c; g = x; break;
    case 1: r = x; g = c; break;
    case 2: g = c; b = x; break;
    case 3: g = x; b = c; break;
    case 4: r = x; b = c; break;
    default: r = c; b = x; break;
    }
    const double m = v - c;
    return RGBColor(Channel(r + m), Channel(g + m), Channel(b + m));
}

HsvColor HsvColor::FromRgb(COLORREF rgb)
{
    const double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    HsvColor out;
    out.v = hi;
    out.s = hi > 0 ? (hi - lo) / hi : 0.0;
    if (hi > lo) {
        const double d = hi - lo;
        double hue;
        if (hi == r)
            hue = std::fmod((g - b) / d, 6.0);
        else if (hi == g)
            hue = (b - r) / d + 2.0;
        else
            hue = (r - g) / d + 4.0;
        hue *= 60.0;
        if (hue < 0)
            hue += 360.0;
        out.h = hue;
    }
    return out;
}

// ---- ColorCtrlBase -------------------------------------------------------------

ColorCtrlBase::ColorCtrlBase(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ColorCtrlBase::SetColor(Color color)
{
    const COLORREF rgb = PlainColor(color);
    if (rgb == hsv.Rgb())
        return;
    const HsvColor n = HsvColor::FromRgb(rgb);
    hsv.v = n.v;
    if (n.v > 0) {
        hsv.s = n.s;
        if (n.s > 0)
            hsv.h = n.h;
    }
    update();
}

QRect ColorCtrlBase::FieldRect() const
{
    const QRect bar = BarRect();
    const int gap = std::max(3, bar.width() / 3);
    return QRect(0, 0, std::max(0, bar.left() - gap), height());
}

QRect ColorCtrlBase::BarRect() const
{
    const int b = std::max(8, height() / 8);
    return QRect(width() - b, 0, b, height());
}

double ColorCtrlBase::Fraction(int offset, int n)
{
    if (n <= 1)
        return 0.0;
    return std::clamp(double(offset) / double(n - 1), 0.0, 1.0);
}

void ColorCtrlBase::PaintMarker(QPainter &p, const QPointF &at, int height)
{
    const double r = std::max(5, height / 32);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.0));
    p.drawEllipse(at, r, r);
    p.setPen(QPen(Qt::white, 1.0));
    p.drawEllipse(at, r - 1.0, r - 1.0);
    p.restore();
}

void ColorCtrlBase::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (FieldRect().contains(p))
        drag = Drag::Field;
    else if (BarRect().contains(p))
        drag = Drag::Bar;
    else
        drag = Drag::None;
    Track(p);
}

void ColorCtrlBase::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (drag != Drag::None && (event->buttons() & Qt::LeftButton))
        Track(event->position().toPoint());
}

void ColorCtrlBase::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        drag = Drag::None;
}

void ColorCtrlBase::resizeEvent(QResizeEvent *)
{
    fieldDirty = true;
}

void ColorCtrlBase::Track(const QPoint &p)
{
    const HsvColor before = hsv;
    if (drag == Drag::Field)
        FieldAt(p);
    else if (drag == Drag::Bar)
        BarAt(p);
    else
        return;
    if (hsv.h != before.h || hsv.s != before.s || hsv.v != before.v) {
        update();
        emit action();
    }
}

// ---- ColorRampCtrl ----------------------------------------------------------------

ColorRampCtrl::ColorRampCtrl(QWidget *parent) : ColorCtrlBase(parent)
{
}

QPoint ColorRampCtrl::FieldPoint(double s, double v) const
{
    const QRect f = FieldRect();
    return QPoint(f.left() + int(std::lround(s * (f.width() - 1))),
                  f.top() + int(std::lround((1.0 - v) * (f.height() - 1))));
}

QPoint ColorRampCtrl::BarPoint(double h) const
{
    const QRect b = BarRect();
    return QPoint(b.center().x(), b.top() + int(std::lround(h / 360.0 * (b.height() - 1))));
}

void ColorRampCtrl::FieldAt(const QPoint &p)
{
    const QRect f = FieldRect();
    hsv.s = Fraction(p.x() - f.left(), f.width());
    hsv.v = 1.0 - Fraction(p.y() - f.top(), f.height());
}

void ColorRampCtrl::BarAt(const QPoint &p)
{
    const QRect b = BarRect();
    const double h = Fraction(p.y() - b.top(), b.height()) * 360.0;
    hsv.h = h >= 360.0 ? 0.0 : h;
}

void ColorRampCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect f = FieldRect(), b = BarRect();
    if (fieldDirty || cachedHue != hsv.h || fieldCache.size() != f.size()) {
        fieldCache = QImage(f.size(), QImage::Format_RGB32);
        for (int y = 0; y < f.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(fieldCache.scanLine(y));
            const double v = 1.0 - Fraction(y, f.height());
            for (int x = 0; x < f.width(); ++x)
                row[x] = ToQRgb(HsvColor{hsv.h, Fraction(x, f.width()), v}.Rgb());
        }
        cachedHue = hsv.h;
        fieldDirty = false;
    }
    p.drawImage(f.topLeft(), fieldCache);
    for (int y = 0; y < b.height(); ++y)
        p.fillRect(QRect(b.left(), b.top() + y, b.width(), 1),
                   QColor::fromRgb(ToQRgb(HsvColor{Fraction(y, b.height()) * 360.0, 1.0, 1.0}.Rgb())));
    PaintMarker(p, FieldPoint(hsv.s, hsv.v), height());
    const int y = BarPoint(hsv.h).y();
    p.fillRect(QRect(b.left(), y - 1, b.width(), 3), Qt::white);
    p.fillRect(QRect(b.left(), y, b.width(), 1), Qt::black);
}

// ---- ColorWheelCtrl ---------------------------------------------------------------

ColorWheelCtrl::ColorWheelCtrl(QWidget *parent) : ColorCtrlBase(parent)
{
}

QPoint ColorWheelCtrl::Centre() const
{
    const QRect f = FieldRect();
    return QPoint(f.left() + (f.width() - 1) / 2, f.top() + (f.height() - 1) / 2);
}

int ColorWheelCtrl::Radius() const
{
    const QRect f = FieldRect();
    return std::max(1, (std::min(f.width(), f.height()) - 1) / 2);
}

QPoint ColorWheelCtrl::DiscPoint(double h, double s) const
{
    const QPoint c = Centre();
    const double a = h * Pi / 180.0, r = s * Radius();
    return QPoint(int(std::lround(c.x() + r * std::cos(a))), int(std::lround(c.y() - r * std::sin(a))));
}

QPoint ColorWheelCtrl::BarPoint(double v) const
{
    const QRect b = BarRect();
    return QPoint(b.center().x(), b.top() + int(std::lround((1.0 - v) * (b.height() - 1))));
}

void ColorWheelCtrl::FieldAt(const QPoint &p)
{
    const QPoint c = Centre();
    const double dx = p.x() - c.x(), dy = c.y() - p.y();
    const double dist = std::hypot(dx, dy);
    hsv.s = std::min(1.0, dist / Radius());
    // The centre itself keeps the hue.
    if (dist > 0) {
        double h = std::atan2(dy, dx) * 180.0 / Pi;
        if (h < 0)
            h += 360.0;
        hsv.h = h >= 360.0 ? 0.0 : h;
    }
}

void ColorWheelCtrl::BarAt(const QPoint &p)
{
    const QRect b = BarRect();
    hsv.v = 1.0 - Fraction(p.y() - b.top(), b.height());
}

void ColorWheelCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect f = FieldRect(), b = BarRect();
    if (fieldDirty || cachedValue != hsv.v || fieldCache.size() != f.size()) {
        fieldCache = QImage(f.size(), QImage::Format_ARGB32);
        fieldCache.fill(Qt::transparent);
        const QPoint c = Centre() - f.topLeft();
        const double radius = Radius();
        for (int y = 0; y < f.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(fieldCache.scanLine(y));
            for (int x = 0; x < f.width(); ++x) {
                const double dx = x - c.x(), dy = c.y() - y;
                const double dist = std::hypot(dx, dy);
                if (dist > radius + 0.5)
                    continue;
                double h = std::atan2(dy, dx) * 180.0 / Pi;
                if (h < 0)
                    h += 360.0;
                row[x] = ToQRgb(HsvColor{h, std::min(1.0, dist / radius), hsv.v}.Rgb());
            }
        }
        cachedValue = hsv.v;
        fieldDirty = false;
    }
    p.drawImage(f.topLeft(), fieldCache);
    for (int y = 0; y < b.height(); ++y)
        p.fillRect(QRect(b.left(), b.top() + y, b.width(), 1),
                   QColor::fromRgb(ToQRgb(HsvColor{hsv.h, hsv.s, 1.0 - Fraction(y, b.height())}.Rgb())));
    PaintMarker(p, DiscPoint(hsv.h, hsv.s), height());
    const int y = BarPoint(hsv.v).y();
    p.fillRect(QRect(b.left(), y - 1, b.width(), 3), Qt::white);
    p.fillRect(QRect(b.left(), y, b.width(), 1), Qt::black);
}
