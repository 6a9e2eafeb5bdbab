// Design rectangles and their scaling: every control of the kit and every
// dialog of the game is laid out in design pixels of the Normal scale and
// placed at the current scale (VlScale.h); the kit font at other heights.
#pragma once

#include <QFont>
#include <QRect>

#include <cstdint>

class QWidget;

// A rectangle in design pixels of the Normal scale, relative to the
// parent's view (inside its frame).
struct VlDesignRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    QRect Unscaled() const { return QRect(x, y, width, height); }
    // trunc(v * factor + 0.5) in 32-bit floats, x and width by VlScaleX,
    // y and height by VlScaleY.
    QRect Scaled() const;
};

// One coordinate by a factor, as the kit places controls.
int VlScaled(int32_t v, float factor);

// Places a control at a rectangle of its parent's view: the parent's
// frame, when it has one, lies outside the view.
void VlSetRect(QWidget *control, const QRect &viewRect);

// Stores the design rectangle and places the control there unscaled.
template <class Ctl>
void VlSetDesignRect(Ctl &control, int x, int y, int width, int height)
{
    control.designRect = VlDesignRect{x, y, width, height};
    VlSetRect(&control, control.designRect.Unscaled());
}

// The kit font with another pixel height (style flags kept).
QFont VlFontOfHeight(int pixelHeight);
// VlFont, or VlFont at VlFontHeight + increment when the increment is not 0.
QFont VlFontWithIncrement(int increment);
// Row height of a list in a font: ascent + descent + external leading.
int VlRowHeight(const QFont &font);
