#include "VlDrop.h"

#include "VlButton.h"
#include "VlHover.h"
#include "VlScale.h"
#include "VlLook.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Marks an entry that draws with the kit's item display.
constexpr int KitDisplayRole = Qt::UserRole + 1;

QString textOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    return value.toString();
}

void drawCellText(QPainter &p, const QRect &cell, const QString &text, const QFont &font, Color ink)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm(font);
    const int th = fm.height();
    const int dy = std::max(0, (cell.height() - th) / 2);
    p.setFont(font);
    p.setPen(ToQColor(uint32_t(ink)));
    p.drawText(QRect(cell.left(), cell.top() + dy, cell.width(), th),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

} // namespace

// ---- VlDisplay ----------------------------------------------------------------

VlDisplay::VlDisplay() : font(VlFont)
{
}

bool VlDisplay::UsesOwnColors(unsigned style) const
{
    if (!ownColors)
        return false;
    if (standardWhenSelected && (style & (Cursor | Select | ReadOnly)))
        return false;
    return true;
}

void VlDisplay::Paint(QPainter &p, const QRect &cell, const QVariant &value, Color listInk, Color listPaper,
                      unsigned style) const
{
    if (UsesOwnColors(style)) {
        PaintStandard(p, cell, value, ink, paper, font);
        return;
    }
    if (listPaper != ColorNull)
        p.fillRect(cell, ToQColor(uint32_t(listPaper)));
    drawCellText(p, cell, textOf(value), font, listInk);
}

void VlDisplay::PaintStandard(QPainter &p, const QRect &cell, const QVariant &value, Color ink, Color paper,
                              const QFont &font)
{
    if (paper != ColorNull) {
        const QRect area = p.hasClipping() ? p.clipBoundingRect().toAlignedRect() : cell;
        p.fillRect(area, ToQColor(uint32_t(paper)));
    }
    drawCellText(p, cell, textOf(value), font, ink);
}

// ---- The list's entries ----------------------------------------------------------

class VlDropItemDelegate : public QStyledItemDelegate {
public:
    explicit VlDropItemDelegate(VlDrop *drop) : QStyledItemDelegate(drop), drop(drop) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        const unsigned style = selected ? (VlDisplay::Cursor | VlDisplay::Select) : 0u;
        const Color ink = Color(selected ? 0xFFFFFFu : VlColorText());
        const Color paper = Color(selected ? VlColorHighlight() : VlColorPaper());
        const QRect row = option.rect;
        const QRect cell = row.adjusted(3, 0, 0, 0);
        const QVariant value = index.data(Qt::DisplayRole);
        painter->save();
        painter->setClipRect(row);
        if (index.data(KitDisplayRole).toBool())
            drop->itemDisplay.Paint(*painter, cell, value, ink, paper, style);
        else
            VlDisplay::PaintStandard(*painter, cell, value, ink, paper, drop->font());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QFont &f = index.data(KitDisplayRole).toBool() ? drop->itemDisplay.font : drop->font();
        const int w = QFontMetrics(f).horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 8;
        return QSize(std::max(w, option.rect.width()), drop->RowHeight());
    }

private:
    VlDrop *drop;
};

// ---- VlDrop ----------------------------------------------------------------------

VlDrop::VlDrop(QWidget *parent) : QComboBox(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);
    VlSetFrame(this, VlFrame::Field);
    setItemDelegate(new VlDropItemDelegate(this));
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { emit action(); });
}

void VlDrop::AddItem(int key, const QString &text)
{
    const bool blocked = blockSignals(true);
    const int shown = currentIndex();
    addItem(text, key);
    // Adding shows nothing new: a list that showed no entry still shows none.
    if (shown < 0)
        setCurrentIndex(-1);
    blockSignals(blocked);
    // Keys are meant to be the positions in the order of adding; a key
    // with no entry at that position gets nothing.
    if (key >= 0 && key < count())
        setItemData(key, true, KitDisplayRole);
    update();
}

void VlDrop::SetColors(Color ink, Color paper, const QFont &font)
{
    for (VlDisplay *d : {&valueDisplay, &itemDisplay}) {
        d->ink = d->ownInk = ink;
        d->paper = d->ownPaper = paper;
        d->font = font;
        d->ownColors = true;
    }
    valueInstalled = true;
    for (int i = 0; i < count(); ++i)
        setItemData(i, true, KitDisplayRole);
    update();
}

bool VlDrop::HasItemDisplay(int index) const
{
    return index >= 0 && index < count() && itemData(index, KitDisplayRole).toBool();
}

void VlDrop::SetIndex(int index)
{
    const bool blocked = blockSignals(true);
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    blockSignals(blocked);
    update();
}

int VlDrop::FindKey(int key) const
{
    for (int i = 0; i < count(); ++i) {
        const QVariant v = itemData(i);
        if (v.isValid() && v.toInt() == key)
            return i;
    }
    return -1;
}

int VlDrop::GetKey() const
{
    const int i = currentIndex();
    if (i < 0)
        return -1;
    return itemData(i).toInt();
}

void VlDrop::SetKey(int key)
{
    SetIndex(FindKey(key));
}

void VlDrop::ClearList()
{
    const bool blocked = blockSignals(true);
    clear();
    blockSignals(blocked);
    update();
}

void VlDrop::Remove(int index)
{
    const bool blocked = blockSignals(true);
    removeItem(index);
    blockSignals(blocked);
    update();
}

int VlDrop::RowHeight() const
{
    return rowHeight > 0 ? rowHeight : VlRowHeight(itemDisplay.font);
}

QRect VlDrop::ButtonRect() const
{
    const QRect view = rect().marginsRemoved(VlFrameMargins(this));
    const int bw = std::clamp(view.height(), 0, view.width() / 2);
    return QRect(view.right() + 1 - bw, view.top(), bw, view.height());
}

QRect VlDrop::ValueRect() const
{
    const QRect view = rect().marginsRemoved(VlFrameMargins(this));
    return QRect(view.left(), view.top(), view.width() - ButtonRect().width(), view.height());
}

QSize VlDrop::sizeHint() const
{
    const QFontMetrics fm(valueInstalled ? valueDisplay.font : font());
    int w = 40;
    for (int i = 0; i < count(); ++i)
        w = std::max(w, fm.horizontalAdvance(itemText(i)));
    const int h = fm.height() + 6;
    return QSize(w + h + 10, h);
}

void VlDrop::showPopup()
{
    // The list is at least as wide as the control and its rows as tall
    // as the row height.
    if (QAbstractItemView *v = view()) {
        v->setMinimumWidth(width());
        v->doItemsLayout();
    }
    QComboBox::showPopup();
    update();
}

void VlDrop::hidePopup()
{
    QComboBox::hidePopup();
    update();
}

QSize VlDrop::minimumSizeHint() const
{
    return QSize(16, 8);
}

void VlDrop::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    VlPaintFrame(p, rect(), VlFrameOf(this));

    const QRect valueRect = ValueRect();
    const QVariant value = currentIndex() >= 0 ? QVariant(currentText()) : QVariant();
    p.save();
    p.setClipRect(valueRect);
    const QRect cell = valueRect.adjusted(3, 0, 0, 0);
    const Color ink = Color(isEnabled() ? VlColorText() : VlColorDisabled());
    const Color paper = Color(VlColorPaper());
    if (valueInstalled)
        valueDisplay.Paint(p, cell, value, ink, paper, 0);
    else
        VlDisplay::PaintStandard(p, cell, value, ink, paper, font());
    p.restore();

    // The drop button: the edge button face with a down arrow.
    const QRect br = ButtonRect();
    if (br.isEmpty())
        return;
    const bool open = view() && view()->isVisible();
    const int state = !isEnabled() ? 3 : open ? 2 : VlPointerOver(this) ? 1 : 0;
    VlHoverPainted(this, state == 1);
    VlPaintButtonLook(p, br, VlButtonLook::OfFace(VlButtonLook::EdgeFace, state));

    const float aw = std::max(4.0f, float(br.width()) * 0.44f);
    const float ah = aw * 0.55f;
    const QPointF c = QRectF(br).center() + (state == 2 ? QPointF(1, 1) : QPointF(0, 0.5));
    QPainterPath arrow;
    arrow.moveTo(c.x() - aw / 2, c.y() - ah / 2);
    arrow.lineTo(c.x() + aw / 2, c.y() - ah / 2);
    arrow.lineTo(c.x(), c.y() + ah / 2);
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(isEnabled() ? VlColorText() : VlColorDisabled()));
    p.drawPath(arrow);
}

void VlDrop::enterEvent(QEnterEvent *event)
{
    update();
    QComboBox::enterEvent(event);
}

void VlDrop::leaveEvent(QEvent *event)
{
    update();
    QComboBox::leaveEvent(event);
}
