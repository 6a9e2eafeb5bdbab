#include "VlSlider.h"

#include "VlButton.h"
#include "VlHover.h"
#include "VlLook.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

VlSlider::VlSlider(QWidget *parent) : QAbstractSlider(parent)
{
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(10);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void VlSlider::Set(int v)
{
    const bool blocked = blockSignals(true);
    setValue(v);
    blockSignals(blocked);
    update();
}

template <class F>
void VlSlider::userChange(F change)
{
    const int before = value();
    change();
    if (value() != before)
        emit action();
    update();
}

int VlSlider::ThumbLength() const
{
    const int across = Vertical() ? width() : height();
    return std::max(7, across * 9 / 16) | 1;
}

QRect VlSlider::ThumbRect() const
{
    const int len = ThumbLength();
    const int pos = ThumbPos();
    if (Vertical())
        return QRect(1, height() - len - pos, width() - 2, len);
    return QRect(pos, 1, len, height() - 2);
}

int VlSlider::AlongOf(const QPoint &pt) const
{
    return Vertical() ? height() - 1 - pt.y() : pt.x();
}

int VlSlider::ThumbPos() const
{
    const int span = std::max(0, (Vertical() ? height() : width()) - ThumbLength());
    const int range = maximum() - minimum();
    return range > 0 ? int((long long)(value() - minimum()) * span / range) : 0;
}

int VlSlider::ValueAtPos(int pos) const
{
    const int span = std::max(1, (Vertical() ? height() : width()) - ThumbLength());
    pos = std::clamp(pos, 0, span);
    const long long range = (long long)maximum() - minimum();
    return minimum() + int((pos * range * 2 + span) / (2LL * span));
}

QSize VlSlider::sizeHint() const
{
    return Vertical() ? QSize(21, 100) : QSize(100, 21);
}

void VlSlider::resizeEvent(QResizeEvent *event)
{
    setOrientation(width() >= height() ? Qt::Horizontal : Qt::Vertical);
    QAbstractSlider::resizeEvent(event);
}

void VlSlider::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect thumb = ThumbRect();
    const int len = ThumbLength();

    // Groove: a sunken channel along the middle, the part below the value
    // filled in the highlight colour.
    const int gt = std::max(4, (Vertical() ? width() : height()) / 5);
    QRect groove;
    QRect filled;
    if (Vertical()) {
        groove = QRect((width() - gt) / 2, len / 2, gt, std::max(0, height() - len));
        filled = QRect(groove.left(), thumb.center().y(), gt, groove.bottom() - thumb.center().y() + 1);
    } else {
        groove = QRect(len / 2, (height() - gt) / 2, std::max(0, width() - len), gt);
        filled = QRect(groove.left(), groove.top(), thumb.center().x() - groove.left() + 1, gt);
    }
    const QColor shadow = ToQColor(VlColorShadow());
    const QColor light = ToQColor(VlColorLight());
    p.fillRect(groove, ToQColor(VlColorDkShadow()));
    if (isEnabled())
        p.fillRect(filled.intersected(groove), ToQColor(VlColorHighlight()));
    p.fillRect(QRect(groove.left(), groove.top(), groove.width(), 1), shadow.darker(130));
    p.fillRect(QRect(groove.left(), groove.top(), 1, groove.height()), shadow.darker(130));
    p.fillRect(QRect(groove.left(), groove.bottom(), groove.width(), 1), light);
    p.fillRect(QRect(groove.right(), groove.top(), 1, groove.height()), light);

    // Thumb: the normal button face.
    const int state = !isEnabled() ? 3 : dragging ? 2 : VlPointerOver(this) ? 1 : 0;
    VlHoverPainted(this, state == 1);
    VlPaintButtonLook(p, thumb, VlButtonLook::OfFace(VlButtonLook::NormalFace, state));
    // A grip line across the thumb.
    const QColor grip = ToQColor(VlColorHighlight());
    if (Vertical())
        p.fillRect(QRect(thumb.left() + 3, thumb.center().y(), std::max(0, thumb.width() - 6), 1), grip);
    else
        p.fillRect(QRect(thumb.center().x(), thumb.top() + 3, 1, std::max(0, thumb.height() - 6)), grip);

    if (hasFocus()) {
        QPen pen(ToQColor(VlColorText()), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void VlSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint pt = event->position().toPoint();
    if (ThumbRect().contains(pt)) {
        dragOffset = AlongOf(pt) - ThumbPos();
    } else {
        // The thumb jumps under the pointer and is dragged by its middle.
        dragOffset = ThumbLength() / 2;
        userChange([&] { setValue(ValueAtPos(AlongOf(pt) - dragOffset)); });
    }
    dragging = true;
    setSliderDown(true);
    event->accept();
    update();
}

void VlSlider::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pt = event->position().toPoint();
    if (dragging)
        userChange([&] { setValue(ValueAtPos(AlongOf(pt) - dragOffset)); });
    update();
    event->accept();
}

void VlSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragging) {
        dragging = false;
        setSliderDown(false);
        update();
    }
    event->accept();
}

void VlSlider::keyPressEvent(QKeyEvent *event)
{
    userChange([&] { QAbstractSlider::keyPressEvent(event); });
}

void VlSlider::wheelEvent(QWheelEvent *event)
{
    userChange([&] { QAbstractSlider::wheelEvent(event); });
}

void VlSlider::enterEvent(QEnterEvent *event)
{
    update();
    QAbstractSlider::enterEvent(event);
}

void VlSlider::leaveEvent(QEvent *event)
{
    update();
    QAbstractSlider::leaveEvent(event);
}
