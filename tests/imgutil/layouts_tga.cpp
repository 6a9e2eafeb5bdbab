// Targa files built byte by byte.
#include "layouts_tga.h"

#include <cstring>

using ReaderTests::PutLE16;

namespace layouts::tga {

namespace {

QByteArray PixelBytes(const Tga &s, int x, int y)
{
    QByteArray p;
    if ((s.type & 7) == 1) {
        p.append(char(Index(x, y, s)));
    } else if (s.bits == 15 || s.bits == 16) {
        PutLE16(p, Word(x, y));
    } else {
        const Rgb c = Colour(x, y);
        p.append(char(c.b)).append(char(c.g)).append(char(c.r));
        if (s.bits == 32)
            p.append(char(x * 17)); // not kept
    }
    return p;
}

} // namespace

Rgb Expected(const Tga &s, int x, int y)
{
    if ((s.type & 7) == 1)
        return MapEntry(Index(x, y, s));
    if (s.bits == 15 || s.bits == 16) {
        const int w = Word(x, y);
        return {Scale5((w >> 10) & 31), Scale5((w >> 5) & 31), Scale5(w & 31)};
    }
    return Colour(x, y);
}

QByteArray RunLength(const QByteArray &px, int bpp)
{
    const int n = px.size() / bpp;
    auto same = [&](int a, int b) { return memcmp(px.constData() + a * bpp, px.constData() + b * bpp, size_t(bpp)) == 0; };
    QByteArray out;
    int i = 0;
    while (i < n) {
        int k = 1;
        while (i + k < n && k < 128 && same(i + k, i))
            ++k;
        if (k >= 2) {
            out.append(char(0x80 | (k - 1)));
            out.append(px.mid(i * bpp, bpp));
            i += k;
            continue;
        }
        while (i + k < n && k < 128 && !same(i + k, i + k - 1) && !(i + k + 1 < n && same(i + k + 1, i + k)))
            ++k;
        out.append(char(k - 1));
        out.append(px.mid(i * bpp, k * bpp));
        i += k;
    }
    return out;
}

QByteArray Build(const Tga &s)
{
    QByteArray b;
    b.append(char(s.idLength)).append(char(s.mapType)).append(char(s.type));
    PutLE16(b, uint32_t(s.mapFirst));
    PutLE16(b, uint32_t(s.mapLength));
    b.append(char(s.mapBits));
    PutLE16(b, 7); // origin: not used
    PutLE16(b, 9);
    PutLE16(b, uint32_t(s.width));
    PutLE16(b, uint32_t(s.height));
    b.append(char(s.bits)).append(char(s.descriptor));
    for (int i = 0; i < s.idLength; ++i)
        b.append(char('A' + i % 26));
    for (int i = 0; i < s.mapLength; ++i) {
        const Rgb c = MapEntry(i);
        b.append(char(c.b)).append(char(c.g)).append(char(c.r));
    }
    const bool topDown = s.descriptor & 0x20, rightToLeft = s.descriptor & 0x10;
    QByteArray px;
    if (s.width > 0 && s.width <= 4096 && s.height <= 4096)
        for (int r = 0; r < s.height; ++r)
            for (int i = 0; i < s.width; ++i)
                px.append(PixelBytes(s, rightToLeft ? s.width - 1 - i : i, topDown ? r : s.height - 1 - r));
    const int bpp = (s.type & 7) == 1 ? 1 : (s.bits + 7) / 8;
    b.append(s.type >= 9 && !px.isEmpty() ? RunLength(px, bpp) : px);
    if (s.cutAt >= 0)
        b.truncate(int(s.cutAt));
    return b;
}

QByteArray RepeatAcrossRowEnd()
{
    Tga s;
    s.type = 10;
    s.width = 2;
    s.height = 2;
    QByteArray b = Build(s);
    b.truncate(18);
    b.append(ReaderTests::Bytes("\x82" "\x10\x20\x30" "\x00" "\x40\x50\x60"));
    return b;
}

Tga Spec(const Layout &l, int descriptor, int width)
{
    Tga s;
    s.type = l.type;
    s.bits = l.bits;
    s.mapLength = l.mapLength;
    s.mapType = l.mapLength > 0 ? 1 : 0;
    s.descriptor = descriptor;
    s.width = width;
    s.idLength = descriptor == 0x08 ? 11 : 0;
    return s;
}

} // namespace layouts::tga
