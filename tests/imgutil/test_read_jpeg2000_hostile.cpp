// The JPEG 2000 files of the hostile list: those refused are refused in
// less time than a real picture of the size they claim takes to read, and
// without the memory their header claims; those read are read within what
// their record costs, every pixel as OpenJPEG decodes the same file at a
// small size.
#include "hostile_files.h"
#include "memory_cap.h"
#include "read_cost.h"
#include "reader_fixture.h"

#include <cstdio>
#include <openjpeg.h>
#include <vector>

namespace hostile {
QByteArray EmptyTileJpeg2000(uint32_t width, uint32_t height, bool jp2);
}

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

constexpr size_t MiB = size_t(1) << 20;

class Jpeg2000Hostile : public ReaderTest {
protected:
    // Seconds of the fastest of three reads of path; ok says whether every
    // one of them filled the record.
    double FastestRead(const QString &path, int boxW, int boxH, bool &ok)
    {
        ok = true;
        return readcost::BestTime([&] { ok = ctx->ReadImageFile(path, &pic, boxW, boxH, false) && ok; });
    }
};

// Claimed sizes of the refused files, for the real picture they are timed
// against: a raw anymap of that size.
QByteArray RealPicture(int width, int height)
{
    QByteArray b = QByteArray("P6\n") + QByteArray::number(width) + " " + QByteArray::number(height) + "\n255\n";
    const int head = b.size();
    b.resize(head + width * height * 3);
    for (int i = head; i < b.size(); ++i)
        b[i] = char(i * 7);
    return b;
}

TEST_F(Jpeg2000Hostile, RefusedFastWithoutTheClaimedMemory)
{
    const std::pair<int, int> claimed[] = {{19, 786445}, {65535, 1}, {255, 257}};
    int k = 0;
    for (const hostile::TCase &c : hostile::Jpeg2000Cases()) {
        if (!c.refused)
            continue;
        SCOPED_TRACE(c.name);
        ASSERT_LT(k, 3);
        const QString path = tmp.path() + "/hostile" + c.ext;
        ASSERT_TRUE(c.write(path));
        const QString real = Put(RealPicture(claimed[k].first, claimed[k].second), "real.ppm");
        ++k;
        const int rc = testutil::RunUnderMemoryCap(1024 * MiB, [&] {
            bool ok = false;
            const double reference = FastestRead(real, 0, 0, ok);
            if (!ok)
                return 10;
            readcost::ResetPeak();
            const size_t before = testutil::StatusBytes("VmHWM:");
            const double hostile = FastestRead(path, c.boxWidth, c.boxHeight, ok);
            if (ok)
                return 11;
            if (testutil::StatusBytes("VmHWM:") > before + 16 * MiB)
                return 12;
            std::printf("%s: %.2f ms refused, %.2f ms for the real picture\n", c.name, hostile * 1e3,
                        reference * 1e3);
            std::fflush(stdout);
            return hostile <= reference ? 0 : 13;
        });
        EXPECT_EQ(rc, 0) << "10: the real picture failed, 11: read, 12: memory, 13: time";
    }
    EXPECT_EQ(k, 3);
}

TEST_F(Jpeg2000Hostile, ReadWithinTheRecordsMemory)
{
    if (testutil::kAddressSanitizer)
        GTEST_SKIP() << "no memory cap for pictures of this size under AddressSanitizer";
    // OpenJPEG's own decode of the same file at 64 x 64: every pixel.
    const QString small = Put(hostile::EmptyTileJpeg2000(64, 64, false), "small.jpc");
    const pictures::Jpeg2000Samples d = pictures::DecodeJpeg2000(small.toStdString(), OPJ_CODEC_J2K);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.comps.size(), 3u);
    uint8_t want[3];
    for (int c = 0; c < 3; ++c) {
        for (int v : d.comps[size_t(c)].data)
            ASSERT_EQ(v, d.comps[size_t(c)].data[0]);
        want[c] = uint8_t(d.comps[size_t(c)].data[0]);
    }

    // Each read in a child of its own, under a cap sized from its record.
    std::vector<hostile::TCase> cases;
    for (hostile::TCase &c : hostile::Jpeg2000Cases())
        if (!c.refused)
            cases.push_back(std::move(c));
    ASSERT_EQ(cases.size(), 4u);
    std::vector<int> results(cases.size(), -1);
    for (size_t i = 0; i < cases.size(); ++i) {
        const hostile::TCase &c = cases[i];
        const QString path = tmp.path() + "/hostile" + QString::number(i) + c.ext;
        ASSERT_TRUE(c.write(path));
        const size_t record = size_t(c.recordWidth * c.recordHeight * 3);
        results[i] = testutil::RunUnderMemoryCap(record * 3 / 2 + 128 * MiB, [&] {
            if (!ctx->ReadImageFile(path, &pic, c.boxWidth, c.boxHeight, false))
                return 10;
            if (pic->width != c.recordWidth || pic->height != c.recordHeight || pic->srcWidth != 8192 ||
                pic->srcHeight != 8192)
                return 11;
            for (int y = 0; y < pic->height; ++y) {
                const uint8_t *p = pictures::PixelAt(*pic, 0, y);
                for (int x = 0; x < pic->width; ++x, p += 3)
                    if (p[0] != want[2] || p[1] != want[1] || p[2] != want[0])
                        return 12;
            }
            return 0;
        });
        QFile::remove(path);
    }
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], 0) << cases[i].name << " (10: refused, 11: size, 12: pixels, over 100: the memory cap)";
}

} // namespace
