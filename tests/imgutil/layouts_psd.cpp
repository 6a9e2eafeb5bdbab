// Photoshop documents built byte by byte.
#include "layouts_psd.h"

#include <algorithm>

using ReaderTests::PutBE16;
using ReaderTests::PutBE32;

namespace layouts::psd {

namespace {

QByteArray ChannelRow(const Psd &s, int c, int y)
{
    QByteArray row;
    for (uint32_t x = 0; x < s.width; ++x) {
        const uint32_t v = s.sample(c, int(x), y);
        if (s.depth == 16)
            PutBE16(row, v);
        else
            row.append(char(v));
    }
    return row;
}

} // namespace

uint32_t Sample16(int c, int x, int y)
{
    return uint32_t((x * 4099 + y * 7001 + c * 12007) & 0xFFFF);
}

QByteArray PackBits(const QByteArray &row)
{
    QByteArray out;
    int i = 0;
    while (i < row.size()) {
        int n = 1;
        while (i + n < row.size() && row[i + n] == row[i] && n < 128)
            ++n;
        if (n >= 3) {
            out.append(char(1 - n));
            out.append(row[i]);
            i += n;
            continue;
        }
        int k = 0;
        while (i + k < row.size() && k < 128 &&
               !(i + k + 2 < row.size() && row[i + k] == row[i + k + 1] && row[i + k] == row[i + k + 2]))
            ++k;
        out.append(char(k - 1));
        out.append(row.mid(i, k));
        i += k;
    }
    return out;
}

QByteArray ResourceSection(const std::vector<Resource> &list)
{
    QByteArray b;
    for (const Resource &r : list) {
        b.append("8BIM");
        PutBE16(b, uint32_t(r.id));
        b.append(char(r.name.size()));
        b.append(r.name);
        if ((1 + r.name.size()) % 2)
            b.append('\0');
        PutBE32(b, uint32_t(r.data.size()));
        b.append(r.data);
        if (r.data.size() % 2)
            b.append('\x99'); // pad
    }
    return b;
}

QByteArray Build(const Psd &s)
{
    QByteArray b = s.signature;
    PutBE16(b, uint32_t(s.version));
    b.append(QByteArray(6, '\0'));
    PutBE16(b, uint32_t(s.channels));
    PutBE32(b, s.height);
    PutBE32(b, s.width);
    PutBE16(b, uint32_t(s.depth));
    PutBE16(b, uint32_t(s.mode));
    PutBE32(b, uint32_t(s.colourLength >= 0 ? s.colourLength : s.colourData.size()));
    b.append(s.colourData);
    const QByteArray res = ResourceSection(s.resources);
    PutBE32(b, uint32_t(s.resourceLength >= 0 ? s.resourceLength : res.size()));
    b.append(res);
    PutBE32(b, uint32_t(s.layerLength >= 0 ? s.layerLength : s.layers.size()));
    b.append(s.layers);
    PutBE16(b, uint32_t(s.compression));
    const int written = s.channelsWritten >= 0 ? s.channelsWritten : s.channels;
    if (s.width * uint64_t(s.height) <= 4000000) {
        std::vector<QByteArray> rows;
        for (int c = 0; c < written; ++c)
            for (uint32_t y = 0; y < s.height; ++y)
                rows.push_back(s.compression == 1 ? PackBits(ChannelRow(s, c, int(y))) : ChannelRow(s, c, int(y)));
        if (s.compression == 1) {
            for (int c = 0; c < s.channels; ++c)
                for (uint32_t y = 0; y < s.height; ++y) {
                    const size_t i = size_t(c) * s.height + y;
                    PutBE16(b, i < rows.size() ? uint32_t(rows[i].size()) : 0);
                }
        }
        for (const QByteArray &r : rows)
            b.append(r);
    }
    if (s.cutAt >= 0)
        b.truncate(int(s.cutAt));
    return b;
}

QByteArray Palette(int entries)
{
    QByteArray p;
    for (int plane = 0; plane < 3; ++plane)
        for (int i = 0; i < entries; ++i)
            p.append(char(plane == 0 ? 10 * i + 5 : plane == 1 ? 255 - 9 * i : 3 * i));
    return p;
}

QByteArray Resolution(int dpiX, int dpiY)
{
    QByteArray r;
    PutBE32(r, uint32_t(dpiX) << 16 | 0x8000); // 16.16 fixed point
    PutBE16(r, 1);
    PutBE16(r, 1);
    PutBE32(r, uint32_t(dpiY) << 16);
    PutBE16(r, 1);
    PutBE16(r, 1);
    return r;
}

int Byte(const Psd &s, int c, int x, int y)
{
    const uint32_t v = s.sample(c, x, y);
    return s.depth == 8 ? int(v) : std::min(255, int((v + 127) / 256));
}

Rgb Expected(const Psd &s, int x, int y)
{
    switch (s.mode) {
    case 3:
        return {uint8_t(Byte(s, 0, x, y)), uint8_t(Byte(s, 1, x, y)), uint8_t(Byte(s, 2, x, y))};
    case 4: {
        const uint32_t v = s.sample(3, x, y);
        const int k = s.depth == 8 ? int(v) : int((v + 127) / 256);
        return {uint8_t(Byte(s, 0, x, y) * k / 256), uint8_t(Byte(s, 1, x, y) * k / 256),
                uint8_t(Byte(s, 2, x, y) * k / 256)};
    }
    case 2: {
        const int n = s.colourData.size() / 3, i = Byte(s, 0, x, y);
        if (i >= n)
            return {0, 0, 0};
        const auto *p = reinterpret_cast<const uint8_t *>(s.colourData.constData());
        return {p[i], p[n + i], p[2 * n + i]};
    }
    default: {
        const uint8_t g = uint8_t(Byte(s, 0, x, y));
        return {g, g, g};
    }
    }
}

int AlphaChannel(const Psd &s)
{
    if (s.mode == 1 && s.channels > 1)
        return 1;
    if (s.mode == 3 && s.channels > 3)
        return 3;
    if (s.mode == 4 && s.channels > 4)
        return 4;
    return -1;
}

Psd Spec(const Layout &l, int depth, int compression, uint32_t width)
{
    Psd s;
    s.mode = l.mode;
    s.channels = l.channels;
    s.depth = depth;
    s.compression = compression;
    s.width = width;
    s.colourData = Palette(l.paletteEntries);
    if (depth == 16)
        s.sample = Sample16;
    if (l.mode == 2 && depth == 16) // entry numbers from 16-bit samples
        s.sample = [](int ch, int x, int y) { return uint32_t(Sample16(ch, x, y) & 0xC7FF); };
    return s;
}

} // namespace layouts::psd
