#include "VlMenu.h"

#include "VlScale.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

// ---- Qt's menus ------------------------------------------------------------

namespace {

// "&" would make an accelerator: double it so it shows as it is.
QString PlainText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return t;
}

} // namespace

VlQtBar::VlQtBar(QMenuBar *bar) : bar(bar) {}
VlQtBar::VlQtBar(QMenu *menu) : menu(menu) {}

void VlQtBar::Add(const QString &text, std::function<void()> action)
{
    QAction *a = menu ? menu->addAction(PlainText(text)) : bar->addAction(PlainText(text));
    QObject::connect(a, &QAction::triggered, a, [action] {
        if (action)
            action();
    });
}

void VlQtBar::Separator()
{
    if (menu)
        menu->addSeparator();
    else
        bar->addSeparator();
}

void VlQtBar::Sub(const QString &text, std::function<void(VlBar &)> build)
{
    QMenu *m = menu ? menu->addMenu(PlainText(text)) : bar->addMenu(PlainText(text));
    // A drop-down is a window of its own, which takes the application font
    // unless told to inherit: it draws in the font of the bar it hangs
    // from, now and whenever the bar's font changes.
    m->setAttribute(Qt::WA_WindowPropagation);
    m->setFont(QFont());
    VlQtBar sub(m);
    if (build)
        build(sub);
}

// ---- The two-column popup ------------------------------------------------

namespace {

VlPopupMenu *running = nullptr;

// One line of the popup: text, highlighted under the mouse or by the keys.
class TMenuEntry : public QWidget {
public:
    TMenuEntry(const QString &text, bool separator, std::function<void()> choose, QWidget *parent)
        : QWidget(parent), text(text), separator(separator), choose(std::move(choose))
    {
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover, true);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setObjectName(separator ? QStringLiteral("separator") : text);
    }
    bool highlighted = false;
    const QString text;
    const bool separator;
    std::function<void()> choose;

    QSize sizeHint() const override
    {
        const QFontMetrics fm(font());
        if (separator)
            return QSize(8, 7);
        return QSize(fm.horizontalAdvance(text) + 32, fm.height() + 8);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QPalette &pal = palette();
        if (separator) {
            const int y = height() / 2;
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(4, y, width() - 5, y);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(4, y + 1, width() - 5, y + 1);
            return;
        }
        if (highlighted)
            p.fillRect(rect(), pal.color(QPalette::Highlight));
        p.setPen(highlighted ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::WindowText));
        p.setFont(font());
        p.drawText(rect().adjusted(16, 0, -16, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    void enterEvent(QEnterEvent *) override { SetHighlight(true); }
    void leaveEvent(QEvent *) override { SetHighlight(false); }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (!separator && rect().contains(event->position().toPoint()) && choose)
            choose();
    }

public:
    void SetHighlight(bool on)
    {
        if (separator || highlighted == on)
            return;
        if (on && parentWidget()) {
            // The popup's children are entries and column lines.
            for (QObject *child : parentWidget()->children())
                if (auto *e = dynamic_cast<TMenuEntry *>(child); e && e != this && e->highlighted) {
                    e->highlighted = false;
                    e->update();
                }
        }
        highlighted = on;
        update();
    }
};

} // namespace

VlPopupMenu::VlPopupMenu()
    : QWidget(nullptr, Qt::Popup)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    columns.emplace_back();
}

VlPopupMenu::~VlPopupMenu()
{
    if (running == this)
        running = nullptr;
}

VlPopupMenu *VlPopupMenu::Running()
{
    return running;
}

void VlPopupMenu::Add(const QString &text, std::function<void()> action)
{
    columns.back().push_back(Entry{text, std::move(action), nullptr});
}

void VlPopupMenu::Separator()
{
    columns.back().push_back(Entry{QString(), nullptr, nullptr});
}

void VlPopupMenu::Break()
{
    columns.emplace_back();
}

// A sub-menu's entries go into the popup in place.
void VlPopupMenu::Sub(const QString &, std::function<void(VlBar &)> build)
{
    if (build)
        build(*this);
}

std::vector<std::vector<QString>> VlPopupMenu::Columns() const
{
    std::vector<std::vector<QString>> out;
    for (const auto &col : columns) {
        out.emplace_back();
        for (const Entry &e : col)
            out.back().push_back(e.text);
    }
    return out;
}

QWidget *VlPopupMenu::EntryWidget(const QString &text) const
{
    for (const auto &col : columns)
        for (const Entry &e : col)
            if (e.widget && e.text == text && !text.isEmpty())
                return e.widget;
    return nullptr;
}

void VlPopupMenu::BuildWidgets()
{
    if (layout())
        return;
    setFont(VlFont);
    setAutoFillBackground(true);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(0);
    for (size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) {
            auto *line = new QFrame(this);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            row->addWidget(line);
        }
        auto *col = new QVBoxLayout;
        col->setContentsMargins(0, 0, 0, 0);
        col->setSpacing(0);
        for (size_t i = 0; i < columns[c].size(); ++i) {
            Entry &e = columns[c][i];
            const int ci = int(c), ii = int(i);
            auto *w = new TMenuEntry(e.text, e.text.isEmpty(), [this, ci, ii] { Choose(ci, ii); }, this);
            w->setFont(VlFont);
            e.widget = w;
            col->addWidget(w);
        }
        // A shorter column stays at the top at its entries' height. No
        // stretch: a layout that can grow makes a window at least 100
        // pixels tall, an empty row below the entries.
        col->setAlignment(Qt::AlignTop);
        row->addLayout(col);
    }
}

void VlPopupMenu::Choose(int column, int index)
{
    chosen = columns[size_t(column)][size_t(index)].action;
    if (!chosen)
        chosen = [] {};
    hide();
}

bool VlPopupMenu::Execute(const QPoint &globalPos)
{
    BuildWidgets();
    adjustSize();
    QRect r(globalPos, size());
    if (QScreen *s = QGuiApplication::screenAt(globalPos) ? QGuiApplication::screenAt(globalPos)
                                                           : QGuiApplication::primaryScreen()) {
        const QRect a = s->availableGeometry();
        if (r.right() > a.right())
            r.moveRight(std::max(a.left(), globalPos.x() - 1));
        if (r.bottom() > a.bottom())
            r.moveBottom(std::max(a.top(), globalPos.y() - 1));
        if (r.left() < a.left())
            r.moveLeft(a.left());
        if (r.top() < a.top())
            r.moveTop(a.top());
    }
    move(r.topLeft());
    chosen = nullptr;
    done = false;
    VlPopupMenu *previous = running;
    running = this;
    show();
    QEventLoop loop;
    QPointer<VlPopupMenu> self(this);
    while (self && !done && isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (!self)
        return false;
    running = previous;
    if (isVisible())
        hide();
    std::function<void()> action = std::move(chosen);
    chosen = nullptr;
    if (!action)
        return false;
    action();
    return true;
}

void VlPopupMenu::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void VlPopupMenu::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    done = true;
}

void VlPopupMenu::keyPressEvent(QKeyEvent *event)
{
    // Highlighted entry and the keys that move it.
    int hc = -1, hi = -1;
    for (size_t c = 0; c < columns.size(); ++c)
        for (size_t i = 0; i < columns[c].size(); ++i)
            if (auto *e = dynamic_cast<TMenuEntry *>(columns[c][i].widget); e && e->highlighted) {
                hc = int(c);
                hi = int(i);
            }
    auto highlight = [&](int c, int i) {
        if (c < 0 || c >= int(columns.size()) || columns[size_t(c)].empty())
            return;
        const int n = int(columns[size_t(c)].size());
        i = std::clamp(i, 0, n - 1);
        if (auto *e = dynamic_cast<TMenuEntry *>(columns[size_t(c)][size_t(i)].widget))
            e->SetHighlight(true);
    };
    auto step = [&](int dir) {
        const int c = hc < 0 ? 0 : hc;
        const int n = int(columns[size_t(c)].size());
        int i = hi < 0 ? (dir > 0 ? -1 : n) : hi;
        for (int k = 0; k < n; ++k) {
            i = (i + dir + n) % n;
            if (!columns[size_t(c)][size_t(i)].text.isEmpty()) {
                highlight(c, i);
                return;
            }
        }
    };
    switch (event->key()) {
    case Qt::Key_Escape: hide(); return;
    case Qt::Key_Down: step(1); return;
    case Qt::Key_Up: step(-1); return;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int c = (hc < 0 ? 0 : hc) + (event->key() == Qt::Key_Right ? 1 : -1);
        if (c >= 0 && c < int(columns.size())) {
            hc = c;
            hi = -1;
            step(1);
        }
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (hc >= 0 && hi >= 0 && !columns[size_t(hc)][size_t(hi)].text.isEmpty())
            Choose(hc, hi);
        return;
    default: QWidget::keyPressEvent(event);
    }
}
