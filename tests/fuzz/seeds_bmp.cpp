// Seeds: small Windows bitmaps of every layout the reader takes.
#include "seed_util.h"

#include <cstdint>

namespace {

void Put(QByteArray &b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char(v >> (8 * i)));
}

// width x height (negative: top-down) at bits per pixel, with a core
// (12-byte) or information (40-byte) header.
QByteArray Bitmap(int width, int height, int bits, int headerSize)
{
    const int absH = height < 0 ? -height : height;
    const int entry = headerSize == 12 ? 3 : 4;
    const int palette = bits == 8 ? 256 * entry : 0;
    const int rowLen = (bits / 8 * width + 3) / 4 * 4;
    const int offset = 14 + headerSize + palette;
    QByteArray b("BM");
    Put(b, uint32_t(offset + rowLen * absH), 4);
    Put(b, 0, 4);
    Put(b, uint32_t(offset), 4);
    Put(b, uint32_t(headerSize), 4);
    if (headerSize == 12) {
        Put(b, uint32_t(width), 2);
        Put(b, uint32_t(height), 2);
        Put(b, 1, 2);
        Put(b, uint32_t(bits), 2);
    } else {
        Put(b, uint32_t(width), 4);
        Put(b, uint32_t(height), 4);
        Put(b, 1, 2);
        Put(b, uint32_t(bits), 2);
        Put(b, 0, 4);
        Put(b, uint32_t(rowLen * absH), 4);
        Put(b, 2835, 4);
        Put(b, 2835, 4);
        Put(b, 0, 4);
        Put(b, 0, 4);
    }
    for (int i = 0; i < palette; ++i)
        b.append(char(i * 7));
    for (int y = 0; y < absH; ++y)
        for (int x = 0; x < rowLen; ++x)
            b.append(char(x * 13 + y * 29));
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    ok = fuzz::WriteSeed(argv[1], "rgb24.bmp", Bitmap(7, 5, 24, 40)) && ok;
    ok = fuzz::WriteSeed(argv[1], "topdown32.bmp", Bitmap(6, -4, 32, 40)) && ok;
    ok = fuzz::WriteSeed(argv[1], "palette8.bmp", Bitmap(9, 3, 8, 40)) && ok;
    ok = fuzz::WriteSeed(argv[1], "core8.bmp", Bitmap(5, 5, 8, 12)) && ok;
    ok = fuzz::WriteSeed(argv[1], "core24.bmp", Bitmap(3, 2, 24, 12)) && ok;
    return ok ? 0 : 1;
}
