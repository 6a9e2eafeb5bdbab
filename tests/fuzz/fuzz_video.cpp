// Fuzzing the video-frame reader: each input is written to one temporary
// file with a video extension and read through ReadImageFile.
#include "TDib.h"
#include "TImgUt.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>
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

// A frame may be as large as a picture may be: 768 MB of B-G-R in the
// scratch buffer beside the decoder's own frames. Unless the run sets its own
// limit, allow 4 GB rather than libFuzzer's 2 GB, and keep ASan's quarantine
// of freed blocks small so that many such reads do not add up.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=64";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-rss_limit_mb=", 14) == 0)
            return 0;
    static std::vector<char *> args;
    static char limit[] = "-rss_limit_mb=4096";
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, limit);
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
    return 0;
}

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
