// How dialogs run: input off for the run, on again with the board focused
// afterwards; tool windows at the screen's top left, where they placed
// themselves or centred over their owner; the runner seam.
#include "DialogRun.h"
#include "GameLook.h"
#include "TSettings.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

TEST(DialogRun, InputIsOffForTheRunAndOnWithTheBoardFocusedAfterIt)
{
    TSettings settings;
    QWidget window;
    auto *board = new QWidget(&window);
    board->setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    for (bool before : {true, false}) {
        settings.inputEnabled = before;
        bool during = true;
        Qt::WindowFlags flags;
        QPoint place(-1, -1);
        SetDialogRunner([&](QDialog &d) {
            during = settings.inputEnabled;
            flags = d.windowFlags();
            place = d.pos();
            return 2;
        });
        const int code = OpenDialog(&settings, board, [&] { return new QDialog(&window); });
        SetDialogRunner(nullptr);
        EXPECT_EQ(code, 2);
        EXPECT_FALSE(during);
        EXPECT_TRUE(flags.testFlag(Qt::Tool));
        EXPECT_EQ(place, QPoint(0, 0));
        EXPECT_TRUE(settings.inputEnabled) << "set again, also when it was clear before";
        EXPECT_EQ(QApplication::focusWidget(), board);
        board->clearFocus();
    }
}

TEST(DialogRun, AWindowGoneDuringTheRunIsLeftAlone)
{
    TSettings settings;
    auto *window = new QWidget;
    auto *board = new QWidget(window);
    {
        TInputPause pause(&settings, board);
        EXPECT_FALSE(settings.inputEnabled);
        delete window;   // the board goes with it
    }
    EXPECT_FALSE(settings.inputEnabled) << "nothing is touched for a board that is gone";
}

TEST(DialogRun, ACentredDialogSitsOverItsOwnerAndStaysOnTheScreen)
{
    const QRect area = AvailableArea(nullptr);
    ASSERT_FALSE(area.isEmpty());
    QWidget owner;
    owner.setGeometry(area.left() + 100, area.top() + 100, 600, 400);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QPoint middle = owner.frameGeometry().center();

    struct Case {
        const char *name;
        QSize size;
        bool wholeOnScreen;
    };
    const Case cases[] = {
        {"small", QSize(292, 196), true},
        {"larger than the owner", QSize(800, 600), true},
        {"larger than the screen", QSize(area.width() * 2, area.height() * 2), false},
    };
    for (const Case &c : cases) {
        QDialog dialog(&owner);
        dialog.resize(c.size);
        QPoint at(-1, -1);
        SetDialogRunner([&](QDialog &d) {
            at = d.pos();
            return 1;
        });
        RunDialog(dialog, TDialogPlace::CentredOnOwner);
        SetDialogRunner(nullptr);
        const QRect placed(at, c.size);
        EXPECT_GE(placed.left(), area.left()) << c.name;
        EXPECT_GE(placed.top(), area.top()) << c.name;
        if (c.wholeOnScreen) {
            EXPECT_LE(placed.right(), area.right()) << c.name;
            EXPECT_LE(placed.bottom(), area.bottom()) << c.name;
        }
        if (c.size.width() <= 600) {
            EXPECT_LE(std::abs(placed.center().x() - middle.x()), 1) << c.name;
        }
    }
    // Without an owner, the middle of the screen.
    QDialog alone;
    alone.resize(200, 100);
    const QPoint d = QRect(CentredPlace(alone.size(), nullptr), alone.size()).center() - area.center();
    EXPECT_LE(d.manhattanLength(), 2);
}

TEST(DialogRun, ADialogThatPlacedItselfKeepsItsPlace)
{
    for (TDialogPlace place : {TDialogPlace::TopLeft, TDialogPlace::AsPlaced}) {
        QDialog dialog;
        dialog.setGeometry(300, 200, 120, 80);
        QPoint at(-1, -1);
        SetDialogRunner([&](QDialog &d) {
            at = d.geometry().topLeft();
            EXPECT_TRUE(d.windowFlags().testFlag(Qt::Tool));
            return 1;
        });
        EXPECT_EQ(RunDialog(dialog, place), 1);
        SetDialogRunner(nullptr);
        EXPECT_EQ(at, place == TDialogPlace::AsPlaced ? QPoint(300, 200) : QPoint(0, 0));
    }
}
