// Seeds: small Sun raster files of every layout the reader's test reads,
// and run-length runs written by hand.
#include "layouts_sunraster.h"
#include "seed_util.h"

#include <cstdint>

namespace {

QByteArray Header(uint32_t w, uint32_t h, uint32_t depth, uint32_t type)
{
    QByteArray b;
    for (uint32_t v : {0x59A66A95u, w, h, depth, 0u, type, 0u, 0u})
        ReaderTests::PutBE32(b, v);
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    using namespace layouts::sunraster;
    bool ok = fuzz::WriteRows(argv[1], Layouts, ".ras", [](const Layout &l) { return Build(Spec(l, 5)); });
    // Run-length: a run across the row end, an escaped 0x80.
    ok = fuzz::WriteSeed(argv[1], "runs.ras", RunsAcrossRowEnd()) && ok;
    ok = fuzz::WriteSeed(argv[1], "runs24.ras", Header(4, 3, 24, 2) + QByteArray("\x80\x20\x40\x01\x02\x03", 6)) && ok;
    return ok ? 0 : 1;
}
