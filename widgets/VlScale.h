// Interface scale and look: the kit's global state, the scale table,
// the one switch (SetInterfaceScale) with the restyling of every kit
// control it triggers, scale-dependent pictures and the cursor.
//
// All of it lives on the GUI thread; the globals are plain variables.
#pragma once

#include "Color.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QString>

#include <functional>

class QWidget;
class TSettings;

// Current state; the initial values hold until the first switch.
extern char VlScale;            // scale letter, 'n'
extern char VlLook;             // look letter, 'W'
extern bool VlAltButtonStyle;   // button-style flag of the interface block
extern float VlScaleX;          // x positions and widths
extern float VlScaleY;          // y positions and heights; picture size at "c"/"s"
extern int VlLineFactor;        // pen widths of outlines and frames
extern int VlFontHeight;        // interface font height in pixels, 11
extern QFont VlFont;            // the kit font: sans-serif, pixel height 11
extern Color VlSkinInk;         // 0x000000 (0x00BBGGRR)
extern Color VlSkinPaper;       // 0xABABAB

// One row of the scale table.
struct VlScaleRow {
    char letter;
    const char *name;       // as the options dialog shows it: "Normal", ...
    float scaleX;
    float scaleY;
    int lineFactor;
    int fontHeight;
    const char *suffix;     // image suffix, "" for none
    bool resized;           // "c" and "s": the "G" picture is resized
};

constexpr int VlScaleCount = 8;
extern const VlScaleRow VlScaleTable[VlScaleCount];   // n l j h e g c s

// The row of a letter; any letter not in the table (upper case included)
// gives the "n" row.
const VlScaleRow &VlScaleRowOf(char letter);

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

// Restyle hooks: called, in the order added, at the end of every
// SetInterfaceScale (after the palette is installed), so the kit's own
// controls can rebuild their styles from the new colours and look.
// Returns an id for VlRemoveRestyleHook.
int VlAddRestyleHook(std::function<void()> hook);
void VlRemoveRestyleHook(int id);

// The three skin steps SetInterfaceScale runs, also for start-up:
// VlSkinReset starts from the Fusion style's standard palette,
// VlSetSystemColors sets paper, light, face, then highlight, and
// VlSkinFinish installs the palette and runs the restyle hooks.
void VlSkinReset();
void VlSetSystemColors(const VlLookColors &colors);
void VlSkinFinish();

// Switches look, scale and button style. The settings record is not read.
void SetInterfaceScale(TSettings *settings, char look, char scale, bool altButtonStyle);

// Image suffix of a scale letter: "L", "J", "H", "E", "G" (for g, c, s)
// or "" for n and every other letter.
const char *VlImageSuffix(char scale);

// The picture of that name at the current scale (name + suffix, else the
// plain name), resized by VlScaleY * 8/19 and sharpened at "c" and "s";
// a null image when neither name is in the image list. The hot spot
// (QImage::offset) is scaled along.
QImage SkinImage(const QString &name);

// Unsharp mask: out = in + amount/100 * (in - blur3x3(in)), worked on
// premultiplied colour so transparent edges gain no halo. The result is
// Format_ARGB32; offset and text keys are kept.
QImage VlSharpen(const QImage &image, int amount = 100);

// The whole picture resized smoothly to w x h, its hot spot and second
// spot scaled by f, then sharpened at amount 100.
QImage VlResizeSharpened(const QImage &img, int w, int h, float f);

// ---- Cursor ----------------------------------------------------------------
// Overrides the application's mouse cursor with this one. There is a single
// override: a later call replaces it; it is never restored by the kit.
void VlOverrideCursor(const QCursor &cursor);

// ---- Restyling -------------------------------------------------------------------
// Every kit control registers a restyle operation at construction; all of
// them run, in the order of construction, each time the look or the scale
// is switched (SetInterfaceScale). Qt's own change events do not serve
// here: with Qt 6.4 the QApplication::setPalette and setFont calls of the
// switch reach no widget as a palette or font change event, shown or
// hidden, inside the event loop or before it.
void VlRegisterRestyle(const QWidget *control, std::function<void()> restyle);
void VlUnregisterRestyle(const QWidget *control);
int VlRestyleCount();   // live registrations
