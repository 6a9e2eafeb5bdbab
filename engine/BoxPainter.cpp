// The box painter: faces of one box into the render bitmap, face pictures
// (copied onto the front square, resampled onto the slanted faces with
// bilinear blending and the adaptive supersampler), the selection outline
// and fitting a picture into a rectangle.
#include "BoxPainter.h"
#include "TSettings.h"

#include "PixelKernels.h"
#include "ShapeRecord.h"
#include "SlantedFace.h"
#include "TDib.h"
#include "TImgUt.h"
#include "VlScale.h"

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstring>
#include <vector>

using VlmImgUt::TDib;
using namespace SlantedFace;

bool TSettings::SuperSampleStep()
{
    return PixelKernels::SuperSampleStep(*this);
}

void BoxDrawing::Resample(TSettings &st, TDib *dst, const TDib *src, const SlantMap &m, int firstLine, int count,
                          int boxSize, bool antiAlias)
{
    const int s = boxSize;
    const int dw = dst->width, dh = dst->height;
    const PixelKernels::Picture pic = PictureOf(src);
    LocalSampler ls(st);
    for (int j = 0; j < count; ++j) {
        const int line = firstLine + j;
        // Start of the pixel run across this line.
        const int start = m.RunStart(line);
        if (m.left ? (line < 0 || line >= dw) : (line < 0 || line >= dh))
            continue;
        const LineParts parts(m, ls, line);
        for (int i = 0; i < s; ++i) {
            const int col = m.left ? line : start + i;
            const int row = m.left ? start + i : line;
            if (col < 0 || col >= dw || row < 0 || row >= dh)
                continue;
            uint8_t *px = dst->bits + int64_t(dh - 1 - row) * dst->stride + 3 * col;
            if (!antiAlias) {
                PlainPixel(m, pic, col, row, px);
                continue;
            }
            SupersampleStepwise(ls, m, parts, pic, col, row);
            px[0] = ClampByte(ls.sampleSum[2]);
            px[1] = ClampByte(ls.sampleSum[1]);
            px[2] = ClampByte(ls.sampleSum[0]);
        }
    }
    if (antiAlias)
        ls.StoreInto(st);
}

void BoxDrawing::TurnedFront(TDib *dst, const TDib *src, int x, int y, int sx, int sy, int size, int rotation,
                             int boxSize)
{
    if (!HasPixels(src) || !HasPixels(dst))
        return;
    const int s = boxSize;
    if (s <= 0)
        return;
    const float fs = float(s), fsize = float(size);
    // The block position of each column and row of the square (the same
    // for both).
    std::vector<int> at(static_cast<size_t>(s));
    for (int j = 0; j < s; ++j)
        at[size_t(j)] = FrontPosition(j, fs, fsize);
    for (int i = 0; i < s; ++i) {
        const int row = y + i;
        if (row < 0 || row >= dst->height)
            continue;
        uint8_t *out = dst->bits + int64_t(dst->height - 1 - row) * dst->stride;
        for (int j = 0; j < s; ++j) {
            const int col = x + j;
            if (col < 0 || col >= dst->width)
                continue;
            if (const uint8_t *in = TurnedPixel(src, sx, sy, size, rotation, at[size_t(j)], at[size_t(i)]))
                std::memcpy(out + 3 * col, in, 3);
        }
    }
}

namespace {

// The box-by-box drawing: each step at once into the render bitmap.
class TDrawAtOnce final : public TPaintTarget {
public:
    explicit TDrawAtOnce(TSettings &st) : st(st) {}

    void Fill(const Gdi::POINT (&corners)[4], Gdi::DC &dc) override { Gdi::Polygon(&dc, corners, 4); }
    void Copy(const TDib *fit, int x, int y, int s, int sx, int sy) override
    {
        Gdi::BitBlt(st.renderBuffer->dc, x, y, s, s, fit->dc, sx, sy, Gdi::SRCCOPY);
    }
    void TurnedFront(const TDib *fit, int x, int y, int sx, int sy, int size, int rotation, int boxSize) override
    {
        BoxDrawing::TurnedFront(st.renderBuffer, fit, x, y, sx, sy, size, rotation, boxSize);
    }
    void Slanted(const TDib *fit, const SlantMap &m, int firstLine, int count, int boxSize, bool antiAlias) override
    {
        BoxDrawing::Resample(st, st.renderBuffer, fit, m, firstLine, count, boxSize, antiAlias);
    }
    void Outline(int mask, int x, int y, int s, int d, int e, COLORREF color, int width) override
    {
        BoxDrawing::Outline(st.renderBuffer, mask, x, y, s, d, e, color, width);
    }
    void Refitting(const TDib *) override {}

private:
    TSettings &st;
};

// Where the painter's steps go: the shape's record while one is drawn,
// else straight into the render bitmap.
struct Target {
    explicit Target(TSettings &st)
        : direct(st), to(st.painter->shapeRecord ? static_cast<TPaintTarget &>(*st.painter->shapeRecord)
                                                 : static_cast<TPaintTarget &>(direct))
    {
    }
    TDrawAtOnce direct;
    TPaintTarget &to;
};

// The slanted face's mapping and lines, or false when the face takes no
// picture.
bool SlantedSetup(const TSettings &st, const TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation,
                  bool left, SlantMap &m, int &firstLine, int &count)
{
    const TDib *dst = st.renderBuffer;
    const int depth = left ? st.sideDepth : st.topDepth;
    // The top face needs more depth than the left one.
    if (depth < (left ? 2 : 5) || !corners || !HasPixels(src) || !HasPixels(dst) || st.boxSize <= 0)
        return false;
    const int x = corners[0].x(), y = corners[0].y();
    firstLine = (left ? x : y) - depth + 1;
    count = depth - 1;
    m = SlantMap{left, float(x), float(y), float(st.boxSize), float(st.sideDepth), float(st.topDepth),
                 float(firstLine), float(size), float(sx), float(sy), rotation};
    return true;
}

void DrawSlanted(TSettings &st, TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation, bool left)
{
    SlantMap m;
    int firstLine, count;
    if (SlantedSetup(st, src, corners, sx, sy, size, rotation, left, m, firstLine, count))
        Target(st).to.Slanted(src, m, firstLine, count, st.boxSize, st.antiAlias);
}

// One face of a box: its mask bit, face number, corners in drawing order
// and picture rotation.
struct BoxFace {
    int bit;
    int number;
    QPoint corner[4];
    int rotation;
};

bool ValidFace(int f)
{
    return f >= 0 && f <= 5;
}

// The front, left and top faces of box b.
void FacesOf(const TSettings &st, const TBoxRec &b, BoxFace (&faces)[3])
{
    const int s = st.boxSize, d = st.sideDepth, e = st.topDepth;
    const int x = b.x, y = b.y;
    const bool turnable = ValidFace(b.front) && ValidFace(b.left) && ValidFace(b.top);
    faces[0] = {4, b.front, {QPoint(x, y), QPoint(x + s, y), QPoint(x + s, y + s), QPoint(x, y + s)},
                turnable ? st.imageRotation[b.front][b.left] : 0};
    faces[1] = {2, b.left, {QPoint(x, y), QPoint(x - d, y - e), QPoint(x - d, y - e + s), QPoint(x, y + s)},
                turnable ? st.imageRotation[b.left][5 - b.front] : 0};
    faces[2] = {1, b.top, {QPoint(x, y), QPoint(x - d, y - e), QPoint(x + s - d, y - e), QPoint(x + s, y)},
                turnable ? st.imageRotation[b.top][b.left] : 0};
}

// Fills the face in the render bitmap's brush, first set to the face
// colour when box colours are on.
void FillFace(TSettings &st, TPaintTarget &target, const BoxFace &face)
{
    TDib *rb = st.renderBuffer;
    if (st.useBoxColors)
        rb->SetBrush(PlainColor(st.faceColor[face.number]));
    Gdi::POINT pts[4];
    for (int k = 0; k < 4; ++k)
        pts[k] = {face.corner[k].x(), face.corner[k].y()};
    Gdi::SetPolyFillMode(rb->dc, Gdi::WINDING);
    target.Fill(pts, *rb->dc);
}

// The picture of face f fitted to S x S, read and fitted when needed; null
// when the face keeps its fill colour. A large picture read from a file is
// not kept once fitted: the fitted copy serves while its size stays the
// same, and the file is read again when it must be fitted anew.
TDib *FittedPicture(TSettings &st, TPaintTarget &target, int f, int S)
{
    TFacePictures &pictures = st.painter->pictures;
    TDib *fit = st.faceImageFit[f];
    const bool fitted = fit && fit->bits && fit->width == S && fit->height == S;
    const bool fromFile = !st.faceImageFile[f].isEmpty() && pictures.dropped[f] == st.faceImageFile[f];
    if ((!fitted || !fromFile || st.faceImage[f]) && !pictures.Read(st, f, st.imgUt))
        return nullptr;
    bool fresh = false;
    if (!fit) {
        fit = st.faceImageFit[f] = new TDib;
        fresh = true;
    }
    if (S <= 0 || st.boxSize <= 0)
        return nullptr;
    if (fresh || fit->width != S || fit->height != S || !fit->bits) {
        // What was recorded with the old fitted picture is drawn first,
        // and faces resampled from it are not kept.
        target.Refitting(fit);
        if (pictures.store)
            pictures.store->Forget(fit);
        if (!pictures.Refit(st, f, S, st.renderBuffer->dc->brush->color))
            return nullptr;
    }
    pictures.Drop(st, f);
    return fit;
}

// Where the box's block lies in a picture of edge S spanned over the whole
// side: the box's place (fx, fy, level) turned with the picture.
void SpanOffset(int bit, int rotation, int S, int s, int level, float fx, float fy, int &sx, int &sy)
{
    const int p = int(float(S) * (bit == 2 ? fy : fx));
    const int q = bit == 1 ? int(float(S) * fy) : (level - 1) * s;
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

// The fitted picture's block at (sx, sy) onto the face.
void DrawFacePicture(TSettings &st, TPaintTarget &target, const BoxFace &face, TDib *fit, int sx, int sy,
                     int rotation)
{
    const int s = st.boxSize;
    const int x = face.corner[0].x(), y = face.corner[0].y();
    switch (face.bit) {
    case 4:
        if (rotation == 0)
            target.Copy(fit, x, y, s, sx, sy);
        else
            st.BlitFrontImage(fit, x, y, sx, sy, s, rotation);
        break;
    case 2:
        st.BlitLeftImage(fit, face.corner, sx, sy, s, rotation);
        break;
    default:
        st.BlitTopImage(fit, face.corner, sx, sy, s, rotation);
        break;
    }
}

} // namespace

void TSettings::BlitFrontImage(TDib *src, int x, int y, int sx, int sy, int size, int rotation)
{
    Target(*this).to.TurnedFront(src, x, y, sx, sy, size, rotation, boxSize);
}

void TSettings::BlitLeftImage(TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation)
{
    DrawSlanted(*this, src, corners, sx, sy, size, rotation, true);
}

void TSettings::BlitTopImage(TDib *src, const QPoint *corners, int sx, int sy, int size, int rotation)
{
    DrawSlanted(*this, src, corners, sx, sy, size, rotation, false);
}

void TSettings::PaintBox(int mask, int n, int level, float fx, float fy)
{
    TDib *rb = renderBuffer;
    if (!rb || !rb->dc)
        return;
    Target target(*this);
    BoxFace faces[3];
    FacesOf(*this, scratchBox, faces);
    const int S = TFacePictures::FitSize(*this, n);
    for (const BoxFace &face : faces) {
        if (!(mask & face.bit) || !ValidFace(face.number))
            continue;
        FillFace(*this, target.to, face);
        if (!useBoxImages)
            continue;
        TDib *fit = FittedPicture(*this, target.to, face.number, S);
        if (!fit)
            continue;  // the face keeps its fill colour
        const int rotation = rotateImages ? face.rotation : 0;
        int sx = 0, sy = 0;
        if (spanImages)
            SpanOffset(face.bit, rotation, S, boxSize, level, fx, fy, sx, sy);
        DrawFacePicture(*this, target.to, face, fit, sx, sy, rotation);
    }
    rb->SetBrush(0);
}

void BoxDrawing::Outline(TDib *dst, int mask, int x, int y, int s, int d, int e, COLORREF color, int width)
{
    Gdi::HPEN pen = Gdi::CreatePen(Gdi::PS_SOLID, width, color);
    Gdi::HPEN old = Gdi::SelectObject(dst->dc, pen);
    auto closed = [dst](const int (&p)[8]) {
        Gdi::MoveToEx(dst->dc, p[0], p[1], nullptr);
        Gdi::LineTo(dst->dc, p[2], p[3]);
        Gdi::LineTo(dst->dc, p[4], p[5]);
        Gdi::LineTo(dst->dc, p[6], p[7]);
        Gdi::LineTo(dst->dc, p[0], p[1]);
    };
    if (mask & 4)
        closed({x + 1, y + 1, x + s, y + 1, x + s, y + s, x + 1, y + s});
    if (mask & 2)
        closed({x, y, x - d, y - e, x - d, y - e + s, x, y + s});
    if (mask & 1)
        closed({x, y, x - d, y - e, x + s - d, y - e, x + s, y});
    if (old)
        Gdi::SelectObject(dst->dc, old);
    Gdi::DeleteObject(pen);
}

void TSettings::OutlineBox(int mask)
{
    TDib *rb = renderBuffer;
    if (!rb || !rb->dc)
        return;
    const TBoxRec &b = scratchBox;
    Target(*this).to.Outline(mask, b.x, b.y, boxSize, sideDepth, topDepth, PlainColor(selectColor), 2 * VlLineFactor);
}

bool BoxPainter::DrawnSize(int pw, int ph, int W, int H, int &w, int &h)
{
    w = pw;
    h = ph;
    if (pw <= W && ph <= H)
        return false;
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
    return true;
}

namespace {

// Tiles W x H of dst at r's corner with the w x h picture src, centred:
// the first column and row show the part of a tile that ends where the
// centred tiles begin; tiles are clipped at r's right and bottom edges.
void DrawTiles(TDib *dst, const TDib *src, const QRect &r, int w, int h)
{
    const int left = r.left(), top = r.top(), W = r.width(), H = r.height();
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
                    Gdi::BitBlt(dst->dc, tx, ty, cw, ch, src->dc, srcX, srcY, Gdi::SRCCOPY);
                tx += colW;
                srcX = 0;
                colW = w;
            }
        }
        ty += rowH;
        srcY = 0;
        rowH = h;
    }
}

} // namespace

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
    int w, h;
    const bool scaled = BoxPainter::DrawnSize(pw, ph, W, H, w, h);

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
            VlmImgUt::ReleaseDib(temp);
            return;
        }
        Gdi::SetStretchBltMode(temp->dc, Gdi::HALFTONE);
        Gdi::StretchBlt(temp->dc, 0, 0, w, h, src->dc, 0, 0, pw, ph, Gdi::SRCCOPY);
        tileSrc = temp;
    }

    DrawTiles(dst, tileSrc, r, w, h);
    VlmImgUt::ReleaseDib(temp);
}
