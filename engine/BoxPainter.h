// What the box painter keeps with a settings record beside the record's own
// fields, and the size it draws a picture at in a rectangle.
#pragma once

#include "FacePictures.h"

class TShapeRecord;

// The box painter's state with one settings record; the record makes it
// when it is made and owns it.
struct TPainterState {
    // How a shape's boxes reach the render bitmap. Off: PaintBox and
    // OutlineBox record while a game object draws its shape, and the shape
    // is drawn when it is complete, its slanted face pictures resampled
    // side by side on the pixel pool. On: each box is drawn at once, on the
    // calling thread. Both give the same pixels and sampler state.
    bool paintBoxByBox = false;
    // What PaintBox and OutlineBox record while a shape is drawn
    // (TShapePaint); null otherwise.
    TShapeRecord *shapeRecord = nullptr;
    // The lifetime of the face pictures and the resampled faces kept
    // between shapes.
    TFacePictures pictures;
};

namespace BoxPainter {

// The size PutImage draws a pw x ph picture at in a W x H rectangle
// (after any border): true when that is scaled down (keeping the aspect),
// false for the picture's own size.
bool DrawnSize(int pw, int ph, int W, int H, int &w, int &h);

} // namespace BoxPainter
