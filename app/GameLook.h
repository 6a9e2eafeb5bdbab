// The game's own control set-up, shared by the side panel and the dialogs:
// captioned buttons in the game's face and hot colours, static texts, and
// the bold kit font.
#pragma once

#include "Color.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <Qt>

#include <functional>

class QKeyEvent;
class QWidget;
class VlButton;
class VlText;

// A captioned button at a design rectangle of its parent, in its ink on the
// game's button face and hot colours.
void PlaceTextButton(QWidget &parent, VlButton &b, int x, int y, int w, int h, const char *caption, Color ink);
// A static text at a design rectangle of its parent; ink ColorNull keeps
// the text's own ink.
void PlaceText(QWidget &parent, VlText &t, int x, int y, int w, int h, const char *text, Qt::Alignment align,
               Color ink = ColorNull);

// The bold kit font (VlFont with bold), at the kit height or another.
QFont BoldFont();
QFont BoldFont(int pixelHeight);
// The bold kit font underlined: the button that Enter triggers.
QFont BoldUnderlinedFont();

// Return or Enter with no Shift, Ctrl, Alt or Meta: the key that a dialog's
// Key handles as character 13.
bool PlainEnter(const QKeyEvent &event);

// ---- Dialogs kept on the screen ------------------------------------------------
// The available area of the screen a widget is on (the primary screen when
// it has none yet); empty when there is no screen.
QRect AvailableArea(const QWidget *widget);
// Room left around a dialog fitted to the screen for a window manager's
// frame (across) and title bar (down).
constexpr int FrameRoomX = 8;
constexpr int FrameRoomY = 40;
// The largest factor, from `wanted` down in steps of 1/44 to no lower than
// 1, at which the window sizeAt(factor) fits `available` less the frame
// room; min(wanted, 1) when none does.
float FitLayoutScale(float wanted, const QSize &available, const std::function<QSize(float)> &sizeAt);
