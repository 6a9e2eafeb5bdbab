// Progressive JPEG files of many scans: each scan walks every block of its
// components, so the decoder's work is bounded by scans x blocks.
#include "hostile_writers.h"
#include "picture_files.h"
#include "read_cost.h"

using namespace VlmImgUt;

namespace {

class HostileJpeg : public pictures::PictureTest {};

TEST_F(HostileJpeg, ScansAreBoundedByTheWorkTheyAsk)
{
    // A picture may have a scan for each of a block's 64 coefficients;
    // past that its scans ask more than any real picture needs. Small
    // pictures may have as many scans as a picture of 1024 blocks.
    struct Case {
        const char *name;
        int width, height, scans;
        bool refused;
    };
    const Case cases[] = {
        {"4096 x 4096, 500 scans", 4096, 4096, 500, true},
        {"4096 x 4096, 5000 scans", 4096, 4096, 5000, true},
        {"1024 x 1024, 65 scans", 1024, 1024, 65, true},
        {"1024 x 1024, 64 scans", 1024, 1024, 64, false},
        {"1024 x 1024, 6 scans", 1024, 1024, 6, false},
        {"16 x 16, 64 scans", 16, 16, 64, false},
        {"16 x 16, 65 scans", 16, 16, 65, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/scans.jpg";
        ASSERT_TRUE(hostile::WriteJpegScans(path, c.width, c.height, c.scans));
        EXPECT_EQ(ctx->ReadImageFile(path, &pic, 0, 0, false), !c.refused);
        if (!c.refused) {
            // No coefficient data: every pixel is the middle grey.
            ASSERT_EQ(pic->width, c.width);
            ASSERT_EQ(pic->height, c.height);
            EXPECT_EQ(pictures::PixelAt(*pic, c.width - 1, c.height - 1)[1], 128);
        } else {
            EXPECT_EQ(pic->width, 1) << "refused before the picture is made";
        }
    }
}

TEST_F(HostileJpeg, ManyScansAreRefusedFasterThanAPictureIsRead)
{
    // 500 scans of a 4096 x 4096 grey picture are refused, before the
    // decoder takes its memory, in less time than a real picture of that
    // size takes to read.
    pictures::JpegSpec s;
    s.width = 4096;
    s.height = 4096;
    s.components = 1;
    const QString real = Put(pictures::WriteJpeg(s), "real.jpg");
    const QString scans = tmp.path() + "/scans.jpg";
    ASSERT_TRUE(hostile::WriteJpegScans(scans, 4096, 4096, 500));
    bool realOk = false, scansOk = true;
    const double realTime = readcost::BestTime([&] { realOk = ctx->ReadImageFile(real, &pic, 0, 0, false); });
    const double scansTime = readcost::BestTime([&] { scansOk = ctx->ReadImageFile(scans, &pic, 0, 0, false); });
    ASSERT_TRUE(realOk);
    EXPECT_FALSE(scansOk);
    EXPECT_LT(scansTime, realTime) << "500 scans " << scansTime << " s, a real picture " << realTime << " s";
    // Refused before the picture or the decoder's coefficients are made.
    EXPECT_EQ(readcost::ReadWithin(*ctx, scans, 0, 0, false, size_t(8) << 20), 0);
}

} // namespace
