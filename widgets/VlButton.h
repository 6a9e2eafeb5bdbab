// The kit's push button: its own colours, a private button style rebuilt
// for the current look, a design rectangle and a picture chosen by the
// interface scale. It never takes the keyboard focus.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QString>

// What a button state shows under its label.
struct VlButtonLook {
    enum Kind {
        Colour,      // flat fill with `colour`
        Picture,     // `picture` stretched over the button ("Trans" lets the panel show)
        NormalFace,  // the normal button face in `state`
        EdgeFace,    // the edge button face in `state`
    };
    Kind kind = NormalFace;
    Color colour = 0;
    QImage picture;
    int state = 0;       // 0 normal, 1 hot, 2 pressed, 3 disabled
    COLORREF face = 0;   // system colours when the look was taken
    COLORREF light = 0;

    static VlButtonLook OfColour(Color c);
    static VlButtonLook OfPicture(const QImage &image);
    // A framework face (NormalFace or EdgeFace) in the system colours of now.
    static VlButtonLook OfFace(Kind kind, int state);
};

// A full button style: looks and text colours of the four states
// (normal, hot, pressed, disabled) and the rest of the style.
struct VlButtonStyle {
    enum { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };
    VlButtonLook look[4];
    Color textColor[4] = {0, 0, 0, 0};
    QPoint pressOffset{1, 1};    // label shift while pressed

    // The two standard button styles in the system colours of now.
    static VlButtonStyle StyleNormal();
    static VlButtonStyle StyleEdge();
};

// Paints one look over a rectangle.
void VlPaintButtonLook(QPainter &painter, const QRect &rect, const VlButtonLook &look);

class VlButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit VlButton(QWidget *parent = nullptr);
    ~VlButton() override;

    VlDesignRect designRect;
    int fontIncrement = 0;     // added to VlFontHeight when a panel rescales the button
    Color ink = 0xC0C0C0;      // text colour in every state
    Color ink2 = 0x000000;     // second ink: stored, not drawn
    Color face = 0x2C2C65;     // pressed look
    Color hot = 0x654221;      // look under the mouse
    Color third = 0x3838BC;    // pressed look of the looks "C" and "S"
    VlButtonStyle style;       // own style, installed

    // Stores the four colours, then applies the style of the current look.
    void SetColors(Color ink, Color ink2, Color face, Color hot);
    void SetDesignRect(int x, int y, int width, int height);
    // The picture of that name at the current scale (SkinImage's rules).
    // Mode 'W' installs it in full colour, any other mode as a monochrome
    // picture drawn in the text colour. An unknown name changes nothing.
    void SetSkinImage(const QString &name, char mode = 'W');
    void SetImage(const QImage &image, bool monochrome = false);
    const QImage &Image() const { return picture; }
    bool IsMonochrome() const { return monoPicture; }

    void ApplyStyleW();
    void ApplyStyleC();
    void ApplyStyleS();
    // ApplyStyleC for VlLook "C", ApplyStyleS for "S", else ApplyStyleW.
    void ApplyLookStyle();
    void SetStyle(const VlButtonStyle &s);

    // 0 normal, 1 hot, 2 pressed, 3 disabled; hot while the pointer is
    // over the button now (VlHover.h).
    int VisualState() const;

    QSize sizeHint() const override;

    // clicked() (QAbstractButton) is the button's action; it fires only
    // for the user's click. A button that comes under a still pointer (it
    // is shown or moved there, as "Save" replaces "Clear Scores") ignores
    // presses for the double-click interval: the second click of a double
    // click was not aimed at it.

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void NoteArrival();
    bool JustArrived() const;

    QImage picture;
    bool monoPicture = false;
    QElapsedTimer arrivedUnderPointer;   // invalid when it did not
};
