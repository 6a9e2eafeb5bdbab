// The main window: its start-up state, the stored values it clamps, full
// screen and maximised, the interface at start, shut-down, key codes and
// the end switch of the command line (also through the program itself).
#include "test_window_util.h"
#include "screen_util.h"
#include "VlFrame.h"
#include "Color.h"

#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSplash.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>

namespace {

QImage Skin(const char *name)
{
    return SkinImage(QString::fromLatin1(name));
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST_F(WindowTest, StartsFullScreenWithTheIntroAndItsMessages)
{
    TboxScr &w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("quibo"));
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_TRUE(w.windowState() & Qt::WindowFullScreen);
    EXPECT_FALSE(w.menuShown);
    EXPECT_TRUE(w.menuBar.isHidden());
    EXPECT_EQ(w.geometry(), w.screen()->geometry());
    // The board is the whole window; the panel docks at its right edge.
    EXPECT_EQ(w.View()->geometry(), QRect(0, 0, w.width(), w.height()));
    EXPECT_EQ(w.panel.geometry(), QRect(w.View()->width() - 118, 0, 118, w.View()->height()));
    EXPECT_EQ(w.settings->clientWidth, w.View()->width());
    EXPECT_EQ(w.settings->clientHeight, w.View()->height());
    EXPECT_EQ(w.settings->bufferWidth, w.settings->clientWidth);
    EXPECT_EQ(w.settings->bufferHeight, w.settings->clientHeight);

    EXPECT_TRUE(w.flow.introRunning);
    EXPECT_NE(dynamic_cast<TSplash *>(w.flow.game), nullptr);
    EXPECT_FALSE(w.flow.dragGame);
    EXPECT_TRUE(w.arrows.sideStrip.isHidden());
    EXPECT_TRUE(w.arrows.bottomStrip.isHidden());
    EXPECT_TRUE(w.panel.specialPanel.isHidden());
    EXPECT_FALSE(w.panel.boxPanel.isHidden());
    EXPECT_EQ(w.panel.shapeTitle.GetText(), QStringLiteral("Shape"));

    EXPECT_FALSE(w.panel.messagePanel.isHidden());
    EXPECT_TRUE(w.panel.hintPanel.isHidden());
    EXPECT_EQ(w.panel.messagePanel.color, Color(0x8DABCA));
    const char *message[3] = {"Please Choose a", "Game Type & Levels.", "Then click New Game."};
    const char *hint[3] = {"Right-click boxes", "for info. Click to", "select and practice."};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.panel.messageText[i].GetText(), QString::fromLatin1(message[i]));
        EXPECT_EQ(w.panel.hintText[i].GetText(), QString::fromLatin1(hint[i]));
    }
    EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), w.settings->gameType - 1);
    EXPECT_EQ(w.panel.levelsDrop.GetIndex(), w.settings->levels - 2);
    EXPECT_TRUE(w.flow.soundsOn);
    EXPECT_EQ(w.board->cursorWidth, 32);
    EXPECT_EQ(w.board->introTitleHeight, 55);
    EXPECT_EQ(w.flow.messageSolvedColor, Color(0xCAB542));
    EXPECT_EQ(w.flow.messageBonusColor, Color(0xABCA42));
    EXPECT_EQ(w.flow.messageBadColor, Color(0x798DDE));
    EXPECT_EQ(w.flow.messageCheatColor, Color(0xAB6FBF));
    EXPECT_EQ(pBoxScr, &w);
    // Every button of the panel has its action.
    for (VlButton *b : {&w.panel.optionsButton, &w.panel.loadButton, &w.panel.saveButton, &w.panel.aboutButton})
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
    EXPECT_TRUE(w.panel.cheatButton.isEnabled());
}

// The brightest pixel of a painted widget: the sum of its three channels.
static int Brightest(QWidget &widget)
{
    const QImage img = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int best = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            best = std::max(best, p.red() + p.green() + p.blue());
        }
    return best;
}

// A button that is off looks off: its caption no brighter than the kit's
// disabled colour, when switched off and after the interface is applied
// again; an enabled button's caption is drawn brighter in its ink.
TEST_F(WindowTest, ButtonsThatAreOffShowGreyCaptions)
{
    TboxScr &w = Open();
    const QColor off = ToQColor(VlColorDisabled());
    const int grey = off.red() + off.green() + off.blue();
    w.panel.loadButton.setEnabled(false);
    for (bool again : {false, true}) {
        SCOPED_TRACE(again ? "after ApplyInterface" : "at start");
        if (again) {
            w.settings->interfaceBlock.scale = 'l';
            w.ApplyInterface(true);
        }
        const int bright = Brightest(w.panel.loadButton);
        EXPECT_LE(bright, grey + 6);
        EXPECT_GE(bright, grey - 60) << "the caption is drawn";
        for (VlButton *b : {&w.panel.cheatButton, &w.panel.saveButton, &w.panel.optionsButton})
            EXPECT_GT(Brightest(*b), grey + 150) << b->text().toStdString();
    }
}

TEST_F(WindowTest, IntroTitleColourStartsAtItsValueBeforeThePaint)
{
    TboxScr &w = Open({}, false);
    EXPECT_EQ(w.board->introTitleColor, Color(0xFF6800));
    EXPECT_EQ(w.board->introTimer, nullptr);
}

TEST_F(WindowTest, LampsFollowTheStoredSwitches)
{
    struct Case {
        bool bonus, bad;
    } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const Case &c : cases) {
        TboxScr &w = Open([&](TSettings &s) {
            s.bonusBoxes = c.bonus;
            s.badBoxes = c.bad;
        });
        const QImage lit = VlmPix::Get(VlmPix::Find(QStringLiteral("onyel")));
        EXPECT_TRUE(SameImage(w.panel.bonusLamp.Image(), c.bonus ? lit : Skin("off"))) << c.bonus << c.bad;
        EXPECT_TRUE(SameImage(w.panel.badLamp.Image(), c.bad ? lit : Skin("off"))) << c.bonus << c.bad;
        EXPECT_TRUE(SameImage(w.panel.soundsLamp.Image(), VlmPix::Get(VlmPix::Find(QStringLiteral("onred")))));
    }
}

TEST_F(WindowTest, StoredTypeAndLevelsAreClampedBeforeUse)
{
    struct Case {
        int type, levels, wantType, wantLevels;
    } cases[] = {{0, 1, 1, 2}, {9, 12, 4, 8}, {-5, 100, 1, 8}, {3, 5, 3, 5}, {4, -1, 4, 2}};
    for (const Case &c : cases) {
        TboxScr &w = Open([&](TSettings &s) {
            s.gameType = c.type;
            s.levels = c.levels;
        });
        EXPECT_EQ(w.settings->gameType, c.wantType) << c.type;
        EXPECT_EQ(w.settings->levels, c.wantLevels) << c.levels;
        EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), c.wantType - 1);
        EXPECT_EQ(w.panel.levelsDrop.GetIndex(), c.wantLevels - 2);
        w.flow.NewGame();
        ASSERT_NE(w.flow.game, nullptr);
        EXPECT_EQ(w.flow.game->levels, c.wantLevels);
        EXPECT_FALSE(w.flow.introRunning);
    }
}

TEST_F(WindowTest, MenuKeyAndButtonToggleBetweenFullScreenAndMaximised)
{
    TboxScr &w = Open();
    const QRect full = w.screen()->geometry();
    const QRect avail = w.screen()->availableGeometry();
    // Each step: how the toggle is asked for.
    const std::function<void()> steps[] = {
        [&] { EXPECT_TRUE(w.input.Key(Qt::Key_M)); },
        [&] { QTest::mouseClick(&w.panel.menuButton, Qt::LeftButton); },
        [&] { EXPECT_TRUE(w.input.Key(Qt::Key_W)); },
        [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
            QApplication::sendEvent(w.View(), &press);
        },
    };
    bool maximised = false;
    for (const auto &step : steps) {
        step();
        QCoreApplication::processEvents();
        maximised = !maximised;
        SCOPED_TRACE(maximised ? "maximised" : "full screen");
        EXPECT_EQ(w.menuShown, maximised);
        EXPECT_EQ(w.menuBar.isHidden(), !maximised);
        EXPECT_EQ(bool(w.windowState() & Qt::WindowFullScreen), !maximised);
        if (maximised) {
            EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
            // The window with its frame fills the available area.
            EXPECT_EQ(w.frameGeometry(), avail);
        } else {
            EXPECT_EQ(w.geometry(), full);
        }
        const int top = maximised ? w.menuBar.height() : 0;
        if (maximised) {
            EXPECT_GT(top, 0);
        }
        EXPECT_EQ(w.View()->geometry(), QRect(0, top, w.width(), w.height() - top));
        EXPECT_EQ(w.settings->clientHeight, w.height() - top);
        EXPECT_EQ(w.settings->bufferHeight, w.settings->clientHeight);
        EXPECT_EQ(w.panel.height(), w.height() - top);
    }
}

TEST_F(WindowTest, MinimiseButtonAndKeyMinimiseTheWindow)
{
    const std::function<void(TboxScr &)> ways[] = {
        [](TboxScr &w) { QTest::mouseClick(&w.panel.minButton, Qt::LeftButton); },
        [](TboxScr &w) { EXPECT_TRUE(w.input.Key(Qt::Key_Minus)); },
    };
    for (const auto &minimise : ways) {
        TboxScr &w = Open();
        minimise(w);
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
        EXPECT_FALSE(w.menuShown);
    }
}

TEST_F(WindowTest, KeysWithAModifierAreNotTheGamesKeys)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        bool handled;
    } cases[] = {
        {Qt::Key_Minus, Qt::KeypadModifier, false},   // the keypad's minus is another key
        {Qt::Key_Left, Qt::KeypadModifier, true},      // the keypad's arrows are the arrows
        {Qt::Key_Down, Qt::NoModifier, true},
        {Qt::Key_N, Qt::ShiftModifier, false},
        {Qt::Key_M, Qt::ControlModifier, false},
        {Qt::Key_Left, Qt::AltModifier, false},
        {Qt::Key_H, Qt::MetaModifier, false},
        {Qt::Key_Eacute, Qt::NoModifier, false},
        {Qt::Key_Return, Qt::NoModifier, false},
    };
    TboxScr &w = Open();
    for (const Case &c : cases) {
        QKeyEvent e(QEvent::KeyPress, c.key, c.mods);
        QApplication::sendEvent(w.View(), &e);
        EXPECT_EQ(e.isAccepted(), c.handled) << std::hex << c.key << " " << int(c.mods);
    }
    // Ctrl+M changed nothing.
    EXPECT_FALSE(w.menuShown);
}

TEST_F(WindowTest, SyncWindowSizeKeepsTheInputFlag)
{
    TboxScr &w = Open();
    for (bool enabled : {true, false}) {
        w.settings->inputEnabled = enabled;
        w.board->introTitleHeight = 41;
        w.board->reRender = false;
        w.settings->bufferWidth = 5;
        w.SyncWindowSize();
        EXPECT_EQ(w.settings->inputEnabled, enabled);
        EXPECT_EQ(w.board->introTitleHeight, 55);
        EXPECT_TRUE(w.board->reRender);
        EXPECT_EQ(w.settings->bufferWidth, w.View()->width());
    }
}

TEST_F(WindowTest, StoredInterfaceIsAppliedLast)
{
    struct Case {
        char scale;
        int width, cursor;
        int helpFont;   // "?": 21 until a scale is applied, then font height + 7
    } cases[] = {{'n', 118, 32, 21}, {'l', 142, 32, 0}, {'j', 164, 48, 0}, {'e', 236, 64, 0}, {'s', 472, 96, 0}};
    for (const Case &c : cases) {
        TboxScr &w = Open([&](TSettings &s) {
            s.interfaceBlock.scale = c.scale;
            s.bonusBoxes = false;
        });
        EXPECT_EQ(VlScale, c.scale);
        EXPECT_EQ(w.panel.width, c.width) << c.scale;
        EXPECT_EQ(w.panel.geometry(), QRect(w.View()->width() - c.width, 0, c.width, w.View()->height()));
        EXPECT_EQ(w.board->cursorWidth, c.cursor);
        EXPECT_EQ(w.board->cursorHeight, c.cursor);
        EXPECT_EQ(w.panel.helpButton.font().pixelSize(), c.helpFont ? c.helpFont : VlFontHeight + 7);
        EXPECT_TRUE(SameImage(w.panel.bonusLamp.Image(), Skin("off"))) << c.scale;
        if (c.scale != 'n') {
            EXPECT_EQ(w.arrows.levelLeft[0].size(), w.arrows.levelLeft[0].designRect.Scaled().size());
        }
        window.reset();
        SetInterfaceScale(nullptr, 'W', 'n', false);
    }
}

TEST_F(WindowTest, CloseSavesChangedGameSettingsAndClosesHelp)
{
    TboxScr &w = Open();
    w.settings->gameType = 3;
    w.settings->levels = 6;
    w.ShowHelp();
    QPointer<QWidget> help = w.settings->helpWindow;
    ASSERT_TRUE(help);
    QSignalSpy closed(&w, &TboxScr::closed);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(w.settings->gameTypeAtLoad, 3);
    EXPECT_EQ(w.settings->levelsAtLoad, 6);
    EXPECT_TRUE(QFile::exists(w.settings->optionsFile)) << w.settings->optionsFile.toStdString();
    EXPECT_FALSE(w.settings->helpWindow);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!help || !help->isVisible());
    EXPECT_TRUE(prompts.isEmpty());

    // The stored values come back in the next window.
    window.reset();
    TboxScr &again = Open();
    EXPECT_EQ(again.settings->gameType, 3);
    EXPECT_EQ(again.panel.levelsDrop.GetIndex(), 4);
}

TEST_F(WindowTest, IntroTimerRunsFromTheFirstPaintUntilTheFirstGame)
{
    TboxScr &w = Open();
    w.View()->repaint();
    ASSERT_NE(w.board->introTimer, nullptr);
    EXPECT_TRUE(w.board->introTimer->isActive());
    EXPECT_EQ(w.board->introTimer->interval(), 100);

    // Ticks counted, not time: three while input is off repaint nothing,
    // the next one once it is on repaints.
    PaintCounter counter;
    w.View()->installEventFilter(&counter);
    QSignalSpy ticks(w.board->introTimer, &QTimer::timeout);
    w.settings->inputEnabled = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, 60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    w.settings->inputEnabled = true;
    const int off = int(ticks.count());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() > off; }, 60000));
    EXPECT_GE(counter.paints, 1);
    w.View()->removeEventFilter(&counter);

    w.flow.NewGame();
    EXPECT_EQ(w.board->introTimer, nullptr);
    EXPECT_FALSE(w.flow.introRunning);
}

TEST_F(WindowTest, DestroyingTheWindowDuringTheIntroStopsItsTimer)
{
    TboxScr &w = Open();
    w.View()->repaint();
    QPointer<QTimer> timer = w.board->introTimer;
    ASSERT_TRUE(timer);
    window.reset();
    EXPECT_FALSE(timer);
    EXPECT_EQ(pBoxScr, nullptr);
    // No tick reaches a destroyed window: a timer of the same interval,
    // started later, ticks three times meanwhile.
    QTimer probe;
    probe.setInterval(100);
    QSignalSpy probed(&probe, &QTimer::timeout);
    probe.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probed.count() >= 3; }, 60000));
}

TEST(EndSwitch, OnlyTheFirstSwitchCharacterCounts)
{
    struct Case {
        QString args;
        bool ends;
    } cases[] = {
        {"-d", true},
        {"/D", true},
        {"-D extra", true},
        {"/x", false},
        {"", false},
        {"game", false},
        {"-", false},
        {"a-b -d", false},           // the first "-" is followed by "b"
        {"/tmp/dgames", false},      // "/" followed by "t"
        {"x -dx", true},
        {QString(998, 'a') + "/d", true},
        {QString(999, 'a') + "-d", true},
        {QString(1000, 'a') + "/d", false},   // beyond the first 1000 characters
    };
    for (const Case &c : cases)
        EXPECT_EQ(TboxScr::EndSwitch(c.args), c.ends) << c.args.left(40).toStdString() << " size " << c.args.size();
}

#ifdef QUIBO_EXE
namespace {

QProcessEnvironment ProgramEnvironment(const QString &home)
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    e.insert("HOME", home);
    e.insert("XDG_CONFIG_HOME", home + "/.config");
    e.insert("XDG_DATA_HOME", home + "/.local/share");
    e.insert("XDG_DATA_DIRS", home + "/share");
    e.insert("XDG_RUNTIME_DIR", home + "/run");
    QDir().mkpath(home + "/run");
    QFile::setPermissions(home + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return e;
}

} // namespace

TEST(Program, EndSwitchEndsAtOnceWithCodeZero)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const char *arg : {"-d", "/D", "-Dx"}) {
        QProcess p;
        p.setProcessEnvironment(ProgramEnvironment(home.path()));
        p.start(QStringLiteral(QUIBO_EXE), {QString::fromLatin1(arg)});
        // However busy the machine: "at once" is what it did, not how soon.
        ASSERT_TRUE(p.waitForStarted(60000));
        ASSERT_TRUE(p.waitForFinished(60000)) << arg;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << arg;
        EXPECT_EQ(p.exitCode(), 0) << arg;
        // It ended before any settings were made.
        EXPECT_FALSE(QFile::exists(home.path() + "/.config/Vellamor")) << arg;
    }
}

TEST(Program, StartsFromAFolderWhoseNameBeginsWithD)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString dir = home.path() + "/dgames";
    QDir().mkpath(dir);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUIBO_EXE), dir + "/quibo"));
    QFile::setPermissions(dir + "/quibo", QFile::permissions(QStringLiteral(QUIBO_EXE)));
    // With its installation options beside it, as the build lays them out:
    // the first start stores them.
    ASSERT_TRUE(QFile::copy(QFileInfo(QStringLiteral(QUIBO_EXE)).absolutePath() + "/boxOptn.pcg", dir + "/boxOptn.pcg"));

    struct Run {
        QString program;
        QStringList args;
    } runs[] = {
        {dir + "/quibo", {}},
        {QStringLiteral(QUIBO_EXE), {dir}},            // an argument with "/d" inside
        {QStringLiteral(QUIBO_EXE), {"-x", "-d"}},     // only the first switch counts
    };
    // Each run in a home of its own: its settings store, written as the
    // program starts, tells that it went past the end switch.
    std::vector<std::unique_ptr<QProcess>> procs;
    std::vector<QString> stores;
    for (size_t i = 0; i < std::size(runs); ++i) {
        const QString runHome = home.path() + "/home" + QString::number(i);
        stores.push_back(runHome + "/.config/Vellamor/quibo.conf");
        procs.push_back(std::make_unique<QProcess>());
        procs.back()->setProcessEnvironment(ProgramEnvironment(runHome));
        procs.back()->start(runs[i].program, runs[i].args);
        ASSERT_TRUE(procs.back()->waitForStarted(60000));
    }
    for (size_t i = 0; i < procs.size(); ++i) {
        SCOPED_TRACE(runs[i].program.toStdString() + " " + runs[i].args.join(' ').toStdString());
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(stores[i]) || procs[i]->state() != QProcess::Running; },
                                    60000));
        EXPECT_TRUE(QFile::exists(stores[i])) << "the settings were made";
        EXPECT_EQ(procs[i]->state(), QProcess::Running);
        procs[i]->kill();
        procs[i]->waitForFinished(60000);
    }
}
#endif

TEST_F(WindowTest, NewGameIsNotLeftHighlightedAfterAPromptClosedWithEnter)
{
    // The type list opens over "New Game"; the player clicks the entry that
    // lies over the button, confirms the prompt with Enter and moves away.
    TboxScr &w = OpenGame(4, 2);
    SetPromptAnswerer(nullptr);
    VlDrop &list = w.panel.gameTypeDrop;
    VlButton &newGame = w.panel.newGameButton;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QPoint away = w.View()->mapToGlobal(QPoint(20, 20));
    MovePointer(away);
    const QImage normal = OnScreen(&newGame);

    MovePointer(list.mapToGlobal(list.rect().center()));
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      w.mapFromGlobal(list.mapToGlobal(list.rect().center())));
    QAbstractItemView *view = list.view();
    ASSERT_TRUE(view && view->isVisible());
    QWindow *popup = view->window()->windowHandle();
    ASSERT_TRUE(popup);
    QPoint entry;   // global
    for (int i = 0; i < 3 && entry.isNull(); ++i) {
        const QPoint g = view->viewport()->mapToGlobal(view->visualRect(view->model()->index(i, 0)).center());
        if (newGame.rect().contains(newGame.mapFromGlobal(g)))
            entry = g;
    }
    ASSERT_FALSE(entry.isNull()) << "an entry lies over New Game";
    MovePointer(entry);

    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->mapFromGlobal(entry));
    EXPECT_NE(w.settings->gameType, 4) << "the new type was confirmed";
    EXPECT_NE(OnScreen(&newGame), normal) << "highlighted under the pointer";
    MovePointer(away);
    EXPECT_EQ(OnScreen(&newGame), normal) << "no highlight once the pointer has left";
}
