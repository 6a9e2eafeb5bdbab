// The intro scene: six practice boxes with tip cards.
#include "TSplash.h"

#include "BoxGrid.h"
#include "BoardGeometry.h"
#include "ShapePaint.h"
#include "Random.h"
#include "TSettings.h"

using namespace BoardGeometry;

TSplash::TSplash(TSettings *s) : TGame(s) {}

void TSplash::Setup()
{
    TGame::Setup();
    levels = 3;
    int front = Random(6);
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R) {
            TBoxRec &b = box[L][R][1];
            b.id = 100 * L + 10 * R + 101;
            b.x = 0;
            b.y = 0;
            front = (front + 1) % 6;
            b.front = front;
            b.left = RandomLeft(front);
            b.top = TopFace(b.front, b.left);
        }
}

bool TSplash::LocateBox(int id)
{
    return BoxGrid::SplitId(id, curLevel, curRow, curCol) && curLevel <= 7 && curRow < 8 && curCol == 1;
}

int TSplash::HitFront(int px, int py)
{
    levels = 3;
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R)
            if (InFrontSquare(box[L][R][1], px, py))
                return box[L][R][1].id;
    return 0;
}

bool TSplash::ClickBox(int x, int y, bool right)
{
    return ToggleHit(HitFront(x, y), right);
}

int TSplash::PressRelease(int x, int y, bool release)
{
    return PressReleaseHit(HitFront(x, y), x, y, release);
}

void TSplash::TurnBox(int dir)
{
    if (!LocateBox(selectedId))
        return;
    TurnThroughScratch(box[curLevel][curRow][curCol], dir);
    CountUp(moves);
}

void TSplash::RotateShape(int dir)
{
    if (dir < DirLeft || dir > DirDown)
        return;
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R)
            TurnThroughScratch(box[L][R][1], dir);
}

bool TSplash::Evaluate(bool force)
{
    levels = 3;
    const TBoxRec reference = LocateBox(selectedId) ? box[curLevel][curRow][curCol] : box[2][1][1];
    std::vector<TBoxRec *> compared;
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R)
            compared.push_back(&box[L][R][1]);
    return EvaluateBoxes(force, 3, reference, compared, TScoreFormula::NoSwitches);
}

void TSplash::FitToRect(QRect &board)
{
    TSettings *st = settings;
    levels = 3;
    if (!CanLayOut(board, st))
        return;
    const int w = board.width(), h = board.height();
    const float byHeight = float(h) / (3.0f * st->topRatio + 3.0f);
    const float byWidth = float(w) / (4.0f * st->sideRatio + 4.0f);
    SetBoxGeometry(st, byHeight < byWidth ? byHeight : byWidth);
    CentreOn(board, w - 4 * st->boxSize - st->sideDepth, h - 3 * st->boxSize - st->topDepth);
}

void TSplash::PaintShape(const QRect &board)
{
    TSettings *st = settings;
    TShapePaint paint(*st);
    levels = 3;
    if (!StartShape(board, levels, 1))
        return;
    const int s = st->boxSize;
    const int right = Right(board);
    int Y = Bottom(board) - s;
    for (int L = 2; L >= 0; --L) {
        for (int r = 0; r < 2; ++r) {
            const int k = L == 1 ? 3 * r : r + 1;
            const int mask = (r == 1 || L == 1) ? 7 : 5;
            TBoxRec &b = box[L][r][1];
            b.x = right - s - k * s;
            b.y = Y;
            PaintShownBox(b, mask, 3, L + 1, float(3 - r) * 0.25f, 1.0f / 3.0f);
        }
        Y -= s;
    }
}

void TSplash::TipLines(int level, int row, QString lines[3])
{
    static const char *const tips[3][2][3] = {
        {{"Click to select", "a box.  Right-click", "to open a box."},
         {"Welcome!  You can", "practice with these", "intro boxes."}},
        {{"Use Options to set", "Game configuration", "and box appearance"},
         {"Choose a Game Type", "and Levels.  Press", "New Game to begin."}},
        {{"Playing with higher", "Levs will increase", "Scores!"},
         {"Click & drag mouse", "to rotate puzzle or", "a selected box."}},
    };
    // Level 2, then level 1, then any other level; row 1 or any other row.
    const int l = level == 2 ? 2 : (level == 1 ? 1 : 0);
    const int r = row == 1 ? 1 : 0;
    for (int i = 0; i < 3; ++i)
        lines[i] = QString::fromLatin1(tips[l][r][i]);
}

void TSplash::PaintInfo(QPainter &draw, int id)
{
    if (!LocateBox(id))
        return;
    QString lines[3];
    TipLines(curLevel, curRow, lines);
    settings->infoLines.clear();
    for (const QString &line : lines)
        settings->infoLines.push_back(line);
    settings->scratchBox = box[curLevel][curRow][curCol];
    settings->PaintInfoCard(draw, selectedId, true);
}
