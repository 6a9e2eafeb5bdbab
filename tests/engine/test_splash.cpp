// The intro scene: its six boxes, LocateBox, turns, evaluation and tips.
#include "test_board_util.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TSplash.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace paintertest;

namespace {

struct SplashTest : ::testing::Test {
    Board board{600, 600};
    TSettings &st = *board.st;
    TSplash g{&st};

    void SetUp() override
    {
        st.levels = 6;  // the scene keeps 3 whatever the settings say
        TScriptedRandom script({2, 0, 1, 2, 3, 0, 1});
        {
            TRandomScope scope(script);
            g.Setup();
        }
        ASSERT_EQ(script.bounds, (std::vector<int>{6, 4, 4, 4, 4, 4, 4}));
    }

    void LayOut()
    {
        QRect r(0, 0, 600, 600);
        g.FitToRect(r);
        g.PaintShape(r);
    }

    QPoint Centre(int L, int R) const
    {
        const TBoxRec &b = g.box[L][R][1];
        return QPoint(b.x + st.boxSize / 2, b.y + st.boxSize / 2);
    }
};

} // namespace

TEST_F(SplashTest, SixBoxesWithTheirIdsAndDifferentFronts)
{
    // First Random(6) = 2: the fronts run 3, 4, 5, 0, 1, 2.
    const struct { int L, R, id, front; } cases[] = {
        {0, 0, 101, 3}, {0, 1, 111, 4}, {1, 0, 201, 5}, {1, 1, 211, 0}, {2, 0, 301, 1}, {2, 1, 311, 2},
    };
    for (const auto &c : cases) {
        const TBoxRec &b = g.box[c.L][c.R][1];
        EXPECT_EQ(b.id, c.id);
        EXPECT_EQ(b.front, c.front) << c.id;
        EXPECT_NE(b.left, b.front);
        EXPECT_NE(b.left, 5 - b.front);
        EXPECT_TRUE(IsValidOrientation(b.front, b.left, b.top)) << c.id;
    }
    EXPECT_EQ(g.levels, 3);
    EXPECT_EQ(g.bonusId[0], 0);
    EXPECT_EQ(g.badId[2], 0);
}

TEST_F(SplashTest, LocateBoxOnlyInColumnOneAndWithTheCubesLowerBound)
{
    const struct { int id; bool ok; int L, R; } cases[] = {
        {311, true, 2, 1}, {101, true, 0, 0}, {771, true, 6, 7}, {312, false, 0, 0}, {300, false, 0, 0},
        {0, false, 0, 0}, {51, false, 0, 0}, {1, false, 0, 0}, {-99, false, 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(g.LocateBox(c.id), c.ok) << c.id;
        if (c.ok) {
            EXPECT_EQ(g.curLevel, c.L);
            EXPECT_EQ(g.curRow, c.R);
            EXPECT_EQ(g.curCol, 1);
        }
    }
}

TEST_F(SplashTest, ClicksAndDragsLikeTheCube)
{
    LayOut();
    const QPoint p = Centre(1, 1);
    EXPECT_TRUE(g.ClickBox(p.x(), p.y(), true));
    EXPECT_EQ(g.infoId, 211);
    EXPECT_TRUE(g.ClickBox(p.x(), p.y(), true));
    EXPECT_EQ(g.infoId, 0);
    EXPECT_EQ(g.selectedId, 0);
    // The gap between the middle boxes holds no box.
    EXPECT_FALSE(g.ClickBox(300, 300, false));

    // A drag of 8 pixels between two boxes with none selected rotates.
    const QPoint a = Centre(2, 1), b = Centre(2, 0);
    g.PressRelease(a.x(), a.y(), false);
    EXPECT_EQ(g.pressId, 311);
    EXPECT_EQ(g.PressRelease(b.x(), b.y(), true), 12);
    // 7 pixels is a click.
    g.PressRelease(a.x(), a.y(), false);
    EXPECT_EQ(g.PressRelease(a.x() + 7, a.y() - 7, true), 0);
}

TEST_F(SplashTest, TurnsAndRotations)
{
    TBoxRec before[3][2];
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R)
            before[L][R] = g.box[L][R][1];
    g.selectedId = 201;
    for (int k = 0; k < 4; ++k)
        g.TurnBox(DirDown);
    EXPECT_EQ(g.moves, 4);
    EXPECT_EQ(g.box[1][0][1].front, before[1][0].front);
    EXPECT_EQ(g.box[1][0][1].left, before[1][0].left);
    g.TurnBox(DirDown);
    EXPECT_EQ(g.box[1][0][1].front, before[1][0].top);

    g.RotateShape(DirLeft);
    EXPECT_EQ(g.moves, 5);
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R) {
            if (L == 1 && R == 0)
                continue;
            EXPECT_EQ(g.box[L][R][1].front, 5 - before[L][R].left);
            EXPECT_EQ(g.box[L][R][1].left, before[L][R].front);
            EXPECT_EQ(g.box[L][R][1].id, before[L][R].id);
        }
    // Nothing selected, or a direction out of range: nothing.
    g.selectedId = 0;
    g.TurnBox(DirLeft);
    g.RotateShape(7);
    EXPECT_EQ(g.moves, 5);
}

TEST_F(SplashTest, EvaluateAgainstTheSelectedBox)
{
    // Reference box [2][1][1] (front 2) when nothing is selected: six
    // different fronts, k = 6, S = 6, M = 1, avg = int(5 / 6 + 0.5) = 1,
    // disorder = 5 x 5 - the cells equal to M are skipped: 25.
    EXPECT_FALSE(g.Evaluate(false));
    EXPECT_EQ(g.disorder, 25);
    g.selectedId = 101;
    g.Evaluate(true);
    for (int L = 0; L < 3; ++L)
        for (int R = 0; R < 2; ++R)
            EXPECT_EQ(g.box[L][R][1].front, 3);
    EXPECT_EQ(g.score, 0);
}

TEST(SplashTips, EachBoxHasItsThreeLines)
{
    const struct { int L, R; const char *lines[3]; } cases[] = {
        {0, 0, {"Click to select", "a box.  Right-click", "to open a box."}},
        {0, 1, {"Welcome!  You can", "practice with these", "intro boxes."}},
        {1, 0, {"Use Options to set", "Game configuration", "and box appearance"}},
        {1, 1, {"Choose a Game Type", "and Levels.  Press", "New Game to begin."}},
        {2, 0, {"Playing with higher", "Levs will increase", "Scores!"}},
        {2, 1, {"Click & drag mouse", "to rotate puzzle or", "a selected box."}},
    };
    for (const auto &c : cases) {
        QString lines[3];
        TSplash::TipLines(c.L, c.R, lines);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(lines[i].toStdString(), c.lines[i]) << c.L << c.R;
    }
}

TEST_F(SplashTest, RightClickOpensTheTipCard)
{
    LayOut();
    const QPoint p = Centre(1, 1);
    ASSERT_TRUE(g.ClickBox(p.x(), p.y(), true));
    QImage window(600, 600, QImage::Format_RGB32);
    window.fill(Qt::white);
    {
        QPainter draw(&window);
        g.PaintInfo(draw, g.infoId);
    }
    ASSERT_EQ(st.infoLines.size(), 3);
    EXPECT_EQ(st.infoLines[0], QStringLiteral("Choose a Game Type"));
    EXPECT_EQ(st.infoLines[1], QStringLiteral("and Levels.  Press"));
    EXPECT_EQ(st.infoLines[2], QStringLiteral("New Game to begin."));
    // The card covers the box's front square.
    const TBoxRec &b = g.box[1][1][1];
    EXPECT_NE(window.pixel(b.x + 5, b.y + 5), qRgb(255, 255, 255));

    // An id that locates nothing draws nothing and keeps the lines.
    QImage blank(600, 600, QImage::Format_RGB32);
    blank.fill(Qt::white);
    {
        QPainter draw(&blank);
        g.PaintInfo(draw, 0);
        g.PaintInfo(draw, 51);
    }
    EXPECT_EQ(st.infoLines.size(), 3);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 600; x += 7)
            ASSERT_EQ(blank.pixel(x, y), qRgb(255, 255, 255));
}
