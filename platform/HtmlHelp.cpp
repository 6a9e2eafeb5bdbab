#include "HtmlHelp.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

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
        for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto *shortcut = new QShortcut(key, this);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, &QWidget::close);
        }
        // The page's text follows the application font, which grows with
        // the game's interface scale: the window grows in step, within the
        // screen.
        const double k = std::max(1.0, QFontInfo(font()).pixelSize() / 11.0);
        QSize want(qRound(640 * k), qRound(560 * k));
        if (QScreen *s = QGuiApplication::primaryScreen()) {
            QRect a = s->availableGeometry();
            // Room for the frame on the right and at the bottom too.
            want = want.boundedTo(QSize(a.width() - 80, a.height() - 100));
            move(a.left() + 40, a.top() + 60);  // clear of the game's side panel
        }
        resize(want);
    }

    // Moves the window beside `besides`, sized down where the screen is
    // too small to hold both.
    void PlaceBesideWidget(const QWidget &besides)
    {
        const QScreen *screen = besides.screen();
        if (!screen)
            return;
        // Frames are taken to be alike: the dialog's tells how much the
        // window system adds around the client area.
        const QRect frame = besides.frameGeometry();
        const QSize extra = frame.size() - besides.geometry().size();
        const QRect place = PlaceBeside(screen->availableGeometry(), frame, size() + extra);
        resize(place.size() - extra);
        move(place.topLeft());
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

QWidget *Open(const QString &page, const QWidget *besides)
{
    if (page.isEmpty() || !QFile::exists(page))
        return nullptr;
    auto *w = new HelpWindow(page);
    if (!besides)
        besides = QApplication::activeModalWidget();
    if (besides && besides->isVisible())
        w->PlaceBesideWidget(*besides);
    w->show();
    w->raise();
    w->activateWindow();  // the keyboard goes to the page asked for
    return w;
}

// Along one axis: where a length `want` goes before (false) or after (true)
// the span [lo, hi) of the area [areaLo, areaHi), and the room there.
int Room(int areaLo, int areaHi, int lo, int hi, int gap, bool after)
{
    return after ? areaHi - (hi + gap) : (lo - gap) - areaLo;
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

QWidget *DisplayTopic(const QString &url, const QWidget *besides)
{
    return Open(PageFor(url), besides);
}

QWidget *DisplayToc(const QString &, const QWidget *besides)
{
    return Open(QString::fromLatin1(kTocPage), besides);
}

QRect PlaceBeside(const QRect &screen, const QRect &avoid, const QSize &size)
{
    const int gap = 8, minWidth = 320, minHeight = 200;
    const int sl = screen.left(), st = screen.top();
    const int sr = sl + screen.width(), sb = st + screen.height();   // exclusive
    const int al = avoid.left(), at = avoid.top();
    const int ar = al + avoid.width(), ab = at + avoid.height();
    const int w = std::min(size.width(), screen.width());
    const int h = std::min(size.height(), screen.height());
    auto clampTo = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
    const int y = clampTo(at, st, sb - h);
    const int x = clampTo(al, sl, sr - w);

    const int right = Room(sl, sr, al, ar, gap, true);
    const int left = Room(sl, sr, al, ar, gap, false);
    if (right >= w)
        return QRect(ar + gap, y, w, h);
    if (left >= w)
        return QRect(al - gap - w, y, w, h);
    const int wide = std::max(left, right);
    if (wide >= minWidth)
        return right >= left ? QRect(ar + gap, y, right, h) : QRect(sl, y, left, h);
    const int below = Room(st, sb, at, ab, gap, true);
    const int above = Room(st, sb, at, ab, gap, false);
    if (std::max(below, above) >= minHeight) {
        if (below >= above)
            return QRect(x, ab + gap, w, std::min(h, below));
        const int hh = std::min(h, above);
        return QRect(x, at - gap - hh, w, hh);
    }
    return QRect(right >= left ? sr - w : sl, st, w, h);
}

QString CurrentPage(QWidget *helpWindow)
{
    auto *w = dynamic_cast<HelpWindow *>(helpWindow);
    return w ? w->Page() : QString();
}

} // namespace HtmlHelp
