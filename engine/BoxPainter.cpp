// The box painter: faces of one box into the render bitmap, face pictures
// (copied onto the front square, resampled onto the slanted faces with
// bilinear blending and the adaptive supersampler), the selection outline
// and fitting a picture into a rectangle.
#include "TSettings.h"

#include "PixelKernels.h"
#include "TDib.h"
#include "TImgUt.h"
#include "VlScale.h"

#include <QPoint>
#include <QRect>

#include <algorithm>


using VlmImgUt::TDib;

namespace {

// A colour of the settings as a brush or pen colour; the null colour
// resolves to black.
COLORREF PlainColor(Color c)
{
    return c == ColorNull ? COLORREF(0) : COLORREF(c) & 0xFFFFFFu;
}

bool HasPixels(const TDib *d)
{
    return d && d->bits && d->dc && d->width > 0 && d->height > 0;
}

// Position in the picture of the unrotated block position (h, v).
template <class T>
inline void RotatePosition(T h, T v, T size, int rotation, T &X, T &Y)
{
    switch (rotation) {
    case 90:
        X = v;
        Y = size - h;
        break;
    case 180:
        X = size - h;
        Y = size - v;
        break;
    case 270:
        X = size - v;
        Y = h;
        break;
    default:
        X = h;
        Y = v;
        break;
    }
}

inline int ClampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Bilinear blend of the picture at (fx, fy) (PixelKernels::Blend).
inline bool Blend(const TDib *src, float fx, float fy, int out[4])
{
    return PixelKernels::Blend(PixelKernels::Picture{src->bits, src->width, src->height, src->stride}, fx, fy, out);
}

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
        RotatePosition(h, v, size, rotation, X, Y);
        px = sx + X;
        py = sy + Y;
    }

    void Map(float col, float row, float &px, float &py) const
    {
        float along, edge;
        LinePart(left ? col : row, along, edge);
        Finish(left ? row : col, along, edge, px, py);
    }
};

} // namespace

namespace {

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
};

} // namespace

bool TSettings::SuperSampleStep()
{
    return PixelKernels::SuperSampleStep(*this);
}

namespace {

// Resamples the block onto the pixels of one slanted face: `count` lines
// from `firstLine` (columns of the left face, rows of the top face), each
// boxSize pixels long from where the face's slanted edge crosses it.
void ResampleFace(TSettings &st, TDib *dst, const TDib *src, const SlantMap &m, int firstLine, int count,
                  bool byColumn)
{
    const int s = st.boxSize;
    const int dw = dst->width, dh = dst->height;
    LocalSampler ls(st);
    for (int j = 0; j < count; ++j) {
        const int line = firstLine + j;
        // Start of the pixel run across this line.
        float edge;
        if (byColumn)
            edge = m.y - (m.x - float(line)) * m.e / m.d;
        else
            edge = m.x - (m.y - float(line)) * m.d / m.e;
        const int start = int(edge + 0.5f);
        if (byColumn ? (line < 0 || line >= dw) : (line < 0 || line >= dh))
            continue;
        // Each sub-sample slot keeps its offset, so its position along the
        // line is the same on the whole line.
        float along[9], slant[9];
        if (st.antiAlias)
            for (int k = 0; k < 9; ++k)
                m.LinePart(float(line) + (byColumn ? ls.sampleOffset[k].dx : ls.sampleOffset[k].dy), along[k],
                           slant[k]);
        for (int i = 0; i < s; ++i) {
            const int col = byColumn ? line : start + i;
            const int row = byColumn ? start + i : line;
            if (col < 0 || col >= dw || row < 0 || row >= dh)
                continue;
            uint8_t *px = dst->bits + int64_t(dh - 1 - row) * dst->stride + 3 * col;
            if (!st.antiAlias) {
                float fx, fy;
                m.Map(float(col), float(row), fx, fy);
                alignas(16) int c[4];
                if (Blend(src, fx, fy, c)) {
                    px[0] = uint8_t(c[0]);
                    px[1] = uint8_t(c[1]);
                    px[2] = uint8_t(c[2]);
                }
                continue;
            }
            ls.sampleSum[0] = ls.sampleSum[1] = ls.sampleSum[2] = 0;
            ls.sampleIndex = ls.sampleSlot = ls.validSamples = 0;
            ls.sampleBaseX = float(col);
            ls.sampleBaseY = float(row);
            while (PixelKernels::SuperSampleStep(ls)) {
                float fx, fy;
                const int k = ls.sampleSlot;
                m.Finish(byColumn ? ls.sampleY : ls.sampleX, along[k], slant[k], fx, fy);
                if (!Blend(src, fx, fy, ls.currentSample.channel))
                    ls.currentSample.valid = false;
            }
            px[0] = uint8_t(ClampByte(ls.sampleSum[2]));
            px[1] = uint8_t(ClampByte(ls.sampleSum[1]));
            px[2] = uint8_t(ClampByte(ls.sampleSum[0]));
        }
    }
    if (st.antiAlias)
        ls.StoreInto(st);
}

} // namespace

void TSettings::BlitFrontImage(TDib *src, int x, int y, int sx, int sy, int size, int rotation)
{
    TDib *dst = renderBuffer;
    if (!HasPixels(src) || !HasPixels(dst))
        return;
    const int s = boxSize;
    if (s <= 0)
        return;
    const float fs = float(s), fsize = float(size);
    const int pw = src->width, ph = src->height;
    for (int i = 0; i < s; ++i) {
        const int row = y + i;
        if (row < 0 || row >= dst->height)
            continue;
        const int v = int(float(i) / fs * fsize + 0.5f);
        uint8_t *out = dst->bits + int64_t(dst->height - 1 - row) * dst->stride;
        for (int j = 0; j < s; ++j) {
            const int col = x + j;
            if (col < 0 || col >= dst->width)
                continue;
            const int h = int(float(j) / fs * fsize + 0.5f);
            int X, Y;
            RotatePosition(h, v, size, rotation, X, Y);
            const int px = sx + X, py = sy + Y;
            if (px < 0 || px >= pw || py < 0 || py >= ph)
                continue;
            const uint8_t *in = src->bits + int64_t(ph - 1 - py) * src->stride + 3 * px;
            uint8_t *o = out + 3 * col;
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
        }
    }
}

void TSettings::BlitLeftImage(TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation)
{
    TDib *dst = renderBuffer;
    if (sideDepth < 2 || !corners || !HasPixels(src) || !HasPixels(dst) || boxSize <= 0)
        return;
    const int x = corners[0].x(), y = corners[0].y();
    SlantMap m{true, float(x), float(y), float(boxSize), float(sideDepth), float(topDepth),
               float(x - sideDepth + 1), float(size), float(sx), float(sy), rotation};
    ResampleFace(*this, dst, src, m, x - sideDepth + 1, sideDepth - 1, true);
}

void TSettings::BlitTopImage(TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation)
{
    TDib *dst = renderBuffer;
    if (topDepth < 5 || !corners || !HasPixels(src) || !HasPixels(dst) || boxSize <= 0)
        return;
    const int x = corners[0].x(), y = corners[0].y();
    SlantMap m{false, float(x), float(y), float(boxSize), float(sideDepth), float(topDepth),
               float(y - topDepth + 1), float(size), float(sx), float(sy), rotation};
    ResampleFace(*this, dst, src, m, y - topDepth + 1, topDepth - 1, false);
}

void TSettings::PaintBox(int mask, int n, int level, float fx, float fy)
{
    TDib *rb = renderBuffer;
    if (!rb || !rb->dc)
        return;
    const TBoxRec b = scratchBox;
    const int s = boxSize, d = sideDepth, e = topDepth;
    const int x = b.x, y = b.y;
    auto validFace = [](int f) { return f >= 0 && f <= 5; };

    struct Face {
        int bit;
        int number;
        QPoint corner[4];
        int rotation;
    };
    const bool turnable = validFace(b.front) && validFace(b.left) && validFace(b.top);
    const Face faces[3] = {
        {4, b.front, {QPoint(x, y), QPoint(x + s, y), QPoint(x + s, y + s), QPoint(x, y + s)},
         turnable ? imageRotation[b.front][b.left] : 0},
        {2, b.left, {QPoint(x, y), QPoint(x - d, y - e), QPoint(x - d, y - e + s), QPoint(x, y + s)},
         turnable ? imageRotation[b.left][5 - b.front] : 0},
        {1, b.top, {QPoint(x, y), QPoint(x - d, y - e), QPoint(x + s - d, y - e), QPoint(x + s, y)},
         turnable ? imageRotation[b.top][b.left] : 0},
    };

    for (const Face &face : faces) {
        if (!(mask & face.bit) || !validFace(face.number))
            continue;
        const int f = face.number;
        if (useBoxColors)
            rb->SetBrush(PlainColor(faceColor[f]));
        Gdi::POINT pts[4];
        for (int k = 0; k < 4; ++k)
            pts[k] = {face.corner[k].x(), face.corner[k].y()};
        Gdi::SetPolyFillMode(rb->dc, Gdi::WINDING);
        Gdi::Polygon(rb->dc, pts, 4);

        if (!useBoxImages)
            continue;
        // The picture, read once per file name: a failed read is not tried
        // again until the name changes.
        if (!faceImage[f] && imgUt && faceImageFailed[f] != faceImageFile[f]) {
            if (!imgUt->ReadImageFile(faceImageFile[f], &faceImage[f], 0, 0, false)) {
                ReleaseDib(faceImage[f]);
                faceImageFailed[f] = faceImageFile[f];
            }
        }
        if (!HasPixels(faceImage[f]))
            continue;  // the face keeps its fill colour

        bool fresh = false;
        if (!faceImageFit[f]) {
            faceImageFit[f] = new TDib;
            fresh = true;
        }
        const int S = spanImages ? n * s : s;
        if (S <= 0 || s <= 0)
            continue;
        TDib *fit = faceImageFit[f];
        if (fresh || fit->width != S || fit->height != S || !fit->bits) {
            if (!fit->Create(S, S))
                continue;
            fit->SetBrush(rb->dc->brush->color);
            Gdi::PatBlt(fit->dc, 0, 0, S, S, Gdi::PATCOPY);
            QRect r(0, 0, S, S);
            PutImage(fit, faceImage[f], r, tileImages, borderImages);
        }

        const int rotation = rotateImages ? face.rotation : 0;
        int sx = 0, sy = 0;
        if (spanImages) {
            int p, q;
            switch (face.bit) {
            case 4:
                p = int(float(S) * fx);
                q = (level - 1) * s;
                break;
            case 2:
                p = int(float(S) * fy);
                q = (level - 1) * s;
                break;
            default:
                p = int(float(S) * fx);
                q = int(float(S) * fy);
                break;
            }
            switch (rotation) {
            case 90:
                sx = q;
                sy = S - p - s;
                break;
            case 180:
                sx = S - s - p;
                sy = S - s - q;
                break;
            case 270:
                sx = S - s - q;
                sy = p;
                break;
            default:
                sx = p;
                sy = q;
                break;
            }
        }

        switch (face.bit) {
        case 4:
            if (rotation == 0)
                Gdi::BitBlt(rb->dc, x, y, s, s, fit->dc, sx, sy, Gdi::SRCCOPY);
            else
                BlitFrontImage(fit, x, y, sx, sy, s, rotation);
            break;
        case 2:
            BlitLeftImage(fit, face.corner, sx, sy, s, rotation);
            break;
        default:
            BlitTopImage(fit, face.corner, sx, sy, s, rotation);
            break;
        }
    }
    rb->SetBrush(0);
}

void TSettings::OutlineBox(int mask)
{
    TDib *rb = renderBuffer;
    if (!rb || !rb->dc)
        return;
    const TBoxRec &b = scratchBox;
    const int x = b.x, y = b.y, s = boxSize, d = sideDepth, e = topDepth;
    Gdi::HPEN pen = Gdi::CreatePen(Gdi::PS_SOLID, 2 * VlLineFactor, PlainColor(selectColor));
    Gdi::HPEN old = Gdi::SelectObject(rb->dc, pen);
    auto closed = [rb](const int (&p)[8]) {
        Gdi::MoveToEx(rb->dc, p[0], p[1], nullptr);
        Gdi::LineTo(rb->dc, p[2], p[3]);
        Gdi::LineTo(rb->dc, p[4], p[5]);
        Gdi::LineTo(rb->dc, p[6], p[7]);
        Gdi::LineTo(rb->dc, p[0], p[1]);
    };
    if (mask & 4)
        closed({x + 1, y + 1, x + s, y + 1, x + s, y + s, x + 1, y + s});
    if (mask & 2)
        closed({x, y, x - d, y - e, x - d, y - e + s, x, y + s});
    if (mask & 1)
        closed({x, y, x - d, y - e, x + s - d, y - e, x + s, y});
    if (old)
        Gdi::SelectObject(rb->dc, old);
    Gdi::DeleteObject(pen);
}

void TSettings::PutImage(TDib *dst, TDib *src, QRect &r, bool tile, bool border)
{
    if (!dst || !src)
        return;
    int W = r.width(), H = r.height();
    if (border) {
        const int m = std::min(std::max(int(float(W) * 0.05f * 0.5f), 4), 20);
        r.adjust(m, m, -m, -m);
        W = r.width();
        H = r.height();
    }
    // A rectangle that a border has used up, or an empty one, takes nothing
    // (a negative size would mirror the stretch).
    if (W <= 0 || H <= 0 || !HasPixels(dst) || !HasPixels(src))
        return;
    const int left = r.left(), top = r.top();
    const int pw = src->width, ph = src->height;
    int w = pw, h = ph;
    const bool scaled = pw > W || ph > H;
    if (scaled) {
        const float a = float(pw) / float(ph);
        if (a >= float(W) / float(H)) {
            w = W;
            h = int(float(W) / a + 0.5f);
        } else {
            w = int(float(H) * a + 0.5f);
            h = H;
        }
        // An extreme aspect ratio never gives a picture (or a tile) of 0.
        w = std::max(w, 1);
        h = std::max(h, 1);
    }

    if (!tile) {
        const int x = left + (W - w) / 2, y = top + (H - h) / 2;
        if (scaled) {
            if (Gdi::GetStretchBltMode(dst->dc) != Gdi::HALFTONE)
                Gdi::SetStretchBltMode(dst->dc, Gdi::HALFTONE);
            Gdi::StretchBlt(dst->dc, x, y, w, h, src->dc, 0, 0, pw, ph, Gdi::SRCCOPY);
        } else {
            Gdi::BitBlt(dst->dc, x, y, w, h, src->dc, 0, 0, Gdi::SRCCOPY);
        }
        return;
    }

    TDib *tileSrc = src;
    TDib *temp = nullptr;
    if (scaled) {
        temp = new TDib;
        if (!temp->Create(w, h)) {
            ReleaseDib(temp);
            return;
        }
        Gdi::SetStretchBltMode(temp->dc, Gdi::HALFTONE);
        Gdi::StretchBlt(temp->dc, 0, 0, w, h, src->dc, 0, 0, pw, ph, Gdi::SRCCOPY);
        tileSrc = temp;
    }

    // The pattern is centred: the first column and row show the part of a
    // tile that ends where the centred tiles begin.
    int ox, firstW, oy, firstH;
    if (w < W) {
        ox = w - (W % w) / 2;
        firstW = w - ox;
    } else {
        ox = (w - W) / 2;
        firstW = w - ox;
    }
    if (h < H) {
        oy = h - (H % h) / 2;
        firstH = (H % h) / 2;
    } else {
        oy = (h - H) / 2;
        firstH = H;
    }
    const int right = left + W, bottom = top + H;
    int ty = top, srcY = oy, rowH = firstH;
    while (ty < bottom) {
        const int ch = std::min(rowH, bottom - ty);
        if (ch > 0) {
            int tx = left, srcX = ox, colW = firstW;
            while (tx < right) {
                const int cw = std::min(colW, right - tx);
                if (cw > 0)
                    Gdi::BitBlt(dst->dc, tx, ty, cw, ch, tileSrc->dc, srcX, srcY, Gdi::SRCCOPY);
                tx += colW;
                srcX = 0;
                colW = w;
            }
        }
        ty += rowH;
        srcY = 0;
        rowH = h;
    }
    ReleaseDib(temp);
}
