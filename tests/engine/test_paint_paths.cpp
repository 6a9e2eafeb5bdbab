// The shape drawn as a whole (recorded, its slanted faces resampled side by
// side on the pixel pool) gives the same render bitmap, byte for byte, and
// the same sampler state as the shape drawn box by box on one thread: for
// every game type, with pictures fitted, tiled, bordered, spanned and
// rotated, with and without supersampling, clipped at the bitmap's edges,
// and again after a move.
#include "test_board_util.h"

#include "BoxPainter.h"
#include "Random.h"
#include "ScriptedRandom.h"
#include "ShapePaint.h"
#include "ShapeRecord.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSplash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>

using namespace paintertest;
using VlmImgUt::TDib;

namespace {

// Six pictures unlike each other: larger than the boxes (stretched),
// smaller (centred, so the slanted faces read outside them), odd sizes, an
// extreme aspect ratio, hard edges (nine sub-samples) and smooth areas
// (four).
TDib *FacePicture(int f)
{
    switch (f) {
    case 0:
        return MakePicture(300, 200, [](int x, int y) {
            return ((x + y) / 23) % 2 ? RGBColor(x & 0xFF, y & 0xFF, 40) : RGBColor(250, 240, (x * y) & 0xFF);
        });
    case 1:
        return MakePicture(64, 64, [](int x, int y) {
            return (x / 8 + y / 8) % 2 ? RGBColor(20, 120, 40) : RGBColor(220, 240, 200);
        });
    case 2:
        return MakePicture(97, 131, [](int x, int y) {
            const int r = (x - 48) * (x - 48) + (y - 65) * (y - 65);
            return (r / 300) % 2 ? RGBColor(30, 60, 200) : RGBColor(180, 210, 255);
        });
    case 3:
        return MakePicture(3, 500, [](int x, int y) { return RGBColor(x * 100, y / 2, 255 - y / 2); });
    case 4:
        return SolidPicture(50, 50, RGBColor(200, 100, 220));
    default:
        return MakePicture(400, 400, [](int x, int y) {
            const uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
            return RGBColor(h & 0xFF, (h >> 8) & 0xFF, (x + y) & 0xFF);
        });
    }
}

enum Flags : unsigned {
    Tile = 1,
    Border = 2,
    Span = 4,
    Rotate = 8,
    NoSupersampling = 16,
    NoBoxColors = 32,
};

struct Case {
    const char *name;
    int gameType;  // 0 the intro scene
    int levels;
    int width, height;  // render bitmap
    QRect board;        // before the layout
    unsigned flags;
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

// The game of the type, the intro scene for type 0.
std::unique_ptr<TGame> MakeGame(int type, TSettings *st)
{
    if (type == 0)
        return std::make_unique<TSplash>(st);
    return TGame::Make(type, st);
}

// One board with its game, set up and laid out alike for both paths.
struct PathBoard {
    Board board;
    TSettings &st = *board.st;
    std::unique_ptr<TGame> game;
    QRect rect;

    PathBoard(const Case &c, bool boxByBox) : board(c.width, c.height)
    {
        st.levels = c.levels;
        st.painter->paintBoxByBox = boxByBox;
        for (int f = 0; f < 6; ++f)
            st.faceImage[f] = FacePicture(f);
        st.useBoxImages = true;
        st.tileImages = c.flags & Tile;
        st.borderImages = c.flags & Border;
        st.spanImages = c.flags & Span;
        st.rotateImages = c.flags & Rotate;
        st.antiAlias = !(c.flags & NoSupersampling);
        st.useBoxColors = !(c.flags & NoBoxColors);
        game = MakeGame(c.gameType, &st);
        // Both boards scrambled alike.
        TSteadyRandom random(77u);
        TRandomScope scope(random);
        game->Setup();
        rect = c.board;
        game->FitToRect(rect);
    }

    // The board rendering's order: background brush and fill, then the
    // shape; the first pictured box finds the background brush.
    void Render()
    {
        TDib *rb = st.renderBuffer;
        rb->SetBrush(0x302418);
        Gdi::PatBlt(rb->dc, 0, 0, rb->width, rb->height, Gdi::PATCOPY);
        game->PaintShape(rect);
    }
};

// The first byte where the two bitmaps differ, as a readable place.
std::string FirstDifference(const TDib *a, const TDib *b)
{
    for (int row = 0; row < a->height; ++row) {
        const uint8_t *p = a->bits + int64_t(row) * a->stride, *q = b->bits + int64_t(row) * b->stride;
        for (int i = 0; i < a->width * 3; ++i)
            if (p[i] != q[i])
                return "pixel (" + std::to_string(i / 3) + ", " + std::to_string(a->height - 1 - row) + ") channel "
                       + std::to_string(i % 3) + ": " + std::to_string(p[i]) + " box by box, " + std::to_string(q[i])
                       + " as a whole";
    }
    return {};
}

void ExpectSameSamplerState(const TSettings &a, const TSettings &b)
{
    auto same = [](const TSample &x, const TSample &y) {
        return std::memcmp(x.channel, y.channel, sizeof x.channel) == 0 && x.valid == y.valid
               && x.unused == y.unused && x.dx == y.dx && x.dy == y.dy;
    };
    EXPECT_TRUE(same(a.currentSample, b.currentSample));
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(same(a.sampleOffset[k], b.sampleOffset[k])) << "slot " << k;
    EXPECT_EQ(a.sampleIndex, b.sampleIndex);
    EXPECT_EQ(a.sampleSlot, b.sampleSlot);
    EXPECT_EQ(a.validSamples, b.validSamples);
    EXPECT_EQ(a.sampleBaseX, b.sampleBaseX);
    EXPECT_EQ(a.sampleBaseY, b.sampleBaseY);
    EXPECT_EQ(a.sampleX, b.sampleX);
    EXPECT_EQ(a.sampleY, b.sampleY);
    EXPECT_EQ(std::memcmp(a.sampleSum, b.sampleSum, sizeof a.sampleSum), 0);
}

class PaintPaths : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(PaintPaths, WholeShapeEqualsBoxByBox)
{
    const Case &c = GetParam();
    PathBoard one(c, true), whole(c, false);
    ASSERT_EQ(one.rect, whole.rect);
    ASSERT_GT(one.st.boxSize, 0);
    // A selected box: its outline is drawn between the boxes.
    const TBoxRec &pick = one.game->box[0][1][c.gameType == 0 ? 1 : c.levels - 1];
    one.game->selectedId = whole.game->selectedId = pick.id;

    // The first render fits the pictures; the second finds them fitted and
    // shows the shape after a move.
    const std::function<void(TGame &)> moves[] = {
        [](TGame &) {},
        [](TGame &g) { g.RotateShape(1); },
        [](TGame &g) { g.RotateShape(4); },
    };
    for (size_t m = 0; m < std::size(moves); ++m) {
        moves[m](*one.game);
        moves[m](*whole.game);
        one.Render();
        whole.Render();
        const std::string diff = FirstDifference(one.st.renderBuffer, whole.st.renderBuffer);
        ASSERT_TRUE(diff.empty()) << "render " << m << ": " << diff;
        ExpectSameSamplerState(one.st, whole.st);
        EXPECT_EQ(one.st.renderBuffer->brushColor, whole.st.renderBuffer->brushColor);
        for (int L = 0; L < c.levels; ++L)
            for (int r = 0; r < c.levels; ++r)
                for (int k = 0; k < c.levels; ++k)
                    ASSERT_EQ(one.game->box[L][r][k].x, whole.game->box[L][r][k].x);
    }
    // The pictures were drawn at all: many colours beyond the six fills.
    const std::vector<COLORREF> pixels = Pixels(whole.st.renderBuffer);
    EXPECT_GT(std::set<COLORREF>(pixels.begin(), pixels.end()).size(), 100u);
}

// Board rectangles: the window's at 1920 x 1080 (large coordinates), a
// small bitmap, and one the shape overhangs on every side.
const QRect FullHd(16, 16, 1920 - 180 - 16 - 55 - 16, 1080 - 16 - 55 - 16);
const QRect Small(8, 8, 300, 260);
const QRect Overhang(-70, -50, 460, 400);

INSTANTIATE_TEST_SUITE_P(
    GameTypesAndPictures, PaintPaths,
    ::testing::Values(Case{"JumbledCube8Fitted", 2, 8, 1920, 1080, FullHd, 0},
                      Case{"JumbledCube8SpannedRotated", 2, 8, 1920, 1080, FullHd, Span | Rotate | Border},
                      Case{"JumbledCube4Tiled", 2, 4, 320, 280, Small, Tile},
                      Case{"JumbledCube4TiledBordered", 2, 4, 320, 280, Small, Tile | Border | Rotate},
                      Case{"JumbledCube3NoSupersampling", 2, 3, 320, 280, Small, Rotate | Border | NoSupersampling},
                      Case{"JumbledCube5NoBoxColours", 2, 5, 320, 280, Small, Span | NoBoxColors},
                      Case{"JumbledCube4Overhanging", 2, 4, 320, 280, Overhang, Span | Rotate},
                      Case{"JumbledPyramid6", 3, 6, 1920, 1080, FullHd, Rotate | Border},
                      Case{"JumbledPyramid4Spanned", 3, 4, 320, 280, Small, Span | Rotate | Tile},
                      Case{"RebukesCube5", 4, 5, 320, 280, Small, Rotate | Border},
                      Case{"JigsawCube2", 1, 2, 1920, 1080, FullHd, Border},
                      Case{"JigsawCube8", 1, 8, 1920, 1080, FullHd, Tile},
                      Case{"JigsawCube4NoSupersampling", 1, 4, 320, 280, Small, NoSupersampling},
                      Case{"Intro", 0, 3, 320, 280, Small, Rotate | Border}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// Faces kept from an earlier shape are taken again only while their
// picture, sampler, place and bitmap are the same: after each change the
// whole-shape drawing still equals the box-by-box drawing.
TEST(PaintPaths, KeptFacesFollowPicturesSamplerPlaceAndBitmap)
{
    const Case c{"KeptFaces", 2, 4, 320, 280, Small, Rotate | Border};
    PathBoard one(c, true), whole(c, false);
    auto compare = [&](const char *after) {
        one.Render();
        whole.Render();
        const std::string diff = FirstDifference(one.st.renderBuffer, whole.st.renderBuffer);
        ASSERT_TRUE(diff.empty()) << "after " << after << ": " << diff;
        ExpectSameSamplerState(one.st, whole.st);
    };
    const std::function<void(PathBoard &)> changes[] = {
        [](PathBoard &) {},
        // New pictures, the fitted copies dropped (as saving the options
        // does): the new fitted copies, made next, take the old ones'
        // memory.
        [](PathBoard &b) {
            TDib *fresh[6];
            for (int f = 0; f < 6; ++f)
                fresh[f] = FacePicture(5 - f);
            for (int f = 0; f < 6; ++f) {
                VlmImgUt::ReleaseDib(b.st.faceImage[f]);
                b.st.faceImage[f] = fresh[f];
            }
            for (int f = 0; f < 6; ++f)
                VlmImgUt::ReleaseDib(b.st.faceImageFit[f]);
        },
        [](PathBoard &b) { b.st.sampleThreshold = 5; },
        [](PathBoard &b) { b.st.sampleOffset[2].dy = 0.25f; },
        [](PathBoard &b) { b.st.antiAlias = false; },
        [](PathBoard &b) { b.st.antiAlias = true; },
        // Another place: the shape moved by one pixel.
        [](PathBoard &b) { b.rect.translate(1, 0); },
        // A smaller bitmap that cuts the shape.
        [](PathBoard &b) {
            b.st.renderBuffer->Create(250, 200);
            b.st.renderBuffer->SetBrush(0);
            b.st.renderBuffer->SetPen(0, 1);
        },
        [](PathBoard &b) { b.game->RotateShape(2); },
    };
    int step = 0;
    for (const auto &change : changes) {
        change(one);
        change(whole);
        compare(("change " + std::to_string(step++)).c_str());
    }
}

// A box drawn twice in one shape (its faces twice alike): the second
// takes the first one's pixels, with the same result as box by box.
TEST(PaintPaths, BoxDrawnTwiceInOneShape)
{
    Board one(200, 200), whole(200, 200);
    for (Board *b : {&one, &whole}) {
        b->SetGeometry(60, 20, 20);
        b->PlaceScratch(80, 80, 0, 1, 2);
        for (int f = 0; f < 6; ++f)
            b->st->faceImage[f] = FacePicture(f);
        b->st->useBoxImages = true;
        b->st->rotateImages = true;
    }
    one.st->painter->paintBoxByBox = true;
    for (Board *b : {&one, &whole}) {
        TShapePaint paint(*b->st);
        b->st->PaintBox(7, 1, 1, 0.0f, 0.0f);
        b->st->PaintBox(7, 1, 1, 0.0f, 0.0f);
    }
    const std::string diff = FirstDifference(one.st->renderBuffer, whole.st->renderBuffer);
    EXPECT_TRUE(diff.empty()) << diff;
    ExpectSameSamplerState(*one.st, *whole.st);
}

// The store of resampled faces: an entry counts once it is made; it goes
// with its picture, with other sampler constants, unmade at the end of a
// shape, and, over the budget, when the shape did not use it.
TEST(FaceStore, KeepsFacesWhilePictureSamplerAndBudgetAllow)
{
    TSettings st;
    TFaceStore store;
    TDib a, b;
    auto key = [](const TDib &picture, float x) {
        TFaceKey k;
        k.picture = &picture;
        k.x = x;
        return k;
    };
    store.Begin(st);
    store.Add(key(a, 1));
    EXPECT_EQ(store.Find(key(a, 1)), nullptr) << "not made yet";
    store.Add(key(a, 2)).ready = true;
    store.Add(key(b, 1)).ready = true;
    EXPECT_NE(store.Find(key(a, 2)), nullptr);
    EXPECT_EQ(store.Find(key(a, 3)), nullptr);
    store.End();
    EXPECT_EQ(store.Find(key(a, 1)), nullptr);

    store.Begin(st);
    EXPECT_NE(store.Find(key(b, 1)), nullptr) << "same sampler: kept";
    store.Forget(&a);
    EXPECT_EQ(store.Find(key(a, 2)), nullptr);
    EXPECT_NE(store.Find(key(b, 1)), nullptr);
    store.End();

    st.sampleWeight[4] = 0.3f;
    store.Begin(st);
    EXPECT_EQ(store.Find(key(b, 1)), nullptr) << "other weights: forgotten";
    // Over the budget only what this shape used stays.
    for (int i = 0; i < 20; ++i) {
        TFacePixels &big = store.Add(key(a, float(10 + i)));
        big.pixels.resize(1u << 20);
        big.ready = true;
    }
    store.End();
    store.Begin(st);
    EXPECT_NE(store.Find(key(a, 10)), nullptr);
    store.End();
    store.Begin(st);
    EXPECT_NE(store.Find(key(a, 10)), nullptr);
    EXPECT_EQ(store.Find(key(a, 11)), nullptr);
    store.End();
}
