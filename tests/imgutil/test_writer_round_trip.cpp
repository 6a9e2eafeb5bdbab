// Every writer read back by the library's own readers: the part, the
// pixels (lossy formats within a bound), the resolution and the metadata
// blocks where both the writer and the reader carry them.
#include "writer_fixture.h"

#include <QByteArray>
#include <QColorSpace>

using namespace VlmImgUt;

namespace {

struct RoundTrip {
    const char *ext;
    int maxError;     // 0: exact
    bool dpi;         // the resolution comes back
    bool icc;         // the profile comes back
    bool exifBytes;   // the EXIF block comes back as it was written
    bool exifRebuilt; // the reader builds its own block from the file
    bool padded;      // blocks come back with the format's pad to an even size
};

const RoundTrip Trips[] = {
    {"bmp", 0, true, false, false, false, false},
    {"jpg", 24, true, true, true, false, false},
    {"jpeg", 24, true, true, true, false, false},
    {"tif", 0, true, true, false, true, false},
    {"tiff", 0, true, true, false, true, false},
    {"dng", 24, true, true, false, true, false},
    {"png", 0, false, true, false, false, false},
    {"psd", 0, true, true, true, false, true},
    {"tga", 0, false, false, false, false, false},
    {"ppm", 0, false, false, false, false, false},
    {"ras", 0, false, false, false, false, false},
    {"j2k", 0, false, false, false, false, false},
    {"jp2", 0, false, false, false, false, false},
    {"jpc", 0, false, false, false, false, false},
};

// A little-endian EXIF block: Make in the first directory and a user
// comment in the EXIF directory.
QByteArray Exif()
{
    return QByteArray("II*\0\x08\0\0\0"
                      "\x02\0"
                      "\x0F\x01\x02\0\x04\0\0\0Cam\0"
                      "\x69\x87\x04\0\x01\0\0\0\x26\0\0\0"
                      "\0\0\0\0"
                      "\x01\0"
                      "\x86\x92\x07\0\x18\0\0\0\x38\0\0\0"
                      "\0\0\0\0"
                      "ASCII\0\0\0QuiboExifMark01",
                      80);
}

} // namespace

TEST_F(WriterTest, OurReadersReadWhatTheWritersWrote)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(37, 23));
    pic->dpiX = 300;
    pic->dpiY = 150;
    std::unique_ptr<TDib> meta(new TDib);
    // libpng embeds only a profile that holds together.
    const QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    PutBlock(meta->icc, meta->iccSize, profile);
    PutBlock(meta->exif, meta->exifSize, Exif());
    ctx->imgOpts.writeMetadata = 1;
    ctx->keepExif = true;

    for (const RoundTrip &t : Trips) {
        SCOPED_TRACE(t.ext);
        const QString name = QString("trip.") + t.ext;
        ASSERT_TRUE(Write(name, pic.get(), meta.get(), 3, 2, 30, 20));
        TDib *back = nullptr;
        ASSERT_TRUE(ctx->ReadImageFile(Path(name), &back, 0, 0, false));
        std::unique_ptr<TDib> owned(back);
        EXPECT_EQ(back->srcWidth, 30);
        EXPECT_EQ(back->srcHeight, 20);
        Decode::Rgb rgb;
        rgb.width = back->width;
        rgb.height = back->height;
        for (int y = 0; y < back->height; ++y)
            for (int x = 0; x < back->width; ++x) {
                const uint8_t *p = Decode::Px(*back, x, y);
                rgb.px.insert(rgb.px.end(), {p[2], p[1], p[0]});
            }
        const Decode::Difference d = Decode::Compare(*pic, 3, 2, 30, 20, rgb);
        EXPECT_LE(d.max, t.maxError);
        EXPECT_LE(d.mean, t.maxError ? 3.0 : 0.0);

        EXPECT_EQ(back->dpiX, t.dpi ? 300 : 72);
        EXPECT_EQ(back->dpiY, t.dpi ? 150 : 72);
        EXPECT_EQ(back->icc != nullptr, t.icc);
        // The Photoshop reader keeps a resource with its pad byte.
        const QByteArray iccBack = profile + QByteArray(t.padded ? profile.size() % 2 : 0, '\0');
        if (back->icc) {
            EXPECT_EQ(QByteArray(reinterpret_cast<char *>(back->icc), int(back->iccSize)), iccBack);
        }
        if (t.exifBytes) {
            ASSERT_NE(back->exif, nullptr);
            EXPECT_EQ(QByteArray(reinterpret_cast<char *>(back->exif), int(back->exifSize)), Exif());
        }
        if (t.exifRebuilt) {
            ASSERT_NE(back->exif, nullptr);
            const QByteArray block(reinterpret_cast<char *>(back->exif), int(back->exifSize));
            EXPECT_TRUE(block.contains("Cam")) << block.toHex().toStdString();
            EXPECT_TRUE(block.contains("QuiboExifMark01")) << block.toHex().toStdString();
        }
    }
}
