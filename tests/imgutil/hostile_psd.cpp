// Photoshop documents whose one PackBits row is wider than a picture may
// be, or than its 16-bit byte count can ever decode to.
#include "hostile_writers.h"

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
    return cases;
}

} // namespace hostile
