// The drawing of a whole shape: while a game object draws its shape
// (TShapePaint), PaintBox and OutlineBox record what they draw here, in
// order; when the shape is complete the slanted face pictures are
// resampled side by side on the pixel pool, away from the render bitmap,
// and then everything is drawn in the recorded order. A resampled face
// does not depend on what lies under it, so the pixels are those of the
// box-by-box drawing.
#pragma once

#include "Gdi.h"
#include "SlantedFace.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace VlmImgUt {
class TDib;
}
class TSettings;

// The box painter's drawing steps, with every value they use passed in;
// the box-by-box drawing calls them at once, the record when it draws.
namespace BoxDrawing {

// The selection outline of the faces in the mask.
void Outline(VlmImgUt::TDib *dst, int mask, int x, int y, int s, int d, int e, COLORREF color, int width);
// The size x size block of src at (sx, sy), turned, onto the front square
// of edge boxSize at (x, y).
void TurnedFront(VlmImgUt::TDib *dst, const VlmImgUt::TDib *src, int x, int y, int sx, int sy, int size, int rotation,
                 int boxSize);
// The block resampled onto `count` lines of a slanted face from
// firstLine, pixel by pixel in place, with the settings' sampler.
void Resample(TSettings &st, VlmImgUt::TDib *dst, const VlmImgUt::TDib *src, const SlantedFace::SlantMap &m,
              int firstLine, int count, int boxSize, bool antiAlias);

} // namespace BoxDrawing

class TShapeRecord {
public:
    explicit TShapeRecord(TSettings &st) : st(st) {}

    // A face filled with the context's current brush, pen and fill mode.
    void Fill(const Gdi::POINT (&corners)[4], const Gdi::DC &dc);
    // The fitted picture's block at (sx, sy) copied onto the front square.
    void Copy(const VlmImgUt::TDib *fit, int x, int y, int s, int sx, int sy);
    void TurnedFront(const VlmImgUt::TDib *fit, int x, int y, int sx, int sy, int size, int rotation, int boxSize);
    void Slanted(const VlmImgUt::TDib *fit, const SlantedFace::SlantMap &m, int firstLine, int count, int boxSize,
                 bool antiAlias);
    void Outline(int mask, int x, int y, int s, int d, int e, COLORREF color, int width);

    // Does anything recorded read this picture.
    bool Reads(const VlmImgUt::TDib *picture) const;
    // Draws everything recorded into the render bitmap and empties the
    // record.
    void Draw();

private:
    enum class Kind : uint8_t { Fill, Copy, TurnedFront, Slanted, Outline };

    struct Step {
        Kind kind;
        int mask;                        // Outline
        Gdi::POINT corners[4];           // Fill
        COLORREF brushColor;             // Fill
        bool brushNull;
        int penStyle, penWidth;          // Fill, Outline (width)
        COLORREF penColor;               // Fill, Outline
        int fillMode;
        const VlmImgUt::TDib *picture;   // Copy, TurnedFront
        int x, y, s, d, e, sx, sy, size, rotation;
        size_t face;                     // Slanted: index into faces
    };

    // A slanted face to resample: count lines of boxSize pixels, whose
    // pixels go to `pixels` from `first` on, four bytes each (three
    // channels and a flag set where the pixel is drawn).
    struct Face {
        const VlmImgUt::TDib *picture;
        SlantedFace::SlantMap map;
        int firstLine, count, boxSize;
        bool antiAlias;
        int64_t first;     // first pixel in `pixels`, in drawing order
        int64_t lineBase;  // its first line among the lines of all faces
    };

    // The slot's sub-sample last written in one line: the pixel's index in
    // the line, or -1.
    struct LineSlots {
        int32_t last[9];
    };

    // Resamples the lines, counting each down in linesLeft of its face.
    void ResampleLines(int64_t firstLine, int64_t lastLine, std::atomic<int> *linesLeft);
    void ResampleLine(const Face &f, int j, uint8_t *out, LineSlots &written) const;
    void DrawFace(const Face &f) const;
    void DrawFaceInPlace(const Face &f);
    // The sampler fields as the box-by-box drawing leaves them.
    void SettleSampler();

    TSettings &st;
    std::vector<Step> steps;
    std::vector<Face> faces;
    int64_t pixelCount = 0;
    int64_t lineCount = 0;
    std::vector<uint8_t> pixels;
    std::vector<LineSlots> lastSlots;
};
