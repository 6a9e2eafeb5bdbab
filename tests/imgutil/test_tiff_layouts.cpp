// The TIFF reader on the layouts it reads in bands or scanlines (strips of
// every height, tiles, separate planes, every orientation, widths past one
// converted piece), each compared with libtiff's own RGBA read, and on the
// hostile G4 picture, whose read must cost no more than its record.
#include "hostile_files.h"
#include "hostile_writers.h"
#include "layouts_tiff.h"
#include "memory_cap.h"
#include "picture_files.h"

#include <QFile>
#include <tiffio.h>

#include <algorithm>
#include <vector>

using namespace VlmImgUt;
using namespace pictures;
using namespace layouts::tiff;

namespace {

class TiffLayouts : public PictureTest {
protected:
    // The read at full size and into the box gives libtiff's own pixels,
    // the reduced one sampled from the bottom row up; an alpha plane where
    // libtiff's alpha is not opaque.
    void ExpectAsTheLibrary(const Layout &l, int boxW, int boxH)
    {
        SCOPED_TRACE(l.name);
        const QString path = tmp.path() + "/layout.tif";
        ASSERT_TRUE(WriteLayout(QFile::encodeName(path).constData(), l));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        Rgba ref;
        ASSERT_TRUE(DecodeTiff(f.readAll(), ref));
        bool alpha = false; // libtiff gives some layouts' alpha as opaque
        for (size_t i = 3; i < ref.px.size(); i += 4)
            alpha = alpha || ref.px[i] != 255;
        EXPECT_EQ(alpha, l.alpha != 0 && l.bits == 8);
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        EXPECT_EQ(pic->alpha != nullptr, alpha);
        EXPECT_EQ(Mismatches(*pic, ref, alpha), 0);

        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, boxW, boxH, false));
        const TReduction r = TReduction::For(l.width, l.height, boxW, boxH);
        ASSERT_TRUE(r.reduced);
        ASSERT_EQ(pic->width, r.width);
        ASSERT_EQ(pic->height, r.height);
        EXPECT_EQ(pic->srcWidth, l.width);
        EXPECT_EQ(pic->srcHeight, l.height);
        const std::vector<int32_t> fromBottom = TReduction::Sample(l.height, r.height, r.stepY);
        std::vector<int32_t> rows(fromBottom.size());
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = l.height - 1 - fromBottom[rows.size() - 1 - y];
        EXPECT_EQ(Mismatches(*pic, ref, TReduction::Sample(l.width, r.width, r.stepX), rows, alpha), 0);
    }
};

TEST_F(TiffLayouts, StripsTilesPlanesAndOrientationsAsTheLibraryReadsThem)
{
    for (const Layout &l : PieceLayouts)
        ExpectAsTheLibrary(l, l.width / 3, l.height / 3);
}

// ---- the hostile G4 picture ----

constexpr size_t WorkingSet = size_t(32) << 20;

// The read of path into the box under a cap of 1.5 x its record and the
// working set: 1 when it made a white picture of the record's size.
int ReadWhiteUnderCap(TImgUt &ctx, const QString &path, int boxW, int boxH, int64_t recordW, int64_t recordH)
{
    const int64_t record = (recordW * 3 + 3) / 4 * 4 * recordH;
    return testutil::RunUnderMemoryCap(size_t(record) * 3 / 2 + WorkingSet, [&] {
        TDib *p = nullptr;
        if (!ctx.ReadImageFile(path, &p, boxW, boxH, false))
            return 0;
        if (p->width != recordW || p->height != recordH || p->alpha)
            return 2;
        for (int64_t i = 0; i < int64_t(p->stride) * p->height; ++i)
            if (p->bits[i] != 255 && i % p->stride < 3 * p->width)
                return 5;
        return 1;
    });
}

TEST_F(TiffLayouts, WhiteG4PictureCostsItsRecord)
{
    for (const uint32_t tile : {0u, 4096u, 1024u}) {
        SCOPED_TRACE(tile ? "tiles" : "one strip");
        const QString path = tmp.path() + "/white.tif";
        ASSERT_TRUE(hostile::WriteWhiteG4Tiff(path, 4096, 4096, tile));
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, 0, 0, 4096, 4096), 1) << "full size";
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, 160, 120, 120, 120), 1) << "preview";
    }
}

TEST_F(TiffLayouts, HostileCasesWithinTheirRecord)
{
    for (const hostile::TCase &c : hostile::TiffCases()) {
        if (c.recordWidth * c.recordHeight > (int64_t(1) << 22))
            continue; // their record is too large for a test: shrunk above
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/case" + c.ext;
        ASSERT_TRUE(c.write(path));
        EXPECT_EQ(ReadWhiteUnderCap(*ctx, path, c.boxWidth, c.boxHeight, c.recordWidth, c.recordHeight), 1);
    }
}

} // namespace
