// The highlight of a kit control under the mouse, decided from where the
// pointer is rather than from a flag kept by enter and leave events: Qt may
// lose a leave while a modal prompt blocks the window (or send an enter
// without its leave after the prompt closes), and a flag would then keep the
// control highlighted after the pointer has gone.
#pragma once

#include <QPoint>

class QWidget;

// Whether the pointer at a global position is over the control and could
// reach it: the control is visible, no other window or popup lies over that
// point, no modal window blocks the control's window and no other widget
// has grabbed the mouse.
bool VlPointerOver(const QWidget *control, const QPoint &global);
// The same at the pointer's position now.
bool VlPointerOver(const QWidget *control);

// Called by the control's paint with the highlight it drew. While some
// control shows a highlight, pointer moves, leaves and the end of a modal
// block anywhere in the application repaint it once the pointer is no
// longer over it; the end of a modal block also repaints the control under
// the pointer.
void VlHoverPainted(QWidget *control, bool highlighted);
