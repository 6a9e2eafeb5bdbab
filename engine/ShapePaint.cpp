#include "ShapePaint.h"
#include "ShapeRecord.h"

#include "BoxPainter.h"
#include "TDib.h"
#include "TSettings.h"

#include <algorithm>
#include <cstring>
#include <new>

using VlmImgUt::TDib;
using namespace SlantedFace;

TShapePaint::TShapePaint(TSettings &st) : st(st)
{
    // Without pictures there is nothing to resample: the boxes are drawn
    // at once.
    if (st.painter->paintBoxByBox || st.painter->shapeRecord || !st.useBoxImages)
        return;
    own = new (std::nothrow) TShapeRecord(st);
    st.painter->shapeRecord = own;
}

TShapePaint::~TShapePaint()
{
    if (!own)
        return;
    st.painter->shapeRecord = nullptr;
    own->Draw();
    delete own;
}

// ---- Kept faces ----------------------------------------------------------------

static_assert(sizeof(TFaceKey) == 2 * sizeof(void *) + 20 * 4, "TFaceKey has no padding");

size_t TFaceKeyHash::operator()(const TFaceKey &k) const
{
    // FNV-1a over the key's bytes.
    const auto *p = reinterpret_cast<const unsigned char *>(&k);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof k; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return size_t(h);
}

TFacePixels *TFaceStore::Find(const TFaceKey &key)
{
    const auto it = faces.find(key);
    if (it == faces.end() || !it->second.ready)
        return nullptr;
    it->second.lastUse = use;
    return &it->second;
}

TFacePixels *TFaceStore::Pending(const TFaceKey &key)
{
    const auto it = faces.find(key);
    return it != faces.end() && !it->second.ready && it->second.lastUse == use ? &it->second : nullptr;
}

TFacePixels &TFaceStore::Add(const TFaceKey &key)
{
    TFacePixels &f = faces[key];
    f.ready = false;
    f.lastUse = use;
    return f;
}

void TFaceStore::Forget(const TDib *picture)
{
    for (auto it = faces.begin(); it != faces.end();)
        it = it->first.picture == picture ? faces.erase(it) : std::next(it);
}

void TFaceStore::Begin(const TSettings &st)
{
    std::vector<float> now;
    for (const TSample &t : st.sampleOffset) {
        now.push_back(t.dx);
        now.push_back(t.dy);
    }
    now.insert(now.end(), st.sampleWeight, st.sampleWeight + 10);
    now.push_back(float(st.sampleThreshold));
    now.push_back(float(st.maxSamples));
    now.push_back(float(st.testAfter));
    if (now.size() != sampler.size() || std::memcmp(now.data(), sampler.data(), now.size() * sizeof(float)) != 0) {
        faces.clear();
        sampler = std::move(now);
    }
    ++use;
}

void TFaceStore::End()
{
    size_t bytes = 0;
    for (auto it = faces.begin(); it != faces.end();) {
        if (!it->second.ready) {
            it = faces.erase(it);
            continue;
        }
        bytes += it->second.pixels.size() + it->second.lineSlots.size() * sizeof(TFacePixels::LineSlots);
        ++it;
    }
    if (bytes <= Budget)
        return;
    for (auto it = faces.begin(); it != faces.end();)
        it = it->second.lastUse != use ? faces.erase(it) : std::next(it);
}

// ---- Recording ----------------------------------------------------------------

void TShapeRecord::Fill(const Gdi::POINT (&corners)[4], Gdi::DC &dc)
{
    Step s{};
    s.kind = Kind::Fill;
    std::copy(corners, corners + 4, s.corners);
    s.brushColor = dc.brush->color;
    s.brushNull = dc.brush->isNull;
    s.penStyle = dc.pen->style;
    s.penWidth = dc.pen->width;
    s.penColor = dc.pen->color;
    s.fillMode = dc.polyFillMode;
    steps.push_back(s);
}

void TShapeRecord::Copy(const TDib *fit, int x, int y, int s, int sx, int sy)
{
    Step step{};
    step.kind = Kind::Copy;
    step.picture = fit;
    step.x = x;
    step.y = y;
    step.s = s;
    step.sx = sx;
    step.sy = sy;
    steps.push_back(step);
}

void TShapeRecord::TurnedFront(const TDib *fit, int x, int y, int sx, int sy, int size, int rotation, int boxSize)
{
    if (boxSize <= 0)
        return;
    Step step{};
    step.kind = Kind::Face;
    step.face = faces.size();
    SlantMap m{false, float(x), float(y), float(boxSize), 0.0f, 0.0f, 0.0f, float(size), float(sx), float(sy), rotation};
    faces.push_back(Face{fit, m, 0, boxSize, boxSize, false, true, nullptr, 0});
    steps.push_back(step);
}

void TShapeRecord::Slanted(const TDib *fit, const SlantMap &m, int firstLine, int count, int boxSize, bool antiAlias)
{
    if (count <= 0 || boxSize <= 0)
        return;
    Step step{};
    step.kind = Kind::Face;
    step.face = faces.size();
    faces.push_back(Face{fit, m, firstLine, count, boxSize, antiAlias, false, nullptr, 0});
    steps.push_back(step);
}

void TShapeRecord::Outline(int mask, int x, int y, int s, int d, int e, COLORREF color, int width)
{
    Step step{};
    step.kind = Kind::Outline;
    step.mask = mask;
    step.x = x;
    step.y = y;
    step.s = s;
    step.d = d;
    step.e = e;
    step.penColor = color;
    step.penWidth = width;
    steps.push_back(step);
}

bool TShapeRecord::Reads(const TDib *picture) const
{
    for (const Face &f : faces)
        if (f.picture == picture)
            return true;
    for (const Step &s : steps)
        if (s.picture == picture)
            return true;
    return false;
}

void TShapeRecord::Refitting(const TDib *fit)
{
    if (Reads(fit))
        Draw();
}

// ---- Resampling off the render bitmap -------------------------------------------

TFaceKey TShapeRecord::KeyOf(const Face &f) const
{
    TFaceKey k;
    k.picture = f.picture;
    k.bits = f.picture->bits;
    k.pictureWidth = f.picture->width;
    k.pictureHeight = f.picture->height;
    k.pictureStride = f.picture->stride;
    k.firstLine = f.firstLine;
    k.count = f.count;
    k.boxSize = f.boxSize;
    k.bitmapWidth = st.renderBuffer->width;
    k.bitmapHeight = st.renderBuffer->height;
    const SlantMap &m = f.map;
    k.rotation = m.rotation;
    k.kind = f.front ? 2 : m.left ? 1 : 0;
    k.antiAlias = f.antiAlias;
    k.x = m.x;
    k.y = m.y;
    k.s = m.s;
    k.d = m.d;
    k.e = m.e;
    k.first = m.first;
    k.size = m.size;
    k.sx = m.sx;
    k.sy = m.sy;
    return k;
}

void TShapeRecord::ResampleLine(const Face &f, int j, uint8_t *out, TFacePixels::LineSlots &written) const
{
    std::fill(written.last, written.last + 9, -1);
    const int s = f.boxSize;
    std::memset(out, 0, size_t(s) * 4);
    const TDib *dst = st.renderBuffer;
    const int dw = dst->width, dh = dst->height;
    const SlantMap &m = f.map;
    if (f.front) {
        TurnedRow(f, j, out);
        return;
    }
    const int line = f.firstLine + j;
    if (line < 0 || line >= (m.left ? dw : dh))
        return;
    const int start = m.RunStart(line);
    // Only the pixels inside the bitmap.
    const int across = m.left ? dh : dw;
    const int i0 = std::max(0, -start), i1 = std::min(s, across - start);
    if (i0 >= i1)
        return;
    const PixelKernels::Picture pic = PictureOf(f.picture);
    if (!f.antiAlias) {
        for (int i = i0; i < i1; ++i) {
            uint8_t *o = out + 4 * i;
            o[3] = PlainPixel(m, pic, m.left ? line : start + i, m.left ? start + i : line, o);
        }
        return;
    }
    LocalSampler ls(st);
    const LineParts parts(m, ls, line);
    if (ls.StandardCourse()) {
        PixelKernels::SlantLine l;
        for (int k = 0; k < 9; ++k) {
            l.along[k] = parts.along[k];
            l.edge[k] = parts.slant[k];
            l.across[k] = m.left ? ls.sampleOffset[k].dy : ls.sampleOffset[k].dx;
        }
        l.boxSize = m.s;
        l.size = m.size;
        l.sx = m.sx;
        l.sy = m.sy;
        l.rotation = m.rotation;
        l.leftFace = m.left;
        PixelKernels::SamplerSetup setup;
        std::copy(ls.sampleWeight, ls.sampleWeight + 10, setup.weight);
        setup.threshold = ls.sampleThreshold;
        const int lastNine = PixelKernels::SupersampleRun(pic, l, setup, start + i0, i1 - i0, out + 4 * i0);
        std::fill(written.last, written.last + 4, i1 - 1);
        if (lastNine >= 0)
            std::fill(written.last + 4, written.last + 9, i0 + lastNine);
        return;
    }
    for (int i = i0; i < i1; ++i) {
        const int col = m.left ? line : start + i;
        const int row = m.left ? start + i : line;
        SupersampleStepwise(ls, m, parts, pic, col, row);
        uint8_t *o = out + 4 * i;
        o[0] = ClampByte(ls.sampleSum[2]);
        o[1] = ClampByte(ls.sampleSum[1]);
        o[2] = ClampByte(ls.sampleSum[0]);
        o[3] = 1;
        for (int k = 0; k < std::min(ls.sampleIndex, 9); ++k)
            written.last[k] = i;
    }
}

void TShapeRecord::TurnedRow(const Face &f, int i, uint8_t *out) const
{
    // BoxDrawing::TurnedFront for row i of the square.
    const TDib *dst = st.renderBuffer;
    const SlantMap &m = f.map;
    const int x = int(m.x), row = int(m.y) + i;
    if (row < 0 || row >= dst->height)
        return;
    const int v = FrontPosition(i, m.s, m.size);
    for (int j = 0; j < f.boxSize; ++j) {
        const int col = x + j;
        if (col < 0 || col >= dst->width)
            continue;
        if (const uint8_t *in = TurnedPixel(f.picture, int(m.sx), int(m.sy), int(m.size), m.rotation,
                                            FrontPosition(j, m.s, m.size), v)) {
            std::memcpy(out + 4 * j, in, 3);
            out[4 * j + 3] = 1;
        }
    }
}

void TShapeRecord::ResampleLines(int64_t firstLine, int64_t lastLine, Work &work)
{
    // The face holding the first line.
    size_t m = size_t(std::upper_bound(lineBase.begin(), lineBase.end(), firstLine) - lineBase.begin()) - 1;
    for (int64_t line = firstLine; line < lastLine; ++line) {
        while (line >= lineBase[m] + faces[toMake[m]].count)
            ++m;
        const Face &face = faces[toMake[m]];
        const int j = int(line - lineBase[m]);
        TFacePixels &out = *face.out;
        ResampleLine(face, j, out.pixels.data() + size_t(4) * size_t(j) * size_t(face.boxSize), out.lineSlots[size_t(j)]);
        if (work.linesLeft[toMake[m]].fetch_sub(1, std::memory_order_acq_rel) == 1) {
            // Taking the lock orders the wake-up after the drawing thread's
            // test.
            std::lock_guard<std::mutex> hold(work.lock);
            work.faceDone.notify_all();
        }
    }
}

void TShapeRecord::SettleSampler()
{
    // For each slot, the last pixel in drawing order that wrote it: the
    // face, the line and the pixel.
    struct Place {
        int face = -1, line = 0, pixel = 0;
    };
    Place lastOf[9];
    int open = 9;
    for (size_t f = faces.size(); f-- > 0 && open > 0;) {
        const Face &face = faces[f];
        if (!face.antiAlias || !face.out)
            continue;
        for (int j = face.count; j-- > 0 && open > 0;) {
            const TFacePixels::LineSlots &ls = face.out->lineSlots[size_t(j)];
            for (int k = 0; k < 9; ++k)
                if (lastOf[k].face < 0 && ls.last[k] >= 0) {
                    lastOf[k] = Place{int(f), j, ls.last[k]};
                    --open;
                }
        }
    }
    // Those pixels again, in drawing order, by the stepwise sampler: it
    // ends as the box-by-box drawing ends.
    auto before = [](const Place &a, const Place &b) {
        return a.face != b.face ? a.face < b.face : a.line != b.line ? a.line < b.line : a.pixel < b.pixel;
    };
    std::sort(lastOf, lastOf + 9, before);
    LocalSampler sampler(st);
    bool any = false;
    for (int k = 0; k < 9; ++k) {
        const Place &p = lastOf[k];
        if (p.face < 0 || (k > 0 && !before(lastOf[k - 1], p)))
            continue;
        const Face &face = faces[size_t(p.face)];
        const SlantMap &m = face.map;
        const int line = face.firstLine + p.line, start = m.RunStart(line);
        const LineParts parts(m, sampler, line);
        SupersampleStepwise(sampler, m, parts, PictureOf(face.picture), m.left ? line : start + p.pixel,
                            m.left ? start + p.pixel : line);
        any = true;
    }
    if (any)
        sampler.StoreInto(st);
}

// ---- Drawing ------------------------------------------------------------------------

void TShapeRecord::DrawFace(const Face &f) const
{
    TDib *dst = st.renderBuffer;
    const SlantMap &m = f.map;
    const int64_t stride = dst->stride;
    const uint8_t *in = f.out->pixels.data();
    for (int j = 0; j < f.count; ++j, in += 4 * f.boxSize) {
        // Down a column of the left face (rows are stored bottom-up), along
        // a row of the top face or of the front square.
        int col, row;
        if (f.front) {
            col = int(m.x);
            row = int(m.y) + j;
        } else {
            const int line = f.firstLine + j, start = m.RunStart(line);
            col = m.left ? line : start;
            row = m.left ? start : line;
        }
        int64_t at = (int64_t(dst->height) - 1 - row) * stride + 3 * int64_t(col);
        const int64_t step = m.left ? -stride : 3;
        for (int i = 0; i < f.boxSize; ++i, at += step) {
            const uint8_t *p = in + 4 * i;
            if (!p[3])
                continue;
            uint8_t *o = dst->bits + at;
            o[0] = p[0];
            o[1] = p[1];
            o[2] = p[2];
        }
    }
}

void TShapeRecord::DrawFaceInPlace(const Face &f)
{
    const SlantMap &m = f.map;
    if (f.front)
        BoxDrawing::TurnedFront(st.renderBuffer, f.picture, int(m.x), int(m.y), int(m.sx), int(m.sy), int(m.size),
                                m.rotation, f.boxSize);
    else
        BoxDrawing::Resample(st, st.renderBuffer, f.picture, m, f.firstLine, f.count, f.boxSize, f.antiAlias);
}

bool TShapeRecord::PlanFaces(Work &work)
{
    TFaceStore *&store = st.painter->pictures.store;
    try {
        if (!store)
            store = new TFaceStore;
        store->Begin(st);
        toMake.clear();
        lineBase.clear();
        lineCount = 0;
        work.linesLeft.reset(new std::atomic<int>[faces.size()]);
        // The face of this shape that makes each new entry: another face
        // with the same key waits for it.
        std::unordered_map<const TFacePixels *, size_t> maker;
        for (size_t f = 0; f < faces.size(); ++f) {
            Face &face = faces[f];
            const TFaceKey key = KeyOf(face);
            face.out = store->Find(key);
            face.madeBy = f;
            work.linesLeft[f].store(0, std::memory_order_relaxed);
            if (face.out)
                continue;
            if (TFacePixels *pending = store->Pending(key)) {
                face.out = pending;
                face.madeBy = maker.at(pending);
                continue;
            }
            TFacePixels &made = store->Add(key);
            maker[&made] = f;
            made.pixels.resize(size_t(face.count) * size_t(face.boxSize) * 4);
            made.lineSlots.resize(size_t(face.count));
            face.out = &made;
            work.linesLeft[f].store(face.count, std::memory_order_relaxed);
            toMake.push_back(f);
            lineBase.push_back(lineCount);
            lineCount += face.count;
            work.pixels += int64_t(face.count) * face.boxSize;
        }
    } catch (...) {
        work.linesLeft.reset();
        for (Face &face : faces)
            face.out = nullptr;
        return false;
    }
    work.chunks = (lineCount + ChunkLines - 1) / ChunkLines;
    return true;
}

bool TShapeRecord::PullChunk(Work &work)
{
    const int64_t c = work.nextChunk.fetch_add(1, std::memory_order_relaxed);
    if (c >= work.chunks)
        return false;
    ResampleLines(c * ChunkLines, std::min(lineCount, (c + 1) * ChunkLines), work);
    return true;
}

void TShapeRecord::AwaitFace(Work &work, size_t f)
{
    std::atomic<int> &left = work.linesLeft[faces[f].madeBy];
    while (left.load(std::memory_order_acquire) > 0) {
        if (PullChunk(work))
            continue;
        // Every chunk is taken: the pool finishes this face's last ones.
        std::unique_lock<std::mutex> hold(work.lock);
        work.faceDone.wait(hold, [&] { return left.load(std::memory_order_acquire) == 0; });
    }
}

void TShapeRecord::DrawStep(Work &work, const Step &s)
{
    TDib *rb = st.renderBuffer;
    Gdi::DC *dc = rb->dc;
    switch (s.kind) {
    case Kind::Fill: {
        Gdi::Brush brush(s.brushColor, s.brushNull);
        Gdi::Pen pen(s.penStyle, s.penWidth, s.penColor);
        Gdi::Brush *oldBrush = Gdi::SelectObject(dc, &brush);
        Gdi::Pen *oldPen = Gdi::SelectObject(dc, &pen);
        const int oldMode = Gdi::SetPolyFillMode(dc, s.fillMode);
        Gdi::Polygon(dc, s.corners, 4);
        Gdi::SetPolyFillMode(dc, oldMode);
        Gdi::SelectObject(dc, oldPen);
        Gdi::SelectObject(dc, oldBrush);
        break;
    }
    case Kind::Copy:
        Gdi::BitBlt(dc, s.x, s.y, s.s, s.s, s.picture->dc, s.sx, s.sy, Gdi::SRCCOPY);
        break;
    case Kind::Face:
        if (!work.linesLeft) {
            DrawFaceInPlace(faces[s.face]);
            break;
        }
        AwaitFace(work, s.face);
        DrawFace(faces[s.face]);
        break;
    case Kind::Outline:
        BoxDrawing::Outline(rb, s.mask, s.x, s.y, s.s, s.d, s.e, s.penColor, s.penWidth);
        break;
    }
}

void TShapeRecord::Replay(Work &work)
{
    for (const Step &s : steps)
        DrawStep(work, s);
}

void TShapeRecord::Draw()
{
    TDib *rb = st.renderBuffer;
    if (!rb || !rb->dc) {
        steps.clear();
        faces.clear();
        return;
    }
    // Each slanted face takes its kept pixels, or is resampled by the pool
    // in chunks of lines, in drawing order, while this thread draws the
    // recorded steps; a face not done yet when its turn comes is waited
    // for (this thread takes chunks meanwhile). Without the memory for
    // that, each face is resampled in place when its turn comes.
    Work work;
    if (!faces.empty() && HasPixels(rb) && PlanFaces(work)) {
        bool drawn = false;
        const int workers = int(std::min<int64_t>(PixelKernels::PoolThreads(), work.pixels / 4096 + 1));
        PixelKernels::RunWorkers(workers, [&](int w) {
            if (w != 0) {
                while (PullChunk(work)) {
                }
                return;
            }
            Replay(work);
            drawn = true;
        });
        // Faces whose lines all came out are kept.
        for (size_t f : toMake)
            faces[f].out->ready = work.linesLeft[f].load(std::memory_order_acquire) == 0;
        if (drawn)
            SettleSampler();
        st.painter->pictures.store->End();
    } else {
        Replay(work);
    }
    steps.clear();
    faces.clear();
    toMake.clear();
    lineBase.clear();
    lineCount = 0;
}
