#include "VlOpt.h"

#include "VlHover.h"
#include "VlScale.h"
#include "VlLook.h"
#include "VlSkinImage.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

VlOpt::VlOpt(QWidget *parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    connect(this, &QAbstractButton::clicked, this, [this] { emit action(); });
}

void VlOpt::Set(bool on)
{
    const bool blocked = blockSignals(true);
    setChecked(on);
    blockSignals(blocked);
    update();
}

void VlOpt::SetSwitch(bool on)
{
    switchStyle = on;
    updateGeometry();
    update();
}

int VlOpt::VisualState() const
{
    if (!isEnabled())
        return 3;
    if (isDown())
        return 2;
    if (VlPointerOver(this))
        return 1;
    return 0;
}

QImage VlOpt::FrameworkPicture(int state, bool checked, bool sw)
{
    const int w = 13, h = sw ? 12 : 13;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QColor paper = ToQColor(VlColorPaper());
    const QColor hi = ToQColor(VlColorHighlight());
    QColor rim = ToQColor(VlColorDkShadow());
    QColor top = paper.lighter(135), bottom = paper.lighter(112);
    QColor mark = hi.darker(170);
    switch (state) {
    case 1:
        rim = hi.darker(110);
        top = paper.lighter(150);
        bottom = paper.lighter(125);
        break;
    case 2:
        top = paper.darker(108);
        bottom = paper.lighter(105);
        rim = hi.darker(130);
        break;
    case 3:
        rim = ToQColor(VlColorShadow());
        top = bottom = ToQColor(VlColorFace());
        mark = ToQColor(VlColorShadow());
        break;
    default:
        break;
    }

    if (sw) {
        const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
        QRadialGradient g(r.center() - QPointF(1.5, 1.5), r.width() * 0.7);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setPen(QPen(rim, 1.0));
        p.setBrush(g);
        p.drawEllipse(r);
        if (checked) {
            p.setPen(Qt::NoPen);
            p.setBrush(mark);
            p.drawEllipse(r.center(), 2.6, 2.4);
        }
    } else {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setPen(QPen(rim, 1.0));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1.0, h - 1.0), 1.5, 1.5);
        if (checked) {
            QPainterPath tick;
            tick.moveTo(3.0, 6.6);
            tick.lineTo(5.4, 9.2);
            tick.lineTo(10.0, 3.6);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(mark, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(tick);
        }
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QSize VlOpt::ScaledPictureSize(const QSize &picture, bool sw)
{
    const float d = sw ? 12.0f : 13.0f;
    const float w = picture.width() > 0 ? float(picture.width()) : 13.0f;
    const float h = picture.height() > 0 ? float(picture.height()) : d;
    const int sw_ = int(13.0f / w * VlScaleX * w + 0.5f);
    const int sh_ = int(d / h * VlScaleX * h + 0.5f);
    return QSize(sw_, sh_);
}

QImage VlOpt::ScaledPicture() const
{
    const QImage base = FrameworkPicture(VisualState(), isChecked(), switchStyle);
    const QSize s = ScaledPictureSize(base.size(), switchStyle);
    if (s.width() <= 0 || s.height() <= 0)
        return QImage();
    const QImage resized = base.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               .scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return VlSharpen(resized, 100);
}

QSize VlOpt::sizeHint() const
{
    const QSize ps = ScaledPictureSize(QSize(13, switchStyle ? 12 : 13), switchStyle);
    const QSize ts = text().isEmpty() ? QSize(0, 0) : QFontMetrics(font()).size(0, text());
    return QSize(ps.width() + (text().isEmpty() ? 0 : 4 + ts.width() + 2), std::max(ps.height(), ts.height()) + 2);
}

void VlOpt::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    VlHoverPainted(this, VisualState() == 1);
    if (!transparent && paper != ColorNull)
        p.fillRect(rect(), ToQColor(uint32_t(paper)));
    QImage pic = ScaledPicture();
    // A layout fitted smaller than its scale (a dialog kept on the screen)
    // gives the control less height than the picture: the picture shrinks.
    if (pic.height() > height() && height() > 0)
        pic = pic.scaledToHeight(height(), Qt::SmoothTransformation);
    const int pw = pic.width(), ph = pic.height();
    const QString label = text();
    if (!label.isEmpty()) {
        const QFontMetrics fm(font());
        const QSize ls = fm.size(0, label);
        const int ly = (height() - ls.height()) / 2;
        p.drawImage(QPoint(0, ly + (ls.height() - ph) / 2), pic);
        p.setFont(font());
        p.setPen(ToQColor(uint32_t(isEnabled() ? ink : Color(VlColorDisabled()))));
        p.drawText(QRect(pw + 4, ly, ls.width(), ls.height()), Qt::AlignLeft | Qt::AlignTop, label);
        if (hasFocus()) {
            p.setClipRect(rect());
            QPen pen(ToQColor(VlColorText()), 1, Qt::DotLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(pw + 2, ly - 1, ls.width() + 3, ls.height() + 2).adjusted(0, 0, -1, -1));
        }
    } else {
        p.drawImage(QPoint((width() - pw) / 2, (height() - ph) / 2), pic);
    }
}

void VlOpt::enterEvent(QEnterEvent *event)
{
    update();
    QAbstractButton::enterEvent(event);
}

void VlOpt::leaveEvent(QEvent *event)
{
    update();
    QAbstractButton::leaveEvent(event);
}

void VlOpt::mouseMoveEvent(QMouseEvent *event)
{
    QAbstractButton::mouseMoveEvent(event);
    update();
}
