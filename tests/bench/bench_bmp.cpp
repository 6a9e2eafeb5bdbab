// Bitmap files whose headers claim far more than they hold: the time and
// the peak memory of one read each, beside Qt's own BMP reader on the same
// file in the same run. Each read runs in a child process, so its peak
// memory is its own. A 54-byte file must cost milliseconds and no memory to
// speak of; a picture larger than the size cap, read reduced, only its
// sampled rows.
#include "bmp_header.h"
#include "child_figure.h"

#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace VlmImgUt;
using bench::Figure;
using bench::InChild;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    TImgUt ctx(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(tmp.path() + QStringLiteral("/reg")));
    ctx.optsDirty = false;

    struct Case {
        const char *what;
        int32_t width, height;
        int bits;
        int box;            // reduction box side, 0 none
        int64_t length;     // file length, sparse past the header; 0: the header alone
        bool bounded;       // must stay within the bound below
    } cases[] = {
        {"1 x 268435456, 8 bits, header and palette only", 1, 268435456, 8, 0, 0, true},
        {"1 x 268435456, 24 bits, 54-byte header", 1, 268435456, 24, 0, 0, true},
        {"268435456 x 1, 24 bits", 268435456, 1, 24, 0, 0, true},
        {"268435456 x 1, 32 bits, box 100", 268435456, 1, 32, 100, 0, true},
        {"16384 x 16384, 24 bits", 16384, 16384, 24, 0, 0, true},
        {"16384 x 16384, 24 bits, box 100", 16384, 16384, 24, 100, 0, true},
        {"20000 x 20000, 8 bits, all there (sparse), box 100", 20000, 20000, 8, 100,
         54 + 1024 + int64_t(20000) * 20000, false},
    };
    const double boundMs = 50;
    const long boundKb = 16 * 1024;
    bool within = true;
    std::printf("bmp: reads of files claiming more than they hold (time ms / peak memory rise MB)\n");
    std::printf("  %-52s %22s %22s\n", "file", "quibo", "peer: Qt QImageReader");
    for (const Case &c : cases) {
        const QString path = tmp.path() + QStringLiteral("/claim.bmp");
        {
            QFile f(path);
            const QByteArray head = bench::BmpHeader(c.width, c.height, c.bits);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(head) != head.size()
                || (c.length > 0 && !f.resize(c.length)))
                return 2;
        }
        const Figure ours = InChild([&] {
            TDib *pic = nullptr;
            const bool ok = ctx.ReadImageFile(path, &pic, c.box, c.box, false);
            delete pic;
            return ok;
        });
        const Figure peer = InChild([&] {
            QImageReader reader(path);
            if (c.box > 0)
                reader.setScaledSize(QSize(c.box, c.box));
            return !reader.read().isNull();
        });
        const bool ok = !c.bounded || (ours.ms >= 0 && ours.ms < boundMs && ours.peakKb < boundKb);
        within = within && ok;
        std::printf("  %-52s %8.1f / %6.1f %s %8.1f / %6.1f %s%s\n", c.what, ours.ms, ours.peakKb / 1024.0,
                    ours.ok ? "read" : "    ", peer.ms, peer.peakKb / 1024.0, peer.ok ? "read" : "    ",
                    ok ? "" : "  EXCEEDS THE BOUND");
    }
    std::printf("  bound for the header-only files: %.0f ms and %ld MB each: %s\n", boundMs, boundKb / 1024,
                within ? "within" : "EXCEEDED");
    return within ? 0 : 1;
}
