// Game type 2, the Jumbled Cube: n x n x n boxes, the player turns single
// boxes of the front, rotates the whole shape or one level.
#pragma once

#include "TGame.h"

class TCube : public TGame {
public:
    explicit TCube(TSettings *settings);

    void Setup() override;
    void FitToRect(QRect &board) override;                                 // TCubeBoard.cpp
    void PaintShape(const QRect &board) override;                          // TCubeBoard.cpp
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
    // The first box of the front column, level by level and row by row,
    // whose front square holds the point; its id, or 0.
    int HitFront(int px, int py);

    // One slice of RotateShape / RotateLevel: level k for dir 1 or 2 (ids
    // carried), row slice k for dir 3 or 4.
    void TurnSlice(int k, int dir);
};
