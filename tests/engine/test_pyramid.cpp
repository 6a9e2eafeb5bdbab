// The Jumbled Pyramid: setup draws, bonus and bad boxes, the bonus block,
// rotations, level turns, LocateBox and evaluation.
#include "Random.h"
#include "ScriptedRandom.h"
#include "TPyramid.h"
#include "TSettings.h"

#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Faces {
    int f, l, t;
    bool operator==(const Faces &o) const { return f == o.f && l == o.l && t == o.t; }
};

Faces Of(const TBoxRec &b)
{
    return {b.front, b.left, b.top};
}

bool OnBorder(int L, int r, int c)
{
    return r == 0 || r == L || c == 0 || c == L;
}

// The draws of Setup for n levels: per level L >= 1 the bonus and bad
// draws (b, d), and for every box of the level two zeros (front, left).
std::vector<int> SetupScript(int n, const std::vector<std::pair<int, int>> &bd)
{
    std::vector<int> v;
    for (int L = 0; L < n; ++L) {
        if (L >= 1) {
            v.push_back(bd[size_t(L - 1)].first);
            v.push_back(bd[size_t(L - 1)].second);
        }
        for (int k = 0; k < (L + 1) * (L + 1); ++k) {
            v.push_back(0);
            v.push_back(0);
        }
    }
    return v;
}

struct PyramidTest : ::testing::Test {
    TSettings st;
    TPyramid p{&st};

    // Set up with the bonus and bad draws given, then gives every box an
    // orientation of its own so that moves can be followed.
    void Make(int n, const std::vector<std::pair<int, int>> &bd = {})
    {
        st.levels = n;
        std::vector<std::pair<int, int>> draws = bd;
        draws.resize(size_t(n), {0, 0});
        TScriptedRandom script(SetupScript(n, draws));
        {
            TRandomScope scope(script);
            p.Setup();
        }
        ASSERT_EQ(script.overrun, 0);
        const Faces all[] = {{0, 1, 2}, {0, 2, 4}, {0, 3, 1}, {1, 0, 3}, {1, 2, 0}, {2, 0, 1}, {2, 1, 5},
                             {3, 0, 4}, {3, 1, 0}, {4, 0, 2}, {4, 2, 5}, {5, 1, 3}, {5, 2, 1}};
        int k = 0;
        for (int L = 0; L < n; ++L)
            for (int r = 0; r <= L; ++r)
                for (int c = 0; c <= L; ++c) {
                    const Faces &f = all[k++ % 13];
                    p.box[L][r][c].front = f.f;
                    p.box[L][r][c].left = f.l;
                    p.box[L][r][c].top = f.t;
                }
    }

    std::vector<Faces> AllFaces() const
    {
        std::vector<Faces> v;
        for (int L = 0; L < st.levels; ++L)
            for (int r = 0; r <= L; ++r)
                for (int c = 0; c <= L; ++c)
                    v.push_back(Of(p.box[L][r][c]));
        return v;
    }
};

Faces Turned(Faces f, int dir)
{
    TSettings s;
    s.scratchBox.front = f.f;
    s.scratchBox.left = f.l;
    s.scratchBox.top = f.t;
    s.TurnScratchBox(dir);
    return Of(s.scratchBox);
}

} // namespace

TEST(PyramidSetup, DrawsPerLevelInOrder)
{
    for (int n : {2, 3, 5}) {
        TSettings st;
        st.levels = n;
        TPyramid p(&st);
        TScriptedRandom script;
        {
            TRandomScope scope(script);
            p.Setup();
        }
        std::vector<int> expected;
        for (int L = 0; L < n; ++L) {
            if (L >= 1) {
                expected.push_back(4 * L);
                expected.push_back(4 * L - 1);
            }
            for (int k = 0; k < (L + 1) * (L + 1); ++k) {
                expected.push_back(6);
                expected.push_back(4);
            }
        }
        EXPECT_EQ(script.bounds, expected) << n;
        for (int L = 0; L < n; ++L)
            for (int r = 0; r <= L; ++r)
                for (int c = 0; c <= L; ++c) {
                    const TBoxRec &b = p.box[L][r][c];
                    EXPECT_EQ(b.id, BoxId(L, r, c));
                    EXPECT_TRUE(IsValidOrientation(b.front, b.left, b.top));
                }
        EXPECT_EQ(p.bonusId[0], 0);
        EXPECT_EQ(p.badId[0], 0);
    }
}

TEST_F(PyramidTest, BonusAndBadBoxesAmongTheBorderBoxes)
{
    // Level 1: b = 2, d = 0: the bad box is the first border box, the
    // bonus the third. Level 2: b = 5, d = 6 over the 8 border boxes
    // (0,0) (0,1) (0,2) (1,0) (1,2) (2,0) (2,1) (2,2).
    Make(3, {{2, 0}, {5, 6}});
    EXPECT_EQ(p.badId[1], 200);
    EXPECT_EQ(p.bonusId[1], 210);
    EXPECT_EQ(p.bonusId[2], 320);
    EXPECT_EQ(p.badId[2], 321);
    // With the draws at their ends both still land on distinct boxes.
    Make(4, {{3, 2}, {7, 6}, {11, 10}});
    for (int L = 1; L < 4; ++L) {
        EXPECT_NE(p.bonusId[L], 0) << L;
        EXPECT_NE(p.badId[L], 0) << L;
        EXPECT_NE(p.bonusId[L], p.badId[L]) << L;
    }
    EXPECT_EQ(p.bonusId[3], BoxId(3, 3, 3));
    EXPECT_EQ(p.badId[3], BoxId(3, 3, 2));
}

TEST_F(PyramidTest, LocateBoxHasTheCubesBounds)
{
    Make(4);
    const struct { int id; bool ok; int L, r, c; } cases[] = {
        {100, true, 0, 0, 0}, {210, true, 1, 1, 0}, {877, true, 7, 7, 7}, {0, false, 0, 0, 0},
        {99, false, 0, 0, 0}, {50, false, 0, 0, 0}, {-110, false, 0, 0, 0}, {988, false, 0, 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(p.LocateBox(c.id), c.ok) << c.id;
        if (c.ok) {
            EXPECT_EQ(p.curLevel, c.L);
            EXPECT_EQ(p.curRow, c.r);
            EXPECT_EQ(p.curCol, c.c);
        }
    }
}

TEST_F(PyramidTest, BonusTurnReachesTheBlockAboveBesideAndBelow)
{
    Make(4);
    const int id = BoxId(2, 0, 2);
    p.bonusId[2] = id;
    p.selectedId = id;
    const std::vector<Faces> before = AllFaces();
    const Faces turned = Turned(Of(p.box[2][0][2]), DirLeft);

    st.bonusBoxes = true;
    p.TurnBox(DirLeft);
    EXPECT_EQ(p.moves, 1);
    const std::set<int> block = {BoxId(1, 0, 1), BoxId(2, 0, 2), BoxId(2, 1, 2),
                                 BoxId(3, 0, 3), BoxId(3, 1, 3), BoxId(3, 2, 3)};
    size_t k = 0;
    for (int L = 0; L < 4; ++L)
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c, ++k) {
                const Faces now = Of(p.box[L][r][c]);
                if (block.count(BoxId(L, r, c)))
                    EXPECT_EQ(now, turned) << L << r << c;
                else
                    EXPECT_EQ(now, before[k]) << L << r << c;
            }

    // Switched off, only the selected box turns.
    Make(4);
    p.bonusId[2] = id;
    p.selectedId = id;
    st.bonusBoxes = false;
    const std::vector<Faces> again = AllFaces();
    p.TurnBox(DirUp);
    std::vector<Faces> after = AllFaces();
    int changed = 0;
    for (size_t i = 0; i < after.size(); ++i)
        changed += !(after[i] == again[i]);
    EXPECT_EQ(changed, 1);
}

TEST_F(PyramidTest, ApexNeverActsAsBonusAndNothingSelectedDoesNothing)
{
    Make(3);
    st.bonusBoxes = true;
    p.selectedId = 100;
    const std::vector<Faces> before = AllFaces();
    p.TurnBox(DirRight);
    std::vector<Faces> after = AllFaces();
    EXPECT_EQ(after[0], Turned(before[0], DirRight));
    for (size_t i = 1; i < after.size(); ++i)
        EXPECT_EQ(after[i], before[i]);
    p.selectedId = 0;
    p.TurnBox(DirRight);
    p.ScrambleAround();
    EXPECT_EQ(p.moves, 1);
}

TEST_F(PyramidTest, ScrambleAroundTurnsTheBlockRandomly)
{
    Make(4);
    p.selectedId = BoxId(2, 1, 2);
    const std::vector<Faces> before = AllFaces();
    // Block of (2, 1): level 1 rows 0..1, level 2 rows 0..2, level 3 rows 0..3.
    TScriptedRandom script({0, 1, 2, 3, 0, 1, 2, 3, 0});
    {
        TRandomScope scope(script);
        p.ScrambleAround();
    }
    EXPECT_EQ(script.bounds, std::vector<int>(9, 4));
    EXPECT_EQ(p.moves, 0);
    const int dirs[] = {1, 2, 3, 4, 1, 2, 3, 4, 1};
    int i = 0;
    size_t k = 0;
    for (int L = 0; L < 4; ++L)
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c, ++k) {
                const bool inBlock = L >= 1 && c == L && r <= std::min(L, 1 + (L > 2 ? 2 : L - 1));
                if (inBlock)
                    EXPECT_EQ(Of(p.box[L][r][c]), Turned(before[k], dirs[i++])) << L << r << c;
                else
                    EXPECT_EQ(Of(p.box[L][r][c]), before[k]) << L << r << c;
            }
    EXPECT_EQ(i, 9);
}

TEST_F(PyramidTest, ShapeRotationsMoveBorderBoxesAndCarryTheIds)
{
    Make(4);
    p.bonusId[2] = BoxId(2, 0, 2);
    p.badId[3] = BoxId(3, 1, 0);
    const std::vector<Faces> before = AllFaces();
    const Faces apex = Of(p.box[0][0][0]);
    const Faces corner = Of(p.box[2][0][2]);
    const Faces inner = Of(p.box[2][1][1]);

    p.RotateShape(DirLeft);
    EXPECT_EQ(p.moves, 0);
    // (r, c) goes to (c, L - r).
    EXPECT_EQ(Of(p.box[2][2][2]), Turned(corner, DirLeft));
    EXPECT_EQ(p.bonusId[2], BoxId(2, 2, 2));
    EXPECT_EQ(p.badId[3], BoxId(3, 0, 2));
    EXPECT_EQ(Of(p.box[0][0][0]), Turned(apex, DirLeft));
    EXPECT_EQ(Of(p.box[2][1][1]), inner);  // inner boxes never change
    for (int k = 0; k < 3; ++k)
        p.RotateShape(DirLeft);
    EXPECT_EQ(AllFaces(), before);
    EXPECT_EQ(p.bonusId[2], BoxId(2, 0, 2));
    EXPECT_EQ(p.badId[3], BoxId(3, 1, 0));

    p.RotateShape(DirLeft);
    p.RotateShape(DirRight);
    EXPECT_EQ(AllFaces(), before);

    // Up and down turn the border boxes in place; the ids stay.
    p.RotateShape(DirUp);
    EXPECT_EQ(Of(p.box[2][0][2]), Turned(corner, DirUp));
    EXPECT_EQ(Of(p.box[2][1][1]), inner);
    EXPECT_EQ(p.bonusId[2], BoxId(2, 0, 2));
    p.RotateShape(DirDown);
    EXPECT_EQ(AllFaces(), before);
    p.RotateShape(0);
    p.RotateShape(5);
    EXPECT_EQ(AllFaces(), before);
    EXPECT_EQ(p.moves, 0);
}

TEST_F(PyramidTest, LevelTurnsOnlyLeftAndRight)
{
    Make(3);
    const std::vector<Faces> before = AllFaces();
    const struct { int number, dir; } refused[] = {{1, 3}, {2, 4}, {0, 1}, {4, 1}, {-1, 2}, {2, 0}};
    for (const auto &c : refused)
        p.RotateLevel(c.number, c.dir);
    EXPECT_EQ(AllFaces(), before);
    EXPECT_EQ(p.moves, 0);

    p.RotateLevel(1, DirLeft);  // the apex turns in place
    EXPECT_EQ(p.moves, 1);
    EXPECT_EQ(Of(p.box[0][0][0]), Turned(before[0], DirLeft));
    for (size_t i = 1; i < before.size(); ++i)
        EXPECT_EQ(AllFaces()[i], before[i]);

    p.bonusId[2] = BoxId(2, 0, 0);
    p.RotateLevel(3, DirRight);  // (r, c) goes to (L - c, r)
    EXPECT_EQ(p.moves, 2);
    EXPECT_EQ(p.bonusId[2], BoxId(2, 2, 0));
    EXPECT_EQ(Of(p.box[2][2][0]), Turned(before[5], DirRight));  // box (2,0,0) is the 6th
}

TEST_F(PyramidTest, EvaluateAgainstTheApex)
{
    Make(3);
    const TBoxRec apex = p.box[0][0][0];
    for (int L = 1; L < 3; ++L)
        for (int r = 0; r <= L; ++r)
            for (int c = 0; c <= L; ++c)
                if (OnBorder(L, r, c)) {
                    p.box[L][r][c].front = apex.front;
                    p.box[L][r][c].left = apex.left;
                    p.box[L][r][c].top = apex.top;
                }
    p.box[2][1][1].front = (apex.front + 1) % 6;  // inner boxes do not count
    EXPECT_TRUE(p.Evaluate(false));
    EXPECT_EQ(p.disorder, 0);
    EXPECT_FALSE(p.Evaluate(false));

    // One of the 12 compared boxes out of order: k = 2, S = 12, M = 11,
    // avg = int(1 / 2 + 0.5) = 1, disorder = 1 x 1 - 1 x |1 - 1| = 1.
    p.selectedId = BoxId(2, 1, 2);
    p.TurnBox(DirLeft);
    EXPECT_FALSE(p.Evaluate(false));
    EXPECT_EQ(p.disorder, 1);
    EXPECT_FALSE(p.inOrder);
    EXPECT_FALSE(p.Evaluate(true));
    EXPECT_TRUE(p.inOrder);
    EXPECT_EQ(p.score, 0);
    EXPECT_EQ(Of(p.box[2][1][2]), Of(apex));
}

TEST_F(PyramidTest, ClickAndDragOnTheFrontFace)
{
    Make(3);
    st.boxSize = 40;
    st.sideDepth = 10;
    st.topDepth = 10;
    QRect board(0, 0, 300, 300);
    p.FitToRect(board);
    p.PaintShape(board);  // no render bitmap: the boxes are placed, nothing drawn
    const TBoxRec &a = p.box[2][0][2], &b = p.box[2][1][2];
    EXPECT_TRUE(p.ClickBox(a.x + 3, a.y + 3, false));
    EXPECT_EQ(p.selectedId, a.id);
    // Only front-face boxes are hit: the front square of a box further
    // back is no target.
    const TBoxRec &back = p.box[2][0][1];
    p.ClickBox(back.x + 40, back.y + 5, true);
    EXPECT_NE(p.infoId, back.id);
    // A drag from the selected box onto another: 999; on the selected box: a turn.
    p.PressRelease(a.x + 3, a.y + 3, false);
    EXPECT_EQ(p.PressRelease(b.x + 3, a.y + 3, true), 999);
    p.PressRelease(a.x + 2, a.y + 2, false);
    EXPECT_EQ(p.PressRelease(a.x + 2, a.y + 10, true), 4);
    EXPECT_EQ(p.pressId, 0);
}
