// The drawing of a whole shape: while a game object draws its shape
// (TShapePaint), PaintBox and OutlineBox record what they draw here, in
// order; when the shape is complete the slanted face pictures are
// resampled side by side on the pixel pool, away from the render bitmap,
// and everything is drawn in the recorded order meanwhile. A resampled
// face does not depend on what lies under it, so the pixels are those of
// the box-by-box drawing.
//
// Resampled faces are kept between shapes (TFaceStore): a face with the
// same picture, place, geometry and sampler as one drawn before takes its
// pixels again. The sub-sample positions depend on the face's place on the
// bitmap (its coordinates are rounded as floats), so faces at different
// places never share pixels.
#pragma once

#include "Gdi.h"
#include "SlantedFace.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
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

// Where the box painter's steps go: drawn at once into the render bitmap
// (box by box), or recorded for the whole-shape drawing (TShapeRecord).
// The painter is written once against it.
class TPaintTarget {
public:
    virtual ~TPaintTarget() = default;
    // A face filled with the context's current brush, pen and fill mode.
    virtual void Fill(const Gdi::POINT (&corners)[4], Gdi::DC &dc) = 0;
    // The fitted picture's s x s block at (sx, sy) copied onto the front
    // square at (x, y).
    virtual void Copy(const VlmImgUt::TDib *fit, int x, int y, int s, int sx, int sy) = 0;
    // The size x size block at (sx, sy), turned, onto the front square of
    // edge boxSize at (x, y).
    virtual void TurnedFront(const VlmImgUt::TDib *fit, int x, int y, int sx, int sy, int size, int rotation,
                             int boxSize) = 0;
    // The block resampled onto `count` lines of a slanted face.
    virtual void Slanted(const VlmImgUt::TDib *fit, const SlantedFace::SlantMap &m, int firstLine, int count,
                         int boxSize, bool antiAlias) = 0;
    // The selection outline of the faces in the mask.
    virtual void Outline(int mask, int x, int y, int s, int d, int e, COLORREF color, int width) = 0;
    // The fitted picture is about to be made anew.
    virtual void Refitting(const VlmImgUt::TDib *fit) = 0;
};

// What decides a slanted face's pixels, compared byte for byte.
struct TFaceKey {
    const VlmImgUt::TDib *picture;
    const uint8_t *bits;
    int32_t pictureWidth, pictureHeight, pictureStride;
    int32_t firstLine, count, boxSize;
    int32_t bitmapWidth, bitmapHeight;  // the render bitmap's, which clips
    int32_t rotation, kind, antiAlias;   // kind: 0 top, 1 left, 2 front
    float x, y, s, d, e, first, size, sx, sy;

    TFaceKey() { std::memset(static_cast<void *>(this), 0, sizeof *this); }
    bool operator==(const TFaceKey &o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

struct TFaceKeyHash {
    size_t operator()(const TFaceKey &k) const;
};

// One resampled face (or turned front square): four bytes per pixel (three
// channels and a flag set where the pixel is drawn), boxSize pixels per
// line, and per line the pixel that last wrote each sub-sample slot (-1
// none).
struct TFacePixels {
    struct LineSlots {
        int32_t last[9];
    };
    std::vector<uint8_t> pixels;
    std::vector<LineSlots> lineSlots;
    bool ready = false;
    uint64_t lastUse = 0;
};

// The resampled faces kept by the settings record.
class TFaceStore {
public:
    // The face's kept pixels, or null.
    TFacePixels *Find(const TFaceKey &key);
    // A new entry for the face, not ready yet.
    TFacePixels &Add(const TFaceKey &key);
    // The entry added for the face in this shape and not ready yet, or null.
    TFacePixels *Pending(const TFaceKey &key);
    // Forgets every face resampled from this picture.
    void Forget(const VlmImgUt::TDib *picture);
    // Starts a shape with these sampler constants; faces made with others
    // are forgotten.
    void Begin(const TSettings &st);
    // Ends a shape: entries that were never made are dropped, and when the
    // store holds more than its budget, the faces this shape did not use.
    void End();

    uint64_t use = 0;   // shapes begun

private:
    std::unordered_map<TFaceKey, TFacePixels, TFaceKeyHash> faces;
    std::vector<float> sampler;   // the constants the kept faces were made with
    static constexpr size_t Budget = 16u << 20;
};

class TShapeRecord final : public TPaintTarget {
public:
    explicit TShapeRecord(TSettings &st) : st(st) {}

    void Fill(const Gdi::POINT (&corners)[4], Gdi::DC &dc) override;
    void Copy(const VlmImgUt::TDib *fit, int x, int y, int s, int sx, int sy) override;
    void TurnedFront(const VlmImgUt::TDib *fit, int x, int y, int sx, int sy, int size, int rotation,
                     int boxSize) override;
    void Slanted(const VlmImgUt::TDib *fit, const SlantedFace::SlantMap &m, int firstLine, int count, int boxSize,
                 bool antiAlias) override;
    void Outline(int mask, int x, int y, int s, int d, int e, COLORREF color, int width) override;
    // What was recorded with the old fitted picture is drawn first.
    void Refitting(const VlmImgUt::TDib *fit) override;

    // Does anything recorded read this picture.
    bool Reads(const VlmImgUt::TDib *picture) const;
    // Draws everything recorded into the render bitmap and empties the
    // record.
    void Draw();

private:
    enum class Kind : uint8_t { Fill, Copy, Face, Outline };

    struct Step {
        Kind kind;
        int mask;                        // Outline
        Gdi::POINT corners[4];           // Fill
        COLORREF brushColor;             // Fill
        bool brushNull;
        int penStyle, penWidth;          // Fill, Outline (width)
        COLORREF penColor;               // Fill, Outline
        int fillMode;
        const VlmImgUt::TDib *picture;   // Copy
        int x, y, s, d, e, sx, sy;
        size_t face;                     // Face: index into faces
    };

    // A slanted face to resample, or a front square to turn (its rows are
    // its lines; map holds its corner, block size and offset, rotation and
    // edge): count lines of boxSize pixels.
    struct Face {
        const VlmImgUt::TDib *picture;
        SlantedFace::SlantMap map;
        int firstLine, count, boxSize;
        bool antiAlias;
        bool front;
        TFacePixels *out;   // where its pixels are (null: drawn in place)
        size_t madeBy;      // the face of this shape that makes them (itself, or one with the same key)
    };

    // The resampling of the faces to make, shared by the pool and the
    // drawing thread: chunks of lines taken in order, each face's lines
    // counted down; a face done wakes the drawing thread.
    struct Work {
        std::unique_ptr<std::atomic<int>[]> linesLeft;   // by face; null: each face resampled in place
        std::atomic<int64_t> nextChunk{0};
        int64_t chunks = 0;
        int64_t pixels = 0;
        std::mutex lock;
        std::condition_variable faceDone;
    };
    static constexpr int64_t ChunkLines = 4;

    // Finds each face's kept pixels or makes an entry for them; false when
    // there is no memory for that.
    bool PlanFaces(Work &work);
    // Resamples the next chunk of lines; false when none is left.
    bool PullChunk(Work &work);
    // Waits until face f's pixels are made, resampling chunks meanwhile.
    void AwaitFace(Work &work, size_t f);
    // Draws the recorded steps in order.
    void Replay(Work &work);
    void DrawStep(Work &work, const Step &s);
    // Resamples the lines of the faces to make, counting each down in
    // linesLeft of its face.
    void ResampleLines(int64_t firstLine, int64_t lastLine, Work &work);
    void ResampleLine(const Face &f, int j, uint8_t *out, TFacePixels::LineSlots &written) const;
    void TurnedRow(const Face &f, int i, uint8_t *out) const;
    void DrawFace(const Face &f) const;
    void DrawFaceInPlace(const Face &f);
    // The sampler fields as the box-by-box drawing leaves them.
    void SettleSampler();
    TFaceKey KeyOf(const Face &f) const;

    TSettings &st;
    std::vector<Step> steps;
    std::vector<Face> faces;
    // The faces to resample and the first line of each among their lines.
    std::vector<size_t> toMake;
    std::vector<int64_t> lineBase;
    int64_t lineCount = 0;
};
