#include "picture_files.h"

#include "memory_cap.h"

#include <cstdlib>

using namespace VlmImgUt;

namespace pictures {

// ---- reading ----

void PictureTest::SetUp()
{
    ASSERT_TRUE(tmp.isValid());
    ctx = std::make_unique<TImgUt>("Vellamor\\quibo", TRegStore::InFolder(tmp.path() + "/reg"));
    ctx->optsDirty = false;
}

void PictureTest::TearDown()
{
    delete pic;
    pic = nullptr;
    if (ctx)
        ctx->optsDirty = false;
}

QString PictureTest::Put(const QByteArray &bytes, const QString &name)
{
    const QString path = tmp.path() + "/" + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path;
}

bool PictureTest::Read(const QByteArray &bytes, const QString &name, int maxW, int maxH, bool headerOnly)
{
    return ctx->ReadImageFile(Put(bytes, name), &pic, maxW, maxH, headerOnly);
}

const uint8_t *PixelAt(const TDib &d, int x, int y)
{
    return d.bits + int64_t(d.height - 1 - y) * d.stride + 3 * x;
}

uint8_t AlphaAt(const TDib &d, int x, int y)
{
    return d.alpha[int64_t(d.height - 1 - y) * d.width + x];
}

int Mismatches(const TDib &d, const Rgba &ref, const std::vector<int32_t> &cols, const std::vector<int32_t> &rows,
               bool withAlpha, int tol)
{
    int bad = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const uint8_t *p = PixelAt(d, x, y);
            const uint8_t *q = ref.At(cols[size_t(x)], rows[size_t(y)]);
            bool same = std::abs(p[0] - q[2]) <= tol && std::abs(p[1] - q[1]) <= tol && std::abs(p[2] - q[0]) <= tol;
            if (withAlpha)
                same = same && d.alpha && AlphaAt(d, x, y) == q[3];
            bad += !same;
        }
    return bad;
}

int Mismatches(const TDib &d, const Rgba &ref, bool withAlpha, int tol)
{
    if (d.width != ref.width || d.height != ref.height)
        return -1;
    std::vector<int32_t> cols(size_t(ref.width)), rows(size_t(ref.height));
    for (int i = 0; i < ref.width; ++i)
        cols[size_t(i)] = i;
    for (int i = 0; i < ref.height; ++i)
        rows[size_t(i)] = i;
    return Mismatches(d, ref, cols, rows, withAlpha, tol);
}

int ReadUnderMemoryCap(TImgUt &ctx, const QString &path, int maxW, int maxH, int cpuSeconds)
{
    return testutil::RunUnderMemoryCap(
        size_t(64) << 20,
        [&] {
            TDib *p = nullptr;
            return ctx.ReadImageFile(path, &p, maxW, maxH, false) ? 1 : 0;
        },
        cpuSeconds);
}

} // namespace pictures
