// The kit's slider: a QAbstractSlider with a design rectangle. It
// lies horizontally when it is at least as wide as it is high, else
// vertically (the minimum at the bottom). It takes the keyboard focus.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QAbstractSlider>

class VlSlider : public QAbstractSlider {
    Q_OBJECT
public:
    explicit VlSlider(QWidget *parent = nullptr);

    VlDesignRect designRect;

    void MinMax(int min, int max) { setRange(min, max); }
    int Get() const { return value(); }
    void Set(int v);           // no action

    // The thumb's rectangle for the current value.
    QRect ThumbRect() const;

    QSize sizeHint() const override;

signals:
    // The user moved the slider (mouse, keys or wheel).
    void action();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool Vertical() const { return orientation() == Qt::Vertical; }
    int ThumbLength() const;
    int AlongOf(const QPoint &point) const;   // from the minimum's end
    int ThumbPos() const;
    int ValueAtPos(int thumbPos) const;
    // Runs a change made for the user and reports it as an action.
    template <class F>
    void userChange(F change);

    bool dragging = false;
    int dragOffset = 0;
};
