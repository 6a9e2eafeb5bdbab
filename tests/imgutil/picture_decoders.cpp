#include "picture_decoders.h"

#include "TDib.h"
#include "picture_writers.h"

#include <QFile>
#include <QImage>
#include <cmath>
#include <cstring>


namespace Decode {

namespace {

uint32_t BE32(const uint8_t *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint16_t BE16(const uint8_t *p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

// A decode of the readers' test helpers, without its alpha.
bool FromRgba(bool ok, const pictures::Rgba &in, Rgb &out)
{
    if (!ok)
        return false;
    out.width = in.width;
    out.height = in.height;
    out.px.resize(size_t(in.width) * in.height * 3);
    for (size_t i = 0; i < size_t(in.width) * in.height; ++i)
        std::memcpy(&out.px[i * 3], &in.px[i * 4], 3);
    return true;
}

} // namespace

bool Jpeg(const QString &path, Rgb &out)
{
    pictures::Rgba rgba;
    return FromRgba(pictures::DecodeJpeg(Contents(path), 8, rgba), rgba, out);
}

bool Png(const QString &path, Rgb &out)
{
    pictures::Rgba rgba;
    bool alpha = false;
    return FromRgba(pictures::DecodePng(Contents(path), rgba, alpha), rgba, out);
}

bool Tiff(const QString &path, Rgb &out)
{
    pictures::Rgba rgba;
    return FromRgba(pictures::DecodeTiff(Contents(path), rgba), rgba, out);
}

bool OpenJpeg(const QString &path, Rgb &out)
{
    const bool jp2 = Contents(path).startsWith(QByteArray("\x00\x00\x00\x0CjP  ", 8));
    const pictures::Jpeg2000Samples d = pictures::DecodeJpeg2000(QFile::encodeName(path).toStdString(), jp2 ? 2 : 0);
    if (!d.ok || d.comps.size() < 3)
        return false;
    out.width = d.comps[0].w;
    out.height = d.comps[0].h;
    const size_t n = size_t(out.width) * size_t(out.height);
    out.px.resize(n * 3);
    for (int c = 0; c < 3; ++c) {
        if (d.comps[size_t(c)].data.size() < n)
            return false;
        for (size_t i = 0; i < n; ++i)
            out.px[i * 3 + size_t(c)] = uint8_t(d.comps[size_t(c)].data[i]);
    }
    return true;
}

bool Qt(const QString &path, const char *format, Rgb &out)
{
    QImage image;
    if (!image.load(path, format))
        return false;
    image = image.convertToFormat(QImage::Format_RGB888);
    out.width = image.width();
    out.height = image.height();
    out.px.resize(size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.px.data() + size_t(y) * out.width * 3, image.constScanLine(y), size_t(out.width) * 3);
    return true;
}

bool Targa(const QByteArray &file, Rgb &out)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    if (file.size() < 18 || p[1] != 0 || p[2] != 2 || p[16] != 24)
        return false;
    const int w = p[12] | (p[13] << 8), h = p[14] | (p[15] << 8);
    const bool topDown = p[17] & 0x20;
    const qsizetype start = 18 + p[0];
    if (file.size() < start + qsizetype(w) * h * 3)
        return false;
    out.width = w;
    out.height = h;
    out.px.resize(size_t(w) * h * 3);
    for (int r = 0; r < h; ++r) {
        const uint8_t *s = p + start + size_t(r) * w * 3;
        uint8_t *d = out.px.data() + size_t(topDown ? r : h - 1 - r) * w * 3;
        for (int c = 0; c < w; ++c, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return true;
}

bool Photoshop(const QByteArray &file, Rgb &out)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    const qsizetype n = file.size();
    if (n < 26 || std::memcmp(p, "8BPS", 4) != 0 || BE16(p + 22) != 8 || BE16(p + 24) != 3)
        return false;
    const int channels = BE16(p + 12);
    const int h = int(BE32(p + 14)), w = int(BE32(p + 18));
    qsizetype at = 26;
    for (int section = 0; section < 3; ++section) { // colour mode, resources, layers
        if (at + 4 > n)
            return false;
        at += 4 + qsizetype(BE32(p + at));
    }
    if (channels < 3 || at + 2 > n || BE16(p + at) != 0)
        return false;
    at += 2;
    const qsizetype plane = qsizetype(w) * h;
    if (at + 3 * plane > n)
        return false;
    out.width = w;
    out.height = h;
    out.px.resize(size_t(plane) * 3);
    for (int c = 0; c < 3; ++c)
        for (qsizetype i = 0; i < plane; ++i)
            out.px[size_t(i) * 3 + c] = p[at + c * plane + i];
    return true;
}

bool SunRaster(const QByteArray &file, Rgb &out)
{
    const auto *p = reinterpret_cast<const uint8_t *>(file.constData());
    if (file.size() < 32 || BE32(p) != 0x59A66A95 || BE32(p + 12) != 24)
        return false;
    const int w = int(BE32(p + 4)), h = int(BE32(p + 8));
    const uint32_t type = BE32(p + 20);
    if (type != 1 && type != 3)
        return false;
    const qsizetype start = 32 + qsizetype(BE32(p + 28));
    const qsizetype rowBytes = (qsizetype(w) * 3 + 1) / 2 * 2;
    if (file.size() < start + rowBytes * h)
        return false;
    out.width = w;
    out.height = h;
    out.px.resize(size_t(w) * h * 3);
    for (int r = 0; r < h; ++r) {
        const uint8_t *s = p + start + r * rowBytes;
        uint8_t *d = out.px.data() + size_t(r) * w * 3;
        for (int c = 0; c < w; ++c, s += 3, d += 3) {
            // Standard rasters hold blue, green, red; type 3 red, green, blue.
            d[0] = type == 1 ? s[2] : s[0];
            d[1] = s[1];
            d[2] = type == 1 ? s[0] : s[2];
        }
    }
    return true;
}

bool ByExtension(const QString &path, Rgb &out)
{
    const QString ext = path.mid(path.lastIndexOf('.') + 1).toLower();
    if (ext == "jpg" || ext == "jpeg")
        return Jpeg(path, out);
    if (ext == "png")
        return Png(path, out);
    if (ext == "tif" || ext == "tiff" || ext == "dng")
        return Tiff(path, out);
    if (ext == "j2k" || ext == "jp2" || ext == "jpc")
        return OpenJpeg(path, out);
    if (ext == "bmp")
        return Qt(path, "BMP", out);
    if (ext == "ppm")
        return Qt(path, "PPM", out);
    if (ext == "tga")
        return Targa(Contents(path), out);
    if (ext == "psd")
        return Photoshop(Contents(path), out);
    if (ext == "ras")
        return SunRaster(Contents(path), out);
    return false;
}

QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

VlmImgUt::TDib *Pattern(int width, int height)
{
    auto *d = new VlmImgUt::TDib;
    if (!d->Create(width, height))
        return d;
    for (int y = 0; y < height; ++y) {
        uint8_t *p = d->bits + int64_t(height - 1 - y) * d->stride;
        for (int x = 0; x < width; ++x, p += 3) {
            // Edges in brightness only, so that lossy formats keep them.
            const int level = (((x / 10) + (y / 10)) & 1 ? 170 : 60) + (x * 3 + y * 5) % 8;
            p[0] = uint8_t(level - 30);
            p[1] = uint8_t(level);
            p[2] = uint8_t(level + 40);
        }
    }
    return d;
}

std::unique_ptr<VlmImgUt::TDib> Filled(int width, int height, uint8_t b, uint8_t g, uint8_t r)
{
    auto d = std::make_unique<VlmImgUt::TDib>();
    if (!d->Create(width, height))
        return d;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t *p = Px(*d, x, y);
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return d;
}

uint8_t *Px(const VlmImgUt::TDib &picture, int x, int y)
{
    return picture.bits + int64_t(picture.height - 1 - y) * picture.stride + 3 * x;
}

Difference Compare(const VlmImgUt::TDib &source, int x, int y, int w, int h, const Rgb &decoded)
{
    Difference d;
    if (decoded.width != w || decoded.height != h) {
        d.max = 256;
        return d;
    }
    double sum = 0;
    for (int r = 0; r < h; ++r) {
        const uint8_t *s = source.bits + int64_t(source.height - 1 - (y + r)) * source.stride + 3 * x;
        for (int c = 0; c < w; ++c, s += 3) {
            const uint8_t *o = decoded.At(c, r);
            for (int k = 0; k < 3; ++k) {
                const int diff = std::abs(int(s[2 - k]) - int(o[k]));
                d.max = std::max(d.max, diff);
                sum += diff;
            }
        }
    }
    d.mean = w && h ? sum / (double(w) * h * 3) : 0;
    return d;
}

} // namespace Decode
