// The kit's check box: the standard check-box picture sized by the
// interface scale, its label in the kit's ink, transparent by default.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QAbstractButton>
#include <QImage>

class VlOpt : public QAbstractButton {
    Q_OBJECT
public:
    explicit VlOpt(QWidget *parent = nullptr);

    VlDesignRect designRect;
    Color ink = 0xC0C0C0;
    Color ownInk = 0xC0C0C0;
    Color paper = 0x000000;
    bool transparent = true;

    void Set(bool on);           // no action
    bool Get() const { return isChecked(); }
    // Switch style: a round picture in place of the box.
    void SetSwitch(bool on);

    // 0 normal, 1 hot, 2 pressed, 3 disabled; hot while the pointer is
    // over the option now (VlHover.h).
    int VisualState() const;
    // The standard check-box picture: 13 x 13, or 13 x 12 for a switch.
    static QImage FrameworkPicture(int visualState, bool checked, bool switchStyle);
    // The picture as drawn: resized by VlScaleX and sharpened.
    QImage ScaledPicture() const;
    static QSize ScaledPictureSize(const QSize &picture, bool switchStyle);

    QSize sizeHint() const override;

signals:
    // The user toggled the option.
    void action();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool switchStyle = false;
};
