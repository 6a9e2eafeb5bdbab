// Info cards: the lines of the Jumbled Cube's and the Jumbled Pyramid's
// cards and how PaintInfoCard draws the opened box.
#include "test_board_util.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TCube.h"
#include "TPyramid.h"
#include "VlScale.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace paintertest;

namespace {

QStringList Lines(const TSettings &st)
{
    QStringList l;
    for (const QString &s : st.infoLines)
        l << s;
    return l;
}

template <typename G>
void SetUpGame(G &g, TSettings &st, int n)
{
    st.levels = n;
    TScriptedRandom zeros;
    TRandomScope scope(zeros);
    g.Setup();
}

QImage Window()
{
    QImage w(300, 300, QImage::Format_RGB32);
    w.fill(Qt::white);
    return w;
}

} // namespace

TEST(InfoLines, CubePositionBonusAndBad)
{
    TSettings st;
    TCube g(&st);
    SetUpGame(g, st, 4);
    g.bonusId[0] = BoxId(0, 1, 3);
    g.badId[0] = BoxId(0, 2, 3);
    g.badId[3] = BoxId(3, 0, 3);
    g.bonusId[3] = BoxId(3, 1, 3);
    const struct { int id; bool bonus, bad; QStringList lines; } cases[] = {
        {BoxId(0, 3, 3), true, true, {"1, 1"}},               // top left front
        {BoxId(3, 0, 3), true, true, {"4, 4", "(Bad!)"}},     // bottom right front, bad
        {BoxId(0, 1, 3), true, true, {"1, 3", "(Bonus!)"}},
        {BoxId(0, 1, 3), false, true, {"1, 3"}},              // bonus switched off
        {BoxId(0, 2, 3), true, false, {"1, 2"}},              // bad switched off
        {BoxId(2, 2, 0), true, true, {"3, 2"}},               // any box locates
    };
    for (const auto &c : cases) {
        st.bonusBoxes = c.bonus;
        st.badBoxes = c.bad;
        QImage w = Window();
        QPainter draw(&w);
        g.PaintInfo(draw, c.id);
        EXPECT_EQ(Lines(st), c.lines) << c.id;
        EXPECT_EQ(st.scratchBox.id, c.id);
    }
    // A box that is both bonus and bad shows the bonus.
    g.badId[0] = BoxId(0, 1, 3);
    st.bonusBoxes = st.badBoxes = true;
    QImage w = Window();
    QPainter draw(&w);
    g.PaintInfo(draw, BoxId(0, 1, 3));
    EXPECT_EQ(Lines(st), QStringList({"1, 3", "(Bonus!)"}));
    // An id that no longer locates a box leaves the lines as they were.
    g.PaintInfo(draw, 0);
    g.PaintInfo(draw, 42);
    EXPECT_EQ(Lines(st), QStringList({"1, 3", "(Bonus!)"}));
}

TEST(InfoLines, PyramidCountsWithinItsLevel)
{
    TSettings st;
    TPyramid g(&st);
    SetUpGame(g, st, 4);
    g.bonusId[2] = BoxId(2, 0, 2);
    g.badId[3] = BoxId(3, 3, 3);
    const struct { int id; QStringList lines; } cases[] = {
        {BoxId(0, 0, 0), {"1, 1"}},
        {BoxId(2, 0, 2), {"3, 3", "(Bonus!)"}},
        {BoxId(2, 2, 2), {"3, 1"}},
        {BoxId(3, 3, 3), {"4, 1", "(Bad!)"}},
        {BoxId(3, 0, 3), {"4, 4"}},
    };
    for (const auto &c : cases) {
        QImage w = Window();
        QPainter draw(&w);
        g.PaintInfo(draw, c.id);
        EXPECT_EQ(Lines(st), c.lines) << c.id;
    }
}

namespace {

// A card for a box at (40, 40) with edge 120 and depths 30, drawn without
// text: the back face, the right face and the bottom face.
struct CardTest : ::testing::Test {
    TSettings st;
    static constexpr int X = 40, Y = 40, S = 120, D = 30, E = 30;

    void SetUp() override
    {
        for (int f = 0; f < 6; ++f)
            st.faceColor[f] = FaceColors[f];
        st.boxSize = S;
        st.sideDepth = D;
        st.topDepth = E;
        st.scratchBox.id = 123;
        st.scratchBox.x = X;
        st.scratchBox.y = Y;
        st.scratchBox.front = 0;  // back 5
        st.scratchBox.left = 1;   // right 4
        st.scratchBox.top = 2;    // bottom 3
    }

    QImage Draw(int selectedId, bool withText)
    {
        QImage w = Window();
        QPainter draw(&w);
        st.PaintInfoCard(draw, selectedId, withText);
        return w;
    }

    static QRgb Q(Color c) { return ToQRgb(COLORREF(c)); }
};

const QPoint BackCentre(CardTest::X + 45, CardTest::Y + 45);
const QPoint RightCentre(CardTest::X + 105, CardTest::Y + 60);
const QPoint BottomCentre(CardTest::X + 45, CardTest::Y + 105);

} // namespace

TEST_F(CardTest, HiddenFacesInTheirColoursWithEdges)
{
    const QImage w = Draw(0, false);
    EXPECT_EQ(w.pixel(BackCentre), Q(FaceColors[5]));
    EXPECT_EQ(w.pixel(RightCentre), Q(FaceColors[4]));
    EXPECT_EQ(w.pixel(BottomCentre), Q(FaceColors[3]));
    // Edges in infoColor (black): the outer edge of the back face.
    EXPECT_EQ(w.pixel(X, Y + 45), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + 45, Y), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + 200, Y + 45), qRgb(255, 255, 255));
}

TEST_F(CardTest, WithoutBoxColoursAllBlackWithDarkBlueEdgesAndYellowWhenSelected)
{
    st.useBoxColors = false;
    QImage w = Draw(0, false);
    for (QPoint p : {BackCentre, RightCentre, BottomCentre})
        EXPECT_EQ(w.pixel(p), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X, Y + 45), Q(st.infoEdgeColor));
    EXPECT_EQ(QColor(w.pixel(X, Y + 45)), QColor(0, 0, 0x80));

    for (bool colours : {false, true}) {
        st.useBoxColors = colours;
        w = Draw(123, false);
        EXPECT_EQ(w.pixel(X, Y + 45), Q(st.dragColor)) << colours;
        EXPECT_EQ(QColor(w.pixel(X, Y + 45)), QColor(255, 255, 0));
    }
}

TEST_F(CardTest, TextBlockIsCentredOnTheSquare)
{
    st.infoLines = {"1, 1", "(Bonus!)"};
    const QImage w = Draw(0, true);
    const QFontMetrics fm(VlFont);
    const int W = std::max(fm.horizontalAdvance("1, 1"), fm.horizontalAdvance("(Bonus!)"));
    const int H = 4 + 2 * fm.height();
    const int gx = (S - W - 4) / 2, gy = (S - H) / 2;
    ASSERT_GT(gx, 0);
    ASSERT_GT(gy, 0);
    // The ground of the text is infoColor, from (x + gx, y + gy), W + 4 by H.
    EXPECT_EQ(w.pixel(X + gx, Y + gy), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + gx + W + 3, Y + gy + H - 1), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + gx - 1, Y + gy + 1), Q(FaceColors[5]));
    EXPECT_EQ(w.pixel(X + gx + 1, Y + gy - 1), Q(FaceColors[5]));
    // Some text in infoTextColor lies inside it.
    int ink = 0;
    for (int y = Y + gy; y < Y + gy + H; ++y)
        for (int x = X + gx; x < X + gx + W + 4; ++x)
            ink += w.pixel(x, y) != Q(st.infoColor);
    EXPECT_GT(ink, 10);
}

TEST_F(CardTest, WideTextCoversTheWholeBoxWidth)
{
    st.boxSize = 40;
    st.sideDepth = 10;
    st.topDepth = 10;
    st.infoLines = {"a line much wider than forty pixels"};
    const QImage w = Draw(0, true);
    const QFontMetrics fm(VlFont);
    const int H = 4 + fm.height();
    const int gy = (40 - H) / 2;
    EXPECT_EQ(w.pixel(X + 1, Y + gy + 1), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + 38, Y + gy + 1), Q(st.infoColor));
    EXPECT_EQ(w.pixel(X + 1, Y + gy - 1), Q(FaceColors[5]));
}
