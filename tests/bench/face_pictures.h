// Six face pictures for the benchmarks, each its own design (gradients,
// stripes, a checkerboard, rings, a digit, circles, a frame and a cross),
// drawn with Qt.
#pragma once

#include "Gdi.h"
#include "TDib.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace benchpictures {

// Face picture `face` (0..5) of w x h.
inline QImage MakeFaceImage(int face, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (face) {
    case 0: {  // horizontal gradient with stripes
        QLinearGradient g(0, 0, w, h);
        g.setColorAt(0, QColor(200, 30, 30));
        g.setColorAt(1, QColor(250, 200, 60));
        p.fillRect(img.rect(), g);
        p.setPen(QPen(QColor(255, 255, 255, 160), w / 40));
        for (int x = -h; x < w; x += w / 8)
            p.drawLine(x, h, x + h, 0);
        break;
    }
    case 1: {  // checkerboard
        const int c = w / 8;
        for (int y = 0; y < h; y += c)
            for (int x = 0; x < w; x += c)
                p.fillRect(x, y, c, c, ((x + y) / c) % 2 ? QColor(20, 120, 40) : QColor(220, 240, 200));
        break;
    }
    case 2: {  // concentric rings
        QRadialGradient g(w / 2.0, h / 2.0, std::max(w, h) / 2.0);
        for (int k = 0; k <= 10; ++k)
            g.setColorAt(k / 10.0, k % 2 ? QColor(30, 60, 200) : QColor(180, 210, 255));
        p.fillRect(img.rect(), g);
        break;
    }
    case 3: {  // big digit on a field
        p.fillRect(img.rect(), QColor(240, 220, 40));
        QFont f;
        f.setPixelSize(h * 3 / 4);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(60, 40, 0));
        p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("4"));
        break;
    }
    case 4: {  // circles
        p.fillRect(img.rect(), QColor(120, 20, 120));
        p.setPen(Qt::NoPen);
        for (int k = 0; k < 12; ++k) {
            p.setBrush(QColor(200 + (k * 5) % 55, 100 + (k * 37) % 150, 220));
            const int r = w / 10 + (k * 13) % (w / 8);
            p.drawEllipse(QPoint((k * 97) % w, (k * 61) % h), r, r);
        }
        break;
    }
    default: {  // diagonal gradient with a frame and a cross
        QLinearGradient g(0, h, w, 0);
        g.setColorAt(0, QColor(0, 160, 160));
        g.setColorAt(1, QColor(220, 255, 255));
        p.fillRect(img.rect(), g);
        p.setPen(QPen(QColor(0, 60, 80), w / 20));
        p.drawRect(img.rect().adjusted(w / 20, h / 20, -w / 20, -h / 20));
        p.drawLine(0, 0, w, h);
        p.drawLine(0, h, w, 0);
        break;
    }
    }
    p.end();
    return img;
}

// The same copied into a bitmap.
inline VlmImgUt::TDib *MakeFacePicture(int face, int w, int h)
{
    auto *d = new VlmImgUt::TDib;
    d->Create(w, h);
    Gdi::FromQImage(d->bitmap, MakeFaceImage(face, w, h));
    return d;
}

} // namespace benchpictures
