// PGX content (one component, 1 to 16 bits, either byte order) in the
// files whose reader is chosen by content: each sample shown as the grey
// that the anymap reader gives a PGM of the same depth.
#include "reader_fixture.h"

#include <cmath>
#include <string>

using namespace VlmImgUt;
using namespace ReaderTests;

namespace {

struct Pgx {
    const char *order = "ML";
    bool sgnd = false;
    int depth = 8, width = 13, height = 7;
};

int Sample(const Pgx &p, int x, int y)
{
    return int((int64_t(x) * 4099 + int64_t(y) * 8191 + 17) % (int64_t(1) << p.depth));
}

QByteArray MakePgx(const Pgx &p, const std::string &head = "")
{
    const std::string h = head.empty() ? "PG " + std::string(p.order) + (p.sgnd ? " -" : " +") +
                                             std::to_string(p.depth) + " " + std::to_string(p.width) + " " +
                                             std::to_string(p.height) + "\n"
                                       : head;
    QByteArray b(h.data(), int(h.size()));
    const bool big = std::string(p.order) == "ML";
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int v = Sample(p, x, y);
            if (p.depth <= 8)
                b.append(char(v));
            else if (big)
                PutBE16(b, uint32_t(v));
            else
                PutLE16(b, uint32_t(v));
        }
    return b;
}

// The same samples as a raw PGM of maxval 2^depth - 1 (signed ones offset
// by half the range).
QByteArray MakePgm(const Pgx &p)
{
    const int maxval = (1 << p.depth) - 1;
    QByteArray b = QByteArray("P5\n") + QByteArray::number(p.width) + " " + QByteArray::number(p.height) + "\n" +
                   QByteArray::number(maxval) + "\n";
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int v = Sample(p, x, y);
            if (p.sgnd)
                v = (v >= (1 << (p.depth - 1)) ? v - (1 << p.depth) : v) + (1 << (p.depth - 1));
            if (maxval > 255)
                PutBE16(b, uint32_t(v));
            else
                b.append(char(v));
        }
    return b;
}

class PgxRead : public ReaderTest {};

TEST_F(PgxRead, SamplesAsGreyOfTheirDepthInEveryByteOrder)
{
    std::vector<Pgx> cases;
    for (const char *order : {"ML", "LM"})
        for (int depth : {8, 16, 12, 1})
            for (bool sgnd : {false, true}) {
                Pgx p;
                p.order = order;
                p.depth = depth;
                p.sgnd = sgnd && depth > 1;
                cases.push_back(p);
            }
    for (const Pgx &p : cases) {
        SCOPED_TRACE(testing::Message() << p.order << " " << (p.sgnd ? "-" : "+") << p.depth);
        const int maxval = (1 << p.depth) - 1;
        auto grey = [&](int x, int y) {
            int v = Sample(p, x, y);
            if (p.sgnd)
                v = (v >= (1 << (p.depth - 1)) ? v - (1 << p.depth) : v) + (1 << (p.depth - 1));
            const uint8_t g = uint8_t(std::lround(v * 255.0 / maxval));
            return Rgb{g, g, g};
        };
        for (const char *name : {"p.jpc", "p.ppm", "p.ras"})
            ExpectRead(MakePgx(p), name, p.width, p.height, 0, 0, p.width, p.height, grey);
        ExpectRead(MakePgx(p), "p.ppm", p.width, p.height, 5, 5, 5, 3, grey);
        // Rows wider than the reader's piece of 8192 pixels.
        Pgx wide = p;
        wide.width = 20003;
        wide.height = 3;
        const TReduction r = TReduction::For(wide.width, wide.height, 2001, 2);
        ExpectRead(MakePgx(wide), "p.jpc", wide.width, 3, 0, 0, wide.width, 3, grey);
        ExpectRead(MakePgx(wide), "p.jpc", wide.width, 3, 2001, 2, r.width, r.height, grey);

        // The anymap reader shows the same samples as a PGM the same way.
        ASSERT_TRUE(Read(MakePgm(p), "p.ppm"));
        std::vector<Rgb> pgm;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                pgm.push_back(RgbAt(*pic, x, y));
        ASSERT_TRUE(Read(MakePgx(p), "p.jpc"));
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                ASSERT_EQ(RgbAt(*pic, x, y), pgm[size_t(y * p.width + x)]) << x << "," << y;
    }
}

TEST_F(PgxRead, HeaderForms)
{
    Pgx p;
    p.width = 3;
    p.height = 2;
    auto grey = [&](int x, int y) {
        const uint8_t g = uint8_t(Sample(p, x, y));
        return Rgb{g, g, g};
    };
    for (const char *head : {"PG ML +8 3 2\n", "PG ML 8 3 2\n", "PG\tLM  + 8 3 2 ", "PG ML+8 3 2\n"}) {
        SCOPED_TRACE(head);
        ExpectRead(MakePgx(p, head), "p.jpc", 3, 2, 0, 0, 3, 2, grey);
    }
}

TEST_F(PgxRead, Refusals)
{
    Pgx p;
    p.width = 3;
    p.height = 2;
    const std::pair<const char *, QByteArray> cases[] = {
        {"byte order MM", MakePgx(p, "PG MM + 8 3 2\n")},
        {"no space after PG", MakePgx(p, "PGML + 8 3 2\n")},
        {"depth 17", MakePgx(p, "PG ML + 17 3 2\n").append(QByteArray(12, '\0'))},
        {"depth 0", MakePgx(p, "PG ML + 0 3 2\n")},
        {"zero width", MakePgx(p, "PG ML + 8 0 2\n")},
        {"a sample short", MakePgx(p).chopped(1)},
        {"16 bits a byte short", [] {
             Pgx q;
             q.depth = 16;
             return MakePgx(q).chopped(1);
         }()},
        {"only the header", QByteArray("PG ML + 8 3 2\n")},
        {"PG alone", QByteArray("PG")},
    };
    for (const auto &[what, bytes] : cases)
        EXPECT_FALSE(Read(bytes, "p.jpc")) << what;
    // The JP2 reader code reads JPEG 2000 only.
    EXPECT_FALSE(Read(MakePgx(p), "p.jp2"));
    EXPECT_FALSE(Read(MakePgx(p), "p.j2k"));
}

TEST_F(PgxRead, HostileSizesRefusedBeforeAllocation)
{
    const std::pair<const char *, QByteArray> cases[] = {
        {"60000 square in 20 bytes", QByteArray("PG ML + 8 60000 60000\n").append(QByteArray(20, '\0'))},
        {"4 billion wide", QByteArray("PG LM + 16 4294967295 1\n").append(QByteArray(20, '\0'))},
        {"past the record's cap, 16 bits", QByteArray("PG ML + 16 20000 20000\n").append(QByteArray(64, '\0'))},
    };
    for (const auto &[what, bytes] : cases)
        ExpectRefusedBeforeAllocation(bytes, "big.jpc", what);
}

} // namespace
