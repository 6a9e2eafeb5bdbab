// Hostile JPEG files: progressive files of many scans, whose work is
// bounded by scans x blocks; files of more than one scan, whose decoder
// keeps the coefficients of the whole picture in the file; markers in
// numbers; and reads stopped from outside.
#include "hostile_writers.h"
#include "picture_files.h"
#include "read_cost.h"

#include <jpeglib.h>

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

TEST_F(HostileJpeg, ManyScansAreRefusedWithinAFractionOfAPicturesWork)
{
    // 500 scans of a 4096 x 4096 grey picture are refused, before the
    // decoder takes its memory, having done a small part of the work a
    // real picture of that size takes to read (as the read's budget
    // counts it).
    pictures::JpegSpec s;
    s.width = 4096;
    s.height = 4096;
    s.components = 1;
    const QString real = Put(pictures::WriteJpeg(s), "real.jpg");
    const QString scans = tmp.path() + "/scans.jpg";
    ASSERT_TRUE(hostile::WriteJpegScans(scans, 4096, 4096, 500));
    ASSERT_TRUE(ctx->ReadImageFile(real, &pic, 0, 0, false));
    const int64_t realWork = ctx->budget.Spent();
    EXPECT_FALSE(ctx->ReadImageFile(scans, &pic, 0, 0, false));
    const int64_t scansWork = ctx->budget.Spent();
    EXPECT_LT(scansWork, realWork / 100) << "500 scans " << scansWork << ", a real picture " << realWork;
    // Refused before the picture or the decoder's coefficients are made.
    EXPECT_EQ(readcost::ReadWithin(*ctx, scans, 0, 0, false, size_t(8) << 20), 0);
}

constexpr int64_t MiB = int64_t(1) << 20;

TEST_F(HostileJpeg, CoefficientsOfThePictureInTheFileCountAgainstTheReadsMemory)
{
    // A file of more than one scan makes libjpeg keep 128 bytes for every
    // block of the picture in the file, whatever the scale of the output.
    // The read takes them from its memory (half the record and the working
    // set, small here so that small files show it) or is refused before it
    // takes any; a file of one scan costs its record only.
    using hostile::JpegScans;
    struct Case {
        const char *name;
        std::function<bool(const QString &)> write;
        int boxWidth, boxHeight;
        int64_t workingSet;
        bool read;
        int64_t recordWidth, recordHeight;
    };
    const Case cases[] = {
        {"grey 8192 x 8192, progressive, one empty DC scan; preview: 128 MiB of coefficients",
         [](const QString &p) { return hostile::WriteJpegEmpty(p, 8192, 8192, 1, JpegScans::ProgressiveDc); },
         160, 120, 16 * MiB, false, 0, 0},
        {"4:2:0 8192 x 8192, baseline, a scan a component; preview: 192 MiB",
         [](const QString &p) { return hostile::WriteJpegEmpty(p, 8192, 8192, 3, JpegScans::BaselineEach); },
         160, 120, 16 * MiB, false, 0, 0},
        {"grey 2048 x 2048 written by libjpeg, progressive; preview: 8 MiB",
         [](const QString &p) { return hostile::WriteJpegProgressiveGrey(p, 2048, 2048); },
         160, 120, 2 * MiB, false, 0, 0},
        {"4:2:0 4096 x 4096, progressive, one empty DC scan; full: 48 MiB beside a 48 MiB record",
         [](const QString &p) { return hostile::WriteJpegEmpty(p, 4096, 4096, 3, JpegScans::ProgressiveDc); },
         0, 0, 4 * MiB, false, 0, 0},
        // In proportion: read.
        {"4:2:0 8192 x 8192, baseline, one scan; preview",
         [](const QString &p) { return hostile::WriteJpegEmpty(p, 8192, 8192, 3, JpegScans::BaselineOne); },
         160, 120, 16 * MiB, true, 1024, 1024},
        {"4:2:0 1024 x 1024, progressive, one empty DC scan; full: 3 MiB beside a 3 MiB record",
         [](const QString &p) { return hostile::WriteJpegEmpty(p, 1024, 1024, 3, JpegScans::ProgressiveDc); },
         0, 0, 4 * MiB, true, 1024, 1024},
        {"grey 2048 x 2048 written by libjpeg, progressive; preview, the whole working set",
         [](const QString &p) { return hostile::WriteJpegProgressiveGrey(p, 2048, 2048); },
         160, 120, TReadBudget::DefaultWorkingSet, true, 256, 256},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = tmp.path() + "/coefficients.jpg";
        ASSERT_TRUE(c.write(path));
        ctx->budget.workingSet = c.workingSet;
        // A refusal holds next to nothing; a read its record, half of it
        // more and the working set.
        const int64_t record = c.recordWidth * c.recordHeight * 3;
        const size_t bound = c.read ? size_t(record + record / 2 + c.workingSet) : size_t(4 * MiB);
        EXPECT_EQ(readcost::ReadWithin(*ctx, path, c.boxWidth, c.boxHeight, false, bound), c.read ? 1 : 0)
            << "0: refused, 1: read, 2: over " << bound / 1024 << " KiB";
        if (c.read) {
            ASSERT_TRUE(ctx->ReadImageFile(path, &pic, c.boxWidth, c.boxHeight, false));
            EXPECT_EQ(pic->width, c.recordWidth);
            EXPECT_EQ(pic->height, c.recordHeight);
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            pictures::Rgba ref;
            ASSERT_TRUE(pictures::DecodeJpeg(f.readAll(), c.boxWidth ? 1 : 8, ref));
            EXPECT_EQ(pictures::Mismatches(*pic, ref, false), 0) << "as libjpeg decodes it";
        }
    }
}

// The bytes of a JPEG file: a small picture, and the same with segments
// put in before its first scan or, for a progressive one, before its second.
QByteArray WithSegments(QByteArray jpg, const QByteArray &segments, bool beforeSecondScan)
{
    int at = jpg.indexOf("\xFF\xDA");
    if (beforeSecondScan)
        at = jpg.indexOf("\xFF\xDA", at + 2);
    EXPECT_GT(at, 0);
    return jpg.insert(at, segments);
}

QByteArray SegmentOf(int marker, const QByteArray &data)
{
    QByteArray s;
    s.append(char(0xFF));
    s.append(char(marker));
    s.append(char((data.size() + 2) >> 8));
    s.append(char(data.size() + 2));
    return s + data;
}

TEST_F(HostileJpeg, SegmentsAreHeldOnlyAsTheyAreUsed)
{
    // 300 full APP2 segments (19 MiB): what the picture does not use is
    // passed over, an ICC chunk sent again replaces the one before, and the
    // segments after the first scan are not looked at. The read holds no
    // more than the profile it keeps.
    pictures::JpegSpec s;
    s.width = s.height = 16;
    const QByteArray plain = pictures::WriteJpeg(s);
    s.progressive = true;
    const QByteArray progressive = pictures::WriteJpeg(s);
    const QByteArray profile = pictures::Bytes(pictures::IccProfile(65000));
    const std::vector<pictures::JpegMarker> chunk = pictures::IccChunks(profile, 1);

    QByteArray other, repeated;
    for (int i = 0; i < 300; ++i) {
        other += SegmentOf(JPEG_APP0 + 2, QByteArray("FPXR") + QByteArray(65529, char(i)));
        repeated += SegmentOf(JPEG_APP0 + 2, chunk[0].data);
    }
    struct Case {
        const char *name;
        QByteArray file;
        bool profile;
    } cases[] = {
        {"other APP2 segments", WithSegments(plain, other, false), false},
        {"one ICC chunk 300 times", WithSegments(plain, repeated, false), true},
        {"APP2 segments after the first scan", WithSegments(progressive, other, true), false},
    };
    ctx->budget.workingSet = 4 * MiB;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Put(c.file, "segments.jpg");
        EXPECT_EQ(readcost::ReadWithin(*ctx, path, 0, 0, false, size_t(4 * MiB)), 1) << "2: over 4 MiB";
        ASSERT_TRUE(ctx->ReadImageFile(path, &pic, 0, 0, false));
        EXPECT_EQ(pic->width, 16);
        if (c.profile) {
            ASSERT_NE(pic->icc, nullptr);
            EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pic->icc), int(pic->iccSize)), profile);
        } else {
            EXPECT_EQ(pic->icc, nullptr);
        }
    }
}

TEST_F(HostileJpeg, AStoppedReadEndsAtItsNextCount)
{
    // The read counts its work as it goes (the file's bytes, each scan,
    // each row) and ends at the first count that finds it stopped: here
    // the count that raises the stop.
    pictures::JpegSpec colour;
    colour.width = 300;
    colour.height = 200;
    const QString baseline = Put(pictures::WriteJpeg(colour), "baseline.jpg");
    const QString progressive = tmp.path() + "/progressive.jpg";
    ASSERT_TRUE(hostile::WriteJpegProgressiveGrey(progressive, 300, 200));
    for (const QString &path : {baseline, progressive}) {
        for (const int box : {0, 40}) {
            SCOPED_TRACE(testing::Message() << path.toStdString() << ", box " << box);
            int counts = 0, stopAt = 0;
            ctx->budget.onSpend = [&](const TReadBudget &) {
                if (++counts == stopAt)
                    ctx->budget.Stop();
            };
            ASSERT_TRUE(ctx->ReadImageFile(path, &pic, box, box, false));
            const int whole = counts;
            ASSERT_GE(whole, 3) << "the read counts its work";
            for (const int at : {1, whole / 2, whole - 1}) {
                SCOPED_TRACE(at);
                counts = 0;
                stopAt = at;
                ctx->budget.Resume();
                EXPECT_FALSE(ctx->ReadImageFile(path, &pic, box, box, false));
                EXPECT_EQ(counts, at) << "counts after the stop";
            }
            ctx->budget.Resume();
            ctx->budget.onSpend = nullptr;
        }
    }
}

} // namespace
