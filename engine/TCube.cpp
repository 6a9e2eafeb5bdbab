#include "TCube.h"

#include "BoxGrid.h"
#include "Random.h"
#include "TSettings.h"

#include <algorithm>

TCube::TCube(TSettings *s) : TGame(s) {}

void TCube::Setup()
{
    TGame::Setup();
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L) {
        const int b = Random(4 * n - 4);
        const int d = Random(4 * n - 5);
        int j = 0; // border boxes met before this one
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                TBoxRec &bx = box[L][r][c];
                bx.id = BoxId(L, r, c);
                bx.x = 0;
                bx.y = 0;
                if (r == 0 || r == n - 1 || c == 0 || c == n - 1) {
                    BoxGrid::MarkBorderBox(bx.id, j, b, d, bonusId[L], badId[L]);
                }
                RandomOrientation(bx);
            }
    }
}

bool TCube::LocateBox(int id)
{
    return BoxGrid::SplitId(id, curLevel, curRow, curCol) && curLevel <= 7 && curRow < 8 && curCol < 8;
}

int TCube::HitFront(int px, int py)
{
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            if (InFrontSquare(box[L][r][n - 1], px, py))
                return box[L][r][n - 1].id;
    return 0;
}

bool TCube::ClickBox(int x, int y, bool right)
{
    return ToggleHit(HitFront(x, y), right);
}

int TCube::PressRelease(int x, int y, bool release)
{
    return PressReleaseHit(HitFront(x, y), x, y, release);
}

void TCube::TurnBox(int dir)
{
    if (!LocateBox(selectedId))
        return;
    levels = settings->levels;
    const int n = levels;
    const int L = curLevel, R = curRow, C = curCol;
    TBoxRec &turned = box[L][R][C];
    TurnThroughScratch(turned, dir);
    CountUp(moves);
    if (settings->bonusBoxes && selectedId == bonusId[L]) {
        for (int l = std::max(L - 1, 0); l <= std::min(L + 1, n - 1); ++l)
            for (int r = std::max(R - 1, 0); r <= std::min(R + 1, n - 1); ++r) {
                TBoxRec &b = box[l][r][C];
                b.front = turned.front;
                b.left = turned.left;
                b.top = turned.top;
            }
    }
}

void TCube::ScrambleAround()
{
    if (!LocateBox(selectedId))
        return;
    levels = settings->levels;
    const int n = levels;
    const int L = curLevel, R = curRow, C = curCol;
    for (int l = std::max(L - 1, 0); l <= std::min(L + 1, n - 1); ++l)
        for (int r = std::max(R - 1, 0); r <= std::min(R + 1, n - 1); ++r)
            TurnThroughScratch(box[l][r][C], Random(4) + 1);
}

void TCube::TurnSlice(int k, int dir)
{
    const int m = levels - 1;
    if (dir == DirLeft || dir == DirRight)
        TurnLevelSlice(k, m, dir, k == 0 || k == m);
    else
        TurnRowSlice(k, dir, k == 0 || k == m);
}

void TCube::RotateShape(int dir)
{
    if (dir < DirLeft || dir > DirDown)
        return;
    levels = settings->levels;
    for (int k = 0; k < levels; ++k)
        TurnSlice(k, dir);
}

void TCube::RotateLevel(int number, int dir)
{
    levels = settings->levels;
    const int k = number - 1;
    if (k < 0 || k > levels - 1 || dir < DirLeft || dir > DirDown)
        return;
    CountUp(moves);
    TurnSlice(k, dir);
}

bool TCube::Evaluate(bool force)
{
    levels = settings->levels;
    const int n = levels;
    const TBoxRec reference = box[0][n - 1][n - 1];
    return EvaluateBoxes(force, n, reference, BoxGrid::SurfaceBoxes(box, n), TScoreFormula::Full);
}
