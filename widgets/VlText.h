// The kit's static text: a label in its own ink, transparent until it is
// given a paper, with a design rectangle and a font-height increment.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QImage>
#include <QString>
#include <QWidget>

class VlText : public QWidget {
    Q_OBJECT
public:
    explicit VlText(QWidget *parent = nullptr);

    VlDesignRect designRect;
    int fontIncrement = 0;     // added to VlFontHeight when a panel rescales the text
    bool opaque = false;
    Color ownInk = 0xC0C0C0;
    Color paper = 0x000000;
    Color ownPaper = 0x000000;

    // Clears the transparent flag, makes the text opaque with this paper;
    // also the own paper when keep is true.
    void SetPaper(Color color, bool keep);
    void SetDesignRect(int x, int y, int width, int height);

    // The static text's own parts.
    void SetText(const QString &text);
    QString GetText() const { return label; }
    void SetInk(Color color);
    Color GetInk() const { return ink; }
    // Horizontal alignment: Qt::AlignLeft (the default), AlignHCenter or
    // AlignRight; the text is centred vertically.
    void SetAlign(Qt::Alignment align);
    Qt::Alignment GetAlign() const { return align; }
    void SetImage(const QImage &image);
    // Transparent: no background is painted.
    void SetTransparent(bool on);
    bool IsTransparent() const { return transparent; }
    void SetFrame(VlFrame frame) { VlSetFrame(this, frame); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString label;
    Color ink = 0;
    Qt::Alignment align = Qt::AlignLeft;
    QImage image;
    bool transparent = true;
};
