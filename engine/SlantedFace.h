// The resampling of a face picture onto a slanted face, shared by the box
// painter and the whole-shape drawing: where each destination pixel and
// each sub-sample fall in the picture, and one pixel by the sampler of the
// settings record.
#pragma once

#include "PixelKernels.h"
#include "TDib.h"
#include "TSettings.h"

#include <algorithm>
#include <cstdint>

namespace SlantedFace {

inline bool HasPixels(const VlmImgUt::TDib *d)
{
    return d && d->bits && d->dc && d->width > 0 && d->height > 0;
}

inline PixelKernels::Picture PictureOf(const VlmImgUt::TDib *d)
{
    return PixelKernels::Picture{d->bits, d->width, d->height, d->stride};
}

using PixelKernels::TurnPosition;

// Mapping of a destination position (column, row) of a slanted face to a
// position in the picture block.
struct SlantMap {
    bool left;     // left face, else top face
    float x, y;    // front square corner
    float s;       // boxSize
    float d, e;    // sideDepth, topDepth
    float first;   // first column (left face) or first row (top face)
    float size;    // block size
    float sx, sy;  // block offset in the picture
    int rotation;

    // The part of the mapping that depends only on the position along the
    // face's lines (the column of the left face, the row of the top face):
    // the picture coordinate along the line and the face's slanted edge.
    void LinePart(float a, float &along, float &edge) const
    {
        if (left) {
            // The face's top edge at this column runs back by e per d.
            along = (a - first) * size / (d - 1.0f);
            edge = y - (x - a) * e / d;
        } else {
            along = (a - first) * size / (e - 1.0f);
            edge = x - (y - a) * d / e;
        }
    }

    // The rest, from the position across the lines (the row of the left
    // face, the column of the top face).
    void Finish(float across, float along, float edge, float &px, float &py) const
    {
        float h, v;
        if (left) {
            h = along;
            v = (across - edge) / s * size;
        } else {
            h = (across - edge) / s * size;
            v = along;
        }
        float X, Y;
        TurnPosition(h, v, size, rotation, X, Y);
        px = sx + X;
        py = sy + Y;
    }

    void Map(float col, float row, float &px, float &py) const
    {
        float along, edge;
        LinePart(left ? col : row, along, edge);
        Finish(left ? row : col, along, edge, px, py);
    }

    // First pixel of the run across a line: where the face's edge crosses
    // it, rounded.
    int RunStart(int line) const
    {
        const float edge = left ? y - (x - float(line)) * e / d : x - (y - float(line)) * d / e;
        return int(edge + 0.5f);
    }
};

// A sub-sample as TSample, with the channels stored in one piece.
struct LocalSample {
    alignas(16) int channel[4] = {0, 0, 0, 0};
    bool valid = false;
    bool unused = false;
    float dx = 0.0f;
    float dy = 0.0f;

    LocalSample() = default;
    explicit LocalSample(const TSample &t)
        : channel{t.channel[0], t.channel[1], t.channel[2], 0}, valid(t.valid), unused(t.unused), dx(t.dx), dy(t.dy)
    {
    }
    void StoreInto(TSample &t) const
    {
        t.channel[0] = channel[0];
        t.channel[1] = channel[1];
        t.channel[2] = channel[2];
        t.valid = valid;
        t.unused = unused;
        t.dx = dx;
        t.dy = dy;
    }
};

// The sampler fields of the settings record, copied in for the resampling
// of one face so that they stay out of the bitmaps' way, and copied back
// after it.
struct LocalSampler {
    LocalSample currentSample;
    LocalSample sampleOffset[9];
    float sampleWeight[10];
    int maxSamples, testAfter, sampleIndex, sampleSlot, validSamples, sampleThreshold;
    float sampleBaseX, sampleBaseY, sampleX, sampleY;
    int sampleSum[3];

    explicit LocalSampler(const TSettings &s)
        : currentSample(s.currentSample), maxSamples(s.maxSamples), testAfter(s.testAfter),
          sampleIndex(s.sampleIndex), sampleSlot(s.sampleSlot), validSamples(s.validSamples),
          sampleThreshold(s.sampleThreshold), sampleBaseX(s.sampleBaseX), sampleBaseY(s.sampleBaseY),
          sampleX(s.sampleX), sampleY(s.sampleY)
    {
        for (int k = 0; k < 9; ++k)
            sampleOffset[k] = LocalSample(s.sampleOffset[k]);
        std::copy(s.sampleWeight, s.sampleWeight + 10, sampleWeight);
        std::copy(s.sampleSum, s.sampleSum + 3, sampleSum);
    }

    void StoreInto(TSettings &s) const
    {
        currentSample.StoreInto(s.currentSample);
        for (int k = 0; k < 9; ++k)
            sampleOffset[k].StoreInto(s.sampleOffset[k]);
        s.sampleIndex = sampleIndex;
        s.sampleSlot = sampleSlot;
        s.validSamples = validSamples;
        s.sampleBaseX = sampleBaseX;
        s.sampleBaseY = sampleBaseY;
        s.sampleX = sampleX;
        s.sampleY = sampleY;
        std::copy(sampleSum, sampleSum + 3, s.sampleSum);
    }

    // The standard course (nine sub-samples at most, the test after four),
    // which PixelKernels::SupersamplePixel computes in one piece.
    bool StandardCourse() const { return std::min(std::max(maxSamples, 1), 9) == 9 && testAfter == 4; }
};

// Each sub-sample slot's picture coordinate along a line and the face's
// edge there; each slot keeps its offset, so both hold for the whole line.
struct LineParts {
    float along[9], slant[9];

    LineParts(const SlantMap &m, const LocalSampler &ls, int line)
    {
        for (int k = 0; k < 9; ++k)
            m.LinePart(float(line) + (m.left ? ls.sampleOffset[k].dx : ls.sampleOffset[k].dy), along[k], slant[k]);
    }
};

// One supersampled pixel by SuperSampleStep on the local sampler; the
// averaged sums end in ls.sampleSum (red, green, blue).
inline void SupersampleStepwise(LocalSampler &ls, const SlantMap &m, const LineParts &parts, const PixelKernels::Picture &src,
                                int col, int row)
{
    ls.sampleSum[0] = ls.sampleSum[1] = ls.sampleSum[2] = 0;
    ls.sampleIndex = ls.sampleSlot = ls.validSamples = 0;
    ls.sampleBaseX = float(col);
    ls.sampleBaseY = float(row);
    while (PixelKernels::SuperSampleStep(ls)) {
        float fx, fy;
        const int k = ls.sampleSlot;
        m.Finish(m.left ? ls.sampleY : ls.sampleX, parts.along[k], parts.slant[k], fx, fy);
        if (!PixelKernels::Blend(src, fx, fy, ls.currentSample.channel))
            ls.currentSample.valid = false;
    }
}

// The block position of pixel j of a front square of edge s showing a
// block of `size`.
inline int FrontPosition(int j, float s, float size)
{
    return int(float(j) / s * size + 0.5f);
}

// The pixel of src that the turned block at (sx, sy) shows at the block
// position (h, v); null where that lies outside src.
inline const uint8_t *TurnedPixel(const VlmImgUt::TDib *src, int sx, int sy, int size, int rotation, int h, int v)
{
    int X, Y;
    TurnPosition(h, v, size, rotation, X, Y);
    const int px = sx + X, py = sy + Y;
    if (px < 0 || px >= src->width || py < 0 || py >= src->height)
        return nullptr;
    return src->bits + int64_t(src->height - 1 - py) * src->stride + 3 * px;
}

// One pixel without supersampling: the blend at the pixel's own position
// into out; false (out unchanged) where that lies outside the picture.
inline bool PlainPixel(const SlantMap &m, const PixelKernels::Picture &src, int col, int row, uint8_t *out)
{
    float fx, fy;
    m.Map(float(col), float(row), fx, fy);
    alignas(16) int c[4];
    if (!PixelKernels::Blend(src, fx, fy, c))
        return false;
    out[0] = uint8_t(c[0]);
    out[1] = uint8_t(c[1]);
    out[2] = uint8_t(c[2]);
    return true;
}

inline uint8_t ClampByte(int v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

} // namespace SlantedFace
