// Sun raster files built byte by byte.
#include "layouts_sunraster.h"

using ReaderTests::PutBE32;

namespace layouts::sunraster {

Rgb Expected(const Ras &s, int x, int y)
{
    if (s.depth == 1) {
        if (s.mapEntries > 0)
            return MapEntry(Bit(x, y));
        return Bit(x, y) ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    }
    if (s.depth == 8) {
        const int i = Index(x, y);
        if (s.mapEntries == 0)
            return {uint8_t(i * 30), uint8_t(i * 30), uint8_t(i * 30)};
        return i < s.mapEntries ? MapEntry(i) : Rgb{0, 0, 0};
    }
    return Colour(x, y);
}

QByteArray RunLength(const QByteArray &raw)
{
    QByteArray out;
    for (int i = 0; i < raw.size();) {
        int n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 256)
            ++n;
        if (n >= 3 || uchar(raw[i]) == 0x80) {
            if (n == 1) {
                out.append('\x80');
                out.append('\0');
            } else {
                out.append('\x80');
                out.append(char(n - 1));
                out.append(raw[i]);
            }
            i += n;
        } else {
            out.append(raw[i]);
            ++i;
        }
    }
    return out;
}

QByteArray Build(const Ras &s)
{
    QByteArray pixels;
    const int rowBytes = (s.width * int(s.depth) + 15) / 16 * 2;
    for (int y = 0; y < s.height; ++y) {
        QByteArray row;
        if (s.depth == 1) {
            row.fill('\0', rowBytes);
            for (int x = 0; x < s.width; ++x)
                if (Bit(x, y))
                    row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        } else {
            for (int x = 0; x < s.width; ++x) {
                if (s.depth == 8) {
                    row.append(char(s.mapEntries == 0 ? Index(x, y) * 30 : Index(x, y)));
                    continue;
                }
                const Rgb c = Colour(x, y);
                if (s.depth == 32)
                    row.append('\x5A'); // pad byte
                if (s.type == 3) {
                    row.append(char(c.r)).append(char(c.g)).append(char(c.b));
                } else {
                    row.append(char(c.b)).append(char(c.g)).append(char(c.r));
                }
            }
            while (row.size() < rowBytes)
                row.append('\x77');
        }
        pixels.append(row);
    }
    if (s.type == 2)
        pixels = RunLength(pixels);

    QByteArray b;
    PutBE32(b, s.magic);
    PutBE32(b, uint32_t(s.width));
    PutBE32(b, uint32_t(s.height));
    PutBE32(b, s.depth);
    PutBE32(b, uint32_t(pixels.size()));
    PutBE32(b, s.type);
    PutBE32(b, s.mapType);
    PutBE32(b, uint32_t(s.mapLength >= 0 ? s.mapLength : 3 * s.mapEntries));
    for (int plane = 0; plane < 3; ++plane)
        for (int i = 0; i < s.mapEntries; ++i) {
            const Rgb c = MapEntry(i);
            b.append(char(plane == 0 ? c.r : plane == 1 ? c.g : c.b));
        }
    b.append(pixels);
    if (s.cutAt >= 0)
        b.truncate(int(s.cutAt));
    return b;
}

QByteArray RunsAcrossRowEnd()
{
    QByteArray b;
    for (uint32_t v : {0x59A66A95u, 3u, 2u, 8u, 8u, 2u, 0u, 0u})
        PutBE32(b, v);
    b.append(ReaderTests::Bytes("\x80\x05\x10" "\x80\x00" "\x00"));
    return b;
}

Ras Spec(const Layout &l, int width)
{
    Ras s;
    s.width = width;
    s.depth = l.depth;
    s.type = l.type;
    s.mapEntries = l.mapEntries;
    s.mapType = l.mapEntries > 0 ? 1 : 0;
    return s;
}

} // namespace layouts::sunraster
