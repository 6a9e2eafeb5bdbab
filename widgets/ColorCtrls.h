// A colour ramp and a colour wheel: two ways of choosing a colour by hue,
// saturation and value with the mouse.
//
// Each control keeps its own hue, saturation and value. Setting a colour
// that the control already shows keeps them as they are, and a grey (or
// black) colour keeps the hue (and saturation) it had, so a drag through
// grey comes back out in the same hue. Only the user's presses and drags
// emit action(); SetColor never does.
#pragma once

#include "Color.h"

#include <QImage>
#include <QWidget>

// Hue in degrees [0, 360), saturation and value in [0, 1].
struct HsvColor {
    double h = 0.0;
    double s = 0.0;
    double v = 0.0;

    // The colour (0x00BBGGRR), each channel rounded to the nearest step.
    COLORREF Rgb() const;
    // The hue, saturation and value of a colour; hue 0 for a grey,
    // saturation 0 for black.
    static HsvColor FromRgb(COLORREF rgb);
};

// Shared part: the state, the value bar or hue bar along the right edge and
// the mouse handling.
class ColorCtrlBase : public QWidget {
    Q_OBJECT
public:
    explicit ColorCtrlBase(QWidget *parent = nullptr);

    // The colour shown; never null.
    COLORREF GetColor() const { return hsv.Rgb(); }
    // Shows a colour (null shows black) without emitting action().
    void SetColor(Color color);
    const HsvColor &GetHsv() const { return hsv; }

    // The area of the main field and of the bar on the right.
    QRect FieldRect() const;
    QRect BarRect() const;

signals:
    // The user pressed or dragged to a new colour.
    void action();

protected:
    // Where a point of the field puts the state (clamped to the field).
    virtual void FieldAt(const QPoint &p) = 0;
    // Where a point of the bar puts the state.
    virtual void BarAt(const QPoint &p) = 0;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // Position 0..1 along a span of n pixels, clamped.
    static double Fraction(int offset, int n);
    // A ring marker with a dark and a light edge, seen on any colour, sized
    // to the control's height.
    static void PaintMarker(QPainter &p, const QPointF &at, int height);

    HsvColor hsv;
    QImage fieldCache;   // the field as last drawn
    bool fieldDirty = true;

private:
    enum class Drag { None, Field, Bar };
    void Track(const QPoint &p);
    Drag drag = Drag::None;
};

// Saturation across and value up a square in the current hue, with a hue
// bar on the right (red at the top).
class ColorRampCtrl : public ColorCtrlBase {
    Q_OBJECT
public:
    explicit ColorRampCtrl(QWidget *parent = nullptr);

    // The point of the field that shows a saturation and value, and of the
    // bar that shows a hue.
    QPoint FieldPoint(double s, double v) const;
    QPoint BarPoint(double h) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void FieldAt(const QPoint &p) override;
    void BarAt(const QPoint &p) override;

private:
    double cachedHue = -1.0;
};

// Hue around and saturation out from the centre of a disc at the current
// value (red to the right, green upper left, blue lower left), with a
// value bar on the right (full value at the top).
class ColorWheelCtrl : public ColorCtrlBase {
    Q_OBJECT
public:
    explicit ColorWheelCtrl(QWidget *parent = nullptr);

    // The disc's centre pixel and its radius in whole pixels.
    QPoint Centre() const;
    int Radius() const;
    // The point of the disc that shows a hue and saturation, and of the bar
    // that shows a value.
    QPoint DiscPoint(double h, double s) const;
    QPoint BarPoint(double v) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void FieldAt(const QPoint &p) override;
    void BarAt(const QPoint &p) override;

private:
    double cachedValue = -1.0;
};
