// Seeds of the writers' round trip: a small picture in every format, made
// by the writers, each behind the byte that picks its extension; and one
// input of the metadata mode with a small EXIF block.
#include "fuzz_util.h"
#include "seed_util.h"

#include <QTemporaryDir>

using namespace VlmImgUt;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    QTemporaryDir tmp;
    TImgUt &ctx = fuzz::Context();

    TDib picture;
    if (!picture.Create(6, 5))
        return 1;
    for (int i = 0; i < picture.stride * picture.height; ++i)
        picture.bits[i] = uint8_t(i * 29);

    bool ok = true;
    int index = 0;
    for (const QString &ext : ctx.imageExts) {
        const QString path = tmp.path() + "/seed" + ext;
        QFile written(path);
        ok = ctx.WriteImageFile(path, &picture, nullptr, 0, 0, 0, 0, false, 0) && written.open(QIODevice::ReadOnly)
            && fuzz::WriteSeed(argv[1], "seed" + std::to_string(index) + ext.toStdString(), QByteArray(1, char(index)) + written.readAll())
            && ok;
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
    ok = fuzz::WriteSeed(argv[1], "metadata", QByteArray("\x80\0\0", 3) + exif) && ok;
    return ok ? 0 : 1;
}
