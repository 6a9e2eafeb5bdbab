// Seeds of fuzz_psd: small Photoshop documents written by hand: RGB raw and
// PackBits with resources, grey 16-bit with alpha, indexed, CMYK.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Put16(std::string &b, uint32_t v)
{
    b += char(v >> 8);
    b += char(v);
}
void Put32(std::string &b, uint32_t v)
{
    Put16(b, v >> 16);
    Put16(b, v & 0xFFFF);
}

std::string Header(int channels, uint32_t w, uint32_t h, int depth, int mode, const std::string &colourData,
                   const std::string &resources, int compression)
{
    std::string b = "8BPS";
    Put16(b, 1);
    b += std::string(6, '\0');
    Put16(b, uint32_t(channels));
    Put32(b, h);
    Put32(b, w);
    Put16(b, uint32_t(depth));
    Put16(b, uint32_t(mode));
    Put32(b, uint32_t(colourData.size()));
    b += colourData;
    Put32(b, uint32_t(resources.size()));
    b += resources;
    Put32(b, 4);
    b += std::string(4, '\0');
    Put16(b, uint32_t(compression));
    return b;
}

std::string Resource(int id, const std::string &data)
{
    std::string b = "8BIM";
    Put16(b, uint32_t(id));
    b += std::string(2, '\0'); // empty name, padded
    Put32(b, uint32_t(data.size()));
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

void Put(const std::string &dir, const char *name, const std::string &bytes)
{
    if (FILE *f = fopen((dir + "/" + name).c_str(), "wb")) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    std::string res;
    Put32(res, 300u << 16);
    Put32(res, 0x00010001);
    Put32(res, 300u << 16);
    Put32(res, 0x00010001);
    const std::string resources = Resource(1005, res) + Resource(1039, "icc") + Resource(1060, "<x/>");

    Put(dir, "rgb.psd", Header(3, 4, 3, 8, 3, "", resources, 0) + Ramp(36, 7));
    // PackBits: each 4-byte row is one repeat packet (2 bytes).
    std::string packed = Header(4, 4, 2, 8, 3, "", resources, 1);
    for (int i = 0; i < 8; ++i)
        Put16(packed, 2);
    for (int i = 0; i < 8; ++i)
        packed += std::string("\xFD", 1) + char(i * 30);
    Put(dir, "rgba-packbits.psd", packed);
    Put(dir, "grey16-alpha.psd", Header(2, 3, 2, 16, 1, "", "", 0) + Ramp(24, 11));
    Put(dir, "indexed.psd", Header(1, 3, 2, 8, 2, Ramp(48, 5), "", 0) + Ramp(6, 3));
    Put(dir, "cmyk.psd", Header(4, 2, 2, 8, 4, "", resources, 0) + Ramp(16, 16));
    return 0;
}
