// The About box: its layout at two scales, the picture from the program's
// resources (no file left behind, no fixed name used), the colour cycle,
// the keys, the pointer and the cursor, the web button and its openers.
#include "test_window_util.h"

#include "DialogRun.h"
#include "GameLook.h"
#include "Gdi.h"
#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"
#include "TboxAbout.h"
#include "VlDesign.h"
#include "VlMenu.h"
#include "VlmPix.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using VlmImgUt::TDib;

namespace {

// A picture of the given pixels in one row, each as its three bytes in
// memory order (blue, green, red).
TDib *RowPicture(const std::vector<std::array<uint8_t, 3>> &pixels)
{
    auto *d = new TDib;
    EXPECT_TRUE(d->Create(int(pixels.size()), 1));
    for (size_t i = 0; i < pixels.size(); ++i)
        for (int c = 0; c < 3; ++c)
            d->bits[3 * i + size_t(c)] = pixels[i][size_t(c)];
    return d;
}

std::vector<uint8_t> Bytes(const TDib *d)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < d->height; ++y)
        out.insert(out.end(), d->bits + size_t(y) * size_t(d->stride),
                   d->bits + size_t(y) * size_t(d->stride) + size_t(d->width) * 3);
    return out;
}

void Ticks(BAImgBox &box, int n)
{
    for (int i = 0; i < n; ++i)
        box.AnimateStep();
}

// The settings of a bare record plus the image-library context the box
// reads its picture with.
class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        settings.imgUt = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(tmp.path()));
        settings.userFolder = tmp.path() + "/user/quibo/";
    }
    void TearDown() override
    {
        SetInterfaceScale(nullptr, 'W', 'n', false);
        QGuiApplication::restoreOverrideCursor();
    }

    QTemporaryDir tmp;
    TSettings settings;
};

// The box with an all-black picture and one with a bright one (250, 0, 200).
struct CycleCase {
    int ticks;
    std::vector<uint8_t> bytes;   // both pixels after that many ticks
};

void PrintTo(const CycleCase &c, std::ostream *os)
{
    *os << c.ticks << " ticks";
}

class AboutCycle : public AboutTest, public ::testing::WithParamInterface<CycleCase> {};

} // namespace

// ---- Layout -----------------------------------------------------------------------

class AboutLayout : public AboutTest, public ::testing::WithParamInterface<char> {};

TEST_P(AboutLayout, SizesTextsAndFonts)
{
    const char scale = GetParam();
    SetInterfaceScale(nullptr, 'W', scale, false);
    TboxAbout dlg(&settings);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About quibo"));
    EXPECT_EQ(dlg.size(), scale == 'n' ? QSize(292, 196) : QSize(352, 233));
    auto at = [](int x, int y, int w, int h) { return VlDesignRect{x, y, w, h}.Scaled(); };
    EXPECT_EQ(dlg.mainPanel.geometry(), at(8, 8, 276, 126));
    EXPECT_EQ(dlg.donePanel.geometry(), at(121, 167, 50, 22));
    // Inside the main panel's two frames.
    EXPECT_EQ(dlg.picture.geometry(), at(8, 12, 100, 100).translated(4, 4));
    EXPECT_EQ(dlg.webButton.geometry(), at(167, 98, 96, 17).translated(4, 4));
    EXPECT_EQ(dlg.doneButton.geometry(), at(0, 0, 50, 22));

    struct Text {
        const VlText &t;
        const char *text;
        Color ink;
        Qt::Alignment align;
    } texts[] = {
        {dlg.nameText, "quibo", 0xC0C0C0, Qt::AlignLeft},
        {dlg.tmText, "TM", 0xC0C0C0, Qt::AlignLeft},
        {dlg.versionLabel, "Version 1.7 (64-Bit)", 0xBBBBBB, Qt::AlignRight},
        {dlg.webLabel, "Web Site:", 0xBBBBBB, Qt::AlignLeft},
    };
    for (const Text &t : texts) {
        EXPECT_EQ(t.t.GetText(), QString::fromLatin1(t.text));
        EXPECT_EQ(t.t.GetInk(), t.ink) << t.text;
        EXPECT_EQ(t.t.GetAlign(), t.align) << t.text;
    }
    const bool normal = scale == 'n';
    EXPECT_TRUE(dlg.nameText.font().bold());
    EXPECT_EQ(dlg.nameText.font().pixelSize(), normal ? 14 : VlFontHeight + 3);
    EXPECT_EQ(dlg.tmText.font().bold(), normal);
    EXPECT_EQ(dlg.tmText.font().pixelSize(), normal ? 8 : VlFontHeight - 3);

    EXPECT_EQ(dlg.webButton.text(), QString::fromLatin1(TboxAbout::WebCaption));
    EXPECT_EQ(dlg.doneButton.text(), QStringLiteral("Done"));
    EXPECT_TRUE(dlg.webButton.font().underline());
    EXPECT_TRUE(dlg.doneButton.font().underline());
    EXPECT_FALSE(dlg.webButton.font().bold());
    EXPECT_EQ(dlg.doneButton.font().bold(), normal);
    EXPECT_EQ(dlg.webButton.ink, Color(0xDD8866));
    EXPECT_EQ(dlg.doneButton.ink, Color(0x66DDDD));
    for (const VlButton *b : {&dlg.webButton, &dlg.doneButton}) {
        EXPECT_EQ(b->face, Color(0x2C2C6F));
        EXPECT_EQ(b->hot, Color(0x654221));
    }

    // The dialog's own colour around the panels.
    dlg.show();
    const QImage shot = dlg.grab().toImage();
    EXPECT_EQ(shot.pixel(2, 2) & 0xFFFFFF, 0x242424u);
}

INSTANTIATE_TEST_SUITE_P(About, AboutLayout, ::testing::Values('n', 'l'),
                         [](const ::testing::TestParamInfo<char> &info) {
                             return info.param == 'n' ? std::string("Normal") : std::string("Large");
                         });

// ---- The picture from the resources ----------------------------------------------------

TEST_F(AboutTest, PictureComesFromTheResourcesAndLeavesNoFile)
{
    // A temporary folder of our own, with a link at the fixed name that
    // another user could have planted.
    QTemporaryDir temp;
    const QString victim = tmp.path() + "/victim.txt";
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    ASSERT_TRUE(QFile::link(victim, temp.path() + "/bAbtTmp.jpg"));
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    const QStringList before = QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    std::unique_ptr<TboxAbout> first(new TboxAbout(&settings));
    std::unique_ptr<TboxAbout> second(new TboxAbout(&settings));
    const QStringList after = QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);

    EXPECT_EQ(after, before);
    EXPECT_EQ(before, QStringList{"bAbtTmp.jpg"});
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("precious"));

    // The picture as Qt's own JPEG decoder reads the same resource.
    const QImage expected = QImage(QStringLiteral(":/about/about.jpg")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), QSize(208, 200));
    ASSERT_NE(first->picture.image, nullptr) << "the JPEG reader reads the About picture";
    const QImage got = Gdi::ToQImage(first->picture.image->bitmap).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(got.size(), expected.size());
    int worst = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 208; ++x) {
            const QRgb a = got.pixel(x, y), b = expected.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 2);
    EXPECT_EQ(first->picture.image->brushColor, COLORREF(0));
}

TEST_F(AboutTest, PictureIsFittedInsideItsBoxCentredOnBlack)
{
    // 208 x 200 inside 100 x 100: 100 x 96 from row 2, black above and below.
    TboxAbout dlg(&settings);
    ASSERT_NE(dlg.picture.image, nullptr);
    ASSERT_EQ(dlg.picture.size(), QSize(100, 100));
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QImage shot = dlg.picture.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(100, 100));
    for (int x = 0; x < 100; ++x)
        for (int y : {0, 1, 98, 99})
            ASSERT_EQ(shot.pixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;

    // The picture's area against Qt's own decoder and smooth scaling.
    const QImage expected = QImage(QStringLiteral(":/about/about.jpg"))
                                .scaled(100, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 100; ++x) {
            const QRgb a = shot.pixel(x, y + 2), b = expected.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LT(sum / (100 * 96 * 3), 2.0);
    // Shifted by a row the same comparison is clearly worse: the place is exact.
    double shifted = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 100; ++x) {
            const QRgb a = shot.pixel(x, y + 3), b = expected.pixel(x, y);
            shifted += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_GT(shifted, 4 * sum);
}

TEST_F(AboutTest, WithoutTheImageLibraryThereIsNoPictureAndClicksDoNothing)
{
    delete settings.imgUt;
    settings.imgUt = nullptr;
    TboxAbout dlg(&settings);
    EXPECT_EQ(dlg.picture.image, nullptr);
    dlg.show();
    QTest::mouseClick(&dlg.picture, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(dlg.picture.animating);
    EXPECT_FALSE(dlg.picture.timer.isActive());
    // The box paints black.
    const QImage shot = dlg.picture.grab().toImage();
    EXPECT_EQ(shot.pixel(50, 50) & 0xFFFFFF, 0u);
}

// ---- The colour cycle ---------------------------------------------------------------------

TEST_P(AboutCycle, BytesAfterTicks)
{
    const CycleCase &c = GetParam();
    BAImgBox box;
    box.image = RowPicture({{0, 0, 0}, {250, 0, 200}});
    box.ToggleAnimation();
    ASSERT_TRUE(box.animating);
    Ticks(box, c.ticks);
    EXPECT_EQ(Bytes(box.image), c.bytes);
    EXPECT_EQ(Bytes(box.savedImage), (std::vector<uint8_t>{0, 0, 0, 250, 0, 200})) << "the picture as loaded";
}

INSTANTIATE_TEST_SUITE_P(
    About, AboutCycle,
    ::testing::Values(
        // Step 2 of the first phase: offsets 8, 2, 4; 250 + 8 passes 255.
        CycleCase{1, {42, 36, 38, 37, 36, 85}},
        // Step 101: offsets 800, 200, 400 brought below 255 as 35, 200, 145.
        CycleCase{100, {69, 89, 144, 64, 89, 124}},
        // Step 129: the second phase starts at offset 0.
        CycleCase{128, {34, 34, 34, 39, 34, 89}},
        // Step 201: multipliers 2, 4, 8 at position 72.
        CycleCase{200, {145, 67, 100, 150, 67, 45}},
        // Step 384, the last coloured picture of a run: 4, 8, 2 at 127.
        CycleCase{383, {36, 38, 35, 41, 38, 90}}),
    [](const ::testing::TestParamInfo<CycleCase> &info) { return "Ticks" + std::to_string(info.param.ticks); });

TEST_F(AboutTest, RunOf384TicksEndsWithThePictureAsLoaded)
{
    BAImgBox box;
    box.image = RowPicture({{10, 20, 30}, {200, 100, 0}});
    const std::vector<uint8_t> loaded = Bytes(box.image);
    box.ToggleAnimation();
    EXPECT_TRUE(box.timer.isActive());
    EXPECT_EQ(box.timer.interval(), 100);
    Ticks(box, 383);
    EXPECT_NE(Bytes(box.image), loaded);
    EXPECT_TRUE(box.animating);
    Ticks(box, 1);
    EXPECT_EQ(Bytes(box.image), loaded);
    EXPECT_FALSE(box.animating);
    EXPECT_FALSE(box.timer.isActive());
    EXPECT_EQ(box.tickCount, 0);
    EXPECT_EQ(box.step, 1) << "a full turn of the cycle";
    // Stopped, a tick changes nothing; a click starts a whole new run.
    Ticks(box, 1);
    EXPECT_EQ(Bytes(box.image), loaded);
    box.ToggleAnimation();
    Ticks(box, 1);
    EXPECT_EQ(Bytes(box.image)[0], 10 + 8 + 34);
}

TEST_F(AboutTest, AClickFreezesTheCycleAndTheNextResumesAtTheSameStep)
{
    const std::vector<std::array<uint8_t, 3>> pixels = {{90, 180, 45}, {255, 1, 128}};
    BAImgBox frozen, straight;
    frozen.image = RowPicture(pixels);
    straight.image = RowPicture(pixels);
    straight.ToggleAnimation();
    Ticks(straight, 11);

    frozen.show();
    QTest::mouseClick(&frozen, Qt::LeftButton, {}, QPoint(0, 0));
    EXPECT_TRUE(frozen.animating);
    Ticks(frozen, 10);
    const std::vector<uint8_t> at10 = Bytes(frozen.image);
    QTest::mouseClick(&frozen, Qt::LeftButton, {}, QPoint(0, 0));
    EXPECT_FALSE(frozen.animating);
    EXPECT_FALSE(frozen.timer.isActive());
    Ticks(frozen, 5);
    EXPECT_EQ(Bytes(frozen.image), at10) << "frozen colours";
    QTest::mouseClick(&frozen, Qt::LeftButton, {}, QPoint(0, 0));
    EXPECT_TRUE(frozen.timer.isActive());
    Ticks(frozen, 1);
    EXPECT_EQ(Bytes(frozen.image), Bytes(straight.image));
    // The resumed run lasts only what is left of the 384 steps.
    Ticks(frozen, 372);
    EXPECT_TRUE(frozen.animating);
    Ticks(frozen, 1);
    EXPECT_FALSE(frozen.animating);
    EXPECT_EQ(Bytes(frozen.image), Bytes(straight.savedImage));
}

TEST_F(AboutTest, TheTimerDrivesTheCycleAndTheBoxShowsIt)
{
    BAImgBox box;
    box.settings = &settings;
    box.resize(2, 1);
    box.image = RowPicture({{0, 0, 0}, {0, 0, 0}});
    box.show();
    box.ToggleAnimation();
    QSignalSpy ticks(&box.timer, &QTimer::timeout);
    ASSERT_TRUE(ticks.wait(60000));   // returns at the first tick
    EXPECT_EQ(Bytes(box.image), (std::vector<uint8_t>{42, 36, 38, 42, 36, 38}));
    box.ToggleAnimation();
    // Painted as it is now: red 38, green 36, blue 42.
    const QImage shot = box.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0x26242Au);
}

// ---- Keys, pointer and cursor -------------------------------------------------------------

TEST_F(AboutTest, EnterClosesTheBoxAndOtherKeysDoNot)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool closes;
    } cases[] = {
        {Qt::Key_Return, Qt::NoModifier, true}, {Qt::Key_Enter, Qt::KeypadModifier, true},
        {Qt::Key_Escape, Qt::NoModifier, false}, {Qt::Key_Space, Qt::NoModifier, false},
        {Qt::Key_D, Qt::NoModifier, false},      {Qt::Key_Return, Qt::ControlModifier, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.mods).toString().toStdString());
        TboxAbout dlg(&settings);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClick(&dlg.picture, c.key, c.mods);
        EXPECT_EQ(dlg.isVisible(), !c.closes);
    }
}

TEST_F(AboutTest, DoneClosesTheBox)
{
    TboxAbout dlg(&settings);
    dlg.show();
    QTest::mouseClick(&dlg.doneButton, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(AboutTest, PointerIsPutOnThePictureOnceAndTheHandShowsOverIt)
{
    TboxAbout dlg(&settings);
    QCursor::setPos(QPoint(900, 700));
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QRect onScreen(dlg.picture.mapToGlobal(QPoint(0, 0)), dlg.picture.size());
    EXPECT_TRUE(onScreen.contains(QCursor::pos())) << QCursor::pos().x() << "," << QCursor::pos().y();
    EXPECT_EQ(QApplication::focusWidget(), &dlg.picture);
    QCursor::setPos(QPoint(900, 700));
    dlg.hide();
    dlg.show();
    EXPECT_EQ(QCursor::pos(), QPoint(900, 700)) << "only when the box first shows";

    const QImage hand = VlmPix::Get(VlmPix::Find(QStringLiteral("HndPinch")));
    auto cursorIsHand = [&] {
        const QCursor *c = QGuiApplication::overrideCursor();
        return c && c->shape() == Qt::BitmapCursor && c->pixmap().toImage().convertToFormat(QImage::Format_ARGB32)
                                                          == hand.convertToFormat(QImage::Format_ARGB32);
    };
    struct Move {
        QWidget *over;
        QPoint at;
        bool hand;
    } moves[] = {
        {&dlg.picture, QPoint(2, 2), true},     // the picture's top left corner
        {&dlg.picture, QPoint(97, 50), true},
        {&dlg.picture, QPoint(99, 99), true},
        {&dlg, QPoint(3, 20), false},           // the dialog's margins
        {&dlg, QPoint(50, 150), false},
        {&dlg.mainPanel, QPoint(200, 60), false},
        // From the picture straight onto each text of the panel.
        {&dlg.picture, QPoint(97, 50), true},
        {&dlg.nameText, QPoint(4, 8), false},
        {&dlg.picture, QPoint(97, 20), true},
        {&dlg.tmText, QPoint(4, 7), false},
        {&dlg.picture, QPoint(97, 30), true},
        {&dlg.versionLabel, QPoint(100, 7), false},
    };
    for (const Move &m : moves) {
        QTest::mouseMove(m.over, m.at);
        QCoreApplication::processEvents();
        EXPECT_EQ(cursorIsHand(), m.hand) << m.over->metaObject()->className() << " " << m.at.x() << "," << m.at.y();
    }
}

// ---- The web button -----------------------------------------------------------------------------

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl &url) { opened << url; }
};

} // namespace

TEST_F(AboutTest, WebButtonHandsItsPageToTheDesktop)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    TboxAbout dlg(&settings);
    dlg.show();
    QTest::mouseClick(&dlg.webButton, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], TboxAbout::WebPage());
    EXPECT_TRUE(TboxAbout::WebPage().toString().contains(QString::fromLatin1(TboxAbout::WebCaption)));
    EXPECT_TRUE(dlg.isVisible());
}

// ---- Openers ------------------------------------------------------------------------------------

TEST_F(WindowTest, AboutBoxFromThePanelAndTheMenusPausesTheIntro)
{
    TboxScr &w = Open();
    QMenu *helpMenu = w.menuBar.actions()[1]->menu();
    QAction *about = helpMenu->actions().last();
    ASSERT_EQ(about->text(), QStringLiteral("About quibo"));
    const std::function<void()> openers[] = {
        [&] { QTest::mouseClick(&w.panel.aboutButton, Qt::LeftButton); },
        [&] { about->trigger(); },
        [&] {
            VlPopupMenu menu;
            w.ContextMenu(menu);
            QTimer::singleShot(0, [] {
                if (VlPopupMenu *m = VlPopupMenu::Running())
                    QTest::mouseClick(m->EntryWidget(QStringLiteral("About quibo")), Qt::LeftButton);
            });
            menu.Execute(QPoint(20, 20));
        },
    };
    for (const auto &open : openers) {
        SCOPED_TRACE(&open - openers);
        bool ran = false, inputDuring = true;
        Color before = 0, during = 0;
        SetDialogRunner([&](QDialog &d) {
            ran = dynamic_cast<TboxAbout *>(&d) != nullptr;
            inputDuring = w.settings->inputEnabled;
            // The intro's tick repaints nothing while the box is open.
            before = w.board->introTitleColor;
            w.board->SplashTimerProc();
            during = w.board->introTitleColor;
            return 0;
        });
        open();
        SetDialogRunner(nullptr);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(inputDuring);
        EXPECT_EQ(during, before);
        EXPECT_TRUE(w.settings->inputEnabled);
        // The board is the window's focus (the window itself is active again
        // once the popup has gone, which the offscreen platform leaves out).
        EXPECT_EQ(w.focusWidget(), w.View());
        const Color now = w.board->introTitleColor;
        w.board->SplashTimerProc();
        EXPECT_NE(w.board->introTitleColor, now) << "the title steps again";
    }
}

namespace {

// What a cursor looks like: its shape, and for a picture cursor the picture
// and the hot spot.
struct CursorLook {
    Qt::CursorShape shape = Qt::ArrowCursor;
    QImage picture;
    QPoint hotSpot;
    bool operator==(const CursorLook &o) const
    {
        return shape == o.shape && picture == o.picture && hotSpot == o.hotSpot;
    }
};

// The cursor the application shows now: the kit's override, else the arrow.
CursorLook Shown()
{
    CursorLook look;
    if (const QCursor *c = QGuiApplication::overrideCursor()) {
        look.shape = c->shape();
        if (look.shape == Qt::BitmapCursor) {
            look.picture = c->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            look.hotSpot = c->hotSpot();
        }
    }
    return look;
}

} // namespace

// Enter closes the box opened from the panel, the pointer still where the
// box put it, over the board: the board's cursor shows at once, not the
// box's hand until the pointer moves.
TEST_F(WindowTest, TheBoardShowsItsCursorAsSoonAsEnterClosesTheAboutBox)
{
    TboxScr &w = OpenGame(2, 3);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QImage handPicture = VlmPix::Get(VlmPix::Find(QStringLiteral("HndPinch"))).convertToFormat(QImage::Format_ARGB32);
    SetDialogRunner(nullptr);
    bool handShown = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<TboxAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        // The box put the pointer on its picture: the hand shows there.
        QTest::mouseMove(&box->picture, box->picture.mapFromGlobal(QCursor::pos()));
        handShown = Shown().picture == handPicture;
        QTest::keyClick(&box->picture, Qt::Key_Return);
    });
    QTest::mouseClick(&w.panel.aboutButton, Qt::LeftButton);
    ASSERT_TRUE(handShown);
    ASSERT_EQ(QApplication::activeModalWidget(), nullptr) << "Enter closed the box";

    // The pointer has not moved since; the cursor is the one a move there
    // chooses, made away and back.
    const CursorLook closed = Shown();
    const QPoint at = w.mapFromGlobal(QCursor::pos());
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos()), w.View()) << "the pointer is over the board";
    QTest::mouseMove(w.windowHandle(), at + QPoint(1, 0));
    QTest::mouseMove(w.windowHandle(), at);
    const CursorLook moved = Shown();
    EXPECT_EQ(moved.shape, Qt::BitmapCursor) << "the pointer is over a box";
    EXPECT_FALSE(moved.picture == handPicture) << "over the board a move shows the board's cursor";
    EXPECT_FALSE(closed.picture == handPicture) << "the hand stayed";
    EXPECT_TRUE(closed == moved) << "the board's cursor";
}

#include "test_about.moc"
