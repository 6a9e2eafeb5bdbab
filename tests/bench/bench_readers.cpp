// Hostile picture files, each beside a real picture of the record it makes:
// the time and the peak memory of one read of each, every read in a child
// process of its own. The peer is a real 24-bit BMP of the record's size
// read at full size in the same run. A read must cost no more memory than
// its record (1.5 x the record plus a fixed working set) and, at full size,
// no more time than the peer within a small factor (for a format that
// decodes far slower than a BMP reads, a real picture of its own of the
// record's size; or, where a case names it, the format's library decoding
// the same file on its own with all its threads, within 1.5 x its time); a
// refusal costs milliseconds and no memory to speak of.
#include "bmp_header.h"
#include "child_figure.h"
#include "imgutil/hostile_files.h"

#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>

using namespace VlmImgUt;
using bench::Figure;
using bench::InChild;

namespace {

// A real 24-bit BMP of width x height, its pixels a sparse run of zeros.
bool WriteBmp(const QString &path, int64_t width, int64_t height)
{
    const int64_t stride = (width * 3 + 3) / 4 * 4;
    const QByteArray b = bench::BmpHeader(int32_t(width), int32_t(height), 24);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(b) == b.size() && f.resize(54 + stride * height);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    TImgUt ctx(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(tmp.path() + QStringLiteral("/reg")));
    ctx.optsDirty = false;

    const double refusalMs = 100;
    const long refusalKb = 16 * 1024;
    const long workingSetKb = 128 * 1024;   // the largest reader's: JPEG 2000's bands
    const double timeFactor = 3;
    const double timeSlackMs = 100;
    const double libraryFactor = 1.5;
    QMap<QString, Figure> peers;   // by record size
    bool within = true;
    std::printf("readers: hostile files beside a real BMP of the record's size (time ms / peak memory rise MB)\n");
    std::printf("  %-62s %-9s %20s %20s %8s\n", "file", "box", "quibo", "peer: real BMP", "verdict");
    // An argument keeps only the files whose names hold it.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    for (const hostile::TCase &c : hostile::AllCases()) {
        if (!only.isEmpty() && !QString::fromLatin1(c.name).contains(only))
            continue;
        const QString path = tmp.path() + QStringLiteral("/hostile") + QLatin1String(c.ext);
        // Files are written in children too: a parent whose heap grew would
        // lend its free memory to the reads, and their peaks would not show.
        if (!InChild([&] { return c.write(path); }).ok) {
            std::printf("  %-62s could not be written\n", c.name);
            within = false;
            continue;
        }
        const Figure ours = InChild([&] {
            TDib *pic = nullptr;
            const bool ok = ctx.ReadImageFile(path, &pic, c.boxWidth, c.boxHeight, false);
            delete pic;
            return ok;
        });
        // The library's own decode of the same file, on all its threads.
        Figure library;
        if (c.libraryRead)
            library = InChild([&] { return c.libraryRead(path); });
        QFile::remove(path);

        const int64_t recordPixels = c.recordWidth * c.recordHeight;
        Figure peer;
        if (recordPixels > 0) {
            const QString key = QStringLiteral("%1x%2").arg(c.recordWidth).arg(c.recordHeight);
            if (!peers.contains(key)) {
                const QString bmp = tmp.path() + QStringLiteral("/peer.bmp");
                if (InChild([&] { return WriteBmp(bmp, c.recordWidth, c.recordHeight); }).ok)
                    peers[key] = InChild([&] {
                        TDib *pic = nullptr;
                        const bool ok = ctx.ReadImageFile(bmp, &pic, 0, 0, false);
                        delete pic;
                        return ok;
                    });
                QFile::remove(bmp);
            }
            peer = peers.value(key);
        }

        // A format that decodes slower than a BMP reads is timed beside a
        // real picture of its own.
        Figure own;
        if (c.writePeer) {
            const QString real = tmp.path() + QStringLiteral("/peer") + QLatin1String(c.ext);
            if (InChild([&] { return c.writePeer(real); }).ok)
                own = InChild([&] {
                    TDib *pic = nullptr;
                    const bool ok = ctx.ReadImageFile(real, &pic, 0, 0, false);
                    delete pic;
                    return ok;
                });
            QFile::remove(real);
        }
        const Figure &timePeer = c.writePeer ? own : peer;

        bool ok = ours.ms >= 0 && ours.ok == !c.refused;
        if (c.refused) {
            ok = ok && ours.ms <= refusalMs && ours.peakKb <= refusalKb;
        } else {
            ok = ok && double(ours.peakKb) <= 1.5 * double(recordPixels) * 3 / 1024 + workingSetKb;
            if (c.boxWidth == 0 && c.boxHeight == 0 && c.libraryRead)
                ok = ok && library.ok && ours.ms <= libraryFactor * library.ms;
            else if (c.boxWidth == 0 && c.boxHeight == 0)
                ok = ok && timePeer.ms >= 0 && ours.ms <= timeFactor * timePeer.ms + timeSlackMs;
        }
        within = within && ok;
        const QString box = c.boxWidth || c.boxHeight ? QStringLiteral("%1 x %2").arg(c.boxWidth).arg(c.boxHeight)
                                                      : QStringLiteral("full");
        char peerText[32] = "-";
        if (recordPixels > 0)
            std::snprintf(peerText, sizeof peerText, "%8.1f / %7.1f", peer.ms, peer.peakKb / 1024.0);
        std::printf("  %-62s %-9s %8.1f / %7.1f %s %20s %8s\n", c.name, qPrintable(box), ours.ms,
                    ours.peakKb / 1024.0, ours.ok ? "read   " : "refused", peerText, ok ? "ok" : "OVER");
        if (c.writePeer)
            std::printf("  %-62s %-9s %8s   %7s %s %8.1f / %7.1f\n", "  peer for the time: a real picture of the format", "",
                        "", "", "       ", own.ms, own.peakKb / 1024.0);
        if (c.libraryRead)
            std::printf("  %-62s %-9s %8s   %7s %s %8.1f / %7.1f   x%.2f\n", "  peer: the library's own decode, all threads", "",
                        "", "", "       ", library.ms, library.peakKb / 1024.0, library.ms > 0 ? ours.ms / library.ms : 0.0);
    }
    std::printf("  rule: memory <= 1.5 x record + %ld MB; full reads <= %.0f x the peer + %.0f ms, or <= %.1f x the"
                " library's own decode where shown; refusals <= %.0f ms and %ld MB\n",
                workingSetKb / 1024, timeFactor, timeSlackMs, libraryFactor, refusalMs, refusalKb / 1024);
    return within ? 0 : 1;
}
