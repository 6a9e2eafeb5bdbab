// Shared internals of the drawing layer.
#pragma once

#include "Gdi.h"

namespace Gdi {

// Fills picture rows y0..y1-1, columns x0..x1-1 (already clipped).
void FillRows(Bitmap *bmp, int x0, int y0, int x1, int y1, COLORREF color);
// Fills columns x0..x1-1 of picture row y (already clipped).
void FillSpan(Bitmap *bmp, int y, int x0, int x1, COLORREF color);

} // namespace Gdi
