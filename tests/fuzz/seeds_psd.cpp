// Seeds of fuzz_psd: small Photoshop documents written by hand: RGB raw and
// PackBits with resources, grey 16-bit with alpha, indexed, CMYK.
#include <cstdint>
#include "seed_files.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using SeedFiles::Put;

using SeedFiles::PutBE16;
using SeedFiles::PutBE32;

std::string Header(int channels, uint32_t w, uint32_t h, int depth, int mode, const std::string &colourData,
                   const std::string &resources, int compression)
{
    std::string b = "8BPS";
    PutBE16(b, 1);
    b += std::string(6, '\0');
    PutBE16(b, uint32_t(channels));
    PutBE32(b, h);
    PutBE32(b, w);
    PutBE16(b, uint32_t(depth));
    PutBE16(b, uint32_t(mode));
    PutBE32(b, uint32_t(colourData.size()));
    b += colourData;
    PutBE32(b, uint32_t(resources.size()));
    b += resources;
    PutBE32(b, 4);
    b += std::string(4, '\0');
    PutBE16(b, uint32_t(compression));
    return b;
}

std::string Resource(int id, const std::string &data)
{
    std::string b = "8BIM";
    PutBE16(b, uint32_t(id));
    b += std::string(2, '\0'); // empty name, padded
    PutBE32(b, uint32_t(data.size()));
    b += data;
    if (data.size() % 2)
        b += '\0';
    return b;
}

std::string Ramp(size_t n, int step)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += char(int(i) * step);
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    std::string res;
    PutBE32(res, 300u << 16);
    PutBE32(res, 0x00010001);
    PutBE32(res, 300u << 16);
    PutBE32(res, 0x00010001);
    const std::string resources = Resource(1005, res) + Resource(1039, "icc") + Resource(1060, "<x/>");

    Put(dir, "rgb.psd", Header(3, 4, 3, 8, 3, "", resources, 0) + Ramp(36, 7));
    // PackBits: each 4-byte row is one repeat packet (2 bytes).
    std::string packed = Header(4, 4, 2, 8, 3, "", resources, 1);
    for (int i = 0; i < 8; ++i)
        PutBE16(packed, 2);
    for (int i = 0; i < 8; ++i)
        packed += std::string("\xFD", 1) + char(i * 30);
    Put(dir, "rgba-packbits.psd", packed);
    Put(dir, "grey16-alpha.psd", Header(2, 3, 2, 16, 1, "", "", 0) + Ramp(24, 11));
    Put(dir, "indexed.psd", Header(1, 3, 2, 8, 2, Ramp(48, 5), "", 0) + Ramp(6, 3));
    Put(dir, "cmyk.psd", Header(4, 2, 2, 8, 4, "", resources, 0) + Ramp(16, 16));
    return 0;
}
