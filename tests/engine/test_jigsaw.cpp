// The Jigsaw Cube: scatter, joined groups, the two-phase drop, whole-face
// rotation, disorder and score, drawing the drag outlines, the info card
// lines, and its saved-game body.
#include "test_cursor_board.h"

#include "GameFile.h"
#include "Random.h"
#include "ScriptedRandom.h"
#include "TJigsaw.h"
#include "TSettings.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace boardtest;

namespace {

using Grid = std::vector<std::vector<int>>;

// A jigsaw of n levels, every box in the home orientation (front 0, left
// 1, top 2), every face solved, the boxes laid out.
struct JigsawBoard {
    TSettings s;
    TJigsaw game{&s};
    explicit JigsawBoard(int n)
    {
        SetGeometry(s, n);
        TScriptedRandom zeros;
        {
            TRandomScope scope(zeros);
            game.Setup();
        }
        LayOutCube(game);
    }
    void SetFace(int f, const Grid &g)
    {
        for (size_t i = 0; i < g.size(); ++i)
            for (size_t k = 0; k < g[i].size(); ++k)
                game.piece[f][i][k] = g[i][k];
    }
    Grid Face(int f) const
    {
        const int n = s.levels;
        Grid g(n, std::vector<int>(n));
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                g[i][k] = game.piece[f][i][k];
        return g;
    }
    // Picks the front cell [i][k] and drops it on cell [ti][tk].
    void Drag(int i, int k, int ti, int tk)
    {
        const QPoint from = FrontPoint(game, i, k), to = FrontPoint(game, ti, tk);
        ASSERT_TRUE(game.ClickBox(from.x(), from.y(), false));
        ASSERT_TRUE(game.ClickBox(to.x(), to.y(), false));
    }
    int GroupSize() const
    {
        int count = 0;
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 8; ++k)
                count += game.group[i][k] > 0;
        return count;
    }
};

// A grid of n x n whose given leading cells are fixed and whose other cells
// take the remaining home values in descending order, so that no further
// piece lies beside a neighbour as at home along a row.
Grid Fill(int n, const Grid &lead)
{
    std::set<int> used;
    for (const auto &row : lead)
        for (int v : row)
            used.insert(v);
    std::vector<int> rest;
    for (int v = 10 * (n - 1) + n - 1; v >= 0; --v)
        if (v % 10 < n && v / 10 < n && !used.count(v))
            rest.push_back(v);
    Grid g(n, std::vector<int>(n, -1));
    size_t next = 0;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k)
            g[i][k] = i < int(lead.size()) && k < int(lead[i].size()) ? lead[i][k] : rest[next++];
    return g;
}

Grid Solved(int n)
{
    Grid g(n, std::vector<int>(n));
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k)
            g[i][k] = 10 * i + k;
    return g;
}

} // namespace

// ---- Setup ---------------------------------------------------------------

TEST(JigsawSetup, ScattersEachFaceByItsDraws)
{
    TSettings s;
    s.levels = 2;
    TJigsaw game(&s);
    // Orientation draws, then per face four pieces: Random(4), (3), (2), (1).
    TScriptedRandom random({0, 0});
    random.Add({3, 0, 0, 0});   // face 0: 00 to the last cell, then in order
    random.Add({1, 1, 0, 0});   // face 1
    for (int f = 2; f < 6; ++f)
        random.Add({0, 0, 0, 0});
    {
        TRandomScope scope(random);
        game.Setup();
    }
    EXPECT_EQ(random.overrun, 0);
    std::vector<int> want = {6, 4};
    for (int f = 0; f < 6; ++f)
        for (int bound = 4; bound >= 1; --bound)
            want.push_back(bound);
    EXPECT_EQ(random.bounds, want);
    EXPECT_EQ(game.piece[0][0][0], 1);
    EXPECT_EQ(game.piece[0][0][1], 10);
    EXPECT_EQ(game.piece[0][1][0], 11);
    EXPECT_EQ(game.piece[0][1][1], 0);
    EXPECT_EQ(game.piece[1][0][0], 10);
    EXPECT_EQ(game.piece[1][0][1], 0);
    EXPECT_EQ(game.piece[1][1][0], 1);
    EXPECT_EQ(game.piece[1][1][1], 11);
    EXPECT_EQ(game.drops, 0);
    EXPECT_FALSE(game.wholeFace);
    // One orientation for all boxes.
    for (int L = 0; L < 2; ++L)
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                EXPECT_EQ(game.box[L][r][c].id, BoxId(L, r, c));
                EXPECT_EQ(game.box[L][r][c].front, 0);
                EXPECT_EQ(game.box[L][r][c].left, 1);
                EXPECT_EQ(game.box[L][r][c].top, 2);
            }
}

TEST(JigsawSetup, EveryFaceHoldsEachPieceOnce)
{
    for (int n = 2; n <= 8; ++n) {
        TSettings s;
        s.levels = n;
        TJigsaw game(&s);
        game.Setup();
        EXPECT_TRUE(TJigsaw::ValidPieces(game.piece, n)) << n;
    }
}

// ---- Groups --------------------------------------------------------------

TEST(JigsawGroup, JoinsPiecesLyingAsAtHome)
{
    struct Case {
        const char *name;
        int n;
        Grid lead;
        int pi, pk;                               // picked cell
        std::set<std::pair<int, int>> want;       // the group's cells
    } cases[] = {
        {"homes in the other order are not joined", 3, {{2, 1}}, 0, 0, {{0, 0}}},
        {"exchanged they are joined", 3, {{1, 2}}, 0, 0, {{0, 0}, {0, 1}}},
        {"joined from the right end over several passes", 3, {{10, 11, 12}, {2, 1, 0}}, 0, 2,
         {{0, 0}, {0, 1}, {0, 2}}},
        {"vertical neighbours", 3, {{10, 2, 1}, {20, 22, 21}}, 1, 0, {{0, 0}, {1, 0}}},
        {"a block of two by two", 4, {{22, 23, 0}, {32, 33, 1}}, 1, 1, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JigsawBoard b(c.n);
        b.SetFace(0, Fill(c.n, c.lead));
        ASSERT_TRUE(TJigsaw::ValidPieces(b.game.piece, c.n));
        b.game.PickGroup(BoxId(c.pi, c.pk, c.n - 1));
        std::set<std::pair<int, int>> got;
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 8; ++k)
                if (b.game.group[i][k] != 0) {
                    got.insert({i, k});
                    EXPECT_EQ(b.game.group[i][k], b.game.piece[0][i][k] + 100);
                    EXPECT_EQ(b.game.cellX[i][k], b.game.box[i][k][c.n - 1].x);
                    EXPECT_EQ(b.game.cellY[i][k], b.game.box[i][k][c.n - 1].y);
                }
        EXPECT_EQ(got, c.want);
        EXPECT_FALSE(b.game.wholeFace);
    }
}

TEST(JigsawGroup, SolvedFaceIsOneWholeGroup)
{
    JigsawBoard b(4);
    b.game.PickGroup(BoxId(2, 1, 3));
    EXPECT_TRUE(b.game.wholeFace);
    EXPECT_EQ(b.GroupSize(), 16);
    // A failed locate leaves an empty group.
    b.game.PickGroup(0);
    EXPECT_FALSE(b.game.wholeFace);
    EXPECT_EQ(b.GroupSize(), 0);
}

// ---- Drops ---------------------------------------------------------------

TEST(JigsawDrop, MovesTheGroupAndRefillsTheCellsItLeft)
{
    struct Case {
        const char *name;
        int n;
        Grid lead;
        int groupSize;
        int pi, pk, ti, tk;    // pick and drop cells
        Grid wantLead;         // the leading rows afterwards
    } cases[] = {
        {"a single piece one to the right swaps", 4, {{0, 2, 1}}, 1, 0, 0, 0, 1, {{2, 0, 1}}},
        {"three one to the right: the piece beyond goes to the left end", 4, {{11, 12, 13, 0}}, 3, 0, 0,
         0, 1, {{0, 11, 12, 13}}},
        {"three at the right edge: the rightmost goes to the left end", 4, {{0, 11, 12, 13}}, 3, 0, 1, 0,
         2, {{0, 13, 11, 12}}},
        {"three one to the left from the left edge", 4, {{11, 12, 13, 0}}, 3, 0, 1, 0, 0,
         {{12, 13, 11, 0}}},
        {"three two to the right", 5, {{11, 12, 13, 0, 44}}, 3, 0, 0, 0, 2, {{44, 0, 11, 12, 13}}},
        {"a column of two one down", 3, {{10, 2, 1}, {20, 22, 21}, {0, 11, 12}}, 2, 0, 0, 1, 0,
         {{0, 2, 1}, {10, 22, 21}, {20, 11, 12}}},
        {"diagonal drop of a single piece", 3, {{2, 1}, {0}}, 1, 0, 0, 1, 1, {{21, 1}, {0, 2}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JigsawBoard b(c.n);
        Grid start = Fill(c.n, c.lead);
        b.SetFace(0, start);
        ASSERT_TRUE(TJigsaw::ValidPieces(b.game.piece, c.n));
        const QPoint from = FrontPoint(b.game, c.pi, c.pk);
        ASSERT_TRUE(b.game.ClickBox(from.x(), from.y(), false));
        ASSERT_EQ(b.GroupSize(), c.groupSize);
        const QPoint to = FrontPoint(b.game, c.ti, c.tk);
        ASSERT_TRUE(b.game.ClickBox(to.x(), to.y(), false));
        EXPECT_EQ(b.game.drops, 1);
        EXPECT_EQ(b.game.selectedId, 0);
        Grid want = start;
        for (size_t i = 0; i < c.wantLead.size(); ++i)
            for (size_t k = 0; k < c.wantLead[i].size(); ++k)
                want[i][k] = c.wantLead[i][k];
        EXPECT_EQ(b.Face(0), want);
        EXPECT_TRUE(TJigsaw::ValidPieces(b.game.piece, c.n));
        // The other faces are untouched.
        for (int f = 1; f < 6; ++f)
            EXPECT_EQ(b.Face(f), Solved(c.n));
    }
}

TEST(JigsawDrop, WorksOnTheFaceNowInFront)
{
    JigsawBoard b(3);
    b.game.RotateShape(1);   // face 5 - left = 4 comes to the front
    ASSERT_EQ(b.game.box[0][0][2].front, 4);
    b.SetFace(4, Fill(3, {{2, 1}}));
    b.Drag(0, 0, 0, 1);
    EXPECT_EQ(b.game.piece[4][0][0], 1);
    EXPECT_EQ(b.game.piece[4][0][1], 2);
    EXPECT_EQ(b.Face(0), Solved(3));
}

TEST(JigsawDrop, RandomDropsKeepEveryFaceAPermutation)
{
    JigsawBoard b(5);
    b.game.Setup();
    LayOutCube(b.game);
    for (int round = 0; round < 300; ++round) {
        const int i = Random(5), k = Random(5), ti = Random(5), tk = Random(5);
        b.Drag(i, k, ti, tk);
        ASSERT_TRUE(TJigsaw::ValidPieces(b.game.piece, 5)) << round;
    }
}

TEST(JigsawDrop, RefusalsEndThePickWithoutADrop)
{
    JigsawBoard b(4);
    const Grid start = Fill(4, {{2, 1}});
    b.SetFace(0, start);
    // Onto the picked box itself.
    b.Drag(0, 0, 0, 0);
    EXPECT_EQ(b.game.drops, 0);
    EXPECT_EQ(b.game.selectedId, 0);
    EXPECT_EQ(b.Face(0), start);
    // A release on no front box returns false and leaves the pick to the
    // main window, which clears it.
    const QPoint from = FrontPoint(b.game, 0, 0);
    ASSERT_TRUE(b.game.ClickBox(from.x(), from.y(), false));
    EXPECT_FALSE(b.game.ClickBox(Right + 30, Bottom + 30, false));
    EXPECT_EQ(b.game.drops, 0);
    EXPECT_EQ(b.Face(0), start);
    // A press on no front box starts no pick.
    b.game.selectedId = 0;
    EXPECT_FALSE(b.game.ClickBox(1, 1, false));
    EXPECT_EQ(b.game.selectedId, 0);
}

TEST(JigsawDrop, WholeFaceDraggedRotatesTheShape)
{
    struct Case {
        int dx, dy;
        int wantFront;   // the front face afterwards; -1 unchanged
    } cases[] = {
        {8, 0, 1},       // right: the left face comes to the front
        {7, 7, -1},      // too short
        {-8, 3, 4},      // left: the right face 5 - 1
        {3, 9, 2},       // down: the top comes to the front
        {-5, -8, 3},     // up: the bottom 5 - 2
        {9, 9, 1},       // a tie is horizontal
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        JigsawBoard b(4);
        const QPoint p = FrontPoint(b.game, 1, 1);
        ASSERT_TRUE(b.game.ClickBox(p.x(), p.y(), false));
        ASSERT_TRUE(b.game.wholeFace);
        EXPECT_TRUE(b.game.ClickBox(p.x() + c.dx, p.y() + c.dy, false));
        EXPECT_EQ(b.game.box[1][1][3].front, c.wantFront < 0 ? 0 : c.wantFront);
        EXPECT_EQ(b.game.moves, c.wantFront < 0 ? 0 : 1);
        EXPECT_EQ(b.game.drops, 0);
        EXPECT_EQ(b.game.selectedId, 0);
        // Every box turned alike, and the pieces stayed.
        for (int L = 0; L < 4; ++L)
            for (int r = 0; r < 4; ++r)
                for (int col = 0; col < 4; ++col)
                    EXPECT_EQ(b.game.box[L][r][col].front, b.game.box[1][1][3].front);
        for (int f = 0; f < 6; ++f)
            EXPECT_EQ(b.Face(f), Solved(4));
    }
}

TEST(JigsawDrop, RightClickTogglesTheCardOnly)
{
    JigsawBoard b(3);
    const QPoint p = FrontPoint(b.game, 2, 0);
    EXPECT_TRUE(b.game.ClickBox(p.x(), p.y(), true));
    EXPECT_EQ(b.game.infoId, BoxId(2, 0, 2));
    EXPECT_EQ(b.game.selectedId, 0);
    EXPECT_TRUE(b.game.ClickBox(p.x(), p.y(), true));
    EXPECT_EQ(b.game.infoId, 0);
    EXPECT_FALSE(b.game.ClickBox(0, 0, true));
}

// ---- Evaluation ----------------------------------------------------------

TEST(JigsawEvaluate, CountsMisplacedPiecesAndScoresTheDrops)
{
    JigsawBoard b(4);
    // Two pieces exchanged on the front, two on the back (face 5).
    b.SetFace(0, {{1, 0, 2, 3}, {10, 11, 12, 13}, {20, 21, 22, 23}, {30, 31, 32, 33}});
    std::swap(b.game.piece[5][2][1], b.game.piece[5][3][3]);
    EXPECT_FALSE(b.game.Evaluate(false));
    EXPECT_EQ(b.game.disorder, 4);
    EXPECT_EQ(b.game.initialDisorder, 4);
    EXPECT_EQ(b.game.score, 0);

    b.Drag(0, 0, 0, 1);   // puts both front pieces home
    EXPECT_FALSE(b.game.Evaluate(false));
    EXPECT_EQ(b.game.previousDisorder, 4);
    EXPECT_EQ(b.game.disorder, 2);
    EXPECT_EQ(b.game.moves, 1);
    EXPECT_EQ(b.game.score, (4 - 2) * 4 - 1);

    // A shape rotation counts as a move until the next evaluation.
    b.game.RotateShape(3);
    EXPECT_EQ(b.game.moves, 2);
    EXPECT_FALSE(b.game.Evaluate(false));
    EXPECT_EQ(b.game.moves, 1);
    EXPECT_EQ(b.game.disorder, 2);
    EXPECT_EQ(b.game.score, 7);

    // The back face is now at the bottom; bring it to the front and solve.
    b.game.RotateShape(3);
    ASSERT_EQ(b.game.box[0][0][3].front, 5);
    b.Drag(2, 1, 3, 3);
    EXPECT_TRUE(b.game.Evaluate(false));
    EXPECT_EQ(b.game.disorder, 0);
    EXPECT_EQ(b.game.score, 4 * 4 - 2);
    EXPECT_FALSE(b.game.Evaluate(false));   // once per coming into order
}

TEST(JigsawEvaluate, NegativeScoreIsZero)
{
    JigsawBoard b(3);
    std::swap(b.game.piece[2][0][0], b.game.piece[2][0][1]);
    b.game.drops = 50;
    b.game.Evaluate(false);
    EXPECT_EQ(b.game.score, 0);
    EXPECT_EQ(b.game.moves, 50);
}

TEST(JigsawEvaluate, ForcedEvaluationSolvesEveryFace)
{
    JigsawBoard b(4);
    b.game.Setup();   // scattered by the system's random numbers
    EXPECT_FALSE(b.game.Evaluate(true));
    EXPECT_EQ(b.game.disorder, 0);
    EXPECT_EQ(b.game.score, 0);
    EXPECT_TRUE(b.game.cheated);
    EXPECT_TRUE(b.game.inOrder);
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(b.Face(f), Solved(4));
    EXPECT_FALSE(b.game.Evaluate(false));
    EXPECT_EQ(b.game.disorder, 0);
    EXPECT_EQ(b.game.score, 0);
}

TEST(JigsawEvaluate, EachCellOfEachFaceCountsOnceInAnyOrientation)
{
    JigsawBoard b(3);
    for (int f = 0; f < 6; ++f)
        b.game.piece[f][f % 3][(f + 1) % 3] = 99;   // one wrong cell per face
    for (int dir : {0, 1, 3, 2, 4, 4, 1}) {
        b.game.RotateShape(dir);
        b.game.Evaluate(false);
        EXPECT_EQ(b.game.disorder, 6);
    }
}

// ---- Drawing -------------------------------------------------------------

TEST(JigsawPaint, ShapePlacesEveryBoxAndRestoresThePictureSwitches)
{
    for (bool value : {false, true}) {
        JigsawBoard b(3);
        TSettings &s = b.s;
        s.useBoxImages = value;
        s.spanImages = value;
        s.rotateImages = !value;
        for (int L = 0; L < 3; ++L)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    b.game.box[L][r][c].x = b.game.box[L][r][c].y = -1;
        b.game.PaintShape(QRect(0, 0, Right, Bottom));   // no render bitmap
        EXPECT_EQ(s.useBoxImages, value);
        EXPECT_EQ(s.spanImages, value);
        EXPECT_EQ(s.rotateImages, !value);
        JigsawBoard want(3);
        for (int L = 0; L < 3; ++L)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) {
                    EXPECT_EQ(b.game.box[L][r][c].x, want.game.box[L][r][c].x);
                    EXPECT_EQ(b.game.box[L][r][c].y, want.game.box[L][r][c].y);
                }
        // A board that cannot be drawn leaves the switches as they were too.
        b.game.PaintShape(QRect(0, 0, 0, 0));
        s.levels = 9;
        b.game.PaintShape(QRect(0, 0, Right, Bottom));
        EXPECT_EQ(s.useBoxImages, value);
        EXPECT_EQ(s.spanImages, value);
        EXPECT_EQ(s.rotateImages, !value);
    }
}

TEST(JigsawPaint, DragOutlinesTheGroupAndItsTarget)
{
    JigsawBoard b(3);
    b.SetFace(0, Fill(3, {{1, 2}}));
    const QPoint p = FrontPoint(b.game, 1, 1);
    // Pick the single piece at [1][1] (home 20 after the fill: none joined).
    ASSERT_TRUE(b.game.ClickBox(p.x(), p.y(), false));
    ASSERT_EQ(b.GroupSize(), 1);
    const QRgb drag = ToQRgb(COLORREF(b.s.dragColor)), drop = ToQRgb(COLORREF(b.s.dropColor));
    const int cx = b.game.cellX[1][1], cy = b.game.cellY[1][1];

    auto paint = [&](int x, int y) {
        QImage image(600, 600, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        b.game.PaintDrag(x, y, painter);
        painter.end();
        return image;
    };
    auto count = [](const QImage &image, QRgb c) {
        int k = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                k += image.pixel(x, y) == c;
        return k;
    };

    // Target 100 to the left and 30 up of the group.
    QImage image = paint(p.x() - 100, p.y() - 30);
    EXPECT_EQ(image.pixel(cx + S / 2, cy), drag);
    EXPECT_EQ(image.pixel(cx + S / 2, cy + S), drag);
    EXPECT_EQ(image.pixel(cx, cy + S / 2), drag);
    EXPECT_EQ(image.pixel(cx + S, cy + S / 2), drag);
    EXPECT_EQ(image.pixel(cx + S / 2, cy + S / 2), qRgb(0, 0, 0));
    const int ox = cx - 100, oy = cy - 30;
    EXPECT_EQ(image.pixel(ox + S / 2, oy), drop);
    EXPECT_EQ(image.pixel(ox + S, oy + S / 2), drop);
    EXPECT_EQ(image.pixel(ox + S / 2, oy + S), drop);
    // The group's outline is twice as wide as the target's.
    EXPECT_GT(count(image, drag), count(image, drop) * 3 / 2);

    // A target whose corner would lie left of 0 is not drawn.
    image = paint(p.x() - cx - 1, p.y());
    EXPECT_EQ(count(image, drop), 0);
    EXPECT_GT(count(image, drag), 0);

    // A whole face shows no target.
    JigsawBoard whole(3);
    const QPoint q = FrontPoint(whole.game, 0, 0);
    ASSERT_TRUE(whole.game.ClickBox(q.x(), q.y(), false));
    ASSERT_TRUE(whole.game.wholeFace);
    QImage wi(600, 600, QImage::Format_RGB32);
    wi.fill(Qt::black);
    {
        QPainter painter(&wi);
        whole.game.PaintDrag(q.x() - 50, q.y() - 50, painter);
    }
    EXPECT_EQ(count(wi, drop), 0);
    EXPECT_GT(count(wi, drag), 0);
}

TEST(JigsawInfoCard, LinesGiveTheHomeOfThePieceShown)
{
    struct Case {
        int L, R;
        int piece;
        std::vector<QString> want;
    } cases[] = {
        {0, 0, 0, {"1, 4", "Ok!"}},
        {1, 2, 12, {"2, 2", "Ok!"}},
        {3, 3, 33, {"4, 1", "Ok!"}},
        {0, 0, 31, {"4, 3"}},
        {2, 1, 12, {"2, 2"}},
    };
    for (const Case &c : cases) {
        JigsawBoard b(4);
        // Exchange the piece into the cell to keep the face a permutation.
        const int hr = c.piece / 10, hc = c.piece % 10;
        std::swap(b.game.piece[0][c.L][c.R], b.game.piece[0][hr][hc]);
        QImage image(500, 500, QImage::Format_RGB32);
        QPainter painter(&image);
        b.game.PaintInfo(painter, BoxId(c.L, c.R, 3));
        EXPECT_EQ(std::vector<QString>(b.s.infoLines.begin(), b.s.infoLines.end()), c.want);
        EXPECT_EQ(b.s.scratchBox.id, BoxId(c.L, c.R, 3));
    }
    // An id that locates no box draws nothing and keeps the lines.
    JigsawBoard b(4);
    b.s.infoLines = {QStringLiteral("keep")};
    QImage image(500, 500, QImage::Format_RGB32);
    QPainter painter(&image);
    b.game.PaintInfo(painter, 0);
    EXPECT_EQ(b.s.infoLines.size(), 1);
}

// ---- Saved-game body -----------------------------------------------------

namespace {

QByteArray SaveBody(TJigsaw &game)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(game.SaveBody(&buffer));
    return buffer.data();
}

bool LoadBody(TJigsaw &game, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return game.LoadBody(&buffer);
}

void PutLE32(QByteArray &bytes, int offset, int value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((uint32_t(value) >> (8 * i)) & 0xFF);
}

// Offset of piece [f][i][k] in the body of a jigsaw of n levels.
int PieceOffset(int n, int f, int i, int k)
{
    return 2 + 5 * 4 + 24 * n * n * n + 64 + 4 + 4 * (f * n * n + i * n + k);
}

} // namespace

TEST(JigsawSavedGame, BodyRoundTrip)
{
    for (int n : {2, 4, 8}) {
        SCOPED_TRACE(n);
        TSettings s;
        s.levels = n;
        s.gameType = 1;
        TJigsaw a(&s);
        a.Setup();
        a.drops = 17;
        a.moves = 17;
        a.score = 5;
        a.initialDisorder = 20;
        a.disorder = 15;
        a.previousDisorder = 16;
        a.RotateShape(2);
        const QByteArray bytes = SaveBody(a);
        EXPECT_EQ(bytes.size(), 108 + 24 * n * n * n - 22 + 4 + 24 * n * n);

        TJigsaw b(&s);
        b.Setup();
        ASSERT_TRUE(LoadBody(b, bytes));
        EXPECT_EQ(b.drops, 17);
        EXPECT_EQ(b.moves, a.moves);
        EXPECT_EQ(b.movesAtEval, a.moves);
        EXPECT_EQ(b.score, 5);
        EXPECT_EQ(b.disorder, 15);
        for (int f = 0; f < 6; ++f)
            for (int i = 0; i < n; ++i)
                for (int k = 0; k < n; ++k)
                    EXPECT_EQ(b.piece[f][i][k], a.piece[f][i][k]);
        for (int L = 0; L < n; ++L)
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    EXPECT_EQ(b.box[L][r][c].front, a.box[L][r][c].front);
                    EXPECT_EQ(b.box[L][r][c].left, a.box[L][r][c].left);
                }
        EXPECT_EQ(SaveBody(b), bytes);
    }
}

TEST(JigsawSavedGame, WholeFileThroughTheSaveAndLoadFlow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("game.qgf"));
    TSettings s;
    s.levels = 4;
    s.gameType = 1;
    TJigsaw a(&s);
    a.Setup();
    a.drops = 3;
    ASSERT_TRUE(SaveGameFile(s, a, path));
    EXPECT_EQ(QFileInfo(path).size(), 2032);

    s.levels = 3;
    s.gameType = 2;
    std::unique_ptr<TGame> loaded = LoadGameFile(s, path, [](int type, TSettings *st) -> std::unique_ptr<TGame> {
        if (type == 1)
            return std::make_unique<TJigsaw>(st);
        return nullptr;
    });
    ASSERT_TRUE(loaded);
    EXPECT_EQ(s.levels, 4);
    EXPECT_EQ(s.gameType, 1);
    auto *j = dynamic_cast<TJigsaw *>(loaded.get());
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->drops, 3);
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(j->piece[f][i][k], a.piece[f][i][k]);
}

TEST(JigsawSavedGame, TamperedBodiesAreRefusedAndChangeNothing)
{
    const int n = 4;
    TSettings s;
    s.levels = n;
    s.gameType = 1;
    TJigsaw a(&s);
    a.Setup();
    a.drops = 9;
    const QByteArray good = SaveBody(a);
    const int dropsOffset = PieceOffset(n, 0, 0, 0) - 4;

    struct Case {
        const char *name;
        std::function<void(QByteArray &)> tamper;
    } cases[] = {
        {"a piece twice on one face",
         [&](QByteArray &b) { PutLE32(b, PieceOffset(n, 2, 1, 1), a.piece[2][3][0]); }},
        {"a home column outside the face", [&](QByteArray &b) { PutLE32(b, PieceOffset(n, 0, 0, 0), 4); }},
        {"a home row outside the face", [&](QByteArray &b) { PutLE32(b, PieceOffset(n, 5, 3, 3), 40); }},
        {"a negative piece", [&](QByteArray &b) { PutLE32(b, PieceOffset(n, 3, 2, 0), -1); }},
        {"a large piece", [&](QByteArray &b) { PutLE32(b, PieceOffset(n, 1, 0, 2), 1000003); }},
        {"negative drops", [&](QByteArray &b) { PutLE32(b, dropsOffset, -5); }},
        {"drops past the bound", [&](QByteArray &b) { PutLE32(b, dropsOffset, TGame::MaxCount + 1); }},
        {"one box turned apart from the others",
         [&](QByteArray &b) {
             // Box [1][2][3] of the body, turned left: a valid orientation,
             // but not the one every other box shows.
             s.scratchBox = a.box[1][2][3];
             s.TurnScratchBox(DirLeft);
             const int at = 2 + 5 * 4 + 24 * ((1 * n + 2) * n + 3);
             PutLE32(b, at + 12, s.scratchBox.front);
             PutLE32(b, at + 16, s.scratchBox.left);
             PutLE32(b, at + 20, s.scratchBox.top);
         }},
        {"one byte short", [&](QByteArray &b) { b.chop(1); }},
        {"no pieces at all", [&](QByteArray &b) { b.truncate(dropsOffset + 4); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = good;
        c.tamper(bytes);
        TJigsaw b(&s);
        TScriptedRandom zeros;
        {
            TRandomScope scope(zeros);
            b.Setup();
        }
        const QByteArray before = SaveBody(b);
        EXPECT_FALSE(LoadBody(b, bytes));
        EXPECT_EQ(SaveBody(b), before);
        EXPECT_EQ(b.drops, 0);
    }
    // Exchanging two pieces of a face keeps it a permutation: accepted.
    QByteArray swapped = good;
    PutLE32(swapped, PieceOffset(n, 2, 0, 0), a.piece[2][0][1]);
    PutLE32(swapped, PieceOffset(n, 2, 0, 1), a.piece[2][0][0]);
    TJigsaw b(&s);
    b.Setup();
    EXPECT_TRUE(LoadBody(b, swapped));
    EXPECT_EQ(b.piece[2][0][0], a.piece[2][0][1]);
}
