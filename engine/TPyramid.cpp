// The Jumbled Pyramid: setup, hit test, turns with the bonus block,
// rotations, evaluation, layout and drawing.
#include "TPyramid.h"

#include "BoxGrid.h"
#include "BoardGeometry.h"
#include "ShapePaint.h"
#include "Random.h"
#include "TSettings.h"

#include <algorithm>

using namespace BoardGeometry;

namespace {

bool IsBorder(int L, int r, int c)
{
    return r == 0 || r == L || c == 0 || c == L;
}

} // namespace

TPyramid::TPyramid(TSettings *s) : TGame(s) {}

void TPyramid::Setup()
{
    TGame::Setup();
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L) {
        int b = 0, d = 0;
        if (L >= 1) {
            b = Random(4 * L);
            d = Random(4 * L - 1);
        }
        int j = 0; // border boxes of the level met before this one
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c) {
                TBoxRec &bx = box[L][r][c];
                bx.id = BoxId(L, r, c);
                bx.x = 0;
                bx.y = 0;
                if (L >= 1 && IsBorder(L, r, c)) {
                    BoxGrid::MarkBorderBox(bx.id, j, b, d, bonusId[L], badId[L]);
                }
                RandomOrientation(bx);
            }
    }
}

bool TPyramid::LocateBox(int id)
{
    return BoxGrid::SplitId(id, curLevel, curRow, curCol) && curLevel <= 7 && curRow < 8 && curCol < 8;
}

int TPyramid::HitFront(int px, int py)
{
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r <= L; ++r)
            if (InFrontSquare(box[L][r][L], px, py))
                return box[L][r][L].id;
    return 0;
}

bool TPyramid::ClickBox(int x, int y, bool right)
{
    return ToggleHit(HitFront(x, y), right);
}

int TPyramid::PressRelease(int x, int y, bool release)
{
    return PressReleaseHit(HitFront(x, y), x, y, release);
}

bool TPyramid::LocateSelected()
{
    levels = settings->levels;
    return LocateBox(selectedId) && curLevel < levels && curRow <= curLevel && curCol <= curLevel;
}

std::vector<TBoxRec *> TPyramid::BonusBlock(int L, int R)
{
    levels = settings->levels;
    const int n = levels;
    std::vector<TBoxRec *> block;
    for (int i = std::max(L - 1, 0); i <= std::min(L + 1, n - 1); ++i) {
        const int k = i < L ? 0 : (i == L ? 1 : 2);
        for (int r = std::max(R - 1, 0); r <= std::min(i, R + k); ++r)
            block.push_back(&box[i][r][i]);
    }
    return block;
}

void TPyramid::TurnBox(int dir)
{
    if (!LocateSelected())
        return;
    const int L = curLevel, R = curRow, C = curCol;
    TBoxRec &turned = box[L][R][C];
    TurnThroughScratch(turned, dir);
    CountUp(moves);
    if (settings->bonusBoxes && selectedId == bonusId[L]) {
        for (TBoxRec *b : BonusBlock(L, R)) {
            b->front = turned.front;
            b->left = turned.left;
            b->top = turned.top;
        }
    }
}

void TPyramid::ScrambleAround()
{
    if (!LocateSelected())
        return;
    for (TBoxRec *b : BonusBlock(curLevel, curRow))
        TurnThroughScratch(*b, Random(4) + 1);
}

void TPyramid::RotateShape(int dir)
{
    if (dir < DirLeft || dir > DirDown)
        return;
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L) {
        if (dir == DirLeft || dir == DirRight) {
            TurnLevelSlice(L, L, dir, false);
        } else {
            for (int r = 0; r <= L; ++r)
                for (int c = 0; c <= L; ++c)
                    if (IsBorder(L, r, c))
                        TurnThroughScratch(box[L][r][c], dir);
        }
    }
}

void TPyramid::RotateLevel(int number, int dir)
{
    levels = settings->levels;
    if (number < 1 || number > levels || (dir != DirLeft && dir != DirRight))
        return;
    CountUp(moves);
    TurnLevelSlice(number - 1, number - 1, dir, false);
}

bool TPyramid::Evaluate(bool force)
{
    levels = settings->levels;
    const int n = levels;
    const TBoxRec reference = box[0][0][0];
    std::vector<TBoxRec *> compared;
    for (int L = 1; L < n; ++L)
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c)
                if (IsBorder(L, r, c))
                    compared.push_back(&box[L][r][c]);
    return EvaluateBoxes(force, n, reference, compared, TScoreFormula::Full);
}

void TPyramid::FitToRect(QRect &board)
{
    TSettings *st = settings;
    levels = st->levels;
    const int n = levels;
    if (n < 1 || !CanLayOut(board, st))
        return;
    const int w = board.width(), h = board.height();
    const float byHeight = float(double(h) / (double(n + 1) * 0.5 * double(st->topRatio) + double(n)));
    const float byWidth = float(w) / (float(n) * st->sideRatio + float(n));
    SetBoxGeometry(st, byHeight < byWidth ? byHeight : byWidth);
    CentreOn(board, w - n * (st->sideDepth + st->boxSize),
             h - (n + 1) * (st->topDepth / 2) - n * st->boxSize);
}

void TPyramid::PaintShape(const QRect &board)
{
    TSettings *st = settings;
    TShapePaint paint(*st);
    levels = st->levels;
    const int n = levels;
    if (!StartShape(board, n, 1))
        return;
    const int s = st->boxSize, d = st->sideDepth, e = st->topDepth;
    const QPoint corner = ShapeCorner(board, st, n);
    int X = corner.x();
    int Y = corner.y();
    for (int L = n - 1; L >= 0; --L) {
        const double g = double(n - L - 1) * 0.5;
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c) {
                if (!IsBorder(L, r, c))
                    continue;
                TBoxRec &b = box[L][r][c];
                b.x = X - r * s + c * d;
                b.y = Y + c * e;
                const int m = (c == L ? 4 : 0) + (r == L ? 2 : 0);
                int mask;
                if (m != 0)
                    mask = m + 1;  // the top of a front or left box shows on the step
                else
                    mask = (r == 0 && (c == L - 1 || c == L - 2)) ? 1 : 0;
                if (mask == 0)
                    continue;
                PaintShownBox(b, mask, n, L + 1, float((double(L - r) + g) / double(n)),
                              float((double(c) + g) / double(n)));
            }
        X -= (s - d) / 2;
        Y -= s - e / 2;
    }
}
