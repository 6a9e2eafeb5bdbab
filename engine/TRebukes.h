// Game type 4, the Rebukes Cube: every box in one common orientation,
// scrambled by slice turns; the player grabs a cell on the front, the left
// side or the top and drags it to turn its level, row slice or column
// slice. For an odd number of levels the middle slice never turns.
#pragma once

#include "TCube.h"

class TRebukes : public TCube {
public:
    explicit TRebukes(TSettings *settings);

    void Setup() override;
    bool Evaluate(bool force) override;                                    // short score formula
    QImage DragCursor(int x, int y, bool pressed, bool &moving) override;  // DragCursor.cpp
    bool ClickBox(int x, int y, bool right) override;
    void TurnBox(int dir) override;                                        // rotates the shape
    void ScrambleAround() override;                                        // nothing

    // A cell hit on one of the visible sides.
    struct TCell {
        int id = 0;       // the box, 0 when no cell was hit
        char face = 0;    // 'S' front, 'W' left side, 'U' top
        int a = 0;        // slice a horizontal drag turns (a level once the side faces front)
        int b = 0;        // slice a vertical drag turns (a row slice once the side faces front)
    };

    // Hit test over the cells: boxes level by level, row by row, column by
    // column; at each box the front, then the left, then the top rectangle,
    // each only when the box shows that side. Bounds are included. The
    // search counts with curLevel, curRow and curCol.
    TCell HitCell(int px, int py);

    // The middle slice for an odd number of levels n, (n - 1) / 2; -1 for
    // an even n.
    static int MiddleSlice(int n) { return n % 2 != 0 ? (n - 1) / 2 : -1; }

    // Fields after those of TGame. A grab is pending while selectedId is
    // not 0; a press or release on no cell clears the grab fields.
    int grabX = 0;
    int grabY = 0;
    int grabA = 0;
    int grabB = 0;
    char grabFace = 0;

private:
    void ClearGrab();
};
