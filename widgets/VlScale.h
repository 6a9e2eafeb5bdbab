// Interface scale: the kit's global state, the scale table and the one
// switch of look, scale and button style (SetInterfaceScale).
//
// All of it lives on the GUI thread; the globals are plain variables.
#pragma once

#include "Color.h"

#include <QFont>

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

// Switches look, scale and button style. The settings record is not read.
void SetInterfaceScale(TSettings *settings, char look, char scale, bool altButtonStyle);

// Image suffix of a scale letter: "L", "J", "H", "E", "G" (for g, c, s)
// or "" for n and every other letter.
const char *VlImageSuffix(char scale);
