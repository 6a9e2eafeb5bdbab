// The look: the system colours of each look, the palette they make and the
// kit's sans-serif font.
#pragma once

#include "Color.h"

#include <QFont>

// The system colours of a look (0x00BBGGRR).
struct VlLookColors {
    COLORREF paper;
    COLORREF light;
    COLORREF face;
    COLORREF highlight;
};
VlLookColors VlLookColorsOf(char look);   // "S"; "W" and every other letter

// The system colours now in effect (set by SetInterfaceScale; before the
// first switch the "W" row). They are also in the application palette:
//   paper     -> QPalette::Base (edit fields, lists) and AlternateBase
//   light     -> QPalette::Light, Midlight between light and face
//   face      -> QPalette::Window and QPalette::Button, with Mid, Dark and
//                Shadow derived darker from it
//   highlight -> QPalette::Highlight (HighlightedText white)
// Label and text colours are black (QPalette::WindowText, Text, ButtonText).
COLORREF VlColorPaper();
COLORREF VlColorLight();
COLORREF VlColorFace();
COLORREF VlColorHighlight();
COLORREF VlColorLabel();   // ink of static texts and options
COLORREF VlColorText();    // ink of edit fields and list rows

// A sans-serif font of the given pixel height with no style flags.
QFont VlSansFont(int pixelHeight);

// The three skin steps SetInterfaceScale runs, also for start-up:
// VlSkinReset starts from the Fusion style's standard palette,
// VlSetSystemColors sets paper, light, face, then highlight, and
// VlSkinFinish installs the palette and runs the restyle hooks.
void VlSkinReset();
void VlSetSystemColors(const VlLookColors &colors);
void VlSkinFinish();

// Is there a QApplication to take the palette and the font.
bool VlHaveGuiApp();
