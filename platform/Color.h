// The game's colours are 32-bit 0x00BBGGRR values (red in the low byte),
// -1 meaning "not set". Qt's QRgb is 0xAARRGGBB. Every conversion goes
// through these helpers.
#pragma once

#include <QColor>
#include <QRgb>
#include <cstdint>

using Color = int32_t;      // 0x00BBGGRR, -1 null
using COLORREF = uint32_t;  // 0x00BBGGRR

constexpr Color ColorNull = -1;

// A game colour as a brush or pen colour: the null colour is black.
constexpr COLORREF PlainColor(Color c)
{
    return c == ColorNull ? COLORREF(0) : COLORREF(c) & 0xFFFFFFu;
}

constexpr COLORREF RGBColor(int r, int g, int b)
{
    return uint32_t(r & 0xFF) | (uint32_t(g & 0xFF) << 8) | (uint32_t(b & 0xFF) << 16);
}
constexpr int GetRValue(uint32_t c) { return int(c & 0xFF); }
constexpr int GetGValue(uint32_t c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(uint32_t c) { return int((c >> 16) & 0xFF); }

// Opaque QRgb of a game colour.
constexpr QRgb ToQRgb(uint32_t c)
{
    return 0xFF000000u | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}
inline QColor ToQColor(uint32_t c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

constexpr COLORREF FromQRgb(QRgb q) { return RGBColor(qRed(q), qGreen(q), qBlue(q)); }
inline COLORREF FromQColor(const QColor &q) { return RGBColor(q.red(), q.green(), q.blue()); }
