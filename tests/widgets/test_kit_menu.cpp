// The kit's menus: the two-column popup run by keys and dismissed, and the
// filler of Qt's menus.
#include "VlMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(KitPopup, IsExactlyAsTallAsItsEntries)
{
    // Columns of different lengths: the popup ends below the entries of its
    // longest column with the margin it has above them, and the entries of
    // a shorter column keep their height at the top.
    struct Case {
        const char *name;
        std::vector<std::vector<QString>> columns;   // "" for a separator
    };
    const Case cases[] = {
        {"first longer", {{"New", "", "Load", "Save", "", "Quit"}, {"Help", "", "About"}}},
        {"second longer", {{"Help"}, {"New", "", "Load", "Save"}}},
        {"one column", {{"New", "", "Quit"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VlPopupMenu menu;
        for (size_t col = 0; col < c.columns.size(); ++col) {
            if (col > 0)
                menu.Break();
            for (const QString &text : c.columns[col])
                text.isEmpty() ? menu.Separator() : menu.Add(text, [] {});
        }
        bool measured = false;
        QTimer::singleShot(0, [&] {
            VlPopupMenu *m = VlPopupMenu::Running();
            ASSERT_EQ(m, &menu);
            QWidget *first = m->EntryWidget(c.columns[0][0]);
            ASSERT_TRUE(first);
            const int top = first->y();
            int bottom = 0;
            for (const auto &col : c.columns) {
                QWidget *head = m->EntryWidget(col[0]);
                ASSERT_TRUE(head);
                EXPECT_EQ(head->y(), top) << "every column starts at the top";
                EXPECT_EQ(head->height(), first->height()) << "entries keep their height";
                for (const QString &text : col)
                    if (QWidget *e = m->EntryWidget(text))
                        bottom = std::max(bottom, e->geometry().bottom() + 1);
            }
            EXPECT_EQ(m->height() - bottom, top) << "no empty row below the entries";
            measured = true;
            QTest::keyClick(m, Qt::Key_Escape);
        });
        EXPECT_FALSE(menu.Execute(QPoint(20, 20)));
        EXPECT_TRUE(measured);
    }
}
