// Shared by the fuzz targets: the input as a file, and an image-library
// context whose settings live in a private folder.
#pragma once

#include "TDib.h"
#include "TImgUt.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace fuzz {

// Where results are summed so that reading them is not optimised away.
inline volatile unsigned sink = 0;

// This process's own folder below the temporary folder, removed with
// everything in it when the process ends.
inline QString WorkFolder()
{
    struct Folder {
        QString path = QDir::tempPath() + QStringLiteral("/quibo-fuzz-%1").arg(getpid());
        Folder() { QDir().mkpath(path); }
        ~Folder() { QDir(path).removeRecursively(); }
    };
    static const Folder dir;
    return dir.path;
}

// Writes the input to the process's one file of that name and returns its
// path.
inline QString InputFile(const uint8_t *data, size_t size, const char *name)
{
    const QString path = WorkFolder() + QLatin1Char('/') + QLatin1String(name);
    FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (f) {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

inline VlmImgUt::TImgUt &Context()
{
    static VlmImgUt::TImgUt *ctx = [] {
        auto *c = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"),
                                       TRegStore::InFolder(WorkFolder() + QStringLiteral("/reg")));
        c->optsDirty = false;
        return c;
    }();
    return *ctx;
}

// Reads the input as a picture file named `name` through ReadImageFile.
// The input's length picks the mode, so every mode sees every kind of
// file: the game's full-size read, a reduced read keeping every metadata
// block, header-only, and the open dialog's preview.
inline int ReadPicture(const uint8_t *data, size_t size, const char *name)
{
    VlmImgUt::TImgUt &ctx = Context();
    const QString path = InputFile(data, size, name);
    const int mode = int(size % 4);
    ctx.previewMode = mode == 3;
    const bool keep = mode == 1 || mode == 2;
    ctx.keepComment = ctx.keepExif = ctx.keepXmp = ctx.keepPhotoshop = keep;
    const int box = mode == 0 ? 0 : 64;
    VlmImgUt::TDib *pic = nullptr;
    if (ctx.ReadImageFile(path, &pic, box, box * 3 / 4, mode == 2) && pic) {
        // Every byte the record claims is read, so a short buffer shows.
        unsigned sum = 0;
        for (int64_t i = 0; i < int64_t(pic->stride) * pic->height; ++i)
            sum += pic->bits[i];
        if (pic->alpha)
            for (int64_t i = 0; i < int64_t(pic->width) * pic->height; ++i)
                sum += pic->alpha[i];
        const uint8_t *blocks[] = {pic->icc, pic->photoshop, pic->xmp, pic->exif, pic->comment};
        const uint32_t sizes[] = {pic->iccSize, pic->photoshopSize, pic->xmpSize, pic->exifSize, pic->commentSize};
        for (int b = 0; b < 5; ++b)
            for (uint32_t i = 0; blocks[b] && i < sizes[b]; ++i)
                sum += blocks[b][i];
        sink = sum;
    }
    delete pic;
    return 0;
}

} // namespace fuzz
