// The colour picker "Select Color": a colour ramp, a colour wheel, a
// palette of 18 x 14 fixed colours and red, green and blue fields with a
// swatch, all kept in step with the current colour. Select ends the run
// with code 1 and leaves the choice in `color`; Cancel ends it with code 2.
#pragma once

#include "ColorCtrls.h"
#include "VlButton.h"
#include "VlEdit.h"
#include "VlPanel.h"
#include "VlText.h"

#include <QDialog>
#include <QSize>

class QMouseEvent;
class QPaintEvent;

// The palette: cells with a grid, and a cross on the cell of chosenColor.
// A click on a cell picks its colour and hands the click to the owner.
class VCPBox : public VlPanel {
    Q_OBJECT
public:
    explicit VCPBox(QWidget *parent = nullptr);
    ~VCPBox() override;

    int cellSize = 12;
    int rows = 14;
    int columns = 18;
    Color lineColor = 0x000000;   // grid and cross
    Color chosenColor = 0x000000;
    bool picked = false;          // a cell was clicked; the owner has not taken it

    static constexpr int Rows = 14;
    static constexpr int Columns = 18;
    // The colour of cell i = row x 18 + column: the basic colours, a grey
    // row, then twelve rows of red across and green down, blue in four
    // quarters. All 252 cells differ.
    static COLORREF PaletteColor(int i);

    // The cell whose colour equals c (the last one when several would):
    // row x columns + column, or -1.
    int CrossCell(Color c) const;

    // A left press at a point of the palette.
    void LeftDown(const QPoint &point, QMouseEvent *event);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};

class VlColorPick : public QDialog {
    Q_OBJECT
public:
    explicit VlColorPick(Color start, QWidget *parent = nullptr);
    ~VlColorPick() override;

    // ---- Fields in order ---------------------------------------------------
    VCPBox palette;
    VlPanel editPanel;
    VlPanel buttonStrip;
    Color backgroundColor;
    Color color;                  // the current colour; the result after Select
    VlButton selectButton;
    VlButton cancelButton;
    VlText redLabel;
    VlText greenLabel;
    VlText blueLabel;
    VlEditNo redEdit;
    VlEditNo greenEdit;
    VlEditNo blueEdit;
    ColorRampCtrl ramp;
    ColorWheelCtrl wheel;
    VlPanel preview;              // shows color

    // The factor the layout was made with: VlScaleX, lowered when the
    // window would not fit the screen's available area.
    float layoutScale = 1.0f;

    // Shows color in the fields, ramp, wheel, swatch and the palette's cross.
    void UpdateColor();
    void OnRamp();
    void OnWheel();
    // A number field was edited: 0 red, 1 green, 2 blue.
    void OnRgbEdit(int channel);
    void OnSelect();
    // Takes the colour a palette click picked; a press anywhere else
    // changes nothing.
    void LeftDown(const QPoint &point);

    VlEditNo &Edit(int channel);

    // The window size of the layout at a factor: 3e + 36d by 3e + 28d with
    // the cell d = trunc(12 s + 0.5) and the margin e = trunc(8 s + 0.5).
    static QSize WindowSize(float s);
    // The largest factor, from `wanted` down in steps of 1/44 to no lower
    // than 1, whose window fits `available` less room for a frame (8 across)
    // and a title bar (40 down).
    static float FitScale(float wanted, const QSize &available);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void Layout(float s);
};
