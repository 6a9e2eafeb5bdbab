#include "VlText.h"

#include "VlLook.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

VlText::VlText(QWidget *parent) : QWidget(parent)
{
    ink = Color(VlColorLabel());
    SetInk(0xC0C0C0);
}

void VlText::SetPaper(Color color, bool keep)
{
    transparent = false;
    opaque = true;
    paper = color;
    if (keep)
        ownPaper = color;
    update();
}

void VlText::SetDesignRect(int x, int y, int width, int height)
{
    VlSetDesignRect(*this, x, y, width, height);
}

void VlText::SetText(const QString &text)
{
    if (label == text)
        return;
    label = text;
    updateGeometry();
    update();
}

void VlText::SetInk(Color color)
{
    ink = color;
    update();
}

void VlText::SetAlign(Qt::Alignment a)
{
    align = a & Qt::AlignHorizontal_Mask;
    update();
}

void VlText::SetImage(const QImage &img)
{
    image = img;
    updateGeometry();
    update();
}

void VlText::SetTransparent(bool on)
{
    transparent = on;
    update();
}

QSize VlText::sizeHint() const
{
    const QSize t = QFontMetrics(font()).size(0, label);
    const QMargins m = VlFrameMargins(this);
    return QSize(image.width() + (image.isNull() ? 0 : 2) + t.width() + m.left() + m.right(),
                 std::max(image.height(), t.height()) + m.top() + m.bottom());
}

void VlText::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect view = rect().marginsRemoved(VlFrameMargins(this));
    if (!transparent && paper != ColorNull)
        p.fillRect(view, ToQColor(uint32_t(paper)));
    VlPaintFrame(p, rect(), VlFrameOf(this));
    p.setClipRect(view);

    // Picture left of the text; the pair placed by the alignment and
    // centred vertically.
    const QFontMetrics fm(font());
    const QSize ts = label.isEmpty() ? QSize(0, 0) : fm.size(0, label);
    const int gap = (!image.isNull() && !label.isEmpty()) ? 2 : 0;
    const int cw = image.width() + gap + ts.width();
    int x = view.left();
    if (align & Qt::AlignRight)
        x = view.right() + 1 - cw;
    else if (align & Qt::AlignHCenter)
        x = view.left() + (view.width() - cw) / 2;
    const int midY = view.top() + view.height() / 2;
    if (!image.isNull()) {
        QImage img = image;
        if (!isEnabled()) {
            img = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
                for (int i = 0; i < img.width(); ++i) {
                    const int g = qGray(row[i]) / 2 + 64;
                    row[i] = qRgba(g, g, g, qAlpha(row[i]) / 2);
                }
            }
        }
        p.drawImage(QPoint(x, midY - image.height() / 2), img);
        x += image.width() + gap;
    }
    if (!label.isEmpty()) {
        const Color c = isEnabled() ? ink : Color(VlColorDisabled());
        p.setFont(font());
        p.setPen(ToQColor(uint32_t(c)));
        const int ty = view.top() + (view.height() - ts.height()) / 2;
        const int lineAlign = (align & Qt::AlignRight) ? Qt::AlignRight
                              : (align & Qt::AlignHCenter) ? Qt::AlignHCenter
                                                           : Qt::AlignLeft;
        p.drawText(QRect(x, ty, ts.width(), ts.height()), lineAlign | Qt::AlignTop, label);
    }
}
