// Contact sheet of the image list: every picture at 4x, over a light
// checkerboard and over the panel's button face, with its index and name.
//   vlmpix_sheet OUT.png
#include "Color.h"
#include "VlmPix.h"

#include <QApplication>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {
// The face colour the dialogs give their kit buttons.
constexpr COLORREF ButtonFace = 0x2C2C6F;
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString outName = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pix-sheet.png");

    const int zoom = 4, cols = 6, pad = 8;
    const int cellW = 2 * 38 * zoom + 38 + 4 * pad, cellH = 38 * zoom + 2 * pad + 18;
    const int n = VlmPix::Count();
    const int rows = (n + cols - 1) / cols;
    QImage sheet(cols * cellW, rows * cellH, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 60));
    QPainter p(&sheet);
    QFont f;
    f.setPixelSize(12);
    p.setFont(f);
    for (int i = 0; i < n; ++i) {
        const QImage img = VlmPix::Get(i);
        const int cx = (i % cols) * cellW, cy = (i / cols) * cellH;
        p.fillRect(cx + 1, cy + 1, cellW - 2, cellH - 2, QColor(90, 90, 96));
        const QPoint hs = VlmPix::HotSpot(i);
        p.setPen(Qt::white);
        p.drawText(cx + pad, cy + cellH - 6,
                   QStringLiteral("%1 %2  %3x%4  (%5,%6)")
                       .arg(i)
                       .arg(VlmPix::Name(i))
                       .arg(img.width())
                       .arg(img.height())
                       .arg(hs.x())
                       .arg(hs.y()));
        if (img.isNull())
            continue;
        const int w = img.width() * zoom, h = img.height() * zoom;
        const QRect a(cx + pad, cy + pad, w, h);
        for (int y = 0; y < h; y += 8)
            for (int x = 0; x < w; x += 8)
                p.fillRect(a.x() + x, a.y() + y, std::min(8, w - x), std::min(8, h - y),
                           ((x + y) / 8) % 2 ? QColor(200, 200, 200) : QColor(244, 244, 244));
        p.drawImage(a, img);
        const QRect b(a.right() + 1 + pad, a.y(), w, h);
        p.fillRect(b, ToQColor(ButtonFace));
        p.drawImage(b, img);
        // actual size, on both backgrounds
        const QRect c1(b.right() + 1 + pad, a.y(), img.width(), img.height());
        p.fillRect(c1, QColor(222, 222, 222));
        p.drawImage(c1.topLeft(), img);
        const QRect c2(c1.x(), c1.bottom() + 1 + pad, img.width(), img.height());
        p.fillRect(c2, ToQColor(ButtonFace));
        p.drawImage(c2.topLeft(), img);
    }
    p.end();
    if (!sheet.save(outName)) {
        std::fprintf(stderr, "vlmpix_sheet: cannot write %s\n", qPrintable(outName));
        return 1;
    }
    return 0;
}
