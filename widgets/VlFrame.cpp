#include "VlFrame.h"

#include "VlLook.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>

namespace {
const char FrameProperty[] = "vlFrame";
}

VlFrame VlFrameOfCode(int code)
{
    if (code >= 1 && code <= 6)
        return VlFrame(code);
    return VlFrame::None;
}

QMargins VlFrameMargins(VlFrame frame)
{
    switch (frame) {
    case VlFrame::ThinInset:
    case VlFrame::ThinOutset:
        return QMargins(1, 1, 1, 1);
    case VlFrame::Field:
    case VlFrame::Outset:
    case VlFrame::Inset:
        return QMargins(2, 2, 2, 2);
    case VlFrame::Separators:
        return QMargins(2, 0, 2, 2);
    case VlFrame::InsetOutset:
        return QMargins(4, 4, 4, 4);
    case VlFrame::None:
        break;
    }
    return QMargins();
}

VlFrame VlFrameOf(const QWidget *control)
{
    if (!control)
        return VlFrame::None;
    const QVariant v = control->property(FrameProperty);
    if (!v.isValid())
        return VlFrame::None;
    return v.toInt() == int(VlFrame::InsetOutset) ? VlFrame::InsetOutset : VlFrameOfCode(v.toInt());
}

QMargins VlFrameMargins(const QWidget *control)
{
    return VlFrameMargins(VlFrameOf(control));
}

void VlSetFrame(QWidget *control, VlFrame frame)
{
    if (!control || VlFrameOf(control) == frame)
        return;
    const QMargins old = VlFrameMargins(control);
    control->setProperty(FrameProperty, int(frame));
    // A panel's children keep their place in its view.
    const QMargins now = VlFrameMargins(frame);
    const QPoint shift(now.left() - old.left(), now.top() - old.top());
    if (!shift.isNull() && control->inherits("VlPanel")) {
        for (QObject *o : control->children())
            if (QWidget *w = qobject_cast<QWidget *>(o); w && !w->isWindow())
                w->move(w->pos() + shift);
    }
    control->update();
}

COLORREF VlColorShadow()
{
    return FromQColor(ToQColor(VlColorFace()).darker(200));
}

COLORREF VlColorDkShadow()
{
    return FromQColor(ToQColor(VlColorFace()).darker(300));
}

COLORREF VlColorDisabled()
{
    return FromQColor(ToQColor(VlColorFace()).darker(160));
}

namespace {

// One ring of a frame: top and left in `tl`, bottom and right in `br`.
void ring(QPainter &p, const QRect &r, const QColor &tl, const QColor &br)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const int x0 = r.left(), y0 = r.top(), x1 = r.right(), y1 = r.bottom();
    p.fillRect(QRect(x0, y0, r.width(), 1), tl);
    p.fillRect(QRect(x0, y0, 1, r.height()), tl);
    p.fillRect(QRect(x0, y1, r.width(), 1), br);
    p.fillRect(QRect(x1, y0, 1, r.height()), br);
}

} // namespace

void VlPaintFrame(QPainter &p, const QRect &outer, VlFrame frame)
{
    const QColor light = ToQColor(VlColorLight());
    const QColor face = ToQColor(VlColorFace());
    const QColor shadow = ToQColor(VlColorShadow());
    const QColor dark = ToQColor(VlColorDkShadow());
    const QColor paper = ToQColor(VlColorPaper());
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    switch (frame) {
    case VlFrame::ThinInset:
        ring(p, outer, shadow, light);
        break;
    case VlFrame::ThinOutset:
        ring(p, outer, light, shadow);
        break;
    case VlFrame::Field:
        ring(p, outer, shadow, shadow);
        ring(p, inner, paper, paper);
        break;
    case VlFrame::Outset:
        ring(p, outer, light, dark);
        ring(p, inner, light.lighter(115), shadow);
        break;
    case VlFrame::Inset:
        ring(p, outer, shadow, light);
        ring(p, inner, dark, face);
        break;
    case VlFrame::InsetOutset:
        VlPaintFrame(p, outer, VlFrame::Inset);
        VlPaintFrame(p, outer.adjusted(2, 2, -2, -2), VlFrame::Outset);
        break;
    case VlFrame::Separators: {
        const int x0 = outer.left(), x1 = outer.right(), y1 = outer.bottom();
        const int h = outer.height();
        p.fillRect(QRect(x0, outer.top(), 1, h), shadow);
        p.fillRect(QRect(x0 + 1, outer.top(), 1, h), light);
        p.fillRect(QRect(x0, y1 - 1, outer.width(), 1), shadow);
        p.fillRect(QRect(x0, y1, outer.width(), 1), light);
        p.fillRect(QRect(x1 - 1, outer.top(), 1, h), shadow);
        p.fillRect(QRect(x1, outer.top(), 1, h), light);
        break;
    }
    case VlFrame::None:
        break;
    }
}
