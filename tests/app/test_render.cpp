// Board rendering and the end of a game: render only when asked, the
// background, the panel values, the qualification test and the Hall of
// Fame run after the paint, the intro title and its timer.
#include "test_input_util.h"

#include "FacePictures.h"
#include "Gdi.h"
#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"
#include "VlLook.h"

#include <QDir>
#include <cstring>
#include <QImage>
#include <QTemporaryDir>

namespace {

// Colour of a pixel of the render bitmap (0x00BBGGRR).
COLORREF PixelOf(const VlmImgUt::TDib *dib, int x, int y)
{
    const uint8_t *p = dib->bitmap->Row(y) + 3 * x;
    return RGBColor(p[2], p[1], p[0]);
}

} // namespace

// ---- Rendering ----------------------------------------------------------------

TEST_F(BoardTest, BoxesAreDrawnOnlyWhenReRenderIsSet)
{
    StartGame(2, 3);
    const qint64 frame = w->board->screenFrame.cacheKey();
    ASSERT_FALSE(w->board->screenFrame.isNull());
    // A change without the flag: the next paint copies the old bitmap.
    TurnRecord(Front(0, 0), 1);
    View()->repaint();
    EXPECT_EQ(w->board->screenFrame.cacheKey(), frame);
    w->board->reRender = true;
    View()->repaint();
    EXPECT_NE(w->board->screenFrame.cacheKey(), frame);
    EXPECT_FALSE(w->board->reRender);
}

TEST_F(BoardTest, ScreenShowsTheRenderBitmap)
{
    StartGame(2, 3);
    settings->backgroundColor = 0x123456;
    w->board->reRender = true;
    View()->repaint();
    const QImage shot = View()->grab().toImage();
    EXPECT_EQ(FromQRgb(shot.pixel(1, 1)), 0x123456u);
    EXPECT_EQ(PixelOf(settings->renderBuffer, 1, 1), 0x123456u);
    EXPECT_EQ(settings->renderBuffer->width, View()->width());
    EXPECT_EQ(settings->renderBuffer->height, View()->height());
}

TEST_F(BoardTest, IntroKeepsTheBlackBrush)
{
    settings->backgroundColor = 0x123456;
    w->board->reRender = true;
    View()->repaint();
    ASSERT_TRUE(w->flow.introRunning);
    EXPECT_EQ(PixelOf(settings->renderBuffer, 1, 1), 0x000000u);
}

TEST_F(BoardTest, PanelShowsScoreMovesAndDisorderWithSigns)
{
    StartGame(2, 3);
    w->flow.game->moves = -3;
    w->board->reRender = true;
    View()->repaint();
    EXPECT_EQ(w->panel.movesValue.GetText(), "-3");
    EXPECT_EQ(w->panel.scoreValue.GetText(), QString::number(w->flow.game->score));
    EXPECT_EQ(w->panel.disorderValue.GetText(), QString::number(w->flow.game->disorder));
    EXPECT_GT(w->flow.game->disorder, 0);
}

TEST_F(BoardTest, FailedBitmapIsNeverCopiedAndIsMadeAgain)
{
    StartGame(2, 3);
    // A size the bitmap cannot have.
    settings->clientWidth = settings->bufferWidth = 20000;
    settings->clientHeight = settings->bufferHeight = 20000;
    w->board->reRender = true;
    w->board->RenderBoard();
    EXPECT_EQ(settings->renderBuffer, nullptr);
    EXPECT_TRUE(w->board->screenFrame.isNull());
    EXPECT_TRUE(w->board->reRender);
    View()->repaint();   // the next paint tries again at the window's size
    ASSERT_NE(settings->renderBuffer, nullptr);
    EXPECT_EQ(settings->renderBuffer->width, View()->width());
    EXPECT_FALSE(w->board->screenFrame.isNull());
}

class PatternTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        ASSERT_TRUE(tmp.isValid());
        settings->imgUt = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"),
                                               TRegStore::InFolder(tmp.path() + "/store"));
        settings->usePattern = true;
        settings->backgroundColor = 0x0000C0;
    }
    QString WritePattern(const QString &name)
    {
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(QColor(0, 200, 0));
        const QString path = tmp.path() + "/" + name;
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    }
    QTemporaryDir tmp;
};

TEST_F(PatternTest, MissingPictureShowsTheColourAndIsNotReadAgainUntilTheFileChanges)
{
    StartGame(2, 3);
    settings->patternFile = tmp.path() + "/missing.bmp";
    w->board->reRender = true;
    View()->repaint();
    EXPECT_EQ(settings->patternImage, nullptr);
    EXPECT_EQ(PixelOf(settings->renderBuffer, 1, 1), 0x0000C0u);

    // The file appears under the same name: not read again.
    QFile::copy(WritePattern("green.bmp"), settings->patternFile);
    w->board->reRender = true;
    View()->repaint();
    EXPECT_EQ(settings->patternImage, nullptr);
    EXPECT_EQ(PixelOf(settings->renderBuffer, 1, 1), 0x0000C0u);

    // Another file: read and drawn over the whole bitmap.
    settings->patternFile = WritePattern("other.bmp");
    w->board->reRender = true;
    View()->repaint();
    ASSERT_NE(settings->patternImage, nullptr);
    EXPECT_EQ(PixelOf(settings->renderBuffer, 1, 1), RGBColor(0, 200, 0));
}

// A pattern larger than the bitmap, tiled or not, is drawn from its copy
// stretched to the drawn size exactly as PutImage draws the picture
// itself; the full-size picture is not kept, and its file is read again
// for another bitmap size. A smaller one is kept and drawn as it is. Read
// ahead of the drawing (on the pixel pool, as the board reads before a
// render), it is the same.
TEST(BoardPattern, StretchedCopyDrawsWhatThePictureDraws)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    auto write = [&](const QString &name, int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb(x * 255 / w, (x / 9 + y / 7) % 2 ? 220 : 30, y * 255 / h));
        const QString path = tmp.path() + "/" + name;
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    };
    const QString big = write("big.bmp", 701, 437), small = write("small.bmp", 90, 60);
    for (bool tile : {false, true})
    for (bool ahead : {false, true}) {
        TSettings s;
        s.imgUt = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(tmp.path() + "/store"));
        s.tilePattern = tile;
        TBoardPattern pattern;
        auto drawBoth = [&](int W, int H, const QString &file) {
            // The expected picture: PutImage of the file's picture, read
            // here, over the same ground.
            VlmImgUt::TDib *full = nullptr;
            EXPECT_TRUE(s.imgUt->ReadImageFile(file, &full, 0, 0, false));
            VlmImgUt::TDib expected;
            expected.Create(W, H);
            expected.SetBrush(0x123456);
            Gdi::PatBlt(expected.dc, 0, 0, W, H, Gdi::PATCOPY);
            QRect whole(0, 0, W, H);
            s.PutImage(&expected, full, whole, tile, false);
            VlmImgUt::ReleaseDib(full);
            if (!s.renderBuffer || s.renderBuffer->width != W || s.renderBuffer->height != H) {
                VlmImgUt::ReleaseDib(s.renderBuffer);
                s.renderBuffer = new VlmImgUt::TDib;
                s.renderBuffer->Create(W, H);
            }
            s.bufferWidth = W;
            s.bufferHeight = H;
            s.patternFile = file;
            s.renderBuffer->SetBrush(0x123456);
            Gdi::PatBlt(s.renderBuffer->dc, 0, 0, W, H, Gdi::PATCOPY);
            if (ahead) {
                TPictureJobs jobs(s);
                pattern.Prepare(s, jobs);
                jobs.Run();
            }
            EXPECT_TRUE(pattern.Draw(s));
            return std::memcmp(expected.bits, s.renderBuffer->bits, size_t(expected.stride) * size_t(H)) == 0;
        };
        EXPECT_TRUE(drawBoth(300, 200, big)) << "tile " << tile << " ahead " << ahead;
        EXPECT_EQ(s.patternImage, nullptr) << "the full-size picture is not kept";
        EXPECT_TRUE(drawBoth(300, 200, big)) << "from the copy again";
        EXPECT_TRUE(drawBoth(250, 260, big)) << "another size reads the file again";
        EXPECT_EQ(s.patternImage, nullptr);
        EXPECT_TRUE(drawBoth(300, 200, small));
        EXPECT_NE(s.patternImage, nullptr) << "a picture drawn at its own size stays";
    }
}

// ---- End of the game -----------------------------------------------------------

struct QualifyCase {
    const char *name;
    int lowest;          // the lowest of ten filled entries; 0 for an empty table
    int filled;          // number of filled entries (the rest 0)
    int score;
    bool intro;
    bool qualifies;
};

// ctest names the cases by these.
void PrintTo(const QualifyCase &c, std::ostream *os)
{
    *os << c.name;
}

class Qualification : public BoardTest, public ::testing::WithParamInterface<QualifyCase> {};

TEST_P(Qualification, ScoreAgainstTheTenEntries)
{
    const QualifyCase &c = GetParam();
    if (!c.intro)
        StartGame(2, 3);
    const int t = settings->gameType - 1;
    for (int e = 0; e < 10; ++e)
        settings->hofScore[t][e] = e < c.filled ? c.lowest + 100 * (c.filled - 1 - e) : 0;
    w->flow.game->finished = false;
    w->flow.game->score = c.score;
    w->flow.game->selectedId = 0;
    sounds.clear();
    w->flow.OnSolved();
    EXPECT_TRUE(w->flow.game->finished);
    if (c.qualifies) {
        EXPECT_EQ(sounds, std::vector<QString>{"CNGRT"});
        EXPECT_EQ(w->panel.messageText[0].GetText(), "Congratulations!");
        EXPECT_EQ(w->panel.messageText[1].GetText(), "Your Score qualifies");
        EXPECT_EQ(w->panel.messageText[2].GetText(), "for the Hall of Fame!");
        EXPECT_FALSE(settings->inputEnabled) << "input is off until the dialog has run";
        EXPECT_TRUE(hofRuns.empty()) << "no dialog inside the caller";
        Drain();
        ASSERT_EQ(hofRuns.size(), 1u);
        EXPECT_EQ(hofRuns[0].score, c.score);
        EXPECT_TRUE(hofRuns[0].newScoreMode);
        EXPECT_FALSE(hofRuns[0].inputEnabledDuring);
        EXPECT_TRUE(settings->inputEnabled);
        EXPECT_FALSE(w->flow.keepMessage);
    } else {
        EXPECT_EQ(sounds, std::vector<QString>{"GDJOB"});
        EXPECT_EQ(w->panel.messageText[0].GetText(), "Good job!");
        EXPECT_EQ(w->panel.messageText[1].GetText(), "Everything appears");
        EXPECT_EQ(w->panel.messageText[2].GetText(), "to be in order!");
        EXPECT_TRUE(w->flow.keepMessage);
        Drain();
        EXPECT_TRUE(hofRuns.empty());
    }
    EXPECT_EQ(w->panel.messagePanel.color, w->flow.messageSolvedColor);
    EXPECT_FALSE(w->panel.messagePanel.isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Board, Qualification,
    ::testing::Values(QualifyCase{"EmptyTableAnyPositiveScore", 0, 0, 1, false, true},
                      QualifyCase{"ZeroNeverQualifiesOnEmpty", 0, 0, 0, false, false},
                      QualifyCase{"ShortTableQualifies", 500, 3, 100, false, true},
                      QualifyCase{"HigherThanLowestOfFull", 500, 10, 501, false, true},
                      QualifyCase{"EqualToLowestOfFull", 500, 10, 500, false, false},
                      QualifyCase{"BelowAllOfFull", 500, 10, 12, false, false},
                      QualifyCase{"IntroNeverAsks", 0, 0, 900, true, false}),
    [](const ::testing::TestParamInfo<QualifyCase> &i) { return std::string(i.param.name); });

TEST_F(BoardTest, EndOfGameComesOnceAndClearsTheSelection)
{
    StartGame(2, 3);
    AllInOrder();
    TBoxRec &a = Front(1, 1);
    TurnRecord(a, 1);
    w->board->reRender = true;
    View()->repaint();
    // Turn it back through the board: select, drag right on it.
    Click(Centre(a));
    w->flow.game->infoId = Front(0, 0).id;
    sounds.clear();
    Drag(Centre(a), Centre(a) + QPoint(15, 0));
    ASSERT_TRUE(w->flow.game->finished);
    EXPECT_EQ(sounds.front(), "RTBOX");
    ASSERT_EQ(sounds.size(), 2u);
    const QString end = sounds[1];
    EXPECT_TRUE(end == "CNGRT" || end == "GDJOB");
    Drain();
    EXPECT_EQ(w->flow.game->selectedId, 0);
    EXPECT_EQ(w->flow.game->infoId, 0);
    EXPECT_EQ(hofRuns.size(), end == "CNGRT" ? 1u : 0u);

    // Later paints and renders do not repeat it.
    sounds.clear();
    w->board->reRender = true;
    View()->repaint();
    View()->repaint();
    Drain();
    EXPECT_TRUE(sounds.empty());
    EXPECT_EQ(hofRuns.size(), end == "CNGRT" ? 1u : 0u);
}

TEST_F(BoardTest, AfterTheHallOfFameTheNextRenderShowsTheHint)
{
    StartGame(2, 3);
    w->flow.game->score = 50;
    w->flow.game->selectedId = Front(0, 0).id;
    w->flow.OnSolved();
    Drain();
    ASSERT_EQ(hofRuns.size(), 1u);
    EXPECT_EQ(w->flow.game->selectedId, 0);
    View()->repaint();
    EXPECT_TRUE(w->panel.messagePanel.isHidden());
    EXPECT_FALSE(w->panel.hintPanel.isHidden());
}

TEST_F(BoardTest, GoodJobStaysUntilTheNextClick)
{
    StartGame(2, 3);
    for (int e = 0; e < 10; ++e)
        settings->hofScore[1][e] = 1000;
    w->flow.game->score = 5;
    w->flow.OnSolved();
    w->board->reRender = true;
    View()->repaint();
    EXPECT_EQ(w->panel.messageText[0].GetText(), "Good job!");
    EXPECT_FALSE(w->panel.messagePanel.isHidden());
    Click(Centre(Front(0, 0)));
    EXPECT_TRUE(w->panel.messagePanel.isHidden());
}

TEST_F(BoardTest, HighScoresButtonOpensTheDialogInViewingMode)
{
    StartGame(2, 3);
    QTest::mouseClick(&w->panel.highScoresButton, Qt::LeftButton);
    ASSERT_EQ(hofRuns.size(), 1u);
    EXPECT_EQ(hofRuns[0].score, 0);
    EXPECT_FALSE(hofRuns[0].newScoreMode);
    EXPECT_FALSE(hofRuns[0].inputEnabledDuring);
    EXPECT_TRUE(settings->inputEnabled);
}

// ---- The intro -----------------------------------------------------------------

TEST_F(BoardTest, IntroTitleStepsItsColourAtEveryPaint)
{
    ASSERT_TRUE(w->flow.introRunning);
    EXPECT_NE(w->board->introTimer, nullptr) << "the first render of the intro starts the timer";
    w->board->introTitleColor = 0xFF6800;
    View()->repaint();
    EXPECT_EQ(w->board->introTitleColor, Color(RGBColor(0x0C, 0x78, 8)));
    // Past 255 a channel loses 255: blue 250 + 8 gives 3.
    w->board->introTitleColor = Color(RGBColor(250, 250, 250));
    View()->repaint();
    EXPECT_EQ(w->board->introTitleColor, Color(RGBColor(7, 11, 3)));
}

TEST_F(BoardTest, IntroTimerRepaintsOnlyWhileInputIsEnabled)
{
    TPaintCounter paints(View());
    settings->inputEnabled = false;
    w->board->SplashTimerProc();
    EXPECT_EQ(paints.count, 0);
    settings->inputEnabled = true;
    w->board->SplashTimerProc();
    EXPECT_EQ(paints.count, 1);
    EXPECT_FALSE(w->board->reRender) << "a tick only copies the bitmap again";
}

TEST_F(BoardTest, IntroTitleShrinksToFitItsGap)
{
    w->resize(520, 360);
    Drain();
    for (int i = 0; i < 10; ++i)
        View()->repaint();
    const int W = 2 * settings->boxSize - settings->sideDepth;
    EXPECT_LT(w->board->introTitleHeight, 55);
    EXPECT_LE(QFontMetrics(VlSansFont(w->board->introTitleHeight)).horizontalAdvance("quibo"), W - 8);
    // One paint lowers it by at most eight steps of 2; the lowered height
    // stays for later paints.
    w->board->introTitleHeight = 55;
    View()->repaint();
    const int once = w->board->introTitleHeight;
    EXPECT_GE(once, 55 - 16);
    EXPECT_LT(once, 55);
    // A size change puts it back to 55 before fitting again.
    w->resize(900, 700);
    Drain();
    w->SyncWindowSize();
    EXPECT_EQ(w->board->introTitleHeight, 55);
}

TEST_F(BoardTest, NewGameStopsTheIntroTimer)
{
    ASSERT_NE(w->board->introTimer, nullptr);
    StartGame(2, 3);
    EXPECT_EQ(w->board->introTimer, nullptr);
    EXPECT_FALSE(w->flow.introRunning);
}
