// Shared internals of the drawing layer.
#pragma once

#include "Gdi.h"

namespace Gdi {

// Division rounding toward minus infinity (b > 0).
inline int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b) != 0 && a < 0)
        --q;
    return q;
}

// Fills picture rows y0..y1-1, columns x0..x1-1 (already clipped).
void FillRows(Bitmap *bmp, int x0, int y0, int x1, int y1, COLORREF color);
// Fills columns x0..x1-1 of picture row y (already clipped).
void FillSpan(Bitmap *bmp, int y, int x0, int x1, COLORREF color);

} // namespace Gdi
