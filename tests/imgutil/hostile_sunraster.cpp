#include "hostile_files.h"
#include "hostile_writers.h"

#include <QByteArray>
#include <QFile>

namespace hostile {

namespace {

void PutBE32(QByteArray &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.append(char(v >> s));
}

} // namespace

bool WriteRunLengthSunRaster(const QString &path, uint32_t width, uint32_t height)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // 32 bits a pixel (a pad byte, then B, G, R), rows of 4 * width bytes,
    // all of them in runs of 256 equal bytes (0x80 255 v) and a shorter last run.
    int64_t left = int64_t(width) * 4 * height;
    QByteArray runs;
    const int64_t count = (left + 255) / 256;
    for (uint32_t v : {0x59A66A95u, width, height, 32u, uint32_t(count * 3), 2u, 0u, 0u})
        PutBE32(runs, v);
    while (left > 0) {
        const int n = left < 256 ? int(left) : 256;
        if (n == 1)
            runs.append('\x60');
        else
            runs.append('\x80').append(char(n - 1)).append('\x60');
        left -= n;
        if (runs.size() >= (1 << 20)) {
            if (f.write(runs) != runs.size())
                return false;
            runs.clear();
        }
    }
    return f.write(runs) == runs.size() && f.flush();
}

std::vector<TCase> SunRasterCases()
{
    return {
        {"Sun raster 268,435,456 x 1, 32-bit run-length", ".ras", 0, 0, false, 268435456, 1,
         [](const QString &path) { return WriteRunLengthSunRaster(path, 268435456, 1); }},
    };
}

} // namespace hostile
