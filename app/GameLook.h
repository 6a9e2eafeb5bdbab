// The game's own control set-up, shared by the side panel and the dialogs:
// captioned buttons in the game's face and hot colours, static texts, and
// the bold kit font.
#pragma once

#include "Color.h"

#include <QFont>
#include <Qt>

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
