// A grey-level mask: levels taken from a picture, and a drawing that copies
// a source picture onto a destination only where the level reaches the
// threshold.
#pragma once

#include <cstdint>

namespace VlmImgUt {

class TDib;

class TGrayMask {
public:
    // A 1 x 1 mask, threshold 128, contrast 100.
    TGrayMask();
    ~TGrayMask();
    TGrayMask(const TGrayMask &) = delete;
    TGrayMask &operator=(const TGrayMask &) = delete;

    // Drops the cached mask; with freeLevels also the levels.
    void Reset(bool freeLevels);
    // Drops mask and levels and stores the size; false for a size below 1
    // or when no memory is left for the levels.
    bool Resize(int32_t w, int32_t h);
    // Levels from picture (resized to its size): channel 1 red, 2 green,
    // 3 blue, any other the average; every channel through the contrast
    // first unless contrastPercent is 100; inverted on request. Sets mean.
    bool Build(const TDib *picture, bool invert, uint8_t contrastPercent, int32_t channel);
    // Stretches levels (w x h; null or an empty size: the mask's own) to
    // newWidth x newHeight and builds the mask from them.
    bool ScaleLevels(int32_t newWidth, int32_t newHeight, const uint8_t *levels, int32_t w, int32_t h);
    // Copies mean and levels of other.
    bool CopyFrom(const TGrayMask *other);
    // Copies source onto destination at (x, y), clipped to the destination,
    // except where the level (through contrast unless it is 100) lies below
    // threshold. The mask is made on the first Draw and kept until Reset or
    // Resize: after changing levels or threshold, Reset before drawing.
    void Draw(const TDib *source, TDib *destination, int32_t x, int32_t y);

    int32_t width = 1;
    int32_t height = 1;
    int32_t mean = 0;
    uint8_t *level = nullptr;     // width * height, rows bottom-up as in TDib
    uint8_t threshold = 128;
    uint8_t contrast = 100;
    uint8_t *maskBitmap = nullptr; // cached mask, one byte a pixel: 1 keeps the destination
};

} // namespace VlmImgUt
