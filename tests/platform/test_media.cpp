// The help viewer and the sound player stand-ins.
#include "HtmlHelp.h"
#include "Sound.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
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
