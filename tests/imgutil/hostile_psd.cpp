// Photoshop documents whose one PackBits row is wider than a picture may
// be, or than its 16-bit byte count can ever decode to, and one whose
// resource section is a million empty resources.
#include "hostile_writers.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace hostile {

bool WritePackBitsRow(const QString &path, int64_t width, int depth)
{
    std::vector<uint8_t> head;
    auto be = [&](uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            head.push_back(uint8_t(v >> (8 * i)));
    };
    head = {'8', 'B', 'P', 'S'};
    be(1, 2);          // version
    be(0, 6);          // reserved
    be(1, 2);          // channels
    be(1, 4);          // height
    be(uint64_t(width), 4);
    be(uint64_t(depth), 2);
    be(1, 2);          // grey
    be(0, 4);          // colour mode data
    be(0, 4);          // image resources
    be(0, 4);          // layers
    be(1, 2);          // PackBits
    be(0xFFFF, 2);     // the row's byte count
    FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
    // Repeats of 128 zeros.
    std::vector<uint8_t> chunk(size_t(1) << 20);
    for (size_t i = 0; i < chunk.size(); i += 2) {
        chunk[i] = 0x81;
        chunk[i + 1] = 0;
    }
    int64_t left = (width * depth / 8 + 127) / 128 * 2;
    while (ok && left > 0) {
        const size_t n = left < int64_t(chunk.size()) ? size_t(left) : chunk.size();
        ok = std::fwrite(chunk.data(), 1, n, f) == n;
        left -= int64_t(n);
    }
    return std::fclose(f) == 0 && ok;
}

bool WritePsdResources(const QString &path, int64_t count)
{
    QByteArray head("8BPS\0\1\0\0\0\0\0\0"
                    "\0\1\0\0\0\1\0\0\0\1\0\x08\0\1" // 1 channel, 1 x 1, 8 bits, grey
                    "\0\0\0\0",                          // no colour mode data
                    30);
    const QByteArray empty("8BIM\x03\xE8\0\0\0\0\0\0", 12); // id 1000, no name, no data
    const int64_t length = 12 * count;
    for (int s = 24; s >= 0; s -= 8)
        head.append(char(uint32_t(length) >> s));
    FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(head.constData(), 1, size_t(head.size()), f) == size_t(head.size());
    const QByteArray block = empty.repeated(1 << 16);
    for (int64_t left = count; ok && left > 0; left -= 1 << 16) {
        const size_t n = size_t(12 * std::min<int64_t>(left, 1 << 16));
        ok = std::fwrite(block.constData(), 1, n, f) == n;
    }
    // No layers; raw rows: one grey pixel.
    ok = ok && std::fwrite("\0\0\0\0\0\0\x80", 1, 7, f) == 7;
    return std::fclose(f) == 0 && ok;
}

std::vector<TCase> PsdCases()
{
    auto row = [](int64_t width, int depth) {
        return [=](const QString &path) { return WritePackBitsRow(path, width, depth); };
    };
    std::vector<TCase> cases;
    for (const bool box : {false, true}) {
        TCase c;
        c.name = "Photoshop 2^30 x 1 grey PackBits";
        c.ext = ".psd";
        c.refused = true;
        c.boxWidth = box ? 160 : 0;
        c.boxHeight = box ? 120 : 0;
        c.write = row(int64_t(1) << 30, 8);
        cases.push_back(c);
        c.name = "Photoshop 16-bit grey PackBits, 2^31 - 1 x 1";
        c.write = row((int64_t(1) << 31) - 1, 16);
        cases.push_back(c);
    }
    TCase resources;
    resources.name = "Photoshop 1 x 1, a million empty resources (12 MB)";
    resources.ext = ".psd";
    resources.recordWidth = resources.recordHeight = 1;
    resources.write = [](const QString &path) { return WritePsdResources(path, 1000000); };
    cases.push_back(resources);
    return cases;
}

} // namespace hostile
