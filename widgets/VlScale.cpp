#include "VlScale.h"

#include "VlLook.h"

#include <QApplication>


char VlScale = 'n';
char VlLook = 'W';
bool VlAltButtonStyle = false;
float VlScaleX = 1.0f;
float VlScaleY = 1.0f;
int VlLineFactor = 1;
int VlFontHeight = 11;
QFont VlFont = VlSansFont(VlFontHeight);
Color VlSkinInk = 0x000000;
Color VlSkinPaper = 0xABABAB;

const VlScaleRow VlScaleTable[VlScaleCount] = {
    {'n', "Normal", 1.0f, 1.0f, 1, 11, "", false},
    {'l', "Large", 53.0f / 44.0f, 19.0f / 16.0f, 1, 13, "L", false},
    {'j', "Jumbo", 61.0f / 44.0f, 22.0f / 16.0f, 1, 15, "J", false},
    {'h', "Huge", 72.0f / 44.0f, 27.0f / 16.0f, 2, 18, "H", false},
    {'e', "Enormous", 2.0f, 33.0f / 16.0f, 2, 22, "E", false},
    {'g', "Gigantic", 105.0f / 44.0f, 38.0f / 16.0f, 2, 26, "G", false},
    {'c', "Colossal", 3.0f, 3.0f, 3, 33, "G", true},
    {'s', "Super", 4.0f, 4.0f, 3, 44, "G", true},
};

const VlScaleRow &VlScaleRowOf(char letter)
{
    for (const VlScaleRow &row : VlScaleTable)
        if (row.letter == letter)
            return row;
    return VlScaleTable[0];
}

const char *VlImageSuffix(char scale)
{
    return VlScaleRowOf(scale).suffix;
}

void SetInterfaceScale(TSettings *, char look, char scale, bool altButtonStyle)
{
    VlLook = look;
    VlScale = scale;
    VlAltButtonStyle = altButtonStyle;

    const VlScaleRow &row = VlScaleRowOf(scale);
    VlScaleX = row.scaleX;
    VlScaleY = row.scaleY;
    VlLineFactor = row.lineFactor;
    VlFontHeight = row.fontHeight;

    if (VlHaveGuiApp())
        QApplication::setFont(VlSansFont(VlFontHeight));

    VlFont.setPixelSize(VlFontHeight);

    VlSkinReset();
    VlSetSystemColors(VlLookColorsOf(look));
    VlSkinFinish();
}
