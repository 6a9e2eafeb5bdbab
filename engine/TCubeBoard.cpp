// Board geometry and shape drawing of the Jumbled Cube (also used by the
// Rebukes Cube, and for the layout by the Jigsaw Cube).
#include "TCube.h"

#include "BoardGeometry.h"
#include "ShapePaint.h"
#include "TSettings.h"

using namespace BoardGeometry;

void TCube::FitToRect(QRect &board)
{
    TSettings *st = settings;
    levels = st->levels;
    const int n = levels;
    if (n < 1 || !CanLayOut(board, st))
        return;
    const int w = board.width(), h = board.height();
    const float byHeight = float(h) / (float(n) * st->topRatio + float(n));
    const float byWidth = float(w) / (float(n) * st->sideRatio + float(n));
    SetBoxGeometry(st, byHeight < byWidth ? byHeight : byWidth);
    CentreOn(board, w - n * (st->sideDepth + st->boxSize), h - n * (st->topDepth + st->boxSize));
}

void TCube::PaintShape(const QRect &board)
{
    TSettings *st = settings;
    TShapePaint paint(*st);
    levels = st->levels;
    const int n = levels;
    if (!StartShape(board, n, 1))
        return;
    const int s = st->boxSize, d = st->sideDepth, e = st->topDepth;
    const QPoint corner = ShapeCorner(board, st, n);
    const int X = corner.x();
    int Y = corner.y();
    for (int L = n - 1; L >= 0; --L) {
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const int mask = (c == n - 1 ? 4 : 0) + (r == n - 1 ? 2 : 0) + (L == 0 ? 1 : 0);
                if (mask == 0)
                    continue;
                TBoxRec &b = box[L][r][c];
                b.x = X - r * s + c * d;
                b.y = Y + c * e;
                PaintShownBox(b, mask, n, L + 1, float(n - r - 1) / float(n), float(c) / float(n));
            }
        Y -= s;
    }
}
