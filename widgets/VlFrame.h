// Frames of the kit's controls and the shades they are drawn in.
#pragma once

#include "Color.h"

#include <QMargins>
#include <QRect>

class QPainter;
class QWidget;

// Drawn inside a control's rectangle, around its view; 1-pixel lines at
// every scale, in the system colours of the current look.
enum class VlFrame : int {
    None = 0,
    ThinInset = 1,
    ThinOutset = 2,
    Field = 3,
    Outset = 4,
    Inset = 5,
    Separators = 6,   // left separator, bottom and right separators added
    InsetOutset = 7,  // an inset frame with an outset frame inside it
};

// The frame code of SetTitle: 1..6 as above, anything else none.
VlFrame VlFrameOfCode(int code);
QMargins VlFrameMargins(VlFrame frame);
// The frame a control was given (VlSetFrame); None when it has none.
VlFrame VlFrameOf(const QWidget *control);
QMargins VlFrameMargins(const QWidget *control);
// Gives a control a frame; its view moves inside it, and so do the
// children of a panel.
void VlSetFrame(QWidget *control, VlFrame frame);
void VlPaintFrame(QPainter &painter, const QRect &outer, VlFrame frame);

// Shades derived from the system colours, used by frames and the kit's
// own pictures (0x00BBGGRR).
COLORREF VlColorShadow();     // face darkened to half
COLORREF VlColorDkShadow();   // face darkened to a third
COLORREF VlColorDisabled();   // ink of disabled labels
