// Game type 1, the Jigsaw Cube: each face of the cube shows one picture cut
// into n x n pieces, scattered over the cells of that face. The player
// picks a piece on the front with the group joined to it and drops the
// group on another front box; a solved face, dragged, rotates the shape.
#pragma once

#include "TCube.h"

class TJigsaw : public TCube {
public:
    explicit TJigsaw(TSettings *settings);

    void Setup() override;
    void PaintShape(const QRect &board) override;
    bool Evaluate(bool force) override;
    QImage DragCursor(int x, int y, bool pressed, bool &moving) override;  // DragCursor.cpp
    bool ClickBox(int x, int y, bool right) override;
    void PaintDrag(int x, int y, QPainter &draw) override;
    void TurnBox(int dir) override;                                        // rotates the shape
    void RotateShape(int dir) override;
    void PaintInfo(QPainter &draw, int id) override;
    void ScrambleAround() override;                                        // nothing
    // The base body, then drops and the n x n pieces of each face. Boxes
    // turned apart from the first, or a face whose pieces are not each of
    // its home values once, are refused.
    bool LoadBody(QIODevice *file) override;
    bool SaveBody(QIODevice *file) override;

    // Builds `group` (with cellX, cellY and wholeFace) from the box with
    // that id: the piece in its cell and every piece joined to it.
    void PickGroup(int id);
    // Joins the neighbours of group cell [row][col] of face `face` whose
    // pieces lie beside it as their homes do; true when one joined.
    bool JoinNeighbours(int face, int row, int col, int homeRow, int homeCol);
    // Moves the picked group on the grid of face `face` by (dL, dR) and
    // refills the cells it leaves.
    void DropGroup(int face, int dL, int dR);

    // The value of the piece whose home is [row][col].
    static constexpr int Home(int row, int col) { return 10 * row + col; }
    // Does each face hold each of its n x n home values exactly once.
    static bool ValidPieces(const int pieces[6][8][8], int n);

    // Fields after those of TGame.
    int drops = 0;                  // group drops; Evaluate copies it into moves
    int grabX = 0;                  // where the current group was picked
    int grabY = 0;
    int piece[6][8][8] = {};        // [face][row][col]: home of the piece lying there
    int group[8][8] = {};           // picked group: piece + 100 in its cells, 0 elsewhere
    int cellX[8][8] = {};           // front square of the box showing a group cell
    int cellY[8][8] = {};
    bool wholeFace = false;         // the group covers the whole face
};
