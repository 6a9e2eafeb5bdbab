// Each picture format through ReadImageFile by its extension, header-only
// mode included.
#include "picture_files.h"

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

} // namespace
