#include "HtmlHelp.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

namespace HtmlHelp {
namespace {

const char kTocPage[] = ":/help/html/Contents.htm";

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(const QString &page)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("quibo Help"));
        auto *bar = new QToolBar(this);
        browser_ = new QTextBrowser(this);
        browser_->setOpenExternalLinks(false);
        browser_->setSearchPaths({QStringLiteral(":/help/html")});
        QAction *contents = bar->addAction(QStringLiteral("Contents"));
        QAction *back = bar->addAction(QStringLiteral("Back"));
        QAction *forward = bar->addAction(QStringLiteral("Forward"));
        connect(contents, &QAction::triggered, this,
                [this] { browser_->setSource(QUrl(QStringLiteral("qrc") + kTocPage)); });
        connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
        connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        back->setEnabled(false);
        forward->setEnabled(false);
        auto *lay = new QVBoxLayout(this);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(0);
        lay->addWidget(bar);
        lay->addWidget(browser_);
        browser_->setSource(QUrl(QStringLiteral("qrc") + page));
        resize(640, 560);
        if (QScreen *s = QGuiApplication::primaryScreen()) {
            QRect a = s->availableGeometry();
            move(a.left() + 40, a.top() + 60);  // clear of the game's side panel
        }
    }
    QString Page() const
    {
        QString p = browser_->source().toString();
        if (p.startsWith(QStringLiteral("qrc:")))
            p.remove(0, 3);
        return p;
    }

private:
    QTextBrowser *browser_ = nullptr;
};

QWidget *Open(const QString &page)
{
    if (page.isEmpty() || !QFile::exists(page))
        return nullptr;
    auto *w = new HelpWindow(page);
    w->show();
    w->raise();
    return w;
}

} // namespace

unsigned Initialize()
{
    return 1;
}

void Uninitialize(unsigned)
{
}

QString PageFor(const QString &url)
{
    const int sep = url.indexOf(QStringLiteral("::"));
    if (sep < 0)
        return QString();
    QString inner = url.mid(sep + 2);
    if (!inner.startsWith(QLatin1Char('/')))
        inner.prepend(QLatin1Char('/'));
    if (inner == QStringLiteral("/"))
        return QString::fromLatin1(kTocPage);
    return QStringLiteral(":/help") + inner;
}

QWidget *DisplayTopic(const QString &url)
{
    return Open(PageFor(url));
}

QWidget *DisplayToc(const QString &)
{
    return Open(QString::fromLatin1(kTocPage));
}

QString CurrentPage(QWidget *helpWindow)
{
    auto *w = dynamic_cast<HelpWindow *>(helpWindow);
    return w ? w->Page() : QString();
}

} // namespace HtmlHelp
