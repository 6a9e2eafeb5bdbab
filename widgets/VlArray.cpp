#include "VlArray.h"

#include "VlLook.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// The standard cell display: the row's paper and ink, the cell's font and
// alignment.
class ArrayCellDelegate : public QStyledItemDelegate {
public:
    explicit ArrayCellDelegate(VlArray *table) : QStyledItemDelegate(table), table(table) {}

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row();
        const bool selected = option.state & QStyle::State_Selected;
        Color paper = selected ? Color(VlColorHighlight()) : table->RowPaper(row);
        Color ink = selected ? Color(0xFFFFFF) : table->RowInk(row);
        if (paper == ColorNull)
            paper = Color(VlColorPaper());
        if (ink == ColorNull)
            ink = Color(VlColorText());
        const QVariant fg = index.data(Qt::ForegroundRole);
        if (!selected && fg.canConvert<QBrush>() && fg.value<QBrush>().style() != Qt::NoBrush)
            ink = Color(FromQColor(fg.value<QBrush>().color()));

        p->save();
        p->setClipRect(option.rect);
        p->fillRect(option.rect, ToQColor(uint32_t(paper)));
        const QVariant f = index.data(Qt::FontRole);
        const QFont font = f.isValid() ? f.value<QFont>() : table->font();
        const QVariant a = index.data(Qt::TextAlignmentRole);
        Qt::Alignment align = a.isValid() ? Qt::Alignment(a.toInt()) : (Qt::AlignLeft | Qt::AlignVCenter);
        if (!(align & Qt::AlignVertical_Mask))
            align |= Qt::AlignVCenter;
        p->setFont(font);
        p->setPen(ToQColor(uint32_t(ink)));
        p->drawText(option.rect.adjusted(3, 0, -3, 0), int(align) | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(table->RowHeight());
        return s;
    }

private:
    VlArray *table;
};

} // namespace

VlArray::VlArray(QWidget *parent) : QTableWidget(parent)
{
    setColumnCount(0);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setContextMenuPolicy(Qt::PreventContextMenu);
    horizontalHeader()->setMinimumSectionSize(4);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setWordWrap(false);
    setItemDelegate(new ArrayCellDelegate(this));
    // The font's line height until a panel rescales the table.
    SetRowHeight(VlRowHeight(font()));
}

int VlArray::AddColumn(const QString &label, int width)
{
    const int c = columnCount();
    setColumnCount(c + 1);
    auto *item = new QTableWidgetItem(label);
    setHorizontalHeaderItem(c, item);
    proportions.push_back(std::max(0, width));
    spreadColumns();
    return c;
}

void VlArray::OddRowColor(Color paper, Color ink)
{
    oddPaper = paper;
    oddInk = ink;
    viewport()->update();
}

void VlArray::EvenRowColor(Color paper, Color ink)
{
    evenPaper = paper;
    evenInk = ink;
    viewport()->update();
}

Color VlArray::RowPaper(int row) const
{
    return (row & 1) ? evenPaper : oddPaper;
}

Color VlArray::RowInk(int row) const
{
    return (row & 1) ? evenInk : oddInk;
}

int VlArray::AddRow(const QStringList &cells)
{
    const int r = rowCount();
    insertRow(r);
    for (int c = 0; c < columnCount() && c < cells.size(); ++c)
        setItem(r, c, new QTableWidgetItem(cells[c]));
    return r;
}

void VlArray::SetCell(int row, int column, const QString &text, const QFont &font, Qt::Alignment align)
{
    if (row < 0 || column < 0 || column >= columnCount())
        return;
    if (row >= rowCount())
        setRowCount(row + 1);
    auto *it = item(row, column);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, column, it);
    }
    it->setText(text);
    it->setFont(font);
    it->setTextAlignment(align);
}

QString VlArray::GetCell(int row, int column) const
{
    const QTableWidgetItem *it = item(row, column);
    return it ? it->text() : QString();
}

void VlArray::ClearRows()
{
    setRowCount(0);
}

void VlArray::SetRowHeight(int height)
{
    rowHeight = std::max(1, height);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    for (int r = 0; r < rowCount(); ++r)
        verticalHeader()->resizeSection(r, rowHeight);
}

void VlArray::SetHeaderFont(int column, const QFont &font)
{
    if (QTableWidgetItem *it = horizontalHeaderItem(column))
        it->setFont(font);
}

void VlArray::SetHeaderAlign(int column, Qt::Alignment align)
{
    if (QTableWidgetItem *it = horizontalHeaderItem(column))
        it->setTextAlignment(align | Qt::AlignVCenter);
}

void VlArray::spreadColumns()
{
    const int n = std::min<int>(columnCount(), int(proportions.size()));
    if (n == 0)
        return;
    long long sum = 0;
    for (int i = 0; i < n; ++i)
        sum += proportions[size_t(i)];
    const int total = viewport()->width();
    if (sum <= 0 || total <= 0)
        return;
    int used = 0;
    for (int i = 0; i < n; ++i) {
        const int w = i + 1 < n ? int(proportions[size_t(i)] * (long long)total / sum) : total - used;
        if (horizontalHeader()->sectionSize(i) != w)
            horizontalHeader()->resizeSection(i, w);
        used += w;
    }
}

void VlArray::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    spreadColumns();
}

void VlArray::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void VlArray::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void VlArray::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void VlArray::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
}
