#include "hostile_files.h"
#include "hostile_writers.h"

#include <QByteArray>
#include <QFile>

namespace hostile {

bool WriteRunLengthTarga(const QString &path, int width, int height)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // Colour-mapped, run-length encoded, one map entry of 24 bits, 8 bits a
    // pixel, bottom row first.
    const char header[18] = {0, 1, 9, 0, 0, 1, 0, 24, 0, 0, 0, 0,
                             char(width), char(width >> 8), char(height), char(height >> 8), 8, 0};
    QByteArray b(header, 18);
    b.append("\x20\x90\xE0", 3); // the entry: blue, green, red
    int64_t left = int64_t(width) * height;
    while (left > 0) {
        const int n = left < 128 ? int(left) : 128;
        b.append(char(0x80 | (n - 1))).append('\0');
        left -= n;
        if (b.size() >= (1 << 20)) {
            if (f.write(b) != b.size())
                return false;
            b.clear();
        }
    }
    return f.write(b) == b.size() && f.flush();
}

std::vector<TCase> TgaCases()
{
    return {
        {"Targa 65535 x 65535 run-length, into 160 x 120", ".tga", 160, 120, false, 120, 120,
         [](const QString &path) { return WriteRunLengthTarga(path, 65535, 65535); }},
    };
}

} // namespace hostile
