// The picture record: sizes, header, resolution, extras and copies.
#include "TDib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using VlmImgUt::TDib;

namespace {

uint8_t *Block(const char *text, size_t n)
{
    auto *p = static_cast<uint8_t *>(std::malloc(n));
    std::memcpy(p, text, n);
    return p;
}

// Brush, pen, font, alpha and all five blocks, as a reader would leave them.
void AddExtras(TDib &d)
{
    d.SetBrush(0x112233);
    d.SetPen(0x445566, 3);
    d.font = Gdi::CreateFontW(-13, 0, 0, 0, Gdi::FW_BOLD, 0, 0, 0, 1, 0, 0, 0, 0, u"Sans");
    Gdi::SelectObject(d.dc, d.font);
    d.alpha = static_cast<uint8_t *>(std::malloc(size_t(d.width) * d.height));
    std::memset(d.alpha, 7, size_t(d.width) * d.height);
    d.icc = Block("icc", 3);
    d.iccSize = 3;
    d.photoshop = Block("8BIM", 4);
    d.photoshopSize = 4;
    d.xmp = Block("<x/>", 4);
    d.xmpSize = 4;
    d.exif = Block("II*\0", 4);
    d.exifSize = 4;
    d.comment = Block("hello", 5);
    d.commentSize = 5;
    d.flag1 = 1;
    d.flag2 = 2;
    d.tag = 3;
}

void ExpectNoExtras(const TDib &d)
{
    EXPECT_EQ(d.brush, nullptr);
    EXPECT_EQ(d.pen, nullptr);
    EXPECT_EQ(d.font, nullptr);
    EXPECT_EQ(d.alpha, nullptr);
    EXPECT_EQ(d.icc, nullptr);
    EXPECT_EQ(d.photoshop, nullptr);
    EXPECT_EQ(d.xmp, nullptr);
    EXPECT_EQ(d.exif, nullptr);
    EXPECT_EQ(d.comment, nullptr);
    EXPECT_EQ(d.flag1, 0);
    EXPECT_EQ(d.flag2, 0);
    EXPECT_EQ(d.tag, 0);
}

void Paint(TDib &d, int x, int y, uint8_t b, uint8_t g, uint8_t r)
{
    uint8_t *p = d.bits + (d.height - 1 - y) * d.stride + 3 * x;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

} // namespace

TEST(TDib, NewRecordIsOnePixelAt72Dpi)
{
    TDib d;
    EXPECT_EQ(d.width, 1);
    EXPECT_EQ(d.height, 1);
    EXPECT_EQ(d.stride, 4);
    EXPECT_EQ(d.dpiX, 72);
    EXPECT_EQ(d.dpiY, 72);
    EXPECT_EQ(d.srcWidth, 1);
    EXPECT_EQ(d.srcHeight, 1);
    ASSERT_NE(d.dc, nullptr);
    ASSERT_NE(d.bitmap, nullptr);
    ASSERT_NE(d.bits, nullptr);
    EXPECT_EQ(d.dc->bitmap, d.bitmap);
    EXPECT_EQ(d.bitmap->bits, d.bits);
    EXPECT_EQ(Gdi::GetStretchBltMode(d.dc), Gdi::HALFTONE);
    ExpectNoExtras(d);
    EXPECT_EQ(d.bits[0] | d.bits[1] | d.bits[2], 0);
}

TEST(TDib, CreateSizesStrideAndHeader)
{
    struct Case {
        int w, h, stride;
    };
    const Case cases[] = {{5, 3, 16}, {4, 2, 12}, {1, 7, 4}, {2, 1, 8}, {3, 3, 12}, {1000, 2, 3000}};
    for (const Case &c : cases) {
        TDib d;
        ASSERT_TRUE(d.Create(c.w, c.h));
        EXPECT_EQ(d.stride, c.stride) << c.w;
        const Gdi::BITMAPINFOHEADER &h = d.info.bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, c.w);
        EXPECT_EQ(h.biHeight, c.h);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, Gdi::BI_RGB);
        EXPECT_EQ(h.biSizeImage, uint32_t(c.stride * c.h));
        EXPECT_EQ(h.biXPelsPerMeter, 0);
        EXPECT_EQ(h.biYPelsPerMeter, 0);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(h.biClrImportant, 0u);
        EXPECT_EQ(d.info.bmiColors[0].rgbBlue | d.info.bmiColors[0].rgbGreen | d.info.bmiColors[0].rgbRed |
                      d.info.bmiColors[0].rgbReserved,
                  0);
        EXPECT_EQ(d.srcWidth, c.w);
        EXPECT_EQ(d.srcHeight, c.h);
        EXPECT_EQ(d.bitmap->width, c.w);
        EXPECT_EQ(d.bitmap->height, c.h);
        EXPECT_EQ(d.bitmap->stride, c.stride);
    }
}

TEST(TDib, CreateResolution)
{
    struct Case {
        int dx, dy, wantX, wantY;
    };
    const Case cases[] = {{300, 0, 300, 0}, {0, 300, 72, 72}, {0, 0, 72, 72}, {150, 96, 150, 96}};
    for (const Case &c : cases) {
        TDib d;
        ASSERT_TRUE(d.Create(2, 2, c.dx, c.dy));
        EXPECT_EQ(d.dpiX, c.wantX);
        EXPECT_EQ(d.dpiY, c.wantY);
    }
}

TEST(TDib, CreateStartsZeroFilledAndKeepsContext)
{
    TDib d;
    ASSERT_TRUE(d.Create(3, 2));
    Gdi::DC *dc = d.dc;
    std::memset(d.bits, 0xAB, size_t(d.stride) * d.height);
    ASSERT_TRUE(d.Create(5, 4));
    EXPECT_EQ(d.dc, dc);
    for (int i = 0; i < d.stride * d.height; ++i)
        ASSERT_EQ(d.bits[i], 0);
}

TEST(TDib, CreateKeepsMetadataBrushPenAndFont)
{
    TDib d;
    ASSERT_TRUE(d.Create(4, 4));
    AddExtras(d);
    Gdi::Brush *brush = d.brush;
    Gdi::Pen *pen = d.pen;
    ASSERT_TRUE(d.Create(4, 4, 300, 300));
    EXPECT_EQ(d.brush, brush);
    EXPECT_EQ(d.pen, pen);
    EXPECT_NE(d.font, nullptr);
    EXPECT_NE(d.alpha, nullptr);  // same size: still describes the pixels
    ASSERT_TRUE(d.Create(8, 2));
    EXPECT_EQ(d.brush, brush);
    EXPECT_EQ(d.dc->brush, brush);
    EXPECT_EQ(d.dc->pen, pen);
    EXPECT_EQ(d.iccSize, 3u);
    EXPECT_EQ(std::memcmp(d.comment, "hello", 5), 0);
    EXPECT_EQ(d.exifSize, 4u);
    EXPECT_EQ(d.tag, 3);
    // An alpha plane of the old size would be read past its end.
    EXPECT_EQ(d.alpha, nullptr);
}

TEST(TDib, CreateRefusesBadSizes)
{
    struct Case {
        int32_t w, h;
    };
    const Case cases[] = {{0, 5}, {5, 0}, {-1, 3}, {3, -7}, {16385, 16384}, {INT32_MAX, 1}, {1, INT32_MAX},
                          {INT32_MAX, INT32_MAX}};
    for (const Case &c : cases) {
        TDib d;
        ASSERT_TRUE(d.Create(6, 5));
        EXPECT_FALSE(d.Create(c.w, c.h)) << c.w << "x" << c.h;
        EXPECT_EQ(d.bits, nullptr);
        EXPECT_EQ(d.bitmap, nullptr);
        EXPECT_NE(d.dc, nullptr);
        EXPECT_EQ(d.width, c.w);
        EXPECT_EQ(d.height, c.h);
        EXPECT_EQ(d.srcWidth, 6);  // the old values stay
        EXPECT_EQ(d.srcHeight, 5);
        // Drawing into the record now does nothing and does not crash.
        EXPECT_FALSE(Gdi::PatBlt(d.dc, 0, 0, 10, 10, Gdi::PATCOPY));
        // It can be made usable again.
        EXPECT_TRUE(d.Create(2, 2));
        EXPECT_NE(d.bits, nullptr);
    }
    TDib big;
    EXPECT_TRUE(big.Create(16384, 16384));  // exactly at the cap
}

TEST(TDib, FreeExtrasAndFree)
{
    TDib d;
    ASSERT_TRUE(d.Create(3, 3));
    AddExtras(d);
    d.FreeExtras();
    ExpectNoExtras(d);
    EXPECT_EQ(d.iccSize, 0u);
    EXPECT_NE(d.bits, nullptr);
    EXPECT_EQ(d.dc->brush, Gdi::GetStockObject(Gdi::WHITE_BRUSH));
    EXPECT_EQ(d.dc->pen, Gdi::GetStockObject(Gdi::BLACK_PEN));

    AddExtras(d);
    d.Free();
    ExpectNoExtras(d);
    EXPECT_EQ(d.dc, nullptr);
    EXPECT_EQ(d.bitmap, nullptr);
    EXPECT_EQ(d.bits, nullptr);
    // A later Create makes a new context and bitmap.
    ASSERT_TRUE(d.Create(2, 2));
    EXPECT_NE(d.dc, nullptr);
    EXPECT_NE(d.bits, nullptr);
    d.Free();
    d.Free();  // twice is harmless
}

TEST(TDib, SetBrushAndPenReplaceAndSelect)
{
    TDib d;
    ASSERT_TRUE(d.Create(2, 1));
    d.SetBrush(0x0000FF);
    d.SetBrush(0x00FF00);
    EXPECT_EQ(d.brushColor, 0x00FF00u);
    EXPECT_EQ(d.dc->brush, d.brush);
    Gdi::PatBlt(d.dc, 0, 0, 2, 1, Gdi::PATCOPY);
    EXPECT_EQ(d.bits[0], 0);
    EXPECT_EQ(d.bits[1], 255);
    EXPECT_EQ(d.bits[2], 0);
    d.SetPen(0xFF0000, 1);
    d.SetPen(0x0000FF, 2);
    EXPECT_EQ(d.penColor, 0x0000FFu);
    EXPECT_EQ(d.penWidth, 2);
    EXPECT_EQ(d.dc->pen, d.pen);
    EXPECT_EQ(d.pen->width, 2);
}

TEST(TDib, CopyFromSameSizeKeepsBitmapAndResolution)
{
    TDib src, dst;
    ASSERT_TRUE(src.Create(4, 3, 300, 200));
    Paint(src, 1, 2, 10, 20, 30);
    src.srcWidth = 40;
    src.srcHeight = 30;
    ASSERT_TRUE(dst.Create(4, 3, 96, 96));
    Gdi::Bitmap *own = dst.bitmap;
    ASSERT_TRUE(dst.CopyFrom(&src));
    EXPECT_EQ(dst.bitmap, own);
    EXPECT_EQ(dst.dpiX, 96);
    EXPECT_EQ(dst.dpiY, 96);
    EXPECT_EQ(dst.srcWidth, 40);
    EXPECT_EQ(dst.srcHeight, 30);
    EXPECT_EQ(std::memcmp(dst.bits, src.bits, size_t(src.stride) * src.height), 0);
}

TEST(TDib, CopyFromOtherSizeTakesSizeHeaderAndResolution)
{
    TDib src, dst;
    ASSERT_TRUE(src.Create(5, 2, 300, 0));
    Paint(src, 4, 0, 1, 2, 3);
    ASSERT_TRUE(dst.Create(9, 9));
    ASSERT_TRUE(dst.CopyFrom(&src));
    EXPECT_EQ(dst.width, 5);
    EXPECT_EQ(dst.height, 2);
    EXPECT_EQ(dst.stride, 16);
    EXPECT_EQ(std::memcmp(&dst.info, &src.info, sizeof dst.info), 0);
    EXPECT_EQ(dst.dpiX, 300);
    EXPECT_EQ(dst.dpiY, 0);
    EXPECT_EQ(dst.bitmap->width, 5);
    EXPECT_EQ(std::memcmp(dst.bits, src.bits, size_t(src.stride) * src.height), 0);
    EXPECT_EQ(Gdi::GetStretchBltMode(dst.dc), Gdi::HALFTONE);
}

TEST(TDib, CopyFromCopiesExtrasAsNewObjects)
{
    TDib src, dst;
    ASSERT_TRUE(src.Create(3, 2));
    AddExtras(src);
    Gdi::SetTextColor(src.dc, 0x010203);
    Gdi::SetBkColor(src.dc, 0x040506);
    Gdi::SetBkMode(src.dc, Gdi::TRANSPARENT);
    ASSERT_TRUE(dst.CopyFrom(&src));
    ASSERT_NE(dst.brush, nullptr);
    EXPECT_NE(dst.brush, src.brush);
    EXPECT_EQ(dst.brushColor, 0x112233u);
    EXPECT_EQ(dst.dc->brush, dst.brush);
    ASSERT_NE(dst.pen, nullptr);
    EXPECT_NE(dst.pen, src.pen);
    EXPECT_EQ(dst.penColor, 0x445566u);
    EXPECT_EQ(dst.penWidth, 3);
    ASSERT_NE(dst.font, nullptr);
    EXPECT_NE(dst.font, src.font);
    EXPECT_EQ(dst.font->logFont.lfHeight, -13);
    EXPECT_EQ(dst.dc->font, dst.font);
    EXPECT_EQ(Gdi::GetTextColor(dst.dc), 0x010203u);
    EXPECT_EQ(Gdi::GetBkColor(dst.dc), 0x040506u);
    EXPECT_EQ(Gdi::GetBkMode(dst.dc), Gdi::TRANSPARENT);
    ASSERT_NE(dst.alpha, nullptr);
    EXPECT_NE(dst.alpha, src.alpha);
    EXPECT_EQ(dst.alpha[5], 7);
    ASSERT_NE(dst.xmp, nullptr);
    EXPECT_NE(dst.xmp, src.xmp);
    EXPECT_EQ(dst.xmpSize, 4u);
    EXPECT_EQ(std::memcmp(dst.photoshop, "8BIM", 4), 0);
    EXPECT_EQ(dst.flag1, 1);
    EXPECT_EQ(dst.flag2, 2);
    EXPECT_EQ(dst.tag, 3);
}

TEST(TDib, CopyFromCommentWithoutExif)
{
    TDib src, dst;
    src.comment = Block("note", 4);
    src.commentSize = 4;
    dst.exif = Block("MM\0*", 4);
    dst.exifSize = 4;
    ASSERT_TRUE(dst.CopyFrom(&src));
    ASSERT_NE(dst.comment, nullptr);
    EXPECT_EQ(dst.commentSize, 4u);
    EXPECT_EQ(std::memcmp(dst.comment, "note", 4), 0);
    EXPECT_EQ(dst.exif, nullptr);
}

TEST(TDib, CopyFromPlainSourceDropsDestinationExtras)
{
    TDib src, dst;
    ASSERT_TRUE(dst.Create(2, 2));
    AddExtras(dst);
    ASSERT_TRUE(dst.CopyFrom(&src));
    ExpectNoExtras(dst);
    EXPECT_EQ(dst.dc->brush, Gdi::GetStockObject(Gdi::WHITE_BRUSH));
}

TEST(TDib, CopyFromItselfChangesNothing)
{
    TDib d;
    ASSERT_TRUE(d.Create(3, 3, 200, 100));
    AddExtras(d);
    Paint(d, 0, 0, 9, 8, 7);
    Gdi::Bitmap *bmp = d.bitmap;
    Gdi::Brush *brush = d.brush;
    EXPECT_TRUE(d.CopyFrom(&d));
    EXPECT_EQ(d.bitmap, bmp);
    EXPECT_EQ(d.brush, brush);
    EXPECT_EQ(d.iccSize, 3u);
    EXPECT_EQ(std::memcmp(d.icc, "icc", 3), 0);
    EXPECT_NE(d.alpha, nullptr);
    EXPECT_EQ(d.tag, 3);
    EXPECT_EQ(d.bits[2 * d.stride], 9);
}

TEST(TDib, CopyFromUnusableSourceFails)
{
    TDib broken;
    EXPECT_FALSE(broken.Create(0, 0));
    TDib dst;
    AddExtras(dst);
    // Nothing to copy: the destination is left as it was.
    EXPECT_FALSE(dst.CopyFrom(&broken));
    EXPECT_NE(dst.bits, nullptr);
    EXPECT_EQ(dst.width, 1);
    EXPECT_EQ(dst.iccSize, 3u);
    EXPECT_NE(dst.brush, nullptr);
    EXPECT_FALSE(dst.CopyFrom(nullptr));

    TDib freed;
    freed.Free();
    TDib other;
    EXPECT_FALSE(other.CopyFrom(&freed));
}

TEST(TDib, DrawingGoesToTheRecordsPixels)
{
    TDib d;
    ASSERT_TRUE(d.Create(4, 4));
    d.SetBrush(0x0000FF);
    d.SetPen(0x00FF00, 1);
    Gdi::SetPolyFillMode(d.dc, Gdi::WINDING);
    const Gdi::POINT sq[] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
    Gdi::Polygon(d.dc, sq, 4);
    // (1, 1) is inside: red; (3, 3) is on the outline: green; rows bottom-up.
    const uint8_t *inner = d.bits + (d.height - 1 - 1) * d.stride + 3;
    EXPECT_EQ(inner[2], 255);
    EXPECT_EQ(inner[1], 0);
    const uint8_t *corner = d.bits + (d.height - 1 - 3) * d.stride + 9;
    EXPECT_EQ(corner[1], 255);
    EXPECT_EQ(corner[2], 0);
}
