// Evaluation of the Jumbled Cube: disorder, score, the once-only solved
// result and the cheat.
#include "GameFile.h"
#include "test_core_util.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace coretest;

namespace {

// Gives the surface boxes of the cube orientations by counts: the first
// count (the reference box included) gets the home orientation, the next
// counts further orientations. Interior boxes get yet another one, which
// must not count.
void Distribute(TCube &cube, int n, const std::vector<int> &counts)
{
    const std::vector<Orient> all = AllOrientations();
    std::vector<TBoxRec *> surface{&cube.box[0][n - 1][n - 1]};
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const bool onSurface = L == 0 || L == n - 1 || r == 0 || r == n - 1 || c == 0 || c == n - 1;
                if (!onSurface)
                    SetOrient(cube.box[L][r][c], all[23]);
                else if (!(L == 0 && r == n - 1 && c == n - 1))
                    surface.push_back(&cube.box[L][r][c]);
            }
    size_t k = 0;
    int total = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        total += counts[i];
        for (int j = 0; j < counts[i]; ++j)
            SetOrient(*surface.at(k++), all[i * 5]);
    }
    ASSERT_EQ(size_t(total), surface.size()) << "counts must cover the surface";
}

} // namespace

TEST(Evaluate, DisorderAndScoreWorkedExamples)
{
    struct Case {
        const char *what;
        int n;
        std::vector<int> counts;
        int initial, moves, movesAtEval;
        bool bonus, bad;
        int disorder, score, initialAfter, movesAtEvalAfter;
    } cases[] = {
        {"worked example", 3, {20, 4, 2}, 30, 5, 4, true, true, 8, 7, 30, 5},
        {"switches off", 3, {20, 4, 2}, 30, 5, 4, false, false, 8, 5, 30, 5},
        {"only bad boxes: +4", 3, {20, 4, 2}, 30, 5, 4, false, true, 8, 9, 30, 5},
        {"only bonus boxes: -2", 3, {20, 4, 2}, 30, 5, 4, true, false, 8, 3, 30, 5},
        {"-7 / 3 is -2", 3, {20, 4, 2}, 1, 10, 0, false, false, 8, 18, 1, 10},
        {"negative score is 0", 3, {20, 4, 2}, 8, 10, 9, false, false, 8, 0, 8, 10},
        // k 3, S 26, M 10, avg int(16 / 3 + 0.5) = 5: 2 x 16 - 2 x |6 - 5|;
        // both cells of 10 are left out.
        {"tie for the maximum", 3, {10, 10, 6}, 40, 2, 0, false, false, 30, 7, 40, 2},
        // k 5, S - M = 12, avg int(2.4 + 0.5) = 2: 4 x 12 - 4 x (3 + 2 + 0 + 1).
        {"five orientations", 3, {14, 5, 4, 2, 1}, 24, 1, 0, false, false, 24, 2, 24, 1},
        {"initial disorder taken", 3, {14, 5, 4, 2, 1}, 0, 1, 0, false, false, 24, 2, 24, 1},
        // k 2, S 8, M 6, avg 1: 1 x 2 - 1 x 1.
        {"two levels score 0", 2, {6, 2}, 20, 3, 0, true, true, 1, 0, 20, 3},
        // A = 1 x 4 + 4 - 2; (50 / 1 + 6 - 6) x 2.
        {"solved", 4, {56}, 50, 6, 5, true, true, 0, 100, 50, 6},
        // k 4, S - M = 28, avg int(7 + 0.5) = 7: 3 x 28 - 3 x (19 + 6 + 6) is
        // below 0; A = 4, ((30 + 9) / 4 + 4 - 1) x 2.
        {"negative disorder", 4, {28, 26, 1, 1}, 30, 1, 0, false, false, -9, 24, 30, 1},
    };
    for (const Case &c : cases) {
        TSettings s;
        s.bonusBoxes = c.bonus;
        s.badBoxes = c.bad;
        auto cube = MakeCube(s, c.n);
        Distribute(*cube, c.n, c.counts);
        cube->initialDisorder = c.initial;
        cube->moves = c.moves;
        cube->movesAtEval = c.movesAtEval;
        cube->disorder = 1234;
        cube->score = 99;
        const bool solved = c.counts.size() == 1;
        EXPECT_EQ(cube->Evaluate(false), solved) << c.what;
        EXPECT_EQ(cube->disorder, c.disorder) << c.what;
        EXPECT_EQ(cube->previousDisorder, 1234) << c.what;
        EXPECT_EQ(cube->score, c.score) << c.what;
        EXPECT_EQ(cube->initialDisorder, c.initialAfter) << c.what;
        EXPECT_EQ(cube->movesAtEval, c.movesAtEvalAfter) << c.what;
        EXPECT_EQ(cube->inOrder, solved) << c.what;
        EXPECT_FALSE(cube->cheated);
    }
}

TEST(Evaluate, WithoutAMoveOnlyTheDisorderIsRefreshed)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    Distribute(*cube, 3, {20, 4, 2});
    cube->initialDisorder = 30;
    cube->moves = 5;
    cube->movesAtEval = 4;
    cube->Evaluate(false);
    ASSERT_EQ(cube->score, 7);
    Distribute(*cube, 3, {10, 10, 6});
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_EQ(cube->disorder, 30);
    EXPECT_EQ(cube->previousDisorder, 8);
    EXPECT_EQ(cube->score, 7);
    EXPECT_EQ(cube->movesAtEval, 5);
    EXPECT_EQ(cube->initialDisorder, 30); // set once, never changed after
}

TEST(Evaluate, TrueOnlyWhenTheShapeComesIntoOrder)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    Distribute(*cube, 3, {26});
    EXPECT_TRUE(cube->Evaluate(false));
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_TRUE(cube->inOrder);
    Distribute(*cube, 3, {25, 1});
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_FALSE(cube->inOrder);
    Distribute(*cube, 3, {26});
    EXPECT_TRUE(cube->Evaluate(false));
    EXPECT_FALSE(cube->Evaluate(false));
}

TEST(Evaluate, TheReferenceIsTheTopLeftFrontCorner)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    Distribute(*cube, 3, {26});
    // Only the reference differs: the other 25 boxes do not match it.
    // k 2, S 26, M 25, avg int(0.5 + 0.5) = 1: 1 x 1 - 1 x |1 - 1|.
    SetOrient(cube->box[0][2][2], AllOrientations()[7]);
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_FALSE(cube->inOrder);
    EXPECT_EQ(cube->disorder, 1);
}

TEST(Evaluate, CheatSolvesAndKeepsTheScoreAtZero)
{
    TSettings s;
    const int n = 4;
    auto cube = MakeCube(s, n);
    Distribute(*cube, n, {40, 10, 6});
    const Orient interior = OrientOf(cube->box[1][1][1]);
    cube->initialDisorder = 500;
    cube->moves = 3;
    cube->movesAtEval = 0;
    cube->score = 77;
    EXPECT_FALSE(cube->Evaluate(true));
    EXPECT_TRUE(cube->inOrder);
    EXPECT_TRUE(cube->cheated);
    EXPECT_EQ(cube->score, 0);
    EXPECT_EQ(cube->disorder, 0);
    const Orient ref = OrientOf(cube->box[0][n - 1][n - 1]);
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const bool onSurface = L == 0 || L == n - 1 || r == 0 || r == n - 1 || c == 0 || c == n - 1;
                EXPECT_EQ(OrientOf(cube->box[L][r][c]), onSurface ? ref : interior) << L << r << c;
            }
    // Already in order: no second "solved".
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_EQ(cube->disorder, 0);
    // Later moves score nothing.
    cube->selectedId = BoxId(2, 1, 3);
    cube->bonusId[2] = 0;
    cube->TurnBox(1);
    EXPECT_FALSE(cube->Evaluate(false));
    EXPECT_GT(cube->disorder, 0);
    EXPECT_EQ(cube->score, 0);
    cube->TurnBox(2);
    EXPECT_TRUE(cube->Evaluate(false));
    EXPECT_EQ(cube->score, 0);
    EXPECT_TRUE(cube->cheated);
}

TEST(Evaluate, AReachedNegativeDisorderIsSavedAndLoadedBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TSettings s;
    s.gameType = 2;
    auto cube = MakeCube(s, 4);
    Distribute(*cube, 4, {28, 26, 1, 1});
    cube->Evaluate(false);
    ASSERT_EQ(cube->disorder, -9);
    ASSERT_EQ(cube->initialDisorder, -9);
    const QString path = dir.filePath("negative.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    TSettings t;
    std::unique_ptr<TGame> loaded = LoadGameFile(t, path, [](int, TSettings *st) -> std::unique_ptr<TGame> {
        return std::make_unique<TCube>(st);
    });
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->disorder, -9);
    EXPECT_EQ(loaded->initialDisorder, -9);
}
