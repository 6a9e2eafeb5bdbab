// Decoders for checking written pictures: the picture libraries' own
// readers, Qt's readers, and a few lines each for the raw formats; plus a
// test pattern and the comparison of a decoded picture with its source.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace VlmImgUt {
class TDib;
}

namespace Decode {

// A decoded picture, top row first, R, G, B per pixel.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> px;
    const uint8_t *At(int x, int y) const { return px.data() + (size_t(y) * width + x) * 3; }
};

bool Jpeg(const QString &path, Rgb &out);
bool Png(const QString &path, Rgb &out);
bool Tiff(const QString &path, Rgb &out);
bool OpenJpeg(const QString &path, Rgb &out); // JP2 or a bare code stream, by content
bool Qt(const QString &path, const char *format, Rgb &out);
bool Targa(const QByteArray &file, Rgb &out);
bool Photoshop(const QByteArray &file, Rgb &out);
bool SunRaster(const QByteArray &file, Rgb &out);

// Decodes by the file name's extension.
bool ByExtension(const QString &path, Rgb &out);

QByteArray Contents(const QString &path);

// Blocks of 10 x 10 in two colours far apart in every channel, each pixel
// nudged by a small amount that depends on its position; blue, green and
// red differ by fixed amounts.
VlmImgUt::TDib *Pattern(int width, int height);

// A picture of one colour.
std::unique_ptr<VlmImgUt::TDib> Filled(int width, int height, uint8_t b, uint8_t g, uint8_t r);

// Pixel (x, y) of a picture, y counted from the top: B, G, R.
uint8_t *Px(const VlmImgUt::TDib &picture, int x, int y);

struct Difference {
    int max = 0;
    double mean = 0;
};

// Compares decoded with the part (x, y, w, h) of source; a size mismatch
// gives max 256.
Difference Compare(const VlmImgUt::TDib &source, int x, int y, int w, int h, const Rgb &decoded);

} // namespace Decode
