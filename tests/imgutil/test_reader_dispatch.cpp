// Each picture format through ReadImageFile by its extension, header-only
// mode included.
#include "picture_files.h"
#include "reader_fixture.h"

#include <QFile>

#include <vector>

using namespace VlmImgUt;
using namespace pictures;

namespace {

class ReaderDispatch : public PictureTest {};

TEST_F(ReaderDispatch, FormatsByExtension)
{
    JpegSpec j;
    j.width = 10;
    j.height = 8;
    PngSpec p;
    p.width = 10;
    p.height = 8;
    TiffSpec t;
    t.width = 10;
    t.height = 8;
    const QByteArray jpeg = WriteJpeg(j), png = WritePng(p), tiff = WriteTiff(t);
    struct Case { const char *name; QByteArray bytes; bool ok; } cases[] = {
        {"a.jpg", jpeg, true}, {"b.JPEG", jpeg, true}, {"c.png", png, true}, {"d.Png", png, true},
        {"e.tif", tiff, true}, {"f.tiff", tiff, true}, {"g.dng", tiff, true},
        {"h.png", jpeg, false}, {"i.jpg", tiff, false}, {"j.tif", png, false}, {"k.dng", jpeg, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (bool headerOnly : {false, true}) {
            EXPECT_EQ(Read(c.bytes, c.name, 0, 0, headerOnly), c.ok);
            if (!c.ok)
                continue;
            // JPEG and PNG honour header-only mode: the record stays 1 x 1
            // with its source size unset. TIFF reads the picture anyway.
            const bool fresh = headerOnly && c.bytes != tiff;
            EXPECT_EQ(pic->width, fresh ? 1 : 10);
            EXPECT_EQ(pic->height, fresh ? 1 : 8);
            EXPECT_EQ(pic->srcWidth, fresh ? 1 : 10);
        }
    }
}

// A width x height picture of `bytes` bytes a pixel after header, the
// rows left as a hole (zeros) but for the marks: (x, y from the top, grey
// value). Only what is written takes disk space.
QString SparsePicture(const QString &path, const QByteArray &header, int bytes, int64_t width, int64_t height,
                      const std::vector<std::array<int64_t, 3>> &marks)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(header) != header.size() ||
        !f.resize(header.size() + width * height * bytes))
        return QString();
    for (const auto &m : marks) {
        const QByteArray v(bytes, char(m[2]));
        if (!f.seek(header.size() + (m[1] * width + m[0]) * bytes) || f.write(v) != v.size())
            return QString();
    }
    return path;
}

TEST_F(ReaderDispatch, PicturesOverTheCapReadIntoABox)
{
    // 20000 x 15000 is more than the record may hold; the readers that
    // reduce while they read make the 100 x 75 picture of it, one file row
    // in memory, and refuse it only at full size.
    using ReaderTests::PutBE16;
    using ReaderTests::PutBE32;
    using ReaderTests::PutLE16;
    constexpr int W = 20000, H = 15000;
    const TReduction r = TReduction::For(W, H, 100, 100);
    ASSERT_EQ(r.width, 100);
    ASSERT_EQ(r.height, 75);
    const auto cols = TReduction::Sample(W, r.width, r.stepX);
    const auto rows = TReduction::Sample(H, r.height, r.stepY);
    const std::vector<std::array<int64_t, 3>> marks = {{0, 0, 50}, {cols[99], rows[74], 200}, {cols[40], rows[30], 120}};

    QByteArray pnm = "P5\n20000 15000\n255\n";
    QByteArray sun;
    for (uint32_t v : {0x59A66A95u, uint32_t(W), uint32_t(H), 8u, uint32_t(W * H), 1u, 0u, 0u})
        PutBE32(sun, v);
    QByteArray tga(12, '\0');
    tga[2] = 2; // true colour, raw
    PutLE16(tga, W);
    PutLE16(tga, H);
    tga.append(char(24)).append(char(0x20)); // top row first
    QByteArray psd = "8BPS";
    PutBE16(psd, 1);
    psd.append(6, '\0');
    PutBE16(psd, 1); // one grey channel
    PutBE32(psd, H);
    PutBE32(psd, W);
    PutBE16(psd, 8);
    PutBE16(psd, 1);
    for (int i = 0; i < 3; ++i)
        PutBE32(psd, 0); // colour data, resources, layers
    PutBE16(psd, 0);     // raw
    struct Case { const char *name; QByteArray header; int bytes; } cases[] = {
        {"big.ppm", pnm, 1}, {"big.ras", sun, 1}, {"big.tga", tga, 3}, {"big.psd", psd, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = SparsePicture(tmp.path() + "/" + c.name, c.header, c.bytes, W, H, marks);
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, 100, 100), 1);
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 100, 100, false));
        ASSERT_EQ(pic->width, 100);
        ASSERT_EQ(pic->height, 75);
        EXPECT_EQ(pic->srcWidth, W);
        EXPECT_EQ(pic->srcHeight, H);
        const std::array<int, 3> at[] = {{0, 0, 50}, {99, 74, 200}, {40, 30, 120}, {1, 1, 0}};
        for (const auto &a : at)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(PixelAt(*pic, a[0], a[1])[k], a[2]) << a[0] << "," << a[1];
        EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        QFile::remove(path);
    }
}

} // namespace
