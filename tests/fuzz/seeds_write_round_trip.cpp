// Seeds of the writers' round trip: a small picture in every format, made
// by the writers, each behind the byte that picks its extension; and one
// input of the metadata mode with a small EXIF block.
#include "TDib.h"
#include "TImgUt.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace VlmImgUt;

namespace {

bool Save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir tmp;
    TImgUt ctx("Vellamor\\quibo", TRegStore::InFolder(tmp.path() + "/reg"));
    ctx.optsDirty = false;

    TDib picture;
    if (!picture.Create(6, 5))
        return 1;
    for (int i = 0; i < picture.stride * picture.height; ++i)
        picture.bits[i] = uint8_t(i * 29);

    const char *const exts[] = {".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".png", ".ppm",
                                ".tga", ".j2k",  ".jp2", ".jpc",  ".ras", ".psd", ".dng"};
    int index = 0;
    for (const char *ext : exts) {
        const QString path = tmp.path() + "/seed" + ext;
        if (!ctx.WriteImageFile(path, &picture, nullptr, 0, 0, 0, 0, false, 0))
            return 1;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        if (!Save(out + "/seed" + QString::number(index) + ext, QByteArray(1, char(index)) + f.readAll()))
            return 1;
        ++index;
    }

    // Metadata mode: no profile, then a little-endian EXIF block with one
    // directory holding Make and an EXIF pointer to a one-entry directory.
    const QByteArray exif("II*\0\x08\0\0\0"
                          "\x02\0"
                          "\x0F\x01\x02\0\x04\0\0\0Cam\0"
                          "\x69\x87\x04\0\x01\0\0\0\x26\0\0\0"
                          "\0\0\0\0"
                          "\x01\0"
                          "\x27\x88\x03\0\x01\0\0\0\xC8\0\0\0"
                          "\0\0\0\0",
                          56);
    if (!Save(out + "/seed-metadata", QByteArray("\x80\0\0", 3) + exif))
        return 1;
    return 0;
}
