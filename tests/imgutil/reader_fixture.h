// Shared by the tests of the readers whose files are written here byte by
// byte: a picture's pixel as red, green and blue, and the checks of a
// hostile size and of a reduced read.
#pragma once

#include "file_bytes.h"
#include "picture_files.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace ReaderTests {

// Picture pixel (x, y), y from the top.
inline Rgb RgbAt(const VlmImgUt::TDib &d, int x, int y)
{
    const uint8_t *p = pictures::PixelAt(d, x, y);
    return {p[2], p[1], p[0]};
}

class ReaderTest : public pictures::PictureTest {
protected:
    // A hostile file must fail before the picture is made: the record is
    // left 1 x 1, and under a memory cap the read fails cleanly too.
    void ExpectRefusedBeforeAllocation(const QByteArray &bytes, const QString &name, const char *what)
    {
        const QString path = Put(bytes, name);
        EXPECT_EQ(pictures::ReadUnderMemoryCap(*ctx, path), 0) << what;
        EXPECT_EQ(pictures::ReadUnderMemoryCap(*ctx, path, 100, 100), 0) << what << " with a box";
        EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false)) << what;
        ASSERT_NE(pic, nullptr) << what;
        EXPECT_EQ(pic->width, 1) << what;
        EXPECT_EQ(pic->height, 1) << what;
    }

    // A srcW x srcH file read into the box (0 x 0: none) must give a
    // wantW x wantH picture that keeps the file's size, each pixel the
    // file's pixel at the sampled column and row (source gives those, x and
    // y from the top), and an alpha plane only with alphaSource, likewise.
    void ExpectRead(const QByteArray &bytes, const QString &name, int srcW, int srcH, int boxW, int boxH,
                           int wantW, int wantH, const std::function<Rgb(int, int)> &source,
                           const std::function<int(int, int)> &alphaSource = {})
    {
        ASSERT_TRUE(Read(bytes, name, boxW, boxH));
        ASSERT_EQ(pic->width, wantW);
        ASSERT_EQ(pic->height, wantH);
        EXPECT_EQ(pic->srcWidth, srcW);
        EXPECT_EQ(pic->srcHeight, srcH);
        const VlmImgUt::TReduction r = VlmImgUt::TReduction::For(srcW, srcH, boxW, boxH);
        const auto cols = VlmImgUt::TReduction::Sample(srcW, r.width, r.stepX);
        const auto rows = VlmImgUt::TReduction::Sample(srcH, r.height, r.stepY);
        ASSERT_EQ(pic->alpha != nullptr, bool(alphaSource));
        for (int y = 0; y < wantH; ++y)
            for (int x = 0; x < wantW; ++x) {
                ASSERT_EQ(RgbAt(*pic, x, y), source(cols[size_t(x)], rows[size_t(y)])) << x << "," << y;
                if (alphaSource) {
                    ASSERT_EQ(pictures::AlphaAt(*pic, x, y), alphaSource(cols[size_t(x)], rows[size_t(y)]))
                        << x << "," << y;
                }
            }
    }
};

} // namespace ReaderTests
