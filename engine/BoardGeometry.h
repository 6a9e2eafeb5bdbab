// Layout arithmetic shared by the game objects' FitToRect and PaintShape.
// Rectangles are QRect used as left, top, right, bottom with right and
// bottom exclusive (right = x + width).
#pragma once

#include "TSettings.h"

#include <QPoint>
#include <QRect>

namespace BoardGeometry {

inline int Right(const QRect &r) { return r.x() + r.width(); }
inline int Bottom(const QRect &r) { return r.y() + r.height(); }

// The perspective ratios a layout takes, 0 to 0.5; false for NaN too.
inline bool ValidRatio(float r) { return r >= 0.0f && r <= 0.5f; }

// Can a shape be laid out in the board: a size above 0 and both ratios
// valid. Anything else lays nothing out.
inline bool CanLayOut(const QRect &board, const TSettings *st)
{
    return board.width() > 0 && board.height() > 0 && ValidRatio(st->sideRatio)
           && ValidRatio(st->topRatio);
}

// Can the shape be drawn: the board can be laid out and the boxes have a
// size.
inline bool CanDraw(const QRect &board, const TSettings *st)
{
    return CanLayOut(board, st) && st->boxSize > 0;
}

// The front square's corner of the box in row 0, column 0 of the bottom
// level of n: with one side depth and one top depth per column, the box in
// column n - 1 then ends at the board's right and bottom edges.
inline QPoint ShapeCorner(const QRect &board, const TSettings *st, int n)
{
    return QPoint(Right(board) - (n - 1) * st->sideDepth - st->boxSize,
                  Bottom(board) - (n - 1) * st->topDepth - st->boxSize);
}

// Box size and the two depths from the float size s: the box size
// truncated and made even downward, each depth rounded and made even
// upward.
inline void SetBoxGeometry(TSettings *st, float s)
{
    int size = int(s);
    if (size % 2 != 0)
        size -= 1;
    int side = int(s * st->sideRatio + 0.5f);
    if (side % 2 != 0)
        side += 1;
    int top = int(s * st->topRatio + 0.5f);
    if (top % 2 != 0)
        top += 1;
    st->boxSize = size;
    st->sideDepth = side;
    st->topDepth = top;
}

// Moves the board's edges inward by half of a positive slack.
inline void CentreOn(QRect &board, int slackX, int slackY)
{
    if (slackX > 0)
        board.adjust(slackX / 2, 0, -(slackX / 2), 0);
    if (slackY > 0)
        board.adjust(0, slackY / 2, 0, -(slackY / 2));
}

} // namespace BoardGeometry
