// The intro scene: six practice boxes in column 1, three levels of two,
// each showing a different face to the front, with tip cards.
#pragma once

#include "TGame.h"

#include <QString>

class TSplash : public TGame {
public:
    explicit TSplash(TSettings *settings);

    void Setup() override;
    void FitToRect(QRect &board) override;
    void PaintShape(const QRect &board) override;
    bool Evaluate(bool force) override;
    QImage DragCursor(int x, int y, bool pressed, bool &moving) override;  // DragCursor.cpp
    bool ClickBox(int x, int y, bool right) override;
    bool LocateBox(int id) override;
    int PressRelease(int x, int y, bool release) override;
    void TurnBox(int dir) override;
    void RotateShape(int dir) override;
    void PaintInfo(QPainter &draw, int id) override;

    // The three tip lines of the card of the box at (level, row).
    static void TipLines(int level, int row, QString lines[3]);

protected:
    // The first of the six boxes (level 0..2, row 0..1) whose front square
    // holds the point; its id, or 0 (also before the boxes have been
    // placed).
    int HitFront(int px, int py);
};
