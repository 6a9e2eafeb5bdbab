// The header of a bitmap file claiming width x height at 8 (with a
// palette) or 24 bits a pixel; the pixels are for the caller to add.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace bench {

inline void Put(QByteArray &b, int64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A bitmap header (and for 8 bits a palette) claiming width x height.
inline QByteArray BmpHeader(int32_t width, int32_t height, int bits)
{
    const int palette = bits == 8 ? 1024 : 0;
    QByteArray b("BM");
    Put(b, 54 + palette, 4);
    Put(b, 0, 4);
    Put(b, 54 + palette, 4);
    Put(b, 40, 4);
    Put(b, width, 4);
    Put(b, height, 4);
    Put(b, 1, 2);
    Put(b, bits, 2);
    for (int i = 0; i < 6; ++i)
        Put(b, i == 1 || i == 2 ? 2835 : 0, 4);
    b.append(QByteArray(palette, '\x40'));
    return b;
}

} // namespace bench
