// The owner link: a control hands its mouse events to the window that owns
// it, as direct calls of the owner's handlers.
#pragma once

#include <QEvent>
#include <Qt>

class QMouseEvent;
class QWheelEvent;
class QWidget;

// Calls the owner's handler directly with the same point (untranslated),
// buttons and modifiers; `type` and `button` say which handler. No event
// filter, propagation or focus change is involved.
void VlForwardMouse(QWidget *owner, const QMouseEvent *event, QEvent::Type type, Qt::MouseButton button);
void VlForwardWheel(QWidget *owner, const QWheelEvent *event);
