// Seeds: small Photoshop documents written by hand: RGB raw and PackBits
// with resources, grey 16-bit with alpha, indexed, CMYK.
#include "seed_util.h"

#include <cstdint>

namespace {

using fuzz::Ramp;

void PutBE(QByteArray &b, uint32_t v, int bytes)
{
    for (int s = 8 * (bytes - 1); s >= 0; s -= 8)
        b.append(char(v >> s));
}

QByteArray Header(int channels, uint32_t w, uint32_t h, int depth, int mode, const QByteArray &colourData,
                  const QByteArray &resources, int compression)
{
    QByteArray b("8BPS");
    PutBE(b, 1, 2);
    b.append(QByteArray(6, '\0'));
    PutBE(b, uint32_t(channels), 2);
    PutBE(b, h, 4);
    PutBE(b, w, 4);
    PutBE(b, uint32_t(depth), 2);
    PutBE(b, uint32_t(mode), 2);
    PutBE(b, uint32_t(colourData.size()), 4);
    b.append(colourData);
    PutBE(b, uint32_t(resources.size()), 4);
    b.append(resources);
    PutBE(b, 4, 4);
    b.append(QByteArray(4, '\0')); // layers
    PutBE(b, uint32_t(compression), 2);
    return b;
}

QByteArray Resource(int id, const QByteArray &data)
{
    QByteArray b("8BIM");
    PutBE(b, uint32_t(id), 2);
    b.append(QByteArray(2, '\0')); // empty name, padded
    PutBE(b, uint32_t(data.size()), 4);
    b.append(data);
    if (data.size() % 2)
        b.append('\0');
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    QByteArray dpi;
    for (uint32_t v : {300u << 16, 0x00010001u, 300u << 16, 0x00010001u})
        PutBE(dpi, v, 4);
    const QByteArray resources = Resource(1005, dpi) + Resource(1039, "icc") + Resource(1060, "<x/>");
    // PackBits: each 4-byte row one repeat packet of 2 bytes.
    QByteArray packed = Header(4, 4, 2, 8, 3, {}, resources, 1);
    for (int i = 0; i < 8; ++i)
        PutBE(packed, 2, 2);
    for (int i = 0; i < 8; ++i)
        packed.append('\xFD').append(char(i * 30));
    bool ok = true;
    ok = fuzz::WriteSeed(argv[1], "rgb.psd", Header(3, 4, 3, 8, 3, {}, resources, 0) + Ramp(36, 7)) && ok;
    ok = fuzz::WriteSeed(argv[1], "rgba-packbits.psd", packed) && ok;
    ok = fuzz::WriteSeed(argv[1], "grey16-alpha.psd", Header(2, 3, 2, 16, 1, {}, {}, 0) + Ramp(24, 11)) && ok;
    ok = fuzz::WriteSeed(argv[1], "indexed.psd", Header(1, 3, 2, 8, 2, Ramp(48, 5), {}, 0) + Ramp(6, 3)) && ok;
    ok = fuzz::WriteSeed(argv[1], "cmyk.psd", Header(4, 2, 2, 8, 4, {}, resources, 0) + Ramp(16, 16)) && ok;
    return ok ? 0 : 1;
}
