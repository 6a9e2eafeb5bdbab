#include "VlHover.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

bool Inside(const QWidget *w, const QWidget *outer)
{
    for (; w; w = w->parentWidget())
        if (w == outer)
            return true;
    return false;
}

// Repaints highlighted controls that the pointer has left. It filters the
// application's events only while some control shows a highlight.
class HoverWatch : public QObject {
public:
    static HoverWatch &Get()
    {
        static HoverWatch *watch = new HoverWatch;
        return *watch;
    }

    // Asking the window system where the pointer is costs a round trip;
    // the controls painted in one go share one answer, which holds until
    // control returns to the event loop.
    QPoint Pointer()
    {
        if (!pointerKnown) {
            pointer = QCursor::pos();
            pointerKnown = true;
            QMetaObject::invokeMethod(this, [this] { pointerKnown = false; }, Qt::QueuedConnection);
        }
        return pointer;
    }

    void Painted(QWidget *control, bool highlighted)
    {
        Prune();
        auto it = std::find(shown.begin(), shown.end(), control);
        if (highlighted && it == shown.end())
            shown.emplace_back(control);
        else if (!highlighted && it != shown.end())
            shown.erase(it);
        Watch(!shown.empty());
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        // Every pointer event reaches a window before its widgets.
        if (!receiver->isWindowType())
            return false;
        switch (event->type()) {
        case QEvent::MouseMove:
            Recheck(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            break;
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::WindowBlocked:
            pointerKnown = false;
            Recheck(Pointer());
            break;
        case QEvent::WindowUnblocked: {
            pointerKnown = false;
            const QPoint at = Pointer();
            Recheck(at);
            if (QWidget *under = QApplication::widgetAt(at))
                under->update();
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    void Prune()
    {
        shown.erase(std::remove_if(shown.begin(), shown.end(), [](const QPointer<QWidget> &w) { return !w; }),
                    shown.end());
    }

    void Recheck(const QPoint &global)
    {
        Prune();
        for (const QPointer<QWidget> &w : shown)
            if (!VlPointerOver(w, global))
                w->update();
        Watch(!shown.empty());
    }

    void Watch(bool on)
    {
        if (on == watching || !QCoreApplication::instance())
            return;
        watching = on;
        if (on)
            QCoreApplication::instance()->installEventFilter(this);
        else
            QCoreApplication::instance()->removeEventFilter(this);
    }

    std::vector<QPointer<QWidget>> shown;
    bool watching = false;
    QPoint pointer;
    bool pointerKnown = false;
};

} // namespace

bool VlPointerOver(const QWidget *control, const QPoint &global)
{
    if (!control || !control->isVisible() || !control->rect().contains(control->mapFromGlobal(global)))
        return false;
    if (QWidget *modal = QApplication::activeModalWidget(); modal && !Inside(control, modal))
        return false;
    if (QWidget *popup = QApplication::activePopupWidget(); popup && !Inside(control, popup))
        return false;
    if (QWidget *grabber = QWidget::mouseGrabber(); grabber && !Inside(grabber, control))
        return false;
    const QWidget *top = QApplication::widgetAt(global);
    return top && Inside(top, control);
}

bool VlPointerOver(const QWidget *control)
{
    return VlPointerOver(control, HoverWatch::Get().Pointer());
}

void VlHoverPainted(QWidget *control, bool highlighted)
{
    HoverWatch::Get().Painted(control, highlighted);
}
