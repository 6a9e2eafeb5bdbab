// Draws the pictures of the image list as vector shapes, at the size the
// table gives each index, snapped to the pixel grid.
#pragma once

#include <QImage>

// Format_ARGB32_Premultiplied, sized and hot-spotted (offset) by index;
// a null image for an index outside the list.
QImage DrawPixPicture(int index);
