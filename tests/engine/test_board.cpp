// Board geometry (FitToRect) of the cube family, the pyramid and the intro,
// and where PaintShape places and draws the boxes.
#include "test_board_util.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSplash.h"

#include <QRect>

#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

using namespace paintertest;

namespace {

enum class Kind { Cube, Pyramid, Intro, Jigsaw, Rebukes };

std::unique_ptr<TGame> Make(Kind kind, TSettings *st)
{
    switch (kind) {
    case Kind::Pyramid:
        return std::make_unique<TPyramid>(st);
    case Kind::Intro:
        return std::make_unique<TSplash>(st);
    case Kind::Jigsaw:
        return std::make_unique<TJigsaw>(st);
    case Kind::Rebukes:
        return std::make_unique<TRebukes>(st);
    default:
        return std::make_unique<TCube>(st);
    }
}

std::unique_ptr<TGame> MakeSetUp(Kind kind, TSettings *st)
{
    auto g = Make(kind, st);
    TScriptedRandom zeros;
    TRandomScope scope(zeros);
    g->Setup();
    return g;
}

const char *Name(Kind k)
{
    switch (k) {
    case Kind::Pyramid:
        return "pyramid";
    case Kind::Intro:
        return "intro";
    case Kind::Jigsaw:
        return "jigsaw";
    case Kind::Rebukes:
        return "rebukes";
    default:
        return "cube";
    }
}

} // namespace

TEST(FitToRect, GeometryTable)
{
    const struct Case {
        Kind kind;
        int w, h, n;
        float side, top;
        int box, sideDepth, topDepth;
        QRect board;  // after centring, from a board at (0, 0)
    } cases[] = {
        // s = 600 / 5 = 120, no slack.
        {Kind::Cube, 600, 600, 4, 0.25f, 0.25f, 120, 30, 30, QRect(0, 0, 600, 600)},
        // s = 600 / 5.2 = 115.38: box 115 made even 114, depths 35 made even 36.
        {Kind::Cube, 600, 600, 4, 0.3f, 0.3f, 114, 36, 36, QRect(0, 0, 600, 600)},
        // Height decides; 400 pixels of horizontal slack, 200 on each side.
        {Kind::Cube, 1000, 600, 4, 0.25f, 0.25f, 120, 30, 30, QRect(200, 0, 600, 600)},
        // s = 120.4: a slack of 1 moves nothing.
        {Kind::Cube, 301, 301, 2, 0.25f, 0.25f, 120, 30, 30, QRect(0, 0, 301, 301)},
        // s = 121.2: box 121 made even 120; slack 3 moves each edge by 1.
        {Kind::Cube, 303, 303, 2, 0.25f, 0.25f, 120, 30, 30, QRect(1, 1, 301, 301)},
        // s = 124: depth 31.5 rounds to 31, made even 32; negative slack.
        {Kind::Cube, 310, 310, 2, 0.25f, 0.25f, 124, 32, 32, QRect(0, 0, 310, 310)},
        // Ratios 0: no depth.
        {Kind::Cube, 400, 300, 3, 0.0f, 0.0f, 100, 0, 0, QRect(50, 0, 300, 300)},
        // 8 levels on a full-HD board: box 108, depths 27 made even 28.
        {Kind::Cube, 1920, 1080, 8, 0.25f, 0.25f, 108, 28, 28, QRect(416, 0, 1088, 1080)},
        // Different ratios: s = min(600 / 4.5, 800 / 5.6) = 133.33; depths
        // 53.8 and 17.2 rounded and made even.
        {Kind::Cube, 800, 600, 4, 0.4f, 0.125f, 132, 54, 18, QRect(28, 0, 744, 600)},
        // Pyramid: height term 600 / (5 x 0.5 x 0.25 + 4) = 129.73, width 120;
        // vertical slack 600 - 5 x 15 - 4 x 120 = 45.
        {Kind::Pyramid, 600, 600, 4, 0.25f, 0.25f, 120, 30, 30, QRect(0, 22, 600, 556)},
        // Pyramid limited by height: s = 129.73, box 128, depths 32.
        {Kind::Pyramid, 1000, 600, 4, 0.25f, 0.25f, 128, 32, 32, QRect(180, 4, 640, 592)},
        // Intro: s = min(600 / 3.75, 600 / 5) = 120; slack 90 and 210.
        {Kind::Intro, 600, 600, 8, 0.25f, 0.25f, 120, 30, 30, QRect(45, 105, 510, 390)},
        // Intro limited by height: s = 300 / 3.75 = 80.
        {Kind::Intro, 1000, 300, 2, 0.25f, 0.25f, 80, 20, 20, QRect(330, 20, 340, 260)},
    };
    for (const Case &c : cases) {
        TSettings st;
        st.levels = c.n;
        st.sideRatio = c.side;
        st.topRatio = c.top;
        auto g = Make(c.kind, &st);
        QRect board(0, 0, c.w, c.h);
        g->FitToRect(board);
        const std::string what = std::string(Name(c.kind)) + " " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                                 " n" + std::to_string(c.n);
        EXPECT_EQ(st.boxSize, c.box) << what;
        EXPECT_EQ(st.sideDepth, c.sideDepth) << what;
        EXPECT_EQ(st.topDepth, c.topDepth) << what;
        EXPECT_EQ(board, c.board) << what;
    }
}

TEST(FitToRect, BoardOrRatiosThatCannotBeLaidOutChangeNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct { int w, h; float side, top; } cases[] = {
        {0, 600, 0.25f, 0.25f}, {600, 0, 0.25f, 0.25f}, {-10, 600, 0.25f, 0.25f}, {600, -1, 0.25f, 0.25f},
        {600, 600, -1.0f, 0.25f}, {600, 600, 0.25f, -1.0f}, {600, 600, 0.6f, 0.25f}, {600, 600, 0.25f, 0.51f},
        {600, 600, nan, 0.25f}, {600, 600, 0.25f, nan},
    };
    for (Kind kind : {Kind::Cube, Kind::Pyramid, Kind::Intro})
        for (const auto &c : cases) {
            Board b(100, 100);
            TSettings &st = *b.st;
            st.levels = 4;
            st.sideRatio = c.side;
            st.topRatio = c.top;
            auto g = MakeSetUp(kind, &st);
            QRect board(10, 20, c.w, c.h);
            const QRect before = board;
            g->FitToRect(board);
            EXPECT_EQ(board, before) << Name(kind) << c.w << "x" << c.h;
            EXPECT_EQ(st.boxSize, 44);
            EXPECT_EQ(st.sideDepth, 11);
            EXPECT_EQ(st.topDepth, 11);
            // Nothing is drawn and no box is placed.
            const std::vector<COLORREF> plain = Pixels(b.rb());
            g->PaintShape(board);
            EXPECT_EQ(Pixels(b.rb()), plain) << Name(kind);
            for (int L = 0; L < 8; ++L)
                for (int r = 0; r < 8; ++r)
                    for (int col = 0; col < 8; ++col) {
                        EXPECT_EQ(g->box[L][r][col].x, 0);
                        EXPECT_EQ(g->box[L][r][col].y, 0);
                    }
        }
}

TEST(PaintShape, CubePlacesTheVisibleBoxesBackToFront)
{
    Board b(600, 600);
    TSettings &st = *b.st;
    st.levels = 4;
    auto g = MakeSetUp(Kind::Cube, &st);
    QRect board(0, 0, 600, 600);
    g->FitToRect(board);
    g->PaintShape(board);
    // X = 600 - 3 x 30 - 120 = 390, Y of the bottom level 390.
    const struct { int L, r, c, x, y; } placed[] = {
        {3, 0, 3, 480, 480},  // bottom right front: the shape's lower right corner
        {0, 3, 3, 120, 120},  // top left front
        {0, 0, 0, 390, 30},   // top level, right, back: only its top shows
        {2, 3, 1, 60, 300},   // left side
        {1, 1, 3, 360, 240},  // front
        {1, 1, 1, 0, 0},      // interior: never drawn
        {3, 0, 0, 0, 0},      // bottom, right, back: shows no face
        {2, 1, 2, 0, 0},
    };
    for (const auto &p : placed) {
        EXPECT_EQ(g->box[p.L][p.r][p.c].x, p.x) << p.L << p.r << p.c;
        EXPECT_EQ(g->box[p.L][p.r][p.c].y, p.y) << p.L << p.r << p.c;
    }
    // The front face of a front box, the left face of a left box, the top
    // face of a top box show their face colours.
    const TBoxRec &front = g->box[1][1][3];
    EXPECT_EQ(b.At(front.x + 60, front.y + 60), COLORREF(FaceColors[front.front]));
    const TBoxRec &left = g->box[2][3][1];
    EXPECT_EQ(b.At(left.x - 15, left.y + 60), COLORREF(FaceColors[left.left]));
    const TBoxRec &top = g->box[0][1][1];
    EXPECT_EQ(b.At(top.x + 60, top.y - 15), COLORREF(FaceColors[top.top]));
    // Nothing outside [right - 4 x 150, right] x [bottom - 4 x 150, bottom].
    EXPECT_EQ(b.At(30, 590), Board::Background);
    EXPECT_EQ(b.At(590, 30), Board::Background);
}

TEST(PaintShape, SelectedBoxIsOutlinedAndOthersAreNot)
{
    Board b(640, 640);
    TSettings &st = *b.st;
    st.levels = 3;
    auto g = MakeSetUp(Kind::Cube, &st);
    QRect board(0, 0, 600, 600);
    g->FitToRect(board);
    g->PaintShape(board);
    const COLORREF yellow = COLORREF(st.selectColor);
    EXPECT_EQ(CountColor(b.rb(), yellow), 0);
    // The bottom right front box, drawn last: its whole outline shows.
    g->selectedId = g->box[2][0][2].id;
    b.Clear();
    g->PaintShape(board);
    const TBoxRec &sel = g->box[2][0][2];
    const int s = st.boxSize;
    EXPECT_EQ(b.At(sel.x + 1, sel.y + s / 2), yellow);
    EXPECT_EQ(b.At(sel.x + s, sel.y + s / 2), yellow);
    EXPECT_EQ(b.At(sel.x + s / 2, sel.y + s), yellow);
    EXPECT_EQ(b.At(sel.x + s / 2, sel.y + s / 2), COLORREF(FaceColors[sel.front]));
    // An outline drawn early is partly covered by the boxes drawn after it.
    g->selectedId = g->box[0][0][0].id;  // back corner of the top: its top face only
    b.Clear();
    g->PaintShape(board);
    EXPECT_GT(CountColor(b.rb(), yellow), 0);
}

TEST(PaintShape, PyramidPlacesEveryBorderBoxAndDrawsTheSteps)
{
    Board b(600, 600);
    TSettings &st = *b.st;
    st.levels = 4;
    auto g = MakeSetUp(Kind::Pyramid, &st);
    QRect board(0, 0, 600, 600);
    g->FitToRect(board);  // (0, 22, 600, 556): right 600, bottom 578
    g->PaintShape(board);
    // Bottom level X = 390, Y = 368; each level above (120 - 30) / 2 = 45
    // further left and 120 - 15 = 105 further up.
    const struct { int L, r, c, x, y; } placed[] = {
        {3, 0, 3, 480, 458}, {3, 3, 3, 120, 458}, {3, 0, 0, 390, 368}, {3, 2, 0, 150, 368},
        {2, 0, 2, 405, 323}, {2, 2, 2, 165, 323}, {1, 0, 1, 330, 188}, {1, 1, 0, 180, 158},
        {0, 0, 0, 255, 53},
        {3, 1, 1, 0, 0},  {3, 2, 2, 0, 0}, {2, 1, 1, 0, 0},  // inner boxes are never placed
    };
    for (const auto &p : placed) {
        EXPECT_EQ(g->box[p.L][p.r][p.c].x, p.x) << p.L << p.r << p.c;
        EXPECT_EQ(g->box[p.L][p.r][p.c].y, p.y) << p.L << p.r << p.c;
    }
    // The apex shows all three faces.
    const TBoxRec &apex = g->box[0][0][0];
    EXPECT_EQ(b.At(apex.x + 60, apex.y + 60), COLORREF(FaceColors[apex.front]));
    EXPECT_EQ(b.At(apex.x - 15, apex.y + 60), COLORREF(FaceColors[apex.left]));
    EXPECT_EQ(b.At(apex.x + 60, apex.y - 15), COLORREF(FaceColors[apex.top]));
    // On the step of level 3 the tops of row 0, columns 2 and 1 show.
    const TBoxRec &step = g->box[3][0][2];
    EXPECT_EQ(b.At(step.x + 90, step.y - 15), COLORREF(FaceColors[step.top]));
}

TEST(PaintShape, IntroPlacesItsSixBoxes)
{
    Board b(600, 600);
    TSettings &st = *b.st;
    auto g = MakeSetUp(Kind::Intro, &st);
    QRect board(0, 0, 600, 600);
    g->FitToRect(board);  // (45, 105, 510, 390): right 555, bottom 495
    g->PaintShape(board);
    const struct { int L, r, x, y; } placed[] = {
        {2, 0, 315, 375}, {2, 1, 195, 375}, {1, 0, 435, 255}, {1, 1, 75, 255}, {0, 0, 315, 135}, {0, 1, 195, 135},
    };
    for (const auto &p : placed) {
        EXPECT_EQ(g->box[p.L][p.r][1].x, p.x) << p.L << p.r;
        EXPECT_EQ(g->box[p.L][p.r][1].y, p.y) << p.L << p.r;
    }
    // The middle level's right box shows its left face in the gap.
    const TBoxRec &b10 = g->box[1][0][1];
    EXPECT_EQ(b.At(b10.x - 15, b10.y + 60), COLORREF(FaceColors[b10.left]));
    // The gap between the middle boxes stays empty.
    EXPECT_EQ(b.At(300, 300), Board::Background);
}

TEST(PaintShape, NoHitTestFindsABoxBeforeItIsLaidOut)
{
    for (Kind kind : {Kind::Cube, Kind::Pyramid, Kind::Intro, Kind::Jigsaw, Kind::Rebukes}) {
        Board b(600, 600);
        TSettings &st = *b.st;
        st.levels = 3;
        auto g = MakeSetUp(kind, &st);
        // Every box is still at (0, 0).
        EXPECT_FALSE(g->ClickBox(0, 0, false)) << Name(kind);
        EXPECT_FALSE(g->ClickBox(10, 10, true)) << Name(kind);
        EXPECT_EQ(g->PressRelease(5, 5, false), 0);
        EXPECT_EQ(g->pressId, 0);
        EXPECT_EQ(g->selectedId, 0);
        EXPECT_EQ(g->infoId, 0);
        QRect board(0, 0, 600, 600);
        g->FitToRect(board);
        g->PaintShape(board);
        EXPECT_TRUE(g->Positioned()) << Name(kind);
        // The top box of the front: column 2 of the cubes, 1 of the intro,
        // the apex of the pyramid.
        const int col = kind == Kind::Pyramid ? 0 : kind == Kind::Intro ? 1 : 2;
        const TBoxRec &top = g->box[0][0][col];
        EXPECT_TRUE(g->ClickBox(top.x + 5, top.y + 5, true)) << Name(kind);
        EXPECT_EQ(g->infoId, top.id) << Name(kind);
        // A board that cannot be drawn takes the boxes away again.
        QRect empty(0, 0, 0, 0);
        g->PaintShape(empty);
        EXPECT_FALSE(g->Positioned()) << Name(kind);
        EXPECT_FALSE(g->ClickBox(top.x + 5, top.y + 5, true)) << Name(kind);
        // So does a new game: its boxes are back at (0, 0), unplaced.
        g->PaintShape(board);
        ASSERT_TRUE(g->Positioned()) << Name(kind);
        g->Setup();
        EXPECT_FALSE(g->Positioned()) << Name(kind);
        EXPECT_FALSE(g->ClickBox(5, 5, true)) << Name(kind);
        EXPECT_EQ(g->PressRelease(5, 5, false), 0) << Name(kind);
        EXPECT_EQ(g->pressId, 0) << Name(kind);
    }
}
