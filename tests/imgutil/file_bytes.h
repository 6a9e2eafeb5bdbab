// Pixels as red, green and blue and the big- and little-endian fields of
// the files the readers' tests and the fuzz seeds write byte by byte.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <ostream>

namespace ReaderTests {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};

inline std::ostream &operator<<(std::ostream &os, const Rgb &c)
{
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

// The bytes of a string literal, embedded NULs included, without the
// terminator.
template <size_t N>
QByteArray Bytes(const char (&s)[N])
{
    return QByteArray(s, int(N - 1));
}

inline void PutBE16(QByteArray &b, uint32_t v)
{
    b.append(char(v >> 8));
    b.append(char(v));
}
inline void PutBE32(QByteArray &b, uint32_t v)
{
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}
inline void PutLE16(QByteArray &b, uint32_t v)
{
    b.append(char(v));
    b.append(char(v >> 8));
}

} // namespace ReaderTests
