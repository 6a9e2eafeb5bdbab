#include "VlDesign.h"

#include "VlFrame.h"
#include "VlScale.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

int VlScaled(int32_t v, float factor)
{
    return int(float(v) * factor + 0.5f);
}

QRect VlDesignRect::Scaled() const
{
    return QRect(VlScaled(x, VlScaleX), VlScaled(y, VlScaleY), VlScaled(width, VlScaleX),
                 VlScaled(height, VlScaleY));
}

void VlSetRect(QWidget *control, const QRect &viewRect)
{
    if (!control)
        return;
    QRect r = viewRect;
    if (QWidget *parent = control->parentWidget()) {
        const QMargins m = VlFrameMargins(parent);
        r.translate(m.left(), m.top());
    }
    control->setGeometry(r);
}

QFont VlFontOfHeight(int pixelHeight)
{
    QFont f = VlFont;
    f.setPixelSize(std::max(1, pixelHeight));
    return f;
}

QFont VlFontWithIncrement(int increment)
{
    if (increment == 0)
        return VlFont;
    return VlFontOfHeight(VlFontHeight + increment);
}

int VlRowHeight(const QFont &font)
{
    const QFontMetrics fm(font);
    return fm.ascent() + fm.descent() + std::max(0, fm.leading());
}
