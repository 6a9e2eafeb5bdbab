// The JPEG 2000 files of the hostile list: those refused are refused before
// the library starts, in less processor time than a real picture of the
// size they claim takes to read, and without the memory their header
// claims; a large picture whose one tile is empty is read within what its
// record and the read's working set allow, every pixel as OpenJPEG decodes
// the same file at a small size.
#include "hostile_files.h"
#include "memory_cap.h"
#include "read_cost.h"
#include "reader_fixture.h"

#include <algorithm>
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

using Jpeg2000Hostile = ReaderTest;

TEST_F(Jpeg2000Hostile, RefusedBeforeTheLibraryWithoutTheClaimedMemory)
{
    // Each is refused three times over within five seconds of processor
    // time, its memory peak within 16 MB, nothing decoded.
    int k = 0;
    for (const hostile::TCase &c : hostile::Jpeg2000Cases()) {
        if (!c.refused)
            continue;
        SCOPED_TRACE(c.name);
        ++k;
        const QString path = tmp.path() + "/hostile" + c.ext;
        ASSERT_TRUE(c.write(path));
        const int rc = testutil::RunUnderMemoryCap(
            1024 * MiB,
            [&] {
                readcost::ResetPeak();
                const size_t before = testutil::StatusBytes("VmHWM:");
                for (int i = 0; i < 3; ++i)
                    if (ctx->ReadImageFile(path, &pic, c.boxWidth, c.boxHeight, false))
                        return 11;
                if (testutil::StatusBytes("VmHWM:") > before + 16 * MiB)
                    return 12;
                // The library never started on a piece.
                return ctx->budget.Spent() != 0 ? 14 : 0;
            },
            5);
        EXPECT_EQ(rc, 0) << "11: read, 12: memory, 14: decoded, 100 + SIGXCPU: past its processor time";
    }
    EXPECT_EQ(k, 3);
}

TEST_F(Jpeg2000Hostile, ReadWithinTheRecordsMemory)
{
    if (testutil::kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer's own memory hides the read's";
    // OpenJPEG's own decode of the same kind of file at 64 x 64: every pixel.
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

    // A picture of 1024 x 4096 whose one tile is empty: decoded whole, the
    // library holds 48 MB of samples, far more than a working set of 16 MB
    // and half the record allow; read in bands it stays within them. Each
    // read in a child of its own, its resident peak measured.
    constexpr int Width = 1024, Height = 4096;
    const int64_t workingSet = 16 * int64_t(MiB);
    struct Case { const char *name; bool jp2; int boxW, boxH, recordW, recordH; };
    const Case cases[] = {
        {"code stream", false, 0, 0, Width, Height},
        {"code stream, preview", false, 160, 120, 30, 120},
        {"JP2", true, 0, 0, Width, Height},
        {"JP2, preview", true, 160, 120, 30, 120},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Put(hostile::EmptyTileJpeg2000(Width, Height, c.jp2), c.jp2 ? "big.jp2" : "big.jpc");
        const size_t record = size_t(c.recordW) * size_t(c.recordH) * 3;
        // The rule, with room for the library's code and thread stacks.
        const size_t bound = record * 3 / 2 + size_t(workingSet) + 8 * MiB;
        const int rc = testutil::RunUnderMemoryCap(1024 * MiB, [&] {
            ctx->budget.workingSet = workingSet;
            readcost::ResetPeak();
            const size_t before = testutil::StatusBytes("VmHWM:");
            if (!ctx->ReadImageFile(path, &pic, c.boxW, c.boxH, false))
                return 10;
            const size_t rise = testutil::StatusBytes("VmHWM:") - before;
            std::printf("%s: peak rose %.1f MB, bound %.1f MB\n", c.name, double(rise) / MiB, double(bound) / MiB);
            std::fflush(stdout);
            if (rise > bound)
                return 13;
            if (pic->width != c.recordW || pic->height != c.recordH || pic->srcWidth != Width || pic->srcHeight != Height)
                return 11;
            for (int y = 0; y < pic->height; ++y) {
                const uint8_t *p = pictures::PixelAt(*pic, 0, y);
                for (int x = 0; x < pic->width; ++x, p += 3)
                    if (p[0] != want[2] || p[1] != want[1] || p[2] != want[0])
                        return 12;
            }
            return 0;
        });
        EXPECT_EQ(rc, 0) << "10: refused, 11: size, 12: pixels, 13: memory, over 100: a signal";
    }
}

} // namespace
