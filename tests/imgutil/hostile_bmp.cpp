#include "hostile_files.h"
#include "hostile_writers.h"

#include <QFile>

namespace hostile {

bool WriteBmpBlack(const QString &path, int32_t width, int32_t height)
{
    const int64_t rowLength = (int64_t(width) * 3 + 3) / 4 * 4;
    const int64_t pixels = rowLength * height;
    QByteArray h(54, '\0');
    auto put = [&h](int at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            h[at + i] = char(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    put(2, uint32_t(54 + pixels), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(width), 4);
    put(22, uint32_t(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, uint32_t(pixels), 4);
    put(38, 2835, 4);
    put(42, 2835, 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(h) == h.size() && f.resize(54 + pixels);
}

std::vector<TCase> BmpCases()
{
    TCase c;
    c.name = "BMP 268435456 x 1, 24-bit (805 MB)";
    c.ext = ".bmp";
    c.recordWidth = 268435456;
    c.recordHeight = 1;
    c.write = [](const QString &path) { return WriteBmpBlack(path, 268435456, 1); };
    return {c};
}

} // namespace hostile
