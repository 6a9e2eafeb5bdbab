// Shared pieces of the kit's controls: design rectangles and their
// placing, frames, the application cursor override, the owner link's
// event forwarding, the class test of the panels' child walk and the
// registry through which every kit control is restyled when the look
// changes.
#pragma once

#include "Color.h"

#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QMargins>
#include <QRect>

#include <cstdint>
#include <functional>

class QMouseEvent;
class QPainter;
class QWheelEvent;
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

// ---- Frames --------------------------------------------------------------
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

// ---- Cursor ----------------------------------------------------------------
// Overrides the application's mouse cursor with this one. There is a single
// override: a later call replaces it; it is never restored by the kit.
void VlOverrideCursor(const QCursor &cursor);

// ---- Owner link --------------------------------------------------------------
// Calls the owner's handler directly with the same point (untranslated),
// buttons and modifiers; `type` and `button` say which handler. No event
// filter, propagation or focus change is involved.
void VlForwardMouse(QWidget *owner, const QMouseEvent *event, QEvent::Type type, Qt::MouseButton button);
void VlForwardWheel(QWidget *owner, const QWheelEvent *event);

// ---- Child walk ----------------------------------------------------------------
enum class VlKitClass { None, Button, EditTx, EditNo, Text, Opt, Drop, Slider, Array };

// The first kit class name that the control's run-time class name contains,
// tested in the order VlButton, VlEditTx, VlEditNo, VlText, VlOpt, VlDrop,
// VlSlider (only withRescaleOnly: the colour walks leave sliders alone),
// VlArray.
VlKitClass VlKitClassOf(const QWidget *control, bool withRescaleOnly);

// ---- Restyling -------------------------------------------------------------------
// Every kit control registers a restyle operation at construction; all of
// them run, in the order of construction, each time the look or the scale
// is switched (SetInterfaceScale).
void VlRegisterRestyle(const QWidget *control, std::function<void()> restyle);
void VlUnregisterRestyle(const QWidget *control);
int VlRestyleCount();   // live registrations
