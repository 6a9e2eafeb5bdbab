// The help window and the sound player.
#include "HtmlHelp.h"
#include "Sound.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QEvent>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QWidget>
#include <gtest/gtest.h>

TEST(HtmlHelp, MapsHelpUrlsToShippedPages)
{
    struct Case {
        const char *url;
        const char *page;
    } cases[] = {
        {"/opt/quibo/quibo.chm::/html/Opt000.htm", ":/help/html/Opt000.htm"},
        {"C:\\Games\\quibo.chm::/html/Fam000.htm", ":/help/html/Fam000.htm"},
        {"quibo.chm::/", ":/help/html/Contents.htm"},
        {"quibo.chm", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HtmlHelp::PageFor(QString::fromLatin1(c.url)), QString::fromLatin1(c.page)) << c.url;
}

TEST(HtmlHelp, TopicsOpenTheirPageAndMissingPagesOpenNothing)
{
    QPointer<QWidget> w = HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Fam000.htm"));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(HtmlHelp::CurrentPage(w), QStringLiteral(":/help/html/Fam000.htm"));
    w->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());

    EXPECT_EQ(HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Nope.htm")), nullptr);

    QPointer<QWidget> toc = HtmlHelp::DisplayToc(QStringLiteral("x/quibo.chm"));
    ASSERT_TRUE(toc);
    EXPECT_EQ(HtmlHelp::CurrentPage(toc), QStringLiteral(":/help/html/Contents.htm"));
    delete toc;
}

TEST(HtmlHelp, PlacedBesideADialogNotOverIt)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize help(640, 560);
    struct Case {
        const char *what;
        QRect dialog;
        QRect placed;
    } cases[] = {
        {"room on the right", QRect(660, 240, 600, 500), QRect(1268, 240, 640, 560)},
        {"only on the left", QRect(1300, 100, 600, 500), QRect(652, 100, 640, 560)},
        {"low dialog: the window rises to stay on the screen", QRect(660, 900, 600, 150),
         QRect(1268, 520, 640, 560)},
        {"narrow sides: the larger one, narrowed", QRect(500, 100, 1000, 500), QRect(0, 100, 492, 560)},
        {"no side room: below", QRect(100, 0, 1700, 400), QRect(100, 408, 640, 560)},
        {"no side room, little below: above", QRect(100, 600, 1700, 400), QRect(100, 32, 640, 560)},
        {"nothing free: top of the larger side", QRect(100, 100, 1700, 900), QRect(1280, 0, 640, 560)},
    };
    for (const Case &c : cases) {
        const QRect r = HtmlHelp::PlaceBeside(screen, c.dialog, help);
        EXPECT_EQ(r, c.placed) << c.what;
        EXPECT_TRUE(screen.contains(r)) << c.what;
    }
    // A screen that does not start at 0.
    EXPECT_EQ(HtmlHelp::PlaceBeside(QRect(1920, 30, 1280, 1000), QRect(2700, 10, 400, 300), help),
              QRect(2700 - 8 - 640, 30, 640, 560));
}

TEST(HtmlHelp, OpenedFromAModalDialogItLeavesTheDialogClear)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setGeometry(area.left() + 20, area.top() + 20, 300, 220);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    for (bool named : {false, true}) {
        QPointer<QWidget> w = HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Fam000.htm"),
                                                     named ? &dialog : nullptr);
        ASSERT_TRUE(w);
        EXPECT_FALSE(w->frameGeometry().intersects(dialog.frameGeometry()))
            << w->frameGeometry().x() << "," << w->frameGeometry().y() << " " << w->width() << "x" << w->height();
        delete w;
    }
    dialog.hide();
    // With no dialog it keeps its usual place.
    QPointer<QWidget> w = HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Fam000.htm"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pos(), area.topLeft() + QPoint(40, 60));
    delete w;
}

// The page's text follows the application font, which grows with the
// game's interface scale: the window grows in step, within the screen.
TEST(HtmlHelp, WindowGrowsWithTheApplicationFontWithinTheScreen)
{
    const QFont appFont = QApplication::font();
    struct Case {
        int fontPixels;
        double factor;
    } cases[] = {{11, 1.0}, {18, 18.0 / 11.0}, {44, 4.0}};
    for (const Case &c : cases) {
        QFont f = appFont;
        f.setPixelSize(c.fontPixels);
        QApplication::setFont(f);
        QPointer<QWidget> w = HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Opt000.htm"));
        ASSERT_TRUE(w);
        const QRect a = w->screen()->availableGeometry();
        const QSize want = QSize(qRound(640 * c.factor), qRound(560 * c.factor))
                               .boundedTo(QSize(a.width() - 80, a.height() - 100));
        EXPECT_EQ(w->size(), want) << c.fontPixels;
        EXPECT_TRUE(a.contains(w->frameGeometry())) << c.fontPixels;
        delete w;
    }
    QApplication::setFont(appFont);
}

TEST(HtmlHelp, EscapeAndCtrlWCloseTheWindow)
{
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        QPointer<QWidget> w = HtmlHelp::DisplayTopic(QStringLiteral("x/quibo.chm::/html/Opt000.htm"));
        ASSERT_TRUE(w);
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && w->isAncestorOf(focus)); // the page has the keyboard
        QTest::keySequence(focus, key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w.isNull()) << key.toString().toStdString();
        delete w;
    }
}

TEST(Sound, RecorderSeesEveryRequestAndNothingPlays)
{
    QStringList asked;
    Snd::SetRecorder([&](const QString &n) { asked << n; });
    Snd::PlayResource(QStringLiteral("BOXPK"));
    Snd::PlayResource(QStringLiteral("NOSUCH"));
    Snd::SetRecorder(nullptr);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("BOXPK"), QStringLiteral("NOSUCH")}));
    // Without a recorder an unknown sound or a missing device is harmless.
    Snd::PlayResource(QStringLiteral("NOSUCH"));
    Snd::PlayResource(QStringLiteral("BOXPK"));
}

TEST(Sound, SilentAndQuietWithoutAnAudioServer)
{
    // In a child process that can reach no sound server.
    if (qEnvironmentVariableIsSet("QUIBO_SOUND_CHILD")) {
        Snd::PlayResource(QStringLiteral("BOXPK"));
        Snd::PlayResource(QStringLiteral("RTBOX"));
        qWarning("other messages still reach the terminal");
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUIBO_SOUND_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/quibo-test/native"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=Sound.SilentAndQuietWithoutAnAudioServer")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray err = child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << err.toStdString();
    EXPECT_FALSE(err.contains("PulseAudio")) << err.toStdString();
    EXPECT_TRUE(err.contains("other messages still reach the terminal")) << err.toStdString();
}
