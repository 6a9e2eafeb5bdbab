// Windows bitmaps built byte by byte.
#include "layouts_bmp.h"

namespace layouts::bmp {

namespace {

void Put16(QByteArray &b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray &b, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray Build(const Bmp &s)
{
    const int64_t absH = s.height < 0 ? -int64_t(s.height) : s.height;
    const int entry = s.headerSize == 12 ? 3 : 4;
    const int bpp = s.bits / 8;
    const int64_t rowLen = (int64_t(bpp) * s.width + 3) / 4 * 4;
    const int offset = 14 + s.headerSize + s.paletteEntries * entry;

    QByteArray b;
    b.append("BM");
    // Header sizes keep their low 32 bits, as a 32-bit field would.
    const uint64_t image = uint64_t(rowLen) * uint64_t(absH);
    Put32(b, int64_t(uint32_t(offset + image)));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, s.headerSize);
    if (s.headerSize == 12) {
        Put16(b, s.width);
        Put16(b, s.height);
        Put16(b, 1);
        Put16(b, s.bits);
    } else {
        Put32(b, s.width);
        Put32(b, s.height);
        Put16(b, 1);
        Put16(b, s.bits);
        Put32(b, s.compression);
        Put32(b, int64_t(uint32_t(image)));
        Put32(b, s.ppmX);
        Put32(b, s.ppmY);
        Put32(b, s.coloursUsed);
        Put32(b, 0);
        while (b.size() < 14 + s.headerSize)
            b.append('\0');
    }
    for (int i = 0; i < s.paletteEntries; ++i) {
        const BGR c = PaletteEntry(i);
        b.append(char(c.b));
        b.append(char(c.g));
        b.append(char(c.r));
        if (entry == 4)
            b.append('\x55');
    }
    if (s.pixels && bpp >= 1 && s.width > 0 && s.width < 100000 && absH < 100000) {
        for (int r = 0; r < absH; ++r) {
            const int y = s.height < 0 ? r : int(absH) - 1 - r; // stored row -> picture row
            QByteArray row;
            for (int x = 0; x < s.width; ++x) {
                if (bpp == 1) {
                    row.append(char(Index(x, y)));
                } else {
                    const BGR c = Colour(x, y);
                    row.append(char(c.b));
                    row.append(char(c.g));
                    row.append(char(c.r));
                    if (bpp == 4)
                        row.append('\x11');
                }
            }
            while (row.size() < rowLen)
                row.append('\x77');
            b.append(row);
        }
    }
    if (s.cutAt >= 0)
        b.truncate(int(s.cutAt));
    return b;
}

Bmp Spec(const Layout &l, int width)
{
    Bmp s;
    s.headerSize = l.headerSize;
    s.bits = l.bits;
    s.width = width;
    s.height = l.height;
    s.coloursUsed = l.coloursUsed;
    s.paletteEntries = l.entries;
    return s;
}

} // namespace layouts::bmp
