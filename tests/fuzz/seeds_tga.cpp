// Seeds: small Targa files in the accepted layouts, written by hand.
#include "seed_util.h"

#include <cstdint>

namespace {

using fuzz::Ramp;

QByteArray Header(int idLength, int mapType, int type, int mapLength, int w, int h, int bits, int descriptor)
{
    const char b[18] = {char(idLength), char(mapType), char(type), 0, 0, char(mapLength), char(mapLength >> 8),
                        char(mapLength ? 24 : 0), 0, 0, 0, 0, char(w), char(w >> 8), char(h), char(h >> 8),
                        char(bits), char(descriptor)};
    return QByteArray(b, 18);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    ok = fuzz::WriteSeed(argv[1], "mapped.tga",
                         Header(3, 1, 1, 4, 3, 2, 8, 0) + "abc" + Ramp(12, 20) + QByteArray("\0\1\2\3\2\1", 6)) && ok;
    ok = fuzz::WriteSeed(argv[1], "mapped-runs.tga",
                         Header(0, 1, 9, 4, 3, 2, 8, 0x20) + Ramp(12, 20) + QByteArray("\x82\x01\x02\x01\x02\x03", 6)) && ok;
    ok = fuzz::WriteSeed(argv[1], "16.tga",
                         Header(0, 0, 2, 0, 2, 2, 16, 0) + QByteArray("\xFF\x7F\x21\x04\x00\x80\x1F\x00", 8)) && ok;
    ok = fuzz::WriteSeed(argv[1], "24-right-to-left.tga", Header(0, 0, 2, 0, 3, 2, 24, 0x10) + Ramp(18, 13)) && ok;
    ok = fuzz::WriteSeed(argv[1], "32-top.tga", Header(0, 0, 2, 0, 2, 2, 32, 0x28) + Ramp(16, 15)) && ok;
    ok = fuzz::WriteSeed(argv[1], "24-runs.tga",
                         Header(0, 0, 10, 0, 3, 3, 24, 0) + QByteArray("\x84\x10\x20\x30\x03", 5) + Ramp(12, 7)) && ok;
    return ok ? 0 : 1;
}
