// Fuzzing the video-frame reader: each input is written to one temporary
// file with a video extension and read through ReadImageFile.
#include "TDib.h"
#include "TImgUt.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <unistd.h>

using namespace VlmImgUt;

namespace {

TImgUt &Context()
{
    static const QString folder = QDir::tempPath() + "/fuzz_video_reg_" + QString::number(getpid());
    static TImgUt ctx("Vellamor\\quibo", TRegStore::InFolder(folder));
    return ctx;
}

const QString &Path()
{
    static const QString path = QDir::tempPath() + "/fuzz_video_" + QString::number(getpid()) + ".avi";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray name = QFile::encodeName(Path());
    FILE *f = fopen(name.constData(), "wb");
    if (!f)
        return 0;
    const bool written = fwrite(data, 1, size, f) == size;
    if (fclose(f) != 0 || !written)
        return 0;
    TDib *pic = nullptr;
    Context().ReadImageFile(Path(), &pic, 0, 0, false);
    delete pic;
    return 0;
}
