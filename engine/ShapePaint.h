#pragma once

class TSettings;
class TShapeRecord;

// Draws a game object's shape as a whole: while it lives PaintBox and
// OutlineBox only record, and when it ends the slanted face pictures of
// the shape are resampled side by side on the pixel pool and everything is
// drawn in the recorded order. An inner one joins the outer one; with
// paintBoxByBox set, or without box pictures, it does nothing.
class TShapePaint {
public:
    explicit TShapePaint(TSettings &st);
    ~TShapePaint();
    TShapePaint(const TShapePaint &) = delete;
    TShapePaint &operator=(const TShapePaint &) = delete;

private:
    TSettings &st;
    TShapeRecord *own = nullptr;
};
