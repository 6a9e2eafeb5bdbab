#include "VlOwnerLink.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

void VlForwardMouse(QWidget *owner, const QMouseEvent *event, QEvent::Type type, Qt::MouseButton button)
{
    if (!owner || !event)
        return;
    QMouseEvent forwarded(type, event->position(), event->scenePosition(), event->globalPosition(), button,
                          event->buttons(), event->modifiers(), event->pointingDevice());
    // The owner's own handler, as a direct call: QObject::event is public.
    static_cast<QObject *>(owner)->event(&forwarded);
}

void VlForwardWheel(QWidget *owner, const QWheelEvent *event)
{
    if (!owner || !event)
        return;
    QWheelEvent forwarded(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                          event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                          event->source(), event->pointingDevice());
    static_cast<QObject *>(owner)->event(&forwarded);
}
