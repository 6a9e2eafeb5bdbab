// Menus, the two-column context menu, the help window and its one-window
// rule, and the sounds through their seam.
#include "test_window_util.h"

#include "HtmlHelp.h"
#include "TSplash.h"
#include "VlMenu.h"

#include <QAction>
#include <QFontInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

namespace {

using Columns = std::vector<std::vector<QString>>;

const QStringList gameEntries = {"New Game  [N]", "Load Game...", "Save Game...", "", "Options...  [O]", "",
                                  "Quit  [X]"};
const QStringList helpEntries = {"quibo Help  [H]", "", "About quibo"};
const Columns contextColumns = {{"New Game  [N]", "Load Game...", "Save Game...", "", "Options...  [O]", "", "Quit  [X]"},
                                {"quibo Help  [H]", "", "About quibo"}};

QStringList Texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QString() : a->text());
    return out;
}

QList<QWidget *> VisibleHelpWindows()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QWidget *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("quibo Help"))
            out << w;
    return out;
}

QString Page(const QPointer<QWidget> &w)
{
    return HtmlHelp::CurrentPage(w);
}

} // namespace

TEST_F(WindowTest, MenuBarHoldsTheGameAndHelpMenus)
{
    TboxScr &w = Open();
    const QList<QAction *> top = w.menuBar.actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("Game"));
    EXPECT_EQ(top[1]->text(), QStringLiteral("Help"));
    ASSERT_NE(top[0]->menu(), nullptr);
    ASSERT_NE(top[1]->menu(), nullptr);
    EXPECT_EQ(Texts(top[0]->menu()->actions()), gameEntries);
    EXPECT_EQ(Texts(top[1]->menu()->actions()), helpEntries);
    for (QAction *a : top[0]->menu()->actions())
        EXPECT_TRUE(a->shortcut().isEmpty());

    top[0]->menu()->actions()[0]->trigger();
    EXPECT_FALSE(w.flow.introRunning);
    EXPECT_EQ(dynamic_cast<TSplash *>(w.flow.game), nullptr);

    QSignalSpy closed(&w, &TboxScr::closed);
    top[0]->menu()->actions()[gameEntries.indexOf("Quit  [X]")]->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, DropDownMenusDrawInTheFontOfTheMenuBar)
{
    // At a scale other than Normal the application font is larger than the
    // kit font that the menu bar was given.
    for (char scale : {'n', 'j'}) {
        SCOPED_TRACE(std::string("scale ") + scale);
        TboxScr &w = Open([&](TSettings &s) { s.interfaceBlock.scale = scale; });
        QTest::keyClick(w.View(), Qt::Key_M);
        ASSERT_TRUE(w.menuBar.isVisible());
        const QFont barFont = w.menuBar.font();
        EXPECT_EQ(barFont.pixelSize(), 11);
        for (QAction *title : w.menuBar.actions()) {
            SCOPED_TRACE(title->text().toStdString());
            QTest::mouseClick(&w.menuBar, Qt::LeftButton, Qt::NoModifier, w.menuBar.actionGeometry(title).center());
            QMenu *menu = title->menu();
            ASSERT_TRUE(menu && menu->isVisible());
            EXPECT_EQ(menu->font().family(), barFont.family());
            EXPECT_EQ(menu->font().pixelSize(), barFont.pixelSize());
            EXPECT_EQ(QFontInfo(menu->font()).pixelSize(), QFontInfo(barFont).pixelSize());
            QTest::keyClick(menu, Qt::Key_Escape);
            EXPECT_FALSE(menu->isVisible());
        }
        window.reset();
    }
}

TEST_F(WindowTest, ContextMenuHasTheGameColumnThenTheHelpColumn)
{
    TboxScr &w = Open();
    VlPopupMenu menu;
    w.ContextMenu(menu);
    EXPECT_EQ(menu.Columns(), contextColumns);

    // Run it and pick the help entry in the second column.
    bool checked = false;
    QTimer::singleShot(0, [&] {
        VlPopupMenu *m = VlPopupMenu::Running();
        ASSERT_EQ(m, &menu);
        QWidget *newGame = m->EntryWidget("New Game  [N]");
        QWidget *quit = m->EntryWidget("Quit  [X]");
        QWidget *help = m->EntryWidget("quibo Help  [H]");
        ASSERT_TRUE(newGame && quit && help);
        EXPECT_TRUE(help->isVisible());
        EXPECT_GT(help->mapTo(m, QPoint()).x(), newGame->mapTo(m, QPoint()).x() + newGame->width() - 1);
        EXPECT_GT(quit->mapTo(m, QPoint()).y(), newGame->mapTo(m, QPoint()).y());
        checked = true;
        QTest::mouseClick(help, Qt::LeftButton);
    });
    EXPECT_TRUE(menu.Execute(QPoint(20, 20)));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(menu.isVisible());
    ASSERT_TRUE(w.settings->helpWindow);
    EXPECT_EQ(Page(w.settings->helpWindow), QStringLiteral(":/help/html/Contents.htm"));
}

TEST_F(WindowTest, RightPressBesideTheBoxesOpensTheContextMenu)
{
    TboxScr &w = Open();
    w.View()->repaint();
    Columns seen;
    QTimer::singleShot(0, [&] {
        if (VlPopupMenu *m = VlPopupMenu::Running()) {
            seen = m->Columns();
            m->hide();
        }
    });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), w.View()->mapToGlobal(QPointF(3, 3)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(w.View(), &press);
    EXPECT_EQ(seen, contextColumns);
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(WindowTest, HelpTopicsKeepOneHelpWindow)
{
    TboxScr &w = Open();
    TSettings &s = *w.settings;
    s.ShowHelpTopic("Opt000.htm");
    QPointer<QWidget> first = s.helpWindow;
    ASSERT_TRUE(first);
    EXPECT_EQ(Page(first), QStringLiteral(":/help/html/Opt000.htm"));

    s.ShowHelpTopic("Fam000.htm");
    QPointer<QWidget> second = s.helpWindow;
    ASSERT_TRUE(second);
    const QList<QWidget *> open = VisibleHelpWindows();
    EXPECT_FALSE(first);
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0], second.data());
    EXPECT_EQ(Page(second), QStringLiteral(":/help/html/Fam000.htm"));

    // The player closes it; the next topic opens a new window.
    second->close();
    EXPECT_TRUE(VisibleHelpWindows().isEmpty());
    EXPECT_FALSE(s.helpWindow);
    s.ShowHelpTopic("Opt000.htm");
    ASSERT_TRUE(s.helpWindow);
    EXPECT_EQ(VisibleHelpWindows().size(), 1);

    // A topic that is not there leaves no window.
    s.ShowHelpTopic("Nope.htm");
    EXPECT_FALSE(s.helpWindow);
    EXPECT_TRUE(VisibleHelpWindows().isEmpty());
}

TEST_F(WindowTest, HelpContentsFromEveryOpenerReplaceTheOpenWindow)
{
    TboxScr &w = Open();
    w.settings->ShowHelpTopic("Fam000.htm");
    const std::function<void()> openers[] = {
        [&] { w.ShowHelp(); },
        [&] { QTest::mouseClick(&w.panel.helpButton, Qt::LeftButton); },
        [&] { w.menuBar.actions()[1]->menu()->actions()[0]->trigger(); },
        [&] {
            // The window is full screen, so the key closes help and is then handled.
            EXPECT_TRUE(w.input.Key(Qt::Key_H));
        },
    };
    for (const auto &open : openers) {
        QPointer<QWidget> before = w.settings->helpWindow;
        open();
        ASSERT_TRUE(w.settings->helpWindow);
        EXPECT_NE(w.settings->helpWindow.data(), before.data());
        EXPECT_EQ(Page(w.settings->helpWindow), QStringLiteral(":/help/html/Contents.htm"));
        EXPECT_EQ(VisibleHelpWindows().size(), 1);
        EXPECT_TRUE(w.settings->inputEnabled);
    }
}

TEST_F(WindowTest, SoundsGoToThePlayerByName)
{
    TboxScr &w = Open();
    for (const char *name : {"BOXPK", "OPBOX", "BONUS", "BADBX", "RTBOX", "RTLEV", "RTSHP", "CHEAT", "CNGRT", "GDJOB"})
        w.settings->PlayWave(QString::fromLatin1(name));
    EXPECT_EQ(sounds, (QStringList{"BOXPK", "OPBOX", "BONUS", "BADBX", "RTBOX", "RTLEV", "RTSHP", "CHEAT", "CNGRT",
                                   "GDJOB"}));
    // The window's own sounds pass the Sounds switch first.
    sounds.clear();
    w.flow.PlaySound("RTBOX");
    w.flow.ToggleSounds();
    w.flow.PlaySound("RTBOX");
    EXPECT_EQ(sounds, QStringList{"RTBOX"});
}
