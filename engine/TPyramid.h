// Game type 3, the Jumbled Pyramid: a stepped pyramid whose level L holds
// (L + 1) x (L + 1) boxes; it plays like the Jumbled Cube on the boxes of
// its front face.
#pragma once

#include "TGame.h"

class TPyramid : public TGame {
public:
    explicit TPyramid(TSettings *settings);

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
    void RotateLevel(int number, int dir) override;
    void PaintInfo(QPainter &draw, int id) override;                       // InfoCard.cpp
    void ScrambleAround() override;

protected:
    // The first front-face box (L, r, L), level by level and row by row,
    // whose front square holds the point; its id, or 0 (also before the
    // boxes have been placed).
    int HitFront(int px, int py);

    // Finds the selected box (curLevel, curRow, curCol); false when none
    // is selected or its id names no box of the pyramid.
    bool LocateSelected();

    // The bonus block of the front-face box at (L, R), level by level and
    // row by row: levels L - 1 to L + 1, front-face rows R - 1 up to R
    // (above), R + 1 (beside) and R + 2 (below), clipped to the shape.
    std::vector<TBoxRec *> BonusBlock(int L, int R);
};
