// The kit's menus: the two-column popup run by keys and dismissed, and the
// filler of Qt's menus.
#include "VlMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A popup of two columns: "One", a separator, "Two" | "Three".
struct Popup {
    VlPopupMenu menu;
    std::vector<QString> ran;
    bool closedWhenRun = false;

    Popup()
    {
        auto entry = [this](const char *text) {
            return [this, text] {
                ran.push_back(QString::fromLatin1(text));
                closedWhenRun = !menu.isVisible();
            };
        };
        menu.Add(QStringLiteral("One"), entry("One"));
        menu.Separator();
        menu.Add(QStringLiteral("Two"), entry("Two"));
        menu.Break();
        menu.Add(QStringLiteral("Three"), entry("Three"));
    }
};

} // namespace

TEST(KitPopup, BreakStartsANewColumnAndSeparatorsAreEmptyEntries)
{
    Popup p;
    EXPECT_EQ(p.menu.Columns(), (std::vector<std::vector<QString>>{{"One", "", "Two"}, {"Three"}}));
}

TEST(KitPopup, KeysChooseAnEntryWhoseActionRunsAfterThePopupClosed)
{
    Popup p;
    // Down highlights the first entry; Return chooses it.
    QTimer::singleShot(0, [&] {
        QTest::keyClick(&p.menu, Qt::Key_Down);
        QTest::keyClick(&p.menu, Qt::Key_Return);
    });
    EXPECT_TRUE(p.menu.Execute(QPoint(20, 20)));
    EXPECT_EQ(p.ran, std::vector<QString>{"One"});
    EXPECT_TRUE(p.closedWhenRun);
}

TEST(KitPopup, EscapeDismissesItAndRunsNothing)
{
    Popup p;
    QTimer::singleShot(0, [&] { QTest::keyClick(&p.menu, Qt::Key_Escape); });
    EXPECT_FALSE(p.menu.Execute(QPoint(20, 20)));
    EXPECT_TRUE(p.ran.empty());
    EXPECT_FALSE(p.menu.isVisible());
}

TEST(KitMenuBar, EntriesShowAnAmpersandAsItIsAndRunTheirAction)
{
    QMenuBar bar;
    int runs = 0;
    {
        VlQtBar filler(&bar);
        filler.Sub(QStringLiteral("Game"), [&](VlBar &b) {
            b.Add(QStringLiteral("Save && Quit"), [&] { ++runs; });
            b.Separator();
            b.Break();   // Qt's menus have one column
            b.Add(QStringLiteral("R&D"), [&] { ++runs; });
        });
    }
    ASSERT_EQ(bar.actions().size(), 1);
    QMenu *game = bar.actions()[0]->menu();
    ASSERT_NE(game, nullptr);
    const QList<QAction *> a = game->actions();
    ASSERT_EQ(a.size(), 3);
    EXPECT_TRUE(a[1]->isSeparator());
    EXPECT_EQ(a[2]->text(), QStringLiteral("R&&D")) << "no accelerator is made";
    EXPECT_TRUE(a[2]->shortcut().isEmpty());
    a[2]->trigger();
    EXPECT_EQ(runs, 1);
}
