#include "GameLook.h"

#include "VlButton.h"
#include "VlDesign.h"
#include "VlScale.h"
#include "VlText.h"

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
