// The kit's table: QTableWidget with a header row, odd and even row
// colours, a design rectangle and no right-click menu. Column widths are
// proportions of the table's width, kept when it is resized.
#pragma once

#include "VlDrop.h"
#include "VlDesign.h"
#include "VlFrame.h"

#include <QStringList>
#include <QTableWidget>

#include <vector>

class VlArray : public QTableWidget {
    Q_OBJECT
public:
    explicit VlArray(QWidget *parent = nullptr);

    VlDesignRect designRect;
    Color ownPaper = ColorNull;
    Color ownInk = ColorNull;
    VlDisplay cellDisplay;   // made, but drawn by no column

    // Appends a column whose width is a proportion of the table's width.
    int AddColumn(const QString &label, int width);
    // Rows 1, 3, 5 ... (index 0, 2, 4 ...) are the odd rows, the others
    // the even rows. Null colours give the system paper and text.
    void OddRowColor(Color paper, Color ink);
    void EvenRowColor(Color paper, Color ink);
    Color RowPaper(int row) const;
    Color RowInk(int row) const;

    // Appends a row of text cells; returns its index.
    int AddRow(const QStringList &cells);
    // One cell's text with its own font and alignment.
    void SetCell(int row, int column, const QString &text, const QFont &font,
                 Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    QString GetCell(int row, int column) const;
    void ClearRows();

    void SetRowHeight(int height);
    int RowHeight() const { return rowHeight; }
    void SetHeaderFont(int column, const QFont &font);
    void SetHeaderAlign(int column, Qt::Alignment align);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void spreadColumns();

    std::vector<int> proportions;
    Color oddPaper = ColorNull, oddInk = ColorNull;
    Color evenPaper = ColorNull, evenInk = ColorNull;
    int rowHeight = 0;
};
