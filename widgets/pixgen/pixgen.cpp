// Draws every picture of the image list and writes the C++ source of its
// compressed blocks: vlmpix_gen OUT.cpp [PNGDIR]
// With PNGDIR each picture is also written there as NAME.png.
#include "PixDraw.h"
#include "VlmPixTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void put16(std::string &out, int v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}

// One stored image: flag, sizes, hot spot, second spot, RGBA pixels.
void putRecord(std::string &out, const QImage &picture)
{
    const QImage img = picture.convertToFormat(QImage::Format_ARGB32);
    out.push_back(char(0));
    put16(out, img.width());
    put16(out, img.height());
    put16(out, img.offset().x());
    put16(out, img.offset().y());
    put16(out, 0);
    put16(out, 0);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = row[x];
            const int a = qAlpha(c);
            out.push_back(char(a ? qRed(c) : 0));
            out.push_back(char(a ? qGreen(c) : 0));
            out.push_back(char(a ? qBlue(c) : 0));
            out.push_back(char(a));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    using namespace VlmPixTable;
    if (argc < 2) {
        std::fprintf(stderr, "usage: vlmpix_gen OUT.cpp [PNGDIR]\n");
        return 2;
    }
    const QString pngDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!pngDir.isEmpty())
        QDir().mkpath(pngDir);

    int total = 0;
    for (int n : BlockImages)
        total += n;
    if (total != ImageCount) {
        std::fprintf(stderr, "vlmpix_gen: block counts add up to %d, not %d\n", total, ImageCount);
        return 1;
    }

    QByteArray src;
    src += "// Written by vlmpix_gen from widgets/pixgen; do not edit.\n";
    src += "#include \"VlmPixData.h\"\n\nnamespace {\n";
    QByteArray table = "const VlmPixBlock VlmPixBlocks[VlmPixTable::BlockCount] = {\n";

    int index = 0;
    for (int b = 0; b < BlockCount; ++b) {
        std::string raw;
        for (int i = 0; i < BlockImages[b]; ++i, ++index) {
            const QImage img = DrawPixPicture(index);
            const Shape sh = ShapeOf(index);
            if (img.width() != sh.width || img.height() != sh.height) {
                std::fprintf(stderr, "vlmpix_gen: %s drawn %dx%d, expected %dx%d\n", Names[index], img.width(),
                             img.height(), sh.width, sh.height);
                return 1;
            }
            putRecord(raw, img);
            if (!pngDir.isEmpty())
                img.save(pngDir + QLatin1Char('/') + QLatin1String(Names[index]) + QLatin1String(".png"));
        }
        uLongf zlen = compressBound(uLong(raw.size()));
        std::vector<unsigned char> z(zlen);
        if (compress2(z.data(), &zlen, reinterpret_cast<const Bytef *>(raw.data()), uLong(raw.size()), 9) != Z_OK) {
            std::fprintf(stderr, "vlmpix_gen: compression failed\n");
            return 1;
        }
        src += "const unsigned char block" + QByteArray::number(b) + "[] = {";
        for (uLongf k = 0; k < zlen; ++k) {
            if (k % 20 == 0)
                src += "\n   ";
            src += ' ' + QByteArray::number(z[k]) + ',';
        }
        src += "\n};\n";
        table += "    {block" + QByteArray::number(b) + ", sizeof block" + QByteArray::number(b) + ", " +
                 QByteArray::number(qulonglong(raw.size())) + ", " + QByteArray::number(BlockImages[b]) + "},\n";
    }
    src += "} // namespace\n\n" + table + "};\n";

    // Leave an unchanged file alone so the library is not rebuilt.
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (out.open(QIODevice::ReadOnly) && out.readAll() == src)
        return 0;
    out.close();
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(src) != src.size()) {
        std::fprintf(stderr, "vlmpix_gen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
