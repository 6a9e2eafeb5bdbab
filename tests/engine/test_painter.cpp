// The box painter: face fills and outlines, face pictures on the three
// faces, the supersampler, the selection outline and PutImage.
#include "test_board_util.h"

#include "BoxPainter.h"
#include "PixelKernels.h"
#include "TImgUt.h"
#include "VlScale.h"

#include <QDir>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace paintertest;
using VlmImgUt::TDib;

namespace {

// One box with its front square at (80, 80), edge 60, depths 20, home
// orientation (front 0, left 1, top 2).
struct BoxFixture : ::testing::Test {
    Board board{200, 200};
    TSettings &st = *board.st;
    static constexpr int X = 80, Y = 80, S = 60, D = 20, E = 20;

    void SetUp() override
    {
        board.SetGeometry(S, D, E);
        board.PlaceScratch(X, Y, 0, 1, 2);
    }
};

// Points well inside each face.
const QPoint FrontCentre(110, 110), LeftCentre(70, 110), TopCentre(110, 70);

} // namespace

TEST_F(BoxFixture, EachFaceIsFilledInItsColourAndOutlined)
{
    st.PaintBox(7, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(FrontCentre.x(), FrontCentre.y()), COLORREF(FaceColors[0]));
    EXPECT_EQ(board.At(LeftCentre.x(), LeftCentre.y()), COLORREF(FaceColors[1]));
    EXPECT_EQ(board.At(TopCentre.x(), TopCentre.y()), COLORREF(FaceColors[2]));
    // The render bitmap's pen (black, 1) outlines every face.
    const struct { int x, y; const char *edge; } edges[] = {
        {X + S, 110, "front right"}, {110, Y + S, "front bottom"}, {X, 110, "front left"},
        {X - D, 100, "left back"},   {100, Y - E, "top back"},     {X - 10, Y - 10, "left/top shared"},
    };
    for (const auto &e : edges)
        EXPECT_EQ(board.At(e.x, e.y), 0u) << e.edge;
    // Outside the box nothing changed, and the painter leaves a black brush.
    EXPECT_EQ(board.At(150, 110), Board::Background);
    EXPECT_EQ(board.At(50, 50), Board::Background);
    EXPECT_EQ(st.renderBuffer->brushColor, 0u);
}

TEST_F(BoxFixture, MaskSelectsTheFacesAndOrientationTheColours)
{
    const struct { int mask; bool front, left, top; } cases[] = {
        {4, true, false, false}, {2, false, true, false}, {1, false, false, true},
        {5, true, false, true},  {0, false, false, false},
    };
    for (const auto &c : cases) {
        board.Clear();
        board.PlaceScratch(X, Y, 3, 4, 5 - 2);  // front 3, left 4 -> top 5
        st.scratchBox.top = TopFace(3, 4);
        st.PaintBox(c.mask, 1, 1, 0.0f, 0.0f);
        EXPECT_EQ(board.At(FrontCentre.x(), FrontCentre.y()) == COLORREF(FaceColors[3]), c.front) << c.mask;
        EXPECT_EQ(board.At(LeftCentre.x(), LeftCentre.y()) == COLORREF(FaceColors[4]), c.left) << c.mask;
        EXPECT_EQ(board.At(TopCentre.x(), TopCentre.y()) == COLORREF(FaceColors[TopFace(3, 4)]), c.top) << c.mask;
    }
}

TEST_F(BoxFixture, WithoutBoxColoursTheCurrentBrushFills)
{
    st.useBoxColors = false;
    st.renderBuffer->SetBrush(0x123456);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(FrontCentre.x(), FrontCentre.y()), 0x123456u);
    // The painter ended with black, so the next box is black.
    board.PlaceScratch(10, 130, 0, 1, 2);
    st.boxSize = 40;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(30, 150), 0u);
}

TEST_F(BoxFixture, OutlineUsesSelectColourAndRestoresThePen)
{
    Gdi::HPEN before = st.renderBuffer->dc->pen;
    st.PaintBox(7, 1, 1, 0.0f, 0.0f);
    st.OutlineBox(7);
    const COLORREF yellow = COLORREF(st.selectColor);
    EXPECT_EQ(board.At(X + 1, 110), yellow);   // front, left edge at x + 1
    EXPECT_EQ(board.At(X + S, 110), yellow);   // front, right edge
    EXPECT_EQ(board.At(110, Y + 1), yellow);   // front, top edge at y + 1
    EXPECT_EQ(board.At(X - D, 100), yellow);   // left, back edge
    EXPECT_EQ(board.At(100, Y - E), yellow);   // top, back edge
    EXPECT_EQ(board.At(FrontCentre.x(), FrontCentre.y()), COLORREF(FaceColors[0]));
    EXPECT_EQ(st.renderBuffer->dc->pen, before);

    // Mask 0 draws nothing and still gives the pen back.
    board.Clear();
    const std::vector<COLORREF> plain = Pixels(st.renderBuffer);
    Gdi::HPEN pen = st.renderBuffer->dc->pen;
    st.OutlineBox(0);
    EXPECT_EQ(Pixels(st.renderBuffer), plain);
    EXPECT_EQ(st.renderBuffer->dc->pen, pen);
}

TEST_F(BoxFixture, OutlineWidthFollowsTheLineFactor)
{
    const int saved = VlLineFactor;
    VlLineFactor = 2;  // pen of 4 pixels
    st.OutlineBox(4);
    VlLineFactor = saved;
    const COLORREF yellow = COLORREF(st.selectColor);
    int across = 0;
    for (int x = X - 4; x <= X + 6; ++x)
        across += board.At(x, 110) == yellow;
    EXPECT_EQ(across, 4);
}

// ---- Face pictures ---------------------------------------------------------

TEST_F(BoxFixture, SolidPictureKeepsItsColourOnEveryFace)
{
    const COLORREF solid = 0x336699;
    TDib *pic = SolidPicture(60, 60, solid);
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    for (bool aa : {true, false})
        for (bool rotate : {false, true}) {
            board.Clear();
            st.antiAlias = aa;
            st.rotateImages = rotate;
            board.PlaceScratch(X, Y, 2, 4, TopFace(2, 4));  // rotations 180, 90, 180
            st.PaintBox(7, 1, 1, 0.0f, 0.0f);
            for (int dx = -6; dx <= 6; dx += 3)
                for (int dy = -6; dy <= 6; dy += 3) {
                    EXPECT_EQ(board.At(FrontCentre.x() + dx, FrontCentre.y() + dy), solid) << aa << rotate;
                    EXPECT_EQ(board.At(LeftCentre.x() + dx / 3, LeftCentre.y() + dy), solid) << aa << rotate;
                    EXPECT_EQ(board.At(TopCentre.x() + dx, TopCentre.y() + dy / 3), solid) << aa << rotate;
                }
        }
}

TEST_F(BoxFixture, BorderAroundThePictureShowsTheFillColour)
{
    TDib *pic = SolidPicture(50, 50, 0x336699);
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = true;  // margin 4 at 60 pixels
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(X + 2, Y + 30), COLORREF(FaceColors[0]));
    EXPECT_EQ(board.At(X + 6, Y + 30), 0x336699u);
    // The fitted copy is made once for the box size.
    ASSERT_NE(st.faceImageFit[0], nullptr);
    EXPECT_EQ(st.faceImageFit[0]->width, S);
    TDib *fit = st.faceImageFit[0];
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(st.faceImageFit[0], fit);
}

TEST_F(BoxFixture, FrontPictureIsCopiedPixelForPixel)
{
    // A picture of S x S whose pixels tell their own position.
    TDib *pic = MakePicture(S, S, [](int x, int y) { return RGBColor(x * 4, y * 4, 0x80); });
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    for (int i : {0, 7, 31, 59})
        for (int j : {0, 13, 59})
            EXPECT_EQ(board.At(X + j, Y + i), RGBColor(j * 4, i * 4, 0x80)) << i << "," << j;
}

TEST_F(BoxFixture, RotatedFrontReadsOnePixelFurtherAndKeepsTheFirstRowAndColumn)
{
    TDib *pic = MakePicture(S, S, [](int x, int y) { return RGBColor(x * 4, y * 4, 0x80); });
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    st.useBoxImages = false;
    board.PlaceScratch(X, Y, 0, 4, TopFace(0, 4));  // imageRotation[0][4] = 180
    ASSERT_EQ(st.imageRotation[0][4], 180);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    const std::vector<COLORREF> plain = Pixels(st.renderBuffer);

    st.useBoxImages = true;
    st.rotateImages = true;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    for (int k = 0; k < S; ++k) {
        EXPECT_EQ(board.At(X + k, Y), plain[size_t(Y * 200 + X + k)]) << "first row " << k;
        EXPECT_EQ(board.At(X, Y + k), plain[size_t((Y + k) * 200 + X)]) << "first column " << k;
    }
    // Elsewhere the picture turned half round: (j, i) shows (S - j, S - i).
    for (int i : {1, 20, 59})
        for (int j : {1, 33, 59})
            EXPECT_EQ(board.At(X + j, Y + i), RGBColor((S - j) * 4, (S - i) * 4, 0x80)) << i << "," << j;
}

TEST_F(BoxFixture, ShallowDepthsLimitThePicturesOfTheSlantedFaces)
{
    TDib *pic = SolidPicture(60, 60, 0x336699);
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    // topDepth 4: the top face keeps its colour; sideDepth 2: one column.
    board.SetGeometry(S, 2, 4);
    st.PaintBox(3, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(X - 1, Y + 30), 0x336699u);
    for (int x = X - 1 + 3; x < X + S - 3; x += 5)
        for (int y = Y - 3; y < Y; ++y) {
            const COLORREF c = board.At(x, y);
            EXPECT_TRUE(c == COLORREF(FaceColors[2]) || c == 0u) << x << "," << y;
        }
    // With topDepth 5 the top face takes the picture.
    board.Clear();
    board.SetGeometry(S, 2, 6);
    st.PaintBox(1, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(X + 30, Y - 3), 0x336699u);
}

TEST_F(BoxFixture, SlantedFacesStayWithinThePicturesColours)
{
    // Columns alternating between two colours: a bilinear blend can only
    // give values between them, never a wrapped channel.
    board.SetGeometry(30, 16, 16);
    TDib *pic = MakePicture(30, 30, [](int x, int y) {
        return (x + y) % 2 ? RGBColor(250, 100, 180) : RGBColor(100, 250, 120);
    });
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    for (bool rotate : {false, true}) {
        board.Clear();
        st.rotateImages = rotate;
        board.PlaceScratch(X, Y, 1, 2, TopFace(1, 2));
        st.PaintBox(3, 1, 1, 0.0f, 0.0f);
        int seen = 0;
        for (int x = X - 15; x < X; ++x)
            for (int y = Y - 15; y < Y + 30; ++y) {
                const COLORREF c = board.At(x, y);
                if (c == Board::Background || c == 0u || c == COLORREF(FaceColors[1]) ||
                    c == COLORREF(FaceColors[2]))
                    continue;  // background, outline and fill
                ++seen;
                EXPECT_GE(GetRValue(c), 100) << x << "," << y;
                EXPECT_LE(GetRValue(c), 250) << x << "," << y;
                EXPECT_GE(GetGValue(c), 100) << x << "," << y;
                EXPECT_LE(GetGValue(c), 250) << x << "," << y;
                EXPECT_GE(GetBValue(c), 120) << x << "," << y;
                EXPECT_LE(GetBValue(c), 180) << x << "," << y;
            }
        EXPECT_GT(seen, 200);
    }
}

// The slanted faces turn their pictures by the rotation table: the left
// face by [left face][face opposite the front], the top face by [top
// face][left face]. A picture of four coloured quadrants shows, at the
// centre of each quarter of a face, the quadrant that the turn brings there.
TEST_F(BoxFixture, SlantedFacesTurnTheirPicturesByTheirOwnRotation)
{
    const COLORREF quadrant[2][2] = {{0x0000E0, 0x00E000}, {0xE00000, 0x00E0E0}};   // [lower][right]
    TDib *pic = MakePicture(S, S, [&](int x, int y) { return quadrant[y >= S / 2][x >= S / 2]; });
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    st.rotateImages = true;
    // Picture position of the unturned position (h, v) for a turn of r.
    auto turned = [](float h, float v, int r, float &X, float &Y) {
        X = r == 90 ? v : r == 180 ? S - h : r == 270 ? S - v : h;
        Y = r == 90 ? S - h : r == 180 ? S - v : r == 270 ? h : v;
    };
    int differing = 0;
    for (int front = 0; front < 6; ++front)
        for (int left = 0; left < 6; ++left) {
            if (left == front || left == 5 - front)
                continue;
            const int top = TopFace(front, left);
            const int leftTurn = st.imageRotation[left][5 - front];
            const int topTurn = st.imageRotation[top][left];
            differing += leftTurn != st.imageRotation[5 - front][left];
            differing += topTurn != st.imageRotation[left][top];
            board.Clear();
            board.PlaceScratch(X, Y, front, left, top);
            st.PaintBox(3, 1, 1, 0.0f, 0.0f);
            for (float a : {0.25f, 0.75f})       // along the face's lines: back to front
                for (float b : {0.25f, 0.75f}) { // across them: from the slanted edge
                    float px, py;
                    // Left face: columns from the back, h along them, v down.
                    const int col = int(float(X - D + 1) + a * float(D - 1) + 0.5f);
                    const int leftRow = int(float(Y) - float(X - col) * E / D + b * S + 0.5f);
                    turned(a * S, b * S, leftTurn, px, py);
                    EXPECT_EQ(board.At(col, leftRow), quadrant[py >= S / 2][px >= S / 2])
                        << "left face of " << front << left << top << " at " << a << ", " << b;
                    // Top face: rows from the back, v along them, h across.
                    const int row = int(float(Y - E + 1) + a * float(E - 1) + 0.5f);
                    const int topCol = int(float(X) - float(Y - row) * D / E + b * S + 0.5f);
                    turned(b * S, a * S, topTurn, px, py);
                    EXPECT_EQ(board.At(topCol, row), quadrant[py >= S / 2][px >= S / 2])
                        << "top face of " << front << left << top << " at " << a << ", " << b;
                }
        }
    // The table is not symmetric, so a swapped index shows.
    EXPECT_GT(differing, 0);
}

TEST_F(BoxFixture, SpannedPicturesShowTheBoxesPartOfTheSide)
{
    // A 2-level side of 120 x 120: each quadrant its own colour.
    const COLORREF quad[2][2] = {{0x1020F0, 0x10F020}, {0xF02010, 0x808080}};
    TDib *pic = MakePicture(120, 120, [&quad](int x, int y) { return quad[y / 60][x / 60]; });
    board.SetPictures(pic);
    FreeDib(pic);
    st.borderImages = false;
    st.spanImages = true;
    // Front face of level 2 (bottom), fx = 1/2: lower right quadrant.
    st.PaintBox(4, 2, 2, 0.5f, 0.0f);
    EXPECT_EQ(board.At(FrontCentre.x(), FrontCentre.y()), quad[1][1]);
    EXPECT_EQ(st.faceImageFit[0]->width, 120);
    // Top face with fx = 0, fy = 1/2: lower left quadrant.
    st.PaintBox(1, 2, 1, 0.0f, 0.5f);
    EXPECT_EQ(board.At(TopCentre.x(), TopCentre.y()), quad[1][0]);
}

// ---- Reading face pictures ------------------------------------------------

namespace {

// One box whose face pictures come from files in a temporary folder, read
// by the image library.
struct FacePictures : ::testing::Test {
    QTemporaryDir tmp;
    Board board{200, 200};
    TSettings &st = *board.st;

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        st.imgUt = new VlmImgUt::TImgUt("Vellamor\\quibo", TRegStore::InFolder(tmp.path() + "/reg"));
        board.SetGeometry(60, 20, 20);
        board.PlaceScratch(80, 80, 0, 1, 2);
        st.useBoxImages = true;
        st.borderImages = false;
    }
};

} // namespace

TEST_F(FacePictures, UnreadablePictureIsNotReadAgainUntilItsNameChanges)
{
    const QString missing = tmp.path() + "/face.bmp";
    st.faceImageFile[0] = missing;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(st.faceImage[0], nullptr);
    EXPECT_EQ(st.painter->pictures.failed[0], missing);
    EXPECT_EQ(board.At(110, 110), COLORREF(FaceColors[0]));

    // The file appears, but under the same name it is not tried again.
    const QByteArray bmp = BmpBytes(8, 8, [](int, int) { return COLORREF(0x336699); });
    QFile f(missing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(st.faceImage[0], nullptr);

    // A new name is read.
    const QString other = tmp.path() + "/face2.bmp";
    ASSERT_TRUE(QFile::copy(missing, other));
    st.faceImageFile[0] = other;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    ASSERT_NE(st.faceImage[0], nullptr);
    EXPECT_EQ(board.At(110, 110), 0x336699u);

    // A broken file leaves no half-read record behind.
    const QString broken = tmp.path() + "/broken.bmp";
    QFile g(broken);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(bmp.left(30));
    g.close();
    st.faceImageFile[1] = broken;
    board.PlaceScratch(80, 80, 1, 2, TopFace(1, 2));
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(st.faceImage[1], nullptr);
    EXPECT_EQ(st.painter->pictures.failed[1], broken);
    EXPECT_EQ(board.At(110, 110), COLORREF(FaceColors[1]));
}

// Once fitted, a large picture read from its file is not kept: the fitted
// copy serves while the box size stays, and the file is read again for a
// new size (a file gone by then leaves the fill colour). A small one, and
// a picture given without a file name, is kept.
TEST_F(FacePictures, LargePictureGoesOnceFittedAndIsReadAgainForANewSize)
{
    const QString file = tmp.path() + "/face.bmp";
    auto write = [&](COLORREF c) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(BmpBytes(80, 80, [c](int, int) { return c; }));
    };
    write(0x336699);
    st.faceImageFile[0] = file;
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(110, 110), 0x336699u);
    ASSERT_NE(st.faceImage[0], nullptr) << "80 x 80 is small: kept";
    // Pictures over 6000 pixels count as large from here on.
    st.painter->pictures.keepPixels = 6000;
    VlmImgUt::ReleaseDib(st.faceImageFit[0]);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(110, 110), 0x336699u);
    EXPECT_EQ(st.faceImage[0], nullptr) << "not kept once fitted";
    ASSERT_NE(st.faceImageFit[0], nullptr);
    EXPECT_EQ(st.faceImageFit[0]->width, 60);

    // Another picture under the same name: the fitted copy still serves.
    write(0x996633);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(110, 110), 0x336699u);
    EXPECT_EQ(st.faceImage[0], nullptr);

    // A new box size reads the file again.
    board.SetGeometry(50, 20, 20);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(100, 100), 0x996633u);
    EXPECT_EQ(st.faceImageFit[0]->width, 50);
    EXPECT_EQ(st.faceImage[0], nullptr);

    // Gone by the next size: the face keeps its colour.
    ASSERT_TRUE(QFile::remove(file));
    board.SetGeometry(40, 20, 20);
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(100, 100), COLORREF(FaceColors[0]));
    EXPECT_EQ(st.painter->pictures.failed[0], file);

    // No file name: the picture given stays.
    st.faceImageFile[1].clear();
    st.faceImage[1] = SolidPicture(40, 40, 0x123456);
    board.PlaceScratch(80, 80, 1, 2, TopFace(1, 2));
    st.PaintBox(4, 1, 1, 0.0f, 0.0f);
    EXPECT_EQ(board.At(100, 100), 0x123456u);
    EXPECT_NE(st.faceImage[1], nullptr);
}

namespace {

// A box of each face set in a board of its own, whose face pictures come
// from the files in `dir`, read by the image library.
struct PictureBoard {
    Board board{260, 200};
    TSettings &st = *board.st;

    PictureBoard(const QString &dir, const QStringList &files)
    {
        st.imgUt = new VlmImgUt::TImgUt("Vellamor\\quibo", TRegStore::InFolder(dir + "/reg"));
        st.useBoxImages = true;
        for (int f = 0; f < 6; ++f)
            st.faceImageFile[f] = files[f];
    }

    // Reads ahead as the board does before a render, then paints a box
    // showing faces 0, 1, 2 and one showing 3, 4, 5.
    void Paint(int s, bool ahead, bool sideBySide)
    {
        board.SetGeometry(s, 16, 16);
        st.painter->pictures.sideBySide = sideBySide;
        if (ahead) {
            TPictureJobs jobs(st);
            st.painter->pictures.Prepare(st, TFacePictures::FitSize(st, 1), jobs);
            jobs.Run();
        }
        board.PlaceScratch(40, 40, 0, 1, 2);
        st.PaintBox(7, 1, 1, 0.0f, 0.0f);
        const bool turned = TopFace(3, 4) != 5;
        board.PlaceScratch(160, 40, turned ? 4 : 3, turned ? 3 : 4, 5);
        st.PaintBox(7, 1, 1, 0.0f, 0.0f);
    }
};

} // namespace

// Read ahead of the render, side by side or one after the other, the face
// pictures give the pixels and leave the state of reading them box by box:
// a missing file fails, a large picture goes once fitted and is read again
// for a new size, a small one stays.
TEST_F(FacePictures, ReadAheadAsWhenTheBoxesNeedThem)
{
    QStringList files;
    for (int f = 0; f < 6; ++f) {
        files << tmp.path() + QStringLiteral("/face%1.bmp").arg(f);
        if (f == 3)
            continue;  // missing
        QFile out(files.last());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        const int w = f == 4 ? 90 : 70 + 4 * f, h = 50 + 3 * f;
        out.write(BmpBytes(w, h, [f](int x, int y) {
            return RGBColor((x * 3 + f * 20) & 255, (y * 4) & 255, ((x ^ y) * 5) & 255);
        }));
    }
    PictureBoard boxes(tmp.path(), files), side(tmp.path(), files), oneByOne(tmp.path(), files);
    for (PictureBoard *b : {&boxes, &side, &oneByOne})
        b->st.painter->pictures.keepPixels = 85 * 60;  // face 4's picture is large
    for (int s : {40, 52}) {
        boxes.Paint(s, false, true);
        side.Paint(s, true, true);
        oneByOne.Paint(s, true, false);
        for (PictureBoard *b : {&side, &oneByOne}) {
            EXPECT_EQ(Pixels(b->board.rb()), Pixels(boxes.board.rb())) << "box size " << s;
            for (int f = 0; f < 6; ++f) {
                EXPECT_EQ(b->st.painter->pictures.failed[f], boxes.st.painter->pictures.failed[f]) << f;
                EXPECT_EQ(b->st.painter->pictures.dropped[f], boxes.st.painter->pictures.dropped[f]) << f;
                EXPECT_EQ(b->st.faceImage[f] != nullptr, boxes.st.faceImage[f] != nullptr) << f;
            }
        }
    }
    EXPECT_EQ(side.st.painter->pictures.failed[3], files[3]);
    EXPECT_EQ(side.st.painter->pictures.dropped[4], files[4]);
    EXPECT_EQ(side.st.faceImage[4], nullptr);
    EXPECT_NE(side.st.faceImage[0], nullptr);
}

// Jobs side by side hold no more than the budget at once, and one larger
// than the budget runs alone. A picture kept by a job leaves room for the
// largest read still waiting.
TEST(PictureJobs, HoldNoMoreThanTheBudgetAtOnce)
{
    TSettings st;
    st.painter->pictures.pictureBytes = 100;
    const bool sideBySide = PixelKernels::PoolThreads() > 1;
    std::mutex m;
    std::condition_variable started;
    int64_t held = 0, mostSmall = 0, besideLarge = 0;
    bool large = false, firstSmall = true;
    auto job = [&](int64_t bytes) {
        return [&, bytes](VlmImgUt::TImgUt *, TPictureJobs &) {
            {
                std::unique_lock<std::mutex> hold(m);
                if (bytes > 100) {
                    large = true;
                    besideLarge = std::max(besideLarge, held);
                } else if (large) {
                    besideLarge = std::max(besideLarge, bytes);
                }
                held += bytes;
                if (!large)
                    mostSmall = std::max(mostSmall, held);
                started.notify_all();
                // The first small job waits until a second runs beside it,
                // which the budget allows however the threads are scheduled
                // (a minute is only the bound of a failing run).
                if (bytes <= 100 && firstSmall && sideBySide) {
                    firstSmall = false;
                    started.wait_for(hold, std::chrono::minutes(1), [&] { return held >= 80; });
                }
            }
            // Then each holds a moment, room for a start beyond the budget
            // to show; no verdict waits for it.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::lock_guard<std::mutex> hold(m);
            held -= bytes;
            if (bytes > 100)
                large = false;
        };
    };
    TPictureJobs jobs(st);
    for (int k = 0; k < 6; ++k)
        jobs.Add(40, false, job(40));
    jobs.Add(150, false, job(150));
    for (int k = 0; k < 3; ++k)
        jobs.Add(40, false, job(40));
    jobs.Run();
    EXPECT_LE(mostSmall, 100);
    if (sideBySide) {
        EXPECT_EQ(mostSmall, 80) << "two at once";
    }
    EXPECT_EQ(besideLarge, 0) << "the large job ran beside others";
    EXPECT_EQ(held, 0);

    TPictureJobs keeping(st);
    bool first = true, second = false;
    keeping.Add(60, false, [&](VlmImgUt::TImgUt *, TPictureJobs &j) { first = j.Keep(60, 100, false); });
    keeping.Add(60, false, [&](VlmImgUt::TImgUt *, TPictureJobs &j) { second = j.Keep(60, 100, false); });
    keeping.Run();
    EXPECT_FALSE(first) << "kept, it would leave no room for the second";
    EXPECT_TRUE(second);
}

// ---- Supersampler -------------------------------------------------------

namespace {

// Runs the supersampler for one pixel, giving sub-sample k the colour
// colours[k] (or no colour when invalid[k]); returns the samples taken.
int RunSampler(TSettings &st, const std::vector<std::array<int, 3>> &colours, const std::vector<bool> &invalid)
{
    st.sampleSum[0] = st.sampleSum[1] = st.sampleSum[2] = 0;
    st.sampleIndex = st.sampleSlot = st.validSamples = 0;
    st.sampleBaseX = 10.0f;
    st.sampleBaseY = 20.0f;
    int taken = 0;
    while (st.SuperSampleStep()) {
        const size_t k = size_t(st.sampleSlot);
        EXPECT_FLOAT_EQ(st.sampleX, 10.0f + st.sampleOffset[k].dx);
        EXPECT_FLOAT_EQ(st.sampleY, 20.0f + st.sampleOffset[k].dy);
        for (int c = 0; c < 3; ++c)
            st.currentSample.channel[c] = colours[k][size_t(c)];
        if (invalid[k])
            st.currentSample.valid = false;
        ++taken;
    }
    return taken;
}

} // namespace

TEST(SuperSampler, StopsAfterFourWhenTheDiagonalsAgreeElseTakesNine)
{
    TSettings st;
    const std::vector<bool> none(9, false);
    // Within the threshold of 30 (sum of the three differences).
    std::vector<std::array<int, 3>> close(9, {100, 100, 100});
    close[1] = {110, 110, 110};  // differs by 30 from the others
    EXPECT_EQ(RunSampler(st, close, none), 4);
    EXPECT_EQ(st.validSamples, 4);
    // Sums in reverse channel order, averaged: (3 * 100 + 110) / 4.
    EXPECT_EQ(st.sampleSum[0], 102);

    std::vector<std::array<int, 3>> apart = close;
    apart[3] = {100, 100, 131};  // 31 from the first
    EXPECT_EQ(RunSampler(st, apart, none), 9);
    EXPECT_EQ(st.validSamples, 9);

    // The reverse order of the sums: sampleSum[0] holds the last channel.
    std::vector<std::array<int, 3>> chans(9, {10, 20, 30});
    EXPECT_EQ(RunSampler(st, chans, none), 4);
    EXPECT_EQ(st.sampleSum[0], 30);
    EXPECT_EQ(st.sampleSum[1], 20);
    EXPECT_EQ(st.sampleSum[2], 10);
}

TEST(SuperSampler, OnlyValidSamplesAreComparedAndAveraged)
{
    TSettings st;
    std::vector<std::array<int, 3>> colours(9, {90, 90, 90});
    colours[0] = {255, 255, 255};  // far off, but outside the picture
    std::vector<bool> invalid(9, false);
    invalid[0] = true;
    EXPECT_EQ(RunSampler(st, colours, invalid), 4);
    EXPECT_EQ(st.validSamples, 3);
    EXPECT_EQ(st.sampleSum[1], 90);

    // No valid sample at all: the sums stay 0 (the pixel turns black).
    EXPECT_EQ(RunSampler(st, colours, std::vector<bool>(9, true)), 4);
    EXPECT_EQ(st.validSamples, 0);
    EXPECT_EQ(st.sampleSum[0], 0);
}

// ---- PutImage ---------------------------------------------------------

namespace {

// A picture whose pixels tell their position: red x, green y, blue 0x80.
TDib *Coded(int w, int h)
{
    return MakePicture(w, h, [](int x, int y) { return RGBColor(x, y, 0x80); });
}

} // namespace

TEST(PutImage, TilesAreCentredOnTheRectangle)
{
    Board board(140, 80);
    TDib *pic = Coded(30, 20);
    QRect r(10, 10, 100, 50);
    board.st->PutImage(board.rb(), pic, r, true, false);
    FreeDib(pic);
    // W mod w = 10: the first column is 5 wide from source x 25; H mod h =
    // 10: the first row 5 high from source y 15; whole tiles after them.
    const struct { int x, y; int sx, sy; } cases[] = {
        {0, 0, 25, 15}, {4, 4, 29, 19}, {5, 5, 0, 0}, {34, 24, 29, 19},
        {35, 25, 0, 0}, {95, 45, 0, 0}, {99, 49, 4, 4}, {50, 30, 15, 5},
    };
    for (const auto &c : cases)
        EXPECT_EQ(board.At(10 + c.x, 10 + c.y), RGBColor(c.sx, c.sy, 0x80)) << c.x << "," << c.y;
    // Clipped at the rectangle.
    EXPECT_EQ(board.At(110, 30), Board::Background);
    EXPECT_EQ(board.At(50, 60), Board::Background);
    EXPECT_EQ(board.At(9, 30), Board::Background);
}

TEST(PutImage, TileLargerThanTheRectangleAndExactFit)
{
    // An exact fit is drawn once from its corner.
    Board board(60, 60);
    TDib *pic = Coded(40, 30);
    QRect r(5, 5, 40, 30);
    board.st->PutImage(board.rb(), pic, r, true, false);
    EXPECT_EQ(board.At(5, 5), RGBColor(0, 0, 0x80));
    EXPECT_EQ(board.At(44, 34), RGBColor(39, 29, 0x80));
    // Without tile it is drawn at its own size in the middle.
    board.Clear();
    QRect wide(0, 0, 60, 60);
    board.st->PutImage(board.rb(), pic, wide, false, false);
    EXPECT_EQ(board.At(10, 15), RGBColor(0, 0, 0x80));
    EXPECT_EQ(board.At(9, 15), Board::Background);
    FreeDib(pic);
    // W mod w of 1: the first column is 0 wide and whole tiles start at the
    // left edge.
    board.Clear();
    TDib *small = Coded(10, 10);
    QRect odd(0, 0, 21, 10);
    board.st->PutImage(board.rb(), small, odd, true, false);
    EXPECT_EQ(board.At(0, 0), RGBColor(0, 0, 0x80));
    EXPECT_EQ(board.At(20, 0), RGBColor(0, 0, 0x80));
    FreeDib(small);
}

TEST(PutImage, BorderMarginIsFivePercentHalvedWithinFourToTwenty)
{
    const struct { int w, margin; } cases[] = {{100, 4}, {200, 5}, {400, 10}, {800, 20}, {1000, 20}};
    for (const auto &c : cases) {
        Board board(c.w, 50);
        TDib *pic = SolidPicture(4, 4, 0x336699);
        QRect r(0, 0, c.w, 50);
        board.st->PutImage(board.rb(), pic, r, true, true);
        FreeDib(pic);
        EXPECT_EQ(r, QRect(c.margin, c.margin, c.w - 2 * c.margin, 50 - 2 * c.margin)) << c.w;
        EXPECT_EQ(board.At(c.margin - 1, 25), Board::Background) << c.w;
        EXPECT_EQ(board.At(c.margin, 25), 0x336699u) << c.w;
        EXPECT_EQ(board.At(c.w - c.margin - 1, 25), 0x336699u) << c.w;
        EXPECT_EQ(board.At(c.w - c.margin, 25), Board::Background) << c.w;
    }
}

TEST(PutImage, LargerPictureIsScaledDownKeepingItsShape)
{
    Board board(100, 100);
    TDib *pic = SolidPicture(200, 100, 0x336699);
    QRect r(0, 0, 100, 100);
    board.st->PutImage(board.rb(), pic, r, false, false);
    // 100 x 50 centred: rows 25..74.
    EXPECT_EQ(board.At(50, 24), Board::Background);
    EXPECT_EQ(board.At(50, 25), 0x336699u);
    EXPECT_EQ(board.At(50, 74), 0x336699u);
    EXPECT_EQ(board.At(50, 75), Board::Background);
    // Tall picture: 30 x 90 into 100 x 60 gives 20 x 60.
    board.Clear();
    TDib *tall = SolidPicture(30, 90, 0x336699);
    QRect r2(0, 0, 100, 60);
    board.st->PutImage(board.rb(), tall, r2, false, false);
    EXPECT_EQ(board.At(39, 30), Board::Background);
    EXPECT_EQ(board.At(40, 30), 0x336699u);
    EXPECT_EQ(board.At(59, 30), 0x336699u);
    EXPECT_EQ(board.At(60, 30), Board::Background);
    FreeDib(pic);
    FreeDib(tall);
}

TEST(PutImage, ExtremeAspectRatiosAndUsedUpBordersAreGuarded)
{
    // A picture that scales to 0 pixels high would tile for ever; it is
    // drawn 1 pixel high instead and the rectangle is covered.
    for (QSize size : {QSize(1000, 1), QSize(1, 1000)}) {
        Board board(10, 10);
        TDib *pic = SolidPicture(size.width(), size.height(), 0x336699);
        QRect r(0, 0, 10, 10);
        board.st->PutImage(board.rb(), pic, r, true, false);
        FreeDib(pic);
        EXPECT_EQ(CountColor(board.rb(), 0x336699), 100) << size.width();
    }
    // A border that uses up the rectangle draws nothing (no mirrored
    // stretch); an empty rectangle neither.
    Board board(20, 20);
    const std::vector<COLORREF> plain = Pixels(board.rb());
    TDib *pic = SolidPicture(50, 50, 0x336699);
    QRect r(2, 2, 6, 6);
    board.st->PutImage(board.rb(), pic, r, false, true);
    EXPECT_EQ(r.width(), -2);
    EXPECT_EQ(Pixels(board.rb()), plain);
    QRect empty(5, 5, 0, 10);
    board.st->PutImage(board.rb(), pic, empty, true, false);
    EXPECT_EQ(Pixels(board.rb()), plain);
    board.st->PutImage(board.rb(), nullptr, r, true, false);
    board.st->PutImage(nullptr, pic, r, true, false);
    FreeDib(pic);
}
