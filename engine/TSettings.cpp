#include "TSettings.h"

#include "BoxPainter.h"
#include "FieldCodec.h"
#include "HelpSound.h"
#include "TDib.h"
#include "TImgUt.h"

#include <cstring>

void TInterfaceBlock::ToBytes(uint8_t out[Size]) const
{
    FieldCodec::Store(out, uint16_t(programVersion), 2);
    out[2] = buttonStyle;
    out[3] = reserved3;
    out[4] = uint8_t(look);
    out[5] = uint8_t(scale);
    std::memcpy(out + 6, reserved6, sizeof reserved6);
}

void TInterfaceBlock::FromBytes(const uint8_t in[Size])
{
    programVersion = int16_t(FieldCodec::Load(in, 2));
    buttonStyle = in[2];
    reserved3 = in[3];
    look = char(in[4]);
    scale = char(in[5]);
    std::memcpy(reserved6, in + 6, sizeof reserved6);
}

namespace {

// Frees, deletes and clears renderBuffer, patternImage and the six
// faceImage and faceImageFit bitmaps that are set, in that order.
void ReleaseBitmaps(TSettings &s)
{
    VlmImgUt::ReleaseDib(s.renderBuffer);
    VlmImgUt::ReleaseDib(s.patternImage);
    for (int f = 0; f < 6; ++f) {
        VlmImgUt::ReleaseDib(s.faceImage[f]);
        VlmImgUt::ReleaseDib(s.faceImageFit[f]);
    }
}

} // namespace

TSettings::TSettings()
    : painter(std::make_unique<TPainterState>())
{
    static const float third = 1.0f / 3.0f;
    static const float offsets[9][2] = {
        {-third, -third}, {third, -third}, {-third, third}, {third, third}, {0.0f, 0.0f},
        {0.0f, -third},   {-third, 0.0f},  {third, 0.0f},   {0.0f, third},
    };
    for (int i = 0; i < 9; ++i) {
        sampleOffset[i].dx = offsets[i][0];
        sampleOffset[i].dy = offsets[i][1];
    }
}

// In order: the painter's state, the bitmaps, the image-library context,
// help.
TSettings::~TSettings()
{
    painter.reset();
    ReleaseBitmaps(*this);
    delete imgUt;
    imgUt = nullptr;
    HelpSound::EndHelp(*this);
}

void TSettings::TurnScratchBox(int dir)
{
    const int f = scratchBox.front, l = scratchBox.left, t = scratchBox.top;
    switch (dir) {
    case DirLeft:
        scratchBox.front = 5 - l;
        scratchBox.left = f;
        break;
    case DirRight:
        scratchBox.front = l;
        scratchBox.left = 5 - f;
        break;
    case DirUp:
        scratchBox.front = 5 - t;
        scratchBox.top = f;
        break;
    case DirDown:
        scratchBox.front = t;
        scratchBox.top = 5 - f;
        break;
    default:
        break;
    }
}
