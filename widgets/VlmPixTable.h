// The image list's table: names in index order, the images per data
// block, picture sizes and hot spots. Shared by the list and by the
// program that draws and packs its pictures.
#pragma once

namespace VlmPixTable {

constexpr int ImageCount = 119;
constexpr int BlockCount = 20;

constexpr const char *Names[ImageCount] = {
    "boxIcon",
    "about", "aboutL", "aboutJ", "aboutH", "aboutE", "aboutG",
    "Min", "MinL", "MinJ", "MinH", "MinE", "MinG",
    "exit", "exitL", "exitJ", "exitH", "exitE", "exitG",
    "onyel", "onyelL", "onyelJ", "onyelH", "onyelE", "onyelG",
    "onred", "onredL", "onredJ", "onredH", "onredE", "onredG",
    "ongrnJ", "onbluJ",
    "off", "offL", "offJ", "offH", "offE", "offG",
    "lfbox", "lfboxL", "lfboxJ", "lfboxH", "lfboxE", "lfboxG",
    "rtbox", "rtboxL", "rtboxJ", "rtboxH", "rtboxE", "rtboxG",
    "dnbox", "dnboxL", "dnboxJ", "dnboxH", "dnboxE", "dnboxG",
    "upbox", "upboxL", "upboxJ", "upboxH", "upboxE", "upboxG",
    "lfshp", "lfshpL", "lfshpJ", "lfshpH", "lfshpE", "lfshpG",
    "rtshp", "rtshpL", "rtshpJ", "rtshpH", "rtshpE", "rtshpG",
    "dnshp", "dnshpL", "dnshpJ", "dnshpH", "dnshpE", "dnshpG",
    "upshp", "upshpL", "upshpJ", "upshpH", "upshpE", "upshpG",
    "lflev", "lflevL", "lflevJ", "lflevH", "lflevE", "lflevG",
    "rtlev", "rtlevL", "rtlevJ", "rtlevH", "rtlevE", "rtlevG",
    "uplev", "uplevL", "uplevJ", "uplevH", "uplevE", "uplevG",
    "dnlev", "dnlevL", "dnlevJ", "dnlevH", "dnlevE", "dnlevG",
    "MoveAll", "MoveWE", "MoveNS", "MoveNot", "emptycur", "HndThere", "HndPinch",
    "Trans",
};

// Consecutive images per compressed block.
constexpr int BlockImages[BlockCount] = {7, 6, 6, 6, 6, 8, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 4, 4};

// Sizes of a button picture and its variants "", L, J, H, E, G.
constexpr int VariantSizes[6] = {16, 19, 22, 27, 33, 38};

struct Shape {
    int width, height;
    int hotX, hotY;
};

// Position of a button picture (index 1..110 but 31 and 32, the lone
// lamps ongrnJ and onbluJ) among the 6 variants of every design in order.
constexpr int VariantSlotOf(int index)
{
    return index < 31 ? index - 1 : index - 3;
}
// The design of a button picture: 0 about, 1 Min, ... 17 dnlev.
constexpr int DesignOf(int index)
{
    return VariantSlotOf(index) / 6;
}

// Size and hot spot of every image, by index.
constexpr Shape ShapeOf(int index)
{
    if (index == 0)
        return {32, 32, 0, 0};
    if (index == 31 || index == 32)   // ongrnJ, onbluJ
        return {22, 22, 0, 0};
    if (index >= 1 && index <= 110) {
        const int s = VariantSizes[VariantSlotOf(index) % 6];
        return {s, s, 0, 0};
    }
    switch (index) {
    case 111: return {32, 32, 16, 16};   // MoveAll
    case 112: return {32, 32, 16, 16};   // MoveWE
    case 113: return {32, 32, 16, 16};   // MoveNS
    case 114: return {32, 32, 15, 15};   // MoveNot
    case 115: return {32, 32, 15, 14};   // emptycur
    case 116: return {32, 32, 15, 13};   // HndThere
    case 117: return {32, 32, 8, 7};     // HndPinch
    case 118: return {4, 4, 1, 1};       // Trans
    }
    return {0, 0, 0, 0};
}

// Bytes of one stored image: flag (0; readers ignore it), width, height,
// hot spot and second spot (16-bit little-endian each), then straight
// 8-bit R, G, B, A per pixel.
constexpr int RecordHeader = 1 + 6 * 2;

} // namespace VlmPixTable
