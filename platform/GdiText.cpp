// Text: the covered part of the bitmap is copied into a top-down QImage,
// Qt draws the text there (over the real background, so smoothing blends
// with it), and the pixels are copied back.
#include "Gdi.h"

#include <QFontMetrics>
#include <QPainter>

namespace Gdi {

namespace {

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

} // namespace Gdi
