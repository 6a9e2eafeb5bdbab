// The Rebukes Cube: setup by slice turns, the cell hit test, grab and
// drop turning with its threshold and refusals, the info card toggle and
// the short score formula.
#include "test_cursor_board.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TRebukes.h"
#include "TSettings.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace boardtest;

namespace {

// Records every shape and slice rotation it is asked for, then does it.
class TRecordingRebukes : public TRebukes {
public:
    using TRebukes::TRebukes;
    void RotateShape(int dir) override
    {
        log.push_back("S" + std::to_string(dir));
        TRebukes::RotateShape(dir);
    }
    void RotateLevel(int number, int dir) override
    {
        log.push_back("L" + std::to_string(number) + "," + std::to_string(dir));
        TRebukes::RotateLevel(number, dir);
    }
    std::vector<std::string> log;
};

// Every box in the home orientation, laid out; nothing recorded yet.
struct RebukesBoard {
    TSettings s;
    TRecordingRebukes game{&s};
    explicit RebukesBoard(int n)
    {
        SetGeometry(s, n);
        TScriptedRandom zeros;
        {
            TRandomScope scope(zeros);
            game.Setup();
        }
        for (int L = 0; L < n; ++L)
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    TBoxRec &b = game.box[L][r][c];
                    b.front = 0;
                    b.left = 1;
                    b.top = 2;
                }
        LayOutCube(game);
        game.log.clear();
        game.moves = 0;
    }
};

bool SameFaces(const TGame &a, const TGame &b, int n)
{
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const TBoxRec &x = a.box[L][r][c], &y = b.box[L][r][c];
                if (x.front != y.front || x.left != y.left || x.top != y.top)
                    return false;
            }
    return true;
}

} // namespace

// ---- Setup ---------------------------------------------------------------

TEST(RebukesSetup, MakesEightyEightTurnsAndResetsTheMoves)
{
    struct Case {
        int n;
        int sliceBound;                 // bound of the slice draw
        std::vector<int> sliceDraws;    // first few slice draws
        std::vector<int> wantNumbers;   // the slice numbers they give
    } cases[] = {
        // Odd sizes skip the middle number (n + 1) / 2.
        {3, 2, {0, 1, 0, 1}, {1, 3, 1, 3}},
        {5, 4, {0, 1, 2, 3}, {1, 2, 4, 5}},
        // Even sizes draw every slice.
        {4, 4, {0, 1, 2, 3}, {1, 2, 3, 4}},
        {2, 2, {0, 1, 1, 0}, {1, 2, 2, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("n = " + std::to_string(c.n));
        TSettings s;
        s.levels = c.n;
        TRecordingRebukes game(&s);
        game.moves = 17;
        // Orientation: front 3, one step on to left 4 (top 5).
        TScriptedRandom random({3, 0});
        for (size_t i = 0; i < 88; ++i) {
            random.Add(i < c.sliceDraws.size() ? c.sliceDraws[i] : 0);
            random.Add(int(i % 4));
        }
        {
            TRandomScope scope(random);
            game.Setup();
        }
        EXPECT_EQ(random.overrun, 0);
        ASSERT_EQ(random.bounds.size(), 2u + 2 * 88);
        EXPECT_EQ(random.bounds[0], 6);
        EXPECT_EQ(random.bounds[1], 4);
        for (size_t i = 0; i < 88; ++i) {
            EXPECT_EQ(random.bounds[2 + 2 * i], c.sliceBound);
            EXPECT_EQ(random.bounds[3 + 2 * i], 4);
        }
        ASSERT_EQ(game.log.size(), 88u);
        for (size_t i = 0; i < 88; ++i) {
            const int want = i < c.wantNumbers.size() ? c.wantNumbers[i] : 1;
            EXPECT_EQ(game.log[i], "L" + std::to_string(want) + "," + std::to_string(int(i % 4) + 1));
        }
        EXPECT_EQ(game.moves, 0);
        EXPECT_EQ(game.selectedId, 0);
        for (int L = 0; L < 8; ++L) {
            EXPECT_EQ(game.bonusId[L], 0);
            EXPECT_EQ(game.badId[L], 0);
        }
        for (int L = 0; L < c.n; ++L)
            for (int r = 0; r < c.n; ++r)
                for (int col = 0; col < c.n; ++col) {
                    EXPECT_EQ(game.box[L][r][col].id, BoxId(L, r, col));
                    EXPECT_TRUE(IsValidOrientation(game.box[L][r][col].front, game.box[L][r][col].left,
                                                   game.box[L][r][col].top));
                }
    }
}

TEST(RebukesSetup, StartsFromOneCommonOrientationAndNeverTurnsTheMiddle)
{
    // Undoing the recorded turns in reverse brings back one orientation for
    // every box, the one drawn first.
    TSettings s;
    s.levels = 3;
    TRecordingRebukes game(&s);
    game.Setup();   // the system's random numbers
    ASSERT_EQ(game.log.size(), 88u);
    for (auto it = game.log.rbegin(); it != game.log.rend(); ++it) {
        const int number = (*it)[1] - '0';
        const int dir = (*it)[3] - '0';
        EXPECT_NE(number, 2) << "the middle slice turned";
        const int back = dir == 1 ? 2 : dir == 2 ? 1 : dir == 3 ? 4 : 3;
        game.TRebukes::RotateLevel(number, back);
    }
    const TBoxRec &ref = game.box[0][0][0];
    for (int L = 0; L < 3; ++L)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(game.box[L][r][c].front, ref.front);
                EXPECT_EQ(game.box[L][r][c].left, ref.left);
                EXPECT_EQ(game.box[L][r][c].top, ref.top);
            }
}

// ---- Hit test ------------------------------------------------------------

TEST(RebukesHitTest, FindsEveryVisibleCellWithItsSlices)
{
    for (int n : {2, 3, 4}) {
        RebukesBoard board(n);
        TRebukes &g = board.game;
        for (int L = 0; L < n; ++L)
            for (int R = 0; R < n; ++R) {
                const QPoint p = FrontPoint(g, L, R);
                const TRebukes::TCell cell = g.HitCell(p.x(), p.y());
                EXPECT_EQ(cell.id, BoxId(L, R, n - 1));
                EXPECT_EQ(cell.face, 'S');
                EXPECT_EQ(cell.a, L);
                EXPECT_EQ(cell.b, R);
            }
        for (int L = 0; L < n; ++L)
            for (int C = 0; C < n; ++C) {
                const QPoint p = LeftPoint(g, L, C);
                const TRebukes::TCell cell = g.HitCell(p.x(), p.y());
                EXPECT_EQ(cell.id, BoxId(L, n - 1, C));
                EXPECT_EQ(cell.face, 'W');
                EXPECT_EQ(cell.a, L);
                EXPECT_EQ(cell.b, n - 1 - C);
            }
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C) {
                const QPoint p = TopPoint(g, R, C);
                const TRebukes::TCell cell = g.HitCell(p.x(), p.y());
                EXPECT_EQ(cell.id, BoxId(0, R, C));
                EXPECT_EQ(cell.face, 'U');
                EXPECT_EQ(cell.a, C);
                EXPECT_EQ(cell.b, R);
            }
        // Outside the shape, and in the corner right of the top.
        EXPECT_EQ(g.HitCell(Right + 1, Bottom).id, 0);
        EXPECT_EQ(g.HitCell(0, 0).id, 0);
        EXPECT_EQ(g.HitCell(Right - 2, Bottom - n * S - 2).id, 0);
    }
}

TEST(RebukesHitTest, BoundsAreIncludedAndTheFirstBoxWins)
{
    RebukesBoard board(3);
    TRebukes &g = board.game;
    const TBoxRec &b = g.box[1][1][2];
    // The shared edge with the level below belongs to this level, the edge
    // with row 0 on the right to row 0.
    TRebukes::TCell cell = g.HitCell(b.x + 5, b.y + S);
    EXPECT_EQ(cell.id, b.id);
    cell = g.HitCell(b.x + S, b.y + 5);
    EXPECT_EQ(cell.id, BoxId(1, 0, 2));
    // The left edge of the front square of row n-1 is the front cell, not
    // the left side cell that shares it.
    const TBoxRec &l = g.box[1][2][2];
    cell = g.HitCell(l.x, l.y + 20);
    EXPECT_EQ(cell.face, 'S');
}

// ---- Grab and drop -------------------------------------------------------

TEST(RebukesDrag, TurnsTheDraggedSliceOrRefuses)
{
    enum Side { Front, Left, Top };
    struct Case {
        const char *name;
        int n;
        Side side;
        int i, j;              // front (L, R), left (L, C), top (R, C)
        int dx, dy;            // release relative to the grab point
        std::vector<std::string> want;
    } cases[] = {
        {"front right 12 turns the level", 4, Front, 1, 2, 12, 0, {"L2,2"}},
        {"front left 12 turns the level", 4, Front, 1, 2, -12, 0, {"L2,1"}},
        {"front 11 both ways turns nothing", 4, Front, 1, 2, 11, 11, {}},
        {"front -11 both ways turns nothing", 4, Front, 1, 2, -11, -11, {}},
        {"front down 12 turns the row slice", 4, Front, 1, 2, 0, 12, {"L3,4"}},
        {"front up 12 turns the row slice", 4, Front, 2, 3, 3, -12, {"L4,3"}},
        {"a tie of 20 is horizontal", 4, Front, 1, 2, 20, 20, {"L2,2"}},
        {"release on another level is refused", 4, Front, 1, 2, 30, 25, {}},
        {"release on another row slice is refused", 4, Front, 1, 2, 25, 30, {}},
        {"down onto the level below keeps the row slice", 4, Front, 1, 2, 5, 45, {"L3,4"}},
        {"odd: the middle level is refused", 3, Front, 1, 0, 15, 0, {}},
        {"odd: the middle row slice is refused", 3, Front, 0, 1, 0, 15, {}},
        {"odd: the outer row slice of a middle level cell", 3, Front, 1, 0, 0, 15, {"L1,4"}},
        {"left side along its level", 4, Left, 2, 1, 15, 5, {"S2", "L3,2", "S1"}},
        {"left side down its column", 4, Left, 2, 1, 0, 14, {"S2", "L3,4", "S1"}},
        {"top across its column slice", 4, Top, 1, 2, 15, 0, {"S4", "L3,2", "S3"}},
        {"top along its row slice", 4, Top, 1, 2, 0, -13, {"S4", "L2,3", "S3"}},
        {"odd: the top's middle column is refused", 3, Top, 0, 1, 15, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RebukesBoard board(c.n);
        TRecordingRebukes &g = board.game;
        const QPoint p = c.side == Front ? FrontPoint(g, c.i, c.j)
                         : c.side == Left ? LeftPoint(g, c.i, c.j)
                                          : TopPoint(g, c.i, c.j);
        ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
        EXPECT_NE(g.selectedId, 0);
        EXPECT_EQ(g.grabX, p.x());
        EXPECT_EQ(g.grabY, p.y());
        EXPECT_TRUE(g.ClickBox(p.x() + c.dx, p.y() + c.dy, false));
        EXPECT_EQ(g.log, c.want);
        EXPECT_EQ(g.moves, c.want.empty() ? 0 : 1);
        EXPECT_EQ(g.selectedId, 0);
    }
}

TEST(RebukesDrag, FrontRowDraggedOntoTheTopOfTheSameRow)
{
    RebukesBoard board(4);
    TRecordingRebukes &g = board.game;
    const QPoint from = FrontPoint(g, 0, 2);
    const QPoint to = TopPoint(g, 2, 3);
    ASSERT_TRUE(g.ClickBox(from.x(), from.y(), false));
    ASSERT_TRUE(g.ClickBox(to.x(), to.y(), false));
    EXPECT_EQ(g.log, std::vector<std::string>{"L3,3"});
    EXPECT_EQ(g.moves, 1);
}

TEST(RebukesDrag, LeftSideTurnEqualsTheLevelTurn)
{
    // Bringing the left side to the front and back turns about the same
    // axis as the level, so the net effect is the level turn alone.
    RebukesBoard a(4), b(4);
    // Make the boxes distinguishable.
    int k = 0;
    for (int L = 0; L < 4; ++L)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                for (TRebukes *g : {static_cast<TRebukes *>(&a.game), static_cast<TRebukes *>(&b.game)}) {
                    g->settings->scratchBox = g->box[L][r][c];
                    g->settings->TurnScratchBox(1 + k % 4);
                    g->settings->TurnScratchBox(1 + (k / 4) % 4);
                    g->box[L][r][c] = g->settings->scratchBox;
                }
                ++k;
            }
    const QPoint p = LeftPoint(a.game, 2, 1);
    a.game.ClickBox(p.x(), p.y(), false);
    a.game.ClickBox(p.x() + 15, p.y() + 5, false);
    b.game.TRebukes::RotateLevel(3, 2);
    EXPECT_TRUE(SameFaces(a.game, b.game, 4));
    EXPECT_EQ(a.game.moves, 1);
}

TEST(RebukesDrag, PressOrReleaseOnNoCellLeavesNoGrab)
{
    RebukesBoard board(3);
    TRecordingRebukes &g = board.game;
    const QPoint p = FrontPoint(g, 0, 0);
    g.grabX = 123;
    g.grabY = 456;
    g.grabFace = 'U';
    // A press on no cell: no grab, and no stale grab point.
    EXPECT_FALSE(g.ClickBox(5, 5, false));
    EXPECT_EQ(g.selectedId, 0);
    EXPECT_EQ(g.grabX, 0);
    EXPECT_EQ(g.grabY, 0);
    EXPECT_EQ(g.grabFace, 0);
    // A release on no cell ends a pending grab without a turn.
    ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
    EXPECT_NE(g.selectedId, 0);
    EXPECT_FALSE(g.ClickBox(Right + 50, p.y(), false));
    EXPECT_EQ(g.selectedId, 0);
    EXPECT_EQ(g.grabX, 0);
    EXPECT_TRUE(g.log.empty());
    EXPECT_EQ(g.moves, 0);
    // The next press grabs afresh.
    ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
    EXPECT_EQ(g.grabX, p.x());
    EXPECT_EQ(g.grabFace, 'S');
}

TEST(RebukesDrag, GrabFieldsKeepTheGrabbedCellUntilTheRelease)
{
    RebukesBoard board(4);
    TRecordingRebukes &g = board.game;
    const QPoint p = TopPoint(g, 1, 2);
    ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
    EXPECT_EQ(g.grabFace, 'U');
    EXPECT_EQ(g.grabA, 2);
    EXPECT_EQ(g.grabB, 1);
    // A right click on a front cell while the grab is pending changes no
    // grab field.
    const QPoint f = FrontPoint(g, 3, 3);
    EXPECT_TRUE(g.ClickBox(f.x(), f.y(), true));
    EXPECT_EQ(g.grabFace, 'U');
    EXPECT_EQ(g.grabA, 2);
    EXPECT_EQ(g.grabB, 1);
    EXPECT_EQ(g.selectedId, BoxId(0, 1, 2));
}

// ---- Info card and TurnBox ----------------------------------------------

TEST(RebukesInfoCard, OnlyFrontCellsOpenTheCard)
{
    RebukesBoard board(4);
    TRecordingRebukes &g = board.game;
    const QPoint top = TopPoint(g, 0, 1), left = LeftPoint(g, 1, 1), front = FrontPoint(g, 1, 1);
    EXPECT_TRUE(g.ClickBox(top.x(), top.y(), true));
    EXPECT_EQ(g.infoId, 0);
    EXPECT_TRUE(g.ClickBox(left.x(), left.y(), true));
    EXPECT_EQ(g.infoId, 0);
    EXPECT_TRUE(g.ClickBox(front.x(), front.y(), true));
    EXPECT_EQ(g.infoId, BoxId(1, 1, 3));
    EXPECT_EQ(g.selectedId, 0);
    EXPECT_TRUE(g.ClickBox(front.x(), front.y(), true));
    EXPECT_EQ(g.infoId, 0);
    EXPECT_FALSE(g.ClickBox(1, 1, true));
}

TEST(RebukesTurnBox, RotatesTheWholeShapeWithoutAMove)
{
    RebukesBoard a(3), b(3);
    a.game.box[0][0][0].front = 4;   // make the shape lopsided
    a.game.box[0][0][0].left = 0;
    a.game.box[0][0][0].top = 2;
    b.game.box[0][0][0] = a.game.box[0][0][0];
    a.game.selectedId = 0;
    a.game.TurnBox(1);
    b.game.TRebukes::RotateShape(1);
    EXPECT_TRUE(SameFaces(a.game, b.game, 3));
    EXPECT_EQ(a.game.log, std::vector<std::string>{"S1"});
    EXPECT_EQ(a.game.moves, 0);
}

// ---- Score ---------------------------------------------------------------

TEST(RebukesEvaluate, UsesTheShortScoreFormula)
{
    for (int n : {3, 4}) {
        SCOPED_TRACE(n);
        RebukesBoard board(n);
        TRecordingRebukes &g = board.game;
        g.TRebukes::RotateLevel(1, 1);
        g.TRebukes::RotateLevel(n, 3);
        g.initialDisorder = 500;
        g.moves = 5;
        g.movesAtEval = 4;
        EXPECT_FALSE(g.Evaluate(false));
        EXPECT_GT(g.disorder, 0);
        EXPECT_EQ(g.score, (500 - g.disorder - 5) * (n - 2));
        EXPECT_EQ(g.movesAtEval, 5);
        // No move since: the score stays.
        const int score = g.score;
        g.initialDisorder = 600;
        g.Evaluate(false);
        EXPECT_EQ(g.score, score);
    }
}

TEST(RebukesEvaluate, SolvedAfterTurningBack)
{
    RebukesBoard board(3);
    TRecordingRebukes &g = board.game;
    const QPoint p = FrontPoint(g, 0, 0);
    g.ClickBox(p.x(), p.y(), false);
    g.ClickBox(p.x() + 20, p.y(), false);
    EXPECT_FALSE(g.Evaluate(false));
    g.ClickBox(p.x(), p.y(), false);
    g.ClickBox(p.x() - 20, p.y(), false);
    EXPECT_EQ(g.moves, 2);
    EXPECT_TRUE(g.Evaluate(false));
    EXPECT_EQ(g.disorder, 0);
}

TEST(RebukesInfoCard, LinesGiveThePositionOnly)
{
    struct Case {
        int L, R;
        const char *want;
    } cases[] = {{0, 0, "1, 4"}, {0, 3, "1, 1"}, {3, 0, "4, 4"}, {2, 1, "3, 3"}};
    for (const Case &c : cases) {
        RebukesBoard board(4);
        TRecordingRebukes &g = board.game;
        const QPoint p = FrontPoint(g, c.L, c.R);
        ASSERT_TRUE(g.ClickBox(p.x(), p.y(), true));
        ASSERT_EQ(g.infoId, BoxId(c.L, c.R, 3));
        QImage image(500, 500, QImage::Format_RGB32);
        QPainter painter(&image);
        g.PaintInfo(painter, g.infoId);
        ASSERT_EQ(board.s.infoLines.size(), 1);
        EXPECT_EQ(board.s.infoLines[0], QString::fromLatin1(c.want));
    }
}
