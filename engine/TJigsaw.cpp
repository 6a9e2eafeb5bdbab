#include "TJigsaw.h"

#include "BoxGrid.h"
#include "BoardGeometry.h"
#include "ShapePaint.h"
#include "GameFile.h"
#include "Random.h"
#include "TSettings.h"
#include "VlScale.h"

#include <QPainter>

#include <memory>

namespace {

// Forces the picture switches the Jigsaw draws with and puts back the
// values it found, whichever way the drawing ends.
class TForcedPictureFlags {
public:
    explicit TForcedPictureFlags(TSettings &s)
        : s(s), useBoxImages(s.useBoxImages), spanImages(s.spanImages), rotateImages(s.rotateImages)
    {
        s.useBoxImages = true;
        s.spanImages = true;
        s.rotateImages = false;
    }
    ~TForcedPictureFlags()
    {
        s.useBoxImages = useBoxImages;
        s.spanImages = spanImages;
        s.rotateImages = rotateImages;
    }
    TForcedPictureFlags(const TForcedPictureFlags &) = delete;
    TForcedPictureFlags &operator=(const TForcedPictureFlags &) = delete;

private:
    TSettings &s;
    bool useBoxImages, spanImages, rotateImages;
};

bool OnGrid(int i, int k, int n)
{
    return i >= 0 && i < n && k >= 0 && k < n;
}

} // namespace

TJigsaw::TJigsaw(TSettings *s) : TCube(s) {}

void TJigsaw::Setup()
{
    TGame::Setup();
    wholeFace = false;
    levels = settings->levels;
    const int n = levels;
    drops = 0;

    BoxGrid::FillUniform(box, n);

    // Scatter the pieces of each face over its cells.
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                piece[f][i][k] = -1;
        int m = n * n;
        for (int hr = 0; hr < n; ++hr)
            for (int hc = 0; hc < n; ++hc) {
                int r = Random(m);
                bool placed = false;
                for (int i = 0; i < n && !placed; ++i)
                    for (int k = 0; k < n && !placed; ++k) {
                        if (piece[f][i][k] != -1)
                            continue;
                        if (r == 0) {
                            piece[f][i][k] = Home(hr, hc);
                            placed = true;
                        } else {
                            --r;
                        }
                    }
                --m;
            }
    }
}

void TJigsaw::PaintShape(const QRect &board)
{
    TForcedPictureFlags forced(*settings);
    TShapePaint paint(*settings);
    levels = settings->levels;
    const int n = levels;
    if (!StartShape(board, n, 2))
        return;
    const int s = settings->boxSize;
    const int d = settings->sideDepth;
    const int e = settings->topDepth;
    const QPoint corner = BoardGeometry::ShapeCorner(board, settings, n);
    const int X = corner.x();
    int Y = corner.y();
    const float fn = float(n);

    for (int L = n - 1; L >= 0; --L) {
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                TBoxRec &b = box[L][r][c];
                b.x = X - r * s + c * d;
                b.y = Y + c * e;
                if (c == n - 1) {
                    const int p = piece[b.front][L][r];
                    const int hr = p / 10, hc = p % 10;
                    settings->scratchBox = b;
                    settings->PaintBox(4, n, hr + 1, float(n - 1 - hc) / fn, float(n - 1 - hc) / fn);
                }
                if (r == n - 1) {
                    const int p = piece[b.left][L][n - 1 - c];
                    const int hr = p / 10, hc = p % 10;
                    settings->scratchBox = b;
                    settings->PaintBox(2, n, hr + 1, float(hc) / fn, float(n - 1 - hc) / fn);
                }
                if (L == 0) {
                    const int p = piece[b.top][c][r];
                    const int hr = p / 10, hc = p % 10;
                    settings->scratchBox = b;
                    settings->PaintBox(1, n, hr + 1, float(n - 1 - hc) / fn, float(hr) / fn);
                }
            }
        Y -= s;
    }
}

bool TJigsaw::Evaluate(bool force)
{
    levels = settings->levels;
    const int n = levels;
    int misplaced = 0;
    auto check = [&](int f, int i, int k) {
        if (piece[f][i][k] == Home(i, k))
            return;
        if (force)
            piece[f][i][k] = Home(i, k);
        else
            ++misplaced;
    };
    for (int L = 0; L < n; ++L)
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C) {
                const TBoxRec &b = box[L][R][C];
                if (L == 0)
                    check(b.top, C, R);
                if (L == n - 1)
                    check(5 - b.top, C, R);
                if (R == 0)
                    check(5 - b.left, L, n - 1 - C);
                if (R == n - 1)
                    check(b.left, L, n - 1 - C);
                if (C == 0)
                    check(5 - b.front, L, R);
                if (C == n - 1)
                    check(b.front, L, R);
            }

    RecordDisorder(misplaced);
    moves = drops;
    score = ScoreValue((int64_t(initialDisorder) - disorder) * n - drops);
    return EvaluationResult(force, misplaced == 0);
}

bool TJigsaw::ClickBox(int x, int y, bool right)
{
    levels = settings->levels;
    const int hit = HitFront(x, y);
    if (hit == 0)
        return false;

    if (right)
        return ToggleHit(hit, true);

    if (selectedId == 0) {
        selectedId = hit;
        grabX = pressX = x;
        grabY = pressY = y;
        PickGroup(hit);
        return true;
    }

    if (wholeFace) {
        if (const int dir = DragDirection(x, y))
            RotateShape(dir);
    } else if (hit != selectedId && LocateBox(hit)) {
        const int tL = curLevel, tR = curRow;
        if (LocateBox(selectedId)) {
            const int sL = curLevel, sR = curRow, C = curCol;
            const int F = box[sL][sR][C].front;
            DropGroup(F, tL - sL, tR - sR);
            CountUp(drops);
        }
    }
    selectedId = 0;
    return true;
}

void TJigsaw::PickGroup(int id)
{
    wholeFace = false;
    for (auto &row : group)
        for (int &v : row)
            v = 0;
    if (!LocateBox(id))
        return;
    levels = settings->levels;
    const int n = levels;
    const int L = curLevel, R = curRow;
    const TBoxRec &b = box[L][R][curCol];
    const int F = b.front;
    group[L][R] = piece[F][L][R] + 100;
    cellX[L][R] = b.x;
    cellY[L][R] = b.y;

    bool joined = true;
    while (joined) {
        joined = false;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                if (group[i][k] > 0) {
                    const int p = piece[F][i][k];
                    if (JoinNeighbours(F, i, k, p / 10, p % 10))
                        joined = true;
                }
    }

    wholeFace = true;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k)
            if (group[i][k] == 0)
                wholeFace = false;
}

bool TJigsaw::JoinNeighbours(int f, int i, int k, int hr, int hc)
{
    levels = settings->levels;
    const int n = levels;
    bool joined = false;
    auto tryJoin = [&](int a, int b, int wantRow, int wantCol) {
        if (!OnGrid(a, b, n) || group[a][b] != 0)
            return;
        const int q = piece[f][a][b];
        if (q / 10 != wantRow || q % 10 != wantCol)
            return;
        group[a][b] = q + 100;
        cellX[a][b] = box[a][b][n - 1].x;
        cellY[a][b] = box[a][b][n - 1].y;
        joined = true;
    };
    tryJoin(i, k - 1, hr, hc - 1);
    tryJoin(i, k + 1, hr, hc + 1);
    tryJoin(i - 1, k, hr - 1, hc);
    tryJoin(i + 1, k, hr + 1, hc);
    return joined;
}

void TJigsaw::DropGroup(int F, int dL, int dR)
{
    levels = settings->levels;
    const int n = levels;
    if (!ValidLevels(n) || F < 0 || F > 5 || (dL == 0 && dR == 0))
        return;

    // Move: every group piece goes to its target; a displaced piece waits
    // in the cell the group piece came from.
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            if (group[i][k] <= 0)
                continue;
            const int ti = i + dL, tk = k + dR;
            if (!OnGrid(ti, tk, n))
                continue;
            const int u = piece[F][ti][tk];
            piece[F][ti][tk] = group[i][k] - 100;
            group[i][k] = group[ti][tk] != 0 ? -1 : u + 100;
        }

    // Refill: waiting pieces pass backward along the offset through group
    // cells until they reach a cell the group left empty. Every chain
    // leaves the group within n steps; the bound only guards the loop.
    for (int pass = 0; pass <= 2 * 8 * 8; ++pass) {
        int counted = 0;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) {
                const int w = group[i][k];
                if (w <= 0)
                    continue;
                const int si = i - dL, sk = k - dR;
                if (OnGrid(si, sk, n) && group[si][sk] < 0) {
                    group[si][sk] = w;
                    group[i][k] = 0;
                    ++counted;
                } else if (OnGrid(si, sk, n) && group[si][sk] > 0) {
                    ++counted;
                } else {
                    piece[F][i][k] = w - 100;
                    group[i][k] = 0;
                }
            }
        if (counted == 0)
            break;
    }
}

void TJigsaw::PaintDrag(int x, int y, QPainter &draw)
{
    levels = settings->levels;
    const int n = levels;
    const int s = settings->boxSize;
    const int w = VlLineFactor;
    auto outline = [&](int ox, int oy, int width, Color color) {
        QPen pen(ToQColor(uint32_t(color)));
        pen.setWidth(width);
        draw.setPen(pen);
        draw.drawLine(ox, oy, ox + s, oy);
        draw.drawLine(ox + s, oy, ox + s, oy + s);
        draw.drawLine(ox + s, oy + s, ox, oy + s);
        draw.drawLine(ox, oy + s, ox, oy);
    };

    // Each group cell is outlined where it lies and, unless the group is
    // the whole face, where the pointer would drop it.
    draw.save();
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            if (group[i][k] <= 0)
                continue;
            outline(cellX[i][k], cellY[i][k], 2 * w, settings->dragColor);
            if (wholeFace)
                continue;
            const int ox = cellX[i][k] + x - grabX;
            const int oy = cellY[i][k] + y - grabY;
            if (ox >= 0 && oy >= 0)
                outline(ox, oy, w, settings->dropColor);
        }
    draw.restore();
}

void TJigsaw::TurnBox(int dir)
{
    RotateShape(dir);
}

void TJigsaw::RotateShape(int dir)
{
    if (dir < DirLeft || dir > DirDown)
        return;
    CountUp(moves);
    levels = settings->levels;
    const int n = levels;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                TurnThroughScratch(box[L][r][c], dir);
}

void TJigsaw::PaintInfo(QPainter &draw, int id)
{
    if (!LocateBox(id))
        return;
    const int n = settings->levels;
    const int L = curLevel, R = curRow, C = curCol;
    const TBoxRec &b = box[L][R][C];
    const int p = piece[b.front][L][R];
    const int hr = p / 10, hc = p % 10;
    settings->infoLines.clear();
    settings->infoLines.append(QString::number(hr + 1) + QStringLiteral(", ") + QString::number(n - hc));
    if (hr == L && hc == R)
        settings->infoLines.append(QStringLiteral("Ok!"));
    settings->scratchBox = b;
    settings->PaintInfoCard(draw, selectedId, true);
}

void TJigsaw::ScrambleAround() {}

bool TJigsaw::ValidPieces(const int pieces[6][8][8], int n)
{
    if (!ValidLevels(n))
        return false;
    for (int f = 0; f < 6; ++f) {
        bool seen[8][8] = {};
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) {
                const int p = pieces[f][i][k];
                if (p < 0)
                    return false;
                const int hr = p / 10, hc = p % 10;
                if (hr >= n || hc >= n || seen[hr][hc])
                    return false;
                seen[hr][hc] = true;
            }
    }
    return true;
}

bool TJigsaw::LoadBody(QIODevice *file)
{
    TFieldReader in(file, *settings);
    auto body = std::make_unique<TGameBody>();
    if (!ReadBody(in, *body))
        return false;
    // Every box of the Jigsaw shows the same front, left and top.
    const int n = settings->levels;
    const TBoxRec &first = body->box[0][0][0];
    for (int L = 0; L < n; ++L)
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C) {
                const TBoxRec &b = body->box[L][R][C];
                if (b.front != first.front || b.left != first.left || b.top != first.top)
                    return false;
            }
    int newDrops = 0;
    if (!in.GetInt(newDrops) || newDrops < 0 || newDrops > MaxCount)
        return false;
    int newPiece[6][8][8] = {};
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                if (!in.GetInt(newPiece[f][i][k]))
                    return false;
    if (!ValidPieces(newPiece, n))
        return false;

    ApplyBody(*body);
    drops = newDrops;
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 8; ++k)
                piece[f][i][k] = newPiece[f][i][k];
    return true;
}

bool TJigsaw::SaveBody(QIODevice *file)
{
    TFieldWriter out(file, *settings);
    if (!WriteBody(out))
        return false;
    const int n = levels;
    out.PutInt(drops);
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                out.PutInt(piece[f][i][k]);
    return out.ok();
}
