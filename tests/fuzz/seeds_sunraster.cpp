// Seeds of fuzz_sunraster: small Sun raster files of every depth and type,
// written by hand.
#include <cstdint>
#include "seed_files.h"

#include <cstdio>
#include <string>

namespace {

using SeedFiles::Put;

std::string Header(uint32_t w, uint32_t h, uint32_t depth, uint32_t type, uint32_t mapLength)
{
    std::string b;
    for (uint32_t v : {0x59A66A95u, w, h, depth, 0u, type, mapLength ? 1u : 0u, mapLength})
        SeedFiles::PutBE32(b, v);
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    std::string b = Header(5, 2, 1, 1, 0) + std::string("\xA8\0\x50\0", 4);
    Put(dir, "bits.ras", b);
    b = Header(3, 2, 8, 1, 12);
    for (int i = 0; i < 12; ++i)
        b += char(i * 20);
    b += std::string("\0\1\2\0\3\1\0\0", 8);
    Put(dir, "mapped.ras", b);
    b = Header(3, 2, 24, 1, 0);
    for (int i = 0; i < 20; ++i)
        b += char(i * 13);
    Put(dir, "bgr.ras", b);
    b = Header(2, 2, 32, 3, 0);
    for (int i = 0; i < 16; ++i)
        b += char(i * 15);
    Put(dir, "xrgb.ras", b);
    b = Header(3, 2, 8, 2, 0) + std::string("\x80\x05\x10\x80\x00\x00", 6);
    Put(dir, "runs.ras", b);
    b = Header(4, 3, 24, 2, 0) + std::string("\x80\x20\x40\x01\x02\x03", 6);
    Put(dir, "runs24.ras", b);
    return 0;
}
