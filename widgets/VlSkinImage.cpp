#include "VlSkinImage.h"

#include "VlScale.h"
#include "VlmPix.h"

#include <QHash>

#include <algorithm>

// ---- Sharpening -------------------------------------------------------

QImage VlSharpen(const QImage &image, int amount)
{
    if (image.isNull())
        return image;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width();
    const int h = src.height();
    QImage dst(w, h, QImage::Format_ARGB32_Premultiplied);
    dst.setOffset(image.offset());
    for (const QString &key : image.textKeys())
        dst.setText(key, image.text(key));

    // 3x3 binomial blur (1 2 1 / 2 4 2 / 1 2 1) / 16, edges replicated;
    // out = in + amount/100 * (in - blur), in premultiplied channels.
    const long long den = 100LL * 16;
    for (int y = 0; y < h; ++y) {
        const QRgb *rows[3] = {
            reinterpret_cast<const QRgb *>(src.constScanLine(std::max(0, y - 1))),
            reinterpret_cast<const QRgb *>(src.constScanLine(y)),
            reinterpret_cast<const QRgb *>(src.constScanLine(std::min(h - 1, y + 1))),
        };
        QRgb *out = reinterpret_cast<QRgb *>(dst.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int xs[3] = {std::max(0, x - 1), x, std::min(w - 1, x + 1)};
            static const int k[3] = {1, 2, 1};
            int sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    const QRgb p = rows[j][xs[i]];
                    const int wt = k[j] * k[i];
                    sum[0] += qAlpha(p) * wt;
                    sum[1] += qRed(p) * wt;
                    sum[2] += qGreen(p) * wt;
                    sum[3] += qBlue(p) * wt;
                }
            const QRgb c = rows[1][x];
            const int in[4] = {qAlpha(c), qRed(c), qGreen(c), qBlue(c)};
            int v[4];
            for (int n = 0; n < 4; ++n) {
                const long long diff = 16LL * in[n] - sum[n];
                long long d = amount * diff;
                d = d >= 0 ? (d + den / 2) / den : -((-d + den / 2) / den);
                v[n] = int(std::clamp<long long>(in[n] + d, 0, 255));
            }
            for (int n = 1; n < 4; ++n)
                v[n] = std::min(v[n], v[0]);
            out[x] = qRgba(v[1], v[2], v[3], v[0]);
        }
    }
    return dst.convertToFormat(QImage::Format_ARGB32);
}

// ---- Scale-dependent pictures -----------------------------------------

QImage VlResizeSharpened(const QImage &img, int w, int h, float f)
{
    if (w <= 0 || h <= 0 || img.isNull())
        return QImage();
    QImage scaled = img.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QPoint hs = img.offset();
    scaled.setOffset(QPoint(int(float(hs.x()) * f + 0.5f), int(float(hs.y()) * f + 0.5f)));
    for (const QString &key : img.textKeys()) {
        bool ok = false;
        const int v = img.text(key).toInt(&ok);
        if (ok && (key == QLatin1String("spot2x") || key == QLatin1String("spot2y")))
            scaled.setText(key, QString::number(int(float(v) * f + 0.5f)));
        else
            scaled.setText(key, img.text(key));
    }
    return VlSharpen(scaled, 100);
}

namespace {

QImage resizeSharpened(const QImage &img, float f)
{
    return VlResizeSharpened(img, int(float(img.width()) * f + 0.5f), int(float(img.height()) * f + 0.5f), f);
}

// Resized pictures by scale letter and name; they never change, since the
// image list is fixed. Kept small: cleared when full.
QHash<QString, QImage> &resizedCache()
{
    static QHash<QString, QImage> cache;
    return cache;
}
constexpr int ResizedCacheLimit = 64;

} // namespace

QImage SkinImage(const QString &name)
{
    const VlScaleRow &row = VlScaleRowOf(VlScale);
    int index = -1;
    if (*row.suffix)
        index = VlmPix::Find(name + QLatin1String(row.suffix));
    if (index < 0)
        index = VlmPix::Find(name);
    if (index < 0)
        return QImage();
    const QImage img = VlmPix::Get(index);
    if (!row.resized || img.width() <= 0)
        return img;

    const QString key = QString(QChar(row.letter)) + QLatin1Char(':') + VlmPix::Name(index);
    QHash<QString, QImage> &cache = resizedCache();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    const float f = VlScaleY * 8.0f / 19.0f;
    QImage out = resizeSharpened(img, f);
    if (cache.size() >= ResizedCacheLimit)
        cache.clear();
    cache.insert(key, out);
    return out;
}
