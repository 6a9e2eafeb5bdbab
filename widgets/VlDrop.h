// The kit's cell painter (VlDisplay) and drop list (VlDrop). A drop list
// has two displays of its own: the value display for the closed control
// and the item display for the entries of its list. Until SetColors and
// AddItem install them, the standard display draws both.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QComboBox>
#include <QFont>
#include <QString>
#include <QVariant>

class QPainter;

class VlDisplay {
public:
    // Style flags of an entry.
    enum { Cursor = 1, Select = 2, ReadOnly = 4 };

    Color ink = 0xC0C0C0;
    Color paper = 0x000000;
    Color ownInk = 0xC0C0C0;
    Color ownPaper = 0x000000;
    QFont font;
    bool ownColors = false;
    bool standardWhenSelected = true;

    VlDisplay();
    virtual ~VlDisplay() = default;

    // Whether an entry of this style is drawn in the display's own colours.
    bool UsesOwnColors(unsigned style) const;
    // Fills the painter's clip (the cell when there is none) with the
    // paper, then draws the value as text from the cell's left edge,
    // centred vertically, in the ink. ink and paper are the list's.
    virtual void Paint(QPainter &painter, const QRect &cell, const QVariant &value, Color ink, Color paper,
                       unsigned style) const;
    // The standard display: the list's colours and the font.
    static void PaintStandard(QPainter &painter, const QRect &cell, const QVariant &value, Color ink, Color paper,
                              const QFont &font);
};

class VlDrop : public QComboBox {
    Q_OBJECT
public:
    explicit VlDrop(QWidget *parent = nullptr);

    VlDesignRect designRect;
    VlDisplay valueDisplay;
    VlDisplay itemDisplay;

    // Appends an entry with that key and text, then gives the entry at
    // position key the item display (nothing when there is no such entry).
    void AddItem(int key, const QString &text);
    // Both displays take the colours and the font, own colours on; the
    // value display is installed, and the item display for every entry.
    void SetColors(Color ink, Color paper, const QFont &font);

    bool IsValueDisplayInstalled() const { return valueInstalled; }
    bool HasItemDisplay(int index) const;
    void SetFrame(VlFrame frame) { VlSetFrame(this, frame); }

    // Entries and selection; selecting in code runs no action.
    int GetCount() const { return count(); }
    int GetIndex() const { return currentIndex(); }
    void SetIndex(int index);
    // Key of the shown entry, -1 when none is shown.
    int GetKey() const;
    // Shows the first entry with that key; none when no entry has it.
    void SetKey(int key);
    int FindKey(int key) const;
    QString GetText(int index) const { return itemText(index); }
    void ClearList();
    void Remove(int index);

    // Row height of the list: ascent + descent + leading of the kit font
    // when a panel rescaled the drop list, else of the item display's font.
    int rowHeight = 0;
    int RowHeight() const;

    // Where the closed control draws its value, and its button.
    QRect ValueRect() const;
    QRect ButtonRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;
    void hidePopup() override;

signals:
    // The user picked an entry (click in the list or the wheel).
    void action();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool valueInstalled = false;
};
