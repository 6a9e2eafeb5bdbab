// Seeds of fuzz_tga: small Targa files in the accepted layouts, written by
// hand.
#include <cstdint>
#include "seed_files.h"

#include <cstdio>
#include <string>

namespace {

using SeedFiles::Put;

std::string Header(int idLength, int mapType, int type, int mapLength, int w, int h, int bits, int descriptor)
{
    const unsigned char b[18] = {uint8_t(idLength), uint8_t(mapType), uint8_t(type), 0, 0,
                                 uint8_t(mapLength), uint8_t(mapLength >> 8), uint8_t(mapLength ? 24 : 0), 0, 0,
                                 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
                                 uint8_t(bits), uint8_t(descriptor)};
    return std::string(reinterpret_cast<const char *>(b), 18);
}

std::string Ramp(int n, int step)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char(i * step);
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    Put(dir, "mapped.tga", Header(3, 1, 1, 4, 3, 2, 8, 0) + "abc" + Ramp(12, 20) + std::string("\0\1\2\3\2\1", 6));
    Put(dir, "mapped-runs.tga", Header(0, 1, 9, 4, 3, 2, 8, 0x20) + Ramp(12, 20) + std::string("\x82\x01\x02\x01\x02\x03", 6));
    Put(dir, "16.tga", Header(0, 0, 2, 0, 2, 2, 16, 0) + std::string("\xFF\x7F\x21\x04\x00\x80\x1F\x00", 8));
    Put(dir, "24.tga", Header(0, 0, 2, 0, 3, 2, 24, 0x10) + Ramp(18, 13));
    Put(dir, "32-top.tga", Header(0, 0, 2, 0, 2, 2, 32, 0x28) + Ramp(16, 15));
    Put(dir, "24-runs.tga", Header(0, 0, 10, 0, 3, 3, 24, 0) + std::string("\x84\x10\x20\x30\x03", 5) + Ramp(12, 7));
    return 0;
}
