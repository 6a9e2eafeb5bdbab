// What the player sees and does, for tests of controls that follow the
// pointer: the pixels a window has flushed to the (offscreen) screen, not a
// fresh render, the pointer moved as the platform moves it, and a double-click
// interval set for the time a test runs.
#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
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

// Sets the double-click interval while it lives.
class TDoubleClickInterval {
public:
    explicit TDoubleClickInterval(int ms) : old(QGuiApplication::styleHints()->mouseDoubleClickInterval())
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(ms);
    }
    ~TDoubleClickInterval() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(old); }
    TDoubleClickInterval(const TDoubleClickInterval &) = delete;
    TDoubleClickInterval &operator=(const TDoubleClickInterval &) = delete;

private:
    int old;
};
