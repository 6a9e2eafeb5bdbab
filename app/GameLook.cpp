#include "GameLook.h"

#include "VlButton.h"
#include "VlDesign.h"
#include "VlScale.h"
#include "VlText.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void PlaceTextButton(QWidget &parent, VlButton &b, int x, int y, int w, int h, const char *caption, Color ink)
{
    b.setParent(&parent);
    b.SetDesignRect(x, y, w, h);
    b.setText(QString::fromLatin1(caption));
    b.SetColors(ink, 0, Color(RGBColor(111, 44, 44)), Color(RGBColor(33, 66, 101)));
}

void PlaceText(QWidget &parent, VlText &t, int x, int y, int w, int h, const char *text, Qt::Alignment align,
               Color ink)
{
    t.setParent(&parent);
    t.SetDesignRect(x, y, w, h);
    t.SetText(QString::fromLatin1(text));
    t.SetAlign(align);
    if (ink != ColorNull) {
        t.SetInk(ink);
        t.ownInk = ink;
    }
}

QFont BoldFont()
{
    QFont f = VlFont;
    f.setBold(true);
    return f;
}

QFont BoldFont(int pixelHeight)
{
    QFont f = VlFontOfHeight(pixelHeight);
    f.setBold(true);
    return f;
}

QFont BoldUnderlinedFont()
{
    QFont f = BoldFont();
    f.setUnderline(true);
    return f;
}

bool PlainEnter(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) && held == 0;
}

QRect AvailableArea(const QWidget *widget)
{
    QScreen *screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

float FitLayoutScale(float wanted, const QSize &available, const std::function<QSize(float)> &sizeAt)
{
    const QSize room(available.width() - FrameRoomX, available.height() - FrameRoomY);
    for (float s = wanted; s > 1.0f; s -= 1.0f / 44.0f) {
        const QSize w = sizeAt(s);
        if (w.width() <= room.width() && w.height() <= room.height())
            return s;
    }
    return std::min(wanted, 1.0f);
}
