// What the player sees, for tests of looks that follow the pointer: the
// pixels a window has flushed to the (offscreen) screen, not a fresh
// render, and the pointer moved as the platform moves it.
#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

// The screen's pixels over a widget, after pending paints are flushed.
inline QImage OnScreen(QWidget *widget)
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(widget->window()->winId(), at.x(), at.y(),
                                                                      widget->width(), widget->height());
    return shot.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Moves the pointer (the platform sends the enter and leave events).
inline void MovePointer(const QPoint &global)
{
    QCursor::setPos(global);
    QCoreApplication::processEvents();
}
