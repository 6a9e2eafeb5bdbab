// Text: the covered part of the bitmap is copied into a top-down QImage,
// Qt draws the text there (over the real background, so smoothing blends
// with it), and the pixels are copied back.
#include "Gdi.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace Gdi {

namespace {

int QtFlags(uint32_t format)
{
    int f = 0;
    if (format & DT_CENTER)
        f |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        f |= Qt::AlignRight;
    else
        f |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            f |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            f |= Qt::AlignBottom;
        else
            f |= Qt::AlignTop;
    } else {
        f |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK)
        f |= Qt::TextWordWrap;
    return f;
}

QString Single(const QString &text, uint32_t format)
{
    if (!(format & DT_SINGLELINE))
        return text;
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t;
}

// Runs paint on the bitmap area `area` (picture coordinates); the painter's
// origin is the bitmap's top left.
template <class F>
void PaintArea(Bitmap *bmp, QRect area, F paint)
{
    area = area.intersected(QRect(0, 0, bmp->width, bmp->height));
    if (area.isEmpty())
        return;
    QImage img = ToQImage(bmp, area.x(), area.y(), area.width(), area.height());
    if (img.isNull())
        return;
    {
        QPainter p(&img);
        p.translate(-area.x(), -area.y());
        paint(p);
    }
    FromQImage(bmp, img, area.x(), area.y());
}

} // namespace

bool TextOutW(HDC dc, int x, int y, const QString &text)
{
    if (!dc)
        return false;
    if (!dc->bitmap || text.isEmpty())
        return true;
    const QFont &font = dc->font->qfont;
    QFontMetrics fm(font);
    const QRect cell(x, y, fm.horizontalAdvance(text), fm.height());
    // Glyphs may reach a little beyond the advance (italics, overhangs).
    const QRect area = cell.adjusted(-fm.height(), 0, fm.height(), 0);
    PaintArea(dc->bitmap, area, [&](QPainter &p) {
        if (dc->bkMode == OPAQUE)
            p.fillRect(cell, ToQColor(dc->bkColor));
        p.setFont(font);
        p.setPen(ToQColor(dc->textColor));
        p.drawText(QPoint(x, y + fm.ascent()), text);
    });
    return true;
}

int DrawTextW(HDC dc, const QString &text, RECT *rect, uint32_t format)
{
    if (!dc || !rect)
        return 0;
    const QFont &font = dc->font->qfont;
    QFontMetrics fm(font);
    const QString t = Single(text, format);
    const int flags = QtFlags(format);
    QRect r(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    const QRect bound = fm.boundingRect(format & DT_CALCRECT ? QRect(r.x(), r.y(), (format & DT_WORDBREAK) ? std::max(r.width(), 1) : 1 << 20, 1 << 20) : r,
                                        flags, t);
    if (format & DT_CALCRECT) {
        rect->right = rect->left + bound.width();
        rect->bottom = rect->top + bound.height();
        return bound.height();
    }
    if (!dc->bitmap || t.isEmpty())
        return bound.height();
    QRect area = (format & DT_NOCLIP) ? bound.adjusted(-fm.height(), 0, fm.height(), 0) : r;
    PaintArea(dc->bitmap, area, [&](QPainter &p) {
        if (!(format & DT_NOCLIP))
            p.setClipRect(r);
        if (dc->bkMode == OPAQUE)
            p.fillRect(bound, ToQColor(dc->bkColor));
        p.setFont(font);
        p.setPen(ToQColor(dc->textColor));
        p.drawText(r, flags, t);
    });
    return bound.height();
}

bool GetTextExtentPoint32W(HDC dc, const QString &text, SIZE *size)
{
    if (!dc || !size)
        return false;
    QFontMetrics fm(dc->font->qfont);
    size->cx = fm.horizontalAdvance(text);
    size->cy = fm.height();
    return true;
}

} // namespace Gdi
