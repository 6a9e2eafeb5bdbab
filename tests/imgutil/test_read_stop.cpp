// The readers that decode a row at a time (Targa, Sun raster, portable
// anymap, PGX) stopped at the first count of their read's budget: the read
// fails there and does no more work.
#include "layouts_sunraster.h"
#include "layouts_tga.h"
#include "read_cost.h"
#include "reader_fixture.h"

#include <string>

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

// A width x height anymap of kind P1, P3 or P6 (8 bits) or a 16-bit PGX.
QByteArray Anymap(int kind, int width, int height)
{
    const std::string head = kind == 0 ? "PG ML + 16 " + std::to_string(width) + " " + std::to_string(height) + "\n"
                             : "P" + std::to_string(kind) + "\n" + std::to_string(width) + " " +
                                   std::to_string(height) + "\n" + (kind == 1 ? "" : "255\n");
    QByteArray b(head.data(), int(head.size()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = (x * 7 + y * 3) & 0xFF;
            if (kind == 0)
                PutBE16(b, uint32_t(v * 257));
            else if (kind == 6)
                b.append(char(v)).append(char(255 - v)).append(char(v / 2));
            else if (kind == 3)
                b.append(QByteArray::number(v) + " " + QByteArray::number(255 - v) + " 9\n");
            else
                b.append(v & 1 ? "1 " : "0 ");
        }
    return b;
}

class RowReaderStop : public ReaderTest {};

TEST_F(RowReaderStop, StoppedAtTheFirstCountTheReadEnds)
{
    layouts::tga::Tga raw, runs;
    raw.width = runs.width = 40;
    raw.height = runs.height = 30;
    runs.type = 10;
    runs.descriptor = 0x20;
    layouts::sunraster::Ras ras, rle, wide;
    ras.width = rle.width = 40;
    ras.height = rle.height = 30;
    rle.depth = 8;
    rle.type = 2;
    rle.mapType = 1;
    rle.mapEntries = 7;
    wide.width = 30000; // one row of four pieces
    wide.height = 1;
    struct Case { const char *name, *file; QByteArray bytes; };
    const Case cases[] = {
        {"Targa raw, bottom row first", "p.tga", layouts::tga::Build(raw)},
        {"Targa run-length, top row first", "p.tga", layouts::tga::Build(runs)},
        {"Sun raster", "p.ras", layouts::sunraster::Build(ras)},
        {"Sun raster run-length", "p.ras", layouts::sunraster::Build(rle)},
        {"Sun raster of one wide row", "p.ras", layouts::sunraster::Build(wide)},
        {"raw anymap", "p.ppm", Anymap(6, 40, 30)},
        {"plain anymap", "p.ppm", Anymap(3, 40, 30)},
        {"plain bitmap", "p.ppm", Anymap(1, 40, 30)},
        {"PGX", "p.jpc", Anymap(0, 40, 30)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        {
            readcost::StopAtFirstCount stop(ctx->budget);
            EXPECT_FALSE(Read(c.bytes, c.file));
            EXPECT_EQ(stop.counts, 1);
            EXPECT_EQ(ctx->budget.Spent(), stop.atStop);
            EXPECT_LT(stop.atStop, c.bytes.size() / 2); // one row, or a piece of one
        }
        EXPECT_TRUE(Read(c.bytes, c.file));
        EXPECT_GT(ctx->budget.Spent(), c.bytes.size() / 2);
    }
}

} // namespace
