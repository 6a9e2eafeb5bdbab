#include "TRebukes.h"

#include "BoxGrid.h"
#include "Random.h"
#include "TSettings.h"

#include <cstdlib>
#include <vector>

TRebukes::TRebukes(TSettings *s) : TCube(s) {}

void TRebukes::Setup()
{
    TGame::Setup();
    levels = settings->levels;
    const int n = levels;

    BoxGrid::FillUniform(box, n);

    // 88 turns of levels and row slices, never the middle slice.
    for (int i = 0; i < 88; ++i) {
        int k;
        if (n % 2 == 0) {
            k = Random(n) + 1;
        } else {
            k = Random(n - 1) + 1;
            if (k > n / 2)
                ++k;
        }
        const int dir = Random(4) + 1;
        RotateLevel(k, dir);
    }
    moves = 0;
}

bool TRebukes::Evaluate(bool force)
{
    levels = settings->levels;
    const int n = levels;
    const TBoxRec reference = box[0][n - 1][n - 1];
    return EvaluateBoxes(force, n, reference, BoxGrid::SurfaceBoxes(box, n), TScoreFormula::Short);
}

TRebukes::TCell TRebukes::HitCell(int px, int py)
{
    levels = settings->levels;
    const int n = levels;
    const int s = settings->boxSize;
    const int dx0 = settings->sideDepth;
    const int dy0 = settings->topDepth;
    TCell cell;
    if (!laidOut)
        return cell;
    for (curLevel = 0; curLevel < n; ++curLevel)
        for (curRow = 0; curRow < n; ++curRow)
            for (curCol = 0; curCol < n; ++curCol) {
                const TBoxRec &b = box[curLevel][curRow][curCol];
                const int x = b.x, y = b.y;
                if (curCol == n - 1 && x <= px && px <= x + s && y <= py && py <= y + s) {
                    cell.face = 'S';
                    cell.a = curLevel;
                    cell.b = curRow;
                } else if (curRow == n - 1 && x - dx0 <= px && px <= x
                           && y - dy0 <= py && py <= y - dy0 + s) {
                    cell.face = 'W';
                    cell.a = curLevel;
                    cell.b = n - 1 - curCol;
                } else if (curLevel == 0 && x - dx0 <= px && px <= x - dx0 + s
                           && y - dy0 <= py && py <= y) {
                    cell.face = 'U';
                    cell.a = curCol;
                    cell.b = curRow;
                } else {
                    continue;
                }
                cell.id = b.id;
                return cell;
            }
    return cell;
}

void TRebukes::ClearGrab()
{
    grabX = 0;
    grabY = 0;
    grabA = 0;
    grabB = 0;
    grabFace = 0;
}

bool TRebukes::ClickBox(int x, int y, bool right)
{
    levels = settings->levels;
    const int n = levels;
    const int m = MiddleSlice(n);

    const TCell cell = HitCell(x, y);
    if (cell.id == 0) {
        // A press or release on no cell ends any grab and leaves none
        // behind.
        selectedId = 0;
        ClearGrab();
        return false;
    }
    if (selectedId == 0) {
        grabFace = cell.face;
        grabA = cell.a;
        grabB = cell.b;
    }

    if (right) {
        if (cell.id == infoId)
            infoId = 0;
        else if (grabFace == 'S')
            infoId = cell.id;
        return true;
    }

    if (selectedId == 0) {
        selectedId = cell.id;
        grabX = x;
        grabY = y;
        return true;
    }

    // The release: the released box in the grab's terms.
    LocateBox(cell.id);
    int h, v;
    switch (grabFace) {
    case 'W':
        h = curLevel;
        v = n - 1 - curCol;
        break;
    case 'U':
        h = curCol;
        v = curRow;
        break;
    default:
        h = curLevel;
        v = curRow;
        break;
    }

    const int ddx = std::abs(x - grabX), ddy = std::abs(y - grabY);
    int number = 0, dir = 0;
    if (ddx > 11 || ddy > 11) {
        if (ddx >= ddy) {
            if (h == grabA && grabA != m) {
                dir = x > grabX ? DirRight : DirLeft;
                number = grabA + 1;
            }
        } else if (v == grabB && grabB != m) {
            dir = y > grabY ? DirDown : DirUp;
            number = grabB + 1;
        }
    }
    if (number != 0) {
        if (grabFace == 'W')
            RotateShape(DirRight);
        else if (grabFace == 'U')
            RotateShape(DirDown);
        RotateLevel(number, dir);
        if (grabFace == 'W')
            RotateShape(DirLeft);
        else if (grabFace == 'U')
            RotateShape(DirUp);
    }
    selectedId = 0;
    return true;
}

void TRebukes::TurnBox(int dir)
{
    RotateShape(dir);
}

void TRebukes::ScrambleAround() {}
