// The Jigsaw Cube's drawing: each piece carries its part of the face
// picture, so a solved cube looks exactly like a Jumbled Cube in home
// position with spanned, unrotated pictures.
#include "test_board_util.h"
#include "test_cursor_board.h"

#include "Random.h"
#include "ScriptedRandom.h"
#include "TCube.h"
#include "TJigsaw.h"

#include <gtest/gtest.h>

#include <memory>

using namespace paintertest;

namespace {

// A board of 400 x 400 with the same six distinct pictures, one per face,
// each a gradient so that every part of it differs.
struct JigsawPictureBoard {
    Board board{400, 400};
    TSettings &st = *board.st;
    QRect rect{0, 0, 400, 400};

    explicit JigsawPictureBoard(int n)
    {
        st.levels = n;
        for (int f = 0; f < 6; ++f) {
            st.faceImage[f] = MakePicture(150 + 7 * f, 140 + 5 * f, [f](int x, int y) {
                return RGBColor((x * 3 + f * 20) & 0xFF, (y * 5 + f * 40) & 0xFF, (x + y + f * 60) & 0xFF);
            });
        }
        st.borderImages = false;
    }
    void Fit(TGame &g)
    {
        QRect r = rect;
        g.FitToRect(r);
        rect = r;
    }
};

void Home(TGame &g, int n)
{
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                g.box[L][r][c].front = 0;
                g.box[L][r][c].left = 1;
                g.box[L][r][c].top = 2;
            }
}

// The pixels of the front square of the box at (x, y).
std::vector<COLORREF> Square(const VlmImgUt::TDib *d, int x, int y, int s)
{
    std::vector<COLORREF> out;
    for (int j = 0; j < s; ++j)
        for (int i = 0; i < s; ++i)
            out.push_back(Pixel(d, x + i, y + j));
    return out;
}

// Sets both games up with every random draw 0 and lays each out on its
// board.
void SetUpPair(JigsawPictureBoard &a, TGame &ga, JigsawPictureBoard &b, TGame &gb)
{
    TScriptedRandom zeros;
    {
        TRandomScope scope(zeros);
        ga.Setup();
        gb.Setup();
    }
    a.Fit(ga);
    b.Fit(gb);
}

} // namespace

TEST(JigsawPaint, SolvedCubeLooksLikeTheJumbledCubeAtHome)
{
    for (int n : {2, 3, 4}) {
        SCOPED_TRACE(n);
        JigsawPictureBoard a(n), b(n);
        TJigsaw jigsaw(&a.st);
        TCube cube(&b.st);
        SetUpPair(a, jigsaw, b, cube);
        Home(cube, n);
        // The Jigsaw forces the switches; the cube is given them.
        a.st.useBoxImages = false;
        a.st.spanImages = false;
        a.st.rotateImages = true;
        b.st.useBoxImages = true;
        b.st.spanImages = true;
        b.st.rotateImages = false;
        jigsaw.PaintShape(a.rect);
        cube.PaintShape(b.rect);
        EXPECT_FALSE(a.st.useBoxImages);
        EXPECT_TRUE(a.st.rotateImages);
        EXPECT_TRUE(Pixels(a.board.rb()) == Pixels(b.board.rb()));
        // Something of the pictures was drawn.
        EXPECT_EQ(CountColor(a.board.rb(), Board::Background) < 400 * 400 / 2, true);
    }
}

TEST(JigsawPaint, PiecesCarryTheirPartOfThePicture)
{
    const int n = 3;
    JigsawPictureBoard a(n), b(n);
    TJigsaw solved(&a.st), scrambled(&b.st);
    SetUpPair(a, solved, b, scrambled);
    // Front cell [0][0] shows the piece of home [2][1] and the other way.
    std::swap(scrambled.piece[0][0][0], scrambled.piece[0][2][1]);
    solved.PaintShape(a.rect);
    scrambled.PaintShape(b.rect);
    const int s = a.st.boxSize;
    const TBoxRec &c00 = solved.box[0][0][n - 1], &c21 = solved.box[2][1][n - 1];
    EXPECT_TRUE(Square(b.board.rb(), c00.x, c00.y, s) == Square(a.board.rb(), c21.x, c21.y, s));
    EXPECT_TRUE(Square(b.board.rb(), c21.x, c21.y, s) == Square(a.board.rb(), c00.x, c00.y, s));
    EXPECT_FALSE(Square(a.board.rb(), c00.x, c00.y, s) == Square(a.board.rb(), c21.x, c21.y, s));
    // Another cell is unchanged.
    const TBoxRec &c11 = solved.box[1][1][n - 1];
    EXPECT_TRUE(Square(b.board.rb(), c11.x, c11.y, s) == Square(a.board.rb(), c11.x, c11.y, s));
}

TEST(JigsawPaint, SelectedBoxIsNotOutlined)
{
    const int n = 3;
    JigsawPictureBoard a(n), b(n);
    TJigsaw plain(&a.st), selected(&b.st);
    SetUpPair(a, plain, b, selected);
    selected.selectedId = BoxId(1, 1, n - 1);
    plain.PaintShape(a.rect);
    selected.PaintShape(b.rect);
    EXPECT_TRUE(Pixels(a.board.rb()) == Pixels(b.board.rb()));
}
