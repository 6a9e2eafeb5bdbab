// Board cursors: the picture each game type shows for a press, a move and
// a release, with the drag thresholds of 8 pixels (boxes and shape) and 12
// pixels (Rebukes slices).
#include "test_cursor_board.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSplash.h"
#include "TSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace boardtest;

namespace {

struct Pick {
    std::string name;
    bool moving;
};

Pick Cursor(TGame &g, int x, int y, bool pressed)
{
    bool moving = !pressed;   // whatever it was, it must be set
    const QImage image = g.DragCursor(x, y, pressed, moving);
    return {CursorName(image), moving};
}

// A press-and-release game laid out on a 400 x 400 board, with two of its
// front boxes to work on.
struct PressGame {
    std::string type;
    TSettings s;
    std::unique_ptr<TGame> game;
    int a = 0, b = 0;   // ids of two front boxes
    QPoint Centre(int id)
    {
        EXPECT_TRUE(game->LocateBox(id));
        const TBoxRec &bx = game->box[game->curLevel][game->curRow][game->curCol];
        return {bx.x + s.boxSize / 2, bx.y + s.boxSize / 2};
    }
};

std::unique_ptr<PressGame> MakePressGame(const std::string &type)
{
    auto p = std::make_unique<PressGame>();
    p->type = type;
    p->s.levels = 3;
    if (type == "cube") {
        p->game = std::make_unique<TCube>(&p->s);
        p->a = BoxId(1, 1, 2);
        p->b = BoxId(0, 0, 2);
    } else if (type == "pyramid") {
        p->game = std::make_unique<TPyramid>(&p->s);
        p->a = BoxId(2, 1, 2);
        p->b = BoxId(1, 0, 1);
    } else {
        p->game = std::make_unique<TSplash>(&p->s);
        p->a = BoxId(1, 0, 1);
        p->b = BoxId(2, 1, 1);
    }
    TScriptedRandom zeros;
    {
        TRandomScope scope(zeros);
        p->game->Setup();
    }
    QRect board(0, 0, 400, 400);
    p->game->FitToRect(board);
    p->game->PaintShape(board);   // no render bitmap: places the boxes only
    return p;
}

} // namespace

// ---- The press-and-release family ---------------------------------------

TEST(CursorPressRelease, FollowsThePressTheDragAndTheBoxUnderThePointer)
{
    struct Case {
        const char *name;
        bool select;          // box a is selected
        const char *pressOn;  // "a", "b" or "none": where the press was
        const char *over;     // "a", "b" or "none": the box under the pointer
        int dx, dy;           // pointer relative to that box's centre
        bool pressed;
        const char *want;
        bool moving;
    } cases[] = {
        {"over the selected box, button up", true, "none", "a", 0, 0, false, "MoveAll", false},
        {"selected, pressed, 7 right", true, "a", "a", 7, 0, true, "MoveAll", false},
        {"selected, pressed, 7 both ways", true, "a", "a", 7, -7, true, "MoveAll", false},
        {"selected, pressed, 8 right", true, "a", "a", 8, 0, true, "rtbox", true},
        {"selected, pressed, 8 left", true, "a", "a", -8, 2, true, "lfbox", true},
        {"selected, pressed, 9 down", true, "a", "a", 3, 9, true, "dnbox", true},
        {"selected, pressed, 8 up", true, "a", "a", -7, -8, true, "upbox", true},
        {"selected, a tie of 10 is horizontal", true, "a", "a", -10, 10, true, "lfbox", true},
        {"selected, released after a drag", true, "a", "a", 20, 0, false, "MoveAll", false},
        {"unselected, pressed, 10 right and 10 down", false, "b", "b", 10, 10, true, "rtshp", true},
        {"unselected, pressed, 12 up", false, "b", "b", 2, -12, true, "upshp", true},
        {"unselected, pressed, 8 left", false, "b", "b", -8, 0, true, "lfshp", true},
        {"unselected, pressed, 9 down", false, "b", "b", 0, 9, true, "dnshp", true},
        {"unselected, pressed, moved 3", false, "b", "b", 3, 0, true, "HndPinch", false},
        {"unselected, pressed, moved 7 both ways", false, "b", "b", -7, 7, true, "HndPinch", false},
        {"unselected, button up", false, "b", "b", 3, 0, false, "HndThere", false},
        {"a press off every box shows the open hand", false, "none", "b", 30, 0, true, "HndThere", false},
        {"the box under the pointer decides, not the pressed one", true, "a", "b", 0, 0, true, "", true},
        {"off the shape", false, "b", "none", 0, 0, true, "arrow", false},
        {"off the shape, button up", true, "none", "none", 0, 0, false, "arrow", false},
    };
    for (const char *type : {"cube", "pyramid", "intro"}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(type) + ": " + c.name);
            auto p = MakePressGame(type);
            TGame &g = *p->game;
            if (c.select)
                g.selectedId = p->a;
            auto point = [&](const std::string &where) {
                if (where == "a")
                    return p->Centre(p->a);
                if (where == "b")
                    return p->Centre(p->b);
                return QPoint(2, 2);   // the board's top left corner holds no box
            };
            const QPoint press = point(c.pressOn);
            g.PressRelease(press.x(), press.y(), false);
            const QPoint base = point(c.over);
            const int x = base.x() + c.dx, y = base.y() + c.dy;
            const Pick got = Cursor(g, x, y, c.pressed);
            std::string want = c.want;
            if (want.empty()) {
                // The drag from a to b, measured from the press.
                const int ddx = std::abs(x - press.x()), ddy = std::abs(y - press.y());
                want = ddx < ddy ? (y > press.y() ? "dnshp" : "upshp") : (x > press.x() ? "rtshp" : "lfshp");
            }
            EXPECT_EQ(got.name, want);
            EXPECT_EQ(got.moving, c.moving);
        }
    }
}

TEST(CursorPressRelease, SelectedSquareIncludesItsEdges)
{
    auto p = MakePressGame("cube");
    TGame &g = *p->game;
    const int s = p->s.boxSize;
    // Row 1 of the top level, with row 0 (selected) on its right.
    const TBoxRec &row1 = g.box[0][1][2];
    g.selectedId = BoxId(0, 0, 2);
    EXPECT_EQ(Cursor(g, row1.x + s, row1.y + s / 2, false).name, "MoveAll");
    EXPECT_EQ(Cursor(g, row1.x + s + 1, row1.y + s / 2, false).name, "MoveAll");
    EXPECT_EQ(Cursor(g, row1.x + s - 1, row1.y + s / 2, false).name, "HndThere");
    // The bottom edge of the selected square, shared with the level below.
    EXPECT_EQ(Cursor(g, row1.x + s + s / 2, row1.y + s, false).name, "MoveAll");
    EXPECT_EQ(Cursor(g, row1.x + s + s / 2, row1.y + s + 1, false).name, "HndThere");
}

TEST(CursorPressRelease, BeforeTheLayoutNoBoxIsFound)
{
    for (const char *type : {"cube", "pyramid", "intro"}) {
        SCOPED_TRACE(type);
        TSettings s;
        s.levels = 3;
        std::unique_ptr<TGame> g;
        if (std::string(type) == "cube")
            g = std::make_unique<TCube>(&s);
        else if (std::string(type) == "pyramid")
            g = std::make_unique<TPyramid>(&s);
        else
            g = std::make_unique<TSplash>(&s);
        g->Setup();
        EXPECT_EQ(Cursor(*g, 0, 0, false).name, "arrow");
        EXPECT_EQ(Cursor(*g, 10, 10, true).name, "arrow");

        // A new game on a laid-out board: every box back at (0, 0), the
        // selected one too, none of them placed.
        auto p = MakePressGame(type);
        p->game->selectedId = p->a;
        p->game->Setup();
        EXPECT_EQ(Cursor(*p->game, 0, 0, false).name, "arrow");
        EXPECT_EQ(Cursor(*p->game, 10, 10, true).name, "arrow");
        EXPECT_FALSE(Cursor(*p->game, 10, 10, true).moving);
    }
}

TEST(CursorBase, TheBaseShowsTheArrowAndLeavesMovingAlone)
{
    TSettings s;
    TGame g(&s);
    bool moving = true;
    EXPECT_TRUE(g.DragCursor(5, 5, true, moving).isNull());
    EXPECT_TRUE(moving);
}

// ---- Rebukes Cube --------------------------------------------------------

TEST(CursorRebukes, ShowsWhichSlicesTheCellCanTurn)
{
    enum Side { Front, Left, Top };
    struct Case {
        const char *name;
        int n;
        Side side;
        int i, j;        // front (L, R), left (L, C), top (R, C) under the pointer
        bool grab;       // a grab is pending
        int dx, dy;      // pointer relative to the grab point
        bool pressed;
        const char *want;
        bool moving;
    } cases[] = {
        // n = 3: the middle slice is 1.
        {"centre of the front", 3, Front, 1, 1, true, 30, 30, true, "MoveNot", false},
        {"centre of the top", 3, Top, 1, 1, false, 0, 0, false, "MoveNot", false},
        {"middle level: up and down only", 3, Front, 1, 0, false, 0, 0, false, "MoveNS", false},
        {"middle level, dragged down 12", 3, Front, 1, 0, true, 0, 12, true, "dnlev", true},
        {"middle level, dragged up 15", 3, Front, 1, 0, true, 30, -15, true, "uplev", true},
        {"middle level, 11 down is not yet a drag", 3, Front, 1, 0, true, 0, 11, true, "MoveNS", false},
        {"middle level, dragged sideways only", 3, Front, 1, 0, true, 20, 4, true, "MoveNS", false},
        {"middle row slice: sideways only", 3, Front, 0, 1, false, 0, 0, false, "MoveWE", false},
        {"middle row slice, dragged right 12", 3, Front, 0, 1, true, 12, 0, true, "rtlev", true},
        {"middle row slice, dragged left 13", 3, Front, 0, 1, true, -13, 40, true, "lflev", true},
        {"middle row slice, dragged up only", 3, Front, 0, 1, true, 5, -30, true, "MoveWE", false},
        {"left side, middle column", 3, Left, 0, 1, false, 0, 0, false, "MoveWE", false},
        {"free cell", 3, Front, 0, 0, false, 0, 0, false, "MoveAll", false},
        {"free cell, 11 both ways", 3, Front, 2, 2, true, -11, 11, true, "MoveAll", false},
        {"free cell, 12 right", 3, Front, 2, 2, true, 12, 0, true, "rtlev", true},
        {"free cell, 12 down 5 left", 3, Front, 2, 2, true, -5, 12, true, "dnlev", true},
        {"free cell, a tie is horizontal", 3, Front, 2, 2, true, -20, -20, true, "lflev", true},
        {"free cell, up", 3, Top, 0, 0, true, 3, -14, true, "uplev", true},
        {"free cell, released", 3, Front, 2, 2, true, 30, 0, false, "MoveAll", false},
        // n = 4: every cell is free.
        {"even: every cell is free", 4, Front, 1, 2, false, 0, 0, false, "MoveAll", false},
        {"even: left side dragged right", 4, Left, 1, 2, true, 25, 3, true, "rtlev", true},
        {"even: a held button with no grab shows no turn", 4, Front, 1, 2, false, 40, 0, true, "MoveAll",
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TSettings s;
        SetGeometry(s, c.n);
        TRebukes g(&s);
        g.Setup();
        LayOutCube(g);
        const QPoint p = c.side == Front ? FrontPoint(g, c.i, c.j)
                         : c.side == Left ? LeftPoint(g, c.i, c.j)
                                          : TopPoint(g, c.i, c.j);
        if (c.grab) {
            g.selectedId = BoxId(0, 0, 0);
            g.grabX = p.x() - c.dx;
            g.grabY = p.y() - c.dy;
        } else {
            // Whatever the press hit, no grab is pending.
            g.ClickBox(1, 1, false);
        }
        const Pick got = Cursor(g, p.x(), p.y(), c.pressed);
        EXPECT_EQ(got.name, c.want);
        EXPECT_EQ(got.moving, c.moving);
    }
}

TEST(CursorRebukes, OffTheCubeAndThroughAWholeGrab)
{
    TSettings s;
    SetGeometry(s, 4);
    TRebukes g(&s);
    g.Setup();
    LayOutCube(g);
    EXPECT_EQ(Cursor(g, 1, 1, false).name, "arrow");
    EXPECT_FALSE(Cursor(g, 1, 1, true).moving);
    // Press, move and release as the main window calls them.
    const QPoint p = FrontPoint(g, 2, 1);
    ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
    EXPECT_EQ(Cursor(g, p.x(), p.y(), true).name, "MoveAll");
    EXPECT_EQ(Cursor(g, p.x() + 11, p.y(), true).name, "MoveAll");
    const Pick drag = Cursor(g, p.x() + 12, p.y(), true);
    EXPECT_EQ(drag.name, "rtlev");
    EXPECT_TRUE(drag.moving);
    ASSERT_TRUE(g.ClickBox(p.x() + 12, p.y(), false));
    g.selectedId = 0;
    EXPECT_EQ(Cursor(g, p.x() + 12, p.y(), false).name, "MoveAll");
}

// ---- Jigsaw Cube ---------------------------------------------------------

TEST(CursorJigsaw, HandsOverPiecesAndArrowsOverAWholeFace)
{
    struct Case {
        const char *name;
        bool scramble;    // face 0 has a misplaced pair (no whole-face pick)
        bool pick;        // a pick is pending
        int dx, dy;       // pointer relative to the pick point
        bool pressed;
        const char *want;
        bool moving;
    } cases[] = {
        {"button up", true, false, 0, 0, false, "HndThere", false},
        {"pressed without a pick", true, false, 20, 0, true, "HndThere", false},
        {"a pick held", true, true, 0, 0, true, "HndPinch", false},
        {"a pick dragged far", true, true, 40, 30, true, "HndPinch", false},
        {"a pick, button up", true, true, 40, 0, false, "HndThere", false},
        {"whole face, 7 both ways", false, true, 7, -7, true, "MoveAll", false},
        {"whole face, 8 right", false, true, 8, 0, true, "rtshp", true},
        {"whole face, 8 left", false, true, -8, 1, true, "lfshp", true},
        {"whole face, 9 down", false, true, 2, 9, true, "dnshp", true},
        {"whole face, 8 up", false, true, 0, -8, true, "upshp", true},
        {"whole face, a tie", false, true, 12, 12, true, "rtshp", true},
        {"whole face, button up", false, true, 12, 0, false, "HndThere", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TSettings s;
        SetGeometry(s, 4);
        TJigsaw g(&s);
        TScriptedRandom zeros;
        {
            TRandomScope scope(zeros);
            g.Setup();   // every face solved
        }
        LayOutCube(g);
        if (c.scramble)
            std::swap(g.piece[0][0][0], g.piece[0][3][3]);
        const QPoint p = FrontPoint(g, 1, 1);
        if (c.pick) {
            ASSERT_TRUE(g.ClickBox(p.x(), p.y(), false));
        }
        ASSERT_EQ(g.wholeFace, c.pick && !c.scramble);
        const Pick got = Cursor(g, p.x() + c.dx, p.y() + c.dy, c.pressed);
        EXPECT_EQ(got.name, c.want);
        EXPECT_EQ(got.moving, c.moving);
    }
}

TEST(CursorJigsaw, OffTheFrontIsTheArrow)
{
    TSettings s;
    SetGeometry(s, 3);
    TJigsaw g(&s);
    g.Setup();
    LayOutCube(g);
    // Over the top side: no front box.
    const QPoint top = TopPoint(g, 1, 1);
    const Pick got = Cursor(g, top.x(), top.y(), true);
    EXPECT_EQ(got.name, "arrow");
    EXPECT_FALSE(got.moving);
}

// ---- The pictures themselves --------------------------------------------

TEST(CursorPictures, PositionedPicturesAreThirtyTwoPixelsWithHotSpots)
{
    for (int index : {111, 112, 113, 114, 116, 117}) {
        const QImage image = VlmPix::Get(index);
        ASSERT_FALSE(image.isNull()) << index;
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_EQ(CursorName(image), VlmPix::Name(index).toStdString());
    }
    EXPECT_EQ(VlmPix::Name(111), "MoveAll");
    EXPECT_EQ(VlmPix::Name(116), "HndThere");
    EXPECT_EQ(VlmPix::Name(117), "HndPinch");
    for (const char *name : {"rtbox", "lfbox", "dnbox", "upbox", "rtshp", "lfshp", "dnshp", "upshp", "rtlev",
                             "lflev", "dnlev", "uplev"}) {
        const QImage image = SkinImage(QString::fromLatin1(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(CursorName(image), name);
    }
}
