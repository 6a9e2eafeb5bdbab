#include "TGame.h"

#include "BoardGeometry.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSettings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

TGame::TGame(TSettings *s) : settings(s) {}

std::unique_ptr<TGame> TGame::Make(int gameType, TSettings *settings)
{
    switch (gameType) {
    case 1: return std::unique_ptr<TGame>(new (std::nothrow) TJigsaw(settings));
    case 2: return std::unique_ptr<TGame>(new (std::nothrow) TCube(settings));
    case 3: return std::unique_ptr<TGame>(new (std::nothrow) TPyramid(settings));
    case 4: return std::unique_ptr<TGame>(new (std::nothrow) TRebukes(settings));
    default: return nullptr;
    }
}

TGame::~TGame() = default;

void TGame::Setup() { laidOut = false; }
void TGame::FitToRect(QRect &) {}
void TGame::PaintShape(const QRect &) {}
bool TGame::Evaluate(bool) { return false; }
QImage TGame::DragCursor(int, int, bool, bool &) { return QImage(); }
bool TGame::ClickBox(int, int, bool) { return false; }
bool TGame::LocateBox(int) { return false; }
void TGame::PaintDrag(int, int, QPainter &) {}
int TGame::PressRelease(int, int, bool) { return 0; }
void TGame::TurnBox(int) {}
void TGame::RotateShape(int) {}
void TGame::RotateLevel(int, int) {}
void TGame::PaintInfo(QPainter &, int) {}
void TGame::ScrambleAround() {}

bool TGame::DisorderRange(int gameType, int n, int &lowest, int &highest)
{
    if (!ValidGameType(gameType) || !ValidLevels(n))
        return false;
    if (gameType == 1) {
        lowest = 0;
        highest = 6 * n * n;
        return true;
    }
    // Boxes compared: the pyramid's level L has 4 L border boxes below the
    // apex, the cube its whole surface.
    const int C = gameType == 3 ? 2 * n * (n - 1) : n * n * n - (n - 2) * (n - 2) * (n - 2);
    const int K = std::min(24, C);
    highest = (K - 1) * (C - 1);
    lowest = -(K - 1) * (C - 1 + K);
    return true;
}

int TGame::ScoreValue(int64_t v)
{
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// ---- Shared helpers ----------------------------------------------------

bool TGame::StartShape(const QRect &board, int n, int minLevels)
{
    laidOut = n >= minLevels && n <= 8 && BoardGeometry::CanDraw(board, settings);
    return laidOut;
}

void TGame::PaintShownBox(const TBoxRec &b, int mask, int n, int level, float fx, float fy)
{
    settings->scratchBox = b;
    settings->PaintBox(mask, n, level, fx, fy);
    if (settings->scratchBox.id == selectedId)
        settings->OutlineBox(mask);
}

bool TGame::InFrontSquare(const TBoxRec &b, int px, int py) const
{
    if (!laidOut)
        return false;
    const int s = settings->boxSize;
    return b.x <= px && px <= b.x + s && b.y <= py && py <= b.y + s;
}

void TGame::TurnThroughScratch(TBoxRec &b, int dir)
{
    settings->scratchBox = b;
    settings->TurnScratchBox(dir);
    b = settings->scratchBox;
}

bool TGame::ToggleHit(int h, bool right)
{
    if (h == 0)
        return false;
    int &target = right ? infoId : selectedId;
    target = target == h ? 0 : h;
    return true;
}

int TGame::DragDirection(int x, int y) const
{
    const int dx = std::abs(x - pressX), dy = std::abs(y - pressY);
    if (dx <= 7 && dy <= 7)
        return 0;
    if (dx >= dy)
        return x > pressX ? DirRight : DirLeft;
    return y > pressY ? DirDown : DirUp;
}

int TGame::PressReleaseHit(int h, int x, int y, bool release)
{
    if (!release) {
        pressX = x;
        pressY = y;
        pressId = h;
        return 0;
    }
    int result = 0;
    if (h != 0 && pressId != 0) {
        const int dir = DragDirection(x, y);
        if (dir != 0) {
            const bool onSelected = h == selectedId;
            const bool fromSelected = pressId == selectedId;
            if (!onSelected && !fromSelected)
                result = dir + 10;
            else if (onSelected && fromSelected)
                result = dir;
            else
                result = 999;
        }
    }
    pressId = 0;
    return result;
}

void TGame::TurnLevelSlice(int L, int m, int dir, bool whole)
{
    if (dir != DirLeft && dir != DirRight)
        return;
    TBoxRec old[8][8];
    for (int r = 0; r <= m; ++r)
        for (int c = 0; c <= m; ++c)
            old[r][c] = box[L][r][c];
    int newBonus = bonusId[L], newBad = badId[L];
    for (int r = 0; r <= m; ++r)
        for (int c = 0; c <= m; ++c) {
            if (!whole && r != 0 && r != m && c != 0 && c != m)
                continue;
            const int nr = dir == DirLeft ? c : m - c;
            const int nc = dir == DirLeft ? m - r : r;
            const TBoxRec &from = old[r][c];
            const int newId = BoxId(L, nr, nc);
            if (from.id == bonusId[L])
                newBonus = newId;
            if (from.id == badId[L])
                newBad = newId;
            TBoxRec &to = box[L][nr][nc];
            to.front = from.front;
            to.left = from.left;
            to.top = from.top;
            TurnThroughScratch(to, dir);
        }
    bonusId[L] = newBonus;
    badId[L] = newBad;
}

void TGame::TurnRowSlice(int R, int dir, bool whole)
{
    if (dir != DirUp && dir != DirDown)
        return;
    const int m = levels - 1;
    TBoxRec old[8][8];
    for (int l = 0; l <= m; ++l)
        for (int c = 0; c <= m; ++c)
            old[l][c] = box[l][R][c];
    for (int l = 0; l <= m; ++l)
        for (int c = 0; c <= m; ++c) {
            if (!whole && l != 0 && l != m && c != 0 && c != m)
                continue;
            const int nl = dir == DirUp ? m - c : c;
            const int nc = dir == DirUp ? l : m - l;
            const TBoxRec &from = old[l][c];
            TBoxRec &to = box[nl][R][nc];
            to.front = from.front;
            to.left = from.left;
            to.top = from.top;
            TurnThroughScratch(to, dir);
        }
}

// ---- Evaluation --------------------------------------------------------

bool TGame::EvaluateBoxes(bool force, int n, const TBoxRec &reference,
                          const std::vector<TBoxRec *> &compared, TScoreFormula formula)
{
    const int rf = reference.front, rl = reference.left, rt = reference.top;
    int cells[6][6] = {};
    bool ordered = true;
    for (TBoxRec *b : compared) {
        if (b->front != rf || b->left != rl || b->top != rt) {
            if (force) {
                b->front = rf;
                b->left = rl;
                b->top = rt;
            } else {
                ordered = false;
            }
        }
        if (b->front >= 0 && b->front < 6 && b->left >= 0 && b->left < 6)
            ++cells[b->front][b->left];
    }

    int k = 0, S = 0, M = 0;
    for (auto &row : cells)
        for (int v : row) {
            if (v > 0)
                ++k;
            S += v;
            if (v > M)
                M = v;
        }
    const int avg = k == 0 ? 0 : int(float(S - M) / float(k) + 0.5f);

    int d = (k - 1) * (S - M);
    for (auto &row : cells)
        for (int v : row)
            if (v > 0 && v != M)
                d -= (k - 1) * std::abs(v - avg);
    RecordDisorder(d);

    if (moves > movesAtEval && k > 0) {
        const int64_t gained = int64_t(initialDisorder) - disorder;
        if (formula == TScoreFormula::Short) {
            movesAtEval = moves;
            score = ScoreValue((gained - moves) * (n - 2));
        } else {
            int64_t A = (int64_t(moves) - movesAtEval) * n;
            if (formula == TScoreFormula::Full) {
                if (settings->badBoxes)
                    A += 4;
                if (settings->bonusBoxes)
                    A -= 2;
            }
            movesAtEval = moves;
            score = ScoreValue((gained / k + A - moves) * (n - 2));
        }
    }
    return EvaluationResult(force, ordered);
}

void TGame::RecordDisorder(int d)
{
    previousDisorder = disorder;
    disorder = d;
    if (initialDisorder == 0)
        initialDisorder = disorder;
}

bool TGame::EvaluationResult(bool force, bool ordered)
{
    if (score < 0 || cheated)
        score = 0;
    if (force) {
        inOrder = true;
        score = 0;
        cheated = true;
        return false;
    }
    if (ordered && inOrder)
        return false;
    inOrder = ordered;
    return ordered;
}
