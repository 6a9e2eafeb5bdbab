// Seeds: small Sun raster files of every depth and type, written by hand.
#include "seed_util.h"

#include <cstdint>

namespace {

using fuzz::Ramp;

QByteArray Header(uint32_t w, uint32_t h, uint32_t depth, uint32_t type, uint32_t mapLength)
{
    QByteArray b;
    for (uint32_t v : {0x59A66A95u, w, h, depth, 0u, type, mapLength ? 1u : 0u, mapLength})
        for (int s = 24; s >= 0; s -= 8)
            b.append(char(v >> s));
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    ok = fuzz::WriteSeed(argv[1], "bits.ras", Header(5, 2, 1, 1, 0) + QByteArray("\xA8\0\x50\0", 4)) && ok;
    ok = fuzz::WriteSeed(argv[1], "mapped.ras",
                         Header(3, 2, 8, 1, 12) + Ramp(12, 20) + QByteArray("\0\1\2\0\3\1\0\0", 8)) && ok;
    ok = fuzz::WriteSeed(argv[1], "bgr.ras", Header(3, 2, 24, 1, 0) + Ramp(20, 13)) && ok;
    ok = fuzz::WriteSeed(argv[1], "xrgb.ras", Header(2, 2, 32, 3, 0) + Ramp(16, 15)) && ok;
    // Run-length: a run across the row end, an escaped 0x80.
    ok = fuzz::WriteSeed(argv[1], "runs.ras", Header(3, 2, 8, 2, 0) + QByteArray("\x80\x05\x10\x80\x00\x00", 6)) && ok;
    ok = fuzz::WriteSeed(argv[1], "runs24.ras", Header(4, 3, 24, 2, 0) + QByteArray("\x80\x20\x40\x01\x02\x03", 6)) && ok;
    return ok ? 0 : 1;
}
