#include "TImgUt.h"
#include "TDib.h"
#include "RegularFile.h"

#include <algorithm>

namespace VlmImgUt {

namespace {

using Reader = bool (*)(TImgUt &, const QString &, int32_t, int32_t);

template <int Code>
bool ReadJasperCode(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    return ReadJasper(ctx, path, Code, maxWidth, maxHeight);
}

// Reader of each code; an unknown code has none and fails cleanly.
Reader ReaderFor(int code)
{
    switch (code) {
    case 1:
        return ReadBmp;
    case 2:
        return ReadJpeg;
    case 3:
    case 11:
        return ReadTiff;
    case 4:
        return ReadPng;
    case 5:
        return ReadJasperCode<5>;
    case 7:
        return ReadJasperCode<7>;
    case 8:
        return ReadJasperCode<8>;
    case 9:
        return ReadJasperCode<9>;
    case 6:
        return ReadTga;
    case 10:
        return ReadPsd;
    default:
        return nullptr;
    }
}

// Clamps a float position to 0..last before it becomes an integer.
int32_t Position(float sum, int64_t last)
{
    const float p = sum + 0.5f;
    if (!(p < float(last)))
        return int32_t(last);
    return p < 0.0f ? 0 : int32_t(p);
}

} // namespace

TReduction TReduction::For(int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight)
{
    TReduction r;
    r.width = int32_t(width);
    r.height = int32_t(height);
    if (maxWidth <= 0 || maxHeight <= 0 || width <= maxWidth || height <= maxHeight)
        return r;
    const float ratio = float(width) / float(height);
    if (ratio >= float(maxWidth) / float(maxHeight)) {
        r.width = maxWidth;
        r.height = int32_t(float(maxWidth) / ratio + 0.5f);
    } else {
        r.height = maxHeight;
        r.width = int32_t(float(maxHeight) * ratio + 0.5f);
    }
    // A very long, thin picture never becomes 0 pixels wide or high.
    if (r.width < 1)
        r.width = 1;
    if (r.height < 1)
        r.height = 1;
    r.reduced = true;
    r.stepX = std::max(1.0f, float(width) / float(r.width));
    r.stepY = std::max(1.0f, float(height) / float(r.height));
    return r;
}

TReduction::Walk::Walk(int64_t srcCount, float step_) : last(std::max<int64_t>(srcCount - 1, 0)), step(step_) {}

int32_t TReduction::Walk::Next()
{
    // A step of 1 counts exactly, also past the 2^24 a float sum can hold.
    if (step == 1.0f)
        return int32_t(std::min(k++, last));
    const int32_t p = Position(sum, last);
    sum += step;
    return p;
}

std::vector<int32_t> TReduction::Sample(int64_t srcCount, int32_t dstCount, float step)
{
    std::vector<int32_t> pos(size_t(std::max<int32_t>(dstCount, 0)));
    Walk walk(srcCount, step);
    for (int32_t &p : pos)
        p = walk.Next();
    return pos;
}

QString TImgUt::FileExtension(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.mid(dot) : QString();
}

bool TImgUt::ReadImageFile(const QString &path, TDib **picture, int32_t maxWidth, int32_t maxHeight,
                           bool headerOnlyArg)
{
    if (!picture)
        return false;
    delete *picture;
    *picture = nullptr;
    headerOnly = headerOnlyArg;
    budget.Begin();
    // Only a regular file is a picture: a folder, a FIFO or a device named
    // like one fails here, before any reader could wait on it.
    if (!FileExists(path) || !RegularFile::IsRegular(path) || budget.Stopped())
        return false;

    *picture = new TDib;

    const int code = ReaderCode(FileExtension(path));

    readTarget = *picture;
    if (code == 0)
        return ReadVideoFrame(*this, path);
    const Reader reader = ReaderFor(code);
    return reader ? reader(*this, path, maxWidth, maxHeight) : false;
}

} // namespace VlmImgUt
